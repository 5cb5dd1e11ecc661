// ZYL3_ANIMBUTTON32: a system push button sized to its label that runs the
// author's macros when clicked.
#include <windows.h>

#include <cstring>
#include <string>

#include "controls/animbutton_parse.h"
#include "controls/embedded.h"
#include "core/gdiobj.h"
#include "core/handler.h"
#include "core/macro/macros.h"
#include "core/platform.h"
#include "zyl3an32.h"

namespace zyl {

namespace {

constexpr int kButtonId = 1;

struct AnimButtonRecord : EmbeddedRecord {
    char* macro;
    HWND button;
    HFONT font;
};

HFONT CreateLabelFont() {
    const int weight = GetPlatformClass(true, nullptr) ? 100 : 700;
    return CreateFontA(14, 0, 0, 0, weight, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
}

LRESULT OnCreate(HWND hwnd, AnimButtonRecord* rec, const char* data) {
    AnimButtonParams params;
    if (const int error = ParseAnimButton(data, &params)) {
        EnterErrorState(hwnd, error);
        return 0;
    }
    rec->macro = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, params.macro.size() + 1));
    if (rec->macro) std::memcpy(rec->macro, params.macro.c_str(), params.macro.size() + 1);
    rec->font = CreateLabelFont();

    // The label as shown (without its '&') in the label font, with room for
    // the button's edges.
    std::string shown(params.label.size() + 1, '\0');
    int labelWidth = 0;
    TEXTMETRICA tm = {};
    {
        WindowDC screen(nullptr);
        Selected font(screen.get(), rec->font);
        labelWidth = MeasureMnemonicText(screen.get(), params.label.c_str(), &shown[0], nullptr, nullptr);
        GetTextMetricsA(screen.get(), &tm);
    }
    rec->size = SIZE{labelWidth + 14, tm.tmHeight + 10};

    rec->button = CreateWindowExA(0, "button", params.label.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, rec->size.cx,
                                  rec->size.cy, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)),
                                  ModuleInstance(), nullptr);
    if (rec->button) SendMessageA(rec->button, WM_SETFONT, reinterpret_cast<WPARAM>(rec->font), FALSE);
    return 0;
}

void OnDestroy(AnimButtonRecord* rec) {
    if (rec->macro) HeapFree(GetProcessHeap(), 0, rec->macro);
    if (rec->button) DestroyWindow(rec->button);
    if (rec->font) DeleteObject(rec->font);
    rec->macro = nullptr;
    rec->button = nullptr;
    rec->font = nullptr;
}

// The button picture at screen size: a frame and the label centred in it.
void DrawPicture(HDC dc, const void* context) {
    const auto* rec = static_cast<const AnimButtonRecord*>(context);
    const SIZE size = rec->size;
    Rectangle(dc, 0, 0, size.cx, size.cy);
    RECT box = {1, 1, size.cx - 1, size.cy - 1};
    char label[kErrorTextChars + 1] = "";
    char text[kErrorTextChars + 1] = "";
    if (rec->button) GetWindowTextA(rec->button, label, kErrorTextChars);
    MeasureMnemonicText(dc, label, text, nullptr, nullptr);
    Selected font(dc, rec->font);
    const DWORD ext = MeasureText(dc, text, static_cast<int>(std::strlen(text)));
    const int x = (size.cx - PackedWidth(ext)) >> 1;
    const int y = (size.cy - PackedHeight(ext)) >> 1;
    ExtTextOutA(dc, x, y, ETO_CLIPPED | ETO_OPAQUE, &box, text, static_cast<UINT>(std::strlen(text)), nullptr);
}

LRESULT AnimButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    AnimButtonRecord* rec = RecordOf<AnimButtonRecord>(hwnd);
    switch (msg) {
    case WM_CREATE:
        return OnCreate(hwnd, rec, AuthorData(lParam));
    case WM_DESTROY:
        OnDestroy(rec);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_COMMAND:
        if (LOWORD(wParam) == kButtonId && HIWORD(wParam) == BN_CLICKED && rec->macro)
            RunMacros(rec->instance, rec->helpFile, rec->macro);
        return 0;
    case EWM_RENDER:
        if (wParam == EWRENDER_BITMAP)
            return reinterpret_cast<LRESULT>(RenderScreenPicture(RenderTarget(lParam), rec->size, DrawPicture, rec));
        break;
    }
    return EmbeddedDefProc(hwnd, msg, wParam, lParam);
}

}  // namespace

const EmbeddedClass kAnimButtonClass = {
    "ZYL3_ANIMBUTTON32", AnimButtonWndProc, AnimButtonProc, kEmbeddedStyle, kRecordSlot,
    ClassCursor::kArrow, kNoBackground, sizeof(AnimButtonRecord), false,
};

}  // namespace zyl

extern "C" LRESULT CALLBACK AnimButtonWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return zyl::EmbeddedWindowProc(zyl::kAnimButtonClass, hwnd, msg, wParam, lParam);
}
