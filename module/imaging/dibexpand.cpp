#include "dibexpand.h"

#include <cstring>

#include "dibformat.h"

namespace zyl {

namespace {

std::uint32_t Load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// One colour channel of a bit-field pixel, widened to 8 bits by repeating
// its bits (5 bits abcde give abcdeabc), as the platform's conversion does;
// wider channels keep their top 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (!m) return;
        while (!(m & 1)) {
            m >>= 1;
            ++shift;
        }
        while (m) {   // the width up to the highest bit set
            m >>= 1;
            ++bits;
        }
    }
    std::uint8_t Get(std::uint32_t pixel) const {
        if (!bits) return 0;
        const std::uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<std::uint8_t>(v >> (bits - 8));
        std::uint32_t out = 0;
        for (int at = 8 - bits; at > -bits; at -= bits) out |= at >= 0 ? v << at : v >> -at;
        return static_cast<std::uint8_t>(out);
    }
};

struct Indexed {
    const std::uint8_t* table;
    std::uint32_t colours;
    void Put(std::uint8_t* out, std::uint32_t index) const {
        if (index < colours) {
            const std::uint8_t* q = table + 4 * index;
            out[0] = q[2];
            out[1] = q[1];
            out[2] = q[0];
        } else {
            out[0] = out[1] = out[2] = 0;
        }
    }
};

// Run-length streams: runs and literal groups, with the escapes end of
// line (0 0), end of picture (0 1) and move (0 2 dx dy). `y` counts DIB rows
// from the bottom.
void ExpandRle(const std::uint8_t* data, std::size_t size, bool four, std::int32_t width, std::int32_t height,
               const Indexed& colours, std::uint8_t* rgb) {
    std::int64_t x = 0, y = 0;
    auto put = [&](std::uint32_t index) {
        if (x >= 0 && x < width && y >= 0 && y < height)
            colours.Put(rgb + 3 * ((height - 1 - y) * static_cast<std::int64_t>(width) + x), index);
        ++x;
    };
    std::size_t p = 0;
    while (p + 1 < size && y < height) {
        const std::uint32_t n = data[p], v = data[p + 1];
        p += 2;
        if (n > 0) {
            for (std::uint32_t i = 0; i < n && x < width; ++i) put(four ? ((i & 1) ? v & 15 : v >> 4) : v);
            continue;
        }
        if (v == 0) {
            x = 0;
            ++y;
        } else if (v == 1) {
            return;
        } else if (v == 2) {
            if (p + 1 >= size) return;
            x += data[p];
            y += data[p + 1];
            p += 2;
        } else {
            const std::size_t bytes = four ? (v + 1) / 2 : v;
            for (std::uint32_t i = 0; i < v; ++i) {
                const std::size_t at = p + (four ? i / 2 : i);
                if (at >= size) return;
                put(four ? ((i & 1) ? data[at] & 15 : data[at] >> 4) : data[at]);
            }
            p += (bytes + 1) & ~static_cast<std::size_t>(1);   // groups end on a 16-bit boundary
        }
    }
}

}  // namespace

bool DibDimensions(const std::uint8_t* dib, std::size_t size, std::int32_t* width, std::int32_t* height) {
    if (!dib || size < sizeof(DibInfoHeader)) return false;
    DibInfoHeader h;
    std::memcpy(&h, dib, sizeof h);
    if (h.size != kDibInfoHeaderSize || h.width < 1 || h.width > kMaxDibSide || h.height < 1 ||
        h.height > kMaxDibSide)
        return false;
    *width = h.width;
    *height = h.height;
    return true;
}

bool DibToRgb(const std::uint8_t* dib, std::size_t size, std::uint8_t* rgb) {
    std::int32_t width, height;
    if (!DibDimensions(dib, size, &width, &height)) return false;
    DibInfoHeader h;
    std::memcpy(&h, dib, sizeof h);
    const std::size_t bitsAt = DibBitsOffset(dib, size);
    if (!bitsAt) return false;
    const std::uint8_t* bits = dib + bitsAt;
    const std::size_t bitsSize = size - bitsAt;
    std::uint32_t colours = DibColourCount(dib);
    if (colours > 256) colours = 256;
    const Indexed table{dib + DibColourTableOffset(dib), colours};
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);

    if (h.compression == kDibRle8 || h.compression == kDibRle4) {
        if ((h.compression == kDibRle8) != (h.bitCount == 8) || (h.compression == kDibRle4) != (h.bitCount == 4))
            return false;
        for (std::size_t i = 0; i < pixels; ++i) table.Put(rgb + 3 * i, 0);
        ExpandRle(bits, bitsSize, h.compression == kDibRle4, width, height, table, rgb);
        return true;
    }
    if (h.compression != kDibRgb && h.compression != kDibBitFields) return false;
    const std::int64_t stride = DibStride(width, h.bitCount);
    if (stride <= 0 || static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(height) > bitsSize)
        return false;

    Channel red(0x7C00), green(0x03E0), blue(0x001F);
    if (h.bitCount == 32) red = Channel(0xFF0000), green = Channel(0xFF00), blue = Channel(0xFF);
    if (h.compression == kDibBitFields) {
        if (h.bitCount != 16 && h.bitCount != 32) return false;
        const std::uint8_t* m = dib + kDibInfoHeaderSize;
        red = Channel(Load32(m));
        green = Channel(Load32(m + 4));
        blue = Channel(Load32(m + 8));
    }

    for (std::int32_t row = 0; row < height; ++row) {
        const std::uint8_t* in = bits + static_cast<std::size_t>(stride) * static_cast<std::size_t>(height - 1 - row);
        std::uint8_t* out = rgb + static_cast<std::size_t>(row) * static_cast<std::size_t>(width) * 3;
        for (std::int32_t x = 0; x < width; ++x, out += 3) {
            switch (h.bitCount) {
            case 1: table.Put(out, (in[x >> 3] >> (7 - (x & 7))) & 1); break;
            case 4: table.Put(out, (x & 1) ? in[x >> 1] & 15 : in[x >> 1] >> 4); break;
            case 8: table.Put(out, in[x]); break;
            case 16: {
                const std::uint32_t v = static_cast<std::uint32_t>(in[2 * x] | in[2 * x + 1] << 8);
                out[0] = red.Get(v);
                out[1] = green.Get(v);
                out[2] = blue.Get(v);
                break;
            }
            case 24:
                out[0] = in[3 * x + 2];
                out[1] = in[3 * x + 1];
                out[2] = in[3 * x];
                break;
            case 32: {
                const std::uint32_t v = Load32(in + 4 * x);
                out[0] = red.Get(v);
                out[1] = green.Get(v);
                out[2] = blue.Get(v);
                break;
            }
            default: return false;
            }
        }
    }
    return true;
}

}  // namespace zyl
