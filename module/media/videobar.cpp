// ZYL3_ANIMVIDBAR32, the 23-pixel control bar a video window puts below its
// picture: a play/stop button, optionally a menu button (Play, Stop,
// Rewind), and a position track whose mark follows the clip while it plays
// and can be dragged to seek. The bar keeps its state in its video window's
// record and talks to the clip only through MCI on that record's device.
#include <windows.h>
#include <mmsystem.h>

#include "core/gdiobj.h"
#include "core/handler.h"
#include "core/platform.h"
#include "core/text.h"
#include "media/video.h"
#include "zyl3an32.h"

namespace zyl {

namespace {

constexpr UINT_PTR kMarkTimerId = 10;
constexpr UINT kMarkTimerMs = 200;
constexpr int kButtonWidth = 20, kButtonHeight = 19;
constexpr COLORREF kTrackFace = RGB(0xC2, 0xC2, 0xC2);
constexpr COLORREF kTrackShadow = RGB(0x80, 0x80, 0x80);

enum ButtonRow { kRowNormal = 0, kRowPressed = 1, kRowDisabled = 2, kRowPlaying = 3 };

// The record of the video window the bar belongs to; null for a bar placed
// anywhere else (an author naming the class in a topic), which then does
// nothing.
VideoRecord* BarRecord(HWND bar) {
    HWND video = GetParent(bar);
    if (!video) return nullptr;
    char cls[33] = "";
    GetClassNameA(video, cls, sizeof cls);
    return EqualNoCase(cls, kAnimVideoClass.name) ? VideoRecordOf(video) : nullptr;
}

HWND CreateButton(HWND bar, int x, int id) {
    return CreateWindowExA(0, "button", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, x, 1, kButtonWidth, kButtonHeight,
                           bar, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleInstance(), nullptr);
}

void KillMarkTimer(HWND bar, VideoRecord* rec) {
    if (rec->timer) KillTimer(bar, kMarkTimerId);
    rec->timer = 0;
}

void InvalidatePlayButton(HWND bar) {
    if (HWND button = GetDlgItem(bar, kPlayButtonId)) InvalidateRect(button, nullptr, FALSE);
}

// ---- the mark ----

// Draws the mark where the clip stands, into `target` (the bar's own DC
// when null). Unless forced, nothing happens while its pixel column stays.
void UpdateMark(HWND bar, VideoRecord* rec, HDC target, bool forced) {
    const auto position = static_cast<std::int64_t>(VideoStatus(rec, MCI_STATUS_POSITION));
    const int x = MarkX(rec->trackLeft, rec->trackRight, position, rec->length);
    if (x == rec->markX && !forced) return;
    WindowDC own(target ? nullptr : bar);
    HDC dc = target ? target : own.get();
    if (!dc) return;
    OwnedDC mem(CreateCompatibleDC(dc));
    if (rec->markX == -1 && rec->underMark) {
        // Painted over since: what it saved is gone.
        DeleteObject(rec->underMark);
        rec->underMark = nullptr;
    }
    if (!rec->underMark) rec->underMark = CreateCompatibleBitmap(dc, kMarkWidth, kMarkHeight);
    {
        Selected saved(mem.get(), rec->underMark);
        if (saved.ok()) {
            if (rec->markX != -1) BitBlt(dc, rec->markX, kMarkTop, kMarkWidth, kMarkHeight, mem.get(), 0, 0, SRCCOPY);
            BitBlt(mem.get(), 0, 0, kMarkWidth, kMarkHeight, dc, x, kMarkTop, SRCCOPY);
        }
    }
    const int picture = GetCapture() == bar ? IDB_ZYL_VIDEO_DRAG : IDB_ZYL_VIDEO_MARK;
    Bitmap mark(LoadBitmapA(ModuleInstance(), MAKEINTRESOURCEA(picture)));
    Selected selected(mem.get(), mark.get());
    if (selected.ok()) BitBlt(dc, x, kMarkTop, kMarkWidth, kMarkHeight, mem.get(), 0, 0, SRCCOPY);
    rec->markX = x;
}

// ---- painting ----

void DrawTrack(HDC dc, HWND bar, const VideoRecord* rec, const RECT& client) {
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    RECT track = {rec->trackLeft, client.top + 6, rec->trackRight, client.bottom - 6};
    if (track.right <= track.left || track.bottom <= track.top) return;
    FrameRect(dc, &track, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    {
        Pen white(CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
        Selected pen(dc, white.get());
        MoveToEx(dc, track.left + 1, track.bottom, nullptr);
        LineTo(dc, track.right, track.bottom);
    }
    RECT inside = {track.left + 1, track.top + 1, track.right - 1, track.bottom - 1};
    POINT origin = {track.left, track.top};
    ClientToScreen(bar, &origin);
    SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
    Brush face(CreateSolidBrush(kTrackFace));
    FillRect(dc, &inside, face.get());
    Pen grey(CreatePen(PS_SOLID, 1, kTrackShadow));
    Selected pen(dc, grey.get());
    MoveToEx(dc, inside.left, inside.top, nullptr);
    LineTo(dc, inside.right, inside.top);
}

// Drawn in memory, then copied; the buttons keep their own pixels.
void OnPaint(HWND bar, VideoRecord* rec) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(bar, &ps);
    RECT client;
    GetClientRect(bar, &client);
    if (dc && client.right > 0 && client.bottom > 0) {
        OwnedDC mem(CreateCompatibleDC(dc));
        Bitmap picture(CreateCompatibleBitmap(dc, client.right, client.bottom));
        Selected selected(mem.get(), picture.get());
        if (selected.ok()) {
            DrawTrack(mem.get(), bar, rec, client);
            rec->markX = -1;
            UpdateMark(bar, rec, mem.get(), false);
            for (HWND child = GetWindow(bar, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                RECT rc;
                GetWindowRect(child, &rc);
                MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&rc), 2);
                ExcludeClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
            }
            BitBlt(dc, 0, 0, client.right, client.bottom, mem.get(), 0, 0, SRCCOPY);
        }
    }
    EndPaint(bar, &ps);
}

void DrawButton(const VideoRecord* rec, const DRAWITEMSTRUCT* item) {
    int row = kRowNormal;
    if (item->itemState & ODS_DISABLED)
        row = kRowDisabled;
    else if (item->itemState & ODS_SELECTED)
        row = kRowPressed;
    else if (item->CtlID == kPlayButtonId && rec->playing)
        row = kRowPlaying;
    const int column = item->CtlID == kMenuButtonId ? 1 : 0;
    Bitmap pictures(LoadBitmapA(ModuleInstance(), MAKEINTRESOURCEA(IDB_ZYL_VIDEO_BAR)));
    OwnedDC source(CreateCompatibleDC(item->hDC));
    Selected selected(source.get(), pictures.get());
    if (selected.ok())
        BitBlt(item->hDC, item->rcItem.left, item->rcItem.top, kButtonWidth, kButtonHeight, source.get(),
               column * kButtonWidth, row * kButtonHeight, SRCCOPY);
}

// ---- commands ----

// The play button: stops a playing clip, otherwise plays it, from the start
// when it stands at its end.
void PlayOrStop(HWND bar, VideoRecord* rec) {
    KillMarkTimer(bar, rec);
    if (VideoIsPlaying(rec)) {
        VideoStop(rec);
        rec->playing = 0;
    } else {
        if (IsAtEnd(static_cast<std::int64_t>(VideoStatus(rec, MCI_STATUS_POSITION)), rec->length)) VideoSeekToStart(rec);
        VideoPlay(rec, bar);
        rec->timer = SetTimer(bar, kMarkTimerId, kMarkTimerMs, nullptr);
        rec->playing = 1;
    }
    InvalidateRect(bar, nullptr, FALSE);
    InvalidatePlayButton(bar);
    UpdateMark(bar, rec, nullptr, false);
}

void ShowMenu(HWND bar) {
    HMENU menu = LoadMenuA(ModuleInstance(), MAKEINTRESOURCEA(IDM_ZYL_VIDEO_BAR));
    if (!menu) return;
    POINT corner = {0, kButtonHeight};
    if (HWND button = GetDlgItem(bar, kMenuButtonId)) ClientToScreen(button, &corner);
    if (HMENU popup = GetSubMenu(menu, 0))
        TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, corner.x, corner.y, 0, bar, nullptr);
    DestroyMenu(menu);
}

void Rewind(HWND bar, VideoRecord* rec) {
    if (rec->playing) {
        VideoStop(rec);
        KillMarkTimer(bar, rec);
        rec->playing = 0;
        InvalidatePlayButton(bar);
    }
    VideoSeekToStart(rec);
    UpdateMark(bar, rec, nullptr, false);
}

void OnCommand(HWND bar, VideoRecord* rec, WPARAM wParam) {
    if (HIWORD(wParam) != 0) return;
    switch (LOWORD(wParam)) {
    case kPlayButtonId:
        PlayOrStop(bar, rec);
        break;
    case kMenuButtonId:
        ShowMenu(bar);
        break;
    case IDM_ZYL_VIDEO_PLAY:
        if (!rec->playing) PostCommand(bar, kPlayButtonId, 0, GetDlgItem(bar, kPlayButtonId));
        break;
    case IDM_ZYL_VIDEO_STOP:
        if (rec->playing) PostCommand(bar, kPlayButtonId, 0, GetDlgItem(bar, kPlayButtonId));
        break;
    case IDM_ZYL_VIDEO_REWIND:
        Rewind(bar, rec);
        break;
    }
}

// ---- dragging the mark ----

void StartDrag(HWND bar, VideoRecord* rec, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
    if (rec->markX == -1 || x < rec->markX || x >= rec->markX + kMarkWidth || y < kMarkTop ||
        y >= kMarkTop + kMarkHeight)
        return;
    if (rec->playing) {
        VideoStop(rec);
        KillMarkTimer(bar, rec);
    }
    rec->playing = 0;
    SetCapture(bar);
    rec->dragX = rec->markX + kMarkWidth / 2;
    UpdateMark(bar, rec, nullptr, true);
    InvalidatePlayButton(bar);
}

// Seeks to the share of the clip the cursor stands at. The last step
// comes after the capture went, so the mark gets its normal picture back.
void DragStep(HWND bar, VideoRecord* rec, LPARAM lParam, bool final) {
    const int x = ClampToTrack(static_cast<short>(LOWORD(lParam)), rec->trackLeft, rec->trackRight);
    if (x == rec->dragX && !final) return;
    rec->dragX = x;
    const auto target = static_cast<DWORD>(DragTarget(x, rec->trackLeft, rec->trackRight, rec->length));
    // A driver may refuse the very end (it counts it past the last frame):
    // the last position it takes is as near as it gets.
    if (VideoSeekTo(rec, target) == MCIERR_OUTOFRANGE && target > 0) VideoSeekTo(rec, target - 1);
    UpdateMark(bar, rec, nullptr, final);
}

// ---- completion ----

void OnNotify(HWND bar, VideoRecord* rec, WPARAM status) {
    UpdateMark(bar, rec, nullptr, false);
    // The platform may report a clip the bar stopped itself as completed:
    // only a clip the bar still plays starts again.
    if ((rec->flags & kVideoLoop) && status == MCI_NOTIFY_SUCCESSFUL && rec->playing) {
        VideoSeekToStart(rec);
        VideoPlay(rec, bar);
        return;
    }
    rec->playing = 0;
    InvalidatePlayButton(bar);
    KillMarkTimer(bar, rec);
}

LRESULT OnCreate(HWND bar, VideoRecord* rec) {
    if (!rec) return -1;
    CreateButton(bar, 1, kPlayButtonId);
    rec->trackLeft = kTrackLeft;
    if (GetWindowLongPtrA(bar, GWL_STYLE) & 1) {
        CreateButton(bar, 22, kMenuButtonId);
        rec->trackLeft = kTrackLeftWithMenu;
    }
    RECT client;
    GetClientRect(bar, &client);
    rec->trackRight = client.right - kTrackRightMargin;
    rec->markX = -1;
    return 0;
}

void OnDestroy(HWND bar, VideoRecord* rec) {
    KillMarkTimer(bar, rec);
    if (rec->underMark) DeleteObject(rec->underMark);
    rec->underMark = nullptr;
    rec->markX = -1;
}

}  // namespace

