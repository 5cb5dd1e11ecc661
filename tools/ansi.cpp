#include "ansi.h"

#include <cstdint>
#include <cstdio>

namespace zyltools {

namespace {

// Windows-1252 at 0x80..0x9F; 0 where the code page has no character.
const std::uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

void PutUtf8(std::uint32_t cp, std::string* out) {
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

bool Utf8ToAnsi(const std::string& in, std::string* out, std::string* why, bool keepControls) {
    out->clear();
    for (std::size_t i = 0; i < in.size();) {
        const unsigned char c = static_cast<unsigned char>(in[i]);
        std::uint32_t cp = c;
        std::size_t len = 1;
        if (c >= 0xC2 && c <= 0xDF) len = 2, cp = c & 0x1F;
        else if (c >= 0xE0 && c <= 0xEF) len = 3, cp = c & 0x0F;
        else if (c >= 0xF0 && c <= 0xF4) len = 4, cp = c & 0x07;
        else if (c >= 0x80) len = 0;
        for (std::size_t k = 1; len > 0 && k < len; ++k) {
            if (i + k >= in.size() || (static_cast<unsigned char>(in[i + k]) & 0xC0) != 0x80) len = 0;
            else cp = (cp << 6) | (static_cast<unsigned char>(in[i + k]) & 0x3F);
        }
        if (len == 0) {
            *why = "the text is marked as UTF-8 but this is not";
            return false;
        }
        i += len;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out->push_back(static_cast<char>(cp));
            continue;
        }
        int found = -1;
        for (int k = 0; k < 32; ++k)
            if (kCp1252High[k] == cp || (keepControls && kCp1252High[k] == 0 && cp == 0x80u + k)) found = k;
        if (found < 0) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(cp));
            *why = std::string("character ") + hex + " has no place in the help file's code page (Windows-1252)";
            return false;
        }
        out->push_back(static_cast<char>(0x80 + found));
    }
    return true;
}

std::string AnsiToUtf8(const std::string& in) {
    std::string out;
    for (char ch : in) {
        const unsigned char c = static_cast<unsigned char>(ch);
        std::uint32_t cp = c;
        if (c >= 0x80 && c < 0xA0 && kCp1252High[c - 0x80]) cp = kCp1252High[c - 0x80];
        PutUtf8(cp, &out);
    }
    return out;
}

}  // namespace zyltools
