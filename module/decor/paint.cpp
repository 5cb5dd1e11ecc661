#include "decor/paint.h"

#include <optional>

#include "core/gdiobj.h"
#include "core/handler.h"
#include "core/platform.h"
#include "decor/decor_geom.h"
#include "imaging/picturecache.h"

namespace zyl {

namespace {

constexpr DWORD kRopMaskAnd = 0x00A000C9;   // DPa: dest AND pattern
constexpr DWORD kRopPaintOr = 0x00FA0089;   // DPo: dest OR pattern
constexpr DWORD kRopBlackOut = 0x00220326;  // DSna: dest AND NOT source

DecorRect Decor(const RECT& r) { return DecorRect{r.left, r.top, r.right, r.bottom}; }

bool Intersect(const RECT& a, const RECT& b, RECT* out) { return IntersectRect(out, &a, &b) != FALSE; }

// Pattern brushes larger than 8 x 8 pixels tile as a whole only on the NT
// family; elsewhere tiles are copied one by one.
bool LargePatternBrushes() { return (GetVersion() & 0x80000000u) == 0; }

// The size of a loaded picture's first frame: a picture control may have
// loaded every frame of the file into one strip, and a watermark is the
// first frame. `whole` tells whether that is the whole bitmap.
bool FirstFrameSize(const PictureEntry& entry, SIZE* size, bool* whole) {
    BITMAP bm;
    if (!entry.bitmap || GetObjectA(entry.bitmap, sizeof bm, &bm) != sizeof bm) return false;
    size->cx = entry.frameWidth > 0 && entry.frameWidth <= bm.bmWidth ? entry.frameWidth : bm.bmWidth;
    size->cy = entry.frameHeight > 0 && entry.frameHeight <= bm.bmHeight ? entry.frameHeight : bm.bmHeight;
    if (whole) *whole = size->cx == bm.bmWidth && size->cy == bm.bmHeight;
    return size->cx > 0 && size->cy > 0;
}

// SaveDC for a scope.
class SavedDC {
public:
    explicit SavedDC(HDC dc) : dc_(dc), id_(SaveDC(dc)) {}
    ~SavedDC() { if (id_) RestoreDC(dc_, id_); }
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;

private:
    HDC dc_;
    int id_;
};

// The first frame of a loaded picture, selected into a memory DC, ready to
// be drawn opaque or, once MakeTransparent succeeded, with one colour left
// out: then a mask (white where the picture is transparent) and a copy
// whose transparent pixels are black stand beside it, in the format of the
// drawing DC.
class PreparedPicture {
public:
    PreparedPicture(HDC target, const PictureEntry& entry) : target_(target), source_(CreateCompatibleDC(target)) {
        SIZE size;
        if (!source_ || !FirstFrameSize(entry, &size, &whole_)) return;
        selected_.emplace(source_.get(), entry.bitmap);
        if (!selected_->ok()) return;
        width_ = size.cx;
        height_ = size.cy;
    }
    bool ok() const { return width_ > 0 && height_ > 0; }
    int width() const { return width_; }
    int height() const { return height_; }
    COLORREF PixelAt(int x, int y) const { return GetPixel(source_.get(), x, y); }

    bool MakeTransparent(COLORREF colour) {
        OwnedDC monoDc(CreateCompatibleDC(target_));
        Bitmap mono(CreateBitmap(width_, height_, 1, 1, nullptr));
        Selected monoSelected(monoDc.get(), mono.get());
        mask_.reset(CreateCompatibleDC(target_));
        maskBitmap_.reset(CreateCompatibleBitmap(target_, width_, height_));
        colour_.reset(CreateCompatibleDC(target_));
        colourBitmap_.reset(CreateCompatibleBitmap(target_, width_, height_));
        if (!monoSelected.ok() || !mask_ || !colour_) return false;
        maskSelected_.emplace(mask_.get(), maskBitmap_.get());
        colourSelected_.emplace(colour_.get(), colourBitmap_.get());
        if (!maskSelected_->ok() || !colourSelected_->ok()) return false;
        // Colour to monochrome: the source's background colour becomes 1;
        // back to colour: 1 becomes the target's background colour (white).
        const COLORREF oldBk = SetBkColor(source_.get(), colour);
        BitBlt(monoDc.get(), 0, 0, width_, height_, source_.get(), 0, 0, SRCCOPY);
        SetBkColor(source_.get(), oldBk);
        SetBkColor(mask_.get(), RGB(255, 255, 255));
        SetTextColor(mask_.get(), RGB(0, 0, 0));
        BitBlt(mask_.get(), 0, 0, width_, height_, monoDc.get(), 0, 0, SRCCOPY);
        BitBlt(colour_.get(), 0, 0, width_, height_, source_.get(), 0, 0, SRCCOPY);
        BitBlt(colour_.get(), 0, 0, width_, height_, mask_.get(), 0, 0, kRopBlackOut);
        transparent_ = true;
        return true;
    }

