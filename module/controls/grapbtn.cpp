// ZYL3_ANIMGRAPBTN32, the graphic button: a self-drawn push button holding a
// picture and a wrapped, shadowed label in the author's font and colours,
// whose corners take the colour of the region behind it; a click runs the
// author's macro. ZYL3_ANIMTOCBUTTON32, the contents button: a centred
// transparent picture (a second one while pressed); a press asks the host
// frame to show its contents at the button's lower-left corner. Both share
// the record, the painter and the mouse handling.
//
// The button is drawn whole into one memory bitmap and copied in one step,
// so it never flickers while it follows the cursor in and out.
#include <windows.h>
#include <windowsx.h>

#include <cstring>
#include <string>

#include "controls/embedded.h"
#include "controls/grapbtn_parse.h"
#include "core/gdiobj.h"
#include "core/macro/macros.h"
#include "imaging/picturecache.h"
#include "zyl3an32.h"

namespace zyl {

namespace {

constexpr WPARAM kClickCommand = 1000;   // posted to itself on a release inside
constexpr COLORREF kWhite = RGB(255, 255, 255);

enum class Kind { kGraphic, kContents };

struct GrapBtnRecord : EmbeddedRecord {
    GrapBtnLook look;
    PictureEntry* picture;          // shared with the thread's other controls; never freed here
    PictureEntry* pressedPicture;   // contents button only
    char* macro;                    // graphic button only, heap; null = none
    BOOL inside;                    // the pressed button has the cursor over it
};

// The thread's instance, when it is still the one the control was made for.
InstanceRecord* LiveInstance(const GrapBtnRecord* rec) {
    InstanceRecord* inst = FindInstance();
    return inst && inst == rec->instance ? inst : nullptr;
}

// ---- the painter ----

HFONT CreateButtonFont(const GrapBtnLook& look) {
    if (!look.face[0]) return CreateFontA(14, 0, 0, 0, 700, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    const int weight = (look.flags & kGrapBtnBold) ? 700 : 100;
    return CreateFontA(look.fontHeight, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, look.face);
}

int TextWidth(HDC dc, const char* text, std::size_t length) {
    SIZE size = {0, 0};
    if (length > 0) GetTextExtentPoint32A(dc, text, static_cast<int>(length), &size);
    return size.cx;
}

int MeasureLine(void* dc, const char* text, std::size_t length) {
    return TextWidth(static_cast<HDC>(dc), text, length);
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP bm;
    if (!bitmap || GetObjectA(bitmap, sizeof bm, &bm) != sizeof bm) return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight};
}

// The entry's bitmap, loaded, or null.
HBITMAP LoadedBitmap(InstanceRecord* inst, PictureEntry* entry) {
    return inst && entry && EnsurePictureLoaded(inst, entry, false) ? entry->bitmap : nullptr;
}

GrapBtnRect Inset(const GrapBtnRect& r, int by) { return GrapBtnRect{r.left + by, r.top + by, r.right - by, r.bottom - by}; }

// The picture at its place in `content`, `size` (the unpressed picture's)
// or less when the shown one is smaller.
void DrawPicture(HDC mem, PictureEntry* shown, const GrapBtnLook& look, const GrapBtnRect& content, SIZE size) {
    const SIZE own = BitmapSize(shown->bitmap);
    const int w = own.cx < size.cx ? own.cx : size.cx;
    const int h = own.cy < size.cy ? own.cy : size.cy;
    if (w <= 0 || h <= 0) return;
    int x = 0, y = 0;
    PlacePicture(PicturePosition(look.flags), content, size.cx, size.cy, &x, &y);
    RealizedPalette palette(mem, shown->palette);
    OwnedDC source(CreateCompatibleDC(mem));
    Selected selected(source.get(), shown->bitmap);
    if (!selected.ok()) return;
    if (look.flags & kGrapBtnTransparent) {
        const COLORREF key = GetPixel(source.get(), 0, 0);
        if (key != CLR_INVALID && DrawTransparent(mem, x, y, w, h, source.get(), 0, 0, w, h, key)) return;
    }
    BitBlt(mem, x, y, w, h, source.get(), 0, 0, SRCCOPY);
}

// Draws `lines` of the label at (dx, dy) in a rectangle `width` wide; the
// bottom of the last line is returned.
int DrawLines(HDC dc, const char* label, const std::vector<LabelLine>& lines, int alignment, int dx, int dy,
              int width, int lineHeight, COLORREF colour) {
    SetTextColor(dc, colour);
    int y = 0;
    for (const LabelLine& line : lines) {
        const char* text = label + line.start;
        const int shift = AlignLine(alignment, width, TextWidth(dc, text, line.length));
        RECT clip = {dx, dy + y, dx + width, dy + y + lineHeight};
        ExtTextOutA(dc, dx + shift, dy + y, ETO_CLIPPED, &clip, text, static_cast<UINT>(line.length), nullptr);
        y += lineHeight;
    }
    return y;
}

// The label, shadow first, drawn on its own bitmap the size of its room
// and one more, then laid onto the button with the face colour left out.
void DrawLabel(HDC mem, HFONT font, const GrapBtnLook& look, const GrapBtnRect& room, int lineHeight) {
    const int w = room.Width() + 1, h = room.Height() + 1;
    OwnedDC dc(CreateCompatibleDC(mem));
    Bitmap bitmap(CreateCompatibleBitmap(mem, w, h));
    Selected selected(dc.get(), bitmap.get());
    if (!selected.ok()) return;
    Selected fontSelected(dc.get(), font);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    RECT all = {0, 0, w, h};
    FillRect(dc.get(), &all, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc.get(), TRANSPARENT);

    const std::vector<LabelLine> lines = WrapLabel(look.label, w, h, lineHeight, TextMeasure{dc.get(), MeasureLine});
    const int alignment = LabelAlignment(look.flags);
    DrawLines(dc.get(), look.label, lines, alignment, 1, 1, w, lineHeight, look.shadowColour);
    const int textHeight = DrawLines(dc.get(), look.label, lines, alignment, 0, 0, w, lineHeight, look.textColour);
    const int rows = textHeight + 1 < h ? textHeight + 1 : h;
    const int dy = AlignLabelBlock(alignment, room.Height(), textHeight);
    DrawTransparent(mem, room.left, room.top + dy, w, rows, dc.get(), 0, 0, w, rows, face);
}

void Line(HDC dc, HPEN pen, const POINT* points, int count) {
    Selected selected(dc, pen);
    MoveToEx(dc, points[0].x, points[0].y, nullptr);
    for (int i = 1; i < count; ++i) LineTo(dc, points[i].x, points[i].y);
}

// The black frame with corners in the background's colour, and the bevel
// one pixel inside it: raised (white light, shadow below and right), or
// pressed (shadow above and left).
void DrawEdges(HDC mem, int w, int h, COLORREF corner, bool pressed) {
    RECT all = {0, 0, w, h};
    FrameRect(mem, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetPixel(mem, 0, 0, corner);
    SetPixel(mem, w - 1, 0, corner);
    SetPixel(mem, w - 1, h - 1, corner);
    SetPixel(mem, 0, h - 1, corner);
    Pen shadow(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
    if (pressed) {
        const POINT edge[] = {{1, h - 2}, {1, 1}, {w - 1, 1}};
        Line(mem, shadow.get(), edge, 3);
        return;
    }
    Pen light(CreatePen(PS_SOLID, 1, kWhite));
    const POINT light1[] = {{1, h - 2}, {1, 1}, {w - 2, 1}};
    const POINT light2[] = {{2, h - 3}, {2, 2}, {w - 3, 2}};
    const POINT dark1[] = {{1, h - 2}, {w - 2, h - 2}, {w - 2, 0}};
    const POINT dark2[] = {{2, h - 3}, {w - 3, h - 3}, {w - 3, 1}};
    Line(mem, light.get(), light1, 3);
    Line(mem, light.get(), light2, 3);
    Line(mem, shadow.get(), dark1, 3);
    Line(mem, shadow.get(), dark2, 3);
}

// Measures the button and, unless `measuring`, draws it at (0, 0) of `dc`.
SIZE PaintButton(HDC dc, const GrapBtnRecord* rec, COLORREF corner, bool pressed, bool measuring) {
    InstanceRecord* inst = LiveInstance(rec);
    const GrapBtnLook& look = rec->look;
    const SIZE picture = BitmapSize(LoadedBitmap(inst, rec->picture));

    Font font(CreateButtonFont(look));
    TEXTMETRICA tm = {};
    int extent = 0;
    {
        Selected selected(dc, font.get());
        GetTextMetricsA(dc, &tm);
        extent = TextWidth(dc, look.label, std::strlen(look.label));
    }
    const GrapBtnSize size = MeasureGrapBtn(look, picture.cx, picture.cy, tm.tmHeight, extent);
    const SIZE button = {size.buttonWidth, size.buttonHeight};
    if (measuring) return button;

    OwnedDC mem(CreateCompatibleDC(dc));
    Bitmap bitmap(CreateCompatibleBitmap(dc, button.cx, button.cy));
    Selected selected(mem.get(), bitmap.get());
    if (!selected.ok()) return button;
    RECT all = {0, 0, button.cx, button.cy};
    FillRect(mem.get(), &all, GetSysColorBrush(COLOR_BTNFACE));

    GrapBtnRect content = Inset(GrapBtnRect{0, 0, button.cx, button.cy}, kGrapBtnEdge);
    if (pressed) content = GrapBtnRect{content.left + 1, content.top + 1, content.right + 1, content.bottom + 1};
    PictureEntry* shown = pressed && rec->pressedPicture ? rec->pressedPicture : rec->picture;
    const int position = PicturePosition(look.flags);
    HPALETTE palette = nullptr;
    if (LoadedBitmap(inst, shown)) {
        palette = shown->palette;
        DrawPicture(mem.get(), shown, look, content, picture);
        content = LabelRoom(position, content, picture.cx, picture.cy);
    }
    if (position != 1 && look.label[0] && content.Width() >= 3 && content.Height() >= 3)
        DrawLabel(mem.get(), font.get(), look, content, tm.tmHeight);
    DrawEdges(mem.get(), button.cx, button.cy, corner, pressed);

    RealizedPalette realized(dc, palette);
    BitBlt(dc, 0, 0, button.cx, button.cy, mem.get(), 0, 0, SRCCOPY);
    return button;
}

void RepaintNow(HWND hwnd) {
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
}

void OnPaint(HWND hwnd, const GrapBtnRecord* rec) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc) {
        InstanceRecord* inst = LiveInstance(rec);
        const COLORREF corner = inst ? GetRegionBackColour(inst, hwnd) : kWhite;
        PaintButton(dc, rec, corner, (rec->look.flags & kGrapBtnPressed) && rec->inside, false);
    }
    EndPaint(hwnd, &ps);
}

// What a print shows: the button up, on white.
void DrawForPrint(HDC dc, const void* context) {
    PaintButton(dc, static_cast<const GrapBtnRecord*>(context), kWhite, false, false);
}

// ---- creation ----

PictureEntry* TakePicture(InstanceRecord* inst, const char* name) {
    if (!name[0]) return nullptr;
    PictureEntry* entry = FindOrCreatePictureEntry(inst, name);
    // A missing file is no error: the button is drawn without it.
    if (entry) EnsurePictureLoaded(inst, entry, false);
    return entry;
}

LRESULT OnCreate(HWND hwnd, GrapBtnRecord* rec, const char* data, Kind kind) {
    GrapBtnParams params;
    const int error = kind == Kind::kGraphic ? ParseGrapBtnParams(data, &params) : ParseTocButtonParams(data, &params);
    if (error) {
        EnterErrorState(hwnd, error);
    } else {
        rec->look = params.look;
        rec->picture = TakePicture(rec->instance, params.picture);
        rec->pressedPicture = TakePicture(rec->instance, params.pressedPicture);
        if (!params.macro.empty()) {
            rec->macro = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, params.macro.size() + 1));
            if (rec->macro) std::memcpy(rec->macro, params.macro.c_str(), params.macro.size() + 1);
        }
        WindowDC screen(nullptr);
        rec->size = PaintButton(screen.get(), rec, kWhite, false, true);
    }
    // A button destroyed while its request to the frame was under way left
    // the flag set; a new one frees the others.
    rec->instance->graphicButtonBusy = FALSE;
    return 0;
}

