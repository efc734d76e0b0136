#include "engine/package_locator.h"
#include "job/preflight_rules.h"
#include "job/exit_codes.h"
#include "job/preflight.h"
#include "unattended/run_record.h"
#include "unattended/runs.h"

#include <windows.h>

namespace unattended {

int RunCheck(const Options& options) {
    RunRecord run(options);
    Report& report = run.report();
    report.model = options.model;
    const std::vector<job::PreflightRow> rows =
        job::RunPreflight(engine::GetProgramDirectory(), options.model);
    job::LogPreflightRows(rows);
    std::wstring text;
    bool distributionBroken = false, protectedPrint = false;
    for (const job::PreflightRow& row : rows) {
        report.checks.push_back({row.check, row.ok, row.detail, row.warning});
        text += std::wstring(row.ok        ? L"通过  "
                             : row.warning ? L"注意  "
                                           : L"未通过  ") +
                row.check + L"：" + row.detail + L"\r\n";
        if (row.ok || row.warning)
            continue;
        if (row.check == job::kCheckProtectedPrint)
            protectedPrint = true;
        else if (row.check != job::kCheckAdministrator && row.check != job::kCheckSpooler &&
                 row.check != job::kCheckDataFiles)
            distributionBroken = true;
    }
    const bool passed = job::AllRowsOk(rows);
    const int code = passed               ? job::kExitSuccess
                     : protectedPrint     ? job::kExitBlockedByPolicy
                     : distributionBroken ? job::kExitDistributionUnreadable
                                          : job::kExitInstallFailed;
    const int exitCode =
        run.Finish(passed ? L"checked" : L"failed", code, passed ? L"" : L"有检查未通过");
    Tell(text, options.quiet, passed ? MB_ICONINFORMATION : MB_ICONWARNING);
    return exitCode;
}

} // namespace unattended
