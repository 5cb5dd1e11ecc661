// ZYL3_ANIMBUTTON32: a system push button sized to its label that runs the
// author's macros when clicked.
#include <windows.h>

#include <cstring>

#include "controls/animbutton_parse.h"
#include "core/framework.h"
#include "core/macros.h"
#include "core/text.h"
#include "zyl3an32.h"

namespace zyl {

namespace {

constexpr int kButtonId = 1;

struct AnimButtonRecord {
    ControlHeader header;   // instance, help file, error id
    int width;              // 0 in the error state
    int height;
    char* macro;
    HWND button;
    HFONT font;
};

AnimButtonRecord* Record(HWND hwnd) { return reinterpret_cast<AnimButtonRecord*>(GetControlRecord(hwnd)); }

HFONT CreateLabelFont() {
    const int weight = GetPlatformClass(true, nullptr) ? 100 : 700;
    return CreateFontA(14, 0, 0, 0, weight, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
}

LRESULT OnCreate(HWND hwnd, LPARAM lParam) {
    const char* data = nullptr;
    auto* rec = reinterpret_cast<AnimButtonRecord*>(BeginControlCreate(hwnd, lParam, sizeof(AnimButtonRecord), &data));
    if (!rec) return -1;
    AnimButtonParams params;
    const int error = ParseAnimButton(data, &params);
    if (error) {
        EnterErrorState(hwnd, &rec->header, error);
        return 0;
    }
    rec->macro = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, params.macro.size() + 1));
    if (rec->macro) std::memcpy(rec->macro, params.macro.c_str(), params.macro.size() + 1);
    rec->font = CreateLabelFont();

    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, rec->font);
    std::string shown(params.label.size() + 1, '\0');
    const int labelWidth = MeasureMnemonicText(screen, params.label.c_str(), &shown[0], nullptr, nullptr);
    TEXTMETRICA tm = {};
    GetTextMetricsA(screen, &tm);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    rec->width = labelWidth + 14;
    rec->height = tm.tmHeight + 10;

    rec->button = CreateWindowExA(0, "button", params.label.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, rec->width,
                                  rec->height, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)),
                                  ModuleInstance(), nullptr);
    if (rec->button) SendMessageA(rec->button, WM_SETFONT, reinterpret_cast<WPARAM>(rec->font), FALSE);
    return 0;
}

void OnDestroy(HWND hwnd) {
    AnimButtonRecord* rec = Record(hwnd);
    if (!rec) return;
    if (rec->macro) HeapFree(GetProcessHeap(), 0, rec->macro);
    if (rec->button) DestroyWindow(rec->button);
    if (rec->font) DeleteObject(rec->font);
    FreeControlRecord(hwnd);
}

// The working button's size, or the error box's, for the screen.
SIZE PictureSize(const AnimButtonRecord* rec) {
    if (!rec->header.errorId) return SIZE{rec->width, rec->height};
    HDC screen = GetDC(nullptr);
    const DWORD packed = MeasureErrorMessage(screen, rec->header.errorId);
    ReleaseDC(nullptr, screen);
    return SIZE{PackedWidth(packed), PackedHeight(packed)};
}

SIZE ScaledToDevice(HDC dc, SIZE size) {
    if (!IsRasterDisplay(dc)) {
        size.cx = ScaleToDeviceX(dc, static_cast<std::uint16_t>(size.cx));
        size.cy = ScaleToDeviceY(dc, static_cast<std::uint16_t>(size.cy));
    }
    return size;
}

LRESULT OnQuerySize(HWND hwnd, HDC dc, POINT* pt) {
    AnimButtonRecord* rec = Record(hwnd);
    if (!rec || !pt) return 1;
    if (rec->header.errorId) return ErrorQuerySize(hwnd, dc, pt, rec->header.errorId);
    const SIZE size = ScaledToDevice(dc, SIZE{rec->width, rec->height});
    pt->x = size.cx;
    pt->y = size.cy;
    return 1;
}

