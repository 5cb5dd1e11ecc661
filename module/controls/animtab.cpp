// ZYL3_ANIMTAB32: a row of file-card tabs across a topic, read from a tab
// file in the help file or on disk. The topic names its own tab: that one
// is drawn last, in the topic's background colour, joined to the page by a
// gap in the base line under it; the others lie behind it in light grey,
// and a click on one of them shows its topic.
//
// The base line runs along the bottom of the bar across the whole region
// that holds it, so it is drawn on the region's device context.
#include <windows.h>

#include <cstring>

#include "controls/animtab_parse.h"
#include "controls/embedded.h"
#include "core/contexthash.h"
#include "core/gdiobj.h"
#include "core/platform.h"
#include "core/text.h"
#include "core/wholefile_win32.h"
#include "zyl3an32.h"

namespace zyl {

namespace {

constexpr COLORREF kLightGrey = RGB(192, 192, 192);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr int kLabelTop = 3;
constexpr std::size_t kJumpFileChars = 256;   // 255 characters and the terminator

using Region = GdiObject<HRGN>;

struct AnimTabRecord : EmbeddedRecord {
    std::uint16_t flags;      // the file's, and kTabPainted after the first paint
    TabMetrics metrics;
    int count;
    std::int32_t selected;
    std::uint8_t* block;      // the tab file; the tabs' strings point into it
    TabEntry* tabs;           // tabs[0] is tab 1
};

int LabelWidth(HDC dc, const char* label) {
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, label, static_cast<int>(std::strlen(label)), &size);
    return size.cx;
}

// ---- creation ----

void Release(AnimTabRecord* rec) {
    if (rec->tabs) HeapFree(GetProcessHeap(), 0, rec->tabs);
    if (rec->block) HeapFree(GetProcessHeap(), 0, rec->block);
    rec->tabs = nullptr;
    rec->block = nullptr;
    rec->count = 0;
}

// Reads the tab file and measures its labels in the instance's font: 0, or
// the error to show.
int LoadTabs(AnimTabRecord* rec, const TabParams& params) {
    rec->block = static_cast<std::uint8_t*>(HeapAlloc(GetProcessHeap(), 0, kWholeFileBytes));
    if (!rec->block || !ReadWholeFile(rec->instance, params.file.c_str(), rec->block)) return ZYL_ERR_NO_TAB_FILE;
    const TabFileInfo info = ReadTabFile(rec->block, kWholeFileBytes, nullptr);
    if (info.count == 0) return ZYL_ERR_NO_TABS;
    rec->tabs = static_cast<TabEntry*>(
        HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, static_cast<std::size_t>(info.count) * sizeof(TabEntry)));
    if (!rec->tabs) return ZYL_ERR_NO_TABS;
    ReadTabFile(rec->block, kWholeFileBytes, rec->tabs);
    rec->count = info.count;
    rec->flags = info.flags & kTabOpensPopups;
    rec->selected = params.selected;

    WindowDC screen(nullptr);
    Selected font(screen.get(), rec->instance->font);
    TEXTMETRICA tm = {};
    GetTextMetricsA(screen.get(), &tm);
    int widest = 0;
    for (int i = 0; i < rec->count; ++i) {
        const int width = LabelWidth(screen.get(), rec->tabs[i].label);
        if (width > widest) widest = width;
    }
    rec->metrics = MeasureTabs(widest, tm.tmHeight);
    rec->size = SIZE{TabBarWidth(rec->count, rec->metrics), TabBarHeight(rec->metrics)};
    return 0;
}

LRESULT OnCreate(HWND hwnd, AnimTabRecord* rec, const char* data) {
    TabParams params;
    int error = ParseTabParams(data, &params);
    if (!error) error = LoadTabs(rec, params);
    if (error) {
        Release(rec);
        rec->size = SIZE{0, 0};
        EnterErrorState(hwnd, error);
    }
    return 0;
}

// ---- drawing ----

// The help window two levels above the bar.
HWND HelpWindow(HWND hwnd) {
    HWND region = GetParent(hwnd);
    return region ? GetParent(region) : nullptr;
}

// The selected tab's colour: the help window's topic region's, as the
// module keeps it for that window, else what the host says it is.
COLORREF TopicColour(InstanceRecord* inst, HWND hwnd) {
    HWND help = HelpWindow(hwnd);
    HWND topic = help ? FindChildByClass(help, ZYL_HOST_CLASS_TOPIC) : nullptr;
    if (topic)
        if (const WindowRecord* window = FindWindowRecordByHwnd(inst, GetParent(topic)))
            if (window->topic.colour != kNoColour) return window->topic.colour;
    return static_cast<COLORREF>(HostGetInfo(inst, GI_BKCOLOR, topic));
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

// Two slopes and the top edge in the system's 3-D colours, a pixel to the
// right of the outline.
void DrawEdges(HDC dc, const TabPoint o[4]) {
    Pen light(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT)));
    Pen shadow(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
    {
        Selected pen(dc, light.get());
        Line(dc, o[0].x + 1, o[0].y, o[1].x + 1, o[1].y);
        Line(dc, o[1].x + 1, o[1].y - 1, o[2].x + 1, o[2].y - 1);
    }
    Selected pen(dc, shadow.get());
    Line(dc, o[2].x + 1, o[2].y, o[3].x + 1, o[3].y);
}

