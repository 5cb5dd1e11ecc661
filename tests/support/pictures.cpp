#include "pictures.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "imaging/dibformat.h"

namespace zyltest {

// ---- pixels ----

Picture Picture::Solid(int width, int height, std::uint32_t colour) {
    return Painted(width, height, [colour](int, int) { return colour; });
}

Picture Picture::Painted(int width, int height, const std::function<std::uint32_t(int x, int y)>& colour) {
    Picture p;
    p.width = width;
    p.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) p.rgb.push_back(colour(x, y));
    return p;
}

std::string Difference(const Picture& mine, const Picture& expected) {
    if (expected.width == 0) return "no expected picture";
    if (mine.width != expected.width || mine.height != expected.height)
        return "size " + std::to_string(mine.width) + "x" + std::to_string(mine.height) + ", expected " +
               std::to_string(expected.width) + "x" + std::to_string(expected.height);
    std::size_t bad = 0, first = 0;
    for (std::size_t i = 0; i < expected.rgb.size(); ++i)
        if (mine.rgb[i] != expected.rgb[i] && bad++ == 0) first = i;
    if (bad == 0) return std::string();
    char text[160];
    std::snprintf(text, sizeof text, "%zu pixels differ; first at (%d, %d): %06lX, expected %06lX", bad,
                  static_cast<int>(first % static_cast<std::size_t>(expected.width)),
                  static_cast<int>(first / static_cast<std::size_t>(expected.width)),
                  static_cast<unsigned long>(mine.rgb[first]), static_cast<unsigned long>(expected.rgb[first]));
    return text;
}

Picture Part(const Picture& p, int left, int width, int top, int height) {
    Picture out;
    if (height < 0) height = p.height - top;
    if (left < 0 || width <= 0 || left + width > p.width || top < 0 || height <= 0 || top + height > p.height) return out;
    out.width = width;
    out.height = height;
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x) out.rgb.push_back(p.at(x, y));
    return out;
}

Picture Varied(int width, int height, unsigned seed, std::uint32_t avoid) {
    return Picture::Painted(width, height, [&](int x, int y) {
        const std::uint32_t c = (static_cast<std::uint32_t>(y * width + x) * 0x2F4A1B + seed * 0x1357 + 0x10) & 0xFFFFFF;
        return c == avoid ? c ^ 0x010101 : c;
    });
}

namespace {

Picture FromRgbBytes(const std::vector<std::uint8_t>& rgb, std::int32_t w, std::int32_t h) {
    Picture p;
    p.width = w;
    p.height = h;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
        p.rgb.push_back(static_cast<std::uint32_t>(rgb[i]) << 16 | static_cast<std::uint32_t>(rgb[i + 1]) << 8 | rgb[i + 2]);
    return p;
}

}  // namespace

Picture ParsePpm(const Bytes& ppm) {
    // "P6", the width, height and 255, each after white space; one more
    // white-space byte, then the pixels.
    const std::string head(ppm.begin(), ppm.begin() + static_cast<long>(std::min<std::size_t>(ppm.size(), 40)));
    int w = 0, h = 0, maxval = 0, at = 0;
    if (std::sscanf(head.c_str(), "P6 %5d %5d %3d%n", &w, &h, &maxval, &at) != 3 || maxval != 255 || w < 1 || h < 1)
        return Picture();
    if (ppm.size() != static_cast<std::size_t>(at + 1) + static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3)
        return Picture();
    return FromRgbBytes(Bytes(ppm.begin() + at + 1, ppm.end()), w, h);
}

// ---- bitmap files ----

