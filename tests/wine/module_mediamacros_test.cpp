// The sound, font, shell and display routines and the splash window in a
// module session of the substitute host. Wine has no sound device and
// never removes a font resource: those two calls go to the module's
// stand-ins and are recorded. Programs and documents really start (batch
// files that write what they were given).
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/handler.h"
#include "media/mediamacros.h"
#include "module_test.h"
#include "zyl3an32.h"

namespace {

using namespace zyltest;
using Names = std::vector<std::string>;

const Bytes kSound = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'};
constexpr DWORD kRed = 0xFF0000, kBlue = 0x0000FF;

struct Play {
    std::string path;
    UINT flags;
    Bytes bytes;        // the file as the platform found it
    bool waitCursor;    // shown during the call
};
std::vector<Play> g_plays;
BOOL WINAPI RecordPlay(LPCSTR path, UINT flags) {
    g_plays.push_back({path, flags, ReadFile(path), GetCursor() == LoadCursorA(nullptr, IDC_WAIT)});
    return TRUE;
}
Names g_removed;
BOOL WINAPI RecordRemoval(LPCSTR path) {
    g_removed.push_back(path);
    return TRUE;
}

int CALLBACK NoteTrueType(const LOGFONTA*, const TEXTMETRICA*, DWORD type, LPARAM found) {
    if (type & TRUETYPE_FONTTYPE) *reinterpret_cast<bool*>(found) = true;
    return 1;
}
bool TrueTypeFamilyEnumerates(const std::string& family) {
    bool found = false;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesA(dc, family.c_str(), NoteTrueType, reinterpret_cast<LPARAM>(&found));
    ReleaseDC(nullptr, dc);
    return found;
}

// A picture: red, with blue from column `blueFrom` or row `blueBelow` on.
Bytes RedBlue(int width, int height, int blueFrom, int blueBelow) {
    Bytes indices(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) indices[static_cast<std::size_t>(y) * width + x] = x >= blueFrom || y >= blueBelow;
    return Bmp8(width, height, {kRed, kBlue}, indices);
}

// The sibling viewer's frame: answers the splash question with g_answer
// and keeps the path it was told.
LRESULT g_answer = 0;
Names g_told;
LRESULT CALLBACK SiblingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != ZYL_SIBLING_MSG_SPLASH) return DefWindowProcA(hwnd, msg, wParam, lParam);
    char path[MAX_PATH] = "";
    GlobalGetAtomNameA(static_cast<ATOM>(wParam), path, sizeof path);
    g_told.push_back(path);
    return g_answer;
}

// The module's message box, read and closed from a timer firing in its loop.
std::string g_boxText;
HWND g_boxOwner = nullptr;
void CALLBACK CloseBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = FindWindowA("#32770", "Missing bitmap");
    if (!box) return;
    KillTimer(nullptr, timer);
    g_boxOwner = GetWindow(box, GW_OWNER);
    char text[64] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);   // the box's text control
    g_boxText = text;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

class MediaMacros : public ModuleHost {
protected:
    void SetUp() override {
        ModuleHost::SetUp();
        temp = scratch.File("temp");
        ASSERT_TRUE(CreateDirectoryA(temp.c_str(), nullptr));
        GetEnvironmentVariableA("TEMP", savedTemp, sizeof savedTemp);
        SetEnvironmentVariableA("TEMP", (temp + "\\").c_str());   // the module drops the backslash
        help = UseHelpFile({{"ding.wav", kSound}, {"other.ttf", kSound}, {"logo.bmp", RedBlue(120, 80, 60, 80)},
                            {"huge.bmp", RedBlue(1100, 800, 1050, 780)},
                            {"anim.gif", GifBuilder().Header(600, 10, 1).Netscape().Image(600, 10, Bytes(6000))
                                             .Image(600, 10, Bytes(6000)).Trailer().bytes}}, "media.hlp");
        g_plays.clear();
        g_removed.clear();
        zyl::g_playSound = RecordPlay;
        zyl::g_removeFontResource = RecordRemoval;
    }
    void TearDown() override {
        ModuleHost::TearDown();
        zyl::g_playSound = sndPlaySoundA;
        zyl::g_removeFontResource = RemoveFontResourceA;
        SetEnvironmentVariableA("TEMP", savedTemp);
    }

