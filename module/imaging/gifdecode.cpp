#include "gifdecode.h"

#include <cstdlib>
#include <cstring>

namespace zyl {

namespace {

constexpr int kLzwTableSize = 4096;   // 12-bit codes
constexpr int kMaxCodeSize = 12;
constexpr std::int32_t kAltHeaderOffset = 128;

std::int16_t Le16s(const std::uint8_t* p) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | p[1] << 8));
}

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Work area of one decode. The three tables and the stack are what the
// string table needs; `length` lets a string that fits the current row be
// written straight into the line, back to front, without the stack.
struct LzwWork {
    std::uint8_t stack[kLzwTableSize];
    std::uint8_t suffix[kLzwTableSize];
    std::uint16_t prefix[kLzwTableSize];
    std::uint16_t length[kLzwTableSize];
    std::uint8_t block[256];   // current data sub-block
};

// Where decoded rows go: packs the index line into the frame DIB's row,
// bottom-up, walking the interlace passes.
class RowWriter {
public:
    RowWriter(std::uint8_t* bits, std::size_t stride, std::int32_t width, std::int32_t height, std::uint32_t depth,
              bool interlaced)
        : bits_(bits), stride_(stride), width_(width), height_(height), depth_(depth), interlaced_(interlaced),
          step_(interlaced ? 8 : 1) {}

    // True once every row has arrived.
    bool Done() const { return done_; }

    void Store(const std::uint8_t* line) {
        if (done_) return;
        std::uint8_t* out = bits_ + stride_ * static_cast<std::size_t>(height_ - 1 - row_);
        Pack(line, out);
        Advance();
    }

private:
    void Pack(const std::uint8_t* line, std::uint8_t* out) const {
        const std::int32_t w = width_;
        if (depth_ == 8) {
            std::memcpy(out, line, static_cast<std::size_t>(w));
        } else if (depth_ == 4) {
            std::int32_t x = 0;
            for (; x + 1 < w; x += 2)
                *out++ = static_cast<std::uint8_t>((line[x] << 4) | (line[x + 1] & 0x0F));
            if (x < w) *out = static_cast<std::uint8_t>(line[x] << 4);
        } else {
            for (std::int32_t x = 0; x < w; x += 8) {
                std::uint8_t byte = 0;
                const std::int32_t n = w - x < 8 ? w - x : 8;
                for (std::int32_t i = 0; i < n; ++i)
                    if (line[x + i]) byte = static_cast<std::uint8_t>(byte | (0x80 >> i));
                *out++ = byte;
            }
        }
    }

    void Advance() {
        row_ += step_;
        if (!interlaced_) {
            if (row_ >= height_) done_ = true;
            return;
        }
        // Passes start at rows 0, 4, 2, 1 with steps 8, 8, 4, 2; a pass
        // whose start row is past a short image is skipped.
        static const std::int32_t kStart[4] = {0, 4, 2, 1};
        static const std::int32_t kStep[4] = {8, 8, 4, 2};
        while (row_ >= height_) {
            if (++pass_ == 4) {
                done_ = true;
                return;
            }
            row_ = kStart[pass_];
            step_ = kStep[pass_];
        }
    }

    std::uint8_t* bits_;
    std::size_t stride_;
    std::int32_t width_, height_;
    std::uint32_t depth_;
    bool interlaced_;
    std::int32_t row_ = 0;
    std::int32_t step_;
    int pass_ = 0;
    bool done_ = false;
};

// Reads the sub-blocks of an extension and drops them: a length byte, that
// many bytes, until a zero length or the end of the file.
void SkipSubBlocks(const PictureSource& src) {
    std::uint8_t buf[256];
    for (;;) {
        std::uint8_t len;
        if (src.read(src.context, &len, 1) != 1 || len == 0) return;
        if (!ReadExact(src, buf, len)) return;
    }
}

bool HasGifSignature(const std::uint8_t* h) {
    return (h[0] | 0x20) == 'g' && (h[1] | 0x20) == 'i' && (h[2] | 0x20) == 'f';
}

}  // namespace

std::uint32_t FrameDibDepth(int tableBits) {
    if (tableBits <= 1) return 1;
    if (tableBits <= 4) return 4;
    return 8;
}

