// Background colours and watermark pictures behind topic text, and the
// subclassing of the host's windows that paints them, driven through the
// host as a help file drives them: the routines are registered and called
// by macros, pixels are read back from the regions.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <map>
#include <tuple>
#include <memory>
#include <string>
#include <vector>

#include "wine_support.h"
#include "host.h"
#include "zyl3an32.h"

namespace {

using namespace zyltest;

constexpr DWORD kRegion = 0x30C030, kNsr = 0xA0A0A0, kPopupColour = 0xE0B0E0, kHostBack = 0xFFFFFF;
constexpr DWORD kLogo = 0xC000C0, kWide = 0x600060, kHole = 0xFF00FF, kBlock = 0x0000FF;
constexpr int kTile = 16;

DWORD TileAt(int x, int y) { return static_cast<DWORD>((x * 16) << 16 | (y * 16) << 8 | 0x40); }
DWORD HolesAt(int x, int y) { return x >= 4 && x < 12 && y >= 4 && y < 12 ? kBlock : kHole; }
DWORD FrameCellColour(int column, int row) { return static_cast<DWORD>((column + 1) * 0x40 << 16 | (row + 1) * 0x40 << 8 | 0x80); }
// frame.bmp, 30 x 30: nine cells of their own colours, but the top-left
// corner's first 3 x 3 pixels have the centre cell's colour, which a
// transparent frame leaves out.
DWORD FrameAt(int x, int y) { return x < 3 && y < 3 ? FrameCellColour(1, 1) : FrameCellColour(x / 10, y / 10); }

// decor.hlp, holding the pictures; "" when it could not be written.
std::string HelpPath() {
    static Scratch scratch;
    static const bool written = scratch.Write("decor.hlp", HelpFile({
        {"tile.bmp", Bmp24(Picture::Painted(kTile, kTile, TileAt))},
        {"holes.bmp", Bmp24(Picture::Painted(kTile, kTile, HolesAt))},
        {"logo.bmp", Bmp24(Picture::Painted(40, 20, [](int, int) { return kLogo; }))},
        {"frame.bmp", Bmp24(Picture::Painted(30, 30, FrameAt))},
        {"wide.bmp", Bmp24(Picture::Painted(300, 200, [](int, int) { return kWide; }))},
    }));
    return written ? scratch / "decor.hlp" : std::string();
}

std::string LongBody() {
    std::string body;
    for (int i = 0; i < 80; ++i) body += "Line " + std::to_string(i) + "\n\n";
    return body;
}

const std::string kScript =
    ".startup RR(`ZYL3AN32.DLL', `ZylWatermark', `SSU');RR(`ZYL3AN32.DLL', `Watermark', `Su');"
    "RR(`ZYL3AN32.DLL', `ZylSPC', `SUU')\n"
    ".topic empty\n"
    ".topic logo\n.entry ZylWatermark(`', `logo.bmp', 1)\n"
    ".topic plain\n"
    ".topic note\n.\n\n.\n\n.\n\n.\n\n.\n\n.\n"
    ".topic withnsr\n.nsr\nTitle\n"
    ".topic long\n" + LongBody();

// A rectangle that gtest can compare and print: left, top, right, bottom.
using Box = std::tuple<LONG, LONG, LONG, LONG>;

// Where the pixels of one colour lie.
Box BoxOf(const Picture& px, DWORD colour) {
    LONG left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (std::size_t i = 0; i < px.rgb.size(); ++i) {
        if (px.rgb[i] != colour) continue;
        const LONG x = static_cast<LONG>(i % px.width), y = static_cast<LONG>(i / px.width);
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x + 1);
        bottom = std::max(bottom, y + 1);
    }
    return Box{left, top, right, bottom};
}

