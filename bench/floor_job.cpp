// The floor of the install job: only the platform calls an installation of one model cannot do
// without, for the same files, shortcuts and records as the product's spooler route, in the
// plainest code. Run from a copy of the distribution folder, like job_timer.
//
//   floor_job.exe RESULT_FILE [MODEL [PORT]]     writes "<microseconds> <1 installed|0 not>",
//                                                then one "<phase> <microseconds>" line per step
#include "bench/bench_clock.h"

#include <windows.h>
#include <objbase.h>
#include <setupapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <winspool.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

// The files the route stages into the driver directory for a model without the OLI plug-in,
// besides its data file.
const wchar_t* const kDriverFiles[] = {
    L"QTLM24RES.DLL", L"STDNAMES.GPD",  L"unidrv.hlp",   L"unidrvui.dll", L"unidrv.dll",
    L"unires.dll",    L"STDDTYPE.GDL",  L"STDSCHEM.GDL", L"STDSCHMX.GDL", L"PrnSet.ini",
    L"PrnSetUI.dll",  L"PrnSetUni.dll", L"QVMLMN.dll"};

using Phases = std::vector<std::pair<const char*, long long>>;

std::wstring ProgramDirectory() {
    wchar_t path[MAX_PATH] = L"";
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.rfind(L'\\'));
}

bool Native64() {
    SYSTEM_INFO info{};
    ::GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
           info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

// Every file of source and the folders below it into the one target folder, without catalogues;
// the copies' paths are added to `copies`.
void CopyFlat(const std::wstring& source, const std::wstring& target,
              std::vector<std::wstring>& copies) {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((source + L"*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyFlat(source + name + L"\\", target, copies);
        else if ((source + name).find(L".cat") == std::wstring::npos &&
                 ::CopyFileW((source + name).c_str(), (target + name).c_str(), FALSE))
            copies.push_back(target + name);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

// The Start-menu shortcut of one copy: "<Programs>\\Vantrel打印机\\[<subfolder>\\]<title>.lnk",
// the subfolder being the copy's manuals or tools folder.
bool SaveShortcut(const std::wstring& startMenu, const std::wstring& target) {
    std::wstring folder = startMenu + L"\\Vantrel打印机\\";
    for (const wchar_t* sub : {L"工具集\\", L"产品手册\\"}) {
        if (target.find(sub) != std::wstring::npos) {
            folder += sub;
            break;
        }
    }
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring name = target.substr(target.rfind(L'\\') + 1);
    const std::wstring link = folder + name.substr(0, name.rfind(L'.')) + L".lnk";
    IShellLinkW* shell = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&shell))))
        return false;
    shell->SetPath(target.c_str());
    shell->SetDescription(L"Shortcut created by custom code");
    shell->SetShowCmd(SW_SHOW);
    IPersistFile* file = nullptr;
    bool saved = false;
    if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        saved = SUCCEEDED(file->Save(link.c_str(), TRUE));
        file->Release();
    }
    shell->Release();
    return saved;
}

std::vector<wchar_t> Writable(const std::wstring& text) {
    std::vector<wchar_t> buffer(text.begin(), text.end());
    buffer.push_back(L'\0');
    return buffer;
}

