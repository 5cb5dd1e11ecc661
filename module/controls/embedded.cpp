#include "controls/embedded.h"

#include <mmsystem.h>

#include <cstring>

#include "core/gdiobj.h"
#include "core/handler.h"
#include "core/platform.h"
#include "core/text.h"
#include "zyl3an32.h"

namespace zyl {

// ---- the class table ----

namespace {

#define ZYL_CLASS(descriptor) &descriptor,
const EmbeddedClass* const kModuleClasses[] = {
#include "controls/classlist.h"
};
#undef ZYL_CLASS

constexpr COLORREF kWhite = RGB(255, 255, 255);

}  // namespace

const EmbeddedClass* const* ModuleClasses(int* count) {
    if (count) *count = static_cast<int>(sizeof kModuleClasses / sizeof kModuleClasses[0]);
    return kModuleClasses;
}

// ---- error messages and measuring ----

void LoadErrorText(int errorId, char* buffer, int capacity) {
    if (!buffer || capacity <= 0) return;
    buffer[0] = '\0';
    if (errorId >= ZYL_ERR_FIRST) {
        LoadStringA(ModuleInstance(), static_cast<UINT>(errorId), buffer, capacity);
    } else if (!mciGetErrorStringA(static_cast<MCIERROR>(errorId), buffer, static_cast<UINT>(capacity))) {
        buffer[0] = '\0';
    }
    buffer[capacity - 1] = '\0';
}

DWORD MeasureText(HDC dc, const char* text, int length) {
    SIZE size = {0, 0};
    if (dc && text && length > 0) GetTextExtentPoint32A(dc, text, length, &size);
    return PackSize(size.cx, size.cy);
}

bool IsRasterDisplay(HDC dc) { return GetDeviceCaps(dc, TECHNOLOGY) == DT_RASDISPLAY; }

// Device value of `index` for `dc` over the screen's, applied to `value`;
// both device values are taken as 16 bits and the division truncates.
static int ScaleToDevice(HDC dc, int index, unsigned value) {
    WindowDC screen(nullptr);
    const unsigned screenDpi = static_cast<std::uint16_t>(GetDeviceCaps(screen.get(), index));
    const unsigned deviceDpi = static_cast<std::uint16_t>(GetDeviceCaps(dc, index));
    if (screenDpi == 0) return static_cast<int>(value);
    return static_cast<int>(value * deviceDpi / screenDpi);
}

int ScaleToDeviceX(HDC dc, std::uint16_t value) { return ScaleToDevice(dc, LOGPIXELSX, value); }
int ScaleToDeviceY(HDC dc, std::uint16_t value) { return ScaleToDevice(dc, LOGPIXELSY, value); }

static std::uint16_t Clamp16(LONG v) { return static_cast<std::uint16_t>(v < 0 ? 0 : (v > 0xFFFF ? 0xFFFF : v)); }

SIZE ScaledToDevice(HDC dc, SIZE size) {
    if (!dc || IsRasterDisplay(dc)) return size;
    return SIZE{ScaleToDeviceX(dc, Clamp16(size.cx)), ScaleToDeviceY(dc, Clamp16(size.cy))};
}

// Error messages are written in 14-pixel "Helv", grown on a device that is
// not the display by its resolution over the screen's.
static HFONT CreateErrorFont(HDC dc) {
    const int height = IsRasterDisplay(dc) ? 14 : ScaleToDeviceY(dc, 14);
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Helv");
}

DWORD MeasureErrorMessage(HDC dc, int errorId) {
    char text[kErrorTextChars];
    LoadErrorText(errorId, text, sizeof text);
    Font font(CreateErrorFont(dc));
    Selected selected(dc, font.get());
    return MeasureText(dc, text, static_cast<int>(std::strlen(text))) + 0x00050005u;
}

int MeasureMnemonicText(HDC dc, const char* label, char* outText, int* prefixWidth, int* charWidth) {
    if (prefixWidth) *prefixWidth = 0;
    if (charWidth) *charWidth = 0;
    if (!label) label = "";
    const char* amp = std::strchr(label, '&');
    if (amp && amp[1]) {
        const std::size_t before = static_cast<std::size_t>(amp - label);
        std::memcpy(outText, label, before);
        std::strcpy(outText + before, amp + 1);
        if (prefixWidth) *prefixWidth = PackedWidth(MeasureText(dc, label, static_cast<int>(before)));
        if (charWidth) *charWidth = PackedWidth(MeasureText(dc, amp + 1, 1));
    } else {
        std::strcpy(outText, label);
    }
    return PackedWidth(MeasureText(dc, outText, static_cast<int>(std::strlen(outText))));
}

// ---- renders ----

HGLOBAL MakeTextBlock(const char* text) {
    if (!text) text = "";
    const std::size_t n = std::strlen(text) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DISCARDABLE, n);
    if (!block) return nullptr;
    {
        GlobalLocked locked(block);
        if (locked.get()) {
            std::memcpy(locked.get(), text, n);
            return block;
        }
    }
    GlobalFree(block);
    return nullptr;
}

