#include "systemfile.h"

namespace zylscript {

namespace {

std::uint32_t Get16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | (p[1] << 8)); }

// A NUL-terminated string, or the whole field when it has no NUL.
std::string Field(const std::uint8_t* p, std::size_t size) {
    std::size_t n = 0;
    while (n < size && p[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

}  // namespace

bool ReadSystemFile(const std::uint8_t* data, std::size_t size, SystemInfo* out, std::string* error) {
    *out = SystemInfo();
    constexpr std::size_t kHeader = 12;
    if (size < kHeader || Get16(data) != 0x036C || Get16(data + 4) != 1) {
        *error = "not a help file's system file (wrong magic number or version)";
        return false;
    }
    const std::uint32_t minor = Get16(data + 2);
    if (minor <= 16) {   // the 3.0 layout: the title and nothing else
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
        if (type == 1 && out->title.empty()) out->title = Field(record, length);
        if (type == 4) {
            std::string macro = Field(record, length);
            if (!macro.empty()) out->startupMacros.push_back(std::move(macro));
        }
        at += 4 + length;
    }
    return true;
}

}  // namespace zylscript
