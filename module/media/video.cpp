// ZYL3_ANIMVIDEO32, the video window: a clip opened through the platform's
// Media Control Interface, whose driver shows the picture in a child window
// of ours. Below it, when the author asks, the control bar (videobar.cpp);
// a clip without picture and without bar gets a single play button.
//
// A clip kept inside the help file never touches the disk: the driver is
// given the element name "file+record address", which the platform routes
// to the I/O procedure installed for the extension's code ("AVI " for
// .avi), VideoIoProc, and that procedure reads the clip through the help
// file reader.
#include "media/video.h"

#include <cstring>

#include "core/gdiobj.h"
#include "core/handler.h"
#include "core/platform.h"
#include "core/text.h"
#include "media/disksearch.h"
#include "zyl3an32.h"

namespace zyl {

namespace {

constexpr std::size_t kElementChars = kPathChars + 24;   // a path, '+' and an address
constexpr std::size_t kDeviceTypeChars = 32;
constexpr std::size_t kAliasChars = 20;
constexpr COLORREF kPanelBack = RGB(255, 255, 255);

// ---- live records ----
//
// The I/O procedure takes a record's address out of an element name that
// anyone in the process could have written; it only believes an address
// that names a video window alive now. The list is shared by every host
// thread and by the drivers' playback threads, under a spin lock (held for
// a few instructions).

volatile LONG g_liveLock = 0;
VideoRecord* g_live = nullptr;

class LiveLock {
public:
    LiveLock() {
        while (InterlockedExchange(&g_liveLock, 1)) Sleep(0);
    }
    ~LiveLock() { InterlockedExchange(&g_liveLock, 0); }
    LiveLock(const LiveLock&) = delete;
    LiveLock& operator=(const LiveLock&) = delete;
};

void AddLive(VideoRecord* rec) {
    LiveLock lock;
    rec->nextLive = g_live;
    g_live = rec;
}

void RemoveLive(VideoRecord* rec) {
    LiveLock lock;
    for (VideoRecord** p = &g_live; *p; p = &(*p)->nextLive) {
        if (*p == rec) {
            *p = rec->nextLive;
            break;
        }
    }
    rec->nextLive = nullptr;
}

VideoRecord* FindLive(std::uint64_t address) {
    LiveLock lock;
    for (VideoRecord* r = g_live; r; r = r->nextLive)
        if (reinterpret_cast<std::uintptr_t>(r) == address) return r;
    return nullptr;
}

// ---- the I/O procedure's state ----

// The record travels in the second word of adwInfo (and the third, for the
// upper half of a 64-bit address).
void StoreRecord(MMIOINFO* info, VideoRecord* rec) {
    const auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(rec));
    info->adwInfo[1] = static_cast<DWORD>(address);
    info->adwInfo[2] = static_cast<DWORD>(address >> 32);
}

VideoRecord* StoredRecord(const MMIOINFO* info) {
    const std::uint64_t address = static_cast<std::uint64_t>(info->adwInfo[2]) << 32 | info->adwInfo[1];
    return reinterpret_cast<VideoRecord*>(static_cast<std::uintptr_t>(address));
}

bool PreferDisk(const VideoRecord* rec) { return rec->instance && rec->instance->preferDiskFiles; }

void CloseClip(VideoRecord* rec) {
    if (rec->clipFile) DataFileClose(rec->clipFile);
    if (rec->clipHelpFile) CloseHelpFile(rec->clipHelpFile);
    rec->clipFile = nullptr;
    rec->clipHelpFile = nullptr;
}

// The help file and the clip in it, opened at the first read or seek.
bool EnsureClipOpen(VideoRecord* rec) {
    if (rec->clipFile) return true;
    if (!rec->clipFound) return false;
    if (!rec->clipHelpFile) rec->clipHelpFile = OpenHelpFile(rec->helpFile);
    if (rec->clipHelpFile) rec->clipFile = DataFileOpen(rec->clipHelpFile, rec->internalName, PreferDisk(rec));
    if (!rec->clipFile) CloseClip(rec);
    return rec->clipFile != nullptr;
}

// MMIOM_OPEN: the element name names the clip and its record. The clip is
// only looked up here (and closed again); reading opens it.
LRESULT IoOpen(MMIOINFO* info, const char* element) {
    char name[kPathChars];
    std::uint64_t address = 0;
    if (!SplitElementName(element, name, sizeof name, &address)) return MMIOERR_CANNOTOPEN;
    VideoRecord* rec = FindLive(address);
    if (!rec) return MMIOERR_CANNOTOPEN;
    StoreRecord(info, rec);
    info->lDiskOffset = 0;
    if (!rec->clipFound) {
        HelpFilePtr help(OpenHelpFile(rec->helpFile));
        if (help) {
            DataFilePtr clip(DataFileOpen(help.get(), name, PreferDisk(rec)));
            if (clip) {
                CopyBounded(rec->internalName, sizeof rec->internalName, name);
                rec->clipFound = true;
            }
        }
    }
    return rec->clipFound ? MMSYSERR_NOERROR : MMIOERR_CANNOTOPEN;
}

LRESULT IoRead(MMIOINFO* info, char* buffer, LONG count) {
    VideoRecord* rec = StoredRecord(info);
    if (!rec || !buffer || count < 0 || !EnsureClipOpen(rec)) return -1;
    const std::int32_t n = DataFileRead(rec->clipFile, buffer, count);
    info->lDiskOffset = DataFileSeek(rec->clipFile, 0, 1);
    return n;
}

LRESULT IoSeek(MMIOINFO* info, LONG offset, int origin) {
    VideoRecord* rec = StoredRecord(info);
    if (!rec || origin < 0 || origin > 2 || !EnsureClipOpen(rec)) return -1;
    const std::int32_t before = DataFileSeek(rec->clipFile, 0, 1);
    const std::int32_t after = DataFileSeek(rec->clipFile, offset, origin);
    // Before the start there is nothing to stand on.
    if (after < 0) {
        DataFileSeek(rec->clipFile, before, 0);
        return -1;
    }
    info->lDiskOffset = after;
    return after;
}

LRESULT IoClose(MMIOINFO* info) {
    VideoRecord* rec = StoredRecord(info);
    if (!rec) return MMSYSERR_NOERROR;
    CloseClip(rec);
    rec->clipFound = false;
    return MMSYSERR_NOERROR;
}

// The procedure is installed once per code and thread; the one it covers
// comes back when the thread ends (ListFree of the instance's ioProcs).
void InstallIoProc(InstanceRecord* inst, std::uint32_t code) {
    if (!inst || ListFindByKey(inst->ioProcs, code)) return;
    auto* entry = static_cast<IoProcEntry*>(PoolAlloc(sizeof(IoProcEntry)));
    if (!entry) return;
    entry->header.kind = kKindIoProc;
    entry->fourcc = code;
    entry->previousProc = reinterpret_cast<void*>(mmioInstallIOProcA(code, nullptr, MMIO_FINDPROC));
    ListAppend(&inst->ioProcs, &entry->header, nullptr);
    mmioInstallIOProcA(code, VideoIoProc, MMIO_INSTALLPROC | MMIO_GLOBALPROC);
}

// ---- opening the clip ----

bool IsVersion3Subset() {
    const DWORD version = GetVersion();
    return (version & 0x80000000u) && LOBYTE(LOWORD(version)) < 4;
}

// The clip on disk: the platform's search for the name as written, then
// for its bare name, then the folder "winhelp.ini" gives for it in [FILES],
// then the help file's folder.
void DiskElementName(const VideoRecord* rec, const VideoParams& params, char* out, std::size_t capacity) {
    const char* bare = params.file.c_str() + params.file.size();
    while (bare > params.file.c_str() && bare[-1] != '\\' && bare[-1] != '/' && bare[-1] != ':') --bare;
    char found[kPathChars];
    if (DiskFileExists(params.file.c_str(), found)) {
        CopyBounded(out, capacity, found);
        return;
    }
    LocateDiskFile(bare, rec->helpFile, out, capacity);
}

HWND CreatePlayButton(HWND hwnd) {
    return CreateWindowExA(0, "button", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, kVideoPlayButtonSize,
                           kVideoPlayButtonSize, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPlayButtonId)),
                           ModuleInstance(), nullptr);
}

