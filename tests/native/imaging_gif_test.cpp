// The GIF reader on files put together here byte by byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "imaging/gifdecode.h"
#include "pictures.h"

namespace {

using namespace zyltest;

Bytes Pattern(int w, int h, int colours, unsigned seed) { return IndexPattern(w * h, colours, seed); }

zyl::DecodedPicture Must(const Bytes& file, bool firstFrameOnly = false) {
    zyl::DecodedPicture pic;
    EXPECT_TRUE(Decode(file, &pic, firstFrameOnly));
    return pic;
}

bool Fails(const Bytes& file) {
    zyl::DecodedPicture pic;
    return !Decode(file, &pic) && pic.frames.empty();
}

TEST(GifReader, FrameDibDepthAndColoursFollowTheTable) {
    const unsigned depth[9] = {0, 1, 4, 4, 4, 8, 8, 8, 8};
    std::uint8_t table[768];
    for (int i = 0; i < 768; ++i) table[i] = static_cast<std::uint8_t>(i * 7 + 1);
    for (int bits = 1; bits <= 8; ++bits) {
        zyl::PackedDib dib;
        ASSERT_TRUE(zyl::CreateFrameDib(13, 3, table, bits, &dib));
        const zyl::DibInfoHeader h = dib.Header();
        EXPECT_EQ(h.bitCount, depth[bits]);
        EXPECT_EQ(h.clrUsed, 1u << depth[bits]);
        EXPECT_EQ(h.sizeImage, 3u * static_cast<std::uint32_t>(zyl::DibStride(13, depth[bits])));
        const std::uint8_t* q = dib.data() + 40;
        for (int i = 0; i < (1 << depth[bits]); ++i) {
            const bool inTable = i < (1 << bits);   // past the GIF's table: black
            EXPECT_EQ(q[4 * i], inTable ? table[3 * i + 2] : 0) << bits << ":" << i;
            EXPECT_EQ(q[4 * i + 2], inTable ? table[3 * i] : 0);
            EXPECT_EQ(q[4 * i + 3], 0);
        }
    }
    // The printed first frame: entries of the transparent colour turn white.
    const std::uint8_t rgb[12] = {1, 2, 3, 9, 9, 9, 1, 2, 3, 4, 5, 6};
    zyl::PackedDib dib;
    ASSERT_TRUE(zyl::CreateFrameDib(2, 1, rgb, 2, &dib));
    EXPECT_EQ(zyl::DibReplaceColour(dib.data(), dib.size(), 0x030201, 0xFFFFFF), 2u);
    EXPECT_EQ(Bytes(dib.data() + 40, dib.data() + 52), Bytes({255, 255, 255, 0, 9, 9, 9, 0, 255, 255, 255, 0}));
    EXPECT_EQ(zyl::DibReplaceColour(dib.data(), dib.size(), 0x80000000u, 0xFFFFFF), 0u);
    EXPECT_FALSE(zyl::CreateFrameDib(0, 5, table, 8, &dib));
    EXPECT_FALSE(zyl::CreateFrameDib(32767, 32767, table, 8, &dib));   // past the sane size
}

TEST(GifReader, PixelsSurviveTheEncoderAtEveryCodeSizeAndDepth) {
    const struct {
        int w, h, bits;
        TableFull full;
    } cases[] = {
        {1, 1, 1, TableFull::kClear},      {7, 5, 1, TableFull::kClear},
        {9, 9, 2, TableFull::kClear},      {31, 17, 4, TableFull::kClear},
        {33, 20, 5, TableFull::kClear},    {301, 211, 8, TableFull::kClear},
        {301, 211, 8, TableFull::kKeepGoing}, {257, 99, 3, TableFull::kKeepGoing},
    };
    for (const auto& c : cases) {
        const Bytes px = Pattern(c.w, c.h, 1 << c.bits, static_cast<unsigned>(c.w * c.h));
        const Bytes file = GifBuilder().Header(c.w, c.h, c.bits).Image(c.w, c.h, px).Trailer().bytes;
        const zyl::DecodedPicture pic = Must(file);
        ASSERT_EQ(pic.frames.size(), 1u) << c.w << "x" << c.h;
        EXPECT_EQ(FrameIndices(pic.frames[0]), px) << c.w << "x" << c.h << " bits " << c.bits;
    }
    // The string table filling up without a clear code: codes stay 12 bits.
    const Bytes px = Pattern(300, 200, 256, 5);
    const Bytes lzw = LzwEncode(px, 8, TableFull::kKeepGoing);
    const Bytes file = GifBuilder().Header(300, 200, 8).RawImage(300, 200, 8, lzw).Trailer().bytes;
    EXPECT_EQ(FrameIndices(Must(file).frames[0]), px);
}

TEST(GifReader, InterlacedImagesOfEveryShortHeight) {
    for (int h = 1; h <= 17; ++h) {
        const Bytes px = Pattern(5, h, 16, static_cast<unsigned>(h));
        const Bytes file = GifBuilder().Header(5, h, 4).Image(5, h, px, 0, true).Trailer().bytes;
        const zyl::DecodedPicture pic = Must(file);
        ASSERT_EQ(pic.frames.size(), 1u);
        EXPECT_EQ(FrameIndices(pic.frames[0]), px) << "height " << h;
    }
}

TEST(GifReader, DelaysAndTheLastGraphicControlWins) {
    const Bytes px(4, 1);
    auto delayOf = [&](std::initializer_list<int> delays) {
        GifBuilder b;
        b.Header(2, 2, 2).Netscape();
        for (int d : delays) b.GraphicControl(d).Image(2, 2, px);
        const zyl::DecodedPicture pic = Must(b.Trailer().bytes);
        EXPECT_TRUE(pic.info.frameDelaySet);
        return pic.info.frameDelay;
    };
    EXPECT_EQ(delayOf({0}), 10);
    EXPECT_EQ(delayOf({25}), 250);
    EXPECT_EQ(delayOf({25, 7}), 70);
    // The field is signed: 0xFFFD and 0x8000 hundredths are negative.
    EXPECT_EQ(delayOf({0xFFFD}), -30);
    EXPECT_EQ(delayOf({0x8000}), -327680);
    EXPECT_FALSE(Must(GifBuilder().Header(2, 2, 2).Image(2, 2, px).Trailer().bytes).info.frameDelaySet);
}

TEST(GifReader, OnlyANetscapeLoopBeforeTheFirstImageAnimates) {
    const Bytes a(6, 1), b(2, 2), c(9, 3);
    auto file = [&](bool before, bool after, const char* id = "NETSCAPE", const char* code = "2.0") {
        GifBuilder g;
        g.Header(3, 2, 2);
        if (before) g.Application(id, code, {Bytes{1, 0, 0}});
        g.Image(3, 2, a);
        if (after) g.Netscape();
        return g.Image(2, 1, b).Image(3, 3, c).Trailer().bytes;
    };
    const zyl::DecodedPicture anim = Must(file(true, false));
    ASSERT_EQ(anim.info.frameCount, 3);
    EXPECT_EQ(anim.info.stripWidth, 8);
    EXPECT_EQ(anim.info.stripHeight, 2);   // the first image's height
    EXPECT_EQ(anim.info.frameWidth, 3);    // the last image's size
    EXPECT_EQ(anim.info.frameHeight, 3);
    EXPECT_EQ(FrameIndices(anim.frames[1]), b);

    // Strip: frames side by side, black below the shorter second one, the
    // taller third one cut.
    const Picture strip = StripPicture(anim);
    ASSERT_EQ(strip.width, 8);
    ASSERT_EQ(strip.height, 2);
    EXPECT_EQ(strip.at(3, 0), GifColour(2));
    EXPECT_EQ(strip.at(3, 1), 0u);
    EXPECT_EQ(strip.at(5, 1), GifColour(3));

    EXPECT_EQ(Must(file(false, false)).info.frameCount, 1);
    EXPECT_EQ(Must(file(false, true)).info.frameCount, 1);
    EXPECT_EQ(Must(file(true, false), true).info.frameCount, 1);   // first frame only
    EXPECT_EQ(Must(file(true, false, "NETSCAPE", "2.1")).info.frameCount, 1);
    EXPECT_EQ(Must(file(true, false, "netscape", "2.0")).info.frameCount, 1);
    EXPECT_EQ(Must(file(true, false, "ANIMEXTS", "1.0")).info.frameCount, 1);
}

Bytes Spots(std::initializer_list<int> values) {
    Bytes out;
    int i = 0;
    for (int v : values) {
        const int width = (i++ % 5) == 4 ? 4 : 2;
        for (int k = 0; k < width; ++k) out.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    }
    return out;
}

TEST(GifReader, HotSpotExtension) {
    const Bytes one = Spots({1, 2, 30, 40, 1001});
    const Bytes two = Spots({-5, 0, 7, 8, 1002, 10, 11, 12, 13, 0x7FFFFFFF});
    const Bytes last = Spots({20, 21, 22, 23, 1004});
    const Bytes px(4, 0);
    const Bytes file = GifBuilder()
                           .Header(2, 2, 1)
                           .Application("MOTHWING", "1.0", {Spots({9, 9, 9, 9, 9})})
                           .Application("MOTHWING", "xyz", {one, two, last})   // the last one wins
                           .Image(2, 2, px)
                           .Trailer()
                           .bytes;
    const zyl::DecodedPicture pic = Must(file);
    ASSERT_TRUE(pic.info.hotSpotsSet);
    ASSERT_EQ(pic.info.hotSpotCount, 4);
    const zyl::GifHotSpot& s = pic.info.hotSpots[1];
    EXPECT_EQ(s.left, -5);
    EXPECT_EQ(s.right, 7);
    EXPECT_EQ(s.bottom, 8);
    EXPECT_EQ(s.context, 1002u);
    EXPECT_EQ(pic.info.hotSpots[2].context, 0x7FFFFFFFu);
    EXPECT_EQ(pic.info.hotSpots[3].top, 21);

    // 130 records in sub-blocks of 13 bytes that straddle the records: the
    // first 100 are kept; a ragged tail counts for nothing.
    Bytes all;
    for (int i = 0; i < 130; ++i) {
        const Bytes r = Spots({i, i + 1, i + 2, i + 3, 5000 + i});
        all.insert(all.end(), r.begin(), r.end());
    }
    all.push_back(0xEE);
    std::vector<Bytes> blocks;
    for (std::size_t at = 0; at < all.size(); at += 13)
        blocks.emplace_back(all.begin() + static_cast<long>(at), all.begin() + static_cast<long>(std::min(all.size(), at + 13)));
    const zyl::DecodedPicture many =
        Must(GifBuilder().Header(2, 2, 1).Application("MOTHWING", "1.0", blocks).Image(2, 2, px).Trailer().bytes);
    ASSERT_EQ(many.info.hotSpotCount, 100);
    EXPECT_EQ(many.info.hotSpots[99].context, 5099u);
    EXPECT_EQ(many.info.hotSpots[99].left, 99);

    EXPECT_FALSE(Must(GifBuilder().Header(2, 2, 1).Image(2, 2, px).Trailer().bytes).info.hotSpotsSet);
}

TEST(GifReader, TransparentColourIsTheFramesEntryAtTheIndex) {
    const Bytes px(4, 1);
    auto colour = [](int i, int bits, bool local) { return ColourRef(local ? LocalGifColour(i, bits) : GifColour(i)); };
    EXPECT_EQ(Must(GifBuilder().Header(2, 2, 4).GraphicControl(0, 3).Image(2, 2, px).Trailer().bytes)
                  .info.transparentColour,
              colour(3, 4, false));
    EXPECT_EQ(Must(GifBuilder().Header(2, 2, 4).GraphicControl(0, 3).Image(2, 2, px, 3).Trailer().bytes)
                  .info.transparentColour,
              colour(3, 3, true));
    // Past a 1-bit frame's two entries: no colour.
    EXPECT_EQ(Must(GifBuilder().Header(2, 2, 1).GraphicControl(0, 5).Image(2, 2, px).Trailer().bytes)
                  .info.transparentColour,
              zyl::kPictureNoColour);
    // The control data belongs to the next image only; a later image without
    // it leaves the colour as it was.
    const zyl::DecodedPicture pic = Must(
        GifBuilder().Header(2, 2, 4).Netscape().GraphicControl(0, 6).Image(2, 2, px).Image(2, 2, px).Trailer().bytes);
    EXPECT_EQ(pic.info.transparentColour, colour(6, 4, false));
    EXPECT_EQ(Must(GifBuilder().Header(2, 2, 4).GraphicControl(0, -1).Image(2, 2, px).Trailer().bytes)
                  .info.transparentColour,
              zyl::kPictureNoColour);
}

TEST(GifReader, SignatureAndOffset128) {
    const Bytes px = Pattern(6, 4, 4, 1);
    const Bytes gif = GifBuilder().Header(6, 4, 2, "gif87a").Image(6, 4, px).Trailer().bytes;
    EXPECT_EQ(FrameIndices(Must(gif).frames[0]), px);   // "GIF" in any case
    Bytes behind(128, 'x');
    behind.insert(behind.end(), gif.begin(), gif.end());
    EXPECT_EQ(FrameIndices(Must(behind).frames[0]), px);

    Bytes wrong = behind;
    wrong.insert(wrong.begin(), 'y');   // 129 bytes before it
    EXPECT_TRUE(Fails(wrong));
    EXPECT_TRUE(Fails(Bytes(gif.begin(), gif.begin() + 12)));
    EXPECT_TRUE(Fails(Bytes(gif.begin(), gif.begin() + 20)));   // inside the global table
    EXPECT_TRUE(Fails(GifBuilder().Header(6, 4, 2).Trailer().bytes));   // no image at all
    EXPECT_TRUE(Fails(Bytes{'B', 'M'}));
}

TEST(GifReader, DamagedImageDataFailsTheFile) {
    const Bytes px = Pattern(8, 3, 4, 2);
    auto with = [&](int minCode, const Bytes& lzw) {
        return GifBuilder().Header(8, 3, 2).RawImage(8, 3, minCode, lzw).Trailer().bytes;
    };
    auto codes = [](std::initializer_list<int> cs) {   // 3-bit codes, min code size 2
        BitWriter w;
        for (int c : cs) w.Put(c, 3);
        return w.Finish();
    };
    EXPECT_TRUE(Fails(with(2, codes({4, 1, 7}))));         // beyond the next free code (6)
    EXPECT_TRUE(Fails(with(2, codes({4, 6}))));            // the next free code with no previous
    EXPECT_TRUE(Fails(with(2, LzwEncode(Bytes(px.begin(), px.end() - 3), 2, TableFull::kClear, false))));   // no end code
    EXPECT_TRUE(Fails(with(2, Bytes())));

    // Fewer pixels than the picture: complete rows only, the rest index 0.
    const zyl::DecodedPicture part = Must(with(2, LzwEncode(Bytes(12, 3), 2)));
    Bytes expect(24, 0);
    std::fill(expect.begin(), expect.begin() + 8, 3);
    EXPECT_EQ(FrameIndices(part.frames[0]), expect);

    // More pixels than the picture: the surplus is read and dropped.
    Bytes more = px;
    more.insert(more.end(), 500, 2);
    const Bytes surplus = GifBuilder().Header(8, 3, 2).Netscape().RawImage(8, 3, 2, LzwEncode(more, 2))
                              .Image(8, 3, px).Trailer().bytes;
    const zyl::DecodedPicture two = Must(surplus);
    ASSERT_EQ(two.frames.size(), 2u);
    EXPECT_EQ(FrameIndices(two.frames[0]), px);
    EXPECT_EQ(FrameIndices(two.frames[1]), px);

    // A minimum code size outside 2..8 decodes nothing and the frame stays blank.
    for (int bad : {0, 1, 9, 12}) {
        const zyl::DecodedPicture blank = Must(with(bad, LzwEncode(px, 2)));
        EXPECT_EQ(FrameIndices(blank.frames[0]), Bytes(24, 0)) << bad;
    }
}

// Clear, then each pixel as a one-pixel code at the width the decoder reads
// it with, then `last` (the end code, or anything) at `lastWidth` bits more
// or less than that width.
Bytes PixelByPixel(const Bytes& pixels, int minCodeSize, int last, int lastWidth = 0) {
    BitWriter w;
    int size = minCodeSize + 1, next = (1 << minCodeSize) + 2;
    w.Put(1 << minCodeSize, size);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        w.Put(pixels[i], size);
        if (i > 0 && ++next == 1 << size && size < 12) ++size;
    }
    w.Put(last, size + lastWidth);
    return w.Finish();
}

