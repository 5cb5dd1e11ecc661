// Pictures written by ImageMagick and gifsicle, loaded through the cache
// (the platform's own DIB conversion turns them into device bitmaps) and
// read back pixel for pixel against ImageMagick's own decode. GIF frames
// are compared raw, each image as stored, which is how the module shows them.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/thread/instance.h"
#include "imaging/picturecache.h"
#include "module_picture_support.h"

using namespace cachetest;
using zyl::PictureEntry;

namespace {

class PictureOracle : public PictureHost {
protected:
    void SetUp() override {
        PictureHost::SetUp();
        if (HasFatalFailure()) return;
        std::string why;
        // The real ImageMagick, not a stand-in that PATH may put first.
        ASSERT_TRUE(RunUnix("/usr/bin/convert -version | grep -q ImageMagick && gifsicle --version > /dev/null", &why))
            << "ImageMagick and gifsicle are needed (./run installs them): " << why;
    }

    // `convert ARGS FORMAT:name` into the scratch folder; the file written.
    Bytes Convert(const std::string& args, const std::string& name, const std::string& format = "") {
        std::string why;
        EXPECT_TRUE(RunUnix("/usr/bin/convert " + args + " '" + format + scratch.UnixFile(name) + "'", &why)) << why;
        return scratch.Read(name);
    }
    // Several `convert` runs side by side; false when any of them failed.
    void ConvertAll(const std::vector<std::string>& commands) {
        std::string script;
        for (const std::string& c : commands) script += "/usr/bin/convert " + c + " & pids=\"$pids $!\"; ";
        script += "for p in $pids; do wait $p || exit 1; done";
        std::string why;
        EXPECT_TRUE(RunUnix(script, &why)) << why;
    }
    std::string Out(const std::string& format, const std::string& name) {
        return "'" + format + scratch.UnixFile(name) + "'";
    }
    bool Gifsicle(const std::string& args, const std::string& name) {
        std::string why;
        const bool ok = RunUnix("gifsicle " + args + " > '" + scratch.UnixFile(name) + "'", &why);
        EXPECT_TRUE(ok) << why;
        return ok;
    }
    std::string In(const std::string& name) { return "'" + scratch.UnixFile(name) + "'"; }

    // ImageMagick's decode of a scratch file, or of one image of it.
    Pixels Magick(const std::string& name, int image = -1) {
        const std::string input = scratch.UnixFile(name) + (image >= 0 ? "[" + std::to_string(image) + "]" : "");
        const std::string out = name + "." + std::to_string(image + 1) + ".ppm";
        std::string why;
        EXPECT_TRUE(RunUnix("/usr/bin/convert '" + input + "' -depth 8 'ppm:" + scratch.UnixFile(out) + "'", &why))
            << why;
        return ParsePpm(scratch.Read(out));
    }

