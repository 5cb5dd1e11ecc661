#include "module_picture_support.h"

#include <cstdio>
#include <cstring>

#include "imaging/picturecache.h"
#include "zyl3an32.h"

namespace cachetest {

namespace {

std::string SourceRoot() {
    // This file's own path, as the compiler saw it: tests/wine/ of the tree.
    std::string self = __FILE__;
    for (char& c : self)
        if (c == '\\') c = '/';
    const std::size_t at = self.rfind("/tests/wine/");
    return at == std::string::npos ? std::string() : self.substr(0, at);
}

}  // namespace

std::string SourceFile(const std::string& relative) { return SourceRoot() + "/" + relative; }

std::string SourceFileForWindows(const std::string& relative) {
    std::string path = "Z:" + SourceFile(relative);
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

Bytes HelpFile(const std::vector<std::pair<std::string, Bytes>>& files) {
    std::string error;
    const Bytes out = wtest::HelpFile(files, &error);
    EXPECT_TRUE(error.empty()) << error;
    return out;
}

Pixels ParsePpm(const Bytes& ppm) {
    Pixels p;
    std::size_t at = 2;
    auto number = [&](long* v) {
        while (at < ppm.size() && std::strchr(" \t\r\n", ppm[at])) ++at;
        if (at >= ppm.size() || ppm[at] < '0' || ppm[at] > '9') return false;
        *v = 0;
        while (at < ppm.size() && ppm[at] >= '0' && ppm[at] <= '9' && *v < 100000) *v = *v * 10 + (ppm[at++] - '0');
        return true;
    };
    long w, h, maxval;
    if (ppm.size() < 2 || ppm[0] != 'P' || ppm[1] != '6') return p;
    if (!number(&w) || !number(&h) || !number(&maxval) || maxval != 255) return p;
    ++at;   // the one white-space byte before the pixels
    if (ppm.size() - at != static_cast<std::size_t>(w * h * 3)) return p;
    p.width = static_cast<int>(w);
    p.height = static_cast<int>(h);
    for (std::size_t i = at; i + 2 < ppm.size(); i += 3)
        p.rgb.push_back(static_cast<DWORD>(ppm[i]) << 16 | static_cast<DWORD>(ppm[i + 1]) << 8 | ppm[i + 2]);
    return p;
}

Pixels BitmapPixels(HBITMAP bitmap) {
    Pixels p;
    BITMAP bm;
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm)) return p;
    BITMAPINFO bi = wtest::TopDown32(bm.bmWidth, bm.bmHeight);
    std::vector<DWORD> rgb(static_cast<std::size_t>(bm.bmWidth) * static_cast<std::size_t>(bm.bmHeight));
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(bm.bmHeight), rgb.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != bm.bmHeight) return p;
    p.width = bm.bmWidth;
    p.height = bm.bmHeight;
    for (DWORD& v : rgb) v &= 0xFFFFFF;
    p.rgb = std::move(rgb);
    return p;
}

Pixels Columns(const Pixels& p, int left, int width) {
    Pixels out;
    if (left < 0 || width <= 0 || left + width > p.width) return out;
    out.width = width;
    out.height = p.height;
    for (int y = 0; y < p.height; ++y)
        for (int x = left; x < left + width; ++x) out.rgb.push_back(p.at(x, y));
    return out;
}

std::string Difference(const Pixels& mine, const Pixels& expected) {
    if (expected.width == 0) return "no expected picture";
    if (mine.width != expected.width || mine.height != expected.height)
        return "size " + std::to_string(mine.width) + "x" + std::to_string(mine.height) + ", expected " +
               std::to_string(expected.width) + "x" + std::to_string(expected.height);
    std::size_t bad = 0, first = 0;
    for (std::size_t i = 0; i < expected.rgb.size(); ++i)
        if (mine.rgb[i] != expected.rgb[i] && bad++ == 0) first = i;
    if (bad == 0) return std::string();
    char text[160];
    std::snprintf(text, sizeof text, "%zu pixels differ; first at (%d, %d): %06lX, expected %06lX", bad,
                  static_cast<int>(first % static_cast<std::size_t>(expected.width)),
                  static_cast<int>(first / static_cast<std::size_t>(expected.width)),
                  static_cast<unsigned long>(mine.rgb[first]), static_cast<unsigned long>(expected.rgb[first]));
    return text;
}

