#include "imaging/picturecache.h"

#include <cstring>
#include <utility>
#include <vector>

#include "core/gdiobj.h"
#include "core/helpfile.h"
#include "core/text.h"
#include "imaging/bmpdecode.h"
#include "imaging/dibformat.h"
#include "imaging/gifdecode.h"
#include "imaging/picturesource.h"

namespace zyl {

static_assert(sizeof(GifHotSpot) == sizeof(HotSpot), "the hot-spot table is copied as it is stored");

namespace {

constexpr int kMaxOtherLoaded = 40;
// The loaded pictures of a thread together hold at most this many pixels
// (64 MB at 32 bits a pixel); a picture alone may hold up to
// kMaxPicturePixels.
constexpr std::uint64_t kCachePixels = 16u << 20;

const BITMAPINFOHEADER* InfoOf(const PackedDib& dib) {
    return reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
}

// A device bitmap in the format of `dc` made from a packed DIB, with the
// palette (if any) realized while it is converted.
HBITMAP DeviceBitmapFromDib(HDC dc, const PackedDib& dib, HPALETTE palette) {
    if (dib.empty() || !dib.Bits()) return nullptr;
    RealizedPalette realized(dc, palette);
    return CreateDIBitmap(dc, InfoOf(dib), CBM_INIT, dib.Bits(), reinterpret_cast<const BITMAPINFO*>(dib.data()),
                          DIB_RGB_COLORS);
}

// Two memory DCs for copying between device bitmaps, made on first need.
class BitmapCopier {
public:
    explicit BitmapCopier(HDC screen) : screen_(screen) {}

    // Copies width x height pixels from the top left of `src` to `dst` at (x, 0).
    bool Copy(HBITMAP dst, int x, HBITMAP src, int width, int height) {
        if (!Ready()) return false;
        Selected to(to_.get(), dst);
        Selected from(from_.get(), src);
        return to.ok() && from.ok() && BitBlt(to_.get(), x, 0, width, height, from_.get(), 0, 0, SRCCOPY);
    }
    // Paints width x height pixels of `dst` black from (x, 0).
    bool Blacken(HBITMAP dst, int x, int width, int height) {
        if (!Ready()) return false;
        Selected to(to_.get(), dst);
        return to.ok() && PatBlt(to_.get(), x, 0, width, height, BLACKNESS);
    }

private:
    bool Ready() {
        if (!to_) to_.reset(CreateCompatibleDC(screen_));
        if (!from_) from_.reset(CreateCompatibleDC(screen_));
        return to_ && from_;
    }
    HDC screen_;
    OwnedDC to_;
    OwnedDC from_;
};

// The frames of a GIF as they arrive: each becomes a device bitmap (with
// the first frame's palette realized) and is copied to the right end of the
// strip, which is as high as the first frame. The strip grows by doubling
// and is cut to its width at the end, so that a long animation costs few
// copies and holds no more than three bitmaps at any time: a file's frame
// count must not decide how many GDI objects the host is left with.
class StripBuilder {
public:
    explicit StripBuilder(HDC screen) : screen_(screen), copier_(screen) {}

    static bool Take(void* context, PackedDib* dib, std::int32_t) {
        return static_cast<StripBuilder*>(context)->Append(*dib);
    }

    // Hands the strip and its palette over (null when there is no strip).
    HBITMAP Finish(HPALETTE* palette) {
        *palette = nullptr;
        if (!strip_) return nullptr;
        if (capacity_ > used_) {
            Bitmap exact(CreateCompatibleBitmap(screen_, used_, height_));
            if (!exact || !copier_.Copy(exact.get(), 0, strip_.get(), used_, height_)) return nullptr;
            strip_ = std::move(exact);
            capacity_ = used_;
        }
        *palette = palette_.release();
        return strip_.release();
    }

    int frames() const { return frames_; }

private:
    bool Append(const PackedDib& dib) {
        if (!palette_) palette_.reset(CreatePaletteFromDib(dib.data(), dib.size()));
        Bitmap frame(DeviceBitmapFromDib(screen_, dib, palette_.get()));
        if (!frame) return false;
        const DibInfoHeader h = dib.Header();
        const int width = h.width;
        const int height = h.height < 0 ? -h.height : h.height;
        if (!strip_) {
            strip_ = std::move(frame);
            used_ = capacity_ = width;
            height_ = height;
            ++frames_;
            return true;
        }
        // A taller frame is cut at the strip's height; below a shorter one
        // the strip stays black.
        if (!Reserve(used_ + width) ||
            !copier_.Copy(strip_.get(), used_, frame.get(), width, height < height_ ? height : height_))
            return false;
        used_ += width;
        ++frames_;
        return true;
    }

