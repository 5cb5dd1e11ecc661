// The picture readers against other programs: files written by ImageMagick
// and gifsicle (made at test time in a scratch directory) must decode pixel
// for pixel as ImageMagick decodes them. GIF frames are compared raw (each
// image as stored, no logical screen), which is how the module shows them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "imaging/dibformat.h"
#include "imaging_support.h"

namespace {

using imgtest::Bytes;
using imgtest::MagickDecode;
using imgtest::Rgb;
using imgtest::ScratchPath;

bool HaveTools() {
    static const bool have = imgtest::Shell("/usr/bin/convert -version 2>/dev/null | grep -q ImageMagick") &&
                             imgtest::Shell("gifsicle --version >/dev/null 2>&1");
    return have;
}

// Runs `convert ARGS FORMAT:OUT` into the scratch directory; returns OUT's path.
std::string Convert(const std::string& args, const std::string& out, const std::string& format = "") {
    const std::string path = ScratchPath(out);
    EXPECT_TRUE(imgtest::Shell("/usr/bin/convert " + args + " '" + format + path + "'")) << args;
    return path;
}

// The source pictures: plasma fractals, fixed seeds, odd sizes (row padding).
std::string Source(int seed, int w, int h) {
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    return Convert("-seed " + std::to_string(seed) + " -size " + size + " plasma:",
                   "src" + std::to_string(seed) + "_" + size + ".png");
}

void ExpectSamePixels(const Rgb& mine, const Rgb& ref, const std::string& what) {
    ASSERT_GT(ref.width, 0) << "ImageMagick could not decode " << what;
    ASSERT_EQ(mine.width, ref.width) << what;
    ASSERT_EQ(mine.height, ref.height) << what;
    std::size_t bad = 0, first = 0;
    for (std::size_t i = 0; i < ref.pixels.size(); ++i)
        if (mine.pixels[i] != ref.pixels[i] && bad++ == 0) first = i;
    EXPECT_EQ(bad, 0u) << what << ": first difference at pixel " << first / 3 << " (x "
                       << (first / 3) % static_cast<std::size_t>(ref.width) << ", y "
                       << (first / 3) / static_cast<std::size_t>(ref.width) << ")";
}

zyl::DecodedPicture DecodeFile(const std::string& path, bool firstFrameOnly = false) {
    zyl::DecodedPicture pic;
    const Bytes file = imgtest::ReadFile(path);
    EXPECT_FALSE(file.empty()) << path;
    EXPECT_TRUE(imgtest::Decode(file, &pic, firstFrameOnly)) << path;
    return pic;
}

class GifOracle : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(HaveTools()) << "ImageMagick and gifsicle are needed (./run installs them)"; }
};

class BmpOracle : public GifOracle {};

TEST_F(GifOracle, ColourCountsChooseTheFrameDepthAndDecodeLikeImageMagick) {
    const std::string src = Source(7, 61, 37);
    const struct {
        int colours;
        unsigned depth;
    } cases[] = {{2, 1}, {4, 4}, {16, 4}, {32, 8}, {256, 8}};
    for (const auto& c : cases) {
        const std::string gif = Convert("'" + src + "' -colors " + std::to_string(c.colours), "c" +
                                        std::to_string(c.colours) + ".gif");
        const zyl::DecodedPicture pic = DecodeFile(gif);
        ASSERT_EQ(pic.frames.size(), 1u) << c.colours;
        EXPECT_EQ(pic.frames[0].Header().bitCount, c.depth) << c.colours << " colours";
        EXPECT_EQ(pic.info.frameCount, 1);
        EXPECT_EQ(pic.info.frameWidth, 61);
        EXPECT_EQ(pic.info.frameHeight, 37);
        ExpectSamePixels(imgtest::StripRgb(pic), MagickDecode(gif + "[0]"), gif);
    }
}

TEST_F(GifOracle, InterlacedImagesComeOutInNaturalRowOrder) {
    const std::string src = Source(11, 83, 45);
    const std::string im = Convert("'" + src + "' -colors 256 -interlace GIF", "il256.gif");
    ExpectSamePixels(imgtest::StripRgb(DecodeFile(im)), MagickDecode(im + "[0]"), im);

    // gifsicle's interlacing of a short picture: rows 0..4 hit every pass.
    const std::string small = Convert("'" + Source(12, 9, 5) + "' -colors 16", "small.gif");
    const std::string il = ScratchPath("small_il.gif");
    ASSERT_TRUE(imgtest::Shell("gifsicle --interlace '" + small + "' > '" + il + "'"));
    ExpectSamePixels(imgtest::StripRgb(DecodeFile(il)), MagickDecode(small + "[0]"), il);
}

