// The video window (ZYL3_ANIMVIDEO32), its I/O procedure and its control bar
// (ZYL3_ANIMVIDBAR32), driven through the host as a help file drives them,
// with clips the platform's AVI library writes at run time. The MCI device
// of a window is reached by its alias, the window handle in hexadecimal.
//
// Where Wine's MCI differs from what the module is written for, the module
// keeps its own behaviour and the test says which platform behaviour it
// works around:
//  - Wine reports a play that was stopped as MCI_NOTIFY_SUCCESSFUL (not
//    aborted): a looping clip the reader stops must not start again.
//  - Wine refuses a seek to exactly the clip's length: a drag to the right
//    end lands on the last position it takes.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dll_picture_support.h"
#include "dll_test.h"
#include "host.h"
#include "zyl3an32.h"

namespace {

using wtest::Bytes;

// clip.avi: 40 x 30, 10 frames at 20 a second; narrow.avi: 30 x 20; long.avi:
// 160 x 48, 100 frames at 10 a second (long enough to stay playing).
constexpr int kClipFrames = 10, kLongFrames = 100;
const std::vector<DWORD> kColours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};

struct Data {
    wtest::Scratch scratch;
    std::string help;      // clip.avi, narrow.avi, long.avi inside
    std::string failure;
};

Data* MakeData() {
    auto* d = new Data;
    std::string why;
    const Bytes clip = wtest::AviClip(40, 30, kClipFrames, 20, kColours, &why);
    const Bytes narrow = wtest::AviClip(30, 20, 2, 20, kColours, &why);
    const Bytes longer = wtest::AviClip(160, 48, kLongFrames, 10, kColours, &why);
    if (!d->scratch.ok() || clip.empty() || narrow.empty() || longer.empty()) {
        d->failure = "cannot make the clips: " + why;
        return d;
    }
    d->help = d->scratch.File("videos.hlp");
    if (!d->scratch.Write("videos.hlp", wtest::HelpFile({{"clip.avi", clip}, {"narrow.avi", narrow}, {"long.avi", longer}})) ||
        !d->scratch.Write("disk.avi", clip))
        d->failure = "cannot write the help file";
    return d;
}

const Data& Shared() {
    static std::unique_ptr<Data> data(MakeData());
    return *data;
}

std::string Alias(HWND w) {
    char text[32];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(w)));
    return text;
}

// An MCI command string on the window's device; the answer, or "error N".
std::string Mci(HWND w, const std::string& command, const std::string& tail = "") {
    char answer[128] = "";
    const std::string text = command + " " + Alias(w) + (tail.empty() ? "" : " " + tail);
    const MCIERROR error = mciSendStringA(text.c_str(), answer, sizeof answer, nullptr);
    return error ? "error " + std::to_string(error) : answer;
}

int Position(HWND w) { return std::atoi(Mci(w, "status", "position").c_str()); }

std::string McierrorText(MCIERROR code) {
    char text[128] = "";
    mciGetErrorStringA(code, text, sizeof text);
    return text;
}

