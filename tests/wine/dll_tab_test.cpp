// The tab bar (ZYL3_ANIMTAB32), driven through the host as a help file
// drives it. The tab files are written by zyllist from their texts and
// stored in a help file by zylpack's writer, as an author makes them; the cursor is
// put on a tab by hand before WM_SETCURSOR and WM_LBUTTONDOWN.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/animtab_parse.h"
#include "controls/embedded.h"
#include "wine_support.h"
#include "host.h"
#include "zyl3an32.h"

namespace {

using namespace zyltest;

constexpr COLORREF kHostBack = RGB(240, 240, 200);
constexpr DWORD kPage = 0xF0F0C8, kGrey = 0xC0C0C0;

const char kBarText[] = "tab bar\nintro | Intro\nsteps | Steps\nnotes | Notes\n";
const char kPopupText[] = "tab bar\nflags popup\nintro | Intro\nsteps | Steps\n";
// Three topics joined by one bar in their non-scrolling regions.
const char kScript[] =
    ".topic intro\n.nsr\n{ewl ZYL3AN32.DLL, ZYL3_ANIMTAB32, bar.tab ; 1}\n.body\nThe first page.\n"
    ".topic steps\n.nsr\n{ewl ZYL3AN32.DLL, ZYL3_ANIMTAB32, bar.tab ; 2}\n.body\nThe second page.\n"
    ".topic notes\n.nsr\n{ewl ZYL3AN32.DLL, ZYL3_ANIMTAB32, bar.tab ; 3}\n.body\nThe third page.\n";

// bar.tab and popup.tab from their texts by zyllist, an empty tab file and
// the script, in tabs.hlp.
const AuthoredHelpFile& Shared() {
    static std::unique_ptr<AuthoredHelpFile> made = AuthorHelpFile(
        "tabs.hlp", {{"bar.tab", kBarText}, {"popup.tab", kPopupText}}, {{"empty.tab", Bytes()}, {"topics.hts", BytesOf(kScript)}});
    return *made;
}

// The bar's measures in the module's font (14-pixel MS Sans Serif).
struct Metrics : zyl::TabMetrics {
    int Left(int t) const { return zyl::TabLeft(t, *this); }
};
Metrics Measure(const std::vector<std::string>& labels) {
    const FontMeasures font = MeasureFont("MS Sans Serif", 14, 100, labels, 0, ANSI_CHARSET);
    Metrics m;
    static_cast<zyl::TabMetrics&>(m) = zyl::MeasureTabs(font.widest, font.charHeight);
    return m;
}

class TabBars : public EmbeddingTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(Shared().failure.empty()) << Shared().failure;
        Start(kHostBack, Shared().help);
        Topmost(40, 40);
        m = Measure({"Intro", "Steps", "Notes"});
    }
    HWND Bar(const std::string& data) { return Embed("ZYL3_ANIMTAB32", data); }
    // The cursor on the middle of tab t, near its top.
    void Point(HWND w, int t) {
        POINT p = {m.Left(t) + m.width / 2, 4};
        ClientToScreen(w, &p);
        SetCursorPos(p.x, p.y);
    }
    HCURSOR CursorOver(HWND w, int t) {
        Point(w, t);
        SetCursor(nullptr);
        SendMessageA(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    }
    std::vector<zylhost::ApiCall> Click(HWND w, int t) {
        Point(w, t);
        host->ClearApiLog();
        SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        return host->ApiLog();
    }
    // The topic region as captured, read in the bar's coordinates.
    struct Seen {
        std::vector<DWORD> px;
        int width = 0;
        POINT origin = {0, 0};
        DWORD operator()(int x, int y) const { return px[static_cast<std::size_t>(origin.y + y) * width + origin.x + x]; }
    };
    Seen Capture(HWND w) {
        Seen s;
        int height = 0;
        s.px = host->CapturePixels(host->TopicRegion(), &s.width, &height);
        MapWindowPoints(w, host->TopicRegion(), &s.origin, 1);
        return s;
    }

    Metrics m;
};

