// The help compiler: what it writes is read back in the help-file reader's
// tests (every script feature, plain and compressed, many blocks); the few
// facts only the bytes show are read here; bad scripts name the line and
// write nothing.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "script.h"
#include "systemfile.h"
#include "zylhc.h"
#include "internal_files.h"
#include "support.h"

namespace {

using namespace zyltest;

std::uint32_t U16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | (U16(p + 2) << 16); }

// Every internal file of a compiled help file, by name.
std::map<std::string, Bytes> Files(const std::string& hlp) {
    std::map<std::string, Bytes> files;
    for (auto& f : InternalFiles(ReadFile(hlp))) files[f.first] = std::move(f.second);
    return files;
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
    ".baggage logo.gif\n"
    ".topic intro 10\n"
    "Plain text.\n"
    ".topic terms\n"
    "Back to {link the start|intro}.\n"
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

        const std::map<std::string, Bytes> files = Files(dir / "t.hlp");
        std::string names;
        for (const auto& f : files) names += f.first + " ";
        EXPECT_EQ(names, "Extra logo.gif |CONTEXT |CTXOMAP |FONT |SYSTEM |TOPIC |TTLBTREE |TopicId ");
        EXPECT_EQ(files.at("logo.gif"), BytesOf("GIF89a"));

        // The system file's header: version and compression.
        const Bytes& sys = files.at("|SYSTEM");
        EXPECT_EQ(U16(&sys[0]), 0x036Cu);
        EXPECT_EQ(U16(&sys[2]), 33u);
        EXPECT_EQ(U16(&sys[10]), compress ? 4u : 0u);

        // A header of no topic closes the list: the last topic's next-topic
        // link points to it, for readers that follow those links. (In a plain
        // file of one block a record's position is its offset in the file.)
        if (!compress) {
            const Bytes& topic = files.at("|TOPIC");
            std::uint32_t last = 12;
            for (std::uint32_t pos = 12; pos != 0xFFFFFFFF; pos = U32(&topic.at(pos + 12))) last = pos;
            EXPECT_EQ(topic.at(last + 20), 0x02) << "the last record is a topic header";
        }

        // The context number map is sorted by number (topics, titles and
        // numbers are read back in the help-file reader's tests).
        const Bytes& map = files.at("|CTXOMAP");
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