SIZE WindowSize(HWND w) {
    RECT rc = {};
    GetWindowRect(w, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

RECT ChildRect(HWND parent, HWND child) {
    RECT rc = {};
    GetWindowRect(child, &rc);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

std::string ClassOf(HWND w) {
    char name[64] = "";
    GetClassNameA(w, name, sizeof name);
    return name;
}

// Pumps messages for `ms` milliseconds (the driver plays on a thread of its
// own and posts its notices).
void PumpFor(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    MSG msg;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(5);
    }
}

// ---- an I/O procedure on top of the module's, counting what it forwards ----

LPMMIOPROC g_moduleProc = nullptr;
int g_reads = 0, g_opens = 0;
LONG g_bytes = 0;

LRESULT CALLBACK CountingProc(LPSTR info, UINT msg, LPARAM a, LPARAM b) {
    const LRESULT r = g_moduleProc(info, msg, a, b);
    if (msg == MMIOM_OPEN) ++g_opens;
    if (msg == MMIOM_READ && r > 0) {
        ++g_reads;
        g_bytes += static_cast<LONG>(r);
    }
    return r;
}

const FOURCC kAvi = mmioFOURCC('A', 'V', 'I', ' ');

class Video : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Shared().failure.empty()) << Shared().failure;
        zylhost::RegisterMciExtensions();
        ASSERT_TRUE(host.LoadModule(ModulePath())) << ModulePath();
        host.SetHelpFilePath(Shared().help.c_str());
        module = GetModuleHandleA("ZYL3AN32.DLL");
    }
    void TearDown() override {
        StopCounting();
        host.Shutdown();
    }

    HWND Make(const std::string& data) {
        return host.CreateEmbedded(host.TopicRegion(), {'l', "ZYL3AN32.DLL", "ZYL3_ANIMVIDEO32", data});
    }
    // Counts the reads that reach the module's procedure from now on (the
    // module installs its procedure with the first clip it opens).
    void StartCounting() {
        g_moduleProc = mmioInstallIOProcA(kAvi, nullptr, MMIO_FINDPROC);
        ASSERT_EQ(reinterpret_cast<FARPROC>(g_moduleProc), GetProcAddress(module, "VideoIoProc"));
        mmioInstallIOProcA(kAvi, CountingProc, MMIO_INSTALLPROC);
        g_reads = g_opens = 0;
        g_bytes = 0;
        counting = true;
    }
    void StopCounting() {
        if (counting) mmioInstallIOProcA(kAvi, nullptr, MMIO_REMOVEPROC);
        counting = false;
    }
    static HWND Bar(HWND w) { return GetDlgItem(w, 3); }
    static void Command(HWND w, WORD id) { SendMessageA(w, WM_COMMAND, id, 0); }

    zylhost::Host host;
    HMODULE module = nullptr;
    bool counting = false;
};

// ---- the clip inside the help file ----

TEST_F(Video, ClipInsideTheHelpFilePlaysThroughTheIoProcedure) {
    DestroyWindow(Make("clip.avi;0"));   // installs the module's procedure
    StartCounting();
    HWND w = Make("clip.avi;0");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(wtest::RenderText(w), "clip.avi");
    EXPECT_EQ(g_opens, 1);
    EXPECT_GT(g_reads, 0) << "the driver read the clip through the module";
    EXPECT_EQ(Mci(w, "status", "length"), std::to_string(kClipFrames));

    // The driver's playback window is our first child, the clip's size.
    HWND picture = GetWindow(w, GW_CHILD);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(ClassOf(picture), "MCIAVI");
    EXPECT_EQ(WindowSize(picture).cx, 40);
    EXPECT_EQ(WindowSize(picture).cy, 30);
    EXPECT_FALSE(GetWindowLongPtrA(picture, GWL_STYLE) & WS_BORDER);
    EXPECT_EQ(WindowSize(w).cx, 40);
    EXPECT_EQ(WindowSize(w).cy, 30);

    // While the device is open the help file is held (deny write) and is
    // read, never copied out: there is no clip.avi on disk.
    const int before = g_reads;
    Mci(w, "play", "wait");
    EXPECT_GT(g_reads, before) << "playing reads the frames through the module";
    EXPECT_EQ(Position(w), kClipFrames - 1) << "Wine's last position is the last frame";
    HANDLE writer = CreateFileA(Shared().help.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE) << "the help file stays open for reading";
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    EXPECT_EQ(GetFileAttributesA(Shared().scratch.File("clip.avi").c_str()), INVALID_FILE_ATTRIBUTES);

    DestroyWindow(w);
    EXPECT_EQ(mciGetDeviceIDA(Alias(w).c_str()), 0u) << "device closed";
    writer = CreateFileA(Shared().help.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE) << "the help file is closed with the device";
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
}

TEST_F(Video, DiskOnlyFlagNeverReadsTheHelpFile) {
    DestroyWindow(Make("clip.avi;0"));
    StartCounting();
    // clip.avi lives only inside the help file; disk.avi only beside it.
    HWND inside = Make("clip.avi;16");
    ASSERT_NE(inside, nullptr);
    EXPECT_EQ(wtest::RenderText(inside), McierrorText(MCIERR_FILE_NOT_FOUND));
    EXPECT_TRUE(GetWindowLongPtrA(inside, GWL_STYLE) & WS_BORDER);
    HWND disk = Make("disk.avi;16");
    ASSERT_NE(disk, nullptr);
    EXPECT_EQ(wtest::RenderText(disk), "disk.avi");
    EXPECT_EQ(Mci(disk, "status", "length"), std::to_string(kClipFrames));
    EXPECT_EQ(g_opens, 0);
    EXPECT_EQ(g_reads, 0);
    // Without the flag a clip beside the help file is found too, through the
    // module's procedure.
    HWND beside = Make("disk.avi;0");
    EXPECT_EQ(Mci(beside, "status", "length"), std::to_string(kClipFrames));
    EXPECT_EQ(g_opens, 1);
}

