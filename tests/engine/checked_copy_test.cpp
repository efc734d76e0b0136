// The checked copy against Wine's file system: copied when missing, kept when identical, replaced
// when different, and the read-only and busy targets. A read-only target refuses an overwrite
// only to users other than root, so that refusal comes through the staging seam.
#include "engine/checked_copy.h"
#include "engine/staging_api.h"
#include "tests/engine/installer_fixtures.h"
#include "tests/engine/staging_seams.h"
#include "tests/support/failure_recorder.h"
#include "tests/support/test_paths.h"
#include "win/handle.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

using namespace engine;
using namespace installer_tests;
using testing_support::FailureRecorder;
using testing_support::MakeScratchFolder;
using testing_support::ReadFileBytes;
using testing_support::RemoveTree;

namespace {

using Codes = std::vector<std::wstring>;

bool IsReadOnly(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

} // namespace

// ---- CopyFileChecked and FilesIdentical in a scratch folder ------------------------------------

class CheckedCopy : public ::testing::Test {
protected:
    void SetUp() override {
        folder = MakeScratchFolder(L"checked-copy");
        source = folder + L"source.dll";
        target = folder + L"target.dll";
        g_overwriteError = 0;
        g_overwrites = 0;
    }
    void TearDown() override {
        SetStagingForTesting(nullptr);
        ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveTree(folder);
    }
    std::wstring folder, source, target;
};

TEST_F(CheckedCopy, Outcomes) {
    const ULONGLONG kOldTime = 125911584000000000ULL; // 1 January 2000
    struct Case {
        const char* what;
        bool sourceExists;
        std::optional<std::string> targetBefore;
        bool readOnly;
        bool emulateRefusals; // through CopyAsWindowsDoes
        DWORD overwriteError;
        bool result;
        std::string targetAfter;
        Codes codes;
        int overwrites;
    };
    const Case cases[] = {
        {"target missing", true, std::nullopt, false, true, 0, true, "new", {}, 0},
        {"identical target kept", true, std::string("new"), false, true, 0, true, "new", {}, 0},
        {"different target replaced",
         true,
         std::string("old!"),
         false,
         true,
         0,
         true,
         "new",
         {},
         1},
        {"read-only target cleared and replaced",
         true,
         std::string("old!"),
         true,
         true,
         0,
         true,
         "new",
         {},
         2},
        {"read-only target that stays refused",
         true,
         std::string("old!"),
         true,
         true,
         ERROR_ACCESS_DENIED,
         false,
         "old!",
         {L"2"},
         2},
        {"busy target that stays busy",
         true,
         std::string("old!"),
         false,
         true,
         ERROR_SHARING_VIOLATION,
         false,
         "old!",
         {L"2"},
         2},
        // No retry can mend a full disk; the user is told all the same.
        {"other refusal of the overwrite",
         true,
         std::string("old!"),
         false,
         true,
         ERROR_DISK_FULL,
         false,
         "old!",
         {L"2"},
         1},
        {"identical read-only target kept",
         true,
         std::string("new"),
         true,
         true,
         0,
         true,
         "new",
         {},
         0},
        {"source missing", false, std::nullopt, false, false, 0, false, "", {L"2"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(target.c_str());
        ::DeleteFileW(source.c_str());
        if (c.sourceExists)
            PutFile(source, "new");
        if (c.targetBefore) {
            PutFile(target, *c.targetBefore);
            SetWriteTime(target, kOldTime);
            if (c.readOnly)
                ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
        }
        g_overwriteError = c.overwriteError;
        g_overwrites = 0;
        const StagingApi api = StagingWith(&CopyAsWindowsDoes, nullptr);
        StagingOverride scope(c.emulateRefusals ? api : SystemStaging());
        FailureRecorder watcher;

        EXPECT_EQ(c.result, CopyFileChecked(source, target));
        EXPECT_EQ(c.targetAfter, ReadFileBytes(target));
        EXPECT_EQ(c.codes, watcher.Codes());
        if (c.emulateRefusals) {
            EXPECT_EQ(c.overwrites, g_overwrites);
        }
        if (c.targetBefore && c.targetAfter == *c.targetBefore && c.overwrites == 0) {
            EXPECT_EQ(kOldTime, WriteTime(target)) << "an identical target was copied again";
        }
        if (c.readOnly && c.result) {
            EXPECT_FALSE(IsReadOnly(target)) << "the read-only attribute was not cleared";
        }
    }
}

// A source on read-only media: the target never keeps the attribute, whichever way the copy
// ends in success.
TEST_F(CheckedCopy, ReadOnlySourceGivesAWritableTarget) {
    const struct {
        const char* what;
        std::optional<std::string> targetBefore;
        bool targetReadOnly;
    } cases[] = {
        {"target missing", std::nullopt, false},
        {"different target replaced", std::string("old!"), false},
        {"read-only different target replaced", std::string("old!"), true},
        {"identical read-only target kept", std::string("new"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ::SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(target.c_str());
        PutFile(source, "new");
        ASSERT_TRUE(::SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_READONLY));
        if (c.targetBefore) {
            PutFile(target, *c.targetBefore);
            if (c.targetReadOnly)
                ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
        }
        FailureRecorder watcher;
        EXPECT_TRUE(CopyFileChecked(source, target));
        EXPECT_EQ("new", ReadFileBytes(target));
        EXPECT_FALSE(IsReadOnly(target));
        EXPECT_TRUE(IsReadOnly(source)) << "the source is not touched";
        EXPECT_EQ(Codes{}, watcher.Codes());
    }
    ::SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Wine answers a target held open without sharing with a sharing violation, twice.
TEST_F(CheckedCopy, TargetHeldOpenWithoutSharing) {
    PutFile(source, "new");
    PutFile(target, "in use");
    FailureRecorder watcher;
    {
        HeldFile held(target);
        ASSERT_TRUE(held.IsHeld());
        EXPECT_FALSE(CopyFileChecked(source, target));
    }
    EXPECT_EQ(Codes{L"2"}, watcher.Codes());
    EXPECT_EQ("in use", ReadFileBytes(target));
}

TEST_F(CheckedCopy, FilesIdentical) {
    std::string large(300 * 1024, 'a'); // more than one chunk of the comparison
    for (size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>(i * 7);
    std::string largeTail = large;
    largeTail.back() ^= 1;
    struct Case {
        const char* what;
        std::optional<std::string> source;
        std::optional<std::string> target;
        bool identical;
    };
    const Case cases[] = {
        {"same bytes", std::string("QVMLMN"), std::string("QVMLMN"), true},
        {"both empty", std::string(), std::string(), true},
        {"same length, other bytes", std::string("QVMLMN"), std::string("QVMLMX"), false},
        {"target is a prefix", std::string("QVMLMN"), std::string("QVML"), false},
        {"source is a prefix", std::string("QVML"), std::string("QVMLMN"), false},
        {"large and equal", large, large, true},
        {"large, last byte differs", large, largeTail, false},
        {"target missing", std::string("x"), std::nullopt, false},
        {"source missing", std::nullopt, std::string("x"), false},
    };
    for (const Case& c : cases) {
        ::DeleteFileW(source.c_str());
        ::DeleteFileW(target.c_str());
        if (c.source)
            PutFile(source, *c.source);
        if (c.target)
            PutFile(target, *c.target);
        EXPECT_EQ(c.identical, FilesIdentical(source, target)) << c.what;
    }

    // A target the spooler holds open for writing is still compared.
    PutFile(source, large);
    PutFile(target, large);
    const win::FileHandle writer(::CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer);
    EXPECT_TRUE(FilesIdentical(source, target));
}