void OnDestroy(GrapBtnRecord* rec) {
    if (rec->macro) HeapFree(GetProcessHeap(), 0, rec->macro);
    rec->macro = nullptr;
}

// ---- the mouse ----

bool InClient(HWND hwnd, LPARAM lParam) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    const POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return PtInRect(&rc, pt) != FALSE;
}

// The frame-window request: the button goes up, and no graphic or
// contents button of the thread takes a press until the frame answers.
void AskFrame(HWND hwnd, GrapBtnRecord* rec, InstanceRecord* inst) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    POINT corner = {0, rc.bottom};
    ClientToScreen(hwnd, &corner);
    rec->look.flags &= static_cast<std::uint16_t>(~kGrapBtnPressed);
    inst->graphicButtonBusy = TRUE;
    SendMessageA(GetParent(GetParent(hwnd)), ZYL_HOST_MSG_BUTTONPOINT, 0, MAKELPARAM(corner.x, corner.y));
    // The frame may have done anything meanwhile, even destroyed us.
    if (!IsWindow(hwnd) || GetEmbeddedRecord(hwnd) != rec) return;
    if (InstanceRecord* now = LiveInstance(rec)) now->graphicButtonBusy = FALSE;
    RepaintNow(hwnd);
}

void OnButtonDown(HWND hwnd, GrapBtnRecord* rec) {
    InstanceRecord* inst = LiveInstance(rec);
    if (rec->errorId || !inst || inst->graphicButtonBusy) return;
    rec->inside = TRUE;
    rec->look.flags |= kGrapBtnPressed;
    RepaintNow(hwnd);
    if (rec->look.flags & kGrapBtnFrameWindow) AskFrame(hwnd, rec, inst);
    else SetCapture(hwnd);
}