class Decor : public ::testing::Test {
protected:
    void SetUp() override { Start(zylhost::HostOptions()); }
    void Start(const zylhost::HostOptions& options) {
        help = HelpPath();
        ASSERT_FALSE(help.empty()) << "cannot write decor.hlp";
        host = std::make_unique<zylhost::Host>(options);
        ASSERT_TRUE(host->LoadModule(ModulePath())) << ModulePath();
        module = GetModuleHandleA("ZYL3AN32.DLL");
        ASSERT_TRUE(host->LoadScriptText(kScript.c_str(), help.c_str())) << host->LastError();
    }
    void TearDown() override {
        if (host) host->Shutdown();
    }
    void Macro(const std::string& text) {
        host->ClearApiLog();
        host->ExecuteMacro(help.c_str(), text.c_str());
        for (const auto& line : host->MacroLog()) EXPECT_EQ(line.text.find("error"), std::string::npos) << line.text;
    }
    // The window's pixels after a full repaint.
    static Picture Shown(HWND w, int* width, int* height) {
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        Picture p = WindowPixels(w);
        *width = p.width;
        *height = p.height;
        return p;
    }
    WNDPROC Export(const char* name) {
        return reinterpret_cast<WNDPROC>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    }
    bool SubclassedWith(HWND w, const char* proc) {
        return GetPropA(w, "ANIM_C") && GetPropA(w, "ANIM_W") &&
               GetWindowLongPtrA(w, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(Export(proc));
    }

    std::string help;
    std::unique_ptr<zylhost::Host> host;
    HMODULE module = nullptr;
};

struct Destroyed {
    bool previousProp, recordProp, classProc;
};
std::map<HWND, Destroyed> g_destroyed;

LRESULT CALLBACK AfterDestroy(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code >= 0 && m->message == WM_DESTROY)
        g_destroyed[m->hwnd] = Destroyed{GetPropA(m->hwnd, "ANIM_C") != nullptr, GetPropA(m->hwnd, "ANIM_W") != nullptr,
                                         GetWindowLongPtrA(m->hwnd, GWLP_WNDPROC) == GetClassLongPtrA(m->hwnd, GCLP_WNDPROC)};
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(Decor, HostWindowsCarryTheModulesProceduresUntilTheyGo) {
    HWND main = host->MainFrame();
    EXPECT_TRUE(SubclassedWith(main, "HelpMainWndProc"));
    EXPECT_TRUE(SubclassedWith(host->NsrRegion(), "HelpNsrWndProc"));
    EXPECT_TRUE(SubclassedWith(host->TopicRegion(), "HelpScrWndProc"));
    EXPECT_EQ(GetPropA(host->TopicRegion(), "ANIM_W"), GetPropA(main, "ANIM_W"));

    // A secondary frame: named by its caption, which then shows without the name.
    HWND second = host->OpenSecondary("glossary", "plain");
    ASSERT_NE(second, nullptr);
    char caption[64] = "";
    GetWindowTextA(second, caption, sizeof caption);
    EXPECT_STREQ(caption, "plain");
    HANDLE glossary = GetPropA(second, "ANIM_W");
    EXPECT_TRUE(SubclassedWith(second, "HelpSecWndProc"));
    EXPECT_TRUE(SubclassedWith(host->NsrRegion(second), "HelpNsrWndProc"));
    EXPECT_TRUE(SubclassedWith(host->TopicRegion(second), "HelpScrWndProc"));
    EXPECT_NE(glossary, GetPropA(main, "ANIM_W"));
    char name[9] = "";
    SendMessageA(second, ZYL_HOST_MSG_WINDOWNAME, 0, reinterpret_cast<LPARAM>(name));
    EXPECT_STREQ(name, "glossary") << "the module answers from the record";
    // The same name keeps the record; another moves the frame and its regions.
    SetWindowTextA(second, "glossary|Again");
    EXPECT_EQ(GetPropA(second, "ANIM_W"), glossary);
    SetWindowTextA(second, "other|Other");
    EXPECT_NE(GetPropA(second, "ANIM_W"), glossary);
    EXPECT_EQ(GetPropA(host->TopicRegion(second), "ANIM_W"), GetPropA(second, "ANIM_W"));
    GetWindowTextA(second, caption, sizeof caption);
    EXPECT_STREQ(caption, "Other");
    // A frame the host names only when asked (no bar in its caption).
    HWND bare = host->OpenSecondary("bare", nullptr);
    ASSERT_NE(bare, nullptr);
    EXPECT_TRUE(SubclassedWith(host->TopicRegion(bare), "HelpScrWndProc"));

    HWND popup = host->Popup("note");
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(SubclassedWith(popup, "HelpNoteWndProc"));

    const std::vector<HWND> windows = {main, host->NsrRegion(), host->TopicRegion(), second, host->TopicRegion(second),
                                       host->NsrRegion(second), bare, popup};
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, AfterDestroy, nullptr, GetCurrentThreadId());
    g_destroyed.clear();
    host->ClosePopup();
    host->Shutdown();
    UnhookWindowsHookEx(hook);
    for (HWND w : windows) {
        ASSERT_TRUE(g_destroyed.count(w)) << w;
        EXPECT_FALSE(g_destroyed[w].previousProp) << w;
        EXPECT_FALSE(g_destroyed[w].recordProp) << w;
        EXPECT_TRUE(g_destroyed[w].classProc) << w << ": the host's own procedure is back at WM_DESTROY";
    }
}

