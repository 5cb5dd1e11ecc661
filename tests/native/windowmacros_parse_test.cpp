// The popup sizes, sibling help-file paths and script blocks of the window
// and help-file macro routines.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/wholefile.h"
#include "macros/windowmacros_parse.h"

namespace {

using Size = std::pair<int, int>;
Size Popup(std::uint16_t width, std::uint16_t height, std::uint32_t flags, int screenWidth, int screenHeight) {
    const zyl::PopupSize s = zyl::PopupSizeFor(width, height, flags, screenWidth, screenHeight);
    return {s.width, s.height};
}

TEST(PopupSize, ScreenFractionsPixelsAndTheScreenLimit) {
    EXPECT_EQ(Popup(512, 512, 0, 800, 600), Size(400, 300));
    EXPECT_EQ(Popup(1024, 1024, 0, 800, 600), Size(800, 600));
    EXPECT_EQ(Popup(2000, 100, 0, 800, 600), Size(800, 58)) << "a fraction above 1 is the screen";
    EXPECT_EQ(Popup(2000, 250, 1, 800, 600), Size(800, 250)) << "pixels, each side limited to the screen";
    EXPECT_EQ(Popup(300, 700, 0x8000, 800, 600), Size(300, 600)) << "any of the low 16 bits means pixels";
    EXPECT_EQ(Popup(512, 512, zyl::kPopupNextOnly, 800, 600), Size(400, 300)) << "the high bits do not";
    EXPECT_EQ(Popup(0, 0, 1, 800, 600), Size(0, 0));
}

TEST(PopupSize, FractionsAreKeptTo16Bits) {
    // 65535 x 2048 / 1024 = 131070, which is 65534 in 16 bits: then the screen.
    EXPECT_EQ(Popup(65535, 32768, 0, 2048, 2048), Size(2048, 0));
    EXPECT_EQ(Popup(500, 500, 0, 0, -5), Size(0, 0)) << "no screen, no size";
}

TEST(SiblingHelpFile, TheCurrentFoldersWithoutTheDriveThenTheName) {
    char out[129];
    ASSERT_TRUE(zyl::SiblingHelpFilePath("C:\\help\\sub\\main.hlp", "other.hlp", out, sizeof out));
    EXPECT_STREQ(out, "\\help\\sub\\other.hlp");
    ASSERT_TRUE(zyl::SiblingHelpFilePath("C:main.hlp", "other.hlp", out, sizeof out));
    EXPECT_STREQ(out, "other.hlp") << "no folder: the name alone";
    ASSERT_TRUE(zyl::SiblingHelpFilePath("/srv/help/main.hlp", "more/other.hlp", out, sizeof out));
    EXPECT_STREQ(out, "/srv/help/more/other.hlp");
    ASSERT_TRUE(zyl::SiblingHelpFilePath(nullptr, "other.hlp", out, sizeof out));
    EXPECT_STREQ(out, "other.hlp");
    for (const char* alone : {"D:\\x\\other.hlp", "\\x\\other.hlp", "d:other.hlp"}) {
        ASSERT_TRUE(zyl::SiblingHelpFilePath("C:\\help\\main.hlp", alone, out, sizeof out));
        EXPECT_STREQ(out, alone);
    }
}

TEST(SiblingHelpFile, AnEmptyNameOrAPathTooLongGivesNothing) {
    char out[16] = "junk";
    EXPECT_FALSE(zyl::SiblingHelpFilePath("C:\\help\\main.hlp", "", out, sizeof out));
    EXPECT_STREQ(out, "");
    EXPECT_FALSE(zyl::SiblingHelpFilePath("C:\\help\\main.hlp", nullptr, out, sizeof out));
    EXPECT_FALSE(zyl::SiblingHelpFilePath("C:\\help\\main.hlp", "a-long-name.hlp", out, sizeof out));
    EXPECT_STREQ(out, "");
    EXPECT_FALSE(zyl::SiblingHelpFilePath("C:\\help\\main.hlp", "\\a\\very\\long\\name.hlp", out, sizeof out));
    EXPECT_TRUE(zyl::SiblingHelpFilePath("C:\\help\\main.hlp", "fits.hlp", out, sizeof out));
    EXPECT_STREQ(out, "\\help\\fits.hlp");
    const std::string deep = "C:\\" + std::string(200, 'd') + "\\main.hlp";
    char wide[400];
    EXPECT_FALSE(zyl::SiblingHelpFilePath(deep.c_str(), "b.hlp", wide, sizeof wide)) << "a folder cut short is not taken";
}

TEST(ScriptBlock, AFullBlockIsCutBeforeItsLastByteAndAnEmptyOneIsNothing) {
    std::vector<char> block(zyl::kWholeFileBytes, 'x');
    EXPECT_TRUE(zyl::TerminateScriptBlock(block.data()));
    EXPECT_EQ(std::string(block.data()).size(), zyl::kWholeFileBytes - 1);
    block.assign(zyl::kWholeFileBytes, '\0');
    EXPECT_FALSE(zyl::TerminateScriptBlock(block.data()));
    block[1] = 'x';
    EXPECT_FALSE(zyl::TerminateScriptBlock(block.data())) << "a block that starts with its end is empty";
    EXPECT_FALSE(zyl::TerminateScriptBlock(nullptr));
}

}  // namespace