bool CreateFrameDib(std::int32_t width, std::int32_t height, const std::uint8_t* colourTable, int tableBits,
                    PackedDib* out) {
    out->Reset();
    if (tableBits < 1 || tableBits > 8 || height < 1 || height > kMaxDibSide) return false;
    const std::uint32_t depth = FrameDibDepth(tableBits);
    const std::int64_t stride = DibStride(width, depth);
    if (stride <= 0 || stride * height > static_cast<std::int64_t>(kMaxDibImageBytes)) return false;
    const std::uint32_t colours = 1u << depth;
    const std::uint32_t imageSize = static_cast<std::uint32_t>(stride * height);
    if (!out->Allocate(kDibInfoHeaderSize + colours * 4 + imageSize)) return false;

    DibInfoHeader h{};
    h.size = kDibInfoHeaderSize;
    h.width = width;
    h.height = height;
    h.planes = 1;
    h.bitCount = static_cast<std::uint16_t>(depth);
    h.compression = kDibRgb;
    h.sizeImage = imageSize;
    h.clrUsed = colours;
    h.clrImportant = colours;
    out->SetHeader(h);
    std::uint8_t* q = out->data() + kDibInfoHeaderSize;
    const std::uint32_t given = 1u << tableBits;   // <= colours
    if (colourTable) {
        for (std::uint32_t i = 0; i < given; ++i, q += 4) {
            q[0] = colourTable[3 * i + 2];
            q[1] = colourTable[3 * i + 1];
            q[2] = colourTable[3 * i];
        }
    }
    return true;
}

bool DecodeLzw(const PictureSource& src, int minCodeSize, PackedDib* frame, bool interlaced) {
    const DibInfoHeader h = frame->Header();
    std::uint8_t* bits = frame->Bits();
    const std::int64_t stride = DibStride(h.width, h.bitCount);
    if (!bits || h.size != kDibInfoHeaderSize || h.height < 1 || stride <= 0 ||
        (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8) ||
        static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(h.height) > frame->BitsSize())
        return false;   // not a frame DIB of ours
    if (minCodeSize < 2 || minCodeSize > 8) return true;

    // The tables need no clearing: an entry past the literals is written
    // before any code can name it, and the literals are set below.
    LzwWork* work = static_cast<LzwWork*>(std::malloc(sizeof(LzwWork)));
    const std::int32_t width = h.width;
    std::uint8_t* line = static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(width), 1));
    if (!work || !line) {
        std::free(work);
        std::free(line);
        return true;
    }
    RowWriter rows(bits, static_cast<std::size_t>(stride), width, h.height, h.bitCount, interlaced);

    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    for (int i = 0; i < clear; ++i) {
        work->suffix[i] = static_cast<std::uint8_t>(i);
        work->length[i] = 1;
    }
    int next = clear + 2;
    int codeSize = minCodeSize + 1;
    int limit = 1 << codeSize;
    int previous = -1;
    int first = -1;
    std::int32_t column = 0;

    // Bit reader: codes least significant bit first, across sub-blocks.
    std::uint32_t bitBuf = 0;
    int bitCount = 0;
    std::uint32_t blockPos = 0, blockLeft = 0;
    bool ok = false;

    const std::uint8_t* const suffix = work->suffix;
    const std::uint16_t* const prefix = work->prefix;
    for (;;) {
        while (bitCount < codeSize) {
            if (blockLeft == 0) {
                std::uint8_t len;
                if (src.read(src.context, &len, 1) != 1 || len == 0) goto done;
                if (!ReadExact(src, work->block, len)) goto done;
                blockPos = 0;
                blockLeft = len;
            }
            bitBuf |= static_cast<std::uint32_t>(work->block[blockPos++]) << bitCount;
            bitCount += 8;
            --blockLeft;
        }
        int code = static_cast<int>(bitBuf & static_cast<std::uint32_t>(limit - 1));
        bitBuf >>= codeSize;
        bitCount -= codeSize;

        if (code == end) {
            ok = true;
            goto done;
        }
        if (code > next) goto done;
        if (code == clear) {
            next = clear + 2;
            codeSize = minCodeSize + 1;
            limit = 1 << codeSize;
            previous = -1;
            first = -1;
            continue;
        }

        const int asRead = code;
        int tail = -1;   // the extra last byte of a string not yet in the table
        if (code == next) {
            if (previous < 0) goto done;
            tail = first;
            code = previous;
        }
        const std::int32_t len = work->length[code] + (tail >= 0 ? 1 : 0);
        if (column + len <= width) {
            // The whole string fits the row: write it back to front.
            std::uint8_t* p = line + column + len - 1;
            if (tail >= 0) *p-- = static_cast<std::uint8_t>(tail);
            while (code >= clear) {
                *p-- = suffix[code];
                code = prefix[code];
            }
            *p = static_cast<std::uint8_t>(code);
            column += len;
            if (column == width) {
                rows.Store(line);
                column = 0;
            }
        } else {
            // It runs across rows: through the stack, one byte at a time.
            std::uint8_t* const stack = work->stack;
            int sp = 0;
            if (tail >= 0) stack[sp++] = static_cast<std::uint8_t>(tail);
            while (code >= clear) {
                if (sp >= kLzwTableSize) goto done;
                stack[sp++] = suffix[code];
                code = prefix[code];
            }
            line[column++] = static_cast<std::uint8_t>(code);
            if (column == width) {
                rows.Store(line);
                column = 0;
            }
            while (sp > 0) {
                line[column++] = stack[--sp];
                if (column == width) {
                    rows.Store(line);
                    column = 0;
                }
            }
        }
        if (rows.Done()) {
            // Every pixel is in: the rest of the data is surplus, the end
            // code included (some encoders write it a bit too short just
            // where the code size grows).
            SkipSubBlocks(src);
            ok = true;
            goto done;
        }
        first = code;

        if (next < kLzwTableSize && previous >= 0) {
            work->prefix[next] = static_cast<std::uint16_t>(previous);
            work->suffix[next] = static_cast<std::uint8_t>(first);
            work->length[next] = static_cast<std::uint16_t>(work->length[previous] + 1);
            ++next;
            if (next == limit && codeSize < kMaxCodeSize) {
                ++codeSize;
                limit <<= 1;
            }
        }
        previous = asRead;
    }