    Names TempFiles() const {
        Names names;
        for (const auto& file : std::filesystem::directory_iterator(temp)) names.push_back(file.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // A batch file that writes "[its name][its first argument][its folder]" into `out`.
    void Recorder(const std::string& name, const std::string& out) {
        const std::string text = "@echo [%~nx0][%~1][%CD%]>\"" + scratch.File(out) + "\"\r\n";
        ASSERT_TRUE(scratch.Write(name, Bytes(text.begin(), text.end())));
    }
    std::string Recorded(const std::string& out) {
        for (int i = 0; i < 200; ++i, Sleep(50)) {
            const Bytes b = scratch.Read(out);
            if (!b.empty() && b.back() == '\n') return std::string(b.begin(), b.end() - 2);
        }
        return "<nothing>";
    }
    static bool GoneWithin(HWND w, DWORD ms) {
        for (const DWORD end = GetTickCount() + ms; IsWindow(w) && static_cast<LONG>(end - GetTickCount()) > 0; Sleep(5))
            for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
        return !IsWindow(w);
    }
    static HWND Splash(const char* file, WORD seconds) {
        ZylSplash(file, seconds);
        return FindWindowA("ZYL3_ANIMSPLASH32", nullptr);
    }

    std::string temp, help;
    char savedTemp[MAX_PATH] = "";
};

TEST_F(MediaMacros, ASoundInsideTheHelpFilePlaysFromTempAndIsDeleted) {
    HCURSOR before = GetCursor();
    ZylSndPlay("sounds\\DING.WAV", 0x10000);   // only the low 16 bits count: 0, wait for the sound
    ASSERT_EQ(g_plays.size(), 1u);
    EXPECT_EQ(g_plays[0].path, temp + "\\ding.wav") << "the bare name, lower-cased";
    EXPECT_EQ(g_plays[0].flags, static_cast<UINT>(SND_SYNC));
    EXPECT_EQ(g_plays[0].bytes, kSound);
    EXPECT_TRUE(g_plays[0].waitCursor);
    EXPECT_EQ(GetCursor(), before);
    EXPECT_EQ(TempFiles(), Names{}) << "deleted once played";

    ZylSndPlay("ding.wav", ZYLSND_ASYNC);
    ASSERT_EQ(g_plays.size(), 2u);
    EXPECT_EQ(g_plays[1].flags, static_cast<UINT>(SND_ASYNC));
    EXPECT_EQ(g_plays[1].bytes, kSound);
    EXPECT_EQ(TempFiles(), Names{"ding.wav"}) << "kept while it may still play";
    ZylSndPlay("missing.wav", 0);
    EXPECT_EQ(g_plays.size(), 2u) << "nothing to play, nothing said";
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    SetEnvironmentVariableA("TEMP", "");
    ZylSndPlay("ding.wav", 0);
    ASSERT_EQ(g_plays.size(), 3u);
    EXPECT_EQ(g_plays[2].path, std::string(windows) + "\\ding.wav") << "no TEMP: the Windows folder";
    EXPECT_EQ(GetFileAttributesA(g_plays[2].path.c_str()), INVALID_FILE_ATTRIBUTES);
    host.Shutdown();
    EXPECT_EQ(TempFiles(), Names{}) << "deleted at shut-down";
}

TEST_F(MediaMacros, ADiskSoundIsSoughtByPathThenSearchThenWinhelpIniThenBesideTheHelpFile) {
    const std::string away = scratch.File("away"), cwd = scratch.File("cwd");
    ASSERT_TRUE(CreateDirectoryA(away.c_str(), nullptr) && CreateDirectoryA(cwd.c_str(), nullptr));
    for (const std::string& dir : {away, cwd, scratch.path()}) ASSERT_TRUE(WriteFile(dir + "\\ding.wav", kSound));
    char savedCwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof savedCwd, savedCwd);
    SetCurrentDirectoryA(cwd.c_str());
    WritePrivateProfileStringA("FILES", "ding.wav", away.c_str(), "winhelp.ini");
    auto played = [&](const std::string& name) {
        g_plays.clear();
        ZylSndPlay(name.c_str(), ZYLSND_ON_DISK);
        return g_plays.empty() ? std::string("<none>") : g_plays[0].path;
    };
    EXPECT_EQ(played(away + "\\DING.WAV"), away + "\\DING.WAV") << "a drive: as it stands";
    EXPECT_EQ(played("DING.WAV"), cwd + "\\ding.wav") << "the platform's search (the current folder)";
    DeleteFileA(scratch.File("cwd\\ding.wav").c_str());
    EXPECT_EQ(played("sounds\\DING.WAV"), away + "\\ding.wav") << "[FILES] of winhelp.ini";
    WritePrivateProfileStringA("FILES", "ding.wav", nullptr, "winhelp.ini");
    EXPECT_EQ(played("DING.WAV"), scratch.File("ding.wav")) << "the help file's folder";
    DeleteFileA(scratch.File("ding.wav").c_str());
    EXPECT_EQ(played("DING.WAV"), "<none>");
    SetCurrentDirectoryA(savedCwd);
    EXPECT_EQ(TempFiles(), Names{}) << "a disk sound is never copied";
}

TEST_F(MediaMacros, AFontFromTheHelpFileIsInstalledUntilShutDown) {
    // The demo's font; once added it stays for the process.
    UseHelpFile({{"pixel.ttf", ReadFile(SourceFile("examples/media/zylpixel.ttf"))},
                 {"other.ttf", kSound}}, "fonts.hlp");
    const std::string family = "Zyl Pixel";
    ASSERT_FALSE(TrueTypeFamilyEnumerates(family));
    ZylFont("fonts\\pixel.ttf", family.c_str());
    EXPECT_TRUE(TrueTypeFamilyEnumerates(family)) << "installed from the help file";
    EXPECT_EQ(TempFiles(), (Names{"pixel.fot", "pixel.ttf"}));
    // A face installed as TrueType already: nothing taken out, whatever the file.
    ZylFont("other.ttf", "DejaVu Sans");
    ZylFont("other.ttf", family.c_str());
    EXPECT_EQ(TempFiles(), (Names{"pixel.fot", "pixel.ttf"}));
    host.Shutdown();
    EXPECT_EQ(g_removed, Names{temp + "\\pixel.fot"}) << "the font resource removed";
    EXPECT_EQ(TempFiles(), Names{}) << "both files deleted";
}

TEST_F(MediaMacros, ProgramsRunByTheirFullPathAloneAndDocumentsByTheirVerb) {
    Recorder("zylrun.bat", "ran.txt");
    char saved[MAX_PATH];
    GetCurrentDirectoryA(sizeof saved, saved);
    SetCurrentDirectoryA(scratch.path().c_str());   // where the platform's search finds it
    ZylShell("zylrun.bat first second", "", "", "", 0);
    SetCurrentDirectoryA(saved);
    EXPECT_EQ(Recorded("ran.txt"), "[zylrun.bat][][" + scratch.path() + "]") << "the rest of the line is dropped";

    Recorder("open.bat", "opened.txt");
    Recorder("copy.bat", "copied.txt");
    ASSERT_TRUE(scratch.Write("note.zyldoc", kSound));
    for (const char* verb : {"open", "zylcopy"}) {
        const std::string value = "\"" + scratch.File(verb[0] == 'o' ? "open.bat" : "copy.bat") + "\" \"%1\"";
        ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, (std::string("ZylTest.Document\\shell\\") + verb + "\\command").c_str(),
                               REG_SZ, value.c_str(), static_cast<DWORD>(value.size())), ERROR_SUCCESS);
    }
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, ".zyldoc", REG_SZ, "ZylTest.Document", 16), ERROR_SUCCESS);
    const std::string doc = scratch.File("note.zyldoc");
    ZylShell("", doc.c_str(), "zylcopy", scratch.path().c_str(), 0);
    EXPECT_EQ(Recorded("copied.txt"), "[copy.bat][" + doc + "][" + scratch.path() + "]");
    ZylShell(nullptr, "note.zyldoc", "", scratch.path().c_str(), 0);
    EXPECT_EQ(Recorded("opened.txt"), "[open.bat][note.zyldoc][" + scratch.path() + "]") << "no verb: the default";
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "ZylTest.Document");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".zyldoc");
    EXPECT_TRUE(host.ApiLog().empty());
}