    bool Reserve(int needed) {
        if (needed <= capacity_) return true;
        // The reader keeps the strip within kMaxPicturePixels, so these fit.
        int want = capacity_ * 2 > needed ? capacity_ * 2 : needed;
        Bitmap bigger(CreateCompatibleBitmap(screen_, want, height_));
        if (!bigger && want > needed) {
            want = needed;
            bigger.reset(CreateCompatibleBitmap(screen_, want, height_));
        }
        if (!bigger || !copier_.Copy(bigger.get(), 0, strip_.get(), used_, height_) ||
            !copier_.Blacken(bigger.get(), used_, want - used_, height_))
            return false;
        strip_ = std::move(bigger);
        capacity_ = want;
        return true;
    }

    HDC screen_;
    BitmapCopier copier_;
    Palette palette_;
    Bitmap strip_;
    int used_ = 0;       // pixels of the strip holding frames
    int capacity_ = 0;   // the strip bitmap's width
    int height_ = 0;
    int frames_ = 0;
};

// What a GIF read tells the entry: the delay and hot spots even when the
// read failed part-way.
void KeepAnimationData(PictureEntry* entry, const PictureInfo& info) {
    if (info.frameDelaySet) entry->frameDelay = info.frameDelay;
    if (info.hotSpotsSet) {
        if (!entry->hotSpots)
            entry->hotSpots = static_cast<HotSpot*>(
                HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(HotSpot) * kMaxHotSpots));
        if (entry->hotSpots) {
            const int n = info.hotSpotCount < 0 ? 0 : (info.hotSpotCount > kMaxHotSpots ? kMaxHotSpots : info.hotSpotCount);
            std::memcpy(entry->hotSpots, info.hotSpots, sizeof(HotSpot) * n);
            entry->hotSpotCount = n;
        }
    }
}

// An open picture file: the help file and the data file inside it or on
// disk (declared in that order: the file closes before its help file).
struct OpenPicture {
    HelpFilePtr help;
    DataFilePtr file;
    OpenPicture(const char* helpPath, const char* name, bool diskFirst) : help(OpenHelpFile(helpPath)) {
        if (help) file.reset(DataFileOpen(help.get(), name, diskFirst));
    }
    bool ok() const { return file != nullptr; }
};

}  // namespace

HPALETTE CreatePaletteFromDib(const void* packedDib, std::size_t size) {
    DibPaletteEntry entries[256];
    const std::uint32_t n = DibPaletteEntries(static_cast<const std::uint8_t*>(packedDib), size, entries);
    if (n == 0 || n > 256) return nullptr;
    std::vector<std::uint8_t> block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * n);
    auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        lp->palPalEntry[i].peRed = entries[i].red;
        lp->palPalEntry[i].peGreen = entries[i].green;
        lp->palPalEntry[i].peBlue = entries[i].blue;
        lp->palPalEntry[i].peFlags = 0;
    }
    return CreatePalette(lp);
}

PictureEntry* FindOrCreatePictureEntry(InstanceRecord* inst, const char* name) {
    if (!inst || !name) return nullptr;
    // A name that does not fit would be cut into another file's name.
    if (std::strlen(name) >= kPathChars) return nullptr;
    if (ListNode* found = ListFindByName(inst->pictures, name, nullptr)) return reinterpret_cast<PictureEntry*>(found);
    auto* entry = static_cast<PictureEntry*>(PoolAlloc(sizeof(PictureEntry)));
    if (!entry) return nullptr;
    entry->header.kind = kKindPicture;
    entry->transparentColour = kNoColour;
    entry->owner = GetHelpFileEntry(inst, true);
    CopyBounded(entry->name, sizeof entry->name, name);
    ListAppend(&inst->pictures, &entry->header, nullptr);
    return entry;
}

