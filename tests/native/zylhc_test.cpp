// The help compiler: what it writes is read back by this file's own reader
// of the help-file format (written from the format's description, sharing
// nothing with the compiler) and by zylpack; bad scripts name the line and
// write nothing.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <map>
#include <sstream>

#include "script.h"
#include "systemfile.h"
#include "zylhc.h"
#include "zylpack.h"
#include "support.h"

namespace {

using namespace zyltest;

// ---- a reader of compiled help files ----

std::uint32_t U16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | (U16(p + 2) << 16); }
std::string Str(const std::uint8_t* p) { return reinterpret_cast<const char*>(p); }

Bytes Unlz77(const std::uint8_t* p, const std::uint8_t* end) {
    Bytes out;
    while (p < end) {
        const unsigned flags = *p++;
        for (int bit = 0; bit < 8 && p < end; ++bit) {
            if (!(flags & (1u << bit))) {
                out.push_back(*p++);
                continue;
            }
            const std::uint32_t code = U16(p);
            p += 2;
            const std::size_t from = out.size() - (code & 0xFFF) - 1;
            for (std::uint32_t i = 0; i < (code >> 12) + 3; ++i) out.push_back(out.at(from + i));
        }
    }
    return out;
}

// Calls `each` with every leaf entry of a B+ tree internal file; `size`
// tells how long an entry is.
template <class Size, class Each>
void WalkLeaves(const Bytes& tree, Size size, Each each) {
    ASSERT_EQ(U16(&tree[0]), 0x293Bu);
    const std::uint32_t pageSize = U16(&tree[4]);
    std::uint32_t page = U16(&tree[26]);
    for (std::uint32_t level = U16(&tree[32]); level > 1; --level) page = U16(&tree[38 + page * pageSize + 4]);
    for (; page != 0xFFFF; page = U16(&tree[38 + page * pageSize + 6])) {
        const std::uint8_t* p = &tree[38 + page * pageSize];
        const std::uint32_t n = U16(p + 2);
        p += 8;
        for (std::uint32_t i = 0; i < n; p += size(p), ++i) each(p);
    }
}

struct ReadTopic {
    std::string title, text;
    std::uint32_t offset = 0;
    std::vector<std::uint32_t> jumps, popups;   // context hashes
    std::vector<std::string> windows, macros;   // embedded window references, macro hot spots
    std::vector<int> windowJumps;                // secondary window numbers
    std::vector<std::uint32_t> fonts;
    int lineBreaks = 0;
};

