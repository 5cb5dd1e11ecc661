#include "core/thread/instance.h"

#include <mmsystem.h>

#include <cstring>

#include "core/gdiobj.h"
#include "core/platform.h"
#include "core/text.h"

namespace zyl {

namespace {

// The instance list is the one piece of state every host thread walks; host
// threads may start and end while others run module code, so it is guarded.
CRITICAL_SECTION g_instanceLock;
bool g_instanceLockReady = false;
ListNode* g_instances = nullptr;

struct InstanceLock {
    InstanceLock() { if (g_instanceLockReady) EnterCriticalSection(&g_instanceLock); }
    ~InstanceLock() { if (g_instanceLockReady) LeaveCriticalSection(&g_instanceLock); }
};

}  // namespace

void InstanceListInit() {
    if (!g_instanceLockReady) {
        InitializeCriticalSection(&g_instanceLock);
        g_instanceLockReady = true;
    }
}

void InstanceListShutdown() {
    if (g_instanceLockReady) {
        g_instanceLockReady = false;
        DeleteCriticalSection(&g_instanceLock);
    }
}

InstanceRecord* FindInstance() {
    InstanceLock lock;
    return reinterpret_cast<InstanceRecord*>(ListFindByKey(g_instances, GetCurrentThreadId()));
}

void InstanceListAdd(InstanceRecord* inst) {
    InstanceLock lock;
    ListAppend(&g_instances, &inst->header, nullptr);
}

void InstanceListRemove(InstanceRecord* inst) {
    InstanceLock lock;
    ListUnlink(&g_instances, &inst->header);
}

ListNode* ListAppend(ListNode** head, ListNode* node, ListNode* tail) {
    if (!head || !node) return node;
    if (!tail && *head) {
        tail = *head;
        while (tail->next) tail = tail->next;
    }
    node->next = nullptr;
    node->prev = tail;
    if (tail)
        tail->next = node;
    else
        *head = node;
    return node;
}

void ListUnlink(ListNode** head, ListNode* node) {
    if (!head || !node) return;
    if (node->prev)
        node->prev->next = node->next;
    else if (*head == node)
        *head = node->next;
    if (node->next) node->next->prev = node->prev;
    node->next = nullptr;
    node->prev = nullptr;
}

ListNode* ListFindByName(ListNode* head, const char* name, ListNode* skip) {
    for (ListNode* n = head; n; n = n->next) {
        if (n == skip) continue;
        const char* own = NodeName(n);
        if (own && EqualNoCase(own, name)) return n;
    }
    return nullptr;
}

ListNode* ListFindByKey(ListNode* head, std::uint32_t key) {
    for (ListNode* n = head; n; n = n->next) {
        if (n->kind == kKindInstance && reinterpret_cast<InstanceRecord*>(n)->threadId == key) return n;
        if (n->kind == kKindIoProc && reinterpret_cast<IoProcEntry*>(n)->fourcc == key) return n;
    }
    return nullptr;
}

static void ReleaseNodeContents(ListNode* n) {
    if (n->kind == kKindPicture) {
        auto* pe = reinterpret_cast<PictureEntry*>(n);
        if (pe->bitmap) DeleteObject(pe->bitmap);
        if (pe->palette) DeleteObject(pe->palette);
        // The hot-spot table outlives unloads of the bitmap; it goes with
        // the entry either way.
        if (pe->hotSpots) HeapFree(GetProcessHeap(), 0, pe->hotSpots);
        pe->bitmap = nullptr;
        pe->palette = nullptr;
        pe->hotSpots = nullptr;
    } else if (n->kind == kKindIoProc) {
        auto* io = reinterpret_cast<IoProcEntry*>(n);
        if (io->previousProc)
            mmioInstallIOProcA(io->fourcc, reinterpret_cast<LPMMIOPROC>(io->previousProc),
                               MMIO_INSTALLPROC | MMIO_GLOBALPROC);
        else
            mmioInstallIOProcA(io->fourcc, nullptr, MMIO_REMOVEPROC);
    }
}

void ListFree(ListNode** head) {
    if (!head) return;
    while (ListNode* n = *head) {
        *head = n->next;
        if (*head) (*head)->prev = nullptr;
        ReleaseNodeContents(n);
        PoolFree(n);
    }
}

void* PoolAlloc(std::size_t size) {
    InstanceRecord* inst = FindInstance();
    if (!inst) return nullptr;
    return PoolAllocFrom(&inst->poolHead, size);
}

void PoolFree(void* node) {
    InstanceRecord* inst = FindInstance();
    if (!inst) return;
    PoolFreeFrom(&inst->poolHead, node);
}

LONG_PTR HostGetInfo(InstanceRecord* inst, WORD item, HWND window) {
    if (!inst || !inst->callbacks[ZYL_CALLBACK_GETINFO]) return 0;
    auto getInfo = reinterpret_cast<ZYL_GETINFO>(reinterpret_cast<void (*)()>(inst->callbacks[ZYL_CALLBACK_GETINFO]));
    return getInfo(item, window);
}

void HostApi(InstanceRecord* inst, const char* helpFile, WORD command, LONG_PTR data) {
    if (!inst || !inst->callbacks[ZYL_CALLBACK_API]) return;
    auto api = reinterpret_cast<ZYL_API>(reinterpret_cast<void (*)()>(inst->callbacks[ZYL_CALLBACK_API]));
    api(helpFile, command, data);
}

bool FetchHelpFilePath(InstanceRecord* inst) {
    HGLOBAL h = reinterpret_cast<HGLOBAL>(HostGetInfo(inst, GI_HPATH));
    if (!h) return false;
    bool ok = false;
    {
        GlobalLocked text(h);
        if (text.get()) {
            CopyBounded(inst->helpFilePath, sizeof inst->helpFilePath, static_cast<const char*>(text.get()));
            ShortenPath(inst->helpFilePath, sizeof inst->helpFilePath);
            ok = true;
        }
    }
    GlobalFree(h);
    return ok;
}

PictureEntry* GetHelpFileEntry(InstanceRecord* inst, bool fetchPath) {
    if (!inst) return nullptr;
    auto* entry = reinterpret_cast<PictureEntry*>(ListFindByName(inst->pictures, inst->helpFilePath, nullptr));
    if (!entry) {
        entry = static_cast<PictureEntry*>(PoolAlloc(sizeof(PictureEntry)));
        if (!entry) return nullptr;
        entry->header.kind = kKindPicture;
        entry->transparentColour = kNoColour;
        CopyBounded(entry->name, sizeof entry->name, inst->helpFilePath);
        ListAppend(&inst->pictures, &entry->header, nullptr);
    }
    if (fetchPath && inst->helpFilePath[0] == '\0' && FetchHelpFilePath(inst))
        CopyBounded(entry->name, sizeof entry->name, inst->helpFilePath);
    return entry;
}

WindowRecord* GetWindowRecord(InstanceRecord* inst, const char* windowName, bool fetchPath) {
    PictureEntry* helpFile = GetHelpFileEntry(inst, fetchPath);
    if (!helpFile || !windowName) return nullptr;
    const bool isMain = EqualNoCase(windowName, "main");
    WindowRecord* rec = nullptr;
    for (ListNode* n = inst->windows; n; n = n->next) {
        auto* w = reinterpret_cast<WindowRecord*>(n);
        if (!EqualNoCase(w->name, windowName)) continue;
        if (isMain && w->helpFile != helpFile) continue;
        rec = w;
        break;
    }
    if (!rec) {
        if (isMain && inst->helpFilePath[0] == '\0') inst->pendingHelpFileEntry = helpFile;
        rec = static_cast<WindowRecord*>(PoolAlloc(sizeof(WindowRecord)));
        if (!rec) return nullptr;
        rec->header.kind = kKindWindow;
        rec->helpFile = helpFile;
        rec->nsr.colour = kNoColour;
        rec->topic.colour = kNoColour;
        CopyBounded(rec->name, sizeof rec->name, windowName);
        ListAppend(&inst->windows, &rec->header, nullptr);
    }
    if (isMain) rec->hwnd = reinterpret_cast<HWND>(HostGetInfo(inst, GI_MAINHWND));
    return rec;
}

WindowRecord* FindWindowRecordByHwnd(InstanceRecord* inst, HWND hwnd) {
    PictureEntry* helpFile = GetHelpFileEntry(inst, true);
    if (!helpFile || !hwnd) return nullptr;
    for (ListNode* n = inst->windows; n; n = n->next) {
        auto* w = reinterpret_cast<WindowRecord*>(n);
        if (w->helpFile == helpFile && w->hwnd == hwnd) return w;
    }
    return nullptr;
}

COLORREF GetRegionBackColour(InstanceRecord* inst, HWND embedded) {
    HWND region = GetParent(embedded);
    WindowRecord* rec = region ? FindWindowRecordByHwnd(inst, GetParent(region)) : nullptr;
    COLORREF colour = kNoColour;
    if (rec) {
        char cls[32] = "";
        GetClassNameA(region, cls, sizeof cls);
        colour = EqualNoCase(cls, ZYL_HOST_CLASS_TOPIC) ? rec->topic.colour : rec->nsr.colour;
    }
    if (colour == kNoColour) colour = static_cast<COLORREF>(HostGetInfo(inst, GI_BKCOLOR));
    return colour;
}

void AddTempFile(InstanceRecord* inst, const char* path) {
    if (!inst || !path) return;
    if (ListFindByName(inst->tempFiles, path, nullptr)) return;
    auto* entry = static_cast<PictureEntry*>(PoolAlloc(sizeof(PictureEntry)));
    if (!entry) return;
    entry->header.kind = kKindPicture;
    entry->transparentColour = kNoColour;
    CopyBounded(entry->name, sizeof entry->name, path);
    ListAppend(&inst->tempFiles, &entry->header, nullptr);
}

}  // namespace zyl
