// The picture cache of a host thread: shared entries, loading through the
// help file, the least-recently-used unload, what a file puts into its entry,
// the transparent draw and the printed first frame, and the GDI objects all
// of it takes and gives back. (The decoders' own facts are tested natively.)
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "imaging/picturecache.h"
#include "module_test.h"

using namespace zyltest;
using zyl::PictureEntry;

namespace {

int PaletteSize(HPALETTE palette) {
    WORD n = 0;
    return palette && GetObjectA(palette, sizeof n, &n) ? n : 0;
}

// A GIF of two images with their own graphic controls; the second has a
// transparent index and a local table.
Bytes TwoImages(bool netscape) {
    GifBuilder g;
    g.Header(20, 20, 4);
    if (netscape) g.Netscape();
    g.GraphicControl(25).Image(6, 4, IndexPattern(24, 16, 1)).GraphicControl(7, 3).Image(5, 3, IndexPattern(15, 8, 2), 3);
    return g.Trailer().bytes;
}

// ---- the cache ----

using PictureCache = ModuleHost;

TEST_F(PictureCache, NamesInAnotherLetterCaseShareOneEntryAndOneBitmap) {
    const std::string help = UseHelpFile({{"anim.gif", TwoImages(true)}});
    PictureEntry* first = zyl::FindOrCreatePictureEntry(inst, "Anim.gif");
    ASSERT_NE(first, nullptr);
    // Made, not loaded; its owner is the help file the host names.
    EXPECT_EQ(first->bitmap, nullptr);
    ASSERT_NE(first->owner, nullptr);
    EXPECT_STREQ(first->owner->name, help.c_str());
    EXPECT_STREQ(first->name, "Anim.gif");

    PictureEntry* second = zyl::FindOrCreatePictureEntry(inst, "ANIM.GIF");
    EXPECT_EQ(second, first);
    ASSERT_TRUE(zyl::EnsurePictureLoaded(inst, first, false));
    HBITMAP bitmap = first->bitmap;
    EXPECT_TRUE(zyl::EnsurePictureLoaded(inst, second, false));
    EXPECT_EQ(second->bitmap, bitmap);   // not read again

    // A name too long for the entry is refused rather than cut into another.
    EXPECT_EQ(zyl::FindOrCreatePictureEntry(inst, std::string(129, 'a').c_str()), nullptr);
    EXPECT_NE(zyl::FindOrCreatePictureEntry(inst, std::string(128, 'a').c_str()), nullptr);
}

TEST_F(PictureCache, MoreThanFortyOtherLoadedPicturesUnloadTheLeastRecentlyUsed) {
    // 44 pictures; p1 is a GIF with hot spots, the others small bitmaps.
    const Bytes hot = GifBuilder().Header(3, 2, 2).HotSpots({{0, 0, 2, 1, 77}, {1, 1, 3, 2, 78}})
                          .Image(3, 2, Bytes{0, 1, 2, 3, 2, 1}).Trailer().bytes;
    const auto name = [](int i) { return "p" + std::to_string(i); };
    std::vector<std::pair<std::string, Bytes>> files;
    for (int i = 0; i < 44; ++i)
        files.push_back({name(i), i == 1 ? hot : Bmp24(Picture::Solid(2, 2, 0x010203 * static_cast<DWORD>(i + 1)))});
    UseHelpFile(files);

    // Last uses set by hand, oldest first, all before the current tick (a
    // picture stamped in the current tick is never the one unloaded).
    const DWORD now = GetTickCount();
    ASSERT_GT(now, 1000u);
    std::vector<PictureEntry*> e;
    auto stamp = [&](int i) { e[static_cast<std::size_t>(i)]->lastUse = now - 500 + static_cast<DWORD>(i); };
    auto loaded = [&] {
        std::string which;
        for (PictureEntry* p : e) which += p->bitmap ? '1' : '0';
        return which;
    };
    for (int i = 0; i < 40; ++i) {
        e.push_back(Load(name(i).c_str()));
        ASSERT_NE(e.back()->bitmap, nullptr) << name(i);
        stamp(i);
    }
    const zyl::HotSpot* spots = e[1]->hotSpots;

    // Exactly 40 others loaded: nothing goes.
    e.push_back(Load(name(40).c_str()));
    stamp(40);
    EXPECT_EQ(loaded(), std::string(41, '1'));

    // Drawing the oldest makes it the newest; with 41 others loaded the
    // next load unloads the least recently used one, and only that one.
    EXPECT_TRUE(zyl::EnsurePictureLoaded(inst, e[0], false));
    EXPECT_GE(e[0]->lastUse, now);
    e.push_back(Load(name(41).c_str()));
    EXPECT_EQ(loaded(), "10" + std::string(40, '1'));
    EXPECT_EQ(e[1]->palette, nullptr);
    // Its other fields stay, hot spots included.
    EXPECT_EQ(e[1]->frameCount, 1);
    EXPECT_EQ(e[1]->hotSpots, spots);
    EXPECT_EQ(e[1]->hotSpotCount, 2);

    stamp(41);
    e.push_back(Load(name(42).c_str()));
    EXPECT_EQ(loaded(), "100" + std::string(40, '1'));

    // The unloaded picture comes back at its next use, with its hot spots;
    // the next oldest makes room for it.
    ASSERT_TRUE(zyl::EnsurePictureLoaded(inst, e[1], false));
    EXPECT_EQ(loaded(), "1100" + std::string(39, '1'));
    ASSERT_EQ(e[1]->hotSpotCount, 2);
    EXPECT_EQ(e[1]->hotSpots[1].left, 1);
    EXPECT_EQ(e[1]->hotSpots[1].context, 78u);
    EXPECT_EQ(Difference(BitmapPixels(e[1]->bitmap), DecodedStrip(hot)), "");

    // Ages count, not stamps: a picture last used 28 days ago, before the
    // tick count wrapped, holds a stamp larger than now and is the oldest.
    e[5]->lastUse = now - 0x90000000u;
    e.push_back(Load(name(43).c_str()));
    EXPECT_EQ(loaded(), "110010" + std::string(38, '1'));
}

TEST_F(PictureCache, LoadedPicturesTogetherHoldAtMostSixteenMegapixels) {
    // GIFs that declare their size and carry the bytes it takes (4096
    // pixels a byte) but no pixels: 8 M, 8 M and 256 K pixels.
    const Bytes eight = DeclaredGif({{4096, 2048}}, 2048), small = DeclaredGif({{512, 512}}, 0);
    UseHelpFile({{"a.gif", eight}, {"b.gif", eight}, {"c.gif", small}});
    PictureEntry* a = Load("a.gif");
    PictureEntry* b = Load("b.gif");
    ASSERT_TRUE(a->bitmap && b->bitmap) << "16 M pixels together fit";
    a->lastUse = GetTickCount() - 100;
    b->lastUse = GetTickCount() - 50;
    PictureEntry* c = Load("c.gif");
    EXPECT_NE(c->bitmap, nullptr);
    EXPECT_EQ(a->bitmap, nullptr) << "the least recently used one made room";
    EXPECT_NE(b->bitmap, nullptr);
}

TEST_F(PictureCache, PicturesComeFromTheHelpFileOrBesideItAndAreLookedForAtEveryUse) {
    // The help file named by the host is not one: a picture beside it on
    // disk is not read either.
    ASSERT_TRUE(scratch.Write("broken.hlp", Bytes(64, 0x3F)));
    ASSERT_TRUE(scratch.Write("beside.bmp", Bmp24(Picture::Solid(2, 2, 0x0000FF))));
    host.SetHelpFilePath(scratch.File("broken.hlp").c_str());
    PictureEntry* beside = zyl::FindOrCreatePictureEntry(inst, "beside.bmp");
    EXPECT_FALSE(zyl::EnsurePictureLoaded(inst, beside, false));

    // A real help file there: the disk's copy is found at the next use, the
    // help file's first unless the instance prefers the disk.
    UseHelpFile({{"both.bmp", Bmp24(Picture::Solid(2, 2, 0xFF0000))}}, "broken.hlp");
    ASSERT_TRUE(zyl::EnsurePictureLoaded(inst, beside, false));
    EXPECT_EQ(Uniform(BitmapPixels(beside->bitmap)), 0x0000FFu);
    ASSERT_TRUE(scratch.Write("both.bmp", Bmp24(Picture::Solid(2, 2, 0x00FF00))));
    PictureEntry* both = zyl::FindOrCreatePictureEntry(inst, "both.bmp");
    for (BOOL diskFirst : {FALSE, TRUE}) {
        inst->preferDiskFiles = diskFirst;
        HBITMAP bmp = zyl::ReadPictureFile(inst, both, false, nullptr);
        ASSERT_NE(bmp, nullptr);
        EXPECT_EQ(Uniform(BitmapPixels(bmp)), diskFirst ? 0x00FF00u : 0xFF0000u) << "disk first: " << diskFirst;
        DeleteObject(bmp);
    }
}

// ---- what a file puts into its entry ----

using PictureFile = ModuleHost;

TEST_F(PictureFile, TheFirstTwoBytesChooseTheReaderAndTheEntryTakesTheFramesFields) {
    const Bytes looped = TwoImages(true);
    UseHelpFile({{"bitmap.gif", Bmp24(Varied(7, 5, 1))}, {"gif.bmp", looped}, {"plain.gif", TwoImages(false)}});

    // (What every form of bitmap puts there is compared with ImageMagick.)
    PictureEntry* bmp = Load("bitmap.gif");
    ASSERT_NE(bmp->bitmap, nullptr);
    EXPECT_EQ(bmp->frameDelay, 0);
    EXPECT_EQ(bmp->transparentColour, zyl::kNoColour);
    EXPECT_EQ(PaletteSize(bmp->palette), 256) << "true colour gets the colour cube";

    PictureEntry* gif = Load("gif.bmp");
    ASSERT_NE(gif->bitmap, nullptr);
    EXPECT_EQ(gif->frameCount, 2);
    EXPECT_EQ(gif->frameDelay, 70);    // the last graphic control read
    EXPECT_EQ(gif->frameWidth, 5);     // the last image's size
    EXPECT_EQ(gif->frameHeight, 3);
    EXPECT_EQ(gif->transparentColour, ColourRef(LocalGifColour(3, 3)));   // from the second image's own table
    EXPECT_EQ(PaletteSize(gif->palette), 16);                              // the first frame's
    PALETTEENTRY e = {};
    ASSERT_EQ(GetPaletteEntries(gif->palette, 5, 1, &e), 1u);
    EXPECT_EQ(RGB(e.peRed, e.peGreen, e.peBlue), ColourRef(GifColour(5)));

    // The watermark painter's first-frame-only read of an animation.
    PictureEntry* first = Load("plain.gif", true);
    ASSERT_NE(first->bitmap, nullptr);
    EXPECT_EQ(first->frameCount, 1);
    EXPECT_EQ(Difference(BitmapPixels(first->bitmap), DecodedStrip(looped, true)), "");
}

TEST_F(PictureFile, UnreadableFilesGiveNoPictureButKeepWhatWasReadBefore) {
    GifBuilder g;
    g.Header(8, 8, 4).HotSpots({{1, 1, 2, 2, 5}, {3, 3, 4, 4, 6}}).Netscape();
    Bytes cut = g.GraphicControl(25).Image(8, 8, IndexPattern(64, 16, 1)).GraphicControl(7).Image(8, 8, IndexPattern(64, 16, 2)).bytes;
    cut.resize(cut.size() - 6);   // into the second image's data
    // (Which files the decoders refuse is their own tests' matter.)
    const Bytes noImage = GifBuilder().Header(4, 4, 2).GraphicControl(3).Trailer().bytes;
    UseHelpFile({{"cut.gif", cut}, {"noimage.gif", noImage}});
    for (const char* name : {"cut.gif", "noimage.gif"}) {
        PictureEntry* e = Load(name);
        EXPECT_EQ(e->bitmap, nullptr) << name;
        EXPECT_EQ(e->palette, nullptr) << name;
        EXPECT_FALSE(zyl::EnsurePictureLoaded(inst, e, false)) << name;
    }
    PictureEntry* e = zyl::FindOrCreatePictureEntry(inst, "cut.gif");
    EXPECT_EQ(e->frameDelay, 70);
    ASSERT_EQ(e->hotSpotCount, 2);
    EXPECT_EQ(e->hotSpots[1].context, 6u);
    EXPECT_EQ(zyl::FindOrCreatePictureEntry(inst, "noimage.gif")->frameDelay, 30);
}

// ---- drawing ----

TEST(PictureDraw, TransparentPixelsLeaveTheDestinationAsItWasStretchedOrNot) {
    constexpr std::uint32_t kMagenta = 0xFF00FF;
    Picture picture = Varied(6, 4, 9, kMagenta);   // every third pixel magenta
    for (std::size_t i = 0; i < picture.rgb.size(); ++i)
        if ((i % 6 + 2 * (i / 6)) % 3 == 0) picture.rgb[i] = kMagenta;
    const Picture background = Varied(24, 16, 4, kMagenta);
    HDC screen = GetDC(nullptr);
    HDC dst = CreateCompatibleDC(screen), src = CreateCompatibleDC(screen);
    HBITMAP dstBitmap = MakeBitmap(background), srcBitmap = MakeBitmap(picture);
    HGDIOBJ oldDst = SelectObject(dst, dstBitmap), oldSrc = SelectObject(src, srcBitmap);
    SetBkColor(dst, RGB(1, 2, 3));
    SetTextColor(dst, RGB(4, 5, 6));
    // Whole at (3, 2); then twice as wide and three times as high from the
    // source's (2, 1) on, as a frame of a strip is drawn, at (13, 2).
    EXPECT_NE(zyl::DrawTransparent(dst, 3, 2, 6, 4, src, 0, 0, 6, 4, ColourRef(kMagenta)), 0);
    EXPECT_NE(zyl::DrawTransparent(dst, 13, 2, 8, 9, src, 2, 1, 4, 3, ColourRef(kMagenta)), 0);
    // A colour the picture lacks: drawn whole.
    EXPECT_NE(zyl::DrawTransparent(dst, 3, 9, 6, 4, src, 0, 0, 6, 4, ColourRef(0x010101)), 0);
    EXPECT_EQ(GetBkColor(dst), RGB(1, 2, 3)) << "the destination's colours are given back";
    EXPECT_EQ(GetTextColor(dst), RGB(4, 5, 6));
    SelectObject(dst, oldDst);
    SelectObject(src, oldSrc);
    Picture expected = background;
    auto lay = [&](int x, int y, int left, int top, int w, int h, int sx, int sy, std::uint32_t key) {
        for (int dy = 0; dy < h * sy; ++dy)
            for (int dx = 0; dx < w * sx; ++dx) {
                const std::uint32_t c = picture.at(left + dx / sx, top + dy / sy);
                if (c != key) expected.rgb[static_cast<std::size_t>((y + dy) * expected.width + x + dx)] = c;
            }
    };
    lay(3, 2, 0, 0, 6, 4, 1, 1, kMagenta);
    lay(13, 2, 2, 1, 4, 3, 2, 3, kMagenta);
    lay(3, 9, 0, 0, 6, 4, 1, 1, 0x010101);
    EXPECT_EQ(Difference(BitmapPixels(dstBitmap), expected), "");
    DeleteObject(dstBitmap);
    DeleteObject(srcBitmap);
    DeleteDC(dst);
    DeleteDC(src);
    ReleaseDC(nullptr, screen);
}

// ---- the printed or copied first frame ----

using PictureRender = ModuleHost;

TEST_F(PictureRender, TheFirstFrameIsReadAfreshInColourWithOneColourTurnedWhite) {
    const Bytes anim = TwoImages(true);
    UseHelpFile({{"anim.gif", anim}, {"pal.bmp", Bmp8(2, 1, {0x2040C0, 0x33AA55}, {0, 1})}});
    // For the printer: the screen's case is the movie control's render.
    HDC printer = host.CreatePrinterDC();
    ASSERT_NE(printer, nullptr);
    PictureEntry* gif = zyl::FindOrCreatePictureEntry(inst, "anim.gif");
    // Colour 2 of the GIF's table becomes white; the rest as decoded.
    Picture expected = DecodedStrip(anim, true);
    for (std::uint32_t& c : expected.rgb)
        if (c == GifColour(2)) c = 0xFFFFFF;
    HBITMAP first = zyl::RenderFirstFrame(inst, gif, printer, ColourRef(GifColour(2)));
    EXPECT_EQ(Difference(BitmapPixels(first), expected), "");
    DeleteObject(first);
    EXPECT_EQ(gif->bitmap, nullptr) << "read afresh: the entry was never loaded";
    // A bitmap file: its table entry of that colour turned white.
    HBITMAP pal = zyl::RenderFirstFrame(inst, zyl::FindOrCreatePictureEntry(inst, "pal.bmp"), printer, ColourRef(0x33AA55));
    EXPECT_EQ(BitmapPixels(pal).rgb, (std::vector<std::uint32_t>{0x2040C0, 0xFFFFFF}));
    DeleteObject(pal);
    EXPECT_EQ(zyl::RenderFirstFrame(inst, zyl::FindOrCreatePictureEntry(inst, "none.gif"), printer, 0), nullptr);
    DeleteDC(printer);
}

// ---- GDI objects ----

// Holds all but `spare` of the GDI objects the process may still make.
struct GdiSqueeze {
    explicit GdiSqueeze(int spare) {
        brushes.reserve(70000);
        while (HBRUSH b = CreateSolidBrush(RGB(9, 9, 9))) brushes.push_back(b);
        for (int i = 0; i < spare && !brushes.empty(); ++i) {
            DeleteObject(brushes.back());
            brushes.pop_back();
        }
    }
    ~GdiSqueeze() {
        for (HBRUSH b : brushes) DeleteObject(b);
    }
    std::vector<HBRUSH> brushes;
};

std::vector<std::pair<std::string, Bytes>> MixedPictures(int count) {
    std::vector<std::pair<std::string, Bytes>> files;
    for (int i = 0; i < count; ++i) {
        const std::string name = "m" + std::to_string(i);
        if (i % 3 == 0) files.push_back({name, Bmp24(Varied(5, 4, static_cast<unsigned>(i)))});
        if (i % 3 == 1) files.push_back({name, Bmp8(5, 3, {0x102030, 0x405060, 0x708090}, IndexPattern(15, 3, i))});
        if (i % 3 == 2) files.push_back({name, TwoImages(true)});
    }
    return files;
}

using PictureGdi = ModuleHost;

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
                zyl::DrawTransparent(canvas, 1, 1, 20, 12, strip, 0, 0, e->frameWidth, e->frameHeight, 0x302010);
                SelectObject(strip, old);
            }
            if (HBITMAP first = zyl::RenderFirstFrame(inst, e, canvas, 0x605040)) DeleteObject(first);
        }
    };
    round();   // first use of everything
    auto held = [&] {   // objects the cache holds: loaded bitmaps and their palettes
        int n = 0;
        for (const PictureEntry* e : entries) n += (e->bitmap ? 1 : 0) + (e->palette ? 1 : 0);
        return n;
    };
    const int heldBefore = held(), room = GdiRoom();
    for (int i = 0; i < 10; ++i) round();
    EXPECT_EQ(GdiRoom() + (held() - heldBefore), room) << "objects kept over 10 rounds";

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
    };
    all();   // first use of everything
    const int room = GdiRoom();
    // Each step of the loads and draws meets the one object it cannot have.
    for (int spare = 0; spare < 12; ++spare) {
        GdiSqueeze squeeze(spare);
        all();
    }
    EXPECT_EQ(GdiRoom(), room);
    ReleaseDC(nullptr, screen);
}

TEST_F(PictureGdi, ALongAnimationLoadsWithFewObjectsToSpare) {
    // 400 frames: a strip built from every frame's bitmap at once would
    // need 400 objects.
    GifBuilder g;
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
    EXPECT_EQ(Difference(BitmapPixels(e->bitmap), DecodedStrip(g.bytes)), "");
}

}  // namespace
