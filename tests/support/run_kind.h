// The kinds of run whose places differ: a user's run, a run as the SYSTEM account (played
// through the run-context seam, as a deployment system starts the installer) and a run asked for
// all users (/allusers). RunKindScope sets one for the time of a test step and restores a user's
// run afterwards.
#pragma once

#include "engine/run_context.h"

namespace testing_support {

enum class RunKind { User, System, AllUsers };

inline const char* RunKindName(RunKind kind) {
    switch (kind) {
    case RunKind::User:
        return "user's run";
    case RunKind::System:
        return "SYSTEM run";
    case RunKind::AllUsers:
        return "/allusers run";
    }
    return "";
}

class RunKindScope {
public:
    explicit RunKindScope(RunKind kind) {
        engine::SetRunContextForTesting(kind == RunKind::System ? &kSystemAccount : &kUserAccount);
        engine::SetAllUsersRun(kind == RunKind::AllUsers);
    }
    ~RunKindScope() {
        engine::SetAllUsersRun(false);
        engine::SetRunContextForTesting(nullptr);
    }
    RunKindScope(const RunKindScope&) = delete;
    RunKindScope& operator=(const RunKindScope&) = delete;

private:
    // The SYSTEM account in session 0, or a user at a desktop.
    static constexpr engine::RunContextApi kSystemAccount{[] { return true; },
                                                          [] { return false; }};
    static constexpr engine::RunContextApi kUserAccount{[] { return false; }, [] { return true; }};
};

} // namespace testing_support