// Three images: a 16-colour one on the global table, a 64-colour one and a
// smaller 8-colour one at an offset, both with local tables; NETSCAPE loop.
std::string MakeAnimation() {
    const std::string f1 = Convert("'" + Source(3, 40, 30) + "' -colors 16", "f1.gif");
    const std::string f2 = Convert("-seed 4 -size 40x30 plasma:red-blue -colors 64", "f2.gif");
    const std::string f3 = Convert("-seed 5 -size 24x18 plasma:green-yellow -colors 8", "f3.gif");
    return Convert("-delay 25 -loop 0 '" + f1 + "' '" + f2 + "' -page +5+6 '" + f3 + "'", "anim.gif");
}

TEST_F(GifOracle, NetscapeAnimationGivesEveryRawFrameSideBySide) {
    const std::string anim = MakeAnimation();
    const zyl::DecodedPicture pic = DecodeFile(anim);
    ASSERT_EQ(pic.frames.size(), 3u);
    EXPECT_EQ(pic.info.frameCount, 3);
    EXPECT_EQ(pic.info.frameWidth, 24);   // the last image's size
    EXPECT_EQ(pic.info.frameHeight, 18);
    EXPECT_TRUE(pic.info.frameDelaySet);
    EXPECT_EQ(pic.info.frameDelay, 250);
    EXPECT_EQ(pic.frames[1].Header().bitCount, 8u);   // its own 64-colour table
    EXPECT_EQ(pic.frames[2].Header().bitCount, 4u);   // its own 8-colour table

    Rgb expected;   // the strip from ImageMagick's raw frames
    expected.width = 40 + 40 + 24;
    expected.height = 30;
    expected.pixels.assign(static_cast<std::size_t>(expected.width * expected.height * 3), 0);
    int left = 0;
    for (int i = 0; i < 3; ++i) {
        const Rgb ref = MagickDecode(anim + "[" + std::to_string(i) + "]");
        ExpectSamePixels(imgtest::FrameRgb(pic.frames[static_cast<std::size_t>(i)]), ref, "frame " + std::to_string(i));
        for (int y = 0; y < ref.height; ++y)
            std::memcpy(&expected.pixels[static_cast<std::size_t>((y * expected.width + left) * 3)],
                        &ref.pixels[static_cast<std::size_t>(y * ref.width * 3)], static_cast<std::size_t>(ref.width * 3));
        left += ref.width;
    }
    ExpectSamePixels(imgtest::StripRgb(pic), expected, "strip");

    // The palette is the first frame's.
    zyl::DibPaletteEntry pal[256];
    EXPECT_EQ(zyl::DibPaletteEntries(pic.frames[0].data(), pic.frames[0].size(), pal), 16u);

    // Read for the watermark: the first image only.
    const zyl::DecodedPicture first = DecodeFile(anim, true);
    EXPECT_EQ(first.info.frameCount, 1);
    ExpectSamePixels(imgtest::StripRgb(first), MagickDecode(anim + "[0]"), "first frame only");
}

TEST_F(GifOracle, WithoutNetscapeOnlyTheFirstImageIsRead) {
    const std::string f1 = Convert("'" + Source(3, 40, 30) + "' -colors 16", "n1.gif");
    const std::string f2 = Convert("'" + Source(4, 40, 30) + "' -colors 16", "n2.gif");
    const std::string plain = ScratchPath("noloop.gif");
    ASSERT_TRUE(imgtest::Shell("gifsicle '" + f1 + "' '" + f2 + "' '" + f1 + "' > '" + plain + "'"));
    const zyl::DecodedPicture pic = DecodeFile(plain);
    EXPECT_EQ(pic.info.frameCount, 1);
    ExpectSamePixels(imgtest::StripRgb(pic), MagickDecode(plain + "[0]"), plain);

    const std::string looped = ScratchPath("loop.gif");
    ASSERT_TRUE(imgtest::Shell("gifsicle --loopcount=3 '" + f1 + "' '" + f2 + "' '" + f1 + "' > '" + looped + "'"));
    const zyl::DecodedPicture all = DecodeFile(looped);
    ASSERT_EQ(all.info.frameCount, 3);
    ExpectSamePixels(imgtest::FrameRgb(all.frames[1]), MagickDecode(looped + "[1]"), looped);
}