Bytes Bmp24(const Pixels& p) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(p.width) * 3 + 3) & ~3u;
    const std::uint32_t bits = stride * static_cast<std::uint32_t>(p.height);
    Bytes f(54 + bits, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) f[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, static_cast<std::uint32_t>(f.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(p.width));
    put32(22, static_cast<std::uint32_t>(p.height));
    f[26] = 1;
    f[28] = 24;
    put32(34, bits);
    for (int y = 0; y < p.height; ++y) {
        std::uint8_t* row = &f[54 + stride * static_cast<std::uint32_t>(p.height - 1 - y)];
        for (int x = 0; x < p.width; ++x) {
            const DWORD c = p.at(x, y);
            row[3 * x] = static_cast<std::uint8_t>(c);
            row[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
            row[3 * x + 2] = static_cast<std::uint8_t>(c >> 16);
        }
    }
    return f;
}

Bytes Bmp8(int width, int height, const std::vector<DWORD>& table, const Bytes& indices) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) + 3) & ~3u;
    const std::uint32_t offset = 54 + 4 * static_cast<std::uint32_t>(table.size());
    const std::uint32_t bits = stride * static_cast<std::uint32_t>(height);
    Bytes f(offset + bits, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) f[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, static_cast<std::uint32_t>(f.size()));
    put32(10, offset);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    f[26] = 1;
    f[28] = 8;
    put32(34, bits);
    put32(46, static_cast<std::uint32_t>(table.size()));
    for (std::size_t i = 0; i < table.size(); ++i) put32(54 + 4 * i, table[i]);   // blue, green, red, 0
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            f[offset + stride * static_cast<std::uint32_t>(height - 1 - y) + static_cast<std::uint32_t>(x)] =
                indices[static_cast<std::size_t>(y * width + x)];
    return f;
}

HBITMAP MakeBitmap(const Pixels& p) {
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, p.width, p.height);
    BITMAPINFO bi = wtest::TopDown32(p.width, p.height);
    if (bmp && SetDIBits(screen, bmp, 0, static_cast<UINT>(p.height), p.rgb.data(), &bi, DIB_RGB_COLORS) != p.height) {
        DeleteObject(bmp);
        bmp = nullptr;
    }
    ReleaseDC(nullptr, screen);
    return bmp;
}

// ---- PictureHost ----

zylhost::HostOptions PictureHost::Options() {
    zylhost::HostOptions options;
    options.visible = false;
    return options;
}

void PictureHost::SetUp() {
    ASSERT_TRUE(scratch.ok()) << "no scratch folder, or not under Wine";
    ASSERT_TRUE(host.AttachHandler(&LDLLHandler));
    inst = zyl::FindInstance();
    ASSERT_NE(inst, nullptr);
}

void PictureHost::TearDown() { host.Shutdown(); }

std::string PictureHost::UseHelpFile(const std::vector<std::pair<std::string, Bytes>>& files, const std::string& name) {
    EXPECT_TRUE(scratch.Write(name, HelpFile(files)));
    const std::string path = scratch.File(name);
    host.SetHelpFilePath(path.c_str());
    return path;
}

zyl::PictureEntry* PictureHost::Load(const char* name, bool firstFrameOnly) {
    zyl::PictureEntry* entry = zyl::FindOrCreatePictureEntry(inst, name);
    EXPECT_NE(entry, nullptr) << name;
    if (entry) zyl::EnsurePictureLoaded(inst, entry, firstFrameOnly);
    return entry;
}

}  // namespace cachetest
