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

// Where a decoded picture goes: given its size, whether it has alpha and how many bytes the
// decoder needs (`bytes`, at least width * height * 4), the caller's buffer of at least that
// many bytes, or nullptr to give up. The decoder works in that buffer alone: the picture ends up
// in its first width * height * 4 bytes as top-down BGRA pixels; what follows is left undefined.
using PngTarget =
    std::function<std::uint8_t*(int width, int height, bool hasAlpha, std::size_t bytes)>;

bool DecodePng(const void* bytes, std::size_t size, const PngTarget& target);

} // namespace controls
