#include "framework.h"

#include <mmsystem.h>

#include <cstring>

#include "text.h"

namespace zyl {

namespace {
volatile LONG g_backgroundCapture = 0;
}

void SetBackgroundCapture(bool on) { InterlockedExchange(&g_backgroundCapture, on ? 1 : 0); }
bool BackgroundCaptureActive() { return g_backgroundCapture != 0; }

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
    HDC screen = GetDC(nullptr);
    const unsigned screenDpi = static_cast<std::uint16_t>(GetDeviceCaps(screen, index));
    ReleaseDC(nullptr, screen);
    const unsigned deviceDpi = static_cast<std::uint16_t>(GetDeviceCaps(dc, index));
    if (screenDpi == 0) return static_cast<int>(value);
    return static_cast<int>(value * deviceDpi / screenDpi);
}

int ScaleToDeviceX(HDC dc, std::uint16_t value) { return ScaleToDevice(dc, LOGPIXELSX, value); }
int ScaleToDeviceY(HDC dc, std::uint16_t value) { return ScaleToDevice(dc, LOGPIXELSY, value); }

HFONT CreateErrorFont(HDC dc) {
    int height = 14;
    if (!IsRasterDisplay(dc)) height = ScaleToDeviceY(dc, 14);
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Helv");
}

DWORD MeasureErrorMessage(HDC dc, int errorId) {
    char text[kErrorTextChars];
    LoadErrorText(errorId, text, sizeof text);
    HFONT font = CreateErrorFont(dc);
    HGDIOBJ old = SelectObject(dc, font);
    const DWORD size = MeasureText(dc, text, static_cast<int>(std::strlen(text)));
    SelectObject(dc, old);
    DeleteObject(font);
    return size + 0x00050005u;
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

int PlatformClassFromVersion(DWORD version) {
    switch (version & 0x0F) {
    case 3: return 2;
    case 4: return (version & 0x80000000u) ? 1 : 3;
    default: return 0;
    }
}

bool GetPlatformClass(bool newerShell, int* outClass) {
    const int cls = PlatformClassFromVersion(GetVersion());
    if (outClass) *outClass = cls;
    return newerShell ? (cls == 1 || cls == 3) : cls != 0;
}

void ShortenPath(char* path, std::size_t capacity) {
    if (!path || !path[0]) return;
    if (((GetVersion() >> 8) & 0xFF) < 95) return;
    char shortPath[320];
    const DWORD n = GetShortPathNameA(path, shortPath, sizeof shortPath);
    if (n == 0 || n >= sizeof shortPath || n >= capacity) return;
    std::memcpy(path, shortPath, n + 1);
}

void StripTrailingBackslash(char* path) {
    if (!path) return;
    const std::size_t n = std::strlen(path);
    if (n && path[n - 1] == '\\') path[n - 1] = '\0';
}

void GetTempDirectory(char* buffer, std::size_t capacity) {
    if (!buffer || capacity == 0) return;
    char value[MAX_PATH + 1];
    const DWORD n = GetEnvironmentVariableA("TEMP", value, sizeof value);
    if (n > 0 && n < sizeof value) CopyBounded(buffer, capacity, value);
    if (buffer[0]) StripTrailingBackslash(buffer);
}

void StripCaptionWindowName(InstanceRecord* inst) {
    HWND current = reinterpret_cast<HWND>(HostGetInfo(inst, GI_CURRHWND));
    HWND frame = current ? GetParent(current) : nullptr;
    if (!frame || frame == reinterpret_cast<HWND>(HostGetInfo(inst, GI_MAINHWND))) return;
    char caption[256];
    if (GetWindowTextA(frame, caption, sizeof caption) <= 0) return;
    for (int i = 0; i < 9 && caption[i]; ++i) {
        if (caption[i] == '|') {
            SetWindowTextA(frame, caption + i + 1);
            return;
        }
    }
}

std::uint16_t HelpUnitsToPixelsX(std::uint16_t value) {
    return static_cast<std::uint16_t>((static_cast<unsigned>(value) * GetSystemMetrics(SM_CXSCREEN)) >> 10);
}

std::uint16_t HelpUnitsToPixelsY(std::uint16_t value) {
    return static_cast<std::uint16_t>((static_cast<unsigned>(value) * GetSystemMetrics(SM_CYSCREEN)) >> 10);
}

HWND FindChildByClass(HWND parent, const char* className) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[33];
        if (GetClassNameA(child, cls, sizeof cls) == 0) return child;
        if (EqualNoCase(cls, className)) return child;
    }
    return nullptr;
}