// Walks |TOPIC from its first record; text of a paragraph ends with '\n'.
std::vector<ReadTopic> ReadTopics(const Bytes& file, bool compressed) {
    std::vector<Bytes> blocks;
    for (std::size_t at = 0; at < file.size(); at += 4096) {
        const std::uint8_t* data = &file[at + 12];
        const std::uint8_t* end = &file[0] + std::min(file.size(), at + 4096);
        blocks.push_back(compressed ? Unlz77(data, end) : Bytes(data, end));
    }
    std::vector<ReadTopic> topics;
    std::map<std::size_t, std::uint32_t> chars;   // per block, for topic offsets
    for (std::uint32_t pos = 12; pos != 0xFFFFFFFF;) {
        const std::size_t block = (pos - 12) / 0x4000;
        const std::uint8_t* r = &blocks.at(block).at((pos - 12) % 0x4000);
        const std::uint32_t size = U32(r), len1 = U32(r + 16);
        EXPECT_EQ(U32(r + 4), size - len1) << "no phrase compression";
        if (r[20] == 0x02) topics.push_back({std::string(r + len1, r + size), "", std::uint32_t(block * 0x8000 + chars[block])});
        if (r[20] == 0x20) {
            ReadTopic& t = topics.back();
            const std::uint8_t* f = r + 21 + ((r[21] & 1) ? 4 : 2);    // TopicSize
            chars[block] += (*f & 1) ? U16(f) / 2 : *f / 2;             // TopicLength
            f += ((*f & 1) ? 2 : 1) + 4;
            const std::uint32_t bits = U16(f);
            EXPECT_EQ(bits & ~0x0004u, 0u);
            f += 2 + ((bits & 4) ? ((*(f + 2) & 1) ? 2 : 1) : 0);
            for (const std::uint8_t* s = r + len1;; s += std::strlen(reinterpret_cast<const char*>(s)) + 1) {
                t.text += Str(s);
                const std::uint8_t c = *f;
                if (c == 0xFF) break;
                if (c == 0x80) t.fonts.push_back(U16(f + 1)), f += 3;
                else if (c == 0x81) ++t.lineBreaks, ++f;
                else if (c == 0x82) t.text += '\n', ++f;
                else if (c == 0x89) ++f;
                else if (c >= 0x86 && c <= 0x88) {
                    EXPECT_EQ(f[1], 0x05) << "an embedded window";
                    const std::uint8_t* w = f + 2 + ((f[2] & 1) ? 4 : 2);
                    t.windows.push_back(std::string(1, "clr"[c - 0x86]) + ":" + Str(w + 6));
                    f = w + ((f[2] & 1) ? (U32(f + 2) - 0x80000000u) / 2 : (U16(f + 2) - 0x8000u) / 2);
                } else if (c == 0xC8) t.macros.push_back(Str(f + 3)), f += 3 + U16(f + 1);
                else if (c == 0xE2 || c == 0xE3) (c == 0xE3 ? t.jumps : t.popups).push_back(U32(f + 1)), f += 5;
                else if (c == 0xEB) {
                    EXPECT_EQ(f[3], 1) << "a window by number";
                    t.jumps.push_back(U32(f + 4));
                    t.windowJumps.push_back(f[8]);
                    f += 3 + U16(f + 1);
                } else {
                    ADD_FAILURE() << "unknown command " << int(c);
                    break;
                }
            }
        }
        pos = U32(r + 12);
    }
    EXPECT_TRUE(!topics.empty() && topics.back().title.empty()) << "an empty header closes the list";
    if (!topics.empty()) topics.pop_back();
    return topics;
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

        // The system file: version, compression, title, macros, the window.
        const Bytes& sys = c.files.at("|SYSTEM");
        EXPECT_EQ(U16(&sys[0]), 0x036Cu);
        EXPECT_EQ(U16(&sys[2]), 33u);
        EXPECT_EQ(U16(&sys[10]), compress ? 4u : 0u);
        std::vector<std::string> records;
        for (std::size_t at = 12; at + 4 <= sys.size(); at += 4 + U16(&sys[at + 2])) {
            const std::uint8_t* d = &sys[at + 4];
            if (U16(&sys[at]) == 6) records.push_back("6:" + Str(d + 12) + "/" + Str(d + 21) + "/" + std::to_string(U16(d)));
            else if (U16(&sys[at]) != 3) records.push_back(std::to_string(U16(&sys[at])) + ":" + Str(d));
        }
        EXPECT_EQ(records, (std::vector<std::string>{"1:Compiler test", "4:RegisterRoutine(`user32', `MessageBeep', `u')",
                                                     "4:MessageBeep(0)", "6:glossary/The glossary/" +
                                                                              std::to_string(0x1 | 0x2 | 0x4 | 0x8 | 0x10 | 0x20 | 0x40 | 0x100)}));

        // Fonts: the file's font first, then each style the text uses.
        const Bytes& font = c.files.at("|FONT");
        auto face = [&](std::uint32_t i) { return Str(&font[U16(&font[4]) + 32 * U16(&font[U16(&font[6]) + 11 * i + 3])]); };
        auto describe = [&](std::uint32_t i) {
            const std::uint8_t* d = &font[U16(&font[6]) + 11 * i];
            return face(i) + "/" + std::to_string(d[1]) + "/" + std::to_string(d[0]);
        };

        std::vector<ReadTopic> topics = ReadTopics(c.files.at("|TOPIC"), compress);
        ASSERT_EQ(topics.size(), 3u);
        EXPECT_EQ(topics[0].title + "|" + topics[1].title + "|" + topics[2].title, "Introduction|terms|note");
        const ReadTopic& intro = topics[0];
        EXPECT_EQ(intro.text, "Heading\nPlain, bold and italic words.A second line.\n"
                              "See the terms, a note or beep.  stands at the right.\n");
        EXPECT_EQ(intro.lineBreaks, 1);
        EXPECT_EQ(describe(0), "Times New Roman/22/0");
        std::vector<std::string> fonts;
        for (std::uint32_t f : intro.fonts) fonts.push_back(describe(f));
        EXPECT_EQ(fonts, (std::vector<std::string>{"Courier New/24/1", "Times New Roman/22/0", "Times New Roman/22/1",
                                                   "Times New Roman/22/0", "Times New Roman/22/2", "Times New Roman/22/0",
                                                   "Times New Roman/22/0"}));
        EXPECT_EQ(intro.windows, (std::vector<std::string>{"r:ZYL3AN32.DLL,ZYL3_ANIMPICT32,logo.gif;0;"}));
        EXPECT_EQ(intro.macros, (std::vector<std::string>{"MessageBeep(0)"}));
        EXPECT_EQ(intro.windowJumps, (std::vector<int>{0}));
        EXPECT_EQ(intro.popups, (std::vector<std::uint32_t>{zylscript::ContextHash("note")}));
        EXPECT_EQ(topics[1].jumps, (std::vector<std::uint32_t>{zylscript::ContextHash("intro")}));
        EXPECT_EQ(topics[2].text, "\n") << "an empty topic still has a paragraph";

        // Every context string, title and context number leads to its topic.
        std::map<std::int32_t, std::uint32_t> byHash;
        WalkLeaves(c.files.at("|CONTEXT"), [](const std::uint8_t*) { return 8; },
                   [&](const std::uint8_t* e) { byHash[static_cast<std::int32_t>(U32(e))] = U32(e + 4); });
        ASSERT_EQ(byHash.size(), 3u);
        for (const char* ctx : {"intro", "terms", "note"}) {
            const std::uint32_t offset = byHash[static_cast<std::int32_t>(zylscript::ContextHash(ctx))];
            EXPECT_TRUE(offset == topics[0].offset || offset == topics[1].offset || offset == topics[2].offset) << ctx;
        }
        EXPECT_EQ(byHash[static_cast<std::int32_t>(zylscript::ContextHash("terms"))], topics[1].offset);
        std::map<std::uint32_t, std::string> titles;
        WalkLeaves(c.files.at("|TTLBTREE"), [](const std::uint8_t* e) { return 5 + std::strlen((const char*)e + 4); },
                   [&](const std::uint8_t* e) { titles[U32(e)] = Str(e + 4); });
        for (const ReadTopic& t : topics) EXPECT_EQ(titles[t.offset], t.title);
        const Bytes& map = c.files.at("|CTXOMAP");
        ASSERT_EQ(U16(&map[0]), 3u);
        EXPECT_EQ(U32(&map[2]) + U32(&map[10]) + U32(&map[18]), 10u + 1u + 12u) << "numbers as written, else the position";
        EXPECT_EQ(U32(&map[6]), topics[1].offset) << "sorted by number";
        EXPECT_EQ(U32(&map[14]), topics[0].offset);

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
        std::vector<ReadTopic> topics = ReadTopics(c.files.at("|TOPIC"), compress);
        ASSERT_EQ(topics.size(), 40u);
        std::map<std::int32_t, std::uint32_t> byHash;
        WalkLeaves(c.files.at("|CONTEXT"), [](const std::uint8_t*) { return 8; },
                   [&](const std::uint8_t* e) { byHash[static_cast<std::int32_t>(U32(e))] = U32(e + 4); });
        for (std::size_t t = 0; t < topics.size(); ++t) {
            std::string expected = texts[t];
            for (std::size_t b; (b = expected.find("{br}")) != std::string::npos;) expected.erase(b, 4);
            EXPECT_EQ(topics[t].text, expected + "\n") << t;
            EXPECT_EQ(byHash[static_cast<std::int32_t>(zylscript::ContextHash("t" + std::to_string(t)))],
                      topics[t].offset);
            if (t > 0) EXPECT_GT(topics[t].offset, topics[t - 1].offset);
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