HBITMAP ReadPictureFile(InstanceRecord* inst, PictureEntry* entry, bool firstFrameOnly, HPALETTE* palette) {
    if (palette) *palette = nullptr;
    if (!inst || !entry) return nullptr;
    entry->transparentColour = kNoColour;
    OpenPicture pic(entry->owner ? entry->owner->name : inst->helpFilePath, entry->name, inst->preferDiskFiles != 0);
    if (!pic.ok()) return nullptr;
    const PictureSource src = DataFilePictureSource(pic.file.get());
    std::uint8_t head[kBitmapFileHeaderSize];
    const bool haveHead = DataFileRead(pic.file.get(), head, sizeof head) == static_cast<std::int32_t>(sizeof head);

    WindowDC screen(nullptr);
    if (!screen) return nullptr;
    Bitmap result;
    Palette pal;
    PictureInfo info;
    if (haveHead && IsBitmapFileHeader(head, sizeof head)) {
        PackedDib dib;
        if (ReadBitmapFile(src, head, &dib, &info)) {
            pal.reset(CreatePaletteFromDib(dib.data(), dib.size()));
            result.reset(DeviceBitmapFromDib(screen.get(), dib, pal.get()));
            BITMAP bm;
            if (result && GetObjectA(result.get(), sizeof bm, &bm)) {
                entry->frameCount = 1;
                entry->frameWidth = bm.bmWidth;
                entry->frameHeight = bm.bmHeight;
            }
        }
    } else {
        entry->frameCount = 0;
        StripBuilder strip(screen.get());
        const bool ok = ReadGifFile(src, firstFrameOnly, GifFrameSink{&strip, &StripBuilder::Take}, &info);
        KeepAnimationData(entry, info);
        HPALETTE stripPalette = nullptr;
        if (ok) result.reset(strip.Finish(&stripPalette));
        pal.reset(stripPalette);
        if (result) {
            entry->frameCount = strip.frames();
            entry->frameWidth = info.frameWidth;
            entry->frameHeight = info.frameHeight;
            entry->transparentColour = info.transparentColour;
        }
    }
    if (!result) return nullptr;
    if (palette) *palette = pal.release();
    return result.release();
}

namespace {

std::uint64_t PixelsOf(HBITMAP bitmap) {
    BITMAP bm;
    if (!bitmap || GetObjectA(bitmap, sizeof bm, &bm) != sizeof bm) return 0;
    return static_cast<std::uint64_t>(bm.bmWidth) * static_cast<std::uint64_t>(bm.bmHeight);
}

// The loaded pictures other than `entry`: how many, and their pixels.
int LoadedOthers(InstanceRecord* inst, const PictureEntry* entry, std::uint64_t* pixels) {
    int loaded = 0;
    if (pixels) *pixels = 0;
    for (ListNode* n = inst->pictures; n; n = n->next) {
        auto* other = reinterpret_cast<PictureEntry*>(n);
        if (other == entry || !other->bitmap) continue;
        ++loaded;
        if (pixels) *pixels += PixelsOf(other->bitmap);
    }
    return loaded;
}

// Unloads the least recently used loaded picture other than `entry`; false
// when there is none. Ages, not stamps, are compared: the tick count wraps
// every 49.7 days, and a help session may span a wrap.
bool UnloadOldest(InstanceRecord* inst, const PictureEntry* entry, DWORD now) {
    PictureEntry* oldest = nullptr;
    DWORD oldestAge = 0;
    for (ListNode* n = inst->pictures; n; n = n->next) {
        auto* other = reinterpret_cast<PictureEntry*>(n);
        if (other == entry || !other->bitmap) continue;
        const DWORD age = now - other->lastUse;
        if (!oldest || age > oldestAge) {
            oldestAge = age;
            oldest = other;
        }
    }
    if (!oldest) return false;
    DeleteObject(oldest->bitmap);
    oldest->bitmap = nullptr;
    if (oldest->palette) DeleteObject(oldest->palette);
    oldest->palette = nullptr;
    return true;
}

}  // namespace

