// The video window (ZYL3_ANIMVIDEO32), its I/O procedure and its control bar
// (ZYL3_ANIMVIDBAR32), driven through the host as a help file drives them,
// with clips the platform's AVI library writes at run time. A window's MCI
// device is reached by its alias, the window handle in hexadecimal.
//
// Where Wine's MCI differs from what the module is written for, the module
// keeps its behaviour and the test says which platform behaviour it works
// around:
//  - Wine reports a stopped play as MCI_NOTIFY_SUCCESSFUL (not aborted): a
//    looping clip the reader stopped must not start again.
//  - Wine's clip ends on its last frame, length - 1, and a seek to the
//    length is refused: play there rewinds, a drag to the right end lands
//    on the last frame.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "wine_support.h"
#include "host.h"
#include "zyl3an32.h"

namespace {

using namespace zyltest;

// clip.avi: 40 x 30, 10 frames at 20 a second; narrow.avi: 30 x 20;
// long.avi: 160 x 48, 100 frames at 10 a second (it stays playing).
constexpr int kClipFrames = 10, kLongFrames = 100;
const std::vector<std::uint32_t> kColours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};

const Bytes& Clip() {
    static const Bytes clip = AviClip(40, 30, kClipFrames, 20, kColours);
    return clip;
}

// videos.hlp holds clip.avi, narrow.avi and long.avi; disk.avi lies beside it.
const AuthoredHelpFile& Shared() {
    static std::unique_ptr<AuthoredHelpFile> made = [] {
        std::string why;
        const Bytes narrow = AviClip(30, 20, 2, 20, kColours, &why);
        const Bytes longer = AviClip(160, 48, kLongFrames, 10, kColours, &why);
        auto m = AuthorHelpFile("videos.hlp", {}, {{"clip.avi", Clip()}, {"narrow.avi", narrow}, {"long.avi", longer}});
        if (Clip().empty() || narrow.empty() || longer.empty()) m->failure = "cannot make the clips: " + why;
        else if (!m->scratch.Write("disk.avi", Clip())) m->failure = "cannot write disk.avi";
        return m;
    }();
    return *made;
}

std::string Alias(HWND w) {
    char text[32];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(w)));
    return text;
}

// An MCI command string on the window's device: the answer, or "error N".
std::string Mci(HWND w, const std::string& verb, const std::string& tail) {
    char answer[128] = "";
    const MCIERROR error = mciSendStringA((verb + " " + Alias(w) + " " + tail).c_str(), answer, sizeof answer, nullptr);
    return error ? "error " + std::to_string(error) : answer;
}
std::string Mode(HWND w) { return Mci(w, "status", "mode"); }
int Position(HWND w) { return std::atoi(Mci(w, "status", "position").c_str()); }
void SeekTo(HWND w, int position) { Mci(w, "seek", "to " + std::to_string(position) + " wait"); }

std::string MciText(MCIERROR code) {
    char text[128] = "";
    mciGetErrorStringA(code, text, sizeof text);
    return text;
}

