// Whole picture files decoded in memory, for the native tools, the tests
// and the fuzzers: the first bytes choose the road exactly as the module's
// picture reader does ("BM" the bitmap road, anything else the GIF road),
// and the frames are kept as packed DIBs instead of device bitmaps.
//
// Portable: no <windows.h>.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dibformat.h"
#include "picturesource.h"

namespace zyl {

struct DecodedPicture {
    bool gif = false;
    std::vector<PackedDib> frames;   // one for a bitmap; the strip's images for a GIF
    PictureInfo info;
};

// Decodes a file; `firstFrameOnly` is the flag the watermark painter passes
// (a NETSCAPE extension then does not make the GIF animated). False, with
// no frames, when the picture reader would give no picture.
bool DecodePictureFile(const std::uint8_t* data, std::size_t size, bool firstFrameOnly, DecodedPicture* out);

// The strip as the module shows it, in RGB, top row first: the frames side
// by side from the left, the strip as high as the first frame; a taller
// frame is cut at the bottom, a shorter one leaves black below it.
bool RenderStripRgb(const DecodedPicture& picture, std::vector<std::uint8_t>* rgb, std::int32_t* width,
                    std::int32_t* height);

// One frame in RGB, top row first.
bool RenderFrameRgb(const PackedDib& frame, std::vector<std::uint8_t>* rgb, std::int32_t* width,
                    std::int32_t* height);

}  // namespace zyl