TEST_F(Video, ErrorTexts) {
    HWND missing = Make("nothere.avi;0");
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(wtest::RenderText(missing), McierrorText(MCIERR_FILE_NOT_FOUND));
    EXPECT_EQ(GetWindow(missing, GW_CHILD), nullptr);
    EXPECT_EQ(wtest::RenderText(Make("clip.xyz;0")), "No device driver to play file");
    EXPECT_EQ(wtest::RenderText(Make("noextension;0")), "No device driver to play file");
    EXPECT_EQ(wtest::RenderText(Make("clip.avi")), "Syntax error in parameters");
    // A sound without picture and bar that cannot open leaves no play button.
    HWND sound = Make("nothere.avi;32");
    EXPECT_EQ(GetWindow(sound, GW_CHILD), nullptr);
    // An error box's size is the base's: the text's extent plus 5 by 5.
    EXPECT_GT(WindowSize(missing).cx, 5);
}

// ---- sizes ----

TEST_F(Video, BarSizesAndProportionalScaling) {
    // Flag 1: a bordered picture (the driver sizes its window, border
    // included), the bar below it at least 37 wide.
    HWND one = Make("clip.avi;1");
    ASSERT_NE(one, nullptr);
    HWND picture = GetWindow(one, GW_CHILD);
    EXPECT_TRUE(GetWindowLongPtrA(picture, GWL_STYLE) & WS_BORDER);
    const SIZE bordered = WindowSize(picture);
    EXPECT_GE(bordered.cx, 40);
    EXPECT_GE(bordered.cy, 30);
    HWND bar = Bar(one);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(ClassOf(bar), "ZYL3_ANIMVIDBAR32");
    const RECT barRect = ChildRect(one, bar);
    EXPECT_EQ(barRect.left, 0);
    EXPECT_EQ(barRect.top, bordered.cy);
    EXPECT_EQ(barRect.right - barRect.left, bordered.cx);
    EXPECT_EQ(barRect.bottom - barRect.top, 23);
    EXPECT_EQ(GetWindowLongPtrA(bar, GWL_STYLE) & (WS_BORDER | WS_VISIBLE | 1), WS_BORDER | WS_VISIBLE);
    EXPECT_EQ(WindowSize(one).cx, bordered.cx);
    EXPECT_EQ(WindowSize(one).cy, bordered.cy + 23);
    EXPECT_NE(GetDlgItem(bar, 1), nullptr);
    EXPECT_EQ(GetDlgItem(bar, 2), nullptr);

    // Flag 2 on a 30-pixel clip: 58 wide, the height scaled by 58/30.
    HWND two = Make("narrow.avi;2");
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(WindowSize(GetWindow(two, GW_CHILD)).cx, 58);
    EXPECT_EQ(WindowSize(GetWindow(two, GW_CHILD)).cy, 20 * 58 / 30);
    EXPECT_EQ(WindowSize(two).cx, 58);
    EXPECT_EQ(WindowSize(two).cy, 20 * 58 / 30 + 23);
    EXPECT_EQ(GetWindowLongPtrA(Bar(two), GWL_STYLE) & 1, 1);
    EXPECT_NE(GetDlgItem(Bar(two), 2), nullptr);
    EXPECT_EQ(ChildRect(Bar(two), GetDlgItem(Bar(two), 2)).left, 22);

    // Flag 1 on the same clip: 37 wide (a border included), scaled alike.
    HWND narrow = Make("narrow.avi;1");
    const SIZE narrowPicture = WindowSize(Make("narrow.avi;0"));
    const int borders = bordered.cx - 40;
    EXPECT_EQ(narrowPicture.cx, 30);
    EXPECT_EQ(WindowSize(narrow).cx, 37);
    EXPECT_EQ(WindowSize(narrow).cy, (20 + borders) * 37 / (30 + borders) + 23);

    // Without picture: a 120-pixel bar, or a 20 x 20 play button.
    HWND sound = Make("clip.avi;33");
    EXPECT_EQ(WindowSize(sound).cx, 120);
    EXPECT_EQ(WindowSize(sound).cy, 23);
    HWND button = Make("clip.avi;32");
    EXPECT_EQ(WindowSize(button).cx, 20);
    EXPECT_EQ(WindowSize(button).cy, 20);
    EXPECT_EQ(ClassOf(GetWindow(button, GW_CHILD)), "Button");

    // The host asks for the size of a printer too.
    host.SetPrinterDpi(300);
    ASSERT_TRUE(host.Print());
    bool found = false;
    for (const auto& p : host.LastPrint())
        if (p.hwnd == two) {
            found = true;
            EXPECT_EQ(p.size.x, 58 * 300 / 96);
            EXPECT_EQ(p.size.y, (20 * 58 / 30 + 23) * 300 / 96);
        }
    EXPECT_TRUE(found);
}

