// The bullet list without a window: the context hash its files store, the
// bullet file reader on good and bad files, the parameter string, the
// layout, hit test and scroll arithmetic, and the comment tip's wrapping
// and placement.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "controls/animbullet_parse.h"
#include "controls/helpcomment_parse.h"
#include "core/contexthash.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using zyl::BulletFault;

// The one-item list of the file format's own example: Intro -> intro.
const Bytes kExample = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x49,
                        0x6E, 0x74, 0x72, 0x6F, 0x00, 0x00, 0x5C, 0x9A, 0x3D, 0x05, 0x00};

// A bullet file with `count` in its header and `items` items "i1", "i2"...
// (comment "c" on odd ones, hash = the item's number).
Bytes ListFile(int count, int items, const std::string& face = "", const std::string& window = "") {
    Bytes b = {static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8), 0x24, 0, 1, 2, 3, 0, 9, 0};
    for (const std::string& s : {face, window}) {
        b.insert(b.end(), s.begin(), s.end());
        b.push_back(0);
    }
    for (int i = 1; i <= items; ++i) {
        const std::string text = "i" + std::to_string(i), comment = i % 2 ? "c" : "";
        b.insert(b.end(), text.begin(), text.end());
        b.push_back(0);
        b.insert(b.end(), comment.begin(), comment.end());
        b.push_back(0);
        b.insert(b.end(), {static_cast<std::uint8_t>(i), 0, 0, 0});
    }
    b.push_back(0);
    return b;
}

BulletFault Read(const Bytes& b, zyl::BulletFile* f) { return zyl::ReadBulletFile(b.data(), b.size(), f); }

TEST(ContextHash, ValuesOfTheHelpFileFormat) {
    EXPECT_EQ(zyl::ContextHash("a"), 17u);
    EXPECT_EQ(zyl::ContextHash("A1"), 732u);
    EXPECT_EQ(zyl::ContextHash("intro"), 87923292u);
    EXPECT_EQ(zyl::ContextHash(""), 1u) << "0 stays free for 'no topic'";
    EXPECT_EQ(zyl::ContextHash(nullptr), 1u);
    EXPECT_EQ(zyl::ContextHash("INTRO"), zyl::ContextHash("intro"));
    EXPECT_EQ(zyl::ContextHash("a.b"), (17u * 43 + 12) * 43 + 18);
    EXPECT_EQ(zyl::ContextHash("x_0!"), ((40u * 43 + 13) * 43 + 10) * 43 + 11);
    EXPECT_EQ(zyl::ContextHash("ab", 1), 17u) << "a length bounds the text";
}

// A file as read: "N items, style colour size [face] [window]" and each
// item as "text|comment|hash".
std::string Described(const zyl::BulletFile& f) {
    char head[160];
    std::snprintf(head, sizeof head, "%d items, style %X colour %06X size %d [%s] [%s]", f.count, f.style, f.colour,
                  f.fontSize, f.face, f.window);
    std::string out = head;
    for (int i = 0; i < f.count; ++i)
        out += std::string("; ") + f.items[i].text + "|" + f.items[i].comment + "|" + std::to_string(f.items[i].hash);
    return out;
}

TEST(BulletFile, TheFormatsExample) {
    zyl::BulletFile f;
    ASSERT_EQ(Read(kExample, &f), BulletFault::kNone);
    EXPECT_EQ(Described(f), "1 items, style 0 colour 000000 size 0 [] []; Intro||" + std::to_string(zyl::ContextHash("intro")));
    const Bytes three = ListFile(3, 3, "Arial", "main");
    ASSERT_EQ(Read(three, &f), BulletFault::kNone);
    EXPECT_EQ(Described(f), "3 items, style 24 colour 030201 size 9 [Arial] [main]; i1|c|1; i2||2; i3|c|3");
    const Bytes empty = ListFile(0, 0);
    EXPECT_EQ(Read(empty, &f), BulletFault::kNone) << "an empty list";
    EXPECT_EQ(f.count, 0);
}