const EmbeddedClass kVideoBarClass = {
    "ZYL3_ANIMVIDBAR32", VideoBarWndProc, nullptr, kEmbeddedStyle, kRecordSlot,
    ClassCursor::kArrow, LTGRAY_BRUSH, sizeof(EmbeddedRecord), false,
};

}  // namespace zyl

extern "C" LRESULT CALLBACK VideoBarWndProc(HWND bar, UINT msg, WPARAM wParam, LPARAM lParam) {
    using namespace zyl;
    VideoRecord* rec = BarRecord(bar);
    if (msg == WM_CREATE) return OnCreate(bar, rec);
    if (!rec) return DefWindowProcA(bar, msg, wParam, lParam);
    switch (msg) {
    case WM_DESTROY:
        OnDestroy(bar, rec);
        return 0;
    case WM_PAINT:
        OnPaint(bar, rec);
        return 0;
    case WM_MEASUREITEM:
        if (auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)) {
            item->itemWidth = kButtonWidth;
            item->itemHeight = kButtonHeight;
        }
        return 1;
    case WM_DRAWITEM:
        if (lParam) DrawButton(rec, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return 1;
    case WM_COMMAND:
        OnCommand(bar, rec, wParam);
        return 0;
    case WM_TIMER:
        if (rec->playing) UpdateMark(bar, rec, nullptr, false);
        return 0;
    case WM_LBUTTONDOWN:
        StartDrag(bar, rec, lParam);
        return 0;
    case WM_MOUSEMOVE:
        if (GetCapture() == bar) DragStep(bar, rec, lParam, false);
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == bar) {
            ReleaseCapture();
            DragStep(bar, rec, lParam, true);
        }
        return 0;
    case MM_MCINOTIFY:
        OnNotify(bar, rec, wParam);
        return 0;
    }
    return DefWindowProcA(bar, msg, wParam, lParam);
}
