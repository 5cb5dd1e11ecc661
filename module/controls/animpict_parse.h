// Parameter strings of the movie control (ZYL3_ANIMATION32) and the picture
// control (ZYL3_ANIMPICT32), and the small rules both controls share that
// need no window: where a frame sits in the picture, and which help file a
// hot spot's popup comes from.
//
// Portable: no <windows.h>. The parsers are pure functions of the author's
// string; the one thing they cannot know themselves, whether the picture
// named by the file field can be shown, they ask through a `PictureProbe`
// at the moment the file field has been read, so that errors come out in
// field order (a missing picture before a bad number of columns).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "resources/resource.h"

namespace zyl {

// Flags of both controls (values add up; others have no effect).
enum AnimPictFlag : std::uint16_t {
    kPictLoop = 1,          // after the last frame start again at frame 0
    kPictTransparent = 2,   // the top-left pixel's colour is drawn transparent
    kPictClickable = 32,    // a click runs the macro; the hand cursor always shows
};

struct PictureProbe {
    void* context;
    // Called once, with the file field as written (spaces already removed
    // for the movie control). True when the picture can be loaded.
    bool (*load)(void* context, const char* name);
};

// file;columns;rows;frames;delay;flags
struct MovieParams {
    std::string file;
    std::int32_t columns = 1;
    std::int32_t rows = 1;
    std::int32_t frames = 1;
    std::int32_t delay = 0;      // ms per frame; 0 = a click shows the next frame
    std::uint16_t flags = 0;
};

// file;flags;macro
struct PictParams {
    std::string file;
    std::uint16_t flags = 0;
    bool hasMacro = false;       // flag 32 and a non-empty macro
    std::string macro;           // the rest after the second ';', kept only with flag 32
};

// Both return 0 or the first error in field order: ZYL_ERR_SYNTAX for a
// missing ';' (every field but the last ends with one),
// ZYL_ERR_MISSING_BITMAP when the probe refuses the picture, ZYL_ERR_COLUMNS,
// _ROWS or _FRAMES for a columns, rows or frames field that reads as 0. Fields after the first error are not read; `out` keeps what was
// read before it.
int ParseMovieParams(const char* data, const PictureProbe& probe, MovieParams* out);
int ParsePictParams(const char* data, const PictureProbe& probe, PictParams* out);

// An unsigned decimal number at the start of [text, end): leading white
// space skipped, digits read up to the first other character. No digits
// read as 0; a value past 2^31 - 1 reads as 2^31 - 1.
std::int32_t ReadFieldNumber(const char* text, const char* end);

// Top-left corner of frame `frame` in the picture: cells of frameWidth x
// frameHeight, `columns` per row, left to right, top to bottom. False when
// the corner lies outside what a 32-bit coordinate holds (a frames value
// far beyond the grid), or for a columns value below 1.
bool FramePosition(std::int32_t frame, std::int32_t columns, std::int32_t frameWidth, std::int32_t frameHeight,
                   std::int32_t* x, std::int32_t* y);

// The help file a hot spot's popup topic is taken from: the path split into
// drive, directory, name and extension; a name "ZYL3" or "PONDFLY" (ASCII
// case ignored) gets an "X" appended, any other name starting with "ZYL3"
// becomes "ZYL3X", every other name stays. At most 255 characters are
// written (and a terminator); `capacity` 0 writes nothing. Returns the
// length written.
std::size_t CompanionHelpFile(const char* helpFile, char* out, std::size_t capacity);

}  // namespace zyl
