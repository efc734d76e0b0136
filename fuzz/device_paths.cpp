// Names derived from what the system reports: device paths, friendly names, instance IDs.
#include "discovery/device_paths.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const int osClass = data[0] % 5;
    const std::vector<std::wstring> parts = fuzz::SplitAll(fuzz::Utf16(data + 1, size - 1), L'\0');
    const std::wstring& text = parts[0];
    const std::wstring other = parts.size() > 1 ? parts[1] : L"LPT1";
    discovery::RegistryFormOfDevicePath(text, osClass);
    discovery::UsbPortNumberKeyName(text, osClass);
    const std::wstring port = discovery::PortNameOfFriendlyName(text);
    discovery::FriendlyNameNamesPort(text, other);
    discovery::FriendlyNameNamesPort(text, port);
    discovery::DeviceNameOfInstanceId(text, other);
    discovery::DeviceFileName(port);
    discovery::OsClassOf(data[0], data[0] >> 4, data[0] & 1);
    return 0;
}
