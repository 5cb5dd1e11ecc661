#include "wine_support.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "bitmap.h"
#include "zyl3an32.h"

namespace zyltest {

int GdiRoom() {
    std::vector<HBRUSH> brushes;
    brushes.reserve(70000);
    for (HBRUSH b; brushes.size() < 1000000 && (b = CreateSolidBrush(RGB(1, 2, 3))) != nullptr;) brushes.push_back(b);
    for (HBRUSH b : brushes) DeleteObject(b);
    return static_cast<int>(brushes.size());
}

int UserRoom() {
    std::vector<HMENU> menus;
    menus.reserve(40000);
    for (HMENU m; menus.size() < 200000 && (m = CreateMenu()) != nullptr;) menus.push_back(m);
    for (HMENU m : menus) DestroyMenu(m);
    return static_cast<int>(menus.size());
}

std::string RenderText(HWND hwnd) {
    HGLOBAL h = reinterpret_cast<HGLOBAL>(SendMessageA(hwnd, EWM_RENDER, EWRENDER_TEXT, 0));
    if (!h) return "<null>";
    std::string text;
    if (const char* p = static_cast<const char*>(GlobalLock(h))) text.assign(p, strnlen(p, GlobalSize(h)));
    GlobalUnlock(h);
    GlobalFree(h);
    return text;
}

Picture BitmapPixels(HBITMAP bitmap) {
    Picture p;
    std::vector<DWORD> px;
    if (zylhost::ReadBitmapPixels(bitmap, &p.width, &p.height, &px)) p.rgb.assign(px.begin(), px.end());
    return p;
}

Picture WindowPixels(HWND hwnd) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    if (rc.right <= 0 || rc.bottom <= 0) return Picture();
    HDC dc = GetDC(hwnd);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, rc.right, rc.bottom);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, rc.right, rc.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(hwnd, dc);
    Picture p = BitmapPixels(bmp);
    DeleteObject(bmp);
    return p;
}

Picture Printed(const zylhost::Host::PrintedWindow& printed) {
    Picture p;
    p.width = printed.width;
    p.height = printed.height;
    p.rgb.assign(printed.pixels.begin(), printed.pixels.end());
    return p;
}

HBITMAP MakeBitmap(const Picture& p) {
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, p.width, p.height);
    BITMAPINFO bi = zylhost::TopDown32(p.width, p.height);
    if (bmp && SetDIBits(screen, bmp, 0, static_cast<UINT>(p.height), p.rgb.data(), &bi, DIB_RGB_COLORS) != p.height) {
        DeleteObject(bmp);
        bmp = nullptr;
    }
    ReleaseDC(nullptr, screen);
    return bmp;
}

std::size_t CountOf(const Picture& p, std::uint32_t colour) {
    return static_cast<std::size_t>(std::count(p.rgb.begin(), p.rgb.end(), colour));
}

std::uint32_t Uniform(const Picture& p) {
    if (p.rgb.empty() || CountOf(p, p.rgb[0]) != p.rgb.size()) return 0xFFFFFFFF;
    return p.rgb[0];
}

}  // namespace zyltest