// ---- playing, looping and autoplay ----

TEST_F(Video, AutoplayAtTheFirstPaintAndLoopOnSuccessOnly) {
    HWND w = Make("long.avi;8");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(Mci(w, "status", "mode"), "stopped") << "nothing plays before the first paint";
    UpdateWindow(w);
    EXPECT_EQ(Mci(w, "status", "mode"), "playing");
    Mci(w, "stop", "wait");
    host.PumpUntilIdle();
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(Mci(w, "status", "mode"), "stopped") << "autoplay happens once";

    // A completion notice restarts a looping clip only when it succeeded.
    const LPARAM device = static_cast<LPARAM>(mciGetDeviceIDA(Alias(w).c_str()));
    HWND loop = Make("long.avi;4");
    SendMessageA(loop, MM_MCINOTIFY, MCI_NOTIFY_ABORTED, device);
    EXPECT_EQ(Mci(loop, "status", "mode"), "stopped");
    Mci(loop, "seek", "to 50 wait");
    SendMessageA(loop, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, device);
    EXPECT_EQ(Mci(loop, "status", "mode"), "playing");
    EXPECT_LT(Position(loop), 50) << "rewound before playing again";
    Mci(loop, "stop", "wait");
    SendMessageA(w, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, device);
    EXPECT_EQ(Mci(w, "status", "mode"), "stopped") << "no loop flag";

    // A whole short clip: it ends and plays again with the loop flag, and
    // stays at its end without it.
    HWND once = Make("clip.avi;8"), again = Make("clip.avi;12");
    UpdateWindow(once);
    UpdateWindow(again);
    PumpFor(1500);   // the clip lasts half a second
    EXPECT_EQ(Mci(once, "status", "mode"), "stopped");
    EXPECT_EQ(Position(once), kClipFrames - 1);
    EXPECT_EQ(Mci(again, "status", "mode"), "playing");
}

TEST_F(Video, PlayButtonOfAClipWithoutPicture) {
    HWND w = Make("long.avi;36");   // no picture, loop
    ASSERT_NE(w, nullptr);
    HWND button = GetWindow(w, GW_CHILD);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(GetDlgCtrlID(button), 1);
    // The button shows the first picture of bitmap 100 while stopped.
    HBITMAP pictures = LoadBitmapA(module, MAKEINTRESOURCEA(100));
    ASSERT_NE(pictures, nullptr);
    int bw = 0, bh = 0;
    const auto cells = BitmapPixels(pictures, &bw, &bh);
    DeleteObject(pictures);
    ASSERT_EQ(bw, 20);
    ASSERT_EQ(bh, 60);
    RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    int w2 = 0, h2 = 0;
    const auto shown = host.CapturePixels(button, &w2, &h2);
    ASSERT_EQ(w2, 20);
    ASSERT_EQ(h2, 20);
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), cells.begin())) << "row 0: stopped";

    SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_EQ(Mci(w, "status", "mode"), "playing");
    SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_EQ(Mci(w, "status", "mode"), "stopped");
    // Wine reports the stopped play as successful; the loop does not take it.
    PumpFor(200);
    EXPECT_EQ(Mci(w, "status", "mode"), "stopped") << "a clip the reader stopped stays stopped";
}

