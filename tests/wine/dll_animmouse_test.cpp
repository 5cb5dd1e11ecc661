// The mouse-over button (ZYL3_ANIMMOUSE32) driven through the host as a
// help file drives it, over a tiled region. Mouse messages are sent as the
// platform sends them; pixels are read back from the window's own DC and
// compared with what the region paints behind it.
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

constexpr DWORD kWhite = 0xFFFFFF, kMagenta = 0xFF00FF;
constexpr DWORD kNormal = 0x0000C0, kHover = 0x00C000, kPressed = 0xC00000;
constexpr int kTile = 16, kPicture = 32;
DWORD TileAt(int x, int y) { return static_cast<DWORD>((x * 16) << 16 | (y * 16) << 8 | 0x40); }
DWORD Checks(int x, int y) { return (x / 4 + y / 4) % 2 ? 0 : kWhite; }

// mouse.hlp: a colour tile and a black and white one for the region, and
// three 32 x 32 pictures, each a
// square of its colour (8..23) on magenta.
const ScratchHelp& Shared() {
    static const std::unique_ptr<ScratchHelp> data = [] {
        auto square = [](DWORD colour) {
            return BmpFile(kPicture, kPicture, [colour](int x, int y) {
                return x >= 8 && x < 24 && y >= 8 && y < 24 ? colour : kMagenta;
            });
        };
        return WriteScratchHelp("mouse.hlp", {{"tile.bmp", BmpFile(kTile, kTile, TileAt)},
                                              {"checks.bmp", BmpFile(kTile, kTile, Checks)},
                                              {"n.bmp", square(kNormal)},
                                              {"h.bmp", square(kHover)},
                                              {"p.bmp", square(kPressed)}});
    }();
    return *data;
}

SIZE ClientSize(HWND w) {
    RECT rc;
    GetClientRect(w, &rc);
    return SIZE{rc.right, rc.bottom};
}

DWORD Rgb(COLORREF c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }

class MouseButtons : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Shared().failure.empty()) << Shared().failure;
        host = HostShowingScript(kWhite, Shared().help, kDecoratedTopicScript);
        ASSERT_TRUE(host) << ModulePath();
        Tile("tile.bmp");
    }
    // The region tiled with `picture`, its pixels read.
    void Tile(const char* picture) {
        host->ExecuteMacro(Shared().help.c_str(), (std::string("ZylWatermark(`', `") + picture + "', 0x20)").c_str());
        host->PumpUntilIdle();
        HWND region = host->TopicRegion();
        RedrawWindow(region, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        regionPx = WindowPixels(region, &regionWidth, &regionHeight);
    }
    void TearDown() override {
        if (host) host->Shutdown();
    }
    HWND Button(const std::string& data) {
        HWND w = host->CreateEmbedded(host->TopicRegion(), {'l', "ZYL3AN32.DLL", "ZYL3_ANIMMOUSE32", data});
        host->ClearApiLog();
        return w;
    }
    // What the region paints under the button's pixel (x, y).
    DWORD Behind(HWND w, int x, int y) const {
        POINT at = {x, y};
        MapWindowPoints(w, host->TopicRegion(), &at, 1);
        return regionPx.at(static_cast<std::size_t>(at.y) * regionWidth + at.x);
    }
    static std::vector<DWORD> Pixels(HWND w) {
        int width = 0, height = 0;
        return WindowPixels(w, &width, &height);
    }
    static DWORD At(const std::vector<DWORD>& px, HWND w, int x, int y) {
        return px.at(static_cast<std::size_t>(y) * ClientSize(w).cx + x);
    }
    static void Mouse(HWND w, UINT msg, int x, int y) { SendMessageA(w, msg, MK_LBUTTON, MAKELPARAM(x, y)); }
    std::vector<std::string> Macros() {
        host->PumpUntilIdle();
        std::vector<std::string> out;
        for (const auto& call : host->ApiLog()) out.push_back(call.text);
        host->ClearApiLog();
        return out;
    }
    // How many pixels differ from the region behind them, less those
    // `expected` accounts for.
    template <class Expected>
    int Differ(HWND w, Expected expected) const {
        const std::vector<DWORD> px = Pixels(w);
        const SIZE size = ClientSize(w);
        int differ = 0;
        for (int y = 0; y < size.cy; ++y)
            for (int x = 0; x < size.cx; ++x) differ += At(px, w, x, y) != expected(x, y);
        return differ;
    }

    std::unique_ptr<zylhost::Host> host;
    std::vector<DWORD> regionPx;
    int regionWidth = 0, regionHeight = 0;
};

