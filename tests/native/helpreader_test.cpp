// The reader of the help viewer's help files: what zylhc compiles (plain,
// LZ77, both kinds of phrase compression) reads back as the script it came
// from; halibut's files (a writer nobody here wrote) read with the text
// halibut itself prints; damaged files lose only the damaged part; pictures
// decode in every packing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <sstream>

#include "core/helpfile.h"
#include "helpreader.h"
#include "internal_files.h"
#include "helpwriter.h"
#include "script.h"
#include "zylhc.h"
#include "pictures.h"
#include "support.h"

namespace {

using namespace zyltest;
using zylscript::Paragraph;
using zylscript::Script;
using zylscript::Segment;

// ---- what a script shows, in words ----

std::string Describe(const Script& s) {
    std::ostringstream o;
    const std::string face = s.fontFace.empty() ? "Arial" : s.fontFace;
    const int halfPoints = s.fontHalfPoints ? s.fontHalfPoints : 20;
    o << "title=" << s.title << " copyright=" << s.copyright << " font=" << face << "/" << halfPoints
      << " background=" << (s.hasBackground ? std::to_string(s.background) : "-") << " contents=" << s.contents << "\n";
    for (const std::string& m : s.startupMacros) o << "startup " << m << "\n";
    for (const zylscript::WindowDef& w : s.windows)
        if (w.name != "main")
            o << "window " << w.name << "|" << w.caption << "|" << w.x << "," << w.y << "," << w.width << ","
              << w.height << "," << w.state << "," << w.background << "," << w.nsrBackground << "\n";
    auto style = [&](const zylscript::TextStyle& t) {
        std::string d = "<" + (t.face.empty() ? face : t.face) + "/" + std::to_string(t.halfPoints ? t.halfPoints : halfPoints);
        if (t.bold) d += " b";
        if (t.italic) d += " i";
        if (t.underline) d += " u";
        if (t.strikeout) d += " s";
        if (t.colour != zylscript::kNoColour) d += " c" + std::to_string(t.colour);
        return d + ">";
    };
    for (std::size_t i = 0; i < s.topics.size(); ++i) {
        const zylscript::Topic& t = s.topics[i];
        o << "topic " << t.context << " '" << t.title << "' #" << s.TopicNumber(static_cast<int>(i)) << "\n";
        for (const auto* region : {&t.nsr, &t.body})
            for (const Paragraph& p : *region) {
                const zylscript::ParagraphFormat& f = p.format;
                o << (region == &t.nsr ? " N" : " B") << (p.lineBreakBefore ? "+" : "") << "[" << f.spaceAbove << ","
                  << f.spaceBelow << "," << f.lineSpacing << "," << f.leftIndent << "," << f.rightIndent << ","
                  << f.firstIndent << "," << f.align;
                for (const zylscript::TabStop& tab : f.tabs) o << " t" << tab.position << tab.align;
                o << "]";
                for (const Segment& g : p.segments) {
                    switch (g.kind) {
                    case Segment::Kind::Text: o << " " << style(g.style) << "'" << g.text << "'"; break;
                    case Segment::Kind::Link:
                        // A link into another file may have only its hash.
                        o << " " << "jpm"[static_cast<int>(g.link)] << (g.plain ? "!" : "") << "("
                          << (g.target.empty() ? "#" + std::to_string(g.hash) : g.target)
                          << (g.file.empty() ? "" : "@" + g.file) << ")" << style(g.style) << "'" << g.text << "'";
                        break;
                    case Segment::Kind::Embedded:
                        o << " {ew" << g.ref.align << " " << g.ref.dll << "|" << g.ref.className << "|" << g.ref.data << "}";
                        break;
                    case Segment::Kind::Picture: o << " {bm" << g.picture.align << " " << g.picture.name << "}"; break;
                    }
                }
                o << "\n";
            }
    }
    return o.str();
}

// A UTF-8 script's text as the help file's code page has it (the Latin
// letters of the tests).
std::string Latin1(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if ((c & 0xE0) == 0xC0 && i + 1 < s.size()) {
            out += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3F));
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

Script ReadBack(const Bytes& help, std::string* problems = nullptr, std::string* error = nullptr) {
    zyl::MemoryFiles files;
    files.Add("t.hlp", help.data(), help.size());
    Script s;
    std::string why, lost;
    if (!zylhlp::ReadHelpFile(files, "t.hlp", &s, &why, &lost)) s = Script();
    if (problems) *problems = lost;
    if (error) *error = why;
    return s;
}

// Every feature of a topic script that a help file carries.
const char kFeatures[] =
    ".title Reader test \xC3\xA9t\xC3\xA9\n"
    ".copyright (c) the authors\n"
    ".startup RegisterRoutine(`ZYL3AN32.DLL', `ZylAnimInit', `')\n"
    ".startup ZylAnimInit()\n"
    ".font Times New Roman, 11\n"
    ".window side, Side window, 600, 100, 300, 300, 1, FFFFE0, E0E0FF\n"
    ".topic start 7\n"
    ".title The start\n"
    ".nsr\n"
    "{font Courier New, 14}{b}A heading{/b} and a {link jump|other}\n"
    ".body\n"
    "Plain, {b}bold{/b}, {i}italic{/i} and {u}underlined{/u}.{br}A second line\tafter a tab.\n"
    "\n"
    "{ewl ZYL3AN32.DLL, ZYL3_ANIMBUTTON32, Left;Back()} Text, {link a jump|other>side}, a {popup popup|other}\n"
    "and {macro a macro|Next():Prev()}, {ewc ZYL3AN32.DLL, ZYL3_ANIMPICT32, logo.gif;0;} then\n"
    "{ewr  SELF.DLL ,  A_CLASS , data, with, commas}.{br}\n"
    "\n"
    "{font , 16}Larger {font Arial}face {font}and back.\n"
    "\n"
    ".topic other\n"
    ".title The other topic\n"
    "Back to {link the start|start}.\n"
    "\n"
    ".topic empty 3\n";

struct Variant {
    const char* name;
    zylhc::CompileOptions options;   // LZ77, phrases, Hall
};
const Variant kVariants[] = {{"plain", {false, false, false}},      {"LZ77", {true, false, false}},
                             {"phrases", {false, true, false}},     {"Hall", {false, false, true}},
                             {"LZ77+phrases", {true, true, false}}, {"LZ77+Hall", {true, false, true}}};

TEST(HelpReader, CompiledScriptsReadBackAsTheyWereWritten) {
    Scratch dir;
    // A paragraph longer than a topic record holds goes on in the next one.
    // It follows the empty topic, whose paragraph keeps their offsets apart.
    std::string features = kFeatures;
    features += ".topic long\n";
    for (int i = 0; i < 900; ++i) features += "word" + std::to_string(i % 37) + " ";
    features += "\n";
    ASSERT_TRUE(WriteFile(dir / "features.hts", BytesOf(features)));
    const std::string examples = ZYL_EXAMPLES;
    for (const std::string& script : {dir / "features.hts", examples + "/demo/demo.hts", examples + "/buttons/buttons.hts",
                                      examples + "/pictures/pictures.hts"}) {
        const Script parsed = ParsedScript(script);
        const std::string expected = parsed.utf8 ? Latin1(Describe(parsed)) : Describe(parsed);
        for (const Variant& v : kVariants) {
            SCOPED_TRACE(script + " " + v.name);
            std::string problems;
            const Script read = ReadBack(CompiledHelpFile(script, v.options), &problems);
            EXPECT_EQ(Describe(read), expected);   // a failure shows the lines that differ
            EXPECT_EQ(problems, "");
        }
    }
}

TEST(HelpReader, PhraseCompressionShortensTheText) {
    // Text of many repeated words in ten topics over many blocks reads back
    // the same in every variant; both kinds of phrase files make the topic
    // file shorter.
    Scratch dir;
    std::string script;
    std::uint32_t seed = 1;
    for (int i = 0; i < 6000; ++i) {
        if (i % 600 == 0) script += ".topic t" + std::to_string(i / 600) + "\n";
        seed = seed * 1103515245u + 12345u;
        script += std::string("alpha beta gamma delta epsilon zeta eta theta iota kappa").substr((seed >> 16) % 50, 6);
        script += i % 12 == 11 ? "\n\n" : " ";   // short paragraphs: records fill the blocks
    }
    ASSERT_TRUE(WriteFile(dir / "words.hts", BytesOf(script)));
    const std::string expected = Describe(ParsedScript(dir / "words.hts"));
    auto topicSize = [](const Bytes& help) {
        for (const auto& f : InternalFiles(help))
            if (f.first == "|TOPIC") return f.second.size();
        return std::size_t(0);
    };
    const std::size_t plain = topicSize(CompiledHelpFile(dir / "words.hts", kVariants[0].options));
    for (const Variant& v : kVariants) {
        SCOPED_TRACE(v.name);
        const Bytes help = CompiledHelpFile(dir / "words.hts", v.options);
        EXPECT_GE(topicSize(help), 4096u * 2) << "several blocks";
        if (v.options.phrases || v.options.hall) EXPECT_LT(topicSize(help) * 5, plain * 4) << "a fifth shorter at least";
        EXPECT_EQ(Describe(ReadBack(help)), expected);
    }
}

// ---- halibut ----

// Words of letters and digits, the same whatever punctuation, quotes or
// line breaks each writer chooses.
std::vector<std::string> Words(std::string text) {
    for (char& c : text)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = ' ';
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

std::string TextOf(const Paragraph& p) {
    std::string s;
    for (const Segment& g : p.segments) s += g.text;
    return s;
}

TEST(HelpReader, HalibutFilesShowHalibutsOwnText) {
    Scratch dir;
    const std::string source =
        "\\title A manual for testing\n\n"
        "\\preamble Some preamble with \\e{emphasis} and \\c{code}.\n\n"
        "\\C{one} The first chapter\n\n"
        "Text of the first chapter, see \\k{two}. A paragraph long enough to wrap over several lines of\n"
        "halibut's own text output, which is seventy-odd columns wide.\n\n"
        "\\b A bullet\n\n\\b Another bullet\n\n\\n First item\n\n\\n Second item\n\n"
        "\\c code line one\n\\c code line two\n\n"
        "\\H{sub} A section\n\nSection text, back to \\k{one}.\n\n"
        "\\C{two} The second chapter\n\nText of the second chapter.\n";
    ASSERT_TRUE(WriteFile(dir / "m.but", BytesOf(source)));
    const std::string command = "cd '" + dir.path() + "' && halibut --winhelp=m.hlp --text=m.txt m.but >/dev/null 2>&1";
    std::string why;
    ASSERT_TRUE(RunUnix(command, &why)) << why << " (./run installs halibut)";
    Bytes help, text;
    ASSERT_FALSE((help = ReadFile(dir / "m.hlp")).empty());
    ASSERT_FALSE((text = ReadFile(dir / "m.txt")).empty());
    std::string problems;
    const Script s = ReadBack(help, &problems);
    EXPECT_EQ(problems, "");
    EXPECT_EQ(s.title, "A manual for testing");
    ASSERT_EQ(s.topics.size(), 4u) << "contents, two chapters and a section";

    // Each topic's text stands, word for word, in halibut's own text
    // output, the topics in order; the lists of links to the topics below
    // are the help file's own.
    const std::vector<std::string> all = Words(std::string(text.begin(), text.end()));
    std::size_t from = 0;
    for (std::size_t i = 0; i < s.topics.size(); ++i) {
        const zylscript::Topic& t = s.topics[i];
        SCOPED_TRACE(t.title);
        EXPECT_EQ(s.FindTopicByHash(zylscript::ContextHash(t.context)), static_cast<int>(i));
        std::vector<std::string> words;
        for (const Paragraph& p : t.body) {
            const bool menu = p.segments.size() == 1 && p.segments[0].kind == Segment::Kind::Link;
            if (menu) continue;
            for (const std::string& w : Words(TextOf(p))) words.push_back(w);
        }
        ASSERT_FALSE(words.empty());
        const auto at = std::search(all.begin() + static_cast<std::ptrdiff_t>(from), all.end(), words.begin(), words.end());
        ASSERT_NE(at, all.end()) << "not in halibut's text: " << TextOf(t.body[0]);
        from = static_cast<std::size_t>(at - all.begin()) + words.size();
        // Every jump leads to a topic of the file.
        for (const Paragraph& p : t.body)
            for (const Segment& g : p.segments)
                if (g.kind == Segment::Kind::Link) {
                    EXPECT_TRUE(g.byHash);
                    EXPECT_GE(s.FindTopicByHash(g.hash), 0) << g.text;
                    EXPECT_EQ(s.FindTopic(g.target), s.FindTopicByHash(g.hash)) << g.text;
                }
    }
    // Headings in the non-scrolling region, bullets and hanging indents as
    // halibut lays them out.
    EXPECT_EQ(Words(TextOf(s.topics[1].nsr.at(0))), (std::vector<std::string>{"Chapter", "1", "The", "first", "chapter"}));
    const Paragraph& bullet = s.topics[1].body.at(1);
    EXPECT_GT(bullet.format.leftIndent, 0);
    EXPECT_LT(bullet.format.firstIndent, 0);
    EXPECT_NE(TextOf(bullet).find('\t'), std::string::npos);
}

// ---- damage ----

TEST(HelpReader, DamagedFilesLoseOnlyTheDamagedPart) {
    Scratch dir;
    ASSERT_TRUE(WriteFile(dir / "features.hts", BytesOf(kFeatures)));
    const Bytes good = CompiledHelpFile(dir / "features.hts", kVariants[5].options);
    const auto files = InternalFiles(good);
    ASSERT_GE(files.size(), 9u);
    const std::size_t topics = ReadBack(good).topics.size();

    // Each internal file cut short, at every length that matters: the file
    // opens with what is left or is refused with a reason.
    for (std::size_t k = 0; k < files.size(); ++k) {
        const std::size_t size = files[k].second.size();
        for (std::size_t cut : {std::size_t(0), std::size_t(1), std::size_t(13), size / 2, size - 1}) {
            if (cut >= size) continue;
            SCOPED_TRACE(files[k].first + " cut to " + std::to_string(cut));
            auto damaged = files;
            damaged[k].second.resize(cut);
            std::string problems, error;
            const Script s = ReadBack(HelpFile(damaged), &problems, &error);
            if (s.topics.empty()) {
                EXPECT_NE(error, "");
                continue;
            }
            EXPECT_LE(s.topics.size(), topics);
            // Cut to their first bytes, these files lose what the reader
            // needs and it says so.
            const std::string& name = files[k].first;
            if (cut > 0 && cut <= 13 && (name == "|TOPIC" || name == "|PhrIndex" || name == "|PhrImage" || name == "|FONT"))
                EXPECT_NE(problems, "");
        }
    }
    std::string error;
    auto topic = std::find_if(files.begin(), files.end(), [](const auto& f) { return f.first == "|TOPIC"; });
    ASSERT_NE(topic, files.end());
    ReadBack(HelpFile({*topic}), nullptr, &error);
    EXPECT_NE(error.find("no system file"), std::string::npos) << error;
}

TEST(HelpReader, CorruptBlocksAndOffsetsOutOfRange) {
    Scratch dir;
    ASSERT_TRUE(WriteFile(dir / "features.hts", BytesOf(kFeatures)));
    auto withTopic = [&](const Bytes& help, const std::function<void(Bytes&)>& change) {
        auto files = InternalFiles(help);
        for (auto& f : files)
            if (f.first == "|TOPIC") change(f.second);
        return HelpFile(files);
    };
    std::string problems;

    // An LZ77 block whose first code copies from before the start: no
    // topic is left, and the reason says why.
    const Bytes packed = CompiledHelpFile(dir / "features.hts", kVariants[1].options);
    std::string error;
    Script s = ReadBack(withTopic(packed, [](Bytes& t) { t[12] = 0xFF; }), &problems, &error);
    EXPECT_NE(error.find("topic block 0 is damaged"), std::string::npos) << error;

    // The plain file, with record links that loop back, leave the file, or
    // lead into the middle of a record.
    const Bytes plain = CompiledHelpFile(dir / "features.hts", kVariants[0].options);
    for (const std::uint32_t next : {12u, 0x7FFFFF00u, 13u + 0x4000u * 3}) {
        SCOPED_TRACE(next);
        // The second record's NextBlock (at 12 + its position) is redirected.
        const Bytes help = withTopic(plain, [&](Bytes& t) {
            const std::uint32_t second = Get32(t, 12 + 12);   // the first record's NextBlock
            Put32(t, 12 + (second - 12) + 12, next);
        });
        s = ReadBack(help, &problems);
        ASSERT_FALSE(s.topics.empty()) << "the first topic stays";
        EXPECT_NE(problems, "");
    }

    // Phrase offsets that go back: the phrases are refused, not read
    // backwards.
    auto phrases = InternalFiles(CompiledHelpFile(dir / "features.hts", kVariants[2].options));
    for (auto& f : phrases)
        if (f.first == "|Phrases") f.second[12] = static_cast<std::uint8_t>(f.second[10] - 1), f.second[13] = f.second[11];
    ReadBack(HelpFile(phrases), &problems);
    EXPECT_NE(problems.find("the phrase file is damaged"), std::string::npos) << problems;

    // A topic header that lost its title: the title index still has it.
    s = ReadBack(withTopic(plain, [](Bytes& t) {
        const std::string title = "The other topic";
        auto at = std::search(t.begin(), t.end(), title.begin(), title.end());
        if (at != t.end()) *at = 0;
    }));
    ASSERT_EQ(s.topics.size(), 3u);
    EXPECT_EQ(s.topics[1].title, "The other topic");

    // Pictures that are not there are reported missing.
    zylhlp::HelpReader reader;
    zyl::MemoryFiles files;
    files.Add("t.hlp", plain.data(), plain.size());
    ASSERT_TRUE(reader.Open(files, "t.hlp", nullptr));
    zylhlp::Picture picture;
    std::string why;
    zylscript::PictureRef ref;
    ref.name = "|bm9";
    EXPECT_FALSE(reader.LoadPicture(ref, &picture, &why));
    EXPECT_EQ(why, "picture |bm9 is missing");
    zylscript::Topic t;
    EXPECT_FALSE(reader.LoadTopic(99, &t, &why));
}

// ---- pictures ----

struct PictureFields : HelpPictureFields {
    PictureFields() { lz77 = zylhc::CompressLz77; }
};
Bytes PictureRecord(const PictureFields& p) { return HelpPictureRecord(p); }

// Hot spots: a visible jump to "target" and an invisible macro.
Bytes TwoHotSpots() {
    Bytes h = {1, 2, 0};
    const std::string macros = "Next()";
    Bytes size(4);
    Put32(size, 0, static_cast<std::uint32_t>(macros.size() + 1));
    h.insert(h.end(), size.begin(), size.end());
    const std::uint8_t spots[2][15] = {{0xE3, 0, 0, 1, 0, 1, 0, 2, 0, 2, 0, 0, 0, 0, 0},
                                       {0xCC, 4, 0, 3, 0, 0, 0, 2, 0, 1, 0, 1, 0, 0, 0}};
    for (const auto& s : spots) h.insert(h.end(), s, s + 15);
    for (const char* t : {"Next()", "jump", "target", "macro", "Next()"}) h.insert(h.end(), t, t + std::strlen(t) + 1);
    return h;
}

TEST(HelpReader, PicturesDecodeInEveryPacking) {
    PictureFields dib;
    for (int i = 0; i < 4; ++i) dib.palette.insert(dib.palette.end(), {std::uint8_t(i * 60), std::uint8_t(255 - i), 7, 0});
    for (std::uint32_t row = 0; row < dib.height; ++row) {
        for (std::uint32_t x = 0; x < 8; ++x) dib.pixels.push_back(static_cast<std::uint8_t>(x < 5 ? (row + x) % 4 : 0));
    }
    dib.hotSpots = TwoHotSpots();
    for (std::uint8_t packing = 0; packing < 4; ++packing) {
        SCOPED_TRACE(int(packing));
        dib.packing = packing;
        const Bytes record = PictureRecord(dib);
        zylhlp::Picture p;
        std::string why;
        ASSERT_TRUE(zylhlp::DecodePicture(record.data(), record.size(), &p, &why)) << why;
        EXPECT_EQ(p.width, 5);
        EXPECT_EQ(p.height, 3);
        EXPECT_EQ(Get32(p.dib, 32), 4u) << "colours used";
        EXPECT_EQ(Bytes(p.dib.begin() + 40, p.dib.begin() + 56), dib.palette);
        EXPECT_EQ(Bytes(p.dib.begin() + 56, p.dib.end()), dib.pixels) << "rows of 4-byte multiples, as stored";
        EXPECT_FALSE(p.transparent);
        ASSERT_EQ(p.hotSpots.size(), 2u);
        EXPECT_EQ(p.hotSpots[0].link, zylscript::LinkKind::Jump);
        EXPECT_EQ(p.hotSpots[0].hash, zylscript::ContextHash("target"));
        EXPECT_EQ(p.hotSpots[0].x + p.hotSpots[0].y + p.hotSpots[0].width + p.hotSpots[0].height, 6);
        EXPECT_EQ(p.hotSpots[1].link, zylscript::LinkKind::Macro);
        EXPECT_EQ(p.hotSpots[1].target, "Next()");
        EXPECT_FALSE(p.hotSpots[1].visible);
    }

    // A device-dependent monochrome bitmap: rows padded to 2 bytes, black
    // and white; transparent where its last colour is.
    PictureFields ddb;
    ddb.type = 5;
    ddb.bits = 1;
    ddb.width = 20;
    ddb.height = 2;
    ddb.important = 1;
    ddb.pixels = {0xF0, 0x0F, 0xA0, 0x00, 0x55, 0xAA, 0x50, 0x00};
    ddb.packing = 1;
    zylhlp::Picture p;
    const Bytes record = PictureRecord(ddb);
    ASSERT_TRUE(zylhlp::DecodePicture(record.data(), record.size(), &p, nullptr));
    EXPECT_EQ(Bytes(p.dib.begin() + 40, p.dib.begin() + 48), (Bytes{0, 0, 0, 0, 255, 255, 255, 0}));
    EXPECT_EQ(Bytes(p.dib.begin() + 48, p.dib.end()), (Bytes{0xF0, 0x0F, 0xA0, 0, 0x55, 0xAA, 0x50, 0}));
    EXPECT_TRUE(p.transparent);
    EXPECT_EQ(p.transparentColour, 0xFFFFFFu);

    // Refused: no bitmap, data outside the record, a side beyond reason.
    std::string why;
    PictureFields huge = dib;
    huge.width = 100000;
    for (const Bytes& bad : {Bytes{'l', 'P', 0, 0}, Bytes(record.begin(), record.begin() + 20), PictureRecord(huge)})
        EXPECT_FALSE(zylhlp::DecodePicture(bad.data(), bad.size(), &p, &why));
    Bytes outside = PictureRecord(dib);
    outside[8 + 20] = 0xFF;   // the data offset's low byte
    EXPECT_FALSE(zylhlp::DecodePicture(outside.data(), outside.size(), &p, &why));
}

TEST(HelpReader, PicturesAndParagraphFormatsOfAHelpFile) {
    // A help file as another compiler may write it: indents, alignment,
    // spacing and tab stops, and pictures at the three places.
    std::vector<zylhc::Item> items = {{zylhc::ItemKind::Font, {}, 0, -1, 'c'},
                                      {zylhc::ItemKind::Picture, {}, 0, -1, 'l'},
                                      {zylhc::ItemKind::Text, "a", 0, -1, 'c'},
                                      {zylhc::ItemKind::Tab, {}, 0, -1, 'c'},
                                      {zylhc::ItemKind::Text, "b", 0, -1, 'c'},
                                      {zylhc::ItemKind::Picture, {}, 1, -1, 'r'}};
    // Jumps and popups into another help file, one into a window of it.
    for (const char* other : {"more.hlp", "notes>more.hlp"})
        items.insert(items.end(), {{zylhc::ItemKind::Jump, other, zylscript::ContextHash("far"), -1, 'c'},
                                   {zylhc::ItemKind::Text, "there", 0, -1, 'c'},
                                   {zylhc::ItemKind::LinkEnd, {}, 0, -1, 'c'}});
    items.insert(items.end(), {{zylhc::ItemKind::Popup, "more.hlp", 7, -1, 'c'},
                               {zylhc::ItemKind::Text, "note", 0, -1, 'c'},
                               {zylhc::ItemKind::LinkEnd, {}, 0, -1, 'c'}});
    zylhc::HelpDocument doc = DocumentOf("Pictures", {}, {{"one", items}});
    doc.topics[0].body[0].layout = {4, 0, -30, 72, 10, -36, 'c', {{72, 'l'}, {200, 'r'}}};
    doc.map.push_back(zylhc::MapEntry{5, 0});
    PictureFields twoColours;
    twoColours.palette = {0, 0, 0, 0, 255, 255, 255, 0};
    twoColours.pixels.assign(24, 1);
    doc.pictures = {PictureRecord(twoColours), PictureRecord(twoColours)};
    const Bytes help = WrittenHelpFile(doc);
    std::string error;

    zylhlp::HelpReader reader;
    zyl::MemoryFiles memory;
    memory.Add("t.hlp", help.data(), help.size());
    ASSERT_TRUE(reader.Open(memory, "t.hlp", &error)) << error;
    EXPECT_EQ(reader.Index().FindTopicByNumber(5), 0);
    EXPECT_EQ(reader.Index().FindTopicByNumber(0), -1) << "a help file's topics answer only to their numbers";
    Script read = reader.Index();
    ASSERT_TRUE(reader.LoadTopic(0, &read.topics.at(0), &error)) << error;
    const std::string far = std::to_string(zylscript::ContextHash("far"));
    EXPECT_EQ(Describe(read), "title=Pictures copyright= font=Arial/20 background=- contents=0\n"
                              "topic one 'one' #5\n"
                              " B[4,0,-30,72,10,-36,c t72l t200r] {bml |bm0} <Arial/20>'a\tb' {bmr |bm1} j(#" + far +
                                  "@more.hlp)<Arial/20>'there' j(>notes@more.hlp)<Arial/20>'there'"
                                  " p(#7@more.hlp)<Arial/20>'note'\n");
    for (const Segment& g : read.topics[0].body[0].segments) EXPECT_EQ(g.byHash, g.kind == Segment::Kind::Link);
    zylhlp::Picture picture;
    ASSERT_TRUE(reader.LoadPicture(read.topics[0].body.at(0).segments.at(2).picture, &picture, &error)) << error;
    EXPECT_EQ(picture.width, 5);
}

TEST(HelpReader, ContextStringsForHashes) {
    // A help file without names gets one per hash, made of the characters
    // context strings hold, whose hash is the topic's.
    for (std::uint32_t hash : {1u, 42u, 0x89ABCDEFu, 0xFFFFFFFFu, zylscript::ContextHash("overview")}) {
        const std::string name = zylhlp::UnhashContext(hash);
        EXPECT_EQ(zylscript::ContextHash(name), hash) << name;
        EXPECT_EQ(name.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ._!^?@"), std::string::npos) << name;
    }
}

}  // namespace
