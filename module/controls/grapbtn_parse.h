// The graphic button (ZYL3_ANIMGRAPBTN32) and the contents button
// (ZYL3_ANIMTOCBUTTON32): their parameter strings and the geometry of the
// button they both draw, none of which needs a window. Portable: no
// <windows.h>.
//
// The button is a frame 4 pixels wide around its content. The content holds
// a picture placed at one of nine positions and a label wrapped over as many
// lines as fit, placed by an alignment of the same nine values:
//   1 centre; 2 top left; 3 top centre; 4 top right; 5 middle left;
//   6 middle right; 7 bottom left; 8 bottom centre; 9 bottom right.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "resources/resource.h"

namespace zyl {

// Option bits (hexadecimal in the parameter string).
constexpr std::uint16_t kGrapBtnPositionMask = 0x000F;   // picture position; 1 also means no label
constexpr std::uint16_t kGrapBtnAlignMask = 0x00F0;      // label alignment x 16
constexpr std::uint16_t kGrapBtnBold = 0x1000;           // the author's face at weight 700, else 100
constexpr std::uint16_t kGrapBtnTransparent = 0x2000;    // the picture's top-left colour is left out
constexpr std::uint16_t kGrapBtnFrameWindow = 0x4000;    // a press asks the host frame instead of capturing
constexpr std::uint16_t kGrapBtnPressed = 0x8000;        // the control's own; never taken from the author
// The contents button's fixed options: centred, transparent, frame-window mode.
constexpr std::uint16_t kTocButtonFlags = 0x6001;

constexpr std::size_t kGrapBtnLabelChars = 129;     // 128 characters and the terminator
constexpr std::size_t kGrapBtnFaceChars = 33;       // 32 characters and the terminator
constexpr std::size_t kGrapBtnPictureChars = 16;    // 15 characters and the terminator
// Content sizes, given or grown from the label, stop here: the button's
// picture is one memory bitmap of its whole size.
constexpr std::int32_t kGrapBtnMaxContent = 4096;
constexpr std::int32_t kGrapBtnMaxFontHeight = 1024;   // either sign
constexpr int kGrapBtnEdge = 4;                        // frame and bevel around the content

inline int PicturePosition(std::uint16_t flags) { return flags & kGrapBtnPositionMask; }
inline int LabelAlignment(std::uint16_t flags) { return (flags & kGrapBtnAlignMask) >> 4; }

// How the button looks: plain data, kept in the control's record.
struct GrapBtnLook {
    std::int32_t widthSetting;    // content width; 0 = automatic
    std::int32_t heightSetting;   // content height; 0 = automatic
    std::int32_t fontHeight;      // for the author's face (CreateFont's sign rule)
    std::uint32_t textColour;     // colour values, red in the low byte
    std::uint32_t shadowColour;
    std::uint16_t flags;
    char face[kGrapBtnFaceChars];     // "" = the default font
    char label[kGrapBtnLabelChars];   // '|' already turned into ','
};

struct GrapBtnParams {
    GrapBtnLook look;
    char picture[kGrapBtnPictureChars];          // "" = none
    char pressedPicture[kGrapBtnPictureChars];   // contents button only
    std::string macro;                           // graphic button only; "" = none
};

// label;width;height;face;fontheight;textcolour;shadowcolour;picture;flags;macro
// Returns 0 or ZYL_ERR_SYNTAX: fewer than nine ';', a face longer than 32
// characters or a picture name longer than 15 (a name cut short would name
// another font or file). A label longer than 128 characters is cut. Nothing
// is trimmed. Numbers: blanks, an optional sign, decimal digits, clamped to
// 0..kGrapBtnMaxContent for the sizes and to +-kGrapBtnMaxFontHeight for
// the font height. Colours and flags: blanks, an optional "0x", hexadecimal
// digits; colours keep their low 24 bits, the flags lose the pressed bit.
int ParseGrapBtnParams(const char* data, GrapBtnParams* out);
// up;down: two picture names (15 characters at most each, "" = none).
// Returns 0 or ZYL_ERR_SYNTAX (no ';', a name too long). The look is the
// contents button's: kTocButtonFlags, automatic size, no label.
int ParseTocButtonParams(const char* data, GrapBtnParams* out);

// ---- geometry ----

struct GrapBtnRect {
    int left, top, right, bottom;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// The content size from the settings, the picture's size (0 x 0 without
// one), the font's character height and the label's extent (0 without a
// label), and the button's (the content and the edges around it).
struct GrapBtnSize {
    int contentWidth, contentHeight;
    int buttonWidth, buttonHeight;
};
GrapBtnSize MeasureGrapBtn(const GrapBtnLook& look, int pictureWidth, int pictureHeight, int charHeight,
                           int labelExtent);

// Top-left corner of a picture of that size placed by `position` in the
// content rectangle.
void PlacePicture(int position, const GrapBtnRect& content, int pictureWidth, int pictureHeight, int* x, int* y);
// The content rectangle less the picture's side of it: what the label gets.
GrapBtnRect LabelRoom(int position, const GrapBtnRect& content, int pictureWidth, int pictureHeight);
// How far a line of `textWidth` moves right in a rectangle `width` wide.
int AlignLine(int alignment, int width, int textWidth);
// How far the label's block of `textHeight` moves down in its room.
int AlignLabelBlock(int alignment, int roomHeight, int textHeight);

// The label's lines in a rectangle `width` wide and `height` high, each
// `lineHeight` high: a line ends at its last space once the text from its
// start up to the current character is at least `width` wide; a word that
// has no space before it on its line stands alone on it (up to the next
// space), however wide. Lines that do not fit the height are dropped.
struct LabelLine {
    std::size_t start, length;
};
struct TextMeasure {
    void* context;
    int (*width)(void* context, const char* text, std::size_t length);
};
std::vector<LabelLine> WrapLabel(const char* label, int width, int height, int lineHeight, const TextMeasure& measure);

}  // namespace zyl
