// The bullet list (ZYL3_ANIMBULLET32) without a window: its bullet file,
// its parameter string, and the arithmetic of its layout, hit testing and
// scrolling. Portable: no <windows.h>. The author tools read bullet files
// with the same reader, so that what they accept the module shows.
//
// Bullet file (little-endian; the module reads at most 16384 bytes of it):
//   item count   16 bits, at most 62
//   style        16 bits (BulletStyle)
//   colour       32-bit colour reference, red in the low byte
//   font size    16 bits
//   face         NUL-terminated; "" = MS Sans Serif
//   window       NUL-terminated; "" = none, "popup" = every item pops up
//   items        per item: text, comment (both NUL-terminated, the text
//                not empty), topic hash (32 bits; 0 = not clickable)
//   end          one 0 byte (an empty text)
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "resources/resource.h"

namespace zyl {

constexpr int kMaxBulletItems = 62;
constexpr std::size_t kBulletHeaderBytes = 10;

enum BulletStyle : std::uint16_t {
    kBulletUnderline = 4,
    kBulletBold = 8,      // weight 700, else 100
    kBulletBlack = 16,    // text colour black (unless 32 is set too)
    kBulletColour = 32,   // text colour from the file
    kBulletItalic = 64,
};

// The text colour the style bits choose: green, black or the file's.
std::uint32_t BulletTextColour(std::uint16_t style, std::uint32_t fileColour);
// The font height for the file's size and face: twice the size when a face
// is given and the size is at least 6, else 16.
int BulletFontHeight(std::uint16_t fontSize, const char* face);

struct BulletItem {
    const char* text;        // into the bytes read; never empty
    const char* comment;     // "" when the item has none
    std::uint32_t hash;      // topic hash; 0 = not clickable
};

struct BulletFile {
    int count = 0;
    std::uint16_t style = 0;
    std::uint32_t colour = 0;
    std::uint16_t fontSize = 0;
    const char* face = "";
    const char* window = "";
    BulletItem items[kMaxBulletItems] = {};   // items[0] is item 1
};

// Why a bullet file is refused. The module shows every one of them as
// "Missing or corrupted bullet file".
enum class BulletFault {
    kNone,
    kShortHeader,     // fewer than 10 bytes
    kTooManyItems,    // a count above 62
    kUnterminated,    // a string runs to the end of the bytes without its NUL
    kCutItem,         // the bytes end inside an item's topic hash
    kFewerItems,      // the items end (empty text, or the end of the bytes) before the count
    kMoreItems,       // another item follows the last one counted
};

// Reads the first `size` bytes of a bullet file (the bytes actually read,
// at most the module's 16384); nothing at or past bytes[size] is read. The
// final end byte may be missing (the block behind it is zero); anything
// after it is ignored. On success the strings of `out` point into `bytes`.
BulletFault ReadBulletFile(const std::uint8_t* bytes, std::size_t size, BulletFile* out);
// An author's explanation of a fault ("" for kNone).
const char* BulletFaultText(BulletFault fault);

// ---- the parameter string: file;width;height;flags ----

enum BulletFlag : std::uint16_t {
    kBulletBorder = 1,     // a border around the list
    kBulletFixedSize = 2,  // use the width and height given; a taller list scrolls
    kBulletAllPopups = 4,  // every item shows as a popup
};

struct BulletParams {
    std::string file;
    std::int32_t width = 0;    // as read (strtoul, 32 bits)
    std::int32_t height = 0;
    std::uint16_t flags = 0;
};

// Reads the bullet file named by the first field, at the moment that field
// is read: 0, or the error id to show.
struct BulletFileProbe {
    void* context;
    int (*load)(void* context, const char* name);
};

// Returns 0 or the first error in field order: ZYL_ERR_SYNTAX for a ';'
// missing after the file name, the probe's error, then ZYL_ERR_SYNTAX for a
// ';' missing after the width or the height. An empty flags field is 0.
int ParseBulletParams(const char* data, const BulletFileProbe& probe, BulletParams* out);

// ---- layout ----

struct BulletLayout {
    int lineHeight = 12;        // character height, at least 12; items are lineHeight + 1 apart
    int width = 0, height = 0;  // the window's size
    bool scrolling = false;     // a vertical scroll bar
    int scrollRange = 0;        // content height - shown height
    int page = 0;               // the page step
};

// The window's size for items of the given text widths, the font's
// character height and the system's scroll bar width.
BulletLayout LayoutBulletList(const BulletParams& params, const int* textWidths, int count, int charHeight,
                              int scrollBarWidth);

// Top of item `index` (1-based) in client coordinates at that scroll position.
inline int BulletItemTop(int index, int lineHeight, int scrollPos) {
    return 1 - scrollPos + (index - 1) * (lineHeight + 1);
}

// The item (1-based) whose text a client point lies on, or 0: the text
// runs from x 24 over its width; rows lineHeight + 1 high; only items that
// show between the client's top and `clientBottom`.
int BulletItemAt(const int* textWidths, int count, int lineHeight, int scrollPos, int clientBottom, int x, int y);

// The scroll position a WM_VSCROLL request code asks for, clamped to
// 0 ... range. `thumb` is the position the request carries (codes 4, 5).
int BulletScrollPosition(int request, int thumb, int position, const BulletLayout& layout);

}  // namespace zyl
