// The bullet list (ZYL3_ANIMBULLET32) and its comment tip
// (ZYL3_HELPCOMMENT), driven through the host as a help file drives them.
// The bullet files are written by zyllist from their texts and stored in a
// help file by zylpack, as an author makes them. Hover steps are asked for
// by hand (the cursor put on an item, then WM_MOUSEMOVE or WM_TIMER).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/contexthash.h"
#include "wine_support.h"
#include "host.h"
#include "zyl3an32.h"

namespace {

using namespace zyltest;

constexpr COLORREF kHostBack = RGB(240, 240, 200);
constexpr DWORD kHostBackPixel = 0xF0F0C8;
constexpr DWORD kGreen = 0x008000, kBlack = 0x000000, kBlue = 0x0000FF, kYellow = 0xFFFFE0;
// Three words of which no two fit on one line of the tip (checked below).
const char kWord[] = "Wwwwwwwwww";
const std::string kThreeLines = std::string(kWord) + " " + kWord + " " + kWord;

// The texts of the lists, compiled by zyllist.
const std::pair<const char*, std::string> kLists[] = {
    {"plain", "bullet list\n"
              "Introduction | A short note | intro\n"
              "Glossary of terms | | glossary\n"
              "Heading only | |\n"
              "Steps | " + kThreeLines + " | steps\n"},
    {"main", "bullet list\nstyle black\nwindow main\nOne | | one\nTwo | | two\n"},
    {"popup", "bullet list\nstyle underline\nwindow popup\nA popup item | | note\n"},
    {"fancy", "bullet list\nstyle colour bold italic\ncolour 0000FF\nfont Arial, 12\nBlue words | | intro\n"},
};

std::string LongList() {
    std::string text = "bullet list\n";
    for (int i = 1; i <= 20; ++i) text += "Item " + std::to_string(i) + " | Comment " + std::to_string(i) + " | t" + std::to_string(i) + "\n";
    return text;
}

// A bullet file by hand: `count` in its header, `items` items, optionally
// without its final byte.
Bytes Malformed(int count, int items) {
    Bytes b = {static_cast<std::uint8_t>(count), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < items; ++i) b.insert(b.end(), {'x', 0, 0, 1, 0, 0, 0});
    b.push_back(0);
    return b;
}

// The lists compiled by zyllist and the malformed files, in bullets.hlp.
const AuthoredHelpFile& Shared() {
    static std::unique_ptr<AuthoredHelpFile> made = [] {
        std::vector<std::pair<std::string, std::string>> lists;
        for (const auto& list : kLists) lists.emplace_back(list.first + std::string(".bul"), list.second);
        lists.emplace_back("long.bul", LongList());
        return AuthorHelpFile("bullets.hlp", lists, {{"fewer.bul", Malformed(3, 2)}});
    }();
    return *made;
}

// The list font's measures, taken as the list takes them: lines are at
// least 12 high.
struct Measured : FontMeasures {
    int lineHeight = 0;
};
Measured Measure(const std::vector<std::string>& texts, int height = 16, int weight = 100, int italic = 0,
                 const char* face = "MS Sans Serif") {
    Measured m;
    static_cast<FontMeasures&>(m) = MeasureFont(face, height, weight, texts, italic);
    m.lineHeight = std::max(m.charHeight, 12);
    return m;
}

// The tip's windows shown now: body (150 wide) and pointer.
struct Tip {
    HWND body = nullptr, pointer = nullptr;
};
BOOL CALLBACK FindTip(HWND w, LPARAM param) {
    char cls[32] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpA(cls, "ZYL3_HELPCOMMENT") == 0 && IsWindowVisible(w))
        (WindowSize(w).cx == 150 ? reinterpret_cast<Tip*>(param)->body : reinterpret_cast<Tip*>(param)->pointer) = w;
    return TRUE;
}
Tip ShownTip() {
    Tip tip;
    EnumThreadWindows(GetCurrentThreadId(), FindTip, reinterpret_cast<LPARAM>(&tip));
    return tip;
}

