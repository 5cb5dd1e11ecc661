// The animated text (ZYL3_ANIMATETEXT32) driven through the host as a help
// file drives it. Ticks are sent as the timer sends them; what the window
// shows is read back from its own DC and compared with the line drawn here
// in the same font, at the place the reveal puts it.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "host.h"
#include "wine_support.h"
#include "zyl3an32.h"

namespace {

using namespace zyltest;

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr int kTile = 16;
std::uint32_t TileAt(int x, int y) { return static_cast<std::uint32_t>((x * 16) << 16 | (y * 16) << 8 | 0x40); }

// text.hlp, holding a tile for the region; "" when it could not be written.
std::string HelpPath() {
    static Scratch scratch;
    static const bool written =
        scratch.Write("text.hlp", HelpFile({{"tile.bmp", Bmp24(Picture::Painted(kTile, kTile, TileAt))}}));
    return written ? scratch / "text.hlp" : std::string();
}

// The line as the control should show it: `shown` in the author's font and
// colour over `behind` (white when empty), right-aligned or from the left.
struct Line {
    const char* face;
    int size;
    bool bold;
    COLORREF colour;
    HFONT Font() const {
        return CreateFontA(size, 0, 0, 0, bold ? 700 : 100, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
    }
};
Picture Drawn(const Line& line, SIZE box, const std::string& shown, bool fromLeft, const Picture& behind = {}) {
    HBITMAP bmp = MakeBitmap(behind.width ? behind : Picture::Solid(box.cx, box.cy, kWhite));
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBmp = SelectObject(mem, bmp);
    HGDIOBJ oldFont = SelectObject(mem, line.Font());
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(mem, shown.c_str(), static_cast<int>(shown.size()), &extent);
    SetTextColor(mem, line.colour);
    SetBkMode(mem, TRANSPARENT);
    ExtTextOutA(mem, fromLeft ? 1 : box.cx - 1 - extent.cx, 1, 0, nullptr, shown.c_str(),
                static_cast<UINT>(shown.size()), nullptr);
    DeleteObject(SelectObject(mem, oldFont));
    SelectObject(mem, oldBmp);
    DeleteDC(mem);
    Picture px = BitmapPixels(bmp);
    DeleteObject(bmp);
    return px;
}

SIZE LineBox(const Line& line, const std::string& text) {
    const FontMeasures font = MeasureFont(line.face, line.size, line.bold ? 700 : 100, {text});
    return SIZE{font.widest + 2, font.charHeight + 2};
}

// While the host prints, a tick sent to the window on the screen (from the
// print's first render request).
HWND g_ticked = nullptr;
LRESULT CALLBACK TickWhilePrinting(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code >= 0 && m->message == EWM_RENDER && g_ticked) {
        SendMessageA(g_ticked, WM_TIMER, 1, 0);
        g_ticked = nullptr;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class AnimText : public ::testing::Test {
protected:
    void SetUp() override {
        help = HelpPath();
        ASSERT_FALSE(help.empty());
        host = HostShowingScript(kWhite, help,
                                 ".startup RR(`ZYL3AN32.DLL', `ZylWatermark', `SSU');"
                                 "RR(`ZYL3AN32.DLL', `ZylSPC', `SUU')\n.topic empty\n");
        ASSERT_TRUE(host) << ModulePath();
    }
    void TearDown() override {
        if (host) host->Shutdown();
    }
    HWND Text(const std::string& data) {
        return host->CreateEmbedded(host->TopicRegion(), {'l', "ZYL3AN32.DLL", "ZYL3_ANIMATETEXT32", data});
    }
    void Macro(const std::string& text) {
        host->ExecuteMacro(help.c_str(), text.c_str());
        for (const auto& line : host->MacroLog()) EXPECT_EQ(line.text.find("error"), std::string::npos) << line.text;
    }
    static void Tick(HWND w) { SendMessageA(w, WM_TIMER, 1, 0); }
    // What the window shows, after a full repaint when `repaint`; compared
    // with `expected`: "" when they agree.
    static std::string Shows(HWND w, bool repaint, const Picture& expected) {
        if (repaint) RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return Difference(WindowPixels(w), expected);
    }

    std::string help;
    std::unique_ptr<zylhost::Host> host;
};

TEST_F(AnimText, TheLineTypesItselfInThenTheTimerStopsOrGivesItsError) {
    const Line line = {"Arial", 24, true, 0xFF0000};
    const std::string text = "Welcome";
    for (const int flags : {1, 5}) {
        const bool fromLeft = flags & 4;
        HWND w = Text(text + ";Arial;24;FF0000;100;" + std::to_string(flags));
        ASSERT_NE(w, nullptr);
        const SIZE box = LineBox(line, text);
        EXPECT_EQ(Shows(w, true, Drawn(line, box, fromLeft ? "e" : "W", fromLeft)), "") << flags;
        for (std::size_t n = 2; n <= text.size(); ++n) {
            Tick(w);
            const std::string shown = fromLeft ? text.substr(text.size() - n) : text.substr(0, n);
            EXPECT_EQ(Shows(w, false, Drawn(line, box, shown, fromLeft)), "") << shown << " drawn by the tick";
        }
        Tick(w);
        EXPECT_FALSE(KillTimer(w, 1)) << "the whole line stops the timer";
        EXPECT_EQ(Shows(w, true, Drawn(line, box, text, fromLeft)), "");
        EXPECT_EQ(RenderText(w), "");
        DestroyWindow(w);
    }
    // A timer runs until then; with no period there is none, and the whole
    // line shows at once.
    HWND running = Text("Hello;Arial;12;0;100000;0");
    EXPECT_TRUE(KillTimer(running, 1));
    HWND still = Text("Hello;Arial;-12;0;0;0");
    EXPECT_FALSE(KillTimer(still, 1));
    const Line black = {"Arial", -12, false, 0};
    EXPECT_EQ(Shows(still, true, Drawn(black, LineBox(black, "Hello"), "Hello", false)), "");
    EXPECT_EQ(RenderText(Text("Welcome;Arial;0;FF0000;100;1")), "Bad font size specified");
}

TEST_F(AnimText, SeeThroughTextShowsTheRegionAroundItsGlyphs) {
    Macro("ZylSPC(`', 0xA0A0A0, 0x30C030)");
    Macro("ZylWatermark(`', `tile.bmp', 0x20)");
    HWND region = host->TopicRegion();
    RedrawWindow(region, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const Picture regionPx = WindowPixels(region);
    const Line line = {"Arial", 20, false, 0x0000FF};
    HWND w = Text("Tiles;Arial;20;FF;100;8");
    ASSERT_NE(w, nullptr);
    POINT at = {0, 0};
    MapWindowPoints(w, region, &at, 1);
    const SIZE box = ClientSize(w);
    ASSERT_LE(at.x + box.cx, regionPx.width);
    const Picture behind =
        Picture::Painted(box.cx, box.cy, [&](int x, int y) { return regionPx.at(at.x + x, at.y + y); });
    ASSERT_EQ(Uniform(behind), 0xFFFFFFFFu) << "a textured background";
    EXPECT_EQ(Shows(w, true, Drawn(line, box, "T", false, behind)), "");
    Tick(w);
    Tick(w);
    EXPECT_EQ(Shows(w, true, Drawn(line, box, "Til", false, behind)), "");
}

TEST_F(AnimText, PrintAndCopyGiveTheWholeLineBlackOnWhite) {
    HWND w = Text("Print me;Arial;16;FF;100;13");
    ASSERT_NE(w, nullptr);
    const Line black = {"Arial", 16, true, 0};
    const SIZE screen = ClientSize(w);
    const Picture whole = Drawn(black, screen, "Print me", true);
    const Line shown = {"Arial", 16, true, 0x0000FF};
    ASSERT_EQ(Shows(w, true, Drawn(shown, screen, "e", true)), "");
    host->SetPrinterDpi(300);
    g_ticked = w;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, TickWhilePrinting, nullptr, GetCurrentThreadId());
    const bool printed = host->Print();
    UnhookWindowsHookEx(hook);
    ASSERT_TRUE(printed);
    EXPECT_EQ(g_ticked, nullptr) << "ticked during the print";
    EXPECT_EQ(Shows(w, true, Drawn(shown, screen, "e", true)), "") << "a tick while printing changes nothing";
    Tick(w);
    EXPECT_EQ(Shows(w, true, Drawn(shown, screen, "me", true)), "") << "the count goes on after printing";
    ASSERT_EQ(host->LastPrint().size(), 1u);
    const auto& info = host->LastPrint()[0];
    const Picture p = Printed(info);
    ASSERT_EQ(p.width, info.size.x);
    ASSERT_EQ(p.height, info.size.y);
    // Each screen pixel's middle in the print.
    const Picture sampled = Picture::Painted(screen.cx, screen.cy, [&](int x, int y) {
        return p.at((2 * x + 1) * p.width / (2 * screen.cx), (2 * y + 1) * p.height / (2 * screen.cy));
    });
    EXPECT_EQ(Difference(sampled, whole), "");
    EXPECT_EQ(host->CopyTopic().find("Print me"), std::string::npos) << "a working line copies as nothing";
}

TEST_F(AnimText, TwoThousandLivesLeaveNoObjectBehind) {
    auto cycle = [&](int i) {
        HWND w = Text(i % 2 ? "Leaks;Arial;14;FF;100;9" : "Leaks;Arial;14;FF;100;4");
        for (int t = 0; t < 3; ++t) Tick(w);
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return DestroyWindow(w) != FALSE;
    };
    EXPECT_EQ(LeakOver(10, 2000, cycle), "");
}

}  // namespace
