// ZYL3_HELPCOMMENT: the comment tip's two windows. Neither is an embedded
// window: the bullet list creates them on the desktop, disabled, topmost
// and without a caption, and they live until the next tip or the list's end.
#include "controls/helpcomment.h"

#include <cstdint>
#include <cstring>

#include "controls/embedded.h"
#include "controls/helpcomment_parse.h"
#include "core/gdiobj.h"
#include "core/handler.h"
#include "zyl3an32.h"

namespace zyl {

namespace {

constexpr COLORREF kBalloon = 0xE0FFFF;   // light yellow
constexpr COLORREF kBlack = RGB(0, 0, 0);

// The creation parameter of both windows; the pointer's has no text.
struct TipCreateParam {
    const char* text;
    std::int32_t anchor;        // where the pointer meets the body, from the body's top
    COLORREF background;        // the list's, around the wedge
    InstanceRecord* instance;   // its font writes the text
};

int MeasureWidth(void* dc, const char* text, int length) {
    SIZE size = {0, 0};
    GetTextExtentPoint32A(static_cast<HDC>(dc), text, length, &size);
    return size.cx;
}

// The comment's lines and the font's character height, as measured on `dc`
// with the instance's font selected.
std::vector<TipLine> WrapOn(HDC dc, const char* text, int* charHeight) {
    TEXTMETRICA tm = {};
    GetTextMetricsA(dc, &tm);
    *charHeight = tm.tmHeight;
    return WrapComment(text, TextMeasure{dc, MeasureWidth});
}

void Line(HDC dc, int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

void DrawBody(HDC dc, int w, int h, const TipCreateParam& p) {
    RECT all = {0, 0, w, h};
    Brush yellow(CreateSolidBrush(kBalloon));
    FillRect(dc, &all, yellow.get());
    // Corners cut by 2; the right edge stays open where the pointer joins.
    const POINT top[] = {{2, 0}, {w - 3, 0}, {w - 1, 2}, {w - 1, p.anchor}};
    const POINT rest[] = {{w - 1, p.anchor + kTipPointerHeight}, {w - 1, h - 3}, {w - 3, h - 1}, {2, h - 1},
                          {0, h - 3}, {0, 2}, {2, 0}};
    Polyline(dc, top, 4);
    Polyline(dc, rest, 7);
    if (!p.text || !p.instance) return;
    Selected font(dc, p.instance->font);
    SetBkMode(dc, TRANSPARENT);
    int charHeight = 0;
    const std::vector<TipLine> lines = WrapOn(dc, p.text, &charHeight);
    int y = 2;
    for (const TipLine& line : lines) {
        ExtTextOutA(dc, 3, y, 0, nullptr, p.text + line.start, static_cast<UINT>(line.length), nullptr);
        y += charHeight + 1;
    }
}

// A wedge: its top edge continues the body's opening, its point is at the right.
void DrawPointer(HDC dc, int w, int h, COLORREF background) {
    RECT all = {0, 0, w, h};
    Brush back(CreateSolidBrush(background));
    FillRect(dc, &all, back.get());
    Line(dc, 0, 0, w - 1, 0);
    LineTo(dc, 0, h - 1);
    Brush yellow(CreateSolidBrush(kBalloon));
    Selected brush(dc, yellow.get());
    ExtFloodFill(dc, 2, 2, kBlack, FLOODFILLBORDER);
}

LRESULT OnCreate(HWND hwnd, const CREATESTRUCTA* cs) {
    const auto* p = cs ? static_cast<const TipCreateParam*>(cs->lpCreateParams) : nullptr;
    if (!p || cs->cx <= 0 || cs->cy <= 0) return 0;
    WindowDC screen(nullptr);
    OwnedDC dc(CreateCompatibleDC(screen.get()));
    Bitmap picture(CreateCompatibleBitmap(screen.get(), cs->cx, cs->cy));
    {
        Selected selected(dc.get(), picture.get());
        if (!selected.ok()) return 0;
        if (p->text) DrawBody(dc.get(), cs->cx, cs->cy, *p);
        else DrawPointer(dc.get(), cs->cx, cs->cy, p->background);
    }
    SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(picture.release()));
    return 0;
}

void OnErase(HWND hwnd, HDC dc) {
    auto picture = reinterpret_cast<HBITMAP>(GetWindowLongPtrA(hwnd, 0));
    RECT rc;
    if (!picture || !dc || !GetClientRect(hwnd, &rc)) return;
    OwnedDC source(CreateCompatibleDC(dc));
    Selected selected(source.get(), picture);
    if (selected.ok()) BitBlt(dc, 0, 0, rc.right, rc.bottom, source.get(), 0, 0, SRCCOPY);
}

HWND CreateTipWindow(const TipCreateParam& param, int x, int y, int w, int h) {
    return CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kToolTipClass.name, "", WS_POPUP | WS_DISABLED, x, y, w,
                           h, nullptr, nullptr, ModuleInstance(), const_cast<TipCreateParam*>(&param));
}

}  // namespace

void ShowCommentTip(CommentTip* tip, HWND list, const char* comment, const RECT& item, int lineHeight,
                    COLORREF background, InstanceRecord* inst) {
    if (!tip) return;
    if (!comment || !*comment || !inst) {
        if (tip->body && IsWindowVisible(tip->body)) {
            ShowWindow(tip->body, SW_HIDE);
            if (tip->pointer) ShowWindow(tip->pointer, SW_HIDE);
        }
        return;
    }
    int charHeight = 0;
    std::size_t lines = 0;
    {
        WindowDC screen(nullptr);
        Selected font(screen.get(), inst->font);
        lines = WrapOn(screen.get(), comment, &charHeight).size();
    }
    const int height = TipBodyHeight(static_cast<int>(lines), charHeight);
    DestroyCommentTip(tip);
    POINT origin = {0, 0};
    ClientToScreen(list, &origin);
    const TipPlacement at =
        PlaceCommentTip(origin.x, origin.y, item.top, lineHeight, height, GetSystemMetrics(SM_CYSCREEN));
    tip->body = CreateTipWindow(TipCreateParam{comment, at.anchor, background, inst}, at.bodyX, at.bodyY,
                                kTipBodyWidth, height);
    tip->pointer = CreateTipWindow(TipCreateParam{nullptr, at.anchor, background, inst}, at.pointerX, at.pointerY,
                                   kTipPointerWidth, kTipPointerHeight);
    if (tip->body) ShowWindow(tip->body, SW_SHOWNOACTIVATE);
    if (tip->pointer) ShowWindow(tip->pointer, SW_SHOWNOACTIVATE);
}

void DestroyCommentTip(CommentTip* tip) {
    if (!tip) return;
    if (tip->body) DestroyWindow(tip->body);
    if (tip->pointer) DestroyWindow(tip->pointer);
    tip->body = nullptr;
    tip->pointer = nullptr;
}

const EmbeddedClass kToolTipClass = {
    "ZYL3_HELPCOMMENT", ToolTipWndProc, nullptr, CS_SAVEBITS | CS_HREDRAW, kRecordSlot,
    ClassCursor::kArrow, kNoBackground, 0, true,
};

}  // namespace zyl

extern "C" LRESULT CALLBACK ToolTipWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        return zyl::OnCreate(hwnd, reinterpret_cast<const CREATESTRUCTA*>(lParam));
    case WM_ERASEBKGND:
        zyl::OnErase(hwnd, reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_DESTROY:
        if (HGDIOBJ picture = reinterpret_cast<HGDIOBJ>(GetWindowLongPtrA(hwnd, 0))) DeleteObject(picture);
        SetWindowLongPtrA(hwnd, 0, 0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