// Every cut of a good file is read inside its bytes (ASan watches the
// exact-size copies): only the cut of the final end byte still reads, as
// the zero block behind it would supply it.
TEST(BulletFile, EveryTruncationIsRefusedButTheLastByte) {
    const Bytes full = ListFile(3, 3, "Arial", "main");
    for (std::size_t n = 0; n < full.size(); ++n) {
        const std::unique_ptr<std::uint8_t[]> cut(new std::uint8_t[n ? n : 1]);
        std::memcpy(cut.get(), full.data(), n);
        zyl::BulletFile f;
        const BulletFault fault = zyl::ReadBulletFile(cut.get(), n, &f);
        if (n + 1 == full.size()) {
            EXPECT_EQ(fault, BulletFault::kNone);
            EXPECT_EQ(f.count, 3);
        } else {
            EXPECT_NE(fault, BulletFault::kNone) << n;
            EXPECT_EQ(f.count, 0) << n;
        }
    }
    zyl::BulletFile f;
    Bytes b = full;
    EXPECT_EQ(zyl::ReadBulletFile(b.data(), 5, &f), BulletFault::kShortHeader);
    EXPECT_EQ(zyl::ReadBulletFile(b.data(), 12, &f), BulletFault::kUnterminated) << "the face without its 0";
    EXPECT_EQ(zyl::ReadBulletFile(b.data(), full.size() - 3, &f), BulletFault::kCutItem);
}

TEST(BulletFile, CountsThatDisagreeAndTooManyItems) {
    zyl::BulletFile f;
    EXPECT_EQ(Read(ListFile(4, 3), &f), BulletFault::kFewerItems);
    EXPECT_EQ(Read(ListFile(2, 3), &f), BulletFault::kMoreItems);
    const Bytes full = ListFile(62, 62);
    EXPECT_EQ(Read(full, &f), BulletFault::kNone);
    EXPECT_STREQ(f.items[61].text, "i62");
    EXPECT_EQ(Read(ListFile(63, 63), &f), BulletFault::kTooManyItems);
    EXPECT_EQ(Read(ListFile(62, 63), &f), BulletFault::kMoreItems);
    // Items end at an empty text before the count is reached.
    Bytes early = ListFile(2, 1);
    early.insert(early.end(), {'x', 0, 0, 1, 0, 0, 0, 0});
    EXPECT_EQ(Read(early, &f), BulletFault::kFewerItems);
    // Bytes after the end byte are nobody's business.
    Bytes trailing = kExample;
    trailing.insert(trailing.end(), {'z', 'z'});
    EXPECT_EQ(Read(trailing, &f), BulletFault::kNone);
    EXPECT_STREQ(zyl::BulletFaultText(BulletFault::kNone), "");
    EXPECT_NE(std::strlen(zyl::BulletFaultText(BulletFault::kMoreItems)), 0u);
}

TEST(BulletFile, StyleColoursAndFontHeights) {
    EXPECT_EQ(zyl::BulletTextColour(0, 0x123456), 0x008000u) << "green";
    EXPECT_EQ(zyl::BulletTextColour(zyl::kBulletBlack | zyl::kBulletBold, 0x123456), 0u);
    EXPECT_EQ(zyl::BulletTextColour(zyl::kBulletColour, 0x123456), 0x123456u);
    EXPECT_EQ(zyl::BulletTextColour(zyl::kBulletColour | zyl::kBulletBlack, 0x123456), 0x123456u);
    EXPECT_EQ(zyl::BulletFontHeight(10, "Arial"), 20);
    EXPECT_EQ(zyl::BulletFontHeight(6, "Arial"), 12);
    EXPECT_EQ(zyl::BulletFontHeight(5, "Arial"), 16);
    EXPECT_EQ(zyl::BulletFontHeight(10, ""), 16) << "no face: MS Sans Serif at 16";
}

// A probe that records the name and answers `error`.
struct Probe {
    std::string name;
    int error = 0;
    static int Load(void* self, const char* name) {
        auto* p = static_cast<Probe*>(self);
        p->name = name;
        return p->error;
    }
};

// What a string gives: [the file asked for] width height flags, or the
// error; the probe answers `fileError`.
std::string Parsed(const char* data, int fileError = 0) {
    Probe probe;
    probe.error = fileError;
    zyl::BulletParams p;
    const int error = zyl::ParseBulletParams(data, {&probe, Probe::Load}, &p);
    return "[" + probe.name + "] " + (error ? "error " + std::to_string(error)
                                           : std::to_string(p.width) + " " + std::to_string(p.height) + " " +
                                                 std::to_string(p.flags));
}

