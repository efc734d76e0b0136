// IEEE 1284 device IDs as printers return them: the ID bytes of an answer and its fields. No
// Windows calls.
#pragma once

#include <cstddef>
#include <string>

namespace discovery {

// Size of the buffer a printer's ID is requested into.
constexpr std::size_t kDeviceIdBufferBytes = 512;

// The text bytes of a USB printer's answer: the bytes after its two-byte length field, up to the
// number of bytes received but never past `capacity`, ending at the first NUL. The length field's
// value is not relied on: devices disagree on whether it counts its own two bytes, and it may claim
// more than was sent.
std::string UsbDeviceIdBytes(const unsigned char* answer, std::size_t capacity,
                             std::size_t received);

// The text bytes of a parallel port's answer, which has no length field: the bytes received (never
// more than `capacity`), ending at the first NUL.
std::string ParallelDeviceIdBytes(const unsigned char* answer, std::size_t capacity,
                                  std::size_t received);

// The value of `key` ("MFG:", "MDL:") where it first occurs in the ID text: the characters after
// the key up to the next ';', without leading white space. Empty when the key is missing, has no
// ';' after it or an empty value. Keys are compared case-sensitively.
std::wstring GetDeviceIdField(const std::wstring& id, const std::wstring& key);

// The model a device ID reports: its "MDL:" value, or empty when the ID names no manufacturer
// ("MFG:" missing or empty).
std::wstring ModelOfDeviceId(const std::wstring& id);

// Copies `text` into a buffer of `capacity` characters, cut to capacity - 1 characters and
// NUL-terminated. False, and nothing written, when the buffer has no room at all.
bool CopyToBuffer(const std::wstring& text, wchar_t* buffer, std::size_t capacity);

} // namespace discovery
