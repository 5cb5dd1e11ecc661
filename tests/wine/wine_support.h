// The Windows-side test programs' own support, beside the shared one
// (tests/support): the module's path, probes of the GDI and USER objects a
// process can still make, a window's text render, and pixels of bitmaps and
// windows as pictures. Both Windows-side programs link it.
#pragma once
#include <windows.h>

#include <string>

#include "host.h"
#include "pictures.h"
#include "support.h"

namespace zyltest {

// The built module under test (wine_dll_tests: its first argument).
const char* ModulePath();

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