// ---- the control bar ----

class VideoBar : public Video {
protected:
    void SetUp() override {
        Video::SetUp();
        w = Make("long.avi;2");
        ASSERT_NE(w, nullptr);
        bar = Bar(w);
        ASSERT_NE(bar, nullptr);
        RECT rc;
        GetClientRect(bar, &rc);
        left = 49;
        right = rc.right - 7;
        HBITMAP mark = LoadBitmapA(module, MAKEINTRESOURCEA(102));
        HBITMAP drag = LoadBitmapA(module, MAKEINTRESOURCEA(103));
        int mw = 0, mh = 0;
        markPixels = BitmapPixels(mark, &mw, &mh);
        dragPixels = BitmapPixels(drag, &mw, &mh);
        DeleteObject(mark);
        DeleteObject(drag);
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    int ExpectedX(int position) const { return left + (right - left) * position / kLongFrames - 4; }
    // The bar's 8 x 15 pixels at (x, 3).
    std::vector<DWORD> At(int x) {
        int bw = 0, bh = 0;
        const auto px = pictest::WindowPixels(bar, &bw, &bh);
        std::vector<DWORD> out;
        for (int y = 3; y < 18; ++y)
            for (int i = x; i < x + 8; ++i) out.push_back(i >= 0 && i < bw && y < bh ? px[static_cast<size_t>(y) * bw + i] : 0);
        return out;
    }
    // Paints a block of magenta over the 8 x 15 pixels at (x, 3).
    void Smudge(int x) {
        HDC dc = GetDC(bar);
        HBRUSH b = CreateSolidBrush(RGB(255, 0, 255));
        RECT rc = {x, 3, x + 8, 18};
        FillRect(dc, &rc, b);
        DeleteObject(b);
        ReleaseDC(bar, dc);
    }
    bool Smudged(int x) { return At(x) == std::vector<DWORD>(120, 0xFF00FF); }
    void Mouse(UINT msg, int x) { SendMessageA(bar, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, 10)); }

    HWND w = nullptr, bar = nullptr;
    int left = 0, right = 0;
    std::vector<DWORD> markPixels, dragPixels;
};

TEST_F(VideoBar, PlayAtTheEndRewindsFirst) {
    EXPECT_EQ(At(ExpectedX(0)), markPixels) << "the mark at the start";
    // Wine's end is the last frame (a seek to the length is refused): the
    // bar takes that for the end too.
    Mci(w, "seek", "to end wait");
    ASSERT_EQ(Position(w), kLongFrames - 1);
    Command(bar, 1);
    EXPECT_EQ(Mci(w, "status", "mode"), "playing");
    EXPECT_LT(Position(w), 10) << "played from the start";
    Command(bar, 1);
    EXPECT_EQ(Mci(w, "status", "mode"), "stopped");
    // Stopped elsewhere, play goes on from there.
    Mci(w, "seek", "to 40 wait");
    Command(bar, 1);
    EXPECT_GE(Position(w), 40);
    Command(bar, 1);
}

TEST_F(VideoBar, MarkFollowsThePositionAndRedrawsOnlyWhenItsColumnChanges) {
    Command(bar, 1);   // playing: the timer moves the mark
    ASSERT_EQ(Mci(w, "status", "mode"), "playing");
    // The device is moved behind the bar's back (a seek stops it); the bar
    // still believes it plays, so its timer keeps updating the mark.
    Mci(w, "seek", "to 50 wait");
    SendMessageA(bar, WM_TIMER, 10, 0);
    const int x50 = ExpectedX(50);
    EXPECT_EQ(At(x50), markPixels);
    // The same column: nothing is drawn.
    Smudge(x50);
    int same = 51;
    while (ExpectedX(same) == x50) ++same;
    Mci(w, "seek", ("to " + std::to_string(same - 1) + " wait").c_str());
    SendMessageA(bar, WM_TIMER, 10, 0);
    EXPECT_TRUE(Smudged(x50)) << "position " << same - 1 << " stands in the same column";
    // Another column: the old place gets back what was under the mark
    // (the smudge is forgotten), the mark moves.
    Mci(w, "seek", "to 90 wait");
    SendMessageA(bar, WM_TIMER, 10, 0);
    EXPECT_FALSE(Smudged(x50));
    EXPECT_EQ(At(ExpectedX(90)), markPixels);
    // A clip of length 0 would stand at the track's left end - 4: that is
    // where the start is drawn.
    EXPECT_EQ(ExpectedX(0), left - 4);
}