Bytes BmpFile(const BmpFields& s) {
    BmpParts parts{Bytes(s.headerSize, 0), s.table, s.pixels};
    const auto put = [&](std::size_t at, std::uint32_t v, int width) {
        for (int i = 0; i < width && at + i < parts.header.size(); ++i)
            parts.header[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(0, s.headerSize, 4);
    put(4, static_cast<std::uint32_t>(s.width), 4);
    put(8, static_cast<std::uint32_t>(s.height), 4);
    put(12, 1, 2);
    put(14, s.bits, 2);
    put(16, s.compression, 4);
    put(20, s.sizeImage, 4);
    put(32, s.used, 4);
    const std::int64_t gap = s.bitsOffset - static_cast<std::int64_t>(14 + s.headerSize + s.table.size());
    if (gap > 0) parts.table.resize(parts.table.size() + static_cast<std::size_t>(gap), 0xAA);
    return JoinBmp(parts);
}

Bytes Bmp24(const Picture& p) {
    BmpFields s;
    s.width = p.width;
    s.height = p.height;
    const int stride = (p.width * 3 + 3) & ~3;
    for (int y = p.height - 1; y >= 0; --y) {
        for (int x = 0; x < p.width; ++x) {
            const std::uint32_t c = p.at(x, y);
            s.pixels.insert(s.pixels.end(), {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8),
                                             static_cast<std::uint8_t>(c >> 16)});
        }
        s.pixels.resize(s.pixels.size() + static_cast<std::size_t>(stride - p.width * 3), 0);
    }
    s.sizeImage = static_cast<std::uint32_t>(s.pixels.size());
    return BmpFile(s);
}

Bytes Bmp8(int width, int height, const std::vector<std::uint32_t>& table, const Bytes& indices) {
    BmpFields s;
    s.width = width;
    s.height = height;
    s.bits = 8;
    s.used = static_cast<std::uint32_t>(table.size());
    for (std::uint32_t c : table) Append32(&s.table, c);   // blue, green, red, 0
    const int stride = (width + 3) & ~3;
    for (int y = height - 1; y >= 0; --y) {
        s.pixels.insert(s.pixels.end(), indices.begin() + y * width, indices.begin() + (y + 1) * width);
        s.pixels.resize(s.pixels.size() + static_cast<std::size_t>(stride - width), 0);
    }
    return BmpFile(s);
}

BmpParts SplitBmp(const Bytes& f) {
    BmpParts p;
    if (f.size() < 18) return p;
    const std::uint32_t bitsAt = Get32(f, 10), headerSize = Get32(f, 14);
    if (bitsAt > f.size() || 14 + headerSize > bitsAt) return p;
    p.header.assign(f.begin() + 14, f.begin() + 14 + headerSize);
    p.table.assign(f.begin() + 14 + headerSize, f.begin() + bitsAt);
    p.bits.assign(f.begin() + bitsAt, f.end());
    return p;
}

Bytes JoinBmp(const BmpParts& p) {
    Bytes f = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const std::size_t bitsAt = 14 + p.header.size() + p.table.size();
    Put32(f, 2, static_cast<std::uint32_t>(bitsAt + p.bits.size()));
    Put32(f, 10, static_cast<std::uint32_t>(bitsAt));
    f.insert(f.end(), p.header.begin(), p.header.end());
    f.insert(f.end(), p.table.begin(), p.table.end());
    f.insert(f.end(), p.bits.begin(), p.bits.end());
    return f;
}

Bytes TopDownBmp(const Bytes& file) {
    BmpParts p = SplitBmp(file);
    if (p.header.size() < 12) return Bytes();
    const std::uint32_t rows = Get32(p.header, 8);
    if (rows == 0 || p.bits.size() % rows) return Bytes();
    const std::size_t stride = p.bits.size() / rows;
    Bytes flipped;
    for (std::uint32_t y = rows; y-- > 0;)
        flipped.insert(flipped.end(), p.bits.begin() + static_cast<long>(y * stride),
                       p.bits.begin() + static_cast<long>((y + 1) * stride));
    p.bits = flipped;
    Put32(p.header, 8, static_cast<std::uint32_t>(-static_cast<std::int32_t>(rows)));
    return JoinBmp(p);
}

// ---- LZW ----

void BitWriter::Put(int code, int size) {
    acc |= static_cast<std::uint32_t>(code) << bits;
    bits += size;
    while (bits >= 8) {
        out.push_back(static_cast<std::uint8_t>(acc));
        acc >>= 8;
        bits -= 8;
    }
}

Bytes BitWriter::Finish() {
    if (bits > 0) out.push_back(static_cast<std::uint8_t>(acc));
    acc = 0;
    bits = 0;
    return out;
}

namespace {

// The code size the decoder reads with, kept in step with the encoder (the
// decoder adds each entry one code later than the encoder does).
struct CodeSizeTracker {
    int clear, size = 0, next = 0;
    bool havePrevious = false;
    explicit CodeSizeTracker(int minCodeSize) : clear(1 << minCodeSize) { Reset(minCodeSize); }
    void Reset(int minCodeSize) {
        size = minCodeSize + 1;
        next = clear + 2;
        havePrevious = false;
    }
    void AfterData() {
        if (havePrevious && next < 4096 && ++next == 1 << size && size < 12) ++size;
        havePrevious = true;
    }
};

}  // namespace

Bytes LzwEncode(const Bytes& pixels, int minCodeSize, TableFull full, int last, int lastWidth) {
    const int clear = 1 << minCodeSize;
    BitWriter out;
    CodeSizeTracker dec(minCodeSize);
    std::unordered_map<std::uint32_t, int> table;
    int next = clear + 2;
    out.Put(clear, dec.size);
    if (!pixels.empty()) {
        int w = pixels[0];
        for (std::size_t i = 1; i < pixels.size(); ++i) {
            const int k = pixels[i];
            const std::uint32_t key = static_cast<std::uint32_t>(w) << 8 | static_cast<std::uint32_t>(k);
            auto it = table.find(key);
            if (it != table.end()) {
                w = it->second;
                continue;
            }
            out.Put(w, dec.size);
            dec.AfterData();
            if (next < 4096) {
                table[key] = next++;
            } else if (full == TableFull::kClear) {
                out.Put(clear, dec.size);
                dec.Reset(minCodeSize);
                table.clear();
                next = clear + 2;
            }
            w = k;
        }
        out.Put(w, dec.size);
        dec.AfterData();
    }
    if (last != kNoLastCode) out.Put(last == kEndCode ? clear + 1 : last, dec.size + lastWidth);
    return out.Finish();
}

// ---- GIF files ----

namespace {

std::uint8_t Channel(int index, int channel) {
    switch (channel) {
    case 0: return static_cast<std::uint8_t>(index * 37 + 11);
    case 1: return static_cast<std::uint8_t>(index * 91 + 7);
    default: return static_cast<std::uint8_t>(255 - index * 13);
    }
}

void AppendColour(Bytes* b, std::uint32_t rgb) {
    b->insert(b->end(), {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                         static_cast<std::uint8_t>(rgb)});
}

}  // namespace

std::uint32_t GifColour(int index) {
    return static_cast<std::uint32_t>(Channel(index, 0)) << 16 | static_cast<std::uint32_t>(Channel(index, 1)) << 8 |
           Channel(index, 2);
}

std::uint32_t LocalGifColour(int index, int bits) { return GifColour((1 << bits) - 1 - index); }

Bytes IndexPattern(int count, int colours, unsigned seed) {
    Bytes p(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < p.size(); ++i) {
        seed = seed * 1103515245u + 12345u;
        p[i] = static_cast<std::uint8_t>(((seed >> 16) % 7 == 0 ? (seed >> 8) : i / 5) % static_cast<unsigned>(colours));
    }
    return p;
}

namespace {

Bytes HelpRle(const Bytes& in) {
    Bytes out;
    for (std::size_t i = 0; i < in.size();) {
        std::size_t run = 1;
        while (i + run < in.size() && in[i + run] == in[i] && run < 127) ++run;
        if (run >= 3) {
            out.push_back(static_cast<std::uint8_t>(run));
            out.push_back(in[i]);
            i += run;
            continue;
        }
        std::size_t n = 0;
        while (i + n < in.size() && n < 127 && !(i + n + 2 < in.size() && in[i + n] == in[i + n + 1] && in[i + n] == in[i + n + 2])) ++n;
        out.push_back(static_cast<std::uint8_t>(0x80 | n));
        out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(i), in.begin() + static_cast<std::ptrdiff_t>(i + n));
        i += n;
    }
    return out;
}

void PutCUShort(Bytes* b, std::uint32_t v) {
    if (v < 0x80) b->push_back(static_cast<std::uint8_t>(v * 2));
    else Append16(b, v * 2 + 1);
}
void PutCULong(Bytes* b, std::uint32_t v) {
    if (v < 0x8000) Append16(b, v * 2);
    else Append32(b, v * 2 + 1);
}

}  // namespace

