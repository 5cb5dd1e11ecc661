// The host's own windows under the module's window procedures: the main
// frame and its two regions from host message 10 on, secondary frames and
// popups from their creation (seen by the thread's call-window hook),
// the regions of a secondary frame from its first caption. Each such window
// carries the window properties "ANIM_C" (the procedure it had before) and
// "ANIM_W" (the WindowRecord whose decoration and sizes apply to it) until
// its WM_DESTROY, where the previous procedure is put back.
#pragma once
#include <windows.h>

#include "core/thread/instance.h"

namespace zyl {

// With `install`, puts `proc` on the window and keeps the previous one as
// "ANIM_C" unless the window already has one; without, puts the previous
// procedure back and removes "ANIM_C". Anything else does nothing.
void Subclass(HWND hwnd, WNDPROC proc, bool install);
// "ANIM_W": the record of the window, or removed for null.
void AttachWindowRecord(HWND hwnd, WindowRecord* record);
WindowRecord* GetAttachedWindowRecord(HWND hwnd);

// Palette entries realized for the decoration's picture (per-topic, else
// file-wide) in a DC of `window` (of `region` when null); 0 when it has none.
UINT RealizeRegionPalette(InstanceRecord* inst, const RegionDecoration& decoration, HWND window, HWND region);

// Host message 4: the thread's call-window hook. Host message 10: the main
// frame and its regions, with the record of "main".
HHOOK InstallWindowHook(HINSTANCE module);
void SubclassMainWindow(InstanceRecord* inst, HWND mainWindow);
// Host message 5: every window of the thread that still carries the
// module's procedure gets its previous one back, so that no host window
// calls into the module once its thread has ended its session.
void ReleaseThreadWindows(InstanceRecord* inst);

}  // namespace zyl
