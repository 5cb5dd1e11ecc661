// What every embedded window shares: the creation steps, the error state,
// measuring and device scaling, and small platform helpers.
#pragma once
#include <windows.h>

#include <cstdint>

#include "instance.h"
#include "resources/resource.h"

namespace zyl {

// ---- module-wide state ----
HINSTANCE ModuleInstance();
// Process attach: remembers the module handle, zeroes the registration count
// and readies the instance list. Test programs that link the module's code
// directly call it with their own handle.
void ModuleAttach(HINSTANCE instance);
void ModuleDetach();

// ---- background capture ----
// Set by a control only around one synchronous WM_ERASEBKGND it sends to its
// parent to capture the background behind it; while set, the host-window
// painter draws straight into the device context it is given.
void SetBackgroundCapture(bool on);
bool BackgroundCaptureActive();

// ---- error messages (ids: resources/resource.h) ----
constexpr int kErrorTextChars = 128;

// Loads the text of an error id: the module's string table from 10000 on,
// the multimedia system's text below. Always terminates `buffer`.
void LoadErrorText(int errorId, char* buffer, int capacity);

// ---- measuring ----
inline DWORD PackSize(int w, int h) {
    return (static_cast<DWORD>(h & 0xFFFF) << 16) | static_cast<DWORD>(w & 0xFFFF);
}
inline int PackedWidth(DWORD size) { return static_cast<int>(size & 0xFFFF); }
inline int PackedHeight(DWORD size) { return static_cast<int>(size >> 16); }

DWORD MeasureText(HDC dc, const char* text, int length);
DWORD MeasureErrorMessage(HDC dc, int errorId);
int ScaleToDeviceX(HDC dc, std::uint16_t value);
int ScaleToDeviceY(HDC dc, std::uint16_t value);
// `outText` must hold strlen(label) + 1 bytes.
int MeasureMnemonicText(HDC dc, const char* label, char* outText, int* prefixWidth, int* charWidth);
bool IsRasterDisplay(HDC dc);
// The font error messages are measured and drawn in, for `dc`.
HFONT CreateErrorFont(HDC dc);

// ---- platform helpers ----
bool GetPlatformClass(bool newerShell, int* outClass);
int PlatformClassFromVersion(DWORD version);   // the class GetPlatformClass reports
void ShortenPath(char* path, std::size_t capacity);
void GetTempDirectory(char* buffer, std::size_t capacity);
void StripTrailingBackslash(char* path);
void StripCaptionWindowName(InstanceRecord* inst);
std::uint16_t HelpUnitsToPixelsX(std::uint16_t value);
std::uint16_t HelpUnitsToPixelsY(std::uint16_t value);
HWND FindChildByClass(HWND parent, const char* className);
void PostCommand(HWND window, WORD id, WORD code, HWND control);

// ---- embedded windows ----
// Every control record begins with this header.
struct ControlHeader {
    InstanceRecord* instance;
    char helpFile[kPathChars];
    int errorId;               // 0 = working
};

// Common creation steps 1-4: allocates a zero-filled record of
// `recordSize` bytes, stores it in the window, checks the creation record's
// version, finds the instance and takes over the help file path. Returns the
// record and the author's data, or null when WM_CREATE must answer -1.
ControlHeader* BeginControlCreate(HWND hwnd, LPARAM createParam, std::size_t recordSize,
                                  const char** authorData);
ControlHeader* GetControlRecord(HWND hwnd);
// Frees the record stored in the window (WM_NCDESTROY) and clears the slot.
void FreeControlRecord(HWND hwnd);
// Puts the window into the error state (creation step 5).
void EnterErrorState(HWND hwnd, ControlHeader* rec, int errorId);

// The error state's answers to the host.
LRESULT ErrorQuerySize(HWND hwnd, HDC dc, POINT* size, int errorId);
HGLOBAL RenderErrorText(int errorId);
HBITMAP RenderErrorBitmap(HWND hwnd, HDC target, int errorId);
void PaintErrorState(HWND hwnd, HDC dc, int errorId);

// A movable global block holding `text` (what the text render returns).
HGLOBAL MakeGlobalText(const char* text);

}  // namespace zyl
