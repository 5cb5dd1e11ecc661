// The mouse-over button (ZYL3_ANIMMOUSE32) driven through the host as a
// help file drives it, over a tiled region. Mouse messages are sent as the
// platform sends them; pixels are read back from the window's own DC and
// compared with what the region paints behind it.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host.h"
#include "wine_support.h"
#include "zyl3an32.h"

namespace {

using namespace zyltest;

constexpr std::uint32_t kWhite = 0xFFFFFF, kMagenta = 0xFF00FF;
constexpr std::uint32_t kNormal = 0x0000C0, kHover = 0x00C000, kPressed = 0xC00000;
constexpr int kTile = 16, kPicture = 32;
std::uint32_t TileAt(int x, int y) { return static_cast<std::uint32_t>((x * 16) << 16 | (y * 16) << 8 | 0x40); }
std::uint32_t Checks(int x, int y) { return (x / 4 + y / 4) % 2 ? 0 : kWhite; }
// A 32 x 32 picture: a square of its colour (8..23) on magenta.
Bytes Square(std::uint32_t colour) {
    return Bmp24(Picture::Painted(kPicture, kPicture, [colour](int x, int y) {
        return x >= 8 && x < 24 && y >= 8 && y < 24 ? colour : kMagenta;
    }));
}

// mouse.hlp, holding a colour tile and a black and white one for the
// region and the three pictures; "" when it could not be written.
std::string HelpPath() {
    static Scratch scratch;
    static const bool written =
        scratch.Write("mouse.hlp", HelpFile({{"tile.bmp", Bmp24(Picture::Painted(kTile, kTile, TileAt))},
                                             {"checks.bmp", Bmp24(Picture::Painted(kTile, kTile, Checks))},
                                             {"n.bmp", Square(kNormal)},
                                             {"h.bmp", Square(kHover)},
                                             {"p.bmp", Square(kPressed)}}));
    return written ? scratch / "mouse.hlp" : std::string();
}

using Rule = std::function<std::uint32_t(int x, int y)>;

class MouseButtons : public ::testing::Test {
protected:
    void SetUp() override {
        help = HelpPath();
        ASSERT_FALSE(help.empty());
        host = HostShowingScript(kWhite, help, ".startup RR(`ZYL3AN32.DLL', `ZylWatermark', `SSU')\n.topic empty\n");
        ASSERT_TRUE(host) << ModulePath();
        Tile("tile.bmp");
    }
    void TearDown() override {
        if (host) host->Shutdown();
    }
    // The region tiled with `picture`, its pixels read.
    void Tile(const char* picture) {
        host->ExecuteMacro(help.c_str(), (std::string("ZylWatermark(`', `") + picture + "', 0x20)").c_str());
        host->PumpUntilIdle();
        RedrawWindow(host->TopicRegion(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        region = WindowPixels(host->TopicRegion());
    }
    HWND Button(const std::string& data) {
        HWND w = host->CreateEmbedded(host->TopicRegion(), {'l', "ZYL3AN32.DLL", "ZYL3_ANIMMOUSE32", data});
        host->ClearApiLog();
        return w;
    }
    // What the region paints under the button's pixel (x, y).
    std::uint32_t Behind(HWND w, int x, int y) const {
        POINT at = {x, y};
        MapWindowPoints(w, host->TopicRegion(), &at, 1);
        return region.at(at.x, at.y);
    }
    Rule BehindOf(HWND w) const {
        return [this, w](int x, int y) { return Behind(w, x, y); };
    }
    // Where the button's pixels differ from `expected`; "" when they do not.
    static std::string Shows(HWND w, const Rule& expected) {
        const Picture shown = WindowPixels(w);
        return Difference(shown, Picture::Painted(shown.width, shown.height, expected));
    }
    static void Mouse(HWND w, UINT msg, int x, int y) { SendMessageA(w, msg, MK_LBUTTON, MAKELPARAM(x, y)); }

    std::string help;
    std::unique_ptr<zylhost::Host> host;
    Picture region;
};

using V = std::vector<std::string>;

TEST_F(MouseButtons, FlatButtonFramesAndTheMacroOnAReleaseInside) {
    HWND w = Button("60;20;;;;0;Next()");
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(WindowPixels(w).width, 60);
    ASSERT_EQ(WindowPixels(w).height, 20);
    const Rule behind = BehindOf(w);
    ASSERT_NE(behind(2, 2), behind(3, 3)) << "a textured region";
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(Shows(w, behind), "") << "at rest only the region shows";

    const std::uint32_t shadow = ColourRef(GetSysColor(COLOR_BTNSHADOW));
    Mouse(w, WM_MOUSEMOVE, 5, 5);
    const Rule raised = [&](int x, int y) {
        if (x == 0 || y == 0 || (x == 1 && y <= 18) || (y == 1 && x <= 58)) return kWhite;
        if (x >= 58 || y >= 18) return shadow;
        return behind(x, y);
    };
    EXPECT_EQ(Shows(w, raised), "") << "hovering: a raised frame";

    Mouse(w, WM_LBUTTONDOWN, 5, 5);
    EXPECT_EQ(GetCapture(), w);
    const Rule sunken = [&](int x, int y) { return x <= 1 || y <= 1 ? shadow : behind(x - 1, y - 1); };
    EXPECT_EQ(Shows(w, sunken), "") << "pressed: a sunken frame, the background a pixel down and right";
    Mouse(w, WM_LBUTTONUP, 5, 5);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(TakeMacros(*host), V{"Next()"});
    EXPECT_EQ(Shows(w, raised), "") << "released over it: hovering again";
    EXPECT_TRUE(KillTimer(w, 1001)) << "the hover timer watches for the mouse leaving";

    // Pressed, dragged out: raised again, and the release runs nothing.
    Mouse(w, WM_LBUTTONDOWN, 5, 5);
    Mouse(w, WM_MOUSEMOVE, 70, 5);
    EXPECT_EQ(Shows(w, raised), "");
    Mouse(w, WM_LBUTTONUP, 70, 5);
    EXPECT_EQ(TakeMacros(*host), V{});
    EXPECT_EQ(Shows(w, behind), "");

    // The mouse leaves without a message: the hover timer notices.
    Mouse(w, WM_MOUSEMOVE, 5, 5);
    SetCursorPos(1000, 700);
    SendMessageA(w, WM_TIMER, 1001, 0);
    EXPECT_EQ(Shows(w, behind), "");
    EXPECT_FALSE(KillTimer(w, 1001)) << "the hover timer stops with the hover";
}

TEST_F(MouseButtons, PicturesReplaceEachOtherTransparentOverTheRegion) {
    // Given 20 x 40 with a 32 x 32 picture: 32 x 40, the picture centred.
    HWND w = Button("20;40;n.bmp;h.bmp;p.bmp;7;Next()");
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(WindowPixels(w).width, 32);
    ASSERT_EQ(WindowPixels(w).height, 40);
    auto showing = [&](std::uint32_t colour) -> Rule {
        return [&, colour](int x, int y) { return x >= 8 && x < 24 && y >= 12 && y < 28 ? colour : Behind(w, x, y); };
    };
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(Shows(w, showing(kNormal)), "");
    Mouse(w, WM_MOUSEMOVE, 3, 3);
    EXPECT_EQ(Shows(w, showing(kHover)), "");
    Mouse(w, WM_LBUTTONDOWN, 3, 3);
    EXPECT_EQ(Shows(w, showing(kPressed)), "");
    Mouse(w, WM_MOUSEMOVE, 40, 3);
    EXPECT_EQ(Shows(w, showing(kHover)), "") << "pressed and dragged out";
    Mouse(w, WM_LBUTTONUP, 40, 3);
    EXPECT_EQ(Shows(w, showing(kNormal)), "");
    EXPECT_EQ(TakeMacros(*host), V{});

    // Without the transparency flags the magenta shows; with only a normal
    // picture hovering shows only the region.
    HWND opaque = Button("0;0;n.bmp;h.bmp;;0;");
    RedrawWindow(opaque, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(WindowPixels(opaque).at(0, 0), kMagenta);
    HWND single = Button("0;0;n.bmp;;;1;");
    Mouse(single, WM_MOUSEMOVE, 3, 3);
    EXPECT_EQ(Shows(single, BehindOf(single)), "");
}

TEST_F(MouseButtons, CursorTextAndErrors) {
    HWND w = Button("60;20;;;;0;Next()");
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    SetCursor(arrow);
    EXPECT_EQ(SendMessageA(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 1);
    EXPECT_NE(GetCursor(), arrow) << "the hand over a working button";
    EXPECT_EQ(RenderText(w), "[Button]");
    HWND bad = Button("1;2;n.bmp;h.bmp;p.bmp");
    EXPECT_EQ(RenderText(bad), "Syntax error in parameters");
    // Printed: the message in black and white, unframed, the print stretched
    // from the size it has on the screen.
    HDC printer = host->CreatePrinterDC();
    const Picture p = RenderPicture(bad, printer);
    DeleteDC(printer);
    ASSERT_GT(p.width, 0);
    EXPECT_EQ(CountOf(p, 0) + CountOf(p, kWhite), p.rgb.size()) << "black and white only";
    EXPECT_GT(CountOf(p, 0), 0u) << "the message";
    EXPECT_EQ(p.at(0, 0), kWhite) << "no frame";
    Mouse(bad, WM_LBUTTONDOWN, 3, 3);
    Mouse(bad, WM_LBUTTONUP, 3, 3);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(TakeMacros(*host), V{});
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
        const Picture p = Printed(host->LastPrint()[k]);
        ASSERT_EQ(p.width, 80);
        ASSERT_EQ(p.height, 40 * 2 * dpiX / dpiY);
        EXPECT_EQ(CountOf(p, 0) + CountOf(p, kWhite), p.rgb.size()) << "black and white only";
        const Picture expected = Picture::Painted(p.width, p.height, [&](int x, int y) {
            x = x * 40 / p.width;
            y = y * 40 / p.height;
            return k == 1 && x >= 4 && x < 36 && y >= 4 && y < 36 ? 0 : Behind(printed[k], x, y);
        });
        EXPECT_EQ(Difference(p, expected), "") << k;
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
    for (int k = 0; k < 2; ++k) EXPECT_EQ(LeakOver(10, 2000, [&](int) { return cycle(k); }), "") << data[k];
}

}  // namespace
