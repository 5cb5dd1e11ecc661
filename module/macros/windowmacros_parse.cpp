#include "macros/windowmacros_parse.h"

#include <algorithm>
#include <cstring>

#include "core/text.h"
#include "core/wholefile.h"
#include "media/mediamacros_parse.h"

namespace zyl {

namespace {

int PopupSide(std::uint16_t value, bool pixels, int screen) {
    const std::int64_t limit = std::max(screen, 0);
    const std::uint16_t side =
        pixels ? value : static_cast<std::uint16_t>(static_cast<std::int64_t>(value) * limit / 1024);
    return static_cast<int>(std::min<std::int64_t>(side, limit));
}

bool StandsAlone(const char* name) {
    const unsigned char first = static_cast<unsigned char>(name[0]);
    const bool drive = (first | 0x20) >= 'a' && (first | 0x20) <= 'z' && name[1] == ':';
    return drive || name[0] == '\\' || name[0] == '/';
}

}  // namespace

PopupSize PopupSizeFor(std::uint16_t width, std::uint16_t height, std::uint32_t flags, int screenWidth,
                       int screenHeight) {
    const bool pixels = (flags & kPopupPixels) != 0;
    return {PopupSide(width, pixels, screenWidth), PopupSide(height, pixels, screenHeight)};
}

bool SiblingHelpFilePath(const char* current, const char* name, char* out, std::size_t capacity) {
    if (!out || capacity == 0) return false;
    out[0] = '\0';
    if (!name || name[0] == '\0') return false;
    if (StandsAlone(name)) {
        if (std::strlen(name) >= capacity) return false;
        CopyBounded(out, capacity, name);
        return true;
    }
    PathParts parts;
    SplitPath(current, &parts);
    // A folder cut to its buffer is not the help file's folder.
    if (current && std::strlen(current) >= kPathPartChars) return false;
    return JoinPath(parts.directory, name, out, capacity);
}

bool TerminateScriptBlock(char* block) {
    if (!block) return false;
    block[kWholeFileBytes - 1] = '\0';
    return block[0] != '\0';
}

}  // namespace zyl
