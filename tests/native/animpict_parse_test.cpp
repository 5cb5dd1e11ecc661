// Parameter strings of the movie and picture controls, frame positions and
// the companion help file of hot-spot popups.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "controls/animpict_parse.h"

namespace {

using zyl::MovieParams;
using zyl::PictParams;

// Records what the parser asked for; refuses names starting with "missing".
struct FakeLoader {
    std::vector<std::string> asked;
    static bool Load(void* ctx, const char* name) {
        auto* self = static_cast<FakeLoader*>(ctx);
        self->asked.push_back(name);
        return std::string(name).rfind("missing", 0) != 0 && name[0] != '\0';
    }
    zyl::PictureProbe probe() { return {this, Load}; }
};

int Movie(const char* data, MovieParams* out = nullptr, FakeLoader* loader = nullptr) {
    MovieParams local;
    FakeLoader own;
    return zyl::ParseMovieParams(data, (loader ? loader : &own)->probe(), out ? out : &local);
}

int Pict(const char* data, PictParams* out = nullptr, FakeLoader* loader = nullptr) {
    PictParams local;
    FakeLoader own;
    return zyl::ParsePictParams(data, (loader ? loader : &own)->probe(), out ? out : &local);
}

// Columns, rows, frames, delay and flags.
std::vector<int> Numbers(const MovieParams& p) { return {p.columns, p.rows, p.frames, p.delay, p.flags}; }

TEST(MovieParams, SpacesGoEverywhereAndAllSixFieldsAreRead) {
    MovieParams p;
    FakeLoader loader;
    ASSERT_EQ(Movie("anim.bmp; 4; 2; 7; 100; 1", &p, &loader), 0);
    EXPECT_EQ(p.file, "anim.bmp");
    EXPECT_EQ(loader.asked, (std::vector<std::string>{"anim.bmp"}));
    EXPECT_EQ(Numbers(p), (std::vector<int>{4, 2, 7, 100, 1}));

    ASSERT_EQ(Movie(" my  pic .bmp ;1;1;1;0;0", &p, &loader), 0);
    EXPECT_EQ(p.file, "mypic.bmp") << "blanks inside the name go too";
    // Other white space stays in the name but is skipped before a number.
    ASSERT_EQ(Movie("a\tb.bmp;\t3;\n2;\r1;\t50;\t2", &p), 0);
    EXPECT_EQ(p.file, "a\tb.bmp");
    EXPECT_EQ(Numbers(p), (std::vector<int>{3, 2, 1, 50, 2}));
}

TEST(MovieParams, EveryMissingSemicolonIsASyntaxError) {
    for (const char* data : {"anim.bmp;4;2;7;100", "anim.bmp;4;2;7", "anim.bmp;4;2", "anim.bmp;4", "anim.bmp", "",
                             static_cast<const char*>(nullptr)})
        EXPECT_EQ(Movie(data), ZYL_ERR_SYNTAX) << (data ? data : "null");
    EXPECT_EQ(Movie("anim.bmp;4;2;7;100;"), 0) << "an empty flags field is 0";
    EXPECT_EQ(Movie("anim.bmp;4;2;7;;"), 0) << "an empty delay is 0: stepped by click";
}

TEST(MovieParams, CountsAreCheckedInFieldOrder) {
    // A letter first reads as 0, numbers are unsigned, the rest of a field
    // is ignored, and the first error wins whatever follows it.
    const std::pair<const char*, int> cases[] = {
        {"anim.bmp;x4;2;7;100;1", ZYL_ERR_COLUMNS}, {"anim.bmp;;2;7;100;1", ZYL_ERR_COLUMNS},
        {"anim.bmp;0;0;0;100;1", ZYL_ERR_COLUMNS},  {"anim.bmp;4;0;0;100;1", ZYL_ERR_ROWS},
        {"anim.bmp;4;r;7;100;1", ZYL_ERR_ROWS},     {"anim.bmp;4;2;0;100;1", ZYL_ERR_FRAMES},
        {"anim.bmp;4;2;-7;100;1", ZYL_ERR_FRAMES},  {"anim.bmp;x;2;7;100", ZYL_ERR_COLUMNS},
        {"anim.bmp;4;2;0;100", ZYL_ERR_FRAMES},     {"anim.bmp;4x9;2;7;100;1", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(Movie(c.first), c.second) << c.first;

    // The picture is the second field checked; it is asked for once.
    FakeLoader loader;
    EXPECT_EQ(Movie("missing.bmp;x;2;7;100", nullptr, &loader), ZYL_ERR_MISSING_BITMAP);
    EXPECT_EQ(loader.asked, (std::vector<std::string>{"missing.bmp"}));
    loader.asked.clear();
    EXPECT_EQ(Movie("missing.bmp", nullptr, &loader), ZYL_ERR_SYNTAX);
    EXPECT_TRUE(loader.asked.empty()) << "no file field without its ';'";
    EXPECT_EQ(Movie(";4;2;7;100;1"), ZYL_ERR_MISSING_BITMAP) << "an empty name";
}

TEST(MovieParams, NumbersSaturateAndFlagsKeepTheirLowBits) {
    MovieParams p;
    ASSERT_EQ(Movie("a.bmp;99999999999999999999;2;7;4294967296;65539", &p), 0);
    EXPECT_EQ(p.columns, INT_MAX);
    EXPECT_EQ(p.delay, INT_MAX);
    EXPECT_EQ(p.flags, 3) << "65539 = 65536 + 3";
    ASSERT_EQ(Movie("a.bmp;1;1;1;10;33;Contents()", &p), 0);
    EXPECT_EQ(p.flags, 33) << "the flags field ends at the first non-digit";
    EXPECT_EQ(zyl::ReadFieldNumber("  \t012x", nullptr), 12);
    const char* s = "123";
    EXPECT_EQ(zyl::ReadFieldNumber(s, s + 2), 12) << "never past the field's end";
    EXPECT_EQ(zyl::ReadFieldNumber(s, s), 0);
    EXPECT_EQ(zyl::ReadFieldNumber("+5", nullptr), 0);
}

TEST(PictParams, BothSemicolonsAreRequiredAndNoSpacesAreRemoved) {
    PictParams p;
    FakeLoader loader;
    ASSERT_EQ(Pict("pict.gif;0;", &p, &loader), 0);
    EXPECT_EQ(p.file, "pict.gif");
    EXPECT_EQ(p.flags, 0);
    EXPECT_FALSE(p.hasMacro);
    for (const char* data : {"pict.gif;0", "pict.gif", "", static_cast<const char*>(nullptr)})
        EXPECT_EQ(Pict(data), ZYL_ERR_SYNTAX) << (data ? data : "null");
    // The file is read before the flags' ';' is looked for.
    EXPECT_EQ(Pict("missing.gif;0"), ZYL_ERR_MISSING_BITMAP);

    loader.asked.clear();
    ASSERT_EQ(Pict("pict.gif ; 32 ;A()", &p, &loader), 0);
    EXPECT_EQ(loader.asked, (std::vector<std::string>{"pict.gif "}));
    EXPECT_EQ(p.flags, 32) << "leading blanks of a number are skipped";
    EXPECT_EQ(p.macro, "A()");
}

TEST(PictParams, TheMacroIsTheWholeRestAndOnlyKeptWithFlag32) {
    PictParams p;
    ASSERT_EQ(Pict("logo.gif;32;Contents();JumpId(`a.hlp', `x')", &p), 0);
    EXPECT_TRUE(p.hasMacro);
    EXPECT_EQ(p.macro, "Contents();JumpId(`a.hlp', `x')");
    ASSERT_EQ(Pict("logo.gif;35;Next()", &p), 0);
    EXPECT_EQ(p.flags, 35);
    EXPECT_EQ(p.macro, "Next()");
    ASSERT_EQ(Pict("logo.gif;1;Next()", &p), 0);
    EXPECT_FALSE(p.hasMacro);
    EXPECT_EQ(p.macro, "");
    ASSERT_EQ(Pict("logo.gif;32;", &p), 0);
    EXPECT_FALSE(p.hasMacro) << "flag 32 without text is no macro";
}

TEST(FramePosition, CellsGoLeftToRightThenDown) {
    std::int32_t x = -1, y = -1;
    // Frame 9 is past the grid: taken where it would be.
    const struct { int frame, x, y; } cells[] = {{0, 0, 0}, {5, 16, 12}, {6, 32, 12}, {9, 16, 24}};
    for (const auto& c : cells) {
        ASSERT_TRUE(zyl::FramePosition(c.frame, 4, 16, 12, &x, &y)) << c.frame;
        EXPECT_EQ(std::make_pair(x, y), std::make_pair(c.x, c.y)) << c.frame;
    }
    EXPECT_FALSE(zyl::FramePosition(INT_MAX, 1, 16, 2, &x, &y)) << "beyond a 32-bit coordinate";
    EXPECT_FALSE(zyl::FramePosition(0, 0, 16, 12, &x, &y));
    EXPECT_FALSE(zyl::FramePosition(-1, 4, 16, 12, &x, &y));
}

std::string Companion(const char* path, std::size_t capacity = 256) {
    std::vector<char> out(capacity + 1, '#');
    const std::size_t n = zyl::CompanionHelpFile(path, out.data(), capacity);
    EXPECT_EQ(out[capacity], '#') << "written past the capacity";
    if (capacity == 0) return "";
    EXPECT_EQ(out[n], '\0');
    return std::string(out.data());
}

TEST(CompanionHelpFile, TheModulesOwnFilesGetTheirSibling) {
    EXPECT_EQ(Companion("C:\\HELP\\ZYL3.HLP"), "C:\\HELP\\ZYL3X.HLP");
    EXPECT_EQ(Companion("c:\\help\\zyl3.hlp"), "c:\\help\\zyl3X.hlp");
    EXPECT_EQ(Companion("C:\\HELP\\PondFly.hlp"), "C:\\HELP\\PondFlyX.hlp");
    EXPECT_EQ(Companion("C:\\HELP\\ZYL3DEMO.HLP"), "C:\\HELP\\ZYL3X.HLP");
    EXPECT_EQ(Companion("C:\\HELP\\zyl3x.hlp"), "C:\\HELP\\ZYL3X.hlp") << "starts with ZYL3: replaced whole";
    EXPECT_EQ(Companion("ZYL3.HLP"), "ZYL3X.HLP");
    EXPECT_EQ(Companion("D:ZYL3"), "D:ZYL3X");
    EXPECT_EQ(Companion("C:\\a.b\\ZYL3"), "C:\\a.b\\ZYL3X") << "a dot in a directory is no extension";
    EXPECT_EQ(Companion("/help/zyl3.tar.hlp"), "/help/ZYL3X.hlp") << "only the last dot starts the extension";
}

TEST(CompanionHelpFile, OtherFilesStayAndLengthsAreBounded) {
    EXPECT_EQ(Companion("C:\\HELP\\MANUAL.HLP"), "C:\\HELP\\MANUAL.HLP");
    EXPECT_EQ(Companion("C:\\HELP\\ZYL.HLP"), "C:\\HELP\\ZYL.HLP");
    EXPECT_EQ(Companion("C:\\HELP\\PONDFLY2.HLP"), "C:\\HELP\\PONDFLY2.HLP");
    EXPECT_EQ(Companion("C:\\ZYL3\\A.HLP"), "C:\\ZYL3\\A.HLP") << "the directory's name does not count";
    EXPECT_EQ(Companion(""), "");
    EXPECT_EQ(Companion(nullptr), "");

    const std::string longDir = "C:\\" + std::string(300, 'd') + "\\ZYL3.HLP";
    EXPECT_EQ(Companion(longDir.c_str(), 1000).size(), 255u);
    EXPECT_EQ(Companion("C:\\HELP\\ZYL3.HLP", 8), "C:\\HELP");
    EXPECT_EQ(Companion("C:\\HELP\\ZYL3.HLP", 0), "");
}

}  // namespace