void DrawLabel(HDC dc, const TabEntry& tab, int x0, int tabWidth) {
    const int width = LabelWidth(dc, tab.label);
    const int x = width < tabWidth ? x0 + (tabWidth - width) / 2 : x0;
    ExtTextOutA(dc, x, kLabelTop, 0, nullptr, tab.label, static_cast<UINT>(std::strlen(tab.label)), nullptr);
}

// The base line of a printed bar: along its bottom, open under the selected tab.
void DrawRenderBaseLine(HDC dc, const AnimTabRecord* rec) {
    const TabMetrics& m = rec->metrics;
    const int end = rec->count * (m.width + m.slant) + m.slant;
    if (!IsTab(rec->selected, rec->count)) {
        Line(dc, 0, m.height, end, m.height);
        return;
    }
    const int left = (rec->selected - 1) * (m.width + m.slant);
    if (left != 0) Line(dc, 0, m.height, left, m.height);
    Line(dc, left + m.width + 2 * m.slant, m.height, end, m.height);
}

// The base line on the screen: across the region at the bar's bottom row,
// in the shadow colour, open under the selected tab, whose gap is then
// filled with the page's colour.
void DrawScreenBaseLine(HWND hwnd, const AnimTabRecord* rec, COLORREF page) {
    HWND region = GetParent(hwnd);
    RECT client;
    if (!region || !GetClientRect(region, &client)) return;
    POINT origin = {0, 0};
    MapWindowPoints(hwnd, region, &origin, 1);
    // The region's own context, over its children: the line passes under the bar.
    HDC dc = GetDCEx(region, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
    if (!dc) return;
    {
        const TabMetrics& m = rec->metrics;
        const int y = origin.y + m.height;
        Pen shadow(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
        Selected pen(dc, shadow.get());
        if (!IsTab(rec->selected, rec->count)) {
            Line(dc, 0, y, client.right, y);
        } else {
            const int left = origin.x + (rec->selected - 1) * (m.width + m.slant);
            if (left != 0) Line(dc, 0, y, left + 1, y);
            Line(dc, left + m.width + 2 * m.slant, y, client.right, y);
            const RECT gap = {left + 1, y, left + m.width + 2 * m.slant, y + 1};
            Brush fill(CreateSolidBrush(page));
            FillRect(dc, &gap, fill.get());
        }
    }
    ReleaseDC(region, dc);
}

// Draws every tab on `dc`, the selected one last; `hwnd` null for a
// printed picture (white tabs, no 3-D edges, the base line on `dc`).
void DrawTabs(HDC dc, HWND hwnd, AnimTabRecord* rec) {
    const bool screen = hwnd != nullptr;
    rec->flags |= kTabPainted;
    SetBkMode(dc, TRANSPARENT);
    Selected font(dc, rec->instance->font);
    SetTextColor(dc, kBlack);
    Selected pen(dc, GetStockObject(BLACK_PEN));
    const COLORREF page = screen ? TopicColour(rec->instance, hwnd) : kWhite;
    int limit = 0;   // the region's right edge in the bar's coordinates
    if (screen) {
        RECT client = {0, 0, 0, 0};
        POINT origin = {0, 0};
        GetClientRect(GetParent(hwnd), &client);
        MapWindowPoints(hwnd, GetParent(hwnd), &origin, 1);
        limit = client.right - origin.x;
    }
    const TabMetrics& m = rec->metrics;
    for (int step = 0; step < rec->count; ++step) {
        const int t = TabPaintOrder(step, rec->selected, rec->count);
        TabEntry& tab = rec->tabs[t - 1];
        TabOutline(t, m, tab.outline);
        if (screen && tab.outline[0].x >= limit) continue;
        const POINT corners[4] = {{tab.outline[0].x, tab.outline[0].y}, {tab.outline[1].x, tab.outline[1].y},
                                  {tab.outline[2].x, tab.outline[2].y}, {tab.outline[3].x, tab.outline[3].y}};
        {
            Region shape(CreatePolygonRgn(corners, 4, ALTERNATE));
            Brush fill(CreateSolidBrush(!screen ? kWhite : t == rec->selected ? page : kLightGrey));
            FillRgn(dc, shape.get(), fill.get());
        }
        if (screen) DrawEdges(dc, tab.outline);
        Polyline(dc, corners, 4);
        DrawLabel(dc, tab, TabLeft(t, m), m.width);
    }
    if (screen) DrawScreenBaseLine(hwnd, rec, page);
    else DrawRenderBaseLine(dc, rec);
}

void OnPaint(HWND hwnd, AnimTabRecord* rec) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc) DrawTabs(dc, hwnd, rec);
    EndPaint(hwnd, &ps);
}

