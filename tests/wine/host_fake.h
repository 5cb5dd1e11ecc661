// A stand-in module for the substitute host's own tests: its handler
// records what the host sends and keeps the callback table (per thread, as
// the real module does); its window class "ZYLTEST_FAKE" notes what its
// creation brings. Data: "WxH text [refuse] [norender] [macro]": W x H on
// the screen, scaled on other devices; painted and printed in kFakeColour
// with a black top-left pixel; copied as its text; "macro" runs the macro
// FromCreate() while being created.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "host.h"
#include "wine_support.h"

namespace hostfake {

constexpr ULONG_PTR kFourGB = 0xFFFFFFFFull;
constexpr COLORREF kFakeColour = RGB(200, 30, 60);
constexpr std::uint32_t kFakePixel = 0xC81E3C;   // kFakeColour as 0x00RRGGBB

struct JumpSeen {
    UINT message;
    LONG_PTR topicNumber;   // GetInfo 7 at that moment
    int liveWindows;        // fake windows alive at that moment
    HWND current;           // GetInfo 3
};

extern thread_local std::vector<UINT> t_messages;
extern thread_local FARPROC t_table[ZYL_CALLBACK_COUNT];
extern thread_local const void* t_tableAddress;
extern thread_local bool t_mainAliveAtTerm;
extern std::vector<JumpSeen> g_jumps;
extern std::vector<std::string> g_changes;   // help file names of message 8
extern const void* g_changedNameAddress;
extern int g_creates, g_destroys, g_live;
extern HWND g_regionAtCreate;                // GetInfo 3 during the last WM_CREATE
extern const void* g_recordAddress;
extern const void* g_helpAddress;
extern const void* g_dataAddress;
extern std::string g_helpAtCreate;
extern int g_queryTechnology, g_queryDpi;
extern const void* g_renderInfoAddress;

LONG_PTR CALLBACK FakeHandler(UINT message, LPARAM lParam1, LPARAM lParam2);
void RegisterFake();   // once per process; later calls change nothing
// The host's callbacks, as the calling thread's module holds them.
LONG_PTR GetInfo(WORD item);
BOOL Api(const char* path, WORD command, LONG_PTR data);
// The path GetInfo item 8 gives, its block freed; "<null>" for none.
std::string HelpPathFromGetInfo();
using zyltest::Hidden;

// A hidden host with the fake module attached and its records cleared;
// Load shows a topic script as the file `path`.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterFake();
        t_messages.clear();
        g_jumps.clear();
        g_creates = g_destroys = 0;
        ASSERT_TRUE(host.AttachHandler(&FakeHandler)) << host.LastError();
    }
    void TearDown() override { host.Shutdown(); }

    void Load(const char* script, const char* path = "C:\\help\\test.hts") {
        ASSERT_TRUE(host.LoadScriptText(script, path)) << host.LastError();
        host.PumpUntilIdle();
    }
    zylhost::Host host{Hidden()};
};

}  // namespace hostfake
