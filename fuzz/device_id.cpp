// A printer's IEEE 1284 answer, as USB or parallel bytes, down to the model the wizard shows.
#include "discovery/device_id.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    // The first byte says how many bytes the "device" claims to have sent.
    const std::size_t received = data[0] * 4u;
    // An exactly sized heap copy, so any read past the answer is caught.
    std::vector<unsigned char> answer(data + 1, data + size);
    const std::size_t capacity = answer.size();
    for (const std::string& bytes :
         {discovery::UsbDeviceIdBytes(answer.data(), capacity, received),
          discovery::ParallelDeviceIdBytes(answer.data(), capacity, received)}) {
        if (bytes.size() > capacity || std::memchr(bytes.data(), 0, bytes.size()) != nullptr)
            __builtin_trap();
        // As Windows widens ANSI bytes: one code unit per byte is the worst case.
        std::wstring id(bytes.begin(), bytes.end());
        const std::wstring model = discovery::ModelOfDeviceId(id);
        discovery::GetDeviceIdField(id, L"MFG:");
        discovery::GetDeviceIdField(id, L"");
        wchar_t buffer[260];
        buffer[259] = L'x';
        discovery::CopyToBuffer(model, buffer, 259);
        if (buffer[259] != L'x')
            __builtin_trap(); // never past the capacity given
    }
    return 0;
}