TEST_F(TabBars, TheSelectedTabLiesInFrontWithAGapInTheBaseLine) {
    HWND w = Bar("bar.tab ; 2");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(WindowSize(w).cx, m.slant + 3 * (m.width + m.slant));
    EXPECT_EQ(WindowSize(w).cy, m.height + 1);
    EXPECT_FALSE(GetWindowLongPtrA(w, GWL_STYLE) & WS_BORDER);
    const Seen at = Capture(w);
    const int low = m.height - 1;   // the tabs' lowest row, below the labels
    const DWORD shadow = GetSysColor(COLOR_BTNSHADOW) & 0xFFFFFF;
    const DWORD shadowPixel = ((shadow & 0xFF) << 16) | (shadow & 0xFF00) | (shadow >> 16);
    EXPECT_EQ(at(m.Left(1) + m.width / 2, low), kGrey);
    EXPECT_EQ(at(m.Left(2) + m.width / 2, low), kPage) << "the selected tab in the topic's colour";
    EXPECT_EQ(at(m.Left(3) + m.width / 2, low), kGrey);
    // Where tab 2 overlaps its neighbours it covers them: it is drawn last.
    EXPECT_EQ(at(m.Left(1) + m.width + m.slant / 2, low), kPage);
    EXPECT_EQ(at(m.Left(2) + m.width + m.slant / 2, low), kPage);
    // The base line: under the other tabs and on across the region, open under Steps.
    EXPECT_EQ(at(m.Left(1) + m.width / 2, m.height), shadowPixel);
    EXPECT_EQ(at(m.Left(3) + m.width / 2, m.height), shadowPixel);
    EXPECT_EQ(at(WindowSize(w).cx + 20, m.height), shadowPixel);
    EXPECT_EQ(at(m.Left(2) + m.width / 2, m.height), kPage) << "the gap";
    EXPECT_EQ(at(m.Left(2) - m.slant + 2, m.height), kPage);

    // Selected 0: every tab grey, the line unbroken, every tab a target.
    HWND none = Bar("bar.tab;0");
    ASSERT_NE(none, nullptr);
    SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    const Seen allAt = Capture(none);
    EXPECT_EQ(allAt(m.Left(2) + m.width / 2, low), kGrey);
    EXPECT_EQ(allAt(m.Left(2) + m.width / 2, m.height), shadowPixel) << "no gap";
    const HCURSOR hand = LoadCursorA(module, MAKEINTRESOURCEA(8000));
    for (int t = 1; t <= 3; ++t) EXPECT_EQ(CursorOver(none, t), hand) << t;
}

TEST_F(TabBars, TheSelectedTabIsNoTargetAndTheOthersJump) {
    HWND w = Bar("bar.tab;2");
    ASSERT_NE(w, nullptr);
    const HCURSOR hand = LoadCursorA(module, MAKEINTRESOURCEA(8000)), arrow = LoadCursorA(nullptr, IDC_ARROW);
    ValidateRect(w, nullptr);
    EXPECT_EQ(CursorOver(w, 1), arrow) << "no hit test before the first paint";
    EXPECT_TRUE(Click(w, 1).empty());
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(CursorOver(w, 1), hand);
    EXPECT_EQ(CursorOver(w, 2), arrow) << "the selected tab";
    EXPECT_TRUE(Click(w, 2).empty());
    // Flags 1: the tab's topic as a popup, by its context string.
    HWND popup = Bar("popup.tab;1");
    RedrawWindow(popup, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const auto calls = Click(popup, 2);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, static_cast<unsigned>(ZYL_API_POPUP_KEY));
    EXPECT_EQ(calls[0].text, "steps");
    EXPECT_EQ(calls[0].helpFile, Shared().help);
    // Renders: no text; a picture only through wParam 2.
    EXPECT_EQ(wtest::RenderText(w), "<null>");
    EXPECT_EQ(SendMessageA(w, EWM_RENDER, 3, 0), 0);
}

