// ZYL3_ANIMMOUSE32: a button that answers the mouse. It shows one picture
// at rest, another while the mouse is over it and a third while it is held
// down, each optionally with its top-left colour left out so the region's
// background shows through; without pictures it is a flat area with a
// raised frame under the mouse and a sunken one while pressed. A release
// over it runs the author's macro.
//
// The button notices the mouse leaving through a 250 ms timer that runs
// while it is hovered: a window gets no message when the cursor moves off
// it onto another.
#include <windows.h>

#include <cstring>

#include "controls/animmouse_parse.h"
#include "controls/embedded.h"
#include "core/gdiobj.h"
#include "core/macro/macros.h"
#include "imaging/picturecache.h"
#include "zyl3an32.h"

namespace zyl {

namespace {

constexpr UINT_PTR kHoverTimer = 1001;
constexpr UINT kHoverCheckMs = 250;
constexpr WPARAM kRunCommand = 1000;
const char kRenderText[] = "[Button]";

struct AnimMouseRecord : EmbeddedRecord {
    std::uint16_t flags;          // author flags; kMousePressed while held down
    PictureEntry* normal;         // the instance's; 0 when not given
    PictureEntry* hover;
    PictureEntry* pressed;
    char* macro;                  // 0 when empty
    BOOL pressedInside;           // while pressed: the cursor inside at the last move
    BOOL hovering;                // the mouse over the button, not pressed
};

// The thread's instance, when it is still the one the button was made for
// (the picture records live in its lists).
InstanceRecord* LiveInstance(const AnimMouseRecord* rec) {
    InstanceRecord* inst = FindInstance();
    return inst && inst == rec->instance ? inst : nullptr;
}

PictureEntry* TakePicture(InstanceRecord* inst, const std::string& name) {
    if (name.empty()) return nullptr;
    PictureEntry* entry = FindOrCreatePictureEntry(inst, name.c_str());
    if (entry) EnsurePictureLoaded(inst, entry, false);
    return entry;
}

LRESULT OnCreate(HWND hwnd, AnimMouseRecord* rec, const char* data) {
    AnimMouseParams params;
    if (const int error = ParseAnimMouse(data, &params)) {
        EnterErrorState(hwnd, error);
        // The size of the message on the screen, which its print is stretched from.
        WindowDC screen(nullptr);
        const DWORD packed = MeasureErrorMessage(screen.get(), error);
        rec->size = SIZE{PackedWidth(packed), PackedHeight(packed)};
        return 0;
    }
    rec->normal = TakePicture(rec->instance, params.normal);
    rec->hover = TakePicture(rec->instance, params.hover);
    rec->pressed = TakePicture(rec->instance, params.pressed);
    rec->flags = params.flags;
    if (!params.macro.empty()) {
        rec->macro = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, params.macro.size() + 1));
        if (rec->macro) std::memcpy(rec->macro, params.macro.c_str(), params.macro.size() + 1);
    }
    std::int32_t pictureWidth = 0, pictureHeight = 0;
    if (rec->normal && EnsurePictureLoaded(rec->instance, rec->normal, false)) {
        pictureWidth = rec->normal->frameWidth;
        pictureHeight = rec->normal->frameHeight;
    }
    std::int32_t width = 0, height = 0;
    MouseButtonSize(params, pictureWidth, pictureHeight, &width, &height);
    rec->size = SIZE{width, height};
    return 0;
}

void OnDestroy(HWND hwnd, AnimMouseRecord* rec) {
    KillTimer(hwnd, kHoverTimer);
    if (rec->macro) HeapFree(GetProcessHeap(), 0, rec->macro);
    rec->macro = nullptr;
}

PictureEntry* PictureOf(const AnimMouseRecord* rec, MousePicture which) {
    switch (which) {
    case MousePicture::kNormal: return rec->normal;
    case MousePicture::kHover: return rec->hover;
    case MousePicture::kPressed: return rec->pressed;
    case MousePicture::kNone: break;
    }
    return nullptr;
}

// The picture centred where the button is larger than it, else at 0.
void DrawPicture(InstanceRecord* inst, PictureEntry* entry, bool transparent, HDC work, SIZE size) {
    if (!entry || !EnsurePictureLoaded(inst, entry, false)) return;
    const int pw = entry->frameWidth, ph = entry->frameHeight;
    const int x = size.cx > pw ? (size.cx - pw) / 2 : 0, y = size.cy > ph ? (size.cy - ph) / 2 : 0;
    RealizedPalette palette(work, entry->palette);
    OwnedDC source(CreateCompatibleDC(work));
    Selected selected(source.get(), entry->bitmap);
    if (!selected.ok()) return;
    const COLORREF key = transparent ? GetPixel(source.get(), 0, 0) : CLR_INVALID;
    if (key == CLR_INVALID || !DrawTransparent(work, x, y, pw, ph, source.get(), 0, 0, pw, ph, key))
        BitBlt(work, x, y, pw, ph, source.get(), 0, 0, SRCCOPY);
}