TEST(GifReader, AnImageIsWholeWithItsLastPixel) {
    // 127 pixels of 128 colours: the code size grows to 9 bits with the
    // last pixel, and an end code written at 8 bits ends the data exactly
    // at a byte (as gifsicle -O2 writes it).
    Bytes px(127);
    for (int i = 0; i < 127; ++i) px[i] = static_cast<std::uint8_t>(i);
    auto image = [&](const Bytes& lzw) {
        return GifBuilder().Header(127, 1, 7).RawImage(127, 1, 7, lzw).Trailer().bytes;
    };
    auto indices = [&](const Bytes& lzw) {
        zyl::DecodedPicture pic;
        return Decode(image(lzw), &pic) ? FrameIndices(pic.frames[0]) : Bytes();
    };
    EXPECT_EQ(indices(PixelByPixel(px, 7, 129)), px);
    EXPECT_EQ(indices(PixelByPixel(px, 7, 129, -1)), px) << "the end code a bit short";
    // A code no table holds after the last pixel is surplus too; before it,
    // it fails the file.
    EXPECT_EQ(indices(PixelByPixel(px, 7, 511)), px);
    EXPECT_TRUE(Fails(image(PixelByPixel(Bytes(px.begin(), px.begin() + 120), 7, 255))));
    // What follows the image's data is read as ever.
    const Bytes after = GifBuilder().Header(127, 1, 7).Netscape().RawImage(127, 1, 7, PixelByPixel(px, 7, 511))
                            .Image(2, 1, Bytes{5, 6}).Trailer().bytes;
    EXPECT_EQ(Must(after).frames.size(), 2u);
}