TEST_F(GifOracle, GifBehindA128ByteHeader) {
    const std::string gif = Convert("'" + Source(7, 61, 37) + "' -colors 32", "behind.gif");
    Bytes file(128, 0x5A);
    const Bytes body = imgtest::ReadFile(gif);
    file.insert(file.end(), body.begin(), body.end());
    zyl::DecodedPicture pic;
    ASSERT_TRUE(imgtest::Decode(file, &pic));
    ExpectSamePixels(imgtest::StripRgb(pic), MagickDecode(gif + "[0]"), "behind a header");
}

// ---- bitmaps ----

// A bitmap file taken apart, to be put together again in another form.
struct BmpParts {
    Bytes header;   // the whole info header as in the file
    Bytes table;    // colour table bytes
    Bytes bits;
    std::uint32_t Get32(std::size_t at) const {
        return header[at] | header[at + 1] << 8 | header[at + 2] << 16 | static_cast<std::uint32_t>(header[at + 3]) << 24;
    }
    void Set32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
};

BmpParts Split(const Bytes& f) {
    BmpParts p;
    const std::uint32_t off = f[10] | f[11] << 8 | f[12] << 16 | static_cast<std::uint32_t>(f[13]) << 24;
    const std::uint32_t hs = f[14] | f[15] << 8;
    p.header.assign(f.begin() + 14, f.begin() + 14 + hs);
    p.table.assign(f.begin() + 14 + hs, f.begin() + off);
    p.bits.assign(f.begin() + off, f.end());
    return p;
}

Bytes Join(const BmpParts& p) {
    Bytes f = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const std::size_t off = 14 + p.header.size() + p.table.size();
    const std::size_t size = off + p.bits.size();
    for (int i = 0; i < 4; ++i) {
        f[2 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));
        f[10 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(off >> (8 * i));
    }
    f.insert(f.end(), p.header.begin(), p.header.end());
    f.insert(f.end(), p.table.begin(), p.table.end());
    f.insert(f.end(), p.bits.begin(), p.bits.end());
    return f;
}

// Writes `file` to the scratch directory and compares both decodes.
zyl::DecodedPicture ExpectLikeMagick(const Bytes& file, const std::string& name) {
    const std::string path = ScratchPath(name);
    EXPECT_TRUE(imgtest::WriteFile(path, file));
    zyl::DecodedPicture pic = DecodeFile(path);
    if (pic.frames.size() == 1) ExpectSamePixels(imgtest::StripRgb(pic), MagickDecode(path), name);
    return pic;
}

zyl::DecodedPicture ExpectLikeMagick(const std::string& path) {
    zyl::DecodedPicture pic = DecodeFile(path);
    if (pic.frames.size() == 1) ExpectSamePixels(imgtest::StripRgb(pic), MagickDecode(path), path);
    return pic;
}

TEST_F(BmpOracle, PlainDepthsDecodeLikeImageMagick) {
    const std::string src = Source(21, 61, 37);
    const struct {
        const char* args;
        unsigned depth;
    } cases[] = {{"-colors 2 -type Palette", 1}, {"-colors 16", 4}, {"-colors 200", 8}, {"-type TrueColor", 24}};
    for (const auto& c : cases) {
        const std::string bmp =
            Convert("'" + src + "' " + c.args + " -compress none", "d" + std::to_string(c.depth) + ".bmp", "BMP3:");
        ASSERT_EQ(imgtest::ReadFile(bmp)[14], 40) << "a 40-byte header";
        const zyl::DecodedPicture pic = ExpectLikeMagick(bmp);
        ASSERT_EQ(pic.frames.size(), 1u);
        EXPECT_EQ(pic.frames[0].Header().bitCount, c.depth);
        EXPECT_EQ(pic.info.frameCount, 1);
        EXPECT_EQ(pic.info.frameWidth, 61);
        EXPECT_EQ(pic.info.frameHeight, 37);
        EXPECT_EQ(pic.info.transparentColour, zyl::kPictureNoColour);
    }
}

