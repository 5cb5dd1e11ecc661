// Pixels in and out: bitmaps the module hands back, screen captures, and
// 24-bit BMP files.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace zylhost {

// The header of a 32-bit top-down DIB of that size, no colour table.
BITMAPINFO TopDown32(int width, int height);

// Reads any bitmap (it must not be selected into a DC) as 0x00RRGGBB
// top-down rows. False when the handle is not a readable bitmap.
bool ReadBitmapPixels(HBITMAP bitmap, int* width, int* height, std::vector<DWORD>* pixels);

// Copies a rectangle of the screen as it is shown.
bool CaptureScreen(const RECT& rect, std::vector<DWORD>* pixels);

// Writes 0x00RRGGBB top-down pixels as a 24-bit BMP file.
bool WriteBmp24(const std::string& path, int width, int height, const std::vector<DWORD>& pixels,
                std::string* error);

}  // namespace zylhost