TEST_F(MediaMacros, AFailedStartAsksTheHostForTheFailureTopicAsAPopup) {
    ZylShell("C:\\nowhere\\missing.exe -x", "", "", "", 305419896);
    ZylShell("", "C:\\nowhere\\missing.zyldoc", "open", "", 7);
    ZylShell("C:\\nowhere\\missing.exe", "", "", "", 0);   // no topic: nothing asked
    ASSERT_EQ(host.ApiLog().size(), 2u);
    for (const zylhost::ApiCall& call : host.ApiLog()) {
        EXPECT_EQ(call.command, static_cast<unsigned>(ZYL_API_POPUP_HASH));
        EXPECT_EQ(call.helpFile, help);
    }
    EXPECT_EQ(host.ApiLog()[0].value, 305419896);
    EXPECT_EQ(host.ApiLog()[1].value, 7);
}

TEST_F(MediaMacros, DisplayTestsAnswerForTheDisplayTheTestsRunOn) {
    // ./run's display: 1024 x 768 with more than 256 colours; Wine's
    // version puts the platform in class 0 (none of the classic ones).
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    ReleaseDC(nullptr, screen);
    ASSERT_TRUE(GetSystemMetrics(SM_CXSCREEN) == 1024 && bits > 8) << "run under ./run test's display";
    std::string dc, video;
    for (WORD test = 0; test <= 13; ++test) dc += static_cast<char>('0' + ZylDC(test));
    for (WORD test = 0; test <= 6; ++test) video += static_cast<char>('0' + VideoInfo(test));
    EXPECT_EQ(dc, "0" "001000110100" "0") << "tests 0 to 13: 1024 wide, more than 256 colours, class 0";
    EXPECT_EQ(video, "0000010") << "only 5, a screen 1024 or more wide";
}

