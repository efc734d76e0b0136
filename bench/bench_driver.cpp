// Starts Setup.exe and the floor programs from a copy of the distribution folder, watches them
// from outside their processes and prints one line per figure.
//
//   bench_driver.exe DIST_FOLDER [RUNS [startup|job|unattended|wizard]]
//
// With a third argument only that part is measured: the start-up, the install job, the
// unattended installs or the installations through the wizard (for a WINEDEBUG trace of one
// part, for instance).
// Figures go to standard output; each run's times and the phase profiles to standard error.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shlobj.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kWizardTitle[] = L"Velmora科技驱动安装程序";
constexpr wchar_t kSuccessText[] = L"驱动安装成功";
constexpr wchar_t kMakerPrefix[] = L"Korvane ";
constexpr wchar_t kMonitorName[] = L"Korvane Language Monitor";
constexpr wchar_t kProductFolder[] = L"Vantrel打印机";
constexpr int kModelList = 1031, kPortList = 1010, kNext = 1008, kFinish = 1027, kProgress = 1013;
constexpr double kTimerMs = 30.0;
constexpr DWORD kTimeoutMs = 120000;

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f{};
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

std::wstring TextOf(HWND window) {
    wchar_t text[512] = L"";
    ::GetWindowTextW(window, text, 512);
    return text;
}

// A sent message that gives up on a window whose thread does not answer.
LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result))
        return -1;
    return static_cast<LRESULT>(result);
}

struct WindowSearch {
    DWORD process;
    const std::function<bool(HWND)>* accept;
    HWND found;
    bool visibleOnly;
};

BOOL CALLBACK SearchWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == search->process && (!search->visibleOnly || ::IsWindowVisible(window)) &&
        (*search->accept)(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindWindowOf(DWORD process, const std::function<bool(HWND)>& accept) {
    WindowSearch search{process, &accept, nullptr, true};
    ::EnumWindows(SearchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool ListHasRows(HWND window) {
    HWND list = ::GetDlgItem(window, kModelList);
    return list != nullptr && ::IsWindowVisible(list) && Ask(list, LB_GETCOUNT) > 0;
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = kTimeoutMs) {
    const double start = NowMs();
    while (!condition()) {
        if (NowMs() - start > timeoutMs)
            return false;
        ::Sleep(1);
    }
    return true;
}

class Child {
public:
    Child(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder) {
        std::wstring commandLine =
            L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" ") + arguments;
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        m_started = ::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                                     nullptr, folder.c_str(), &si, &m_process) != FALSE;
    }
    ~Child() {
        if (!m_started)
            return;
        if (!Ended()) {
            ::TerminateProcess(m_process.hProcess, 99);
            ::WaitForSingleObject(m_process.hProcess, kTimeoutMs);
        }
        ::CloseHandle(m_process.hThread);
        ::CloseHandle(m_process.hProcess);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return m_started; }
    DWORD Id() const { return m_process.dwProcessId; }
    HANDLE Process() const { return m_process.hProcess; }
    bool Ended() const { return ::WaitForSingleObject(m_process.hProcess, 0) == WAIT_OBJECT_0; }
    bool Wait(DWORD ms = kTimeoutMs) const {
        return ::WaitForSingleObject(m_process.hProcess, ms) == WAIT_OBJECT_0;
    }

private:
    PROCESS_INFORMATION m_process{};
    bool m_started = false;
};

void Click(HWND dialog, int id) {
    ::PostMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// ---------------------------------------------------------------------------------------------
// Leaving the system as before an installation: no queue, driver, monitor, staged file, product
// folder or shortcut of ours.

std::wstring SpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = L"";
    ::SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE);
    return path;
}

void DeleteTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(path);
            } else {
                ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(path.c_str());
            }
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(folder.c_str());
}