SIZE WindowSize(HWND w) {
    RECT rc = {0, 0, 0, 0};
    if (w) GetWindowRect(w, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

// The open: 0, an MCI error code or a string id.
int OpenClip(HWND hwnd, VideoRecord* rec, const char* data) {
    VideoParams params;
    if (const int error = ParseVideoParams(data, &params)) return error;
    rec->flags = params.flags;
    CopyBounded(rec->fileName, sizeof rec->fileName, params.fileName);

    char deviceType[kDeviceTypeChars] = "";
    if (!params.extension.empty())
        GetProfileStringA("mci extensions", params.extension.c_str(), "", deviceType, sizeof deviceType);
    if (!deviceType[0]) return ZYL_ERR_NO_DRIVER;

    char element[kElementChars] = "";
    if (!(rec->flags & kVideoDiskOnly) && !EqualNoCase(params.extension.c_str(), "mid") && !IsVersion3Subset()) {
        InstallIoProc(rec->instance, VideoIoProcCode(params.extension.c_str()));
        MakeElementName(params.file.c_str(), reinterpret_cast<std::uintptr_t>(rec), element, sizeof element);
    } else {
        DiskElementName(rec, params, element, sizeof element);
    }
    if (!element[0]) return MCIERR_FILE_NOT_FOUND;

    char alias[kAliasChars];
    FormatHex(reinterpret_cast<std::uintptr_t>(hwnd), alias, sizeof alias);

    MCI_ANIM_OPEN_PARMSA open = {};
    open.lpstrDeviceType = deviceType;
    open.lpstrElementName = element;
    open.lpstrAlias = alias;
    DWORD flags = MCI_WAIT | MCI_OPEN_ELEMENT | MCI_OPEN_ALIAS | MCI_OPEN_TYPE;
    const bool bar = HasVideoBar(rec->flags);
    HWND playButton = nullptr;
    if (!(rec->flags & kVideoNoPicture)) {
        flags |= MCI_ANIM_OPEN_PARENT | MCI_ANIM_OPEN_WS;
        open.hWndParent = hwnd;
        open.dwStyle = WS_CHILD | ((rec->flags & kVideoBarPlay) ? WS_BORDER : 0);
    } else if (!bar) {
        playButton = CreatePlayButton(hwnd);
    }
    MCIERROR error = mciSendCommandA(0, MCI_OPEN, flags | MCI_OPEN_SHAREABLE, reinterpret_cast<DWORD_PTR>(&open));
    if (error) error = mciSendCommandA(0, MCI_OPEN, flags, reinterpret_cast<DWORD_PTR>(&open));
    if (error) {
        if (playButton) DestroyWindow(playButton);
        return static_cast<int>(error);
    }
    rec->device = open.wDeviceID;
    rec->pictureWindow = GetWindow(hwnd, GW_CHILD);
    const SIZE picture = WindowSize(rec->pictureWindow);
    const VideoLayout layout = LayoutVideo(rec->flags, picture.cx, picture.cy);
    if (layout.resizePicture && rec->pictureWindow)
        SetWindowPos(rec->pictureWindow, nullptr, 0, 0, layout.pictureWidth, layout.pictureHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (bar) {
        rec->barWindow = CreateWindowExA(0, kVideoBarClass.name,
                                         "", WS_CHILD | WS_VISIBLE | WS_BORDER | ((rec->flags & kVideoBarMenu) ? 1 : 0),
                                         0, layout.barTop, layout.width, kVideoBarHeight, hwnd,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(kVideoBarId)), ModuleInstance(), rec);
    }
    rec->size = SIZE{layout.width, layout.height};
    return 0;
}

LRESULT OnCreate(HWND hwnd, VideoRecord* rec, const char* data) {
    rec->markX = -1;
    AddLive(rec);
    const int error = OpenClip(hwnd, rec, data);
    if (error) {
        EnterErrorState(hwnd, error);
        return 0;
    }
    rec->length = static_cast<std::int32_t>(VideoStatus(rec, MCI_STATUS_LENGTH));
    return 0;
}

// Every child of the main window of class "TOCFRAME" repaints: a contents
// frame the host draws beside a playing clip.
void RefreshContentsFrames(HWND mainWindow) {
    for (HWND child = GetWindow(mainWindow, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[33] = "";
        GetClassNameA(child, cls, sizeof cls);
        if (EqualNoCase(cls, "TOCFRAME")) InvalidateRect(child, nullptr, TRUE);
    }
}

void OnDestroy(HWND hwnd, VideoRecord* rec) {
    if (rec->device) {
        MCI_GENERIC_PARMS close = {};
        mciSendCommandA(rec->device, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&close));
        rec->device = 0;
    }
    if (rec->pictureWindow && IsWindow(rec->pictureWindow)) {
        DestroyWindow(rec->pictureWindow);
        const HWND mainWindow = reinterpret_cast<HWND>(HostGetInfo(FindInstance(), GI_MAINHWND));
        const HWND region = GetParent(hwnd);
        if (mainWindow && region && GetParent(region) == mainWindow && rec->markX != -1)
            RefreshContentsFrames(mainWindow);
    }
    rec->pictureWindow = nullptr;
    if (rec->barWindow && IsWindow(rec->barWindow)) DestroyWindow(rec->barWindow);
    rec->barWindow = nullptr;
    // The driver closed the clip with the device; a driver that did not
    // leaves nothing open behind the record either.
    CloseClip(rec);
    RemoveLive(rec);
}

// ---- painting and the play button ----

void OnPaint(HWND hwnd, VideoRecord* rec) {
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    EndPaint(hwnd, &ps);
    if (!(rec->flags & kVideoAutoplay)) return;
    rec->flags = static_cast<std::uint16_t>(rec->flags & ~kVideoAutoplay);
    if (rec->barWindow) {
        PostCommand(rec->barWindow, kPlayButtonId, 0, nullptr);
    } else if (rec->flags & kVideoNoPicture) {
        PostCommand(hwnd, kPlayButtonId, 0, rec->pictureWindow);
    } else if (rec->pictureWindow) {
        rec->stoppedByUser = false;
        VideoPlay(rec, hwnd);
    }
}

// The play button (and autoplay without a bar): plays from the start, or
// stops what plays.
void OnPlayButton(VideoRecord* rec, HWND hwnd) {
    if (!VideoIsPlaying(rec)) {
        rec->stoppedByUser = false;
        VideoSeekToStart(rec);
        VideoPlay(rec, hwnd);
    } else {
        rec->stoppedByUser = true;
        VideoStop(rec);
    }
    if (rec->pictureWindow) InvalidateRect(rec->pictureWindow, nullptr, FALSE);
}

void DrawPlayButton(const VideoRecord* rec, const DRAWITEMSTRUCT* item) {
    int row = 0;
    if (item->itemState & ODS_SELECTED)
        row = 2;
    else if (VideoIsPlaying(rec))
        row = 1;
    Bitmap pictures(LoadBitmapA(ModuleInstance(), MAKEINTRESOURCEA(IDB_ZYL_VIDEO_PLAY)));
    OwnedDC source(CreateCompatibleDC(item->hDC));
    Selected selected(source.get(), pictures.get());
    if (!selected.ok()) return;
    const RECT& rc = item->rcItem;
    SetStretchBltMode(item->hDC, COLORONCOLOR);
    StretchBlt(item->hDC, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, source.get(), 0,
               row * kVideoPlayButtonSize, kVideoPlayButtonSize, kVideoPlayButtonSize, SRCCOPY);
}

void OnNotify(HWND hwnd, VideoRecord* rec, WPARAM status) {
    (void)hwnd;
    if ((rec->flags & kVideoLoop) && status == MCI_NOTIFY_SUCCESSFUL && !rec->stoppedByUser) {
        VideoSeekToStart(rec);
        VideoPlay(rec, hwnd);
    } else if ((rec->flags & kVideoNoPicture) && rec->pictureWindow) {
        InvalidateRect(rec->pictureWindow, nullptr, FALSE);
    }
}

// ---- the host's requests ----

// The printed panel: a frame over the window's size and the multimedia
// system's text for the window's state (for a working clip, the text of
// code 0), centred in the module's font.
void DrawPanel(HDC dc, const void* context) {
    const auto* rec = static_cast<const VideoRecord*>(context);
    const SIZE size = rec->size;
    Rectangle(dc, 0, 0, size.cx, size.cy);
    char text[kErrorTextChars] = "";
    LoadErrorText(rec->errorId, text, sizeof text);
    Font own(CreateFontA(14, 0, 0, 0, 100, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif"));
    Selected font(dc, own.get());
    const int length = static_cast<int>(std::strlen(text));
    const DWORD extent = MeasureText(dc, text, length);
    RECT box = {1, 1, size.cx - 1, size.cy - 1};   // inside the frame
    SetBkColor(dc, kPanelBack);
    ExtTextOutA(dc, (size.cx - PackedWidth(extent)) / 2, (size.cy - PackedHeight(extent)) / 2,
                ETO_OPAQUE | ETO_CLIPPED, &box, text, static_cast<UINT>(length), nullptr);
}

LRESULT AnimVideoProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    VideoRecord* rec = VideoRecordOf(hwnd);
    switch (msg) {
    case WM_CREATE:
        return OnCreate(hwnd, rec, AuthorData(lParam));
    case WM_DESTROY:
        OnDestroy(hwnd, rec);
        return 0;
    case WM_NCDESTROY:
        // A window destroyed before its WM_DESTROY reached us.
        RemoveLive(rec);
        break;
    case WM_PAINT:
        OnPaint(hwnd, rec);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SHOWWINDOW:
        if (wParam && rec->pictureWindow && IsWindow(rec->pictureWindow)) ShowWindow(rec->pictureWindow, SW_SHOW);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kPlayButtonId && HIWORD(wParam) == 0 && rec->device) OnPlayButton(rec, hwnd);
        return 0;
    case WM_MEASUREITEM:
        if (auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)) {
            item->itemWidth = static_cast<UINT>(rec->size.cx);
            item->itemHeight = static_cast<UINT>(rec->size.cy);
        }
        return 1;
    case WM_DRAWITEM:
        if (lParam) DrawPlayButton(rec, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return 1;
    case MM_MCINOTIFY:
        OnNotify(hwnd, rec, wParam);
        return 0;
    case EWM_RENDER:
        if (wParam == EWRENDER_TEXT) return reinterpret_cast<LRESULT>(MakeTextBlock(rec->fileName));
        if (wParam == EWRENDER_BITMAP)
            return reinterpret_cast<LRESULT>(RenderScreenPicture(RenderTarget(lParam), rec->size, DrawPanel, rec));
        return 0;
    }
    return EmbeddedDefProc(hwnd, msg, wParam, lParam);
}

}  // namespace

// ---- MCI on a record's device ----

MCIERROR VideoCommand(const VideoRecord* rec, UINT command, DWORD_PTR flags, void* parms) {
    if (!rec || !rec->device) return MCIERR_INVALID_DEVICE_ID;
    return mciSendCommandA(rec->device, command, flags, reinterpret_cast<DWORD_PTR>(parms));
}

DWORD_PTR VideoStatus(const VideoRecord* rec, DWORD item) {
    MCI_STATUS_PARMS status = {};
    status.dwItem = item;
    return VideoCommand(rec, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, &status) ? 0 : status.dwReturn;
}

bool VideoIsPlaying(const VideoRecord* rec) { return VideoStatus(rec, MCI_STATUS_MODE) == MCI_MODE_PLAY; }

MCIERROR VideoSeekToStart(const VideoRecord* rec) {
    MCI_SEEK_PARMS seek = {};
    return VideoCommand(rec, MCI_SEEK, MCI_SEEK_TO_START | MCI_WAIT, &seek);
}

MCIERROR VideoSeekTo(const VideoRecord* rec, DWORD position) {
    MCI_SEEK_PARMS seek = {};
    seek.dwTo = position;
    return VideoCommand(rec, MCI_SEEK, MCI_TO | MCI_WAIT, &seek);
}

MCIERROR VideoPlay(const VideoRecord* rec, HWND callback) {
    MCI_PLAY_PARMS play = {};
    play.dwCallback = LOWORD(reinterpret_cast<std::uintptr_t>(callback));
    return VideoCommand(rec, MCI_PLAY, MCI_NOTIFY, &play);
}

MCIERROR VideoStop(const VideoRecord* rec) {
    MCI_GENERIC_PARMS stop = {};
    return VideoCommand(rec, MCI_STOP, MCI_WAIT, &stop);
}

const EmbeddedClass kAnimVideoClass = {
    "ZYL3_ANIMVIDEO32", AnimVideoWndProc, AnimVideoProc, kEmbeddedStyle, kRecordSlot,
    ClassCursor::kArrow, kNoBackground, sizeof(VideoRecord), false,
};

}  // namespace zyl

extern "C" LRESULT CALLBACK AnimVideoWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return zyl::EmbeddedWindowProc(zyl::kAnimVideoClass, hwnd, msg, wParam, lParam);
}

// Standard MMIO messages; the record pointer is in adwInfo, the position
// in lDiskOffset. Writing is refused.
extern "C" LRESULT CALLBACK VideoIoProc(LPSTR mmioInfo, UINT message, LPARAM lParam1, LPARAM lParam2) {
    using namespace zyl;
    auto* info = reinterpret_cast<MMIOINFO*>(mmioInfo);
    if (!info) return MMIOERR_CANNOTOPEN;
    switch (message) {
    case MMIOM_OPEN:
        return IoOpen(info, reinterpret_cast<const char*>(lParam1));
    case MMIOM_READ:
        return IoRead(info, reinterpret_cast<char*>(lParam1), static_cast<LONG>(lParam2));
    case MMIOM_SEEK:
        return IoSeek(info, static_cast<LONG>(lParam1), static_cast<int>(lParam2));
    case MMIOM_WRITE:
    case MMIOM_WRITEFLUSH:
        return -1;
    case MMIOM_CLOSE:
        return IoClose(info);
    }
    return 0;
}