TEST(BulletParams, FieldsInOrderWithTheirErrors) {
    const std::string syntax = " error " + std::to_string(ZYL_ERR_SYNTAX);
    EXPECT_EQ(Parsed("links.bul;200;60;3"), "[links.bul] 200 60 3");
    EXPECT_EQ(Parsed("a;;;"), "[a] 0 0 0") << "empty fields";
    // strtoul: blanks, a sign, digits up to the first other character.
    EXPECT_EQ(Parsed("a; 70px;-5;0x4"), "[a] 70 -5 0");
    EXPECT_EQ(Parsed("a;99999999999;+8;65538"), "[a] -1 8 2") << "out of range reads as 0xFFFFFFFF; flags 16 bits";
    EXPECT_EQ(Parsed("links.bul"), "[]" + syntax) << "no file read without its ';'";
    EXPECT_EQ(Parsed("gone.bul;1", ZYL_ERR_BULLET_FILE), "[gone.bul] error " + std::to_string(ZYL_ERR_BULLET_FILE))
        << "the file's error comes before a later ';'";
    EXPECT_EQ(Parsed("a;1"), "[a]" + syntax);
    EXPECT_EQ(Parsed("a;1;2"), "[a]" + syntax);
    EXPECT_EQ(Parsed(nullptr), "[]" + syntax);
}

// A layout of five items of these widths as "width x height, line
// height, scrolling range and page" (range and page only when scrolling).
std::string Layout(int width, int height, int flags, int charHeight = 16) {
    const std::vector<int> widths = {40, 90, 10, 60, 30};
    zyl::BulletParams p;
    p.width = width;
    p.height = height;
    p.flags = static_cast<std::uint16_t>(flags);
    const zyl::BulletLayout l = zyl::LayoutBulletList(p, widths.data(), 5, charHeight, 17);
    std::string out = std::to_string(l.width) + "x" + std::to_string(l.height) + " line " + std::to_string(l.lineHeight);
    if (l.scrolling) out += " range " + std::to_string(l.scrollRange) + " page " + std::to_string(l.page);
    else if (l.scrollRange) out += " a range without scrolling";
    return out;
}

TEST(BulletLayout, SizesScrollBarsAndTheMinimum) {
    EXPECT_EQ(Layout(300, 40, 0), "116x86 line 16") << "without flag 2 the given size is ignored";
    EXPECT_EQ(Layout(0, 0, 0, 9), "116x66 line 12") << "lines are at least 12 high";
    EXPECT_EQ(Layout(0, 0, 1), "118x88 line 16") << "the border";
    EXPECT_EQ(Layout(0, 60, 2), "133x60 line 16 range 26 page 60") << "the scroll bar widens the content";
    EXPECT_EQ(Layout(150, 60, 3), "150x60 line 16 range 28 page 58") << "a given width stands; the border's lines are no page";
    EXPECT_EQ(Layout(20, 20, 2), "54x54 line 16 range 32 page 20") << "the height-20 case";
    EXPECT_EQ(Layout(0, 200, 2), "116x86 line 16") << "a list shorter than the height takes its own height";
    EXPECT_EQ(Layout(-5, -5, 2), "54x54 line 16 range 32 page 17") << "a page that would not move down moves a line";
}

