// Pictures written by ImageMagick and gifsicle, loaded through the cache
// (the platform's own DIB conversion turns them into device bitmaps) and
// read back pixel for pixel against ImageMagick's own decode. GIF frames
// are compared raw, each image as stored, which is how the module shows them.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "imaging/picturecache.h"
#include "module_test.h"

using namespace zyltest;
using zyl::PictureEntry;

namespace {

class PictureOracle : public ModuleHost {
protected:
    void SetUp() override {
        ModuleHost::SetUp();
        ASSERT_TRUE(HaveImageTools()) << "ImageMagick and gifsicle are needed (./run installs them)";
    }
    // A scratch file for a shell command, with ImageMagick's format prefix.
    std::string Path(const std::string& name, const std::string& format = "") const {
        return "'" + format + scratch.UnixFile(name) + "'";
    }
    // Programs run side by side in one shell.
    void Together(const std::vector<std::string>& commands) {
        std::string why;
        ASSERT_TRUE(RunUnixTogether(commands, &why)) << why;
    }
    // A plasma fractal of a fixed seed and an odd size (rows need padding).
    std::string Source(int seed, int width, int height) {
        const std::string name = "src" + std::to_string(seed) + ".png";
        Together({"/usr/bin/convert -seed " + std::to_string(seed) + " -size " + std::to_string(width) + "x" +
                  std::to_string(height) + " plasma: " + Path(name)});
        return Path(name);
    }
};

// The pixels (top row first) that a run-length bitmap file leaves as they
// were when the platform unpacks it over a picture of one colour.
std::vector<bool> UnsetByTheStream(const Bytes& file) {
    std::vector<bool> unset;
    if (file.size() < 54) return unset;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(&file[14]);
    const int width = info->bmiHeader.biWidth, height = info->bmiHeader.biHeight;
    const std::uint32_t sentinel = 0xFE01FD;   // not in the file's table
    HBITMAP bmp = MakeBitmap(Picture::Solid(width, height, sentinel));
    HDC screen = GetDC(nullptr);
    const int rows = SetDIBits(screen, bmp, 0, static_cast<UINT>(height), &file[Get32(file, 10)], info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    const Picture after = BitmapPixels(bmp);
    DeleteObject(bmp);
    if (rows != height) return unset;
    for (std::uint32_t c : after.rgb) unset.push_back(c == sentinel);
    return unset;
}

TEST_F(PictureOracle, BitmapsOfEveryFormShowAsImageMagickShowsThem) {
    const std::string src = Source(21, 61, 37);
    // Colours are reduced without dithering: ImageMagick dithers slowly.
    const struct { const char *name, *args, *format; unsigned headerSize, depth, compression; } forms[] = {
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
    for (const auto& f : forms) commands.push_back("/usr/bin/convert " + src + " " + f.args + " " + Path(f.name, f.format));
    Together(commands);
    std::vector<std::pair<std::string, Bytes>> files;
    for (const auto& f : forms) {
        const Bytes file = scratch.Read(f.name);
        ASSERT_GT(file.size(), 54u) << f.name;
        // Make sure the file has the form this test is about.
        const unsigned depth = f.headerSize == 12 ? file[24] : file[28];
        ASSERT_EQ(Get32(file, 14), f.headerSize) << f.name;
        ASSERT_EQ(depth, f.depth) << f.name;
        if (f.headerSize > 12) ASSERT_EQ(Get32(file, 30), f.compression) << f.name;
        files.push_back({f.name, file});
    }
    // An 8-bit picture whose table has 20 entries (colours used 20).
    BmpParts used = SplitBmp(files.back().second);
    used.table.resize(20 * 4);
    Put32(used.header, 32, 20);
    files.back().second = JoinBmp(used);
    // Top-down forms of two of them.
    files.push_back({"t24.bmp", TopDownBmp(files[3].second)});
    files.push_back({"t4.bmp", TopDownBmp(files[1].second)});
    // RLE4, which ImageMagick only reads: coded by hand, with literal
    // groups, runs, a move, ends of line and the end of the picture.
    files.push_back({"rle4.bmp", ReadFile(SourceFile("tests/native/data/imaging/rle4_delta.bmp"))});
    ASSERT_EQ(Get32(files.back().second, 30), 2u) << "RLE4";

    for (const auto& f : files) ASSERT_TRUE(scratch.Write(f.first, f.second)) << f.first;
    commands.clear();
    for (const auto& f : files)
        commands.push_back("/usr/bin/convert " + Path(f.first) + " -depth 8 " + Path(f.first + ".ppm", "ppm:"));
    Together(commands);

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
        Picture expected = ParsePpm(scratch.Read(f.first + ".ppm"));
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
    EXPECT_EQ(zyl::FindOrCreatePictureEntry(inst, "v5.bmp")->palette, nullptr) << "16 bits: no palette";
}

TEST_F(PictureOracle, AnimationsShowEveryRawFrameSideBySide) {
    // A 16-colour image on the global table, a 64-colour one and a smaller
    // 8-colour one at an offset, both with their own tables.
    Together({"/usr/bin/convert " + Source(3, 40, 30) + " +dither -colors 16 " + Path("f1.gif"),
              "/usr/bin/convert -seed 4 -size 40x30 plasma:red-blue +dither -colors 64 " + Path("f2.gif"),
              "/usr/bin/convert -seed 5 -size 24x18 plasma:green-yellow +dither -colors 8 " + Path("f3.gif")});
    const std::string f1 = Path("f1.gif"), f2 = Path("f2.gif");
    Together({"/usr/bin/convert -delay 25 -loop 0 " + f1 + " " + f2 + " -page +5+6 " + Path("f3.gif") + " " + Path("anim.gif"),
              "gifsicle --loopcount=3 " + f1 + " " + f2 + " " + f1 + " > " + Path("looped.gif")});
    UseHelpFile({{"anim.gif", scratch.Read("anim.gif")}, {"looped.gif", scratch.Read("looped.gif")}});

    // The strip: the three raw images from the left, as high as the first,
    // black below the short one.
    PictureEntry* a = Load("anim.gif");
    ASSERT_NE(a->bitmap, nullptr);
    EXPECT_EQ(a->frameCount, 3);
    const Picture strip = BitmapPixels(a->bitmap);
    ASSERT_EQ(strip.width, 104);
    ASSERT_EQ(strip.height, 30);
    EXPECT_EQ(Difference(Part(strip, 0, 40), MagickDecode(scratch, "anim.gif", 0)), "") << "image 0";
    EXPECT_EQ(Difference(Part(strip, 40, 40), MagickDecode(scratch, "anim.gif", 1)), "") << "image 1";
    Picture third = MagickDecode(scratch, "anim.gif", 2);
    ASSERT_EQ(third.height, 18);
    third.height = 30;
    third.rgb.resize(24 * 30, 0);
    EXPECT_EQ(Difference(Part(strip, 80, 24), third), "") << "image 2";

    PictureEntry* l = Load("looped.gif");
    ASSERT_NE(l->bitmap, nullptr);
    ASSERT_EQ(l->frameCount, 3);
    EXPECT_EQ(Difference(Part(BitmapPixels(l->bitmap), 40, 40), MagickDecode(scratch, "looped.gif", 1)), "");
}

}  // namespace
