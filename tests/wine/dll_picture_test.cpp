// The movie control (ZYL3_ANIMATION32) and the picture control
// (ZYL3_ANIMPICT32), driven through the host as a help file drives them.
// Frame steps are sent by hand (WM_TIMER, WM_LBUTTONDOWN) and nothing here
// pumps the queue while a control's timer runs, so every step is one the
// test asked for; pixels are read back through the window's own DC. The
// error state is tested in the module's own tests.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "host.h"
#include "wine_support.h"
#include "zyl3an32.h"

namespace {

using namespace zyltest;

// The movie grid: 4 x 2 cells of 20 x 15 in an 83 x 31 picture; the
// remainder at the right and bottom is grey and never shown.
constexpr int kCellW = 20, kCellH = 15;
constexpr std::uint32_t kCells[8] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x800000, 0x000080};
constexpr std::uint32_t kGrey = 0x808080;
// pict.gif: five 20 x 16 frames in the first five of these colours.
constexpr std::uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kWhite = 0xFFFFFF;
const std::uint32_t* const kGifFrames = kCells;
constexpr COLORREF kHostBack = RGB(0, 128, 255);
constexpr std::uint32_t kHostBackPixel = 0x0080FF;

// hot.gif (40 x 30): A and B overlap, C has no topic.
const std::vector<Spot> kSpots = {{0, 0, 20, 15, 1234}, {10, 0, 40, 30, 777}, {0, 15, 10, 30, 0}};

// Where the blue square of each frame of anim2.bmp (2 cells of 20 x 15 on
// red) and of transanim.gif (3 frames of 24 x 16, red transparent) lies.
RECT Anim2Square(int frame) { return RECT{2 + 8 * frame, 3, 10 + 8 * frame, 11}; }
RECT TransAnimRect(int frame) { return RECT{2 + 6 * frame, 4, 8 + 6 * frame, 12}; }
const RECT kTransRect = {6, 4, 18, 12};   // trans.gif: 24 x 16, blue on red (transparent)

bool Inside(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// Frames of blue squares on red (index 1 on 0), red transparent.
Bytes SquaresOnRed(const std::vector<RECT>& squares, int delay) {
    GifBuilder g;
    g.Colours({kRed, kBlue}).Header(24, 16, 1).Netscape();
    for (const RECT& r : squares) {
        Bytes px(24 * 16, 0);
        for (int i = 0; i < 24 * 16; ++i) px[i] = Inside(r, i % 24, i / 24);
        g.GraphicControl(delay, 0).Image(24, 16, px);
    }
    return g.Trailer().bytes;
}

// Five solid frames in kGifFrames' colours, with the graphic control delay
// given (none at all when negative).
Bytes FiveColours(int delay) {
    GifBuilder g;
    g.Colours(std::vector<std::uint32_t>(kCells, kCells + 8)).Header(20, 16, 3).Netscape();
    for (std::uint8_t f = 0; f < 5; ++f) {
        if (delay >= 0) g.GraphicControl(delay);
        g.Image(20, 16, Bytes(20 * 16, f));
    }
    return g.Trailer().bytes;
}

struct Data {
    Scratch scratch;
    std::string help, failure;   // the help file holds every picture
};

Data* MakeData() {
    auto* d = new Data;
    const Bytes hot = GifBuilder().Colours({0x00FF00}).Header(40, 30, 1).HotSpots(kSpots).Image(40, 30, Bytes(1200, 0)).Trailer().bytes;
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"anim.bmp", Bmp24(Picture::Painted(83, 31, [](int x, int y) {
             return x >= 4 * kCellW || y >= 2 * kCellH ? kGrey : kCells[(y / kCellH) * 4 + x / kCellW];
         }))},
        {"anim2.bmp", Bmp24(Picture::Painted(40, 15, [](int x, int y) { return Inside(Anim2Square(x / 20), x % 20, y) ? kBlue : kRed; }))},
        {"pict.gif", FiveColours(10)},
        {"nogce.gif", FiveColours(-1)},
        {"never.gif", FiveColours(0xFFFF)},   // -10 ms: a timer that never fires
        {"trans.gif", SquaresOnRed({kTransRect}, 0)},
        {"transanim.gif", SquaresOnRed({TransAnimRect(0), TransAnimRect(1), TransAnimRect(2)}, 10)},
        {"hot.gif", hot},
    };
    d->help = d->scratch.File("pictures.hlp");
    if (!d->scratch.Write("pictures.hlp", HelpFile(files))) d->failure = "cannot write pictures.hlp";
    // A help file of the module's own, whose popups come from a sibling.
    if (!d->scratch.Write("ZYL3.HLP", HelpFile({{"hot.gif", hot}}))) d->failure = "cannot write ZYL3.HLP";
    return d;
}

