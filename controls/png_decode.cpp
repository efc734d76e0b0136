#include "controls/png_decode.h"

#include <array>
#include <cstring>
#include <string>

namespace controls {

namespace {

// The largest picture decoded: far beyond any artwork, small enough for any allocation.
constexpr std::size_t kMaxPixels = 16u * 1024u * 1024u;

class BitReader {
public:
    BitReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    // The next `count` bits (0 to 16), least significant first; 0 past the end (then Failed()).
    unsigned Take(int count) {
        std::uint32_t value = m_buffer;
        while (m_count < count) {
            if (m_position >= m_size) {
                m_failed = true;
                return 0;
            }
            value |= static_cast<std::uint32_t>(m_data[m_position++]) << m_count;
            m_count += 8;
        }
        m_buffer = count == 32 ? 0 : value >> count;
        m_count -= count;
        return static_cast<unsigned>(value & ((1u << count) - 1u));
    }

    // Up to `count` (at most 16) next bits without taking them, zeros past the end; `available`
    // tells how many of them are real.
    unsigned Peek(int count, int& available) {
        while (m_count < count && m_position < m_size) {
            m_buffer |= static_cast<std::uint32_t>(m_data[m_position++]) << m_count;
            m_count += 8;
        }
        available = m_count;
        return static_cast<unsigned>(m_buffer & ((1u << count) - 1u));
    }

    // Drops the bits left of the current byte: stored blocks start on a byte boundary.
    void AlignToByte() {
        m_buffer = 0;
        m_count = 0;
    }

    bool TakeBytes(std::size_t count, std::uint8_t* out) {
        if (m_size - m_position < count) {
            m_failed = true;
            return false;
        }
        std::memcpy(out, m_data + m_position, count);
        m_position += count;
        return true;
    }

