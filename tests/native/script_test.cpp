// The topic-script parser: what authors write must come out as the host
// lays it out, and bad input must give an error that names the line.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "script.h"

using namespace zylscript;

namespace {

Script MustParse(const std::string& text) {
    Script s;
    ParseError e;
    EXPECT_TRUE(ParseScript(text, &s, &e)) << e.ToString();
    return s;
}

EmbeddedRef OnlyEmbedded(const Script& s) {
    const auto& segs = s.topics.at(0).body.at(0).segments;
    for (const Segment& seg : segs)
        if (seg.kind == Segment::Kind::Embedded) return seg.ref;
    ADD_FAILURE() << "no embedded window";
    return EmbeddedRef();
}

}  // namespace

TEST(ScriptParse, TopicsTitlesNumbersRegionsAndStartupMacros) {
    Script s = MustParse(
        "; demo\n"
        ".title Demo file\n"
        ".helpfile demo.hlp\n"
        ".startup First();Second(\"a;b\")\n"
        ".startup Third()\n"
        ".topic intro 42\n"
        ".title Introduction\n"
        ".nsr\n"
        "Heading text\n"
        ".body\n"
        "First paragraph\n"
        "continues here.\n"
        "\n"
        "Second paragraph.\n"
        ".topic second\n"
        "Body.\n");
    EXPECT_EQ(s.title, "Demo file");
    EXPECT_EQ(s.helpFile, "demo.hlp");
    EXPECT_EQ(s.startupMacros, (std::vector<std::string>{"First()", "Second(\"a;b\")", "Third()"}));
    ASSERT_EQ(s.topics.size(), 2u);
    const Topic& t = s.topics[0];
    EXPECT_EQ(t.context + "|" + t.title + "|" + std::to_string(t.number), "intro|Introduction|42");
    EXPECT_TRUE(t.hasNumber);
    ASSERT_EQ(t.nsr.size(), 1u);
    EXPECT_EQ(t.nsr[0].segments.at(0).text, "Heading text");
    ASSERT_EQ(t.body.size(), 2u);
    EXPECT_EQ(t.body[0].segments.at(0).text, "First paragraph continues here.");
    EXPECT_EQ(t.body[0].line, 11);
    EXPECT_EQ(t.body[1].segments.at(0).text, "Second paragraph.");
    // Without .title the context string is the title; without a number the index answers.
    EXPECT_EQ(s.topics[1].title, "second");
    EXPECT_EQ(s.TopicNumber(0), 42u);
    EXPECT_EQ(s.TopicNumber(1), 1u);
    EXPECT_TRUE(s.topics[1].nsr.empty());
}

TEST(ScriptParse, BackgroundColourIsAColourReference) {
    Script plain = MustParse(".topic a\nx\n");
    EXPECT_FALSE(plain.hasBackground);
    Script s = MustParse(".background 12a4Fe\n.topic a\nx\n");
    ASSERT_TRUE(s.hasBackground);
    EXPECT_EQ(s.background, 0xFEA412u) << "red in the low byte";
}

TEST(ScriptParse, EmbeddedWindowData) {
    // Data runs from after the second comma (leading blanks dropped) to the brace,
    // commas, parentheses, quotes and bars included.
    Script s = MustParse(".topic a\nx {ewl  ZYL3AN32.DLL ,  ZYL3_ANIMBUTTON32 ,   Next;JumpId(`x.hlp', \"a,b\")|7 } y\n");
    EmbeddedRef r = OnlyEmbedded(s);
    EXPECT_EQ(r.align + ("/" + r.dll + "/" + r.className + "/" + r.data),
              "l/ZYL3AN32.DLL/ZYL3_ANIMBUTTON32/Next;JumpId(`x.hlp', \"a,b\")|7 ");

    EXPECT_EQ(OnlyEmbedded(MustParse(".topic a\n{ewr a.dll, B, \\{x\\} c:\\pics\\logo.bmp \\\\ \\}}\n")).data,
              "{x} c:\\pics\\logo.bmp \\ }");
    EmbeddedRef noData = OnlyEmbedded(MustParse(".topic a\n{EWC a.dll, CLASS}\n"));
    EXPECT_EQ(noData.align + ("/" + noData.className + "/" + noData.data), "c/CLASS/");
}

TEST(ScriptParse, SegmentsKeepTheirOrderInAParagraph) {
    Script s = MustParse(
        ".topic a\n"
        "See {link the glossary|gloss>second} or {popup a note|note}.\n"
        "{ewc m.dll, C, d}{macro Run|Exec(\"x|y\")}\n");
    std::string described;   // [kind (text, embedded, or jump, popup, macro)/text/target]
    for (const Segment& g : s.topics[0].body.at(0).segments) {
        const char kind = g.kind == Segment::Kind::Link ? "jpm"[static_cast<int>(g.link)] : "t-ep"[static_cast<int>(g.kind)];
        described += std::string("[") + kind + "/" + g.text + "/" + g.target + "]";
    }
    EXPECT_EQ(described, "[t/See /][j/the glossary/gloss>second][t/ or /][p/a note/note][t/. /][e//][m/Run/Exec(\"x|y\")]")
        << "the line break became a blank";
}

