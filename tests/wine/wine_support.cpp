#include "wine_support.h"

#include <vfw.h>

#include <cstring>

#include "core/helpfile.h"
#include "core/helpfile_writer.h"
#include "zyl3an32.h"

namespace wtest {

Bytes ReadFileBytes(const std::string& windowsPath) {
    Bytes out;
    HANDLE h = CreateFileA(windowsPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return out;
    const DWORD size = GetFileSize(h, nullptr);
    if (size != INVALID_FILE_SIZE && size > 0) {
        out.resize(size);
        DWORD got = 0;
        if (!ReadFile(h, out.data(), size, &got, nullptr) || got != size) out.clear();
    }
    CloseHandle(h);
    return out;
}

bool WriteFileBytes(const std::string& windowsPath, const Bytes& bytes) {
    HANDLE h = CreateFileA(windowsPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

std::string UnixName(const std::string& windowsPath) {
    using Fn = char*(CDECL*)(LPCWSTR);
    auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!fn) return std::string();
    wchar_t wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH)) return std::string();
    char* unixName = fn(wide);
    if (!unixName) return std::string();
    std::string out = unixName;
    HeapFree(GetProcessHeap(), 0, unixName);
    return out;
}

Scratch::Scratch() {
    char temp[MAX_PATH];
    if (!GetTempPathA(sizeof temp, temp)) return;
    // A name no earlier run used: Wine may still be removing an earlier
    // run's folder of the same name when this one starts.
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const std::string stem = std::string(temp) + "zyltest" + std::to_string(GetCurrentProcessId() % 10000) + "_" +
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

bool Scratch::Write(const std::string& name, const Bytes& bytes) const { return WriteFileBytes(File(name), bytes); }
Bytes Scratch::Read(const std::string& name) const { return ReadFileBytes(File(name)); }
void Scratch::Remove(const std::string& name) const { DeleteFileA(File(name).c_str()); }

bool RunUnix(const std::string& command, std::string* why) {
    // CreateProcess hands back no handle to wait on for a Unix program;
    // ntdll's spawn waits and gives the exit status.
    using Spawn = LONG(CDECL*)(char* const argv[], int wait);
    auto spawn = reinterpret_cast<Spawn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp")));
    if (!spawn) {
        if (why) *why = "not running under Wine";
        return false;
    }
    std::string shell = "/bin/sh", dashC = "-c", text = command;
    char* argv[] = {&shell[0], &dashC[0], &text[0], nullptr};
    const LONG status = spawn(argv, 1);
    if (status != 0 && why) *why = "'" + command + "' ended with status " + std::to_string(status);
    return status == 0;
}

Bytes HelpFile(const std::vector<std::pair<std::string, Bytes>>& files, std::string* error) {
    std::vector<zyl::ContainerMember> members(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        members[i].name = files[i].first;
        members[i].size = static_cast<std::uint32_t>(files[i].second.size());
    }
    Bytes out;
    std::string reason;
    if (!zyl::PlanContainer(&members, &out, &reason)) {
        if (error) *error = reason.empty() ? std::string("cannot lay out the help file") : reason;
        return Bytes();
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::uint8_t header[zyl::kInternalHeaderBytes];
        zyl::MakeInternalFileHeader(members[i].size, 0, header);
        out.insert(out.end(), header, header + sizeof header);
        out.insert(out.end(), files[i].second.begin(), files[i].second.end());
    }
    return out;
}

int GdiRoom() {
    std::vector<HBRUSH> brushes;
    brushes.reserve(70000);
    while (brushes.size() < 1000000) {
        HBRUSH b = CreateSolidBrush(RGB(1, 2, 3));
        if (!b) break;
        brushes.push_back(b);
    }
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

Bytes AviClip(int width, int height, int frames, int fps, const std::vector<DWORD>& colours, std::string* why) {
    auto fail = [why](const char* what) {
        if (why) *why = what;
        return Bytes();
    };
    char folder[MAX_PATH], path[MAX_PATH];
    if (!GetTempPathA(sizeof folder, folder) || !GetTempFileNameA(folder, "avi", 0, path)) return fail("no temporary file");
    DeleteFileA(path);
    std::strcat(path, ".avi");
    const int stride = (width * 3 + 3) & ~3;
    BITMAPINFOHEADER format = {};
    format.biSize = sizeof format;
    format.biWidth = width;
    format.biHeight = height;
    format.biPlanes = 1;
    format.biBitCount = 24;
    format.biSizeImage = static_cast<DWORD>(stride * height);
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
        Bytes pixels(format.biSizeImage);
        for (int i = 0; i < frames && !problem; ++i) {
            const DWORD rgb = colours.empty() ? 0x808080 : colours[static_cast<size_t>(i) % colours.size()];
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    std::uint8_t* p = &pixels[static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3];
                    p[0] = rgb & 0xFF;
                    p[1] = (rgb >> 8) & 0xFF;
                    p[2] = (rgb >> 16) & 0xFF;
                }
            if (AVIStreamWrite(stream, i, 1, pixels.data(), format.biSizeImage, AVIIF_KEYFRAME, nullptr, nullptr) != 0)
                problem = "AVIStreamWrite failed";
        }
    }
    if (stream) AVIStreamRelease(stream);
    if (file) AVIFileRelease(file);
    AVIFileExit();
    Bytes clip = problem ? Bytes() : ReadFileBytes(path);
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

std::string RenderText(HWND hwnd) {
    HGLOBAL h = reinterpret_cast<HGLOBAL>(SendMessageA(hwnd, EWM_RENDER, EWRENDER_TEXT, 0));
    if (!h) return "<null>";
    std::string text;
    if (const char* p = static_cast<const char*>(GlobalLock(h))) text.assign(p, strnlen(p, GlobalSize(h)));
    GlobalUnlock(h);
    GlobalFree(h);
    return text;
}

}  // namespace wtest
