#include "wine_support.h"

#include <vfw.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <vector>

#include "bitmap.h"
#include "zyl3an32.h"
#include "zyllist.h"

namespace zyltest {

int GdiRoom() {
    std::vector<HBRUSH> brushes;
    brushes.reserve(70000);
    for (HBRUSH b; brushes.size() < 1000000 && (b = CreateSolidBrush(RGB(1, 2, 3))) != nullptr;) brushes.push_back(b);
    for (HBRUSH b : brushes) DeleteObject(b);
    return static_cast<int>(brushes.size());
}

int UserRoom() {
    std::vector<HMENU> menus;
    menus.reserve(40000);
    for (HMENU m; menus.size() < 200000 && (m = CreateMenu()) != nullptr;) menus.push_back(m);
    for (HMENU m : menus) DestroyMenu(m);
    return static_cast<int>(menus.size());
}

std::string LeakOver(int warmup, int rounds, const std::function<bool(int)>& cycle, int userSlack) {
    for (int i = 0; i < warmup; ++i)
        if (!cycle(i)) return "warm-up cycle " + std::to_string(i) + " failed";
    const int gdi = GdiRoom(), user = UserRoom();
    if (gdi < 1000 || user < 1000) return "no room to measure in";
    for (int i = 0; i < rounds; ++i)
        if (!cycle(i)) return "cycle " + std::to_string(i) + " failed";
    std::string kept;
    if (const int g = gdi - GdiRoom()) kept += std::to_string(g) + " GDI objects leaked ";
    if (const int u = user - UserRoom(); u > userSlack || u < -userSlack) kept += std::to_string(u) + " USER objects leaked";
    return kept;
}

std::unique_ptr<AuthoredHelpFile> AuthorHelpFile(const std::string& name,
                                                 const std::vector<std::pair<std::string, std::string>>& lists,
                                                 std::vector<std::pair<std::string, Bytes>> files) {
    auto made = std::make_unique<AuthoredHelpFile>();
    const Scratch& dir = made->scratch;
    for (const auto& list : lists) {
        std::ostringstream out, err;
        dir.Write(list.first + ".txt", BytesOf(list.second));
        if (zyllist::Run({"compile", dir.File(list.first + ".txt"), dir.File(list.first)}, out, err) != 0) {
            made->failure = list.first + ": " + err.str();
            return made;
        }
        files.emplace_back(list.first, dir.Read(list.first));
    }
    std::string why;
    const Bytes help = HelpFile(files, &why);
    made->help = dir.File(name);
    if (!dir.ok() || help.empty() || !dir.Write(name, help)) made->failure = "cannot write " + name + " " + why;
    return made;
}

Bytes AviClip(int width, int height, int frames, int fps, const std::vector<std::uint32_t>& colours, std::string* why) {
    auto fail = [why](const char* what) {
        if (why) *why = what;
        return Bytes();
    };
    char folder[MAX_PATH], path[MAX_PATH];
    if (!GetTempPathA(sizeof folder, folder) || !GetTempFileNameA(folder, "avi", 0, path)) return fail("no temporary file");
    DeleteFileA(path);
    std::strcat(path, ".avi");
    // Each frame is a 24-bit bitmap's info header and rows, as the bitmap writer lays them out.
    auto frame = [&](int i) {
        const std::uint32_t rgb = colours.empty() ? 0x808080 : colours[static_cast<size_t>(i) % colours.size()];
        return SplitBmp(Bmp24(Picture::Solid(width, height, rgb)));
    };
    BITMAPINFOHEADER format;
    std::memcpy(&format, frame(0).header.data(), sizeof format);
    AVISTREAMINFOA info = {};
    info.fccType = streamtypeVIDEO;
    info.fccHandler = mmioFOURCC('D', 'I', 'B', ' ');
    info.dwScale = 1;
    info.dwRate = static_cast<DWORD>(fps);
    info.dwSuggestedBufferSize = format.biSizeImage;
    SetRect(&info.rcFrame, 0, 0, width, height);

    AVIFileInit();
    PAVIFILE file = nullptr;
    PAVISTREAM stream = nullptr;
    const char* problem = nullptr;
    if (AVIFileOpenA(&file, path, OF_CREATE | OF_WRITE, nullptr) != 0) {
        problem = "AVIFileOpen failed";
    } else if (AVIFileCreateStreamA(file, &stream, &info) != 0) {
        problem = "AVIFileCreateStream failed";
    } else if (AVIStreamSetFormat(stream, 0, &format, sizeof format) != 0) {
        problem = "AVIStreamSetFormat failed";
    } else {
        for (int i = 0; i < frames && !problem; ++i) {
            BmpParts bmp = frame(i);
            if (AVIStreamWrite(stream, i, 1, bmp.bits.data(), format.biSizeImage, AVIIF_KEYFRAME, nullptr, nullptr) != 0)
                problem = "AVIStreamWrite failed";
        }
    }
    if (stream) AVIStreamRelease(stream);
    if (file) AVIFileRelease(file);
    AVIFileExit();
    Bytes clip = problem ? Bytes() : ReadFile(path);
    DeleteFileA(path);
    if (!problem && clip.empty()) problem = "the clip came out empty";
    return problem ? fail(problem) : clip;
}

std::map<std::string, std::string> ProfileSection(const char* file, const char* section) {
    std::vector<char> buf(1 << 20);
    const DWORD n = GetPrivateProfileSectionA(section, buf.data(), static_cast<DWORD>(buf.size()), file);
    std::map<std::string, std::string> out;
    for (const char* p = buf.data(); p < buf.data() + n && *p; p += std::strlen(p) + 1)
        if (const char* eq = std::strchr(p, '=')) out[std::string(p, eq)] = eq + 1;
    return out;
}

FontMeasures MeasureFont(const char* face, int height, int weight, const std::vector<std::string>& texts, int italic,
                         int charset) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, CreateFontA(height, 0, 0, 0, weight, italic, 0, 0, static_cast<DWORD>(charset), 0, 0,
                                               0, 0, face));
    TEXTMETRICA tm = {};
    GetTextMetricsA(dc, &tm);
    FontMeasures m;
    m.charHeight = tm.tmHeight;
    for (const std::string& text : texts) {
        SIZE s = {};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &s);
        m.widest = std::max<int>(m.widest, s.cx);
    }
    DeleteObject(SelectObject(dc, old));
    ReleaseDC(nullptr, dc);
    return m;
}