void PackageFileNames(const std::wstring& folder, std::vector<std::wstring>& names) {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            PackageFileNames(folder + L"\\" + name, names);
        else
            names.push_back(name);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

bool IsOurs(const wchar_t* name) {
    return name != nullptr && wcsncmp(name, kMakerPrefix, wcslen(kMakerPrefix)) == 0;
}

void Clean(const std::wstring& dist) {
    DWORD needed = 0, count = 0;
    ::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> printers(needed + 1);
    if (::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, printers.data(), needed, &needed, &count)) {
        const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(printers.data());
        for (DWORD i = 0; i < count; ++i) {
            if (!IsOurs(info[i].pPrinterName))
                continue;
            PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
            HANDLE printer = nullptr;
            if (::OpenPrinterW(info[i].pPrinterName, &printer, &access)) {
                if (!::DeletePrinter(printer))
                    std::fprintf(stderr, "bench: DeletePrinter failed (%lu)\n", ::GetLastError());
                ::ClosePrinter(printer);
            }
        }
    }
    needed = count = 0;
    ::EnumPrinterDriversW(nullptr, nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> drivers(needed + 1);
    if (::EnumPrinterDriversW(nullptr, nullptr, 1, drivers.data(), needed, &needed, &count)) {
        const auto* info = reinterpret_cast<const DRIVER_INFO_1W*>(drivers.data());
        for (DWORD i = 0; i < count; ++i)
            if (IsOurs(info[i].pName) && !::DeletePrinterDriverW(nullptr, nullptr, info[i].pName))
                std::fprintf(stderr, "bench: DeletePrinterDriver failed (%lu)\n", ::GetLastError());
    }
    ::DeleteMonitorW(nullptr, nullptr, const_cast<wchar_t*>(kMonitorName));

    wchar_t driverDir[MAX_PATH] = L"";
    if (::GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(driverDir),
                                     sizeof(driverDir), &needed)) {
        std::vector<std::wstring> names;
        PackageFileNames(dist + L"\\24Pin\\X64", names);
        for (const std::wstring& name : names) {
            ::DeleteFileW((std::wstring(driverDir) + L"\\" + name).c_str());
            ::DeleteFileW((std::wstring(driverDir) + L"\\3\\" + name).c_str());
        }
    }
    DeleteTree(SpecialFolder(CSIDL_PROGRAM_FILESX86) + L"\\" + kProductFolder);
    DeleteTree(SpecialFolder(CSIDL_PROGRAMS) + L"\\" + kProductFolder);
}

// ---------------------------------------------------------------------------------------------
// 1. Start-up: from process start until a visible window shows list 1031 with rows.

// The moments seen from outside, in ms from process start: the dialog window exists, it is
// visible, its list has rows.
struct StartupTimes {
    double window = -1, visible = -1, rows = -1;
};

StartupTimes Startup(const std::wstring& exe, const std::wstring& dist) {
    StartupTimes times;
    const double start = NowMs();
    Child child(exe, L"", dist);
    if (!child.Started())
        return times;
    const std::function<bool(HWND)> isDialog = [](HWND w) {
        wchar_t name[16] = L"";
        ::GetClassNameW(w, name, 16);
        return std::wstring(name) == L"#32770";
    };
    WaitFor([&] {
        WindowSearch search{child.Id(), &isDialog, nullptr, false};
        ::EnumWindows(SearchWindow, reinterpret_cast<LPARAM>(&search));
        const double now = NowMs() - start;
        if (search.found == nullptr)
            return child.Ended();
        if (times.window < 0)
            times.window = now;
        if (!::IsWindowVisible(search.found))
            return false;
        if (times.visible < 0)
            times.visible = now;
        if (!ListHasRows(search.found))
            return false;
        times.rows = now;
        return true;
    });
    return times;
}

// ---------------------------------------------------------------------------------------------
// 2. Install job: job_timer and floor_job report the time of their own installation.

using PhaseTimes = std::map<std::string, std::vector<double>>;

