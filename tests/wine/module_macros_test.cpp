// RunMacros called directly, as the macro routines call it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/macro/macros.h"
#include "module_test.h"

using namespace zyl;

namespace {

std::vector<std::string> g_events;
zylhost::Host* g_host = nullptr;

LRESULT CALLBACK QueueProbe(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_APP) g_events.push_back("<message after " + std::to_string(g_host->ApiLog().size()) + ">");
    return DefWindowProcA(h, m, w, l);
}

class RunMacrosDirectly : public zyltest::ModuleHost {
protected:
    void SetUp() override {
        ModuleHost::SetUp();
        g_host = &host;
    }
    std::vector<std::string> Run(char* text) {
        host.ClearApiLog();
        RunMacros(inst, "C:\\help\\direct.hlp", text);
        std::vector<std::string> out;
        for (const auto& c : host.ApiLog()) {
            EXPECT_EQ(c.command, 0x102u);
            EXPECT_EQ(c.helpFile, "C:\\help\\direct.hlp");
            out.push_back(c.text);
        }
        return out;
    }
};

using V = std::vector<std::string>;

// (How the text is cut into macros, bars and all, is the splitter's native
// tests' matter; here the caller's buffer.)
TEST_F(RunMacrosDirectly, CallersBufferKeepsCommasAndLosesNothingElse) {
    char text[] = "ExecProgram(|notepad|, 0):A(`x)|y')";
    EXPECT_EQ(Run(text), (V{"ExecProgram(,notepad,, 0)", "A(`x),y')"}));
    EXPECT_STREQ(text, "ExecProgram(,notepad,, 0):A(`x),y')");
    EXPECT_EQ(Run(nullptr), V{});
}

TEST_F(RunMacrosDirectly, QueueIsDrainedOnlyAfterPositioningMacros) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = QueueProbe;
    wc.lpszClassName = "ZylDirectQueueProbe";
    RegisterClassA(&wc);
    HWND probe = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    g_events.clear();
    PostMessageA(probe, WM_APP, 0, 0);
    char text[] = "A();PositionWindow(0,0,10,10,0,`main');B();ZylCtrlSet(`f',1);C()";
    Run(text);
    EXPECT_EQ(g_events, (V{"<message after 2>"}));

    // A quit request met while draining stays for the host's own loop.
    PostQuitMessage(7);
    char pw[] = "PW(`main',0,0,1,1,0)";
    Run(pw);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
    DestroyWindow(probe);
}

TEST_F(RunMacrosDirectly, AMacroThatDestroysItsOwnerDoesNotStopTheRun) {
    // The host frees the macro text's owner during the first macro (as a
    // jump frees a button); the run goes on from its own copy.
    char* text = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, 64));
    strcpy(text, "First();Second()");
    host.SetMacroRunner([&](zylhost::Host&, const std::string&, const std::string& macro) {
        if (macro == "First()") {
            memset(text, 'x', 15);   // the owner's memory is reused
        }
    });
    EXPECT_EQ(Run(text), (V{"First()", "Second()"}));
    HeapFree(GetProcessHeap(), 0, text);
}

}  // namespace
