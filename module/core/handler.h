// The host's entry into the module, LDLLHandler (start-up and shut-down of
// each host thread, topic jumps, help file changes, the callback table),
// and the little state the module keeps for the whole process.
#pragma once
#include <windows.h>

namespace zyl {

HINSTANCE ModuleInstance();
// Process attach: remembers the module handle, zeroes the registration count
// and readies the instance list. Test programs that link the module's code
// directly call it with their own handle.
void ModuleAttach(HINSTANCE instance);
// Process detach: the instance list's lock goes.
void ModuleDetach();
// Host threads that initialised and have not yet terminated.
LONG RegistrationCount();

// Background capture: set by a control only around one synchronous
// WM_ERASEBKGND it sends its parent to capture the background behind it
// (CaptureParentBackground, controls/embedded.h). The decoration painter
// draws only what lies inside the given DC's clip box, so the control's
// small DC receives just its own part (decor/paint.h).
void SetBackgroundCapture(bool on);
bool BackgroundCaptureActive();

// How termination removes an installed font resource. Wine's own call
// always fails, so the tests put a recording stand-in here.
extern BOOL(WINAPI* g_removeFontResource)(LPCSTR path);
// How controls start their timers. Wine never runs out of timers, so the
// tests put a failing stand-in here to see "No Timers available".
extern UINT_PTR(WINAPI* g_setTimer)(HWND hwnd, UINT_PTR id, UINT period, TIMERPROC proc);
// Called by the last thread's shut-down when the count has gone and the
// classes are about to: the tests have another thread start right there.
// Null in the module.
extern void (*g_classesGoing)();

}  // namespace zyl
