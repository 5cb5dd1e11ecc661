#include "decor/paint.h"

#include <new>
#include <vector>

#include "core/gdiobj.h"
#include "core/handler.h"
#include "core/platform.h"
#include "decor/decor_geom.h"
#include "imaging/picturecache.h"

namespace zyl {

namespace {

constexpr int kCachedPictures = 8;

DecorRect Decor(const RECT& r) { return DecorRect{r.left, r.top, r.right, r.bottom}; }

// The size of a loaded picture's first frame: a picture control may have
// loaded every frame of the file into one strip, and a watermark is the
// first frame.
bool FirstFrame(const PictureEntry& entry, BITMAP* bm, SIZE* size) {
    if (!entry.bitmap || GetObjectA(entry.bitmap, sizeof *bm, bm) != sizeof *bm || bm->bmWidth <= 0 || bm->bmHeight <= 0)
        return false;
    size->cx = entry.frameWidth > 0 && entry.frameWidth <= bm->bmWidth ? entry.frameWidth : bm->bmWidth;
    size->cy = entry.frameHeight > 0 && entry.frameHeight <= bm->bmHeight ? entry.frameHeight : bm->bmHeight;
    return true;
}

// The pixels of a picture's first frame as the painter lays them over its
// buffer: opaque, or transparent with the colour the placement chooses
// (the picture's own, else its top-left pixel, or its centre pixel for a
// frame).
struct CachedPicture {
    PictureEntry* entry = nullptr;
    bool transparent = false, centre = false;
    std::int32_t width = 0, height = 0;
    std::vector<std::uint32_t> colour, keep;
    unsigned lastUse = 0;

    PicturePixels Pixels() const {
        return PicturePixels{colour.data(), keep.empty() ? nullptr : keep.data(), width, height};
    }
};

// A 32-bit top-down DIB section of w x h pixels.
HBITMAP CreatePixels(HDC dc, int width, int height, void** bits) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(dc, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
}

// A colour as the display keeps it, in the layout of 32-bit pixels: the
// transparent colour is compared with pixels that went through the
// display's format (five bits a channel, say).
std::uint32_t DisplayPixel(HDC dc, COLORREF colour) {
    void* bits = nullptr;
    OwnedDC memory(CreateCompatibleDC(dc));
    Bitmap device(CreateCompatibleBitmap(dc, 1, 1));
    Bitmap pixel(CreatePixels(dc, 1, 1, &bits));
    {
        Selected selected(memory.get(), device.get());
        SetPixelV(memory.get(), 0, 0, colour);
        OwnedDC reader(CreateCompatibleDC(dc));
        Selected read(reader.get(), pixel.get());
        BitBlt(reader.get(), 0, 0, 1, 1, memory.get(), 0, 0, SRCCOPY);
        GdiFlush();
    }
    const std::uint32_t fallback = (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
    return bits ? *static_cast<std::uint32_t*>(bits) & 0xFFFFFF : fallback;
}

}  // namespace

// Kept per host thread between erases: the back buffer, selected into its
// own DC, and the pixels of the pictures painted last.
struct PaintState {
    OwnedDC dc;
    Bitmap buffer;
    HGDIOBJ oldBitmap = nullptr;
    std::uint32_t* bits = nullptr;
    SIZE size = {0, 0};
    CachedPicture pictures[kCachedPictures];
    unsigned uses = 0;

    ~PaintState() {
        if (oldBitmap) SelectObject(dc.get(), oldBitmap);
    }

    // The buffer, grown to hold w x h; false when it cannot be.
    bool Reserve(HDC like, int width, int height) {
        if (buffer && size.cx >= width && size.cy >= height) return true;
        if (!dc) dc.reset(CreateCompatibleDC(like));
        if (!dc) return false;
        if (oldBitmap) SelectObject(dc.get(), oldBitmap);
        oldBitmap = nullptr;
        buffer.reset();
        bits = nullptr;
        const SIZE want = {width > size.cx ? width : size.cx, height > size.cy ? height : size.cy};
        size = SIZE{0, 0};
        void* pixels = nullptr;
        buffer.reset(CreatePixels(like, want.cx, want.cy, &pixels));
        if (!buffer || !pixels || !(oldBitmap = SelectObject(dc.get(), buffer.get()))) {
            buffer.reset();
            return false;
        }
        bits = static_cast<std::uint32_t*>(pixels);
        size = want;
        return true;
    }

    PixelBuffer Pixels() const { return PixelBuffer{bits, size.cx, size.cy}; }

