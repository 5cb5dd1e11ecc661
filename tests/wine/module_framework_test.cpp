// What every embedded window shares: measuring, scaling, the error state
// and the small platform helpers.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "controls/embedded.h"
#include "core/platform.h"
#include "core/thread/instance.h"
#include "host.h"
#include "wine_support.h"
#include "zyl3an32.h"

using namespace zyl;

namespace {

// Measures `text` in a freshly made copy of the font error messages use.
SIZE ExtentInHelv(HDC dc, int height, const char* text) {
    HFONT f = CreateFontA(height, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Helv");
    HGDIOBJ old = SelectObject(dc, f);
    SIZE s = {};
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &s);
    SelectObject(dc, old);
    DeleteObject(f);
    return s;
}

using wtest::IsDark;

int Width(HDC dc, const char* text) {
    SIZE s = {};
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &s);
    return s.cx;
}

TEST(StringTable, HoldsTheErrorTexts) {
    const char* expected[] = {
        "Missing or corrupted bitmap", "Syntax error in parameters", "Invalid number of columns",
        "Invalid number of rows", "Invalid number of frames", "Frame # is ", "No Timers available",
        "Bad font size specified", "No device driver to play file", "Bad control type",
        "No control name specified", "No tabs on tab bar", "No tab file found",
        "Missing or corrupted bullet file"};
    for (int i = 0; i < 14; ++i) {
        char text[kErrorTextChars];
        LoadErrorText(ZYL_ERR_FIRST + i, text, sizeof text);
        EXPECT_STREQ(text, expected[i]) << i;
    }
    // Below 10000 the multimedia system supplies the text.
    char mci[kErrorTextChars];
    LoadErrorText(257 /* MCIERR_INVALID_DEVICE_ID */, mci, sizeof mci);
    EXPECT_GT(std::strlen(mci), 0u);
}

TEST(Measure, MnemonicLabels) {
    HDC dc = GetDC(nullptr);
    HFONT f = CreateFontA(14, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
    HGDIOBJ old = SelectObject(dc, f);
    // Each label: the text shown, the text before the underlined
    // character and that character ("" for none).
    struct Case {
        const char *label, *shown, *before, *underlined;
    };
    const Case cases[] = {
        {"&Next", "Next", "", "N"},
        {"Save &As", "Save As", "Save ", "A"},
        {"Fish & Chips", "Fish  Chips", "Fish ", " "},   // an & before a blank goes too
        {"Trail&", "Trail&", "", ""},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        char out[64];
        int prefix = -1, ch = -1;
        EXPECT_EQ(MeasureMnemonicText(dc, c.label, out, &prefix, &ch), Width(dc, c.shown)) << c.label;
        EXPECT_STREQ(out, c.shown);
        EXPECT_EQ(prefix, Width(dc, c.before)) << c.label;
        EXPECT_EQ(ch, Width(dc, c.underlined)) << c.label;
    }
    SelectObject(dc, old);
    DeleteObject(f);
    ReleaseDC(nullptr, dc);
}

TEST(Measure, DeviceScalingAndErrorMessages) {
    zylhost::Host host;
    host.SetPrinterDpi(600);
    HDC printer = host.CreatePrinterDC();
    ASSERT_NE(printer, nullptr);
    ASSERT_NE(GetDeviceCaps(printer, TECHNOLOGY), DT_RASDISPLAY);

    // On the screen the message is 14-pixel Helv plus 5 by 5 (the error
    // state's test sees its window take that size); on a printer the font
    // grows to 14 x 600 / 96 = 87 pixels. (Window sizes scaled to a device
    // are the working window's test's.)
    const SIZE p = ExtentInHelv(printer, 87, "Syntax error in parameters");
    const DWORD onPrinter = MeasureErrorMessage(printer, ZYL_ERR_SYNTAX);
    EXPECT_EQ(PackedWidth(onPrinter), p.cx + 5);
    EXPECT_EQ(PackedHeight(onPrinter), p.cy + 5);
    DeleteDC(printer);
}

TEST(Platform, ClassesAndUnits) {
    EXPECT_EQ(PlatformClassFromVersion(0x00000003), 2);
    EXPECT_EQ(PlatformClassFromVersion(0x80000004), 1);
    EXPECT_EQ(PlatformClassFromVersion(0x00000004), 3);
    EXPECT_EQ(PlatformClassFromVersion(0x00000005), 0);
    EXPECT_EQ(PlatformClassFromVersion(0x1DB10106), 0);
    EXPECT_EQ(PlatformClassFromVersion(0x00000000), 0);
    int cls = -1;
    EXPECT_FALSE(GetPlatformClass(true, &cls));
    EXPECT_EQ(cls, 0) << "Wine reports version 6";
    EXPECT_FALSE(GetPlatformClass(false, nullptr));

}

TEST(Platform, PathsAndTempDirectory) {
    // Version 6.1 never takes the short form.
    char path[kPathChars] = "C:\\Program Files\\Some Long Name\\help file.hlp";
    ShortenPath(path, sizeof path);
    EXPECT_STREQ(path, "C:\\Program Files\\Some Long Name\\help file.hlp");

    char saved[MAX_PATH] = "";
    const bool hadTemp = GetEnvironmentVariableA("TEMP", saved, sizeof saved) > 0;
    char buf[kPathChars];
    SetEnvironmentVariableA("TEMP", "C:\\scratch\\");
    std::strcpy(buf, "unchanged");
    GetTempDirectory(buf, sizeof buf);
    EXPECT_STREQ(buf, "C:\\scratch");
    SetEnvironmentVariableA("TEMP", nullptr);
    std::strcpy(buf, "C:\\fallback\\");
    GetTempDirectory(buf, sizeof buf);
    EXPECT_STREQ(buf, "C:\\fallback") << "the caller's text stays, less one backslash";
    buf[0] = '\0';
    GetTempDirectory(buf, sizeof buf);
    EXPECT_STREQ(buf, "");
    SetEnvironmentVariableA("TEMP", hadTemp ? saved : nullptr);
}

class Framework : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.AttachHandler(&LDLLHandler));
        host.SetHelpFilePath("C:\\help\\frame.hlp");
        inst = FindInstance();
        ASSERT_NE(inst, nullptr);
    }
    void TearDown() override { host.Shutdown(); }
    zylhost::Host host;
    InstanceRecord* inst = nullptr;
};

