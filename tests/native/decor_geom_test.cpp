// Placement of watermark pictures: modes, shrinking, the frame mode's
// cells, a popup's area, the bounds of a region's pictures and what a
// scroll repaints under a fixed picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/text.h"
#include "decor/decor_geom.h"

namespace zyl {
bool operator==(const DecorRect& a, const DecorRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
}  // namespace zyl

namespace {

using zyl::DecorRect;

TEST(DecorGeometry, EveryModePlacesThePicture) {
    const DecorRect area = {10, 20, 110, 220};   // 100 x 200
    // Mode -> where a 40 x 30 picture's corner goes; 11-15 are top left.
    const int expected[16][2] = {{10, 20}, {40, 105}, {10, 20}, {40, 20}, {70, 20}, {10, 105}, {70, 105}, {10, 190},
                                 {40, 190}, {70, 190}, {10, 20}, {10, 20}, {10, 20}, {10, 20}, {10, 20}, {10, 20}};
    for (int mode = 0; mode < 16; ++mode) {
        std::int32_t x = -1, y = -1;
        const bool repeated = zyl::LayoutPicture(&x, &y, 40, 30, area, static_cast<std::uint16_t>(mode | 0xF0));
        EXPECT_EQ(repeated, mode == 0 || mode == 10) << mode;
        EXPECT_EQ(x, expected[mode][0]) << mode;
        EXPECT_EQ(y, expected[mode][1]) << mode;
    }
    // An axis where the picture is not smaller keeps the near edge.
    std::int32_t x = 0, y = 0;
    zyl::LayoutPicture(&x, &y, 100, 30, area, 9);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 190);
}

TEST(DecorGeometry, PlacedPicturesShrinkKeepingTheirShape) {
    struct Case {
        std::int32_t w, h;
        std::uint16_t flags;
        std::int32_t areaW, areaH, fitW, fitH;
    };
    const Case cases[] = {
        {300, 200, 1, 200, 500, 200, 133},   // too wide
        {200, 300, 2, 500, 150, 100, 150},   // too high
        {400, 100, 9, 200, 40, 160, 40},     // too wide, then still too high
        {300, 200, 0, 200, 100, 300, 200},   // tiles keep their size
        {300, 200, 10, 200, 100, 300, 200},  // and so do frames
        {50, 40, 5, 50, 40, 50, 40},         // fits exactly
        {5000, 1, 3, 100, 100, 100, 1},      // never below one pixel
    };
    for (const Case& c : cases) {
        std::int32_t w = c.w, h = c.h;
        zyl::FitToArea(&w, &h, DecorRect{7, 9, 7 + c.areaW, 9 + c.areaH}, c.flags);
        EXPECT_EQ(w, c.fitW) << c.w << "x" << c.h << " mode " << c.flags;
        EXPECT_EQ(h, c.fitH) << c.w << "x" << c.h << " mode " << c.flags;
    }
}

std::string Cells(std::int32_t w, std::int32_t h, const DecorRect& area) {
    zyl::FrameWalk walk(w, h, area);
    std::string out;
    zyl::FrameCell c;
    while (walk.Next(&c))
        out += std::to_string(c.x) + "," + std::to_string(c.y) + ":" + std::to_string(c.column) + std::to_string(c.row) + " ";
    return out;
}

TEST(DecorGeometry, FrameCellsRunAlongTheEdges) {
    // 30 x 30: cells of 10; over 100 x 50 columns 0..90 and rows 0..40,
    // inner cells left out.
    std::string expected;
    for (int y = 0; y <= 40; y += 10) {
        const int row = y == 0 ? 0 : (y == 40 ? 2 : 1);
        for (int x = 0; x <= 90; x += 10) {
            const int column = x == 0 ? 0 : (x == 90 ? 2 : 1);
            if (row == 1 && column == 1) continue;
            expected += std::to_string(x) + "," + std::to_string(y) + ":" + std::to_string(column) + std::to_string(row) + " ";
        }
    }
    EXPECT_EQ(Cells(30, 30, DecorRect{0, 0, 100, 50}), expected);
    // The last cell is moved back to end at the edge; an area of two cells
    // has no middle; one narrower than a cell puts the right cell over the
    // left one.
    EXPECT_EQ(Cells(30, 30, DecorRect{5, 0, 30, 20}), "5,0:00 15,0:10 20,0:20 5,10:02 15,10:12 20,10:22 ");
    EXPECT_EQ(Cells(31, 32, DecorRect{0, 0, 6, 10}), "0,0:00 -4,0:20 0,0:02 -4,0:22 ");
    // Nothing for a picture under 3 pixels or an empty area.
    EXPECT_EQ(Cells(2, 30, DecorRect{0, 0, 100, 100}), "");
    EXPECT_EQ(Cells(30, 30, DecorRect{0, 0, 0, 100}), "");
    // A huge area costs cells along its edges only.
    zyl::FrameWalk walk(3, 3, DecorRect{0, 0, 32767, 32767});
    zyl::FrameCell c;
    long n = 0;
    while (walk.Next(&c)) ++n;
    EXPECT_EQ(n, 4L * 32767 - 4);
}

TEST(DecorGeometry, PopupAreaLeavesTheHostsMargins) {
    const DecorRect client = {0, 0, 300, 200};
    EXPECT_EQ(zyl::PopupArea(client, true, 16, 16), (DecorRect{2, 2, 292, 192}));
    EXPECT_EQ(zyl::PopupArea(client, false, 16, 20), (DecorRect{2, 2, 286, 183}));
}

TEST(DecorGeometry, BoundsCoverThePicturesPaintedTogether) {
    const DecorRect client = {0, 0, 400, 300};
    const zyl::PictureLayer none = {false, 0, 0, 0};
    const zyl::PictureLayer logo = {true, 40, 20, 4};          // top right
    const zyl::PictureLayer seal = {true, 60, 60, 7 | 0x80};   // bottom left, transparent
    const zyl::PictureLayer tile = {true, 8, 8, 0};
    DecorRect r = {};
    EXPECT_FALSE(zyl::DecorationBoundsOf(none, none, client, &r));
    ASSERT_TRUE(zyl::DecorationBoundsOf(logo, none, client, &r));
    EXPECT_EQ(r, (DecorRect{360, 0, 400, 20}));
    // A transparent per-topic picture counts the file-wide one under it...
    ASSERT_TRUE(zyl::DecorationBoundsOf(logo, seal, client, &r));
    EXPECT_EQ(r, (DecorRect{0, 0, 400, 300}));
    // ...an opaque one does not.
    ASSERT_TRUE(zyl::DecorationBoundsOf(logo, zyl::PictureLayer{true, 60, 60, 7}, client, &r));
    EXPECT_EQ(r, (DecorRect{0, 240, 60, 300}));
    ASSERT_TRUE(zyl::DecorationBoundsOf(tile, none, client, &r));
    EXPECT_EQ(r, client);
    // A per-topic picture that cannot be loaded still hides an opaque layering.
    EXPECT_FALSE(zyl::DecorationBoundsOf(logo, zyl::PictureLayer{true, 0, 0, 1}, client, &r));
}

TEST(DecorGeometry, ScrollingRepaintsAroundFixedPictures) {
    const DecorRect client = {0, 0, 400, 300};
    const DecorRect logo = {300, 100, 380, 150};
    // Lines: 20 pixels more at both ends along the scroll, cut at the client area.
    EXPECT_EQ(zyl::FixedScrollRect(logo, client, true, 0), (DecorRect{300, 80, 380, 170}));
    EXPECT_EQ(zyl::FixedScrollRect(logo, client, true, 1), (DecorRect{300, 80, 380, 170}));
    EXPECT_EQ(zyl::FixedScrollRect(logo, client, false, 1), (DecorRect{280, 100, 400, 150}));
    EXPECT_EQ(zyl::FixedScrollRect(DecorRect{0, 5, 50, 295}, client, true, 0), (DecorRect{0, 0, 50, 300}));
    // Pages, thumbs and the ends: the whole height or width.
    for (int code : {2, 3, 4, 5, 6, 7, 8}) {
        EXPECT_EQ(zyl::FixedScrollRect(logo, client, true, code), (DecorRect{300, 0, 380, 300})) << code;
        EXPECT_EQ(zyl::FixedScrollRect(logo, client, false, code), (DecorRect{0, 100, 400, 150})) << code;
    }
}

// A 6 x 4 buffer of '.' and a 2 x 2 picture "ab/cd" whose 'b' is
// transparent (its colour 0); rows of the buffer as text, 0 as '_'.
std::string Drawn(const std::vector<std::uint32_t>& px) {
    std::string out;
    for (std::size_t i = 0; i < px.size(); ++i) {
        out += px[i] ? static_cast<char>(px[i]) : '_';
        if (i % 6 == 5) out += '/';
    }
    return out;
}

TEST(DecorGeometry, PicturesLieOverPixelsInsideTheirClip) {
    const std::uint32_t colour[] = {'a', 0, 'c', 'd'};
    const std::uint32_t keep[] = {0, 0xFFFFFFFFu, 0, 0};
    const zyl::PicturePixels opaque = {colour, nullptr, 2, 2}, holed = {colour, keep, 2, 2};
    std::vector<std::uint32_t> px(24, '.');
    const zyl::PixelBuffer buffer = {px.data(), 6, 4};
    const DecorRect all = {-100, -100, 100, 100};
    // Tiles from the area's corner, cut at the clip; the hole keeps what was below.
    zyl::TilePixels(buffer, DecorRect{1, 1, 6, 4}, DecorRect{0, 0, 5, 4}, holed);
    EXPECT_EQ(Drawn(px), "....../.a.a../.cdcd./.a.a../");
    zyl::TilePixels(buffer, DecorRect{-3, -1, 9, 9}, all, opaque);
    EXPECT_EQ(Drawn(px), "dcdcdc/_a_a_a/dcdcdc/_a_a_a/");
    // Unscaled and scaled (nearest pixel) copies of a part of the picture.
    std::fill(px.begin(), px.end(), '.');
    zyl::BlitPixels(buffer, DecorRect{4, 2, 8, 6}, holed, DecorRect{0, 0, 2, 2}, all);
    EXPECT_EQ(Drawn(px), "....../....../....aa/....aa/");
    zyl::BlitPixels(buffer, DecorRect{0, 0, 1, 2}, opaque, DecorRect{1, 0, 2, 2}, all);
    EXPECT_EQ(px[0], 0u);
    EXPECT_EQ(px[6], static_cast<std::uint32_t>('d'));
    // A source part outside the picture draws nothing.
    zyl::BlitPixels(buffer, DecorRect{0, 0, 3, 3}, opaque, DecorRect{1, 1, 3, 3}, all);
    EXPECT_EQ(px[7], static_cast<std::uint32_t>('.'));

    // A row long enough for the widest registers, with a tail: every third
    // pixel a hole.
    std::vector<std::uint32_t> rowColour(37), rowKeep(37), row(40, '.');
    for (std::uint32_t i = 0; i < 37; ++i) {
        rowColour[i] = i % 3 ? i + 1 : 0;
        rowKeep[i] = i % 3 ? 0 : 0xFFFFFFFFu;
    }
    zyl::TilePixels(zyl::PixelBuffer{row.data(), 40, 1}, DecorRect{1, 0, 38, 1}, all,
                    zyl::PicturePixels{rowColour.data(), rowKeep.data(), 37, 1});
    for (std::uint32_t x = 0; x < 40; ++x)
        EXPECT_EQ(row[x], x >= 1 && x < 38 && (x - 1) % 3 ? x : static_cast<std::uint32_t>('.')) << x;
}

TEST(DecorGeometry, CaptionsNameTheirWindowBeforeABar) {
    EXPECT_EQ(zyl::CaptionNameLength("glossary|Glossary"), 8);
    EXPECT_EQ(zyl::CaptionNameLength("|Glossary"), 0);
    EXPECT_EQ(zyl::CaptionNameLength("A long caption | more"), -1);
    EXPECT_EQ(zyl::CaptionNameLength("Glossary"), -1);
    EXPECT_EQ(zyl::CaptionNameLength(""), -1);
    EXPECT_EQ(zyl::CaptionNameLength(nullptr), -1);
}

}  // namespace
