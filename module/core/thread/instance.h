// Per-thread state of the module: the instance record of each host thread,
// the typed object lists hanging off it and the lookups built on them.
#pragma once
#include <windows.h>

#include <cstdint>

#include "core/thread/pool.h"
#include "zyl3an32.h"

namespace zyl {

constexpr std::size_t kPathChars = 129;   // 128 characters and the terminator
constexpr std::size_t kWindowNameChars = 9;
constexpr COLORREF kNoColour = 0x80000000u;

enum NodeKind : std::uint32_t {
    kKindInstance = 1,
    kKindPicture = 2,
    kKindWindow = 3,
    kKindIoProc = 4,
};

struct ListNode {
    std::uint32_t kind;
    ListNode* next;
    ListNode* prev;
};

struct HotSpot {
    std::int16_t left, top, right, bottom;
    std::uint32_t context;
};
constexpr int kMaxHotSpots = 100;

// One cached picture, help-file entry or temporary file (told apart by the
// list that holds it).
struct PictureEntry {
    ListNode header;
    PictureEntry* owner;          // help-file entry the picture is read from
    HBITMAP bitmap;               // frame strip, null while unloaded
    HPALETTE palette;
    DWORD lastUse;
    COLORREF transparentColour;   // kNoColour = none
    std::int32_t frameWidth;
    std::int32_t frameHeight;
    std::int32_t frameCount;
    std::int32_t frameDelay;
    std::int32_t hotSpotCount;
    HotSpot* hotSpots;            // kMaxHotSpots records from the heap, or null
    char name[kPathChars];
};

struct RegionDecoration {
    PictureEntry* fileWide;
    std::uint16_t fileWideFlags;
    PictureEntry* perTopic;
    std::uint16_t perTopicFlags;
    COLORREF colour;              // kNoColour = not set
};

// One host window name: "main" per help file, "popup", or a secondary name.
struct WindowRecord {
    ListNode header;
    HWND hwnd;
    PictureEntry* helpFile;
    std::int32_t popupWidth, popupHeight;
    std::int32_t popupTopicWidth, popupTopicHeight;
    RegionDecoration nsr;
    RegionDecoration topic;
    char name[kWindowNameChars];
};

// A multimedia I/O procedure the module installed for a file extension.
struct IoProcEntry {
    ListNode header;
    std::uint32_t fourcc;
    void* previousProc;           // LPMMIOPROC installed before, or null
};

struct FormControl;               // the form fields keep their own records
struct PaintState;
struct SubclassTable;

struct InstanceRecord {
    ListNode header;
    std::uint32_t threadId;
    FARPROC callbacks[ZYL_CALLBACK_COUNT];
    PoolBlock* poolHead;
    HFONT font;
    HHOOK hook;
    BOOL preferDiskFiles;
    ListNode* pictures;
    ListNode* windows;
    ListNode* ioProcs;
    HCURSOR handCursor;
    HCURSOR arrowCursor;
    PictureEntry* pendingHelpFileEntry;
    std::uint16_t shellMessageId;
    FormControl* formControls;
    ListNode* tempFiles;
    BOOL printing;
    BOOL graphicButtonBusy;
    char helpFilePath[kPathChars];
    // What the decoration keeps between calls: the painter's buffer and
    // pictures (decor/paint.cpp), the subclassed windows (decor/subclass.cpp).
    PaintState* paint;
    SubclassTable* subclassed;
    // How many macro scripts of ZylEBS and ZylEBSX are running inside one
    // another (macros/windowmacros.cpp).
    int scriptDepth;
};

// ---- instance list (process wide, guarded) ----
InstanceRecord* FindInstance();
// Appends / removes a record; both take the instance list's lock.
void InstanceListAdd(InstanceRecord* inst);
void InstanceListRemove(InstanceRecord* inst);
void InstanceListInit();     // process attach
void InstanceListShutdown(); // process detach

// ---- typed lists ----
ListNode* ListAppend(ListNode** head, ListNode* node, ListNode* tail);
void ListUnlink(ListNode** head, ListNode* node);
ListNode* ListFindByName(ListNode* head, const char* name, ListNode* skip);
ListNode* ListFindByKey(ListNode* head, std::uint32_t key);
void ListFree(ListNode** head);

// ---- node pool of the calling thread's instance ----
void* PoolAlloc(std::size_t size);
void PoolFree(void* node);

// ---- lookups ----
PictureEntry* GetHelpFileEntry(InstanceRecord* inst, bool fetchPath);
WindowRecord* GetWindowRecord(InstanceRecord* inst, const char* windowName, bool fetchPath);
WindowRecord* FindWindowRecordByHwnd(InstanceRecord* inst, HWND hwnd);
COLORREF GetRegionBackColour(InstanceRecord* inst, HWND embedded);
void AddTempFile(InstanceRecord* inst, const char* path);

// ---- host callbacks (inert until message 10 filled the table) ----
// `window`: the host window the item is asked about, where it matters.
LONG_PTR HostGetInfo(InstanceRecord* inst, WORD item, HWND window = nullptr);
void HostApi(InstanceRecord* inst, const char* helpFile, WORD command, LONG_PTR data);
// Asks the host for the help file path (item 8), stores its short form in
// inst->helpFilePath and frees the host's handle. False when none came.
bool FetchHelpFilePath(InstanceRecord* inst);

inline const char* NodeName(ListNode* n) {
    if (n->kind == kKindPicture) return reinterpret_cast<PictureEntry*>(n)->name;
    if (n->kind == kKindWindow) return reinterpret_cast<WindowRecord*>(n)->name;
    return nullptr;
}

}  // namespace zyl
