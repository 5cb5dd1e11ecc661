// The video window's parameter string, the names it derives, the element
// names of clips inside help files and the geometry of window and bar.
#include <gtest/gtest.h>

#include <cstring>

#include "media/video_parse.h"

namespace {

using namespace zyl;

TEST(VideoParams, FileFlagsAndDerivedNames) {
    VideoParams p;
    EXPECT_EQ(ParseVideoParams("intro.avi;9", &p), 0);
    EXPECT_EQ(p.file, "intro.avi");
    EXPECT_EQ(p.flags, 9);
    EXPECT_STREQ(p.fileName, "intro.avi");
    EXPECT_EQ(p.extension, "avi");

    EXPECT_EQ(ParseVideoParams(" C:\\Clips\\Theme.MID ; 32 trailing", &p), 0);
    EXPECT_EQ(p.file, "C:\\Clips\\Theme.MID") << "blanks round the name go, the directory stays";
    EXPECT_EQ(p.flags, 32);
    EXPECT_STREQ(p.fileName, "theme.mid") << "shown without directory, lower-cased";
    EXPECT_EQ(p.extension, "MID");

    EXPECT_EQ(ParseVideoParams("a/b:c.d/clip;x", &p), 0);
    EXPECT_STREQ(p.fileName, "clip");
    EXPECT_EQ(p.extension, "") << "a dot in a directory is no extension";
    EXPECT_EQ(p.flags, 0) << "no digits: no flags";

    EXPECT_EQ(ParseVideoParams("a.b.wav;65537", &p), 0);
    EXPECT_EQ(p.extension, "wav");
    EXPECT_EQ(p.flags, 1) << "kept to 16 bits";

    EXPECT_EQ(ParseVideoParams("averyveryverylongname.avi;0", &p), 0);
    EXPECT_EQ(std::strlen(p.fileName), 16u) << "the shown name is cut to its field";
    EXPECT_EQ(p.file, "averyveryverylongname.avi") << "the name opened is not";

    EXPECT_EQ(ParseVideoParams("intro.avi", &p), ZYL_ERR_SYNTAX);
    EXPECT_EQ(ParseVideoParams("", &p), ZYL_ERR_SYNTAX);
    EXPECT_EQ(ParseVideoParams(nullptr, &p), ZYL_ERR_SYNTAX);
}

TEST(VideoParams, IoProcedureCodes) {
    EXPECT_EQ(VideoIoProcCode("avi"), 0x20495641u);   // "AVI "
    EXPECT_EQ(VideoIoProcCode("Mpeg"), 0x2045504Du) << "\"MPE \": three characters, then a blank";
    EXPECT_EQ(VideoIoProcCode("x"), 0x20202058u);
    EXPECT_EQ(VideoIoProcCode(""), 0u);
    EXPECT_EQ(VideoIoProcCode(nullptr), 0u);
}

TEST(VideoParams, ElementNamesRoundTrip) {
    char element[64], name[32];
    std::uint64_t address = 0;
    ASSERT_TRUE(MakeElementName("intro.avi", 0x1234ABCDull, element, sizeof element));
    EXPECT_STREQ(element, "intro.avi+1234ABCD");
    ASSERT_TRUE(SplitElementName(element, name, sizeof name, &address));
    EXPECT_STREQ(name, "intro.avi");
    EXPECT_EQ(address, 0x1234ABCDull);
    ASSERT_TRUE(MakeElementName("a+b.avi", 0xFFFFFFFFFFFFFFFFull, element, sizeof element));
    ASSERT_TRUE(SplitElementName(element, name, sizeof name, &address));
    EXPECT_STREQ(name, "a+b.avi") << "split at the last '+'";
    EXPECT_EQ(address, 0xFFFFFFFFFFFFFFFFull);

    EXPECT_FALSE(SplitElementName("intro.avi", name, sizeof name, &address)) << "no '+'";
    EXPECT_FALSE(SplitElementName("intro.avi+", name, sizeof name, &address));
    EXPECT_FALSE(SplitElementName("intro.avi+12G", name, sizeof name, &address));
    EXPECT_FALSE(SplitElementName("x+11112222333344445", name, sizeof name, &address)) << "more than 64 bits";
    EXPECT_FALSE(SplitElementName("a-long-name.avi+1", name, 8, &address)) << "the name must fit";
    EXPECT_FALSE(MakeElementName("intro.avi", 0x1234, element, 14)) << "14 bytes hold intro.avi+123 only";
    EXPECT_STREQ(element, "");
    EXPECT_TRUE(MakeElementName("intro.avi", 0x1234, element, 15));

    char hex[4];
    EXPECT_TRUE(FormatHex(0, hex, sizeof hex));
    EXPECT_STREQ(hex, "0");
    EXPECT_TRUE(FormatHex(0xFFF, hex, sizeof hex));
    EXPECT_FALSE(FormatHex(0x1000, hex, sizeof hex));
}

TEST(VideoLayout, MinimumWidthsAndProportionalScaling) {
    VideoLayout l = LayoutVideo(0, 30, 20);
    EXPECT_EQ(l.width, 30);
    EXPECT_EQ(l.height, 20);
    EXPECT_FALSE(l.resizePicture);

    l = LayoutVideo(kVideoBarMenu, 30, 20);   // 58 / 30
    EXPECT_TRUE(l.resizePicture);
    EXPECT_EQ(l.pictureWidth, 58);
    EXPECT_EQ(l.pictureHeight, 38);
    EXPECT_EQ(l.barTop, 38);
    EXPECT_EQ(l.width, 58);
    EXPECT_EQ(l.height, 38 + 23);

    l = LayoutVideo(kVideoBarPlay, 30, 20);
    EXPECT_EQ(l.width, 37);
    EXPECT_EQ(l.pictureHeight, 20 * 37 / 30);
    l = LayoutVideo(kVideoBarPlay, 200, 100);
    EXPECT_FALSE(l.resizePicture);
    EXPECT_EQ(l.width, 200);
    EXPECT_EQ(l.height, 123);

    l = LayoutVideo(kVideoBarPlay | kVideoNoPicture, 0, 0);
    EXPECT_EQ(l.width, 120);
    EXPECT_EQ(l.height, 23);
    EXPECT_EQ(l.barTop, 0);
    l = LayoutVideo(kVideoBarPlay, 0, 40);
    EXPECT_EQ(l.width, 37) << "a picture without width is not scaled";
    EXPECT_EQ(l.pictureHeight, 40);
}

TEST(VideoBarGeometry, MarkAndDrag) {
    // Track from 28 to 93 (a 100-pixel bar).
    EXPECT_EQ(MarkX(28, 93, 0, 100), 24);
    EXPECT_EQ(MarkX(28, 93, 100, 100), 89);
    EXPECT_EQ(MarkX(28, 93, 50, 100), 28 + 32 - 4) << "32.5 rounded down";
    EXPECT_EQ(MarkX(28, 93, 3, 0), 24) << "length 0: the left end - 4";
    EXPECT_EQ(MarkX(28, 93, -5, 100), 24);
    EXPECT_EQ(MarkX(28, 93, 500, 100), 89) << "past the end stays at the end";
    EXPECT_EQ(MarkX(28, 28, 50, 100), 24) << "a track without width";
    EXPECT_EQ(MarkX(0, 1000, 0xFFFFFFFFll, 0xFFFFFFFFll), 996);

    EXPECT_EQ(DragTarget(28, 28, 93, 100), 0);
    EXPECT_EQ(DragTarget(93, 28, 93, 100), 100);
    EXPECT_EQ(DragTarget(-300, 28, 93, 100), 0) << "clamped to the track";
    EXPECT_EQ(DragTarget(3000, 28, 93, 100), 100);
    EXPECT_EQ(DragTarget(60, 28, 93, 100), 100 * 32 / 65);
    EXPECT_EQ(DragTarget(60, 50, 50, 100), 0) << "no division by a track without width";
    EXPECT_EQ(DragTarget(93, 28, 93, 0xFFFFFFFFll), 0xFFFFFFFFll);
    EXPECT_EQ(ClampToTrack(100, 28, 20), 28);

    EXPECT_TRUE(IsAtEnd(100, 100));
    EXPECT_TRUE(IsAtEnd(99, 100)) << "Wine ends on the last frame";
    EXPECT_FALSE(IsAtEnd(50, 100));
    EXPECT_TRUE(IsAtEnd(0, 0));
}

}  // namespace
