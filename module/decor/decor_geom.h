// Where the watermark pictures of a help window's region go: the placement
// of one picture in its area, the shrinking of a picture that does not fit,
// the cells of the frame mode, the popup's reduced area, the rectangle a
// region's pictures cover and what must be repainted when the text scrolls
// under a fixed picture. Portable: the painter (decor/paint.cpp) only draws
// what these say.
#pragma once
#include <cstdint>

namespace zyl {

struct DecorRect {
    std::int32_t left, top, right, bottom;
};

// Picture flags as the author gives them to ZylWatermark, stored unchanged.
constexpr std::uint16_t kDecorModeMask = 0x000F;     // placement mode 0..15
constexpr std::uint16_t kDecorNsr = 0x0010;          // for the non-scrolling region
constexpr std::uint16_t kDecorFileWide = 0x0020;     // stays for the whole help file
constexpr std::uint16_t kDecorFixed = 0x0040;        // stays put while the text scrolls
constexpr std::uint16_t kDecorTransparent = 0x0080;  // its transparent colour is left out
constexpr int kDecorModeTile = 0;
constexpr int kDecorModeFrame = 10;

inline int PlacementMode(std::uint16_t flags) { return flags & kDecorModeMask; }
// Tiles and frames are drawn as many copies; every other mode as one.
inline bool IsRepeated(std::uint16_t flags) {
    return PlacementMode(flags) == kDecorModeTile || PlacementMode(flags) == kDecorModeFrame;
}

// The size a w x h picture is drawn at in `area`: tiles and frames keep the
// picture's size; any other mode shrinks a picture wider than the area to
// its width, then one taller than the area to its height, keeping the
// aspect ratio (integer division). Sizes never drop below 1 by 1.
void FitToArea(std::int32_t* width, std::int32_t* height, const DecorRect& area, std::uint16_t flags);

// The top-left corner of a w x h picture in `area`: centred, or at the
// right or bottom edge, only along an axis where the area is larger than
// the picture; otherwise at the area's left and top. True for the repeated
// modes (0 and 10), which start at the area's top-left corner.
bool LayoutPicture(std::int32_t* x, std::int32_t* y, std::int32_t width, std::int32_t height, const DecorRect& area,
                   std::uint16_t flags);

// The frame mode: the picture is cut into 3 x 3 cells of (w / 3) x (h / 3);
// corner cells go to the area's corners, edge cells repeat along its edges
// from the top-left corner, the last of each row and column moved back to
// end exactly at the area's edge. Inner cells are not drawn, so a walk
// visits only the cells along the edges.
struct FrameCell {
    std::int32_t x, y;      // where the cell goes
    int column, row;        // its source cell in the picture's grid, 0..2 each
};

class FrameWalk {
public:
    FrameWalk(std::int32_t width, std::int32_t height, const DecorRect& area);
    // The next cell to draw; false when the walk is over (at once for a
    // picture less than 3 pixels wide or high, or an empty area).
    bool Next(FrameCell* cell);
    std::int32_t cellWidth() const { return cols_.step; }
    std::int32_t cellHeight() const { return rows_.step; }

private:
    // One axis of the grid: positions from the near edge in steps, the
    // last one moved back to end at the far edge.
    struct Axis {
        std::int32_t start, end, step;
        std::int32_t pos = 0;
        int part = 0;           // 0 first, 1 middle, 2 last
        bool started = false, done = false;
        bool Next();
    };
    Axis rows_, cols_;
    bool live_;
    bool rowOpen_ = false;
};

// A popup's drawing area: the host draws the popup's frame and shadow in
// its client area, so the right and bottom lose 6 pixels under a newer
// shell, else three quarters of the vertical scroll bar's width and the
// horizontal one's height; then every side loses 2.
DecorRect PopupArea(const DecorRect& client, bool newerShell, std::int32_t vScrollWidth, std::int32_t hScrollHeight);

// A region's picture as the bounds see it: absent, or loaded at w x h.
struct PictureLayer {
    bool present;
    std::int32_t width, height;
    std::uint16_t flags;
};

// The rectangle of `client` that a region decoration's pictures cover: the
// per-topic picture, and under it the file-wide one when the per-topic
// picture is transparent (0x80); without a per-topic picture the file-wide
// one. A repeated picture covers the whole client area. False when nothing
// is covered.
bool DecorationBoundsOf(const PictureLayer& fileWide, const PictureLayer& perTopic, const DecorRect& client,
                        DecorRect* bounds);

// Pictures over 32-bit pixels (the painter's back buffer). A picture is
// its colour, black where it is transparent, and for a transparent picture
// a mask that keeps the destination (all ones) where it is transparent and
// nothing elsewhere: each destination pixel becomes (pixel AND keep) OR
// colour. Nothing is written outside `clip`, the area or the buffer.
struct PixelBuffer {
    std::uint32_t* bits;      // top-down rows of `width` pixels
    std::int32_t width, height;
};
struct PicturePixels {
    const std::uint32_t* colour;   // top-down rows of `width` pixels
    const std::uint32_t* keep;     // the same layout; null for an opaque picture
    std::int32_t width, height;
};
// Copies at the picture's size repeated from the area's top-left corner.
void TilePixels(const PixelBuffer& dst, const DecorRect& area, const DecorRect& clip, const PicturePixels& picture);
// The `from` part of the picture onto `to`, stretched to the nearest pixel
// when the sizes differ.
void BlitPixels(const PixelBuffer& dst, const DecorRect& to, const PicturePixels& picture, const DecorRect& from,
                const DecorRect& clip);

// What a topic region repaints before it scrolls with a fixed picture in
// `bounds`: for a line up or down (codes 0 and 1) the bounds grown by 20
// pixels at both ends along the scroll direction, for any other scroll code
// the bounds stretched over the client area along it; clipped to `client`.
constexpr std::int32_t kFixedLineMargin = 20;
DecorRect FixedScrollRect(const DecorRect& bounds, const DecorRect& client, bool vertical, int scrollCode);

}  // namespace zyl