void PostCommand(HWND window, WORD id, WORD code, HWND control) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

// ---- embedded windows ----

ControlHeader* GetControlRecord(HWND hwnd) {
    return reinterpret_cast<ControlHeader*>(GetWindowLongPtrA(hwnd, 0));
}

void FreeControlRecord(HWND hwnd) {
    if (void* rec = GetControlRecord(hwnd)) {
        SetWindowLongPtrA(hwnd, 0, 0);
        HeapFree(GetProcessHeap(), 0, rec);
    }
}

ControlHeader* BeginControlCreate(HWND hwnd, LPARAM createParam, std::size_t recordSize,
                                  const char** authorData) {
    if (recordSize < sizeof(ControlHeader)) recordSize = sizeof(ControlHeader);
    auto* rec = static_cast<ControlHeader*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, recordSize));
    if (!rec) return nullptr;
    SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(rec));

    const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(createParam);
    const auto* info = cs ? static_cast<const ZYL_CREATEINFO*>(cs->lpCreateParams) : nullptr;
    if (!info || info->majorVersion != 0) return nullptr;

    // A window on a thread that never initialised the module has nowhere
    // to keep its state.
    InstanceRecord* inst = FindInstance();
    if (!inst) return nullptr;
    rec->instance = inst;
    CopyBounded(inst->helpFilePath, sizeof inst->helpFilePath, info->helpFile);
    ShortenPath(inst->helpFilePath, sizeof inst->helpFilePath);
    CopyBounded(rec->helpFile, sizeof rec->helpFile, inst->helpFilePath);
    StripCaptionWindowName(inst);
    if (authorData) *authorData = info->authorData ? info->authorData : "";
    return rec;
}

void EnterErrorState(HWND hwnd, ControlHeader* rec, int errorId) {
    if (!rec || errorId == 0) return;
    rec->errorId = errorId;
    SetWindowLongPtrA(hwnd, GWL_STYLE, GetWindowLongPtrA(hwnd, GWL_STYLE) | WS_BORDER);
}

LRESULT ErrorQuerySize(HWND hwnd, HDC dc, POINT* size, int errorId) {
    if (!size) return 1;
    HDC own = dc ? nullptr : GetDC(hwnd);
    const DWORD packed = MeasureErrorMessage(dc ? dc : own, errorId);
    if (own) ReleaseDC(hwnd, own);
    size->x = PackedWidth(packed);
    size->y = PackedHeight(packed);
    return 1;
}

HGLOBAL MakeGlobalText(const char* text) {
    if (!text) text = "";
    const std::size_t n = std::strlen(text) + 1;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, n);
    if (!h) return nullptr;
    if (void* p = GlobalLock(h)) {
        std::memcpy(p, text, n);
        GlobalUnlock(h);
        return h;
    }
    GlobalFree(h);
    return nullptr;
}

HGLOBAL RenderErrorText(int errorId) {
    char text[kErrorTextChars];
    LoadErrorText(errorId, text, sizeof text);
    return MakeGlobalText(text);
}

// Draws the message in black on white, one pixel in from the edge of `rc`.
static void DrawErrorText(HDC dc, const RECT& rc, int errorId) {
    char text[kErrorTextChars];
    LoadErrorText(errorId, text, sizeof text);
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HFONT font = CreateErrorFont(dc);
    HGDIOBJ old = SelectObject(dc, font);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, RGB(0, 0, 0));
    RECT inner = rc;
    InflateRect(&inner, -1, -1);
    DrawTextA(dc, text, -1, &inner, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    SelectObject(dc, old);
    DeleteObject(font);
}

void PaintErrorState(HWND hwnd, HDC dc, int errorId) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    DrawErrorText(dc, rc, errorId);
}

HBITMAP RenderErrorBitmap(HWND hwnd, HDC target, int errorId) {
    if (!target) return nullptr;
    const DWORD size = MeasureErrorMessage(target, errorId);
    const int w = PackedWidth(size), h = PackedHeight(size);
    HBITMAP bmp = CreateCompatibleBitmap(target, w, h);
    if (!bmp) return nullptr;
    HDC mem = CreateCompatibleDC(target);
    if (!mem) {
        DeleteObject(bmp);
        return nullptr;
    }
    HGDIOBJ old = SelectObject(mem, bmp);
    RECT rc = {0, 0, w, h};
    DrawErrorText(mem, rc, errorId);
    FrameRect(mem, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SelectObject(mem, old);
    DeleteDC(mem);
    return bmp;
}

}  // namespace zyl
