// The installer's own PNG decoder: colour types and row filters against pictures made here, a
// fixed-code zlib stream, and the files it must refuse (left to GDI+) or cannot read.
#include "controls/png_decode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using controls::DecodePng;
using controls::PngPixels;

namespace {

using Bytes = std::string;

void Put32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

std::uint32_t Crc32(const Bytes& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

Bytes Chunk(const char* type, const Bytes& body) {
    Bytes out;
    Put32(out, static_cast<std::uint32_t>(body.size()));
    const Bytes typed = type + body;
    out += typed;
    Put32(out, Crc32(typed));
    return out;
}

// A zlib stream of stored (uncompressed) blocks.
Bytes StoredZlib(const Bytes& raw) {
    Bytes out = "\x78\x01";
    std::size_t at = 0;
    do {
        const std::size_t length = std::min<std::size_t>(raw.size() - at, 65535);
        out += static_cast<char>(at + length == raw.size() ? 1 : 0);
        out += static_cast<char>(length & 0xFF);
        out += static_cast<char>(length >> 8);
        out += static_cast<char>(~length & 0xFF);
        out += static_cast<char>((~length >> 8) & 0xFF);
        out += raw.substr(at, length);
        at += length;
    } while (at < raw.size());
    std::uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    Put32(out, b << 16 | a);
    return out;
}

struct Header {
    std::uint32_t width, height;
    int depth, colour, interlace;
};

Bytes Png(const Header& h, const Bytes& zlib, const Bytes& beforeData = Bytes()) {
    Bytes ihdr;
    Put32(ihdr, h.width);
    Put32(ihdr, h.height);
    ihdr += static_cast<char>(h.depth);
    ihdr += static_cast<char>(h.colour);
    ihdr += '\0';
    ihdr += '\0';
    ihdr += static_cast<char>(h.interlace);
    return Bytes("\x89PNG\r\n\x1A\n", 8) + Chunk("IHDR", ihdr) + beforeData + Chunk("IDAT", zlib) +
           Chunk("IEND", Bytes());
}

int PaethOf(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// The rows filtered with `filter` (0 to 4) as an encoder would.
Bytes Filtered(const std::vector<Bytes>& rows, int filter, int pixelBytes) {
    Bytes out;
    for (std::size_t y = 0; y < rows.size(); ++y) {
        out += static_cast<char>(filter);
        for (std::size_t x = 0; x < rows[y].size(); ++x) {
            const int value = static_cast<unsigned char>(rows[y][x]);
            const int a = x >= static_cast<std::size_t>(pixelBytes)
                              ? static_cast<unsigned char>(rows[y][x - pixelBytes])
                              : 0;
            const int b = y > 0 ? static_cast<unsigned char>(rows[y - 1][x]) : 0;
            const int c = y > 0 && x >= static_cast<std::size_t>(pixelBytes)
                              ? static_cast<unsigned char>(rows[y - 1][x - pixelBytes])
                              : 0;
            const int predicted[] = {0, a, b, (a + b) / 2, PaethOf(a, b, c)};
            out += static_cast<char>((value - predicted[filter]) & 0xFF);
        }
    }
    return out;
}

// Rows of `width` pixels of `channels` samples whose values vary in both directions.
std::vector<Bytes> Samples(int width, int height, int channels) {
    std::vector<Bytes> rows;
    for (int y = 0; y < height; ++y) {
        Bytes row;
        for (int x = 0; x < width * channels; ++x)
            row += static_cast<char>((x * 37 + y * 91 + (x * y) % 13) & 0xFF);
        rows.push_back(row);
    }
    return rows;
}

} // namespace

TEST(PngDecode, EveryColourTypeAndRowFilter) {
    struct Case {
        int colour, channels;
        bool alpha;
    } cases[] = {{0, 1, false}, {2, 3, false}, {4, 2, true}, {6, 4, true}};
    // A picture one pixel wide has the most row filter bytes for its pixels: the decoder turns
    // the rows into pixels in the same buffer.
    const struct { std::uint32_t width, height; } sizes[] = {{5, 4}, {1, 9}};
    for (const auto& size : sizes)
        for (const Case& c : cases) {
            for (int filter = 0; filter <= 4; ++filter) {
                SCOPED_TRACE("colour type " + std::to_string(c.colour) + ", filter " +
                             std::to_string(filter) + ", " + std::to_string(size.width) + " x " +
                             std::to_string(size.height));
                const int width = static_cast<int>(size.width);
                const int height = static_cast<int>(size.height);
                const std::vector<Bytes> rows = Samples(width, height, c.channels);
                const Bytes file = Png({size.width, size.height, 8, c.colour, 0},
                                       StoredZlib(Filtered(rows, filter, c.channels)));
                PngPixels image;
                ASSERT_TRUE(DecodePng(file.data(), file.size(), image));
                EXPECT_EQ(width, image.width);
                EXPECT_EQ(height, image.height);
                EXPECT_EQ(c.alpha, image.hasAlpha);
                ASSERT_EQ(static_cast<std::size_t>(width * height * 4), image.bgra.size());
                for (int y = 0; y < height; ++y) {
                    for (int x = 0; x < width; ++x) {
                        auto sample = [&](int i) {
                            return static_cast<unsigned char>(rows[y][x * c.channels + i]);
                        };
                        const unsigned char* pixel = &image.bgra[(y * width + x) * 4];
                        const bool grey = c.channels <= 2;
                        EXPECT_EQ(grey ? sample(0) : sample(2), pixel[0]) << x << "," << y;
                        EXPECT_EQ(grey ? sample(0) : sample(1), pixel[1]) << x << "," << y;
                        EXPECT_EQ(sample(0), pixel[2]) << x << "," << y;
                        const int alpha = c.channels == 2   ? sample(1)
                                          : c.channels == 4 ? sample(3)
                                                            : 255;
                        EXPECT_EQ(alpha, pixel[3]) << x << "," << y;
                    }
                }
            }
        }
}

TEST(PngDecode, FixedHuffmanStreamAndLongImageOverSeveralStoredBlocks) {
    // zlib's level 1 for two grey rows of 3 pixels (10 20 30 / 40 50 60): one fixed-code block.
    const Bytes fixed("\x78\x01\x63\xe0\x12\x91\x63\xd0\x30\xb2\x01\x00\x02\x74\x00\xd3", 16);
    const Bytes file = Png({3, 2, 8, 0, 0}, fixed);
    PngPixels image;
    ASSERT_TRUE(DecodePng(file.data(), file.size(), image));
    const unsigned char expected[] = {10, 20, 30, 40, 50, 60};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(expected[i], image.bgra[i * 4 + 1]) << i;

    // 200 x 120 RGBA: 96 120 bytes of rows, two stored blocks.
    const std::vector<Bytes> rows = Samples(200, 120, 4);
    const Bytes big = Png({200, 120, 8, 6, 0}, StoredZlib(Filtered(rows, 4, 4)));
    ASSERT_TRUE(DecodePng(big.data(), big.size(), image));
    EXPECT_EQ(static_cast<unsigned char>(rows[119][199 * 4 + 3]), image.bgra.back());
}

TEST(PngDecode, RefusesWhatItDoesNotTakeAndDamagedFiles) {
    const std::vector<Bytes> rows = Samples(3, 2, 4);
    const Bytes data = StoredZlib(Filtered(rows, 0, 4));
    const Header rgba{3, 2, 8, 6, 0};
    const Bytes good = Png(rgba, data);
    Bytes badFilter = Filtered(rows, 0, 4);
    badFilter[0] = 5;
    Bytes shortData = Filtered(rows, 0, 4);
    shortData.pop_back();
    Bytes badZlib = data;
    badZlib[1] = 0x02; // header check fails
    Bytes bigLength = good;
    bigLength[8 + 25 + 3] = '\x7F'; // IDAT length past the end of the file
    const struct {
        const char* what;
        Bytes file;
    } cases[] = {
        {"no signature", good.substr(1)},
        {"truncated", good.substr(0, good.size() - 20)},
        {"no IEND", good.substr(0, good.size() - 12)},
        {"interlaced", Png({3, 2, 8, 6, 1}, data)},
        {"16 bits per sample", Png({3, 2, 16, 6, 0}, data)},
        {"palette", Png({3, 2, 8, 3, 0}, data)},
        {"zero width", Png({0, 2, 8, 6, 0}, data)},
        {"huge", Png({70000, 70000, 8, 6, 0}, data)},
        {"gamma chunk", Png(rgba, data, Chunk("gAMA", Bytes("\0\0\xB1\x8F", 4)))},
        {"transparency key", Png(rgba, data, Chunk("tRNS", Bytes(6, '\0')))},
        {"unknown critical chunk", Png(rgba, data, Chunk("ABCD", Bytes()))},
        {"filter type 5", Png(rgba, StoredZlib(badFilter))},
        {"one byte short", Png(rgba, StoredZlib(shortData))},
        {"one byte over", Png(rgba, StoredZlib(Filtered(rows, 0, 4) + "x"))},
        {"bad zlib header", Png(rgba, badZlib)},
        {"reserved block type", Png(rgba, Bytes("\x78\x01\x07\x00", 4))},
        {"chunk past the end", bigLength},
    };
    PngPixels image;
    ASSERT_TRUE(DecodePng(good.data(), good.size(), image));
    // An unknown ancillary chunk is skipped.
    const Bytes withText = Png(rgba, data, Chunk("tEXt", "Comment\0x"));
    EXPECT_TRUE(DecodePng(withText.data(), withText.size(), image));
    for (const auto& c : cases)
        EXPECT_FALSE(DecodePng(c.file.data(), c.file.size(), image)) << c.what;
    // Every truncation of a compressed stream fails cleanly.
    const Bytes compressed("\x78\xda\x63\xe4\x62\x65\x65\x62\x64\x62\x06\x00\x00\x9f\x00\x1e", 16);
    for (std::size_t cut = 0; cut + 4 < compressed.size(); ++cut) {
        const Bytes file = Png({3, 2, 8, 0, 0}, compressed.substr(0, cut));
        EXPECT_FALSE(DecodePng(file.data(), file.size(), image)) << "cut at " << cut;
    }
}
