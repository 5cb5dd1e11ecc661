#include "core/handler.h"

#include <cstring>

#include "controls/embedded.h"
#include "core/platform.h"
#include "core/text.h"
#include "core/thread/instance.h"
#include "decor/paint.h"
#include "decor/subclass.h"
#include "forms/forms.h"
#include "resources/resource.h"
#include "zyl3an32.h"

namespace zyl {

namespace {

HINSTANCE g_moduleInstance = nullptr;
LONG g_registrationCount = 0;
// The count and the classes change together under this lock: a thread's
// first start-up that meets another's last shut-down then finds the classes
// either still there or registered afresh, never unregistered under it.
CRITICAL_SECTION g_registrationLock;
bool g_registrationLockReady = false;

struct RegistrationLock {
    RegistrationLock() { if (g_registrationLockReady) EnterCriticalSection(&g_registrationLock); }
    ~RegistrationLock() { if (g_registrationLockReady) LeaveCriticalSection(&g_registrationLock); }
};

volatile LONG g_backgroundCapture = 0;

void RegisterClasses() {
    int count = 0;
    const EmbeddedClass* const* classes = ModuleClasses(&count);
    for (int i = 0; i < count; ++i) {
        const EmbeddedClass& cls = *classes[i];
        WNDCLASSA wc;
        std::memset(&wc, 0, sizeof wc);
        wc.style = cls.style;
        wc.lpfnWndProc = cls.windowProc;
        wc.cbWndExtra = cls.extraBytes;
        wc.hInstance = g_moduleInstance;
        wc.hCursor = cls.cursor == ClassCursor::kArrow ? LoadCursorA(nullptr, IDC_ARROW) : nullptr;
        wc.hbrBackground = cls.background != kNoBackground ? static_cast<HBRUSH>(GetStockObject(cls.background)) : nullptr;
        wc.lpszClassName = cls.name;
        RegisterClassA(&wc);  // a class that is still registered stays as it was
    }
}

void UnregisterClasses() {
    int count = 0;
    const EmbeddedClass* const* classes = ModuleClasses(&count);
    for (int i = 0; i < count; ++i)
        if (!classes[i]->staysRegistered) UnregisterClassA(classes[i]->name, g_moduleInstance);
}

void Initialise() {
    InstanceRecord* inst = static_cast<InstanceRecord*>(
        HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(InstanceRecord)));
    // Without a record the thread stays uninitialised; the count is only
    // moved for a thread that will also be terminated.
    if (!inst) return;
    {
        RegistrationLock lock;
        if (++g_registrationCount == 1) RegisterClasses();
    }
    inst->header.kind = kKindInstance;
    inst->threadId = GetCurrentThreadId();
    inst->font = CreateFontA(14, 0, 0, 0, 100, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
    inst->handCursor = LoadCursorA(g_moduleInstance, MAKEINTRESOURCEA(IDC_ZYL_HAND));
    inst->arrowCursor = LoadCursorA(nullptr, IDC_ARROW);
    InstanceListAdd(inst);
    // Secondary frames and popups are subclassed as the host creates them.
    inst->hook = InstallWindowHook(g_moduleInstance);
}

void DeleteTempFiles(InstanceRecord* inst) {
    for (ListNode* n = inst->tempFiles; n; n = n->next) {
        const char* path = reinterpret_cast<PictureEntry*>(n)->name;
        const char* dot = std::strrchr(path, '.');
        const char* slash = std::strrchr(path, '\\');
        if (dot && (!slash || dot > slash) && EqualNoCase(dot, ".fot")) {
            if (g_removeFontResource(path)) SendMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
        }
        OFSTRUCT of;
        OpenFile(path, &of, OF_DELETE);
    }
    ListFree(&inst->tempFiles);
}

void Terminate() {
    InstanceRecord* inst = FindInstance();
    if (!inst) return;
    // Form records hold controls drawn in the instance's font: they go first.
    FreeAllFormControls(inst);
    if (inst->font) DeleteObject(inst->font);
    // Both cursors came from LoadCursorA: shared cursors, never destroyed.
    if (inst->hook) UnhookWindowsHookEx(inst->hook);
    // The records the host's windows point to go now.
    ReleaseThreadWindows(inst);
    ReleasePaintState(inst);
    ListFree(&inst->windows);
    ListFree(&inst->pictures);
    ListFree(&inst->ioProcs);
    DeleteTempFiles(inst);
    // Every node went back through its list; blocks can only remain if a
    // node was taken outside the lists.
    PoolReleaseAll(&inst->poolHead);
    InstanceListRemove(inst);
    HeapFree(GetProcessHeap(), 0, inst);
    RegistrationLock lock;
    if (--g_registrationCount == 0) {
        if (g_classesGoing) g_classesGoing();
        UnregisterClasses();
    }
}

void ClearPerTopic(WindowRecord* rec) {
    rec->nsr.perTopic = nullptr;
    rec->topic.perTopic = nullptr;
}

void StartJump() {
    InstanceRecord* inst = FindInstance();
    if (!inst) return;
    if (inst->pendingHelpFileEntry) {
        FetchHelpFilePath(inst);
        CopyBounded(inst->pendingHelpFileEntry->name, sizeof inst->pendingHelpFileEntry->name, inst->helpFilePath);
        inst->pendingHelpFileEntry = nullptr;
    }
    HWND current = reinterpret_cast<HWND>(HostGetInfo(inst, GI_CURRHWND));
    if (WindowRecord* rec = FindWindowRecordByHwnd(inst, current ? GetParent(current) : nullptr)) ClearPerTopic(rec);
}

// Form controls parked by the topic just left are released.
void EndJump() { FreeParkedAfterJump(FindInstance()); }

void ChangeFile(const char* newName) {
    char* name = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 256));
    if (!name) return;
    CopyBounded(name, 256, newName);
    ShortenPath(name, 256);
    InstanceRecord* inst = FindInstance();
    if (inst) {
        HWND mainWnd = reinterpret_cast<HWND>(HostGetInfo(inst, GI_MAINHWND));
        HWND current = reinterpret_cast<HWND>(HostGetInfo(inst, GI_CURRHWND));
        HWND frame = current ? GetParent(current) : nullptr;
        if (inst->helpFilePath[0]) {
            if (WindowRecord* rec = FindWindowRecordByHwnd(inst, frame)) {
                ClearPerTopic(rec);
                if (!EqualNoCase(name, inst->helpFilePath)) {
                    rec->nsr.fileWide = nullptr;
                    rec->topic.fileWide = nullptr;
                }
                if (rec->hwnd == mainWnd) {
                    auto* entry = reinterpret_cast<PictureEntry*>(ListFindByName(inst->pictures, name, nullptr));
                    if (!entry) {
                        entry = static_cast<PictureEntry*>(PoolAlloc(sizeof(PictureEntry)));
                        if (entry) {
                            entry->header.kind = kKindPicture;
                            entry->transparentColour = kNoColour;
                            CopyBounded(entry->name, sizeof entry->name, name);
                            ListAppend(&inst->pictures, &entry->header, nullptr);
                        }
                    }
                    if (entry) rec->helpFile = entry;
                }
            }
        }
        if (frame && frame == mainWnd) CopyBounded(inst->helpFilePath, sizeof inst->helpFilePath, name);
    }
    HeapFree(GetProcessHeap(), 0, name);
}

