#include "animtab_parse.h"

#include <cstring>

#include "core/text.h"

namespace zyl {

namespace {

// The string at block[*at]: false when its NUL does not lie before block[size].
bool TakeString(const std::uint8_t* block, std::size_t size, std::size_t* at, const char** out) {
    if (*at >= size) return false;
    const void* nul = std::memchr(block + *at, 0, size - *at);
    if (!nul) return false;
    *out = reinterpret_cast<const char*>(block + *at);
    *at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - block) + 1;
    return true;
}

bool IsSpace(char c) { return c == ' '; }

}  // namespace

TabFileInfo ReadTabFile(const std::uint8_t* block, std::size_t size, TabEntry* entries) {
    TabFileInfo info;
    if (!block) size = 0;
    info.flags = static_cast<std::uint16_t>((size > 0 ? block[0] : 0) | ((size > 1 ? block[1] : 0) << 8));
    std::size_t at = 2;
    for (;;) {
        const std::size_t start = at;
        const char* context = nullptr;
        const char* label = nullptr;
        // A block too short for its flags ends like a block of zeros.
        if (size <= 2 && at >= size) {
            info.end = at + 1;
            break;
        }
        if (!TakeString(block, size, &at, &context)) {
            info.fault = TabFault::kCut;
            info.end = start;
            break;
        }
        if (*context == '\0') {
            info.end = at;
            break;
        }
        if (!TakeString(block, size, &at, &label)) {
            info.fault = TabFault::kCut;
            info.end = start;
            break;
        }
        if (entries) entries[info.count] = TabEntry{label, context, {}};
        ++info.count;
    }
    if (info.count == 0) info.fault = info.fault == TabFault::kNone ? TabFault::kNoTabs : info.fault;
    return info;
}

const char* TabFaultText(TabFault fault) {
    switch (fault) {
    case TabFault::kNone: return "";
    case TabFault::kNoTabs: return "the file holds no tab before its end (an empty context string)";
    case TabFault::kCut:
        return "a string runs to the end of the 16384 bytes the module reads without its terminating 0 byte";
    }
    return "";
}

int ParseTabParams(const char* data, TabParams* out) {
    std::string text;
    for (const char* p = data ? data : ""; *p; ++p)
        if (!IsSpace(*p)) text += *p;
    const std::size_t semicolon = text.find(';');
    if (semicolon == std::string::npos) return ZYL_ERR_SYNTAX;
    out->file = text.substr(0, semicolon);
    out->selected = static_cast<std::int32_t>(ReadULong(text.c_str() + semicolon + 1, nullptr));
    return 0;
}

TabMetrics MeasureTabs(int widestLabel, int charHeight) {
    TabMetrics m;
    m.width = widestLabel + 4;
    m.height = (charHeight + 5) & ~1;
    m.slant = m.height / 2;
    return m;
}

int TabLeft(int t, const TabMetrics& m) { return (t - 1) * (m.width + m.slant) + m.slant; }

void TabOutline(int t, const TabMetrics& m, TabPoint out[4]) {
    const int x0 = TabLeft(t, m);
    out[0] = TabPoint{x0 - m.slant, m.height + 1};
    out[1] = TabPoint{x0, 1};
    out[2] = TabPoint{x0 + m.width, 1};
    out[3] = TabPoint{x0 + m.width + m.slant, m.height + 1};
}

int TabBarWidth(int count, const TabMetrics& m) {
    const long long width = m.slant + static_cast<long long>(count) * (m.width + m.slant);
    return width > kMaxBarSide ? kMaxBarSide : static_cast<int>(width);
}

int TabBarHeight(const TabMetrics& m) { return m.height + 1 > kMaxBarSide ? kMaxBarSide : m.height + 1; }

int TabPaintOrder(int step, std::int32_t selected, int count) {
    int first = IsTab(selected, count) ? selected - 1 : count;
    if (first < 1) first = count;
    int t = first - step;
    while (t < 1) t += count;
    return t;
}

bool InTabOutline(const TabPoint o[4], int x, int y) {
    // Rows from the top edge down to just above the bottom corners; on each
    // row from the left slope up to, not including, the right slope.
    const long long top = o[1].y, bottom = o[0].y;
    if (y < top || y >= bottom) return false;
    const long long rows = bottom - top, down = y - top;
    const long long left = static_cast<long long>(o[1].x) * rows - (o[1].x - o[0].x) * down;
    const long long right = static_cast<long long>(o[2].x) * rows + (o[3].x - o[2].x) * down;
    const long long px = static_cast<long long>(x) * rows;
    return px >= left && px < right;
}

int TabAt(const TabEntry* tabs, int count, std::int32_t selected, int clientRight, int x, int y) {
    if (count < 1) return 0;
    int t = IsTab(selected, count) && selected < count ? selected + 1 : 1;
    for (int visited = 0; visited < count; ++visited, t = t % count + 1) {
        const TabEntry& tab = tabs[t - 1];
        if (tab.outline[0].x >= clientRight || !InTabOutline(tab.outline, x, y)) continue;
        return t == selected ? 0 : t;
    }
    return 0;
}

}  // namespace zyl
