#include "media/video_parse.h"

#include <cmath>
#include <cstring>

namespace zyl {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

int ParseVideoParams(const char* data, VideoParams* out) {
    if (!data) data = "";
    const char* semi = std::strchr(data, ';');
    if (!semi) return ZYL_ERR_SYNTAX;
    const char* begin = data;
    const char* end = semi;
    while (begin < end && IsBlank(*begin)) ++begin;
    while (end > begin && IsBlank(end[-1])) --end;
    out->file.assign(begin, static_cast<std::size_t>(end - begin));

    const char* p = semi + 1;
    while (IsBlank(*p)) ++p;
    std::uint32_t flags = 0;
    for (; *p >= '0' && *p <= '9'; ++p) flags = (flags * 10 + static_cast<std::uint32_t>(*p - '0')) & 0xFFFF;
    out->flags = static_cast<std::uint16_t>(flags);

    std::size_t base = out->file.size();
    while (base > 0 && !IsSeparator(out->file[base - 1])) --base;
    const std::string bare = out->file.substr(base);
    std::size_t n = 0;
    for (; n < bare.size() && n + 1 < kVideoFileNameChars; ++n) out->fileName[n] = Lower(bare[n]);
    out->fileName[n] = '\0';
    const std::size_t dot = bare.rfind('.');
    out->extension = dot == std::string::npos ? std::string() : bare.substr(dot + 1);
    return 0;
}

std::uint32_t VideoIoProcCode(const char* extension) {
    if (!extension || !*extension) return 0;
    char cc[4] = {' ', ' ', ' ', ' '};
    for (int i = 0; i < 3 && extension[i]; ++i) cc[i] = Upper(extension[i]);
    return static_cast<std::uint32_t>(static_cast<unsigned char>(cc[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(cc[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(cc[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(cc[3])) << 24;
}

bool FormatHex(std::uint64_t value, char* out, std::size_t capacity) {
    if (!out || capacity == 0) return false;
    char reversed[16];
    std::size_t digits = 0;
    do {
        reversed[digits++] = "0123456789ABCDEF"[value & 0xF];
        value >>= 4;
    } while (value);
    if (digits + 1 > capacity) {
        out[0] = '\0';
        return false;
    }
    for (std::size_t i = 0; i < digits; ++i) out[i] = reversed[digits - 1 - i];
    out[digits] = '\0';
    return true;
}

bool MakeElementName(const char* file, std::uint64_t address, char* out, std::size_t capacity) {
    if (!out || capacity == 0) return false;
    out[0] = '\0';
    if (!file) file = "";
    const std::size_t length = std::strlen(file);
    if (length + 2 > capacity) return false;
    if (!FormatHex(address, out + length + 1, capacity - length - 1)) return false;
    std::memcpy(out, file, length);
    out[length] = '+';
    return true;
}

bool SplitElementName(const char* element, char* name, std::size_t capacity, std::uint64_t* address) {
    if (!element || !name || capacity == 0) return false;
    name[0] = '\0';
    const char* plus = std::strrchr(element, '+');
    if (!plus) return false;
    std::uint64_t value = 0;
    int digits = 0;
    const char* p = plus + 1;
    for (int d; (d = HexDigit(*p)) >= 0; ++p) {
        if (++digits > 16) return false;
        value = value << 4 | static_cast<std::uint64_t>(d);
    }
    if (digits == 0 || *p != '\0') return false;
    const std::size_t length = static_cast<std::size_t>(plus - element);
    if (length + 1 > capacity) return false;
    std::memcpy(name, element, length);
    name[length] = '\0';
    *address = value;
    return true;
}

VideoLayout LayoutVideo(std::uint16_t flags, int pictureWidth, int pictureHeight) {
    VideoLayout l = {pictureWidth, pictureHeight, false, pictureWidth, pictureHeight, 0};
    if (!HasVideoBar(flags)) return l;
    const int minimum = (flags & kVideoBarMenu) ? kVideoBarMenuMinWidth : kVideoBarMinWidth;
    if (flags & kVideoNoPicture) {
        l.width = kVideoSoundBarWidth;
    } else if (pictureWidth < minimum) {
        // A picture without width keeps its height: there is nothing to scale by.
        if (pictureWidth > 0) l.pictureHeight = static_cast<int>(static_cast<std::int64_t>(pictureHeight) * minimum / pictureWidth);
        l.pictureWidth = minimum;
        l.resizePicture = true;
        l.width = minimum;
    }
    l.barTop = l.pictureHeight;
    l.height = l.pictureHeight + kVideoBarHeight;
    return l;
}

int MarkX(int trackLeft, int trackRight, std::int64_t position, std::int64_t length) {
    const int half = kMarkWidth / 2;
    if (length <= 0 || trackRight <= trackLeft) return trackLeft - half;
    if (position < 0) position = 0;
    if (position > length) position = length;
    const double share = static_cast<double>(trackRight - trackLeft) * static_cast<double>(position) /
                         static_cast<double>(length);
    return trackLeft + static_cast<int>(std::floor(share)) - half;
}

std::int64_t DragTarget(int x, int trackLeft, int trackRight, std::int64_t length) {
    if (trackRight <= trackLeft || length <= 0) return 0;
    x = ClampToTrack(x, trackLeft, trackRight);
    return length * (x - trackLeft) / (trackRight - trackLeft);
}

}  // namespace zyl