bool EnsurePictureLoaded(InstanceRecord* inst, PictureEntry* entry, bool firstFrameOnly) {
    if (!inst || !entry) return false;
    const DWORD now = GetTickCount();
    entry->lastUse = now;
    if (entry->bitmap) return true;

    if (LoadedOthers(inst, entry, nullptr) > kMaxOtherLoaded) UnloadOldest(inst, entry, now);
    HPALETTE palette = nullptr;
    if (HBITMAP bmp = ReadPictureFile(inst, entry, firstFrameOnly, &palette)) {
        entry->bitmap = bmp;
        entry->palette = palette;
    }
    if (!entry->bitmap) return false;
    // The new picture stays; the least recently used others make room for it.
    const std::uint64_t mine = PixelsOf(entry->bitmap);
    std::uint64_t others = 0;
    while (LoadedOthers(inst, entry, &others) > 0 && others + mine > kCachePixels && UnloadOldest(inst, entry, now)) {
    }
    return true;
}

BOOL DrawTransparent(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth,
                     int srcHeight, COLORREF transparent) {
    OwnedDC colourOwner(CreateCompatibleDC(dst));
    OwnedDC maskOwner(CreateCompatibleDC(dst));
    Bitmap colour(CreateCompatibleBitmap(dst, srcWidth, srcHeight));
    Bitmap mask(CreateBitmap(srcWidth, srcHeight, 1, 1, nullptr));
    HDC colourDc = colourOwner.get(), maskDc = maskOwner.get();
    Selected colourSelected(colourDc, colour.get());
    Selected maskSelected(maskDc, mask.get());
    if (!colourSelected.ok() || !maskSelected.ok()) return FALSE;
    BitBlt(colourDc, 0, 0, srcWidth, srcHeight, src, srcX, srcY, SRCCOPY);

    // Mask: white where the picture has the transparent colour.
    const COLORREF oldBk = SetBkColor(colourDc, transparent);
    BitBlt(maskDc, 0, 0, srcWidth, srcHeight, colourDc, 0, 0, SRCCOPY);
    SetBkColor(colourDc, oldBk);

    // Black out the picture's opaque area on the destination.
    const COLORREF dstBk = SetBkColor(dst, RGB(255, 255, 255));
    const COLORREF dstText = SetTextColor(dst, RGB(0, 0, 0));
    const bool same = width == srcWidth && height == srcHeight;
    if (same)
        BitBlt(dst, x, y, width, height, maskDc, 0, 0, SRCAND);
    else
        StretchBlt(dst, x, y, width, height, maskDc, 0, 0, srcWidth, srcHeight, SRCAND);
    SetBkColor(dst, dstBk);
    SetTextColor(dst, dstText);

    // Black out the picture's transparent pixels, then paint it in.
    BitBlt(colourDc, 0, 0, srcWidth, srcHeight, maskDc, 0, 0, 0x220326);
    if (same)
        BitBlt(dst, x, y, width, height, colourDc, 0, 0, SRCPAINT);
    else
        StretchBlt(dst, x, y, width, height, colourDc, 0, 0, srcWidth, srcHeight, SRCPAINT);
    return TRUE;
}

HBITMAP RenderFirstFrame(InstanceRecord* inst, PictureEntry* entry, HDC target, COLORREF whiten) {
    if (!inst || !entry || !target) return nullptr;
    OpenPicture pic(inst->helpFilePath, entry->name, inst->preferDiskFiles != 0);
    if (!pic.ok()) return nullptr;
    const PictureSource src = DataFilePictureSource(pic.file.get());
    std::uint8_t head[kBitmapFileHeaderSize];
    if (DataFileRead(pic.file.get(), head, sizeof head) != static_cast<std::int32_t>(sizeof head)) return nullptr;

    PackedDib dib;
    PictureInfo info;
    if (IsBitmapFileHeader(head, sizeof head)) {
        if (!ReadBitmapFile(src, head, &dib, &info)) return nullptr;
    } else {
        struct First {
            PackedDib dib;
            static bool Take(void* context, PackedDib* frame, std::int32_t) {
                auto* self = static_cast<First*>(context);
                if (self->dib.empty()) self->dib = std::move(*frame);
                return true;
            }
        } first;
        if (!ReadGifFile(src, true, GifFrameSink{&first, &First::Take}, &info) || first.dib.empty()) return nullptr;
        dib = std::move(first.dib);
    }
    DibReplaceColour(dib.data(), dib.size(), whiten, 0xFFFFFF);
    // Made on the target itself, in its format: on a fresh memory DC (whose
    // bitmap is the one-pixel monochrome one) the platform would make a
    // monochrome bitmap and the copy would lose its colours.
    return DeviceBitmapFromDib(target, dib, nullptr);
}

}  // namespace zyl