void OnMouseMove(HWND hwnd, GrapBtnRecord* rec, LPARAM lParam) {
    if (!(rec->look.flags & kGrapBtnPressed)) return;
    const BOOL inside = InClient(hwnd, lParam) ? TRUE : FALSE;
    if (inside == rec->inside) return;
    rec->inside = inside;
    RepaintNow(hwnd);
}

void OnButtonUp(HWND hwnd, GrapBtnRecord* rec, LPARAM lParam) {
    if (!(rec->look.flags & kGrapBtnPressed)) return;
    // Up before the capture goes, so that losing it is no cancel.
    rec->look.flags &= static_cast<std::uint16_t>(~kGrapBtnPressed);
    ReleaseCapture();
    RepaintNow(hwnd);
    if (InClient(hwnd, lParam)) PostMessageA(hwnd, WM_COMMAND, kClickCommand, 0);
}

// Capture taken away while pressed (another window, a dialog): the press
// is cancelled, the macro not run.
void OnCaptureChanged(HWND hwnd, GrapBtnRecord* rec, HWND gaining) {
    if (!(rec->look.flags & kGrapBtnPressed) || gaining == hwnd) return;
    rec->look.flags &= static_cast<std::uint16_t>(~kGrapBtnPressed);
    RepaintNow(hwnd);
}

