// Lays a region's paragraphs out: words wrapped to the width, `ewc` windows
// inline like a character standing on the base line, `ewl`/`ewr` windows at
// the left/right margin with the text flowing beside them; each paragraph
// with its fonts, indents, alignment, spacing and tab stops.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace zylhost {

// A piece of one paragraph: text (plain or a link) or an embedded window.
struct FlowPiece {
    std::wstring text;   // empty for a box; '\t' moves to the next tab stop
    int link = -1;       // index of the region's link the text belongs to, -1 plain
    int box = -1;        // index into the boxes, -1 for text
    int font = -1;       // index into FlowStyle::fonts; -1 the text font (the link font for links)
    COLORREF colour = CLR_INVALID;   // the text's own colour; not set: black
};

// How a paragraph sits, in pixels.
struct FlowFormat {
    int spaceAbove = 0;
    int spaceBelow = -1;             // -1: the style's paragraph gap
    int lineSpacing = 0;             // > 0 lines at least this high, < 0 exactly this high
    int leftIndent = 0, rightIndent = 0;
    int firstIndent = 0;             // of the first line, against the left indent
    char align = 'l';                // 'l', 'c' or 'r'
    std::vector<int> tabs;           // tab stops from the left margin, ascending
    int defaultTab = 48;             // the stops past the last one
    // A new line of the paragraph before ({br}): no spacing between them and
    // no first-line indent.
    bool lineBreakBefore = false;
};

struct FlowParagraph : std::vector<FlowPiece> {
    FlowFormat format;
};

struct FlowBox {
    char align = 'c';    // 'l', 'c', 'r'
    SIZE size = {0, 0};
};

struct FlowStyle {
    HFONT textFont = nullptr;
    HFONT linkFont = nullptr;
    std::vector<HFONT> fonts;   // what FlowPiece::font names
    int margin = 8;      // left and right
    int top = 6;         // above the first line and below the last
    int paragraphGap = 6;
    int floatGap = 6;    // between a margin window and the text beside it
};

struct PlacedText {
    POINT at = {0, 0};
    SIZE extent = {0, 0};
    std::wstring text;
    int link = -1;
    int font = -1;                   // as in FlowPiece
    COLORREF colour = CLR_INVALID;
};

struct FlowResult {
    std::vector<PlacedText> texts;
    std::vector<POINT> boxes;   // top-left of each box, same order as the input
    int height = 0;             // content height including the top and bottom space
    bool empty = true;          // nothing at all to show
};

// `dc` measures the text (the fonts are selected into it in turn).
FlowResult Flow(HDC dc, const std::vector<FlowParagraph>& paragraphs, const std::vector<FlowBox>& boxes,
                int width, const FlowStyle& style);

}  // namespace zylhost
