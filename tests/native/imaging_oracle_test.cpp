// The picture readers against other programs: files written by ImageMagick
// and gifsicle (made at test time in a scratch folder) must decode pixel
// for pixel as ImageMagick decodes them. GIF frames are compared raw (each
// image as stored, no logical screen), which is how the module shows them.
#include <gtest/gtest.h>

#include <string>

#include "imaging/dibformat.h"
#include "pictures.h"

namespace {

using namespace zyltest;

class Oracle : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(HaveImageTools()) << "ImageMagick and gifsicle are needed (./run installs them)";
        ASSERT_TRUE(scratch.ok());
    }
    // `convert ARGS FORMAT:NAME`; the name.
    std::string Make(const std::string& args, const std::string& name, const std::string& format = "") {
        std::string why;
        EXPECT_TRUE(Convert(scratch, args, name, &why, format)) << why;
        return name;
    }
    std::string Gifsicle(const std::string& args, const std::string& name) {
        std::string why;
        EXPECT_TRUE(RunUnix("gifsicle " + args + " > '" + scratch.UnixFile(name) + "'", &why)) << why;
        return name;
    }
    std::string In(const std::string& name) const { return "'" + scratch.UnixFile(name) + "'"; }
    // A plasma fractal of a fixed seed and an odd size (rows need padding).
    std::string Source(int seed, int w, int h) {
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        return In(Make("-seed " + std::to_string(seed) + " -size " + size + " plasma:",
                       "src" + std::to_string(seed) + "_" + size + ".png"));
    }
    zyl::DecodedPicture DecodeFile(const std::string& name, bool firstFrameOnly = false) {
        zyl::DecodedPicture pic;
        EXPECT_TRUE(Decode(scratch.Read(name), &pic, firstFrameOnly)) << name;
        return pic;
    }
    // Decodes a file both ways; the module's decode.
    zyl::DecodedPicture ExpectLikeMagick(const std::string& name) {
        zyl::DecodedPicture pic = DecodeFile(name);
        EXPECT_EQ(Difference(StripPicture(pic), MagickDecode(scratch, name, 0)), "") << name;
        return pic;
    }
    zyl::DecodedPicture ExpectLikeMagick(const Bytes& file, const std::string& name) {
        EXPECT_TRUE(scratch.Write(name, file));
        return ExpectLikeMagick(name);
    }
    Scratch scratch;
};

using GifOracle = Oracle;
using BmpOracle = Oracle;

TEST_F(GifOracle, ColourCountsChooseTheFrameDepthAndDecodeLikeImageMagick) {
    const std::string src = Source(7, 61, 37);
    const struct { int colours; unsigned depth; } cases[] = {{2, 1}, {4, 4}, {16, 4}, {32, 8}, {256, 8}};
    for (const auto& c : cases) {
        const std::string gif = Make(src + " -colors " + std::to_string(c.colours), "c" + std::to_string(c.colours) + ".gif");
        const zyl::DecodedPicture pic = ExpectLikeMagick(gif);
        ASSERT_EQ(pic.frames.size(), 1u) << c.colours;
        EXPECT_EQ(pic.frames[0].Header().bitCount, c.depth) << c.colours << " colours";
    }
}

TEST_F(GifOracle, InterlacedImagesComeOutInNaturalRowOrder) {
    ExpectLikeMagick(Make(Source(11, 83, 45) + " -colors 256 -interlace GIF", "il256.gif"));
    // gifsicle's interlacing of a short picture: rows 0..4 hit every pass.
    const std::string small = Make(Source(12, 9, 5) + " -colors 16", "small.gif");
    const std::string il = Gifsicle("--interlace " + In(small), "small_il.gif");
    EXPECT_EQ(Difference(StripPicture(DecodeFile(il)), MagickDecode(scratch, small, 0)), "");
}

TEST_F(GifOracle, AFlatColourPacksAThousandPixelsIntoAByte) {
    // 2000 x 2000 in one colour: 4 M pixels in under 4 KB.
    const std::string flat = Make("-size 2000x2000 xc:'#3060a0'", "flat.gif");
    ASSERT_LT(scratch.Read(flat).size(), 4000000u / 1024);
    ExpectLikeMagick(flat);
}

