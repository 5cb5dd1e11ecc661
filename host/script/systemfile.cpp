#include "systemfile.h"

namespace zylscript {

namespace {

std::uint32_t Get16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | (p[1] << 8)); }
std::uint32_t Get32(const std::uint8_t* p) { return Get16(p) | (Get16(p + 2) << 16); }

// A NUL-terminated string, or the whole field when it has no NUL.
std::string Field(const std::uint8_t* p, std::size_t size) {
    std::size_t n = 0;
    while (n < size && p[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

// A window definition: flags, type[10], name[9], caption[51], x, y, width,
// height, state, then the colours of the topic and non-scrolling regions.
constexpr std::size_t kWindowRecord = 90;

WindowDef Window(const std::uint8_t* r) {
    const std::uint32_t flags = Get16(r);
    WindowDef w;
    if (flags & 0x0002) w.name = Field(r + 12, 9);
    if (flags & 0x0004) w.caption = Field(r + 21, 51);
    int* numbers[] = {&w.x, &w.y, &w.width, &w.height};
    for (int i = 0; i < 4; ++i)
        if (flags & (0x0008u << i)) *numbers[i] = static_cast<int>(Get16(r + 72 + 2 * i));
    if (flags & 0x0080) w.state = static_cast<int>(Get16(r + 80));
    if (flags & 0x0100) w.background = Get32(r + 82) & 0xFFFFFF;
    if (flags & 0x0200) w.nsrBackground = Get32(r + 86) & 0xFFFFFF;
    return w;
}

}  // namespace

bool ReadSystemFile(const std::uint8_t* data, std::size_t size, SystemInfo* out, std::string* error) {
    *out = SystemInfo();
    constexpr std::size_t kHeader = 12;
    if (size < kHeader || Get16(data) != 0x036C || Get16(data + 4) != 1) {
        *error = "not a help file's system file (wrong magic number or version)";
        return false;
    }
    out->minor = Get16(data + 2);
    out->flags = Get16(data + 10);
    if (out->minor <= 16) {   // the 3.0 layout: the title and nothing else
        out->title = Field(data + kHeader, size - kHeader);
        return true;
    }
    std::size_t at = kHeader;
    while (at < size) {
        if (size - at < 4 || Get16(data + at + 2) > size - at - 4) {
            *error = "a record of the system file runs past its end";
            return false;
        }
        const std::uint32_t type = Get16(data + at), length = Get16(data + at + 2);
        const std::uint8_t* record = data + at + 4;
        switch (type) {
        case 1:
            if (out->title.empty()) out->title = Field(record, length);
            break;
        case 2:
            if (out->copyright.empty()) out->copyright = Field(record, length);
            break;
        case 3:
            if (length >= 4) {
                out->hasContents = true;
                out->contents = Get32(record);
            }
            break;
        case 4: {
            std::string macro = Field(record, length);
            if (!macro.empty()) out->startupMacros.push_back(std::move(macro));
            break;
        }
        case 6:
            if (length >= kWindowRecord) out->windows.push_back(Window(record));
            break;
        case 11:
            if (length >= 1) out->charset = record[0];
            break;
        default:
            break;
        }
        at += 4 + length;
    }
    return true;
}

}  // namespace zylscript
