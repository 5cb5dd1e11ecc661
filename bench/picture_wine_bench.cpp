// One frame step of a transparent animation (WM_TIMER and the paint it
// does) in a small and in a large topic region, through the substitute host
// under Wine. The control captures the background behind itself only, so a
// step should cost the same however large the topic is: the benchmark
// prints both figures and their ratio (large / small), and, for reference,
// what capturing the whole region's background once would cost.
//
//   cmake/wine-run build/win64/bench/picture_wine_bench.exe build/win64/bin/ZYL3AN32.DLL [steps]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/helpfile.h"
#include "core/helpfile_writer.h"
#include "host.h"
#include "wine_bench.h"

namespace {

using winebench::Median;
using winebench::Now;
using Bytes = std::vector<std::uint8_t>;

constexpr int kFrameW = 64, kFrameH = 48, kColumns = 4, kRows = 2;

void Put16(Bytes& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// 4 x 2 frames: a blue ball moving over red, red being the top-left pixel
// and so the transparent colour (flag 2).
Bytes AnimationBmp() {
    const int w = kFrameW * kColumns, h = kFrameH * kRows;
    const std::uint32_t stride = (static_cast<std::uint32_t>(w) * 3 + 3) & ~3u;
    Bytes b = {'B', 'M'};
    Put32(b, 54 + stride * h);
    Put32(b, 0);
    Put32(b, 54);
    Put32(b, 40);
    Put32(b, w);
    Put32(b, h);
    Put16(b, 1);
    Put16(b, 24);
    for (int i = 0; i < 6; ++i) Put32(b, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const int frame = (y / kFrameH) * kColumns + x / kFrameW;
            const int dx = x % kFrameW - (8 + frame * 6), dy = y % kFrameH - kFrameH / 2;
            const bool ball = dx * dx + dy * dy < 100;
            b.push_back(ball ? 255 : 0);
            b.push_back(0);
            b.push_back(ball ? 0 : 255);
        }
        for (std::uint32_t n = static_cast<std::uint32_t>(w) * 3; n < stride; ++n) b.push_back(0);
    }
    return b;
}

bool WriteHelpFile(const std::string& path) {
    const Bytes bmp = AnimationBmp();
    std::vector<zyl::ContainerMember> members(1);
    members[0].name = "bench.bmp";
    members[0].size = static_cast<std::uint32_t>(bmp.size());
    Bytes out;
    std::string error;
    if (!zyl::PlanContainer(&members, &out, &error)) return false;
    std::uint8_t header[zyl::kInternalHeaderBytes];
    zyl::MakeInternalFileHeader(members[0].size, 0, header);
    out.insert(out.end(), header, header + sizeof header);
    out.insert(out.end(), bmp.begin(), bmp.end());
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(h, out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == out.size();
}

struct Round {
    double stepUs = 0;        // one WM_TIMER with its paint
    double wholeAreaUs = 0;   // one erase of the region's whole client area into a bitmap
    SIZE region = {0, 0};
    bool ok = false;
};

// Erases the region's whole client area into a bitmap of that size: what a
// control capturing the parent's whole area would pay on every step.
double WholeAreaErase(HWND region, int repeats) {
    RECT rc;
    GetClientRect(region, &rc);
    HDC dc = GetDC(region);
    const double t0 = Now();
    for (int i = 0; i < repeats; ++i) {
        HDC mem = CreateCompatibleDC(dc);
        HBITMAP bmp = CreateCompatibleBitmap(dc, rc.right, rc.bottom);
        HGDIOBJ old = SelectObject(mem, bmp);
        SendMessageA(region, WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem), 0);
        SelectObject(mem, old);
        DeleteObject(bmp);
        DeleteDC(mem);
    }
    GdiFlush();
    const double t = (Now() - t0) / repeats;
    ReleaseDC(region, dc);
    return t * 1e6;
}

Round Measure(const char* module, const std::string& help, int width, int height, int steps) {
    Round r;
    zylhost::HostOptions options;
    options.width = width;
    options.height = height;
    options.backgroundColour = RGB(0, 128, 255);
    zylhost::Host host(options);
    if (!host.LoadModule(module)) return r;
    host.SetHelpFilePath(help.c_str());
    HWND region = host.TopicRegion();
    // The platform keeps a top-level window within the screen; the region,
    // a child, takes the size asked for even beyond it.
    SetWindowPos(region, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT rc;
    GetClientRect(region, &rc);
    r.region = SIZE{rc.right, rc.bottom};
    HWND w = host.CreateEmbedded(region, {'l', "ZYL3AN32.DLL", "ZYL3_ANIMATION32", "bench.bmp;4;2;8;100;3"});
    if (!w) return r;
    // The control sits in the middle of the topic.
    SetWindowPos(w, nullptr, rc.right / 2, rc.bottom / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    // Nothing pumps the queue from here on: every step is one sent here.
    for (int i = 0; i < 50; ++i) SendMessageA(w, WM_TIMER, 1, 0);
    GdiFlush();
    const double t0 = Now();
    for (int i = 0; i < steps; ++i) SendMessageA(w, WM_TIMER, 1, 0);
    GdiFlush();
    r.stepUs = (Now() - t0) / steps * 1e6;
    r.wholeAreaUs = WholeAreaErase(region, std::max(10, steps / 20));
    r.ok = true;
    host.Shutdown();
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string module = winebench::ModuleArgument(argc, argv);
    const int steps = argc > 2 ? std::max(10, std::atoi(argv[2])) : 1000;

    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string help = std::string(temp) + "zylbench" + std::to_string(GetCurrentProcessId()) + ".hlp";
    if (!WriteHelpFile(help)) {
        std::fprintf(stderr, "cannot write %s\n", help.c_str());
        return 1;
    }

    // Small and large alternate, so that a machine busy with something
    // else for a while slows both alike; the medians are compared.
    const SIZE sizes[2] = {{320, 240}, {1600, 1200}};
    std::vector<double> step[2], whole[2];
    SIZE region[2] = {};
    for (int round = 0; round < 5; ++round) {
        for (int k = 0; k < 2; ++k) {
            const Round r = Measure(module.c_str(), help, sizes[k].cx, sizes[k].cy, steps);
            if (!r.ok) {
                std::fprintf(stderr, "cannot run the animation in a %ldx%ld topic (module %s)\n", sizes[k].cx,
                             sizes[k].cy, module.c_str());
                DeleteFileA(help.c_str());
                return 1;
            }
            step[k].push_back(r.stepUs);
            whole[k].push_back(r.wholeAreaUs);
            region[k] = r.region;
        }
    }
    DeleteFileA(help.c_str());

    std::printf("transparent frame step, %dx%d frame, %d steps per round, median of 5 rounds\n", kFrameW, kFrameH,
                steps);
    for (int k = 0; k < 2; ++k)
        std::printf("  topic %4ldx%-4ld (region %4ldx%-4ld): %8.1f us per step   (whole-area erase: %8.1f us)\n",
                    sizes[k].cx, sizes[k].cy, region[k].cx, region[k].cy, Median(step[k]), Median(whole[k]));
    const double ratio = Median(step[1]) / Median(step[0]);
    std::printf("ratio large / small: %.2f (at most 1.5 expected)\n", ratio);
    return 0;
}