void Line3(HDC dc, int x0, int y0, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
    LineTo(dc, x2, y2);
}

// The flat button's frames in (0, 0, width, height).
void DrawFrame(HDC dc, MouseFrame frame, SIZE size) {
    if (frame == MouseFrame::kNone) return;
    Pen shadow(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
    int l = 0, t = 0, r = size.cx, b = size.cy;
    {
        Selected pen(dc, static_cast<HGDIOBJ>(GetStockObject(WHITE_PEN)));
        if (frame == MouseFrame::kRaised) {
            Line3(dc, l, b - 1, l, t, r, t);
            ++l;
            ++t;
            Line3(dc, l, b - 2, l, t, r - 1, t);
        }
    }
    Selected pen(dc, shadow.get());
    if (frame == MouseFrame::kRaised) {
        Line3(dc, l, b - 1, r - 1, b - 1, r - 1, t - 1);
        --r;
        --b;
        Line3(dc, l + 1, b - 1, r - 1, b - 1, r - 1, t);
    } else {
        Line3(dc, l, b - 1, l, t, r, t);
        Line3(dc, l + 1, b - 1, l + 1, t + 1, r, t + 1);
    }
}

// The button over the region's background, taken anew, as the mouse has
// it or at rest.
void DrawButton(HWND hwnd, AnimMouseRecord* rec, HDC target, bool resting) {
    InstanceRecord* inst = LiveInstance(rec);
    const SIZE size = rec->size;
    if (!inst || size.cx <= 0 || size.cy <= 0) return;
    const bool pressed = (rec->flags & kMousePressed) != 0;
    const bool inside = pressed ? rec->pressedInside != FALSE : rec->hovering != FALSE;
    const MouseLook look = ChooseMouseLook(rec->normal != nullptr, rec->flags, inside, pressed, resting);

    OwnedDC work(CreateCompatibleDC(target));
    Bitmap workBitmap(CreateCompatibleBitmap(target, size.cx, size.cy));
    Selected workSelected(work.get(), workBitmap.get());
    if (!workSelected.ok()) return;
    if (look.shifted) {
        // Pressed in: the background moves a pixel right and down.
        OwnedDC back(CreateCompatibleDC(target));
        Bitmap backBitmap(CreateCompatibleBitmap(target, size.cx, size.cy));
        Selected backSelected(back.get(), backBitmap.get());
        if (backSelected.ok()) {
            CaptureParentBackground(hwnd, back.get());
            BitBlt(work.get(), 0, 0, size.cx, size.cy, back.get(), 0, 0, SRCCOPY);
            BitBlt(work.get(), 1, 1, size.cx, size.cy, back.get(), 0, 0, SRCCOPY);
        }
    } else {
        CaptureParentBackground(hwnd, work.get());
    }
    DrawPicture(inst, PictureOf(rec, look.picture), look.transparent, work.get(), size);
    DrawFrame(work.get(), look.frame, size);
    BitBlt(target, 0, 0, size.cx, size.cy, work.get(), 0, 0, SRCCOPY);
}

// What prints: the resting look over the region's background, in black
// and white. Only white stays white: a picture's transparent colour is
// left out only when it is white, as the mask is taken from the picture
// once it is black and white.
struct Resting {
    HWND hwnd;
    AnimMouseRecord* rec;
};
void DrawResting(HDC dc, const void* context) {
    const auto* resting = static_cast<const Resting*>(context);
    DrawButton(resting->hwnd, resting->rec, dc, true);
}

// What a broken button prints: its message centred on one line in the
// thread's font, on the white of the black and white picture.
void DrawError(HDC dc, const void* context) {
    const auto* rec = static_cast<const AnimMouseRecord*>(context);
    char text[kErrorTextChars];
    LoadErrorText(rec->errorId, text, sizeof text);
    RECT rc = {0, 0, rec->size.cx, rec->size.cy};
    const InstanceRecord* inst = LiveInstance(rec);
    const HGDIOBJ old = inst && inst->font ? SelectObject(dc, inst->font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextA(dc, text, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (old) SelectObject(dc, old);
}

void Redraw(HWND hwnd) {
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
}

bool PointInside(HWND hwnd, POINT p) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    return PtInRect(&rc, p) != FALSE;
}

bool CursorInside(HWND hwnd) {
    POINT p;
    if (!GetCursorPos(&p)) return false;
    ScreenToClient(hwnd, &p);
    return PointInside(hwnd, p);
}

POINT PointOf(LPARAM lParam) {
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

void OnMouseMove(HWND hwnd, AnimMouseRecord* rec, POINT p) {
    const BOOL inside = PointInside(hwnd, p);
    if (rec->flags & kMousePressed) {
        if (inside == rec->pressedInside) return;
        rec->pressedInside = inside;
    } else {
        if (inside == rec->hovering) return;
        rec->hovering = inside;
        if (inside)
            SetTimer(hwnd, kHoverTimer, kHoverCheckMs, nullptr);
        else
            KillTimer(hwnd, kHoverTimer);
    }
    Redraw(hwnd);
}

void OnHoverTimer(HWND hwnd, AnimMouseRecord* rec) {
    if (!rec->hovering || CursorInside(hwnd)) return;
    rec->hovering = FALSE;
    Redraw(hwnd);
    KillTimer(hwnd, kHoverTimer);
}

void OnButtonDown(HWND hwnd, AnimMouseRecord* rec) {
    if (rec->errorId) return;
    rec->pressedInside = TRUE;
    rec->flags |= kMousePressed;
    Redraw(hwnd);
    SetCapture(hwnd);
}

void OnButtonUp(HWND hwnd, AnimMouseRecord* rec, POINT p) {
    if (!(rec->flags & kMousePressed)) return;
    rec->flags &= static_cast<std::uint16_t>(~kMousePressed);
    // The hover follows the release: over the button it stays lit, and
    // the timer watches for the mouse leaving.
    rec->hovering = PointInside(hwnd, p);
    if (rec->hovering)
        SetTimer(hwnd, kHoverTimer, kHoverCheckMs, nullptr);
    else
        KillTimer(hwnd, kHoverTimer);
    if (GetCapture() == hwnd) ReleaseCapture();
    Redraw(hwnd);
    if (rec->hovering) PostMessageA(hwnd, WM_COMMAND, kRunCommand, 0);
}

LRESULT OnSetCursor(HWND hwnd, const AnimMouseRecord* rec, WPARAM wParam) {
    const InstanceRecord* inst = LiveInstance(rec);
    HCURSOR arrow = inst && inst->arrowCursor ? inst->arrowCursor : LoadCursorA(nullptr, IDC_ARROW);
    HCURSOR wanted = reinterpret_cast<HWND>(wParam) == hwnd && !rec->errorId && inst && inst->handCursor
                         ? inst->handCursor
                         : arrow;
    if (GetCursor() != wanted) SetCursor(wanted);
    return 1;
}

LRESULT AnimMouseProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    AnimMouseRecord* rec = RecordOf<AnimMouseRecord>(hwnd);
    switch (msg) {
    case WM_CREATE:
        return OnCreate(hwnd, rec, AuthorData(lParam));
    case WM_DESTROY:
        OnDestroy(hwnd, rec);
        return 0;
    case WM_PAINT:
        return PaintWith(hwnd, [&](HDC dc) { DrawButton(hwnd, rec, dc, false); });
    case WM_ERASEBKGND:
        return 1;
    case WM_SETCURSOR:
        return OnSetCursor(hwnd, rec, wParam);
    case WM_MOUSEMOVE:
        if (!rec->errorId) OnMouseMove(hwnd, rec, PointOf(lParam));
        return 0;
    case WM_LBUTTONDOWN:
        OnButtonDown(hwnd, rec);
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp(hwnd, rec, PointOf(lParam));
        return 0;
    case WM_TIMER:
        if (wParam == kHoverTimer) OnHoverTimer(hwnd, rec);
        return 0;
    case WM_COMMAND:
        if (wParam == kRunCommand && rec->macro && LiveInstance(rec)) RunMacros(rec->instance, rec->helpFile, rec->macro);
        return 0;
    case EWM_RENDER:
        if (wParam == EWRENDER_TEXT) return reinterpret_cast<LRESULT>(MakeTextBlock(kRenderText));
        if (wParam == EWRENDER_BITMAP && rec->errorId)
            return reinterpret_cast<LRESULT>(RenderMonochromePicture(RenderTarget(lParam), rec->size, DrawError, rec));
        if (wParam == EWRENDER_BITMAP) {
            const Resting resting = {hwnd, rec};
            return reinterpret_cast<LRESULT>(
                RenderMonochromePicture(RenderTarget(lParam), rec->size, DrawResting, &resting));
        }
        break;
    }
    return EmbeddedDefProc(hwnd, msg, wParam, lParam);
}

}  // namespace

const EmbeddedClass kAnimMouseBtnClass = {
    "ZYL3_ANIMMOUSE32", AnimMouseBtnWndProc, AnimMouseProc, kEmbeddedStyle, kRecordSlot,
    ClassCursor::kNone, kNoBackground, sizeof(AnimMouseRecord), false, kOwnsPictureRender,
};

}  // namespace zyl

extern "C" LRESULT CALLBACK AnimMouseBtnWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return zyl::EmbeddedWindowProc(zyl::kAnimMouseBtnClass, hwnd, msg, wParam, lParam);
}
