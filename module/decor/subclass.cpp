#include "decor/subclass.h"

#include <cstring>
#include <new>
#include <vector>

#include "core/gdiobj.h"
#include "core/platform.h"
#include "core/text.h"
#include "decor/decor_geom.h"
#include "decor/paint.h"
#include "forms/forms.h"
#include "imaging/picturecache.h"
#include "zyl3an32.h"

namespace zyl {

namespace {

constexpr char kPropPrevious[] = "ANIM_C";
constexpr char kPropRecord[] = "ANIM_W";

}  // namespace

// The thread's subclassed windows as their properties describe them. The
// procedures read them here: each property lookup is a call to the window
// manager, and every message of the host's windows would pay two. The
// properties stay the windows' own record, written first.
struct SubclassTable {
    struct Entry {
        HWND hwnd;
        WNDPROC previous;
        WindowRecord* record;
    };
    std::vector<Entry> entries;

    Entry* Find(HWND hwnd) {
        for (Entry& e : entries)
            if (e.hwnd == hwnd) return &e;
        return nullptr;
    }
};

namespace {

SubclassTable::Entry* TableEntry(HWND hwnd) {
    InstanceRecord* inst = FindInstance();
    return inst && inst->subclassed ? inst->subclassed->Find(hwnd) : nullptr;
}

// What every subclass procedure starts from: the procedure the window had
// before (none once the subclass is gone), the thread's instance (none
// after the thread ended its session: then the message only passes on)
// and the window's record.
struct Context {
    WNDPROC previous;
    InstanceRecord* inst;
    WindowRecord* record;
};

bool Enter(HWND hwnd, Context* c) {
    c->inst = FindInstance();
    if (SubclassTable::Entry* e = c->inst && c->inst->subclassed ? c->inst->subclassed->Find(hwnd) : nullptr) {
        c->previous = e->previous;
        c->record = e->record;
        return true;
    }
    // A window this thread's session does not know (it ended, or had no
    // memory for its table): the properties tell.
    c->previous = reinterpret_cast<WNDPROC>(GetPropA(hwnd, kPropPrevious));
    c->record = c->inst && c->previous ? reinterpret_cast<WindowRecord*>(GetPropA(hwnd, kPropRecord)) : nullptr;
    return c->previous != nullptr;
}

LRESULT PassOn(const Context& c, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(c.previous, hwnd, msg, wParam, lParam);
}

// WM_DESTROY: the window goes back to its own procedure, which then sees
// the message.
LRESULT Release(const Context& c, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    AttachWindowRecord(hwnd, nullptr);
    Subclass(hwnd, nullptr, false);
    return PassOn(c, hwnd, msg, wParam, lParam);
}

void ForgetWindow(WindowRecord* record, HWND hwnd) {
    if (record && record->hwnd == hwnd) record->hwnd = nullptr;
}

// A region of a frame, subclassed and attached to the frame's record.
void TakeRegion(HWND frame, const char* cls, WNDPROC proc, WindowRecord* record) {
    if (HWND region = FindChildByClass(frame, cls)) {
        Subclass(region, proc, true);
        AttachWindowRecord(region, record);
    }
}

void TakePopup(InstanceRecord* inst, HWND popup) {
    if (WindowRecord* rec = GetWindowRecord(inst, "popup", true)) {
        rec->hwnd = popup;
        Subclass(popup, HelpNoteWndProc, true);
        AttachWindowRecord(popup, rec);
    }
}

bool IsModuleProc(LONG_PTR proc) {
    const WNDPROC procs[] = {HelpMainWndProc, HelpSecWndProc, HelpNsrWndProc, HelpScrWndProc, HelpNoteWndProc};
    for (WNDPROC p : procs)
        if (proc == reinterpret_cast<LONG_PTR>(p)) return true;
    return false;
}

BOOL CALLBACK ReleaseWindow(HWND hwnd, LPARAM) {
    RemovePropA(hwnd, kPropRecord);
    // A procedure someone put over ours stays, with ours under it passing
    // everything on.
    if (GetPropA(hwnd, kPropPrevious) && IsModuleProc(GetWindowLongPtrA(hwnd, GWLP_WNDPROC))) Subclass(hwnd, nullptr, false);
    return TRUE;
}

BOOL CALLBACK ReleaseTopLevel(HWND hwnd, LPARAM) {
    ReleaseWindow(hwnd, 0);
    EnumChildWindows(hwnd, ReleaseWindow, 0);
    return TRUE;
}

// ---- main frame ----

// WM_QUERYNEWPALETTE, WM_PALETTECHANGED and the host's palette message:
// the topic region's picture palette, else the non-scrolling region's.
LRESULT OnPalette(const Context& c, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND other = reinterpret_cast<HWND>(wParam);
    // A change this window or one of its children made is not answered
    // with another one.
    const bool own = other && (LOWORD(reinterpret_cast<UINT_PTR>(other)) == LOWORD(reinterpret_cast<UINT_PTR>(hwnd)) ||
                               IsChild(hwnd, other));
    if (!c.record || (msg == WM_PALETTECHANGED && own)) return PassOn(c, hwnd, msg, wParam, lParam);
    HWND dcWindow = msg == ZYL_HOST_MSG_PALETTE ? other : nullptr;
    const struct {
        const char* cls;
        const RegionDecoration& decoration;
    } regions[] = {{ZYL_HOST_CLASS_TOPIC, c.record->topic}, {ZYL_HOST_CLASS_NSR, c.record->nsr}};
    for (const auto& r : regions) {
        HWND region = FindChildByClass(hwnd, r.cls);
        if (region && RealizeRegionPalette(c.inst, r.decoration, dcWindow, region) > 0) {
            InvalidateRect(region, nullptr, TRUE);
            return 1;
        }
    }
    return msg == ZYL_HOST_MSG_PALETTE ? 1 : PassOn(c, hwnd, msg, wParam, lParam);
}

// The host's notice of a new secondary frame (3) or popup (4).
LRESULT OnNewWindow(const Context& c, WPARAM kind, LPARAM lParam) {
    const auto* info = reinterpret_cast<const ZYL_NEWWINDOWINFO*>(lParam);
    HWND window = info ? reinterpret_cast<HWND>(LongToHandle(static_cast<LONG>(info->window))) : nullptr;
    if (!window || !c.inst) return 0;
    if (kind == ZYL_NEWWINDOW_SECONDARY)
        Subclass(window, HelpSecWndProc, true);
    else
        TakePopup(c.inst, window);
    return 0;
}

LRESULT MainProc(const Context& c, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_DESTROY:
        ForgetWindow(c.record, hwnd);
        return Release(c, hwnd, msg, wParam, lParam);
    case WM_COMMAND:
        if (LOWORD(wParam) == ZYL_HOST_CMD_PRINT && c.inst) {
            // Controls print differently while the flag is set.
            c.inst->printing = TRUE;
            SaveFormState(c.inst, nullptr, true);   // every field, to "@PRINT@"
            const LRESULT result = PassOn(c, hwnd, msg, wParam, lParam);
            if (InstanceRecord* inst = FindInstance()) inst->printing = FALSE;
            return result;
        }
        break;
    case WM_QUERYNEWPALETTE:
    case WM_PALETTECHANGED:
    case ZYL_HOST_MSG_PALETTE:
        return OnPalette(c, hwnd, msg, wParam, lParam);
    case ZYL_HOST_MSG_NEWWINDOW:
        if (wParam == ZYL_NEWWINDOW_SECONDARY || wParam == ZYL_NEWWINDOW_POPUP) return OnNewWindow(c, wParam, lParam);
        break;
    }
    return PassOn(c, hwnd, msg, wParam, lParam);
}

// ---- secondary frames ----

// WM_SETTEXT: the window's name, from a "name|Caption" caption (the frame
// then shows only the caption) or else asked of the frame; the frame and
// its regions take that name's record.
LRESULT OnSetText(Context c, HWND hwnd, WPARAM wParam, LPARAM lParam) {
    const char* caption = reinterpret_cast<const char*>(lParam);
    char name[kWindowNameChars] = "";
    const int bar = CaptionNameLength(caption);
    if (bar >= 0) {
        CopyAtMost(name, caption, static_cast<std::size_t>(bar));
        lParam = reinterpret_cast<LPARAM>(caption + bar + 1);
    } else {
        SendMessageA(hwnd, ZYL_HOST_MSG_WINDOWNAME, 0, reinterpret_cast<LPARAM>(name));
        name[kWindowNameChars - 1] = '\0';
    }
    if (name[0] && c.inst) {
        if (c.record && std::strcmp(c.record->name, name) != 0) {
            ForgetWindow(c.record, hwnd);
            c.record = nullptr;
        }
        if (!c.record) c.record = GetWindowRecord(c.inst, name, false);
        if (c.record) {
            c.record->hwnd = hwnd;
            TakeRegion(hwnd, ZYL_HOST_CLASS_NSR, HelpNsrWndProc, c.record);
            TakeRegion(hwnd, ZYL_HOST_CLASS_TOPIC, HelpScrWndProc, c.record);
            AttachWindowRecord(hwnd, c.record);
        }
    }
    return PassOn(c, hwnd, WM_SETTEXT, wParam, lParam);
}

LRESULT SecondaryProc(const Context& c, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SETTEXT:
        return OnSetText(c, hwnd, wParam, lParam);
    case ZYL_HOST_MSG_WINDOWNAME:
        if (c.record && lParam) {
            CopyBounded(reinterpret_cast<char*>(lParam), kWindowNameChars, c.record->name);
            return 0;
        }
        break;
    case WM_DESTROY:
        ForgetWindow(c.record, hwnd);
        return Release(c, hwnd, msg, wParam, lParam);
    }
    return PassOn(c, hwnd, msg, wParam, lParam);
}

