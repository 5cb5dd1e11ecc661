// The GIF road of the picture reader: a GIF (87a or 89a) read image by
// image into frame DIBs (packed DIBs, dibformat.h), plus the animation data
// of the picture entry: frame size, count and delay, transparent colour and
// the hot-spot table of the "MOTHWING" application extension.
//
// Only a file that announces looping with a NETSCAPE 2.0 application
// extension before an image is read past its first image; every image is
// taken as stored (no logical screen, no disposal): the strip is the frames
// side by side, as high as the first one.
//
// The reader hands each frame to a `GifFrameSink` as soon as it is decoded;
// the Win32 side turns it into a device bitmap and appends it to the strip,
// the native tools keep the DIBs. Decoding needs no allocation per code:
// fixed 4096-entry tables and one line buffer per image.
//
// Portable: no <windows.h>.
#pragma once
#include <cstddef>
#include <cstdint>

#include "dibformat.h"
#include "picturesource.h"

namespace zyl {

struct GifFrameSink {
    void* context;
    // One decoded image, in file order from index 0. The sink may take the
    // DIB (move it out); otherwise the reader frees it after the call.
    // Returning false fails the whole file (a device bitmap that could not
    // be made, say).
    bool (*frame)(void* context, PackedDib* dib, std::int32_t index);
};

// Frame DIB depth for a colour table of `tableBits` (1..8): 1 bit -> 1,
// 2 to 4 bits -> 4, 5 to 8 bits -> 8.
std::uint32_t FrameDibDepth(int tableBits);

// A zero-filled packed DIB for one image: 40-byte header (that depth, no
// compression, colours used and important = 2^depth), the 2^tableBits
// entries of `colourTable` (red, green, blue triples) turned into
// (blue, green, red, 0), the entries past the GIF's table black, all pixels
// index 0. False (and `out` empty) for a size out of range or no memory.
bool CreateFrameDib(std::int32_t width, std::int32_t height, const std::uint8_t* colourTable, int tableBits,
                    PackedDib* out);

// Decodes one image's LZW data (the data sub-blocks after the minimum code
// size byte) into `frame`, made by CreateFrameDib. Rows come out in natural
// order also for an interlaced image; a row is stored only when complete;
// pixels past the last row are read and dropped. Returns false for a code
// beyond the next free code, the next free code with no previous code, or
// data (a zero-length sub-block or the file) ending before the end code.
// A minimum code size outside 2..8 decodes nothing and succeeds (the frame
// stays at index 0); so does a refused work area. The source is left right
// after the sub-block holding the end code.
bool DecodeLzw(const PictureSource& src, int minCodeSize, PackedDib* frame, bool interlaced);

// The GIF road: seeks to 0 itself. Fills `info` (frame count from 0,
// transparent colour from none; delay and hot spots only when the file has
// them) and calls `sink` per image. False for no "GIF" at offset 0 or 128, a
// short header, colour table or descriptor, a size of 0 or less, a frame or
// strip too large, a failed decode or sink, or no image at all.
bool ReadGifFile(const PictureSource& src, bool firstFrameOnly, const GifFrameSink& sink, PictureInfo* info);

}  // namespace zyl
