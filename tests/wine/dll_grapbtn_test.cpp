// The graphic button (ZYL3_ANIMGRAPBTN32) and the contents button
// (ZYL3_ANIMTOCBUTTON32), driven through the host as a help file drives
// them. Mouse messages are sent as the platform sends them; pixels are read
// back through the window's own DC after a repaint.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "wine_support.h"
#include "host.h"
#include "zyl3an32.h"

namespace {

using namespace zyltest;

constexpr DWORD kHostBackPixel = 0x0080FF;   // the host's background, RGB(0, 128, 255)
constexpr DWORD kGrey = 0x808080, kMagenta = 0xFF00FF, kBlue = 0x0000FF, kGreen = 0x00FF00, kWhite = 0xFFFFFF;
constexpr int kTallWidth = 20;   // tall.bmp: grey, two character heights high
constexpr int kSmall = 16;       // up.bmp, down.bmp: a blue or green square (4..11) on magenta

// A text's width in the buttons' default font.
int DefaultTextWidth(const char* text) { return MeasureFont("MS Sans Serif", 14, 700, {text}).widest; }

int CharHeight() { return MeasureFont("MS Sans Serif", 14, 700).charHeight; }

// buttons.hlp, holding the pictures; "" when it could not be written.
std::string HelpPath() {
    static Scratch scratch;
    auto square = [](DWORD colour) {
        return Bmp24(Picture::Painted(kSmall, kSmall, [colour](int x, int y) { return x >= 4 && x < 12 && y >= 4 && y < 12 ? colour : kMagenta; }));
    };
    const Bytes tall = Bmp24(Picture::Painted(kTallWidth, 2 * CharHeight(), [](int, int) { return kGrey; }));
    static const bool written =
        scratch.Write("buttons.hlp", HelpFile({{"tall.bmp", tall}, {"up.bmp", square(kBlue)}, {"down.bmp", square(kGreen)}}));
    return written ? scratch / "buttons.hlp" : std::string();
}

bool IsRed(DWORD p) {
    const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    return r - (g > b ? g : b) > 60;
}

// The first pixel of `colour`, row by row; (-1, -1) when none.
POINT Find(const Picture& px, DWORD colour) {
    for (std::size_t i = 0; i < px.rgb.size(); ++i)
        if (px.rgb[i] == colour) return POINT{static_cast<LONG>(i % px.width), static_cast<LONG>(i / px.width)};
    return POINT{-1, -1};
}

// Stands in for the frame's answer to a contents button: notes the corners
// asked for and runs `g_during` while the request is under way.
WNDPROC g_frameProc = nullptr;
std::vector<LPARAM> g_points;
std::function<void()> g_during;
LRESULT CALLBACK SpyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != ZYL_HOST_MSG_BUTTONPOINT) return CallWindowProcA(g_frameProc, hwnd, msg, wParam, lParam);
    g_points.push_back(lParam);
    if (g_during) g_during();
    return 0;
}

class GraphicButtons : public EmbeddingTest {
protected:
    void SetUp() override {
        ASSERT_FALSE(HelpPath().empty()) << "cannot write buttons.hlp";
        Start(RGB(0, 128, 255), HelpPath());
        g_points.clear();
        g_during = nullptr;
    }
    void TearDown() override {
        if (host && g_frameProc) SetWindowLongPtrA(host->MainFrame(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_frameProc));
        g_frameProc = nullptr;
        EmbeddingTest::TearDown();
    }
    HWND Make(const char* cls, const std::string& data) { return Embed(cls, data); }
    HWND Graphic(const std::string& data) { return Make("ZYL3_ANIMGRAPBTN32", data); }
    HWND Contents(const std::string& data) { return Make("ZYL3_ANIMTOCBUTTON32", data); }
    void Spy() {
        g_frameProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(host->MainFrame(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SpyProc)));
    }
    static Picture Pixels(HWND w, bool repaint = true) {
        if (repaint) RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return WindowPixels(w);
    }
    static DWORD At(HWND w, int x, int y) { return Pixels(w, false).at(x, y); }
    static void Mouse(HWND w, UINT msg, int x, int y) { SendMessageA(w, msg, MK_LBUTTON, MAKELPARAM(x, y)); }

    const int charHeight = CharHeight();
};

using V = std::vector<std::string>;

