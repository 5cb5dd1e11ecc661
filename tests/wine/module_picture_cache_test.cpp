// The picture cache of a host thread: shared entries, loading through the
// help file, the least-recently-used unload, the GIF frame fields as the
// entry keeps them, palettes, the transparent draw and the printed first
// frame, and the GDI objects all of it takes and gives back.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/thread/instance.h"
#include "imaging/dibformat.h"
#include "imaging/picture.h"
#include "imaging/picturecache.h"
#include "imaging_support.h"
#include "module_picture_support.h"

using namespace cachetest;
using zyl::PictureEntry;

namespace {

Pixels Solid(int width, int height, DWORD rgb) {
    Pixels p;
    p.width = width;
    p.height = height;
    p.rgb.assign(static_cast<std::size_t>(width * height), rgb);
    return p;
}

// Varied colours, none of them `avoid`.
Pixels Pattern(int width, int height, unsigned seed, DWORD avoid = 0xFFFFFFFF) {
    Pixels p;
    p.width = width;
    p.height = height;
    for (int i = 0; i < width * height; ++i) {
        DWORD c = (static_cast<DWORD>(i) * 0x2F4A1B + seed * 0x1357 + 0x10) & 0xFFFFFF;
        if (c == avoid) c ^= 0x010101;
        p.rgb.push_back(c);
    }
    return p;
}

Pixels FromRgb(const imgtest::Rgb& r) {
    Pixels p;
    p.width = r.width;
    p.height = r.height;
    for (std::size_t i = 0; i + 2 < r.pixels.size(); i += 3)
        p.rgb.push_back(static_cast<DWORD>(r.pixels[i]) << 16 | static_cast<DWORD>(r.pixels[i + 1]) << 8 |
                        r.pixels[i + 2]);
    return p;
}

// The strip the portable decoder makes of a GIF, as the module must show it.
Pixels DecodedStrip(const Bytes& gif, bool firstFrameOnly = false) {
    zyl::DecodedPicture pic;
    EXPECT_TRUE(imgtest::Decode(gif, &pic, firstFrameOnly));
    return FromRgb(imgtest::StripRgb(pic));
}

DWORD GifColour(int index) {
    return static_cast<DWORD>(imgtest::TableColour(index, 0)) << 16 |
           static_cast<DWORD>(imgtest::TableColour(index, 1)) << 8 | imgtest::TableColour(index, 2);
}

DWORD LocalColour(int index, int bits) {
    return static_cast<DWORD>(imgtest::LocalColour(index, 0, bits)) << 16 |
           static_cast<DWORD>(imgtest::LocalColour(index, 1, bits)) << 8 | imgtest::LocalColour(index, 2, bits);
}

Bytes Indices(int count, int modulo, int offset = 0) {
    Bytes b;
    for (int i = 0; i < count; ++i) b.push_back(static_cast<std::uint8_t>((i * 7 + offset) % modulo));
    return b;
}

// A hot-spot record as the GIF extension stores it.
Bytes Spot(int left, int top, int right, int bottom, std::uint32_t context) {
    Bytes b;
    for (int v : {left, top, right, bottom}) {
        b.push_back(static_cast<std::uint8_t>(v));
        b.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(context >> (8 * i)));
    return b;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

void ExpectSpot(const PictureEntry* e, int i, int left, int top, int right, int bottom, std::uint32_t context) {
    ASSERT_NE(e->hotSpots, nullptr);
    const zyl::HotSpot& s = e->hotSpots[i];
    EXPECT_EQ(s.left, left) << "spot " << i;
    EXPECT_EQ(s.top, top) << "spot " << i;
    EXPECT_EQ(s.right, right) << "spot " << i;
    EXPECT_EQ(s.bottom, bottom) << "spot " << i;
    EXPECT_EQ(s.context, context) << "spot " << i;
}

int PaletteSize(HPALETTE palette) {
    WORD n = 0;
    return palette && GetObjectA(palette, sizeof n, &n) ? n : 0;
}

std::size_t PictureNodes(zyl::InstanceRecord* inst) {
    std::size_t n = 0;
    for (zyl::ListNode* node = inst->pictures; node; node = node->next) ++n;
    return n;
}

// ---- the cache ----

class PictureCache : public PictureHost {};

TEST_F(PictureCache, NamesInAnotherLetterCaseShareOneEntryAndOneBitmap) {
    const std::string help = UseHelpFile({{"anim.gif", imgtest::GifBuilder()
                                                           .Header(6, 4, 4)
                                                           .Netscape()
                                                           .Image(6, 4, Indices(24, 16))
                                                           .Image(6, 4, Indices(24, 16, 3))
                                                           .Trailer()
                                                           .bytes}});
    PictureEntry* first = zyl::FindOrCreatePictureEntry(inst, "Anim.gif");
    ASSERT_NE(first, nullptr);
    // Made, not loaded; its owner is the help file the host names.
    EXPECT_EQ(first->bitmap, nullptr);
    EXPECT_STREQ(inst->helpFilePath, help.c_str());
    ASSERT_NE(first->owner, nullptr);
    EXPECT_STREQ(first->owner->name, help.c_str());
    EXPECT_STREQ(first->name, "Anim.gif");

    const std::size_t nodes = PictureNodes(inst);
    PictureEntry* second = zyl::FindOrCreatePictureEntry(inst, "ANIM.GIF");
    EXPECT_EQ(second, first);
    EXPECT_EQ(PictureNodes(inst), nodes);

    ASSERT_TRUE(zyl::EnsurePictureLoaded(inst, first, false));
    HBITMAP bitmap = first->bitmap;
    ASSERT_NE(bitmap, nullptr);
    EXPECT_TRUE(zyl::EnsurePictureLoaded(inst, second, false));
    EXPECT_EQ(second->bitmap, bitmap);   // not read again
    EXPECT_EQ(first->frameCount, 2);

    // A name too long for the entry is refused rather than cut into another.
    EXPECT_EQ(zyl::FindOrCreatePictureEntry(inst, std::string(129, 'a').c_str()), nullptr);
    EXPECT_NE(zyl::FindOrCreatePictureEntry(inst, std::string(128, 'a').c_str()), nullptr);
}

TEST_F(PictureCache, MoreThanFortyOtherLoadedPicturesUnloadTheLeastRecentlyUsed) {
    // 44 pictures; p01 is a GIF with hot spots, the others small bitmaps.
    std::vector<std::pair<std::string, Bytes>> files;
    std::vector<std::string> names;
    for (int i = 0; i < 44; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "p%02d.bmp", i);
        names.push_back(name);
        if (i == 1)
            files.push_back({name, imgtest::GifBuilder()
                                       .Header(3, 2, 2)
                                       .Application("MOTHWING", "1.0", {Join({Spot(0, 0, 2, 1, 77), Spot(1, 1, 3, 2, 78)})})
                                       .Image(3, 2, Bytes{0, 1, 2, 3, 2, 1})
                                       .Trailer()
                                       .bytes});
        else
            files.push_back({name, Bmp24(Solid(2, 2, 0x010203 * static_cast<DWORD>(i + 1)))});
    }
    UseHelpFile(files);

    // Last uses set by hand, oldest first, all before the current tick (a
    // picture stamped in the current tick is never the one unloaded).
    const DWORD now = GetTickCount();
    ASSERT_GT(now, 1000u);
    std::vector<PictureEntry*> e;
    auto stamp = [&](int i) { e[static_cast<std::size_t>(i)]->lastUse = now - 500 + static_cast<DWORD>(i); };
    auto loaded = [&] {
        std::string which;
        for (std::size_t i = 0; i < e.size(); ++i) which += e[i]->bitmap ? '1' : '0';
        return which;
    };
    for (int i = 0; i < 40; ++i) {
        e.push_back(Load(names[static_cast<std::size_t>(i)].c_str()));
        ASSERT_NE(e.back()->bitmap, nullptr) << names[static_cast<std::size_t>(i)];
        stamp(i);
    }
    EXPECT_EQ(e[1]->hotSpotCount, 2);
    const zyl::HotSpot* spots = e[1]->hotSpots;

    // Exactly 40 others loaded: nothing goes.
    e.push_back(Load(names[40].c_str()));
    stamp(40);
    EXPECT_EQ(loaded(), std::string(41, '1'));

    // Drawing the oldest makes it the newest; with 41 others loaded the
    // next load unloads the least recently used one, and only that one.
    EXPECT_TRUE(zyl::EnsurePictureLoaded(inst, e[0], false));
    EXPECT_GE(e[0]->lastUse, now);
    e.push_back(Load(names[41].c_str()));
    EXPECT_EQ(loaded(), "10" + std::string(40, '1'));
    EXPECT_EQ(e[1]->bitmap, nullptr);
    EXPECT_EQ(e[1]->palette, nullptr);
    // Its other fields stay, hot spots included.
    EXPECT_EQ(e[1]->frameCount, 1);
    EXPECT_EQ(e[1]->hotSpots, spots);
    EXPECT_EQ(e[1]->hotSpotCount, 2);

    stamp(41);
    e.push_back(Load(names[42].c_str()));
    EXPECT_EQ(loaded(), "100" + std::string(40, '1'));

    // The unloaded picture comes back at its next use, with its hot spots;
    // the next oldest makes room for it.
    ASSERT_TRUE(zyl::EnsurePictureLoaded(inst, e[1], false));
    EXPECT_EQ(loaded(), "1100" + std::string(39, '1'));
    EXPECT_EQ(e[1]->hotSpotCount, 2);
    ExpectSpot(e[1], 0, 0, 0, 2, 1, 77);
    ExpectSpot(e[1], 1, 1, 1, 3, 2, 78);
    const Pixels shown = BitmapPixels(e[1]->bitmap);
    ASSERT_EQ(shown.width, 3);
    EXPECT_EQ(shown.at(1, 0), GifColour(1));
    EXPECT_EQ(shown.at(0, 1), GifColour(3));

    // Ages count, not stamps: a picture last used 28 days ago, before the
    // tick count wrapped, holds a stamp larger than now and is the oldest.
    e[5]->lastUse = now - 0x90000000u;
    e.push_back(Load(names[43].c_str()));
    EXPECT_EQ(loaded(), "110010" + std::string(38, '1'));
}

TEST_F(PictureCache, AMissingPictureIsLookedForAgainAtEveryUse) {
    UseHelpFile({{"other.bmp", Bmp24(Solid(2, 2, 0x123456))}});
    PictureEntry* late = zyl::FindOrCreatePictureEntry(inst, "late.bmp");
    ASSERT_NE(late, nullptr);
    EXPECT_FALSE(zyl::EnsurePictureLoaded(inst, late, false));
    EXPECT_FALSE(zyl::EnsurePictureLoaded(inst, late, false));
    EXPECT_EQ(late->bitmap, nullptr);

    // The file appears beside the help file: the next use finds it.
    ASSERT_TRUE(scratch.Write("late.bmp", Bmp24(Solid(3, 2, 0xABCDEF))));
    ASSERT_TRUE(zyl::EnsurePictureLoaded(inst, late, false));
    EXPECT_EQ(BitmapPixels(late->bitmap).rgb, Solid(3, 2, 0xABCDEF).rgb);
}

TEST_F(PictureCache, PicturesAreFoundOnlyThroughAHelpFile) {
    // The help file named by the host is not one: a picture beside it on
    // disk is not read either.
    const std::string help = scratch.File("broken.hlp");
    ASSERT_TRUE(scratch.Write("broken.hlp", Bytes(64, 0x3F)));
    ASSERT_TRUE(scratch.Write("beside.bmp", Bmp24(Solid(2, 2, 0x0000FF))));
    host.SetHelpFilePath(help.c_str());
    PictureEntry* beside = zyl::FindOrCreatePictureEntry(inst, "beside.bmp");
    EXPECT_FALSE(zyl::EnsurePictureLoaded(inst, beside, false));

    // An empty but real help file there: now the disk's copy is found.
    ASSERT_TRUE(scratch.Write("broken.hlp", HelpFile({})));
    ASSERT_TRUE(zyl::EnsurePictureLoaded(inst, beside, false));
    EXPECT_EQ(BitmapPixels(beside->bitmap).rgb, Solid(2, 2, 0x0000FF).rgb);
}

TEST_F(PictureCache, TheHelpFileOrTheDiskFirstAsTheInstancePrefers) {
    UseHelpFile({{"both.bmp", Bmp24(Solid(2, 2, 0xFF0000))}});
    ASSERT_TRUE(scratch.Write("both.bmp", Bmp24(Solid(2, 2, 0x00FF00))));
    PictureEntry* both = zyl::FindOrCreatePictureEntry(inst, "both.bmp");
    for (BOOL diskFirst : {FALSE, TRUE}) {
        inst->preferDiskFiles = diskFirst;
        HPALETTE palette = nullptr;
        HBITMAP bmp = zyl::ReadPictureFile(inst, both, false, &palette);
        ASSERT_NE(bmp, nullptr);
        EXPECT_EQ(BitmapPixels(bmp).at(0, 0), diskFirst ? 0x00FF00u : 0xFF0000u) << "disk first: " << diskFirst;
        DeleteObject(bmp);
        if (palette) DeleteObject(palette);
    }
}

// ---- what a file puts into its entry ----

class PictureFile : public PictureHost {};

TEST_F(PictureFile, TheFirstTwoBytesChooseTheReaderNotTheName) {
    const Pixels picture = Pattern(7, 5, 1);
    const Bytes gif = imgtest::GifBuilder().Header(5, 3, 4).GraphicControl(25).Image(5, 3, Indices(15, 16)).Trailer().bytes;
    UseHelpFile({{"bitmap.gif", Bmp24(picture)}, {"gif.bmp", gif}});

    PictureEntry* bmp = Load("bitmap.gif");
    ASSERT_NE(bmp->bitmap, nullptr);
    EXPECT_EQ(bmp->frameCount, 1);
    EXPECT_EQ(bmp->frameWidth, 7);
    EXPECT_EQ(bmp->frameHeight, 5);
    EXPECT_EQ(bmp->frameDelay, 0);
    EXPECT_EQ(bmp->transparentColour, zyl::kNoColour);
    EXPECT_EQ(Difference(BitmapPixels(bmp->bitmap), picture), "");

    PictureEntry* anim = Load("gif.bmp");
    ASSERT_NE(anim->bitmap, nullptr);
    EXPECT_EQ(anim->frameDelay, 250);
    EXPECT_EQ(Difference(BitmapPixels(anim->bitmap), DecodedStrip(gif)), "");
}

TEST_F(PictureFile, GifFrameFieldsComeFromTheExtensionsRead) {
    // Two images with their own graphic controls; the second has a
    // transparent index and a local table.
    auto twoImages = [](bool netscape) {
        imgtest::GifBuilder g;
        g.Header(20, 20, 4);
        if (netscape) g.Netscape();
        g.GraphicControl(25).Image(6, 4, Indices(24, 16)).GraphicControl(7, 3).Image(5, 3, Indices(15, 8), 3);
        return g.Trailer().bytes;
    };
    const Bytes looped = twoImages(true), plain = twoImages(false);
    const Bytes zero = imgtest::GifBuilder().Header(4, 2, 1).GraphicControl(0).Image(4, 2, Bytes{0, 1, 1, 0, 1, 0, 0, 1}).Trailer().bytes;
    const Bytes spots = imgtest::GifBuilder()
                            .Header(4, 4, 2)
                            .Application("MOTHWING", "1.0",
                                         {Spot(1, 2, 3, 4, 100), Join({Spot(-1, 0, 5, 6, 0x12345678), Spot(0, 0, 1, 1, 7)}),
                                          Spot(2, 2, 4, 4, 65536)})
                            .Image(4, 4, Indices(16, 4))
                            .Trailer()
                            .bytes;
    UseHelpFile({{"looped.gif", looped}, {"plain.gif", plain}, {"zero.gif", zero}, {"spots.gif", spots},
                 {"first.gif", looped}});

    PictureEntry* l = Load("looped.gif");
    ASSERT_NE(l->bitmap, nullptr);
    EXPECT_EQ(l->frameCount, 2);
    EXPECT_EQ(l->frameDelay, 70);    // the last graphic control read
    EXPECT_EQ(l->frameWidth, 5);     // the last image's size
    EXPECT_EQ(l->frameHeight, 3);
    EXPECT_EQ(l->transparentColour, Ref(LocalColour(3, 3)));   // from the second image's own table
    EXPECT_EQ(PaletteSize(l->palette), 16);                                  // the first frame's
    EXPECT_EQ(Difference(BitmapPixels(l->bitmap), DecodedStrip(looped)), "");
    EXPECT_EQ(BitmapPixels(l->bitmap).width, 11);

    // Without NETSCAPE the reading stops after the first image.
    PictureEntry* p = Load("plain.gif");
    ASSERT_NE(p->bitmap, nullptr);
    EXPECT_EQ(p->frameCount, 1);
    EXPECT_EQ(p->frameDelay, 250);
    EXPECT_EQ(p->frameWidth, 6);
    EXPECT_EQ(p->frameHeight, 4);
    EXPECT_EQ(p->transparentColour, zyl::kNoColour);
    EXPECT_EQ(Difference(BitmapPixels(p->bitmap), DecodedStrip(plain)), "");

    // The watermark painter's first-frame-only read of an animation.
    PictureEntry* f = Load("first.gif", true);
    ASSERT_NE(f->bitmap, nullptr);
    EXPECT_EQ(f->frameCount, 1);
    EXPECT_EQ(Difference(BitmapPixels(f->bitmap), DecodedStrip(looped, true)), "");

    PictureEntry* z = Load("zero.gif");
    EXPECT_EQ(z->frameDelay, 10);
    EXPECT_EQ(PaletteSize(z->palette), 2);

    // Sub-blocks of 12, 24 and 12 bytes: four hot spots.
    PictureEntry* s = Load("spots.gif");
    ASSERT_NE(s->bitmap, nullptr);
    EXPECT_EQ(s->hotSpotCount, 4);
    ExpectSpot(s, 0, 1, 2, 3, 4, 100);
    ExpectSpot(s, 1, -1, 0, 5, 6, 0x12345678);
    ExpectSpot(s, 2, 0, 0, 1, 1, 7);
    ExpectSpot(s, 3, 2, 2, 4, 4, 65536);
}

TEST_F(PictureFile, ATruncatedSecondImageGivesNoPictureButKeepsDelayAndHotSpots) {
    Bytes gif = imgtest::GifBuilder()
                    .Header(8, 8, 4)
                    .Application("MOTHWING", "1.0", {Join({Spot(1, 1, 2, 2, 5), Spot(3, 3, 4, 4, 6)})})
                    .Netscape()
                    .GraphicControl(25)
                    .Image(8, 8, Indices(64, 16))
                    .GraphicControl(7)
                    .Image(8, 8, Indices(64, 16, 5))
                    .bytes;
    gif.resize(gif.size() - 6);   // into the second image's data
    UseHelpFile({{"cut.gif", gif}});
    PictureEntry* e = Load("cut.gif");
    EXPECT_EQ(e->bitmap, nullptr);
    EXPECT_EQ(e->palette, nullptr);
    EXPECT_EQ(e->frameDelay, 70);
    EXPECT_EQ(e->hotSpotCount, 2);
    ExpectSpot(e, 1, 3, 3, 4, 4, 6);
    EXPECT_FALSE(zyl::EnsurePictureLoaded(inst, e, false));
}

TEST_F(PictureFile, UnreadableFilesGiveNoPicture) {
    Bytes huge = Bmp24(Solid(2, 2, 0));
    huge[21] = 0x7F;   // width 0x7F000002
    const Bytes noImage = imgtest::GifBuilder().Header(4, 4, 2).GraphicControl(3).Trailer().bytes;
    const Bytes badCode = imgtest::GifBuilder().Header(4, 4, 2).RawImage(4, 4, 2, Bytes{0xFF, 0xFF, 0xFF}).Trailer().bytes;
    UseHelpFile({{"huge.bmp", huge}, {"noimage.gif", noImage}, {"badcode.gif", badCode}, {"short.bmp", Bytes{'B', 'M'}}});
    for (const char* name : {"huge.bmp", "noimage.gif", "badcode.gif", "short.bmp"}) {
        PictureEntry* e = Load(name);
        EXPECT_EQ(e->bitmap, nullptr) << name;
        EXPECT_EQ(e->palette, nullptr) << name;
    }
    // What was read before the failure stays: the delay of the image-less GIF.
    EXPECT_EQ(zyl::FindOrCreatePictureEntry(inst, "noimage.gif")->frameDelay, 30);
}

// ---- palettes ----

// A packed DIB: 40-byte header and `table` (blue, green, red, 0 entries).
Bytes Dib(int bits, std::uint32_t used, const std::vector<DWORD>& table) {
    zyl::DibInfoHeader h{};
    h.size = 40;
    h.width = 4;
    h.height = 2;
    h.planes = 1;
    h.bitCount = static_cast<std::uint16_t>(bits);
    h.clrUsed = used;
    Bytes dib(sizeof h + 4 * table.size() + 64, 0);
    std::memcpy(dib.data(), &h, sizeof h);
    for (std::size_t i = 0; i < table.size(); ++i) std::memcpy(&dib[40 + 4 * i], &table[i], 4);
    return dib;
}

std::vector<PALETTEENTRY> Entries(HPALETTE palette) {
    std::vector<PALETTEENTRY> out(static_cast<std::size_t>(PaletteSize(palette)));
    if (!out.empty()) GetPaletteEntries(palette, 0, static_cast<UINT>(out.size()), out.data());
    return out;
}

bool Is(const PALETTEENTRY& e, int red, int green, int blue) {
    return e.peRed == red && e.peGreen == green && e.peBlue == blue && e.peFlags == 0;
}

TEST(PicturePalette, TheCubeForTrueColourTheColourTableOtherwiseNoneForHighColour) {
    const Bytes d24 = Dib(24, 0, {});
    HPALETTE cube = zyl::CreatePaletteFromDib(d24.data(), d24.size());
    const std::vector<PALETTEENTRY> c = Entries(cube);
    ASSERT_EQ(c.size(), 256u);
    // Red fastest, then green, through 0, 32 ... 224; blue slowest by 64.
    EXPECT_TRUE(Is(c[0], 0, 0, 0));
    EXPECT_TRUE(Is(c[1], 32, 0, 0));
    EXPECT_TRUE(Is(c[7], 224, 0, 0));
    EXPECT_TRUE(Is(c[8], 0, 32, 0));
    EXPECT_TRUE(Is(c[63], 224, 224, 0));
    EXPECT_TRUE(Is(c[64], 0, 0, 64));
    EXPECT_TRUE(Is(c[137], 32, 32, 128));
    EXPECT_TRUE(Is(c[255], 224, 224, 192));
    DeleteObject(cube);

    for (int bits : {16, 32}) {
        const Bytes d = Dib(bits, 0, {});
        EXPECT_EQ(zyl::CreatePaletteFromDib(d.data(), d.size()), nullptr) << bits << " bits";
    }

    // Colours used 20: twenty entries, red, green and blue from the table's
    // blue, green, red bytes.
    std::vector<DWORD> table;
    for (DWORD i = 0; i < 20; ++i) table.push_back(0x00102030 + i * 0x00030507);
    const Bytes d8 = Dib(8, 20, table);
    HPALETTE p8 = zyl::CreatePaletteFromDib(d8.data(), d8.size());
    const std::vector<PALETTEENTRY> e8 = Entries(p8);
    ASSERT_EQ(e8.size(), 20u);
    for (std::size_t i = 0; i < 20; ++i)
        EXPECT_TRUE(Is(e8[i], table[i] >> 16 & 0xFF, table[i] >> 8 & 0xFF, table[i] & 0xFF)) << i;
    DeleteObject(p8);
}

// ---- drawing ----

class PictureDraw : public ::testing::Test {
protected:
    void SetUp() override {
        screen = GetDC(nullptr);
        dst = CreateCompatibleDC(screen);
        src = CreateCompatibleDC(screen);
    }
    void TearDown() override {
        SelectObject(dst, oldDst);
        SelectObject(src, oldSrc);
        DeleteObject(dstBitmap);
        DeleteObject(srcBitmap);
        DeleteDC(dst);
        DeleteDC(src);
        ReleaseDC(nullptr, screen);
    }
    void Prepare(const Pixels& background, const Pixels& picture) {
        dstBitmap = MakeBitmap(background);
        srcBitmap = MakeBitmap(picture);
        ASSERT_NE(dstBitmap, nullptr);
        ASSERT_NE(srcBitmap, nullptr);
        oldDst = SelectObject(dst, dstBitmap);
        oldSrc = SelectObject(src, srcBitmap);
    }
    Pixels Result() {
        SelectObject(dst, oldDst);
        Pixels p = BitmapPixels(dstBitmap);
        SelectObject(dst, dstBitmap);
        return p;
    }
    // The background with the picture's region (left, top, w x h, scaled
    // by sx, sy onto x, y) laid over it where it is not `transparent`.
    static Pixels Expected(const Pixels& background, const Pixels& picture, int x, int y, int left, int top, int w,
                           int h, int sx, int sy, DWORD transparent) {
        Pixels out = background;
        for (int dy = 0; dy < h * sy; ++dy)
            for (int dx = 0; dx < w * sx; ++dx) {
                const DWORD c = picture.at(left + dx / sx, top + dy / sy);
                if (c != transparent) out.rgb[static_cast<std::size_t>((y + dy) * out.width + x + dx)] = c;
            }
        return out;
    }

