// The Windows-side test programs' own support, beside the shared one
// (tests/support): the module's path, probes of the GDI and USER objects a
// process can still make, a window's text render, and pixels of bitmaps and
// windows as pictures. Both Windows-side programs link it.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host.h"
#include "pictures.h"
#include "support.h"

namespace zyltest {

// The built module under test (wine_dll_tests: its first argument).
const char* ModulePath();

// Options of a host whose windows are never shown: a shown top-level
// window costs seconds to take down under Wine without a window manager.
inline zylhost::HostOptions Hidden() {
    zylhost::HostOptions options;
    options.visible = false;
    return options;
}

// A host with the module under test loaded, `background` as the regions'
// colour and `help` as its help file (where the module finds its files);
// null when the module does not load.
inline std::unique_ptr<zylhost::Host> HostForHelpFile(COLORREF background, const std::string& help) {
    zylhost::HostOptions options;
    options.backgroundColour = background;
    auto host = std::make_unique<zylhost::Host>(options);
    if (!host->LoadModule(ModulePath())) return nullptr;
    host->SetHelpFilePath(help.c_str());
    return host;
}

// The fixture of the tests that embed the module's windows in a host for
// one help file: Start in SetUp, the host shut down after each test.
class EmbeddingTest : public ::testing::Test {
protected:
    // A host for `help` with `background` behind its regions.
    void Start(COLORREF background, const std::string& help) {
        host = HostForHelpFile(background, help);
        ASSERT_TRUE(host) << ModulePath();
        module = GetModuleHandleA("ZYL3AN32.DLL");
    }
    // The main frame shown topmost, at `x`, `y` when given.
    void Topmost(int x = -1, int y = -1) {
        SetWindowPos(host->MainFrame(), HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW | (x < 0 ? SWP_NOMOVE : 0));
    }
    void TearDown() override {
        if (host) host->Shutdown();
    }
    // A window of the module's class `cls` in the topic region, at the left.
    HWND Embed(const char* cls, const std::string& data) {
        return host->CreateEmbedded(host->TopicRegion(), {'l', "ZYL3AN32.DLL", cls, data});
    }

    std::unique_ptr<zylhost::Host> host;
    HMODULE module = nullptr;
};

// A help file as an author makes one, in a scratch folder of its own: each
// (name, text) of `lists` compiled by zyllist into the list file `name`,
// stored with `files` (name, bytes) by zylpack's writer as `name`.
// `failure` says why it could not be made.
struct AuthoredHelpFile {
    Scratch scratch;
    std::string help, failure;
};
std::unique_ptr<AuthoredHelpFile> AuthorHelpFile(const std::string& name,
                                                 const std::vector<std::pair<std::string, std::string>>& lists,
                                                 std::vector<std::pair<std::string, Bytes>> files = {});

// A window's class name.
inline std::string ClassOf(HWND w) {
    char name[64] = "";
    GetClassNameA(w, name, sizeof name);
    return name;
}

// A file in a scratch folder of the test program's own, removed at its end.
inline std::string TempPath(const char* name) {
    static Scratch scratch;
    return scratch / name;
}

// The same host showing the first topic of the topic script `script`;
// null when the module does not load or the script is refused.
inline std::unique_ptr<zylhost::Host> HostShowingScript(COLORREF background, const std::string& help,
                                                        const char* script) {
    auto host = HostForHelpFile(background, help);
    if (!host || !host->LoadScriptText(script, help.c_str())) return nullptr;
    host->PumpUntilIdle();
    return host;
}

// The macros the host was asked to run since the log was last cleared,
// once the messages waiting are handled; the log is cleared again.
inline std::vector<std::string> TakeMacros(zylhost::Host& host) {
    host.PumpUntilIdle();
    std::vector<std::string> out;
    for (const auto& call : host.ApiLog()) out.push_back(call.text);
    host.ClearApiLog();
    return out;
}

// A window's outer and client sizes.
inline SIZE WindowSize(HWND w) {
    RECT rc;
    GetWindowRect(w, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}
inline SIZE ClientSize(HWND w) {
    RECT rc;
    GetClientRect(w, &rc);
    return SIZE{rc.right, rc.bottom};
}

// An uncompressed AVI clip made with the platform's AVI file library:
// `frames` frames of width x height at `fps` frames a second, frame i
// filled with colour `colours[i % colours.size()]` (0x00RRGGBB; grey when
// none are given). Empty, with the reason in `why`, when it cannot be made.
Bytes AviClip(int width, int height, int frames, int fps, const std::vector<std::uint32_t>& colours = {},
              std::string* why = nullptr);

// The keys and values of a section of a private profile file.
std::map<std::string, std::string> ProfileSection(const char* file, const char* section);

// Runs `cycle` (false: it failed) `warmup` times for what the platform
// sets up once, then `rounds` times, and says what the rounds kept of the
// GDI and USER objects ("" when they kept none; USER objects within
// `userSlack`, for programs of the Wine prefix that may take one meanwhile).
std::string LeakOver(int warmup, int rounds, const std::function<bool(int)>& cycle, int userSlack = 0);

// How many more GDI objects the process can make (Wine counts none for
// us: a leak shows as less room); everything made here is given back.
int GdiRoom();
// The same for USER objects (menus stand for them all).
int UserRoom();

// A window's text render (EWM_RENDER, text), its block freed; "<null>"
// when there is none.
std::string RenderText(HWND hwnd);

// A font made as the module makes it, measured on the screen: its
// character height and the width of the widest of `texts`.
struct FontMeasures {
    int charHeight = 0, widest = 0;
};
FontMeasures MeasureFont(const char* face, int height, int weight, const std::vector<std::string>& texts = {},
                         int italic = 0, int charset = DEFAULT_CHARSET);

// A bitmap (not selected into a DC) read at 32 bits; empty on failure.
Picture BitmapPixels(HBITMAP bitmap);
// A window's picture render (EWM_RENDER, bitmap) for `target` (the
// screen when null), read at 32 bits, the bitmap freed; empty when none.
Picture RenderPicture(HWND hwnd, HDC target);
// A window's client area as it stands, read through its own DC.
Picture WindowPixels(HWND hwnd);
// What the host printed for a window, as a picture.
Picture Printed(const zylhost::Host::PrintedWindow& printed);
// A device bitmap of the screen's format showing `p`; the caller deletes it.
HBITMAP MakeBitmap(const Picture& p);
inline bool IsDark(std::uint32_t p) { return ((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF)) < 300; }
// How many pixels have `colour`; the colour they all have (0xFFFFFFFF when not).
std::size_t CountOf(const Picture& p, std::uint32_t colour);
std::uint32_t Uniform(const Picture& p);

}  // namespace zyltest

namespace wtest = zyltest;
