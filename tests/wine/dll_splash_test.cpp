// ZylSplash and its window (ZYL3_ANIMSPLASH32), called as a help macro
// through the host's interpreter: a topmost borderless picture centred on
// the screen, cut to it, closed by its timer or a click; the sibling
// viewer's veto; the box for a missing picture; no objects left behind.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "dll_picture_support.h"
#include "dll_test.h"
#include "host.h"
#include "zyl3an32.h"

namespace {

using pictest::Bytes;

constexpr char kSplashClass[] = "ZYL3_ANIMSPLASH32";
constexpr DWORD kRed = 0xFF0000, kBlue = 0x0000FF;

// The sibling viewer's frame: answers the splash question with g_answer
// and keeps the help file path it was told.
LRESULT g_answer = 0;
std::string g_toldPath;
int g_asked = 0;
LRESULT CALLBACK SiblingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != ZYL_SIBLING_MSG_SPLASH) return DefWindowProcA(hwnd, msg, wParam, lParam);
    char path[MAX_PATH] = "";
    GlobalGetAtomNameA(static_cast<ATOM>(wParam), path, sizeof path);
    g_toldPath = path;
    ++g_asked;
    return g_answer;
}

// The message box the module shows, read and closed from a timer that
// fires inside its modal loop.
struct BoxSeen {
    bool seen = false;
    std::string text;
    HWND owner = nullptr;
} g_box;
BOOL CALLBACK TakeText(HWND child, LPARAM) {
    char text[256] = "";
    if (GetWindowTextA(child, text, sizeof text) > 0 && g_box.text.empty() && std::string(text) != "OK") g_box.text = text;
    return TRUE;
}
void CALLBACK CloseBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = FindWindowA("#32770", "Missing bitmap");
    if (!box) return;
    KillTimer(nullptr, timer);
    g_box.seen = true;
    g_box.owner = GetWindow(box, GW_OWNER);
    EnumChildWindows(box, TakeText, 0);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

class Splash : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.ok());
        // 120 x 80, red with a blue right half; 1100 x 800, larger than the
        // screen, red but for a blue border beyond 1050 x 780.
        const Bytes small = pictest::BmpFile(120, 80, [](int x, int) { return x < 60 ? kRed : kBlue; });
        const Bytes large = pictest::BmpFile(1100, 800, [](int x, int y) { return x < 1050 && y < 780 ? kRed : kBlue; });
        help = scratch.File("splash.hlp");
        ASSERT_TRUE(scratch.Write("splash.hlp", pictest::HelpFile({{"logo.bmp", small}, {"huge.bmp", large}})));
        ASSERT_TRUE(host.LoadModule(ModulePath())) << ModulePath();
        host.SetHelpFilePath(help.c_str());
        host.ExecuteMacro(nullptr, "RR(`ZYL3AN32.DLL', `ZylSplash', `Su')");
    }
    void TearDown() override { host.Shutdown(); }

    HWND Show(const std::string& file, int seconds) {
        host.ExecuteMacro(nullptr, ("ZylSplash(`" + file + "', " + std::to_string(seconds) + ")").c_str());
        return FindWindowA(kSplashClass, nullptr);
    }
    static RECT Rect(HWND w) {
        RECT rc = {};
        GetWindowRect(w, &rc);
        return rc;
    }
    // Pumps until the splash is gone or `ms` have passed; true when gone.
    static bool GoneWithin(HWND w, DWORD ms) {
        const DWORD end = GetTickCount() + ms;
        for (MSG msg; IsWindow(w) && static_cast<LONG>(end - GetTickCount()) > 0; Sleep(5))
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        return !IsWindow(w);
    }

    pictest::Scratch scratch;
    std::string help;
    zylhost::Host host;
};

