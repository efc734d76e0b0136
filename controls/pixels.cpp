#include "controls/pixels.h"

namespace controls {

void PremultiplyBgra(std::uint8_t* pixels, std::size_t pixelCount) {
    for (std::size_t i = 0; i < pixelCount; ++i, pixels += 4) {
        const unsigned alpha = pixels[3];
        pixels[0] = static_cast<std::uint8_t>(pixels[0] * alpha / 255);
        pixels[1] = static_cast<std::uint8_t>(pixels[1] * alpha / 255);
        pixels[2] = static_cast<std::uint8_t>(pixels[2] * alpha / 255);
    }
}

} // namespace controls