std::string RenderText(HWND hwnd) {
    HGLOBAL h = reinterpret_cast<HGLOBAL>(SendMessageA(hwnd, EWM_RENDER, EWRENDER_TEXT, 0));
    if (!h) return "<null>";
    std::string text;
    if (const char* p = static_cast<const char*>(GlobalLock(h))) text.assign(p, strnlen(p, GlobalSize(h)));
    GlobalUnlock(h);
    GlobalFree(h);
    return text;
}

Picture BitmapPixels(HBITMAP bitmap) {
    Picture p;
    std::vector<DWORD> px;
    if (zylhost::ReadBitmapPixels(bitmap, &p.width, &p.height, &px)) p.rgb.assign(px.begin(), px.end());
    return p;
}

Picture RenderPicture(HWND hwnd, HDC target) {
    HDC screen = target ? nullptr : GetDC(nullptr);
    ZYL_RENDERINFO info = {0, 0, target ? target : screen};
    auto bitmap =
        reinterpret_cast<HBITMAP>(SendMessageA(hwnd, EWM_RENDER, EWRENDER_BITMAP, reinterpret_cast<LPARAM>(&info)));
    if (screen) ReleaseDC(nullptr, screen);
    const Picture p = BitmapPixels(bitmap);
    if (bitmap) DeleteObject(bitmap);
    return p;
}

Picture WindowPixels(HWND hwnd) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    if (rc.right <= 0 || rc.bottom <= 0) return Picture();
    HDC dc = GetDC(hwnd);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, rc.right, rc.bottom);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, rc.right, rc.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(hwnd, dc);
    Picture p = BitmapPixels(bmp);
    DeleteObject(bmp);
    return p;
}

Picture Printed(const zylhost::Host::PrintedWindow& printed) {
    Picture p;
    p.width = printed.width;
    p.height = printed.height;
    p.rgb.assign(printed.pixels.begin(), printed.pixels.end());
    return p;
}

HBITMAP MakeBitmap(const Picture& p) {
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, p.width, p.height);
    BITMAPINFO bi = zylhost::TopDown32(p.width, p.height);
    if (bmp && SetDIBits(screen, bmp, 0, static_cast<UINT>(p.height), p.rgb.data(), &bi, DIB_RGB_COLORS) != p.height) {
        DeleteObject(bmp);
        bmp = nullptr;
    }
    ReleaseDC(nullptr, screen);
    return bmp;
}

std::size_t CountOf(const Picture& p, std::uint32_t colour) {
    return static_cast<std::size_t>(std::count(p.rgb.begin(), p.rgb.end(), colour));
}

std::uint32_t Uniform(const Picture& p) {
    if (p.rgb.empty() || CountOf(p, p.rgb[0]) != p.rgb.size()) return 0xFFFFFFFF;
    return p.rgb[0];
}

}  // namespace zyltest
