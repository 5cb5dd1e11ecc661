// The host's windows: the main frame, secondary frames and popups with their
// regions, the topic layout with the module's embedded windows, painting,
// scrolling and links.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "host_impl.h"

namespace zylhost {

namespace {

// The main frame's class is ours; the others are the contract's.
constexpr char kMainClass[] = "ZYLHOST_FRAME";

constexpr COLORREF kLinkColour = RGB(0, 128, 0);
constexpr COLORREF kProblemColour = RGB(128, 128, 128);
constexpr int kWheelStep = 48;
constexpr int kLineStep = 16;

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK RegionProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

HINSTANCE HostInstance() { return GetModuleHandleA(nullptr); }

// Classes are process-wide; hosts on several threads share them.
void RegisterClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSEXA wc;
        std::memset(&wc, 0, sizeof wc);
        wc.cbSize = sizeof wc;
        wc.hInstance = HostInstance();
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.cbWndExtra = sizeof(LONG_PTR);   // the Frame or Region

        wc.lpfnWndProc = FrameProc;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kMainClass;
        RegisterClassExA(&wc);
        wc.lpszClassName = ZYL_HOST_CLASS_SECONDARY;
        RegisterClassExA(&wc);

        wc.lpfnWndProc = RegionProc;
        wc.hbrBackground = nullptr;   // WM_ERASEBKGND paints the background colour
        wc.lpszClassName = ZYL_HOST_CLASS_NSR;
        RegisterClassExA(&wc);
        wc.lpszClassName = ZYL_HOST_CLASS_TOPIC;
        RegisterClassExA(&wc);
        wc.style = CS_SAVEBITS;
        wc.lpszClassName = ZYL_HOST_CLASS_POPUP;
        RegisterClassExA(&wc);
    });
}

Frame* FrameOf(HWND hwnd) { return reinterpret_cast<Frame*>(GetWindowLongPtrA(hwnd, 0)); }
Region* RegionOf(HWND hwnd) { return reinterpret_cast<Region*>(GetWindowLongPtrA(hwnd, 0)); }

std::vector<zylscript::Paragraph> const kNoParagraphs;

bool EqualNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

// Index of the link drawn under a client point, or -1.
int LinkAt(const Region& r, int x, int y) {
    y += r.scrollY;
    for (const PlacedText& t : r.flow.texts) {
        if (t.link < 0) continue;
        if (x >= t.at.x && x < t.at.x + t.extent.cx && y >= t.at.y && y < t.at.y + t.extent.cy) return t.link;
    }
    // Hot spots of pictures.
    for (std::size_t i = 0; i < r.links.size(); ++i) {
        const RECT& a = r.links[i].area;
        if (r.links[i].hasArea && x >= a.left && x < a.right && y >= a.top && y < a.bottom) return static_cast<int>(i);
    }
    return -1;
}

// A popup as the help viewer draws one: a panel with a thin border, and a
// shadow in the margin at its right and bottom, inside the popup's own
// client area (the module's painter keeps to the panel).
int PopupShadow() { return 3 * GetSystemMetrics(SM_CXVSCROLL) / 4; }

