// The base every embedded window class stands on: the window placed in a
// topic by the help host, created with the host's creation record, asked
// for its size for a device and for a text or picture of itself when the
// topic is copied or printed.
//
// A class is one descriptor (`EmbeddedClass`) in its own file, listed once
// in classlist.h. Its exported window procedure hands every message to
// `EmbeddedWindowProc`, which does what all classes do alike:
//  - WM_CREATE: refuses the window (-1) unless the creation record has
//    major version 0 and the thread initialised the module; allocates the
//    class's zero-filled record into the window's first extra word; takes
//    over the help file path and tidies the frame's caption. Then the class
//    procedure gets WM_CREATE and parses the author's data (`AuthorData`).
//    A refused window never reaches the class procedure.
//  - the error state (`EnterErrorState`): a bordered box the size of its
//    message. The base paints it, answers its size query, renders its
//    message as text and as a picture of exactly the queried size, and has
//    no palette for it; the class procedure never sees those messages while
//    the error lasts, unless its descriptor keeps the palette request or
//    a kind of render for itself (`errorStateOwn`).
//  - WM_NCDESTROY: frees the record, after the class procedure saw it.
// The class procedure handles only its own messages and ends with
// `return EmbeddedDefProc(...)`: the size query answered from the record's
// `size`, scaled for a device that is not the display; an empty text
// render; no picture render; DefWindowProc for everything else.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "core/thread/instance.h"
#include "resources/resource.h"