    bool Failed() const { return m_failed; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_position = 0;
    std::uint32_t m_buffer = 0;
    int m_count = 0;
    bool m_failed = false;
};

constexpr int kFastBits = 9;

// A canonical Huffman code: how many codes of each length and the symbols in code order, and a
// table of the codes up to kFastBits long indexed by the next bits of the stream (symbol << 4 |
// length; 0 where a longer code starts).
struct Huffman {
    std::array<std::uint16_t, 16> count{};
    std::array<std::uint16_t, 320> symbol{};
    std::array<std::uint16_t, 1u << kFastBits> fast{};
};

// False for an over-subscribed set of lengths (an incomplete one is allowed, as zlib does for
// a single distance code).
bool Build(Huffman& code, const std::uint8_t* lengths, int symbols) {
    code.count.fill(0);
    for (int s = 0; s < symbols; ++s)
        ++code.count[lengths[s]];
    int left = 1;
    for (int length = 1; length < 16; ++length) {
        left = left * 2 - code.count[length];
        if (left < 0)
            return false;
    }
    std::array<std::uint16_t, 16> offset{};
    for (int length = 1; length < 15; ++length)
        offset[length + 1] = static_cast<std::uint16_t>(offset[length] + code.count[length]);
    for (int s = 0; s < symbols; ++s)
        if (lengths[s] != 0)
            code.symbol[offset[lengths[s]]++] = static_cast<std::uint16_t>(s);
    // The short codes, bit-reversed as the stream holds them, in every table slot they start.
    code.fast.fill(0);
    unsigned next = 0;
    int index = 0;
    for (int length = 1; length <= kFastBits; ++length) {
        for (int i = 0; i < code.count[length]; ++i, ++next, ++index) {
            unsigned reversed = 0;
            for (int bit = 0; bit < length; ++bit)
                reversed |= ((next >> bit) & 1u) << (length - 1 - bit);
            const auto entry = static_cast<std::uint16_t>(code.symbol[index] << 4 | length);
            for (unsigned slot = reversed; slot < (1u << kFastBits); slot += 1u << length)
                code.fast[slot] = entry;
        }
        next <<= 1;
    }
    return true;
}

// The next symbol, or -1 for a code that is not in the table.
int Decode(BitReader& bits, const Huffman& code) {
    int available = 0;
    const std::uint16_t entry = code.fast[bits.Peek(kFastBits, available)];
    if (entry != 0 && (entry & 15) <= available) {
        bits.Take(entry & 15);
        return entry >> 4;
    }
    int value = 0, first = 0, index = 0;
    for (int length = 1; length < 16; ++length) {
        value |= static_cast<int>(bits.Take(1));
        const int count = code.count[length];
        if (value - count < first)
            return code.symbol[static_cast<std::size_t>(index + (value - first))];
        index += count;
        first = (first + count) << 1;
        value <<= 1;
        if (bits.Failed())
            return -1;
    }
    return -1;
}

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                           15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                           67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// One compressed block's symbols into out[used...], which never grows past `limit` bytes.
bool InflateCodes(BitReader& bits, const Huffman& lengths, const Huffman& distances,
                  std::uint8_t* out, std::size_t& used, std::size_t limit) {
    for (;;) {
        const int symbol = Decode(bits, lengths);
        if (symbol < 0 || bits.Failed())
            return false;
        if (symbol < 256) {
            if (used >= limit)
                return false;
            out[used++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        if (symbol == 256)
            return true;
        const int l = symbol - 257;
        if (l >= 29)
            return false;
        const std::size_t length = kLengthBase[l] + bits.Take(kLengthExtra[l]);
        const int d = Decode(bits, distances);
        if (d < 0 || d >= 30 || bits.Failed())
            return false;
        const std::size_t distance = kDistanceBase[d] + bits.Take(kDistanceExtra[d]);
        if (bits.Failed() || distance > used || length > limit - used)
            return false;
        // Byte by byte: a copy may overlap what it writes.
        const std::uint8_t* from = out + used - distance;
        std::uint8_t* to = out + used;
        for (std::size_t i = 0; i < length; ++i)
            to[i] = from[i];
        used += length;
    }
}

bool FixedCodes(Huffman& lengths, Huffman& distances) {
    std::uint8_t sizes[288];
    std::memset(sizes, 8, 144);
    std::memset(sizes + 144, 9, 112);
    std::memset(sizes + 256, 7, 24);
    std::memset(sizes + 280, 8, 8);
    std::uint8_t distanceSizes[30];
    std::memset(distanceSizes, 5, 30);
    return Build(lengths, sizes, 288) && Build(distances, distanceSizes, 30);
}

bool DynamicCodes(BitReader& bits, Huffman& lengths, Huffman& distances) {
    static constexpr std::uint8_t kOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                11, 4,  12, 3, 13, 2, 14, 1, 15};
    const int lengthCount = static_cast<int>(bits.Take(5)) + 257;
    const int distanceCount = static_cast<int>(bits.Take(5)) + 1;
    const int codeCount = static_cast<int>(bits.Take(4)) + 4;
    if (bits.Failed() || lengthCount > 286 || distanceCount > 30)
        return false;
    std::uint8_t sizes[320] = {};
    for (int i = 0; i < codeCount; ++i)
        sizes[kOrder[i]] = static_cast<std::uint8_t>(bits.Take(3));
    Huffman codeLengths;
    if (bits.Failed() || !Build(codeLengths, sizes, 19))
        return false;
    std::memset(sizes, 0, sizeof(sizes));
    for (int i = 0; i < lengthCount + distanceCount;) {
        const int symbol = Decode(bits, codeLengths);
        if (symbol < 0 || bits.Failed())
            return false;
        if (symbol < 16) {
            sizes[i++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        std::uint8_t repeated = 0;
        int times = 0;
        if (symbol == 16) {
            if (i == 0)
                return false;
            repeated = sizes[i - 1];
            times = 3 + static_cast<int>(bits.Take(2));
        } else if (symbol == 17) {
            times = 3 + static_cast<int>(bits.Take(3));
        } else {
            times = 11 + static_cast<int>(bits.Take(7));
        }
        if (bits.Failed() || i + times > lengthCount + distanceCount)
            return false;
        while (times-- > 0)
            sizes[i++] = repeated;
    }
    // A block must be able to end.
    if (sizes[256] == 0)
        return false;
    return Build(lengths, sizes, lengthCount) &&
           Build(distances, sizes + lengthCount, distanceCount);
}

// A zlib stream (RFC 1950 around RFC 1951) into `out`, which must come out `expected` bytes long.
bool Inflate(const std::uint8_t* data, std::size_t size, std::size_t expected, std::uint8_t* out) {
    if (size < 2 || (data[0] & 0x0F) != 8 || (data[0] >> 4) > 7 ||
        ((data[0] << 8) | data[1]) % 31 != 0 || (data[1] & 0x20) != 0)
        return false;
    BitReader bits(data + 2, size - 2);
    std::size_t used = 0;
    bool last = false;
    while (!last) {
        last = bits.Take(1) != 0;
        const unsigned type = bits.Take(2);
        if (bits.Failed())
            return false;
        if (type == 0) {
            bits.AlignToByte();
            const unsigned length = bits.Take(16);
            const unsigned complement = bits.Take(16);
            if (bits.Failed() || (length ^ 0xFFFFu) != complement || length > expected - used ||
                !bits.TakeBytes(length, out + used))
                return false;
            used += length;
        } else if (type == 1 || type == 2) {
            Huffman lengths, distances;
            if (!(type == 1 ? FixedCodes(lengths, distances)
                            : DynamicCodes(bits, lengths, distances)) ||
                !InflateCodes(bits, lengths, distances, out, used, expected))
                return false;
        } else {
            return false;
        }
    }
    return used == expected;
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

int Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = p > a ? p - a : a - p;
    const int pb = p > b ? p - b : b - p;
    const int pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

// Undoes the row filters in place; `rows` holds each row's filter byte and its samples.
bool Unfilter(std::uint8_t* rows, std::size_t rowBytes, std::size_t height,
              std::size_t pixelBytes) {
    const std::vector<std::uint8_t> zeros(rowBytes, 0);
    for (std::size_t y = 0; y < height; ++y) {
        std::uint8_t* row = &rows[y * (rowBytes + 1)];
        std::uint8_t* line = row + 1;
        // The row above the first is all zeros.
        const std::uint8_t* above = y > 0 ? line - (rowBytes + 1) : zeros.data();
        const std::size_t p = pixelBytes;
        switch (row[0]) {
        case 0:
            break;
        case 1:
            for (std::size_t x = p; x < rowBytes; ++x)
                line[x] = static_cast<std::uint8_t>(line[x] + line[x - p]);
            break;
        case 2:
            for (std::size_t x = 0; x < rowBytes; ++x)
                line[x] = static_cast<std::uint8_t>(line[x] + above[x]);
            break;
        case 3:
            for (std::size_t x = 0; x < rowBytes; ++x) {
                const int left = x >= p ? line[x - p] : 0;
                line[x] = static_cast<std::uint8_t>(line[x] + (left + above[x]) / 2);
            }
            break;
        case 4:
            for (std::size_t x = 0; x < rowBytes; ++x) {
                const int left = x >= p ? line[x - p] : 0;
                const int corner = x >= p ? above[x - p] : 0;
                line[x] = static_cast<std::uint8_t>(line[x] + Paeth(left, above[x], corner));
            }
            break;
        default:
            return false;
        }
    }
    return true;
}

} // namespace

bool DecodePng(const void* bytes, std::size_t size, const PngTarget& target) {
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    if (data == nullptr || size < 8 || std::memcmp(data, kSignature, 8) != 0)
        return false;
    std::uint32_t width = 0, height = 0;
    int channels = 0;
    bool header = false, ended = false;
    std::vector<std::uint8_t> compressed;
    for (std::size_t at = 8; at + 12 <= size && !ended;) {
        const std::uint32_t length = BigEndian32(data + at);
        if (length > size - at - 12)
            return false;
        const std::string type(reinterpret_cast<const char*>(data + at + 4), 4);
        const std::uint8_t* body = data + at + 8;
        if (type == "IHDR") {
            if (header || length != 13)
                return false;
            width = BigEndian32(body);
            height = BigEndian32(body + 4);
            const int depth = body[8], colour = body[9];
            // Compression and filter method 0, no interlacing.
            if (depth != 8 || body[10] != 0 || body[11] != 0 || body[12] != 0)
                return false;
            channels = colour == 0 ? 1 : colour == 2 ? 3 : colour == 4 ? 2 : colour == 6 ? 4 : 0;
            if (channels == 0)
                return false;
            header = true;
        } else if (!header) {
            return false;
        } else if (type == "IDAT") {
            compressed.insert(compressed.end(), body, body + length);
        } else if (type == "IEND") {
            ended = true;
        } else if (type == "gAMA" || type == "cHRM" || type == "iCCP" || type == "sRGB" ||
                   type == "sBIT" || type == "tRNS" || type == "PLTE") {
            // Colour management and transparency keys are left to the system's decoder.
            return false;
        } else if ((type[0] & 0x20) == 0) {
            return false; // a critical chunk of no known kind
        }
        at += 12 + static_cast<std::size_t>(length);
    }
    if (!header || !ended || width == 0 || height == 0 ||
        static_cast<std::uint64_t>(width) * height > kMaxPixels)
        return false;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * channels;
    // Deflate gives at most 258 bytes for two bits: data too short for the picture is refused
    // before its buffer is asked for.
    const std::size_t rowsSize = (rowBytes + 1) * height;
    if (rowsSize > compressed.size() * 1032 + 1032)
        return false;
    // One buffer serves for all: the filtered rows (a filter byte before each) are inflated into
    // its end and unfiltered there, then turned into pixels from its start forwards. A pixel's
    // four bytes never reach past the samples still to be read: per pixel the writing gains at
    // most 4 - channels bytes on the reading, and at the last pixel the two meet exactly when the
    // rows fill the buffer (RGBA), or the rows start that much later (fewer channels).
    const std::size_t pixelsSize = static_cast<std::size_t>(width) * height * 4;
    const std::size_t bufferSize = rowsSize > pixelsSize ? rowsSize : pixelsSize;
    std::uint8_t* const bgra = target(static_cast<int>(width), static_cast<int>(height),
                                      channels == 2 || channels == 4, bufferSize);
    if (bgra == nullptr)
        return false;
    // Every byte is written by the inflater before it is read: no zero-filling of fresh memory.
    std::uint8_t* const rows = bgra + (bufferSize - rowsSize);
    if (!Inflate(compressed.data(), compressed.size(), rowsSize, rows) ||
        !Unfilter(rows, rowBytes, height, static_cast<std::size_t>(channels)))
        return false;
    std::uint8_t* pixel = bgra;
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* line = rows + y * (rowBytes + 1) + 1;
        if (channels == 4) { // RGBA, the artwork's: one swap of red and blue
            for (std::size_t x = 0; x < width; ++x, pixel += 4, line += 4) {
                const std::uint8_t r = line[0], g = line[1], b = line[2], a = line[3];
                pixel[0] = b;
                pixel[1] = g;
                pixel[2] = r;
                pixel[3] = a;
            }
            continue;
        }
        for (std::size_t x = 0; x < width; ++x, pixel += 4, line += channels) {
            const bool grey = channels <= 2;
            const std::uint8_t first = line[0];
            const std::uint8_t second = channels >= 2 ? line[1] : 0;
            const std::uint8_t third = channels >= 3 ? line[2] : 0;
            pixel[0] = grey ? first : third;
            pixel[1] = grey ? first : second;
            pixel[2] = first;
            pixel[3] = channels == 2 ? second : 0xFF;
        }
    }
    return true;
}

bool DecodePng(const void* bytes, std::size_t size, PngPixels& out) {
    const bool decoded =
        DecodePng(bytes, size, [&out](int width, int height, bool hasAlpha, std::size_t room) {
            out.width = width;
            out.height = height;
            out.hasAlpha = hasAlpha;
            out.bgra.resize(room);
            return out.bgra.data();
        });
    if (decoded)
        out.bgra.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height) *
                        4);
    return decoded;
}

} // namespace controls
