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

// The sibling path into a buffer of `capacity`, or "<refused>" and what
// was left in it.
std::string Sibling(const char* current, const char* name, std::size_t capacity = 129) {
    std::vector<char> out(capacity, 'j');
    const bool ok = zyl::SiblingHelpFilePath(current, name, out.data(), capacity);
    return (ok ? "" : "<refused>") + std::string(out.data());
}

TEST(SiblingHelpFile, TheCurrentFoldersWithoutTheDriveThenTheName) {
    EXPECT_EQ(Sibling("C:\\help\\sub\\main.hlp", "other.hlp"), "\\help\\sub\\other.hlp");
    EXPECT_EQ(Sibling("C:main.hlp", "other.hlp"), "other.hlp") << "no folder: the name alone";
    EXPECT_EQ(Sibling("/srv/help/main.hlp", "more/other.hlp"), "/srv/help/more/other.hlp");
    EXPECT_EQ(Sibling(nullptr, "other.hlp"), "other.hlp");
    for (const char* alone : {"D:\\x\\other.hlp", "\\x\\other.hlp", "d:other.hlp"})
        EXPECT_EQ(Sibling("C:\\help\\main.hlp", alone), alone);
}

TEST(SiblingHelpFile, AnEmptyNameOrAPathTooLongGivesNothing) {
    EXPECT_EQ(Sibling("C:\\help\\main.hlp", ""), "<refused>");
    EXPECT_EQ(Sibling("C:\\help\\main.hlp", nullptr), "<refused>");
    EXPECT_EQ(Sibling("C:\\help\\main.hlp", "a-long-name.hlp", 16), "<refused>");
    EXPECT_EQ(Sibling("C:\\help\\main.hlp", "\\a\\very\\long\\name.hlp", 16), "<refused>");
    EXPECT_EQ(Sibling("C:\\help\\main.hlp", "fits.hlp", 16), "\\help\\fits.hlp");
    const std::string deep = "C:\\" + std::string(200, 'd') + "\\main.hlp";
    EXPECT_EQ(Sibling(deep.c_str(), "b.hlp", 400), "<refused>") << "a folder cut short is not taken";
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
