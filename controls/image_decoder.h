// Decoding of image files (PNG) held in memory into 32-bit DIB sections, through GDI+.
#pragma once

#include "win/gdi.h"

#include <cstdint>

namespace controls {

struct DecodedImage {
    win::Bitmap bitmap;             // 32 bits per pixel, top-down, straight (not premultiplied)
    std::uint8_t* pixels = nullptr; // the bitmap's BGRA bits, valid while the bitmap lives
    int width = 0;
    int height = 0;
    bool hasAlpha = false; // the file's pixel format carries alpha
};

// False when GDI+ is unavailable or the bytes are no image it can decode.
bool DecodeImage(const void* bytes, std::size_t size, DecodedImage& out);

// Loads and starts GDI+ now, so that the first decode does not pay for it. Safe on any thread and
// at the same time as a decode: the start happens once.
void StartImageDecoder();

} // namespace controls
