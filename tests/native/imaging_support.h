// Helpers of the imaging tests: GIF files put together byte by byte (with a
// real LZW encoder), ImageMagick as the decoder to agree with, and a scratch
// directory for the files the oracles write.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/picture.h"

namespace imgtest {

using Bytes = std::vector<std::uint8_t>;

// ---- LZW ----
enum class TableFull {
    kClear,     // send a clear code and start again, as most encoders do
    kKeepGoing  // keep the full table and stay at 12 bits
};

// Codes packed least significant bit first, the way GIF data runs.
class BitWriter {
public:
    void Put(int code, int size);
    Bytes Finish();

private:
    Bytes out_;
    std::uint32_t acc_ = 0;
    int bits_ = 0;
};

// Greedy GIF LZW of `pixels` (each below 2^minCodeSize), end code included
// unless `withEnd` is false.
Bytes LzwEncode(const Bytes& pixels, int minCodeSize, TableFull full = TableFull::kClear, bool withEnd = true);

// ---- GIF files ----
std::uint8_t TableColour(int index, int channel);   // colour table used by the builder

class GifBuilder {
public:
    // Header and logical screen; `globalBits` 0 = no global colour table.
    GifBuilder& Header(int width, int height, int globalBits, const char* signature = "GIF89a");
    GifBuilder& GraphicControl(int delay, int transparentIndex = -1);
    GifBuilder& Netscape();
    GifBuilder& Application(const char* identifier, const char* code, const std::vector<Bytes>& subBlocks);
    GifBuilder& Comment(const std::string& text);
    // An image: `pixels` row by row (rows reordered when interlaced).
    // `localBits` 0 = no local table; the local table is the global one
    // reversed, so a decoder that takes the wrong table shows it.
    GifBuilder& Image(int width, int height, const Bytes& pixels, int localBits = 0, bool interlaced = false,
                      int minCodeSize = 0);
    // An image whose LZW data is given as is (split into sub-blocks).
    GifBuilder& RawImage(int width, int height, int minCodeSize, const Bytes& lzw, int localBits = 0,
                         bool interlaced = false);
    GifBuilder& Byte(std::uint8_t b);
    GifBuilder& Trailer();
    Bytes bytes;
};

std::uint8_t LocalColour(int index, int channel, int bits);
// Sub-blocks of at most 255 bytes and the zero-length one.
void AppendSubBlocks(Bytes* out, const Bytes& data);

// ---- decoding in the tests ----
struct Rgb {
    int width = 0, height = 0;
    Bytes pixels;   // top row first
};

bool Decode(const Bytes& file, zyl::DecodedPicture* out, bool firstFrameOnly = false);
Rgb FrameRgb(const zyl::PackedDib& frame);
Rgb StripRgb(const zyl::DecodedPicture& pic);

// Palette indices of a frame DIB, top row first.
Bytes FrameIndices(const zyl::PackedDib& frame);

// ---- the outside world ----
// A scratch directory for this test program, removed when it ends.
const std::string& ScratchDir();
std::string ScratchPath(const std::string& name);
bool WriteFile(const std::string& path, const Bytes& data);
Bytes ReadFile(const std::string& path);
// Runs a shell command; true when it exits with 0.
bool Shell(const std::string& command);
// ImageMagick's decode of `input` (a file, or file[N] for one image of it),
// through `convert INPUT -depth 8 ppm:-`. Empty when it fails.
Rgb MagickDecode(const std::string& input);

}  // namespace imgtest
