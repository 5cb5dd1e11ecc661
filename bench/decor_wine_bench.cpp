// One erase of a 1600 x 1200 topic region decorated with a tiled 64 x 64
// transparent texture over a file-wide centred picture, through the
// substitute host under Wine, against the floor of one plain BitBlt of the
// same area. Both draw into the same kind of target (a bitmap of the
// region's size), so the ratio says what the painter costs beyond the copy
// every erase ends with.
//
//   cmake/wine-run build/win64/bench/decor_wine_bench.exe build/win64/bin/ZYL3AN32.DLL [erases]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/helpfile.h"
#include "core/helpfile_writer.h"
#include "host.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kWidth = 1600, kHeight = 1200;

void Put16(Bytes& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A 24-bit bitmap file; `colour` gives 0x00RRGGBB at (x, y) from the top.
Bytes Bmp(int w, int h, const std::function<std::uint32_t(int, int)>& colour) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(w) * 3 + 3) & ~3u;
    Bytes b = {'B', 'M'};
    for (std::uint32_t v : {54 + stride * h, 0u, 54u, 40u, static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h)})
        Put32(b, v);
    Put16(b, 1);
    Put16(b, 24);
    for (int i = 0; i < 6; ++i) Put32(b, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = colour(x, y);
            b.push_back(static_cast<std::uint8_t>(c));
            b.push_back(static_cast<std::uint8_t>(c >> 8));
            b.push_back(static_cast<std::uint8_t>(c >> 16));
        }
        for (std::uint32_t n = static_cast<std::uint32_t>(w) * 3; n < stride; ++n) b.push_back(0);
    }
    return b;
}

// The texture: 8 x 8 blocks, every other one of the transparent colour
// (its top-left pixel's); the picture: a 400 x 300 gradient.
std::uint32_t Paper(int x, int y) { return ((x / 8 + y / 8) % 2) ? 0x8060A0u + x * 2 : 0xFF00FFu; }
std::uint32_t Logo(int x, int y) { return static_cast<std::uint32_t>((x * 255 / 400) << 16 | (y * 255 / 300) << 8 | 0x40); }
COLORREF Ref(std::uint32_t rgb) { return RGB(rgb >> 16, rgb >> 8 & 0xFF, rgb & 0xFF); }

bool WriteHelpFile(const std::string& path) {
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"paper.bmp", Bmp(64, 64, Paper)},
        {"logo.bmp", Bmp(400, 300, Logo)},
    };
    std::vector<zyl::ContainerMember> members(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        members[i].name = files[i].first;
        members[i].size = static_cast<std::uint32_t>(files[i].second.size());
    }
    Bytes out;
    std::string error;
    if (!zyl::PlanContainer(&members, &out, &error)) return false;
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::uint8_t header[zyl::kInternalHeaderBytes];
        zyl::MakeInternalFileHeader(members[i].size, 0, header);
        out.insert(out.end(), header, header + sizeof header);
        out.insert(out.end(), files[i].second.begin(), files[i].second.end());
    }
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(h, out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == out.size();
}

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Microseconds per call of `work`, over `repeats` calls.
double Time(int repeats, const std::function<void()>& work) {
    GdiFlush();
    const double t0 = Now();
    for (int i = 0; i < repeats; ++i) work();
    GdiFlush();
    return (Now() - t0) / repeats * 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    std::string module = argc > 1 ? argv[1] : "ZYL3AN32.DLL";
    if (!module.empty() && module[0] == '/') module = "Z:" + module;
    for (char& c : module)
        if (c == '/') c = '\\';
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
    auto erase = [&] { SendMessageA(region, WM_ERASEBKGND, reinterpret_cast<WPARAM>(target), 0); };
    auto copy = [&] { BitBlt(target, 0, 0, kWidth, kHeight, source, 0, 0, SRCCOPY); };
    // The texture's opaque block at the top left, the picture in the middle
    // where the texture is transparent.
    erase();
    const bool decorated = GetPixel(target, 12, 4) == Ref(Paper(12, 4)) &&
                           GetPixel(target, 800, 608) == Ref(Logo(800 - 600, 608 - 450));
    for (int i = 0; i < 3; ++i) {
        erase();
        copy();
    }
    // Both alternate, so that a machine busy with something else for a
    // while slows both alike; the medians are compared.
    std::vector<double> paint, floor;
    for (int round = 0; round < 7; ++round) {
        paint.push_back(Time(erases, erase));
        floor.push_back(Time(erases, copy));
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
    std::printf("ratio erase / BitBlt: %.2f (at most 4 expected)\n", Median(paint) / Median(floor));
    return 0;
}