TEST_F(GraphicButtons, SizeLabelCornersAndErrors) {
    // Width and height 0, a picture two character heights high at position
    // 5: the label stays on one line beside it.
    HWND w = Graphic("Next|page;0;0;;0;0000FF;0000FF;tall.bmp;5;");
    ASSERT_NE(w, nullptr);
    const int W = 8 + kTallWidth + DefaultTextWidth("Next,page") + 1, H = 8 + 2 * charHeight;
    EXPECT_EQ(ClientSize(w).cx, W);
    EXPECT_EQ(ClientSize(w).cy, H);
    EXPECT_EQ(RenderText(w), "[Next,page]");
    const Picture px = Pixels(w);
    auto at = [&](int x, int y) { return px.rgb[static_cast<std::size_t>(y) * W + x]; };
    for (POINT corner : {POINT{0, 0}, POINT{W - 1, 0}, POINT{W - 1, H - 1}, POINT{0, H - 1}})
        EXPECT_EQ(at(corner.x, corner.y), kHostBackPixel) << corner.x << "," << corner.y;
    EXPECT_EQ(at(1, 0), 0u) << "the black frame";
    EXPECT_EQ(at(1, 1), kWhite) << "raised";
    EXPECT_EQ(at(4, 4), kGrey) << "the picture fills the content's height";
    EXPECT_GT(std::count_if(px.rgb.begin(), px.rgb.end(), IsRed), 20);

    // Position 1 never draws the label, with or without a picture.
    for (const char* data : {"Next;0;0;;0;0000FF;0000FF;;1;", "Next;0;0;;0;0000FF;0000FF;tall.bmp;1;"}) {
        const Picture none = Pixels(Graphic(data));
        EXPECT_EQ(std::count_if(none.rgb.begin(), none.rgb.end(), IsRed), 0) << data;
    }
    HWND missing = Graphic("Go;0;0;;0;0;0;nothere.bmp;5;");
    EXPECT_EQ(ClientSize(missing).cx, 8 + DefaultTextWidth("Go") + 1) << "a missing picture is no error";
    for (HWND bad : {Graphic("Next;0;0;;0;0;0;;5"), Contents("up.bmp")}) {
        EXPECT_EQ(RenderText(bad), "Syntax error in parameters");
        Mouse(bad, WM_LBUTTONDOWN, 2, 2);
        EXPECT_NE(GetCapture(), bad) << "no press";
    }
}

TEST_F(GraphicButtons, LongWordStandsAloneOnItsLine) {
    // Content 60 wide and three lines high, label at the top left, red on a
    // white shadow. "Go" breaks off before the word wider than the room,
    // which stands alone, cut at the room's edge; "far" follows.
    HWND w = Graphic("Go extraordinarily far;60;" + std::to_string(3 * charHeight) + ";;0;0000FF;FFFFFF;;22;");
    ASSERT_EQ(ClientSize(w).cx, 68);
    const Picture px = Pixels(w);
    const char* lines[] = {"Go", "extraordinarily", "far"};
    for (int k = 0; k < 3; ++k) {
        int right = -1;
        for (int y = 4 + k * charHeight; y < 4 + (k + 1) * charHeight; ++y)
            for (int x = 0; x < 68; ++x)
                if (IsRed(px.rgb[static_cast<std::size_t>(y) * 68 + x])) right = std::max(right, x);
        // The room and the one pixel its bitmap adds end at 64.
        EXPECT_NEAR(right, std::min(4 + DefaultTextWidth(lines[k]) - 1, 64), 2) << lines[k];
    }
    EXPECT_GT(std::count(px.rgb.begin() + 5 * 68, px.rgb.begin() + 4 * 68 + 3 * charHeight * 68, kWhite), 20) << "the shadow";
}

