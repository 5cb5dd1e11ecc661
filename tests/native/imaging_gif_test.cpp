// The GIF reader on files put together here byte by byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "imaging/gifdecode.h"
#include "pictures.h"

namespace {

using namespace zyltest;

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
        const Bytes px = IndexPattern(c.w * c.h, 1 << c.bits, static_cast<unsigned>(c.w * c.h));
        const int minCode = c.bits < 2 ? 2 : c.bits;
        const Bytes lzw = LzwEncode(px, minCode, c.full);   // kKeepGoing: 12-bit codes on a full table
        const zyl::DecodedPicture pic = Must(GifBuilder().Header(c.w, c.h, c.bits).RawImage(c.w, c.h, minCode, lzw).Trailer().bytes);
        ASSERT_EQ(pic.frames.size(), 1u) << c.w << "x" << c.h;
        EXPECT_EQ(FrameIndices(pic.frames[0]), px) << c.w << "x" << c.h << " bits " << c.bits;
    }
}

TEST(GifReader, InterlacedImagesOfEveryShortHeight) {
    for (int h = 1; h <= 17; ++h) {
        const Bytes px = IndexPattern(5 * h, 16, static_cast<unsigned>(h));
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
    // Frames; the strip as high as the first image; the last image's size.
    const zyl::PictureInfo& i = anim.info;
    ASSERT_EQ((std::vector<int>{i.frameCount, i.stripWidth, i.stripHeight, i.frameWidth, i.frameHeight}),
              (std::vector<int>{3, 8, 2, 3, 3}));
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

TEST(GifReader, HotSpotExtension) {
    const std::vector<Spot> s = {{1, 2, 30, 40, 1001}, {-5, 0, 7, 8, 1002}, {10, 11, 12, 13, 0x7FFFFFFF}, {20, 21, 22, 23, 1004}};
    const Bytes px(4, 0);
    GifBuilder g;   // the last extension wins; its sub-blocks hold 12, 24 and 12 bytes
    g.Header(2, 2, 1).HotSpots({{9, 9, 9, 9, 9}});
    g.Application("MOTHWING", "xyz", {SpotRecords({s[0]}), SpotRecords({s[1], s[2]}), SpotRecords({s[3]})});
    const zyl::DecodedPicture pic = Must(g.Image(2, 2, px).Trailer().bytes);
    ASSERT_TRUE(pic.info.hotSpotsSet);
    ASSERT_EQ(pic.info.hotSpotCount, 4);
    const auto* table = reinterpret_cast<const std::uint8_t*>(pic.info.hotSpots);
    EXPECT_EQ(Bytes(table, table + 48), SpotRecords(s)) << "the records as stored";

    // 130 records in sub-blocks of 13 bytes that straddle the records: the
    // first 100 are kept; a ragged tail counts for nothing.
    std::vector<Spot> spots;
    for (int i = 0; i < 130; ++i) spots.push_back({i, i + 1, i + 2, i + 3, 5000u + i});
    Bytes all = SpotRecords(spots);
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
    auto transparent = [&](int globalBits, int index, int localBits = 0) {
        const Bytes file = GifBuilder().Header(2, 2, globalBits).GraphicControl(0, index).Image(2, 2, px, localBits).Trailer().bytes;
        return Must(file).info.transparentColour;
    };
    EXPECT_EQ(transparent(4, 3), ColourRef(GifColour(3)));
    EXPECT_EQ(transparent(4, 3, 3), ColourRef(LocalGifColour(3, 3)));
    EXPECT_EQ(transparent(1, 5), zyl::kPictureNoColour) << "past a 1-bit frame's two entries";
    EXPECT_EQ(transparent(4, -1), zyl::kPictureNoColour);
    // The control data belongs to the next image only; a later image without
    // it leaves the colour as it was.
    const zyl::DecodedPicture pic = Must(
        GifBuilder().Header(2, 2, 4).Netscape().GraphicControl(0, 6).Image(2, 2, px).Image(2, 2, px).Trailer().bytes);
    EXPECT_EQ(pic.info.transparentColour, ColourRef(GifColour(6)));
}

TEST(GifReader, SignatureAndOffset128) {
    const Bytes px = IndexPattern(6 * 4, 4, 1);
    const Bytes gif = GifBuilder().Header(6, 4, 2, "gif87a").Image(6, 4, px).Trailer().bytes;
    EXPECT_EQ(FrameIndices(Must(gif).frames[0]), px);   // "GIF" in any case
    // 128 bytes may come before it (read against ImageMagick), 129 not.
    Bytes wrong(129, 'y');
    wrong.insert(wrong.end(), gif.begin(), gif.end());
    EXPECT_TRUE(Fails(wrong));
    EXPECT_TRUE(Fails(Bytes(gif.begin(), gif.begin() + 12)));
    EXPECT_TRUE(Fails(Bytes(gif.begin(), gif.begin() + 20)));   // inside the global table
    EXPECT_TRUE(Fails(GifBuilder().Header(6, 4, 2).Trailer().bytes));   // no image at all
}

TEST(GifReader, DamagedImageDataFailsTheFile) {
    const Bytes px = IndexPattern(8 * 3, 4, 2);
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
    EXPECT_TRUE(Fails(with(2, LzwEncode(Bytes(px.begin(), px.end() - 3), 2, TableFull::kClear, kNoLastCode))));   // no end code
    EXPECT_TRUE(Fails(with(2, Bytes())));

    // Fewer pixels than the picture: complete rows only, the rest index 0.
    const zyl::DecodedPicture part = Must(with(2, LzwEncode(Bytes(12, 3), 2)));
    Bytes expect(24, 0);
    std::fill(expect.begin(), expect.begin() + 8, 3);
    EXPECT_EQ(FrameIndices(part.frames[0]), expect);

    // A minimum code size outside 2..8 decodes nothing and the frame stays blank.
    for (int bad : {0, 1, 9, 12}) {
        const zyl::DecodedPicture blank = Must(with(bad, LzwEncode(px, 2)));
        EXPECT_EQ(FrameIndices(blank.frames[0]), Bytes(24, 0)) << bad;
    }
}

TEST(GifReader, AnImageIsWholeWithItsLastPixel) {
    // 127 pixels of 128 colours, each its own code: the code size grows to
    // 9 bits with the last pixel, and an end code written at 8 bits ends
    // the data exactly at a byte (as gifsicle -O2 writes it).
    Bytes px(127);
    for (int i = 0; i < 127; ++i) px[i] = static_cast<std::uint8_t>(i);
    auto image = [&](const Bytes& lzw) {
        return GifBuilder().Header(127, 1, 7).RawImage(127, 1, 7, lzw).Trailer().bytes;
    };
    auto indices = [&](const Bytes& lzw) {
        zyl::DecodedPicture pic;
        return Decode(image(lzw), &pic) ? FrameIndices(pic.frames[0]) : Bytes();
    };
    EXPECT_EQ(indices(LzwEncode(px, 7)), px);
    EXPECT_EQ(indices(LzwEncode(px, 7, TableFull::kClear, kEndCode, -1)), px) << "the end code a bit short";
    // A code no table holds after the last pixel is surplus too; before it,
    // it fails the file.
    EXPECT_EQ(indices(LzwEncode(px, 7, TableFull::kClear, 511)), px);
    EXPECT_TRUE(Fails(image(LzwEncode(Bytes(px.begin(), px.begin() + 120), 7, TableFull::kClear, 255))));
    // What follows the image's data is read as ever.
    const Bytes after = GifBuilder().Header(127, 1, 7).Netscape().RawImage(127, 1, 7, LzwEncode(px, 7, TableFull::kClear, 511))
                            .Image(2, 1, Bytes{5, 6}).Trailer().bytes;
    EXPECT_EQ(Must(after).frames.size(), 2u);
}

TEST(GifReader, BadSizesAndTruncationFailCleanly) {
    const Bytes lzw = LzwEncode(Bytes(4, 1), 2);
    for (int bad : {0, -1, -32768}) {   // as 16 bits: 0, 65535, 32768
        EXPECT_TRUE(Fails(GifBuilder().Header(2, 2, 1).RawImage(bad, 2, 2, lzw).Trailer().bytes)) << bad;
        EXPECT_TRUE(Fails(GifBuilder().Header(2, 2, 1).RawImage(2, bad, 2, lzw).Trailer().bytes)) << bad;
    }

    // Cut anywhere: a second image cut short gives no picture at all, but
    // the delay and hot spots read before the cut are reported.
    GifBuilder g;
    g.Header(8, 3, 2).Netscape().HotSpots({{1, 2, 3, 4, 5}}).GraphicControl(5);
    g.Image(8, 3, IndexPattern(8 * 3, 4, 3)).Comment("between");
    const std::size_t secondImage = g.bytes.size();
    const Bytes file = g.Image(8, 3, IndexPattern(8 * 3, 4, 4)).Trailer().bytes;
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
    zyl::DecodedPicture pic;
    EXPECT_TRUE(Decode(DeclaredGif({{512, 512}}, 0), &pic)) << "256 K pixels from any file";
    EXPECT_FALSE(Decode(DeclaredGif({{512, 513}}, 0), &pic));
    // 4096 pixels a byte beyond that, for the strip as for each image.
    const Bytes big = DeclaredGif({{4000, 2000}}, 8000000 / 4096);
    ASSERT_GE(big.size() * 4096, 8000000u);
    EXPECT_TRUE(Decode(big, &pic));
    EXPECT_FALSE(Decode(DeclaredGif({{4000, 2000}}, 4000000 / 4096), &pic));
    EXPECT_FALSE(Decode(DeclaredGif({{2000, 2000}, {2000, 2000}}, 4000000 / 4096), &pic));
    EXPECT_EQ(pic.info.frameCount, 1) << "the first image fitted";
    // And never more than 16 M pixels.
    EXPECT_TRUE(Decode(DeclaredGif({{4096, 4096}}, 4100), &pic));
    EXPECT_FALSE(Decode(DeclaredGif({{4096, 4096}, {1, 4096}}, 4100), &pic));
    EXPECT_EQ(zyl::MaxDecodedPixels(UINT64_MAX), 16u << 20) << "no overflow";
}

TEST(GifReader, ExtensionsAndStrayBytesArePassedOver) {
    const Bytes px = IndexPattern(5 * 5, 8, 9);
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