RECT ScreenRect(HWND w) {
    RECT rc;
    GetWindowRect(w, &rc);
    return rc;
}

class BulletLists : public EmbeddingTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(Shared().failure.empty()) << Shared().failure;
        Start(kHostBack, Shared().help);
        Topmost(300, 40);   // room on the left for the tips
    }
    HWND List(const std::string& data) { return Embed("ZYL3_ANIMBULLET32", data); }
    // Puts the cursor on the text of item `index` (1-based) and has the
    // list look; the list's line height and scroll position decide where.
    static void Hover(HWND w, int index, int lineHeight, int scrolled = 0, UINT msg = WM_MOUSEMOVE) {
        POINT p = {30, 1 - scrolled + (index - 1) * (lineHeight + 1) + lineHeight / 2};
        ClientToScreen(w, &p);
        SetCursorPos(p.x, p.y);
        SendMessageA(w, msg, 0, 0);
    }
    static void Away(HWND w) {
        SetCursorPos(1000, 5);
        SendMessageA(w, WM_TIMER, 1, 0);
    }
    // The API calls a click on the hovered item makes.
    std::vector<zylhost::ApiCall> Click(HWND w) {
        host->ClearApiLog();
        SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        return host->ApiLog();
    }
    HCURSOR CursorAfterSetCursor(HWND w) {
        SetCursor(nullptr);
        EXPECT_EQ(SendMessageA(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 1);
        return GetCursor();
    }
};