const Data& Shared() {
    static std::unique_ptr<Data> data(MakeData());
    return *data;
}


class PictureControls : public EmbeddingTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(Shared().failure.empty()) << Shared().failure;
        Start(kHostBack, Shared().help);
        hand = LoadCursorA(module, MAKEINTRESOURCEA(8000));
        arrow = LoadCursorA(nullptr, IDC_ARROW);
    }
    HWND Movie(const std::string& data) { return Embed("ZYL3_ANIMATION32", data); }
    HWND Pict(const std::string& data) { return Embed("ZYL3_ANIMPICT32", data); }
    static void Repaint(HWND w) { RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }
    static void Step(HWND w) { SendMessageA(w, WM_TIMER, 1, 0); }
    static void Click(HWND w) { SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1)); }
    // The one colour the window shows, or 0xFFFFFFFF.
    static std::uint32_t Shown(HWND w) { return Uniform(WindowPixels(w)); }
    // The colour each of `n` steps (Step or Click) painted.
    static std::vector<std::uint32_t> ShownAfter(HWND w, int n, void (*step)(HWND)) {
        std::vector<std::uint32_t> shown;
        for (int i = 0; i < n; ++i) {
            step(w);
            shown.push_back(Shown(w));
        }
        return shown;
    }
    // `colours[frame(i)]` for i = 1..n.
    static std::vector<std::uint32_t> Frames(int n, int (*frame)(int), const std::uint32_t* colours = kCells) {
        std::vector<std::uint32_t> out;
        for (int i = 1; i <= n; ++i) out.push_back(colours[frame(i)]);
        return out;
    }
    static HCURSOR CursorAfterSetCursor(HWND w) {
        SetCursor(nullptr);
        EXPECT_EQ(SendMessageA(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 1);
        return GetCursor();
    }
    // Puts the cursor over a client point of `w`.
    static bool PointAt(HWND w, int x, int y) {
        POINT p = {x, y};
        ClientToScreen(w, &p);
        if (!SetCursorPos(p.x, p.y)) return false;
        POINT now;
        return GetCursorPos(&now) && now.x == p.x && now.y == p.y;
    }
    // "popup CONTEXT" or "MACRO", and " in FILE" (the help file named).
    static std::string Asked(const std::string& what, const std::string& file = Shared().help) { return what + " in " + file; }
    // What a click on `w` asked the host for.
    std::vector<std::string> Clicked(HWND w) {
        host->ClearApiLog();
        Click(w);
        std::vector<std::string> asked;
        for (const auto& c : host->ApiLog())
            asked.push_back(Asked(c.command == 8 ? "popup " + std::to_string(c.value)
                                                 : c.command == 0x102 ? c.text : "command " + std::to_string(c.command),
                                  c.helpFile));
        return asked;
    }
    std::vector<std::string> ClickedAt(HWND w, int x, int y) {
        EXPECT_TRUE(PointAt(w, x, y)) << "the cursor cannot be placed";
        return Clicked(w);
    }

    HCURSOR hand = nullptr, arrow = nullptr;
};

