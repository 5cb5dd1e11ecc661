// The Windows-side test programs' own support, beside the shared one
// (tests/support): the module's path, probes of the GDI and USER objects a
// process can still make, a window's text render, and pixels of bitmaps and
// windows as pictures. Both Windows-side programs link it.
#pragma once
#include <windows.h>

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

// A window's outer size.
inline SIZE WindowSize(HWND w) {
    RECT rc;
    GetWindowRect(w, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

// An uncompressed AVI clip made with the platform's AVI file library:
// `frames` frames of width x height at `fps` frames a second, frame i
// filled with colour `colours[i % colours.size()]` (0x00RRGGBB; grey when
// none are given). Empty, with the reason in `why`, when it cannot be made.
Bytes AviClip(int width, int height, int frames, int fps, const std::vector<std::uint32_t>& colours = {},
              std::string* why = nullptr);

// The keys and values of a section of a private profile file.
std::map<std::string, std::string> ProfileSection(const char* file, const char* section);

// How many more GDI objects the process can make (Wine counts none for
// us: a leak shows as less room); everything made here is given back.
int GdiRoom();
// The same for USER objects (menus stand for them all).
int UserRoom();

// A window's text render (EWM_RENDER, text), its block freed; "<null>"
// when there is none.
std::string RenderText(HWND hwnd);

// A bitmap (not selected into a DC) read at 32 bits; empty on failure.
Picture BitmapPixels(HBITMAP bitmap);
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