Bytes HelpPictureRecord(const HelpPictureFields& p) {
    Bytes packed = p.packing == 1 || p.packing == 3 ? HelpRle(p.pixels) : p.pixels;
    if (p.packing >= 2) packed = p.lz77(packed);
    Bytes head = {p.type, p.packing};
    PutCULong(&head, 96);
    PutCULong(&head, 96);
    PutCUShort(&head, 1);
    PutCUShort(&head, p.bits);
    for (std::size_t v : {std::size_t(p.width), std::size_t(p.height), p.palette.size() / 4, std::size_t(p.important),
                          packed.size(), p.hotSpots.size()})
        PutCULong(&head, static_cast<std::uint32_t>(v));
    const std::uint32_t dataAt = static_cast<std::uint32_t>(head.size() + 8 + p.palette.size());
    Bytes record = {'l', 'P', 1, 0, 8, 0, 0, 0};
    record.insert(record.end(), head.begin(), head.end());
    Append32(&record, dataAt);
    Append32(&record, p.hotSpots.empty() ? 0 : dataAt + static_cast<std::uint32_t>(packed.size()));
    const Bytes& data = packed;
    for (const Bytes* part : {&p.palette, &data, &p.hotSpots}) record.insert(record.end(), part->begin(), part->end());
    return record;
}

