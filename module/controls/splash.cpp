// ZylSplash and its window, ZYL3_ANIMSPLASH32: a picture in a borderless,
// topmost window centred on the screen for a number of seconds, closed
// earlier by a click. The help host goes on at once; the window closes
// itself. A sibling viewer's frame window, when one runs, is asked first
// and may say no.
//
// The window is no embedded window: the host never places it in a topic,
// so it has no creation record, no size query and no renders. Its first
// extra word holds the shared PictureEntry it shows, whose frameDelay
// carries the display time.
#include <windows.h>

#include "controls/embedded.h"
#include "core/gdiobj.h"
#include "core/handler.h"
#include "imaging/picturecache.h"
#include "zyl3an32.h"

namespace zyl {

namespace {

constexpr UINT_PTR kSplashTimer = 100;
// How long a sibling viewer that does not answer holds up the splash.
constexpr UINT kSiblingReplyMs = 5000;

// The window's picture while its thread's module session still holds it:
// a session ended under a splash window frees the pictures with it.
PictureEntry* LivePicture(HWND hwnd) {
    auto* entry = reinterpret_cast<PictureEntry*>(GetWindowLongPtrA(hwnd, 0));
    InstanceRecord* inst = FindInstance();
    if (!entry || !inst) return nullptr;
    for (ListNode* n = inst->pictures; n; n = n->next)
        if (n == &entry->header) return entry;
    return nullptr;
}

// The whole bitmap at the window's top left, in its palette.
void PaintPicture(HWND hwnd, HDC dc) {
    PictureEntry* entry = LivePicture(hwnd);
    if (!entry || !dc || !EnsurePictureLoaded(FindInstance(), entry, false)) return;
    BITMAP bm;
    if (GetObjectA(entry->bitmap, sizeof bm, &bm) != sizeof bm) return;
    RealizedPalette palette(dc, entry->palette);
    OwnedDC mem(CreateCompatibleDC(dc));
    Selected picture(mem.get(), entry->bitmap);
    if (picture.ok()) BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, mem.get(), 0, 0, SRCCOPY);
}

// False when a sibling viewer's frame window is running and does not want
// the splash. It is told the help file through a global atom, which stays
// its to delete.
bool SiblingViewerAllows(InstanceRecord* inst) {
    HWND frame = nullptr;
    EnumWindows(EnumWindowsProc, reinterpret_cast<LPARAM>(&frame));
    if (!frame) return true;
    inst->helpFilePath[0] = '\0';
    GetHelpFileEntry(inst, true);
    const ATOM atom = GlobalAddAtomA(inst->helpFilePath);
    DWORD_PTR reply = 1;
    // One that hangs is taken as having no objection.
    if (!SendMessageTimeoutA(frame, ZYL_SIBLING_MSG_SPLASH, atom, 0, SMTO_ABORTIFHUNG, kSiblingReplyMs, &reply))
        return true;
    return reply != 0;
}

}  // namespace

const EmbeddedClass kAnimSplashClass = {
    "ZYL3_ANIMSPLASH32", AnimSplashWndProc, nullptr, kEmbeddedStyle, kRecordSlot,
    ClassCursor::kArrow, kNoBackground, 0, false,
};

}  // namespace zyl

using namespace zyl;

extern "C" void CALLBACK ZylSplash(LPCSTR fileName, WORD seconds) {
    InstanceRecord* inst = FindInstance();
    if (!inst || !fileName) return;
    HWND mainWindow = reinterpret_cast<HWND>(HostGetInfo(inst, GI_MAINHWND));
    auto* entry = reinterpret_cast<PictureEntry*>(ListFindByName(inst->pictures, fileName, nullptr));
    if (!SiblingViewerAllows(inst)) return;
    if (!entry) entry = FindOrCreatePictureEntry(inst, fileName);
    BITMAP bm;
    if (!entry || !EnsurePictureLoaded(inst, entry, false) || GetObjectA(entry->bitmap, sizeof bm, &bm) != sizeof bm) {
        MessageBoxA(GetFocus(), fileName, "Missing bitmap", MB_OK);
        return;
    }
    entry->frameDelay = static_cast<std::int32_t>(seconds) * 1000;
    // Cut to the screen and centred on it; a picture larger than the screen
    // shows its top left part from the screen's corner.
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const int width = bm.bmWidth < screenWidth ? bm.bmWidth : screenWidth;
    const int height = bm.bmHeight < screenHeight ? bm.bmHeight : screenHeight;
    CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kAnimSplashClass.name, nullptr, WS_POPUP | WS_VISIBLE,
                    (screenWidth - width) >> 1, (screenHeight - height) >> 1, width, height, mainWindow, nullptr,
                    ModuleInstance(), entry);
}

extern "C" LRESULT CALLBACK AnimSplashWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: {
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        // Only ZylSplash makes the window: one made otherwise (placed in a
        // topic, say) has no picture of the thread and is refused.
        const PictureEntry* entry = LivePicture(hwnd);
        if (!entry) return -1;
        // Without a timer the splash stays until it is clicked.
        SetTimer(hwnd, kSplashTimer, static_cast<UINT>(entry->frameDelay), nullptr);
        return 0;
    }
    case WM_DESTROY:
        KillTimer(hwnd, kSplashTimer);
        return 0;
    case WM_ERASEBKGND:
        PaintPicture(hwnd, reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_TIMER:
    case WM_LBUTTONDOWN:
        DestroyWindow(hwnd);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
