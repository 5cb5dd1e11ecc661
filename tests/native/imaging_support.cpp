#include "imaging_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include "imaging/dibformat.h"

namespace imgtest {

// ---- LZW ----

void BitWriter::Put(int code, int size) {
    acc_ |= static_cast<std::uint32_t>(code) << bits_;
    bits_ += size;
    while (bits_ >= 8) {
        out_.push_back(static_cast<std::uint8_t>(acc_));
        acc_ >>= 8;
        bits_ -= 8;
    }
}

Bytes BitWriter::Finish() {
    if (bits_ > 0) out_.push_back(static_cast<std::uint8_t>(acc_));
    acc_ = 0;
    bits_ = 0;
    return out_;
}

namespace {

// The code size the decoder reads with, kept in step with the encoder (the
// decoder adds each entry one code later than the encoder does).
struct CodeSizeTracker {
    int clear, size = 0, limit = 0, next = 0;
    bool havePrevious = false;
    explicit CodeSizeTracker(int minCodeSize) : clear(1 << minCodeSize) { Reset(minCodeSize); }
    void Reset(int minCodeSize) {
        size = minCodeSize + 1;
        limit = 1 << size;
        next = clear + 2;
        havePrevious = false;
    }
    void AfterData() {
        if (havePrevious && next < 4096 && ++next == limit && size < 12) {
            ++size;
            limit <<= 1;
        }
        havePrevious = true;
    }
};

}  // namespace

Bytes LzwEncode(const Bytes& pixels, int minCodeSize, TableFull full, bool withEnd) {
    const int clear = 1 << minCodeSize;
    BitWriter out;
    CodeSizeTracker dec(minCodeSize);   // what the decoder will read with
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
    if (withEnd) out.Put(clear + 1, dec.size);
    return out.Finish();
}

// ---- GIF files ----

std::uint8_t TableColour(int index, int channel) {
    switch (channel) {
    case 0: return static_cast<std::uint8_t>(index * 37 + 11);
    case 1: return static_cast<std::uint8_t>(index * 91 + 7);
    default: return static_cast<std::uint8_t>(255 - index * 13);
    }
}

std::uint8_t LocalColour(int index, int channel, int bits) {
    return TableColour((1 << bits) - 1 - index, channel);
}

void AppendSubBlocks(Bytes* out, const Bytes& data) {
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t n = data.size() - at < 255 ? data.size() - at : 255;
        out->push_back(static_cast<std::uint8_t>(n));
        out->insert(out->end(), data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(at + n));
    }
    out->push_back(0);
}

static void Put16(Bytes* b, int v) {
    b->push_back(static_cast<std::uint8_t>(v));
    b->push_back(static_cast<std::uint8_t>(v >> 8));
}

GifBuilder& GifBuilder::Header(int width, int height, int globalBits, const char* signature) {
    bytes.insert(bytes.end(), signature, signature + 6);
    Put16(&bytes, width);
    Put16(&bytes, height);
    bytes.push_back(static_cast<std::uint8_t>(globalBits ? 0x80 | 0x70 | (globalBits - 1) : 0x70));
    bytes.push_back(0);
    bytes.push_back(0);
    for (int i = 0; globalBits && i < (1 << globalBits); ++i)
        for (int c = 0; c < 3; ++c) bytes.push_back(TableColour(i, c));
    return *this;
}

GifBuilder& GifBuilder::GraphicControl(int delay, int transparentIndex) {
    const std::uint8_t b[] = {0x21, 0xF9, 4, static_cast<std::uint8_t>(transparentIndex >= 0 ? 1 : 0),
                              static_cast<std::uint8_t>(delay), static_cast<std::uint8_t>(delay >> 8),
                              static_cast<std::uint8_t>(transparentIndex >= 0 ? transparentIndex : 0), 0};
    bytes.insert(bytes.end(), b, b + sizeof b);
    return *this;
}

GifBuilder& GifBuilder::Netscape() {
    return Application("NETSCAPE", "2.0", {Bytes{1, 0, 0}});
}