Bytes SpotRecords(const std::vector<Spot>& spots) {
    Bytes b;
    for (const Spot& s : spots) {
        for (int v : {s.left, s.top, s.right, s.bottom}) Append16(&b, static_cast<std::uint16_t>(v));
        Append32(&b, s.context);
    }
    return b;
}

void AppendSubBlocks(Bytes* out, const Bytes& data) {
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t n = data.size() - at < 255 ? data.size() - at : 255;
        out->push_back(static_cast<std::uint8_t>(n));
        out->insert(out->end(), data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(at + n));
    }
    out->push_back(0);
}

Bytes DeclaredGif(const std::vector<std::pair<int, int>>& images, std::size_t padding) {
    GifBuilder g;
    g.Header(1, 1, 1).Comment(std::string(padding, 'x')).Netscape();
    for (const auto& wh : images) g.RawImage(wh.first, wh.second, 2, LzwEncode(Bytes(), 2));
    return g.Trailer().bytes;
}

GifBuilder& GifBuilder::Colours(const std::vector<std::uint32_t>& table) {
    colours_ = table;
    return *this;
}

GifBuilder& GifBuilder::Header(int width, int height, int globalBits, const char* signature) {
    bytes.insert(bytes.end(), signature, signature + 6);
    Append16(&bytes, static_cast<std::uint32_t>(width));
    Append16(&bytes, static_cast<std::uint32_t>(height));
    bytes.push_back(static_cast<std::uint8_t>(globalBits ? 0x80 | 0x70 | (globalBits - 1) : 0x70));
    bytes.push_back(0);
    bytes.push_back(0);
    for (int i = 0; globalBits && i < (1 << globalBits); ++i)
        AppendColour(&bytes, colours_.empty() ? GifColour(i)
                                              : static_cast<std::size_t>(i) < colours_.size() ? colours_[i] : 0);
    return *this;
}

GifBuilder& GifBuilder::GraphicControl(int delay, int transparentIndex) {
    const std::uint8_t b[] = {0x21, 0xF9, 4, static_cast<std::uint8_t>(transparentIndex >= 0 ? 1 : 0),
                              static_cast<std::uint8_t>(delay), static_cast<std::uint8_t>(delay >> 8),
                              static_cast<std::uint8_t>(transparentIndex >= 0 ? transparentIndex : 0), 0};
    bytes.insert(bytes.end(), b, b + sizeof b);
    return *this;
}

GifBuilder& GifBuilder::Netscape() { return Application("NETSCAPE", "2.0", {Bytes{1, 0, 0}}); }