    // The source rectangle onto the destination one, stretched when the
    // sizes differ.
    void Draw(HDC dst, int x, int y, int w, int h, int sx, int sy, int sw, int sh) const {
        if (transparent_) {
            Copy(dst, x, y, w, h, mask_.get(), sx, sy, sw, sh, SRCAND);
            Copy(dst, x, y, w, h, colour_.get(), sx, sy, sw, sh, SRCPAINT);
        } else {
            Copy(dst, x, y, w, h, source_.get(), sx, sy, sw, sh, SRCCOPY);
        }
    }

    // Copies at the picture's size over `area` from its top-left corner,
    // drawn only inside `clip` (part of the area).
    void Tile(HDC dst, const RECT& area, const RECT& clip) const {
        if (LargePatternBrushes() && TileWithBrushes(dst, area, clip)) return;
        const int firstColumn = (clip.left - area.left) / width_, firstRow = (clip.top - area.top) / height_;
        for (int y = area.top + firstRow * height_; y < clip.bottom; y += height_)
            for (int x = area.left + firstColumn * width_; x < clip.right; x += width_)
                Draw(dst, x, y, width_, height_, 0, 0, width_, height_);
    }

private:
    static void Copy(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop) {
        if (w == sw && h == sh)
            BitBlt(dst, x, y, w, h, src, sx, sy, rop);
        else
            StretchBlt(dst, x, y, w, h, src, sx, sy, sw, sh, rop);
    }

    // The whole clip in one or two pattern fills, the pattern's origin at
    // the area's top-left corner (in device units, whatever the DC's
    // window origin).
    bool TileWithBrushes(HDC dst, const RECT& area, const RECT& clip) const {
        // Only a whole bitmap can be a pattern, not the first frame of a strip.
        if (!transparent_ && !whole_) return false;
        HBITMAP pattern = transparent_ ? maskBitmap_.get() : static_cast<HBITMAP>(GetCurrentObject(source_.get(), OBJ_BITMAP));
        Brush first(CreatePatternBrush(pattern));
        Brush second(transparent_ ? CreatePatternBrush(colourBitmap_.get()) : nullptr);
        if (!first || (transparent_ && !second)) return false;
        POINT origin = {area.left, area.top};
        LPtoDP(dst, &origin, 1);
        POINT oldOrigin;
        SetBrushOrgEx(dst, ((origin.x % width_) + width_) % width_, ((origin.y % height_) + height_) % height_, &oldOrigin);
        const int w = clip.right - clip.left, h = clip.bottom - clip.top;
        {
            Selected brush(dst, first.get());
            BitBlt(dst, clip.left, clip.top, w, h, nullptr, 0, 0, transparent_ ? kRopMaskAnd : PATCOPY);
        }
        if (transparent_) {
            Selected brush(dst, second.get());
            BitBlt(dst, clip.left, clip.top, w, h, nullptr, 0, 0, kRopPaintOr);
        }
        SetBrushOrgEx(dst, oldOrigin.x, oldOrigin.y, nullptr);
        return true;
    }

