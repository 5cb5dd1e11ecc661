// Parameter strings of the graphic and contents buttons, and the geometry
// of the button they draw: size, picture place, label room and line breaks.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "controls/grapbtn_parse.h"

namespace {

// What a string gives, on one line: [label] width height [face] fontheight
// text shadow [picture] [pressed picture] flags [macro], or the error.
std::string Parsed(const std::string& data, bool contents = false) {
    zyl::GrapBtnParams p;
    const int error = contents ? zyl::ParseTocButtonParams(data.c_str(), &p) : zyl::ParseGrapBtnParams(data.c_str(), &p);
    if (error) return "error " + std::to_string(error);
    const zyl::GrapBtnLook& l = p.look;
    char text[600];
    std::snprintf(text, sizeof text, "[%s] %d %d [%s] %d %06X %06X [%s] [%s] %04X [%s]", l.label, l.widthSetting,
                  l.heightSetting, l.face, l.fontHeight, l.textColour, l.shadowColour, p.picture, p.pressedPicture,
                  l.flags, p.macro.c_str());
    return text;
}

const std::string kSyntax = "error " + std::to_string(ZYL_ERR_SYNTAX);

TEST(GrapBtnParams, TenFieldsTheLastTakingTheRest) {
    EXPECT_EQ(Parsed("Next|page;40;20;Arial;-12;FF0000;0x808080;next.gif;2b35;Next();JI(`a', `b')"),
              "[Next,page] 40 20 [Arial] -12 FF0000 808080 [next.gif] [] 2B35 [Next();JI(`a', `b')]");
    EXPECT_EQ(Parsed(";;;;;;;;;"), "[] 0 0 [] 0 000000 000000 [] [] 0000 []");
    // Names keep their blanks; numbers skip them. Colours keep 24 bits; the
    // pressed bit is the control's own.
    EXPECT_EQ(Parsed(" Go ; 7;x;Times New Roman; 9;  ff;1FF000000; a.bmp ; 8001;"),
              "[ Go ] 7 0 [Times New Roman] 9 0000FF 000000 [ a.bmp ] [] 0001 []");
    EXPECT_EQ(Parsed("a;99999999999;-5;;-99999;0;0;;0;"), "[a] 4096 0 [] -1024 000000 000000 [] [] 0000 []");
}

TEST(GrapBtnParams, MissingSemicolonsAndOversizedFields) {
    const std::string nine = "a;0;0;f;0;0;0;p;0;";
    for (std::size_t cut = 0; cut < nine.size(); ++cut)
        if (nine[cut] == ';') EXPECT_EQ(Parsed(nine.substr(0, cut) + "x"), kSyntax) << cut;
    zyl::GrapBtnParams p;
    EXPECT_EQ(zyl::ParseGrapBtnParams(nullptr, &p), ZYL_ERR_SYNTAX);
    ASSERT_EQ(zyl::ParseGrapBtnParams((std::string(200, 'L') + ";0;0;;0;0;0;;0;").c_str(), &p), 0);
    EXPECT_EQ(std::string(p.look.label), std::string(128, 'L')) << "a long label is cut";
    EXPECT_NE(Parsed("a;0;0;" + std::string(32, 'F') + ";0;0;0;;0;"), kSyntax);
    EXPECT_EQ(Parsed("a;0;0;" + std::string(33, 'F') + ";0;0;0;;0;"), kSyntax);
    EXPECT_NE(Parsed("a;0;0;;0;0;0;" + std::string(15, 'p') + ";0;"), kSyntax);
    EXPECT_EQ(Parsed("a;0;0;;0;0;0;" + std::string(16, 'p') + ";0;"), kSyntax);
}

TEST(TocButtonParams, TwoPictureNamesAndTheFixedLook) {
    EXPECT_EQ(Parsed("up.bmp;down.bmp", true), "[] 0 0 [] 0 000000 000000 [up.bmp] [down.bmp] 6001 []");
    EXPECT_EQ(Parsed(";a;b", true), "[] 0 0 [] 0 000000 000000 [] [a;b] 6001 []") << "the second name is the rest";
    EXPECT_EQ(Parsed("up.bmp", true), kSyntax);
    EXPECT_EQ(Parsed(std::string(16, 'u') + ";", true), kSyntax);
    EXPECT_EQ(Parsed(";" + std::string(16, 'd'), true), kSyntax);
}

// Content size with a character height of 10 and a label 59 wide (text
// width 60), as "content width x content height".
std::string Size(int width, int height, int pictureWidth, int pictureHeight, int extent = 59) {
    zyl::GrapBtnLook look = {};
    look.widthSetting = width;
    look.heightSetting = height;
    std::strcpy(look.label, extent ? "x" : "");
    const zyl::GrapBtnSize s = zyl::MeasureGrapBtn(look, pictureWidth, pictureHeight, 10, extent);
    EXPECT_EQ(s.buttonWidth, s.contentWidth + 8);
    EXPECT_EQ(s.buttonHeight, s.contentHeight + 8);
    return std::to_string(s.contentWidth) + "x" + std::to_string(s.contentHeight);
}

TEST(GrapBtnGeometry, ContentSizeFromSettingsPictureAndLabel) {
    EXPECT_EQ(Size(0, 0, 30, 20), "90x20") << "two lines high: the label stays on one";
    EXPECT_EQ(Size(0, 0, 30, 40), "50x40") << "four lines high: spread over three";
    EXPECT_EQ(Size(0, 0, 30, 41), "45x41") << "a pixel over four lines counts five";
    EXPECT_EQ(Size(0, 50, 30, 40), "90x50") << "a given height keeps the label on one line";
    EXPECT_EQ(Size(20, 0, 30, 5), "30x10") << "a given width does not grow; a line is the least height";
    EXPECT_EQ(Size(0, 0, 0, 0, 0), "0x0");
    EXPECT_EQ(Size(0, 0, 0, 0, 1 << 30), "4096x10");
}

TEST(GrapBtnGeometry, PicturePlaceAndLabelRoomForEveryPosition) {
    // A 20 x 10 picture in content 100 x 60 at (4, 4): "x,y left,top,right,bottom".
    auto place = [](int position, int width, int height) {
        const zyl::GrapBtnRect content = {4, 4, 104, 64};
        int x = -1, y = -1;
        zyl::PlacePicture(position, content, width, height, &x, &y);
        const zyl::GrapBtnRect r = zyl::LabelRoom(position, content, width, height);
        char text[64];
        std::snprintf(text, sizeof text, "%d,%d %d,%d,%d,%d", x, y, r.left, r.top, r.right, r.bottom);
        return std::string(text);
    };
    const char* const expected[] = {
        "4,4 4,4,104,64",     "44,29 4,4,104,64",  "4,4 25,4,104,64",  "44,4 4,15,104,64",  "83,4 4,4,83,64",
        "4,29 25,4,104,64",   "83,29 4,4,83,64",   "4,53 25,4,104,64", "44,53 4,4,104,53",  "83,53 4,4,83,64",
        "4,4 4,4,104,64",
    };
    for (int position = 0; position <= 10; ++position) EXPECT_EQ(place(position, 20, 10), expected[position]) << position;
    EXPECT_EQ(place(9, 100, 60), "4,4 4,4,3,64") << "a picture filling the content stays at its top left";
}

TEST(GrapBtnGeometry, LineAndBlockAlignment) {
    EXPECT_EQ(zyl::AlignLine(8, 100, 41), 29);
    EXPECT_EQ(zyl::AlignLine(6, 100, 40), 60);
    EXPECT_EQ(zyl::AlignLine(0, 100, 40), 0) << "no alignment: left";
    EXPECT_EQ(zyl::AlignLine(9, 100, 140), 0) << "a line wider than its room starts at the left";
    EXPECT_EQ(zyl::AlignLabelBlock(3, 60, 20), 0);
    EXPECT_EQ(zyl::AlignLabelBlock(6, 60, 20), 20);
    EXPECT_EQ(zyl::AlignLabelBlock(0, 60, 20), 40) << "no alignment: bottom";
}

// Every character 10 pixels wide; lines 10 high.
int TenEach(void*, const char*, std::size_t length) { return static_cast<int>(length) * 10; }

std::vector<std::string> Wrap(const char* label, int width, int height) {
    std::vector<std::string> out;
    for (const zyl::LabelLine& line : zyl::WrapLabel(label, width, height, 10, zyl::TextMeasure{nullptr, TenEach}))
        out.emplace_back(label + line.start, line.length);
    return out;
}

using Lines = std::vector<std::string>;

TEST(GrapBtnGeometry, LabelLinesBreakAtSpacesAndLongWordsStandAlone) {
    EXPECT_EQ(Wrap("Next", 41, 10), (Lines{"Next"})) << "a label one pixel narrower than its room";
    EXPECT_EQ(Wrap("Next", 40, 10), (Lines{"Next"})) << "as wide as its room: one line all the same";
    EXPECT_EQ(Wrap("Next page", 60, 30), (Lines{"Next", "page"}));
    EXPECT_EQ(Wrap("a bb ccc dd e", 55, 50), (Lines{"a bb", "ccc", "dd e"}));
    EXPECT_EQ(Wrap("Go extraordinarily far", 45, 50), (Lines{"Go", "extraordinarily", "far"}));
    EXPECT_EQ(Wrap("one two three four", 45, 20), (Lines{"one", "two"})) << "no room for more";
    EXPECT_EQ(Wrap("one two", 45, 9), Lines{}) << "not even one line";
}

}  // namespace
