// The video window's parameter string, the names it derives, the element
// names of clips inside help files and the geometry of window and bar.
#include <gtest/gtest.h>

#include <string>

#include "media/video_parse.h"

namespace {

using namespace zyl;

// What a string gives: [file] flags [shown name] [extension], or the error.
std::string Parsed(const char* data) {
    VideoParams p;
    if (const int error = ParseVideoParams(data, &p)) return "error " + std::to_string(error);
    return "[" + p.file + "] " + std::to_string(p.flags) + " [" + p.fileName + "] [" + p.extension + "]";
}

TEST(VideoParams, FileFlagsAndDerivedNames) {
    EXPECT_EQ(Parsed("intro.avi;9"), "[intro.avi] 9 [intro.avi] [avi]");
    EXPECT_EQ(Parsed(" C:\\Clips\\Theme.MID ; 32 trailing"), "[C:\\Clips\\Theme.MID] 32 [theme.mid] [MID]")
        << "blanks round the name go, the directory stays; shown without directory, lower-cased";
    EXPECT_EQ(Parsed("a/b:c.d/clip;x"), "[a/b:c.d/clip] 0 [clip] []") << "a dot in a directory is no extension";
    EXPECT_EQ(Parsed("a.b.wav;65537"), "[a.b.wav] 1 [a.b.wav] [wav]") << "flags kept to 16 bits";
    EXPECT_EQ(Parsed("averyveryverylongname.avi;0"), "[averyveryverylongname.avi] 0 [averyveryverylon] [avi]")
        << "the shown name is cut to its field, the name opened is not";
    for (const char* bad : {"intro.avi", "", static_cast<const char*>(nullptr)})
        EXPECT_EQ(Parsed(bad), "error " + std::to_string(ZYL_ERR_SYNTAX)) << (bad ? bad : "null");
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

// A layout as "width x height, picture width x height at its place, bar
// top", and whether the picture is resized.
std::string Layout(std::uint16_t flags, int width, int height) {
    const VideoLayout l = LayoutVideo(flags, width, height);
    return std::to_string(l.width) + "x" + std::to_string(l.height) + " picture " + std::to_string(l.pictureWidth) +
           "x" + std::to_string(l.pictureHeight) + " bar " + std::to_string(l.barTop) +
           (l.resizePicture ? " resized" : "");
}

TEST(VideoLayout, MinimumWidthsAndProportionalScaling) {
    EXPECT_EQ(Layout(0, 30, 20), "30x20 picture 30x20 bar 0");
    EXPECT_EQ(Layout(kVideoBarMenu, 30, 20), "58x61 picture 58x38 bar 38 resized") << "58 / 30";
    EXPECT_EQ(Layout(kVideoBarPlay, 30, 20), "37x47 picture 37x24 bar 24 resized");
    EXPECT_EQ(Layout(kVideoBarPlay, 200, 100), "200x123 picture 200x100 bar 100");
    EXPECT_EQ(Layout(kVideoBarPlay | kVideoNoPicture, 0, 0), "120x23 picture 0x0 bar 0");
    EXPECT_EQ(Layout(kVideoBarPlay, 0, 40), "37x63 picture 37x40 bar 40 resized")
        << "a picture without width keeps its height";
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
