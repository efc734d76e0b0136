// Decoding of image files held in memory into 32-bit DIB sections: PNGs of 8 bits per sample by
// our own decoder, anything else through GDI+, which is loaded only then.
#pragma once

#include "win/gdi.h"

#include <cstdint>

namespace controls {

struct DecodedImage {
    // 32 bits per pixel, top-down, straight (not premultiplied); the picture is its first
    // `height` rows: the bitmap may have a few more below.
    win::Bitmap bitmap;
    std::uint8_t* pixels = nullptr; // the bitmap's BGRA bits, valid while the bitmap lives
    int width = 0;
    int height = 0;
    bool hasAlpha = false; // the file's pixel format carries alpha
};

// False when the bytes are no image DecodePng or GDI+ (when available) can decode.
bool DecodeImage(const void* bytes, std::size_t size, DecodedImage& out);

// The same through GDI+ alone; false when GDI+ is unavailable or cannot decode the bytes.
bool DecodeImageWithGdiplus(const void* bytes, std::size_t size, DecodedImage& out);

} // namespace controls