TEST_F(PictureControls, MovieGridShowsSevenOfEightCellsInALoop) {
    HWND w = Movie("anim.bmp; 4; 2; 7; 100; 1");
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(GetWindowLongPtrA(w, GWL_STYLE) & WS_BORDER);
    EXPECT_EQ(ClientSize(w).cx, kCellW) << "83 / 4: the remainder is never shown";
    EXPECT_EQ(ClientSize(w).cy, kCellH);
    Repaint(w);
    EXPECT_EQ(Shown(w), kCells[0]);

    EXPECT_EQ(ShownAfter(w, 16, Step), Frames(16, [](int i) { return i % 7; }))
        << "frames 0..6 again and again; the eighth cell never";
    Click(w);
    EXPECT_EQ(Shown(w), kCells[16 % 7]) << "a timed movie does not step on clicks";
    SetWindowPos(w, nullptr, 0, 0, kCellW + 10, kCellH, SWP_NOMOVE | SWP_NOZORDER);
    Repaint(w);
    const Picture px = WindowPixels(w);
    EXPECT_EQ(CountOf(px, kCells[16 % 7]), static_cast<std::size_t>(kCellW * kCellH)) << "a paint draws the current frame";
    EXPECT_EQ(CountOf(px, kGrey), 0u);
    EXPECT_EQ(CursorAfterSetCursor(w), arrow);
    EXPECT_TRUE(KillTimer(w, 1)) << "timer 1 drives the movie";
    // The palette request loads the picture and answers the cached palette.
    const LRESULT palette = SendMessageA(w, EWM_ASKPALETTE, 0, 0);
    EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(palette)), static_cast<DWORD>(OBJ_PAL));
    EXPECT_EQ(SendMessageA(Movie("anim.bmp;4;2;7;0;1"), EWM_ASKPALETTE, 0, 0), palette);
}

TEST_F(PictureControls, AnimatedGifLoopsAndClickSteppingStopsOnTheLastFrame) {
    // Five GIF frames loop although the flags say nothing of it.
    HWND gif = Pict("pict.gif;0;");
    ASSERT_NE(gif, nullptr);
    EXPECT_EQ(ClientSize(gif).cx, 20);
    EXPECT_EQ(ClientSize(gif).cy, 16);
    Repaint(gif);
    EXPECT_EQ(Shown(gif), kGifFrames[0]);
    EXPECT_EQ(ShownAfter(gif, 7, Step), Frames(7, [](int i) { return i % 5; }, kGifFrames));
    EXPECT_TRUE(KillTimer(gif, 1));

    // Delay 0: each click shows the next frame; without the loop flag the
    // last one stays, and the timer message does nothing.
    HWND clicks = Movie("anim.bmp;4;2;7;0;0");
    ASSERT_NE(clicks, nullptr);
    EXPECT_FALSE(KillTimer(clicks, 1)) << "no timer when clicks step";
    EXPECT_EQ(CursorAfterSetCursor(clicks), hand);
    Repaint(clicks);
    Step(clicks);
    EXPECT_EQ(Shown(clicks), kCells[0]);
    EXPECT_EQ(ShownAfter(clicks, 9, Click), Frames(9, [](int i) { return std::min(i, 6); }));

    // A timed movie without the loop flag ends its own timer on the last frame.
    HWND once = Movie("anim.bmp;4;2;3;100;0");
    ASSERT_NE(once, nullptr);
    EXPECT_EQ(ShownAfter(once, 4, Step), Frames(4, [](int i) { return std::min(i, 2); }));
    EXPECT_FALSE(KillTimer(once, 1)) << "the control killed it";

    // A GIF without graphic control extensions has no delay: clicks step.
    HWND plain = Pict("nogce.gif;0;");
    ASSERT_NE(plain, nullptr);
    EXPECT_FALSE(KillTimer(plain, 1));
    Click(plain);
    EXPECT_EQ(Shown(plain), kGifFrames[1]);

    // A delay of 0x8000 hundredths or more is negative: a timer runs that
    // never fires, and clicks do not step.
    HWND never = Pict("never.gif;0;");
    ASSERT_NE(never, nullptr);
    Repaint(never);
    Click(never);
    EXPECT_EQ(Shown(never), kGifFrames[0]);
    EXPECT_EQ(CursorAfterSetCursor(never), arrow);
    EXPECT_TRUE(KillTimer(never, 1));
}

TEST_F(PictureControls, Flag32RunsTheMacroOnEveryClickInsteadOfStepping) {
    HWND w = Pict("nogce.gif;32;Next():Prev()");
    ASSERT_NE(w, nullptr);
    Repaint(w);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(Clicked(w), (std::vector<std::string>{Asked("Next()"), Asked("Prev()")}));
        EXPECT_EQ(Shown(w), kGifFrames[0]) << "clicks do not step";
    }
    EXPECT_EQ(CursorAfterSetCursor(w), hand);

    // A timed picture with a macro still runs on its timer.
    HWND timed = Pict("pict.gif;33;Contents()");
    ASSERT_NE(timed, nullptr);
    EXPECT_EQ(Clicked(timed), std::vector<std::string>{Asked("Contents()")});
    Step(timed);
    EXPECT_EQ(Shown(timed), kGifFrames[1]);
}