double JobMs(const std::wstring& exe, const std::wstring& arguments, const std::wstring& dist,
             PhaseTimes* phases = nullptr) {
    Clean(dist);
    wchar_t temp[MAX_PATH] = L"";
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring result = std::wstring(temp) + L"bench_job_result.txt";
    ::DeleteFileW(result.c_str());
    {
        Child child(exe, L"\"" + result + L"\" " + arguments, dist);
        if (!child.Started() || !child.Wait())
            return -1;
    }
    FILE* file = _wfopen(result.c_str(), L"r");
    if (file == nullptr)
        return -1;
    long long us = 0;
    int installed = 0;
    const int read = std::fscanf(file, "%lld %d", &us, &installed);
    char phase[64] = "";
    long long phaseUs = 0;
    while (phases != nullptr && std::fscanf(file, "%63s %lld", phase, &phaseUs) == 2)
        (*phases)[phase].push_back(static_cast<double>(phaseUs) / 1000.0);
    std::fclose(file);
    if (read != 2 || !installed)
        return -1;
    return static_cast<double>(us) / 1000.0;
}

// ---------------------------------------------------------------------------------------------
// 3. Unattended install: a whole process, from its start to its exit, timed from outside.

// The time from process start to exit of `exe arguments`, after a cleanup; -1 when the program
// cannot start, does not end or ends with an exit code other than 0.
double ProcessMs(const std::wstring& exe, const std::wstring& arguments, const std::wstring& dist) {
    Clean(dist);
    const double start = NowMs();
    Child child(exe, arguments, dist);
    if (!child.Started() || !child.Wait())
        return -1;
    const double ms = NowMs() - start;
    DWORD code = 1;
    ::GetExitCodeProcess(child.Process(), &code);
    if (code != 0)
        std::fprintf(stderr, "%ls %ls: exit code %lu after %.0f ms\n", exe.c_str(),
                     arguments.c_str(), code, ms);
    return code == 0 ? ms : -1;
}

std::wstring TempFile(const wchar_t* name) {
    wchar_t temp[MAX_PATH] = L"";
    ::GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name;
}

// ---------------------------------------------------------------------------------------------
// 4 and 5. One installation through the wizard: the progress bar watched, the peak working set
// read as the installer ends.

struct WizardRun {
    bool ok = false;
    double longestGapMs = 0;
    double medianGapMs = 0;
    double installMs = 0;
    size_t changes = 0;
    double longestGapEndMs = 0; // when the longest gap ended, from the Finish click
    double slowestReplyMs = 0;  // the longest PBM_GETPOS took to be answered
    DWORD finishTick = 0, gapStartTick = 0, gapEndTick = 0; // GetTickCount, as Wine's traces
    SIZE_T peakWorkingSet = 0;
};

bool ReadPeak(HANDLE process, SIZE_T& peak) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (!::GetProcessMemoryInfo(process, &counters, sizeof(counters)))
        return false;
    peak = counters.PeakWorkingSetSize;
    return true;
}