TEST_F(GraphicButtons, ReleaseOutsideCancelsAndComingBackRunsTheMacro) {
    HWND w = Graphic("Go;0;0;;0;0;0;;2;Next()");
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const DWORD shadowPixel = (GetRValue(shadow) << 16) | (GetGValue(shadow) << 8) | GetBValue(shadow);
    Mouse(w, WM_LBUTTONDOWN, 3, 3);
    EXPECT_EQ(GetCapture(), w);
    EXPECT_EQ(At(w, 1, 1), shadowPixel) << "pressed";
    Mouse(w, WM_MOUSEMOVE, -5, 3);
    EXPECT_EQ(At(w, 1, 1), kWhite) << "up while the cursor is out";
    Mouse(w, WM_LBUTTONUP, -5, 3);
    EXPECT_NE(GetCapture(), w);
    EXPECT_EQ(TakeMacros(*host), V{});

    Mouse(w, WM_LBUTTONDOWN, 3, 3);
    Mouse(w, WM_MOUSEMOVE, 3, 300);
    Mouse(w, WM_MOUSEMOVE, 4, 4);
    EXPECT_EQ(At(w, 1, 1), shadowPixel) << "pressed again once back";
    Mouse(w, WM_LBUTTONUP, 4, 4);
    EXPECT_EQ(At(w, 1, 1), kWhite);
    EXPECT_EQ(TakeMacros(*host), V{"Next()"});

    Mouse(w, WM_LBUTTONDOWN, 3, 3);
    ReleaseCapture();
    Mouse(w, WM_LBUTTONUP, 4, 4);
    EXPECT_EQ(TakeMacros(*host), V{}) << "a press whose capture was taken away is cancelled";

    auto cursorOver = [w](HWND under) {
        SetCursor(nullptr);
        SendMessageA(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    EXPECT_EQ(cursorOver(w), LoadCursorA(GetModuleHandleA("ZYL3AN32.DLL"), MAKEINTRESOURCEA(8000)));
    EXPECT_EQ(cursorOver(host->TopicRegion()), LoadCursorA(nullptr, IDC_ARROW));
}

TEST_F(GraphicButtons, ContentsButtonAsksTheFrameOnceAtATime) {
    Spy();
    HWND toc = Contents("up.bmp;");
    HWND other = Graphic("Go;0;0;;0;0;0;;2;Next()");
    ASSERT_EQ(ClientSize(toc).cx, kSmall + 8);
    const Picture up = Pixels(toc);
    EXPECT_EQ(CountOf(up, kMagenta), 0u) << "drawn transparent";
    EXPECT_EQ(Find(up, kBlue).x, 8) << "centred";

    Picture pressed;
    auto press = [&](HWND w) {
        Mouse(w, WM_LBUTTONDOWN, 3, 3);
        Mouse(w, WM_LBUTTONUP, 3, 3);
    };
    g_during = [&] {
        pressed = Pixels(toc, false);
        press(toc);
        press(other);
    };
    Mouse(toc, WM_LBUTTONDOWN, 3, 3);
    POINT corner = {0, ClientSize(toc).cy};
    ClientToScreen(toc, &corner);
    ASSERT_EQ(g_points.size(), 1u) << "a press during the request is ignored";
    EXPECT_EQ(g_points[0], MAKELPARAM(corner.x, corner.y)) << "the lower-left corner on the screen";
    EXPECT_EQ(Find(pressed, kBlue).x, 9) << "no down picture: the up one moved by a pixel";
    EXPECT_EQ(Find(pressed, kBlue).y, 9);
    EXPECT_EQ(TakeMacros(*host), V{}) << "the graphic button ignored its press too";
    EXPECT_EQ(Difference(Pixels(toc), up), "") << "up again";

    HWND both = Contents("up.bmp;down.bmp");
    g_during = [&] { pressed = Pixels(both, false); };
    Mouse(both, WM_LBUTTONDOWN, 3, 3);
    EXPECT_EQ(g_points.size(), 2u) << "the request ended: presses count again";
    EXPECT_EQ(Find(pressed, kGreen).x, 9) << "the down picture";

    // Destroyed during its request: the others stay deaf until a new
    // graphic or contents button is made.
    g_during = [&] { DestroyWindow(both); };
    Mouse(both, WM_LBUTTONDOWN, 3, 3);
    press(other);
    EXPECT_EQ(TakeMacros(*host), V{});
    Contents("up.bmp;");
    press(other);
    EXPECT_EQ(TakeMacros(*host), V{"Next()"});
}

// zylhost's own answer: the topics as a menu at the corner; the one chosen
// is shown in the frame.
int g_menuItems = -1;
void CALLBACK ChooseSecondTopic(HWND, UINT, UINT_PTR id, DWORD) {
    HWND menu = FindWindowA("#32768", nullptr);
    if (!menu || !IsWindowVisible(menu)) return;
    KillTimer(nullptr, id);
    g_menuItems = GetMenuItemCount(reinterpret_cast<HMENU>(SendMessageA(menu, 0x01E1 /* MN_GETHMENU */, 0, 0)));
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) PostMessageA(menu, WM_KEYDOWN, key, 0);
}

TEST_F(GraphicButtons, HostShowsItsTopicsAtTheCorner) {
    ASSERT_TRUE(host->LoadScriptText(".topic first\n{ewl ZYL3AN32.DLL, ZYL3_ANIMTOCBUTTON32, up.bmp;}\n\n"
                                     ".topic second\nsecond topic\n\n.topic third\nthird topic\n",
                                     HelpPath().c_str()));
    host->PumpUntilIdle();
    ASSERT_EQ(host->EmbeddedWindows().size(), 1u);
    HWND toc = host->EmbeddedWindows()[0];
    POINT corner = {0, ClientSize(toc).cy};
    ClientToScreen(toc, &corner);
    host->ClearApiLog();
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, ChooseSecondTopic);
    Mouse(toc, WM_LBUTTONDOWN, 3, 3);
    KillTimer(nullptr, timer);
    EXPECT_EQ(g_menuItems, 3);
    host->PumpUntilIdle();
    std::vector<std::string> log;
    for (const auto& entry : host->MacroLog()) log.push_back(entry.text);
    EXPECT_EQ(log, (V{"Contents: menu at " + std::to_string(corner.x) + ", " + std::to_string(corner.y) + " in main",
                      "Contents: second chosen"}));
    const auto runs = host->TextRuns();
    EXPECT_TRUE(std::any_of(runs.begin(), runs.end(), [](const zylhost::TextRun& r) { return r.text == "second"; }));
}

