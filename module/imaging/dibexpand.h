// Pixels of a packed DIB as RGB triples, top row first: the DIB conversion
// the platform does, in portable form, for the tools and tests that compare
// the readers' output with other decoders.
//
// Portable: no <windows.h>.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zyl {

// Width and rows of a packed DIB with a 40-byte header and positive
// height; false for any other block.
bool DibDimensions(const std::uint8_t* dib, std::size_t size, std::int32_t* width, std::int32_t* height);

// Writes width x height x 3 bytes (red, green, blue) to `rgb`, top row
// first. Handles 1, 4 and 8 bits through the colour table (uncompressed,
// RLE8 and RLE4: pixels a run-length stream skips or never reaches stay at
// index 0), 16 bits (5-5-5 or bit fields), 24 bits, 32 bits (plain or bit
// fields). An index past the colour table comes out black. Never reads
// outside the block; false when the block is not a DIB this can expand.
bool DibToRgb(const std::uint8_t* dib, std::size_t size, std::uint8_t* rgb);

}  // namespace zyl