TEST_F(MediaMacros, ASplashIsATopmostBorderlessPictureCentredOnTheScreen) {
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    HWND w = Splash("logo.bmp", 30);
    ASSERT_NE(w, nullptr);
    const LONG style = GetWindowLongA(w, GWL_STYLE), exStyle = GetWindowLongA(w, GWL_EXSTYLE);
    EXPECT_EQ(style & (WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_BORDER | WS_THICKFRAME), WS_POPUP | WS_VISIBLE);
    EXPECT_EQ(exStyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW), WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
    EXPECT_EQ(GetWindow(w, GW_OWNER), host.MainFrame());
    RECT rc;
    GetWindowRect(w, &rc);
    EXPECT_EQ(rc.left, (cx - 120) / 2);
    EXPECT_EQ(rc.top, (cy - 80) / 2);
    int pw = 0, ph = 0;
    std::vector<DWORD> px = host.CapturePixels(w, &pw, &ph);
    ASSERT_TRUE(pw == 120 && ph == 80);
    EXPECT_TRUE(px[0] == kRed && px[79 * 120 + 119] == kBlue) << "the whole picture";
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_FALSE(IsWindow(w)) << "closed by a click";

    // Larger than the screen: screen-sized at its corner, cut at its right and bottom.
    ASSERT_TRUE(cx <= 1050 && cy <= 780) << "a screen within the picture's red part";
    w = Splash("huge.bmp", 30);
    GetWindowRect(w, &rc);
    EXPECT_TRUE(rc.left == 0 && rc.top == 0 && rc.right == cx && rc.bottom == cy);
    px = host.CapturePixels(w, &pw, &ph);
    EXPECT_EQ(std::count(px.begin(), px.end(), kRed), static_cast<long>(px.size())) << "only the top left part";
    DestroyWindow(w);
    // An animated GIF: its two 600-pixel frames side by side, cut to the screen's width.
    w = Splash("anim.gif", 30);
    GetWindowRect(w, &rc);
    EXPECT_TRUE(rc.left == 0 && rc.right == cx && rc.bottom - rc.top == 10);
    DestroyWindow(w);
}