TEST_F(GraphicButtons, PrintIsTheButtonScaledToThePrinter) {
    HWND w = Graphic("Next|page;0;0;;0;0000FF;FFFFFF;up.bmp;2035;");
    const SIZE screen = ClientSize(w);
    const Picture shown = Pixels(w);
    host->SetPrinterDpi(300);
    ASSERT_TRUE(host->Print());
    ASSERT_EQ(host->LastPrint().size(), 1u);
    const auto& p = host->LastPrint()[0];
    ASSERT_EQ(p.width, p.size.x);
    ASSERT_EQ(p.height, p.size.y);
    // Each screen pixel is a block of the print; the corners are white.
    int differ = 0;
    for (int y = 0; y < screen.cy; ++y)
        for (int x = 0; x < screen.cx; ++x) {
            const bool corner = (x == 0 || x == screen.cx - 1) && (y == 0 || y == screen.cy - 1);
            const std::size_t at = static_cast<std::size_t>((2 * y + 1) * p.height / (2 * screen.cy)) * p.width +
                                   (2 * x + 1) * p.width / (2 * screen.cx);
            differ += p.pixels[at] != (corner ? kWhite : shown.rgb[static_cast<std::size_t>(y) * screen.cx + x]);
        }
    EXPECT_EQ(differ, 0);
}

TEST_F(GraphicButtons, TwoThousandLivesOfEachLeaveNoObjectBehind) {
    Spy();
    // Create, press (the graphic button's macro runs), paint, destroy.
    const char* const classes[] = {"ZYL3_ANIMGRAPBTN32", "ZYL3_ANIMTOCBUTTON32"};
    const char* const data[2][2] = {{"Go|on;0;0;;0;0000FF;FFFFFF;up.bmp;2035;Next()", "Go;0;0;Arial;16;0;0;tall.bmp;1205;"},
                                    {"up.bmp;down.bmp", "up.bmp;"}};
    auto cycle = [&](int k, int i) {
        HWND w = Make(classes[k], data[k][i % 2]);
        Mouse(w, WM_LBUTTONDOWN, 3, 3);
        Mouse(w, WM_LBUTTONUP, 3, 3);
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        host->PumpUntilIdle();
        return DestroyWindow(w) != FALSE;
    };
    for (int k = 0; k < 2; ++k) EXPECT_EQ(LeakOver(10, 2000, [&](int i) { return cycle(k, i); }), "") << classes[k];
    EXPECT_EQ(g_points.size(), 2010u);
}

}  // namespace
