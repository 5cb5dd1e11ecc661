// What the sound, font, shell and display routines work out from their
// arguments: the parts of a file name, the program of a command line and
// the display tests.
#include <gtest/gtest.h>

#include <string>

#include "media/mediamacros_parse.h"

namespace {

using zyl::DisplayFacts;

std::string Parts(const char* path) {
    zyl::PathParts p;
    zyl::SplitPath(path, &p);
    return std::string(p.drive) + "|" + p.directory + "|" + p.name + "|" + p.extension;
}

TEST(MediaMacroNames, SplitLikeTheRuntimesSplitPath) {
    EXPECT_EQ(Parts("C:\\SOUNDS\\DING.WAV"), "C:|\\SOUNDS\\|DING|.WAV");
    EXPECT_EQ(Parts("sub/dir\\a.b.c"), "|sub/dir\\|a.b|.c");
    EXPECT_EQ(Parts("c:name"), "c:||name|");
    EXPECT_EQ(Parts("dir.d\\noext"), "|dir.d\\|noext|") << "a dot in the folder is no extension";
    EXPECT_EQ(Parts("1:x"), "||1:x|") << "only a letter makes a drive";
    EXPECT_EQ(Parts(std::string(300, 'a').c_str()), "||" + std::string(128, 'a') + "|") << "cut to the part's buffer";
    EXPECT_EQ(Parts(nullptr), "|||");
}

// What a helper wrote into its buffer, or "<refused>" and what it left there.
std::string Result(bool ok, const char* out) { return (ok ? "" : "<refused>") + std::string(out); }

TEST(MediaMacroNames, BareNamesAndJoinedPathsFitTheirBuffers) {
    char out[13];
    auto bare = [&](const char* path, bool lower) { return Result(zyl::BareFileName(path, lower, out, sizeof out), out); };
    auto join = [&](const char* dir, const char* name) { return Result(zyl::JoinPath(dir, name, out, sizeof out), out); };
    EXPECT_EQ(bare("C:\\SOUNDS\\Ding.WAV", true), "ding.wav") << "lower-cased on request";
    EXPECT_EQ(bare("fonts/Pix.TTF", false), "Pix.TTF");
    EXPECT_EQ(bare("C:\\dir\\", false), "<refused>") << "no name";
    EXPECT_EQ(bare("thirteen.char", false), "<refused>") << "no room for the terminator";
    EXPECT_EQ(join("C:\\tmp", "a.wav"), "C:\\tmp\\a.wav");
    EXPECT_EQ(join("C:\\", "a.wav"), "C:\\a.wav");
    EXPECT_EQ(join("C:", "a.wav"), "C:a.wav") << "drive C's current folder";
    EXPECT_EQ(join("C:\\tmp", "ab.wav"), "<refused>");
}

TEST(MediaMacroNames, CommandLineProgramIsTheFirstWord) {
    char out[32];
    auto program = [&](const std::string& line) { return Result(zyl::CommandLineProgram(line.c_str(), out, sizeof out), out); };
    EXPECT_EQ(program("  notepad.exe readme.txt"), "notepad.exe");
    EXPECT_EQ(program("\"C:\\My Tools\\run.exe\" -x"), "C:\\My Tools\\run.exe");
    EXPECT_EQ(program("\"unclosed quote"), "unclosed quote");
    EXPECT_EQ(program(" \t "), "<refused>");
    EXPECT_EQ(program("\"\" x"), "<refused>");
    EXPECT_EQ(program(std::string(32, 'p')), "<refused>");
}

// Which of the twelve display tests hold, as a string of 0 and 1.
std::string Holding(const DisplayFacts& facts) {
    std::string s;
    for (unsigned t = 1; t <= 12; ++t) s += static_cast<char>('0' + zyl::DisplayTestHolds(t, facts));
    return s;
}

TEST(MediaMacroDisplay, TestsOfWidthColoursAndPlatform) {
    //                                        width  colours platform
    EXPECT_EQ(Holding({640, 4, 1}), "100010001001");
    EXPECT_EQ(Holding({800, 8, 3}), "010001001010");
    EXPECT_EQ(Holding({1280, 24, 0}), "001000110100") << "1024 or more";
    EXPECT_EQ(Holding({1024, 1, 2}), "001100010010");
    EXPECT_EQ(Holding({1023, 32, 0}), "000000110100") << "32 bits: more than 256 colours, no overflow";
    EXPECT_EQ(Holding({640, 2, 0}), "100000010100") << "4 colours: no colour test";
    EXPECT_EQ(zyl::DisplayTestHolds(0, {1024, 32, 0}), 0);
    EXPECT_EQ(zyl::DisplayTestHolds(13, {1024, 32, 0}), 0);
}

TEST(MediaMacroDisplay, VideoInfoNumbersStandForDisplayTests) {
    const unsigned expected[] = {4, 5, 6, 1, 2, 3, 0, 0};
    for (unsigned v = 0; v < 8; ++v) EXPECT_EQ(zyl::VideoInfoDisplayTest(v), expected[v]) << v;
    EXPECT_EQ(zyl::VideoInfoDisplayTest(0xFFFF), 0u);
    // VideoInfo 2 on a 256-colour display.
    EXPECT_EQ(zyl::DisplayTestHolds(zyl::VideoInfoDisplayTest(2), {800, 8, 1}), 1);
}

}  // namespace