LRESULT OnSetCursor(HWND hwnd, const GrapBtnRecord* rec, HWND under) {
    const InstanceRecord* inst = LiveInstance(rec);
    HCURSOR arrow = inst && inst->arrowCursor ? inst->arrowCursor : LoadCursorA(nullptr, IDC_ARROW);
    HCURSOR wanted = !rec->errorId && inst && inst->handCursor && under == hwnd ? inst->handCursor : arrow;
    if (GetCursor() != wanted) SetCursor(wanted);
    return 1;
}

LRESULT RenderText(const GrapBtnRecord* rec) {
    const std::string text = std::string("[") + rec->look.label + "]";
    return reinterpret_cast<LRESULT>(MakeTextBlock(text.c_str()));
}

LRESULT GrapBtnProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, Kind kind) {
    GrapBtnRecord* rec = RecordOf<GrapBtnRecord>(hwnd);
    switch (msg) {
    case WM_CREATE:
        return OnCreate(hwnd, rec, AuthorData(lParam), kind);
    case WM_DESTROY:
        OnDestroy(rec);
        return 0;
    case WM_PAINT:
        OnPaint(hwnd, rec);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETCURSOR:
        return OnSetCursor(hwnd, rec, reinterpret_cast<HWND>(wParam));
    case WM_MOUSEMOVE:
        OnMouseMove(hwnd, rec, lParam);
        return 0;
    case WM_LBUTTONDOWN:
        OnButtonDown(hwnd, rec);
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp(hwnd, rec, lParam);
        return 0;
    case WM_CAPTURECHANGED:
        OnCaptureChanged(hwnd, rec, reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_COMMAND:
        if (kind == Kind::kContents) break;
        if (wParam == kClickCommand && rec->macro) {
            if (InstanceRecord* inst = LiveInstance(rec)) RunMacros(inst, rec->helpFile, rec->macro);
        }
        return 0;
    case EWM_RENDER:
        if (wParam == EWRENDER_TEXT) return RenderText(rec);
        if (wParam == EWRENDER_BITMAP)
            return reinterpret_cast<LRESULT>(RenderScreenPicture(RenderTarget(lParam), rec->size, DrawForPrint, rec));
        return 0;
    }
    return EmbeddedDefProc(hwnd, msg, wParam, lParam);
}

LRESULT AnimGrapBtnProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return GrapBtnProc(hwnd, msg, wParam, lParam, Kind::kGraphic);
}

LRESULT AnimTocButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return GrapBtnProc(hwnd, msg, wParam, lParam, Kind::kContents);
}

}  // namespace

const EmbeddedClass kAnimGrapBtnClass = {
    "ZYL3_ANIMGRAPBTN32", AnimGrapBtnWndProc, AnimGrapBtnProc, kEmbeddedStyle, kRecordSlot,
    ClassCursor::kArrow, kNoBackground, sizeof(GrapBtnRecord), false,
};

const EmbeddedClass kAnimTocButtonClass = {
    "ZYL3_ANIMTOCBUTTON32", AnimTocButtonWndProc, AnimTocButtonProc, kEmbeddedStyle, kRecordSlot,
    ClassCursor::kArrow, kNoBackground, sizeof(GrapBtnRecord), false,
};

}  // namespace zyl

extern "C" LRESULT CALLBACK AnimGrapBtnWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return zyl::EmbeddedWindowProc(zyl::kAnimGrapBtnClass, hwnd, msg, wParam, lParam);
}

extern "C" LRESULT CALLBACK AnimTocButtonWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return zyl::EmbeddedWindowProc(zyl::kAnimTocButtonClass, hwnd, msg, wParam, lParam);
}