TEST(BulletLayout, HitTestAndScrolling) {
    const std::vector<int> widths = {40, 90, 10};
    // Items are 17 apart from y 1: item 2 spans 18..34, its text x 24..113.
    EXPECT_EQ(zyl::BulletItemAt(widths.data(), 3, 16, 0, 100, 24, 18), 2);
    EXPECT_EQ(zyl::BulletItemAt(widths.data(), 3, 16, 0, 100, 113, 34), 2);
    EXPECT_EQ(zyl::BulletItemAt(widths.data(), 3, 16, 0, 100, 114, 20), 0) << "past the text";
    EXPECT_EQ(zyl::BulletItemAt(widths.data(), 3, 16, 0, 100, 23, 20), 0) << "on the bullet";
    EXPECT_EQ(zyl::BulletItemAt(widths.data(), 3, 16, 0, 100, 30, 0), 0) << "above the first";
    EXPECT_EQ(zyl::BulletItemAt(widths.data(), 3, 16, 17, 100, 30, 1), 2) << "scrolled by a line";
    EXPECT_EQ(zyl::BulletItemAt(widths.data(), 3, 16, 0, 30, 30, 36), 0) << "below the client";

    zyl::BulletLayout l;
    l.lineHeight = 16;
    l.page = 40;
    l.scrollRange = 100;
    EXPECT_EQ(zyl::BulletScrollPosition(1, 0, 0, l), 17);
    EXPECT_EQ(zyl::BulletScrollPosition(0, 0, 17, l), 0);
    EXPECT_EQ(zyl::BulletScrollPosition(0, 0, 5, l), 0) << "clamped at the top";
    EXPECT_EQ(zyl::BulletScrollPosition(3, 0, 30, l), 70);
    EXPECT_EQ(zyl::BulletScrollPosition(3, 0, 70, l), 100) << "clamped at the range";
    EXPECT_EQ(zyl::BulletScrollPosition(2, 0, 70, l), 30);
    EXPECT_EQ(zyl::BulletScrollPosition(5, 42, 0, l), 42);
    EXPECT_EQ(zyl::BulletScrollPosition(4, 999, 0, l), 100);
    EXPECT_EQ(zyl::BulletScrollPosition(6, 0, 50, l), 0);
    EXPECT_EQ(zyl::BulletScrollPosition(7, 0, 50, l), 100);
    EXPECT_EQ(zyl::BulletScrollPosition(8, 0, 50, l), 50) << "end of scroll: unchanged";
}

// Every character 10 pixels wide.
int Tens(void*, const char*, int length) { return 10 * length; }

std::vector<std::string> Wrapped(const char* text) {
    std::vector<std::string> out;
    for (const zyl::TipLine& l : zyl::WrapComment(text, zyl::TextMeasure{nullptr, Tens}))
        out.emplace_back(text + l.start, static_cast<std::size_t>(l.length));
    return out;
}

TEST(CommentTip, WrapsAtTheLastBlankBefore146Pixels) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Wrapped("A few words"), V{"A few words"});
    // 14 characters fit (140 px), the 15th reaches 150.
    EXPECT_EQ(Wrapped("aaaa bbbb cccc dddd eeee"), (V{"aaaa bbbb cccc", "dddd eeee"}));
    EXPECT_EQ(Wrapped("aaaa bbbb ccccX dddd"), (V{"aaaa bbbb", "ccccX dddd"}));
    EXPECT_EQ(Wrapped("abcdefghijklmnopqrstuvwxyz end"), (V{"abcdefghijklmn", "opqrstuvwxyz", "end"}))
        << "a word wider than the tip breaks where it overflows";
    EXPECT_EQ(Wrapped(""), V{""});
    EXPECT_EQ(zyl::TipBodyHeight(1, 16), 29) << "one line: the minimum";
    EXPECT_EQ(zyl::TipBodyHeight(3, 16), 3 + 3 * 17 + 2);
}

TEST(CommentTip, PlacedLeftOfTheListAndAboveTheScreensBottom) {
    // List client at (400, 300); item 2 at top 18, lines 17 apart.
    zyl::TipPlacement p = zyl::PlaceCommentTip(400, 300, 18, 16, 29, 768);
    EXPECT_EQ(p.bodyX, 400 - 150 - 19);
    EXPECT_EQ(p.bodyY, 300 + 18 + 8 - 10);
    EXPECT_EQ(p.anchor, 10);
    EXPECT_EQ(p.pointerX, p.bodyX + 149);
    EXPECT_EQ(p.pointerY, 300 + 18 + 8) << "the pointer's top is the item's middle";
    p = zyl::PlaceCommentTip(400, 740, 1, 16, 56, 768);
    EXPECT_EQ(p.bodyY + 56, 768 - 2) << "2 pixels above the screen's bottom";
    EXPECT_EQ(p.pointerY, 740 + 1 + 8) << "still pointing at the item";
    EXPECT_EQ(p.anchor, p.pointerY - p.bodyY);
}

}  // namespace