TEST_F(Decor, TheHostsPrivateMessages) {
    HWND main = host->MainFrame();
    // Nothing to realize: the host's palette message is answered all the same.
    EXPECT_EQ(SendMessageA(main, ZYL_HOST_MSG_PALETTE, reinterpret_cast<WPARAM>(host->TopicRegion()), 0), 1);
    // A frame the host announces is subclassed even when its creation was missed.
    HWND lone = CreateWindowExA(0, ZYL_HOST_CLASS_SECONDARY, "", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(lone, nullptr);
    EXPECT_TRUE(GetPropA(lone, "ANIM_C")) << "the hook saw its creation";
    SetWindowLongPtrA(lone, GWLP_WNDPROC, GetClassLongPtrA(lone, GCLP_WNDPROC));
    RemovePropA(lone, "ANIM_C");
    ZYL_NEWWINDOWINFO info = {{0, 0, 0}, HandleToUlong(lone)};
    EXPECT_EQ(SendMessageA(main, ZYL_HOST_MSG_NEWWINDOW, ZYL_NEWWINDOW_SECONDARY, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(GetWindowLongPtrA(lone, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(Export("HelpSecWndProc")));
    DestroyWindow(lone);
}

TEST_F(Decor, EveryModePlacesThePictureInTheRegion) {
    Macro("ZylSPC(`main', 0xA0A0A0, 0x30C030)");
    HWND region = host->TopicRegion();
    int w = 0, h = 0;
    Picture px = Shown(region, &w, &h);
    EXPECT_EQ(CountOf(px, kRegion), px.rgb.size()) << "the colour fills the region";
    ASSERT_GT(w, 100);
    ASSERT_GT(h, 100);
    // Where each mode, size and frame cell goes is the geometry's matter,
    // tested natively; here the region paints what it computes: a placed
    // picture (the 40 x 20 logo, bottom right), tiles, a frame, a picture
    // shrunk to the region.
    Macro("ZylWatermark(`', `logo.bmp', 9)");
    px = Shown(region, &w, &h);
    EXPECT_EQ(BoxOf(px, kLogo), (Box{w - 40, h - 20, w, h}));
    EXPECT_EQ(CountOf(px, kRegion), px.rgb.size() - 800);

    // Tiles from the region's top-left corner.
    Macro("ZylWatermark(`', `tile.bmp', 0)");
    px = Shown(region, &w, &h);
    for (int y = 0; y < h; y += 7)
        for (int x = 0; x < w; x += 13) ASSERT_EQ(px.rgb[y * w + x], TileAt(x % kTile, y % kTile)) << x << "," << y;

    // The frame: a corner cell, the last edge cell ending at the edge,
    // nothing inside.
    Macro("ZylWatermark(`', `frame.bmp', 10)");
    px = Shown(region, &w, &h);
    auto cellAt = [&](int x, int y) { return px.rgb[(y + 5) * w + x + 5]; };
    EXPECT_EQ(cellAt(0, 0), FrameCellColour(0, 0));
    EXPECT_EQ(cellAt(w - 10, h - 10), FrameCellColour(2, 2));
    EXPECT_EQ(cellAt(w / 2, h - 10), FrameCellColour(1, 2));
    EXPECT_EQ(cellAt(w / 2, h / 2), kRegion);
    EXPECT_EQ(CountOf(px, FrameCellColour(1, 1)), 9u) << "only the top-left corner's own pixels";

    // A 300 x 200 picture centred in a 200-pixel-wide region: 200 x 133.
    host->Resize(200, 400);
    Macro("ZylWatermark(`', `wide.bmp', 1)");
    px = Shown(region, &w, &h);
    ASSERT_EQ(w, 200);
    EXPECT_EQ(BoxOf(px, kWide), (Box{0, (h - 133) / 2, 200, (h - 133) / 2 + 133}));
}

TEST_F(Decor, PerTopicPicturesLieOverFileWideOnes) {
    HWND region = host->TopicRegion();
    int w = 0, h = 0;
    Macro("ZylWatermark(`', `tile.bmp', 0x20)");
    Macro("ZylWatermark(`', `logo.bmp', 1)");
    Picture px = Shown(region, &w, &h);
    EXPECT_EQ(px.rgb[0], TileAt(0, 0)) << "a placed picture shows the file-wide one around it";
    EXPECT_EQ(CountOf(px, kLogo), 800u);
    Macro("ZylWatermark(`', `holes.bmp', 0)");
    px = Shown(region, &w, &h);
    EXPECT_EQ(px.rgb[0], kHole) << "an opaque per-topic tile hides it";
    EXPECT_EQ(px.rgb[5 * w + 5], kBlock);
    Macro("Watermark(`holes.bmp', 0x80)");
    px = Shown(region, &w, &h);
    EXPECT_EQ(CountOf(px, kHole), 0u) << "a transparent one lets it through";
    EXPECT_EQ(px.rgb[0], TileAt(0, 0));
    EXPECT_EQ(px.rgb[(kTile + 5) * w + kTile + 5], kBlock);
    EXPECT_EQ(px.rgb[(kTile + 2) * w + kTile + 2], TileAt(2, 2));
}

TEST_F(Decor, APopupPaintsInsideTheHostsMargins) {
    Macro("ZylSPC(`popup', 0, 0xE0B0E0)");
    Macro("ZylWatermark(`popup', `frame.bmp', 0x8A)");
    HWND popup = host->Popup("note");
    ASSERT_NE(popup, nullptr);
    int w = 0, h = 0;
    const Picture px = Shown(popup, &w, &h);
    const int right = w - 3 * GetSystemMetrics(SM_CXVSCROLL) / 4 - 2, bottom = h - 3 * GetSystemMetrics(SM_CYVSCROLL) / 4 - 2;
    ASSERT_GT(bottom, 32);
    EXPECT_EQ(px.rgb[1 * w + 1], kHostBack);
    EXPECT_EQ(px.rgb[(bottom - 1) * w + right], kHostBack);
    EXPECT_EQ(px.rgb[(h / 2) * w + w / 2], kPopupColour);
    EXPECT_EQ(px.rgb[2 * w + 2], kPopupColour) << "the centre's colour is transparent";
    EXPECT_EQ(px.rgb[7 * w + 7], FrameCellColour(0, 0));
    EXPECT_EQ(px.rgb[(bottom - 1) * w + right - 1], FrameCellColour(2, 2));
}

TEST_F(Decor, ATransparentPictureShowsTheRegionBehindIt) {
    Macro("ZylSPC(`', 0xA0A0A0, 0x30C030)");
    Macro("ZylWatermark(`', `tile.bmp', 0x20)");
    Macro("ZylWatermark(`', `logo.bmp', 5)");
    HWND region = host->TopicRegion();
    // Over the logo's left edge, at an odd place: colour, tile and logo.
    HWND pict = host->CreateEmbedded(region, {'l', "ZYL3AN32.DLL", "ZYL3_ANIMPICT32", "holes.bmp;2;"});
    ASSERT_NE(pict, nullptr);
    int w = 0, h = 0;
    const Picture behind = Shown(region, &w, &h);
    const int x0 = 31, y0 = (h - 20) / 2 - 5;
    SetWindowPos(pict, nullptr, x0, y0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    int pw = 0, ph = 0;
    const Picture px = Shown(pict, &pw, &ph);
    ASSERT_EQ(pw, kTile);
    for (int y = 0; y < ph; ++y)
        for (int x = 0; x < pw; ++x)
            ASSERT_EQ(px.rgb[y * pw + x], HolesAt(x, y) == kBlock ? kBlock : behind.rgb[(y0 + y) * w + x0 + x]) << x << "," << y;
}

TEST_F(Decor, JumpsDropPerTopicPicturesAndKeepTheRest) {
    HWND region = host->TopicRegion();
    int w = 0, h = 0;
    Macro("ZylSPC(`main', 0xA0A0A0, 0x30C030)");
    Macro("ZylWatermark(`main', `tile.bmp', 0x30)");   // non-scrolling region, file-wide
    ASSERT_TRUE(host->Jump("logo"));   // its entry macro sets the logo
    EXPECT_EQ(CountOf(Shown(region, &w, &h), kLogo), 800u);
    ASSERT_TRUE(host->Jump("plain"));
    Picture px = Shown(region, &w, &h);
    EXPECT_EQ(CountOf(px, kLogo), 0u);
    EXPECT_EQ(CountOf(px, kRegion), px.rgb.size()) << "the colour stays";

    // An empty picture name clears only the picture its flags choose.
    Macro("ZylWatermark(`', `logo.bmp', 0x21)");
    Macro("ZylWatermark(`', `frame.bmp', 10)");
    px = Shown(region, &w, &h);
    EXPECT_EQ(CountOf(px, kLogo), 800u);
    EXPECT_EQ(px.rgb[5 * w + 5], FrameCellColour(0, 0));
    Macro("ZylWatermark(`', `', 0)");
    px = Shown(region, &w, &h);
    EXPECT_EQ(CountOf(px, kLogo), 800u);
    EXPECT_EQ(px.rgb[5 * w + 5], kRegion);
    Macro("ZylWatermark(`', `', 0x20)");
    px = Shown(region, &w, &h);
    EXPECT_EQ(CountOf(px, kRegion), px.rgb.size());
    // The non-scrolling region's file-wide picture stayed over every jump.
    ASSERT_TRUE(host->Jump("withnsr"));
    px = Shown(host->NsrRegion(), &w, &h);
    ASSERT_GT(h, 2);
    EXPECT_EQ(px.rgb[(h - 2) * w + w - 1], TileAt((w - 1) % kTile, (h - 2) % kTile));
}

TEST_F(Decor, AFixedPictureStaysWhileTheTextScrolls) {
    HWND region = host->TopicRegion();
    Macro("ZylWatermark(`', `logo.bmp', 0x69)");   // bottom right, fixed, file-wide
    RECT client;
    GetClientRect(region, &client);
    const RECT logo = {client.right - 40, client.bottom - 20, client.right, client.bottom};
    // Nothing moves in a topic shorter than the region: what is left to
    // paint is what the module asked for.
    const std::vector<std::pair<UINT, int>> scrolls = {{WM_VSCROLL, SB_LINEDOWN}, {WM_VSCROLL, SB_PAGEUP},
                                                       {WM_HSCROLL, SB_LINEUP}, {WM_HSCROLL, SB_THUMBTRACK}};
    const std::vector<Box> dirty = {{logo.left, logo.top - 20, logo.right, client.bottom},
                                     {logo.left, 0, logo.right, client.bottom},
                                     {logo.left - 20, logo.top, client.right, logo.bottom},
                                     {0, logo.top, client.right, logo.bottom}};
    for (std::size_t i = 0; i < scrolls.size(); ++i) {
        UpdateWindow(region);
        SendMessageA(region, scrolls[i].first, MAKEWPARAM(scrolls[i].second, 0), 0);
        RECT update;
        EXPECT_TRUE(GetUpdateRect(region, &update, FALSE));
        EXPECT_EQ((Box{update.left, update.top, update.right, update.bottom}), dirty[i]) << i;
    }
    // A long topic scrolled by lines, pages and the wheel: the logo stays.
    ASSERT_TRUE(host->Jump("long"));
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_NEXT, VK_DOWN, VK_UP}) {
        SendMessageA(host->MainFrame(), WM_KEYDOWN, key, 0);
        UpdateWindow(region);
        const Picture px = WindowPixels(region);   // as the scroll left it
        EXPECT_EQ(BoxOf(px, kLogo), (Box{px.width - 40, px.height - 20, px.width, px.height})) << key;
        EXPECT_EQ(CountOf(px, kLogo), 800u) << key;
    }
}

TEST_F(Decor, TwoThousandJumpsLeaveNoObjectBehind) {
    // Hidden windows: the same work without showing a popup 2,000 times.
    host->Shutdown();
    zylhost::HostOptions hidden;
    hidden.visible = false;
    hidden.width = 200;
    hidden.height = 150;
    Start(hidden);
    Macro("ZylSPC(`', 0x808080, 0xC0C0C0)");
    Macro("ZylWatermark(`', `tile.bmp', 0xA0)");
    Macro("ZylWatermark(`side', `frame.bmp', 0x2A)");
    Macro("ZylWatermark(`popup', `holes.bmp', 0xA0)");
    // Erased into a bitmap: the painter's work without the display's.
    HDC screen = GetDC(nullptr);
    HDC canvas = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 480, 360);
    HGDIOBJ old = SelectObject(canvas, bitmap);
    ReleaseDC(nullptr, screen);
    auto erase = [canvas](HWND w) { SendMessageA(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas), 0); };
    // Three jumps a cycle: the main window, the secondary window, a popup.
    auto cycle = [&](int i) {
        if (!host->Jump(i % 2 ? "logo" : "plain")) return false;
        HWND side = host->OpenSecondary("side", i % 2 ? "plain" : "logo");
        if (i % 2) Macro("ZylWatermark(`side', `holes.bmp', 0x89)");
        HWND popup = host->Popup("note");
        if (!side || !popup) return false;
        for (HWND w : {host->TopicRegion(), host->TopicRegion(side), popup}) erase(w);
        SendMessageA(host->TopicRegion(), WM_VSCROLL, SB_LINEDOWN, 0);
        host->ClosePopup();
        return true;
    };
    EXPECT_EQ(LeakOver(20, 2000 / 3 + 1, cycle), "");
    DeleteObject(SelectObject(canvas, old));
    DeleteDC(canvas);
}

}  // namespace
