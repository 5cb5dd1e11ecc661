// Packed DIBs in plain memory, as both picture readers produce them, and the
// two rules every packed DIB of the module follows: how many colour-table
// entries it has (`DibColourCount`) and which palette is made from it (the
// entries `CreatePaletteFromDib` hands to the platform).
//
// A packed DIB is one block: a 40-byte info header, the three bit-field
// masks when the compression is 3 (bit fields), the colour table (4-byte
// entries blue, green, red, 0) and the pixel rows, bottom-up, each row
// padded to a multiple of 4 bytes. The readers always write the 40-byte
// header; `DibColourCount` and `DibPaletteEntries` also accept a 12-byte
// core header (3-byte colour entries), as a caller may hand one in.
//
// Portable: no <windows.h>. The structs mirror the platform's layouts byte
// for byte, so the Win32 side passes the block to the platform as it is.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zyl {

// Mirrors BITMAPINFOHEADER.
struct DibInfoHeader {
    std::uint32_t size;
    std::int32_t width;
    std::int32_t height;          // > 0: rows bottom-up (the only form the readers produce)
    std::uint16_t planes;
    std::uint16_t bitCount;
    std::uint32_t compression;
    std::uint32_t sizeImage;
    std::int32_t xPelsPerMeter;
    std::int32_t yPelsPerMeter;
    std::uint32_t clrUsed;
    std::uint32_t clrImportant;
};
static_assert(sizeof(DibInfoHeader) == 40, "info header layout");

// Mirrors BITMAPCOREHEADER.
struct DibCoreHeader {
    std::uint32_t size;
    std::uint16_t width;
    std::uint16_t height;
    std::uint16_t planes;
    std::uint16_t bitCount;
};
static_assert(sizeof(DibCoreHeader) == 12, "core header layout");

// Mirrors RGBQUAD.
struct DibRgbQuad {
    std::uint8_t blue, green, red, reserved;
};
static_assert(sizeof(DibRgbQuad) == 4, "colour entry layout");

// Mirrors PALETTEENTRY: one entry of the logical palette made from a DIB.
struct DibPaletteEntry {
    std::uint8_t red, green, blue, flags;
};
static_assert(sizeof(DibPaletteEntry) == 4, "palette entry layout");

constexpr std::uint32_t kDibInfoHeaderSize = 40;
constexpr std::uint32_t kDibCoreHeaderSize = 12;

enum DibCompression : std::uint32_t {
    kDibRgb = 0,
    kDibRle8 = 1,
    kDibRle4 = 2,
    kDibBitFields = 3,
};

// The largest pixel block either reader makes for one picture or frame.
// Files that ask for more fail: no help picture needs that much, and a
// forged size must not make the module ask the heap for gigabytes. (What a
// file may decode to also depends on its size: MaxDecodedPixels.)
constexpr std::uint32_t kMaxDibImageBytes = 64u << 20;
// Widths and heights beyond this fail as well (GIF sizes are 16-bit anyway).
constexpr std::int32_t kMaxDibSide = 65535;

// Row stride in bytes: ((width * bits + 31) / 32) * 4. -1 when the width or
// depth is out of range (width < 1 or > kMaxDibSide, depth 0 or > 32).
std::int64_t DibStride(std::int32_t width, std::uint32_t bitCount);

// Number of colour-table entries of a packed DIB: for a header whose size
// is not 12 and whose colours-used field is non-zero, that field; otherwise
// 2, 16 or 256 for 1, 4 or 8 bits per pixel and 0 for any other depth.
// `header` points at a core header (size 12) or at a header of at least 40
// bytes. The value is the file's; the readers keep it at 256 or below.
std::uint32_t DibColourCount(const void* header);

// Offset of the colour table from the start of the DIB: the header size,
// plus 12 bytes of masks for a 40-byte header with bit fields.
std::uint32_t DibColourTableOffset(const void* header);

// Offset of the pixel rows: the colour table plus its entries (3 bytes each
// after a core header, 4 otherwise). 0 when the header does not fit `size`.
std::size_t DibBitsOffset(const std::uint8_t* dib, std::size_t size);

// The palette `CreatePaletteFromDib` builds for a packed DIB, into `out`:
//  - DibColourCount > 0: one entry per colour-table entry (red, green and
//    blue taken from the table's blue, green, red bytes; flags 0), at most
//    256, and never more than the block holds;
//  - none and 24 bits per pixel: the 256-entry 3-3-2 cube (red fastest,
//    then green, through 0, 32, ... 224; blue slowest through 0, 64, 128, 192);
//  - otherwise (16 or 32 bits without a table): no palette.
// Returns the number of entries written, 0 for no palette.
std::uint32_t DibPaletteEntries(const std::uint8_t* dib, std::size_t size, DibPaletteEntry out[256]);

// Replaces every colour-table entry equal to `colour` (a colour reference:
// red in the low byte) by `replacement`, as the printed or copied first
// frame turns the transparent colour white. Returns the entries changed.
std::uint32_t DibReplaceColour(std::uint8_t* dib, std::size_t size, std::uint32_t colour, std::uint32_t replacement);

// Owner of one packed DIB in heap memory (malloc'd, zero-filled). Moves,
// never copies. The Win32 side hands data() to the platform as a
// BITMAPINFO and Bits() as the pixel pointer.
class PackedDib {
public:
    PackedDib() = default;
    ~PackedDib() { Reset(); }
    PackedDib(PackedDib&& other) noexcept;
    PackedDib& operator=(PackedDib&& other) noexcept;
    PackedDib(const PackedDib&) = delete;
    PackedDib& operator=(const PackedDib&) = delete;

    // Replaces the block by a zero-filled one of `size` bytes; false (and
    // empty) when the heap refuses it.
    bool Allocate(std::size_t size);
    void Reset();

    bool empty() const { return data_ == nullptr; }
    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

    // The header copied out (the block gives no alignment promise to callers
    // that take it as a struct). Zeroes when the block is empty.
    DibInfoHeader Header() const;
    void SetHeader(const DibInfoHeader& h);
    // Pixel rows, or null when the header and tables leave no room for them.
    std::uint8_t* Bits();
    const std::uint8_t* Bits() const;
    std::size_t BitsSize() const;

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace zyl