// Pumps messages for `ms` milliseconds (the driver plays on a thread of its
// own and posts its notices).
void PumpFor(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    for (MSG msg; static_cast<LONG>(end - GetTickCount()) > 0; Sleep(5))
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// An I/O procedure on top of the module's, counting what it forwards.
LPMMIOPROC g_moduleProc = nullptr;
int g_reads = 0, g_opens = 0;
LRESULT CALLBACK CountingProc(LPSTR info, UINT msg, LPARAM a, LPARAM b) {
    const LRESULT r = g_moduleProc(info, msg, a, b);
    g_opens += msg == MMIOM_OPEN;
    g_reads += msg == MMIOM_READ && r > 0;
    return r;
}
const FOURCC kAvi = mmioFOURCC('A', 'V', 'I', ' ');

class Video : public EmbeddingTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(Shared().failure.empty()) << Shared().failure;
        zylhost::RegisterMciExtensions();
        Start(RGB(255, 255, 255), Shared().help);
    }
    void TearDown() override {
        if (counting) mmioInstallIOProcA(kAvi, nullptr, MMIO_REMOVEPROC);   // ours, the newest
        EmbeddingTest::TearDown();
    }

    HWND Make(const std::string& data) { return Embed("ZYL3_ANIMVIDEO32", data); }
    // Counts the reads reaching the module's procedure from now on (the
    // module installs it with the first clip it opens).
    void StartCounting() {
        DestroyWindow(Make("clip.avi;0"));
        g_moduleProc = mmioInstallIOProcA(kAvi, nullptr, MMIO_FINDPROC);
        ASSERT_EQ(reinterpret_cast<FARPROC>(g_moduleProc), GetProcAddress(module, "VideoIoProc"));
        mmioInstallIOProcA(kAvi, CountingProc, MMIO_INSTALLPROC);
        g_reads = g_opens = 0;
        counting = true;
    }
    static HWND Bar(HWND w) { return GetDlgItem(w, 3); }
    static void Command(HWND w, WORD id) { SendMessageA(w, WM_COMMAND, id, 0); }

    bool counting = false;
};

