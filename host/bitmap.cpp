#include "bitmap.h"

#include <cstdio>
#include <cstring>

#include "core/gdiobj.h"

namespace zylhost {

using zyl::Bitmap;
using zyl::OwnedDC;
using zyl::Selected;
using zyl::WindowDC;

BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO bmi;
    std::memset(&bmi, 0, sizeof bmi);
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    return bmi;
}

namespace {

void DropAlpha(std::vector<DWORD>* pixels) {
    for (DWORD& p : *pixels) p &= 0x00FFFFFFu;
}

// A bound that keeps width * height * 4 far from overflow and from absurd
// allocations when a module answers with a broken size.
constexpr long long kMaxPixels = 64LL * 1024 * 1024;

}  // namespace

bool ReadBitmapPixels(HBITMAP bitmap, int* width, int* height, std::vector<DWORD>* pixels) {
    *width = *height = 0;
    pixels->clear();
    BITMAP bm;
    if (!bitmap || GetObjectA(bitmap, sizeof bm, &bm) != sizeof bm) return false;
    if (bm.bmWidth <= 0 || bm.bmHeight <= 0 || 1LL * bm.bmWidth * bm.bmHeight > kMaxPixels) return false;
    pixels->resize(static_cast<std::size_t>(bm.bmWidth) * static_cast<std::size_t>(bm.bmHeight));
    BITMAPINFO bmi = TopDown32(bm.bmWidth, bm.bmHeight);
    WindowDC screen(nullptr);
    int rows = GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(bm.bmHeight), pixels->data(), &bmi,
                         DIB_RGB_COLORS);
    if (rows != bm.bmHeight) {
        pixels->clear();
        return false;
    }
    DropAlpha(pixels);
    *width = bm.bmWidth;
    *height = bm.bmHeight;
    return true;
}

bool CaptureScreen(const RECT& rect, std::vector<DWORD>* pixels) {
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    pixels->clear();
    if (w <= 0 || h <= 0 || 1LL * w * h > kMaxPixels) return false;
    WindowDC screen(nullptr);
    OwnedDC mem(CreateCompatibleDC(screen.get()));
    BITMAPINFO bmi = TopDown32(w, h);
    void* bits = nullptr;
    Bitmap dib(CreateDIBSection(screen.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!mem || !dib || !bits) return false;
    {
        Selected sel(mem.get(), dib.get());
        if (!BitBlt(mem.get(), 0, 0, w, h, screen.get(), rect.left, rect.top, SRCCOPY)) return false;
        GdiFlush();
    }
    const DWORD* src = static_cast<const DWORD*>(bits);
    pixels->assign(src, src + static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    DropAlpha(pixels);
    return true;
}

bool WriteBmp24(const std::string& path, int width, int height, const std::vector<DWORD>& pixels,
                std::string* error) {
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        if (error) *error = "nothing to write to " + path;
        return false;
    }
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t(3);
    const std::size_t imageSize = stride * static_cast<std::size_t>(height);
    BITMAPFILEHEADER fh;
    BITMAPINFOHEADER ih;
    std::memset(&fh, 0, sizeof fh);
    std::memset(&ih, 0, sizeof ih);
    fh.bfType = 0x4D42;   // "BM"
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = static_cast<DWORD>(fh.bfOffBits + imageSize);
    ih.biSize = sizeof ih;
    ih.biWidth = width;
    ih.biHeight = height;   // bottom-up, as most readers expect
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biCompression = BI_RGB;
    ih.biSizeImage = static_cast<DWORD>(imageSize);
    ih.biXPelsPerMeter = ih.biYPelsPerMeter = 3780;   // 96 dpi

    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        if (error) *error = "cannot write " + path;
        return false;
    }
    bool ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 && std::fwrite(&ih, sizeof ih, 1, f) == 1;
    std::vector<unsigned char> row(stride, 0);
    for (int y = height - 1; ok && y >= 0; --y) {
        const DWORD* src = &pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width)];
        for (int x = 0; x < width; ++x) {
            row[static_cast<std::size_t>(x) * 3 + 0] = static_cast<unsigned char>(src[x] & 0xFF);
            row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<unsigned char>((src[x] >> 8) & 0xFF);
            row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<unsigned char>((src[x] >> 16) & 0xFF);
        }
        ok = std::fwrite(row.data(), 1, stride, f) == stride;
    }
    ok = (std::fclose(f) == 0) && ok;
    if (!ok && error) *error = "cannot write " + path;
    return ok;
}

}  // namespace zylhost
