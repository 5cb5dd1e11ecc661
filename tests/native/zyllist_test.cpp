// zyllist: bullet and tab files from their text and back, into and out of
// help files, and what --check says of files the module would refuse.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "zyllist.h"
#include "support.h"

namespace {

using namespace zyltest;

struct Result {
    int status;
    std::string out, err;
};

Result Zyllist(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = zyllist::Run(args, out, err);
    return Result{status, out.str(), err.str()};
}

std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }

// What zyllist says compiling `text` from the file `name`; it must refuse.
std::string CompileError(const Scratch& dir, const std::string& name, const std::string& text) {
    WriteFile(dir / name, BytesOf(text));
    const Result r = Zyllist({"compile", dir / name});
    EXPECT_EQ(r.status, 1) << text;
    return r.err;
}

// The one-item list of the file format's own example: Intro -> intro.
const Bytes kExample = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x49,
                        0x6E, 0x74, 0x72, 0x6F, 0x00, 0x00, 0x5C, 0x9A, 0x3D, 0x05, 0x00};

// A text in the form the decompiler writes: every setting, escapes, a
// character beyond ASCII, items with and without comment and topic.
const std::string kFull =
    "\xEF\xBB\xBF"
    "bullet list\n"
    "style bold underline colour 256\n"
    "colour 000080\n"
    "font Times New Roman, 10\n"
    "window main\n"
    "Introduction | What this help file is for | intro\n"
    "A \\| bar and a \\\\ backslash | \\x20edge blanks\\x20 | #0000002A\n"
    "Caf\xC3\xA9 | | glossary\n"
    "Not a link | Only a comment |\n";