TEST_F(Video, ClipInsideTheHelpFilePlaysThroughTheIoProcedure) {
    StartCounting();
    HWND w = Make("clip.avi;0");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(wtest::RenderText(w), "clip.avi");
    EXPECT_EQ(g_opens, 1);
    EXPECT_GT(g_reads, 0) << "the driver read the clip through the module";
    EXPECT_EQ(Mci(w, "status", "length"), std::to_string(kClipFrames));
    // The driver's playback window is our first child, of the clip's size.
    HWND picture = GetWindow(w, GW_CHILD);
    EXPECT_EQ(ClassOf(picture), "MCIAVI");
    EXPECT_TRUE(IsWindowVisible(picture)) << "shown with the window";
    EXPECT_EQ(WindowSize(picture).cx, 40);
    EXPECT_EQ(WindowSize(w).cy, 30);

    const int before = g_reads;
    Mci(w, "play", "wait");
    EXPECT_GT(g_reads, before) << "the frames come through the module";
    EXPECT_EQ(Position(w), kClipFrames - 1);
    // While the device is open the help file is held (deny write); the clip
    // is never copied to the disk.
    HANDLE writer = CreateFileA(Shared().help.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    EXPECT_EQ(GetFileAttributesA(Shared().scratch.File("clip.avi").c_str()), INVALID_FILE_ATTRIBUTES);

    DestroyWindow(w);
    EXPECT_EQ(mciGetDeviceIDA(Alias(w).c_str()), 0u) << "device closed";
    writer = CreateFileA(Shared().help.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE) << "the help file is closed with the device";
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
}

TEST_F(Video, DiskOnlyFlagNeverReadsTheHelpFile) {
    StartCounting();
    EXPECT_EQ(wtest::RenderText(Make("clip.avi;16")), MciText(MCIERR_FILE_NOT_FOUND)) << "only inside";
    HWND disk = Make("disk.avi;16");
    EXPECT_EQ(Mci(disk, "status", "length"), std::to_string(kClipFrames));
    EXPECT_EQ(g_opens + g_reads, 0);
    // The rest of the disk search (winhelp.ini, the help file's folder) is
    // the sound routine's too, tested with it. MIDI files are always looked
    // for on disk.
    Make("nothere.mid;0");
    EXPECT_EQ(g_opens + g_reads, 0);
    // Without the flag a clip beside the help file is found through the
    // module's procedure.
    EXPECT_EQ(Mci(Make("disk.avi;0"), "status", "length"), std::to_string(kClipFrames));
    EXPECT_EQ(g_opens, 1);
}

TEST_F(Video, ErrorTexts) {
    HWND missing = Make("nothere.avi;0");
    EXPECT_EQ(wtest::RenderText(missing), MciText(MCIERR_FILE_NOT_FOUND));
    EXPECT_EQ(GetWindow(missing, GW_CHILD), nullptr);
    EXPECT_EQ(wtest::RenderText(Make("clip.xyz;0")), "No device driver to play file");
    EXPECT_EQ(wtest::RenderText(Make("noextension;0")), "No device driver to play file");
    EXPECT_EQ(GetWindow(Make("nothere.avi;32"), GW_CHILD), nullptr) << "no play button is left";
}

// The sizes for every flag are the layout's matter, tested natively; here
// the windows take them: the scaled picture with the bar below it, the
// driver's border, the play button alone.
TEST_F(Video, BarSizesAndProportionalScaling) {
    // Flag 2 on a 30 x 20 clip: the picture scaled to 58 wide, the 23-pixel
    // bar below it with the menu button.
    HWND two = Make("narrow.avi;2");
    HWND bar = Bar(two);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(ClassOf(bar), "ZYL3_ANIMVIDBAR32");
    const SIZE picture = WindowSize(GetWindow(two, GW_CHILD));
    EXPECT_EQ(picture.cx, 58);
    EXPECT_EQ(picture.cy, 20 * 58 / 30);
    RECT rc;
    GetWindowRect(bar, &rc);
    MapWindowPoints(nullptr, two, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.top, picture.cy);
    EXPECT_EQ(rc.right - rc.left, 58);
    EXPECT_EQ(GetWindowLongPtrA(bar, GWL_STYLE) & (WS_BORDER | WS_VISIBLE | 1), WS_BORDER | WS_VISIBLE | 1);
    EXPECT_NE(GetDlgItem(bar, 2), nullptr);

    // Flag 1: a bordered picture (the driver sizes it, border included),
    // the height scaled with the border; no menu button.
    HWND one = Make("narrow.avi;1");
    HWND framed = GetWindow(one, GW_CHILD);
    EXPECT_TRUE(GetWindowLongPtrA(framed, GWL_STYLE) & WS_BORDER);
    const int border = WindowSize(GetWindow(Make("clip.avi;1"), GW_CHILD)).cx - 40;
    EXPECT_EQ(WindowSize(framed).cy, (20 + border) * 37 / (30 + border));
    EXPECT_EQ(GetDlgItem(Bar(one), 2), nullptr);

    HWND button = Make("clip.avi;32");
    EXPECT_EQ(WindowSize(button).cx, 20);
    EXPECT_EQ(ClassOf(GetWindow(button, GW_CHILD)), "Button");
}

TEST_F(Video, AutoplayAtTheFirstPaintAndLoopOnSuccessOnly) {
    HWND w = Make("long.avi;8");
    EXPECT_EQ(Mode(w), "stopped") << "nothing plays before the first paint";
    UpdateWindow(w);
    EXPECT_EQ(Mode(w), "playing");
    Mci(w, "stop", "wait");
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(Mode(w), "stopped") << "autoplay happens once";

    // A completion notice restarts a looping clip only when it succeeded.
    HWND loop = Make("long.avi;4");
    const LPARAM device = static_cast<LPARAM>(mciGetDeviceIDA(Alias(loop).c_str()));
    SendMessageA(loop, MM_MCINOTIFY, MCI_NOTIFY_ABORTED, device);
    EXPECT_EQ(Mode(loop), "stopped");
    SeekTo(loop, 50);
    SendMessageA(loop, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, device);
    EXPECT_EQ(Mode(loop), "playing");
    EXPECT_LT(Position(loop), 50) << "rewound before playing again";
    SendMessageA(w, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, device);
    EXPECT_EQ(Mode(w), "stopped") << "no loop flag";

    // A whole short clip ends, and plays again with the loop flag.
    HWND once = Make("clip.avi;8"), again = Make("clip.avi;12");
    UpdateWindow(once);
    UpdateWindow(again);
    PumpFor(1500);   // the clip lasts half a second
    EXPECT_EQ(Mode(once), "stopped");
    EXPECT_EQ(Position(once), kClipFrames - 1);
    EXPECT_EQ(Mode(again), "playing");
}

TEST_F(Video, PlayButtonOfAClipWithoutPicture) {
    HWND w = Make("long.avi;36");   // no picture, loop
    HWND button = GetWindow(w, GW_CHILD);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(GetDlgCtrlID(button), 1);
    // Stopped, the button shows the first picture of bitmap 100.
    HBITMAP pictures = LoadBitmapA(module, MAKEINTRESOURCEA(100));
    const Picture cells = BitmapPixels(pictures);
    DeleteObject(pictures);
    ASSERT_EQ(cells.height, 60);
    RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const Picture shown = WindowPixels(button);
    ASSERT_EQ(shown.rgb.size(), 400u);
    EXPECT_TRUE(std::equal(shown.rgb.begin(), shown.rgb.end(), cells.rgb.begin()));

    SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_EQ(Mode(w), "playing");
    SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_EQ(Mode(w), "stopped");
    PumpFor(200);   // Wine's "successful" notice of that stop arrives
    EXPECT_EQ(Mode(w), "stopped") << "a clip the reader stopped stays stopped";
}

class VideoBar : public Video {
protected:
    void SetUp() override {
        Video::SetUp();
        w = Make("long.avi;2");
        bar = Bar(w);
        ASSERT_NE(bar, nullptr);
        RECT rc;
        GetClientRect(bar, &rc);
        right = rc.right - 7;
        for (int id : {102, 103}) {
            HBITMAP b = LoadBitmapA(module, MAKEINTRESOURCEA(id));
            (id == 102 ? mark : dragMark) = BitmapPixels(b);
            DeleteObject(b);
        }
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    int X(int position) const { return kLeft + (right - kLeft) * position / kLongFrames - 4; }
    // The bar's 8 x 15 pixels at (x, 3), as they stand.
    Picture At(int x) {
        const Picture px = WindowPixels(bar);
        Picture out = Picture::Solid(8, 15, 0);
        for (int y = 3; y < 18; ++y)
            for (int i = x; i < x + 8; ++i) out.rgb[static_cast<size_t>(y - 3) * 8 + i - x] = px.at(i, y);
        return out;
    }
    void Smudge(int x) {
        HDC dc = GetDC(bar);
        HBRUSH b = CreateSolidBrush(RGB(255, 0, 255));
        RECT rc = {x, 3, x + 8, 18};
        FillRect(dc, &rc, b);
        DeleteObject(b);
        ReleaseDC(bar, dc);
    }
    bool Smudged(int x) { return Uniform(At(x)) == 0xFF00FF; }
    void Mouse(UINT msg, int x) { SendMessageA(bar, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, 10)); }
    void Tick() { SendMessageA(bar, WM_TIMER, 10, 0); }

    static constexpr int kLeft = 49;   // with the menu button
    HWND w = nullptr, bar = nullptr;
    int right = 0;
    Picture mark, dragMark;
};

TEST_F(VideoBar, PlayAtTheEndRewindsFirst) {
    EXPECT_EQ(Difference(At(X(0)), mark), "") << "the mark at the start";
    Mci(w, "seek", "to end wait");
    ASSERT_EQ(Position(w), kLongFrames - 1);
    Command(bar, 1);
    EXPECT_EQ(Mode(w), "playing");
    EXPECT_LT(Position(w), 10) << "played from the start";
    Command(bar, 1);
    EXPECT_EQ(Mode(w), "stopped");
    SeekTo(w, 40);
    Command(bar, 1);
    EXPECT_GE(Position(w), 40) << "elsewhere it plays on from there";
}

TEST_F(VideoBar, MarkFollowsThePositionAndRedrawsOnlyWhenItsColumnChanges) {
    Command(bar, 1);
    // The device is moved behind the bar's back (a seek stops it): the bar
    // believes it plays, so its timer keeps updating the mark.
    SeekTo(w, 50);
    Tick();
    EXPECT_EQ(Difference(At(X(50)), mark), "");
    Smudge(X(50));
    int same = 51;
    while (X(same) == X(50)) ++same;
    SeekTo(w, same - 1);
    Tick();
    EXPECT_TRUE(Smudged(X(50))) << "position " << same - 1 << " stands in the same column: nothing drawn";
    SeekTo(w, 90);
    Tick();
    EXPECT_FALSE(Smudged(X(50))) << "the old place gets back what was under the mark";
    EXPECT_EQ(Difference(At(X(90)), mark), "");
}

TEST_F(VideoBar, DraggingSeeksToBothEnds) {
    Command(bar, 1);
    Mouse(WM_LBUTTONDOWN, X(Position(w)) + 2);
    EXPECT_EQ(GetCapture(), bar);
    EXPECT_EQ(Mode(w), "stopped") << "a drag stops the clip";
    EXPECT_EQ(Difference(At(X(Position(w))), dragMark), "");
    Mouse(WM_MOUSEMOVE, right + 100);
    EXPECT_EQ(Position(w), kLongFrames - 1) << "Wine refuses the length itself";
    EXPECT_EQ(Difference(At(X(kLongFrames - 1)), dragMark), "");
    Mouse(WM_MOUSEMOVE, (kLeft + right) / 2);
    EXPECT_EQ(Position(w), kLongFrames * ((kLeft + right) / 2 - kLeft) / (right - kLeft));
    Mouse(WM_LBUTTONUP, -50);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Position(w), 0);
    EXPECT_EQ(Difference(At(X(0)), mark), "") << "the normal mark after the drag";
    Mouse(WM_LBUTTONDOWN, X(0) + 30);
    EXPECT_EQ(GetCapture(), nullptr) << "a press beside the mark is no drag";
}

