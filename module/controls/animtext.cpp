// ZYL3_ANIMATETEXT32: one line of text that slides in one character per
// timer tick, in the author's font, size and colour, on white or over the
// region's own background. The timer stops when the line is whole; ticks
// that come while the host prints change nothing.
//
// Choices at the limits: a period of 0 starts no timer and shows the whole
// line at once; an empty text shows only its background and runs no timer;
// a text longer than 131 characters is cut there.
#include <windows.h>

#include <cstring>

#include "controls/animtext_parse.h"
#include "controls/embedded.h"
#include "core/gdiobj.h"
#include "zyl3an32.h"

namespace zyl {

namespace {

constexpr UINT_PTR kTimerId = 1;

struct AnimTextRecord : EmbeddedRecord {
    char text[kAnimTextChars + 1];
    std::int32_t length;
    HFONT font;
    std::uint32_t period;       // ms; 0 = no timer
    std::uint16_t flags;
    std::int32_t position;      // characters shown - 1
    UINT_PTR timer;             // 0 when no timer runs
    COLORREF colour;
    HBITMAP background;         // what the region paints under the window, taken at the first see-through paint
    HPALETTE palette;           // the system palette then, on a palette display
};

LRESULT OnCreate(HWND hwnd, AnimTextRecord* rec, const char* data) {
    AnimTextParams params;
    if (const int error = ParseAnimText(data, &params)) {
        EnterErrorState(hwnd, error);
        return 0;
    }
    std::memcpy(rec->text, params.text, sizeof rec->text);
    rec->length = params.length;
    rec->period = params.period;
    rec->flags = params.flags;
    rec->colour = params.colour;
    rec->font = CreateFontA(params.size, 0, 0, 0, (params.flags & kTextBold) ? 700 : 100, 0, 0, 0, DEFAULT_CHARSET, 0,
                            0, 0, 0, params.face);
    {
        WindowDC screen(nullptr);
        Selected font(screen.get(), rec->font);
        TEXTMETRICA tm = {};
        GetTextMetricsA(screen.get(), &tm);
        const DWORD extent = MeasureText(screen.get(), rec->text, rec->length);
        rec->size = SIZE{PackedWidth(extent) + 2, (rec->length ? PackedHeight(extent) : tm.tmHeight) + 2};
    }
    if (rec->period == 0 || rec->length == 0) {
        rec->position = rec->length > 0 ? rec->length - 1 : 0;
        return 0;
    }
    rec->timer = SetTimer(hwnd, kTimerId, rec->period, nullptr);
    if (!rec->timer) EnterErrorState(hwnd, ZYL_ERR_NO_TIMERS);
    return 0;
}

template <class Handle>
void DeleteAndClear(Handle* object) {
    if (*object) DeleteObject(*object);
    *object = nullptr;
}

void OnDestroy(HWND hwnd, AnimTextRecord* rec) {
    if (rec->timer) KillTimer(hwnd, kTimerId);
    rec->timer = 0;
    DeleteAndClear(&rec->font);
    DeleteAndClear(&rec->background);
    DeleteAndClear(&rec->palette);
}

// A copy of the system palette, on a display that has one.
HPALETTE CopySystemPalette(HDC dc) {
    if (!(GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE)) return nullptr;
    int count = GetDeviceCaps(dc, SIZEPALETTE);
    if (count <= 0) count = GetDeviceCaps(dc, NUMCOLORS);
    if (count <= 0 || count > 256) return nullptr;
    struct {
        LOGPALETTE head;
        PALETTEENTRY more[255];
    } pal = {};
    pal.head.palVersion = 0x300;
    pal.head.palNumEntries = static_cast<WORD>(count);
    GetSystemPaletteEntries(dc, 0, static_cast<UINT>(count), pal.head.palPalEntry);
    return CreatePalette(&pal.head);
}

// Once, at the first see-through paint: what the region paints under the
// window.
void TakeBackground(HWND hwnd, AnimTextRecord* rec, HDC target) {
    OwnedDC mem(CreateCompatibleDC(target));
    Bitmap bitmap(CreateCompatibleBitmap(target, rec->size.cx, rec->size.cy));
    {
        Selected selected(mem.get(), bitmap.get());
        if (!selected.ok()) return;
        CaptureParentBackground(hwnd, mem.get());
    }
    rec->background = bitmap.release();
    rec->palette = CopySystemPalette(target);
}

// The line as shown now on the screen, or for a render request (`whole`):
// the whole text, black on white.
void DrawLine(HWND hwnd, AnimTextRecord* rec, HDC target, bool whole) {
    const int width = rec->size.cx, height = rec->size.cy;
    std::int32_t start = 0, count = 0;
    RevealedPart(rec->length, whole ? rec->length : rec->position + 1, rec->flags, &start, &count);

    OwnedDC mem(CreateCompatibleDC(target));
    Bitmap picture(CreateCompatibleBitmap(target, width, height));
    Selected selected(mem.get(), picture.get());
    if (!selected.ok()) return;
    const bool seeThrough = !whole && (rec->flags & kTextSeeThrough);
    if (seeThrough && !rec->background && hwnd) TakeBackground(hwnd, rec, target);
    if (seeThrough && rec->background) {
        OwnedDC back(CreateCompatibleDC(target));
        Selected backSelected(back.get(), rec->background);
        RealizedPalette palette(back.get(), rec->palette);
        BitBlt(mem.get(), 0, 0, width, height, back.get(), 0, 0, SRCCOPY);
    } else {
        RECT all = {0, 0, width, height};
        FillRect(mem.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    Selected font(mem.get(), rec->font);
    const char* shown = rec->text + start;
    const int x = RevealX(width, PackedWidth(MeasureText(mem.get(), shown, count)), rec->flags);
    SetTextColor(mem.get(), whole ? RGB(0, 0, 0) : rec->colour);
    SetBkMode(mem.get(), TRANSPARENT);
    ExtTextOutA(mem.get(), x, 1, 0, nullptr, shown, static_cast<UINT>(count), nullptr);
    BitBlt(target, 0, 0, width, height, mem.get(), 0, 0, SRCCOPY);
}

void DrawWhole(HDC dc, const void* context) {
    DrawLine(nullptr, static_cast<AnimTextRecord*>(const_cast<void*>(context)), dc, true);
}

void OnTimer(HWND hwnd, AnimTextRecord* rec) {
    const InstanceRecord* inst = FindInstance();
    if (rec->period == 0 || !inst || inst != rec->instance || inst->printing) return;
    if (rec->position + 1 < rec->length) {
        ++rec->position;
        WindowDC dc(hwnd);
        if (dc) DrawLine(hwnd, rec, dc.get(), false);
    } else if (rec->timer) {
        KillTimer(hwnd, kTimerId);
        rec->timer = 0;
    }
}

LRESULT AnimTextProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    AnimTextRecord* rec = RecordOf<AnimTextRecord>(hwnd);
    switch (msg) {
    case WM_CREATE:
        return OnCreate(hwnd, rec, AuthorData(lParam));
    case WM_DESTROY:
        OnDestroy(hwnd, rec);
        return 0;
    case WM_PAINT:
        return PaintWith(hwnd, [&](HDC dc) { DrawLine(hwnd, rec, dc, false); });
    case WM_ERASEBKGND:
        return 1;
    case WM_TIMER:
        if (wParam == kTimerId) OnTimer(hwnd, rec);
        return 0;
    case EWM_RENDER:
        if (wParam == EWRENDER_BITMAP)
            return reinterpret_cast<LRESULT>(RenderScreenPicture(RenderTarget(lParam), rec->size, DrawWhole, rec));
        break;
    }
    return EmbeddedDefProc(hwnd, msg, wParam, lParam);
}

}  // namespace

const EmbeddedClass kAnimTextClass = {
    "ZYL3_ANIMATETEXT32", AnimTextWndProc, AnimTextProc, kEmbeddedStyle, kRecordSlot,
    ClassCursor::kArrow, kNoBackground, sizeof(AnimTextRecord), false,
};

}  // namespace zyl

extern "C" LRESULT CALLBACK AnimTextWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return zyl::EmbeddedWindowProc(zyl::kAnimTextClass, hwnd, msg, wParam, lParam);
}