TEST_F(VideoBar, DraggingSeeksToBothEnds) {
    Command(bar, 1);
    const int x0 = ExpectedX(Position(w));
    Mouse(WM_LBUTTONDOWN, x0 + 2);
    EXPECT_EQ(GetCapture(), bar);
    EXPECT_EQ(Mci(w, "status", "mode"), "stopped") << "a drag stops the clip";
    EXPECT_EQ(At(ExpectedX(Position(w))), dragPixels);
    Mouse(WM_MOUSEMOVE, right + 100);
    // Wine refuses a seek to the length itself: the last position it takes.
    const int end = Position(w);
    EXPECT_TRUE(end == kLongFrames || end == kLongFrames - 1) << end;
    EXPECT_EQ(At(ExpectedX(end)), dragPixels);
    Mouse(WM_MOUSEMOVE, -50);
    EXPECT_EQ(Position(w), 0);
    Mouse(WM_MOUSEMOVE, (left + right) / 2);
    EXPECT_EQ(Position(w), kLongFrames * ((left + right) / 2 - left) / (right - left));
    Mouse(WM_LBUTTONUP, left);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Position(w), 0);
    EXPECT_EQ(At(ExpectedX(0)), markPixels) << "the normal mark after the drag";
    // A press beside the mark is no drag.
    Mouse(WM_LBUTTONDOWN, ExpectedX(0) + 30);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(VideoBar, MenuCommandsWhilePlayingAndStopped) {
    // The menu resource: Play, Stop, Rewind.
    HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(1000));
    ASSERT_NE(menu, nullptr);
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_EQ(GetMenuItemCount(popup), 3);
    char text[32];
    const char* names[] = {"Play", "Stop", "Rewind"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(GetMenuItemID(popup, i), static_cast<UINT>(101 + i));
        GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, names[i]);
    }
    DestroyMenu(menu);

    // Stopped: Stop does nothing, Rewind seeks to the start, Play plays.
    Mci(w, "seek", "to 30 wait");
    Command(bar, 102);
    host.PumpUntilIdle();
    EXPECT_EQ(Mci(w, "status", "mode"), "stopped");
    EXPECT_EQ(Position(w), 30);
    Command(bar, 103);
    EXPECT_EQ(Position(w), 0);
    Command(bar, 101);
    EXPECT_EQ(Mci(w, "status", "mode"), "stopped") << "posted, not yet done";
    host.PumpUntilIdle();
    EXPECT_EQ(Mci(w, "status", "mode"), "playing");
    // Playing: Play does nothing, Stop stops, Rewind stops at the start.
    Command(bar, 101);
    host.PumpUntilIdle();
    EXPECT_EQ(Mci(w, "status", "mode"), "playing");
    Command(bar, 102);
    host.PumpUntilIdle();
    EXPECT_EQ(Mci(w, "status", "mode"), "stopped");
    Command(bar, 101);
    host.PumpUntilIdle();
    ASSERT_EQ(Mci(w, "status", "mode"), "playing");
    Command(bar, 103);
    EXPECT_EQ(Mci(w, "status", "mode"), "stopped");
    EXPECT_EQ(Position(w), 0);
    // Wine's notice of that stop says "successful": no loop flag here, and
    // the bar still knows it stopped.
    host.PumpUntilIdle();
    EXPECT_EQ(Mci(w, "status", "mode"), "stopped");
}

// The menu is modal: a timer looks at it and ends it.
RECT g_menuRect = {};
bool g_menuSeen = false;
VOID CALLBACK LookAtMenuAndEndIt(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND menu = FindWindowA("#32768", nullptr)) {
        g_menuSeen = IsWindowVisible(menu) != FALSE;
        GetWindowRect(menu, &g_menuRect);
    }
    EndMenu();
}

