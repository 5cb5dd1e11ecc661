// The video window's parameter string (file;flags), what it derives from
// the clip's name (the shown file name, the extension, the code of the I/O
// procedure), the element names that route a clip kept inside the help file
// to that procedure, and the geometry of the window and its control bar.
// Portable: no <windows.h>.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "resources/resource.h"

namespace zyl {

// Option bits of the parameter string.
constexpr std::uint16_t kVideoBarPlay = 1;     // bar with the play button (and a bordered picture)
constexpr std::uint16_t kVideoBarMenu = 2;     // bar with the play and the menu button
constexpr std::uint16_t kVideoLoop = 4;        // rewound and played again after each completion
constexpr std::uint16_t kVideoAutoplay = 8;    // starts playing at the first paint
constexpr std::uint16_t kVideoDiskOnly = 16;   // never read from the help file
constexpr std::uint16_t kVideoNoPicture = 32;  // a clip without picture (sound)

constexpr std::size_t kVideoFileNameChars = 17;   // 16 characters and the terminator
constexpr int kVideoBarHeight = 23;
constexpr int kVideoBarMinWidth = 37;        // play button only
constexpr int kVideoBarMenuMinWidth = 58;    // play and menu button
constexpr int kVideoSoundBarWidth = 120;     // a bar without picture
constexpr int kVideoPlayButtonSize = 20;     // the play button of a clip without picture and bar

struct VideoParams {
    std::string file;         // as written (directory included), blanks around it trimmed
    std::uint16_t flags = 0;
    // The name without directory, lower-cased; cut to 16 characters (it is
    // only shown, never opened).
    char fileName[kVideoFileNameChars] = "";
    std::string extension;    // after the name's last '.', without it; "" when none
};

// 0, or ZYL_ERR_SYNTAX when there is no ';'. The flags are the decimal
// digits after the first ';' (blanks before them skipped), kept to 16 bits.
int ParseVideoParams(const char* data, VideoParams* out);

inline bool HasVideoBar(std::uint16_t flags) { return (flags & (kVideoBarPlay | kVideoBarMenu)) != 0; }

// The four-character code of the I/O procedure for an extension (without
// its dot): its first three characters in upper case, then blanks to four
// ("avi" gives "AVI "). 0 for an empty extension.
std::uint32_t VideoIoProcCode(const char* extension);

// `value` in upper-case hexadecimal without leading zeros ("0" for 0); false
// (out empty) when it does not fit `capacity`. Aliases of MCI devices.
bool FormatHex(std::uint64_t value, char* out, std::size_t capacity);
// "file+address" with the address in hexadecimal. False (out empty) when it
// does not fit `capacity`.
bool MakeElementName(const char* file, std::uint64_t address, char* out, std::size_t capacity);
// Splits an element name at its last '+': the part before it into `name`,
// the hexadecimal number after it into `address`. False when there is no
// '+', the number is missing, too long or followed by anything, or the name
// does not fit `capacity`.
bool SplitElementName(const char* element, char* name, std::size_t capacity, std::uint64_t* address);

// The window's layout once the clip is open: the picture window's size
// (or the play button's, or 0 x 0 without either) grows to the bar's
// minimum width, its height scaled alike; the bar (when asked for) stands
// below it.
struct VideoLayout {
    int pictureWidth, pictureHeight;   // the picture window's size after scaling
    bool resizePicture;                // it was narrower than the bar
    int width, height;                 // the whole window, bar included
    int barTop;                        // the bar's y (when there is a bar)
};
VideoLayout LayoutVideo(std::uint16_t flags, int pictureWidth, int pictureHeight);

// ---- the control bar's position track ----
constexpr int kTrackLeft = 28;           // with the play button only
constexpr int kTrackLeftWithMenu = 49;   // with the menu button
constexpr int kTrackRightMargin = 7;     // the track ends this far from the right edge
constexpr int kMarkWidth = 8, kMarkHeight = 15, kMarkTop = 3;

// x of the mark's left edge for a position: track left + the position's
// share of the track (rounded down) - 4. A position outside [0, length] is
// drawn at the nearer end; a length of 0 (or less) puts the mark at the
// track's left end. A track without width keeps the mark there too.
int MarkX(int trackLeft, int trackRight, std::int64_t position, std::int64_t length);
// Whether a clip at `position` stands at its end. Some drivers end on the
// length, others (Wine's) on the last frame before it, and refuse a seek
// to the length: both count.
inline bool IsAtEnd(std::int64_t position, std::int64_t length) { return position >= length - 1; }
// The clip position a drag to `x` asks for: length x (x - left) / (right -
// left), x clamped to the track first; 0 for a track without width.
std::int64_t DragTarget(int x, int trackLeft, int trackRight, std::int64_t length);
inline int ClampToTrack(int x, int trackLeft, int trackRight) {
    return x < trackLeft ? trackLeft : (x > trackRight ? (trackRight < trackLeft ? trackLeft : trackRight) : x);
}

}  // namespace zyl
