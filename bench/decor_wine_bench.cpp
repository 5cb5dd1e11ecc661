// One erase of a 1600 x 1200 topic region decorated with a tiled 64 x 64
// transparent texture over a file-wide centred picture, through the
// substitute host under Wine, against the floor of one plain BitBlt of the
// same area. Both draw into the same kind of target (a bitmap of the
// region's size), so the ratio says what the painter costs beyond the copy
// every erase ends with.
//
// The erase is timed through the region's window procedure (the module's
// subclass procedure, then the painter). Sent as a message it also passes
// the thread's call-window hook, which Wine runs through its server: that
// figure is printed as well, apart, since it is the platform's price of
// any sent message, not the erase's, and swings with the machine's load.
//
//   cmake/wine-run build/win64/bench/decor_wine_bench.exe build/win64/bin/ZYL3AN32.DLL [erases]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "host.h"
#include "wine_bench.h"
#include "wine_support.h"

namespace {

using namespace zyltest;
using winebench::Median;
using winebench::Now;
constexpr int kWidth = 1600, kHeight = 1200;

// The texture: 8 x 8 blocks, every other one of the transparent colour
// (its top-left pixel's); the picture: a 400 x 300 gradient.
DWORD Paper(int x, int y) { return ((x / 8 + y / 8) % 2) ? 0x8060A0u + x * 2 : 0xFF00FFu; }
DWORD Logo(int x, int y) { return static_cast<DWORD>((x * 255 / 400) << 16 | (y * 255 / 300) << 8 | 0x40); }

bool WriteHelpFile(const std::string& path) {
    const Bytes help =
        HelpFile({{"paper.bmp", Bmp24(Picture::Painted(64, 64, Paper))}, {"logo.bmp", Bmp24(Picture::Painted(400, 300, Logo))}});
    return !help.empty() && zyltest::WriteFile(path, help);
}

// Microseconds per call of `work`, over `repeats` calls.
double Time(int repeats, const std::function<void()>& work) {
    GdiFlush();
    const double t0 = Now();
    for (int i = 0; i < repeats; ++i) work();
    GdiFlush();
    return (Now() - t0) / repeats * 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string module = winebench::ModuleArgument(argc, argv);
    const int erases = argc > 2 ? std::max(5, std::atoi(argv[2])) : 40;

    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string help = std::string(temp) + "zyldecor" + std::to_string(GetCurrentProcessId()) + ".hlp";
    if (!WriteHelpFile(help)) {
        std::fprintf(stderr, "cannot write %s\n", help.c_str());
        return 1;
    }
    zylhost::HostOptions options;
    options.visible = false;
    zylhost::Host host(options);
    if (!host.LoadModule(module.c_str()) ||
        !host.LoadScriptText(".startup RR(`ZYL3AN32.DLL', `ZylWatermark', `SSU')\n"
                             ".startup ZylWatermark(`main', `logo.bmp', 0x21)\n"
                             ".topic bench\n.entry ZylWatermark(`main', `paper.bmp', 0x80)\n",
                             help.c_str())) {
        std::fprintf(stderr, "cannot decorate a topic (module %s): %s\n", module.c_str(), host.LastError().c_str());
        DeleteFileA(help.c_str());
        return 1;
    }
    // The platform keeps a top-level window within the screen; the region,
    // a child, takes the size asked for even beyond it.
    HWND region = host.TopicRegion();
    SetWindowPos(region, nullptr, 0, 0, kWidth, kHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT rc;
    GetClientRect(region, &rc);

    HDC screen = GetDC(nullptr);
    HDC target = CreateCompatibleDC(screen), source = CreateCompatibleDC(screen);
    HGDIOBJ oldTarget = SelectObject(target, CreateCompatibleBitmap(screen, kWidth, kHeight));
    HGDIOBJ oldSource = SelectObject(source, CreateCompatibleBitmap(screen, kWidth, kHeight));
    ReleaseDC(nullptr, screen);
    const auto procedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(region, GWLP_WNDPROC));
    auto erase = [&] { CallWindowProcA(procedure, region, WM_ERASEBKGND, reinterpret_cast<WPARAM>(target), 0); };
    auto sent = [&] { SendMessageA(region, WM_ERASEBKGND, reinterpret_cast<WPARAM>(target), 0); };
    auto copy = [&] { BitBlt(target, 0, 0, kWidth, kHeight, source, 0, 0, SRCCOPY); };
    // The texture's opaque block at the top left, the picture in the middle
    // where the texture is transparent.
    erase();
    const bool decorated = GetPixel(target, 12, 4) == ColourRef(Paper(12, 4)) &&
                           GetPixel(target, 800, 608) == ColourRef(Logo(800 - 600, 608 - 450));
    for (int i = 0; i < 3; ++i) {
        erase();
        copy();
    }
    // Both alternate, so that a machine busy with something else for a
    // while slows both alike; the medians are compared.
    std::vector<double> paint, floor, message;
    for (int round = 0; round < 7; ++round) {
        paint.push_back(Time(erases, erase));
        floor.push_back(Time(erases, copy));
        message.push_back(Time(erases, sent));
    }
    DeleteObject(SelectObject(target, oldTarget));
    DeleteObject(SelectObject(source, oldSource));
    DeleteDC(target);
    DeleteDC(source);
    host.Shutdown();
    DeleteFileA(help.c_str());

    std::printf("erase of a %ldx%ld topic region: 64x64 transparent tiles over a centred 400x300 picture\n", rc.right,
                rc.bottom);
    if (!decorated) {
        std::fprintf(stderr, "the region does not show the texture over the picture\n");
        return 1;
    }
    std::printf("  erase: %9.1f us    plain BitBlt of the same area: %9.1f us    (medians of 7 rounds of %d)\n",
                Median(paint), Median(floor), erases);
    std::printf("  the same erase sent as a message, through the call-window hook: %9.1f us\n", Median(message));
    std::printf("ratio erase / BitBlt: %.2f (at most 4 expected)\n", Median(paint) / Median(floor));
    return 0;
}
