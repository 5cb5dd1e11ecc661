// The animated text (ZYL3_ANIMATETEXT32): its parameter string and the
// rules of the reveal, none of which needs a window. Portable: no
// <windows.h>.
//
// The line slides in one character per tick: without kTextFromEnd its
// first characters show, right-aligned, so the text enters at the right
// edge; with it its last characters show from the left edge.
#pragma once
#include <cstddef>
#include <cstdint>

#include "resources/resource.h"

namespace zyl {

enum AnimTextFlag : std::uint16_t {
    kTextBold = 1,          // weight 700, else 100
    kTextFromEnd = 4,       // reveal the last characters first, from the left edge
    kTextSeeThrough = 8,    // the region's background behind the glyphs, else white
};

// The line is drawn from a buffer of 132 bytes: longer texts are cut.
constexpr std::size_t kAnimTextChars = 131;
constexpr std::size_t kAnimFaceChars = 31;          // LOGFONT's face, less its terminator
// Font sizes beyond this (either sign) give a bitmap no screen shows.
constexpr std::int32_t kAnimTextMaxFontSize = 1024;

// text;face;size;colour;period;flags
struct AnimTextParams {
    char text[kAnimTextChars + 1];   // cut to kAnimTextChars
    std::int32_t length;             // of `text`
    char face[kAnimFaceChars + 1];   // cut to kAnimFaceChars
    std::int32_t size;               // CreateFont's height: negative asks for the character height
    std::uint32_t colour;            // red in the low byte; 24 bits kept
    std::uint32_t period;            // ms between ticks; 0 = no timer
    std::uint16_t flags;
};

// Returns 0 or the first error in field order: ZYL_ERR_SYNTAX when one of
// the five ';' is missing, ZYL_ERR_FONT_SIZE for a size that reads as 0 or
// beyond kAnimTextMaxFontSize. Numbers as strtoul reads them: size, period
// and flags decimal, colour hexadecimal. The flags field runs to the end.
int ParseAnimText(const char* data, AnimTextParams* out);

// The characters shown after `shown` ticks' worth of reveal (1 at the
// start): [*start, *start + *count) of a text of `length`.
void RevealedPart(std::int32_t length, std::int32_t shown, std::uint16_t flags, std::int32_t* start,
                  std::int32_t* count);
// Where the shown part starts in a line `width` wide (text 1 pixel in from
// either edge): the left edge with kTextFromEnd, else right-aligned.
std::int32_t RevealX(std::int32_t width, std::int32_t extent, std::uint16_t flags);

}  // namespace zyl