TEST_F(TabBars, AToolsTabFileInAHelpFileJoinsThreeTopics) {
    ASSERT_TRUE(host->OpenScript(Shared().help.c_str())) << host->LastError();
    host->PumpUntilIdle();
    auto topic = [&] { return host->TopicScript().topics.at(static_cast<std::size_t>(host->CurrentTopicNumber())).context; };
    auto bar = [&] { return host->EmbeddedWindows(host->NsrRegion()).at(0); };
    ASSERT_EQ(topic(), "intro");
    HWND w = bar();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(WindowSize(w).cx, m.slant + 3 * (m.width + m.slant)) << "every tab of the file";
    int width = 0, height = 0;
    const std::vector<DWORD> px = host->CapturePixels(w, &width, &height);
    for (int t = 1; t <= 3; ++t) {
        int dark = 0;
        for (int y = 3; y < m.height - 1; ++y)
            for (int x = m.Left(t); x < m.Left(t) + m.width; ++x) dark += IsDark(px[static_cast<std::size_t>(y) * width + x]);
        EXPECT_GT(dark, 5) << "the label of tab " << t;
    }
    // Clicks: the host shows the tab's topic, and its bar selects that tab.
    const std::pair<int, const char*> steps[] = {{3, "notes"}, {2, "steps"}, {1, "intro"}};
    for (const auto& s : steps) {
        Click(w, s.first);
        host->PumpUntilIdle();
        ASSERT_EQ(topic(), s.second);
        w = bar();
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        EXPECT_EQ(CursorOver(w, s.first), LoadCursorA(nullptr, IDC_ARROW)) << "its own tab is selected";
    }
}

TEST_F(TabBars, ErrorsNameTheirCause) {
    const std::pair<const char*, int> cases[] = {
        {"missing.tab;1", ZYL_ERR_NO_TAB_FILE},
        {"empty.tab;1", ZYL_ERR_NO_TABS},
    };
    HDC printer = host->CreatePrinterDC();
    for (const auto& c : cases) {
        HWND w = Bar(c.first);
        ASSERT_NE(w, nullptr) << c.first;
        // The box shows the message of the error its record holds; a broken
        // bar renders nothing, neither text nor picture.
        EXPECT_EQ(reinterpret_cast<const zyl::EmbeddedRecord*>(GetWindowLongPtrA(w, 0))->errorId, c.second) << c.first;
        EXPECT_EQ(wtest::RenderText(w), "<null>") << c.first;
        EXPECT_EQ(RenderPicture(w, printer).width, 0) << c.first;
        EXPECT_TRUE(Click(w, 1).empty());
    }
    DeleteDC(printer);
}

TEST_F(TabBars, PrintShowsTheTabsAndTheirBaseLine) {
    ASSERT_NE(Bar("bar.tab;2"), nullptr);
    host->SetPrinterDpi(288);   // three printer pixels to a screen pixel
    ASSERT_TRUE(host->Print());
    ASSERT_EQ(host->LastPrint().size(), 1u);
    const auto& p = host->LastPrint()[0];
    ASSERT_EQ(p.width, p.size.x);
    ASSERT_EQ(p.height, p.size.y);
    auto dark = [&](int x, int y) { return IsDark(p.pixels[static_cast<std::size_t>(y) * p.width + x]); };
    const int line = 3 * m.height + 1;
    EXPECT_TRUE(dark(3 * (m.Left(1) + m.width / 2), line)) << "the base line under Intro";
    EXPECT_FALSE(dark(3 * (m.Left(2) + m.width / 2), line)) << "open under Steps";
    EXPECT_FALSE(dark(3 * (m.Left(1) + m.width / 2), 3 * (m.height - 1))) << "white tabs";
    EXPECT_TRUE(dark(3 * (m.Left(2) + m.width / 2), 1 * 3 + 1)) << "the top edge";
    EXPECT_EQ(host->CopyTopic().find("Steps"), std::string::npos) << "nothing to copy";
}

TEST_F(TabBars, TwoThousandBarsLeaveNothingBehind) {
    HDC printer = host->CreatePrinterDC();
    ASSERT_NE(printer, nullptr);
    auto cycle = [&](int i) {
        HWND w = Bar(i % 10 == 9 ? "empty.tab;1" : "popup.tab;1");
        if (!w) return false;
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        CursorOver(w, 2);
        Click(w, 2);
        if (i % 10 == 0 || i % 10 == 9) RenderPicture(w, printer);
        DestroyWindow(w);
        return true;
    };
    EXPECT_EQ(LeakOver(20, 2000, cycle), "");
    DeleteDC(printer);
}

}  // namespace
