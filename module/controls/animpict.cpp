// ZYL3_ANIMATION32, the movie control: one picture holding a grid of equally
// sized frames, the grid, frame count, time per frame and options given by
// the author. ZYL3_ANIMPICT32, the picture control: a bitmap, or a GIF whose
// frames, delay, transparent colour and hot spots come from the file, with
// an optional macro run on a click. Both share everything but the grammar
// of their parameter strings.
//
// Frames advance on timer 1, or on each click when there is no delay. A
// transparent picture is drawn over whatever the parent paints behind the
// control: the parent is asked to erase into a memory bitmap the size of
// one frame, offset so that the parent's own coordinates land there.
#include <windows.h>

#include <cstring>

#include "controls/animpict_parse.h"
#include "controls/embedded.h"
#include "core/gdiobj.h"
#include "core/handler.h"
#include "core/macro/macros.h"
#include "imaging/picturecache.h"
#include "zyl3an32.h"

namespace zyl {

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr std::size_t kCompanionPathChars = 256;

enum class Grammar { kMovie, kPict };

// The window's size is one frame's.
struct AnimPictRecord : EmbeddedRecord {
    std::int32_t columns;
    std::int32_t rows;
    std::int32_t frames;
    std::int32_t delay;           // ms; 0 = a click shows the next frame
    std::uint16_t flags;
    PictureEntry* picture;        // shared with every control of the thread; never freed here
    std::int32_t currentFrame;
    UINT_PTR timer;               // 0 when no timer runs
    char* macro;                  // picture control with flag 32 only
    COLORREF transparent;         // kNoColour = none
};

// The thread's instance, when it is still the one the control was made
// for. A host that ends the thread's module session before destroying the
// window leaves the record's picture pointing into freed lists.
InstanceRecord* LiveInstance(const AnimPictRecord* rec) {
    InstanceRecord* inst = FindInstance();
    return inst && inst == rec->instance ? inst : nullptr;
}

// ---- creation ----

struct LoadContext {
    InstanceRecord* inst;
    PictureEntry* entry;   // the picture, when the parse loaded it
};

bool LoadPicture(void* context, const char* name) {
    auto* load = static_cast<LoadContext*>(context);
    PictureEntry* entry = FindOrCreatePictureEntry(load->inst, name);
    load->entry = entry && EnsurePictureLoaded(load->inst, entry, false) ? entry : nullptr;
    return load->entry != nullptr;
}

// The record takes whatever the parse read before an error too: the error
// state still answers the palette request, prints the picture and runs a
// clickable picture's macro, as a working control does.
int TakeMovie(AnimPictRecord* rec, const char* data, LoadContext* load) {
    MovieParams params;
    const int error = ParseMovieParams(data, PictureProbe{load, LoadPicture}, &params);
    rec->picture = load->entry;
    rec->columns = params.columns;
    rec->rows = params.rows;
    rec->frames = params.frames;
    rec->delay = params.delay;
    rec->flags = params.flags;
    // The grid divides the whole picture; remainders are never shown.
    BITMAP bm;
    const bool measured = rec->picture && params.columns > 0 && params.rows > 0 &&
                          GetObjectA(rec->picture->bitmap, sizeof bm, &bm) == sizeof bm;
    if (measured) rec->size = SIZE{bm.bmWidth / params.columns, bm.bmHeight / params.rows};
    return error || measured ? error : ZYL_ERR_MISSING_BITMAP;
}

int TakePict(AnimPictRecord* rec, const char* data, LoadContext* load) {
    PictParams params;
    const int error = ParsePictParams(data, PictureProbe{load, LoadPicture}, &params);
    rec->flags = params.flags;
    if (params.hasMacro) {
        rec->macro = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, params.macro.size() + 1));
        if (rec->macro) std::memcpy(rec->macro, params.macro.c_str(), params.macro.size() + 1);
    }
    const PictureEntry* entry = rec->picture = load->entry;
    if (!entry) return error;
    rec->frames = entry->frameCount > 1 ? entry->frameCount : 1;
    rec->columns = rec->frames;
    rec->rows = 1;
    rec->size = SIZE{entry->frameWidth, entry->frameHeight};
    // A negative delay (a GIF's 0x8000 and above) makes a timer that never fires.
    rec->delay = entry->frameDelay;
    rec->transparent = entry->transparentColour;
    if (rec->frames != 1) rec->flags |= kPictLoop;   // every animation loops
    return error;
}

// Flag 2: the colour of the picture's top-left pixel is the transparent one.
void TakeTopLeftColour(AnimPictRecord* rec) {
    if (!EnsurePictureLoaded(rec->instance, rec->picture, false)) return;
    WindowDC screen(nullptr);
    OwnedDC mem(CreateCompatibleDC(screen.get()));
    Selected picture(mem.get(), rec->picture->bitmap);
    if (!picture.ok()) return;
    const COLORREF colour = GetPixel(mem.get(), 0, 0);
    if (colour != CLR_INVALID) rec->transparent = colour;
}

