// ZYL3_ANIMBULLET32: a list of links with a bullet before each, read from a
// bullet file in the help file or on disk. The item under the mouse gets a
// red bullet and, when it has a comment, a comment tip beside the list; a
// click jumps to the item's topic or shows it as a popup. A list taller
// than the height the author gives scrolls.
//
// Hovering follows the cursor wherever it goes: timer 1 asks every 250 ms,
// so that leaving the window clears the highlight and hides the tip even
// when no mouse message reaches the list.
#include <windows.h>

#include <cstring>

#include "controls/animbullet_parse.h"
#include "controls/embedded.h"
#include "controls/helpcomment.h"
#include "core/gdiobj.h"
#include "core/handler.h"
#include "core/text.h"
#include "core/wholefile_win32.h"
#include "zyl3an32.h"

namespace zyl {

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kHoverPeriod = 250;
constexpr int kTextLeft = 24;
constexpr int kBulletLeft = 2;
constexpr int kBulletWidth = 16, kBulletHeight = 12;   // picture above its mask in the resource
constexpr int kScrollButton = 17;
constexpr std::size_t kJumpFileChars = 256;            // 255 characters and the terminator
constexpr COLORREF kWhite = RGB(255, 255, 255);

struct AnimBulletRecord : EmbeddedRecord {
    std::uint8_t* block;            // the bullet file; item strings point into it
    BulletFile file;
    int textWidths[kMaxBulletItems];
    std::uint16_t flags;            // from the parameter string
    BulletLayout layout;
    HFONT font;
    int descent;
    int scrollPos;                  // pixels scrolled, 0 ... layout.scrollRange
    int hover;                      // item under the mouse (1-based), 0 = none
    int dotTop, dotRows;            // a popup list's dotted underline, rows from an item's top
    UINT_PTR timer;
    CommentTip tip;
    COLORREF background;            // the region's, asked at creation
};

// ---- creation ----

int LoadList(void* context, const char* name) {
    auto* rec = static_cast<AnimBulletRecord*>(context);
    rec->block = static_cast<std::uint8_t*>(HeapAlloc(GetProcessHeap(), 0, kWholeFileBytes));
    std::size_t size = 0;
    if (!rec->block || !ReadWholeFile(rec->instance, name, rec->block, &size) ||
        ReadBulletFile(rec->block, size, &rec->file) != BulletFault::kNone)
        return ZYL_ERR_BULLET_FILE;
    return 0;
}

HFONT CreateListFont(const BulletFile& file) {
    const std::uint16_t style = file.style;
    return CreateFontA(BulletFontHeight(file.fontSize, file.face), 0, 0, 0, (style & kBulletBold) ? 700 : 100,
                       (style & kBulletItalic) ? 1 : 0, (style & kBulletUnderline) ? 1 : 0, 0, DEFAULT_CHARSET, 0,
                       0, 0, 0, *file.face ? file.face : "MS Sans Serif");
}

// Green underlined items of a "popup" list get a dotted underline.
bool DotsTheUnderline(const AnimBulletRecord* rec) {
    return !(rec->file.style & (kBulletBlack | kBulletColour)) && std::strcmp(rec->file.window, "popup") == 0;
}

// The rows the dots of a popup list go on: where the list font draws its
// underline, found by underlining two blanks; below the text's baseline
// when the font draws none.
void FindUnderline(AnimBulletRecord* rec) {
    const int height = rec->layout.lineHeight + 1;
    rec->dotTop = height - rec->descent;
    rec->dotRows = 1;
    OwnedDC mem(CreateCompatibleDC(nullptr));
    Bitmap mono(CreateCompatibleBitmap(mem.get(), 4, height));
    Selected selected(mem.get(), mono.get());
    if (!selected.ok()) return;
    RECT all = {0, 0, 4, height};
    FillRect(mem.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    Selected font(mem.get(), rec->font);
    SetBkMode(mem.get(), TRANSPARENT);
    SetTextColor(mem.get(), RGB(0, 0, 0));
    ExtTextOutA(mem.get(), 0, 0, 0, nullptr, "  ", 2, nullptr);
    int first = -1, last = -1;
    for (int y = 0; y < height; ++y)
        if (GetPixel(mem.get(), 1, y) == RGB(0, 0, 0)) {
            if (first < 0) first = y;
            last = y;
        }
    if (first < 0) return;
    rec->dotTop = first;
    rec->dotRows = last - first + 1;
}

// Measures the items in the list font and lays the list out.
void Measure(AnimBulletRecord* rec, const BulletParams& params) {
    WindowDC screen(nullptr);
    Selected font(screen.get(), rec->font);
    TEXTMETRICA tm = {};
    GetTextMetricsA(screen.get(), &tm);
    rec->descent = tm.tmDescent;
    for (int i = 0; i < rec->file.count; ++i) {
        const char* text = rec->file.items[i].text;
        SIZE size = {0, 0};
        GetTextExtentPoint32A(screen.get(), text, static_cast<int>(std::strlen(text)), &size);
        rec->textWidths[i] = size.cx;
    }
    rec->layout = LayoutBulletList(params, rec->textWidths, rec->file.count, tm.tmHeight,
                                   GetSystemMetrics(SM_CXVSCROLL));
    rec->size = SIZE{rec->layout.width, rec->layout.height};
    if (DotsTheUnderline(rec)) FindUnderline(rec);
}

void Release(HWND hwnd, AnimBulletRecord* rec) {
    if (rec->timer) KillTimer(hwnd, kTimerId);
    rec->timer = 0;
    if (rec->font) DeleteObject(rec->font);
    rec->font = nullptr;
    DestroyCommentTip(&rec->tip);
    if (rec->block) HeapFree(GetProcessHeap(), 0, rec->block);
    rec->block = nullptr;
    rec->file = BulletFile();
}

LRESULT OnCreate(HWND hwnd, AnimBulletRecord* rec, const char* data) {
    BulletParams params;
    int error = ParseBulletParams(data, BulletFileProbe{rec, LoadList}, &params);
    if (!error) {
        rec->flags = params.flags;
        rec->font = CreateListFont(rec->file);
        Measure(rec, params);
        rec->background = GetRegionBackColour(rec->instance, hwnd);
        rec->timer = SetTimer(hwnd, kTimerId, kHoverPeriod, nullptr);
        if (!rec->timer) error = ZYL_ERR_NO_TIMERS;
    }
    if (error) {
        Release(hwnd, rec);
        rec->size = SIZE{0, 0};
        EnterErrorState(hwnd, error);
        return 0;
    }
    LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    if (rec->flags & kBulletBorder) style |= WS_BORDER;
    if (rec->layout.scrolling) style |= WS_VSCROLL;
    SetWindowLongPtrA(hwnd, GWL_STYLE, style);
    if (rec->layout.scrolling) {
        SetScrollRange(hwnd, SB_VERT, 0, rec->layout.scrollRange, FALSE);
        SetScrollPos(hwnd, SB_VERT, 0, TRUE);
    }
    return 0;
}

// ---- the list picture ----

// A bullet resource made ready for drawing through its mask: the picture
// XOR the mask leaves black around the bullet.
Bitmap LoadBullet(HDC dc, int id) {
    Bitmap bullet(LoadBitmapA(ModuleInstance(), MAKEINTRESOURCEA(id)));
    OwnedDC mem(CreateCompatibleDC(dc));
    Selected selected(mem.get(), bullet.get());
    if (selected.ok()) BitBlt(mem.get(), 0, 0, kBulletWidth, kBulletHeight, mem.get(), 0, kBulletHeight, SRCINVERT);
    return bullet;
}

// Destination AND mask, then OR picture: the bullet over whatever is there.
void DrawBullet(HDC dc, HBITMAP bullet, int x, int y) {
    OwnedDC mem(CreateCompatibleDC(dc));
    Selected selected(mem.get(), bullet);
    if (!selected.ok()) return;
    BitBlt(dc, x, y, kBulletWidth, kBulletHeight, mem.get(), 0, kBulletHeight, SRCAND);
    BitBlt(dc, x, y, kBulletWidth, kBulletHeight, mem.get(), 0, 0, SRCPAINT);
}

void CopyResource(HDC dc, int id, int x, int y) {
    Bitmap picture(LoadBitmapA(ModuleInstance(), MAKEINTRESOURCEA(id)));
    OwnedDC mem(CreateCompatibleDC(dc));
    Selected selected(mem.get(), picture.get());
    if (selected.ok()) BitBlt(dc, x, y, kScrollButton, kScrollButton, mem.get(), 0, 0, SRCCOPY);
}

void VerticalLine(HDC dc, int x, int top, int bottom) {
    MoveToEx(dc, x, top, nullptr);
    LineTo(dc, x, bottom);
}

// A printed list shows its border and, in place of the scroll bar, a
// column with the two scroll buttons.
void DrawRenderFrame(HDC dc, const AnimBulletRecord* rec, RECT* box) {
    const bool border = (rec->flags & kBulletBorder) != 0;
    if (border) {
        FrameRect(dc, box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(box, -1, -1);
    }
    if (!rec->layout.scrolling) return;
    if (border) VerticalLine(dc, --box->right, box->top, box->bottom);
    box->right -= 16;
    CopyResource(dc, IDB_ZYL_SCROLL_UP, box->right, 0);
    CopyResource(dc, IDB_ZYL_SCROLL_DOWN, box->right, box->bottom - 16 - (border ? 1 : 0));
    VerticalLine(dc, box->right, box->top, box->bottom);
    box->right -= 1;
}

void DrawList(HDC dc, const AnimBulletRecord* rec, RECT box, bool forRender) {
    const COLORREF back = forRender ? kWhite : rec->background;
    {
        Brush fill(CreateSolidBrush(back));
        SetBrushOrgEx(dc, 0, 0, nullptr);
        FillRect(dc, &box, fill.get());
    }
    if (forRender) DrawRenderFrame(dc, rec, &box);

    Selected font(dc, rec->font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, BulletTextColour(rec->file.style, rec->file.colour));
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, box.left, box.top, box.right, box.bottom);

    Bitmap normal = LoadBullet(dc, IDB_ZYL_BULLET);
    Bitmap hot = !forRender && rec->hover ? LoadBullet(dc, IDB_ZYL_BULLET_HOT) : Bitmap();
    const int line = rec->layout.lineHeight + 1;
    const bool dotted = DotsTheUnderline(rec);
    int nextTop = box.top + 1;
    for (int i = 1; i <= rec->file.count && nextTop < box.bottom + rec->scrollPos; ++i) {
        if (i * line <= rec->scrollPos) continue;   // scrolled away
        const int top = nextTop;
        nextTop += line;
        const BulletItem& item = rec->file.items[i - 1];
        DrawBullet(dc, i == rec->hover && hot ? hot.get() : normal.get(), box.left + kBulletLeft,
                   top + ((rec->layout.lineHeight - 11) >> 1));
        ExtTextOutA(dc, box.left + kTextLeft, top, ETO_CLIPPED, &box, item.text,
                    static_cast<UINT>(std::strlen(item.text)), nullptr);
        if (!dotted) continue;
        for (int y = top + rec->dotTop; y < top + rec->dotTop + rec->dotRows; ++y)
            for (int x = box.left + 26; x < box.left + kTextLeft + rec->textWidths[i - 1]; x += 4) {
                SetPixel(dc, x, y, back);
                SetPixel(dc, x + 1, y, back);
            }
    }
    if (saved) RestoreDC(dc, saved);
}

void OnPaint(HWND hwnd, const AnimBulletRecord* rec) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    if (dc && GetClientRect(hwnd, &client) && client.right > 0 && client.bottom > 0) {
        OwnedDC mem(CreateCompatibleDC(dc));
        Bitmap picture(CreateCompatibleBitmap(dc, client.right, client.bottom));
        Selected selected(mem.get(), picture.get());
        if (selected.ok()) {
            DrawList(mem.get(), rec, client, false);
            BitBlt(dc, 0, 0, client.right, client.bottom, mem.get(), 0, 0, SRCCOPY);
        }
    }
    EndPaint(hwnd, &ps);
}

// The list at its screen size on a monochrome bitmap, stretched to the
// target's resolution.
HBITMAP RenderPicture(const AnimBulletRecord* rec, HDC target) {
    return RenderMonochromePicture(target, rec->size, [](HDC dc, const void* list) {
        const auto* r = static_cast<const AnimBulletRecord*>(list);
        DrawList(dc, r, RECT{0, 0, r->size.cx, r->size.cy}, true);
    }, rec);
}

// ---- the mouse ----

// Which item the cursor is on, kept as the hovered one; on a change the
// list is redrawn at once and the tip follows. The item's topic hash, or 0.
std::uint32_t UpdateHover(HWND hwnd, AnimBulletRecord* rec) {
    if (rec->errorId) return 0;
    int index = 0;
    POINT pt;
    RECT client;
    if (GetCursorPos(&pt) && WindowFromPoint(pt) == hwnd && GetClientRect(hwnd, &client)) {
        ScreenToClient(hwnd, &pt);
        if (PtInRect(&client, pt))
            index = BulletItemAt(rec->textWidths, rec->file.count, rec->layout.lineHeight, rec->scrollPos,
                                 client.bottom, pt.x, pt.y);
    }
    if (index != rec->hover) {
        rec->hover = index;
        InvalidateRect(hwnd, nullptr, FALSE);
        UpdateWindow(hwnd);
        const char* comment = index ? rec->file.items[index - 1].comment : nullptr;
        const int top = BulletItemTop(index, rec->layout.lineHeight, rec->scrollPos);
        const RECT item = {kTextLeft, top, kTextLeft + (index ? rec->textWidths[index - 1] : 0),
                           top + rec->layout.lineHeight + 1};
        ShowCommentTip(&rec->tip, hwnd, comment, item, rec->layout.lineHeight, rec->background, FindInstance());
    }
    return index ? rec->file.items[index - 1].hash : 0;
}

void OnSetCursor(HWND hwnd, AnimBulletRecord* rec) {
    const std::uint32_t hash = UpdateHover(hwnd, rec);
    const InstanceRecord* inst = FindInstance();
    HCURSOR arrow = inst && inst->arrowCursor ? inst->arrowCursor : LoadCursorA(nullptr, IDC_ARROW);
    HCURSOR wanted = hash && inst && inst->handCursor ? inst->handCursor : arrow;
    if (GetCursor() != wanted) SetCursor(wanted);
}

// The host jumps to the item's topic, in the file's window, or shows it as
// a popup. The file string holds at most 255 characters.
void Jump(const AnimBulletRecord* rec, std::uint32_t hash) {
    char file[kJumpFileChars];
    CopyBounded(file, sizeof file, rec->helpFile);
    const char* window = rec->file.window;
    WORD command = ZYL_API_POPUP_HASH;
    if (!(rec->flags & kBulletAllPopups) && !EqualNoCase(window, "popup")) {
        command = ZYL_API_JUMP_HASH;
        const std::size_t used = std::strlen(file);
        if (*window && used + 1 < sizeof file) {
            file[used] = '>';
            CopyBounded(file + used + 1, sizeof file - used - 1, window);
        }
    }
    HostApi(FindInstance(), file, command, static_cast<LONG_PTR>(hash));
}

void OnScroll(HWND hwnd, AnimBulletRecord* rec, WPARAM wParam) {
    const int request = LOWORD(wParam);
    const int position = BulletScrollPosition(request, HIWORD(wParam), rec->scrollPos, rec->layout);
    if (position == rec->scrollPos) return;
    rec->scrollPos = position;
    if (request != SB_THUMBTRACK) SetScrollPos(hwnd, SB_VERT, position, TRUE);
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
}

LRESULT AnimBulletProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    AnimBulletRecord* rec = RecordOf<AnimBulletRecord>(hwnd);
    switch (msg) {
    case WM_CREATE:
        return OnCreate(hwnd, rec, AuthorData(lParam));
    case WM_DESTROY:
        Release(hwnd, rec);
        return 0;
    case WM_PAINT:
        OnPaint(hwnd, rec);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETCURSOR:
        OnSetCursor(hwnd, rec);
        return 1;
    case WM_TIMER:
    case WM_MOUSEMOVE:
        UpdateHover(hwnd, rec);
        return 0;
    case WM_LBUTTONDOWN:
        if (const std::uint32_t hash = UpdateHover(hwnd, rec)) Jump(rec, hash);
        return 0;
    case WM_VSCROLL:
        if (!rec->errorId) OnScroll(hwnd, rec, wParam);
        return 0;
    case EWM_RENDER:
        if (wParam == EWRENDER_TEXT) return reinterpret_cast<LRESULT>(MakeTextBlock("[Bulleted list]"));
        if (wParam == EWRENDER_BITMAP) return reinterpret_cast<LRESULT>(RenderPicture(rec, RenderTarget(lParam)));
        return 0;
    }
    return EmbeddedDefProc(hwnd, msg, wParam, lParam);
}

}  // namespace

const EmbeddedClass kAnimBulletClass = {
    "ZYL3_ANIMBULLET32", AnimBulletWndProc, AnimBulletProc, kEmbeddedStyle, kRecordSlot,
    ClassCursor::kNone, kNoBackground, sizeof(AnimBulletRecord), false,
};

}  // namespace zyl

extern "C" LRESULT CALLBACK AnimBulletWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return zyl::EmbeddedWindowProc(zyl::kAnimBulletClass, hwnd, msg, wParam, lParam);
}
