// The bitmap road of the picture reader: a Windows bitmap file ("BM") read
// into a packed DIB (dibformat.h) that the platform's DIB conversion turns
// into the device bitmap.
//
// What the packed DIB looks like, whatever form the file takes:
//  - a 40-byte info header. A 12-byte core header (16-bit sizes, 3-byte
//    colour entries) and the longer 52/56/64/108/124-byte headers are cut or
//    widened to it; the colour table is read from right after the file's
//    real header (after the three masks when a 40-byte header says bit
//    fields) and always stored with 4-byte entries;
//  - bit-field masks (compression 3) right after the header, taken from
//    inside a longer header or from the 12 bytes after a 40-byte one;
//  - DibColourCount entries, at most 256 (colours-used is clamped to 256);
//  - image size = stride x rows, times 3/2 for run-length data, which is cut
//    at that size; the header's image-size field holds this size. Pixel data
//    is read from the file's bits offset; a file that ends early leaves the
//    rest of the rows at zero (a short read is not an error).
//  - rows always bottom-up: a top-down file (negative height) is flipped.
//
// Refused (false, nothing in `out`): a file that ends inside its headers;
// a header size other than 12 or 16..4096; width < 1; height 0; a depth
// other than 1, 4, 8, 16, 24, 32; run-length data with the wrong depth or
// top-down; bit fields below 16 bits; any other compression; a size beyond
// kMaxDibSide, kMaxDibImageBytes or what the file's size allows
// (MaxDecodedPixels); the heap refusing the block.
//
// Portable: no <windows.h>.
#pragma once
#include <cstddef>
#include <cstdint>

#include "dibformat.h"
#include "picturesource.h"

namespace zyl {

constexpr std::int32_t kBitmapFileHeaderSize = 14;

// True when the first bytes of a file select the bitmap road ("BM").
bool IsBitmapFileHeader(const std::uint8_t* head, std::size_t size);

// Reads the rest of a bitmap file. `fileHeader` holds its first 14 bytes,
// already read; `src` stands right after them (every later read seeks to
// absolute offsets, so the position only matters for the info header).
// On success fills `out` and, in `info`, the frame size (width and rows),
// frame count 1 and no transparent colour; the other fields stay.
bool ReadBitmapFile(const PictureSource& src, const std::uint8_t fileHeader[kBitmapFileHeaderSize],
                    PackedDib* out, PictureInfo* info);

// The same over a whole file in memory (checks the "BM" itself).
bool DecodeBitmapFile(const std::uint8_t* data, std::size_t size, PackedDib* out, PictureInfo* info);

}  // namespace zyl