TEST_F(VideoBar, MenuButtonOpensTheMenuBelowIt) {
    g_menuSeen = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, LookAtMenuAndEndIt);
    Command(bar, 2);   // returns when the menu is ended
    KillTimer(nullptr, timer);
    EXPECT_TRUE(g_menuSeen);
    POINT corner = {0, 19};
    ClientToScreen(GetDlgItem(bar, 2), &corner);
    EXPECT_EQ(g_menuRect.left, corner.x);
    EXPECT_EQ(g_menuRect.top, corner.y);
    EXPECT_EQ(Mci(w, "status", "mode"), "stopped") << "nothing chosen, nothing done";
}

TEST_F(VideoBar, LoopingClipKeepsPlayingAfterCompletionButNotAfterAStop) {
    HWND loop = Make("clip.avi;6");
    HWND loopBar = Bar(loop);
    Command(loopBar, 1);
    PumpFor(1500);   // three times the clip's length
    EXPECT_EQ(Mci(loop, "status", "mode"), "playing") << "restarted after each completion";
    Command(loopBar, 1);
    PumpFor(200);
    EXPECT_EQ(Mci(loop, "status", "mode"), "stopped") << "Wine's successful notice of the stop is no completion";
}

// ---- renders ----

TEST_F(Video, CopyGivesTheFileNameAndPrintThePanel) {
    HWND w = Make("CLIP.AVI;1");
    ASSERT_NE(w, nullptr);
    const SIZE size = WindowSize(w);
    EXPECT_EQ(wtest::RenderText(w), "clip.avi") << "the name without directory, lower-cased";
    host.SetPrinterDpi(600);
    ASSERT_TRUE(host.Print());
    ASSERT_EQ(host.LastPrint().size(), 1u);
    const auto& p = host.LastPrint()[0];
    EXPECT_EQ(p.width, size.cx * 600 / 96);
    EXPECT_EQ(p.height, size.cy * 600 / 96);
    ASSERT_EQ(static_cast<int>(p.pixels.size()), p.width * p.height);
    // A frame round a white panel (the text of "no error" is empty on Wine).
    EXPECT_TRUE(IsDark(p.pixels[static_cast<size_t>(p.height / 2) * p.width]));
    EXPECT_EQ(p.pixels[static_cast<size_t>(p.height / 2) * p.width + p.width / 2], 0xFFFFFFu);
    EXPECT_EQ(SendMessageA(w, EWM_RENDER, 3, 0), 0);
}

TEST_F(Video, BarPlacedInATopicByItselfIsRefused) {
    EXPECT_EQ(host.CreateEmbedded(host.TopicRegion(), {'l', "ZYL3AN32.DLL", "ZYL3_ANIMVIDBAR32", "x"}), nullptr);
}

// ---- the I/O procedure called as the platform calls it ----

