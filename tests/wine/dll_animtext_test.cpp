// The animated text (ZYL3_ANIMATETEXT32) driven through the host as a help
// file drives it. Ticks are sent as the timer sends them; what the window
// shows is read back from its own DC and compared with the line drawn here
// in the same font, at the place the reveal puts it.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "dll_picture_support.h"
#include "dll_test.h"
#include "host.h"
#include "zyl3an32.h"

namespace {

using namespace pictest;

constexpr DWORD kWhite = 0xFFFFFF;
constexpr int kTile = 16;
DWORD TileAt(int x, int y) { return static_cast<DWORD>((x * 16) << 16 | (y * 16) << 8 | 0x40); }

const ScratchHelp& Shared() {
    static const std::unique_ptr<ScratchHelp> data =
        WriteScratchHelp("text.hlp", {{"tile.bmp", BmpFile(kTile, kTile, TileAt)}});
    return *data;
}

SIZE ClientSize(HWND w) {
    RECT rc;
    GetClientRect(w, &rc);
    return SIZE{rc.right, rc.bottom};
}

// The line as the control should show it: `shown` in the author's font and
// colour over `behind` (white when empty), right-aligned or from the left.
struct Line {
    const char* face;
    int size;
    bool bold;
    COLORREF colour;
};
std::vector<DWORD> Drawn(const Line& line, SIZE box, const std::string& shown, bool fromLeft,
                         const std::vector<DWORD>& behind = {}) {
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, box.cx, box.cy);
    HGDIOBJ oldBmp = SelectObject(mem, bmp);
    if (behind.empty()) {
        RECT all = {0, 0, box.cx, box.cy};
        FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    } else {
        BITMAPINFO bi = wtest::TopDown32(box.cx, box.cy);
        SetDIBitsToDevice(mem, 0, 0, box.cx, box.cy, 0, 0, 0, box.cy, behind.data(), &bi, DIB_RGB_COLORS);
    }
    HFONT font = CreateFontA(line.size, 0, 0, 0, line.bold ? 700 : 100, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, line.face);
    HGDIOBJ oldFont = SelectObject(mem, font);
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(mem, shown.c_str(), static_cast<int>(shown.size()), &extent);
    SetTextColor(mem, line.colour);
    SetBkMode(mem, TRANSPARENT);
    ExtTextOutA(mem, fromLeft ? 1 : box.cx - 1 - extent.cx, 1, 0, nullptr, shown.c_str(),
                static_cast<UINT>(shown.size()), nullptr);
    SelectObject(mem, oldFont);
    DeleteObject(font);
    SelectObject(mem, oldBmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    int w = 0, h = 0;
    std::vector<DWORD> px = BitmapPixels(bmp, &w, &h);
    DeleteObject(bmp);
    return px;
}

SIZE LineBox(const Line& line, const std::string& text) {
    HDC screen = GetDC(nullptr);
    HFONT font = CreateFontA(line.size, 0, 0, 0, line.bold ? 700 : 100, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, line.face);
    HGDIOBJ old = SelectObject(screen, font);
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(screen, text.c_str(), static_cast<int>(text.size()), &extent);
    DeleteObject(SelectObject(screen, old));
    ReleaseDC(nullptr, screen);
    return SIZE{extent.cx + 2, extent.cy + 2};
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
        ASSERT_TRUE(Shared().failure.empty()) << Shared().failure;
        host = HostShowingScript(kWhite, Shared().help, kDecoratedTopicScript);
        ASSERT_TRUE(host) << ModulePath();
        host->PumpUntilIdle();
    }
    void TearDown() override {
        if (host) host->Shutdown();
    }
    HWND Text(const std::string& data) {
        return host->CreateEmbedded(host->TopicRegion(), {'l', "ZYL3AN32.DLL", "ZYL3_ANIMATETEXT32", data});
    }
    void Macro(const std::string& text) {
        host->ExecuteMacro(Shared().help.c_str(), text.c_str());
        for (const auto& line : host->MacroLog()) EXPECT_EQ(line.text.find("error"), std::string::npos) << line.text;
    }
    static void Tick(HWND w) { SendMessageA(w, WM_TIMER, 1, 0); }
    static std::vector<DWORD> Pixels(HWND w, bool repaint) {
        if (repaint) RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        int width = 0, height = 0;
        return WindowPixels(w, &width, &height);
    }

    std::unique_ptr<zylhost::Host> host;
};

TEST_F(AnimText, TheLineTypesItselfInThenTheTimerStops) {
    const Line line = {"Arial", 24, true, 0xFF0000};
    const std::string text = "Welcome";
    for (const int flags : {1, 5}) {
        const bool fromLeft = flags & 4;
        HWND w = Text(text + ";Arial;24;FF0000;100;" + std::to_string(flags));
        ASSERT_NE(w, nullptr);
        const SIZE box = LineBox(line, text);
        ASSERT_EQ(ClientSize(w).cx, box.cx);
        ASSERT_EQ(ClientSize(w).cy, box.cy);
        EXPECT_EQ(Pixels(w, true), Drawn(line, box, fromLeft ? "e" : "W", fromLeft)) << flags;
        for (std::size_t n = 2; n <= text.size(); ++n) {
            Tick(w);
            const std::string shown = fromLeft ? text.substr(text.size() - n) : text.substr(0, n);
            EXPECT_EQ(Pixels(w, false), Drawn(line, box, shown, fromLeft)) << shown << " drawn by the tick";
            EXPECT_EQ(Pixels(w, true), Drawn(line, box, shown, fromLeft)) << shown << " painted";
        }
        Tick(w);
        EXPECT_FALSE(KillTimer(w, 1)) << "the whole line stops the timer";
        EXPECT_EQ(Pixels(w, true), Drawn(line, box, text, fromLeft));
        EXPECT_EQ(wtest::RenderText(w), "");
        DestroyWindow(w);
    }
    // A timer runs until then; with no period there is none, and the whole
    // line shows at once.
    HWND running = Text("Hello;Arial;12;0;100000;0");
    EXPECT_TRUE(KillTimer(running, 1));
    HWND still = Text("Hello;Arial;-12;0;0;0");
    EXPECT_FALSE(KillTimer(still, 1));
    const Line black = {"Arial", -12, false, 0};
    EXPECT_EQ(Pixels(still, true), Drawn(black, LineBox(black, "Hello"), "Hello", false));
}