HBITMAP StretchToDevice(HDC target, HDC picture, SIZE size) {
    if (!target || !picture || size.cx <= 0 || size.cy <= 0) return nullptr;
    const SIZE out = ScaledToDevice(target, size);
    if (out.cx <= 0 || out.cy <= 0) return nullptr;
    OwnedDC dc(CreateCompatibleDC(target));
    Bitmap result(CreateCompatibleBitmap(target, out.cx, out.cy));
    {
        Selected selected(dc.get(), result.get());
        if (!selected.ok()) return nullptr;
        SetBkColor(dc.get(), kWhite);
        SetStretchBltMode(dc.get(), COLORONCOLOR);
        if (!StretchBlt(dc.get(), 0, 0, out.cx, out.cy, picture, 0, 0, size.cx, size.cy, SRCCOPY)) return nullptr;
    }
    return result.release();
}

HBITMAP RenderScreenPicture(HDC target, SIZE size, ScreenPainter draw, const void* context) {
    if (!target || !draw || size.cx <= 0 || size.cy <= 0) return nullptr;
    WindowDC screen(nullptr);
    OwnedDC dc(CreateCompatibleDC(screen.get()));
    Bitmap picture(CreateCompatibleBitmap(screen.get(), size.cx, size.cy));
    Selected selected(dc.get(), picture.get());
    if (!selected.ok()) return nullptr;
    draw(dc.get(), context);
    return StretchToDevice(target, dc.get(), size);
}

HBITMAP RenderMonochromePicture(HDC target, SIZE size, ScreenPainter draw, const void* context) {
    if (!target || !draw || size.cx <= 0 || size.cy <= 0) return nullptr;
    OwnedDC dc(CreateCompatibleDC(nullptr));
    // A memory DC starts with a one-pixel monochrome bitmap: what is made
    // compatible with it is monochrome too.
    Bitmap picture(CreateCompatibleBitmap(dc.get(), size.cx, size.cy));
    Selected selected(dc.get(), picture.get());
    if (!selected.ok()) return nullptr;
    RECT all = {0, 0, size.cx, size.cy};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    draw(dc.get(), context);
    return StretchToDevice(target, dc.get(), size);
}

HDC RenderTarget(LPARAM renderInfo) {
    return renderInfo ? reinterpret_cast<const ZYL_RENDERINFO*>(renderInfo)->hdc : nullptr;
}

// ---- the error state ----

namespace {

// The error picture: white, the message centred on one line in the error
// font for `device`, as large as the size query answers for `device`, and
// framed where the window's border is not there to frame it (a print).
// Drawn into a new bitmap for `device`; null when it cannot be made.
HBITMAP ErrorPicture(HDC device, int errorId, bool framed, SIZE* size) {
    const DWORD packed = MeasureErrorMessage(device, errorId);
    *size = SIZE{PackedWidth(packed), PackedHeight(packed)};
    OwnedDC dc(CreateCompatibleDC(device));
    Bitmap picture(CreateCompatibleBitmap(device, size->cx, size->cy));
    {
        Selected selected(dc.get(), picture.get());
        if (!selected.ok()) return nullptr;
        RECT rc = {0, 0, size->cx, size->cy};
        FillRect(dc.get(), &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        char text[kErrorTextChars];
        LoadErrorText(errorId, text, sizeof text);
        Font font(CreateErrorFont(device));
        Selected fontSelected(dc.get(), font.get());
        SetBkMode(dc.get(), TRANSPARENT);
        SetTextColor(dc.get(), RGB(0, 0, 0));
        DrawTextA(dc.get(), text, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        if (framed) FrameRect(dc.get(), &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    return picture.release();
}

// The picture made for the screen, copied to the window's top left.
void PaintErrorState(HWND hwnd, int errorId) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc) {
        WindowDC screen(nullptr);
        SIZE size;
        Bitmap picture(ErrorPicture(screen.get(), errorId, false, &size));
        OwnedDC source(CreateCompatibleDC(screen.get()));
        Selected selected(source.get(), picture.get());
        if (selected.ok()) BitBlt(dc, 0, 0, size.cx, size.cy, source.get(), 0, 0, SRCCOPY);
    }
    EndPaint(hwnd, &ps);
}

LRESULT AnswerSizeQuery(HWND hwnd, const EmbeddedRecord* rec, HDC dc, POINT* out) {
    if (!out) return 1;
    SIZE size = {0, 0};
    if (rec && rec->errorId) {
        DWORD packed;
        if (dc) {
            packed = MeasureErrorMessage(dc, rec->errorId);
        } else {
            WindowDC own(hwnd);
            packed = MeasureErrorMessage(own.get(), rec->errorId);
        }
        size = SIZE{PackedWidth(packed), PackedHeight(packed)};
    } else if (rec) {
        size = ScaledToDevice(dc, rec->size);
    }
    out->x = size.cx;
    out->y = size.cy;
    return 1;
}

LRESULT Render(const EmbeddedRecord* rec, WPARAM kind, LPARAM lParam) {
    const int errorId = rec ? rec->errorId : 0;
    if (kind == EWRENDER_TEXT) {
        char text[kErrorTextChars + 1] = "";
        if (errorId) LoadErrorText(errorId, text, sizeof text);
        return reinterpret_cast<LRESULT>(MakeTextBlock(text));
    }
    HDC target = kind == EWRENDER_BITMAP ? RenderTarget(lParam) : nullptr;
    if (!errorId || !target) return 0;
    SIZE size;
    return reinterpret_cast<LRESULT>(ErrorPicture(target, errorId, true, &size));
}

// The messages the base answers for a window in the error state.
bool IsErrorStateMessage(const EmbeddedClass& cls, UINT msg, WPARAM wParam) {
    if (msg == EWM_ASKPALETTE) return !(cls.errorStateOwn & kOwnsPalette);
    if (msg == EWM_RENDER)
        return !(cls.errorStateOwn & (wParam == EWRENDER_BITMAP ? kOwnsPictureRender : kOwnsTextRender));
    return msg == WM_PAINT || msg == EWM_QUERYSIZE;
}

const ZYL_CREATEINFO* CreationRecord(LPARAM createParam) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(createParam);
    return cs ? static_cast<const ZYL_CREATEINFO*>(cs->lpCreateParams) : nullptr;
}

LRESULT Create(const EmbeddedClass& cls, HWND hwnd, WPARAM wParam, LPARAM lParam) {
    const ZYL_CREATEINFO* info = CreationRecord(lParam);
    if (!info || info->majorVersion != 0) return -1;
    // A window on a thread that never initialised the module has nowhere
    // to keep its state.
    InstanceRecord* inst = FindInstance();
    if (!inst) return -1;
    const std::size_t bytes = cls.recordSize > sizeof(EmbeddedRecord) ? cls.recordSize : sizeof(EmbeddedRecord);
    auto* rec = static_cast<EmbeddedRecord*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes));
    if (!rec) return -1;
    SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(rec));
    rec->instance = inst;
    CopyBounded(inst->helpFilePath, sizeof inst->helpFilePath, info->helpFile);
    ShortenPath(inst->helpFilePath, sizeof inst->helpFilePath);
    CopyBounded(rec->helpFile, sizeof rec->helpFile, inst->helpFilePath);
    StripCaptionWindowName(inst);
    return cls.classProc(hwnd, WM_CREATE, wParam, lParam);
}

}  // namespace

