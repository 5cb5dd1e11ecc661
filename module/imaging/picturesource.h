// What the picture readers read from and what they report besides pixels.
//
// The readers pull their bytes through a `PictureSource`: two plain
// callbacks over whatever holds the file. In the module it wraps a DataFile
// (DataFileRead, DataFileSeek from the start); natively a `MemorySource`.
// Every field is read in sequence through it, so a file that ends at any
// point makes the read come up short and the reader fails cleanly.
//
// Portable: no <windows.h>.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zyl {

struct PictureSource {
    void* context;
    // Reads up to `count` bytes into `buffer`; returns how many arrived
    // (fewer only at the end of the file or on a read error).
    std::int32_t (*read)(void* context, void* buffer, std::int32_t count);
    // Moves to the absolute offset `offset` (>= 0); false when refused.
    // Moving past the end is allowed: later reads then yield nothing.
    bool (*seekTo)(void* context, std::int32_t offset);
    // The file's length in bytes: what its picture may decode to depends on it.
    std::uint64_t size;
};

// The most pixels a picture file of `fileBytes` may decode to, all frames
// together: 256 K pixels whatever the file's size, beyond that 4096 pixels
// for each byte of the file, and never more than kMaxPicturePixels. No GIF
// can pack more into a byte: a 12-bit code stands for at most 4091 pixels,
// about 2730 a byte even when the encoder never clears its table (one flat
// colour, as ImageMagick writes it, gives about a thousand). A small forged
// file cannot make the module hold a strip of tens of megabytes. The readers
// refuse a larger picture before they make any block for it.
constexpr std::uint64_t kFreePixels = 256u << 10;
constexpr std::uint64_t kPixelsPerFileByte = 4096;
constexpr std::uint64_t kMaxPicturePixels = 16u << 20;
std::uint64_t MaxDecodedPixels(std::uint64_t fileBytes);

// True when exactly `count` bytes arrived.
bool ReadExact(const PictureSource& src, void* buffer, std::int32_t count);

struct DataFile;

// A source over an open data file of the file-access layer (DataFileRead,
// DataFileSeek from the start): what the module's picture reader reads.
PictureSource DataFilePictureSource(DataFile* file);

// A source over a block of memory the caller keeps alive.
class MemorySource {
public:
    MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    PictureSource Source() { return PictureSource{this, &Read, &SeekTo, size_}; }
    std::size_t position() const { return pos_; }

private:
    static std::int32_t Read(void* context, void* buffer, std::int32_t count);
    static bool SeekTo(void* context, std::int32_t offset);
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Colour values are colour references: red in the low byte, then green,
// then blue. This one means "no colour".
constexpr std::uint32_t kPictureNoColour = 0x80000000u;

// A hot spot as the GIF hot-spot extension stores it and as the picture
// entry keeps it: 12 bytes, the layout of the entry's `HotSpot`.
struct GifHotSpot {
    std::int16_t left, top, right, bottom;   // frame pixels
    std::uint32_t context;                   // topic shown as a popup on a click
};
static_assert(sizeof(GifHotSpot) == 12, "hot-spot record layout");
constexpr int kHotSpotCapacity = 100;        // the entry's table: 1200 bytes

// What a read tells the picture entry besides the pixels. The readers only
// touch the fields the file sets; a GIF that fails part-way leaves the
// delay and hot spots it read before the failure, as the entry keeps them.
struct PictureInfo {
    std::int32_t frameWidth = 0;      // bitmap: its size; GIF: the last image read
    std::int32_t frameHeight = 0;
    std::int32_t frameCount = 0;      // images in the strip
    bool frameDelaySet = false;       // a graphic control extension was read
    std::int32_t frameDelay = 0;      // milliseconds, when set
    std::uint32_t transparentColour = kPictureNoColour;
    bool hotSpotsSet = false;         // a hot-spot extension was read: replace the entry's table
    std::int32_t hotSpotCount = 0;
    GifHotSpot hotSpots[kHotSpotCapacity] = {};
    std::int32_t stripWidth = 0;      // all frames side by side
    std::int32_t stripHeight = 0;     // the first image's height
};

}  // namespace zyl