done:
    std::free(line);
    std::free(work);
    return ok;
}

namespace {

// State of one GIF read, shared by the block handlers below.
struct GifRead {
    const PictureSource& src;
    bool firstFrameOnly;
    const GifFrameSink& sink;
    PictureInfo* info;
    std::uint8_t globalTable[768] = {};   // black when the file has none
    std::uint8_t localTable[768] = {};
    int globalBits = 1;
    bool animated = false;
    bool controlKept = false;             // graphic control data waiting for the next image
    std::uint8_t controlPacked = 0;
    std::uint8_t controlTransparent = 0;
    std::int64_t stripWidth = 0;
};

void ReadHotSpots(GifRead& g) {
    PictureInfo* info = g.info;
    info->hotSpotsSet = true;
    info->hotSpotCount = 0;
    // Records past the table's 100 are read and dropped.
    std::uint8_t table[kHotSpotCapacity * 12];
    std::size_t kept = 0, total = 0;
    std::uint8_t buf[256];
    for (;;) {
        std::uint8_t len;
        if (g.src.read(g.src.context, &len, 1) != 1) return;
        if (len == 0) break;
        if (!ReadExact(g.src, buf, len)) return;
        const std::size_t room = sizeof table - kept;
        const std::size_t n = len < room ? len : room;
        std::memcpy(table + kept, buf, n);
        kept += n;
        total += len;
    }
    std::size_t count = total / 12;
    if (count > static_cast<std::size_t>(kHotSpotCapacity)) count = kHotSpotCapacity;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* r = table + 12 * i;
        info->hotSpots[i] = GifHotSpot{Le16s(r), Le16s(r + 2), Le16s(r + 4), Le16s(r + 6), Le32(r + 8)};
    }
    info->hotSpotCount = static_cast<std::int32_t>(count);
}

void ReadExtension(GifRead& g) {
    std::uint8_t label;
    if (g.src.read(g.src.context, &label, 1) != 1) return;
    switch (label) {
    case 0x01: {   // plain text: block size and 12 bytes, then its text
        std::uint8_t b[13];
        if (ReadExact(g.src, b, 13)) SkipSubBlocks(g.src);
        return;
    }
    case 0xF9: {   // graphic control: size, packed, delay, transparent index, terminator
        std::uint8_t b[6];
        if (!ReadExact(g.src, b, 6)) return;
        // The delay is a signed field: 0x8000 and above read as negative
        // hundredths and stay so (a timer of that period never fires).
        const std::int32_t ms = Le16s(b + 2) * 10;
        g.info->frameDelay = ms != 0 ? ms : 10;
        g.info->frameDelaySet = true;
        g.controlPacked = b[1];
        g.controlTransparent = b[4];
        g.controlKept = true;
        return;
    }
    case 0xFF: {   // application: size, 8-byte identifier, 3-byte code
        std::uint8_t b[12];
        if (!ReadExact(g.src, b, 12)) return;
        if (std::memcmp(b + 1, "NETSCAPE", 8) == 0 && std::memcmp(b + 9, "2.0", 3) == 0) {
            // Size, id and loop count; the terminator is left to the block loop.
            std::uint8_t loop[4];
            ReadExact(g.src, loop, 4);
            if (!g.firstFrameOnly) g.animated = true;
        } else if (std::memcmp(b + 1, "MOTHWING", 8) == 0) {
            ReadHotSpots(g);
        } else {
            SkipSubBlocks(g.src);
        }
        return;
    }
    default:       // comments and anything else
        SkipSubBlocks(g.src);
        return;
    }
}

