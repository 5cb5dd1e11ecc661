// The help compiler: what it writes is listed by zylpack and read back by
// the help-file reader (whose round trip of every script feature, and whose
// reading of files from another writer, are its own tests); the few facts
// only the bytes show are read here; bad scripts name the line and write
// nothing.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "core/helpfile.h"
#include "helpreader.h"
#include "script.h"
#include "systemfile.h"
#include "zylhc.h"
#include "zylpack.h"
#include "support.h"

namespace {

using namespace zyltest;

// ---- the byte-level facts the help-file reader does not need ----

std::uint32_t U16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | (U16(p + 2) << 16); }

// The compiled file as the project's help-file reader sees it, every topic
// loaded; nothing may be lost.
zylscript::Script ReadBack(const std::string& hlp) {
    zylscript::Script s;
    std::string error, problems;
    EXPECT_TRUE(zylhlp::ReadHelpFile(zyl::PosixFiles(), hlp, &s, &error, &problems)) << error;
    EXPECT_EQ(problems, "");
    return s;
}

// A region's words, paragraphs joined.
std::string TextOf(const std::vector<zylscript::Paragraph>& region) {
    std::string text;
    for (const auto& p : region)
        for (const auto& g : p.segments) text += g.text;
    return text;
}

struct Compiled {
    std::map<std::string, Bytes> files;   // as zylpack extracts them
    std::string listing;
};

Compiled ExtractAll(const std::string& hlp) {
    Compiled c;
    std::ostringstream out, err;
    EXPECT_EQ(zylpack::Run({"list", hlp}, out, err), 0) << err.str();
    c.listing = out.str();
    std::istringstream lines(c.listing);
    for (std::string line; std::getline(lines, line);) {
        const std::string name = line.substr(0, line.find('\t'));
        std::ostringstream bytes;
        EXPECT_EQ(zylpack::Run({"extract", hlp, name, "-"}, bytes, err), 0) << name;
        const std::string b = bytes.str();
        c.files[name] = Bytes(b.begin(), b.end());
        EXPECT_EQ(line, name + "\t" + std::to_string(b.size()));
    }
    return c;
}

int Zylhc(const std::vector<std::string>& args, std::string* err = nullptr) {
    std::ostringstream o, e;
    const int code = zylhc::Run(args, o, e);
    if (err) *err = e.str();
    return code;
}

const char kScript[] =
    ".title Compiler test\n"
    ".startup RegisterRoutine(`user32', `MessageBeep', `u')\n"
    ".startup MessageBeep(0)\n"
    ".font Times New Roman, 11\n"
    ".window glossary, The glossary, 10, 20, 300, 400, , FFFFE0\n"
    ".baggage logo.gif\n"
    "\n"
    ".topic intro 10\n"
    ".title Introduction\n"
    ".nsr\n"
    "{font Courier New, 12}{b}Heading{/b}\n"
    ".body\n"
    "Plain, {b}bold{/b} and {i}italic{/i} words.{br}A second line.\n"
    "\n"
    "See {link the terms|terms>glossary}, a {popup note|note} or {macro beep|MessageBeep(0)}.\n"
    "{ewr ZYL3AN32.DLL, ZYL3_ANIMPICT32, logo.gif;0;} stands at the right.\n"
    "\n"
    ".topic terms\n"
    "Words and their meaning. Back to {link the start|intro}.\n"
    "\n"
    ".topic note 12\n";

TEST(Zylhc, CompiledFilesReadBack) {
    for (const bool compress : {false, true}) {
        SCOPED_TRACE(compress ? "compressed" : "plain");
        Scratch dir;
        ASSERT_TRUE(WriteFile(dir / "t.hts", BytesOf(kScript)));
        ASSERT_TRUE(WriteFile(dir / "logo.gif", BytesOf("GIF89a")));
        ASSERT_TRUE(WriteFile(dir / "extra.txt", BytesOf("x")));
        std::vector<std::string> args = {dir / "t.hts", dir / "t.hlp", "Extra=" + (dir / "extra.txt")};
        if (compress) args.insert(args.begin(), "--compress");
        std::string err;
        ASSERT_EQ(Zylhc(args, &err), 0) << err;

        const Compiled c = ExtractAll(dir / "t.hlp");
        std::string names;
        for (const auto& f : c.files) names += f.first + " ";
        EXPECT_EQ(names, "Extra logo.gif |CONTEXT |CTXOMAP |FONT |SYSTEM |TOPIC |TTLBTREE |TopicId ");
        EXPECT_EQ(c.files.at("logo.gif"), BytesOf("GIF89a"));

        // The system file's header: version and compression.
        const Bytes& sys = c.files.at("|SYSTEM");
        EXPECT_EQ(U16(&sys[0]), 0x036Cu);
        EXPECT_EQ(U16(&sys[2]), 33u);
        EXPECT_EQ(U16(&sys[10]), compress ? 4u : 0u);

        // The reader finds every topic with its title and number: as
        // written, else its position.
        const zylscript::Script read = ReadBack(dir / "t.hlp");
        ASSERT_EQ(read.topics.size(), 3u);
        std::string topics;
        for (const auto& t : read.topics) topics += t.context + "/" + t.title + "/" + std::to_string(t.number) + " ";
        EXPECT_EQ(topics, "intro/Introduction/10 terms/terms/1 note/note/12 ");

        // A header of no topic closes the list: the last topic's next-topic
        // link points to it, for readers that follow those links. (In a plain
        // file of one block a record's position is its offset in the file.)
        if (!compress) {
            const Bytes& topic = c.files.at("|TOPIC");
            std::uint32_t last = 12;
            for (std::uint32_t pos = 12; pos != 0xFFFFFFFF; pos = U32(&topic.at(pos + 12))) last = pos;
            EXPECT_EQ(topic.at(last + 20), 0x02) << "the last record is a topic header";
        }

        // (The title index is read back in the help-file reader's tests.)
        // The context number map is sorted by number.
        const Bytes& map = c.files.at("|CTXOMAP");
        ASSERT_EQ(U16(&map[0]), 3u);
        EXPECT_EQ(std::to_string(U32(&map[2])) + " " + std::to_string(U32(&map[10])) + " " + std::to_string(U32(&map[18])),
                  "1 10 12");

        // zylhost's reader of the system file sees the same.
        zylscript::SystemInfo info;
        std::string why;
        ASSERT_TRUE(zylscript::ReadSystemFile(sys.data(), sys.size(), &info, &why)) << why;
        EXPECT_EQ(info.title, "Compiler test");
        EXPECT_EQ(info.startupMacros.size(), 2u);
        EXPECT_FALSE(zylscript::ReadSystemFile(sys.data(), sys.size() - 1, &info, &why));
        EXPECT_FALSE(zylscript::ReadSystemFile(sys.data() + 1, sys.size() - 1, &info, &why));
    }
}