TEST(ScriptParse, EscapesCommentsAndLineEndings) {
    Script s = MustParse(
        "\xEF\xBB\xBF.topic a\r\n"
        "\\.starts with a dot\r\n"
        "; a comment inside a paragraph is skipped\r\n"
        "...and \\{braces\\} \\| \\; \\\\ c:\\dir\r\n"
        "\r\n"
        "  .5 is text too\r\n");
    EXPECT_TRUE(s.utf8);
    const auto& body = s.topics[0].body;
    ASSERT_EQ(body.size(), 2u);
    EXPECT_EQ(body[0].segments.at(0).text, ".starts with a dot ...and {braces} | ; \\ c:\\dir");
    EXPECT_EQ(body[1].segments.at(0).text, ".5 is text too");
    EXPECT_EQ(s.topics[0].context, "a");   // no CR left on the context string
}

TEST(ScriptParse, TextEncoding) {
    EXPECT_TRUE(MustParse(".topic a\nCaf\xC3\xA9\n").utf8);
    EXPECT_FALSE(MustParse(".topic a\nCaf\xE9\n").utf8);    // ANSI
    EXPECT_FALSE(MustParse(".topic a\nplain\n").utf8);
}

struct BadScript {
    const char* text;
    int line;
    const char* words;   // expected inside the message
};

TEST(ScriptParse, ErrorsNameTheLine) {
    const BadScript cases[] = {
        {".topic a\nx {ewl a.dll, C, data\n", 2, "unterminated"},
        {".topic a\nx } y\n", 2, "'}' without '{'"},
        {".topic a\n.frobnicate\n", 2, "unknown command .frobnicate"},
        {".topic a\n.nsr2\n", 2, "unknown command"},
        {".topic a\n\n{ewl a.dll}\n", 3, "missing the window class"},
        {".topic a\n{ewr a.dll, , data}\n", 2, "missing the window class"},
        {".topic a\n{ewc , C, data}\n", 2, "missing the DLL"},
        {".topic a\n{ewl a.dll, C, {x}}\n", 2, "'{' inside braces"},
        {".topic a\n{bold x}\n", 2, "unknown {bold}"},
        {".topic a\n{ x}\n", 2, "must be followed by"},
        {".topic a\n{link nowhere}\n", 2, "needs the text"},
        {".topic a\n{link |b}\n", 2, "no text"},
        {".topic a\n{popup a|}\n", 2, "no target"},
        {"text first\n.topic a\n", 1, "before the first .topic"},
        {".nsr\n.topic a\n", 1, "before the first .topic"},
        {".topic a\n.topic A\n", 2, "already used on line 1"},
        {".topic a 5\n.topic b 5\n", 2, "already used on line 1"},
        {".topic a 4294967296\n", 1, "not a number"},
        {".topic a -1\n", 1, "not a number"},
        {".topic a 1 2\n", 1, "too many"},
        {".topic\n", 1, "needs a context"},
        {".topic a>b\n", 1, "'>'"},
        {".topic a\n.helpfile x.hlp\n", 2, "before the first .topic"},
        {".topic a\n.title x\n.title y\n", 3, "second .title"},
        {".topic a\n.body extra\n", 2, "takes nothing"},
        {".startup\n.topic a\n", 1, "needs at least one macro"},
        {".background 12345\n.topic a\n", 1, "RRGGBB"},
        {".background 12345G\n.topic a\n", 1, "RRGGBB"},
        {".topic a\n.background 123456\n", 2, "before the first .topic"},
        {".topic a\n{b x}\n", 2, "takes nothing inside"},
        {".topic a\n{font A, 200}\n", 2, "not a size"},
        {".topic a\n{font A, B, C}\n", 2, "face name and a size"},
        {".font , 10\n.topic a\n", 1, "needs a face"},
        {".window toolongname\n.topic a\n", 1, "1 to 8 characters"},
        {".window w, c, 1024\n.topic a\n", 1, "0 to 1023"},
        {".window w, c, , , , , 2\n.topic a\n", 1, "0 (normal) or 1"},
        {".window w, c, , , , , , 12345\n.topic a\n", 1, "RRGGBB"},
        {".window w\n.window W\n.topic a\n", 2, "already defined on line 1"},
        {".baggage x=\n.topic a\n", 1, ".baggage needs a file"},
        {".topic a\n.copyright c\n", 2, "before the first .topic"},
        {"; nothing but a comment\n", 0, "no topic"},
        {"", 0, "no topic"},
    };
    for (const BadScript& c : cases) {
        Script s;
        ParseError e;
        EXPECT_FALSE(ParseScript(c.text, &s, &e)) << c.text;
        EXPECT_EQ(e.line, c.line) << c.text << " -> " << e.ToString();
        EXPECT_NE(e.message.find(c.words), std::string::npos) << c.text << " -> " << e.ToString();
    }
    Script s;
    ParseError e;
    EXPECT_FALSE(ParseScript(std::string(".topic a\nx\0y\n", 13), &s, &e));
    EXPECT_EQ(e.line, 2);
    EXPECT_EQ(e.ToString().rfind("line 2: ", 0), 0u);
}