TEST_F(BmpOracle, RunLengthBitmaps) {
    // ImageMagick's RLE8 codes many pixels as runs of one: more than one and
    // a half times the unpacked size, which the file's own image size covers.
    const std::string rle8 = Convert("'" + Source(22, 61, 37) + "' -colors 200 -compress RLE", "rle8.bmp", "BMP3:");
    const zyl::DecodedPicture pic = ExpectLikeMagick(rle8);
    ASSERT_EQ(pic.frames.size(), 1u);
    EXPECT_EQ(pic.frames[0].Header().compression, zyl::kDibRle8);

    // RLE4 (ImageMagick only reads it): a small file coded by hand, with
    // literal groups, runs, a move escape, end of line and end of picture.
    const std::string file = __FILE__;
    const std::string rle4 = file.substr(0, file.find_last_of('/')) + "/data/imaging/rle4_delta.bmp";
    const zyl::DecodedPicture pic4 = ExpectLikeMagick(rle4);
    ASSERT_EQ(pic4.frames.size(), 1u);
    EXPECT_EQ(pic4.frames[0].Header().compression, zyl::kDibRle4);
}

TEST_F(BmpOracle, ColoursUsed20GivesA20EntryTable) {
    BmpParts p = Split(imgtest::ReadFile(Convert("'" + Source(24, 61, 37) + "' -colors 20 -compress none", "u.bmp", "BMP3:")));
    ASSERT_EQ(p.header[14], 8);
    p.table.resize(20 * 4);
    p.Set32(32, 20);
    const zyl::DecodedPicture pic = ExpectLikeMagick(Join(p), "used20.bmp");
    ASSERT_EQ(pic.frames.size(), 1u);
    EXPECT_EQ(zyl::DibColourCount(pic.frames[0].data()), 20u);
    zyl::DibPaletteEntry pal[256];
    ASSERT_EQ(zyl::DibPaletteEntries(pic.frames[0].data(), pic.frames[0].size(), pal), 20u);
    EXPECT_EQ(pal[5].red, p.table[5 * 4 + 2]);
    EXPECT_EQ(pal[5].blue, p.table[5 * 4]);
}

TEST_F(BmpOracle, CoreHeaderBitmaps) {
    const std::string src = Source(25, 61, 37);
    int n = 0;
    for (const char* args : {"-colors 2 -type Palette", "-colors 16", "-colors 200", "-type TrueColor"}) {
        const std::string path =
            Convert("'" + src + "' " + args + " -compress none", "core" + std::to_string(n++) + ".bmp", "BMP2:");
        ASSERT_EQ(imgtest::ReadFile(path)[14], 12) << "a core header";
        const zyl::DecodedPicture pic = ExpectLikeMagick(path);
        ASSERT_EQ(pic.frames.size(), 1u);
        EXPECT_EQ(pic.frames[0].Header().size, 40u);   // widened for the platform
    }
}

TEST_F(BmpOracle, LongHeadersReadTheColourTableAfterTheRealHeader) {
    const std::string src = Source(26, 61, 37);
    const std::string v5 = Convert("'" + src + "' -colors 50 -compress none", "v5.bmp");
    BmpParts p = Split(imgtest::ReadFile(v5));
    ASSERT_EQ(p.header.size(), 124u);
    ExpectLikeMagick(v5);
    // The same picture behind a 108-byte header.
    p.header.resize(108);
    p.Set32(0, 108);
    ExpectLikeMagick(Join(p), "v4.bmp");
    // 24 bits and 16-bit bit fields (masks inside the header).
    ExpectLikeMagick(Convert("'" + src + "' -type TrueColor", "v5_24.bmp"));
    ExpectLikeMagick(Convert("'" + src + "' -define bmp:subtype=RGB565", "v5_565.bmp"));
}

TEST_F(BmpOracle, TopDownBitmapsAreTurnedBottomUp) {
    const std::string src = Source(27, 61, 37);
    for (const char* args : {"-type TrueColor", "-colors 16"}) {
        BmpParts p = Split(imgtest::ReadFile(Convert("'" + src + "' " + args + " -compress none", "td.bmp", "BMP3:")));
        const std::uint32_t rows = p.Get32(8);
        const std::size_t stride = p.bits.size() / rows;
        Bytes flipped;
        for (std::uint32_t y = rows; y-- > 0;)
            flipped.insert(flipped.end(), p.bits.begin() + static_cast<long>(y * stride),
                           p.bits.begin() + static_cast<long>((y + 1) * stride));
        p.bits = flipped;
        p.Set32(8, static_cast<std::uint32_t>(-static_cast<std::int32_t>(rows)));
        const zyl::DecodedPicture pic = ExpectLikeMagick(Join(p), std::string("topdown") + args[1] + ".bmp");
        ASSERT_EQ(pic.frames.size(), 1u);
        EXPECT_EQ(pic.frames[0].Header().height, 37);
        EXPECT_EQ(pic.info.frameHeight, 37);
    }
}

}  // namespace