TEST(Zylhc, ManyBlocksAndLongParagraphs) {
    // Enough varied text for many topic blocks, and paragraphs longer than a
    // record holds: every topic is found whole, by its context and offset.
    std::string script = ".title Big\n";
    std::vector<std::string> texts;
    std::uint32_t seed = 7;
    for (int t = 0; t < 40; ++t) {
        script += ".topic t" + std::to_string(t) + "\n";
        std::string text;
        for (int w = 0; w < (t % 7 == 0 ? 1500 : 120); ++w) {
            seed = seed * 1103515245u + 12345u;
            text += (w == 0 ? "" : w % 40 == 0 ? "{br}" : " ") + std::string("w") + std::to_string(seed >> 20);
        }
        texts.push_back(text);
        script += text + "\n\n";
    }
    for (const bool compress : {false, true}) {
        Scratch dir;
        ASSERT_TRUE(WriteFile(dir / "big.hts", BytesOf(script)));
        std::vector<std::string> args = {dir / "big.hts", dir / "big.hlp"};
        if (compress) args.insert(args.begin(), "-z");
        ASSERT_EQ(Zylhc(args), 0);
        const Compiled c = ExtractAll(dir / "big.hlp");
        EXPECT_GT(c.files.at("|TOPIC").size(), 4096u * (compress ? 4 : 10));
        const zylscript::Script read = ReadBack(dir / "big.hlp");
        ASSERT_EQ(read.topics.size(), 40u);
        for (std::size_t t = 0; t < read.topics.size(); ++t) {
            std::string expected = texts[t];
            for (std::size_t b; (b = expected.find("{br}")) != std::string::npos;) expected.erase(b, 4);
            EXPECT_EQ(TextOf(read.topics[t].body), expected) << t;
            const std::pair<std::uint32_t, int> context(zylscript::ContextHash("t" + std::to_string(t)), static_cast<int>(t));
            EXPECT_NE(std::find(read.contextHashes.begin(), read.contextHashes.end(), context), read.contextHashes.end()) << t;
        }
    }
}

TEST(Zylhc, BadScriptsNameTheLineAndWriteNothing) {
    const std::pair<std::string, std::string> cases[] = {   // script, ":LINE: words"
        {".topic a\nSee {link b|nowhere}.\n", ":2: jump to unknown context string 'nowhere'"},
        {".topic a\n\n{popup b|gone}\n", ":3: popup of unknown context string 'gone'"},
        {".topic a\nx {b\n", ":2: unterminated '{'"},
        {".baggage missing.gif\n.topic a\n", ":1: cannot open"},
        {".topic a\n{link b|a>side}\n", ":2: window 'side' is not defined"},
        {".window w\n.topic a\n{popup b|a>w}\n", ":3: a popup shows in a window of its own"},
        {".topic a\nmeh \xE2\x86\x92\n", ":2: character U+2192 has no place"},
        {".topic a\n.title " + std::string(300, 'x') + "\n", ":1: topic title longer than 255 bytes"},
        {".topic a\n.topic b\n{macro m|M()}\n.baggage |SYSTEM=x\n", ":4: '|SYSTEM': names starting with '|' belong"},
        {".topic a!\n.topic a[\n", ":2: context strings 'a!' and 'a[' have the same hash"},
    };
    Scratch dir;
    ASSERT_TRUE(WriteFile(dir / "x", BytesOf("x")));
    ASSERT_TRUE(WriteFile(dir / "old.hlp", BytesOf("old")));
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteFile(dir / "bad.hts", BytesOf(c.first)));
        for (const char* out : {"new.hlp", "old.hlp"}) {
            std::string err;
            EXPECT_EQ(Zylhc({dir / "bad.hts", dir / out}, &err), 1) << c.first;
            EXPECT_EQ(err.rfind("zylhc: " + (dir / "bad.hts") + c.second, 0), 0u) << err;
        }
        EXPECT_EQ(dir.Names(), (std::vector<std::string>{"bad.hts", "old.hlp", "x"})) << "no output, no leftovers";
        EXPECT_EQ(ReadFile(dir / "old.hlp"), BytesOf("old"));
    }
    std::string err;
    ASSERT_TRUE(WriteFile(dir / "bad.hts", BytesOf(".topic a\n")));
    EXPECT_EQ(Zylhc({dir / "bad.hts", dir / "new.hlp", dir / "absent"}, &err), 1);
    EXPECT_NE(err.find("cannot open"), std::string::npos);
    EXPECT_EQ(Zylhc({dir / "bad.hts"}), 2);
    EXPECT_EQ(Zylhc({"--frobnicate", "a", "b"}), 2);
}

}  // namespace