TEST_F(PictureControls, HotSpotsPopUpTheirTopicFromTheCompanionHelpFile) {
    Topmost();
    HWND w = Pict("hot.gif;0;");
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(ClientSize(w).cx, 40);
    const struct { int x, y; std::uint32_t context; } probes[] = {
        {5, 5, 1234},   {15, 5, 1234},  // the first spot in table order wins
        {19, 14, 1234}, {20, 14, 777},  // right and bottom edges are outside
        {19, 15, 777},  {39, 29, 777},  {5, 20, 0},  // a spot without a topic
        {5, 15, 0},
    };
    for (const auto& p : probes) {
        SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
        const std::vector<std::string> asked = ClickedAt(w, p.x, p.y);
        ASSERT_EQ(WindowFromPoint([&] { POINT s = {p.x, p.y}; ClientToScreen(w, &s); return s; }()), w);
        EXPECT_EQ(CursorAfterSetCursor(w), p.context ? hand : arrow);
        // An author's file keeps its popups.
        EXPECT_EQ(asked, p.context ? std::vector<std::string>{Asked("popup " + std::to_string(p.context))}
                                   : std::vector<std::string>{});
    }

    // A window over the control hides its hot spots.
    POINT s = {0, 0};
    ClientToScreen(w, &s);
    // (A static control would let the point through; a button does not.)
    HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "BUTTON", "", WS_POPUP | WS_VISIBLE, s.x, s.y, 12, 12,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(cover, nullptr);
    EXPECT_TRUE(ClickedAt(w, 5, 5).empty());
    EXPECT_EQ(CursorAfterSetCursor(w), arrow);
    DestroyWindow(cover);

    // Flag 32: the popup, then the macro; the hand everywhere.
    DestroyWindow(w);
    HWND both = Pict("hot.gif;32;Next()");
    ASSERT_NE(both, nullptr);
    EXPECT_EQ(ClickedAt(both, 5, 5), (std::vector<std::string>{Asked("popup 1234"), Asked("Next()")}));
    ASSERT_TRUE(PointAt(both, 5, 20));
    EXPECT_EQ(CursorAfterSetCursor(both), hand);
    DestroyWindow(both);

    // The module's own help files keep these topics in a sibling file (the
    // naming rule is tested natively).
    host->SetHelpFilePath(Shared().scratch.File("ZYL3.HLP").c_str());
    HWND c = Pict("hot.gif;0;");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ClickedAt(c, 30, 20), std::vector<std::string>{Asked("popup 777", Shared().scratch.File("ZYL3X.HLP"))});
}

// ---- transparency ----

// What the region paints behind the control, read as a capture of the
// region's whole client area would read it.
Picture WholeAreaBackground(HWND region, HWND control) {
    RECT client;
    GetClientRect(region, &client);
    HDC dc = GetDC(region);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ old = SelectObject(mem, bmp);
    SendMessageA(region, WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem), 0);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(region, dc);
    const Picture all = BitmapPixels(bmp);
    DeleteObject(bmp);
    RECT rc;
    GetWindowRect(control, &rc);
    MapWindowPoints(nullptr, region, reinterpret_cast<POINT*>(&rc), 2);
    return Part(all, rc.left, rc.right - rc.left, rc.top, rc.bottom - rc.top);
}

// A background with something at every pixel: stripes both ways at fixed
// client positions and a hatch pattern that follows the brush origin.
WNDPROC g_regionProc = nullptr;
LRESULT CALLBACK PatternedRegion(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_ERASEBKGND) return CallWindowProcA(g_regionProc, hwnd, msg, wParam, lParam);
    HDC dc = reinterpret_cast<HDC>(wParam);
    const auto fill = [dc](RECT r, COLORREF colour) {
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    };
    RECT rc;
    GetClientRect(hwnd, &rc);
    fill(rc, RGB(250, 240, 200));
    for (int x = 0; x < rc.right; x += 14) fill({x, 0, x + 7, rc.bottom}, RGB(0, 160, 0));
    for (int y = 0; y < rc.bottom; y += 10) fill({0, y, rc.right, y + 3}, RGB(200, 0, 200));
    HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(0, 0, 0));
    const int mode = SetBkMode(dc, TRANSPARENT);
    FillRect(dc, &rc, hatch);
    SetBkMode(dc, mode);
    DeleteObject(hatch);
    return 1;
}

