// The comment tip (ZYL3_HELPCOMMENT) without a window: how a comment wraps
// into lines, how tall the balloon is and where it goes beside the bullet
// list. Portable: no <windows.h>; the caller measures text in its font.
#pragma once
#include <cstddef>
#include <vector>

namespace zyl {

constexpr int kTipBodyWidth = 150;
constexpr int kTipTextWidth = 146;      // the body less its edges
constexpr int kTipPointerWidth = 20;
constexpr int kTipPointerHeight = 9;
constexpr int kTipMinimumHeight = 29;

// Width in pixels of text[0, length) in the tip's font.
struct TextMeasure {
    void* context;
    int (*width)(void* context, const char* text, int length);
};

struct TipLine {
    int start = 0;
    int length = 0;
};

// Wraps a comment: at each character beyond a line's start, if the text
// from the line's start up to that character is `maxWidth` pixels or wider,
// the line ends at the last blank seen on it and the next one starts after
// that blank. A line with no blank to break at (one long word) ends before
// the character that made it too wide.
// What is left is the last line; an empty comment is one empty line.
std::vector<TipLine> WrapComment(const char* text, const TextMeasure& measure, int maxWidth = kTipTextWidth);

// The body's height for `lines` lines of `charHeight`: 3 + lines x
// (charHeight + 1) + 2, at least 29.
int TipBodyHeight(int lines, int charHeight);

struct TipPlacement {
    int bodyX = 0, bodyY = 0;        // screen position of the body (150 x bodyHeight)
    int anchor = 0;                  // where the pointer meets the body, from its top
    int pointerX = 0, pointerY = 0;  // screen position of the pointer (20 x 9)
};

// Places the tip to the left of a list whose client origin is (originX,
// originY) on the screen, pointing at the middle of the item whose top is
// `itemTop` (client coordinates). A body that would pass the screen's
// bottom moves up to end 2 pixels above it; the pointer stays on the item.
TipPlacement PlaceCommentTip(int originX, int originY, int itemTop, int lineHeight, int bodyHeight,
                             int screenHeight);

}  // namespace zyl