void TakeCallbacks(const FARPROC* table) {
    InstanceRecord* inst = FindInstance();
    if (!inst || !table) return;
    std::memcpy(inst->callbacks, table, sizeof inst->callbacks);
    if (inst->shellMessageId == 0)
        inst->shellMessageId = static_cast<std::uint16_t>(RegisterWindowMessageA(ZYL_HOST_SHELL_MESSAGE));
    HWND mainWnd = reinterpret_cast<HWND>(HostGetInfo(inst, GI_MAINHWND));
    if (inst->shellMessageId && mainWnd) SendMessageA(mainWnd, inst->shellMessageId, 0, 0);
    SubclassMainWindow(inst, mainWnd);
}

}  // namespace

BOOL(WINAPI* g_removeFontResource)(LPCSTR path) = RemoveFontResourceA;
UINT_PTR(WINAPI* g_setTimer)(HWND hwnd, UINT_PTR id, UINT period, TIMERPROC proc) = SetTimer;
void (*g_classesGoing)() = nullptr;

HINSTANCE ModuleInstance() { return g_moduleInstance; }

void ModuleAttach(HINSTANCE instance) {
    g_moduleInstance = instance;
    g_registrationCount = 0;
    if (!g_registrationLockReady) {
        InitializeCriticalSection(&g_registrationLock);
        g_registrationLockReady = true;
    }
    InstanceListInit();
}

void ModuleDetach() {
    InstanceListShutdown();
    if (g_registrationLockReady) {
        g_registrationLockReady = false;
        DeleteCriticalSection(&g_registrationLock);
    }
}

void SetBackgroundCapture(bool on) { InterlockedExchange(&g_backgroundCapture, on ? 1 : 0); }
bool BackgroundCaptureActive() { return g_backgroundCapture != 0; }

LONG RegistrationCount() { return g_registrationCount; }

}  // namespace zyl

extern "C" LONG_PTR CALLBACK LDLLHandler(UINT message, LPARAM lParam1, LPARAM lParam2) {
    using namespace zyl;
    switch (message & 0xFFFF) {
    case DW_WHATMSG: return DC_ALL;
    case DW_MINMAX: return 0;
    case DW_SIZE: return 1;
    case DW_INIT: Initialise(); return 1;
    case DW_TERM: Terminate(); return 1;
    case DW_STARTJUMP: StartJump(); return 1;
    case DW_ENDJUMP: EndJump(); return 1;
    case DW_CHGFILE: ChangeFile(reinterpret_cast<const char*>(lParam1)); return 1;
    case DW_ACTIVATE: return 1;
    case DW_CALLBACKS: TakeCallbacks(reinterpret_cast<const FARPROC*>(lParam1)); return 1;
    default: return 0;
    }
}