GifBuilder& GifBuilder::Application(const char* identifier, const char* code, const std::vector<Bytes>& subBlocks) {
    bytes.insert(bytes.end(), {0x21, 0xFF, 11});
    bytes.insert(bytes.end(), identifier, identifier + 8);
    bytes.insert(bytes.end(), code, code + 3);
    for (const Bytes& s : subBlocks) {
        bytes.push_back(static_cast<std::uint8_t>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
    }
    bytes.push_back(0);
    return *this;
}

GifBuilder& GifBuilder::HotSpots(const std::vector<Spot>& spots, std::size_t perBlock) {
    std::vector<Bytes> blocks;
    for (std::size_t i = 0; i < spots.size(); i += perBlock)
        blocks.push_back(SpotRecords({spots.begin() + static_cast<long>(i),
                                      spots.begin() + static_cast<long>(std::min(i + perBlock, spots.size()))}));
    return Application("MOTHWING", "1.0", blocks);
}

GifBuilder& GifBuilder::Comment(const std::string& text) {
    bytes.insert(bytes.end(), {0x21, 0xFE});
    AppendSubBlocks(&bytes, Bytes(text.begin(), text.end()));
    return *this;
}

GifBuilder& GifBuilder::RawImage(int width, int height, int minCodeSize, const Bytes& lzw, int localBits,
                                 bool interlaced) {
    bytes.push_back(0x2C);
    Append32(&bytes, 0);
    Append16(&bytes, static_cast<std::uint32_t>(width));
    Append16(&bytes, static_cast<std::uint32_t>(height));
    bytes.push_back(static_cast<std::uint8_t>((localBits ? 0x80 | (localBits - 1) : 0) | (interlaced ? 0x40 : 0)));
    for (int i = 0; localBits && i < (1 << localBits); ++i) AppendColour(&bytes, LocalGifColour(i, localBits));
    bytes.push_back(static_cast<std::uint8_t>(minCodeSize));
    AppendSubBlocks(&bytes, lzw);
    return *this;
}

GifBuilder& GifBuilder::Image(int width, int height, const Bytes& pixels, int localBits, bool interlaced,
                              int minCodeSize) {
    if (minCodeSize == 0) {
        int top = 0;
        for (std::uint8_t p : pixels) top = p > top ? p : top;
        minCodeSize = 2;
        while ((1 << minCodeSize) <= top) ++minCodeSize;
    }
    Bytes order = pixels;
    if (interlaced) {
        order.clear();
        static const int kStart[4] = {0, 4, 2, 1};
        static const int kStep[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = kStart[pass]; y < height; y += kStep[pass])
                order.insert(order.end(), pixels.begin() + y * width, pixels.begin() + (y + 1) * width);
    }
    return RawImage(width, height, minCodeSize, LzwEncode(order, minCodeSize), localBits, interlaced);
}

GifBuilder& GifBuilder::Byte(std::uint8_t b) {
    bytes.push_back(b);
    return *this;
}

GifBuilder& GifBuilder::Trailer() { return Byte(0x3B); }

// ---- the module's portable decode ----

bool Decode(const Bytes& file, zyl::DecodedPicture* out, bool firstFrameOnly) {
    return zyl::DecodePictureFile(file.data(), file.size(), firstFrameOnly, out);
}

Picture StripPicture(const zyl::DecodedPicture& pic) {
    std::vector<std::uint8_t> rgb;
    std::int32_t w = 0, h = 0;
    return zyl::RenderStripRgb(pic, &rgb, &w, &h) ? FromRgbBytes(rgb, w, h) : Picture();
}

Picture DecodedStrip(const Bytes& file, bool firstFrameOnly) {
    zyl::DecodedPicture pic;
    return Decode(file, &pic, firstFrameOnly) ? StripPicture(pic) : Picture();
}

Bytes FrameIndices(const zyl::PackedDib& frame) {
    const zyl::DibInfoHeader h = frame.Header();
    const std::uint8_t* bits = frame.Bits();
    const std::int64_t stride = zyl::DibStride(h.width, h.bitCount);
    Bytes out;
    if (!bits || stride <= 0) return out;
    for (int y = 0; y < h.height; ++y) {
        const std::uint8_t* row = bits + stride * (h.height - 1 - y);
        for (int x = 0; x < h.width; ++x) {
            switch (h.bitCount) {
            case 1: out.push_back((row[x >> 3] >> (7 - (x & 7))) & 1); break;
            case 4: out.push_back((x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4); break;
            default: out.push_back(row[x]); break;
            }
        }
    }
    return out;
}

// ---- ImageMagick and gifsicle ----

bool HaveImageTools() {
    static const bool have =
        RunUnix("/usr/bin/convert -version 2>/dev/null | grep -q ImageMagick && gifsicle --version >/dev/null");
    return have;
}

bool Convert(const Scratch& scratch, const std::string& args, const std::string& name, std::string* why,
             const std::string& format) {
    return RunUnix("/usr/bin/convert " + args + " '" + format + scratch.UnixFile(name) + "'", why);
}

bool RunUnixTogether(const std::vector<std::string>& commands, std::string* why) {
    std::string script;
    for (const std::string& c : commands) script += "( " + c + " ) & pids=\"$pids $!\"\n";
    script += "for p in $pids; do wait $p || exit 1; done";
    return RunUnix(script, why);
}

Picture MagickDecode(const Scratch& scratch, const std::string& name, int image) {
    static int serial = 0;
    const std::string input = scratch.UnixFile(name) + (image >= 0 ? "[" + std::to_string(image) + "]" : "");
    const std::string out = "magick" + std::to_string(++serial) + ".ppm";
    if (!RunUnix("/usr/bin/convert '" + input + "' -depth 8 'ppm:" + scratch.UnixFile(out) + "'")) return Picture();
    return ParsePpm(scratch.Read(out));
}

}  // namespace zyltest