    HDC screen = nullptr, dst = nullptr, src = nullptr;
    HBITMAP dstBitmap = nullptr, srcBitmap = nullptr;
    HGDIOBJ oldDst = nullptr, oldSrc = nullptr;
};

constexpr DWORD kMagenta = 0xFF00FF;

// A picture whose every third pixel is magenta.
Pixels Holey(int width, int height) {
    Pixels p = Pattern(width, height, 9, kMagenta);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((x + 2 * y) % 3 == 0) p.rgb[static_cast<std::size_t>(y * width + x)] = kMagenta;
    return p;
}

TEST_F(PictureDraw, TransparentPixelsLeaveTheDestinationAsItWas) {
    const Pixels background = Pattern(24, 16, 4, kMagenta), picture = Holey(6, 4);
    Prepare(background, picture);
    SetBkColor(dst, RGB(1, 2, 3));
    SetTextColor(dst, RGB(4, 5, 6));
    EXPECT_NE(zyl::DrawTransparent(dst, 3, 2, 6, 4, src, 0, 0, 6, 4, Ref(kMagenta)), 0);
    EXPECT_EQ(Difference(Result(), Expected(background, picture, 3, 2, 0, 0, 6, 4, 1, 1, kMagenta)), "");
    // The destination's colours are given back.
    EXPECT_EQ(GetBkColor(dst), RGB(1, 2, 3));
    EXPECT_EQ(GetTextColor(dst), RGB(4, 5, 6));
}

TEST_F(PictureDraw, StretchedAndFromInsideTheSource) {
    const Pixels background = Pattern(24, 16, 5, kMagenta), picture = Holey(6, 4);
    Prepare(background, picture);
    // Twice as wide, three times as high, from the source's (2, 1) on: a
    // frame of a strip.
    EXPECT_NE(zyl::DrawTransparent(dst, 1, 2, 8, 9, src, 2, 1, 4, 3, Ref(kMagenta)), 0);
    EXPECT_EQ(Difference(Result(), Expected(background, picture, 1, 2, 2, 1, 4, 3, 2, 3, kMagenta)), "");
}

TEST_F(PictureDraw, AColourThePictureLacksDrawsItWhole) {
    const Pixels background = Pattern(10, 8, 6), picture = Pattern(5, 5, 7, 0x000001);
    Prepare(background, picture);
    EXPECT_NE(zyl::DrawTransparent(dst, 5, 3, 5, 5, src, 0, 0, 5, 5, Ref(0x000001)), 0);
    EXPECT_EQ(Difference(Result(), Expected(background, picture, 5, 3, 0, 0, 5, 5, 1, 1, 0xFFFFFFFF)), "");
}

// ---- the printed or copied first frame ----

class PictureRender : public PictureHost {};

TEST_F(PictureRender, TheFirstFrameIsReadAfreshInColourWithOneColourTurnedWhite) {
    const Bytes anim = imgtest::GifBuilder()
                           .Header(6, 5, 4)
                           .Netscape()
                           .Image(6, 5, Indices(30, 16))
                           .Image(4, 5, Indices(20, 16, 2))
                           .Trailer()
                           .bytes;
    const std::vector<DWORD> table = {0x000000, 0x2040C0, 0xFFFFFF, 0x33AA55};
    const Bytes indices = Indices(12, 4);
    UseHelpFile({{"anim.gif", anim}, {"pal.bmp", Bmp8(4, 3, table, indices)}});

    HDC screen = GetDC(nullptr);
    HDC printer = host.CreatePrinterDC();
    ASSERT_NE(printer, nullptr);
    PictureEntry* gif = zyl::FindOrCreatePictureEntry(inst, "anim.gif");
    PictureEntry* bmp = zyl::FindOrCreatePictureEntry(inst, "pal.bmp");
    for (HDC target : {screen, printer}) {
        const char* what = target == screen ? "screen" : "printer";
        // Colour 2 of the GIF's table becomes white; the rest as decoded.
        Pixels expected = DecodedStrip(anim, true);
        for (DWORD& c : expected.rgb)
            if (c == GifColour(2)) c = 0xFFFFFF;
        HBITMAP first = zyl::RenderFirstFrame(inst, gif, target, Ref(GifColour(2)));
        ASSERT_NE(first, nullptr) << what;
        EXPECT_EQ(Difference(BitmapPixels(first), expected), "") << what;
        DeleteObject(first);

        // A bitmap file: its table entry 3 turned white.
        HBITMAP pal = zyl::RenderFirstFrame(inst, bmp, target, Ref(table[3]));
        ASSERT_NE(pal, nullptr) << what;
        const Pixels shown = BitmapPixels(pal);
        ASSERT_EQ(shown.width, 4) << what;
        for (int i = 0; i < 12; ++i) {
            const std::uint8_t index = indices[static_cast<std::size_t>(i)];
            EXPECT_EQ(shown.rgb[static_cast<std::size_t>(i)], index == 3 ? 0xFFFFFFu : table[index])
                << what << " pixel " << i;
        }
        DeleteObject(pal);
    }
    // Read afresh: the entries were never loaded.
    EXPECT_EQ(gif->bitmap, nullptr);
    EXPECT_EQ(bmp->bitmap, nullptr);
    EXPECT_EQ(zyl::RenderFirstFrame(inst, zyl::FindOrCreatePictureEntry(inst, "none.gif"), screen, 0), nullptr);
    DeleteDC(printer);
    ReleaseDC(nullptr, screen);
}

// ---- GDI objects ----

class PictureGdi : public PictureHost {
protected:
    // Objects the cache holds: loaded bitmaps and their palettes.
    int Held() {
        int n = 0;
        for (zyl::ListNode* node = inst->pictures; node; node = node->next) {
            auto* e = reinterpret_cast<PictureEntry*>(node);
            n += (e->bitmap ? 1 : 0) + (e->palette ? 1 : 0);
        }
        return n;
    }
};

// Holds all but `spare` of the GDI objects the process may still make.
class GdiSqueeze {
public:
    explicit GdiSqueeze(int spare) {
        brushes_.reserve(70000);
        while (HBRUSH b = CreateSolidBrush(RGB(9, 9, 9))) brushes_.push_back(b);
        for (int i = 0; i < spare && !brushes_.empty(); ++i) {
            DeleteObject(brushes_.back());
            brushes_.pop_back();
        }
    }
    ~GdiSqueeze() {
        for (HBRUSH b : brushes_) DeleteObject(b);
    }

private:
    std::vector<HBRUSH> brushes_;
};

std::vector<std::pair<std::string, Bytes>> MixedPictures(int count) {
    std::vector<std::pair<std::string, Bytes>> files;
    for (int i = 0; i < count; ++i) {
        const std::string name = "m" + std::to_string(i);
        switch (i % 3) {
        case 0: files.push_back({name, Bmp24(Pattern(5, 4, static_cast<unsigned>(i)))}); break;
        case 1: files.push_back({name, Bmp8(5, 3, {0x102030, 0x405060, 0x708090}, Indices(15, 3, i))}); break;
        default:
            files.push_back({name, imgtest::GifBuilder()
                                       .Header(4, 3, 3)
                                       .Netscape()
                                       .GraphicControl(5, 2)
                                       .Image(4, 3, Indices(12, 8, i))
                                       .Image(3, 3, Indices(9, 8, i + 1), 2)
                                       .Image(5, 2, Indices(10, 8, i + 2))
                                       .Trailer()
                                       .bytes});
        }
    }
    return files;
}

TEST_F(PictureGdi, LoadingDrawingAndRenderingGiveBackEveryObject) {
    std::vector<std::pair<std::string, Bytes>> files = MixedPictures(45);
    Bytes cut = files[2].second;
    cut.resize(cut.size() - 8);
    files.push_back({"cut.gif", cut});
    files.push_back({"bad.bmp", Bytes{'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 40, 0, 0, 0, 0, 0}});
    UseHelpFile(files);
    std::vector<PictureEntry*> entries;
    for (const auto& f : files) entries.push_back(zyl::FindOrCreatePictureEntry(inst, f.first.c_str()));
    entries.push_back(zyl::FindOrCreatePictureEntry(inst, "missing.gif"));

    HDC screen = GetDC(nullptr);
    HDC canvas = CreateCompatibleDC(screen);
    HBITMAP canvasBitmap = CreateCompatibleBitmap(screen, 32, 32);
    HGDIOBJ oldCanvas = SelectObject(canvas, canvasBitmap);
    HDC strip = CreateCompatibleDC(screen);
    auto round = [&] {
        for (PictureEntry* e : entries) {
            // The 45 good pictures are more than the cache keeps loaded.
            if (zyl::EnsurePictureLoaded(inst, e, false)) {
                HGDIOBJ old = SelectObject(strip, e->bitmap);
                EXPECT_NE(zyl::DrawTransparent(canvas, 1, 1, 20, 12, strip, 0, 0, e->frameWidth, e->frameHeight,
                                               Ref(0x102030)), 0);
                SelectObject(strip, old);
            }
            if (HBITMAP first = zyl::RenderFirstFrame(inst, e, canvas, Ref(0x405060))) DeleteObject(first);
        }
    };
    round();   // first use of everything
    const int held = Held();
    const int room = GdiRoom();
    for (int i = 0; i < 25; ++i) round();
    EXPECT_EQ(GdiRoom() + (Held() - held), room) << "objects kept over 25 rounds";

    SelectObject(canvas, oldCanvas);
    DeleteObject(canvasBitmap);
    DeleteDC(canvas);
    DeleteDC(strip);
    ReleaseDC(nullptr, screen);
}

TEST_F(PictureGdi, WhenObjectsRunOutEveryCallFailsCleanly) {
    UseHelpFile(MixedPictures(3));
    PictureEntry* e[3];
    for (int i = 0; i < 3; ++i) e[i] = zyl::FindOrCreatePictureEntry(inst, ("m" + std::to_string(i)).c_str());
    HDC screen = GetDC(nullptr);
    auto all = [&] {
        for (PictureEntry* entry : e) {
            HPALETTE palette = nullptr;
            if (HBITMAP bmp = zyl::ReadPictureFile(inst, entry, false, &palette)) DeleteObject(bmp);
            if (palette) DeleteObject(palette);
            if (HBITMAP first = zyl::RenderFirstFrame(inst, entry, screen, 0)) DeleteObject(first);
        }
    };
    all();   // first use of everything
    const int room = GdiRoom();
    // Each step of the loads and draws meets the one object it cannot have.
    for (int spare = 0; spare < 12; ++spare) {
        GdiSqueeze squeeze(spare);
        for (PictureEntry* entry : e) {
            HPALETTE palette = nullptr;
            if (HBITMAP bmp = zyl::ReadPictureFile(inst, entry, false, &palette)) {
                HDC mem = CreateCompatibleDC(screen);
                HGDIOBJ old = mem ? SelectObject(mem, bmp) : nullptr;
                if (old) zyl::DrawTransparent(mem, 0, 0, 2, 2, mem, 1, 0, 2, 2, 0);
                if (old) SelectObject(mem, old);
                if (mem) DeleteDC(mem);
                DeleteObject(bmp);
            }
            EXPECT_TRUE(palette == nullptr || PaletteSize(palette) > 0);
            if (palette) DeleteObject(palette);
            if (HBITMAP first = zyl::RenderFirstFrame(inst, entry, screen, 0)) DeleteObject(first);
        }
    }
    EXPECT_EQ(GdiRoom(), room);
    ReleaseDC(nullptr, screen);
}

TEST_F(PictureGdi, ALongAnimationLoadsWithFewObjectsToSpare) {
    // 400 frames: a strip built from every frame's bitmap at once would
    // need 400 objects.
    imgtest::GifBuilder g;
    g.Header(2, 2, 2).Netscape();
    for (int i = 0; i < 400; ++i) g.Image(2, 2, Bytes{static_cast<std::uint8_t>(i % 4), 1, 2, 3});
    UseHelpFile({{"long.gif", g.Trailer().bytes}});
    PictureEntry* e = zyl::FindOrCreatePictureEntry(inst, "long.gif");
    {
        GdiSqueeze squeeze(40);
        EXPECT_TRUE(zyl::EnsurePictureLoaded(inst, e, false));
    }
    ASSERT_NE(e->bitmap, nullptr);
    EXPECT_EQ(e->frameCount, 400);
    const Pixels strip = BitmapPixels(e->bitmap);
    ASSERT_EQ(strip.width, 800);
    EXPECT_EQ(Difference(strip, DecodedStrip(g.bytes)), "");
}

}  // namespace
