#include "controls/pixels.h"

#include <algorithm>
#include <vector>

namespace controls {

void PremultiplyBgra(std::uint8_t* pixels, std::size_t pixelCount) {
    for (std::size_t i = 0; i < pixelCount; ++i, pixels += 4) {
        const unsigned alpha = pixels[3];
        pixels[0] = static_cast<std::uint8_t>(pixels[0] * alpha / 255);
        pixels[1] = static_cast<std::uint8_t>(pixels[1] * alpha / 255);
        pixels[2] = static_cast<std::uint8_t>(pixels[2] * alpha / 255);
    }
}

namespace {

struct Share {
    int source; // source index
    std::uint64_t weight;
};

// For each target index, the source indices it covers and how much: target t covers
// [t * sourceSize, (t + 1) * sourceSize) and source s covers [s * targetSize, (s + 1) *
// targetSize) on a common scale, so the weights of one target sum to sourceSize.
std::vector<std::vector<Share>> Shares(int sourceSize, int targetSize) {
    std::vector<std::vector<Share>> shares(static_cast<std::size_t>(targetSize));
    for (int t = 0; t < targetSize; ++t) {
        const std::uint64_t begin = static_cast<std::uint64_t>(t) * sourceSize;
        const std::uint64_t end = begin + sourceSize;
        for (auto s = static_cast<int>(begin / targetSize);
             s < sourceSize && static_cast<std::uint64_t>(s) * targetSize < end; ++s) {
            const std::uint64_t from =
                std::max<std::uint64_t>(begin, std::uint64_t(s) * targetSize);
            const std::uint64_t to =
                std::min<std::uint64_t>(end, std::uint64_t(s + 1) * targetSize);
            if (to > from)
                shares[static_cast<std::size_t>(t)].push_back({s, to - from});
        }
    }
    return shares;
}

} // namespace

void ScaleBgraByArea(const std::uint8_t* source, int sourceWidth, int sourceHeight,
                     std::uint8_t* target, int targetWidth, int targetHeight) {
    const auto columns = Shares(sourceWidth, targetWidth);
    const auto rows = Shares(sourceHeight, targetHeight);
    const std::uint64_t total = static_cast<std::uint64_t>(sourceWidth) * sourceHeight;
    for (int ty = 0; ty < targetHeight; ++ty) {
        for (int tx = 0; tx < targetWidth; ++tx) {
            std::uint64_t sum[4] = {0, 0, 0, 0};
            for (const Share& row : rows[static_cast<std::size_t>(ty)]) {
                const std::uint8_t* line =
                    source + static_cast<std::size_t>(row.source) * sourceWidth * 4;
                for (const Share& column : columns[static_cast<std::size_t>(tx)]) {
                    const std::uint8_t* pixel = line + static_cast<std::size_t>(column.source) * 4;
                    const std::uint64_t weight = row.weight * column.weight;
                    for (int c = 0; c < 4; ++c)
                        sum[c] += pixel[c] * weight;
                }
            }
            std::uint8_t* out =
                target +
                (static_cast<std::size_t>(ty) * targetWidth + static_cast<std::size_t>(tx)) * 4;
            for (int c = 0; c < 4; ++c)
                out[c] = static_cast<std::uint8_t>((sum[c] + total / 2) / total);
        }
    }
}

} // namespace controls