bool Install(const std::wstring& model, const std::wstring& portName, Phases& phases) {
    long long at = NowUs();
    auto lap = [&](const char* name) {
        const long long now = NowUs();
        phases.emplace_back(name, now - at);
        at = now;
    };
    const std::wstring dist = ProgramDirectory() + L"\\";
    const std::wstring package = dist + (Native64() ? L"24Pin\\X64\\" : L"24Pin\\i386\\");
    const std::wstring dataFileName = model + L".GPD";

    // The queue's name must not be taken: the product asks the spooler for it too.
    std::vector<wchar_t> name = Writable(L"Korvane " + model);
    HANDLE existing = nullptr;
    if (::OpenPrinterW(name.data(), &existing, nullptr)) {
        ::ClosePrinter(existing);
        return false;
    }
    lap("1_printer_name");

    wchar_t driverDir[MAX_PATH] = L"";
    DWORD needed = 0;
    if (!::GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(driverDir),
                                      sizeof(driverDir), &needed))
        return false;
    const std::wstring drivers = std::wstring(driverDir) + L"\\";
    for (const wchar_t* file : kDriverFiles)
        ::CopyFileW((package + file).c_str(), (drivers + file).c_str(), FALSE);
    ::CopyFileW((package + dataFileName).c_str(), (drivers + dataFileName).c_str(), FALSE);

    lap("2_driver_files");
    wchar_t programFiles[MAX_PATH] = L"";
    ::SHGetSpecialFolderPathW(nullptr, programFiles, CSIDL_PROGRAM_FILESX86, FALSE);
    const std::wstring product = std::wstring(programFiles) + L"\\Vantrel打印机\\";
    ::CreateDirectoryW(product.c_str(), nullptr);
    ::CreateDirectoryW((product + L"产品手册\\").c_str(), nullptr);
    ::CreateDirectoryW((product + L"工具集\\").c_str(), nullptr);
    std::vector<std::wstring> copies;
    CopyFlat(dist + L"卸载驱动及更新程序\\", product, copies);
    CopyFlat(dist + L"产品手册\\", product + L"产品手册\\", copies);
    CopyFlat(dist + L"工具集\\", product + L"工具集\\", copies);
    lap("3_support_copies");

    // One shortcut per copy, COM initialised once for all of them.
    wchar_t startMenu[MAX_PATH] = L"";
    ::SHGetSpecialFolderPathW(nullptr, startMenu, CSIDL_PROGRAMS, FALSE);
    ::CreateDirectoryW((std::wstring(startMenu) + L"\\Vantrel打印机\\").c_str(), nullptr);
    const HRESULT com = ::CoInitialize(nullptr);
    for (const std::wstring& copy : copies)
        SaveShortcut(startMenu, copy);
    if (SUCCEEDED(com))
        ::CoUninitialize();
    lap("4_shortcuts");
    if (!::SetupCopyOEMInfW((package + L"24Pin.inf").c_str(), package.c_str(), SPOST_PATH, 0,
                            nullptr, 0, nullptr, nullptr))
        return false;

    lap("5_inf");
    std::vector<wchar_t> monitorName = Writable(L"Korvane Language Monitor");
    std::vector<wchar_t> monitorPath = Writable(drivers + L"QVMLMN.dll");
    MONITOR_INFO_2W monitor{};
    monitor.pName = monitorName.data();
    monitor.pDLLName = monitorPath.data();
    if (!::AddMonitorW(nullptr, 2, reinterpret_cast<BYTE*>(&monitor)))
        return false;
    lap("6_monitor");

    std::vector<wchar_t> driverPath = Writable(drivers + L"UNIDRV.DLL");
    std::vector<wchar_t> dataFile = Writable(drivers + dataFileName);
    std::vector<wchar_t> configFile = Writable(drivers + L"unidrvui.dll");
    std::vector<wchar_t> helpFile = Writable(drivers + L"unidrv.hlp");
    const wchar_t dependent[] =
        L"QTLM24RES.DLL\0STDNAMES.GPD\0unires.dll\0PrnSet.ini\0PrnSetUI.dll\0PrnSetUni.dll\0";
    std::vector<wchar_t> dependentFiles(dependent, dependent + sizeof(dependent) / sizeof(wchar_t));
    std::vector<wchar_t> dataType = Writable(L"RAW");
    std::vector<wchar_t> maker = Writable(L"Korvane");
    DRIVER_INFO_6W driver{};
    driver.cVersion = 3;
    driver.pName = name.data();
    driver.pDriverPath = driverPath.data();
    driver.pDataFile = dataFile.data();
    driver.pConfigFile = configFile.data();
    driver.pHelpFile = helpFile.data();
    driver.pDependentFiles = dependentFiles.data();
    driver.pMonitorName = monitorName.data();
    driver.pDefaultDataType = dataType.data();
    driver.pszMfgName = maker.data();
    if (!::AddPrinterDriverW(nullptr, 6, reinterpret_cast<BYTE*>(&driver)))
        return false;
    lap("7_driver");

    std::vector<wchar_t> port = Writable(portName);
    std::vector<wchar_t> processor = Writable(L"winprint");
    PRINTER_INFO_2W printer{};
    printer.pPrinterName = name.data();
    printer.pPortName = port.data();
    printer.pDriverName = name.data();
    printer.pPrintProcessor = processor.data();
    printer.pDatatype = dataType.data();
    printer.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE added = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
    if (added == nullptr)
        return false;
    ::ClosePrinter(added);
    lap("8_queue");
    // The new queue becomes the default printer, as the product makes it.
    ::SetDefaultPrinterW(name.data());
    lap("9_default_printer");
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    const std::wstring model = argc > 2 ? argv[2] : L"KV-8200";
    const std::wstring port = argc > 3 ? argv[3] : L"LPT1:";

    Phases phases;
    const long long start = NowUs();
    const bool installed = Install(model, port, phases);
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