LRESULT OnCreate(HWND hwnd, AnimPictRecord* rec, const char* data, Grammar grammar) {
    rec->transparent = kNoColour;
    rec->columns = rec->rows = rec->frames = 1;

    LoadContext load = {rec->instance, nullptr};
    int error = grammar == Grammar::kMovie ? TakeMovie(rec, data, &load) : TakePict(rec, data, &load);
    if (!error && rec->delay != 0 && rec->frames != 1) {
        rec->timer = g_setTimer(hwnd, kTimerId, static_cast<UINT>(rec->delay), nullptr);
        if (!rec->timer) error = ZYL_ERR_NO_TIMERS;
    }
    if (error) {
        EnterErrorState(hwnd, error);
    } else if (rec->flags & kPictTransparent) {
        TakeTopLeftColour(rec);
    }
    return 0;
}

void OnDestroy(HWND hwnd, AnimPictRecord* rec) {
    if (rec->timer) KillTimer(hwnd, kTimerId);
    rec->timer = 0;
    if (rec->macro) HeapFree(GetProcessHeap(), 0, rec->macro);
    rec->macro = nullptr;
}

// ---- painting ----

void DrawFrame(HWND hwnd, AnimPictRecord* rec, HDC dc) {
    InstanceRecord* inst = LiveInstance(rec);
    if (!inst || !rec->picture || !dc) return;
    const int fw = rec->size.cx, fh = rec->size.cy;
    std::int32_t x = 0, y = 0;
    if (fw <= 0 || fh <= 0 || !FramePosition(rec->currentFrame, rec->columns, fw, fh, &x, &y)) return;
    if (!EnsurePictureLoaded(inst, rec->picture, false)) return;

    const bool transparent = rec->transparent != kNoColour;
    OwnedDC back(transparent ? CreateCompatibleDC(dc) : nullptr);
    Bitmap backBitmap(transparent ? CreateCompatibleBitmap(dc, fw, fh) : nullptr);
    Selected backSelected(back.get(), backBitmap.get());
    // The background first: the parent's painter may load pictures of its
    // own (ours among them), so the strip is taken only afterwards.
    if (backSelected.ok()) {
        CaptureParentBackground(hwnd, back.get());
        if (!EnsurePictureLoaded(inst, rec->picture, false)) return;
    }

    RealizedPalette palette(dc, rec->picture->palette);
    OwnedDC strip(CreateCompatibleDC(dc));
    Selected stripSelected(strip.get(), rec->picture->bitmap);
    if (!stripSelected.ok()) return;
    if (backSelected.ok()) {
        if (!DrawTransparent(back.get(), 0, 0, fw, fh, strip.get(), x, y, fw, fh, rec->transparent))
            BitBlt(back.get(), 0, 0, fw, fh, strip.get(), x, y, SRCCOPY);
        BitBlt(dc, 0, 0, fw, fh, back.get(), 0, 0, SRCCOPY);
    } else {
        // No transparency, or no memory for it: an opaque copy.
        BitBlt(dc, 0, 0, fw, fh, strip.get(), x, y, SRCCOPY);
    }
}

void OnPaint(HWND hwnd, AnimPictRecord* rec) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc) DrawFrame(hwnd, rec, dc);
    EndPaint(hwnd, &ps);
}

// ---- mouse ----

// Context number of the first hot spot under the cursor, 0 for none. Only
// when the cursor is over this very window (not over one covering it).
std::uint32_t HotSpotUnderCursor(HWND hwnd, const AnimPictRecord* rec) {
    if (rec->errorId || !rec->picture || !LiveInstance(rec)) return 0;
    const PictureEntry* entry = rec->picture;
    if (entry->hotSpotCount <= 0 || !entry->hotSpots) return 0;
    POINT pt;
    if (!GetCursorPos(&pt) || WindowFromPoint(pt) != hwnd) return 0;
    ScreenToClient(hwnd, &pt);
    const int count = entry->hotSpotCount < kMaxHotSpots ? entry->hotSpotCount : kMaxHotSpots;
    for (int i = 0; i < count; ++i) {
        const HotSpot& spot = entry->hotSpots[i];
        if (pt.x >= spot.left && pt.x < spot.right && pt.y >= spot.top && pt.y < spot.bottom) return spot.context;
    }
    return 0;
}

bool StepsByClick(const AnimPictRecord* rec) { return rec->delay == 0 && rec->frames != 1; }

LRESULT OnSetCursor(HWND hwnd, const AnimPictRecord* rec) {
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    const InstanceRecord* inst = LiveInstance(rec);
    HCURSOR hand = inst && inst->handCursor ? inst->handCursor : arrow;
    HCURSOR wanted;
    if (!(rec->flags & kPictClickable) && !StepsByClick(rec))
        wanted = HotSpotUnderCursor(hwnd, rec) ? hand : arrow;
    else
        wanted = hand;
    if (GetCursor() != wanted) SetCursor(wanted);
    return 1;
}

void ShowHotSpotPopup(AnimPictRecord* rec, InstanceRecord* inst, std::uint32_t context) {
    char companion[kCompanionPathChars];
    CompanionHelpFile(rec->helpFile, companion, sizeof companion);
    HostApi(inst, companion, ZYL_API_POPUP_CONTEXT, static_cast<LONG_PTR>(context));
}