// The bar at its screen size on a monochrome bitmap, stretched to the
// target's resolution.
HBITMAP RenderPicture(AnimTabRecord* rec, HDC target) {
    return RenderMonochromePicture(target, rec->size, [](HDC dc, const void* bar) {
        DrawTabs(dc, nullptr, static_cast<AnimTabRecord*>(const_cast<void*>(bar)));
    }, rec);
}

// ---- the mouse ----

// The tab under the cursor that a click opens, 0 for none (and before the
// first paint, which lays the tabs out).
int TabUnderCursor(HWND hwnd, const AnimTabRecord* rec) {
    POINT pt;
    RECT client;
    if (rec->errorId || !(rec->flags & kTabPainted) || !GetCursorPos(&pt) || !GetClientRect(hwnd, &client)) return 0;
    ScreenToClient(hwnd, &pt);
    return TabAt(rec->tabs, rec->count, rec->selected, client.right, pt.x, pt.y);
}

void OnSetCursor(HWND hwnd, const AnimTabRecord* rec) {
    if (rec->errorId) return;
    const InstanceRecord* inst = rec->instance;
    HCURSOR arrow = inst->arrowCursor ? inst->arrowCursor : LoadCursorA(nullptr, IDC_ARROW);
    HCURSOR wanted = TabUnderCursor(hwnd, rec) && inst->handCursor ? inst->handCursor : arrow;
    if (GetCursor() != wanted) SetCursor(wanted);
}

// Shows tab t's topic: as a popup when the file says so, else in the help
// window the bar is in, named to the host when the module knows its name.
void OpenTab(HWND hwnd, const AnimTabRecord* rec, int t) {
    const char* context = rec->tabs[t - 1].context;
    const LONG_PTR data = reinterpret_cast<LONG_PTR>(context);
    if (rec->flags & kTabOpensPopups) {
        HostApi(rec->instance, rec->helpFile, ZYL_API_POPUP_KEY, data);
        return;
    }
    HWND help = HelpWindow(hwnd);
    if (const WindowRecord* window = FindWindowRecordByHwnd(rec->instance, help)) {
        char file[kJumpFileChars];
        CopyBounded(file, sizeof file, rec->helpFile);
        const std::size_t used = std::strlen(file);
        if (used + 1 < sizeof file) {
            file[used] = '>';
            CopyBounded(file + used + 1, sizeof file - used - 1, window->name);
        }
        HostApi(rec->instance, file, ZYL_API_JUMP_KEY, data);
        return;
    }
    if (help) SendMessageA(help, ZYL_HOST_MSG_JUMPHASH, 0, static_cast<LPARAM>(ContextHash(context)));
}

LRESULT AnimTabProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    AnimTabRecord* rec = RecordOf<AnimTabRecord>(hwnd);
    switch (msg) {
    case WM_CREATE:
        return OnCreate(hwnd, rec, AuthorData(lParam));
    case WM_DESTROY:
        Release(rec);
        return 0;
    case WM_PAINT:
        OnPaint(hwnd, rec);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETCURSOR:
        OnSetCursor(hwnd, rec);
        return 0;
    case WM_LBUTTONDOWN:
        if (const int t = TabUnderCursor(hwnd, rec)) OpenTab(hwnd, rec, t);
        return 0;
    case EWM_RENDER:   // a picture of a working bar; no text, and nothing while broken
        if (wParam == EWRENDER_BITMAP && !rec->errorId)
            return reinterpret_cast<LRESULT>(RenderPicture(rec, RenderTarget(lParam)));
        return 0;
    }
    return EmbeddedDefProc(hwnd, msg, wParam, lParam);
}

}  // namespace

const EmbeddedClass kAnimTabClass = {
    "ZYL3_ANIMTAB32", AnimTabWndProc, AnimTabProc, kEmbeddedStyle, kRecordSlot,
    ClassCursor::kNone, kNoBackground, sizeof(AnimTabRecord), false, kOwnsPictureRender | kOwnsTextRender,
};

}  // namespace zyl

extern "C" LRESULT CALLBACK AnimTabWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return zyl::EmbeddedWindowProc(zyl::kAnimTabClass, hwnd, msg, wParam, lParam);
}