// ---- regions and popups ----

LRESULT RegionDestroyed(const Context& c, HWND hwnd, RegionDecoration* decoration, WPARAM wParam, LPARAM lParam) {
    if (decoration) decoration->perTopic = nullptr;
    FreeParkedFormControls(c.inst, hwnd);
    return Release(c, hwnd, WM_DESTROY, wParam, lParam);
}

// A fixed picture stays where it is while the text scrolls: the part of
// the client area the scroll would carry it through is repainted.
void KeepFixedPictures(const Context& c, HWND hwnd, bool vertical, WPARAM wParam) {
    const RegionDecoration& d = c.record->topic;
    const bool fixed = (d.perTopic && (d.perTopicFlags & kDecorFixed)) || (d.fileWide && (d.fileWideFlags & kDecorFixed));
    RECT bounds, client;
    if (!fixed || !DecorationBounds(c.inst, hwnd, d, &bounds) || IsRectEmpty(&bounds)) return;
    GetClientRect(hwnd, &client);
    const DecorRect r = FixedScrollRect(DecorRect{bounds.left, bounds.top, bounds.right, bounds.bottom},
                                        DecorRect{client.left, client.top, client.right, client.bottom}, vertical,
                                        LOWORD(wParam));
    const RECT dirty = {r.left, r.top, r.right, r.bottom};
    InvalidateRect(hwnd, &dirty, FALSE);
}

