// Pixel rules of the picture control. No Windows calls.
#pragma once

#include <cstddef>
#include <cstdint>

namespace controls {

// Premultiplies 32-bit BGRA pixels in place: blue, green and red each become value * alpha / 255
// (truncating); alpha is unchanged. Done once per loaded image, never per paint.
void PremultiplyBgra(std::uint8_t* pixels, std::size_t pixelCount);

} // namespace controls
