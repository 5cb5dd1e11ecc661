// What the window and help-file macro routines work out from their
// arguments alone: the size of popups, the path of another help file
// beside the current one, and a macro script read whole into a block.
// Portable: no <windows.h>.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zyl {

// ZylSPP's flags: any of the low 16 bits makes width and height pixels
// (otherwise 1/1024ths of the screen); kPopupNextOnly makes the size the
// next popup's alone instead of every later popup's.
constexpr std::uint32_t kPopupPixels = 0xFFFF;
constexpr std::uint32_t kPopupNextOnly = 0x10000;

struct PopupSize {
    int width;
    int height;
};

// The popup size ZylSPP stores for its arguments on a screen of
// screenWidth x screenHeight pixels: each side in pixels, kept to 16 bits
// and no larger than the screen's (never below 0).
PopupSize PopupSizeFor(std::uint16_t width, std::uint16_t height, std::uint32_t flags, int screenWidth,
                       int screenHeight);

// The help file `name` beside `current`: the folder of `current` without
// its drive, then `name`; a name with a drive or a leading '\' or '/'
// stands as it is. False, with `out` empty, for an empty name or a path
// that does not fit `capacity`.
bool SiblingHelpFilePath(const char* current, const char* name, char* out, std::size_t capacity);

// A macro script read into a block of kWholeFileBytes (core/wholefile.h):
// the block's last byte becomes its end, so a script holds at most
// kWholeFileBytes - 1 characters and a fuller file is cut there. False when
// the block is empty (starts with its end).
bool TerminateScriptBlock(char* block);

}  // namespace zyl