GifBuilder& GifBuilder::Application(const char* identifier, const char* code, const std::vector<Bytes>& subBlocks) {
    bytes.push_back(0x21);
    bytes.push_back(0xFF);
    bytes.push_back(11);
    bytes.insert(bytes.end(), identifier, identifier + 8);
    bytes.insert(bytes.end(), code, code + 3);
    for (const Bytes& s : subBlocks) {
        bytes.push_back(static_cast<std::uint8_t>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
    }
    bytes.push_back(0);
    return *this;
}

GifBuilder& GifBuilder::Comment(const std::string& text) {
    bytes.push_back(0x21);
    bytes.push_back(0xFE);
    AppendSubBlocks(&bytes, Bytes(text.begin(), text.end()));
    return *this;
}

GifBuilder& GifBuilder::RawImage(int width, int height, int minCodeSize, const Bytes& lzw, int localBits,
                                 bool interlaced) {
    bytes.push_back(0x2C);
    Put16(&bytes, 0);
    Put16(&bytes, 0);
    Put16(&bytes, width);
    Put16(&bytes, height);
    bytes.push_back(static_cast<std::uint8_t>((localBits ? 0x80 | (localBits - 1) : 0) | (interlaced ? 0x40 : 0)));
    for (int i = 0; localBits && i < (1 << localBits); ++i)
        for (int c = 0; c < 3; ++c) bytes.push_back(LocalColour(i, c, localBits));
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

// ---- decoding in the tests ----

bool Decode(const Bytes& file, zyl::DecodedPicture* out, bool firstFrameOnly) {
    return zyl::DecodePictureFile(file.data(), file.size(), firstFrameOnly, out);
}

Rgb FrameRgb(const zyl::PackedDib& frame) {
    Rgb r;
    std::int32_t w = 0, h = 0;
    if (zyl::RenderFrameRgb(frame, &r.pixels, &w, &h)) {
        r.width = w;
        r.height = h;
    }
    return r;
}

Rgb StripRgb(const zyl::DecodedPicture& pic) {
    Rgb r;
    std::int32_t w = 0, h = 0;
    if (zyl::RenderStripRgb(pic, &r.pixels, &w, &h)) {
        r.width = w;
        r.height = h;
    }
    return r;
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

// ---- the outside world ----

namespace {
std::string* g_scratch = nullptr;
void RemoveScratch() {
    if (g_scratch) std::system(("rm -rf '" + *g_scratch + "'").c_str());
}
}  // namespace

const std::string& ScratchDir() {
    if (!g_scratch) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zylimg.XXXXXX";
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
#ifdef _WIN32
        // The Windows-side tests link these helpers for the GIF builder only.
        if (!_mktemp(buf.data()) || _mkdir(buf.data()) != 0) std::abort();
#else
        if (!mkdtemp(buf.data())) std::abort();
#endif
        g_scratch = new std::string(buf.data());
        std::atexit(RemoveScratch);
    }
    return *g_scratch;
}

std::string ScratchPath(const std::string& name) { return ScratchDir() + "/" + name; }

bool WriteFile(const std::string& path, const Bytes& data) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

Bytes ReadFile(const std::string& path) {
    Bytes out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    std::uint8_t buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

Rgb MagickDecode(const std::string& input) {
    Rgb r;
    std::FILE* p = popen(("/usr/bin/convert '" + input + "' -depth 8 ppm:- 2>/dev/null").c_str(), "r");
    if (!p) return r;
    Bytes all;
    std::uint8_t buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) all.insert(all.end(), buf, buf + n);
    if (pclose(p) != 0) return r;
    // P6, width, height, maxval, each after white space; one byte, then pixels.
    std::size_t at = 0;
    auto number = [&](long* v) {
        while (at < all.size() && (all[at] == ' ' || all[at] == '\n' || all[at] == '\t' || all[at] == '\r')) ++at;
        if (at >= all.size() || all[at] < '0' || all[at] > '9') return false;
        *v = 0;
        while (at < all.size() && all[at] >= '0' && all[at] <= '9') *v = *v * 10 + (all[at++] - '0');
        return true;
    };
    long w, h, maxval;
    if (all.size() < 2 || all[0] != 'P' || all[1] != '6') return r;
    at = 2;
    if (!number(&w) || !number(&h) || !number(&maxval) || maxval != 255) return r;
    ++at;
    if (all.size() - at != static_cast<std::size_t>(w * h * 3)) return r;
    r.width = static_cast<int>(w);
    r.height = static_cast<int>(h);
    r.pixels.assign(all.begin() + static_cast<long>(at), all.end());
    return r;
}

}  // namespace imgtest
