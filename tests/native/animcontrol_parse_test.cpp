// The form control's parameter string, and the rules of zylforms.ini and
// of printed text fields that need no window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/animcontrol_parse.h"

namespace {

using zyl::FormParams;

int Parse(const char* data, FormParams* out = nullptr, bool printing = false) {
    FormParams local;
    return zyl::ParseFormParams(data, printing, out ? out : &local);
}

TEST(FormParams, AllSevenFields) {
    FormParams p;
    ASSERT_EQ(Parse("4;orders:gift;0;0;1;Gift wrap;", &p), 0);
    EXPECT_EQ(p.type, zyl::kFormCheckBox);
    EXPECT_STREQ(p.group, "orders");
    EXPECT_STREQ(p.name, "gift");
    EXPECT_EQ(p.value, 1u);
    EXPECT_EQ(p.rows, 1) << "0 rows count as 1";
    EXPECT_TRUE(p.hasItems);
    EXPECT_EQ(p.items, "Gift wrap");
    EXPECT_EQ(p.macro, "");

    // The macro is the whole rest, ';' and all; the name splits at the
    // first ':' only.
    ASSERT_EQ(Parse("7;g:a:b;12;4;32770;One|Two||Four;Next();Prev()", &p), 0);
    EXPECT_STREQ(p.group, "g");
    EXPECT_STREQ(p.name, "a:b");
    EXPECT_EQ(p.width, 12);
    EXPECT_EQ(p.rowsField, 4);
    EXPECT_EQ(p.rows, 4);
    EXPECT_EQ(p.value & zyl::kFormValueMask, 2u);
    EXPECT_TRUE(p.value & zyl::kFormStoreAsText);
    EXPECT_EQ(p.items, std::string("One\0Two\0\0Four", 13)) << "list items end at each '|'";
    EXPECT_EQ(p.macro, "Next();Prev()");

    ASSERT_EQ(Parse("10;:notes;20;3;0;a|b|;", &p), 0);
    EXPECT_STREQ(p.group, "");
    EXPECT_STREQ(p.name, "notes");
    EXPECT_EQ(p.items, "a\r\nb\r\n") << "a multi-line field's '|' is a line break";

    // Items only where there are some, or for the fields and lists.
    ASSERT_EQ(Parse("3;g:r;0;0;0;;", &p), 0);
    EXPECT_FALSE(p.hasItems);
    ASSERT_EQ(Parse("6;g:t;0;0;0;;", &p), 0);
    EXPECT_TRUE(p.hasItems);
    EXPECT_EQ(p.items, "");
}

TEST(FormParams, ErrorsInFieldOrder) {
    EXPECT_EQ(Parse("4;orders:gift;0;0;1;Gift wrap"), ZYL_ERR_SYNTAX) << "six fields";
    EXPECT_EQ(Parse(""), ZYL_ERR_SYNTAX);
    EXPECT_EQ(Parse("4"), ZYL_ERR_SYNTAX);
    EXPECT_EQ(Parse("2;a;0;0;0;;"), ZYL_ERR_CONTROL_TYPE);
    EXPECT_EQ(Parse("11;a;0;0;0;;"), ZYL_ERR_CONTROL_TYPE);
    EXPECT_EQ(Parse("x;a;0;0;0;;"), ZYL_ERR_CONTROL_TYPE);
    EXPECT_EQ(Parse("99999999999;a"), ZYL_ERR_CONTROL_TYPE) << "the type before the second ';'";
    EXPECT_EQ(Parse("4;a"), ZYL_ERR_SYNTAX);
    EXPECT_EQ(Parse("3;;0;0;0;OK;"), ZYL_ERR_NO_CONTROL_NAME);
    EXPECT_EQ(Parse("3;g:;0;0;0;OK;"), ZYL_ERR_NO_CONTROL_NAME);
    EXPECT_EQ(Parse("3;g:;0"), ZYL_ERR_NO_CONTROL_NAME) << "the name before the later fields";
    EXPECT_EQ(Parse("3;:x;0;0;0;OK;"), 0) << "a name without a group";
    for (const char* cut : {"4;a;0", "4;a;0;0", "4;a;0;0;0", "4;a;0;0;0;x"})
        EXPECT_EQ(Parse(cut), ZYL_ERR_SYNTAX) << cut;
}

TEST(FormParams, LimitsRefusedOrCut) {
    FormParams p;
    // The second field holds 32 characters as a whole: one more is refused.
    const std::string name32(32, 'n');
    ASSERT_EQ(Parse(("6;" + name32 + ";1;1;0;;").c_str(), &p), 0);
    EXPECT_EQ(std::string(p.name), name32);
    const std::string field32 = std::string(15, 'g') + ":" + std::string(16, 'n');
    ASSERT_EQ(Parse(("6;" + field32 + ";1;1;0;;").c_str(), &p), 0);
    EXPECT_EQ(std::string(p.group), std::string(15, 'g'));
    EXPECT_EQ(Parse(("6;" + name32 + "x;1;1;0;;").c_str()), ZYL_ERR_SYNTAX);
    EXPECT_EQ(Parse(("6;g:" + name32 + ";1;1;0;;").c_str()), ZYL_ERR_SYNTAX);

    // Printing adds '_' to both, even at the limit.
    ASSERT_EQ(Parse(("6;" + name32 + ";1;1;0;;").c_str(), &p, true), 0);
    EXPECT_EQ(std::string(p.name), name32 + "_");
    EXPECT_STREQ(p.group, "_");

    // Numbers: 16 bits each (bit 15 of the value is the text flag).
    ASSERT_EQ(Parse("4;a;65535;65535;65535;;", &p), 0);
    EXPECT_EQ(p.value, 65535u);
    EXPECT_EQ(Parse("4;a;0;0;65536;;"), ZYL_ERR_SYNTAX);
    EXPECT_EQ(Parse("4;a;0;99999999999;0;;"), ZYL_ERR_SYNTAX);
    EXPECT_EQ(Parse("4;a;70000;0;0;;"), ZYL_ERR_SYNTAX);
    ASSERT_EQ(Parse("4;a; 7x;-3;;;", &p), 0) << "digits up to the first other character";
    EXPECT_EQ(p.width, 7);
    EXPECT_EQ(p.rowsField, 0);

    // Items beyond the 16 KB buffer are cut; a line break is never split.
    const std::string many(20000, 'i');
    ASSERT_EQ(Parse(("7;a;0;0;0;" + many + ";").c_str(), &p), 0);
    EXPECT_EQ(p.items.size(), zyl::kFormTextBytes - 2);
    const std::string bars = std::string(zyl::kFormTextBytes - 3, 'b') + "|x";
    ASSERT_EQ(Parse(("10;a;0;0;0;" + bars + ";").c_str(), &p), 0);
    EXPECT_EQ(p.items, std::string(zyl::kFormTextBytes - 3, 'b'));
}

TEST(FormProfile, SectionsKeysAndLines) {
    char section[zyl::kFormSectionChars];
    zyl::FormSectionName("C:\\help\\orders.hlp", section);
    EXPECT_STREQ(section, "orders");
    zyl::FormSectionName("Z:/work/x.y/demo", section);
    EXPECT_STREQ(section, "demo");
    zyl::FormSectionName("D:plain.name.hlp", section);
    EXPECT_STREQ(section, "plain.name");
    zyl::FormSectionName(("C:\\" + std::string(40, 'L') + ".hlp").c_str(), section);
    EXPECT_EQ(std::string(section), std::string(31, 'L')) << "cut to 31 characters";

    char key[zyl::kFormKeyChars];
    zyl::FormKey("orders", "gift", false, key);
    EXPECT_STREQ(key, "orders:gift");
    zyl::FormKey("", "gift", false, key);
    EXPECT_STREQ(key, ":gift");
    zyl::FormKey("orders", "gift", true, key);
    EXPECT_STREQ(key, "orders_:gift_") << "the key a print-time copy builds for itself";
    const std::string longest(33, 'x');
    zyl::FormKey(longest.c_str(), longest.c_str(), true, key);
    EXPECT_EQ(std::string(key), longest + "_:" + longest + "_");
    char lineKey[zyl::kFormLineKeyChars];
    zyl::FormLineKey(key, 4294967295u, lineKey);
    EXPECT_EQ(std::string(lineKey), std::string(key) + "_4294967295");

    using L = std::vector<std::string>;
    EXPECT_EQ(zyl::SplitFormLines("a\r\nb"), (L{"a", "b"}));
    EXPECT_EQ(zyl::SplitFormLines("a\r\nb\r\n"), (L{"a", "b", ""}));
    EXPECT_EQ(zyl::SplitFormLines(""), (L{""}));
    EXPECT_EQ(zyl::SplitFormLines("a\rb\n"), (L{"a", "b\n"})) << "a lone CR ends a line, a lone LF does not";
    EXPECT_EQ(zyl::BarsToLineBreaks("a|b||"), "a\r\nb\r\n\r\n");
}

// Every character is 10 pixels wide.
int Tens(void*, const char*, std::size_t n) { return static_cast<int>(n) * 10; }

std::vector<std::string> Lines(const char* text, std::size_t maxLines, int width) {
    std::vector<std::string> out;
    for (const zyl::FormLine& l : zyl::BreakFormText(text, maxLines, width, Tens, nullptr))
        out.push_back(std::string(text + l.start, l.length));
    return out;
}

TEST(FormPrint, TextBreaksAtBlanksLineEndsAndTheLastLine) {
    using L = std::vector<std::string>;
    EXPECT_EQ(Lines("one two three", 5, 80), (L{"one two", "three"}));
    EXPECT_EQ(Lines("one two three", 1, 80), (L{"one two"})) << "a single-line field";
    EXPECT_EQ(Lines("a\r\nb\rc", 5, 80), (L{"a", "b", "c"}));
    EXPECT_EQ(Lines("\r\n\r\nx", 5, 80), (L{"", "", "x"}));
    EXPECT_EQ(Lines("abcdefghij", 5, 40), (L{"abcd", "efgh", "ij"})) << "a word wider than the line";
    EXPECT_EQ(Lines("abc", 5, 0), (L{"a", "b", "c"})) << "one character at least";
    EXPECT_EQ(Lines("", 5, 80), L{});
    EXPECT_EQ(Lines(" abcdefgh", 5, 40), (L{" abc", "defg", "h"})) << "a blank at the line's start is no break";
}

}  // namespace