    HDC target_;
    OwnedDC source_;
    std::optional<Selected> selected_;
    int width_ = 0, height_ = 0;
    bool whole_ = false;
    bool transparent_ = false;
    OwnedDC mask_, colour_;
    Bitmap maskBitmap_, colourBitmap_;
    std::optional<Selected> maskSelected_, colourSelected_;
};

// One picture of a decoration into `dc`, inside `area`, drawn only where
// `clip` lets it.
void PaintPicture(InstanceRecord* inst, HDC dc, PictureEntry* entry, std::uint16_t flags, const RECT& area,
                  const RECT& clip) {
    if (!EnsurePictureLoaded(inst, entry, true)) return;
    RealizedPalette palette(dc, entry->palette);
    PreparedPicture picture(dc, *entry);
    if (!picture.ok()) return;
    const int mode = PlacementMode(flags);
    std::int32_t w = picture.width(), h = picture.height();
    FitToArea(&w, &h, Decor(area), flags);
    if (flags & kDecorTransparent) {
        COLORREF colour = entry->transparentColour;
        if (colour == kNoColour)
            colour = mode == kDecorModeFrame ? picture.PixelAt(picture.width() / 2, picture.height() / 2)
                                             : picture.PixelAt(0, 0);
        // Without the mask's memory the picture is drawn opaque.
        if (colour != CLR_INVALID) picture.MakeTransparent(colour);
    }
    // Nothing leaves the area: tiles and cells that reach past its edges
    // are cut there (a popup's frame margins stay the host's).
    SavedDC saved(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    SetStretchBltMode(dc, COLORONCOLOR);
    std::int32_t x = 0, y = 0;
    if (!LayoutPicture(&x, &y, w, h, Decor(area), flags)) {
        picture.Draw(dc, x, y, w, h, 0, 0, picture.width(), picture.height());
    } else if (mode == kDecorModeTile) {
        picture.Tile(dc, area, clip);
    } else {
        FrameWalk walk(picture.width(), picture.height(), Decor(area));
        const int cw = walk.cellWidth(), ch = walk.cellHeight();
        FrameCell cell;
        while (walk.Next(&cell)) {
            const RECT r = {cell.x, cell.y, cell.x + cw, cell.y + ch};
            RECT visible;
            if (Intersect(r, clip, &visible))
                picture.Draw(dc, cell.x, cell.y, cw, ch, cell.column * cw, cell.row * ch, cw, ch);
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

void FillBackground(HWND window, HDC dc, COLORREF colour, const RECT& rect) {
    if (colour == kNoColour) return;
    Brush brush(CreateSolidBrush(colour));
    if (!brush) return;
    // A colour a palette display dithers lines up with the client area's
    // corner, in a memory bitmap and on the screen alike.
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
    // Nothing of the module's own: the host's erase as it is.
    if (layers == 0 && decoration.colour == kNoColour)
        return CallWindowProcA(previous, region, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);

    RECT client;
    GetClientRect(region, &client);
    const int cw = client.right, ch = client.bottom;
    OwnedDC memory;
    Bitmap bitmap;
    std::optional<Selected> selected;
    if (!BackgroundCaptureActive()) {
        memory.reset(CreateCompatibleDC(dc));
        bitmap.reset(CreateCompatibleBitmap(dc, cw > 0 ? cw : 1, ch > 0 ? ch : 1));
        if (memory) selected.emplace(memory.get(), bitmap.get());
    }
    // Without memory for the bitmap the erase goes straight to the screen.
    HDC draw = selected && selected->ok() ? memory.get() : dc;

    RECT area = client;
    if (popup) {
        if (draw != dc) BitBlt(draw, 0, 0, cw, ch, dc, 0, 0, SRCCOPY);
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

    RECT box, clip;
    if (GetClipBox(draw, &box) == ERROR) box = client;
    if (Intersect(area, box, &clip))
        for (int i = 0; i < layers; ++i) PaintPicture(inst, draw, entries[i], flags[i], area, clip);

    if (draw != dc) BitBlt(dc, 0, 0, cw, ch, draw, 0, 0, SRCCOPY);
    return 1;
}

bool DecorationBounds(InstanceRecord* inst, HWND region, const RegionDecoration& decoration, RECT* bounds) {
    PictureLayer layers[2] = {};
    PictureEntry* entries[2] = {decoration.fileWide, decoration.perTopic};
    for (int i = 0; i < 2; ++i) {
        PictureEntry* e = entries[i];
        layers[i].flags = i == 0 ? decoration.fileWideFlags : decoration.perTopicFlags;
        layers[i].present = e != nullptr;
        SIZE size;
        if (!e || !EnsurePictureLoaded(inst, e, true) || !FirstFrameSize(*e, &size, nullptr)) continue;
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
