// Decoding of the PNG files the installer ships (8 bits per sample, not interlaced) without any
// system library: a zlib inflater and the PNG row filters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace controls {

struct PngPixels {
    int width = 0;
    int height = 0;
    bool hasAlpha = false;          // the file's colour type carries alpha (grey+alpha, RGBA)
    std::vector<std::uint8_t> bgra; // top-down rows, 4 bytes per pixel, straight alpha
};

// Decodes grey, grey+alpha, RGB and RGBA images of 8 bits per sample, not interlaced, with no
// chunk that would change the colours (gamma, chromaticities, ICC profile, transparency key).
// False for anything else and for damaged or truncated data; `out` is then unspecified.
bool DecodePng(const void* bytes, std::size_t size, PngPixels& out);

// Where a decoded picture goes: given its size and whether it has alpha, the caller's buffer of
// width * height top-down BGRA pixels, or nullptr to give up.
using PngTarget = std::function<std::uint8_t*(int width, int height, bool hasAlpha)>;

// The same, the pixels written straight into the caller's buffer (a DIB section's bits, say).
bool DecodePng(const void* bytes, std::size_t size, const PngTarget& target);

} // namespace controls