TEST_F(VideoBar, MenuCommandsWhilePlayingAndStopped) {
    HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(1000));
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_EQ(GetMenuItemCount(popup), 3);
    const char* names[] = {"Play", "Stop", "Rewind"};
    for (int i = 0; i < 3; ++i) {
        char text[32] = "";
        GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, names[i]);
        EXPECT_EQ(GetMenuItemID(popup, i), static_cast<UINT>(101 + i));
    }
    DestroyMenu(menu);

    auto after = [&](WORD id) {
        Command(bar, id);
        host->PumpUntilIdle();   // Play and Stop post the play button's command
        return Mode(w);
    };
    SeekTo(w, 30);
    EXPECT_EQ(after(102), "stopped") << "Stop while stopped";
    EXPECT_EQ(Position(w), 30);
    EXPECT_EQ(after(103), "stopped") << "Rewind while stopped";
    EXPECT_EQ(Position(w), 0);
    EXPECT_EQ(after(101), "playing") << "Play while stopped";
    EXPECT_EQ(after(101), "playing") << "Play while playing";
    EXPECT_EQ(after(102), "stopped") << "Stop while playing";
    ASSERT_EQ(after(101), "playing");
    EXPECT_EQ(after(103), "stopped") << "Rewind while playing";
    EXPECT_EQ(Position(w), 0);
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
    EXPECT_EQ(Mode(w), "stopped") << "nothing chosen, nothing done";
}