TEST_F(Video, IoProcedureReadsSeeksAndRefusesStrangers) {
    // A window whose own open failed: its record is alive and its procedure
    // state unused, so a clip can be opened for it by hand.
    HWND w = Make("nothere.avi;0");
    ASSERT_NE(w, nullptr);
    auto proc = reinterpret_cast<LPMMIOPROC>(GetProcAddress(module, "VideoIoProc"));
    ASSERT_NE(proc, nullptr);
    const auto record = static_cast<unsigned long long>(GetWindowLongPtrA(w, 0));
    char name[64];
    std::snprintf(name, sizeof name, "clip.avi+%llX", record);

    MMIOINFO info = {};
    EXPECT_EQ(proc(reinterpret_cast<LPSTR>(&info), MMIOM_OPEN, reinterpret_cast<LPARAM>("clip.avi"), 0),
              MMIOERR_CANNOTOPEN) << "no '+'";
    EXPECT_EQ(proc(reinterpret_cast<LPSTR>(&info), MMIOM_OPEN, reinterpret_cast<LPARAM>("clip.avi+1234"), 0),
              MMIOERR_CANNOTOPEN) << "no record of ours";
    char other[64];
    std::snprintf(other, sizeof other, "nothere.avi+%llX", record);
    EXPECT_EQ(proc(reinterpret_cast<LPSTR>(&info), MMIOM_OPEN, reinterpret_cast<LPARAM>(other), 0),
              MMIOERR_CANNOTOPEN) << "not in the help file";
    ASSERT_EQ(proc(reinterpret_cast<LPSTR>(&info), MMIOM_OPEN, reinterpret_cast<LPARAM>(name), 0), 0);

    const Bytes clip = wtest::AviClip(40, 30, kClipFrames, 20, kColours);
    char head[12] = {};
    EXPECT_EQ(proc(reinterpret_cast<LPSTR>(&info), MMIOM_READ, reinterpret_cast<LPARAM>(head), 12), 12);
    EXPECT_EQ(std::memcmp(head, clip.data(), 12), 0);
    EXPECT_EQ(info.lDiskOffset, 12);
    const LONG size = static_cast<LONG>(clip.size());
    EXPECT_EQ(proc(reinterpret_cast<LPSTR>(&info), MMIOM_SEEK, -4, SEEK_END), size - 4);
    EXPECT_EQ(info.lDiskOffset, size - 4);
    char tail[16] = {};
    EXPECT_EQ(proc(reinterpret_cast<LPSTR>(&info), MMIOM_READ, reinterpret_cast<LPARAM>(tail), 16), 4);
    EXPECT_EQ(std::memcmp(tail, clip.data() + size - 4, 4), 0);
    EXPECT_EQ(proc(reinterpret_cast<LPSTR>(&info), MMIOM_SEEK, -1, SEEK_SET), -1) << "before the start";
    EXPECT_EQ(proc(reinterpret_cast<LPSTR>(&info), MMIOM_SEEK, 8, SEEK_SET), 8);
    EXPECT_EQ(proc(reinterpret_cast<LPSTR>(&info), MMIOM_WRITE, reinterpret_cast<LPARAM>(head), 4), -1);
    EXPECT_EQ(proc(reinterpret_cast<LPSTR>(&info), MMIOM_CLOSE, 0, 0), 0);
    // Closed: a read opens nothing until the clip is found again.
    EXPECT_EQ(proc(reinterpret_cast<LPSTR>(&info), MMIOM_READ, reinterpret_cast<LPARAM>(head), 4), -1);
    DestroyWindow(w);
    EXPECT_EQ(proc(reinterpret_cast<LPSTR>(&info), MMIOM_OPEN, reinterpret_cast<LPARAM>(name), 0), MMIOERR_CANNOTOPEN)
        << "the record went with its window";
}

// ---- leaks ----

int OpenDevices() {
    char answer[32] = "";
    mciSendStringA("sysinfo all quantity open", answer, sizeof answer, nullptr);
    return std::atoi(answer);
}

TEST_F(Video, FiveHundredLivesLeaveNoDeviceOrObjectBehind) {
    auto cycle = [&](int i) {
        const char* data[] = {"clip.avi;2", "clip.avi;1", "clip.avi;32", "clip.avi;0", "nothere.avi;2"};
        HWND w = Make(data[i % 5]);
        if (!w) return false;
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        if (HWND bar = Bar(w)) {
            Command(bar, 1);
            SendMessageA(bar, WM_TIMER, 10, 0);
            Command(bar, 103);
        } else if (HWND button = GetDlgItem(w, 1)) {
            SendMessageA(button, BM_CLICK, 0, 0);
            SendMessageA(button, BM_CLICK, 0, 0);
        }
        if (HGLOBAL text = reinterpret_cast<HGLOBAL>(SendMessageA(w, EWM_RENDER, EWRENDER_TEXT, 0))) GlobalFree(text);
        if (i % 10 == 0) {
            HDC screen = GetDC(nullptr);
            ZYL_RENDERINFO render = {0, 0, screen};
            if (HGDIOBJ bmp = reinterpret_cast<HGDIOBJ>(SendMessageA(w, EWM_RENDER, EWRENDER_BITMAP, reinterpret_cast<LPARAM>(&render))))
                DeleteObject(bmp);
            ReleaseDC(nullptr, screen);
        }
        DestroyWindow(w);
        host.PumpUntilIdle();
        return true;
    };
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(cycle(i));
    const int devices = OpenDevices();
    const int gdi = wtest::GdiRoom();
    const int user = wtest::UserRoom();
    for (int i = 0; i < 500; ++i) ASSERT_TRUE(cycle(i)) << i;
    EXPECT_EQ(OpenDevices(), devices) << "MCI devices left open";
    EXPECT_EQ(devices, 0);
    EXPECT_EQ(wtest::GdiRoom(), gdi) << "GDI objects leaked";
    EXPECT_EQ(wtest::UserRoom(), user) << "USER objects leaked";
}

}  // namespace