void PaintPopupFrame(HDC dc, const RECT& client, HBRUSH background) {
    const int s = PopupShadow();
    const RECT panel = {0, 0, client.right - s, client.bottom - s};
    RECT shadow = panel;
    OffsetRect(&shadow, s / 2, s / 2);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FillRect(dc, &shadow, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    FillRect(dc, &panel, background);
    FrameRect(dc, &panel, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

// Keys and the wheel scroll through WM_VSCROLL, as the scroll bar does,
// so that whoever watches the region's scrolling sees every step.
int ScrollCodeOfKey(WPARAM key) {
    switch (key) {
    case VK_UP: return SB_LINEUP;
    case VK_DOWN: return SB_LINEDOWN;
    case VK_PRIOR: return SB_PAGEUP;
    case VK_NEXT: return SB_PAGEDOWN;
    case VK_HOME: return SB_TOP;
    case VK_END: return SB_BOTTOM;
    default: return -1;
    }
}

void WheelScroll(const Region& r, WPARAM wParam) {
    const int lines = GET_WHEEL_DELTA_WPARAM(wParam) * (kWheelStep / kLineStep) / WHEEL_DELTA;
    for (int i = 0; i < std::abs(lines) && r.hwnd; ++i)
        SendMessageA(r.hwnd, WM_VSCROLL, lines > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
}

void PaintPictures(const Region& r, HDC dc, const RECT& dirty) {
    if (r.pictures.empty()) return;
    OwnedDC memory(CreateCompatibleDC(dc));
    if (!memory) return;
    for (const RegionPicture& p : r.pictures) {
        const int y = p.at.y - r.scrollY;
        if (!p.bitmap || y >= dirty.bottom || y + p.size.cy <= dirty.top) continue;
        Selected bitmap(memory.get(), p.bitmap);
        if (p.transparent)
            TransparentBlt(dc, p.at.x, y, p.size.cx, p.size.cy, memory.get(), 0, 0, p.size.cx, p.size.cy, p.key);
        else
            BitBlt(dc, p.at.x, y, p.size.cx, p.size.cy, memory.get(), 0, 0, SRCCOPY);
    }
}

void PaintRegion(Host::Impl& impl, Region& r, HDC dc, const RECT& dirty) {
    SetBkMode(dc, TRANSPARENT);
    HFONT selected = nullptr;
    Selected restore(dc, GetCurrentObject(dc, OBJ_FONT));
    PaintPictures(r, dc, dirty);
    for (const PlacedText& t : r.flow.texts) {
        const int y = t.at.y - r.scrollY;
        if (y >= dirty.bottom || y + t.extent.cy <= dirty.top) continue;
        HFONT font = t.font >= 0 && static_cast<std::size_t>(t.font) < r.fonts.size() ? r.fonts[static_cast<std::size_t>(t.font)]
                     : t.link >= 0                                                      ? impl.linkFont.get()
                                                                                        : impl.textFont.get();
        if (font != selected) {
            SelectObject(dc, font);
            selected = font;
        }
        const bool asLink = t.link >= 0 && static_cast<std::size_t>(t.link) < r.links.size() &&
                            !r.links[static_cast<std::size_t>(t.link)].plain;
        SetTextColor(dc, asLink ? kLinkColour : t.colour != CLR_INVALID ? t.colour : RGB(0, 0, 0));
        TextOutW(dc, t.at.x, y, t.text.c_str(), static_cast<int>(t.text.size()));
    }
    // A reference the host could not honour shows as a framed note where
    // the window would be.
    for (const auto& w : r.windows) {
        if (w->hwnd || w->problem.empty()) continue;
        RECT box = {w->at.x, w->at.y - r.scrollY, w->at.x + w->size.cx, w->at.y - r.scrollY + w->size.cy};
        Pen pen(CreatePen(PS_SOLID, 1, kProblemColour));
        Selected p(dc, pen.get());
        Selected b(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, box.left, box.top, box.right, box.bottom);
        SelectObject(dc, impl.textFont.get());
        selected = impl.textFont.get();
        SetTextColor(dc, kProblemColour);
        DrawTextA(dc, w->problem.c_str(), -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    if (r.nsr) {
        RECT rc;
        GetClientRect(r.hwnd, &rc);
        RECT rule = {rc.left, rc.bottom - 1, rc.right, rc.bottom};
        Brush grey(CreateSolidBrush(kProblemColour));
        FillRect(dc, &rule, grey.get());
    }
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    Frame* f = FrameOf(hwnd);
    if (!f) return DefWindowProcA(hwnd, msg, wParam, lParam);
    Host::Impl& impl = *f->impl;
    switch (msg) {
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED && (LOWORD(lParam) != f->laidOut.cx || HIWORD(lParam) != f->laidOut.cy)) {
            if (impl.layingOut) PostMessageA(hwnd, kMsgRelayout, 0, 0);
            else impl.LayoutFrame(*f);
        }
        return 0;
    case kMsgRelayout: {
        RECT rc;
        GetClientRect(hwnd, &rc);
        if (!impl.layingOut && (rc.right != f->laidOut.cx || rc.bottom != f->laidOut.cy))
            impl.LayoutFrame(*f);
        return 0;
    }
    case kMsgNavigate:
        impl.RunNavigation();
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == ZYL_HOST_CMD_PRINT && f->kind == FrameKind::Main) {
            impl.DoPrint();
            return 0;
        }
        if (impl.commandHandler && impl.commandHandler(*impl.host, LOWORD(wParam))) return 0;
        break;
    case ZYL_HOST_MSG_WINDOWNAME:
        // The window name, for the module's record of this frame.
        if (lParam) {
            char* buffer = reinterpret_cast<char*>(lParam);
            std::string name = f->name.substr(0, kWindowNameChars - 1);
            std::memcpy(buffer, name.c_str(), name.size() + 1);
            return 1;
        }
        return 0;
    case ZYL_HOST_MSG_JUMPHASH: {
        Navigation nav;
        nav.topic = impl.haveScript ? impl.script.FindTopicByHash(static_cast<std::uint32_t>(lParam)) : -1;
        nav.frame = hwnd;
        if (nav.topic >= 0) impl.Queue(std::move(nav));
        return 0;
    }
    case ZYL_HOST_MSG_BUTTONPOINT:
        impl.ShowContents(*f, lParam);
        return 0;
    case WM_KEYDOWN: {
        if (wParam == VK_ESCAPE) {
            impl.ClosePopup();
            return 0;
        }
        const int code = ScrollCodeOfKey(wParam);
        if (code < 0) break;
        SendMessageA(f->body.hwnd, WM_VSCROLL, static_cast<WPARAM>(code), 0);
        return 0;
    }
    case WM_MOUSEWHEEL:
        WheelScroll(f->body, wParam);
        return 0;
    case WM_DESTROY:
        // The regions still exist: the embedded windows go first, while
        // their parents are intact.
        if (f->kind == FrameKind::Main) {
            impl.ClosePopup();
            impl.CloseSecondaries();
        }
        impl.DestroyEmbedded(*f);
        break;
    case WM_NCDESTROY: {
        SetWindowLongPtrA(hwnd, 0, 0);
        f->hwnd = nullptr;
        f->nsr.hwnd = f->body.hwnd = nullptr;
        const bool quit = f->kind == FrameKind::Main && impl.quitOnClose;
        if (f->kind == FrameKind::Secondary) {
            auto& list = impl.secondaries;
            list.erase(std::remove_if(list.begin(), list.end(), [f](const std::unique_ptr<Frame>& p) { return p.get() == f; }),
                       list.end());   // f is gone from here on
        }
        if (quit) PostQuitMessage(0);
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK RegionProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    Region* r = RegionOf(hwnd);
    if (!r || !r->frame) return DefWindowProcA(hwnd, msg, wParam, lParam);
    Host::Impl& impl = *r->frame->impl;
    const bool isPopup = r->frame->kind == FrameKind::Popup;
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(hwnd, &rc);
        Brush brush(CreateSolidBrush(impl.options.backgroundColour));
        if (isPopup) {
            PaintPopupFrame(reinterpret_cast<HDC>(wParam), rc, brush.get());
            return 1;
        }
        FillRect(reinterpret_cast<HDC>(wParam), &rc, brush.get());
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (dc) PaintRegion(impl, *r, dc, ps.rcPaint);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_VSCROLL: {
        int y = r->scrollY;
        switch (LOWORD(wParam)) {
        case SB_LINEUP: y -= kLineStep; break;
        case SB_LINEDOWN: y += kLineStep; break;
        case SB_PAGEUP: y -= std::max(kLineStep, r->viewHeight - kLineStep); break;
        case SB_PAGEDOWN: y += std::max(kLineStep, r->viewHeight - kLineStep); break;
        case SB_TOP: y = 0; break;
        case SB_BOTTOM: y = INT_MAX / 2; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO si = {sizeof si, SIF_TRACKPOS, 0, 0, 0, 0, 0};
            if (GetScrollInfo(hwnd, SB_VERT, &si)) y = si.nTrackPos;
            break;
        }
        }
        impl.ScrollTo(*r, y);
        return 0;
    }
    case WM_MOUSEWHEEL:
        if (!r->nsr) {
            WheelScroll(*r, wParam);
            return 0;
        }
        break;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && reinterpret_cast<HWND>(wParam) == hwnd) {
            POINT pt;
            GetCursorPos(&pt);
            ScreenToClient(hwnd, &pt);
            if (LinkAt(*r, pt.x, pt.y) >= 0) {
                SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
                return TRUE;
            }
        }
        break;
    case WM_LBUTTONDOWN:
        if (!isPopup) {
            impl.ClosePopup();
            SetFocus(r->frame->hwnd);
        }
        return 0;
    case WM_LBUTTONUP: {
        int link = LinkAt(*r, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        if (link >= 0) impl.FollowLink(*r, link);
        else if (isPopup) PostMessageA(hwnd, WM_CLOSE, 0, 0);   // a click anywhere else closes a popup
        return 0;
    }
    case WM_KEYDOWN:
        if (isPopup && wParam == VK_ESCAPE) {
            PostMessageA(hwnd, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_ACTIVATE:
        // A popup goes as soon as the user turns to another window.
        if (isPopup && LOWORD(wParam) == WA_INACTIVE) PostMessageA(hwnd, WM_CLOSE, 0, 0);
        break;
    case WM_CLOSE:
        if (isPopup) {
            impl.ClosePopup();   // deletes *r
            return 0;
        }
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, 0, 0);
        r->hwnd = nullptr;
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

// ---------------------------------------------------------------------------

std::wstring Host::Impl::Wide(const std::string& text) const {
    return AnsiToWide(text, script.utf8 ? CP_UTF8 : script.codePage ? script.codePage : CP_ACP);
}

std::string Host::Impl::Ansi(const std::string& text) const {
    if (script.utf8) return WideToAnsi(AnsiToWide(text, CP_UTF8));
    return script.codePage && script.codePage != GetACP() ? WideToAnsi(AnsiToWide(text, script.codePage)) : text;
}

bool Host::Impl::CreateRegions(Frame& f) {
    f.nsr.frame = f.body.frame = &f;
    f.nsr.nsr = true;
    f.nsr.hwnd = CreateWindowExA(0, ZYL_HOST_CLASS_NSR, "", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0, f.hwnd,
                                 nullptr, HostInstance(), &f.nsr);
    f.body.hwnd = CreateWindowExA(0, ZYL_HOST_CLASS_TOPIC, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                                  0, 0, f.hwnd, nullptr, HostInstance(), &f.body);
    if (!f.nsr.hwnd || !f.body.hwnd) {
        lastError = "cannot create the regions of a frame";
        return false;
    }
    return true;
}

bool Host::Impl::EnsureMainFrame() {
    if (main && main->hwnd) return true;
    RegisterClasses();
    main = std::make_unique<Frame>();
    main->impl = this;
    main->kind = FrameKind::Main;
    main->name = "main";
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT rc = {0, 0, std::max(1, options.width), std::max(1, options.height)};
    AdjustWindowRectEx(&rc, style, FALSE, 0);
    main->hwnd = CreateWindowExA(0, kMainClass, "zylhost", style, 10, 10, rc.right - rc.left, rc.bottom - rc.top,
                                 nullptr, nullptr, HostInstance(), main.get());
    if (!main->hwnd) {
        lastError = "cannot create the main window (error " + std::to_string(GetLastError()) + ")";
        main.reset();
        return false;
    }
    if (!CreateRegions(*main)) {
        DestroyWindow(main->hwnd);
        main.reset();
        return false;
    }
    LayoutFrame(*main);   // the topic region fills the frame even before there is a topic
    current = main->body.hwnd;
    if (options.visible) {
        ShowWindow(main->hwnd, SW_SHOWNORMAL);
        UpdateWindow(main->hwnd);
    }
    return true;
}

void Host::Impl::SetMainCaption() {
    if (!main || !main->hwnd) return;
    std::string caption = script.title.empty() ? helpFile.substr(helpFile.find_last_of("\\/") + 1) : Ansi(script.title);
    SetWindowTextA(main->hwnd, caption.c_str());
}

Frame* Host::Impl::FindFrame(HWND hwnd) {
    if (!hwnd) return nullptr;
    if (main && main->hwnd == hwnd) return main.get();
    if (popup && popup->hwnd == hwnd) return popup.get();
    for (auto& f : secondaries)
        if (f->hwnd == hwnd) return f.get();
    return nullptr;
}

Region* Host::Impl::FindRegion(HWND hwnd) {
    if (!hwnd) return nullptr;
    auto match = [hwnd](Frame* f) -> Region* {
        if (!f) return nullptr;
        if (f->body.hwnd == hwnd) return &f->body;
        if (f->nsr.hwnd == hwnd) return &f->nsr;
        return nullptr;
    };
    if (Region* r = match(main.get())) return r;
    if (Region* r = match(popup.get())) return r;
    for (auto& f : secondaries)
        if (Region* r = match(f.get())) return r;
    return nullptr;
}

HWND Host::Impl::CreateEmbedded(Region& region, EmbeddedWindow& w, int id, bool visible) {
    HINSTANCE instance = nullptr;
    if (!ResolveDll(w.ref.dll, &instance)) {
        w.problem = "Cannot load DLL " + w.ref.dll;
        WindowDC dc(region.hwnd);
        Selected font(dc.get(), textFont.get());
        SIZE sz = {0, 0};
        GetTextExtentPoint32A(dc.get(), w.problem.c_str(), static_cast<int>(w.problem.size()), &sz);
        w.size = SIZE{sz.cx + 12, sz.cy + 8};
        return nullptr;
    }
    // The creation record and its strings live as long as the window: the
    // module may keep the pointers it was given.
    const std::string help = helpFile;
    const std::string data = Ansi(w.ref.data);
    w.record = HandoffBlock(sizeof(ZYL_CREATEINFO) + help.size() + 1 + data.size() + 1, options.allocateHigh);
    if (!w.record.data()) {
        w.problem = "Out of memory";
        return nullptr;
    }
    auto* info = static_cast<ZYL_CREATEINFO*>(w.record.data());
    char* strings = w.record.chars() + sizeof(ZYL_CREATEINFO);
    std::memcpy(strings, help.c_str(), help.size() + 1);
    std::memcpy(strings + help.size() + 1, data.c_str(), data.size() + 1);
    info->majorVersion = 0;
    info->minorVersion = 0;
    info->helpFile = strings;
    info->authorData = strings + help.size() + 1;

    current = region.hwnd;
    w.hwnd = CreateWindowExA(0, w.ref.className.c_str(), "", WS_CHILD | (visible ? WS_VISIBLE : 0), 0, 0, 0, 0, region.hwnd,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, info);
    if (!w.hwnd) {
        // Refused by the module (or an unknown class): the topic shows
        // without it.
        w.record.reset();
        return nullptr;
    }
    WindowDC dc(region.hwnd);
    POINT* size = ScratchPoint();
    POINT local = {0, 0};
    if (!size) size = &local;
    SendMessageA(w.hwnd, EWM_QUERYSIZE, reinterpret_cast<WPARAM>(dc.get()), reinterpret_cast<LPARAM>(size));
    w.size = SIZE{std::clamp<LONG>(size->x, 0, 32767), std::clamp<LONG>(size->y, 0, 32767)};
    SetWindowPos(w.hwnd, nullptr, 0, 0, w.size.cx, w.size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return w.hwnd;
}

void Host::Impl::DestroyEmbedded(Region& region) {
    // Moved out first: destroying a window runs the module, which may call
    // back into the host.
    std::vector<std::unique_ptr<EmbeddedWindow>> windows = std::move(region.windows);
    region.windows.clear();
    for (auto& w : windows)
        if (w->hwnd && IsWindow(w->hwnd)) DestroyWindow(w->hwnd);
    region.flow = FlowResult();
    region.links.clear();
    region.pictures.clear();
    region.fonts.clear();
}

void Host::Impl::DestroyEmbedded(Frame& frame) {
    DestroyEmbedded(frame.nsr);
    DestroyEmbedded(frame.body);
}

void Host::Impl::LayoutRegion(Region& r, const std::vector<const std::vector<zylscript::Paragraph>*>& sources,
                              int width, int height, bool scrolls) {
    DestroyEmbedded(r);
    if (!r.hwnd) return;

    // Pieces of the flow; embedded windows are created in topic order.
    // Everything is copied out of the script first: creating a window runs
    // the module, and nothing it does may pull the script from under us.
    WindowDC dc(r.hwnd);
    const int dpi = std::max(1, GetDeviceCaps(dc.get(), LOGPIXELSY));
    auto pixels = [dpi](int halfPoints) { return MulDiv(halfPoints, dpi, 144); };
    std::map<HFONT, int> fontIndex;
    auto font = [&](const zylscript::TextStyle& style, bool link) {
        HFONT h = FontFor(style, link);
        auto it = fontIndex.find(h);
        if (it != fontIndex.end()) return it->second;
        r.fonts.push_back(h);
        return fontIndex[h] = static_cast<int>(r.fonts.size()) - 1;
    };
    std::vector<FlowParagraph> paragraphs;
    std::vector<EmbeddedRef> refs;
    std::vector<char> boxIsPicture;    // per box: a picture (else a window)
    std::vector<const CachedPicture*> boxPictures;
    for (const auto* list : sources) {
        for (const zylscript::Paragraph& p : *list) {
            FlowParagraph fp;
            const zylscript::ParagraphFormat& f = p.format;
            fp.format.spaceAbove = pixels(f.spaceAbove);
            fp.format.spaceBelow = pixels(f.spaceBelow);
            fp.format.lineSpacing = f.lineSpacing > 0 ? pixels(f.lineSpacing) : -pixels(-f.lineSpacing);
            fp.format.leftIndent = pixels(f.leftIndent);
            fp.format.rightIndent = pixels(f.rightIndent);
            fp.format.firstIndent = pixels(f.firstIndent);
            fp.format.align = f.align;
            for (const zylscript::TabStop& tab : f.tabs) fp.format.tabs.push_back(pixels(tab.position));
            std::sort(fp.format.tabs.begin(), fp.format.tabs.end());
            fp.format.defaultTab = pixels(72);   // every half inch
            fp.format.lineBreakBefore = p.lineBreakBefore;
            for (const zylscript::Segment& s : p.segments) {
                FlowPiece piece;
                switch (s.kind) {
                case zylscript::Segment::Kind::Text:
                    piece.text = Wide(s.text);
                    piece.font = font(s.style, false);
                    if (s.style.colour != zylscript::kNoColour) piece.colour = s.style.colour;
                    break;
                case zylscript::Segment::Kind::Link: {
                    piece.text = Wide(s.text);
                    piece.link = static_cast<int>(r.links.size());
                    piece.font = font(s.style, !s.plain);
                    if (s.style.colour != zylscript::kNoColour) piece.colour = s.style.colour;
                    RegionLink link;
                    link.kind = s.link;
                    link.target = s.target;
                    link.byHash = s.byHash;
                    link.hash = s.hash;
                    link.file = s.file;
                    link.plain = s.plain;
                    r.links.push_back(std::move(link));
                    break;
                }
                case zylscript::Segment::Kind::Embedded:
                    piece.box = static_cast<int>(boxIsPicture.size());
                    boxIsPicture.push_back(0);
                    boxPictures.push_back(nullptr);
                    refs.push_back(s.ref);
                    break;
                case zylscript::Segment::Kind::Picture: {
                    const CachedPicture* picture = PictureFor(s.picture);
                    if (!picture) continue;   // a picture that cannot be shown takes no room
                    piece.box = static_cast<int>(boxIsPicture.size());
                    boxIsPicture.push_back(1);
                    boxPictures.push_back(picture);
                    EmbeddedRef asBox;
                    asBox.align = s.picture.align;
                    refs.push_back(asBox);
                    break;
                }
                }
                fp.push_back(std::move(piece));
            }
            paragraphs.push_back(std::move(fp));
        }
    }

    std::vector<std::unique_ptr<EmbeddedWindow>> windows;
    std::vector<std::size_t> windowOfBox(refs.size(), static_cast<std::size_t>(-1));
    std::vector<FlowBox> boxes;
    for (std::size_t i = 0; i < refs.size(); ++i) {
        FlowBox box;
        box.align = refs[i].align;
        if (boxIsPicture[i]) {
            box.size = boxPictures[i]->size;
        } else {
            auto w = std::make_unique<EmbeddedWindow>();
            w->ref = std::move(refs[i]);
            CreateEmbedded(r, *w, static_cast<int>(windows.size()) + 1);
            box.size = w->size;
            windowOfBox[i] = windows.size();
            windows.push_back(std::move(w));
        }
        boxes.push_back(box);
    }
    // A refused window takes no room at all.
    for (FlowParagraph& fp : paragraphs)
        for (FlowPiece& piece : fp) {
            if (piece.box < 0 || boxIsPicture[static_cast<std::size_t>(piece.box)]) continue;
            const EmbeddedWindow& w = *windows[windowOfBox[static_cast<std::size_t>(piece.box)]];
            if (!w.hwnd && w.problem.empty()) piece.box = -1;
        }

    FlowStyle style;
    style.textFont = textFont.get();
    style.linkFont = linkFont.get();
    if (r.frame && r.frame->kind == FrameKind::Popup) {
        // Room inside the popup's border for a frame the author draws.
        style.margin = 12;
        style.top = 10;
    }
    style.fonts = r.fonts;
    FlowResult flow = Flow(dc.get(), paragraphs, boxes, width, style);
    if (scrolls && flow.height > height) {
        // The scroll bar takes its width from the text.
        flow = Flow(dc.get(), paragraphs, boxes, width - GetSystemMetrics(SM_CXVSCROLL), style);
    }
    r.viewHeight = height;
    r.scrollY = scrolls ? std::max(0, std::min(r.scrollY, flow.height - height)) : 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        if (!boxIsPicture[i]) {
            EmbeddedWindow& w = *windows[windowOfBox[i]];
            w.at = flow.boxes[i];
            if (w.hwnd)
                SetWindowPos(w.hwnd, nullptr, w.at.x, w.at.y - r.scrollY, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            continue;
        }
        const CachedPicture& c = *boxPictures[i];
        RegionPicture p;
        p.bitmap = c.bitmap.get();
        p.size = c.size;
        p.at = flow.boxes[i];
        p.transparent = c.transparent;
        p.key = c.key;
        r.pictures.push_back(p);
        for (const zylhlp::HotSpot& h : c.hotSpots) {
            RegionLink link;
            link.kind = h.link;
            link.target = h.target;
            link.byHash = h.link != zylscript::LinkKind::Macro;
            link.hash = h.hash;
            link.hasArea = true;
            link.area = RECT{p.at.x + h.x, p.at.y + h.y, p.at.x + h.x + h.width, p.at.y + h.y + h.height};
            r.links.push_back(std::move(link));
        }
    }
    r.windows = std::move(windows);
    r.flow = std::move(flow);
}

void Host::Impl::UpdateScrollBar(Region& r) {
    if (!r.hwnd) return;
    SCROLLINFO si;
    std::memset(&si, 0, sizeof si);
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = std::max(0, r.flow.height - 1);
    si.nPage = static_cast<UINT>(std::max(0, r.viewHeight));
    si.nPos = r.scrollY;
    // The bar hides itself when the page holds the whole content.
    SetScrollInfo(r.hwnd, SB_VERT, &si, TRUE);
}

void Host::Impl::ScrollTo(Region& r, int y) {
    if (!r.hwnd || r.nsr) return;
    y = std::max(0, std::min(y, r.flow.height - r.viewHeight));
    if (y == r.scrollY) return;
    const int delta = r.scrollY - y;
    r.scrollY = y;
    ScrollWindowEx(r.hwnd, 0, delta, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
    // The windows are placed from their content position rather than moved
    // along with the pixels, which a hidden region would not move.
    for (const auto& w : r.windows)
        if (w->hwnd)
            SetWindowPos(w->hwnd, nullptr, w->at.x, w->at.y - y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetScrollPos(r.hwnd, SB_VERT, y, TRUE);
    UpdateWindow(r.hwnd);
}

void Host::Impl::LayoutFrame(Frame& f) {
    if (!f.hwnd || !f.nsr.hwnd || !f.body.hwnd || f.kind == FrameKind::Popup) return;   // regions not made yet
    RECT rc;
    GetClientRect(f.hwnd, &rc);
    const int width = rc.right, height = rc.bottom;
    f.laidOut = SIZE{width, height};
    const zylscript::Topic* topic =
        haveScript && f.topic >= 0 && static_cast<std::size_t>(f.topic) < script.topics.size() ? &script.topics[static_cast<std::size_t>(f.topic)] : nullptr;

    const bool outer = layingOut;
    layingOut = true;
    // The non-scrolling region is as tall as its content and hidden when
    // the topic has none; the topic region takes the rest.
    LayoutRegion(f.nsr, {topic ? &topic->nsr : &kNoParagraphs}, width, height, false);
    // One more row for the rule that separates it from the topic region.
    const int nsrHeight = f.nsr.flow.empty ? 0 : std::min(f.nsr.flow.height + 1, height);
    f.nsr.viewHeight = nsrHeight;
    SetWindowPos(f.nsr.hwnd, nullptr, 0, 0, width, nsrHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE | (nsrHeight > 0 ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    SetWindowPos(f.body.hwnd, nullptr, 0, nsrHeight, width, height - nsrHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutRegion(f.body, {topic ? &topic->body : &kNoParagraphs}, width, height - nsrHeight, true);
    UpdateScrollBar(f.body);
    InvalidateRect(f.nsr.hwnd, nullptr, TRUE);
    InvalidateRect(f.body.hwnd, nullptr, TRUE);
    layingOut = outer;
    current = popup && popup->hwnd ? popup->hwnd : f.body.hwnd;
    EndOfLayout();
}

void Host::Impl::SetSecondaryCaption(const Frame& f, const std::string& title) {
    // As a help viewer does: "name|Caption", from which the module learns
    // the window's name and shows only the caption. A module that does not
    // take the name leaves it there: then the caption is set once more.
    if (handler && f.name.size() < kWindowNameChars) {
        const std::string named = f.name + "|" + title;
        SetWindowTextA(f.hwnd, named.c_str());
        char shown[512] = "";
        GetWindowTextA(f.hwnd, shown, sizeof shown);
        if (named != shown) return;
    }
    SetWindowTextA(f.hwnd, title.c_str());
}

void Host::Impl::RunEntryMacros(int topic) {
    if (!haveScript || topic < 0 || static_cast<std::size_t>(topic) >= script.topics.size()) return;
    // Copied: a macro may open another script.
    const std::vector<std::string> macros = script.topics[static_cast<std::size_t>(topic)].entryMacros;
    for (const std::string& macro : macros) Api(helpFile.c_str(), ZYL_API_EXECUTE_MACRO, reinterpret_cast<LONG_PTR>(macro.c_str()));
}

void Host::Impl::AnnounceWindow(HWND window, WPARAM kind) {
    // The handle stands in the record's fourth 32-bit word.
    if (!main || !main->hwnd || !window) return;
    HandoffBlock record(sizeof(ZYL_NEWWINDOWINFO), options.allocateHigh);
    if (auto* info = static_cast<ZYL_NEWWINDOWINFO*>(record.data())) {
        std::memset(info, 0, sizeof *info);
        info->window = HandleToUlong(window);
        SendMessageA(main->hwnd, ZYL_HOST_MSG_NEWWINDOW, kind, reinterpret_cast<LPARAM>(info));
    }
}

void Host::Impl::ShowTopic(Frame& f, int topic) {
    if (!f.hwnd) return;
    if (layingOut) {
        // Asked for from inside the module while a topic is being laid
        // out: the jump waits for the message loop.
        Navigation nav;
        nav.topic = topic;
        nav.frame = f.hwnd;
        Queue(std::move(nav));
        return;
    }
    if (f.kind != FrameKind::Popup) ClosePopup();
    // The main frame remembers where it came from, for Back().
    if (f.kind == FrameKind::Main && f.topic >= 0 && f.topic != topic && !skipHistory) NoteVisit(scriptPath, f.topic);
    EnsureTopic(topic);
    // Message 6 while the old topic is still shown, 7 once the new one is.
    current = f.body.hwnd;
    Send(DW_STARTJUMP, 0, 0);
    DestroyEmbedded(f);
    f.topic = topic;
    f.body.scrollY = 0;
    if (f.kind == FrameKind::Secondary && haveScript)
        SetSecondaryCaption(f, Ansi(script.topics[static_cast<std::size_t>(topic)].title));
    RunEntryMacros(topic);
    LayoutFrame(f);
    current = f.body.hwnd;
    Send(DW_ENDJUMP, 0, 0);
}

HWND Host::Impl::OpenSecondary(const std::string& name, int topic) {
    if (layingOut) {
        Navigation nav;
        nav.topic = topic;
        nav.window = name;
        Queue(std::move(nav));
        return nullptr;
    }
    if (name.empty() || EqualNoCase(name, "main")) {
        if (!main || !main->hwnd) return nullptr;
        if (topic >= 0) ShowTopic(*main, topic);
        return main->hwnd;
    }
    Frame* f = nullptr;
    for (auto& s : secondaries)
        if (EqualNoCase(s->name, name)) f = s.get();
    if (!f) {
        RegisterClasses();
        auto frame = std::make_unique<Frame>();
        frame->impl = this;
        frame->kind = FrameKind::Secondary;
        frame->name = name;
        const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
        RECT rc = {0, 0, 480, 360};
        AdjustWindowRectEx(&rc, style, FALSE, 0);
        const int offset = 40 + 30 * static_cast<int>(secondaries.size() % 8);
        int x = offset, y = offset, cx = rc.right - rc.left, cy = rc.bottom - rc.top;
        // Where the file's definition of the window puts it, in 1/1024ths
        // of the screen.
        for (const zylscript::WindowDef& def : script.windows) {
            if (!EqualNoCase(def.name, name)) continue;
            const int sx = GetSystemMetrics(SM_CXSCREEN), sy = GetSystemMetrics(SM_CYSCREEN);
            if (def.x >= 0) x = MulDiv(def.x, sx, 1024);
            if (def.y >= 0) y = MulDiv(def.y, sy, 1024);
            if (def.width > 0) cx = MulDiv(def.width, sx, 1024);
            if (def.height > 0) cy = MulDiv(def.height, sy, 1024);
        }
        // Created without a caption: the first caption, set with the
        // topic, is where the module learns the window's name.
        frame->hwnd = CreateWindowExA(0, ZYL_HOST_CLASS_SECONDARY, "", style, x, y, cx, cy, nullptr, nullptr,
                                      HostInstance(), frame.get());
        if (!frame->hwnd) {
            lastError = "cannot create the secondary window " + name;
            return nullptr;
        }
        if (!CreateRegions(*frame)) {
            DestroyWindow(frame->hwnd);
            return nullptr;
        }
        f = frame.get();
        secondaries.push_back(std::move(frame));
        AnnounceWindow(f->hwnd, ZYL_NEWWINDOW_SECONDARY);
    }
    if (topic >= 0) {
        ShowTopic(*f, topic);
    } else {
        SetWindowTextA(f->hwnd, f->name.c_str());
        LayoutFrame(*f);
    }
    if (options.visible && f->hwnd) {
        ShowWindow(f->hwnd, SW_SHOWNORMAL);
        UpdateWindow(f->hwnd);
    }
    return f->hwnd;
}

void Host::Impl::CloseSecondaries() {
    std::vector<HWND> frames;
    for (auto& f : secondaries) frames.push_back(f->hwnd);
    for (HWND h : frames)
        if (h && IsWindow(h)) DestroyWindow(h);   // WM_NCDESTROY removes the frame
    secondaries.clear();
}

HWND Host::Impl::OpenPopup(int topic) {
    if (!haveScript || topic < 0 || static_cast<std::size_t>(topic) >= script.topics.size()) return nullptr;
    if (layingOut) {
        Navigation nav;
        nav.topic = topic;
        nav.popup = true;
        Queue(std::move(nav));
        return nullptr;
    }
    ClosePopup();
    RegisterClasses();
    EnsureTopic(topic);
    auto p = std::make_unique<Frame>();
    p->impl = this;
    p->kind = FrameKind::Popup;
    p->name = "popup";
    p->topic = topic;
    p->body.frame = p.get();
    HWND owner = main ? main->hwnd : nullptr;
    const DWORD style = WS_POPUP;
    p->hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, ZYL_HOST_CLASS_POPUP, "", style, 0, 0, kPopupWidth, 10, owner, nullptr,
                              HostInstance(), &p->body);
    if (!p->hwnd) {
        lastError = "cannot create a popup";
        return nullptr;
    }
    p->body.hwnd = p->hwnd;
    popup = std::move(p);
    Frame& f = *popup;
    AnnounceWindow(f.hwnd, ZYL_NEWWINDOW_POPUP);

    // The popup is its own region: its windows are its children, and
    // GetInfo item 3 answers it while it is open.
    current = f.hwnd;
    RunEntryMacros(topic);
    if (!popup || popup->hwnd != f.hwnd) return nullptr;   // a macro closed it
    current = f.hwnd;
    RECT client;
    GetClientRect(f.hwnd, &client);
    const zylscript::Topic& t = script.topics[static_cast<std::size_t>(topic)];
    const bool outer = layingOut;
    layingOut = true;
    LayoutRegion(f.body, {&t.nsr, &t.body}, client.right - PopupShadow(), INT_MAX / 2, false);
    layingOut = outer;
    EndOfLayout();

    RECT rc = {0, 0, client.right, std::max(f.body.flow.height, 12) + PopupShadow()};
    AdjustWindowRectEx(&rc, style, FALSE, WS_EX_TOOLWINDOW);
    const int w = rc.right - rc.left;
    const int h = std::min<int>(rc.bottom - rc.top, GetSystemMetrics(SM_CYSCREEN) - 20);
    // Below the pointer when it is over the main frame, else over the
    // main frame's topic region.
    POINT at = {40, 40};
    RECT frameRect = {0, 0, 0, 0};
    if (main && main->hwnd) {
        GetWindowRect(main->body.hwnd ? main->body.hwnd : main->hwnd, &frameRect);
        at = POINT{frameRect.left + 20, frameRect.top + 20};
        POINT cursor;
        if (GetCursorPos(&cursor) && PtInRect(&frameRect, cursor)) at = POINT{cursor.x - w / 4, cursor.y + 12};
    }
    at.x = std::max(0L, std::min<LONG>(at.x, GetSystemMetrics(SM_CXSCREEN) - w));
    at.y = std::max(0L, std::min<LONG>(at.y, GetSystemMetrics(SM_CYSCREEN) - h));
    f.body.viewHeight = h;
    SetWindowPos(f.hwnd, HWND_TOP, at.x, at.y, w, h, SWP_NOACTIVATE | (options.visible ? SWP_SHOWWINDOW : 0));
    if (options.visible) {
        SetFocus(f.hwnd);
        UpdateWindow(f.hwnd);
    }
    current = f.hwnd;
    return f.hwnd;
}

void Host::Impl::ClosePopup() {
    if (!popup) return;
    if (layingOut) {
        // The popup may be the region being laid out: close it afterwards.
        PostMessageA(popup->hwnd, WM_CLOSE, 0, 0);
        return;
    }
    std::unique_ptr<Frame> p = std::move(popup);
    DestroyEmbedded(p->body);
    if (p->hwnd && IsWindow(p->hwnd)) DestroyWindow(p->hwnd);
    if (current == p->hwnd || !FindRegion(current)) current = main ? main->body.hwnd : nullptr;
}

void Host::Impl::DestroyAllWindows() {
    ClosePopup();
    CloseSecondaries();
    if (main && main->hwnd) {
        DestroyEmbedded(*main);
        DestroyWindow(main->hwnd);
    }
    main.reset();
    current = nullptr;
}

}  // namespace zylhost
