#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "host.h"
#include "wine_support.h"

// Path of the module under test.
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

// Reads pixels of a bitmap (0x00RRGGBB, top-down rows).
inline std::vector<DWORD> BitmapPixels(HBITMAP bmp, int* width, int* height) {
    BITMAP bm = {};
    GetObjectA(bmp, sizeof bm, &bm);
    *width = bm.bmWidth;
    *height = bm.bmHeight;
    std::vector<DWORD> px(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
    BITMAPINFO bi = wtest::TopDown32(bm.bmWidth, bm.bmHeight);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bmp, 0, bm.bmHeight, px.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    for (auto& p : px) p &= 0xFFFFFF;
    return px;
}

inline SIZE WindowSize(HWND w) {
    RECT rc;
    GetWindowRect(w, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

inline bool IsDark(DWORD p) { return ((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF)) < 300; }
