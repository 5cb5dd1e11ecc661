// The mouse-over button's parameter string, size rule and looks.
#include <gtest/gtest.h>

#include <string>

#include "controls/animmouse_parse.h"

namespace {

// What a string gives, on one line: width height [normal] [hover]
// [pressed] flags [macro], or the error.
std::string Parsed(const std::string& data) {
    zyl::AnimMouseParams p;
    if (const int error = zyl::ParseAnimMouse(data.c_str(), &p)) return "error " + std::to_string(error);
    return std::to_string(p.width) + " " + std::to_string(p.height) + " [" + p.normal + "] [" + p.hover + "] [" +
           p.pressed + "] " + std::to_string(p.flags) + " [" + p.macro + "]";
}

const std::string kSyntax = "error " + std::to_string(ZYL_ERR_SYNTAX);

TEST(AnimMouseParams, SevenFieldsTheMacroTakingTheRest) {
    EXPECT_EQ(Parsed("60;20;;;;0;Next()"), "60 20 [] [] [] 0 [Next()]");
    EXPECT_EQ(Parsed("20;40;up.bmp;hot.bmp;down.bmp;7;JI(`a.hlp', `b');Next()"),
              "20 40 [up.bmp] [hot.bmp] [down.bmp] 7 [JI(`a.hlp', `b');Next()]");
    // Sizes decimal and kept in 0..4096, flags hexadecimal less the pressed bit.
    EXPECT_EQ(Parsed(" 7x;-5;a;;b; 0x800f;"), "7 0 [a] [] [b] 15 []");
    EXPECT_EQ(Parsed("99999;4097;;;;ff;"), "4096 4096 [] [] [] 255 []");
}

TEST(AnimMouseParams, MissingSemicolonsAndLongNames) {
    const std::string six = "1;2;n;h;p;0;";
    for (std::size_t cut = 0; cut < six.size(); ++cut)
        if (six[cut] == ';') EXPECT_EQ(Parsed(six.substr(0, cut)), kSyntax) << cut;
    const std::string name15(15, 'n');
    EXPECT_NE(Parsed("1;1;" + name15 + ";" + name15 + ";" + name15 + ";0;"), kSyntax);
    EXPECT_EQ(Parsed("1;1;" + name15 + "n;;;0;"), kSyntax);
    EXPECT_EQ(Parsed("1;1;;" + name15 + "n;;0;"), kSyntax);
    EXPECT_EQ(Parsed("1;1;;;" + name15 + "n;0;"), kSyntax);
    zyl::AnimMouseParams p;
    EXPECT_EQ(zyl::ParseAnimMouse(nullptr, &p), ZYL_ERR_SYNTAX);
}

TEST(AnimMouseParams, SizeIsTheLargerOfGivenAndNormalPicture) {
    zyl::AnimMouseParams p;
    ASSERT_EQ(zyl::ParseAnimMouse("20;40;n;;;0;", &p), 0);
    std::int32_t w = 0, h = 0;
    zyl::MouseButtonSize(p, 32, 32, &w, &h);
    EXPECT_EQ(std::to_string(w) + "x" + std::to_string(h), "32x40");
    zyl::MouseButtonSize(p, 0, 0, &w, &h);
    EXPECT_EQ(std::to_string(w) + "x" + std::to_string(h), "20x40");
}

// The look as "picture/transparent frame shifted": N H P for pictures, -
// for none; R S for raised and sunken frames.
std::string Look(bool hasNormal, std::uint16_t flags, bool inside, bool pressed, bool resting = false) {
    const zyl::MouseLook l = zyl::ChooseMouseLook(hasNormal, flags, inside, pressed, resting);
    const char pictures[] = "-NHP", frames[] = "-RS";
    return std::string(1, pictures[static_cast<int>(l.picture)]) + (l.transparent ? "t" : "") + " " +
           frames[static_cast<int>(l.frame)] + (l.shifted ? " shifted" : "");
}

TEST(AnimMouseLook, PicturesByStateEachWithItsTransparency) {
    EXPECT_EQ(Look(true, 1, false, false), "Nt -");
    EXPECT_EQ(Look(true, 1, true, false), "H -");
    EXPECT_EQ(Look(true, 2, true, false), "Ht -");
    EXPECT_EQ(Look(true, 2, false, true), "Ht -") << "pressed and dragged out: the hover picture";
    EXPECT_EQ(Look(true, 4, true, true), "Pt -");
    EXPECT_EQ(Look(true, 3, true, true), "P -");
    EXPECT_EQ(Look(true, 1, true, true, true), "Nt -") << "the resting look whatever the mouse";
}

TEST(AnimMouseLook, FramesWithoutPictures) {
    EXPECT_EQ(Look(false, 7, false, false), "- -");
    EXPECT_EQ(Look(false, 0, true, false), "- R");
    EXPECT_EQ(Look(false, 0, false, true), "- R");
    EXPECT_EQ(Look(false, 0, true, true), "- S shifted");
    EXPECT_EQ(Look(false, 0, true, true, true), "- -");
}

}  // namespace
