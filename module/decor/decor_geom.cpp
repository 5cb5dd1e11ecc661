#include "decor/decor_geom.h"

#include <algorithm>

namespace zyl {

namespace {

std::int32_t Scaled(std::int64_t value, std::int64_t numerator, std::int64_t denominator) {
    if (denominator <= 0) return 1;
    const std::int64_t v = value * numerator / denominator;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, 1, INT32_MAX));
}

// Where a length goes along one axis: 0 near edge, 1 centred, 2 far edge.
std::int32_t Place(std::int32_t nearEdge, std::int32_t farEdge, std::int32_t length, int where) {
    if (where == 0 || static_cast<std::int64_t>(farEdge) - nearEdge <= length) return nearEdge;
    if (where == 1) return static_cast<std::int32_t>((static_cast<std::int64_t>(nearEdge) + farEdge - length) >> 1);
    return farEdge - length;
}

// One run of a picture's row over the destination: a plain walk over
// arrays that do not overlap, which the compiler can widen.
#define ZYL_BLEND_LOOP(d, a, o, n) \
    for (std::int32_t i = 0; i < (n); ++i) (d)[i] = ((d)[i] & (a)[i]) | (o)[i]

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
// A transparent texture laid over a whole screen is the erase's largest
// pass: where the processor has 256-bit registers the same walk takes
// twice the pixels a step.
__attribute__((target("avx2"))) void BlendWide(std::uint32_t* __restrict d, const std::uint32_t* __restrict a,
                                               const std::uint32_t* __restrict o, std::int32_t n) {
    ZYL_BLEND_LOOP(d, a, o, n);
}

bool HasWideRegisters() {
    static const bool wide = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return wide;
}
#else
void BlendWide(std::uint32_t*, const std::uint32_t*, const std::uint32_t*, std::int32_t) {}
bool HasWideRegisters() { return false; }
#endif

void Blend(std::uint32_t* __restrict d, const std::uint32_t* __restrict a, const std::uint32_t* __restrict o,
           std::int32_t n) {
    if (HasWideRegisters()) return BlendWide(d, a, o, n);
    ZYL_BLEND_LOOP(d, a, o, n);
}

}  // namespace

void FitToArea(std::int32_t* width, std::int32_t* height, const DecorRect& area, std::uint16_t flags) {
    if (*width < 1) *width = 1;
    if (*height < 1) *height = 1;
    if (IsRepeated(flags)) return;
    const std::int64_t areaWidth = static_cast<std::int64_t>(area.right) - area.left;
    const std::int64_t areaHeight = static_cast<std::int64_t>(area.bottom) - area.top;
    if (*width > areaWidth) {
        const std::int32_t w = static_cast<std::int32_t>(std::max<std::int64_t>(areaWidth, 1));
        *height = Scaled(w, *height, *width);
        *width = w;
    }
    if (*height > areaHeight) {
        const std::int32_t h = static_cast<std::int32_t>(std::max<std::int64_t>(areaHeight, 1));
        *width = Scaled(h, *width, *height);
        *height = h;
    }
}

bool LayoutPicture(std::int32_t* x, std::int32_t* y, std::int32_t width, std::int32_t height, const DecorRect& area,
                   std::uint16_t flags) {
    // Per mode: horizontal and vertical placement (0 near, 1 centre, 2 far).
    static const std::uint8_t kPlaces[16][2] = {
        {0, 0}, {1, 1}, {0, 0}, {1, 0}, {2, 0}, {0, 1}, {2, 1}, {0, 2},
        {1, 2}, {2, 2}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0},
    };
    const int mode = PlacementMode(flags);
    *x = Place(area.left, area.right, width, kPlaces[mode][0]);
    *y = Place(area.top, area.bottom, height, kPlaces[mode][1]);
    return IsRepeated(flags);
}

bool FrameWalk::Axis::Next() {
    if (done) return false;
    if (!started) {
        started = true;
        pos = start;
        part = 0;
        return true;
    }
    const std::int64_t next = static_cast<std::int64_t>(pos) + step;
    if (next + step >= end) {
        // The last cell ends exactly at the far edge, even when that puts
        // it over the one before (an area narrower than two cells).
        pos = end - step;
        part = 2;
        done = true;
    } else {
        pos = static_cast<std::int32_t>(next);
        part = 1;
    }
    return true;
}

FrameWalk::FrameWalk(std::int32_t width, std::int32_t height, const DecorRect& area)
    : rows_{area.top, area.bottom, height / 3}, cols_{area.left, area.right, width / 3} {
    live_ = cols_.step > 0 && rows_.step > 0 && area.right > area.left && area.bottom > area.top;
}

bool FrameWalk::Next(FrameCell* cell) {
    while (live_) {
        if (!rowOpen_) {
            if (!rows_.Next()) break;
            cols_.started = cols_.done = false;
            rowOpen_ = true;
        }
        if (!cols_.Next()) {
            rowOpen_ = false;
            continue;
        }
        // Inside a middle row only the first and last columns are drawn:
        // jump from the first straight to the last.
        if (rows_.part == 1 && cols_.part == 1) {
            cols_.pos = cols_.end - cols_.step;
            cols_.part = 2;
            cols_.done = true;
        }
        cell->x = cols_.pos;
        cell->y = rows_.pos;
        cell->column = cols_.part;
        cell->row = rows_.part;
        return true;
    }
    live_ = false;
    return false;
}

