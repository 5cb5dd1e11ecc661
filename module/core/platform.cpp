#include "core/platform.h"

#include <cstring>

#include "core/text.h"
#include "core/thread/instance.h"
#include "zyl3an32.h"

namespace zyl {

int PlatformClassFromVersion(DWORD version) {
    switch (version & 0x0F) {
    case 3: return 2;
    case 4: return (version & 0x80000000u) ? 1 : 3;
    default: return 0;
    }
}

bool GetPlatformClass(bool newerShell, int* outClass) {
    const int cls = PlatformClassFromVersion(GetVersion());
    if (outClass) *outClass = cls;
    return newerShell ? (cls == 1 || cls == 3) : cls != 0;
}

void ShortenPath(char* path, std::size_t capacity) {
    if (!path || !path[0]) return;
    if (((GetVersion() >> 8) & 0xFF) < 95) return;
    char shortPath[320];
    const DWORD n = GetShortPathNameA(path, shortPath, sizeof shortPath);
    if (n == 0 || n >= sizeof shortPath || n >= capacity) return;
    std::memcpy(path, shortPath, n + 1);
}

void StripTrailingBackslash(char* path) {
    if (!path) return;
    const std::size_t n = std::strlen(path);
    if (n && path[n - 1] == '\\') path[n - 1] = '\0';
}

void GetTempDirectory(char* buffer, std::size_t capacity) {
    if (!buffer || capacity == 0) return;
    char value[MAX_PATH + 1];
    const DWORD n = GetEnvironmentVariableA("TEMP", value, sizeof value);
    if (n > 0 && n < sizeof value) CopyBounded(buffer, capacity, value);
    if (buffer[0]) StripTrailingBackslash(buffer);
}

void StripCaptionWindowName(InstanceRecord* inst) {
    HWND current = reinterpret_cast<HWND>(HostGetInfo(inst, GI_CURRHWND));
    HWND frame = current ? GetParent(current) : nullptr;
    if (!frame || frame == reinterpret_cast<HWND>(HostGetInfo(inst, GI_MAINHWND))) return;
    char caption[256];
    if (GetWindowTextA(frame, caption, sizeof caption) <= 0) return;
    const int bar = CaptionNameLength(caption);
    if (bar >= 0) SetWindowTextA(frame, caption + bar + 1);
}

std::uint16_t HelpUnitsToPixelsX(std::uint16_t value) {
    return static_cast<std::uint16_t>((static_cast<unsigned>(value) * GetSystemMetrics(SM_CXSCREEN)) >> 10);
}

std::uint16_t HelpUnitsToPixelsY(std::uint16_t value) {
    return static_cast<std::uint16_t>((static_cast<unsigned>(value) * GetSystemMetrics(SM_CYSCREEN)) >> 10);
}

HWND FindChildByClass(HWND parent, const char* className) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[33];
        if (GetClassNameA(child, cls, sizeof cls) == 0) return child;
        if (EqualNoCase(cls, className)) return child;
    }
    return nullptr;
}

void PostCommand(HWND window, WORD id, WORD code, HWND control) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

}  // namespace zyl
