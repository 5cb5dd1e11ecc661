#include "dll_picture_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/helpfile.h"
#include "dll_test.h"
#include "core/helpfile_writer.h"

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

// The Unix name of a Windows path (Wine's own export).
std::string UnixName(const std::string& windowsPath) {
    using Fn = char*(CDECL*)(LPCWSTR);
    auto fn = reinterpret_cast<Fn>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
    if (!fn) return std::string();
    wchar_t wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH)) return std::string();
    char* unixName = fn(wide);
    if (!unixName) return std::string();
    std::string out = unixName;
    HeapFree(GetProcessHeap(), 0, unixName);
    return out;
}

}  // namespace

Scratch::Scratch() {
    char temp[MAX_PATH];
    if (!GetTempPathA(sizeof temp, temp)) return;
    // A name no earlier run used: Wine may still be removing an earlier
    // run's folder of the same name when this one starts.
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const std::string stem = std::string(temp) + "zylpict" + std::to_string(GetCurrentProcessId() % 10000) + "_" +
                             std::to_string(now.QuadPart % 1000000007);
    for (int i = 0; i < 1000 && path_.empty(); ++i) {
        const std::string p = stem + "_" + std::to_string(i);
        if (CreateDirectoryA(p.c_str(), nullptr)) path_ = p;
    }
    if (!path_.empty()) unixPath_ = UnixName(path_);
}

Scratch::~Scratch() {
    if (path_.empty()) return;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path_ + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA(File(fd.cFileName).c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(path_.c_str());
}

bool Scratch::Write(const std::string& name, const Bytes& bytes) const {
    HANDLE h = CreateFileA(File(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

Bytes Scratch::Read(const std::string& name) const {
    Bytes out;
    HANDLE h = CreateFileA(File(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return out;
    const DWORD size = GetFileSize(h, nullptr);
    if (size != INVALID_FILE_SIZE) {
        out.resize(size);
        DWORD read = 0;
        if (!ReadFile(h, out.data(), size, &read, nullptr) || read != size) out.clear();
    }
    CloseHandle(h);
    return out;
}

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
    // Wine starts a Unix program detached: there is no process handle to
    // wait on, so the shell leaves its status in a file, renamed into place
    // once written.
    static int serial = 0;
    const std::string tag = "run" + std::to_string(++serial);
    const std::string line = "/bin/sh -c \"{ " + command + " ; } 2> '" + scratch.UnixFile(tag + ".err") +
                             "'; echo $? > '" + scratch.UnixFile(tag + ".tmp") + "'; mv '" +
                             scratch.UnixFile(tag + ".tmp") + "' '" + scratch.UnixFile(tag + ".status") + "'\"";
    STARTUPINFOA si;
    std::memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    std::memset(&pi, 0, sizeof pi);
    std::vector<char> buf(line.begin(), line.end());
    buf.push_back('\0');
    if (!CreateProcessA(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        if (why) *why = "cannot start /bin/sh (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
    const std::string status = scratch.File(tag + ".status");
    for (int i = 0; i < 6000 && GetFileAttributesA(status.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(10);
    const Bytes text = scratch.Read(tag + ".status");
    const Bytes err = scratch.Read(tag + ".err");
    DeleteFileA(status.c_str());
    DeleteFileA(scratch.File(tag + ".err").c_str());
    const std::string code(text.begin(), text.end());
    if (!code.empty() && std::atoi(code.c_str()) == 0) return true;
    if (why)
        *why = "'" + command + "' " + (code.empty() ? std::string("did not finish") : "ended with status " + code) +
               ": " + std::string(err.begin(), err.end());
    return false;
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

Bytes HelpFile(const std::vector<std::pair<std::string, Bytes>>& files) {
    std::vector<zyl::ContainerMember> members(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        members[i].name = files[i].first;
        members[i].size = static_cast<std::uint32_t>(files[i].second.size());
    }
    Bytes out;
    std::string error;
    if (!zyl::PlanContainer(&members, &out, &error)) return Bytes();
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::uint8_t header[zyl::kInternalHeaderBytes];
        zyl::MakeInternalFileHeader(members[i].size, 0, header);
        out.insert(out.end(), header, header + sizeof header);
        out.insert(out.end(), files[i].second.begin(), files[i].second.end());
    }
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

std::string RenderText(HWND hwnd) {
    HGLOBAL h = reinterpret_cast<HGLOBAL>(SendMessageA(hwnd, 0x706A, 1, 0));
    if (!h) return "<null>";
    std::string text;
    if (const char* p = static_cast<const char*>(GlobalLock(h))) text.assign(p, strnlen(p, GlobalSize(h)));
    GlobalUnlock(h);
    GlobalFree(h);
    return text;
}

int GdiCapacity() {
    std::vector<HRGN> regions;
    regions.reserve(70000);
    for (;;) {
        HRGN r = CreateRectRgn(0, 0, 1, 1);
        if (!r) break;
        regions.push_back(r);
        if (regions.size() >= 1000000) break;
    }
    for (HRGN r : regions) DeleteObject(r);
    return static_cast<int>(regions.size());
}

}  // namespace pictest
