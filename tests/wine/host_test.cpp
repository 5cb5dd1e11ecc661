// The substitute host, driven with a small fake module linked into this
// program: what the host sends, what its callbacks answer, and how it lays
// out, re-creates, prints, copies and captures embedded windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "host.h"
#include "host_fake.h"
#include "wine_support.h"

namespace {

using namespace hostfake;
using zyltest::ClassOf;
using zyltest::Picture;
using zyltest::TempPath;

RECT RectIn(HWND child, HWND parent) {
    RECT rc;
    GetWindowRect(child, &rc);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

const zylhost::TextRun* FindRun(const std::vector<zylhost::TextRun>& runs, const std::string& text) {
    for (const auto& r : runs)
        if (r.text == text) return &r;
    return nullptr;
}

// A 24-bit bitmap file the host wrote, read by the module's own reader.
Picture ReadBmp24(const std::string& path) {
    const zyltest::Bytes file = zyltest::ReadFile(path);
    EXPECT_EQ(file.size() > 28 ? zyltest::Get16(file, 28) : 0, 24) << path;
    return zyltest::DecodedStrip(file);
}

bool HasStyle(HWND hwnd, LONG_PTR style) { return (GetWindowLongPtrA(hwnd, GWL_STYLE) & style) == style; }

const char kTwoTopics[] =
    ".topic first 42\n"
    ".title First topic\n"
    "One {ewc self, ZYLTEST_FAKE, 30x20 one} two\n"
    ".topic second\n"
    ".title Second topic\n"
    "{ewc self, ZYLTEST_FAKE, 10x10 a} {ewc self, ZYLTEST_FAKE, 10x10 b}\n";

TEST(HostStart, MessagesInOrderAndTheCallbackTable) {
    t_messages.clear();
    zylhost::Host host(Hidden());
    ASSERT_TRUE(host.AttachHandler(&FakeHandler));
    EXPECT_EQ(t_messages, (std::vector<UINT>{DW_WHATMSG, DW_INIT, DW_CALLBACKS}));
    EXPECT_EQ(host.WhatMessages(), DC_ALL);
    // The table lies above 4 GB, so a pointer cut to 32 bits would show.
    EXPECT_GT(reinterpret_cast<ULONG_PTR>(t_tableAddress), kFourGB);
    EXPECT_EQ(GetInfo(GI_MAINHWND), reinterpret_cast<LONG_PTR>(host.MainFrame()));
    EXPECT_TRUE(IsWindow(host.MainFrame()));
    EXPECT_EQ(ClassOf(host.TopicRegion()), ZYL_HOST_CLASS_TOPIC);
    EXPECT_EQ(ClassOf(host.NsrRegion()), ZYL_HOST_CLASS_NSR);
    EXPECT_EQ(GetParent(host.TopicRegion()), host.MainFrame());
    EXPECT_EQ(GetParent(host.NsrRegion()), host.MainFrame());
    for (int slot = 0; slot < 15; ++slot) {
        auto inert = reinterpret_cast<LONG_PTR(CALLBACK*)()>(reinterpret_cast<void*>(t_table[slot]));
        ASSERT_NE(inert, nullptr) << slot;
        EXPECT_EQ(inert(), 0) << slot;
    }
    EXPECT_FALSE(host.AttachHandler(&FakeHandler)) << "one module per host";

    host.Shutdown();
    ASSERT_EQ(t_messages.size(), 4u);
    EXPECT_EQ(t_messages.back(), static_cast<UINT>(DW_TERM));
    EXPECT_FALSE(t_mainAliveAtTerm) << "the host's windows go before message 5";
    host.Shutdown();
    EXPECT_EQ(t_messages.size(), 4u) << "a second shutdown sends nothing";
}

TEST(HostStart, ModulesThatCannotBeUsed) {
    zylhost::Host host(Hidden());
    EXPECT_FALSE(host.LoadModule("C:\\no\\such\\module.dll"));
    EXPECT_NE(host.LastError().find("cannot load"), std::string::npos) << host.LastError();
    EXPECT_FALSE(host.LoadModule("kernel32.dll"));
    EXPECT_NE(host.LastError().find("LDLLHandler"), std::string::npos) << host.LastError();
    EXPECT_FALSE(host.LoadModule(nullptr));
}

TEST(HostStart, EachThreadAnswersForItsOwnHost) {
    // The callbacks have no context argument: each host thread must reach
    // its own host.
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    LONG started = 0;
    bool ok[2] = {false, false};
    auto run = [&](int i) {
        zylhost::Host host(Hidden());
        if (!host.AttachHandler(&FakeHandler)) return;
        if (InterlockedIncrement(&started) == 2) SetEvent(ready);
        WaitForSingleObject(ready, 10000);   // both hosts exist now
        ok[i] = GetInfo(GI_MAINHWND) == reinterpret_cast<LONG_PTR>(host.MainFrame()) &&
                GetInfo(GI_CURRHWND) == reinterpret_cast<LONG_PTR>(host.TopicRegion());
        Api("x.hlp", 0x1234, i);
        ok[i] = ok[i] && host.ApiLog().size() == 1 && host.ApiLog()[0].value == i;
    };
    std::thread a(run, 0), b(run, 1);
    a.join();
    b.join();
    CloseHandle(ready);
    EXPECT_TRUE(ok[0]);
    EXPECT_TRUE(ok[1]);
}

TEST_F(HostTest, GetInfoAnswers) {
    Load(kTwoTopics);
    EXPECT_EQ(GetInfo(GI_CURRHWND), reinterpret_cast<LONG_PTR>(host.TopicRegion()));
    host.SetCurrentRegion(host.NsrRegion());
    EXPECT_EQ(GetInfo(GI_CURRHWND), reinterpret_cast<LONG_PTR>(host.NsrRegion()));
    host.SetCurrentRegion(host.TopicRegion());
    EXPECT_EQ(GetInfo(GI_BKCOLOR), static_cast<LONG_PTR>(RGB(255, 255, 255)));
    EXPECT_EQ(GetInfo(GI_TOPICNO), 42) << "the number written in the script";
    ASSERT_TRUE(host.Jump("second"));
    EXPECT_EQ(GetInfo(GI_TOPICNO), 1) << "else the topic's index";
    EXPECT_EQ(GetInfo(99), 0);

    // Item 8: a new handle each time, holding the path; the caller frees it.
    host.SetHelpFilePath("C:\\help\\some file.hlp");
    for (int i = 0; i < 2; ++i) {
        HGLOBAL h = reinterpret_cast<HGLOBAL>(GetInfo(GI_HPATH));
        ASSERT_NE(h, nullptr);
        EXPECT_STREQ(static_cast<const char*>(GlobalLock(h)), "C:\\help\\some file.hlp");
        GlobalUnlock(h);
        EXPECT_EQ(GlobalFree(h), nullptr) << "a handle the caller can free";
    }
}

TEST(HostScreen, BackgroundColourAndLowMemory) {
    RegisterFake();
    zylhost::HostOptions options;
    options.backgroundColour = RGB(10, 20, 30);
    options.allocateHigh = false;
    zylhost::Host host(options);
    ASSERT_TRUE(host.AttachHandler(&FakeHandler));
    EXPECT_EQ(GetInfo(GI_BKCOLOR), static_cast<LONG_PTR>(RGB(10, 20, 30)));
    ASSERT_TRUE(host.LoadScriptText(".topic a\n\n\n{ewc self, ZYLTEST_FAKE, 20x20}\n", "C:\\x.hts"));
    host.PumpUntilIdle();
    // The region is painted in the background colour around the window.
    int w = 0, h = 0;
    std::vector<DWORD> px = host.CapturePixels(host.TopicRegion(), &w, &h);
    ASSERT_GT(w, 100);
    EXPECT_EQ(px[static_cast<size_t>(h - 5) * w + w - 5], 0x0A141Eu);
}

TEST_F(HostTest, ApiCallsAreLoggedAndCarriedOut) {
    Load(kTwoTopics);
    host.ClearApiLog();
    // Strings the module hands over may lie anywhere; the log keeps copies.
    char* macro = static_cast<char*>(VirtualAlloc(nullptr, 64, MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN, PAGE_READWRITE));
    std::strcpy(macro, "Next()");
    EXPECT_TRUE(Api("C:\\help\\test.hts", ZYL_API_EXECUTE_MACRO, reinterpret_cast<LONG_PTR>(macro)));
    std::strcpy(macro, "changed");
    VirtualFree(macro, 0, MEM_RELEASE);
    Api("C:\\help\\test.hts", ZYL_API_POPUP_CONTEXT, 0x123456789LL);
    Api(nullptr, ZYL_API_JUMP_KEY, 0);   // null path and null text are no crash
    ASSERT_EQ(host.ApiLog().size(), 3u);
    EXPECT_EQ(host.ApiLog()[0].helpFile, "C:\\help\\test.hts");
    EXPECT_EQ(host.ApiLog()[0].command, 0x102u);
    EXPECT_EQ(host.ApiLog()[0].text, "Next()");
    EXPECT_EQ(host.ApiLog()[1].command, 8u);
    EXPECT_EQ(host.ApiLog()[1].value, 0x123456789LL) << "the whole pointer-sized value";
    EXPECT_EQ(host.ApiLog()[1].text, "");
    EXPECT_EQ(host.ApiLog()[2].helpFile, "");
    EXPECT_EQ(host.ApiLog()[2].text, "");

    // Jumps happen at the next pump, not inside the module's call.
    Api("C:\\help\\test.hts", ZYL_API_JUMP_KEY, reinterpret_cast<LONG_PTR>("second"));
    EXPECT_EQ(host.CurrentTopicNumber(), 42);
    host.PumpUntilIdle();
    EXPECT_EQ(host.CurrentTopicNumber(), 1);
    Api("x", ZYL_API_JUMP_HASH, static_cast<LONG_PTR>(zylscript::ContextHash("first")));
    host.PumpUntilIdle();
    EXPECT_EQ(host.CurrentTopicNumber(), 42);
    Api("x", ZYL_API_JUMP_KEY, reinterpret_cast<LONG_PTR>("no-such-topic"));
    host.PumpUntilIdle();
    EXPECT_EQ(host.CurrentTopicNumber(), 42);

    // Popups by context string, number and hash.
    Api("x", ZYL_API_POPUP_KEY, reinterpret_cast<LONG_PTR>("second"));
    host.PumpUntilIdle();
    HWND popup = reinterpret_cast<HWND>(GetInfo(GI_CURRHWND));
    EXPECT_EQ(ClassOf(popup), ZYL_HOST_CLASS_POPUP);
    EXPECT_EQ(GetInfo(GI_TOPICNO), 1);
    Api("x", ZYL_API_POPUP_CONTEXT, 42);
    host.PumpUntilIdle();
    EXPECT_FALSE(IsWindow(popup)) << "one popup at a time";
    EXPECT_EQ(GetInfo(GI_TOPICNO), 42);
    Api("x", ZYL_API_POPUP_HASH, static_cast<LONG_PTR>(zylscript::ContextHash("second")));
    host.PumpUntilIdle();
    EXPECT_EQ(GetInfo(GI_TOPICNO), 1);
    host.ClosePopup();

    // A ">window" suffix opens that secondary window.
    Api("C:\\help\\test.hts>glossary", ZYL_API_JUMP_KEY, reinterpret_cast<LONG_PTR>("second"));
    host.PumpUntilIdle();
    HWND frame = FindWindowA(ZYL_HOST_CLASS_SECONDARY, "Second topic");
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(host.CurrentTopicNumber(), 1);
}

TEST_F(HostTest, CreationRecordAndStringsLieAboveFourGB) {
    Load(".topic a\n{ewc self, ZYLTEST_FAKE, 12x34 data,with,commas}\n");
    ASSERT_EQ(host.EmbeddedWindows().size(), 1u);
    EXPECT_GT(reinterpret_cast<ULONG_PTR>(g_recordAddress), kFourGB);
    EXPECT_GT(reinterpret_cast<ULONG_PTR>(g_helpAddress), kFourGB);
    EXPECT_GT(reinterpret_cast<ULONG_PTR>(g_dataAddress), kFourGB);
    EXPECT_EQ(g_helpAtCreate, host.HelpFilePath());
    EXPECT_EQ(g_regionAtCreate, host.TopicRegion());
    HWND w = host.EmbeddedWindows()[0];
    EXPECT_EQ(GetParent(w), host.TopicRegion());
    EXPECT_EQ(GetDlgCtrlID(w), 1);
    EXPECT_TRUE(HasStyle(w, WS_VISIBLE | WS_CHILD));
    RECT rc = RectIn(w, host.TopicRegion());
    EXPECT_EQ(rc.right - rc.left, 12) << "sized by the size query";
    EXPECT_EQ(rc.bottom - rc.top, 34);
    EXPECT_EQ(g_queryTechnology, DT_RASDISPLAY) << "asked with the region's screen DC";
}

TEST_F(HostTest, WindowsFlowWithTheText) {
    Load(".topic a\n"
         "Before {ewc self, ZYLTEST_FAKE, 30x20} after{ewc self, ZYLTEST_FAKE, 6x4}.\n\n"
         "{ewl self, ZYLTEST_FAKE, 50x70}Left one two three four five six seven eight nine ten eleven twelve "
         "thirteen fourteen fifteen sixteen seventeen eighteen nineteen twenty twentyone twentytwo "
         "twentythree twentyfour twentyfive twentysix twentyseven twentyeight twentynine thirty thirtyone "
         "thirtytwo thirtythree thirtyfour thirtyfive thirtysix thirtyseven thirtyeight thirtynine forty end.\n\n"
         "Right {ewr self, ZYLTEST_FAKE, 40x30} side\n");
    HWND region = host.TopicRegion();
    std::vector<HWND> ws = host.EmbeddedWindows();
    ASSERT_EQ(ws.size(), 4u);
    const RECT c = RectIn(ws[0], region), small = RectIn(ws[1], region), l = RectIn(ws[2], region),
               r = RectIn(ws[3], region);
    auto runs = host.TextRuns();
    const zylhost::TextRun* before = FindRun(runs, "Before");
    const zylhost::TextRun* after = FindRun(runs, "after");
    ASSERT_TRUE(before && after);
    const int margin = before->rect.left;
    EXPECT_GT(margin, 0);

    // ewc: a character of the line, standing on the base line.
    EXPECT_GT(c.left, before->rect.right);
    EXPECT_GE(after->rect.left, c.right);
    EXPECT_EQ(after->rect.top, before->rect.top);
    EXPECT_GT(c.bottom, before->rect.top);
    EXPECT_LT(c.bottom, before->rect.bottom) << "the base line lies above the descent";
    EXPECT_EQ(c.right - c.left, 30);
    EXPECT_EQ(small.bottom, c.bottom) << "a short window stands on the same base line";
    EXPECT_EQ(small.left, after->rect.right) << "no blank between it and the word before";

    // ewl: at the left margin, text beside it, then back at the margin below it.
    EXPECT_EQ(l.left, margin);
    EXPECT_GT(l.top, before->rect.bottom);
    const zylhost::TextRun* left = FindRun(runs, "Left");
    ASSERT_TRUE(left);
    EXPECT_GT(left->rect.left, l.right);
    EXPECT_EQ(left->rect.top, l.top);
    int besideIt = 0, belowIt = 0;
    for (const auto& run : runs) {
        if (run.rect.top < l.top || run.rect.top > l.bottom + 40) continue;
        if (run.rect.top < l.bottom) {
            ++besideIt;
            EXPECT_GT(run.rect.left, l.right) << run.text;
        } else if (run.rect.left == margin) {
            ++belowIt;
        }
    }
    EXPECT_GE(besideIt, 4);
    EXPECT_GE(belowIt, 1) << "text returns to the margin once past the window";

    // ewr: at the right margin of the region; it waits for the next line
    // when met inside one.
    RECT client;
    GetClientRect(region, &client);
    EXPECT_EQ(r.right, client.right - margin);
    const zylhost::TextRun* right = FindRun(runs, "Right");
    const zylhost::TextRun* side = FindRun(runs, "side");
    ASSERT_TRUE(right && side);
    EXPECT_LT(side->rect.right, r.left);
    EXPECT_GE(r.top, right->rect.bottom);
}

TEST_F(HostTest, RefusedWindowsAndMissingDlls) {
    Load(".topic a\nA {ewc self, ZYLTEST_FAKE, refuse} B\n\nC {ewc NOSUCH.DLL, SOME_CLASS, x} D\n\nE F\n");
    EXPECT_TRUE(host.EmbeddedWindows().empty());
    auto runs = host.TextRuns();
    const zylhost::TextRun *a = FindRun(runs, "A"), *b = FindRun(runs, "B"), *c = FindRun(runs, "C"),
                           *d = FindRun(runs, "D"), *e = FindRun(runs, "E"), *f = FindRun(runs, "F");
    ASSERT_TRUE(a && b && c && d && e && f);
    const int blank = f->rect.left - e->rect.right;
    EXPECT_EQ(b->rect.left - a->rect.right, blank) << "a refused window takes no room";
    EXPECT_GT(d->rect.left - c->rect.right, 100) << "room for the note naming the DLL";
    EXPECT_EQ(b->rect.top, a->rect.top);
}

TEST_F(HostTest, ResizeCreatesTheWindowsAnew) {
    Load(".topic a\nText {ewc self, ZYLTEST_FAKE, 30x20} {ewr self, ZYLTEST_FAKE, 20x20}\n");
    std::vector<HWND> before = host.EmbeddedWindows();
    ASSERT_EQ(before.size(), 2u);
    const int creates = g_creates, destroys = g_destroys;
    host.Resize(500, 300);
    host.PumpUntilIdle();
    EXPECT_EQ(g_creates, creates + 2);
    EXPECT_EQ(g_destroys, destroys + 2);
    for (HWND w : before) EXPECT_FALSE(IsWindow(w));
    std::vector<HWND> after = host.EmbeddedWindows();
    ASSERT_EQ(after.size(), 2u);
    RECT client;
    GetClientRect(host.TopicRegion(), &client);
    EXPECT_EQ(client.right, 500);
    EXPECT_EQ(RectIn(after[1], host.TopicRegion()).right, 500 - host.TextRuns()[0].rect.left);

    host.Resize(500, 300);
    EXPECT_EQ(g_creates, creates + 2) << "the same size lays nothing out";
}

TEST_F(HostTest, TallTopicsScroll) {
    std::string script = ".topic a\n";
    for (int i = 0; i < 60; ++i) script += "Paragraph " + std::to_string(i) + "\n\n";
    script += "{ewc self, ZYLTEST_FAKE, 20x20}\n";
    Load(script.c_str());
    HWND region = host.TopicRegion();
    EXPECT_TRUE(HasStyle(region, WS_VSCROLL));
    HWND w = host.EmbeddedWindows().at(0);
    const RECT start = RectIn(w, region);
    SendMessageA(region, WM_VSCROLL, SB_BOTTOM, 0);
    host.PumpUntilIdle();
    const RECT end = RectIn(w, region);
    RECT client;
    GetClientRect(region, &client);
    EXPECT_LT(end.top, start.top) << "the window scrolls with the text";
    EXPECT_LE(end.bottom, client.bottom);
    EXPECT_GT(end.top, 0);
}

TEST_F(HostTest, JumpSendsSixThenSevenAndReplacesTheWindows) {
    Load(kTwoTopics);
    std::vector<HWND> old = host.EmbeddedWindows();
    ASSERT_EQ(old.size(), 1u);
    g_jumps.clear();
    ASSERT_TRUE(host.Jump("SECOND"));
    ASSERT_EQ(g_jumps.size(), 2u);
    EXPECT_EQ(g_jumps[0].message, static_cast<UINT>(DW_STARTJUMP));
    EXPECT_EQ(g_jumps[0].topicNumber, 42) << "6 comes while the old topic is shown";
    EXPECT_EQ(g_jumps[0].liveWindows, 1);
    EXPECT_EQ(g_jumps[1].message, static_cast<UINT>(DW_ENDJUMP));
    EXPECT_EQ(g_jumps[1].topicNumber, 1);
    EXPECT_EQ(g_jumps[1].liveWindows, 2);
    EXPECT_EQ(g_jumps[1].current, host.TopicRegion());
    EXPECT_FALSE(IsWindow(old[0]));
    EXPECT_EQ(host.EmbeddedWindows().size(), 2u);
    EXPECT_FALSE(host.Jump("third"));
    EXPECT_EQ(g_jumps.size(), 2u);

    // The module's jump request by hash (a tab bar's), sent to the frame.
    SendMessageA(host.MainFrame(), ZYL_HOST_MSG_JUMPHASH, 0, static_cast<LPARAM>(zylscript::ContextHash("first")));
    host.PumpUntilIdle();
    EXPECT_EQ(host.CurrentTopicNumber(), 42);
}

TEST_F(HostTest, NavigationAskedForDuringLayoutWaitsForTheLoop) {
    // A macro run while the module creates a window jumps and pops up: the
    // topic being laid out must finish first.
    host.SetMacroRunner([](zylhost::Host& h, const std::string&, const std::string& m) {
        if (m != "FromCreate()") return;
        EXPECT_TRUE(h.Jump("second")) << "accepted, for later";
        EXPECT_EQ(h.Popup("second"), nullptr);
        EXPECT_FALSE(h.LoadScriptText(".topic z\n", "C:\\other.hts"));
    });
    ASSERT_TRUE(host.LoadScriptText(".topic first\n{ewc self, ZYLTEST_FAKE, 5x5 x macro} {ewc self, ZYLTEST_FAKE, 5x5 y}\n"
                                    ".topic second\nText\n",
                                    "C:\\help\\test.hts"));
    EXPECT_EQ(host.EmbeddedWindows().size(), 2u) << "the first topic was laid out whole";
    EXPECT_EQ(host.CurrentTopicNumber(), 0);
    host.PumpUntilIdle();
    EXPECT_TRUE(host.EmbeddedWindows().empty()) << "then the jump";
    EXPECT_EQ(ClassOf(host.CurrentRegion()), ZYL_HOST_CLASS_POPUP) << "then the popup";
    EXPECT_EQ(host.CurrentTopicNumber(), 1);
    EXPECT_EQ(host.TopicScript().topics.at(0).context, "first");
}

TEST_F(HostTest, NonScrollingRegion) {
    Load(".topic a\n.nsr\nHead {ewc self, ZYLTEST_FAKE, 20x30}\n.body\nBody\n.topic b\nBody only\n");
    HWND nsr = host.NsrRegion(), topic = host.TopicRegion();
    ASSERT_TRUE(HasStyle(nsr, WS_VISIBLE));
    RECT n = RectIn(nsr, host.MainFrame()), t = RectIn(topic, host.MainFrame());
    EXPECT_EQ(n.top, 0);
    EXPECT_GT(n.bottom, 30);
    EXPECT_EQ(t.top, n.bottom) << "the topic region starts below it";
    ASSERT_EQ(host.EmbeddedWindows(nsr).size(), 1u);
    EXPECT_EQ(GetParent(host.EmbeddedWindows(nsr)[0]), nsr);
    EXPECT_EQ(g_regionAtCreate, nsr) << "GetInfo 3 names the region being laid out";
    EXPECT_TRUE(host.EmbeddedWindows(topic).empty());
    EXPECT_EQ(host.CurrentRegion(), topic);

    ASSERT_TRUE(host.Jump("b"));
    RECT nsrRect;
    GetClientRect(nsr, &nsrRect);
    EXPECT_TRUE(!HasStyle(nsr, WS_VISIBLE) || nsrRect.bottom == 0);
    EXPECT_EQ(RectIn(topic, host.MainFrame()).top, 0);
}

TEST_F(HostTest, SecondaryWindowsAndPopups) {
    Load(kTwoTopics);
    HWND frame = host.OpenSecondary("glossary", "second");
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(ClassOf(frame), ZYL_HOST_CLASS_SECONDARY);
    char caption[64];
    GetWindowTextA(frame, caption, sizeof caption);
    EXPECT_STREQ(caption, "Second topic");
    EXPECT_EQ(ClassOf(host.TopicRegion(frame)), ZYL_HOST_CLASS_TOPIC);
    EXPECT_EQ(ClassOf(host.NsrRegion(frame)), ZYL_HOST_CLASS_NSR);
    EXPECT_EQ(GetParent(host.TopicRegion(frame)), frame);
    EXPECT_EQ(host.EmbeddedWindows(host.TopicRegion(frame)).size(), 2u);
    EXPECT_EQ(GetInfo(GI_CURRHWND), reinterpret_cast<LONG_PTR>(host.TopicRegion(frame)));
    char name[9] = "";
    SendMessageA(frame, ZYL_HOST_MSG_WINDOWNAME, 0, reinterpret_cast<LPARAM>(name));
    EXPECT_STREQ(name, "glossary") << "the frame tells its window name";
    EXPECT_EQ(host.OpenSecondary("GLOSSARY", "first"), frame) << "one frame per name";
    EXPECT_EQ(host.OpenSecondary("glossary", "no-such"), nullptr);
    EXPECT_NE(host.OpenSecondary("empty", nullptr), nullptr) << "a frame without a topic";

    host.SetCurrentRegion(host.TopicRegion());
    HWND popup = host.Popup("first");
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(ClassOf(popup), ZYL_HOST_CLASS_POPUP);
    EXPECT_EQ(GetInfo(GI_CURRHWND), reinterpret_cast<LONG_PTR>(popup));
    EXPECT_EQ(GetInfo(GI_TOPICNO), 42);
    std::vector<HWND> inPopup = host.EmbeddedWindows(popup);
    ASSERT_EQ(inPopup.size(), 1u);
    EXPECT_EQ(GetParent(inPopup[0]), popup);
    EXPECT_EQ(g_regionAtCreate, popup);
    RECT rc;
    GetClientRect(popup, &rc);
    EXPECT_GE(rc.bottom, 20) << "as tall as its content";
    host.ClosePopup();
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_FALSE(IsWindow(inPopup[0]));
    EXPECT_EQ(GetInfo(GI_CURRHWND), reinterpret_cast<LONG_PTR>(host.TopicRegion()));

    // Closing a secondary window by hand takes its windows along.
    std::vector<HWND> inFrame = host.EmbeddedWindows(host.TopicRegion(frame));
    SendMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(frame));
    for (HWND w : inFrame) EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(host.TopicRegion(frame), nullptr);
}

TEST_F(HostTest, LinksJumpPopUpAndRunMacros) {
    Load(".topic a\n{link Go there|b} {popup Note|c} {macro Run it|DoIt()}\n.topic b\nB\n.topic c\nC\n");
    std::vector<std::string> ran;
    host.SetMacroRunner([&](zylhost::Host&, const std::string&, const std::string& m) { ran.push_back(m); });
    auto click = [&](const char* text) {
        auto runs = host.TextRuns();
        const zylhost::TextRun* run = FindRun(runs, text);
        ASSERT_TRUE(run) << text;
        EXPECT_TRUE(run->link);
        SendMessageA(host.TopicRegion(), WM_LBUTTONUP, 0, MAKELPARAM(run->rect.left + 2, run->rect.top + 2));
        host.PumpUntilIdle();
    };
    click("Run it");   // the words of a link are one run
    EXPECT_EQ(ran, (std::vector<std::string>{"DoIt()"}));
    click("Note");
    EXPECT_EQ(ClassOf(host.CurrentRegion()), ZYL_HOST_CLASS_POPUP);
    EXPECT_EQ(host.CurrentTopicNumber(), 2);
    host.ClosePopup();
    click("Go there");
    EXPECT_EQ(host.CurrentTopicNumber(), 1);
}

TEST_F(HostTest, ChangeHelpFile) {
    Load(kTwoTopics);
    host.ChangeHelpFile("C:\\help\\other.hlp");
    EXPECT_EQ(g_changes.back(), "C:\\help\\other.hlp");
    EXPECT_GT(reinterpret_cast<ULONG_PTR>(g_changedNameAddress), kFourGB);
    EXPECT_EQ(HelpPathFromGetInfo(), "C:\\help\\other.hlp");
    EXPECT_EQ(host.EmbeddedWindows().size(), 1u) << "not a script: the topic stays";

    // A script is loaded and shown.
    const std::string path = TempPath("zylhost-change.hts");
    ASSERT_TRUE(zyltest::WriteFile(path, zyltest::BytesOf(".topic only 7\n{ewc self, ZYLTEST_FAKE, 5x5} "
                                                          "{ewc self, ZYLTEST_FAKE, 5x5} {ewc self, ZYLTEST_FAKE, 5x5}\n")));
    host.ChangeHelpFile(path.c_str());
    EXPECT_EQ(host.HelpFilePath(), path);
    EXPECT_EQ(host.CurrentTopicNumber(), 7);
    EXPECT_EQ(host.EmbeddedWindows().size(), 3u);
}

TEST_F(HostTest, ScriptErrorsAreReported) {
    EXPECT_FALSE(host.LoadScriptText(".topic a\n{ewl x.dll}\n", "C:\\bad.hts"));
    EXPECT_EQ(host.LastError().rfind("C:\\bad.hts:2: ", 0), 0u) << host.LastError();
    EXPECT_FALSE(host.Jump("a")) << "nothing was loaded";
}

TEST_F(HostTest, PrintRendersOnAPrinterContext) {
    // (The printer's resolution changed between prints, and a window
    // without a picture render, are the button and framework tests' matter.)
    Load(".topic a\n.nsr\n{ewc self, ZYLTEST_FAKE, 16x8}\n.body\nText {ewc self, ZYLTEST_FAKE, 32x20}\n");
    host.SetPrinterDpi(600);
    const std::string page = TempPath("zylhost-page.bmp");
    ASSERT_TRUE(host.Print(page.c_str())) << host.LastError();
    EXPECT_NE(g_queryTechnology, DT_RASDISPLAY);
    EXPECT_EQ(g_queryDpi, 600);
    EXPECT_GT(reinterpret_cast<ULONG_PTR>(g_renderInfoAddress), kFourGB);
    const auto& printed = host.LastPrint();
    ASSERT_EQ(printed.size(), 2u);
    EXPECT_EQ(printed[0].hwnd, host.EmbeddedWindows(host.NsrRegion()).at(0)) << "the non-scrolling region first";
    EXPECT_EQ(printed[0].size.x, 100);
    const auto& p = printed[1];
    EXPECT_EQ(p.size.x, 200);
    EXPECT_EQ(p.size.y, 125);
    ASSERT_EQ(p.width, 200);
    ASSERT_EQ(p.height, 125);
    ASSERT_EQ(p.pixels.size(), 200u * 125u);
    EXPECT_EQ(p.pixels[0], 0u) << "top-left pixel first";
    EXPECT_EQ(p.pixels[62u * 200u + 100u], 0xC81E3Cu);

    // The page: printable width, the printed bitmaps in it.
    const Picture bmp = ReadBmp24(page);
    EXPECT_GT(bmp.width, 2000);
    EXPECT_GT(bmp.height, 125);
    EXPECT_GT(zyltest::CountOf(bmp, kFakePixel), 0u);
}

TEST_F(HostTest, CopyJoinsTextAndWindowTexts) {
    Load(".topic a\n.nsr\nHead {ewc self, ZYLTEST_FAKE, 5x5 nsr}\n.body\n"
         "Text {ewc self, ZYLTEST_FAKE, 10x10 alpha} more {link link|a}.\n\n"
         "Second {ewc self, ZYLTEST_FAKE, 10x10 refuse} end\n");
    EXPECT_EQ(host.CopyTopic(), "Head nsr\r\nText alpha more link.\r\nSecond  end");
    HWND extra = host.CreateEmbedded(host.TopicRegion(), {'c', "self", "ZYLTEST_FAKE", "5x5 extra"});
    ASSERT_NE(extra, nullptr);
    EXPECT_EQ(host.CopyTopic(), "Head nsr\r\nText alpha more link.\r\nSecond  end\r\nextra");
}

TEST(HostScreen, NoGdiObjectsLeakOverManyLayouts) {
    // Shown, so that painting is part of every round.
    RegisterFake();
    zylhost::Host host;
    ASSERT_TRUE(host.AttachHandler(&FakeHandler));
    ASSERT_TRUE(host.LoadScriptText(".topic a\n.nsr\nHead {ewl self, ZYLTEST_FAKE, 10x10 h}\n.body\n"
                                    "{link Jump|b} {ewc self, ZYLTEST_FAKE, 20x20 t}\n{ewc NOSUCH.DLL, C, x}\n"
                                    ".topic b\n{popup Pop|a}\n",
                                    "C:\\help\\leak.hts"));
    const std::string page = TempPath("zylhost-leak.bmp");
    // The first round is the first use of fonts, printer and caches.
    EXPECT_EQ(zyltest::LeakOver(1, 20, [&](int i) {
                  host.Resize(400 + (i % 2) * 50, 300);
                  host.Jump("b");
                  host.Popup("a");
                  host.ClosePopup();
                  host.Jump("a");
                  host.Print(i == 0 ? page.c_str() : nullptr);
                  host.CopyTopic();
                  int w, h;
                  host.CapturePixels(host.TopicRegion(), &w, &h);
                  GlobalFree(reinterpret_cast<HGLOBAL>(GetInfo(GI_HPATH)));
                  host.PumpUntilIdle();
                  return true;
              }),
              "");
}

TEST(HostScreen, ScreenshotsAndPixels) {
    RegisterFake();
    zylhost::Host host;
    ASSERT_TRUE(host.AttachHandler(&FakeHandler));
    ASSERT_TRUE(host.LoadScriptText(".topic a\n{ewc self, ZYLTEST_FAKE, 40x30}\n", "C:\\x.hts"));
    host.PumpUntilIdle();
    const std::string path = TempPath("zylhost-shot.bmp");
    ASSERT_TRUE(host.Screenshot(host.MainFrame(), path.c_str())) << host.LastError();
    RECT wr;
    GetWindowRect(host.MainFrame(), &wr);
    const Picture bmp = ReadBmp24(path);
    EXPECT_EQ(bmp.width, wr.right - wr.left);
    EXPECT_EQ(bmp.height, wr.bottom - wr.top);
    EXPECT_GT(zyltest::CountOf(bmp, kFakePixel), 0u) << "child windows are in the picture";

    int w = 0, h = 0;
    HWND fake = host.EmbeddedWindows().at(0);
    std::vector<DWORD> px = host.CapturePixels(fake, &w, &h);
    EXPECT_EQ(w, 40);
    EXPECT_EQ(h, 30);
    ASSERT_EQ(px.size(), 1200u);
    EXPECT_EQ(px[15 * 40 + 20], 0xC81E3Cu);
    EXPECT_FALSE(host.Screenshot(nullptr, path.c_str()));
}

}  // namespace