LRESULT RegionProc(const Context& c, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool topic) {
    RegionDecoration* decoration = c.record ? (topic ? &c.record->topic : &c.record->nsr) : nullptr;
    switch (msg) {
    case WM_ERASEBKGND:
        if (decoration)
            return PaintRegion(c.inst, hwnd, reinterpret_cast<HDC>(wParam), *decoration, c.previous, false);
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (topic && c.record) KeepFixedPictures(c, hwnd, msg == WM_VSCROLL, wParam);
        break;
    case WM_DESTROY:
        return RegionDestroyed(c, hwnd, decoration, wParam, lParam);
    }
    return PassOn(c, hwnd, msg, wParam, lParam);
}

LRESULT PopupProc(const Context& c, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        if (c.record) return PaintRegion(c.inst, hwnd, reinterpret_cast<HDC>(wParam), c.record->topic, c.previous, true);
        break;
    case WM_WINDOWPOSCHANGING:
        // The size the author set for the next popup, else for every popup.
        if (auto* pos = reinterpret_cast<WINDOWPOS*>(lParam); c.record && pos) {
            if (c.record->popupTopicWidth != 0) {
                pos->cx = c.record->popupTopicWidth;
                pos->cy = c.record->popupTopicHeight;
            } else if (c.record->popupWidth != 0) {
                pos->cx = c.record->popupWidth;
                pos->cy = c.record->popupHeight;
            }
        }
        break;
    case WM_DESTROY:
        if (c.record) {
            c.record->popupTopicWidth = c.record->popupTopicHeight = 0;
            c.record->topic.perTopic = c.record->nsr.perTopic = nullptr;
            ForgetWindow(c.record, hwnd);
        }
        return Release(c, hwnd, msg, wParam, lParam);
    }
    return PassOn(c, hwnd, msg, wParam, lParam);
}

}  // namespace

void Subclass(HWND hwnd, WNDPROC proc, bool install) {
    if (!hwnd) return;
    InstanceRecord* inst = FindInstance();
    if (install) {
        if (!proc || GetPropA(hwnd, kPropPrevious)) return;
        // The property first: a window whose procedure is ours but which has
        // no "ANIM_C" would answer every message with 0.
        const LONG_PTR previous = GetWindowLongPtrA(hwnd, GWLP_WNDPROC);
        if (!previous || !SetPropA(hwnd, kPropPrevious, reinterpret_cast<HANDLE>(previous))) return;
        if (inst && !inst->subclassed) inst->subclassed = new (std::nothrow) SubclassTable;
        if (inst && inst->subclassed) {
            // A handle the table still holds belonged to a window gone
            // unseen: its entry is this window's now.
            const SubclassTable::Entry e = {hwnd, reinterpret_cast<WNDPROC>(previous), nullptr};
            if (SubclassTable::Entry* old = inst->subclassed->Find(hwnd))
                *old = e;
            else
                inst->subclassed->entries.push_back(e);
        }
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
    } else if (HANDLE previous = GetPropA(hwnd, kPropPrevious)) {
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        RemovePropA(hwnd, kPropPrevious);
        if (SubclassTable::Entry* e = inst && inst->subclassed ? inst->subclassed->Find(hwnd) : nullptr) {
            *e = inst->subclassed->entries.back();
            inst->subclassed->entries.pop_back();
        }
    }
}