DecorRect PopupArea(const DecorRect& client, bool newerShell, std::int32_t vScrollWidth, std::int32_t hScrollHeight) {
    DecorRect area = client;
    area.right -= newerShell ? 6 : (3 * vScrollWidth) >> 2;
    area.bottom -= newerShell ? 6 : (3 * hScrollHeight) >> 2;
    area.left += 2;
    area.top += 2;
    area.right -= 2;
    area.bottom -= 2;
    return area;
}

bool DecorationBoundsOf(const PictureLayer& fileWide, const PictureLayer& perTopic, const DecorRect& client,
                        DecorRect* bounds) {
    DecorRect r = {32767, 32767, 0, 0};
    const PictureLayer* layers[2] = {nullptr, nullptr};
    if (perTopic.present) {
        if (perTopic.flags & kDecorTransparent) layers[0] = &fileWide;
        layers[1] = &perTopic;
    } else {
        layers[0] = &fileWide;
    }
    for (const PictureLayer* layer : layers) {
        if (!layer || !layer->present || layer->width <= 0 || layer->height <= 0) continue;
        if (IsRepeated(layer->flags)) {
            r = client;
            continue;
        }
        std::int32_t w = layer->width, h = layer->height, x = 0, y = 0;
        FitToArea(&w, &h, client, layer->flags);
        LayoutPicture(&x, &y, w, h, client, layer->flags);
        r.left = std::min(r.left, x);
        r.top = std::min(r.top, y);
        r.right = std::max(r.right, x + w);
        r.bottom = std::max(r.bottom, y + h);
    }
    *bounds = r;
    return r.right != 0 || r.bottom != 0;
}

namespace {

// The part of `r` inside `clip` and the buffer; false when empty.
bool Visible(const PixelBuffer& dst, const DecorRect& r, const DecorRect& clip, DecorRect* out) {
    out->left = std::max({r.left, clip.left, 0});
    out->top = std::max({r.top, clip.top, 0});
    out->right = std::min({r.right, clip.right, dst.width});
    out->bottom = std::min({r.bottom, clip.bottom, dst.height});
    return dst.bits && out->left < out->right && out->top < out->bottom;
}

// n pixels of a picture row from `column` on over the destination.
void Row(std::uint32_t* d, const PicturePixels& p, std::int32_t row, std::int32_t column, std::int32_t n) {
    const std::uint32_t* colour = p.colour + static_cast<std::size_t>(row) * p.width;
    if (!p.keep) {
        std::copy(colour + column, colour + column + n, d);
    } else {
        Blend(d, p.keep + static_cast<std::size_t>(row) * p.width + column, colour + column, n);
    }
}

}  // namespace

void TilePixels(const PixelBuffer& dst, const DecorRect& area, const DecorRect& clip, const PicturePixels& picture) {
    DecorRect v;
    if (!picture.colour || picture.width <= 0 || picture.height <= 0 || !Visible(dst, area, clip, &v)) return;
    for (std::int32_t y = v.top; y < v.bottom; ++y) {
        const std::int32_t row = (y - area.top) % picture.height;
        std::uint32_t* d = dst.bits + static_cast<std::size_t>(y) * dst.width;
        std::int32_t column = (v.left - area.left) % picture.width;
        for (std::int32_t x = v.left; x < v.right; column = 0) {
            const std::int32_t n = std::min(picture.width - column, v.right - x);
            Row(d + x, picture, row, column, n);
            x += n;
        }
    }
}

void BlitPixels(const PixelBuffer& dst, const DecorRect& to, const PicturePixels& picture, const DecorRect& from,
                const DecorRect& clip) {
    DecorRect v;
    const std::int64_t fw = static_cast<std::int64_t>(from.right) - from.left, fh = static_cast<std::int64_t>(from.bottom) - from.top;
    const std::int64_t tw = static_cast<std::int64_t>(to.right) - to.left, th = static_cast<std::int64_t>(to.bottom) - to.top;
    if (!picture.colour || fw <= 0 || fh <= 0 || tw <= 0 || th <= 0 || from.left < 0 || from.top < 0 ||
        from.right > picture.width || from.bottom > picture.height || !Visible(dst, to, clip, &v))
        return;
    const bool same = fw == tw && fh == th;
    for (std::int32_t y = v.top; y < v.bottom; ++y) {
        const std::int64_t sy = from.top + (y - to.top) * fh / th;
        const std::size_t row = static_cast<std::size_t>(sy) * picture.width;
        std::uint32_t* d = dst.bits + static_cast<std::size_t>(y) * dst.width;
        if (same) {
            Row(d + v.left, picture, static_cast<std::int32_t>(sy), from.left + (v.left - to.left), v.right - v.left);
            continue;
        }
        for (std::int32_t x = v.left; x < v.right; ++x) {
            const std::size_t at = row + static_cast<std::size_t>(from.left + (x - to.left) * fw / tw);
            d[x] = picture.keep ? (d[x] & picture.keep[at]) | picture.colour[at] : picture.colour[at];
        }
    }
}

DecorRect FixedScrollRect(const DecorRect& bounds, const DecorRect& client, bool vertical, int scrollCode) {
    DecorRect r = bounds;
    const bool line = scrollCode == 0 || scrollCode == 1;
    if (vertical) {
        r.top = line ? r.top - kFixedLineMargin : client.top;
        r.bottom = line ? r.bottom + kFixedLineMargin : client.bottom;
    } else {
        r.left = line ? r.left - kFixedLineMargin : client.left;
        r.right = line ? r.right + kFixedLineMargin : client.right;
    }
    r.left = std::max(r.left, client.left);
    r.top = std::max(r.top, client.top);
    r.right = std::min(r.right, client.right);
    r.bottom = std::min(r.bottom, client.bottom);
    return r;
}

}  // namespace zyl
