// PNG files into pixels: the chunks, the zlib stream and the row filters.
#include "controls/png_decode.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    controls::PngPixels image;
    if (!controls::DecodePng(data, size, image))
        return 0;
    // A decoded picture has its size and four bytes a pixel, and an opaque one no other alpha.
    if (image.width <= 0 || image.height <= 0 ||
        image.bgra.size() != static_cast<std::size_t>(image.width) * image.height * 4)
        __builtin_trap();
    if (!image.hasAlpha)
        for (std::size_t i = 3; i < image.bgra.size(); i += 4)
            if (image.bgra[i] != 0xFF)
                __builtin_trap();
    return 0;
}