using V = std::vector<std::string>;

TEST_F(MouseButtons, FlatButtonFramesAndTheMacroOnAReleaseInside) {
    HWND w = Button("60;20;;;;0;Next()");
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(ClientSize(w).cx, 60);
    ASSERT_EQ(ClientSize(w).cy, 20);
    auto behind = [&](int x, int y) { return Behind(w, x, y); };
    ASSERT_NE(behind(2, 2), behind(3, 3)) << "a textured region";
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(Differ(w, behind), 0) << "at rest only the region shows";

    const DWORD shadow = Rgb(GetSysColor(COLOR_BTNSHADOW));
    Mouse(w, WM_MOUSEMOVE, 5, 5);
    auto raised = [&](int x, int y) {
        if (x == 0 || y == 0 || (x == 1 && y <= 18) || (y == 1 && x <= 58)) return kWhite;
        if (x >= 58 || y >= 18) return shadow;
        return behind(x, y);
    };
    EXPECT_EQ(Differ(w, raised), 0) << "hovering: a raised frame";

    Mouse(w, WM_LBUTTONDOWN, 5, 5);
    EXPECT_EQ(GetCapture(), w);
    auto sunken = [&](int x, int y) {
        return x <= 1 || y <= 1 ? shadow : behind(x - 1, y - 1);
    };
    EXPECT_EQ(Differ(w, sunken), 0) << "pressed: a sunken frame, the background a pixel down and right";
    Mouse(w, WM_LBUTTONUP, 5, 5);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Macros(), V{"Next()"});
    EXPECT_EQ(Differ(w, raised), 0) << "released over it: hovering again";
    EXPECT_TRUE(KillTimer(w, 1001)) << "the hover timer watches for the mouse leaving";
    SetCursorPos(1000, 700);
    SendMessageA(w, WM_TIMER, 1001, 0);
    EXPECT_EQ(Differ(w, behind), 0);

    // Pressed, dragged out: raised again, and the release runs nothing.
    Mouse(w, WM_LBUTTONDOWN, 5, 5);
    Mouse(w, WM_MOUSEMOVE, 70, 5);
    EXPECT_EQ(Differ(w, raised), 0);
    Mouse(w, WM_LBUTTONUP, 70, 5);
    EXPECT_EQ(Macros(), V{});
    EXPECT_EQ(Differ(w, behind), 0);

    // The mouse leaves without a message: the hover timer notices.
    Mouse(w, WM_MOUSEMOVE, 5, 5);
    SetCursorPos(1000, 700);
    SendMessageA(w, WM_TIMER, 1001, 0);
    EXPECT_EQ(Differ(w, behind), 0);
    EXPECT_FALSE(KillTimer(w, 1001)) << "the hover timer stops with the hover";
}

TEST_F(MouseButtons, PicturesReplaceEachOtherTransparentOverTheRegion) {
    // Given 20 x 40 with a 32 x 32 picture: 32 x 40, the picture centred.
    HWND w = Button("20;40;n.bmp;h.bmp;p.bmp;7;Next()");
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(ClientSize(w).cx, 32);
    ASSERT_EQ(ClientSize(w).cy, 40);
    auto showing = [&](DWORD colour) {
        return [&, colour](int x, int y) {
            return x >= 8 && x < 24 && y >= 12 && y < 28 ? colour : Behind(w, x, y);
        };
    };
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(Differ(w, showing(kNormal)), 0);
    Mouse(w, WM_MOUSEMOVE, 3, 3);
    EXPECT_EQ(Differ(w, showing(kHover)), 0);
    Mouse(w, WM_LBUTTONDOWN, 3, 3);
    EXPECT_EQ(Differ(w, showing(kPressed)), 0);
    Mouse(w, WM_MOUSEMOVE, 40, 3);
    EXPECT_EQ(Differ(w, showing(kHover)), 0) << "pressed and dragged out";
    Mouse(w, WM_LBUTTONUP, 40, 3);
    EXPECT_EQ(Differ(w, showing(kNormal)), 0);
    EXPECT_EQ(Macros(), V{});

    // Without the transparency flags the magenta shows; with only a normal
    // picture hovering shows only the region.
    HWND opaque = Button("0;0;n.bmp;h.bmp;;0;");
    RedrawWindow(opaque, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(At(Pixels(opaque), opaque, 0, 0), kMagenta);
    HWND single = Button("0;0;n.bmp;;;1;");
    Mouse(single, WM_MOUSEMOVE, 3, 3);
    EXPECT_EQ(Differ(single, [&](int x, int y) { return Behind(single, x, y); }), 0);
}

TEST_F(MouseButtons, CursorTextAndErrors) {
    HWND w = Button("60;20;;;;0;Next()");
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    SetCursor(arrow);
    EXPECT_EQ(SendMessageA(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 1);
    EXPECT_NE(GetCursor(), arrow) << "the hand over a working button";
    EXPECT_EQ(wtest::RenderText(w), "[Button]");
    HWND bad = Button("1;2;n.bmp;h.bmp;p.bmp");
    EXPECT_EQ(wtest::RenderText(bad), "Syntax error in parameters");
    EXPECT_NE(GetWindowLongA(bad, GWL_STYLE) & WS_BORDER, 0);
    SendMessageA(bad, WM_SETCURSOR, reinterpret_cast<WPARAM>(bad), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), nullptr);
    Mouse(bad, WM_LBUTTONDOWN, 3, 3);
    Mouse(bad, WM_LBUTTONUP, 3, 3);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Macros(), V{});
}