    // The pixels of a picture's first frame, read when first asked for and
    // kept until the least recently used of them must make room.
    const CachedPicture* Picture(InstanceRecord* inst, HDC like, PictureEntry* entry, std::uint16_t flags) {
        const bool transparent = (flags & kDecorTransparent) != 0;
        const bool centre = transparent && PlacementMode(flags) == kDecorModeFrame;
        CachedPicture* slot = &pictures[0];
        for (CachedPicture& p : pictures) {
            if (p.entry == entry && p.transparent == transparent && p.centre == centre) {
                p.lastUse = ++uses;
                return &p;
            }
            if (p.lastUse < slot->lastUse) slot = &p;
        }
        slot->entry = nullptr;
        if (!EnsurePictureLoaded(inst, entry, true) || !Read(like, entry, transparent, centre, slot)) return nullptr;
        slot->lastUse = ++uses;
        return slot;
    }

private:
    static bool Read(HDC like, PictureEntry* entry, bool transparent, bool centre, CachedPicture* out) {
        BITMAP bm;
        SIZE size;
        if (!FirstFrame(*entry, &bm, &size)) return false;
        const int w = size.cx, h = size.cy;
        void* bits = nullptr;
        Bitmap frame(CreatePixels(like, w, h, &bits));
        OwnedDC from(CreateCompatibleDC(like)), to(CreateCompatibleDC(like));
        {
            Selected source(from.get(), entry->bitmap);
            Selected target(to.get(), frame.get());
            if (!source.ok() || !target.ok() || !bits) return false;
            RealizedPalette palette(from.get(), entry->palette);
            BitBlt(to.get(), 0, 0, w, h, from.get(), 0, 0, SRCCOPY);
            GdiFlush();
        }
        const auto* pixels = static_cast<const std::uint32_t*>(bits);
        const std::size_t n = static_cast<std::size_t>(w) * h;
        out->colour.assign(pixels, pixels + n);
        for (std::uint32_t& p : out->colour) p &= 0xFFFFFF;
        out->keep.clear();
        if (transparent) {
            const std::uint32_t key = entry->transparentColour != kNoColour
                                          ? DisplayPixel(like, entry->transparentColour)
                                          : out->colour[centre ? static_cast<std::size_t>(h / 2) * w + w / 2 : 0];
            out->keep.resize(n);
            for (std::size_t i = 0; i < n; ++i) {
                const bool hole = out->colour[i] == key;
                out->keep[i] = hole ? 0xFFFFFFFFu : 0;
                if (hole) out->colour[i] = 0;
            }
        }
        out->entry = entry;
        out->transparent = transparent;
        out->centre = centre;
        out->width = w;
        out->height = h;
        return true;
    }
};

namespace {

// One picture of a decoration over the buffer, inside `area`, drawn only
// inside `clip`.
void PaintPicture(InstanceRecord* inst, PaintState* state, HDC like, PictureEntry* entry, std::uint16_t flags,
                  const DecorRect& area, const DecorRect& clip) {
    const CachedPicture* picture = state->Picture(inst, like, entry, flags);
    if (!picture) return;
    const PicturePixels pixels = picture->Pixels();
    const PixelBuffer buffer = state->Pixels();
    std::int32_t w = picture->width, h = picture->height, x = 0, y = 0;
    FitToArea(&w, &h, area, flags);
    if (!LayoutPicture(&x, &y, w, h, area, flags)) {
        const DecorRect to = {x, y, x + w, y + h};
        BlitPixels(buffer, to, pixels, DecorRect{0, 0, picture->width, picture->height}, clip);
    } else if (PlacementMode(flags) == kDecorModeTile) {
        TilePixels(buffer, area, clip, pixels);
    } else {
        FrameWalk walk(picture->width, picture->height, area);
        const std::int32_t cw = walk.cellWidth(), ch = walk.cellHeight();
        FrameCell cell;
        while (walk.Next(&cell)) {
            const DecorRect from = {cell.column * cw, cell.row * ch, (cell.column + 1) * cw, (cell.row + 1) * ch};
            BlitPixels(buffer, DecorRect{cell.x, cell.y, cell.x + cw, cell.y + ch}, pixels, from, clip);
        }
    }
}

// The pictures of a decoration, bottom first: the file-wide picture shows
// under a per-topic one that is transparent or placed (not tiled).
int PictureLayers(const RegionDecoration& d, PictureEntry* entries[2], std::uint16_t flags[2]) {
    int n = 0;
    if (d.perTopic) {
        if (d.fileWide && ((d.perTopicFlags & kDecorTransparent) || PlacementMode(d.perTopicFlags) != kDecorModeTile)) {
            entries[n] = d.fileWide;
            flags[n++] = d.fileWideFlags;
        }
        entries[n] = d.perTopic;
        flags[n++] = d.perTopicFlags;
    } else if (d.fileWide) {
        entries[n] = d.fileWide;
        flags[n++] = d.fileWideFlags;
    }
    return n;
}

}  // namespace

void ReleasePaintState(InstanceRecord* inst) {
    if (!inst || !inst->paint) return;
    delete inst->paint;
    inst->paint = nullptr;
}

void FillBackground(HWND, HDC dc, COLORREF colour, const RECT& rect) {
    if (colour == kNoColour) return;
    Brush brush(CreateSolidBrush(colour));
    if (!brush) return;
    // A colour a palette display dithers lines up with the client area's
    // corner, in the back buffer and on the screen alike.
    POINT origin = {0, 0};
    LPtoDP(dc, &origin, 1);
    POINT old;
    SetBrushOrgEx(dc, origin.x, origin.y, &old);
    FillRect(dc, &rect, brush.get());
    SetBrushOrgEx(dc, old.x, old.y, nullptr);
}

LRESULT PaintRegion(InstanceRecord* inst, HWND region, HDC dc, const RegionDecoration& decoration, WNDPROC previous,
                    bool popup) {
    PictureEntry* entries[2];
    std::uint16_t flags[2];
    const int layers = PictureLayers(decoration, entries, flags);
    RECT client, box, dirty;
    GetClientRect(region, &client);
    if (GetClipBox(dc, &box) == ERROR) box = client;
    if (!inst->paint) inst->paint = new (std::nothrow) PaintState;
    PaintState* state = inst->paint;
    // Nothing of the module's own, nothing to draw, or no memory for the
    // buffer: the host's erase as it is.
    if ((layers == 0 && decoration.colour == kNoColour) || !IntersectRect(&dirty, &client, &box) || !state ||
        !state->Reserve(dc, client.right, client.bottom))
        return CallWindowProcA(previous, region, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);

    // Only the dirty part is drawn: the host's erase and the fills are
    // clipped to it, the pictures' pixels cut at it.
    HDC draw = state->dc.get();
    SavedDC saved(draw);
    IntersectClipRect(draw, dirty.left, dirty.top, dirty.right, dirty.bottom);
    const int dw = dirty.right - dirty.left, dh = dirty.bottom - dirty.top;
    RECT area = client;
    if (popup) {
        // The host's frame and shadow in the margins stay as they are.
        BitBlt(draw, dirty.left, dirty.top, dw, dh, dc, dirty.left, dirty.top, SRCCOPY);
        CallWindowProcA(previous, region, WM_ERASEBKGND, reinterpret_cast<WPARAM>(draw), 0);
        const DecorRect a = PopupArea(Decor(client), GetPlatformClass(true, nullptr), GetSystemMetrics(SM_CXVSCROLL),
                                      GetSystemMetrics(SM_CYVSCROLL));
        area = RECT{a.left, a.top, a.right, a.bottom};
        if (area.right > area.left && area.bottom > area.top) FillBackground(region, draw, decoration.colour, area);
    } else if (decoration.colour == kNoColour) {
        CallWindowProcA(previous, region, WM_ERASEBKGND, reinterpret_cast<WPARAM>(draw), 0);
    } else {
        FillBackground(region, draw, decoration.colour, client);
    }

    RECT clip;
    if (IntersectRect(&clip, &area, &dirty)) {
        GdiFlush();   // the fills lie in the pixels before the pictures go over them
        for (int i = 0; i < layers; ++i) PaintPicture(inst, state, dc, entries[i], flags[i], Decor(area), Decor(clip));
    }
    // On a palette display the copy to the screen maps the buffer's colours
    // through the region's picture palette; a control's capture is no
    // screen.
    PictureEntry* main = decoration.perTopic ? decoration.perTopic : decoration.fileWide;
    RealizedPalette palette(dc, main && main->bitmap && !BackgroundCaptureActive() ? main->palette : nullptr);
    BitBlt(dc, dirty.left, dirty.top, dw, dh, draw, dirty.left, dirty.top, SRCCOPY);
    return 1;
}

bool DecorationBounds(InstanceRecord* inst, HWND region, const RegionDecoration& decoration, RECT* bounds) {
    PictureLayer layers[2] = {};
    PictureEntry* entries[2] = {decoration.fileWide, decoration.perTopic};
    for (int i = 0; i < 2; ++i) {
        PictureEntry* e = entries[i];
        layers[i].flags = i == 0 ? decoration.fileWideFlags : decoration.perTopicFlags;
        layers[i].present = e != nullptr;
        BITMAP bm;
        SIZE size;
        if (!e || !EnsurePictureLoaded(inst, e, true) || !FirstFrame(*e, &bm, &size)) continue;
        layers[i].width = size.cx;
        layers[i].height = size.cy;
    }
    RECT client;
    GetClientRect(region, &client);
    DecorRect r;
    const bool any = DecorationBoundsOf(layers[0], layers[1], Decor(client), &r);
    *bounds = RECT{r.left, r.top, r.right, r.bottom};
    return any;
}

}  // namespace zyl
