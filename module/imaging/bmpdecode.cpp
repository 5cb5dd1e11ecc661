#include "bmpdecode.h"

#include <cstring>

namespace zyl {

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

constexpr std::uint32_t kMaxHeaderSize = 4096;
// Header bytes looked at: the 40 of the info header and the three masks
// that the 52-byte and longer headers carry after them.
constexpr std::uint32_t kHeaderBytesUsed = 52;

bool ValidDepth(std::uint32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

bool IsBitmapFileHeader(const std::uint8_t* head, std::size_t size) {
    return size >= 2 && head[0] == 'B' && head[1] == 'M';
}

bool ReadBitmapFile(const PictureSource& src, const std::uint8_t fileHeader[kBitmapFileHeaderSize],
                    PackedDib* out, PictureInfo* info) {
    out->Reset();
    const std::uint32_t bitsOffset = Le32(fileHeader + 10);

    // The info header, in whichever form the file has it.
    std::uint8_t raw[kHeaderBytesUsed] = {};
    if (!ReadExact(src, raw, 4)) return false;
    const std::uint32_t headerSize = Le32(raw);
    DibInfoHeader h{};
    std::uint32_t masks[3] = {0, 0, 0};
    bool masksInHeader = false;
    if (headerSize == kDibCoreHeaderSize) {
        if (!ReadExact(src, raw + 4, 8)) return false;
        h.width = Le16(raw + 4);
        h.height = Le16(raw + 6);
        h.bitCount = Le16(raw + 10);
        h.compression = kDibRgb;
    } else if (headerSize >= 16 && headerSize <= kMaxHeaderSize) {
        // The 16- to 39-byte forms share the 40-byte layout as far as they go.
        const std::uint32_t used = headerSize < kHeaderBytesUsed ? headerSize : kHeaderBytesUsed;
        if (!ReadExact(src, raw + 4, static_cast<std::int32_t>(used - 4))) return false;
        h.width = static_cast<std::int32_t>(Le32(raw + 4));
        h.height = static_cast<std::int32_t>(Le32(raw + 8));
        h.bitCount = Le16(raw + 14);
        h.compression = Le32(raw + 16);
        h.xPelsPerMeter = static_cast<std::int32_t>(Le32(raw + 24));
        h.yPelsPerMeter = static_cast<std::int32_t>(Le32(raw + 28));
        h.clrUsed = Le32(raw + 32);
        h.clrImportant = Le32(raw + 36);
        if (headerSize >= kHeaderBytesUsed) {
            masksInHeader = true;
            for (int i = 0; i < 3; ++i) masks[i] = Le32(raw + 40 + 4 * i);
        }
    } else {
        return false;
    }

    // Shape checks: everything below computes from these.
    if (h.width < 1 || h.width > kMaxDibSide) return false;
    if (h.height == 0 || h.height < -kMaxDibSide || h.height > kMaxDibSide) return false;
    if (!ValidDepth(h.bitCount)) return false;
    const bool topDown = h.height < 0;
    const std::int32_t rows = topDown ? -h.height : h.height;
    switch (h.compression) {
    case kDibRgb: break;
    case kDibRle8: if (h.bitCount != 8 || topDown) return false; break;
    case kDibRle4: if (h.bitCount != 4 || topDown) return false; break;
    case kDibBitFields: if (h.bitCount != 16 && h.bitCount != 32) return false; break;
    default: return false;
    }

    const std::int64_t stride = DibStride(h.width, h.bitCount);
    const std::int64_t unpacked = stride * rows;
    if (stride <= 0 || unpacked > static_cast<std::int64_t>(kMaxDibImageBytes)) return false;
    if (static_cast<std::uint64_t>(h.width) * static_cast<std::uint64_t>(rows) > MaxDecodedPixels(src.size)) return false;
    // Run-length data gets half as much again: some runs pack worse than raw
    // rows. Writers that code every pixel as a run of one need more: up to
    // 2 bytes a pixel and an end of line per row. Such a file's own image
    // size is taken, as far as that worst case.
    std::int64_t imageBytes = unpacked;
    if (h.compression == kDibRle8 || h.compression == kDibRle4) {
        imageBytes = unpacked * 3 / 2;
        std::int64_t cap = 2 * static_cast<std::int64_t>(h.width) * rows + 2 * rows + 2;
        if (cap > static_cast<std::int64_t>(kMaxDibImageBytes)) cap = kMaxDibImageBytes;
        const std::int64_t stated = headerSize == kDibCoreHeaderSize ? 0 : Le32(raw + 20);
        if (stated > imageBytes && cap > imageBytes) imageBytes = stated < cap ? stated : cap;
    }
    const std::uint32_t imageSize = static_cast<std::uint32_t>(imageBytes);

    // Normalised header. Its colour count must come out as the file's.
    if (headerSize == kDibCoreHeaderSize) h.clrUsed = 0;
    if (h.clrUsed > 256) h.clrUsed = 256;
    if (h.clrImportant > h.clrUsed) h.clrImportant = h.clrUsed;
    h.size = kDibInfoHeaderSize;
    h.height = rows;
    h.planes = 1;
    h.sizeImage = imageSize;
    const std::uint32_t colours = DibColourCount(&h);   // <= 256 now
    const bool bitFields = h.compression == kDibBitFields;
    const std::size_t tableAt = kDibInfoHeaderSize + (bitFields ? 12 : 0);
    const std::size_t bitsAt = tableAt + colours * 4;
    if (!out->Allocate(bitsAt + imageSize)) return false;
    const auto fail = [out] {
        out->Reset();
        return false;
    };
    std::uint8_t* dib = out->data();
    std::memcpy(dib, &h, sizeof h);

    // Masks after a 40-byte header, then the colour table after the real
    // header. Short reads leave zeroes, as for the pixel data.
    std::int64_t fileTable = kBitmapFileHeaderSize + static_cast<std::int64_t>(headerSize);
    if (bitFields && !masksInHeader) {
        std::uint8_t m[12] = {};
        if (!src.seekTo(src.context, static_cast<std::int32_t>(fileTable))) return fail();
        src.read(src.context, m, 12);
        for (int i = 0; i < 3; ++i) masks[i] = Le32(m + 4 * i);
        fileTable += 12;
    }
    if (bitFields) std::memcpy(dib + kDibInfoHeaderSize, masks, 12);
    if (colours > 0) {
        const std::uint32_t step = headerSize == kDibCoreHeaderSize ? 3 : 4;
        std::uint8_t table[256 * 4] = {};
        if (!src.seekTo(src.context, static_cast<std::int32_t>(fileTable))) return fail();
        src.read(src.context, table, static_cast<std::int32_t>(colours * step));
        for (std::uint32_t i = 0; i < colours; ++i) {
            std::uint8_t* q = dib + tableAt + i * 4;
            q[0] = table[i * step];
            q[1] = table[i * step + 1];
            q[2] = table[i * step + 2];
            q[3] = 0;
        }
    }

    // Pixel data from the bits offset; whatever arrives is used.
    if (bitsOffset > 0x7FFFFFFFu || !src.seekTo(src.context, static_cast<std::int32_t>(bitsOffset))) return fail();
    std::uint8_t* bits = dib + bitsAt;
    src.read(src.context, bits, static_cast<std::int32_t>(imageSize));

    if (topDown) {
        // Swap rows end for end: the readers hand out bottom-up DIBs only.
        const std::size_t s = static_cast<std::size_t>(stride);
        std::uint8_t tmp[256];
        for (std::int32_t top = 0, bottom = rows - 1; top < bottom; ++top, --bottom) {
            std::uint8_t* a = bits + s * static_cast<std::size_t>(top);
            std::uint8_t* b = bits + s * static_cast<std::size_t>(bottom);
            for (std::size_t done = 0; done < s; done += sizeof tmp) {
                const std::size_t n = s - done < sizeof tmp ? s - done : sizeof tmp;
                std::memcpy(tmp, a + done, n);
                std::memcpy(a + done, b + done, n);
                std::memcpy(b + done, tmp, n);
            }
        }
    }

    info->frameWidth = h.width;
    info->frameHeight = rows;
    info->frameCount = 1;
    info->transparentColour = kPictureNoColour;
    info->stripWidth = h.width;
    info->stripHeight = rows;
    return true;
}

bool DecodeBitmapFile(const std::uint8_t* data, std::size_t size, PackedDib* out, PictureInfo* info) {
    out->Reset();
    if (!data || size < static_cast<std::size_t>(kBitmapFileHeaderSize) || !IsBitmapFileHeader(data, size))
        return false;
    MemorySource mem(data, size);
    PictureSource src = mem.Source();
    std::uint8_t head[kBitmapFileHeaderSize];
    if (!ReadExact(src, head, kBitmapFileHeaderSize)) return false;
    return ReadBitmapFile(src, head, out, info);
}

}  // namespace zyl