TEST(ScriptParse, FormattingWindowsFontsAndBaggage) {
    const Script s = MustParse(
        ".font Times New Roman, 10.5\n.copyright (c) us\n.window gloss, The glossary, 10, , 300, 400, 1, FFFFE0\n"
        ".baggage pics/logo.gif\n.baggage Big Logo=a=b.gif\n.topic a\n"
        "{b}bold {i}both{/b} italic{/i} {font Courier New, 12}mono {link go|a}{font} back{br}\n"
        "next line {u}u\n\nfresh\n");
    EXPECT_EQ(s.fontFace, "Times New Roman");
    EXPECT_EQ(s.fontHalfPoints, 21);
    EXPECT_EQ(s.copyright, "(c) us");
    ASSERT_EQ(s.windows.size(), 1u);
    const WindowDef& w = s.windows[0];
    EXPECT_EQ(w.name + "|" + w.caption, "gloss|The glossary");
    EXPECT_EQ(w.x, 10);
    EXPECT_EQ(w.y, -1) << "an empty field is left unset";
    EXPECT_EQ(w.width + w.height + w.state, 701);
    EXPECT_EQ(w.background, 0xE0FFFFu);
    EXPECT_EQ(w.nsrBackground, WindowDef::kNoColour);
    ASSERT_EQ(s.baggage.size(), 2u);
    EXPECT_EQ(s.baggage[0].name + "|" + s.baggage[0].path, "logo.gif|pics/logo.gif");
    EXPECT_EQ(s.baggage[1].name + "|" + s.baggage[1].path, "Big Logo|a=b.gif");
    EXPECT_EQ(s.baggage[1].line, 5);

    const auto& body = s.topics[0].body;
    ASSERT_EQ(body.size(), 3u) << "{br} starts a joined paragraph; a blank line a new one";
    EXPECT_FALSE(body[0].lineBreakBefore);
    EXPECT_TRUE(body[1].lineBreakBefore);
    EXPECT_FALSE(body[2].lineBreakBefore);
    std::string described;
    for (const Segment& seg : body[0].segments)
        described += "[" + seg.text + ":" + (seg.style.bold ? "b" : "") + (seg.style.italic ? "i" : "") +
                     seg.style.face + std::to_string(seg.style.halfPoints) + "]";
    EXPECT_EQ(described, "[bold :b0][both:bi0][ italic:i0][ :0][mono :Courier New24][go:Courier New24][ back:0]");
    ASSERT_EQ(body[1].segments.size(), 2u) << "formatting lasts over {br} and line ends";
    EXPECT_EQ(body[1].segments[0].text, "next line ");
    EXPECT_TRUE(body[1].segments[1].style.underline);
    EXPECT_EQ(body[1].segments[1].line, 8);
    EXPECT_FALSE(body[2].segments[0].style.underline) << "and ends with the paragraph";
}

TEST(ScriptLookups, TopicsByContextNumberAndHash) {
    Script s = MustParse(".topic Intro\n.topic Glossary 1\n.topic third\n");
    EXPECT_EQ(s.FindTopic("INTRO"), 0);
    EXPECT_EQ(s.FindTopic("gloss"), -1);
    // Topic 1 is the one numbered 1, not the second by index.
    EXPECT_EQ(s.FindTopicByNumber(1), 1);
    EXPECT_EQ(s.FindTopicByNumber(0), 0);
    EXPECT_EQ(s.FindTopicByNumber(2), 2);
    EXPECT_EQ(s.FindTopicByNumber(7), -1);
    EXPECT_EQ(s.FindTopicByHash(ContextHash("third")), 2);
    EXPECT_EQ(s.FindTopicByHash(5), -1);
}

TEST(ScriptLookups, SplitMacrosAndWindowSuffix) {
    EXPECT_EQ(SplitMacros(" A(1) ; B(\"x;y\");;C(`p;q', (r;s)) ;"),
              (std::vector<std::string>{"A(1)", "B(\"x;y\")", "C(`p;q', (r;s))"}));
    EXPECT_TRUE(SplitMacros("  ").empty());
    EXPECT_EQ(SplitMacros("Unclosed(\"a;b").size(), 1u);

    std::string ctx, win;
    SplitWindowSuffix("intro>second", &ctx, &win);
    EXPECT_EQ(ctx + "|" + win, "intro|second");
    SplitWindowSuffix("intro", &ctx, &win);
    EXPECT_EQ(ctx + "|" + win, "intro|");
}

TEST(ScriptLookups, Utf8Validation) {
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("\xE2\x82\xAC \xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));           // overlong
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));       // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));       // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));   // past U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));           // cut short
    EXPECT_FALSE(IsValidUtf8("a\x80"));
}
