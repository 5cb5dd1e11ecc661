// The animated text's parameter string and the reveal's order and place.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "controls/animtext_parse.h"

namespace {

// What a string gives, on one line: [text] length [face] size colour period
// flags, or the error.
std::string Parsed(const std::string& data) {
    zyl::AnimTextParams p;
    if (const int error = zyl::ParseAnimText(data.c_str(), &p)) return "error " + std::to_string(error);
    char line[400];
    std::snprintf(line, sizeof line, "[%s] %d [%s] %d %06X %u %u", p.text, p.length, p.face, p.size, p.colour,
                  p.period, p.flags);
    return line;
}

const std::string kSyntax = "error " + std::to_string(ZYL_ERR_SYNTAX);
const std::string kFontSize = "error " + std::to_string(ZYL_ERR_FONT_SIZE);

TEST(AnimTextParams, SixFieldsNumbersAsStrtoulReadsThem) {
    EXPECT_EQ(Parsed("Welcome;Arial;24;FF0000;100;1"), "[Welcome] 7 [Arial] 24 FF0000 100 1");
    // Blanks and signs before numbers, a 0x before the colour, junk after
    // digits; the flags field takes the rest and keeps 16 bits.
    EXPECT_EQ(Parsed(" Hi there ;Times New Roman; -12x;0x00ff80 z; +250;65541;;"),
              "[ Hi there ] 10 [Times New Roman] -12 00FF80 250 5");
    EXPECT_EQ(Parsed("a;f;8;;;"), "[a] 1 [f] 8 000000 0 0") << "empty colour, period and flags read 0";
    EXPECT_EQ(Parsed("a;f;8;10000FF;0;0"), "[a] 1 [f] 8 0000FF 0 0") << "a colour keeps 24 bits";
    EXPECT_EQ(Parsed("a;f;8;123456789;0;0"), "[a] 1 [f] 8 FFFFFF 0 0") << "past 32 bits: strtoul's largest";
}

TEST(AnimTextParams, ErrorsInFieldOrder) {
    const std::string six = "t;f;9;0;0;0";
    for (std::size_t cut = 0; cut < six.size(); ++cut)
        if (six[cut] == ';') EXPECT_EQ(Parsed(six.substr(0, cut)), kSyntax) << cut;
    EXPECT_EQ(Parsed("Welcome;Arial;24;FF0000;100"), kSyntax) << "four separators";
    EXPECT_EQ(Parsed("t;f;0;0;0;0"), kFontSize);
    EXPECT_EQ(Parsed("t;f;big;0;0;0"), kFontSize);
    EXPECT_EQ(Parsed("t;f;0;0"), kFontSize) << "the size fails before a later separator is missed";
    EXPECT_EQ(Parsed("t;f;1024;0;0;0").substr(0, 5), "[t] 1");
    EXPECT_EQ(Parsed("t;f;-1024;0;0;0").substr(0, 5), "[t] 1");
    EXPECT_EQ(Parsed("t;f;1025;0;0;0"), kFontSize);
    EXPECT_EQ(Parsed("t;f;-1025;0;0;0"), kFontSize);
    zyl::AnimTextParams p;
    EXPECT_EQ(zyl::ParseAnimText(nullptr, &p), ZYL_ERR_SYNTAX);
}

TEST(AnimTextParams, LongTextAndFaceAreCut) {
    zyl::AnimTextParams p;
    ASSERT_EQ(zyl::ParseAnimText((std::string(200, 'T') + ";" + std::string(40, 'F') + ";9;0;0;0").c_str(), &p), 0);
    EXPECT_EQ(std::string(p.text), std::string(131, 'T'));
    EXPECT_EQ(p.length, 131);
    EXPECT_EQ(std::string(p.face), std::string(31, 'F'));
    ASSERT_EQ(zyl::ParseAnimText(";f;9;0;0;0", &p), 0);
    EXPECT_EQ(p.length, 0);
}

// The part of "Welcome" shown after `shown` steps, and where it starts in a
// line 100 wide when it is 10 pixels a character.
std::string Reveal(int shown, std::uint16_t flags) {
    const std::string text = "Welcome";
    std::int32_t start = 0, count = 0;
    zyl::RevealedPart(static_cast<std::int32_t>(text.size()), shown, flags, &start, &count);
    return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(count)) + "@" +
           std::to_string(zyl::RevealX(100, count * 10, flags));
}

TEST(AnimTextReveal, FirstCharactersRightAlignedOrLastOnesFromTheLeft) {
    EXPECT_EQ(Reveal(1, 1), "W@89");
    EXPECT_EQ(Reveal(2, 1), "We@79");
    EXPECT_EQ(Reveal(7, 1), "Welcome@29");
    EXPECT_EQ(Reveal(1, 5), "e@1");
    EXPECT_EQ(Reveal(3, 5), "ome@1");
    EXPECT_EQ(Reveal(7, 5), "Welcome@1");
    EXPECT_EQ(Reveal(9, 5), "Welcome@1") << "never past the text";
    EXPECT_EQ(Reveal(-1, 0), "@99");
}

}  // namespace
