#include "animbullet_parse.h"

#include <cstring>

#include "core/text.h"

namespace zyl {

namespace {

constexpr std::uint32_t kGreen = 0x008000;
constexpr int kMinimumSide = 54;     // a given width or height below it becomes it
constexpr int kTextLeft = 24;        // where item texts start
constexpr int kTextMargin = 26;      // added to the widest text

std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Get32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Reads the string at bytes[*at]: its NUL must lie before bytes[size].
bool TakeString(const std::uint8_t* bytes, std::size_t size, std::size_t* at, const char** out) {
    if (*at >= size) return false;
    const void* nul = std::memchr(bytes + *at, 0, size - *at);
    if (!nul) return false;
    *out = reinterpret_cast<const char*>(bytes + *at);
    *at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - bytes) + 1;
    return true;
}

// The ';' ending the field at p, or null.
const char* FieldEnd(const char* p) { return std::strchr(p, ';'); }

}  // namespace

std::uint32_t BulletTextColour(std::uint16_t style, std::uint32_t fileColour) {
    if (style & kBulletColour) return fileColour;
    return (style & kBulletBlack) ? 0 : kGreen;
}

int BulletFontHeight(std::uint16_t fontSize, const char* face) {
    return face && *face && fontSize >= 6 ? 2 * fontSize : 16;
}

BulletFault ReadBulletFile(const std::uint8_t* bytes, std::size_t size, BulletFile* out) {
    *out = BulletFile();
    if (!bytes || size < kBulletHeaderBytes) return BulletFault::kShortHeader;
    const int count = Get16(bytes);
    if (count > kMaxBulletItems) return BulletFault::kTooManyItems;
    BulletFile file;
    file.style = Get16(bytes + 2);
    file.colour = Get32(bytes + 4);
    file.fontSize = Get16(bytes + 8);
    std::size_t at = kBulletHeaderBytes;
    if (!TakeString(bytes, size, &at, &file.face) || !TakeString(bytes, size, &at, &file.window))
        return BulletFault::kUnterminated;
    for (int i = 0; i < count; ++i) {
        BulletItem& item = file.items[i];
        // An empty text, or no bytes left, is the end of the items.
        if (at >= size || bytes[at] == 0) return BulletFault::kFewerItems;
        if (!TakeString(bytes, size, &at, &item.text) || !TakeString(bytes, size, &at, &item.comment))
            return BulletFault::kUnterminated;
        if (size - at < 4) return BulletFault::kCutItem;
        item.hash = Get32(bytes + at);
        at += 4;
    }
    if (at < size && bytes[at] != 0) return BulletFault::kMoreItems;
    file.count = count;
    *out = file;
    return BulletFault::kNone;
}

const char* BulletFaultText(BulletFault fault) {
    switch (fault) {
    case BulletFault::kNone: return "";
    case BulletFault::kShortHeader: return "the file is shorter than its 10-byte header";
    case BulletFault::kTooManyItems: return "the item count is above 62, the most a list holds";
    case BulletFault::kUnterminated: return "a string runs to the end of the file without its terminating 0 byte";
    case BulletFault::kCutItem: return "the file ends inside an item's topic hash";
    case BulletFault::kFewerItems: return "the file holds fewer items than its item count says";
    case BulletFault::kMoreItems: return "the file holds more items than its item count says";
    }
    return "";
}

int ParseBulletParams(const char* data, const BulletFileProbe& probe, BulletParams* out) {
    const char* p = data ? data : "";
    const char* end = FieldEnd(p);
    if (!end) return ZYL_ERR_SYNTAX;
    out->file.assign(p, static_cast<std::size_t>(end - p));
    const int error = probe.load ? probe.load(probe.context, out->file.c_str()) : ZYL_ERR_BULLET_FILE;
    if (error) return error;
    p = end + 1;
    std::int32_t* sides[] = {&out->width, &out->height};
    for (std::int32_t* side : sides) {
        end = FieldEnd(p);
        if (!end) return ZYL_ERR_SYNTAX;
        *side = static_cast<std::int32_t>(ReadULong(p, nullptr));
        p = end + 1;
    }
    out->flags = static_cast<std::uint16_t>(ReadULong(p, nullptr) & 0xFFFF);
    return 0;
}

BulletLayout LayoutBulletList(const BulletParams& params, const int* textWidths, int count, int charHeight,
                              int scrollBarWidth) {
    BulletLayout layout;
    const bool fixed = (params.flags & kBulletFixedSize) != 0;
    int width = fixed ? params.width : 0;
    int height = fixed ? params.height : 0;
    layout.page = height;
    layout.lineHeight = charHeight > 12 ? charHeight : 12;
    int widest = 0;
    for (int i = 0; i < count; ++i)
        if (textWidths[i] > widest) widest = textWidths[i];
    int contentWidth = widest + kTextMargin;
    int contentHeight = count * (layout.lineHeight + 1) + 1;
    if (params.flags & kBulletBorder) {
        contentWidth += 2;
        contentHeight += 2;
        layout.page = height - 2;
    }
    // A page that does not move down moves by one line.
    if (layout.page < 1) layout.page = layout.lineHeight + 1;
    layout.scrollRange = contentHeight;
    if (height != 0 && height < kMinimumSide) height = kMinimumSide;
    if (height != 0 && height < contentHeight) {
        contentWidth += scrollBarWidth;
        layout.height = height;
        layout.scrolling = true;
    } else {
        layout.height = contentHeight;
    }
    if (width != 0 && width < kMinimumSide) width = kMinimumSide;
    layout.width = width != 0 ? width : contentWidth;
    layout.scrollRange -= layout.height;
    if (layout.scrollRange < 0) layout.scrollRange = 0;
    return layout;
}

int BulletItemAt(const int* textWidths, int count, int lineHeight, int scrollPos, int clientBottom, int x, int y) {
    for (int i = 1; i <= count; ++i) {
        const int top = BulletItemTop(i, lineHeight, scrollPos);
        const int bottom = top + lineHeight + 1;
        if (bottom < 1 || top >= clientBottom) continue;
        if (x >= kTextLeft && x < kTextLeft + textWidths[i - 1] && y >= top && y < bottom) return i;
    }
    return 0;
}

int BulletScrollPosition(int request, int thumb, int position, const BulletLayout& layout) {
    const int line = layout.lineHeight + 1;
    int target = position;
    switch (request) {
    case 0: target = position - line; break;
    case 1: target = position + line; break;
    case 2: target = position - layout.page; break;
    case 3: target = position + layout.page; break;
    case 4:
    case 5: target = thumb; break;
    case 6: target = 0; break;
    case 7: target = layout.scrollRange; break;
    default: break;
    }
    if (target > layout.scrollRange) target = layout.scrollRange;
    if (target < 0) target = 0;
    return target;
}

}  // namespace zyl
