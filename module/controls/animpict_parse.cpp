#include "animpict_parse.h"

#include <cstring>
#include <string>

#include "core/text.h"

namespace zyl {

namespace {

constexpr std::int32_t kNumberLimit = 0x7FFFFFFF;
constexpr std::size_t kCompanionChars = 255;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The field that starts at `p` and ends at the next ';'. False when there
// is no ';' left.
bool CutField(const char* p, const char** fieldEnd) {
    const char* semi = std::strchr(p, ';');
    if (!semi) return false;
    *fieldEnd = semi;
    return true;
}

// Reads a columns, rows or frames field; 0 is the field's error.
int CountField(const char** p, std::int32_t* value, int error) {
    const char* end = nullptr;
    if (!CutField(*p, &end)) return ZYL_ERR_SYNTAX;
    *value = ReadFieldNumber(*p, end);
    if (*value == 0) return error;
    *p = end + 1;
    return 0;
}

bool Probe(const PictureProbe& probe, const std::string& name) {
    return probe.load && probe.load(probe.context, name.c_str());
}

}  // namespace

std::int32_t ReadFieldNumber(const char* text, const char* end) {
    if (!text) return 0;
    const char* p = text;
    while (p != end && *p && IsBlank(*p)) ++p;
    std::int64_t value = 0;
    for (; p != end && *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > kNumberLimit) value = kNumberLimit;   // saturates; the rest of the digits change nothing
    }
    return static_cast<std::int32_t>(value);
}

int ParseMovieParams(const char* data, const PictureProbe& probe, MovieParams* out) {
    // Authors may space the fields out as they like: every blank goes,
    // the file name's included.
    std::string text;
    for (const char* p = data ? data : ""; *p; ++p)
        if (*p != ' ') text += *p;
    const char* p = text.c_str();
    const char* end = nullptr;

    if (!CutField(p, &end)) return ZYL_ERR_SYNTAX;
    out->file.assign(p, static_cast<std::size_t>(end - p));
    if (!Probe(probe, out->file)) return ZYL_ERR_MISSING_BITMAP;
    p = end + 1;

    if (int e = CountField(&p, &out->columns, ZYL_ERR_COLUMNS)) return e;
    if (int e = CountField(&p, &out->rows, ZYL_ERR_ROWS)) return e;
    if (int e = CountField(&p, &out->frames, ZYL_ERR_FRAMES)) return e;

    if (!CutField(p, &end)) return ZYL_ERR_SYNTAX;
    out->delay = ReadFieldNumber(p, end);
    p = end + 1;

    out->flags = static_cast<std::uint16_t>(ReadFieldNumber(p, nullptr) & 0xFFFF);
    return 0;
}

int ParsePictParams(const char* data, const PictureProbe& probe, PictParams* out) {
    const char* p = data ? data : "";
    const char* end = nullptr;

    if (!CutField(p, &end)) return ZYL_ERR_SYNTAX;
    out->file.assign(p, static_cast<std::size_t>(end - p));
    if (!Probe(probe, out->file)) return ZYL_ERR_MISSING_BITMAP;
    p = end + 1;

    // The second ';' is required even when no macro follows.
    if (!CutField(p, &end)) return ZYL_ERR_SYNTAX;
    out->flags = static_cast<std::uint16_t>(ReadFieldNumber(p, end) & 0xFFFF);
    p = end + 1;

    out->macro.clear();
    out->hasMacro = false;
    if ((out->flags & kPictClickable) && *p) {
        out->macro.assign(p);
        out->hasMacro = true;
    }
    return 0;
}

bool FramePosition(std::int32_t frame, std::int32_t columns, std::int32_t frameWidth, std::int32_t frameHeight,
                   std::int32_t* x, std::int32_t* y) {
    if (columns < 1 || frame < 0) return false;
    const std::int64_t px = static_cast<std::int64_t>(frame % columns) * frameWidth;
    const std::int64_t py = static_cast<std::int64_t>(frame / columns) * frameHeight;
    if (px > kNumberLimit || py > kNumberLimit || px < -kNumberLimit || py < -kNumberLimit) return false;
    *x = static_cast<std::int32_t>(px);
    *y = static_cast<std::int32_t>(py);
    return true;
}

std::size_t CompanionHelpFile(const char* helpFile, char* out, std::size_t capacity) {
    if (!out || capacity == 0) return 0;
    const char* path = helpFile ? helpFile : "";

    // drive, directory (with its last separator), name, extension
    std::size_t at = 0;
    if (path[0] && path[1] == ':') at = 2;
    const std::string drive(path, at);
    const char* rest = path + at;
    const char* lastSep = nullptr;
    for (const char* q = rest; *q; ++q)
        if (*q == '\\' || *q == '/') lastSep = q;
    const char* base = lastSep ? lastSep + 1 : rest;
    const std::string directory(rest, static_cast<std::size_t>(base - rest));
    const char* dot = std::strrchr(base, '.');
    std::string name = dot ? std::string(base, static_cast<std::size_t>(dot - base)) : std::string(base);
    const std::string extension = dot ? std::string(dot) : std::string();

    // The module's own help files keep their hot-spot topics in a sibling
    // file whose name ends in "X".
    if (EqualNoCase(name.c_str(), "ZYL3") || EqualNoCase(name.c_str(), "PONDFLY")) {
        name += 'X';
    } else if (name.size() >= 4 && CompareNoCaseN(name.c_str(), "ZYL3", 4) == 0) {
        name = "ZYL3X";
    }

    std::string joined = drive + directory + name + extension;
    if (joined.size() > kCompanionChars) joined.resize(kCompanionChars);
    CopyBounded(out, capacity, joined.c_str());
    return std::strlen(out);
}

}  // namespace zyl