// Draws the button picture at screen size: a frame and the label (or the
// error text) centred in it.
void DrawPicture(HDC dc, const AnimButtonRecord* rec, HWND hwnd, SIZE size) {
    Rectangle(dc, 0, 0, size.cx, size.cy);
    RECT box = {1, 1, size.cx - 1, size.cy - 1};
    char text[kErrorTextChars + 1] = "";
    HFONT ownFont = nullptr;
    if (rec->header.errorId) {
        LoadErrorText(rec->header.errorId, text, kErrorTextChars);
        ownFont = CreateErrorFont(dc);
    } else if (rec->button) {
        char label[kErrorTextChars + 1] = "";
        GetWindowTextA(rec->button, label, kErrorTextChars);
        MeasureMnemonicText(dc, label, text, nullptr, nullptr);
    }
    HGDIOBJ old = SelectObject(dc, ownFont ? ownFont : rec->font);
    const DWORD ext = MeasureText(dc, text, static_cast<int>(std::strlen(text)));
    const int x = (size.cx - PackedWidth(ext)) >> 1;
    const int y = (size.cy - PackedHeight(ext)) >> 1;
    ExtTextOutA(dc, x, y, ETO_CLIPPED | ETO_OPAQUE, &box, text, static_cast<UINT>(std::strlen(text)), nullptr);
    SelectObject(dc, old);
    if (ownFont) DeleteObject(ownFont);
}

HBITMAP RenderPicture(HWND hwnd, HDC target) {
    AnimButtonRecord* rec = Record(hwnd);
    if (!rec || !target) return nullptr;
    const SIZE size = PictureSize(rec);
    if (size.cx <= 0 || size.cy <= 0) return nullptr;
    HDC screen = GetDC(nullptr);
    HDC picDc = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, size.cx, size.cy);
    ReleaseDC(nullptr, screen);
    HBITMAP result = nullptr;
    HDC outDc = CreateCompatibleDC(target);
    if (picDc && picture && outDc) {
        HGDIOBJ oldPic = SelectObject(picDc, picture);
        DrawPicture(picDc, rec, hwnd, size);
        const SIZE out = ScaledToDevice(target, size);
        result = CreateCompatibleBitmap(target, out.cx, out.cy);
        if (result) {
            HGDIOBJ oldOut = SelectObject(outDc, result);
            SetBkColor(outDc, RGB(255, 255, 255));
            SetStretchBltMode(outDc, COLORONCOLOR);
            StretchBlt(outDc, 0, 0, out.cx, out.cy, picDc, 0, 0, size.cx, size.cy, SRCCOPY);
            SelectObject(outDc, oldOut);
        }
        SelectObject(picDc, oldPic);
    }
    if (outDc) DeleteDC(outDc);
    if (picture) DeleteObject(picture);
    if (picDc) DeleteDC(picDc);
    return result;
}

LRESULT OnRender(HWND hwnd, WPARAM kind, LPARAM lParam) {
    AnimButtonRecord* rec = Record(hwnd);
    if (!rec) return 0;
    if (kind == EWRENDER_TEXT) {
        char text[kErrorTextChars] = "";
        if (rec->header.errorId) LoadErrorText(rec->header.errorId, text, sizeof text);
        const std::size_t n = std::strlen(text) + 1;
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_DISCARDABLE, n);
        if (!h) return 0;
        if (void* p = GlobalLock(h)) {
            std::memcpy(p, text, n);
            GlobalUnlock(h);
        }
        return reinterpret_cast<LRESULT>(h);
    }
    if (kind == EWRENDER_BITMAP && lParam)
        return reinterpret_cast<LRESULT>(RenderPicture(hwnd, reinterpret_cast<const ZYL_RENDERINFO*>(lParam)->hdc));
    return 0;
}

void OnClick(HWND hwnd) {
    AnimButtonRecord* rec = Record(hwnd);
    if (!rec || !rec->macro) return;
    RunMacros(rec->header.instance, rec->header.helpFile, rec->macro);
}

}  // namespace

}  // namespace zyl

extern "C" LRESULT CALLBACK AnimButtonWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    using namespace zyl;
    switch (msg) {
    case WM_CREATE:
        return OnCreate(hwnd, lParam);
    case WM_DESTROY:
        OnDestroy(hwnd);
        return 0;
    case WM_NCDESTROY:
        FreeControlRecord(hwnd);   // a window refused at WM_CREATE never saw WM_DESTROY's cleanup
        break;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (AnimButtonRecord* rec = Record(hwnd); rec && rec->header.errorId)
            PaintErrorState(hwnd, dc, rec->header.errorId);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_COMMAND:
        if (LOWORD(wParam) == kButtonId && HIWORD(wParam) == BN_CLICKED) OnClick(hwnd);
        return 0;
    case EWM_RENDER:
        return OnRender(hwnd, wParam, lParam);
    case EWM_QUERYSIZE:
        return OnQuerySize(hwnd, reinterpret_cast<HDC>(wParam), reinterpret_cast<POINT*>(lParam));
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