TEST_F(Video, CopyGivesTheFileNameAndPrintTheFramedPanel) {
    HWND w = Make("CLIP.AVI;1");
    const SIZE size = WindowSize(w);
    EXPECT_EQ(wtest::RenderText(w), "clip.avi") << "without directory, lower-cased";
    ASSERT_TRUE(host->Print());
    ASSERT_EQ(host->LastPrint().size(), 1u);
    const auto& p = host->LastPrint()[0];
    EXPECT_EQ(p.width, size.cx * 600 / 96);
    EXPECT_EQ(p.height, size.cy * 600 / 96);
    ASSERT_EQ(static_cast<int>(p.pixels.size()), p.width * p.height);
    // A frame round a white panel (the text of "no error" is empty on Wine).
    EXPECT_TRUE(IsDark(p.pixels[static_cast<size_t>(p.height / 2) * p.width]));
    EXPECT_EQ(p.pixels[static_cast<size_t>(p.height / 2) * p.width + p.width / 2], 0xFFFFFFu);
    EXPECT_EQ(SendMessageA(w, EWM_RENDER, 3, 0), 0);
    EXPECT_EQ(host->CreateEmbedded(host->TopicRegion(), {'l', "ZYL3AN32.DLL", "ZYL3_ANIMVIDBAR32", "x"}), nullptr)
        << "a bar placed in a topic by itself is refused";
}