TEST_F(AnimText, ErrorsGiveTheirTexts) {
    EXPECT_EQ(wtest::RenderText(Text("Welcome;Arial;0;FF0000;100;1")), "Bad font size specified");
    EXPECT_EQ(wtest::RenderText(Text("Welcome;Arial;x;FF0000;100;1")), "Bad font size specified");
    EXPECT_EQ(wtest::RenderText(Text("Welcome;Arial;24;FF0000;100")), "Syntax error in parameters");
    HWND w = Text("Welcome;Arial;24;FF0000;100;1");
    EXPECT_EQ(GetWindowLongA(w, GWL_STYLE) & WS_BORDER, 0);
}

TEST_F(AnimText, SeeThroughTextShowsTheRegionAroundItsGlyphs) {
    Macro("ZylSPC(`', 0xA0A0A0, 0x30C030)");
    Macro("ZylWatermark(`', `tile.bmp', 0x20)");
    HWND region = host->TopicRegion();
    int rw = 0, rh = 0;
    RedrawWindow(region, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const std::vector<DWORD> regionPx = WindowPixels(region, &rw, &rh);
    const Line line = {"Arial", 20, false, 0x0000FF};
    HWND w = Text("Tiles;Arial;20;FF;100;8");
    ASSERT_NE(w, nullptr);
    POINT at = {0, 0};
    MapWindowPoints(w, region, &at, 1);
    const SIZE box = ClientSize(w);
    ASSERT_LE(at.x + box.cx, rw);
    std::vector<DWORD> behind;
    for (int y = 0; y < box.cy; ++y)
        for (int x = 0; x < box.cx; ++x) behind.push_back(regionPx[(at.y + y) * rw + at.x + x]);
    ASSERT_NE(Uniform(behind), behind[0]) << "a textured background";
    EXPECT_EQ(Pixels(w, true), Drawn(line, box, "T", false, behind));
    Tick(w);
    Tick(w);
    EXPECT_EQ(Pixels(w, true), Drawn(line, box, "Til", false, behind));
}

TEST_F(AnimText, PrintAndCopyGiveTheWholeLineBlackOnWhite) {
    HWND w = Text("Print me;Arial;16;FF;100;13");
    ASSERT_NE(w, nullptr);
    const Line black = {"Arial", 16, true, 0};
    const SIZE screen = ClientSize(w);
    const std::vector<DWORD> whole = Drawn(black, screen, "Print me", true);
    HDC dc = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(dc, LOGPIXELSX), dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    const Line shown = {"Arial", 16, true, 0x0000FF};
    ASSERT_EQ(Pixels(w, true), Drawn(shown, screen, "e", true));
    host->SetPrinterDpi(300);
    g_ticked = w;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, TickWhilePrinting, nullptr, GetCurrentThreadId());
    const bool printed = host->Print();
    UnhookWindowsHookEx(hook);
    ASSERT_TRUE(printed);
    EXPECT_EQ(g_ticked, nullptr) << "ticked during the print";
    EXPECT_EQ(Pixels(w, true), Drawn(shown, screen, "e", true)) << "a tick while printing changes nothing";
    Tick(w);
    EXPECT_EQ(Pixels(w, true), Drawn(shown, screen, "me", true)) << "the count goes on after printing";
    ASSERT_EQ(host->LastPrint().size(), 1u);
    const auto& p = host->LastPrint()[0];
    EXPECT_EQ(p.size.x, screen.cx * 300 / dpiX);
    EXPECT_EQ(p.size.y, screen.cy * 300 / dpiY);
    ASSERT_EQ(p.width, p.size.x);
    ASSERT_EQ(p.height, p.size.y);
    int differ = 0;
    for (int y = 0; y < screen.cy; ++y)
        for (int x = 0; x < screen.cx; ++x) {
            const std::size_t at = static_cast<std::size_t>((2 * y + 1) * p.height / (2 * screen.cy)) * p.width +
                                   (2 * x + 1) * p.width / (2 * screen.cx);
            differ += p.pixels[at] != whole[static_cast<std::size_t>(y) * screen.cx + x];
        }
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(host->CopyTopic().find("Print me"), std::string::npos) << "a working line copies as nothing";
}

TEST_F(AnimText, TwoThousandLivesLeaveNoObjectBehind) {
    auto cycle = [&](int i) {
        HWND w = Text(i % 2 ? "Leaks;Arial;14;FF;100;9" : "Leaks;Arial;14;FF;100;4");
        for (int t = 0; t < 3; ++t) Tick(w);
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return DestroyWindow(w) != FALSE;
    };
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(cycle(i));
    const int gdi = wtest::GdiRoom(), user = wtest::UserRoom();
    for (int i = 0; i < 2000; ++i) ASSERT_TRUE(cycle(i)) << i;
    host->PumpUntilIdle();
    EXPECT_EQ(wtest::GdiRoom(), gdi) << "GDI objects leaked";
    EXPECT_EQ(wtest::UserRoom(), user) << "USER objects leaked";
}

}  // namespace
