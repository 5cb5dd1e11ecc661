#include "text.h"

#include <cstring>

namespace zyl {

static inline unsigned char Lower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

int CompareNoCaseN(const char* a, const char* b, std::size_t n) {
    if (!a) a = "";
    if (!b) b = "";
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char ca = Lower(static_cast<unsigned char>(a[i]));
        const unsigned char cb = Lower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
    }
    return 0;
}

int CompareNoCase(const char* a, const char* b) {
    return CompareNoCaseN(a, b, static_cast<std::size_t>(-1));
}

char* CopyBounded(char* dst, std::size_t capacity, const char* src) {
    if (!dst || capacity == 0) return dst;
    std::size_t i = 0;
    if (src)
        for (; i + 1 < capacity && src[i]; ++i) dst[i] = src[i];
    dst[i] = '\0';
    return dst;
}

char* CopyAtMost(char* dst, const char* src, std::size_t n) {
    std::size_t i = 0;
    if (src)
        for (; i < n && src[i]; ++i) dst[i] = src[i];
    dst[i] = '\0';
    return dst;
}

namespace {

int DigitValue(char c, int base) {
    int v = 99;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    return v < base ? v : -1;
}

}  // namespace

std::uint32_t ReadULong(const char* text, const char** end, int base) {
    if (end) *end = text;
    if (!text) return 0;
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (base == 16 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && DigitValue(p[2], 16) >= 0) p += 2;
    if (DigitValue(*p, base) < 0) return 0;
    std::uint64_t value = 0;
    for (int d; (d = DigitValue(*p, base)) >= 0; ++p)
        if (value <= 0xFFFFFFFFu) value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
    if (end) *end = p;
    if (value > 0xFFFFFFFFu) return 0xFFFFFFFFu;   // out of range: no sign applied
    const std::uint32_t v = static_cast<std::uint32_t>(value);
    return negative ? 0u - v : v;
}

bool TakeField(const char** cursor, std::string* field) {
    const char* semi = std::strchr(*cursor, ';');
    if (!semi) return false;
    field->assign(*cursor, static_cast<std::size_t>(semi - *cursor));
    *cursor = semi + 1;
    return true;
}

int CaptionNameLength(const char* caption) {
    if (!caption) return -1;
    for (int i = 0; i < 9 && caption[i]; ++i)
        if (caption[i] == '|') return i;
    return -1;
}

}  // namespace zyl