WizardRun InstallThroughWizard(const std::wstring& dist) {
    WizardRun run;
    Clean(dist);
    Child setup(dist + L"\\Setup.exe", L"", dist);
    if (!setup.Started())
        return run;
    HWND wizard = nullptr;
    WaitFor([&] {
        wizard = FindWindowOf(setup.Id(), [](HWND w) { return TextOf(w) == kWizardTitle; });
        return (wizard != nullptr && ListHasRows(wizard)) || setup.Ended();
    });
    if (wizard == nullptr || setup.Ended())
        return run;
    Click(wizard, kNext);
    if (!WaitFor([&] { return ::IsWindowVisible(::GetDlgItem(wizard, kPortList)) != FALSE; }))
        return run;
    Click(wizard, kNext);
    if (!WaitFor([&] { return ::IsWindowVisible(::GetDlgItem(wizard, kFinish)) != FALSE; }))
        return run;

    HWND progress = ::GetDlgItem(wizard, kProgress);
    auto isBox = [](HWND w) {
        return ::GetDlgItem(w, 0xFFFF) != nullptr && TextOf(w) != kWizardTitle;
    };
    Click(wizard, kFinish);
    const double clicked = NowMs();
    run.finishTick = ::GetTickCount();
    DWORD lastChangeTick = run.finishTick;
    bool afterWrap = false;
    LRESULT position = Ask(progress, PBM_GETPOS);
    double lastChange = -1;
    std::vector<double> gaps;
    HWND box = nullptr;
    for (unsigned poll = 0; NowMs() - clicked < kTimeoutMs; ++poll) {
        const double asked = NowMs();
        const LRESULT now = Ask(progress, PBM_GETPOS);
        const double at = NowMs();
        run.slowestReplyMs = std::max(run.slowestReplyMs, at - asked);
        if (now != position && now != -1) {
            // The bar's wrap from its end to 0 starts a designed pause (an empty bar for 20
            // ticks): the gap that ends it is not counted.
            const bool endsPause = position == 0 && afterWrap;
            afterWrap = now == 0 && position >= 100;
            if (lastChange >= 0 && !endsPause) {
                gaps.push_back(at - lastChange);
                if (at - lastChange >= *std::max_element(gaps.begin(), gaps.end())) {
                    run.longestGapEndMs = at - clicked;
                    run.gapStartTick = lastChangeTick;
                    run.gapEndTick = ::GetTickCount();
                }
            }
            lastChangeTick = ::GetTickCount();
            lastChange = at;
            position = now;
        }
        if (poll % 10 == 0) {
            box = FindWindowOf(setup.Id(), isBox);
            if (box != nullptr || setup.Ended())
                break;
        }
        ::Sleep(2);
    }
    run.installMs = NowMs() - clicked;
    run.changes = gaps.size() + (lastChange >= 0 ? 1 : 0);
    run.longestGapMs = gaps.empty() ? 0 : *std::max_element(gaps.begin(), gaps.end());
    run.medianGapMs = Median(gaps);
    if (box == nullptr)
        return run;
    const bool success = TextOf(::GetDlgItem(box, 0xFFFF)) == kSuccessText;
    ReadPeak(setup.Process(), run.peakWorkingSet);
    Click(box, IDOK);
    while (!setup.Ended()) {
        ReadPeak(setup.Process(), run.peakWorkingSet);
        ::Sleep(2);
        if (NowMs() - clicked > 2 * kTimeoutMs)
            break;
    }
    run.ok = success && gaps.size() >= 2;
    return run;
}

// ---------------------------------------------------------------------------------------------

void PrintPhases(const char* program, const PhaseTimes& phases) {
    std::fprintf(stderr, "%s phases (medians, ms):", program);
    for (const auto& phase : phases)
        std::fprintf(stderr, " %s %.1f", phase.first.c_str(), Median(phase.second));
    std::fprintf(stderr, "\n");
}

const char* Verdict(bool met) {
    return met ? "met" : "missed";
}

std::vector<double> Valid(const std::vector<double>& values) {
    std::vector<double> valid;
    for (double v : values)
        if (v >= 0)
            valid.push_back(v);
    return valid;
}

