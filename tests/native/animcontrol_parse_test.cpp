// The form control's parameter string, and the rules of zylforms.ini and
// of printed text fields that need no window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/animcontrol_parse.h"

namespace {

using zyl::FormParams;
using L = std::vector<std::string>;

int Parse(const std::string& data, FormParams* out = nullptr, bool printing = false) {
    FormParams local;
    return zyl::ParseFormParams(data.c_str(), printing, out ? out : &local);
}

TEST(FormParams, SevenFields) {
    FormParams p;
    ASSERT_EQ(Parse("4;orders:gift;0;0;1;Gift wrap;", &p), 0);
    EXPECT_EQ(std::string(p.group) + "|" + p.name + "|" + p.items + "|" + p.macro, "orders|gift|Gift wrap|");
    EXPECT_EQ(p.type, zyl::kFormCheckBox);
    EXPECT_EQ(p.rows, 1) << "0 rows count as 1";
    // The macro is the whole rest; the name splits at its first ':' only.
    ASSERT_EQ(Parse("7;g:a:b; 12x;4;32770;One|Two||Four;Next();Prev()", &p), 0);
    EXPECT_EQ(std::string(p.group) + "|" + p.name + "|" + p.macro, "g|a:b|Next();Prev()");
    EXPECT_EQ(p.width * 100 + p.rows, 1204) << "digits up to the first other character";
    EXPECT_EQ(p.value, zyl::kFormStoreAsText | 2);
    EXPECT_EQ(p.items, std::string("One\0Two\0\0Four", 13)) << "list items end at each '|'";
    ASSERT_EQ(Parse("10;:notes;20;3;0;a|b|;", &p), 0);
    EXPECT_EQ(std::string(p.group) + "|" + p.name + "|" + p.items, "|notes|a\r\nb\r\n");
    // Items only where there are some, or for the fields and lists.
    ASSERT_EQ(Parse("3;g:r;0;0;0;;", &p), 0);
    EXPECT_FALSE(p.hasItems);
    ASSERT_EQ(Parse("6;g:t;0;0;0;;", &p), 0);
    EXPECT_TRUE(p.hasItems);
    // Printing adds '_' to both, even at the limit.
    ASSERT_EQ(Parse("6;" + std::string(32, 'n') + ";1;1;0;;", &p, true), 0);
    EXPECT_EQ(std::string(p.group) + ":" + p.name, "_:" + std::string(32, 'n') + "_");
}

TEST(FormParams, ErrorsInFieldOrderAndLimitsRefused) {
    const std::pair<std::string, int> cases[] = {
        {"4;orders:gift;0;0;1;Gift wrap", ZYL_ERR_SYNTAX},   // six fields
        {"4", ZYL_ERR_SYNTAX},
        {"2;a;0;0;0;;", ZYL_ERR_CONTROL_TYPE},
        {"11;a;0;0;0;;", ZYL_ERR_CONTROL_TYPE},
        {"99999999999;a", ZYL_ERR_CONTROL_TYPE},              // the type before the second ';'
        {"4;a", ZYL_ERR_SYNTAX},
        {"3;g:;0", ZYL_ERR_NO_CONTROL_NAME},                  // the name before the later fields
        {"3;;0;0;0;OK;", ZYL_ERR_NO_CONTROL_NAME},
        {"4;a;0;0;0;x", ZYL_ERR_SYNTAX},
        // The second field holds 32 characters as a whole; numbers 16 bits.
        {"6;g:" + std::string(30, 'n') + ";1;1;0;;", 0},
        {"6;g:" + std::string(31, 'n') + ";1;1;0;;", ZYL_ERR_SYNTAX},
        {"4;a;65535;65535;65535;;", 0},
        {"4;a;0;0;65536;;", ZYL_ERR_SYNTAX},
        {"4;a;0;99999999999;0;;", ZYL_ERR_SYNTAX},
        {"4;a;70000;0;0;;", ZYL_ERR_SYNTAX},
    };
    for (const auto& c : cases) EXPECT_EQ(Parse(c.first), c.second) << c.first;

    // Items beyond the 16 KB buffer are cut; a line break is never split.
    FormParams p;
    ASSERT_EQ(Parse("7;a;0;0;0;" + std::string(20000, 'i') + ";", &p), 0);
    EXPECT_EQ(p.items.size(), zyl::kFormTextBytes - 2);
    const std::string bees(zyl::kFormTextBytes - 3, 'b');
    ASSERT_EQ(Parse("10;a;0;0;0;" + bees + "|x;", &p), 0);
    EXPECT_EQ(p.items, bees);
}

TEST(FormProfile, SectionsKeysAndLines) {
    char section[zyl::kFormSectionChars];
    std::string got;
    for (const char* path : {"C:\\help\\orders.hlp", "Z:/work/x.y/demo", "D:plain.name.hlp"}) {
        zyl::FormSectionName(path, section);
        got += std::string(section) + "|";
    }
    EXPECT_EQ(got, "orders|demo|plain.name|");
    zyl::FormSectionName(("C:\\" + std::string(40, 'L') + ".hlp").c_str(), section);
    EXPECT_EQ(std::string(section), std::string(31, 'L')) << "cut to 31 characters";

    char key[zyl::kFormKeyChars];
    zyl::FormKey("", "gift", false, key);
    EXPECT_STREQ(key, ":gift");
    zyl::FormKey("orders", "gift", true, key);
    EXPECT_STREQ(key, "orders_:gift_") << "the key a print-time copy builds for itself";
    const std::string longest(33, 'x');
    zyl::FormKey(longest.c_str(), longest.c_str(), true, key);
    char lineKey[zyl::kFormLineKeyChars];
    zyl::FormLineKey(key, 4294967295u, lineKey);
    EXPECT_EQ(std::string(lineKey), longest + "_:" + longest + "__4294967295") << "the longest fits";

    EXPECT_EQ(zyl::SplitFormLines("a\r\nb\r\n"), (L{"a", "b", ""}));
    EXPECT_EQ(zyl::SplitFormLines(""), (L{""}));
    EXPECT_EQ(zyl::SplitFormLines("a\rb\n"), (L{"a", "b\n"})) << "a lone CR ends a line, a lone LF does not";
    EXPECT_EQ(zyl::BarsToLineBreaks("a|b||"), "a\r\nb\r\n\r\n");
}

// Every character is 10 pixels wide.
L Lines(const char* text, std::size_t maxLines, int width) {
    L out;
    auto tens = [](void*, const char*, std::size_t n) { return static_cast<int>(n) * 10; };
    for (const zyl::FormLine& l : zyl::BreakFormText(text, maxLines, width, tens, nullptr))
        out.push_back(std::string(text + l.start, l.length));
    return out;
}

TEST(FormPrint, TextBreaksAtBlanksLineEndsAndTheLastLine) {
    EXPECT_EQ(Lines("one two three", 5, 80), (L{"one two", "three"}));
    EXPECT_EQ(Lines("one two three", 1, 80), (L{"one two"})) << "a single-line field";
    EXPECT_EQ(Lines("\r\na\r\nb\rc", 5, 80), (L{"", "a", "b", "c"}));
    EXPECT_EQ(Lines("abcdefghij", 5, 40), (L{"abcd", "efgh", "ij"})) << "a word wider than the line";
    EXPECT_EQ(Lines("abc", 5, 0), (L{"a", "b", "c"})) << "one character at least";
    EXPECT_EQ(Lines(" abcdefgh", 5, 40), (L{" abc", "defg", "h"})) << "a blank at the line's start is no break";
    EXPECT_EQ(Lines("", 5, 80), L{});
}

}  // namespace