namespace zyl {

// Every control record begins with these fields; the class's own follow
// (struct MyRecord : EmbeddedRecord { ... }). Records are plain data,
// zero-filled when made.
struct EmbeddedRecord {
    InstanceRecord* instance;     // the host thread's
    char helpFile[kPathChars];    // the topic's help file, short path
    int errorId;                  // 0 while the window works
    SIZE size;                    // the working window's size on the screen
};

// A class's own messages; returns what the window procedure returns.
using EmbeddedProc = LRESULT (*)(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

enum class ClassCursor { kNone, kArrow };
// Messages a class answers itself in the error state too (`errorStateOwn`).
enum ErrorStateOwn : unsigned {
    kOwnsPalette = 1,          // EWM_ASKPALETTE
    kOwnsPictureRender = 2,    // EWM_RENDER with EWRENDER_BITMAP
    kOwnsTextRender = 4,       // EWM_RENDER with any other kind
};
constexpr int kNoBackground = -1;
constexpr UINT kEmbeddedStyle = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW;   // 0x4003
constexpr int kRecordSlot = sizeof(LONG_PTR);   // extra bytes holding the record pointer

// One window class of the module.
struct EmbeddedClass {
    const char* name;             // the class name authors write
    WNDPROC windowProc;           // the exported procedure registered for it
    EmbeddedProc classProc;       // its own messages; null for a class that is no embedded window
    UINT style;
    int extraBytes;
    ClassCursor cursor;
    int background;               // stock object index of the class brush, or kNoBackground
    std::size_t recordSize;       // sizeof the class's record
    bool staysRegistered;         // kept when the last host thread ends
    unsigned errorStateOwn = 0;   // ErrorStateOwn flags; the base's error box answers the rest
};

// The descriptors of classlist.h, each defined in its class's file.
#define ZYL_CLASS(descriptor) extern const EmbeddedClass descriptor;
#include "controls/classlist.h"
#undef ZYL_CLASS

// The module's classes in registration order (classlist.h).
const EmbeddedClass* const* ModuleClasses(int* count);

// ---- the window procedure's two halves ----
LRESULT EmbeddedWindowProc(const EmbeddedClass& cls, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT EmbeddedDefProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

EmbeddedRecord* GetEmbeddedRecord(HWND hwnd);
template <class Record>
Record* RecordOf(HWND hwnd) {
    static_assert(std::is_base_of<EmbeddedRecord, Record>::value, "a control record begins with EmbeddedRecord");
    static_assert(std::is_trivially_destructible<Record>::value, "the base frees records without destroying them");
    return static_cast<Record*>(GetEmbeddedRecord(hwnd));
}

// At WM_CREATE: the author's parameter string, "" when there is none.
const char* AuthorData(LPARAM createParam);
// Stores the error id and adds the border: the window is a box showing the
// message from then on. An id of 0 is ignored.
void EnterErrorState(HWND hwnd, int errorId);
// The target device context of a picture render (EWRENDER_BITMAP), or null.
HDC RenderTarget(LPARAM renderInfo);

// ---- error messages ----
constexpr int kErrorTextChars = 128;
// The text of an error id: the module's string table from ZYL_ERR_FIRST on,
// the multimedia system's text below. Always terminates `buffer`.
void LoadErrorText(int errorId, char* buffer, int capacity);
// The error text's extent in the error font for `dc`, plus 5 by 5.
DWORD MeasureErrorMessage(HDC dc, int errorId);

// ---- measuring and device scaling ----
inline DWORD PackSize(int w, int h) {
    return (static_cast<DWORD>(h & 0xFFFF) << 16) | static_cast<DWORD>(w & 0xFFFF);
}
inline int PackedWidth(DWORD size) { return static_cast<int>(size & 0xFFFF); }
inline int PackedHeight(DWORD size) { return static_cast<int>(size >> 16); }

DWORD MeasureText(HDC dc, const char* text, int length);
// `outText` must hold strlen(label) + 1 bytes.
int MeasureMnemonicText(HDC dc, const char* label, char* outText, int* prefixWidth, int* charWidth);
bool IsRasterDisplay(HDC dc);
// value x the device's resolution / the screen's (both as 16 bits).
int ScaleToDeviceX(HDC dc, std::uint16_t value);
int ScaleToDeviceY(HDC dc, std::uint16_t value);
// A size on the screen as it is on `dc`: scaled when `dc` is not a raster
// display, unchanged otherwise (and for a null dc).
SIZE ScaledToDevice(HDC dc, SIZE screenSize);

// ---- renders ----
// The text render's block: movable and discardable, holding `text` and its
// terminator. Null when it cannot be made; the host owns it otherwise.
HGLOBAL MakeTextBlock(const char* text);
// A picture of `size` screen pixels, in `picture`, as a new bitmap for
// `target` at the size the size query gives that device (stretched on
// white, COLORONCOLOR). Null on failure; the host owns it otherwise.
HBITMAP StretchToDevice(HDC target, HDC picture, SIZE size);
// The same for a picture `draw` makes at screen size on a screen-compatible
// bitmap (what a class prints when it draws itself).
using ScreenPainter = void (*)(HDC dc, const void* context);
HBITMAP RenderScreenPicture(HDC target, SIZE size, ScreenPainter draw, const void* context);
// The same drawn in black and white: `draw` gets a memory DC of the
// screen holding a monochrome bitmap of `size`, filled white.
HBITMAP RenderMonochromePicture(HDC target, SIZE size, ScreenPainter draw, const void* context);

// ---- drawing over the region's background ----
// A window that lets the region show through (a transparent picture, text,
// a mouse-over button) takes what the region paints behind it: `dc` is a
// memory DC holding a bitmap of the window's client size, and the parent
// erases into it in its own client coordinates (window origin and pattern
// origin moved to the window's place), with the module's background
// capture flag set so that the help window's painter draws its colour and
// watermarks straight into it. Only the window's part lands in the bitmap,
// so the cost is that of the window's size, however large the topic is.
// Call it afresh for every draw: the region's pictures may have changed.
void CaptureParentBackground(HWND hwnd, HDC dc);

// ---- painting ----
// WM_PAINT: `draw(dc)` between BeginPaint and EndPaint (not called when
// there is no DC). Returns 0, the message's result.
template <class Draw>
LRESULT PaintWith(HWND hwnd, Draw draw) {
    PAINTSTRUCT ps;
    if (HDC dc = BeginPaint(hwnd, &ps)) draw(dc);
    EndPaint(hwnd, &ps);
    return 0;
}

}  // namespace zyl