// One ratio line: the medians of the product's and the floor's valid times and the goal.
void PrintRatio(const char* figure, const char* product, const char* floorName,
                const std::vector<double>& productTimes, const std::vector<double>& floorTimes,
                double goal) {
    const std::vector<double> p = Valid(productTimes), f = Valid(floorTimes);
    const double ms = Median(p), floor = Median(f);
    const double ratio = floor > 0 ? ms / floor : 0;
    std::printf("%-15s %5.2fx  %s %.0f ms / %s %.0f ms (medians of %zu/%zu runs), "
                "goal <= %.2fx  %s\n",
                figure, ratio, product, ms, floorName, floor, p.size(), f.size(), goal,
                Verdict(!p.empty() && ratio <= goal));
    std::fflush(stdout);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: bench_driver DIST_FOLDER [RUNS [startup|job|unattended|wizard]]\n");
        return 2;
    }
    const std::wstring dist = argv[1];
    const int runs = argc > 2 ? std::max(1, _wtoi(argv[2])) : 7;
    const std::wstring only = argc > 3 ? argv[3] : L"";
    const bool allFigures = only.empty();
    const std::wstring setup = dist + L"\\Setup.exe";
    const std::wstring floorDialog = dist + L"\\floor_dialog.exe";

    if (allFigures || only == L"startup") {
        // 1. Start-up, the two programs alternating after one unmeasured start of each.
        std::vector<double> setupStart, floorStart;
        PhaseTimes setupMoments, floorMoments;
        Startup(floorDialog, dist);
        Startup(setup, dist);
        for (int i = 0; i < runs; ++i) {
            const StartupTimes f = Startup(floorDialog, dist);
            const StartupTimes s = Startup(setup, dist);
            floorStart.push_back(f.rows);
            setupStart.push_back(s.rows);
            std::fprintf(
                stderr,
                "start-up run %d (window exists / visible / rows, ms): floor_dialog %.1f / "
                "%.1f / %.1f, Setup.exe %.1f / %.1f / %.1f\n",
                i + 1, f.window, f.visible, f.rows, s.window, s.visible, s.rows);
            if (f.rows >= 0) {
                floorMoments["1_window_exists"].push_back(f.window);
                floorMoments["2_visible"].push_back(f.visible);
                floorMoments["3_rows"].push_back(f.rows);
            }
            if (s.rows >= 0) {
                setupMoments["1_window_exists"].push_back(s.window);
                setupMoments["2_visible"].push_back(s.visible);
                setupMoments["3_rows"].push_back(s.rows);
            }
        }
        PhaseTimes parts;
        for (int i = 0; i < runs; ++i)
            JobMs(dist + L"\\startup_parts.exe", L"", dist, &parts);
        PrintPhases("startup_parts (product functions timed alone)", parts);
        PrintPhases("floor_dialog start-up", floorMoments);
        PrintPhases("Setup.exe start-up", setupMoments);
        PrintRatio("start-up:", "Setup.exe", "floor_dialog", setupStart, floorStart, 1.3);
    }
    if (allFigures || only == L"job") {
        // 2. Install job, alternating after one unmeasured run of each.
        std::vector<double> jobTimes, floorTimes;
        const std::wstring jobTimer = dist + L"\\job_timer.exe";
        const std::wstring floorJob = dist + L"\\floor_job.exe";
        PhaseTimes floorPhases, jobPhases, jobWhole;
        JobMs(floorJob, L"", dist);
        JobMs(jobTimer, L"", dist);
        for (int i = 0; i < runs; ++i) {
            floorTimes.push_back(JobMs(floorJob, L"", dist, &floorPhases));
            jobTimes.push_back(JobMs(jobTimer, L"", dist, &jobWhole));
            JobMs(jobTimer, L"--phases", dist, &jobPhases);
            std::fprintf(stderr, "job run %d: floor_job %.1f ms, job_timer %.1f ms\n", i + 1,
                         floorTimes.back(), jobTimes.back());
        }
        PrintPhases("floor_job", floorPhases);
        PrintPhases("job_timer", jobWhole);
        PrintPhases("job_timer --phases", jobPhases);
        PrintRatio("install job:", "InstallPrinter", "floor_job", jobTimes, floorTimes, 1.2);
    }

    if (allFigures || only == L"unattended") {
        // 3. Unattended install against the job floor, both whole processes seen from outside,
        // alternating after one unmeasured run of each.
        const std::wstring quiet = L"/quiet /model KV-8200 /port LPT1:";
        const std::wstring floorJob = dist + L"\\floor_job.exe";
        const std::wstring floorArguments = L"\"" + TempFile(L"bench_floor_result.txt") + L"\"";
        std::vector<double> silentTimes, floorTimes;
        ProcessMs(floorJob, floorArguments, dist);
        ProcessMs(setup, quiet, dist);
        for (int i = 0; i < runs; ++i) {
            floorTimes.push_back(ProcessMs(floorJob, floorArguments, dist));
            silentTimes.push_back(ProcessMs(setup, quiet, dist));
            std::fprintf(stderr,
                         "unattended run %d: floor_job process %.1f ms, Setup.exe /quiet %.1f ms\n",
                         i + 1, floorTimes.back(), silentTimes.back());
        }
        const std::vector<double> p = Valid(silentTimes), f = Valid(floorTimes);
        const double ms = Median(p), floor = Median(f);
        std::printf("unattended:     %5.2fx  Setup.exe /quiet /model KV-8200 /port LPT1: %.0f ms / "
                    "floor_job process %.0f ms (process start to exit, medians of %zu/%zu runs)\n",
                    floor > 0 ? ms / floor : 0.0, ms, floor, p.size(), f.size());

        // Silent installs one after another, the cleanup between them not timed.
        const int sequence = std::max(10, runs);
        double total = 0;
        int installed = 0;
        for (int i = 0; i < sequence; ++i) {
            const double one = ProcessMs(setup, quiet, dist);
            if (one < 0)
                continue;
            total += one;
            ++installed;
        }
        Clean(dist);
        std::printf("unattended:     %.0f installs per minute (%d of %d silent installs succeeded, "
                    "%.0f ms each on average; the cleanup between them not timed)\n",
                    total > 0 ? installed * 60000.0 / total : 0.0, installed, sequence,
                    installed > 0 ? total / installed : 0.0);
        std::fflush(stdout);
    }
    if (!allFigures && only != L"wizard")
        return 0;

    // 4 and 5. Installations through the wizard.
    std::vector<double> longest, typical, install, peaks;
    double worst = 0;
    int failed = 0;
    const int wizardRuns = std::max(1, (runs + 1) / 2 + 1);
    for (int i = 0; i < wizardRuns; ++i) {
        const WizardRun run = InstallThroughWizard(dist);
        std::fprintf(stderr,
                     "wizard run %d: %s, %zu bar changes, longest gap %.1f ms (ending %.0f ms "
                     "after Finish), median step %.1f ms, slowest PBM_GETPOS reply %.1f ms, "
                     "install %.0f ms, peak working set %zu bytes; ticks: Finish %lu, longest "
                     "gap %lu-%lu\n",
                     i + 1, run.ok ? "success" : "FAILED", run.changes, run.longestGapMs,
                     run.longestGapEndMs, run.medianGapMs, run.slowestReplyMs, run.installMs,
                     static_cast<size_t>(run.peakWorkingSet), run.finishTick, run.gapStartTick,
                     run.gapEndTick);
        if (!run.ok) {
            ++failed;
            continue;
        }
        longest.push_back(run.longestGapMs);
        typical.push_back(run.medianGapMs);
        install.push_back(run.installMs);
        if (run.peakWorkingSet != 0)
            peaks.push_back(static_cast<double>(run.peakWorkingSet));
        worst = std::max(worst, run.longestGapMs);
    }
    Clean(dist);
    {
        const double gap = Median(longest);
        std::printf("responsiveness: %5.2fx  longest progress gap %.0f ms (worst %.0f ms) / "
                    "timer %.0f ms (step seen %.0f ms; medians of %zu runs, install %.0f ms), "
                    "goal: no gap over 100 ms  %s\n",
                    gap / kTimerMs, gap, worst, kTimerMs, Median(typical), longest.size(),
                    Median(install), Verdict(!longest.empty() && worst <= 100.0));
        if (failed != 0)
            std::fprintf(stderr, "%d wizard run(s) did not end with the success box\n", failed);
        if (peaks.empty())
            std::printf("footprint:      peak working set of Setup.exe: not available\n");
        else
            std::printf("footprint:      peak working set of Setup.exe %.1f MiB (median of %zu "
                        "runs)\n",
                        Median(peaks) / (1024.0 * 1024.0), peaks.size());
        std::fflush(stdout);
    }
    return 0;
}