TEST_F(GifOracle, GifsicleOptimisedFilesWhoseEndCodeIsShort) {
    // gifsicle -O2 writes the end code at the old code width where the
    // width grows with the last pixel: 127 pixels in 127 colours.
    Bytes ppm = BytesOf("P6 127 1 255\n");
    for (int k = 0; k < 127; ++k)
        ppm.insert(ppm.end(), {static_cast<std::uint8_t>(k * 7), static_cast<std::uint8_t>(k * 13 + 5),
                               static_cast<std::uint8_t>(k * 29 + 11)});
    ASSERT_TRUE(scratch.Write("wide.ppm", ppm));
    const std::string wide = Make(In("wide.ppm"), "wide.gif");
    ExpectLikeMagick(Gifsicle("-O2 " + In(wide), "wide_o2.gif"));
}

TEST_F(GifOracle, NetscapeAnimationGivesEveryRawFrameSideBySide) {
    // Three images: a 16-colour one on the global table, a 64-colour one and
    // a smaller 8-colour one at an offset, both with local tables.
    const std::string f1 = Make(Source(3, 40, 30) + " -colors 16", "f1.gif");
    const std::string f2 = Make("-seed 4 -size 40x30 plasma:red-blue -colors 64", "f2.gif");
    const std::string f3 = Make("-seed 5 -size 24x18 plasma:green-yellow -colors 8", "f3.gif");
    const std::string anim = Make("-delay 25 -loop 0 " + In(f1) + " " + In(f2) + " -page +5+6 " + In(f3), "anim.gif");
    const zyl::DecodedPicture pic = DecodeFile(anim);
    ASSERT_EQ(pic.frames.size(), 3u);
    EXPECT_EQ(pic.info.frameWidth, 24);   // the last image's size
    EXPECT_EQ(pic.info.frameHeight, 18);
    EXPECT_EQ(pic.info.frameDelay, 250);
    EXPECT_EQ(pic.frames[1].Header().bitCount, 8u);   // its own 64-colour table
    EXPECT_EQ(pic.frames[2].Header().bitCount, 4u);   // its own 8-colour table

    // The strip: ImageMagick's raw frames side by side.
    const Picture strip = StripPicture(pic);
    ASSERT_EQ(strip.width, 40 + 40 + 24);
    int left = 0;
    for (int i = 0; i < 3; ++i) {
        const Picture ref = MagickDecode(scratch, anim, i);
        EXPECT_EQ(Difference(Part(strip, left, ref.width, 0, ref.height), ref), "") << "frame " << i << " in the strip";
        left += ref.width;
    }
    // Read for the watermark: the first image only.
    EXPECT_EQ(Difference(StripPicture(DecodeFile(anim, true)), MagickDecode(scratch, anim, 0)), "");
}

TEST_F(GifOracle, WithoutNetscapeOnlyTheFirstImageIsRead) {
    const std::string f1 = Make(Source(3, 40, 30) + " -colors 16", "n1.gif");
    const std::string f2 = Make(Source(4, 40, 30) + " -colors 16", "n2.gif");
    const std::string three = In(f1) + " " + In(f2) + " " + In(f1);
    const std::string plain = Gifsicle(three, "noloop.gif");
    EXPECT_EQ(DecodeFile(plain).info.frameCount, 1);
    const std::string looped = Gifsicle("--loopcount=3 " + three, "loop.gif");
    const zyl::DecodedPicture all = DecodeFile(looped);
    ASSERT_EQ(all.info.frameCount, 3);
    EXPECT_EQ(Difference(Part(StripPicture(all), 40, 40), MagickDecode(scratch, looped, 1)), "");
}

TEST_F(GifOracle, GifBehindA128ByteHeader) {
    const std::string gif = Make(Source(7, 61, 37) + " -colors 32", "behind.gif");
    Bytes file(128, 0x5A);
    const Bytes body = scratch.Read(gif);
    file.insert(file.end(), body.begin(), body.end());
    EXPECT_EQ(Difference(DecodedStrip(file), MagickDecode(scratch, gif, 0)), "");
}

// ---- bitmaps ----

TEST_F(BmpOracle, PlainDepthsDecodeLikeImageMagick) {
    const std::string src = Source(21, 61, 37);
    const struct { const char* args; unsigned depth; } cases[] = {
        {"-colors 2 -type Palette", 1}, {"-colors 16", 4}, {"-colors 200", 8}, {"-type TrueColor", 24}};
    for (const auto& c : cases) {
        const std::string bmp =
            Make(src + " " + c.args + " -compress none", "d" + std::to_string(c.depth) + ".bmp", "BMP3:");
        ASSERT_EQ(scratch.Read(bmp)[14], 40) << "a 40-byte header";
        const zyl::DecodedPicture pic = ExpectLikeMagick(bmp);
        ASSERT_EQ(pic.frames.size(), 1u);
        EXPECT_EQ(pic.frames[0].Header().bitCount, c.depth);
    }
}