    // A plasma fractal of a fixed seed and an odd size (rows need padding).
    std::string Source(int seed, int width, int height) {
        const std::string name = "src" + std::to_string(seed) + ".png";
        Convert("-seed " + std::to_string(seed) + " -size " + std::to_string(width) + "x" + std::to_string(height) +
                    " plasma:",
                name);
        return In(name);
    }
};

std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

void Set32(Bytes* b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) (*b)[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A bitmap file taken apart, to be put together again in another form.
struct BmpParts {
    Bytes header;   // the info header as in the file
    Bytes table;    // what lies between it and the bits
    Bytes bits;
};

BmpParts Split(const Bytes& f) {
    BmpParts p;
    if (f.size() < 18) return p;
    const std::uint32_t bitsAt = Get32(f, 10), headerSize = Get32(f, 14);
    if (bitsAt > f.size() || 14 + headerSize > bitsAt) return p;
    p.header.assign(f.begin() + 14, f.begin() + 14 + headerSize);
    p.table.assign(f.begin() + 14 + headerSize, f.begin() + bitsAt);
    p.bits.assign(f.begin() + bitsAt, f.end());
    return p;
}

Bytes Join(const BmpParts& p) {
    Bytes f = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const std::size_t bitsAt = 14 + p.header.size() + p.table.size();
    Set32(&f, 2, static_cast<std::uint32_t>(bitsAt + p.bits.size()));
    Set32(&f, 10, static_cast<std::uint32_t>(bitsAt));
    f.insert(f.end(), p.header.begin(), p.header.end());
    f.insert(f.end(), p.table.begin(), p.table.end());
    f.insert(f.end(), p.bits.begin(), p.bits.end());
    return f;
}

// The same picture stored top-down: rows in the other order, height negative.
Bytes TopDown(const Bytes& file) {
    BmpParts p = Split(file);
    const std::uint32_t rows = Get32(p.header, 8);
    if (rows == 0 || p.bits.size() % rows) return Bytes();
    const std::size_t stride = p.bits.size() / rows;
    Bytes flipped;
    for (std::uint32_t y = rows; y-- > 0;)
        flipped.insert(flipped.end(), p.bits.begin() + static_cast<long>(y * stride),
                       p.bits.begin() + static_cast<long>((y + 1) * stride));
    p.bits = flipped;
    Set32(&p.header, 8, static_cast<std::uint32_t>(-static_cast<std::int32_t>(rows)));
    return Join(p);
}

// The pixels (top row first) that a run-length bitmap file leaves as they
// were when the platform unpacks it over a picture of one colour.
std::vector<bool> UnsetByTheStream(const Bytes& file) {
    std::vector<bool> unset;
    if (file.size() < 54) return unset;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(&file[14]);
    const int width = info->bmiHeader.biWidth, height = info->bmiHeader.biHeight;
    const DWORD sentinel = 0xFE01FD;   // not in the file's table
    Pixels blank;
    blank.width = width;
    blank.height = height;
    blank.rgb.assign(static_cast<std::size_t>(width * height), sentinel);
    HBITMAP bmp = MakeBitmap(blank);
    HDC screen = GetDC(nullptr);
    const int rows = SetDIBits(screen, bmp, 0, static_cast<UINT>(height), &file[Get32(file, 10)], info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    const Pixels after = BitmapPixels(bmp);
    DeleteObject(bmp);
    if (rows != height) return unset;
    for (DWORD c : after.rgb) unset.push_back(c == sentinel);
    return unset;
}

int PaletteSize(HPALETTE palette) {
    WORD n = 0;
    return palette && GetObjectA(palette, sizeof n, &n) ? n : 0;
}

TEST_F(PictureOracle, BitmapsOfEveryFormShowAsImageMagickShowsThem) {
    const std::string src = Source(21, 61, 37);
    struct Form {
        const char* name;
        const char* args;
        const char* format;
        unsigned headerSize, depth, compression;
    };
    // Colours are reduced without dithering: ImageMagick dithers slowly.
    const Form forms[] = {
        {"d1.bmp", "+dither -colors 2 -compress none", "BMP3:", 40, 1, 0},
        {"d4.bmp", "+dither -colors 16 -compress none", "BMP3:", 40, 4, 0},
        {"d8.bmp", "+dither -colors 200 -compress none", "BMP3:", 40, 8, 0},
        {"d24.bmp", "-type TrueColor -compress none", "BMP3:", 40, 24, 0},
        {"rle8.bmp", "+dither -colors 200 -compress RLE", "BMP3:", 40, 8, 1},
        {"c1.bmp", "+dither -colors 2 -compress none", "BMP2:", 12, 1, 0},
        {"c4.bmp", "+dither -colors 16 -compress none", "BMP2:", 12, 4, 0},
        {"c8.bmp", "+dither -colors 200 -compress none", "BMP2:", 12, 8, 0},
        {"c24.bmp", "-type TrueColor -compress none", "BMP2:", 12, 24, 0},
        {"v5.bmp", "-define bmp:subtype=RGB565", "", 124, 16, 3},
        {"u20.bmp", "+dither -colors 20 -compress none", "BMP3:", 40, 8, 0},
    };
    std::vector<std::string> commands;
    for (const Form& f : forms) commands.push_back(src + " " + f.args + " " + Out(f.format, f.name));
    ConvertAll(commands);
    std::vector<std::pair<std::string, Bytes>> files;
    for (const Form& f : forms) {
        const Bytes file = scratch.Read(f.name);
        ASSERT_GT(file.size(), 54u) << f.name;
        // Make sure the file has the form this test is about.
        const unsigned depth = f.headerSize == 12 ? file[24] : file[28];
        ASSERT_EQ(Get32(file, 14), f.headerSize) << f.name;
        ASSERT_EQ(depth, f.depth) << f.name;
        if (f.headerSize > 12) {
            ASSERT_EQ(Get32(file, 30), f.compression) << f.name;
        }
        files.push_back({f.name, file});
    }
    // An 8-bit picture whose table has 20 entries (colours used 20).
    BmpParts used = Split(files.back().second);
    used.table.resize(20 * 4);
    Set32(&used.header, 32, 20);
    files.back().second = Join(used);
    // Top-down forms of two of them.
    files.push_back({"t24.bmp", TopDown(files[3].second)});
    files.push_back({"t4.bmp", TopDown(files[1].second)});
    // RLE4, which ImageMagick only reads: coded by hand, with literal
    // groups, runs, a move, ends of line and the end of the picture.
    files.push_back({"rle4.bmp", ReadFileBytes(SourceFileForWindows("tests/native/data/imaging/rle4_delta.bmp"))});
    ASSERT_EQ(Get32(files.back().second, 30), 2u) << "RLE4";

    for (const auto& f : files) ASSERT_TRUE(scratch.Write(f.first, f.second)) << f.first;
    commands.clear();
    for (const auto& f : files) commands.push_back(In(f.first) + " -depth 8 " + Out("ppm:", f.first + ".ppm"));
    ConvertAll(commands);

    // Pixels a run-length stream moves past are never set: the platform
    // leaves them as a new bitmap has them (black) where ImageMagick shows
    // colour 0. Which ones they are, the platform itself says.
    const std::vector<bool> skipped = UnsetByTheStream(files.back().second);
    ASSERT_GT(std::count(skipped.begin(), skipped.end(), true), 0) << "the RLE4 file moves past some pixels";

    UseHelpFile(files);
    for (const auto& f : files) {
        const char* name = f.first.c_str();
        PictureEntry* e = Load(name);
        ASSERT_NE(e->bitmap, nullptr) << name;
        Pixels expected = ParsePpm(scratch.Read(f.first + ".ppm"));
        ASSERT_GT(expected.width, 0) << "ImageMagick could not read " << name;
        if (f.first == "rle4.bmp") {
            ASSERT_EQ(skipped.size(), expected.rgb.size());
            for (std::size_t i = 0; i < skipped.size(); ++i)
                if (skipped[i]) expected.rgb[i] = 0;
        }
        EXPECT_EQ(e->frameCount, 1) << name;
        EXPECT_EQ(e->frameWidth, expected.width) << name;
        EXPECT_EQ(e->frameHeight, expected.height) << name;
        EXPECT_EQ(Difference(BitmapPixels(e->bitmap), expected), "") << name;
    }
    // The palettes: the colour table, the cube for 24 bits, none for 16.
    EXPECT_EQ(PaletteSize(zyl::FindOrCreatePictureEntry(inst, "u20.bmp")->palette), 20);
    EXPECT_EQ(PaletteSize(zyl::FindOrCreatePictureEntry(inst, "d4.bmp")->palette), 16);
    EXPECT_EQ(PaletteSize(zyl::FindOrCreatePictureEntry(inst, "c24.bmp")->palette), 256);
    EXPECT_EQ(PaletteSize(zyl::FindOrCreatePictureEntry(inst, "t24.bmp")->palette), 256);
    EXPECT_EQ(zyl::FindOrCreatePictureEntry(inst, "v5.bmp")->palette, nullptr);
}

TEST_F(PictureOracle, AnimationsShowEveryRawFrameSideBySideOnlyWithNetscape) {
    // A 16-colour image on the global table, a 64-colour one and a smaller
    // 8-colour one at an offset, both with their own tables.
    const std::string src = Source(3, 40, 30);
    ConvertAll({src + " +dither -colors 16 " + Out("", "f1.gif"),
                "-seed 4 -size 40x30 plasma:red-blue +dither -colors 64 " + Out("", "f2.gif"),
                "-seed 5 -size 24x18 plasma:green-yellow +dither -colors 8 " + Out("", "f3.gif")});
    const Bytes anim = Convert("-delay 25 -loop 0 " + In("f1.gif") + " " + In("f2.gif") + " -page +5+6 " + In("f3.gif"),
                               "anim.gif");
    ASSERT_TRUE(Gifsicle(In("f1.gif") + " " + In("f2.gif") + " " + In("f1.gif"), "plain.gif"));
    ASSERT_TRUE(Gifsicle("--loopcount=3 " + In("f1.gif") + " " + In("f2.gif") + " " + In("f1.gif"), "looped.gif"));
    UseHelpFile({{"anim.gif", anim}, {"plain.gif", scratch.Read("plain.gif")}, {"looped.gif", scratch.Read("looped.gif")},
                 {"watermark.gif", anim}});

    // The strip: the three raw images from the left, as high as the first,
    // black below the short one.
    PictureEntry* a = Load("anim.gif");
    ASSERT_NE(a->bitmap, nullptr);
    EXPECT_EQ(a->frameCount, 3);
    EXPECT_EQ(a->frameDelay, 250);
    EXPECT_EQ(a->frameWidth, 24);
    EXPECT_EQ(a->frameHeight, 18);
    const Pixels strip = BitmapPixels(a->bitmap);
    ASSERT_EQ(strip.width, 104);
    ASSERT_EQ(strip.height, 30);
    EXPECT_EQ(Difference(Columns(strip, 0, 40), Magick("anim.gif", 0)), "") << "image 0";
    EXPECT_EQ(Difference(Columns(strip, 40, 40), Magick("anim.gif", 1)), "") << "image 1";
    Pixels third = Magick("anim.gif", 2);
    ASSERT_EQ(third.height, 18);
    third.height = 30;
    third.rgb.resize(24 * 30, 0);
    EXPECT_EQ(Difference(Columns(strip, 80, 24), third), "") << "image 2";

    // Without NETSCAPE: the first of the three images only.
    ASSERT_EQ(Magick("plain.gif", 2).width, 40);
    PictureEntry* p = Load("plain.gif");
    ASSERT_NE(p->bitmap, nullptr);
    EXPECT_EQ(p->frameCount, 1);
    EXPECT_EQ(Difference(BitmapPixels(p->bitmap), Magick("plain.gif", 0)), "");

    PictureEntry* l = Load("looped.gif");
    ASSERT_NE(l->bitmap, nullptr);
    ASSERT_EQ(l->frameCount, 3);
    const Pixels looped = BitmapPixels(l->bitmap);
    EXPECT_EQ(Difference(Columns(looped, 40, 40), Magick("looped.gif", 1)), "");
    EXPECT_EQ(Difference(Columns(looped, 80, 40), Magick("looped.gif", 2)), "");

    // The watermark painter's read: the first image of an animation.
    PictureEntry* w = Load("watermark.gif", true);
    ASSERT_NE(w->bitmap, nullptr);
    EXPECT_EQ(w->frameCount, 1);
    EXPECT_EQ(Difference(BitmapPixels(w->bitmap), Magick("anim.gif", 0)), "");
}

}  // namespace
