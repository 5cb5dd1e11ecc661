#include "dibformat.h"

#include <cstdlib>
#include <cstring>

namespace zyl {

namespace {

std::uint32_t Load32(const void* p, std::size_t offset) {
    std::uint32_t v;
    std::memcpy(&v, static_cast<const std::uint8_t*>(p) + offset, 4);
    return v;
}

std::uint16_t Load16(const void* p, std::size_t offset) {
    std::uint16_t v;
    std::memcpy(&v, static_cast<const std::uint8_t*>(p) + offset, 2);
    return v;
}

// Field offsets of the info header and of the core header.
constexpr std::size_t kInfoBitCount = 14;
constexpr std::size_t kInfoCompression = 16;
constexpr std::size_t kInfoClrUsed = 32;
constexpr std::size_t kCoreBitCount = 10;

std::uint32_t HeaderBitCount(const void* header) {
    return Load32(header, 0) == kDibCoreHeaderSize ? Load16(header, kCoreBitCount)
                                                   : Load16(header, kInfoBitCount);
}

}  // namespace

std::int64_t DibStride(std::int32_t width, std::uint32_t bitCount) {
    if (width < 1 || width > kMaxDibSide || bitCount == 0 || bitCount > 32) return -1;
    return ((static_cast<std::int64_t>(width) * bitCount + 31) >> 5) * 4;
}

std::uint32_t DibColourCount(const void* header) {
    if (Load32(header, 0) != kDibCoreHeaderSize) {
        const std::uint32_t used = Load32(header, kInfoClrUsed);
        if (used != 0) return used;
    }
    switch (HeaderBitCount(header)) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

std::uint32_t DibColourTableOffset(const void* header) {
    const std::uint32_t size = Load32(header, 0);
    if (size == kDibInfoHeaderSize && Load32(header, kInfoCompression) == kDibBitFields) return size + 12;
    return size;
}

std::size_t DibBitsOffset(const std::uint8_t* dib, std::size_t size) {
    if (!dib || size < 4) return 0;
    const std::uint32_t headerSize = Load32(dib, 0);
    if (headerSize != kDibCoreHeaderSize && (headerSize < kDibInfoHeaderSize || headerSize > size)) return 0;
    if (headerSize > size) return 0;
    const std::uint64_t entry = headerSize == kDibCoreHeaderSize ? 3 : 4;
    const std::uint64_t end = DibColourTableOffset(dib) + entry * DibColourCount(dib);
    return end <= size ? static_cast<std::size_t>(end) : 0;
}

std::uint32_t DibPaletteEntries(const std::uint8_t* dib, std::size_t size, DibPaletteEntry out[256]) {
    if (!dib || size < 4) return 0;
    const std::uint32_t headerSize = Load32(dib, 0);
    if (headerSize != kDibCoreHeaderSize && (headerSize < kDibInfoHeaderSize || headerSize > size)) return 0;
    if (headerSize > size) return 0;
    std::uint32_t n = DibColourCount(dib);
    if (n > 0) {
        const std::size_t step = headerSize == kDibCoreHeaderSize ? 3 : 4;
        const std::size_t table = DibColourTableOffset(dib);
        const std::size_t room = table < size ? (size - table) / step : 0;
        if (n > 256) n = 256;
        if (n > room) n = static_cast<std::uint32_t>(room);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint8_t* e = dib + table + i * step;
            out[i] = DibPaletteEntry{e[2], e[1], e[0], 0};
        }
        return n;
    }
    if (HeaderBitCount(dib) == 24) {
        std::uint8_t red = 0, green = 0, blue = 0;
        for (int i = 0; i < 256; ++i) {
            out[i] = DibPaletteEntry{red, green, blue, 0};
            red = static_cast<std::uint8_t>(red + 32);
            if (red == 0) {
                green = static_cast<std::uint8_t>(green + 32);
                if (green == 0) blue = static_cast<std::uint8_t>(blue + 64);
            }
        }
        return 256;
    }
    return 0;
}

std::uint32_t DibReplaceColour(std::uint8_t* dib, std::size_t size, std::uint32_t colour, std::uint32_t replacement) {
    const std::size_t bitsAt = DibBitsOffset(dib, size);
    if (!bitsAt || Load32(dib, 0) == kDibCoreHeaderSize || (colour & 0xFF000000u)) return 0;
    std::uint32_t changed = 0;
    for (std::size_t at = DibColourTableOffset(dib); at + 4 <= bitsAt; at += 4) {
        std::uint8_t* q = dib + at;
        if ((static_cast<std::uint32_t>(q[2]) | static_cast<std::uint32_t>(q[1]) << 8 |
             static_cast<std::uint32_t>(q[0]) << 16) == colour) {
            q[0] = static_cast<std::uint8_t>(replacement >> 16);
            q[1] = static_cast<std::uint8_t>(replacement >> 8);
            q[2] = static_cast<std::uint8_t>(replacement);
            ++changed;
        }
    }
    return changed;
}

// ---- PackedDib ----

PackedDib::PackedDib(PackedDib&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
    other.size_ = 0;
}

PackedDib& PackedDib::operator=(PackedDib&& other) noexcept {
    if (this != &other) {
        Reset();
        data_ = other.data_;
        size_ = other.size_;
        other.data_ = nullptr;
        other.size_ = 0;
    }
    return *this;
}

bool PackedDib::Allocate(std::size_t size) {
    Reset();
    if (size == 0) return false;
    data_ = static_cast<std::uint8_t*>(std::calloc(size, 1));
    if (!data_) return false;
    size_ = size;
    return true;
}

void PackedDib::Reset() {
    std::free(data_);
    data_ = nullptr;
    size_ = 0;
}

DibInfoHeader PackedDib::Header() const {
    DibInfoHeader h{};
    if (data_ && size_ >= sizeof h) std::memcpy(&h, data_, sizeof h);
    return h;
}

void PackedDib::SetHeader(const DibInfoHeader& h) {
    if (data_ && size_ >= sizeof h) std::memcpy(data_, &h, sizeof h);
}

std::uint8_t* PackedDib::Bits() {
    const std::size_t at = DibBitsOffset(data_, size_);
    return at ? data_ + at : nullptr;
}

const std::uint8_t* PackedDib::Bits() const {
    const std::size_t at = DibBitsOffset(data_, size_);
    return at ? data_ + at : nullptr;
}

std::size_t PackedDib::BitsSize() const {
    const std::size_t at = DibBitsOffset(data_, size_);
    return at ? size_ - at : 0;
}

}  // namespace zyl