bool ReadImage(GifRead& g) {
    std::uint8_t d[9];
    if (!ReadExact(g.src, d, 9)) return false;
    const std::int32_t width = Le16s(d + 4);
    const std::int32_t height = Le16s(d + 6);
    const std::uint8_t packed = d[8];
    if (width < 1 || height < 1) return false;
    PictureInfo* info = g.info;
    info->frameWidth = width;
    info->frameHeight = height;

    const std::uint8_t* table = g.globalTable;
    int bits = g.globalBits;
    if (packed & 0x80) {
        bits = (packed & 7) + 1;
        if (!ReadExact(g.src, g.localTable, 3 << bits)) return false;
        table = g.localTable;
    }
    // The strip is as high as the first image and as wide as all of them;
    // neither it nor this image may pass what the file's size allows.
    const std::int64_t stripHeight = info->frameCount == 0 ? height : info->stripHeight;
    const std::uint64_t allowed = MaxDecodedPixels(g.src.size);
    if (static_cast<std::uint64_t>((g.stripWidth + width) * stripHeight) > allowed ||
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > allowed)
        return false;

    PackedDib dib;
    if (!CreateFrameDib(width, height, table, bits, &dib)) return false;
    std::uint8_t minCodeSize;
    if (!ReadExact(g.src, &minCodeSize, 1)) return false;
    if (!DecodeLzw(g.src, minCodeSize, &dib, (packed & 0x40) != 0)) return false;

    // The transparent colour is the frame's colour entry at the kept index;
    // an index past the frame's table sets none.
    std::uint32_t transparent = info->transparentColour;
    if (g.controlKept && (g.controlPacked & 0x01) && g.controlTransparent < (1u << FrameDibDepth(bits))) {
        const std::uint8_t* q = dib.data() + kDibInfoHeaderSize + 4u * g.controlTransparent;
        transparent = static_cast<std::uint32_t>(q[2]) | static_cast<std::uint32_t>(q[1]) << 8 |
                      static_cast<std::uint32_t>(q[0]) << 16;
    }
    if (!g.sink.frame(g.sink.context, &dib, info->frameCount)) return false;
    ++info->frameCount;
    g.stripWidth += width;
    info->stripWidth = static_cast<std::int32_t>(g.stripWidth);
    info->stripHeight = static_cast<std::int32_t>(stripHeight);
    info->transparentColour = transparent;
    g.controlKept = false;
    return true;
}

}  // namespace

bool ReadGifFile(const PictureSource& src, bool firstFrameOnly, const GifFrameSink& sink, PictureInfo* info) {
    info->frameCount = 0;
    info->transparentColour = kPictureNoColour;
    info->stripWidth = 0;
    info->stripHeight = 0;

    std::uint8_t head[13];
    if (!src.seekTo(src.context, 0) || !ReadExact(src, head, 13) || !HasGifSignature(head)) {
        // A GIF behind a 128-byte header.
        if (!src.seekTo(src.context, kAltHeaderOffset) || !ReadExact(src, head, 13) || !HasGifSignature(head))
            return false;
    }
    GifRead g{src, firstFrameOnly, sink, info};
    g.globalBits = (head[10] & 7) + 1;
    if ((head[10] & 0x80) && !ReadExact(src, g.globalTable, 3 << g.globalBits)) return false;

    for (;;) {
        std::uint8_t b;
        if (src.read(src.context, &b, 1) != 1) break;
        if (b == 0x21) {
            ReadExtension(g);
        } else if (b == 0x2C) {
            const bool last = !g.animated;
            if (!ReadImage(g)) return false;
            if (last) break;
        } else if (b == 0x3B) {
            break;
        }
        // Any other byte is passed over: the zero that ends a data stream,
        // or what is left of an extension read in part.
    }
    return info->frameCount > 0;
}

}  // namespace zyl
