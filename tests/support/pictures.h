// Pictures for the tests, native and under Wine alike:
//   Picture      - pixels as 0x00RRGGBB, top row first, and where two differ
//   BmpFile      - the one bitmap writer (any header size, depth, compression)
//   GifBuilder   - GIF files put together block by block, with a real LZW encoder
//   Decode...    - the module's own portable decode, as pixels
//   ImageMagick  - its decode of a file, the oracle the readers must agree with
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "imaging/picture.h"
#include "support.h"

namespace zyltest {

// ---- pixels ----
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb;   // 0x00RRGGBB, top row first
    std::uint32_t at(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
    static Picture Solid(int width, int height, std::uint32_t colour);
    // Pixel (x, y) is `colour(x, y)`, y counted from the top.
    static Picture Painted(int width, int height, const std::function<std::uint32_t(int x, int y)>& colour);
};
// "" when equal, else the sizes or how many pixels differ and where first.
std::string Difference(const Picture& mine, const Picture& expected);
// Columns [left, left + width) of a picture, and rows [top, top + height)
// of those (to the bottom when `height` is -1); empty when outside it.
Picture Part(const Picture& p, int left, int width, int top = 0, int height = -1);
// Varied colours, none of them `avoid`.
Picture Varied(int width, int height, unsigned seed, std::uint32_t avoid = 0xFFFFFFFF);
// The colour as the module keeps colours (red in the low byte).
inline std::uint32_t ColourRef(std::uint32_t rgb) { return (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16; }
// A binary PPM (P6, maxval 255) as ImageMagick writes it; empty if it is none.
Picture ParsePpm(const Bytes& ppm);

// ---- bitmap files ----
// The fields of a bitmap file; what is not set is 0. `table` and `pixels`
// are written as they are, the pixels at `bitsOffset` when that leaves a
// gap after the table.
struct BmpFields {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1, height = 1;
    std::uint32_t bits = 24, compression = 0, sizeImage = 0, used = 0;
    Bytes table, pixels;
    std::int64_t bitsOffset = -1;
};
Bytes BmpFile(const BmpFields& fields);
// A 24-bit bottom-up bitmap file of a picture.
Bytes Bmp24(const Picture& p);
// An 8-bit one: `indices` (top row first) into `table` (0x00RRGGBB colours).
Bytes Bmp8(int width, int height, const std::vector<std::uint32_t>& table, const Bytes& indices);

// A bitmap file taken apart, to be put together again in another form.
struct BmpParts {
    Bytes header;   // the info header as in the file
    Bytes table;    // what lies between it and the bits
    Bytes bits;
};
BmpParts SplitBmp(const Bytes& file);
Bytes JoinBmp(const BmpParts& parts);
// The same uncompressed picture stored top-down (rows swapped, height negative).
Bytes TopDownBmp(const Bytes& file);

// ---- GIF files ----
// Codes packed least significant bit first, as GIF data runs.
struct BitWriter {
    void Put(int code, int size);
    Bytes Finish();
    Bytes out;
    std::uint32_t acc = 0;
    int bits = 0;
};

enum class TableFull {
    kClear,     // send a clear code and start again, as most encoders do
    kKeepGoing  // keep the full table and stay at 12 bits
};
constexpr int kEndCode = -1, kNoLastCode = -2;
// Greedy GIF LZW of `pixels` (each below 2^minCodeSize), then `last` (a
// code, the end code, or nothing) at `lastWidth` bits more or less than
// the width the decoder reads it with.
Bytes LzwEncode(const Bytes& pixels, int minCodeSize, TableFull full = TableFull::kClear, int last = kEndCode,
                int lastWidth = 0);

// The builder's colour tables: entry i of a global table, and of a local
// table of `bits` (the global one reversed, so that a decoder taking the
// wrong table shows it), as 0x00RRGGBB.
std::uint32_t GifColour(int index);
std::uint32_t LocalGifColour(int index, int bits);

// Palette indices below `colours`, in runs and noise both (long strings,
// and a string table that fills up).
Bytes IndexPattern(int count, int colours, unsigned seed);

// Hot spots as the "MOTHWING" extension stores them (16-bit sides).
struct Spot {
    int left, top, right, bottom;
    std::uint32_t context;
};
Bytes SpotRecords(const std::vector<Spot>& spots);

class GifBuilder {
public:
    // Colours for the global table written by Header, instead of GifColour.
    GifBuilder& Colours(const std::vector<std::uint32_t>& table);
    // Header and logical screen; `globalBits` 0 = no global colour table.
    GifBuilder& Header(int width, int height, int globalBits, const char* signature = "GIF89a");
    // `delay` in hundredths, written as the 16 bits it is given.
    GifBuilder& GraphicControl(int delay, int transparentIndex = -1);
    GifBuilder& Netscape();
    GifBuilder& Application(const char* identifier, const char* code, const std::vector<Bytes>& subBlocks);
    // The hot-spot extension, `perBlock` records to a sub-block.
    GifBuilder& HotSpots(const std::vector<Spot>& spots, std::size_t perBlock = 2);
    GifBuilder& Comment(const std::string& text);
    // An image: `pixels` row by row (reordered when interlaced); `localBits`
    // 0 = no local table; `minCodeSize` 0 = the smallest that fits.
    GifBuilder& Image(int width, int height, const Bytes& pixels, int localBits = 0, bool interlaced = false,
                      int minCodeSize = 0);
    // An image whose LZW data is given as is (cut into sub-blocks).
    GifBuilder& RawImage(int width, int height, int minCodeSize, const Bytes& lzw, int localBits = 0,
                         bool interlaced = false);
    GifBuilder& Byte(std::uint8_t b);
    GifBuilder& Trailer();
    Bytes bytes;

private:
    std::vector<std::uint32_t> colours_;
};
// Sub-blocks of at most 255 bytes and the zero-length one.
void AppendSubBlocks(Bytes* out, const Bytes& data);
// Images that declare their size and carry no pixels (a clear and the end
// code), looped, behind a comment of `padding` bytes.
Bytes DeclaredGif(const std::vector<std::pair<int, int>>& images, std::size_t padding);

// ---- pictures inside help files ----
// A help file's picture record ("lP") holding one bitmap; its numbers in the
// compressed forms. Packing 1 is run-length packing as help compilers do it;
// 2 and 3 (LZ77, and LZ77 after it) take the caller's `lz77`.
struct HelpPictureFields {
    std::uint8_t type = 6, packing = 0;
    std::uint32_t width = 5, height = 3, bits = 8, important = 0;
    Bytes palette;   // 4 bytes a colour
    Bytes pixels;    // rows as stored
    Bytes hotSpots;
    std::function<Bytes(const Bytes&)> lz77;
};
Bytes HelpPictureRecord(const HelpPictureFields& fields);

// ---- the module's portable decode ----
bool Decode(const Bytes& file, zyl::DecodedPicture* out, bool firstFrameOnly = false);
Picture StripPicture(const zyl::DecodedPicture& pic);
// The strip of a file that must decode, or an empty picture.
Picture DecodedStrip(const Bytes& file, bool firstFrameOnly = false);
// Palette indices of a frame DIB, top row first.
Bytes FrameIndices(const zyl::PackedDib& frame);

// ---- ImageMagick and gifsicle ----
// Whether the real ImageMagick (not a stand-in earlier on PATH) and
// gifsicle are there.
bool HaveImageTools();
// `/usr/bin/convert ARGS FORMAT:NAME` into the scratch folder; false with
// the reason when it failed.
bool Convert(const Scratch& scratch, const std::string& args, const std::string& name, std::string* why,
             const std::string& format = "");
// Several commands side by side in one shell (each Unix program takes a
// while to start); false when any of them failed.
bool RunUnixTogether(const std::vector<std::string>& commands, std::string* why);
// ImageMagick's decode of a scratch file, or of image `image` of it.
Picture MagickDecode(const Scratch& scratch, const std::string& name, int image = -1);

}  // namespace zyltest
