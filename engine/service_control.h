// The two services the installer touches: the Program Compatibility Assistant ("PcaSvc"), stopped
// while the installer runs, and the print spooler ("Spooler"), started at start-up and restarted
// when the language monitor must be replaced. Every wait for a service's state is bounded
// (engine/service_api.h).
#pragma once

#include <windows.h>

namespace engine {

constexpr wchar_t kPcaServiceName[] = L"PcaSvc";
constexpr wchar_t kSpoolerServiceName[] = L"Spooler";

// The start-up thread (win::StartThread): stops "PcaSvc" and makes sure "Spooler" runs, logging
// "开启服务失败" when it cannot be started. The parameter is not used; returns 0.
unsigned __stdcall ServiceStartupThread(void* parameter);

// The program's last step, however the wizard ended: waits for the start-up thread (at most
// StartupThreadWaitMs), so that a "PcaSvc" it is still stopping is not left behind, then starts
// "PcaSvc" when it is stopped. `startupThread` may be null (the thread did not start).
void RestorePcaService(HANDLE startupThread);

// How long RestorePcaService waits for the start-up thread: its two bounded service waits and a
// margin.
DWORD StartupThreadWaitMs();

// Stops "PcaSvc" when it runs and waits until it has stopped. Takes over `manager` (opened with
// GENERIC_EXECUTE) and closes it. True when the service was stopped by this call. Silent.
bool StopPcaService(SC_HANDLE manager);

// Starts "PcaSvc" when it is stopped and waits until it runs; the mirror of StopPcaService.
bool StartPcaService(SC_HANDLE manager);

// Asks the service to stop, without waiting for it to finish. True when it is stopped or was
// asked to stop; false, with a log record naming the refused call, otherwise.
bool StopServiceByName(const wchar_t* name);

// Starts the service when it is stopped and waits for it to run (bounded). True unless opening
// or starting it is refused, which is logged.
bool StartServiceByName(const wchar_t* name);

// Makes sure "Spooler" runs before the first spooler call of a run: starts it when it is stopped
// and waits (bounded) until it runs; one on its way is waited for. On Windows every spooler call
// made while the service is stopped fails ("RPC server unavailable"). False when it is refused
// (the refused call is logged) or does not run in time; the caller ends its run with
// kSpoolerDownText.
bool MakeSpoolerRun();
constexpr wchar_t kSpoolerDownText[] = L"后台打印程序服务（Spooler）没有运行，也未能启动";

// Stops "Spooler", waits until it has stopped, starts it and waits until it runs (each wait
// bounded). False, with "关闭服务失败" or "开启服务失败" logged, when a step is refused or the
// spooler does not reach its state in time: the spooler is then not known to run.
bool RestartSpooler();

} // namespace engine
