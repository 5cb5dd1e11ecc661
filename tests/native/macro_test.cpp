#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/charset.h"
#include "core/macro/macrosplit.h"

namespace {

using zyl::IsCharInList;
using zyl::kSetEnd;
using zyl::kSetRange;

TEST(CharSet, RangesExpandForwardOnly) {
    const int ad[] = {0x41, kSetRange, 0x44, kSetEnd};
    for (char c : {'A', 'B', 'C', 'D'}) EXPECT_TRUE(IsCharInList(c, ad)) << c;
    EXPECT_FALSE(IsCharInList('E', ad));
    EXPECT_FALSE(IsCharInList('@', ad));

    const int backwards[] = {0x44, kSetRange, 0x41, kSetEnd};
    for (char c : {'A', 'B', 'C', 'D'}) EXPECT_FALSE(IsCharInList(c, backwards)) << c;

    int set[zyl::kSetCapacity] = {'x', 'a', kSetRange, 'c', 'z', kSetEnd};
    zyl::ExpandSet(set);
    const std::vector<int> expanded(set, set + 6);
    EXPECT_EQ(expanded, (std::vector<int>{'x', 'a', 'b', 'c', 'z', kSetEnd}));

    // A range over everything still fits; a marker at the end is ignored.
    int all[zyl::kSetCapacity] = {0, kSetRange, 255, kSetRange, kSetEnd};
    zyl::ExpandSet(all);
    EXPECT_EQ(all[0], 0);
    EXPECT_EQ(all[254], 254);
    EXPECT_EQ(all[255], kSetEnd) << "255 entries and the terminator fill the set";
    const int lead[] = {kSetRange, 'b', 'q', kSetEnd};
    EXPECT_TRUE(IsCharInList('q', lead));
    EXPECT_FALSE(IsCharInList('b', lead));
}

TEST(CharSet, HighBytesAreNeverMembersAndSeparatorsAreExact) {
    const int all[] = {0, kSetRange, 255, kSetEnd};
    EXPECT_FALSE(IsCharInList(static_cast<char>(0xE9), all));
    EXPECT_TRUE(IsCharInList(0x7F, all));
    for (char c : {' ', ';', ':', '\x0B', '\x08'}) EXPECT_TRUE(IsCharInList(c, zyl::kMacroSeparators)) << int(c);
    for (char c : {'\t', '\r', '\n', ',', '\0', 'a'}) EXPECT_FALSE(IsCharInList(c, zyl::kMacroSeparators)) << int(c);
}

struct Recorder {
    std::vector<std::string> events;   // macros, and "<pump>" after each pump
    static void Run(void* ctx, const char* macro) { static_cast<Recorder*>(ctx)->events.push_back(macro); }
    static void Pump(void* ctx) { static_cast<Recorder*>(ctx)->events.push_back("<pump>"); }
    zyl::MacroSink sink() { return {this, Run, Pump}; }
};

std::vector<std::string> Split(std::string text, std::string* after = nullptr) {
    Recorder r;
    std::vector<char> buf(text.begin(), text.end());
    buf.push_back('\0');
    zyl::SplitMacros(buf.data(), r.sink());
    if (after) *after = buf.data();
    return r.events;
}

using V = std::vector<std::string>;

TEST(MacroSplit, SeparatorsBetweenMacros) {
    EXPECT_EQ(Split("Next():Prev()"), (V{"Next()", "Prev()"}));
    EXPECT_EQ(Split("Next();  Prev()"), (V{"Next()", "Prev()"}));
    EXPECT_EQ(Split("\x0B\x08 ;:Next()"), (V{"Next()"}));
    // Tab and line ends are not separators: they belong to the next macro.
    EXPECT_EQ(Split("A()\tB()\r\nC()"), (V{"A()", "\tB()", "\r\nC()"}));
    EXPECT_EQ(Split("A() garbage B()"), (V{"A()", "garbage B()"}));
    EXPECT_EQ(Split(""), V{});
    EXPECT_EQ(Split(";;; "), V{});
}

TEST(MacroSplit, UnfinishedMacrosDoNotRun) {
    EXPECT_EQ(Split("Next("), V{});
    EXPECT_EQ(Split("About"), V{});
    EXPECT_EQ(Split("A();Next(\"x)"), (V{"A()"}));
    EXPECT_EQ(Split("A();B(`x)"), (V{"A()"}));
    EXPECT_EQ(Split("A(B(C())"), V{});
}

TEST(MacroSplit, QuotesAndNestingKeepTheMacroWhole) {
    EXPECT_EQ(Split("JI(`a)b.hlp', `x')"), (V{"JI(`a)b.hlp', `x')"}));
    EXPECT_EQ(Split("JI(\"a)b\", 1);Next()"), (V{"JI(\"a)b\", 1)", "Next()"}));
    EXPECT_EQ(Split("IF(IsMark(`m'), JC(`x'))"), (V{"IF(IsMark(`m'), JC(`x'))"}));
    EXPECT_EQ(Split("A(`he said \"hi)\" ok')"), (V{"A(`he said \"hi)\" ok')"}));
    EXPECT_EQ(Split("A(\"in `nested)' still\")"), (V{"A(\"in `nested)' still\")"}));
}

TEST(MacroSplit, BarsBecomeCommasForGoodAndCutsAreUndone) {
    std::string after;
    EXPECT_EQ(Split("ExecProgram(|notepad|, 0)", &after), (V{"ExecProgram(,notepad,, 0)"}));
    EXPECT_EQ(after, "ExecProgram(,notepad,, 0)");
    EXPECT_EQ(Split("A(1);B(|)", &after), (V{"A(1)", "B(,)"}));
    EXPECT_EQ(after, "A(1);B(,)");
    EXPECT_EQ(Split("Open(|x", &after), V{});
    EXPECT_EQ(after, "Open(,x");
}

TEST(MacroSplit, PumpsAfterWindowPositioningMacros) {
    EXPECT_EQ(Split("PW(`main', 0, 0, 100, 100, 0):Next()"), (V{"PW(`main', 0, 0, 100, 100, 0)", "<pump>", "Next()"}));
    EXPECT_EQ(Split("positionwindow(1);zylctrlset(`a',1);pwx()"),
              (V{"positionwindow(1)", "<pump>", "zylctrlset(`a',1)", "<pump>", "pwx()"}));
    EXPECT_EQ(Split("PositionWin(1)"), (V{"PositionWin(1)"}));
}

}  // namespace