// WM_LBUTTONDOWN (click) and WM_TIMER: hot spot, macro, then the frame step.
void OnClickOrTimer(HWND hwnd, AnimPictRecord* rec, bool click) {
    InstanceRecord* inst = LiveInstance(rec);
    if (!inst) return;
    if (click) {
        if (const std::uint32_t context = HotSpotUnderCursor(hwnd, rec)) {
            ShowHotSpotPopup(rec, inst, context);
            // The host may have done anything meanwhile, even destroyed us.
            if (!IsWindow(hwnd) || GetEmbeddedRecord(hwnd) != rec) return;
        }
        if ((rec->flags & kPictClickable) && rec->macro) {
            RunMacros(inst, rec->helpFile, rec->macro);
            return;
        }
    }
    if (rec->errorId || rec->frames == 1 || inst->printing) return;
    if (click ? rec->delay != 0 : rec->delay == 0) return;
    if (rec->currentFrame + 1 >= rec->frames && !(rec->flags & kPictLoop)) {
        // The last frame stays for good.
        if (rec->timer) KillTimer(hwnd, kTimerId);
        rec->timer = 0;
        return;
    }
    rec->currentFrame = rec->currentFrame + 1 >= rec->frames ? 0 : rec->currentFrame + 1;
    WindowDC dc(hwnd);
    DrawFrame(hwnd, rec, dc.get());
}

// ---- the host's requests ----

// The first frame read afresh, the transparent colour turned white, scaled
// for the target device. The host owns the result.
HBITMAP RenderBitmap(AnimPictRecord* rec, HDC target) {
    InstanceRecord* inst = LiveInstance(rec);
    if (!target || !inst || !rec->picture || rec->size.cx <= 0 || rec->size.cy <= 0) return nullptr;
    const COLORREF whiten = rec->transparent != kNoColour ? rec->transparent : kWhite;
    Bitmap first(RenderFirstFrame(inst, rec->picture, target, whiten));
    OwnedDC source(CreateCompatibleDC(target));
    Selected selected(source.get(), first.get());
    if (!selected.ok()) return nullptr;
    return StretchToDevice(target, source.get(), rec->size);
}

LRESULT OnAskPalette(AnimPictRecord* rec) {
    if (!rec->picture) return 0;
    InstanceRecord* inst = LiveInstance(rec);
    if (!inst || !EnsurePictureLoaded(inst, rec->picture, false)) return 0;
    return reinterpret_cast<LRESULT>(rec->picture->palette);
}

LRESULT AnimPictureProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, Grammar grammar) {
    AnimPictRecord* rec = RecordOf<AnimPictRecord>(hwnd);
    switch (msg) {
    case WM_CREATE:
        return OnCreate(hwnd, rec, AuthorData(lParam), grammar);
    case WM_DESTROY:
        OnDestroy(hwnd, rec);
        return 0;
    case WM_PAINT:
        OnPaint(hwnd, rec);
        return 0;
    case WM_SETCURSOR:
        return OnSetCursor(hwnd, rec);
    case WM_TIMER:
        OnClickOrTimer(hwnd, rec, false);
        return 0;
    case WM_LBUTTONDOWN:
        OnClickOrTimer(hwnd, rec, true);
        return 0;
    case EWM_RENDER:
        if (wParam == EWRENDER_BITMAP) return reinterpret_cast<LRESULT>(RenderBitmap(rec, RenderTarget(lParam)));
        break;
    case EWM_ASKPALETTE:
        return OnAskPalette(rec);
    }
    return EmbeddedDefProc(hwnd, msg, wParam, lParam);
}

LRESULT AnimMovieProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return AnimPictureProc(hwnd, msg, wParam, lParam, Grammar::kMovie);
}

LRESULT AnimPictProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return AnimPictureProc(hwnd, msg, wParam, lParam, Grammar::kPict);
}

}  // namespace

const EmbeddedClass kAnimMovieClass = {
    "ZYL3_ANIMATION32", AnimMovieWndProc, AnimMovieProc, kEmbeddedStyle, kRecordSlot,
    ClassCursor::kArrow, kNoBackground, sizeof(AnimPictRecord), false, kOwnsPalette | kOwnsPictureRender,
};

const EmbeddedClass kAnimPictClass = {
    "ZYL3_ANIMPICT32", AnimPictWndProc, AnimPictProc, kEmbeddedStyle, kRecordSlot,
    ClassCursor::kArrow, kNoBackground, sizeof(AnimPictRecord), false, kOwnsPalette | kOwnsPictureRender,
};

}  // namespace zyl

extern "C" LRESULT CALLBACK AnimMovieWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return zyl::EmbeddedWindowProc(zyl::kAnimMovieClass, hwnd, msg, wParam, lParam);
}

extern "C" LRESULT CALLBACK AnimPictWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return zyl::EmbeddedWindowProc(zyl::kAnimPictClass, hwnd, msg, wParam, lParam);
}
