#include "media/mediamacros_parse.h"

#include <cstring>

#include "core/text.h"

namespace zyl {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Past a leading drive (a letter and ':').
const char* SkipDrive(const char* path) {
    const unsigned char first = static_cast<unsigned char>(path[0]);
    const bool letter = (first | 0x20) >= 'a' && (first | 0x20) <= 'z';
    return letter && path[1] == ':' ? path + 2 : path;
}

// [begin, end) into `out`, cut to its capacity.
void CopyRange(const char* begin, const char* end, char* out, std::size_t capacity) {
    const std::size_t n = static_cast<std::size_t>(end - begin);
    CopyAtMost(out, begin, n < capacity ? n : capacity - 1);
}

}  // namespace

void SplitPath(const char* path, PathParts* out) {
    if (!out) return;
    out->drive[0] = out->directory[0] = out->name[0] = out->extension[0] = '\0';
    if (!path) return;
    const char* p = SkipDrive(path);
    CopyRange(path, p, out->drive, sizeof out->drive);
    const char* nameStart = p;
    for (const char* q = p; *q; ++q)
        if (IsSeparator(*q)) nameStart = q + 1;
    CopyRange(p, nameStart, out->directory, sizeof out->directory);
    const char* end = nameStart + std::strlen(nameStart);
    const char* dot = std::strrchr(nameStart, '.');
    if (!dot) dot = end;
    CopyRange(nameStart, dot, out->name, sizeof out->name);
    CopyRange(dot, end, out->extension, sizeof out->extension);
}

bool BareFileName(const char* path, bool lowerCase, char* out, std::size_t capacity) {
    if (!out || capacity == 0) return false;
    out[0] = '\0';
    if (!path) return false;
    const char* bare = SkipDrive(path);
    for (const char* q = bare; *q; ++q)
        if (IsSeparator(*q)) bare = q + 1;
    const std::size_t n = std::strlen(bare);
    if (n == 0 || n >= capacity) return false;
    for (std::size_t i = 0; i <= n; ++i) {
        const char c = bare[i];
        out[i] = lowerCase && c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return true;
}

bool JoinPath(const char* folder, const char* name, char* out, std::size_t capacity) {
    if (!out || capacity == 0) return false;
    out[0] = '\0';
    if (!folder) folder = "";
    if (!name) name = "";
    const std::size_t f = std::strlen(folder), n = std::strlen(name);
    // "C:" joins without one: "C:name" is a name in drive C's current folder.
    const bool slash = f > 0 && !IsSeparator(folder[f - 1]) && folder[f - 1] != ':';
    if (f + (slash ? 1 : 0) + n >= capacity) return false;
    std::memcpy(out, folder, f);
    if (slash) out[f] = '\\';
    std::memcpy(out + f + (slash ? 1 : 0), name, n + 1);
    return true;
}

bool CommandLineProgram(const char* commandLine, char* out, std::size_t capacity) {
    if (!out || capacity == 0) return false;
    out[0] = '\0';
    if (!commandLine) return false;
    const char* p = commandLine;
    while (IsBlank(*p)) ++p;
    const char* begin = p;
    const char* end;
    if (*p == '"') {
        begin = ++p;
        while (*p && *p != '"') ++p;
        end = p;
    } else {
        while (*p && !IsBlank(*p)) ++p;
        end = p;
    }
    const std::size_t n = static_cast<std::size_t>(end - begin);
    if (n == 0 || n >= capacity) return false;
    CopyAtMost(out, begin, n);
    return true;
}

int DisplayTestHolds(unsigned test, const DisplayFacts& facts) {
    const int bits = facts.colourBits;
    const int cls = facts.platformClass;
    bool holds = false;
    switch (test) {
    case 1: holds = facts.screenWidth == 640; break;
    case 2: holds = facts.screenWidth == 800; break;
    case 3: holds = facts.screenWidth >= 1024; break;
    // Colours are 2 to the power of the bits: compared by their bits, so
    // that a 32-bit display cannot overflow the count.
    case 4: holds = bits == 1; break;
    case 5: holds = bits == 4; break;
    case 6: holds = bits == 8; break;
    case 7: holds = bits > 8; break;
    case 8: holds = cls != 1 && cls != 3; break;
    case 9: holds = cls == 1 || cls == 3; break;
    case 10: holds = cls == 0; break;
    case 11: holds = cls == 2 || cls == 3; break;
    case 12: holds = cls == 1; break;
    default: break;
    }
    return holds ? 1 : 0;
}

unsigned VideoInfoDisplayTest(unsigned videoTest) {
    static const unsigned kTests[] = {4, 5, 6, 1, 2, 3};
    return videoTest < sizeof kTests / sizeof kTests[0] ? kTests[videoTest] : 0;
}

}  // namespace zyl