// The background with the frame's opaque pixels (`opaque`) in `colour`.
Picture Composed(const Picture& background, const RECT& opaque, std::uint32_t colour) {
    return Picture::Painted(background.width, background.height,
                            [&](int x, int y) { return Inside(opaque, x, y) ? colour : background.at(x, y); });
}

TEST_F(PictureControls, TransparentPicturesShowWhatTheRegionPaintsBehindThem) {
    HWND region = host->TopicRegion();
    // Over the host's own background colour.
    HWND still = Pict("trans.gif;0;");
    ASSERT_NE(still, nullptr);
    Repaint(still);
    Picture px = WindowPixels(still);
    EXPECT_EQ(Difference(px, Composed(Picture::Solid(24, 16, kHostBackPixel), kTransRect, kBlue)), "");
    EXPECT_EQ(Difference(px, Composed(WholeAreaBackground(region, still), kTransRect, kBlue)), "");

    // Over a background with something different at every pixel, stepped.
    g_regionProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(region, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PatternedRegion)));
    HWND movie = Movie("anim2.bmp;2;1;2;100;3");
    HWND gif = Pict("transanim.gif;0;");
    ASSERT_NE(movie, nullptr);
    ASSERT_NE(gif, nullptr);
    // Odd places, so that stripes and hatching cross the controls unevenly.
    SetWindowPos(movie, nullptr, 37, 23, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetWindowPos(gif, nullptr, 101, 58, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

    struct Case {
        HWND w;
        int frames;
        RECT (*opaque)(int);
    };
    for (const Case& c : {Case{movie, 2, Anim2Square}, Case{gif, 3, TransAnimRect}}) {
        SCOPED_TRACE(c.w == movie ? "movie, flag 2" : "GIF with a transparent index");
        Repaint(c.w);
        for (int i = 0; i <= c.frames; ++i) {
            if (i > 0) Step(c.w);   // the pixels the step itself painted
            px = WindowPixels(c.w);
            EXPECT_EQ(Difference(px, Composed(WholeAreaBackground(region, c.w), c.opaque(i % c.frames), kBlue)), "")
                << "frame " << i % c.frames;
            EXPECT_EQ(CountOf(px, kRed), 0u);
        }
    }
    SetWindowLongPtrA(region, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_regionProc));
}

// ---- the host's requests ----

TEST_F(PictureControls, PrintScalesTheFirstFrameAndCopyGivesNothing) {
    HWND movie = Movie("anim.bmp;4;2;7;100;1");
    HWND trans = Pict("trans.gif;0;");
    ASSERT_NE(movie, nullptr);
    ASSERT_NE(trans, nullptr);
    for (int i = 0; i < 3; ++i) Step(movie);

    for (int dpi : {300, 600}) {
        SCOPED_TRACE(dpi);
        host->SetPrinterDpi(dpi);
        ASSERT_TRUE(host->Print());
        ASSERT_EQ(host->LastPrint().size(), 2u);
        // The size asked for and the bitmap's, both scaled.
        const auto sizes = [](const zylhost::Host::PrintedWindow& p) { return std::vector<LONG>{p.size.x, p.size.y, p.width, p.height}; };
        const auto scaled = [dpi](LONG w, LONG h) { return std::vector<LONG>{w * dpi / 96, h * dpi / 96, w * dpi / 96, h * dpi / 96}; };
        const auto& m = host->LastPrint()[0];
        ASSERT_EQ(sizes(m), scaled(kCellW, kCellH));
        EXPECT_EQ(Uniform(Printed(m)), kCells[0]) << "the first frame, whatever is showing";

        const auto& t = host->LastPrint()[1];
        ASSERT_EQ(sizes(t), scaled(24, 16));
        // The transparent colour turns white; the blue square grows with
        // the resolution.
        const double scale = dpi / 96.0;
        const std::size_t blueArea = static_cast<std::size_t>(12 * 8 * scale * scale);
        EXPECT_NEAR(static_cast<double>(CountOf(Printed(t), kBlue)), blueArea, blueArea * 0.1);
        EXPECT_EQ(CountOf(Printed(t), kWhite) + CountOf(Printed(t), kBlue), t.pixels.size());
        EXPECT_EQ(t.pixels[static_cast<size_t>(t.height / 2) * t.width + t.width / 2], kBlue);
    }

    // Copy: a working picture has no text.
    EXPECT_EQ(RenderText(trans), "");

    // On the screen the picture keeps its own size.
    HDC screen = GetDC(nullptr);
    ZYL_RENDERINFO info = {0, 0, screen};
    HBITMAP bmp = reinterpret_cast<HBITMAP>(
        SendMessageA(movie, EWM_RENDER, EWRENDER_BITMAP, reinterpret_cast<LPARAM>(&info)));
    ReleaseDC(nullptr, screen);
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(Difference(BitmapPixels(bmp), Picture::Solid(kCellW, kCellH, kCells[0])), "");
    DeleteObject(bmp);
    EXPECT_EQ(SendMessageA(movie, EWM_RENDER, EWRENDER_BITMAP, 0), 0) << "no render record";
    EXPECT_EQ(SendMessageA(movie, EWM_RENDER, 3, 0), 0);
}

