// The record of what the product's installs made: the queues, drivers, language monitor and
// staged INFs, so that the removal takes those and not a same-named object another tool added.
#pragma once

#include "engine/uninstall_rules.h"

#include <windows.h>

#include <string>

namespace engine {

// HKLM\SOFTWARE\Velmora\KorvaneReceiptPrinterDriver, 32-bit view, values Printers, Drivers,
// Monitors and StagedInfs (REG_MULTI_SZ) and OlderInstall (REG_DWORD 1). Not under the Apps &
// Features entry: deployment systems take that key's presence for an installed product, and the
// record is written as objects are made, before the entry exists and also by an install that then
// fails. The 32-bit view, as for the entry, so both builds share one record.
constexpr wchar_t kInstallRecordKeyPath[] = L"SOFTWARE\\Velmora\\KorvaneReceiptPrinterDriver";
constexpr wchar_t kInstallRecordParentPath[] = L"SOFTWARE\\Velmora";
constexpr REGSAM kInstallRecordView = KEY_WOW64_32KEY;

// Adds what an install made to the record. A record begun while the Apps & Features entry
// already exists is begun beside an install from before records were kept (olderInstall). Every
// registry call goes into the install log; false when the record could not be written.
bool RecordInstalledObjects(const InstallRecord& made);

// The objects of one kind, as their makers call it.
bool RecordQueue(const std::wstring& printerName, const std::wstring& driverName);
bool RecordAddedMonitor(const std::wstring& monitorName);
bool RecordStagedInf(const std::wstring& infFileName);

// The record; false when there is none (or it cannot be read).
bool ReadInstallRecord(InstallRecord& record);

// Deletes the record; true when it is gone (also when there was none). Otherwise the calling
// thread's last error is the registry's refusal.
bool RemoveInstallRecord();

} // namespace engine