// Sizes, scroll ranges and steps for every flag are the layout's matter,
// tested natively; here the window takes the layout of its measured font,
// and its scroll bar moves the items it hit-tests.
TEST_F(BulletLists, TheWindowTakesItsLayoutAndScrolls) {
    const Measured m = Measure({"Introduction", "Glossary of terms", "Heading only", "Steps"});
    HWND w = List("plain.bul;300;30;0");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(WindowSize(w).cx, m.widest + 26) << "without flag 2 the list takes its content's size";
    EXPECT_EQ(WindowSize(w).cy, 4 * (m.lineHeight + 1) + 1);
    EXPECT_FALSE(GetWindowLongPtrA(w, GWL_STYLE) & (WS_VSCROLL | WS_BORDER));
    EXPECT_EQ(wtest::RenderText(w), "[Bulleted list]");

    const Measured items = Measure({"Item 20"});
    HWND s = List("long.bul;0;60;2");
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(GetWindowLongPtrA(s, GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(WindowSize(s).cx, items.widest + 26 + GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(WindowSize(s).cy, 60);
    int low = -1, high = -1;
    GetScrollRange(s, SB_VERT, &low, &high);
    EXPECT_EQ(high, 20 * (items.lineHeight + 1) + 1 - 60);
    SendMessageA(s, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(GetScrollPos(s, SB_VERT), items.lineHeight + 1) << "a line step";
    // Scrolled to the top by two lines, the first line shows item 3.
    SendMessageA(s, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 2 * (items.lineHeight + 1)), 0);
    Hover(s, 3, items.lineHeight, 2 * (items.lineHeight + 1));
    const auto calls = Click(s);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].value, static_cast<LONG_PTR>(zyl::ContextHash("t3")));
}

TEST_F(BulletLists, StyleBitsChooseColourAndFont) {
    HWND green = List("plain.bul;0;0;0"), black = List("main.bul;0;0;0"), blue = List("fancy.bul;0;0;0");
    ASSERT_TRUE(green && black && blue);
    RedrawWindow(host->TopicRegion(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Picture px = WindowPixels(green);
    EXPECT_GT(CountOf(px, kGreen), 20u);
    EXPECT_EQ(CountOf(px, kBlack), 0u);
    EXPECT_GT(CountOf(px, kHostBackPixel), px.rgb.size() / 2) << "the region's colour";
    px = WindowPixels(black);
    EXPECT_GT(CountOf(px, kBlack), 20u);
    EXPECT_EQ(CountOf(px, kGreen), 0u);
    px = WindowPixels(blue);
    EXPECT_GT(CountOf(px, kBlue), 20u);
    // Arial at twice the file's size, bold and italic: the window is as wide as that text.
    EXPECT_EQ(WindowSize(blue).cx, Measure({"Blue words"}, 24, 700, 1, "Arial").widest + 26);
    EXPECT_EQ(WindowSize(blue).cy, Measure({"Blue words"}, 24, 700, 1, "Arial").lineHeight + 2);

    // Green, underlined, window "popup": the underline breaks into dots.
    HWND dotted = List("popup.bul;0;0;0");
    ASSERT_NE(dotted, nullptr);
    RedrawWindow(dotted, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const Measured m = Measure({"A popup item"});
    px = WindowPixels(dotted);
    // The underline: the row with the most green past the text's start.
    int y = 0, most = 0;
    for (int row = 1; row <= m.lineHeight; ++row) {
        int green = 0;
        for (int x = 24; x < 24 + m.widest; ++x) green += px.at(x, row) == kGreen;
        if (green > most) most = green, y = row;
    }
    ASSERT_GT(most, m.widest / 3) << "an underline";
    auto at = [&](int x) { return px.at(x, y); };
    for (int x = 26; x + 3 < 24 + m.widest; x += 4) {
        EXPECT_EQ(at(x), kHostBackPixel) << x;
        EXPECT_EQ(at(x + 1), kHostBackPixel) << x;
        EXPECT_EQ(at(x + 2), kGreen) << x << ": the underline between the gaps";
    }
}

TEST_F(BulletLists, ClicksJumpOrPopUpThroughTheHost) {
    const Measured m = Measure({"x"});
    const std::string help = Shared().help;
    HWND plain = List("plain.bul;0;0;0"), main = List("main.bul;0;0;0"), popup = List("popup.bul;0;0;0"),
         forced = List("main.bul;0;0;4");
    ASSERT_TRUE(plain && main && popup && forced);
    struct Case {
        HWND w;
        int item;
        unsigned command;
        std::string file;
        const char* context;
    } cases[] = {
        {plain, 1, ZYL_API_JUMP_HASH, help, "intro"},
        {main, 2, ZYL_API_JUMP_HASH, help + ">main", "two"},
        {popup, 1, ZYL_API_POPUP_HASH, help, "note"},
        {forced, 1, ZYL_API_POPUP_HASH, help, "one"},
    };
    for (const Case& c : cases) {
        Hover(c.w, c.item, m.lineHeight);
        const auto calls = Click(c.w);
        ASSERT_EQ(calls.size(), 1u) << c.context;
        EXPECT_EQ(calls[0].command, c.command) << c.context;
        EXPECT_EQ(calls[0].helpFile, c.file) << c.context;
        EXPECT_EQ(calls[0].value, static_cast<LONG_PTR>(zyl::ContextHash(c.context)));
    }
    // An item with a topic shows the hand; one without (hash 0) the arrow
    // and does nothing; so does the bullet beside a text.
    const HCURSOR hand = LoadCursorA(module, MAKEINTRESOURCEA(8000)), arrow = LoadCursorA(nullptr, IDC_ARROW);
    Hover(plain, 1, m.lineHeight);
    EXPECT_EQ(CursorAfterSetCursor(plain), hand);
    Hover(plain, 3, m.lineHeight);
    EXPECT_EQ(CursorAfterSetCursor(plain), arrow);
    EXPECT_TRUE(Click(plain).empty());
    POINT bullet = {10, 1 + m.lineHeight / 2};
    ClientToScreen(plain, &bullet);
    SetCursorPos(bullet.x, bullet.y);
    EXPECT_EQ(CursorAfterSetCursor(plain), arrow);
    EXPECT_TRUE(Click(plain).empty());
}

TEST_F(BulletLists, HoverShowsTheTipBesideTheItem) {
    const Measured m = Measure({"x"});
    HWND w = List("plain.bul;0;0;0");
    ASSERT_NE(w, nullptr);
    const int tipChar = Measure({"x"}, 14).charHeight;   // the module's 14-pixel font
    ASSERT_LT(Measure({kWord}, 14).widest, 146);
    ASSERT_GE(Measure({std::string(kWord) + " " + kWord}, 14).widest, 146);
    Hover(w, 1, m.lineHeight);
    Tip tip = ShownTip();
    ASSERT_TRUE(tip.body && tip.pointer);
    POINT origin = {0, 0};
    ClientToScreen(w, &origin);
    const RECT body = ScreenRect(tip.body), pointer = ScreenRect(tip.pointer);
    EXPECT_EQ(body.right - body.left, 150);
    EXPECT_EQ(body.bottom - body.top, 29) << "one line";
    EXPECT_EQ(body.left, origin.x - 169);
    EXPECT_EQ(pointer.left, body.left + 149);
    EXPECT_EQ(pointer.right - pointer.left, 20);
    EXPECT_EQ(pointer.bottom - pointer.top, 9);
    EXPECT_EQ(pointer.top, origin.y + 1 + (m.lineHeight + 1) / 2) << "pointing at the item's middle";
    EXPECT_NE(GetActiveWindow(), tip.body) << "a tip never takes the focus";
    EXPECT_NE(GetActiveWindow(), tip.pointer);
    int width = 0, height = 0;
    std::vector<DWORD> px = host->CapturePixels(tip.body, &width, &height);
    ASSERT_EQ(height, 29);
    EXPECT_EQ(px[static_cast<std::size_t>(height - 3) * width + 5], kYellow) << "the balloon's colour";
    EXPECT_TRUE(IsDark(px[static_cast<std::size_t>(height - 1) * width + 50])) << "its outline";
    px = host->CapturePixels(tip.pointer, &width, &height);
    EXPECT_EQ(px[2 * width + 2], kYellow) << "the wedge";
    EXPECT_EQ(px[8 * width + 18], kHostBackPixel) << "the list's background around it";

    Hover(w, 4, m.lineHeight);
    tip = ShownTip();
    ASSERT_TRUE(tip.body);
    EXPECT_EQ(WindowSize(tip.body).cy, 3 + 3 * (tipChar + 1) + 2) << "three lines";

    Hover(w, 2, m.lineHeight);
    EXPECT_FALSE(ShownTip().body) << "an item without a comment hides the tip";
    Hover(w, 1, m.lineHeight);
    EXPECT_TRUE(ShownTip().body);
    Away(w);
    EXPECT_FALSE(ShownTip().body) << "leaving the list hides it within a tick";

    // Near the screen's bottom the body moves up; the pointer stays on the item.
    const int screen = GetSystemMetrics(SM_CYSCREEN);
    RECT frame;
    GetWindowRect(host->MainFrame(), &frame);
    origin = POINT{0, 0};
    ClientToScreen(w, &origin);
    const int itemTop = 1 + 3 * (m.lineHeight + 1);   // item 4
    SetWindowPos(host->MainFrame(), nullptr, frame.left, frame.top + (screen - 20) - (origin.y + itemTop), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    origin = POINT{0, 0};
    ClientToScreen(w, &origin);
    ASSERT_EQ(origin.y + itemTop, screen - 20);
    Hover(w, 4, m.lineHeight);
    tip = ShownTip();
    ASSERT_TRUE(tip.body && tip.pointer);
    EXPECT_EQ(ScreenRect(tip.body).bottom, screen - 2);
    EXPECT_EQ(ScreenRect(tip.pointer).top, screen - 20 + (m.lineHeight + 1) / 2);
}

TEST_F(BulletLists, TheToolsFileShowsEveryItem) {
    // long.bul: 20 items, from its text through zyllist and zylpack.
    const Measured m = Measure({"Item 20"});
    HWND w = List("long.bul;0;0;0");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(WindowSize(w).cy, 20 * (m.lineHeight + 1) + 1);
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const Picture px = WindowPixels(w);
    for (int i = 0; i < 20; ++i) {
        int text = 0;
        for (int y = 1 + i * (m.lineHeight + 1); y < (i + 1) * (m.lineHeight + 1); ++y)
            for (int x = 24; x < px.width; ++x) text += px.at(x, y) == kGreen;
        EXPECT_GT(text, 5) << "item " << i + 1;
    }
}

// Which files and parameter strings are refused is the parser's matter;
// here a malformed or missing file shows its error and answers neither
// mouse nor scroll.
TEST_F(BulletLists, AMalformedOrMissingFileIsTheErrorState) {
    for (const char* data : {"fewer.bul;0;0;0", "missing.bul;0;0;0"}) {
        HWND w = List(data);
        ASSERT_NE(w, nullptr) << data;
        EXPECT_EQ(wtest::RenderText(w), "Missing or corrupted bullet file") << data;
        Hover(w, 1, 16);
        SendMessageA(w, WM_VSCROLL, SB_LINEDOWN, 0);
        EXPECT_TRUE(Click(w).empty()) << data;
    }
}

TEST_F(BulletLists, PrintAndCopy) {
    ASSERT_NE(List("long.bul;0;60;3"), nullptr);
    host->SetPrinterDpi(300);
    ASSERT_TRUE(host->Print());
    ASSERT_EQ(host->LastPrint().size(), 1u);
    const auto& p = host->LastPrint()[0];
    ASSERT_EQ(p.width, p.size.x);
    ASSERT_EQ(p.height, p.size.y);
    auto at = [&](int x, int y) { return p.pixels[static_cast<std::size_t>(y) * p.width + x]; };
    EXPECT_TRUE(IsDark(at(p.width / 2, 0)) && IsDark(at(0, p.height / 2))) << "the border";
    int dark = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 24 * 300 / 96; x < p.width / 2; ++x) dark += IsDark(at(x, y));
    EXPECT_GT(dark, 50) << "the items' text";
    EXPECT_TRUE(IsDark(at(p.width - 4 * 300 / 96, 8 * 300 / 96))) << "the scroll-up button's arrow";
    EXPECT_NE(host->CopyTopic().find("[Bulleted list]"), std::string::npos);
}

using BulletLeaks = BulletLists;

TEST_F(BulletLeaks, TwoThousandListsWithTipsLeaveNothingBehind) {
    HDC printer = host->CreatePrinterDC();
    ASSERT_NE(printer, nullptr);
    const int lineHeight = Measure({"x"}).lineHeight;
    // One list's life: created, hovered (a tip), ticked, scrolled, left
    // (the tip hides), copied, sometimes printed, destroyed.
    auto cycle = [&](int i) {
        HWND w = List(i % 10 == 9 ? "fewer.bul;0;0;0" : "long.bul;0;60;2");
        if (!w) return false;
        Hover(w, 1, lineHeight);
        SendMessageA(w, WM_TIMER, 1, 0);
        SendMessageA(w, WM_VSCROLL, SB_LINEDOWN, 0);
        Away(w);
        SendMessageA(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        if (HGLOBAL text = reinterpret_cast<HGLOBAL>(SendMessageA(w, EWM_RENDER, EWRENDER_TEXT, 0))) GlobalFree(text);
        if (i % 10 == 0 || i % 10 == 9) RenderPicture(w, printer);
        return DestroyWindow(w) != FALSE;
    };
    EXPECT_EQ(LeakOver(20, 2000, cycle), "");
    DeleteDC(printer);
}

}  // namespace