TEST_F(MouseButtons, PrintIsTheRestingLookInBlackAndWhiteOverTheRegion) {
    Tile("checks.bmp");
    HWND flat = Button("40;40;;;;0;");
    HWND pictured = Button("40;40;n.bmp;h.bmp;p.bmp;7;");
    ASSERT_TRUE(flat && pictured);
    Mouse(flat, WM_MOUSEMOVE, 3, 3);
    Mouse(flat, WM_LBUTTONDOWN, 3, 3);
    HDC dc = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(dc, LOGPIXELSX), dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    host->SetPrinterDpi(2 * dpiX);
    ASSERT_TRUE(host->Print());
    Mouse(flat, WM_LBUTTONUP, 3, 3);
    ASSERT_EQ(host->LastPrint().size(), 2u);
    // The pressed flat button prints without its frame, the region unmoved;
    // the pictured one black where its picture is, magenta included (in
    // black and white that is no longer the picture's top-left colour).
    const HWND printed[2] = {flat, pictured};
    for (int k = 0; k < 2; ++k) {
        const auto& p = host->LastPrint()[k];
        ASSERT_EQ(p.width, 80);
        ASSERT_EQ(p.height, 40 * 2 * dpiX / dpiY);
        EXPECT_EQ(CountOf(p.pixels, 0) + CountOf(p.pixels, kWhite), p.pixels.size()) << "black and white only";
        int differ = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                const bool picture = k == 1 && x >= 4 && x < 36 && y >= 4 && y < 36;
                const DWORD want = picture ? 0 : Behind(printed[k], x, y);
                differ += p.pixels[static_cast<std::size_t>((2 * y + 1) * p.height / 80) * p.width + 2 * x + 1] != want;
            }
        EXPECT_EQ(differ, 0) << k;
    }
}

TEST_F(MouseButtons, TwoThousandLivesOfEachLeaveNoObjectBehind) {
    const char* const data[2] = {"60;20;;;;0;Next()", "20;40;n.bmp;h.bmp;p.bmp;7;Next()"};
    auto cycle = [&](int k) {
        HWND w = Button(data[k]);
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Mouse(w, WM_MOUSEMOVE, 3, 3);
        Mouse(w, WM_LBUTTONDOWN, 3, 3);
        Mouse(w, WM_LBUTTONUP, 3, 3);
        host->PumpUntilIdle();
        return DestroyWindow(w) != FALSE;
    };
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(cycle(0) && cycle(1));
    int gdi = wtest::GdiRoom(), user = wtest::UserRoom();
    for (int k = 0; k < 2; ++k) {
        for (int i = 0; i < 2000; ++i) ASSERT_TRUE(cycle(k)) << data[k] << " " << i;
        host->ClearApiLog();
        const int gdiAfter = wtest::GdiRoom(), userAfter = wtest::UserRoom();
        EXPECT_EQ(gdiAfter, gdi) << data[k] << ": GDI objects leaked";
        EXPECT_EQ(userAfter, user) << data[k] << ": USER objects leaked";
        gdi = gdiAfter;
        user = userAfter;
    }
}

}  // namespace
