// Times the product's spooler route for one catalogue model: InstallPrinter, run from the
// distribution folder this program lies in.
//
//   job_timer.exe RESULT_FILE [MODEL [PORT]]   writes "<microseconds> <1 installed|0 not>"
//   job_timer.exe RESULT_FILE --phases         the same route for KV-8200 on LPT1: step by step,
//                                              then one "<phase> <microseconds>" line per step
//
// winspool.drv is loaded before the clock starts, as in the wizard, whose port page has listed
// the spooler's ports by the time the job starts; its load time is reported as a phase.
#include "bench/bench_clock.h"
#include "engine/driver_staging.h"
#include "engine/folder_walk.h"
#include "job/install_job.h"
#include "engine/package_locator.h"
#include "engine/package_paths.h"
#include "engine/printer_registration.h"
#include "engine/spooler_api.h"
#include "engine/support_folders.h"
#include "engine/support_paths.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

void FilesBelow(const std::wstring& folder, std::vector<std::wstring>& files) {
    engine::ForEachFolderEntry(folder, [&](const std::wstring& name, bool isFolder) {
        if (isFolder)
            FilesBelow(folder + name + L"\\", files);
        else
            files.push_back(folder + name);
    });
}

// InstallPrinter's steps one by one, each timed.
bool RunPhases(std::vector<std::pair<const char*, long long>>& phases) {
    const std::wstring model = L"KV-8200", port = L"LPT1:", dataFile = model + L".GPD";
    long long at = NowUs();
    auto lap = [&](const char* name) {
        const long long now = NowUs();
        phases.emplace_back(name, now - at);
        at = now;
    };
    const std::wstring printerName = engine::MakePrinterName(model);
    lap("1_printer_name");
    const std::wstring dist = engine::GetProgramDirectory();
    const bool native64 = engine::IsNative64Bit();
    const std::wstring package = engine::DriverSourceFolderOf(dist, native64);
    std::wstring drivers;
    if (!engine::GetDriverDirectory(drivers) ||
        !engine::CopyDriverTree(package, drivers + L"\\", dataFile))
        return false;
    lap("2_driver_files");
    wchar_t programFiles[MAX_PATH] = L"";
    ::SHGetSpecialFolderPathW(nullptr, programFiles, CSIDL_PROGRAM_FILESX86, FALSE);
    const std::wstring product = engine::ProductFolderOf(programFiles);
    ::CreateDirectoryW(product.c_str(), nullptr);
    ::CreateDirectoryW((product + engine::kManualsFolderName + L"\\").c_str(), nullptr);
    ::CreateDirectoryW((product + engine::kToolsFolderName + L"\\").c_str(), nullptr);
    for (const engine::SupportFolder& folder : engine::SupportFoldersOf(dist, programFiles))
        engine::CopyFolderTree(folder.source, folder.target, false);
    lap("3_support_copies");
    std::vector<std::wstring> copies;
    FilesBelow(product, copies);
    engine::CreateStartMenuShortcuts(copies);
    lap("4_shortcuts");
    if (!engine::StageInf(engine::InfPathOf(dist, native64), package))
        return false;
    lap("5_inf");
    if (!engine::RegisterDriverAndPrinter(printerName, port, dataFile))
        return false;
    lap("6_monitor_driver_queue");
    SpoolerOrdinal204(printerName);
    lap("7_ordinal_204");
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    const std::wstring mode = argc > 2 ? argv[2] : L"";
    const bool phased = mode == L"--phases";
    const std::wstring model = argc > 2 && !phased ? argv[2] : L"KV-8200";
    const std::wstring port = argc > 3 ? argv[3] : L"LPT1:";

    std::vector<std::pair<const char*, long long>> phases;
    const long long loading = NowUs();
    engine::Spooler();
    phases.emplace_back("0_winspool_load_untimed", NowUs() - loading);

    const long long start = NowUs();
    const bool installed =
        phased ? RunPhases(phases) : InstallPrinter(model, port, model + L".GPD");
    const long long us = NowUs() - start;

    FILE* result = _wfopen(argv[1], L"w");
    if (result == nullptr)
        return 3;
    std::fprintf(result, "%lld %d\n", us, installed ? 1 : 0);
    for (const auto& phase : phases)
        std::fprintf(result, "%s %lld\n", phase.first, phase.second);
    std::fclose(result);
    return installed ? 0 : 1;
}
