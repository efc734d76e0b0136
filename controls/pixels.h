// Pixel rules of the picture control. No Windows calls.
#pragma once

#include <cstddef>
#include <cstdint>

namespace controls {

// Premultiplies 32-bit BGRA pixels in place: blue, green and red each become value * alpha / 255
// (truncating); alpha is unchanged. Done once per loaded image, never per paint.
void PremultiplyBgra(std::uint8_t* pixels, std::size_t pixelCount);

// Resamples premultiplied 32-bit BGRA pixels (rows of `width` pixels, no padding) to another size
// by area: each target pixel is the average of the source area it covers, partly covered source
// pixels weighted by their share, rounded to nearest. A stroke narrower than the scale factor
// thins into a lighter line instead of vanishing between two sampled pixels. Both sizes at least
// 1 x 1; `target` holds targetWidth * targetHeight pixels.
void ScaleBgraByArea(const std::uint8_t* source, int sourceWidth, int sourceHeight,
                     std::uint8_t* target, int targetWidth, int targetHeight);

} // namespace controls