EmbeddedRecord* GetEmbeddedRecord(HWND hwnd) {
    return reinterpret_cast<EmbeddedRecord*>(GetWindowLongPtrA(hwnd, 0));
}

const char* AuthorData(LPARAM createParam) {
    const ZYL_CREATEINFO* info = CreationRecord(createParam);
    return info && info->authorData ? info->authorData : "";
}

void EnterErrorState(HWND hwnd, int errorId) {
    EmbeddedRecord* rec = GetEmbeddedRecord(hwnd);
    if (!rec || errorId == 0) return;
    rec->errorId = errorId;
    SetWindowLongPtrA(hwnd, GWL_STYLE, GetWindowLongPtrA(hwnd, GWL_STYLE) | WS_BORDER);
}

LRESULT EmbeddedWindowProc(const EmbeddedClass& cls, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CREATE) return Create(cls, hwnd, wParam, lParam);
    EmbeddedRecord* rec = GetEmbeddedRecord(hwnd);
    // Before WM_CREATE, and after a refusal, the window is the platform's.
    if (!rec) return DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        const LRESULT result = cls.classProc(hwnd, msg, wParam, lParam);
        SetWindowLongPtrA(hwnd, 0, 0);
        HeapFree(GetProcessHeap(), 0, rec);
        return result;
    }
    if (rec->errorId && IsErrorStateMessage(cls, msg, wParam)) return EmbeddedDefProc(hwnd, msg, wParam, lParam);
    return cls.classProc(hwnd, msg, wParam, lParam);
}

LRESULT EmbeddedDefProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const EmbeddedRecord* rec = GetEmbeddedRecord(hwnd);
    switch (msg) {
    case WM_PAINT:
        if (rec && rec->errorId) {
            PaintErrorState(hwnd, rec->errorId);
            return 0;
        }
        break;
    case EWM_QUERYSIZE:
        return AnswerSizeQuery(hwnd, rec, reinterpret_cast<HDC>(wParam), reinterpret_cast<POINT*>(lParam));
    case EWM_RENDER:
        return Render(rec, wParam, lParam);
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void CaptureParentBackground(HWND hwnd, HDC dc) {
    HWND parent = GetParent(hwnd);
    if (!parent || !dc) return;
    POINT origin = {0, 0};
    MapWindowPoints(hwnd, parent, &origin, 1);
    SavedDC saved(dc);
    SetWindowOrgEx(dc, origin.x, origin.y, nullptr);
    // Patterns line up with the parent's client origin, as they would in a
    // bitmap of its whole client area.
    SetBrushOrgEx(dc, -origin.x, -origin.y, nullptr);
    SetBackgroundCapture(true);
    SendMessageA(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SetBackgroundCapture(false);
}

}  // namespace zyl