TEST_F(Splash, ATopmostBorderlessPictureCentredOnTheScreenClosedByAClick) {
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    HWND w = Show("logo.bmp", 30);
    ASSERT_NE(w, nullptr);
    const LONG style = GetWindowLongA(w, GWL_STYLE), exStyle = GetWindowLongA(w, GWL_EXSTYLE);
    EXPECT_EQ(style & (WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_BORDER | WS_THICKFRAME), WS_POPUP | WS_VISIBLE);
    EXPECT_EQ(exStyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW), WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
    EXPECT_EQ(GetWindow(w, GW_OWNER), host.MainFrame());
    const RECT rc = Rect(w);
    EXPECT_EQ(rc.left, (cx - 120) / 2);
    EXPECT_EQ(rc.top, (cy - 80) / 2);
    EXPECT_EQ(rc.right - rc.left, 120);
    EXPECT_EQ(rc.bottom - rc.top, 80);
    int pw = 0, ph = 0;
    const std::vector<DWORD> px = host.CapturePixels(w, &pw, &ph);
    ASSERT_EQ(px.size(), 120u * 80u);
    EXPECT_EQ(px[0], kRed);
    EXPECT_EQ(px[79 * 120 + 119], kBlue) << "the whole picture, bottom right included";

    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(Splash, APictureLargerThanTheScreenIsCutAtItsRightAndBottom) {
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_TRUE(cx <= 1050 && cy <= 780) << "the test needs a screen within the picture's red part";
    HWND w = Show("huge.bmp", 30);
    ASSERT_NE(w, nullptr);
    const RECT rc = Rect(w);
    EXPECT_EQ(rc.left, 0);
    EXPECT_EQ(rc.top, 0);
    EXPECT_EQ(rc.right, cx);
    EXPECT_EQ(rc.bottom, cy);
    int pw = 0, ph = 0;
    const std::vector<DWORD> px = host.CapturePixels(w, &pw, &ph);
    ASSERT_EQ(px.size(), static_cast<size_t>(cx) * cy);
    EXPECT_EQ(pictest::Uniform(px), kRed) << "only the picture's top left part, all red";
    DestroyWindow(w);
}

TEST_F(Splash, ItsTimerClosesIt) {
    HWND w = Show("logo.bmp", 0);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(GoneWithin(w, 2000)) << "0 seconds: gone at the first tick";
    w = Show("logo.bmp", 1);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(GoneWithin(w, 300)) << "1 second: still there";
    EXPECT_TRUE(GoneWithin(w, 5000));
}

TEST_F(Splash, ASiblingViewerFrameIsAskedAndMayVetoIt) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = SiblingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = ZYL_SIBLING_VIEWER_CLASS;
    RegisterClassA(&wc);
    // Hidden, as long as it is a top-level window.
    HWND frame = CreateWindowExA(0, "coralview_frame32", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                 wc.hInstance, nullptr);
    ASSERT_NE(frame, nullptr);
    g_asked = 0;
    g_answer = 0;
    EXPECT_EQ(Show("logo.bmp", 30), nullptr) << "a reply of 0: no splash";
    EXPECT_EQ(g_asked, 1);
    EXPECT_EQ(g_toldPath, help) << "told the help file through the atom";
    g_answer = 1;
    HWND w = Show("logo.bmp", 30);
    EXPECT_NE(w, nullptr) << "any other reply lets it show";
    EXPECT_EQ(g_asked, 2);
    DestroyWindow(w);
    DestroyWindow(frame);
    UnregisterClassA(ZYL_SIBLING_VIEWER_CLASS, wc.hInstance);
}

TEST_F(Splash, AMissingPictureGivesTheMessageBox) {
    SetFocus(host.MainFrame());
    g_box = BoxSeen();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseBox);
    EXPECT_EQ(Show("nothere.bmp", 5), nullptr);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(g_box.seen);
    EXPECT_EQ(g_box.text, "nothere.bmp");
    EXPECT_EQ(g_box.owner, host.MainFrame()) << "owned by the window with the focus";
}

TEST_F(Splash, FiveHundredSplashesLeaveNoObjects) {
    DestroyWindow(Show("logo.bmp", 30));   // the picture stays cached from here on
    const int gdi = wtest::GdiRoom(), user = wtest::UserRoom();
    for (int i = 0; i < 500; ++i) {
        HWND w = Show("logo.bmp", 30);
        ASSERT_NE(w, nullptr) << i;
        // Painted, then closed by a click.
        UpdateWindow(w);
        SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        ASSERT_FALSE(IsWindow(w)) << i;
    }
    host.PumpUntilIdle();
    EXPECT_EQ(wtest::GdiRoom(), gdi);
    EXPECT_EQ(wtest::UserRoom(), user);
}

}  // namespace