// ---- leaks ----

class PictureLeaks : public PictureControls {
protected:
    // One control's life: created, animated, painted, clicked, asked for
    // what the host asks, destroyed. Every tenth one is an error box, and
    // every tenth one also renders itself for the screen and the printer.
    bool Cycle(bool movie, int i, HDC printer) {
        const char* data = movie ? (i % 10 == 9 ? "anim2.bmp;2;x;2;100;3" : "anim2.bmp;2;1;2;100;3")
                                 : (i % 10 == 9 ? "nothere.gif;0;" : "transanim.gif;32;Next()");
        ZYL_CREATEINFO info = {0, 0, Shared().help.c_str(), data};
        HWND w = CreateWindowExA(0, movie ? "ZYL3_ANIMATION32" : "ZYL3_ANIMPICT32", "", WS_CHILD | WS_VISIBLE, 30, 40,
                                 0, 0, host->TopicRegion(), nullptr, module, &info);
        if (!w) return false;
        POINT size = {0, 0};
        HDC screen = GetDC(nullptr);
        SendMessageA(w, EWM_QUERYSIZE, reinterpret_cast<WPARAM>(screen), reinterpret_cast<LPARAM>(&size));
        SetWindowPos(w, nullptr, 0, 0, size.x, size.y, SWP_NOMOVE | SWP_NOZORDER);
        Step(w);
        Repaint(w);
        Click(w);
        SendMessageA(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        SendMessageA(w, EWM_ASKPALETTE, 0, 0);
        if (HGLOBAL text = reinterpret_cast<HGLOBAL>(SendMessageA(w, EWM_RENDER, EWRENDER_TEXT, 0))) GlobalFree(text);
        if (i % 10 == 0 || i % 10 == 9) {
            for (HDC target : {screen, printer}) {
                SendMessageA(w, EWM_QUERYSIZE, reinterpret_cast<WPARAM>(target), reinterpret_cast<LPARAM>(&size));
                ZYL_RENDERINFO render = {0, 0, target};
                if (HGDIOBJ bmp = reinterpret_cast<HGDIOBJ>(
                        SendMessageA(w, EWM_RENDER, EWRENDER_BITMAP, reinterpret_cast<LPARAM>(&render))))
                    DeleteObject(bmp);
            }
        }
        ReleaseDC(nullptr, screen);
        DestroyWindow(w);
        return true;
    }
};

TEST_F(PictureLeaks, ManyLivesOfEachClassLeaveNoObjectBehind) {
    HDC printer = host->CreatePrinterDC();
    ASSERT_NE(printer, nullptr);
    // Each cycle a movie and a picture.
    EXPECT_EQ(LeakOver(20, 200, [&](int i) { return Cycle(true, i, printer) && Cycle(false, i, printer); }), "");
    DeleteDC(printer);
}

}  // namespace