TEST_F(Framework, CaptionWindowNamesAreStrippedInSecondaryFrames) {
    HWND frame = host.OpenSecondary("glossary", nullptr);
    ASSERT_NE(frame, nullptr);
    host.SetCurrentRegion(host.TopicRegion(frame));
    char caption[256];

    SetWindowTextA(frame, "glossary|Glossary");
    StripCaptionWindowName(inst);
    GetWindowTextA(frame, caption, sizeof caption);
    EXPECT_STREQ(caption, "Glossary");

    SetWindowTextA(frame, "A long caption | more");
    StripCaptionWindowName(inst);
    GetWindowTextA(frame, caption, sizeof caption);
    EXPECT_STREQ(caption, "A long caption | more");

    SetWindowTextA(frame, "12345678|x");   // '|' at index 8 is still a name
    StripCaptionWindowName(inst);
    GetWindowTextA(frame, caption, sizeof caption);
    EXPECT_STREQ(caption, "x");

    SetWindowTextA(host.MainFrame(), "main|Main");
    host.SetCurrentRegion(host.TopicRegion());
    StripCaptionWindowName(inst);
    GetWindowTextA(host.MainFrame(), caption, sizeof caption);
    EXPECT_STREQ(caption, "main|Main") << "the main window is left alone";
}

TEST_F(Framework, FindChildByClassIgnoresCase) {
    EXPECT_EQ(FindChildByClass(host.MainFrame(), "ms_wintopic"), host.TopicRegion());
    EXPECT_EQ(FindChildByClass(host.MainFrame(), ZYL_HOST_CLASS_NSR), host.NsrRegion());
    EXPECT_EQ(FindChildByClass(host.MainFrame(), "NO_SUCH_CLASS"), nullptr);
}

TEST_F(Framework, PostCommandPacksIdAndCode) {
    HWND target = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    PostCommand(target, 0x1234, 0x0005, host.MainFrame());
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, target, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(LOWORD(msg.wParam), 0x1234);
    EXPECT_EQ(HIWORD(msg.wParam), 0x0005);
    EXPECT_EQ(reinterpret_cast<HWND>(msg.lParam), host.MainFrame());
    DestroyWindow(target);
}

// A window class built on the base alone: 10 x 10, its own text render;
// its data is an error id to show ("0" = working).
int g_probeCreates = 0;
LRESULT ProbeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        ++g_probeCreates;
        GetEmbeddedRecord(hwnd)->size = SIZE{10, 10};
        EnterErrorState(hwnd, std::atoi(AuthorData(lParam)));
        return 0;
    case EWM_RENDER:
        if (wParam == EWRENDER_TEXT) return reinterpret_cast<LRESULT>(MakeTextBlock("probe"));
        break;
    }
    return EmbeddedDefProc(hwnd, msg, wParam, lParam);
}
extern const EmbeddedClass kProbeClass;
LRESULT CALLBACK ProbeWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return EmbeddedWindowProc(kProbeClass, hwnd, msg, wParam, lParam);
}
const EmbeddedClass kProbeClass = {"ZYLTEST_PROBE", ProbeWndProc, ProbeProc, CS_GLOBALCLASS, kRecordSlot,
                                   ClassCursor::kArrow, kNoBackground, sizeof(EmbeddedRecord), false};

