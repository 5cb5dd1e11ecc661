// The picture and movie controls in the error state: whatever their
// parameter string set up before the error still answers the palette
// request, prints the picture, runs a clickable picture's macro and chooses
// the cursor. (The working controls are tested through the built module.)
#include <gtest/gtest.h>
#include <windows.h>

#include "core/handler.h"
#include "module_test.h"
#include "zyl3an32.h"

using namespace zyltest;

namespace {

UINT_PTR WINAPI NoTimer(HWND, UINT_PTR, UINT, TIMERPROC) { return 0; }

class PictureErrorState : public ModuleHost {
protected:
    void SetUp() override {
        ModuleHost::SetUp();
        // Five frames of 20 x 16 in red, green, blue, ... 10 ms apart.
        GifBuilder gif;
        gif.Colours({0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF}).Header(20, 16, 3).Netscape();
        for (std::uint8_t f = 0; f < 5; ++f) gif.GraphicControl(1).Image(20, 16, Bytes(320, f));
        UseHelpFile({{"pict.gif", gif.Trailer().bytes}, {"grid.bmp", Bmp24(Varied(40, 30, 3))}});
    }
    HWND Pict(const char* data) { return Create("ZYL3_ANIMPICT32", data); }
    LRESULT Palette(HWND w) { return SendMessageA(w, EWM_ASKPALETTE, 0, 0); }
    // The picture render for the screen; null when there is none.
    HBITMAP Render(HWND w) {
        HDC screen = GetDC(nullptr);
        ZYL_RENDERINFO info = {0, 0, screen};
        auto bmp = reinterpret_cast<HBITMAP>(SendMessageA(w, EWM_RENDER, EWRENDER_BITMAP, reinterpret_cast<LPARAM>(&info)));
        ReleaseDC(nullptr, screen);
        return bmp;
    }
};

TEST_F(PictureErrorState, WithoutATimerTheLoadedPictureStillAnswersAndItsMacroStillRuns) {
    zyl::g_setTimer = NoTimer;
    HWND w = Pict("pict.gif;32;Next()");
    zyl::g_setTimer = SetTimer;
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(RenderText(w), "No Timers available");
    EXPECT_TRUE(GetWindowLongPtrA(w, GWL_STYLE) & WS_BORDER);
    host.ClearApiLog();
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    ASSERT_EQ(host.ApiLog().size(), 1u) << "flag 32's macro comes before the error check";
    EXPECT_EQ(host.ApiLog()[0].text, "Next()");
    EXPECT_NE(Palette(w), 0) << "the picture was loaded";
    HBITMAP first = Render(w);
    EXPECT_EQ(Difference(BitmapPixels(first), Picture::Solid(20, 16, 0xFF0000)), "") << "the first frame is printed";
    DeleteObject(first);
    SetCursor(nullptr);
    SendMessageA(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), inst->handCursor) << "flag 32";
}

TEST_F(PictureErrorState, APictureLoadedBeforeTheErrorAnswersTheModulesRequests) {
    // The grid's picture is loaded before its columns field fails; a
    // missing picture has nothing to answer with.
    HWND grid = Create("ZYL3_ANIMATION32", "grid.bmp;x4;2;7;100;1");
    HWND missing = Pict("nothere.gif;32;Next()");
    ASSERT_NE(grid, nullptr);
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(RenderText(grid), "Invalid number of columns");
    EXPECT_EQ(RenderText(missing), "Missing or corrupted bitmap");
    EXPECT_FALSE(KillTimer(grid, 1)) << "no timer in the error state";
    EXPECT_EQ(Palette(grid), Palette(grid));
    EXPECT_NE(Palette(grid), 0);
    EXPECT_EQ(Palette(missing), 0);
    EXPECT_EQ(Render(missing), nullptr) << "no picture: nothing printed";
    EXPECT_EQ(Render(grid), nullptr) << "no frame size without the grid";
    host.ClearApiLog();
    SendMessageA(missing, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    EXPECT_TRUE(host.ApiLog().empty()) << "the macro after a missing picture is never read";
    // Printing the topic: the boxes' text renders, no picture.
    host.SetPrinterDpi(300);
    ASSERT_TRUE(host.Print());
    for (const auto& printed : host.LastPrint()) EXPECT_EQ(printed.width, 0);
}

}  // namespace