TEST_F(Video, IoProcedureReadsSeeksAndRefusesStrangers) {
    // A window whose own open failed: its record is alive and its procedure
    // state unused.
    HWND w = Make("nothere.avi;0");
    auto proc = reinterpret_cast<LPMMIOPROC>(GetProcAddress(module, "VideoIoProc"));
    ASSERT_NE(proc, nullptr);
    MMIOINFO info = {};
    auto call = [&](UINT msg, LPARAM a, LPARAM b) { return proc(reinterpret_cast<LPSTR>(&info), msg, a, b); };
    const auto record = static_cast<unsigned long long>(GetWindowLongPtrA(w, 0));
    auto open = [&](const char* name) {
        char element[96];
        std::snprintf(element, sizeof element, name, record);
        return call(MMIOM_OPEN, reinterpret_cast<LPARAM>(element), 0);
    };
    EXPECT_EQ(open("clip.avi"), MMIOERR_CANNOTOPEN) << "no '+'";
    EXPECT_EQ(open("clip.avi+1234"), MMIOERR_CANNOTOPEN) << "no record of ours";
    EXPECT_EQ(open("nothere.avi+%llX"), MMIOERR_CANNOTOPEN) << "not in the help file";
    ASSERT_EQ(open("clip.avi+%llX"), 0);

    const Bytes& clip = Clip();
    const LONG size = static_cast<LONG>(clip.size());
    char buffer[16] = {};
    EXPECT_EQ(call(MMIOM_READ, reinterpret_cast<LPARAM>(buffer), 12), 12);
    EXPECT_EQ(std::memcmp(buffer, clip.data(), 12), 0);
    EXPECT_EQ(info.lDiskOffset, 12);
    EXPECT_EQ(call(MMIOM_SEEK, -4, SEEK_END), size - 4);
    EXPECT_EQ(info.lDiskOffset, size - 4);
    EXPECT_EQ(call(MMIOM_READ, reinterpret_cast<LPARAM>(buffer), 16), 4);
    EXPECT_EQ(std::memcmp(buffer, clip.data() + size - 4, 4), 0);
    EXPECT_EQ(call(MMIOM_SEEK, -1, SEEK_SET), -1) << "before the start";
    EXPECT_EQ(call(MMIOM_SEEK, 8, SEEK_SET), 8);
    EXPECT_EQ(call(MMIOM_WRITE, reinterpret_cast<LPARAM>(buffer), 4), -1);
    EXPECT_EQ(call(MMIOM_CLOSE, 0, 0), 0);
    EXPECT_EQ(call(MMIOM_READ, reinterpret_cast<LPARAM>(buffer), 4), -1) << "closed";
    DestroyWindow(w);
    EXPECT_EQ(open("clip.avi+%llX"), MMIOERR_CANNOTOPEN) << "the record went with its window";
}

TEST_F(Video, FiveHundredLivesLeaveNoDeviceOrObjectBehind) {
    auto openDevices = [] {
        char answer[32] = "";
        mciSendStringA("sysinfo all quantity open", answer, sizeof answer, nullptr);
        return std::atoi(answer);
    };
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
        if (i % 10 == 0) RenderPicture(w, nullptr);
        DestroyWindow(w);
        host->PumpUntilIdle();
        return true;
    };
    EXPECT_EQ(LeakOver(10, 500, cycle), "");
    EXPECT_EQ(openDevices(), 0) << "every device closed";
}

}  // namespace
