// Help files the compiler writes, in Wine's own help viewer (winhlp32): the
// caption of its window and the text of every topic (plain, LZ77 and both
// kinds of phrase compression), read back from the
// viewer's text window (a RichEdit control) with WM_GETTEXT; and start-up
// macros that register a routine of the module and call it, seen in the
// viewer's own trace. What Wine's viewer lacks (embedded windows, GetInfo
// for the main window, running the macros a DLL hands it) is checked to
// be reported as missing, the rest to work.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "core/helpfile.h"
#include "internal_files.h"
#include "wine_support.h"
#include "script.h"
#include "zylhc.h"

namespace {

using namespace zyltest;
using zyltest::ModulePath;

constexpr int kTextId = 0x701;                    // the viewer's text window
constexpr ULONG_PTR kCommandMagic = 0xA1DE505;    // its WM_COPYDATA commands
constexpr char kViewerClass[] = "MS_WINHELP";

// The words of `s`, one blank between each.
std::string Normal(const std::string& s) {
    std::istringstream in(s);
    std::string word, out;
    while (in >> word) out += (out.empty() ? "" : " ") + word;
    return out;
}

// The words of each paragraph of a topic, as a viewer shows them.
std::vector<std::string> Paragraphs(const zylscript::Topic& t) {
    std::vector<std::string> out;
    for (const auto* region : {&t.nsr, &t.body})
        for (const zylscript::Paragraph& p : *region) {
            std::string words;
            for (const zylscript::Segment& s : p.segments)
                if (s.kind != zylscript::Segment::Kind::Embedded) words += s.text;
            if (!Normal(words).empty()) out.push_back(Normal(words));
        }
    return out;
}

// One winhlp32, started from a shell so that Wine's trace of it goes to a file.
class Viewer {
public:
    Viewer(const wtest::Scratch& dir, const std::string& help, const std::string& context, const char* debug)
        : dir_(dir) {
        CloseAll();
        const char* wine = std::getenv("ZYL_WINE");
        const std::string command = "cd '" + dir.unixPath() + "' && WINEDEBUG='" + debug + "' '" +
                                    (wine && *wine ? wine : "/usr/lib/wine/wine64") + "' winhlp32 -i " + context +
                                    " '" + help + "' </dev/null >/dev/null 2>'" + dir.UnixFile("viewer.log") + "' &";
        std::string why;
        if (!wtest::RunUnix(command, &why)) {
            ADD_FAILURE() << why;
            return;
        }
        for (int i = 0; i < 300 && !hwnd_; ++i) {
            Sleep(100);
            hwnd_ = FindWindowA(kViewerClass, nullptr);
        }
        DWORD pid = 0;
        if (hwnd_ && GetWindowThreadProcessId(hwnd_, &pid)) process_ = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    }
    ~Viewer() { Close(); }