TEST(GifReader, BadSizesAndTruncationFailCleanly) {
    const Bytes px(4, 1);
    for (int w : {0, -1, -32768}) {
        Bytes f = GifBuilder().Header(2, 2, 1).Image(2, 2, px).Trailer().bytes;
        const std::size_t at = 13 + 6 + 5;   // the descriptor's width
        f[at] = static_cast<std::uint8_t>(w);
        f[at + 1] = static_cast<std::uint8_t>(w >> 8);
        EXPECT_TRUE(Fails(f)) << w;
        f[at] = 2, f[at + 1] = 0, f[at + 2] = static_cast<std::uint8_t>(w), f[at + 3] = static_cast<std::uint8_t>(w >> 8);
        EXPECT_TRUE(Fails(f)) << w;
    }

    // Cut anywhere: a second image cut short gives no picture at all, but
    // the delay and hot spots read before the cut are reported.
    GifBuilder g;
    g.Header(8, 3, 2).Netscape().Application("MOTHWING", "1.0", {Spots({1, 2, 3, 4, 5})}).GraphicControl(5);
    g.Image(8, 3, Pattern(8, 3, 4, 3)).Comment("between");
    const std::size_t secondImage = g.bytes.size();
    const Bytes file = g.Image(8, 3, Pattern(8, 3, 4, 4)).Trailer().bytes;
    for (std::size_t n = 0; n < file.size(); ++n) {
        Bytes cut(file.begin(), file.begin() + static_cast<long>(n));
        zyl::DecodedPicture p;
        const bool ok = Decode(cut, &p);
        if (n > secondImage && n < file.size() - 2) {
            EXPECT_FALSE(ok) << "cut at " << n;
            EXPECT_TRUE(p.info.frameDelaySet);
            EXPECT_EQ(p.info.hotSpotCount, 1);
        }
        if (!ok) EXPECT_TRUE(p.frames.empty());
    }
}

