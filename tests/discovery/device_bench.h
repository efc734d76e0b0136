// Devices made present for the setup library through the registry alone, as Plug and Play would
// have recorded them: USB printing interfaces, port devices and parallel port interfaces. Every
// key the bench adds is removed when it goes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace discovery_testing {

class DeviceBench {
public:
    DeviceBench() = default;
    ~DeviceBench();
    DeviceBench(const DeviceBench&) = delete;
    DeviceBench& operator=(const DeviceBench&) = delete;

    // A present USB printing interface of the device with the instance ID (such as
    // "USB\VID_D23C&PID_0001\KV0001"), with a "Port Number" when portNumber is not negative.
    // Returns the device path the setup library reports for it.
    std::wstring AddUsbPrinter(const std::wstring& instanceId, long long portNumber);

    // A present device of the setup class "Ports" (such as "ACPI\PNP0401\KV1"); without a
    // friendly name when friendlyName is nullptr.
    void AddPort(const std::wstring& instanceId, const wchar_t* friendlyName);

    // A present parallel port interface of a device added with AddPort.
    void AddParallelInterface(const std::wstring& instanceId);

private:
    std::wstring AddInterface(const std::wstring& classGuid, const std::wstring& instanceId);
    // Creates the key (and any missing parents) in the 64-bit view and remembers the outermost
    // key it made.
    void CreateKey(const std::wstring& path);
    void SetValue(const std::wstring& key, const wchar_t* name, DWORD type, const void* data,
                  DWORD size);
    void SetString(const std::wstring& key, const wchar_t* name, const std::wstring& value);
    void SetDword(const std::wstring& key, const wchar_t* name, DWORD value);

    std::vector<std::wstring> m_created;
};

// Device paths of the present interfaces of a class, in the setup library's order.
std::vector<std::wstring> PresentInterfacePaths(const GUID& interfaceClass);

// Friendly names of the present "Ports" devices, in the setup library's order.
std::vector<std::wstring> PresentPortNames();

} // namespace discovery_testing
