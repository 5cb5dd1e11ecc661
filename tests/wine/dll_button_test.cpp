// The push button, driven through the host as a help file would drive it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "host.h"
#include "wine_support.h"
#include "zyl3an32.h"

namespace {

using namespace zyltest;

constexpr const char* kHelp = "C:\\help\\buttons.hlp";

// A label's measures in the button's font.
FontMeasures Label(const char* text) { return MeasureFont("MS Sans Serif", 14, 700, {text}, 0, ANSI_CHARSET); }

HWND ChildButton(HWND w) { return FindWindowExA(w, nullptr, "button", nullptr); }

class Buttons : public EmbeddingTest {
protected:
    void SetUp() override { Start(RGB(255, 255, 255), kHelp); }
    HWND Make(const char* data) {
        return host->CreateEmbedded(host->TopicRegion(), {'c', "ZYL3AN32.DLL", "ZYL3_ANIMBUTTON32", data});
    }
    std::vector<std::string> Click(HWND w) {
        host->ClearApiLog();
        SendMessageA(ChildButton(w), BM_CLICK, 0, 0);
        std::vector<std::string> macros;
        for (const auto& call : host->ApiLog()) {
            EXPECT_EQ(call.command, 0x102u);
            EXPECT_STREQ(call.helpFile.c_str(), kHelp);
            macros.push_back(call.text);
        }
        return macros;
    }
};

using V = std::vector<std::string>;

TEST_F(Buttons, SizedToTheLabelAndRunsItsMacroOnce) {
    HWND w = Make("Next;Next()");
    ASSERT_NE(w, nullptr);
    const FontMeasures label = Label("Next");
    EXPECT_EQ(WindowSize(w).cx, label.widest + 14);
    EXPECT_EQ(WindowSize(w).cy, label.charHeight + 10);
    HWND child = ChildButton(w);
    ASSERT_NE(child, nullptr);
    char text[32];
    GetWindowTextA(child, text, sizeof text);
    EXPECT_STREQ(text, "Next");
    EXPECT_EQ(GetDlgCtrlID(child), 1);
    EXPECT_EQ(WindowSize(child).cx, label.widest + 14);
    EXPECT_FALSE(GetWindowLongPtrA(w, GWL_STYLE) & WS_BORDER);

    EXPECT_EQ(Click(w), (V{"Next()"}));
    EXPECT_EQ(Click(w), (V{"Next()"})) << "the macro text survives a run";
    EXPECT_EQ(RenderText(w), "") << "a working button copies as nothing";
}

TEST_F(Buttons, MnemonicAndLeadingBar) {
    HWND print = Make("&Print;Print()");
    ASSERT_NE(print, nullptr);
    EXPECT_EQ(WindowSize(print).cx, Label("Print").widest + 14);
    char text[32];
    GetWindowTextA(ChildButton(print), text, sizeof text);
    EXPECT_STREQ(text, "&Print") << "the system button underlines the P";

    HWND a = Make("|Go;A()"), b = Make("Go;A()");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(WindowSize(a).cx, WindowSize(b).cx);
    EXPECT_EQ(WindowSize(a).cy, WindowSize(b).cy);
    GetWindowTextA(ChildButton(a), text, sizeof text);
    EXPECT_STREQ(text, "Go");
    EXPECT_EQ(Click(a), Click(b));
    EXPECT_EQ(Click(Make("Back;A();B()")), (V{"A()", "B()"}));
}

TEST_F(Buttons, MissingSemicolonIsTheErrorState) {
    HWND w = Make("Back");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(ChildButton(w), nullptr);
    EXPECT_EQ(RenderText(w), "Syntax error in parameters");
}

TEST_F(Buttons, PrintScalesSizeAndPicture) {
    HWND w = Make("Next;Next()");
    ASSERT_NE(w, nullptr);
    const SIZE screen = WindowSize(w);
    host->SetPrinterDpi(600);
    ASSERT_TRUE(host->Print());
    ASSERT_EQ(host->LastPrint().size(), 1u);
    const auto& p = host->LastPrint()[0];
    EXPECT_EQ(p.size.x, screen.cx * 600 / 96);
    EXPECT_EQ(p.size.y, screen.cy * 600 / 96);
    ASSERT_EQ(p.width, p.size.x);
    ASSERT_EQ(p.height, p.size.y);
    // The frame is drawn at every edge, the label inside, white around it.
    const int W = p.width, H = p.height;
    const Picture printed = Printed(p);
    auto at = [&](int x, int y) { return printed.at(x, y); };
    EXPECT_TRUE(IsDark(at(W / 2, 0)));
    EXPECT_TRUE(IsDark(at(0, H / 2)));
    EXPECT_TRUE(IsDark(at(W / 2, H - 1)) || IsDark(at(W / 2, H - 2)));
    int dark = 0, light = 0;
    for (int y = H / 4; y < 3 * H / 4; ++y)
        for (int x = W / 8; x < 7 * W / 8; ++x) (IsDark(at(x, y)) ? dark : light)++;
    EXPECT_GT(dark, 0) << "label text";
    EXPECT_GT(light, dark) << "on a white face";
    // The screen picture: a device bitmap of the button's own size.
    const Picture shown = RenderPicture(w, nullptr);
    EXPECT_EQ(shown.width, screen.cx);
    EXPECT_EQ(shown.height, screen.cy);
    EXPECT_EQ(SendMessageA(w, EWM_RENDER, 3, 0), 0);
}

// The module's class table, as a help host sees it: each class of the
// module's, with its exported procedure. One row per class written.
TEST(Registration, EveryClassIsTheModulesUntilTheLastThreadEnds) {
    HMODULE module = LoadLibraryA(ModulePath());   // our own reference outlives the host's
    ASSERT_NE(module, nullptr);
    zylhost::Host host;
    ASSERT_TRUE(host.LoadModule(ModulePath()));
    const std::pair<const char*, const char*> classes[] = {
        {"ZYL3_ANIMBUTTON32", "AnimButtonWndProc"},
        {"ZYL3_ANIMATION32", "AnimMovieWndProc"},
        {"ZYL3_ANIMPICT32", "AnimPictWndProc"},
        {"ZYL3_ANIMATETEXT32", "AnimTextWndProc"},
        {"ZYL3_ANIMMOUSE32", "AnimMouseBtnWndProc"},   // sets its cursor itself: none of the class
    };
    WNDCLASSA wc;
    for (const auto& c : classes) {
        ASSERT_TRUE(GetClassInfoA(module, c.first, &wc)) << c.first;
        EXPECT_EQ(wc.style, 0x4003u) << c.first;
        EXPECT_EQ(wc.cbWndExtra, static_cast<int>(sizeof(LONG_PTR))) << c.first;
        EXPECT_EQ(wc.hCursor, std::string(c.first) == "ZYL3_ANIMMOUSE32" ? nullptr : LoadCursorA(nullptr, IDC_ARROW))
            << c.first;
        EXPECT_EQ(reinterpret_cast<FARPROC>(wc.lpfnWndProc), GetProcAddress(module, c.second)) << c.first;
    }

    // (A thread starting while another ends keeps them: the handler's tests.)
    host.Shutdown();
    EXPECT_FALSE(GetClassInfoA(module, "ZYL3_ANIMBUTTON32", &wc)) << "the last termination unregisters";
    EXPECT_FALSE(GetClassInfoA(module, "ZYL3_ANIMBULLET32", &wc));
    // The comment tip's class stays, as the platform registered it.
    ASSERT_TRUE(GetClassInfoA(module, "ZYL3_HELPCOMMENT", &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_SAVEBITS | CS_HREDRAW));
    EXPECT_EQ(wc.hCursor, LoadCursorA(nullptr, IDC_ARROW));
    FreeLibrary(module);
}

}  // namespace
