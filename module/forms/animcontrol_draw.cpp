// A form field as printed: the control's state drawn in black and white at
// screen size, then stretched to the printer.
#include <windows.h>

#include <cstring>

#include "controls/embedded.h"
#include "core/gdiobj.h"
#include "core/handler.h"
#include "forms/forms.h"
#include "resources/resource.h"

namespace zyl {

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kLightGrey = RGB(192, 192, 192);
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr int kCheckBoxesBitmap = 32759;   // OBM_CHECKBOXES
constexpr int kArrowWidth = 17;            // the arrows of lists and fields
constexpr int kTextLeft = 3;

struct Canvas {
    HDC dc;
    int width, height;
    int lineHeight;
};

void Fill(HDC dc, RECT rc, COLORREF colour) {
    Brush brush(CreateSolidBrush(colour));
    FillRect(dc, &rc, brush.get());
}

void Frame(const Canvas& c) {
    RECT rc = {0, 0, c.width, c.height};
    FrameRect(c.dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void Line(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour) {
    Pen pen(CreatePen(PS_SOLID, 1, colour));
    Selected selected(dc, pen.get());
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

// One of the module's arrow bitmaps with its top left at (x, y).
void Arrow(HDC dc, int id, int x, int y) {
    Bitmap arrow(LoadBitmapA(ModuleInstance(), MAKEINTRESOURCEA(id)));
    BITMAP bm = {};
    if (!arrow || !GetObjectA(arrow.get(), sizeof bm, &bm)) return;
    OwnedDC source(CreateCompatibleDC(dc));
    Selected selected(source.get(), arrow.get());
    if (selected.ok()) BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, source.get(), 0, 0, SRCCOPY);
}

// Both arrows at the right edge and the line left of them.
void ScrollBar(const Canvas& c) {
    Arrow(c.dc, IDB_ZYL_FORM_SCROLLUP, c.width - kArrowWidth, 0);
    Arrow(c.dc, IDB_ZYL_FORM_SCROLLDOWN, c.width - kArrowWidth, c.height - kArrowWidth);
    Line(c.dc, c.width - kArrowWidth, 0, c.width - kArrowWidth, c.height, kBlack);
}

void Text(HDC dc, int x, int y, const char* text, std::size_t length, const RECT* clip, COLORREF ink, COLORREF paper) {
    SetTextColor(dc, ink);
    SetBkColor(dc, paper);
    ExtTextOutA(dc, x, y, ETO_OPAQUE | (clip ? ETO_CLIPPED : 0), clip, text, static_cast<UINT>(length), nullptr);
}

void DrawPushButton(const Canvas& c, const char* caption) {
    const int w = c.width, h = c.height;
    Fill(c.dc, RECT{0, 0, w, h}, kLightGrey);
    Frame(c);
    for (POINT corner : {POINT{0, 0}, POINT{w - 1, 0}, POINT{0, h - 1}, POINT{w - 1, h - 1}})
        SetPixel(c.dc, corner.x, corner.y, kWhite);
    for (int i = 1; i <= 2; ++i) {
        Line(c.dc, i, i, i, h - i, kWhite);              // left
        Line(c.dc, i, i, w - i, i, kWhite);              // top
        Line(c.dc, w - 1 - i, i, w - 1 - i, h - i, kGrey);   // right
        Line(c.dc, i, h - 1 - i, w - i, h - 1 - i, kGrey);   // bottom
    }
    RECT inner = {3, 3, w - 3, h - 3};
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(c.dc, caption, static_cast<int>(std::strlen(caption)), &extent);
    Text(c.dc, (w - extent.cx) / 2, inner.top + 1, caption, std::strlen(caption), &inner, kBlack, kLightGrey);
}

void DrawCheck(const Canvas& c, const FormControl* f, const char* caption) {
    Bitmap boxes(LoadBitmapA(nullptr, MAKEINTRESOURCEA(kCheckBoxesBitmap)));
    BITMAP bm = {};
    int cellW = 0;
    if (boxes && GetObjectA(boxes.get(), sizeof bm, &bm)) {
        cellW = bm.bmWidth / 4;
        const int cellH = bm.bmHeight / 3;
        const int column = (SendMessageA(f->control, BM_GETCHECK, 0, 0) & 3) == BST_CHECKED ? 1 : 0;
        const int row = f->type == kFormRadio ? 1 : 0;
        OwnedDC source(CreateCompatibleDC(c.dc));
        Selected selected(source.get(), boxes.get());
        // To black and white: the cell's white stays white.
        SetBkColor(source.get(), kWhite);
        if (selected.ok())
            BitBlt(c.dc, 0, (c.height - cellH) / 2, cellW, cellH, source.get(), column * cellW, row * cellH, SRCCOPY);
    }
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(c.dc, caption, static_cast<int>(std::strlen(caption)), &extent);
    Text(c.dc, cellW + 2, (c.height - extent.cy) / 2, caption, std::strlen(caption), nullptr, kBlack, kWhite);
}

struct MeasureContext {
    HDC dc;
};

int MeasureRun(void* context, const char* s, std::size_t n) {
    return PackedWidth(MeasureText(static_cast<MeasureContext*>(context)->dc, s, static_cast<int>(n)));
}

// An I-beam where the empty field's text would start.
void IBeam(const Canvas& c) {
    const int x = kTextLeft + 1, top = 3, bottom = 3 + c.lineHeight - 1;
    Line(c.dc, x - 1, top, x + 2, top, kBlack);
    Line(c.dc, x - 1, bottom, x + 2, bottom, kBlack);
    Line(c.dc, x, top, x, bottom + 1, kBlack);
    SetPixel(c.dc, x, top, kWhite);
    SetPixel(c.dc, x, bottom, kWhite);
}

void DrawField(const Canvas& c, const FormControl* f) {
    Frame(c);
    int right = c.width;
    if (f->type == kFormMultiLine) {
        ScrollBar(c);
        right = c.width - 19;
    }
    FormText text(f);
    if (!text.get() || !text.get()[0]) {
        IBeam(c);
        return;
    }
    MeasureContext context = {c.dc};
    const std::size_t maxLines = f->type == kFormMultiLine ? static_cast<std::size_t>(f->rows) : 1;
    const int step = c.lineHeight + 2;
    int y = 3;
    for (const FormLine& line : BreakFormText(text.get(), maxLines, right - kTextLeft, MeasureRun, &context)) {
        RECT clip = {kTextLeft, y, right, y + step};
        Text(c.dc, kTextLeft, y, text.get() + line.start, line.length, &clip, kBlack, kWhite);
        y += step;
        if (y >= c.height) break;
    }
}

void DrawListBox(const Canvas& c, const FormControl* f) {
    Fill(c.dc, RECT{0, 0, c.width, c.height}, kWhite);
    Frame(c);
    const LRESULT selected = SendMessageA(f->control, LB_GETCURSEL, 0, 0);
    LRESULT index = SendMessageA(f->control, LB_GETTOPINDEX, 0, 0);
    if (index < 0) index = 0;
    // Items from the one shown at the top, as on the screen.
    const char* item = f->items ? f->items : "";
    for (LRESULT i = 0; i < index && *item; ++i) item += std::strlen(item) + 1;
    int y = 1;
    for (int n = 0; n < f->rows && *item && y < c.height; ++n, ++index) {
        RECT line = {1, y, c.width - kArrowWidth, y + c.lineHeight};
        const bool chosen = index == selected;
        Text(c.dc, kTextLeft, y, item, std::strlen(item), &line, chosen ? kWhite : kBlack, chosen ? kNavy : kWhite);
        item += std::strlen(item) + 1;
        y += c.lineHeight;
    }
    ScrollBar(c);
}

void DrawDropDown(const Canvas& c, const FormControl* f) {
    FormText text(f);
    if (text.get()) {
        RECT clip = {1, 1, c.width - kArrowWidth, c.height - 1};
        Text(c.dc, 3, 3, text.get(), std::strlen(text.get()), &clip, kBlack, kWhite);
    }
    Frame(c);
    Arrow(c.dc, IDB_ZYL_FORM_DROPDOWN, c.width - kArrowWidth, 0);
}

void Draw(const Canvas& c, const FormControl* f) {
    const char* caption = f->items ? f->items : "";
    switch (f->type) {
    case kFormReset:
    case kFormSave: DrawPushButton(c, caption); break;
    case kFormCheckBox:
    case kFormRadio: DrawCheck(c, f, caption); break;
    case kFormDropDown: DrawDropDown(c, f); break;
    case kFormText:
    case kFormMultiLine: DrawField(c, f); break;
    case kFormListBox: DrawListBox(c, f); break;
    }
}

}  // namespace

HBITMAP RenderFormPicture(const FormControl* f, HDC target) {
    if (!f || !target || f->width <= 0 || f->height <= 0) return nullptr;
    WindowDC screen(nullptr);
    OwnedDC dc(CreateCompatibleDC(screen.get()));
    // Compatible with the memory DC: black and white.
    Bitmap picture(CreateCompatibleBitmap(dc.get(), f->width, f->height));
    Selected selected(dc.get(), picture.get());
    if (!selected.ok()) return nullptr;
    Fill(dc.get(), RECT{0, 0, f->width, f->height}, kWhite);
    Selected font(dc.get(), f->instance->font);
    TEXTMETRICA tm = {};
    GetTextMetricsA(dc.get(), &tm);
    Draw(Canvas{dc.get(), f->width, f->height, tm.tmHeight}, f);
    return StretchToDevice(target, dc.get(), SIZE{f->width, f->height});
}

}  // namespace zyl