TEST(GifReader, WhatAFileMayDecodeToGrowsWithItsSize) {
    // Images that declare their size and carry no pixels (a clear and the
    // end code), behind a comment of `padding` bytes.
    auto declared = [](std::initializer_list<std::pair<int, int>> images, std::size_t padding) {
        GifBuilder g;
        g.Header(1, 1, 1).Comment(std::string(padding, 'x')).Netscape();
        for (const auto& wh : images) g.RawImage(wh.first, wh.second, 2, LzwEncode(Bytes(), 2));
        return g.Trailer().bytes;
    };
    zyl::DecodedPicture pic;
    EXPECT_TRUE(Decode(declared({{512, 512}}, 0), &pic)) << "256 K pixels from any file";
    EXPECT_FALSE(Decode(declared({{512, 513}}, 0), &pic));
    // 4096 pixels a byte beyond that, for the strip as for each image.
    const Bytes big = declared({{4000, 2000}}, 8000000 / 4096);
    ASSERT_GE(big.size() * 4096, 8000000u);
    EXPECT_TRUE(Decode(big, &pic));
    EXPECT_FALSE(Decode(declared({{4000, 2000}}, 4000000 / 4096), &pic));
    EXPECT_FALSE(Decode(declared({{2000, 2000}, {2000, 2000}}, 4000000 / 4096), &pic));
    EXPECT_EQ(pic.info.frameCount, 1) << "the first image fitted";
    // And never more than 16 M pixels.
    EXPECT_TRUE(Decode(declared({{4096, 4096}}, 4100), &pic));
    EXPECT_FALSE(Decode(declared({{4096, 4096}, {1, 4096}}, 4100), &pic));
    EXPECT_EQ(zyl::MaxDecodedPixels(0), 256u << 10);
    EXPECT_EQ(zyl::MaxDecodedPixels(1000), 4096000u);
    EXPECT_EQ(zyl::MaxDecodedPixels(UINT64_MAX), 16u << 20);
}

TEST(GifReader, ExtensionsAndStrayBytesArePassedOver) {
    const Bytes px = Pattern(5, 5, 8, 9);
    GifBuilder g;
    g.Header(5, 5, 3).Comment("a comment with \x2C and \x21 and \x3B");
    g.Byte(0x21).Byte(0x01).Byte(12);   // plain text: 12 bytes, then its text
    for (int i = 0; i < 12; ++i) g.Byte(0x2C);
    AppendSubBlocks(&g.bytes, Bytes(300, 0x2C));
    g.Application("SOMEAPPL", "1.0", {Bytes(40, 0x2C), Bytes(3, 0x3B)});
    g.Byte(0x21).Byte(0x99);            // an unknown label
    AppendSubBlocks(&g.bytes, Bytes(10, 0x2C));
    g.Byte(0x00).Byte(0x17);            // stray bytes
    const zyl::DecodedPicture pic = Must(g.Image(5, 5, px).Trailer().bytes);
    ASSERT_EQ(pic.frames.size(), 1u);
    EXPECT_EQ(FrameIndices(pic.frames[0]), px);
}

}  // namespace