void AttachWindowRecord(HWND hwnd, WindowRecord* record) {
    if (!hwnd) return;
    if (record)
        SetPropA(hwnd, kPropRecord, reinterpret_cast<HANDLE>(record));
    else
        RemovePropA(hwnd, kPropRecord);
    if (SubclassTable::Entry* e = TableEntry(hwnd)) e->record = record;
}

WindowRecord* GetAttachedWindowRecord(HWND hwnd) {
    if (SubclassTable::Entry* e = TableEntry(hwnd)) return e->record;
    return hwnd ? reinterpret_cast<WindowRecord*>(GetPropA(hwnd, kPropRecord)) : nullptr;
}

UINT RealizeRegionPalette(InstanceRecord* inst, const RegionDecoration& decoration, HWND window, HWND region) {
    PictureEntry* picture = decoration.perTopic ? decoration.perTopic : decoration.fileWide;
    if (!picture || !(window || region) || !EnsurePictureLoaded(inst, picture, true) || !picture->palette) return 0;
    WindowDC dc(window ? window : region);
    if (!dc) return 0;
    HPALETTE old = SelectPalette(dc.get(), picture->palette, FALSE);
    const UINT realized = RealizePalette(dc.get());
    if (old) SelectPalette(dc.get(), old, FALSE);
    return realized == GDI_ERROR ? 0 : realized;
}

HHOOK InstallWindowHook(HINSTANCE module) {
    return SetWindowsHookExA(WH_CALLWNDPROC, CallWndProc, module, GetCurrentThreadId());
}

void SubclassMainWindow(InstanceRecord* inst, HWND mainWindow) {
    WindowRecord* rec = GetWindowRecord(inst, "main", false);
    if (!rec || !mainWindow) return;
    Subclass(mainWindow, HelpMainWndProc, true);
    AttachWindowRecord(mainWindow, rec);
    rec->hwnd = mainWindow;
    TakeRegion(mainWindow, ZYL_HOST_CLASS_NSR, HelpNsrWndProc, rec);
    TakeRegion(mainWindow, ZYL_HOST_CLASS_TOPIC, HelpScrWndProc, rec);
}

void ReleaseThreadWindows(InstanceRecord* inst) {
    EnumThreadWindows(GetCurrentThreadId(), ReleaseTopLevel, 0);
    if (inst) {
        delete inst->subclassed;
        inst->subclassed = nullptr;
    }
}

}  // namespace zyl

// ---- the exported procedures ----

extern "C" LRESULT CALLBACK CallWndProc(int code, WPARAM wParam, LPARAM lParam) {
    using namespace zyl;
    InstanceRecord* inst = FindInstance();
    const LRESULT result = CallNextHookEx(inst ? inst->hook : nullptr, code, wParam, lParam);
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (!inst || code < 0 || !m || m->message != WM_CREATE) return result;
    char cls[33];
    if (!GetClassNameA(m->hwnd, cls, sizeof cls)) return result;
    if (EqualNoCase(cls, ZYL_HOST_CLASS_SECONDARY))
        Subclass(m->hwnd, HelpSecWndProc, true);
    else if (EqualNoCase(cls, ZYL_HOST_CLASS_POPUP))
        TakePopup(inst, m->hwnd);
    return result;
}

#define ZYL_SUBCLASS_PROC(name, body)                                                   \
    extern "C" LRESULT CALLBACK name(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) { \
        zyl::Context c;                                                                 \
        if (!zyl::Enter(hwnd, &c)) return 0;                                            \
        if (!c.inst) return msg == WM_DESTROY ? zyl::Release(c, hwnd, msg, wParam, lParam) \
                           : zyl::PassOn(c, hwnd, msg, wParam, lParam);                  \
        return body;                                                                    \
    }

ZYL_SUBCLASS_PROC(HelpMainWndProc, zyl::MainProc(c, hwnd, msg, wParam, lParam))
ZYL_SUBCLASS_PROC(HelpSecWndProc, zyl::SecondaryProc(c, hwnd, msg, wParam, lParam))
ZYL_SUBCLASS_PROC(HelpNsrWndProc, zyl::RegionProc(c, hwnd, msg, wParam, lParam, false))
ZYL_SUBCLASS_PROC(HelpScrWndProc, zyl::RegionProc(c, hwnd, msg, wParam, lParam, true))
ZYL_SUBCLASS_PROC(HelpNoteWndProc, zyl::PopupProc(c, hwnd, msg, wParam, lParam))