TEST(Zyllist, TheFormatsExampleBothWays) {
    Scratch dir;
    ASSERT_TRUE(WriteFile(dir / "one.bul.txt", BytesOf("; the example\nbullet list\n  Intro | | intro  \n")));
    ASSERT_EQ(Zyllist({"compile", dir / "one.bul.txt"}).status, 0);
    EXPECT_EQ(ReadFile(dir / "one.bul"), kExample) << "OUT is the text's name without .txt";
    // Its text, with the context string from a topic script that names it.
    ASSERT_TRUE(WriteFile(dir / "t.hts", BytesOf(".topic Intro\nHi.\n")));
    Result r = Zyllist({"decompile", "--contexts", dir / "t.hts", dir / "one.bul"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "bullet list\nIntro | | Intro\n");
    ASSERT_EQ(Zyllist({"decompile", dir / "one.bul", dir / "back.txt"}).status, 0);
    EXPECT_EQ(Text(ReadFile(dir / "back.txt")), "bullet list\nIntro | | #053D9A5C\n") << "an unknown topic keeps its hash";
    ASSERT_EQ(Zyllist({"compile", dir / "back.txt", dir / "again.bul"}).status, 0);
    EXPECT_EQ(ReadFile(dir / "again.bul"), kExample) << "byte for byte";
}

TEST(Zyllist, TextRoundTripThroughAHelpFile) {
    Scratch dir;
    ASSERT_TRUE(WriteFile(dir / "links.bul.txt", BytesOf(kFull)));
    ASSERT_TRUE(WriteFile(dir / "help.hlp",
                          HelpFile({{"topics.hts", BytesOf(".topic intro\nA.\n.topic glossary\nB.\n")}})));
    Result r = Zyllist({"compile", dir / "links.bul.txt", "--into", dir / "help.hlp"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Zyllist({"decompile", "--from", dir / "help.hlp", "links.bul"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kFull) << "context strings from the help file's own script";
    r = Zyllist({"--check", "--from", dir / "help.hlp", "LINKS.BUL"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("4 items; the module shows it"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("item 4 (Not a link) has no topic"), std::string::npos) << r.out;
    // The written bytes as the module reads them.
    Bytes bytes;
    ASSERT_EQ(Zyllist({"compile", dir / "links.bul.txt", dir / "links.bul"}).status, 0);
    ASSERT_FALSE((bytes = ReadFile(dir / "links.bul")).empty());
    EXPECT_EQ(Get16(bytes, 0), 4);
    EXPECT_EQ(Get16(bytes, 2), 8 + 4 + 32 + 256);
    EXPECT_EQ(Get32(bytes, 4), 0x800000u) << "navy, red in the low byte";
    EXPECT_EQ(Get16(bytes, 8), 10);
    EXPECT_NE(Text(bytes).find(std::string("Caf\xE9\0\0", 6)), std::string::npos) << "the help viewer's code page";
    EXPECT_NE(Text(bytes).find(std::string("\0 edge blanks \0\x2A\0\0\0", 19)), std::string::npos);
}

TEST(Zyllist, TextErrorsNameTheirLine) {
    Scratch dir;
    auto error = [&](const std::string& text) { return CompileError(dir, "x.bul.txt", text); };
    std::string many = "bullet list\n";
    for (int i = 0; i < 63; ++i) many += "item | | t" + std::to_string(i) + "\n";
    const std::string x = dir / "x.bul.txt";
    EXPECT_EQ(error("bullets\na | | b\n"), "zyllist: " + x + ": the first line names the kind of list ('bullet list' or 'tab bar')\n");
    EXPECT_NE(error("bullet list\nsize 10\n").find(x + ":2: unknown line 'size 10'"), std::string::npos);
    EXPECT_NE(error("bullet list\na | b\n").find(":2: an item is TEXT | COMMENT | CONTEXT"), std::string::npos);
    EXPECT_NE(error("bullet list\n | c | d\n").find(":2: an item needs a text"), std::string::npos);
    EXPECT_NE(error("bullet list\na | | b\nstyle bold\n").find(":3: settings come before"), std::string::npos);
    EXPECT_NE(error("bullet list\nstyle bold\nstyle italic\n").find(":3: 'style' is given twice"), std::string::npos);
    EXPECT_NE(error("bullet list\nstyle heavy\n").find("unknown style 'heavy'"), std::string::npos);
    EXPECT_NE(error("bullet list\ncolour navy\n").find(":2: a colour is RRGGBB"), std::string::npos);
    EXPECT_NE(error("bullet list\nfont Arial, big\n").find(":2: write the font as FACE, SIZE"), std::string::npos);
    EXPECT_NE(error("bullet list\na | | intro>main\n").find("holds '>'"), std::string::npos);
    EXPECT_NE(error("bullet list\na | | #123456789\n").find("at most 8 digits"), std::string::npos);
    EXPECT_NE(error("bullet list\na\\x00 | | b\n").find(":2: a text holds no 0 byte"), std::string::npos);
    EXPECT_NE(error(many).find(":64: a list holds at most 62 items"), std::string::npos);
    EXPECT_NE(error("bullet list\n" + std::string(16400, 'a') + " | | b\n").find("at most 16384"), std::string::npos);
    EXPECT_EQ(Zyllist({"compile"}).status, 2);
    EXPECT_EQ(Zyllist({"decompile", dir / "x.bin"}).status, 1) << "no such file";
}

TEST(Zyllist, CheckSaysWhatTheModuleRefuses) {
    Scratch dir;
    Bytes counted = kExample;
    counted[0] = 2;
    ASSERT_TRUE(WriteFile(dir / "two.bul", counted));
    Result r = Zyllist({"--check", dir / "two.bul"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("the module refuses it (\"Missing or corrupted bullet file\"): the file holds fewer items"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(Zyllist({"decompile", dir / "two.bul"}).status, 1);
    ASSERT_TRUE(WriteFile(dir / "odd.dat", kExample));
    r = Zyllist({"--check", dir / "odd.dat"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("add --kind"), std::string::npos);
    EXPECT_EQ(Zyllist({"--check", "--kind", "bullets", dir / "odd.dat"}).status, 0);
    // Settings the module takes but shows otherwise than an author may think.
    ASSERT_TRUE(WriteFile(dir / "n.bul.txt", BytesOf("bullet list\ncolour FF0000\nfont Arial, 4\n"
                                                       "window secondary\nA | | a\n")));
    r = Zyllist({"--check", dir / "n.bul.txt"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("window 'secondary' is longer than a help window's name"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("font size 4 is below 6"), std::string::npos);
    EXPECT_NE(r.out.find("the colour shows only with style 'colour'"), std::string::npos);
}

// The tab file format's example: flags 0, intro/Intro and steps/Steps.
const Bytes kTabExample = {0x00, 0x00, 'i', 'n', 't', 'r', 'o', 0, 'I', 'n', 't', 'r', 'o', 0,
                           's',  't',  'e', 'p', 's', 0,   'S', 't', 'e', 'p', 's', 0,   0};

TEST(ZyllistTabs, TheFormatsExampleBothWaysAndThroughAHelpFile) {
    Scratch dir;
    ASSERT_TRUE(WriteFile(dir / "bar.tab.txt", BytesOf("tab bar\n; two tabs\nintro | Intro\n  steps|Steps  \n")));
    ASSERT_EQ(Zyllist({"compile", dir / "bar.tab.txt"}).status, 0);
    EXPECT_EQ(ReadFile(dir / "bar.tab"), kTabExample);
    Result r = Zyllist({"decompile", dir / "bar.tab"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "tab bar\nintro | Intro\nsteps | Steps\n");
    // Flags, escapes and a code-page character, into a help file and back.
    const std::string full = "\xEF\xBB\xBF" "tab bar\nflags popup 4\na\\|b | A \\| bar\nc | \\x20Caf\xC3\xA9\\x20\nd | \n";
    ASSERT_TRUE(WriteFile(dir / "full.tab.txt", BytesOf(full)));
    ASSERT_TRUE(WriteFile(dir / "help.hlp", HelpFile({{"topics.hts", BytesOf(".topic a\nA.\n")}})));
    r = Zyllist({"compile", dir / "full.tab.txt", "--into", dir / "help.hlp"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Zyllist({"decompile", "--from", dir / "help.hlp", "full.tab"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, full);
    ASSERT_EQ(Zyllist({"compile", dir / "full.tab.txt", dir / "full.tab"}).status, 0);
    EXPECT_EQ(Text(ReadFile(dir / "full.tab")), std::string("\x05\0a|b\0A | bar\0c\0 Caf\xE9 \0d\0\0\0", 27)) << "flags 5";
    r = Zyllist({"--check", "--from", dir / "help.hlp", "full.tab"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("3 tabs; the module shows it"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("flags 4 mean nothing to the module"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("tab 3 has an empty label"), std::string::npos) << r.out;
}

TEST(ZyllistTabs, ErrorsAndWhatTheModuleRefuses) {
    Scratch dir;
    auto error = [&](const std::string& text) { return CompileError(dir, "x.tab.txt", text); };
    EXPECT_NE(error("tab bar\n").find("names no tab: the module shows \"No tabs on tab bar\""), std::string::npos);
    EXPECT_NE(error("tab bar\nintro\n").find(":2: a tab is CONTEXT | LABEL"), std::string::npos);
    EXPECT_NE(error("tab bar\na | b | c\n").find(":2: a tab is CONTEXT | LABEL"), std::string::npos);
    EXPECT_NE(error("tab bar\n | Label\n").find(":2: a tab needs a context string"), std::string::npos);
    EXPECT_NE(error("tab bar\nin tro | Label\n").find("holds a blank"), std::string::npos);
    EXPECT_NE(error("tab bar\na | A\nflags popup\n").find(":3: flags come before the tabs"), std::string::npos);
    EXPECT_NE(error("tab bar\nflags\nflags popup\n").find(":3: 'flags' is given twice"), std::string::npos);
    EXPECT_NE(error("tab bar\nflags sideways\n").find("unknown flag 'sideways'"), std::string::npos);
    EXPECT_NE(error("tab bar\n" + std::string(16400, 'a') + " | b\n").find("at most 16384"), std::string::npos);
    // Files: an empty one, one without tabs, and one that fills the block.
    for (const Bytes& none : {Bytes{}, Bytes{1, 0, 0}}) {
        ASSERT_TRUE(WriteFile(dir / "none.tab", none));
        const Result r = Zyllist({"--check", dir / "none.tab"});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.out.find("\"No tabs on tab bar\": the file holds no tab"), std::string::npos) << r.out;
        EXPECT_EQ(Zyllist({"decompile", dir / "none.tab"}).status, 1);
    }
    Bytes full = {0, 0};
    while (full.size() < 16390) full.insert(full.end(), {'c', 0, 'L', 0});
    ASSERT_TRUE(WriteFile(dir / "full.tab", full));
    const Result r = Zyllist({"--check", dir / "full.tab"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("4095 tabs; the module shows it"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("note: a string runs to the end of the 16384 bytes"), std::string::npos) << r.out;
}

}  // namespace