TEST_F(MediaMacros, ASplashClosesAtItsTimer) {
    HWND w = Splash("logo.bmp", 0);
    EXPECT_TRUE(GoneWithin(w, 2000)) << "0 seconds: gone at the first tick";
    w = Splash("logo.bmp", 1);
    EXPECT_FALSE(GoneWithin(w, 300)) << "1 second: still there";
    EXPECT_TRUE(GoneWithin(w, 5000));
}

TEST_F(MediaMacros, ASiblingViewerMayVetoTheSplashAndAMissingPictureGivesABox) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = SiblingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = ZYL_SIBLING_VIEWER_CLASS;
    RegisterClassA(&wc);
    // Hidden, as long as it is a top-level window; its class name in any case.
    HWND frame = CreateWindowExA(0, "coralview_frame32", "", WS_OVERLAPPED, 0, 0, 9, 9, nullptr, nullptr, wc.hInstance, nullptr);
    g_told.clear();
    g_answer = 0;
    EXPECT_EQ(Splash("logo.bmp", 30), nullptr) << "a reply of 0: no splash";
    g_answer = 1;
    HWND w = Splash("logo.bmp", 30);
    EXPECT_NE(w, nullptr) << "any other reply lets it show";
    EXPECT_EQ(g_told, (Names{help, help})) << "told the help file through an atom, each time";
    DestroyWindow(w);
    DestroyWindow(frame);
    UnregisterClassA(ZYL_SIBLING_VIEWER_CLASS, wc.hInstance);
    EXPECT_EQ(host.CreateEmbedded(host.TopicRegion(), {'l', "ZYL3AN32.DLL", "ZYL3_ANIMSPLASH32", "logo.bmp"}), nullptr)
        << "a splash window placed in a topic is refused";

    ShowWindow(host.MainFrame(), SW_SHOW);
    SetFocus(host.MainFrame());
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseBox);
    EXPECT_EQ(Splash("nothere.bmp", 5), nullptr);
    KillTimer(nullptr, timer);
    EXPECT_EQ(g_boxText, "nothere.bmp");
    EXPECT_EQ(g_boxOwner, host.MainFrame()) << "owned by the window with the focus";
}

TEST_F(MediaMacros, FiveHundredSplashesLeaveNoObjects) {
    DestroyWindow(Splash("logo.bmp", 30));   // the picture stays cached from here on
    const int gdi = GdiRoom(), user = UserRoom();
    for (int i = 0; i < 500; ++i) {
        HWND w = Splash("logo.bmp", 30);
        ASSERT_NE(w, nullptr) << i;
        UpdateWindow(w);   // painted, then closed by a click
        SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    }
    EXPECT_EQ(GdiRoom(), gdi);
    EXPECT_EQ(UserRoom(), user);
}

}  // namespace