TEST_F(BmpOracle, RunLengthBitmaps) {
    // ImageMagick's RLE8 codes many pixels as runs of one: more than one and
    // a half times the unpacked size, which the file's own image size covers.
    const zyl::DecodedPicture pic = ExpectLikeMagick(Make(Source(22, 61, 37) + " -colors 200 -compress RLE", "rle8.bmp", "BMP3:"));
    ASSERT_EQ(pic.frames.size(), 1u);
    EXPECT_EQ(pic.frames[0].Header().compression, zyl::kDibRle8);

    // RLE4 (ImageMagick only reads it): a small file coded by hand, with
    // literal groups, runs, a move escape, end of line and end of picture.
    const Bytes rle4 = ReadFile(SourceFile("tests/native/data/imaging/rle4_delta.bmp"));
    const zyl::DecodedPicture pic4 = ExpectLikeMagick(rle4, "rle4.bmp");
    ASSERT_EQ(pic4.frames.size(), 1u);
    EXPECT_EQ(pic4.frames[0].Header().compression, zyl::kDibRle4);
}

TEST_F(BmpOracle, ColoursUsed20GivesA20EntryTable) {
    BmpParts p = SplitBmp(scratch.Read(Make(Source(24, 61, 37) + " -colors 20 -compress none", "u.bmp", "BMP3:")));
    ASSERT_EQ(p.header[14], 8);
    p.table.resize(20 * 4);
    Put32(p.header, 32, 20);
    const zyl::DecodedPicture pic = ExpectLikeMagick(JoinBmp(p), "used20.bmp");
    ASSERT_EQ(pic.frames.size(), 1u);
    zyl::DibPaletteEntry pal[256];
    EXPECT_EQ(zyl::DibPaletteEntries(pic.frames[0].data(), pic.frames[0].size(), pal), 20u);
}

TEST_F(BmpOracle, CoreHeaderBitmaps) {
    const std::string src = Source(25, 61, 37);
    int n = 0;
    for (const char* args : {"-colors 2 -type Palette", "-colors 16", "-colors 200", "-type TrueColor"}) {
        const std::string bmp = Make(src + " " + args + " -compress none", "core" + std::to_string(n++) + ".bmp", "BMP2:");
        ASSERT_EQ(scratch.Read(bmp)[14], 12) << "a core header";
        const zyl::DecodedPicture pic = ExpectLikeMagick(bmp);
        ASSERT_EQ(pic.frames.size(), 1u);
        EXPECT_EQ(pic.frames[0].Header().size, 40u);   // widened for the platform
    }
}

TEST_F(BmpOracle, LongHeadersReadTheColourTableAfterTheRealHeader) {
    const std::string src = Source(26, 61, 37);
    const std::string v5 = Make(src + " -colors 50 -compress none", "v5.bmp");
    BmpParts p = SplitBmp(scratch.Read(v5));
    ASSERT_EQ(p.header.size(), 124u);
    ExpectLikeMagick(v5);
    // The same picture behind a 108-byte header.
    p.header.resize(108);
    Put32(p.header, 0, 108);
    ExpectLikeMagick(JoinBmp(p), "v4.bmp");
    // 24 bits and 16-bit bit fields (masks inside the header).
    ExpectLikeMagick(Make(src + " -type TrueColor", "v5_24.bmp"));
    ExpectLikeMagick(Make(src + " -define bmp:subtype=RGB565", "v5_565.bmp"));
}

TEST_F(BmpOracle, TopDownBitmapsAreTurnedBottomUp) {
    const std::string src = Source(27, 61, 37);
    for (const char* args : {"-type TrueColor", "-colors 16"}) {
        const Bytes topDown = TopDownBmp(scratch.Read(Make(src + " " + args + " -compress none", "td.bmp", "BMP3:")));
        const zyl::DecodedPicture pic = ExpectLikeMagick(topDown, std::string("topdown") + args[1] + ".bmp");
        ASSERT_EQ(pic.frames.size(), 1u);
        EXPECT_EQ(pic.frames[0].Header().height, 37);
    }
}

}  // namespace
