#include "dll_picture_support.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "dll_test.h"
#include "zyl3an32.h"

namespace pictest {

namespace {

void Put16(Bytes& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

}  // namespace

Bytes BmpFile(int width, int height, const std::function<DWORD(int x, int y)>& colour) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t image = stride * static_cast<std::uint32_t>(height);
    Bytes b;
    b.push_back('B');
    b.push_back('M');
    Put32(b, 14 + 40 + image);
    Put32(b, 0);
    Put32(b, 14 + 40);
    Put32(b, 40);
    Put32(b, static_cast<std::uint32_t>(width));
    Put32(b, static_cast<std::uint32_t>(height));
    Put16(b, 1);
    Put16(b, 24);
    Put32(b, 0);
    Put32(b, image);
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, 0);
    Put32(b, 0);
    for (int row = height - 1; row >= 0; --row) {
        std::uint32_t n = 0;
        for (int x = 0; x < width; ++x, n += 3) {
            const DWORD c = colour(x, row);
            b.push_back(static_cast<std::uint8_t>(c));          // blue
            b.push_back(static_cast<std::uint8_t>(c >> 8));     // green
            b.push_back(static_cast<std::uint8_t>(c >> 16));    // red
        }
        for (; n < stride; ++n) b.push_back(0);
    }
    return b;
}

bool RunUnix(const Scratch& scratch, const std::string& command, std::string* why) {
    static int serial = 0;
    const std::string err = "run" + std::to_string(++serial) + ".err";
    std::string failure;
    const bool ok = wtest::RunUnix("{ " + command + " ; } 2> '" + scratch.UnixFile(err) + "'", &failure);
    const Bytes text = scratch.Read(err);
    scratch.Remove(err);
    if (!ok && why) *why = failure + ": " + std::string(text.begin(), text.end());
    return ok;
}

bool ConvertAll(const Scratch& scratch, const std::vector<ConvertJob>& jobs, const std::string& after,
                std::string* why) {
    // The real ImageMagick, not a stand-in that a PATH may put first.
    std::string command, waits;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        command += "/usr/bin/convert " + jobs[i].args + " '" + scratch.UnixFile(jobs[i].name) + "' & p" +
                   std::to_string(i) + "=$!; ";
        waits += (waits.empty() ? "wait $p" : " && wait $p") + std::to_string(i);
    }
    command += waits.empty() ? "true" : waits;
    if (!after.empty()) command += " && " + after;
    return RunUnix(scratch, command, why);
}

Bytes WithHotSpots(const Bytes& gif, const std::vector<Spot>& spots, std::size_t chunkSpots) {
    if (gif.size() < 13 || std::memcmp(gif.data(), "GIF", 3) != 0) return Bytes();
    std::size_t at = 13;
    if (gif[10] & 0x80) at += 3u * (1u << ((gif[10] & 7) + 1));
    if (at > gif.size()) return Bytes();
    Bytes ext = {0x21, 0xFF, 0x0B};
    for (char c : std::string("MOTHWING1.0")) ext.push_back(static_cast<std::uint8_t>(c));
    if (chunkSpots == 0) chunkSpots = 1;
    for (std::size_t i = 0; i < spots.size(); i += chunkSpots) {
        const std::size_t n = std::min(chunkSpots, spots.size() - i);
        ext.push_back(static_cast<std::uint8_t>(n * 12));
        for (std::size_t k = i; k < i + n; ++k) {
            Put16(ext, static_cast<std::uint16_t>(spots[k].left));
            Put16(ext, static_cast<std::uint16_t>(spots[k].top));
            Put16(ext, static_cast<std::uint16_t>(spots[k].right));
            Put16(ext, static_cast<std::uint16_t>(spots[k].bottom));
            Put32(ext, spots[k].context);
        }
    }
    ext.push_back(0);
    Bytes out(gif.begin(), gif.begin() + static_cast<std::ptrdiff_t>(at));
    out.insert(out.end(), ext.begin(), ext.end());
    out.insert(out.end(), gif.begin() + static_cast<std::ptrdiff_t>(at), gif.end());
    return out;
}

std::vector<DWORD> WindowPixels(HWND hwnd, int* width, int* height) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    *width = rc.right;
    *height = rc.bottom;
    std::vector<DWORD> px;
    if (rc.right <= 0 || rc.bottom <= 0) return px;
    HDC dc = GetDC(hwnd);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, rc.right, rc.bottom);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, rc.right, rc.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(hwnd, dc);
    int w = 0, h = 0;
    px = ::BitmapPixels(bmp, &w, &h);
    DeleteObject(bmp);
    return px;
}

std::size_t CountOf(const std::vector<DWORD>& pixels, DWORD rgb) {
    std::size_t n = 0;
    for (DWORD p : pixels) n += p == rgb;
    return n;
}

DWORD Uniform(const std::vector<DWORD>& pixels) {
    if (pixels.empty()) return 0xFFFFFFFF;
    for (DWORD p : pixels)
        if (p != pixels[0]) return 0xFFFFFFFF;
    return pixels[0];
}


std::unique_ptr<ScratchHelp> WriteScratchHelp(const std::string& name,
                                              const std::vector<std::pair<std::string, Bytes>>& files) {
    auto d = std::make_unique<ScratchHelp>();
    d->help = d->scratch.File(name);
    if (!d->scratch.ok() || !d->scratch.Write(name, HelpFile(files))) d->failure = "cannot write " + name;
    return d;
}

const char kDecoratedTopicScript[] =
    ".startup RR(`ZYL3AN32.DLL', `ZylWatermark', `SSU');RR(`ZYL3AN32.DLL', `ZylSPC', `SUU')\n"
    ".topic empty\n";

}  // namespace pictest