    HWND Window() const { return hwnd_; }
    std::string Caption() const {
        char text[512] = "";
        GetWindowTextA(hwnd_, text, sizeof text);
        return text;
    }
    // Empty while a viewer just started has no text window yet.
    std::string Text() const {
        HWND text = GetDlgItem(hwnd_, kTextId);
        DWORD_PTR length = 0;
        if (!text || !SendMessageTimeoutA(text, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return "";
        std::string s(length + 1, '\0');
        DWORD_PTR got = 0;
        SendMessageTimeoutA(text, WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(&s[0]), SMTO_ABORTIFHUNG, 5000, &got);
        s.resize(got);
        return s;
    }
    // Shows the topic with that context number, as WinHelp(HELP_CONTEXT) asks.
    bool Show(const std::string& help, std::uint32_t number) const {
        std::vector<char> block(16 + help.size() + 1, 0);
        const WORD size = static_cast<WORD>(block.size()), command = HELP_CONTEXT, file = 16;
        std::memcpy(&block[0], &size, 2);
        std::memcpy(&block[2], &command, 2);
        std::memcpy(&block[4], &number, 4);
        std::memcpy(&block[12], &file, 2);
        std::memcpy(&block[16], help.c_str(), help.size());
        COPYDATASTRUCT cds = {kCommandMagic, static_cast<DWORD>(block.size()), block.data()};
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(hwnd_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_ABORTIFHUNG, 10000,
                                   &result) != 0;
    }
    void Close() {
        if (hwnd_ && IsWindow(hwnd_)) PostMessageA(hwnd_, WM_CLOSE, 0, 0);
        if (process_ && WaitForSingleObject(process_, 15000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
        if (process_) CloseHandle(process_);
        process_ = nullptr;
        hwnd_ = nullptr;
    }
    std::string Log() const {
        const wtest::Bytes b = dir_.Read("viewer.log");
        return std::string(b.begin(), b.end());
    }

private:
    // A viewer an earlier failure left open would answer in its place.
    static void CloseAll() {
        for (int i = 0; i < 50; ++i) {
            HWND old = FindWindowA(kViewerClass, nullptr);
            if (!old) return;
            PostMessageA(old, WM_CLOSE, 0, 0);
            Sleep(100);
        }
    }

    const wtest::Scratch& dir_;
    HWND hwnd_ = nullptr;
    HANDLE process_ = nullptr;
};

// `script` compiled into STEM.hlp in `dir`, with the module beside it: the
// viewer loads the module by name, from the folder it runs in.
template <std::size_t N>
bool CompileWithModule(const wtest::Scratch& dir, const char (&script)[N], const std::string& stem) {
    return CopyFileA(ModulePath(), dir.File("ZYL3AN32.DLL").c_str(), FALSE) &&
           dir.Write(stem + ".hts", wtest::Bytes(script, script + N - 1)) &&
           dir.Write(stem + ".hlp", CompiledHelpFile(dir.File(stem + ".hts")));
}

const char kFeatures[] =
    ".title Compiled features\n"
    ".window side, Side window, 600, 100, 300, 300\n"
    ".topic start 7\n"
    ".nsr\n"
    "{font Courier New, 14}{b}A heading{/b}\n"
    ".body\n"
    "Plain, {b}bold{/b} and {i}italic{/i} text.{br}A new line, then {link a jump|other>side},\n"
    "a {popup popup|other} and {macro a macro|Next()}.\n"
    "\n"
    ".topic other\n"
    ".title The other topic\n"
    "Reached by a jump.\n";

// The viewer fills its text after its window appears, and after a
// command returns: wait until every paragraph is there (10 s at most).
std::string WaitForText(const Viewer& viewer, const std::vector<std::string>& paragraphs) {
    std::string shown;
    for (int wait = 0; wait < 100; ++wait, Sleep(100)) {
        shown = Normal(viewer.Text());
        bool all = true;
        for (const std::string& p : paragraphs) all = all && shown.find(p) != std::string::npos;
        if (all) break;
    }
    return shown;
}

TEST(WineHelpViewer, ShowsEveryCompiledFile) {
    wtest::Scratch dir;
    ASSERT_TRUE(dir.ok());
    ASSERT_TRUE(dir.Write("features.hts", wtest::Bytes(kFeatures, kFeatures + sizeof kFeatures - 1)));
    const std::string examples = ZYL_EXAMPLES;
    const std::string scripts[] = {dir.File("features.hts"), examples + "/demo/demo.hts",
                                   examples + "/buttons/buttons.hts", examples + "/pictures/pictures.hts"};
    // Plain, LZ77 with the 4.0 compiler's phrases, and the 3.1 compiler's
    // phrases.
    zylhc::CompileOptions variants[3];
    variants[1].compress = variants[1].hall = true;
    variants[2].phrases = true;
    int n = 0;
    for (const std::string& script : scripts)
        for (const zylhc::CompileOptions& options : variants) {
            SCOPED_TRACE(script + (options.compress ? " LZ77" : "") + (options.hall ? " Hall" : "") +
                         (options.phrases ? " phrases" : ""));
            const std::string name = "c" + std::to_string(n++) + ".hlp";
            const zylscript::Script s = ParsedScript(script);
            ASSERT_TRUE(dir.Write(name, CompiledHelpFile(script, options)));
            // Opened at the last topic, by its context string's hash.
            Viewer viewer(dir, dir.File(name), s.topics.back().context, "-all");
            ASSERT_TRUE(viewer.Window()) << "winhlp32 did not open " << name << ":\n" << viewer.Log();
            EXPECT_NE(viewer.Caption().find(s.title), std::string::npos) << viewer.Caption();
            for (std::size_t k = s.topics.size(); k-- > 0;) {
                if (k + 1 < s.topics.size()) ASSERT_TRUE(viewer.Show(dir.File(name), s.TopicNumber(static_cast<int>(k))));
                const std::vector<std::string> paragraphs = Paragraphs(s.topics[k]);
                const std::string shown = WaitForText(viewer, paragraphs);
                for (const std::string& p : paragraphs)
                    EXPECT_NE(shown.find(p), std::string::npos) << s.topics[k].context << ": " << p << "\nshown: " << shown;
            }
        }
}

TEST(WineHelpViewer, StartupMacrosRegisterAndCallTheModule) {
    wtest::Scratch dir;
    ASSERT_TRUE(dir.ok());
    const char script[] =
        ".title Module test\n"
        ".startup RegisterRoutine(`ZYL3AN32.DLL', `ZylAnimInit', `');ZylAnimInit()\n"
        ".topic start\n"
        "A button {ewc ZYL3AN32.DLL, ZYL3_ANIMBUTTON32, Press;Next()} in the text.\n";
    ASSERT_TRUE(CompileWithModule(dir, script, "module"));
    std::string log;
    {
        Viewer viewer(dir, dir.File("module.hlp"), "start", "+winhelp");
        ASSERT_TRUE(viewer.Window()) << viewer.Log();
        EXPECT_EQ(WaitForText(viewer, {"A button in the text."}), "A button in the text.");
        viewer.Close();
        log = viewer.Log();
    }
    auto has = [&](const std::string& words) { return log.find(words) != std::string::npos; };
    // Message 1 answered 31, so the viewer sent 4 and 10; at 10 the module,
    // with its thread's record from 4, asked the viewer for its main window.
    EXPECT_TRUE(has("Got class 1f for DLL \"ZYL3AN32.DLL\"")) << log;
    EXPECT_TRUE(has("WHD_GetInfo (2 "));
    // The routine registered is the one called.
    const std::string added = "Added \"ZylAnimInit\"(\"\") at ";
    const std::size_t at = log.find(added);
    ASSERT_NE(at, std::string::npos);
    const std::string address = log.substr(at + added.size(), log.find('\n', at) - at - added.size());
    EXPECT_TRUE(has("MACRO_CallVoidFunc calling " + address + " with 0 pmts")) << address;
    // What Wine's viewer lacks, in its own words: embedded windows, and
    // the main window for GetInfo.
    EXPECT_TRUE(has("Got an embedded element \"ZYL3AN32.DLL,ZYL3_ANIMBUTTON32,Press;Next()\""));
    EXPECT_TRUE(has("WHD_GetInfo NIY 2"));
}

// ZylSplash as a start-up macro in Wine's viewer. The viewer does not
// answer GetInfo for the help file's path (item 8) nor for its main window
// (item 2), so the module cannot open the help file that holds the picture:
// the routine runs there and says so with its "Missing bitmap" box, the
// picture's name in it, in the viewer's process. The splash window itself is
// shown by the tests through zylhost (module_mediamacros_test.cpp).
TEST(WineHelpViewer, ZylSplashRunsInTheViewer) {
    wtest::Scratch dir;
    ASSERT_TRUE(dir.ok());
    ASSERT_TRUE(dir.Write("splash.bmp", Bmp24(Picture::Painted(64, 48, [](int, int) { return 0xFF0000u; }))));
    const char script[] =
        ".title Splash test\n"
        ".baggage splash.bmp\n"
        // Wine's viewer knows the 32-bit number types only: `U', not `u'.
        ".startup RegisterRoutine(`ZYL3AN32.DLL', `ZylSplash', `SU');ZylSplash(`splash.bmp', 5)\n"
        ".topic start\n"
        "A splash at start-up.\n";
    ASSERT_TRUE(CompileWithModule(dir, script, "splash"));
    std::string log;
    char text[64] = "";
    {
        Viewer viewer(dir, dir.File("splash.hlp"), "start", "+winhelp");
        ASSERT_TRUE(viewer.Window()) << viewer.Log();
        HWND box = nullptr;
        for (int i = 0; i < 300 && !box; ++i, Sleep(100)) box = FindWindowA("#32770", "Missing bitmap");
        ASSERT_NE(box, nullptr) << viewer.Log();
        // On the viewer's own thread: the module runs in the viewer.
        EXPECT_EQ(GetWindowThreadProcessId(box, nullptr), GetWindowThreadProcessId(viewer.Window(), nullptr));
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);   // the box's text control
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(FindWindowA("ZYL3_ANIMSPLASH32", nullptr), nullptr);
        viewer.Close();
        log = viewer.Log();
    }
    EXPECT_STREQ(text, "splash.bmp");
    const std::string added = "Added \"ZylSplash\"(\"SU\") at ";
    ASSERT_NE(log.find(added), std::string::npos) << log;
    EXPECT_NE(log.find("WHD_GetInfo NIY 8"), std::string::npos) << "the path the module asked for";
}

}  // namespace
