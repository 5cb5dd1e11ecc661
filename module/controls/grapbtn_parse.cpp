#include "grapbtn_parse.h"

#include <algorithm>
#include <cstring>

#include "controls/animpict_parse.h"
#include "core/text.h"

namespace zyl {

namespace {

constexpr int kGraphicFields = 9;   // the ';'-ended fields before the macro

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

struct Field {
    const char* begin;
    const char* end;
    std::size_t Length() const { return static_cast<std::size_t>(end - begin); }
};

std::int32_t Clamp(std::int64_t v, std::int32_t low, std::int32_t high) {
    return static_cast<std::int32_t>(v < low ? low : (v > high ? high : v));
}

// Blanks, an optional sign, decimal digits (saturating).
std::int32_t ReadSigned(const Field& f) {
    const char* p = f.begin;
    while (p != f.end && IsBlank(*p)) ++p;
    const bool negative = p != f.end && *p == '-';
    if (p != f.end && (*p == '-' || *p == '+')) ++p;
    const std::int32_t magnitude = ReadFieldNumber(p, f.end);
    return negative ? -magnitude : magnitude;
}

// Blanks, an optional "0x", hexadecimal digits; the last eight count.
std::uint32_t ReadHex(const Field& f) {
    const char* p = f.begin;
    while (p != f.end && IsBlank(*p)) ++p;
    if (f.end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) p += 2;
    std::uint32_t value = 0;
    for (; p != f.end; ++p) {
        const char c = *p;
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else break;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// The text of a field into a place of `capacity` bytes; false when it
// does not fit.
bool TakeName(const Field& f, char* out, std::size_t capacity) {
    if (f.Length() >= capacity) return false;
    CopyAtMost(out, f.begin, f.Length());
    return true;
}

// Cuts `count` fields, each ended by a ';'; `*rest` is what follows the last.
bool CutFields(const char* data, Field* fields, int count, const char** rest) {
    const char* p = data ? data : "";
    for (int i = 0; i < count; ++i) {
        const char* semi = std::strchr(p, ';');
        if (!semi) return false;
        fields[i] = Field{p, semi};
        p = semi + 1;
    }
    *rest = p;
    return true;
}

void Reset(GrapBtnParams* out) {
    std::memset(&out->look, 0, sizeof out->look);
    out->picture[0] = out->pressedPicture[0] = '\0';
    out->macro.clear();
}

}  // namespace

int ParseGrapBtnParams(const char* data, GrapBtnParams* out) {
    Reset(out);
    Field f[kGraphicFields];
    const char* rest = nullptr;
    if (!CutFields(data, f, kGraphicFields, &rest)) return ZYL_ERR_SYNTAX;

    GrapBtnLook& look = out->look;
    // A label too long for its place is cut: what shows of it still tells
    // the author what happened.
    CopyAtMost(look.label, f[0].begin, std::min(f[0].Length(), kGrapBtnLabelChars - 1));
    for (char* c = look.label; *c; ++c)
        if (*c == '|') *c = ',';
    look.widthSetting = Clamp(ReadSigned(f[1]), 0, kGrapBtnMaxContent);
    look.heightSetting = Clamp(ReadSigned(f[2]), 0, kGrapBtnMaxContent);
    if (!TakeName(f[3], look.face, sizeof look.face)) return ZYL_ERR_SYNTAX;
    look.fontHeight = Clamp(ReadSigned(f[4]), -kGrapBtnMaxFontHeight, kGrapBtnMaxFontHeight);
    look.textColour = ReadHex(f[5]) & 0xFFFFFFu;
    look.shadowColour = ReadHex(f[6]) & 0xFFFFFFu;
    if (!TakeName(f[7], out->picture, sizeof out->picture)) return ZYL_ERR_SYNTAX;
    look.flags = static_cast<std::uint16_t>(ReadHex(f[8]) & 0xFFFFu & ~kGrapBtnPressed);
    out->macro.assign(rest);
    return 0;
}

int ParseTocButtonParams(const char* data, GrapBtnParams* out) {
    Reset(out);
    out->look.flags = kTocButtonFlags;
    Field up;
    const char* rest = nullptr;
    if (!CutFields(data, &up, 1, &rest)) return ZYL_ERR_SYNTAX;
    const Field down = {rest, rest + std::strlen(rest)};
    if (!TakeName(up, out->picture, sizeof out->picture) ||
        !TakeName(down, out->pressedPicture, sizeof out->pressedPicture))
        return ZYL_ERR_SYNTAX;
    return 0;
}

GrapBtnSize MeasureGrapBtn(const GrapBtnLook& look, int pictureWidth, int pictureHeight, int charHeight,
                           int labelExtent) {
    std::int64_t width = std::max(look.widthSetting, pictureWidth);
    std::int64_t height = std::max(look.heightSetting, pictureHeight);
    if (look.label[0]) {
        height = std::max<std::int64_t>(height, charHeight);
        std::int64_t textWidth = static_cast<std::int64_t>(labelExtent) + 1;
        // A label beside a tall picture spreads over the lines its height
        // holds, less one for words that do not break evenly.
        if (look.heightSetting == 0 && charHeight > 0 && height > charHeight) {
            const std::int64_t lines = (height + charHeight - 1) / charHeight - 1;
            if (lines > 0) textWidth /= lines;
        }
        if (look.widthSetting == 0) width += textWidth;
    }
    GrapBtnSize size;
    size.contentWidth = Clamp(width, 0, kGrapBtnMaxContent);
    size.contentHeight = Clamp(height, 0, kGrapBtnMaxContent);
    size.buttonWidth = size.contentWidth + 2 * kGrapBtnEdge;
    size.buttonHeight = size.contentHeight + 2 * kGrapBtnEdge;
    return size;
}

void PlacePicture(int position, const GrapBtnRect& content, int pictureWidth, int pictureHeight, int* x, int* y) {
    *x = content.left;
    *y = content.top;
    const bool narrower = pictureWidth < content.Width();
    const bool lower = pictureHeight < content.Height();
    if (narrower && (position == 1 || position == 3 || position == 8))
        *x = (content.left + content.right - pictureWidth) / 2;
    else if (narrower && (position == 4 || position == 6 || position == 9))
        *x = content.right - pictureWidth - 1;
    if (lower && (position == 1 || position == 5 || position == 6))
        *y = (content.top + content.bottom - pictureHeight) / 2;
    else if (lower && (position == 7 || position == 8 || position == 9))
        *y = content.bottom - pictureHeight - 1;
}

GrapBtnRect LabelRoom(int position, const GrapBtnRect& content, int pictureWidth, int pictureHeight) {
    GrapBtnRect room = content;
    switch (position) {
    case 2: case 5: case 7: room.left += pictureWidth + 1; break;
    case 3: room.top += pictureHeight + 1; break;
    case 4: case 6: case 9: room.right -= pictureWidth + 1; break;
    case 8: room.bottom -= pictureHeight + 1; break;
    default: break;   // 1 draws no label; others leave the room as it is
    }
    return room;
}

int AlignLine(int alignment, int width, int textWidth) {
    if (textWidth >= width) return 0;
    switch (alignment) {
    case 1: case 3: case 8: return (width - textWidth) / 2;
    case 4: case 6: case 9: return width - textWidth;
    default: return 0;
    }
}

int AlignLabelBlock(int alignment, int roomHeight, int textHeight) {
    if (alignment == 2 || alignment == 3 || alignment == 4 || textHeight >= roomHeight) return 0;
    const int offset = roomHeight - textHeight;
    return alignment == 1 || alignment == 5 || alignment == 6 ? offset / 2 : offset;
}

std::vector<LabelLine> WrapLabel(const char* label, int width, int height, int lineHeight, const TextMeasure& measure) {
    std::vector<LabelLine> lines;
    if (!label || lineHeight <= 0 || !measure.width) return lines;
    const std::size_t n = std::strlen(label);
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t start = 0, lastSpace = kNone;
    int y = 0;
    for (std::size_t i = 0; i < n;) {
        if (label[i] == ' ') lastSpace = i;
        if (measure.width(measure.context, label + start, i - start + 1) < width) {
            ++i;
            continue;
        }
        std::size_t end = lastSpace;
        if (end == kNone) {
            // A word with no space before it on its line stands alone there.
            end = i;
            while (end < n && label[end] != ' ') ++end;
        }
        if (y + lineHeight > height) return lines;
        lines.push_back(LabelLine{start, end - start});
        y += lineHeight;
        start = end < n ? end + 1 : n;
        lastSpace = kNone;
        i = start;
    }
    if (start < n && y + lineHeight <= height) lines.push_back(LabelLine{start, n - start});
    return lines;
}

}  // namespace zyl