void RegisterProbe() {
    WNDCLASSA wc = {};
    wc.style = kProbeClass.style;
    wc.lpfnWndProc = kProbeClass.windowProc;
    wc.cbWndExtra = kProbeClass.extraBytes;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kProbeClass.name;
    RegisterClassA(&wc);
}

TEST_F(Framework, ErrorStateIsABorderedBoxOfItsMessage) {
    RegisterProbe();
    HWND w = host.CreateEmbedded(host.TopicRegion(), {'c', "self", "ZYLTEST_PROBE", std::to_string(ZYL_ERR_SYNTAX)});
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(GetWindowLongPtrA(w, GWL_STYLE) & WS_BORDER);
    EXPECT_STREQ(inst->helpFilePath, "C:\\help\\frame.hlp") << "creation takes over the help file path";
    EXPECT_STREQ(GetEmbeddedRecord(w)->helpFile, "C:\\help\\frame.hlp");

    // The base answers for the box, whatever the class would have said.
    HDC screen = GetDC(nullptr);
    const SIZE s = ExtentInHelv(screen, 14, "Syntax error in parameters");
    ReleaseDC(nullptr, screen);
    RECT rc;
    GetWindowRect(w, &rc);
    EXPECT_EQ(rc.right - rc.left, s.cx + 5) << "the host sized it with the size query";
    EXPECT_EQ(rc.bottom - rc.top, s.cy + 5);
    EXPECT_EQ(wtest::RenderText(w), "Syntax error in parameters");
    EXPECT_NE(host.CopyTopic().find("Syntax error in parameters"), std::string::npos);

    // The message centred on white. The picture is the window's size while
    // the client is 1 pixel in from each side (the border): the text sits
    // 1 pixel left and up.
    host.PumpUntilIdle();
    int width = 0, height = 0;
    std::vector<DWORD> pixels = host.CapturePixels(w, &width, &height);
    int left = width, right = -1, top = height, bottom = -1;
    std::size_t white = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const DWORD p = pixels[static_cast<size_t>(y) * width + x];
            white += p == 0xFFFFFF;
            if (!IsDark(p)) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    ASSERT_GE(right, 0) << "no text drawn";
    EXPECT_GT(white, pixels.size() / 2);
    EXPECT_NEAR((left + right) / 2.0, width / 2.0 - 1, 2.5);
    EXPECT_NEAR((top + bottom) / 2.0, height / 2.0 - 1, 3.5);

    // Printing: the box at the printer's resolution, and the picture exactly
    // the size the size query gave the printer.
    host.SetPrinterDpi(600);
    ASSERT_TRUE(host.Print());
    ASSERT_EQ(host.LastPrint().size(), 1u);
    const auto& printed = host.LastPrint()[0];
    EXPECT_GT(printed.size.x, 5 * (s.cx + 5));
    EXPECT_EQ(printed.width, printed.size.x);
    EXPECT_EQ(printed.height, printed.size.y);
    std::size_t dark = 0;
    for (DWORD p : printed.pixels) dark += IsDark(p);
    EXPECT_GT(dark, 100u);
}

TEST_F(Framework, WorkingWindowIsTheClassesWithItsSizeScaled) {
    RegisterProbe();
    HWND w = host.CreateEmbedded(host.TopicRegion(), {'c', "self", "ZYLTEST_PROBE", "0"});
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(GetWindowLongPtrA(w, GWL_STYLE) & WS_BORDER);
    EXPECT_EQ(GetEmbeddedRecord(w)->errorId, 0);
    EXPECT_EQ(wtest::RenderText(w), "probe");
    host.SetPrinterDpi(600);
    ASSERT_TRUE(host.Print());
    ASSERT_EQ(host.LastPrint().size(), 1u);
    EXPECT_EQ(host.LastPrint()[0].size.x, 10 * 600 / 96);
    EXPECT_EQ(host.LastPrint()[0].size.y, 10 * 600 / 96);
    EXPECT_EQ(host.LastPrint()[0].width, 0) << "no picture render of its own";
}

TEST_F(Framework, WindowsOfAnotherVersionOrThreadAreRefused) {
    RegisterProbe();
    const int creates = g_probeCreates;
    ZYL_CREATEINFO info = {1, 0, "C:\\help\\frame.hlp", "0"};
    HWND w = CreateWindowExA(0, "ZYLTEST_PROBE", "", WS_CHILD, 0, 0, 0, 0, host.TopicRegion(), nullptr,
                             GetModuleHandleA(nullptr), &info);
    EXPECT_EQ(w, nullptr) << "major version 1";

    info.majorVersion = 0;
    HWND other = reinterpret_cast<HWND>(1);
    std::thread t([&] {
        other = CreateWindowExA(0, "ZYLTEST_PROBE", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                GetModuleHandleA(nullptr), &info);
    });
    t.join();
    EXPECT_EQ(other, nullptr) << "a thread without a record";
    EXPECT_EQ(g_probeCreates, creates) << "a refused window never reaches the class";
}

}  // namespace
