// The bitmap reader and the two DIB rules (colour count, palette) on
// bitmap files and DIBs put together here.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/bmpdecode.h"
#include "imaging/dibformat.h"
#include "pictures.h"

namespace {

using namespace zyltest;

// An 8-bit, 3 x 2 bitmap unless a test says otherwise.
BmpFields Spec8() {
    BmpFields s;
    s.width = 3;
    s.height = 2;
    s.bits = 8;
    return s;
}

Bytes Quads(int n) {   // entry i = (blue 10+i, green 20+i, red 30+i, 0)
    Bytes t;
    for (int i = 0; i < n; ++i) t.insert(t.end(), {static_cast<std::uint8_t>(10 + i), static_cast<std::uint8_t>(20 + i),
                                                   static_cast<std::uint8_t>(30 + i), 0});
    return t;
}

// A palette entry as 0xFFRRGGBB, the flags on top.
std::uint32_t Entry(const zyl::DibPaletteEntry& e) {
    return static_cast<std::uint32_t>(e.flags) << 24 | static_cast<std::uint32_t>(e.red) << 16 | e.green << 8 | e.blue;
}

bool Read(const Bytes& file, zyl::PackedDib* dib) {
    zyl::PictureInfo info;
    return zyl::DecodeBitmapFile(file.data(), file.size(), dib, &info);
}

TEST(DibRules, ColourCount) {
    std::uint8_t h[40] = {};
    auto set = [&](std::uint32_t size, std::uint32_t bits, std::uint32_t used) {
        std::memset(h, 0, sizeof h);
        h[0] = static_cast<std::uint8_t>(size);
        h[size == 12 ? 10 : 14] = static_cast<std::uint8_t>(bits);
        h[32] = static_cast<std::uint8_t>(used);   // a core header has no such field: ignored
        return zyl::DibColourCount(h);
    };
    // Header size, bits, colours used: the count.
    const std::uint32_t cases[][4] = {{40, 1, 0, 2},   {40, 4, 0, 16},   {40, 8, 0, 256},  {40, 24, 0, 0}, {40, 8, 20, 20},
                                      {40, 24, 7, 7},  {12, 4, 20, 16},  {12, 8, 20, 256}, {124, 1, 0, 2}};
    for (const auto& c : cases) EXPECT_EQ(set(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1] << " " << c[2];
}

TEST(DibRules, PaletteEntries) {
    zyl::DibPaletteEntry pal[256];
    zyl::DibInfoHeader h{};
    h.size = 40;
    h.width = h.height = 1;
    h.bitCount = 24;
    // The entries of a DIB of header `h` followed by `after`, cut by `cut` bytes.
    const auto entries = [&](const Bytes& after, std::size_t cut = 0) {
        Bytes dib(sizeof h);
        std::memcpy(dib.data(), &h, sizeof h);
        dib.insert(dib.end(), after.begin(), after.end());
        return zyl::DibPaletteEntries(dib.data(), dib.size() - cut, pal);
    };
    ASSERT_EQ(entries(Bytes(4)), 256u);   // the 3-3-2 cube
    const std::pair<int, std::uint32_t> cube[] = {{0, 0x000000},  {1, 0x200000},  {7, 0xE00000},   {8, 0x002000},
                                                  {63, 0xE0E000}, {64, 0x000040}, {100, 0x808040}, {255, 0xE0E0C0}};
    for (const auto& c : cube) EXPECT_EQ(Entry(pal[c.first]), c.second) << c.first;
    for (std::uint16_t bits : {16, 32})
        for (std::uint32_t compression : {0u, std::uint32_t{zyl::kDibBitFields}}) {   // masks are not colours
            h.bitCount = bits;
            h.compression = compression;
            EXPECT_EQ(entries(Bytes(4)), 0u) << bits << " " << compression;
        }
    // A 24-bit DIB with a table of 5 takes the table; a core DIB's entries
    // are 3 bytes apart; a block too short for its table gives what it holds.
    h.bitCount = 24;
    h.compression = 0;
    h.clrUsed = 5;
    ASSERT_EQ(entries(Quads(5)), 5u);
    EXPECT_EQ(Entry(pal[4]), 0x22180Eu);
    EXPECT_EQ(entries(Quads(5), 6), 3u);
    const Bytes core = {12, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 4, 5, 6};
    ASSERT_EQ(zyl::DibPaletteEntries(core.data(), core.size(), pal), 2u);
    EXPECT_EQ(Entry(pal[1]), 0x060504u);
}

TEST(BitmapReader, PixelDataFromTheBitsOffsetSurplusIgnoredShortReadZeroed) {
    BmpFields s = Spec8();
    s.table = Quads(256);
    s.pixels = {1, 2, 3, 0, 4, 5, 6, 0, 9, 9, 9, 9, 9, 9};   // two rows and surplus
    s.bitsOffset = 14 + 40 + 1024 + 30;                      // a gap before the pixels
    zyl::PackedDib dib;
    ASSERT_TRUE(Read(BmpFile(s), &dib));
    const zyl::DibInfoHeader h = dib.Header();
    EXPECT_EQ(h.sizeImage, 8u);
    ASSERT_EQ(dib.BitsSize(), 8u);
    EXPECT_EQ(Bytes(dib.Bits(), dib.Bits() + 8), Bytes({1, 2, 3, 0, 4, 5, 6, 0}));
    EXPECT_EQ(dib.data()[40 + 4 * 7 + 2], 37);   // red of entry 7

    s.pixels.resize(5);   // the file ends inside the second row
    ASSERT_TRUE(Read(BmpFile(s), &dib));
    EXPECT_EQ(Bytes(dib.Bits(), dib.Bits() + 8), Bytes({1, 2, 3, 0, 4, 0, 0, 0}));
}

// (Core, 108- and 124-byte headers are read against ImageMagick.)
TEST(BitmapReader, BitFieldsAfterAnInfoHeaderAndTopDownRows) {
    // 16-bit bit fields after a 40-byte header keep their masks in front of
    // the (absent) colour table; top-down rows are swapped.
    BmpFields td = Spec8();
    td.bits = 16;
    td.compression = zyl::kDibBitFields;
    td.width = 1;
    td.height = -3;
    td.table = {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};   // 5-6-5
    td.pixels = {1, 1, 0, 0, 2, 2, 0, 0, 3, 3, 0, 0};
    zyl::PackedDib dib;
    ASSERT_TRUE(Read(BmpFile(td), &dib));
    EXPECT_EQ(dib.Header().height, 3);
    EXPECT_EQ(Bytes(dib.data() + 40, dib.data() + 52), td.table);
    EXPECT_EQ(Bytes(dib.Bits(), dib.Bits() + 12), Bytes({3, 3, 0, 0, 2, 2, 0, 0, 1, 1, 0, 0}));
}

TEST(BitmapReader, RunLengthBlockSize) {
    BmpFields s = Spec8();
    s.compression = zyl::kDibRle8;
    s.width = 10;
    s.height = 4;   // 48 bytes unpacked
    s.pixels = Bytes(200, 1);
    zyl::PackedDib dib;
    for (const auto& c : {std::pair<std::uint32_t, std::uint32_t>{0, 72}, {60, 72}, {90, 90}, {200, 90}}) {
        s.sizeImage = c.first;   // the file's own size counts up to 2 bytes a pixel, 2 a row, 2 more
        ASSERT_TRUE(Read(BmpFile(s), &dib));
        EXPECT_EQ(dib.Header().sizeImage, c.second) << c.first;
        EXPECT_EQ(dib.BitsSize(), c.second);
    }
}

TEST(BitmapReader, RefusesWhatItCannotTrust) {
    BmpFields good = Spec8();
    good.table = Quads(256);
    good.pixels = Bytes(8, 1);
    zyl::PackedDib dib;
    ASSERT_TRUE(Read(BmpFile(good), &dib));
    const struct {
        const char* what;
        void (*spoil)(BmpFields*);
    } cases[] = {
        {"width 0", [](BmpFields* s) { s->width = 0; }},
        {"negative width", [](BmpFields* s) { s->width = -3; }},
        {"height 0", [](BmpFields* s) { s->height = 0; }},
        {"most negative height", [](BmpFields* s) { s->height = INT32_MIN; }},
        {"2 bits", [](BmpFields* s) { s->bits = 2; }},
        {"0 bits", [](BmpFields* s) { s->bits = 0; }},
        {"JPEG inside", [](BmpFields* s) { s->compression = 4; }},
        {"RLE4 at 8 bits", [](BmpFields* s) { s->compression = zyl::kDibRle4; }},
        {"RLE8 top-down", [](BmpFields* s) { s->compression = zyl::kDibRle8, s->height = -2; }},
        {"bit fields at 8 bits", [](BmpFields* s) { s->compression = zyl::kDibBitFields; }},
        {"header size 0", [](BmpFields* s) { s->headerSize = 0; }},
        {"header size 13", [](BmpFields* s) { s->headerSize = 13; }},
        {"header size 5000", [](BmpFields* s) { s->headerSize = 5000; }},
        {"too wide", [](BmpFields* s) { s->width = 65536; }},
        {"too big", [](BmpFields* s) { s->width = s->height = 9000; }},   // 81 MB
        {"bigger than its file allows", [](BmpFields* s) { s->width = 3000, s->height = 2000; }},
    };
    for (const auto& c : cases) {
        BmpFields s = good;
        c.spoil(&s);
        EXPECT_FALSE(Read(BmpFile(s), &dib)) << c.what;
        EXPECT_TRUE(dib.empty()) << c.what;
    }
    Bytes far = BmpFile(good);
    Put32(far, 10, 0x80000000u);
    EXPECT_FALSE(Read(far, &dib)) << "bits beyond 2 GB";
    // Cut inside the headers: refused; cut anywhere later: still read.
    const Bytes f = BmpFile(good);
    for (std::size_t n = 0; n < f.size(); ++n)
        EXPECT_EQ(Read(Bytes(f.begin(), f.begin() + static_cast<long>(n)), &dib), n >= 14 + 40) << n;
}

TEST(BitmapReader, BmAlwaysTakesTheBitmapRoad) {
    // "BM" in front of a GIF is a broken bitmap, not a GIF.
    Bytes f = {'B', 'M'};
    const Bytes gif = GifBuilder().Header(2, 2, 1).Image(2, 2, Bytes(4, 1)).Trailer().bytes;
    f.insert(f.end(), gif.begin(), gif.end());
    zyl::DecodedPicture pic;
    EXPECT_FALSE(Decode(f, &pic));
    EXPECT_FALSE(pic.gif);
    EXPECT_TRUE(Decode(gif, &pic));
    EXPECT_TRUE(pic.gif);
}

}  // namespace
