// Small helpers around the platform and the host's windows: the platform
// class, short paths, the temporary folder, window captions, the host's
// screen units, child windows and posted commands.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace zyl {

struct InstanceRecord;

// From GetVersion: 0 for the versions this module knows nothing special of
// (5 and later included), 1 for the Windows 95 family, 2 for version 3,
// 3 for NT 4. With `newerShell` true for classes 1 and 3, otherwise for
// every class but 0. The class goes to `outClass` when given.
bool GetPlatformClass(bool newerShell, int* outClass);
int PlatformClassFromVersion(DWORD version);   // the class GetPlatformClass reports

// Replaces `path` by its short form where the platform has one (minor
// version byte 95 or more) and it fits; otherwise leaves it.
void ShortenPath(char* path, std::size_t capacity);
// TEMP (when set and not empty) into `buffer`, without a trailing backslash;
// the buffer keeps what the caller put there when TEMP is missing.
void GetTempDirectory(char* buffer, std::size_t capacity);
void StripTrailingBackslash(char* path);
// Removes a window name prefix ("name|") from the caption of the current
// window's frame when that frame is not the main window.
void StripCaptionWindowName(InstanceRecord* inst);

// The host's window coordinates count in 1/1024 of the screen.
std::uint16_t HelpUnitsToPixelsX(std::uint16_t value);
std::uint16_t HelpUnitsToPixelsY(std::uint16_t value);

// First child (in the platform's order) whose class name is `className`,
// ASCII case ignored; a child whose class cannot be read ends the search
// and is the answer.
HWND FindChildByClass(HWND parent, const char* className);
void PostCommand(HWND window, WORD id, WORD code, HWND control);

}  // namespace zyl
