// The GIF road on arbitrary bytes: no read outside the input or a block,
// and whatever it accepts is a consistent strip of frame DIBs.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "imaging/dibexpand.h"
#include "imaging/gifdecode.h"
#include "imaging/picture.h"

namespace {

constexpr std::int64_t kExpandedPixels = 1024;

bool Keep(void* context, zyl::PackedDib* dib, std::int32_t index) {
    auto* frames = static_cast<std::vector<zyl::PackedDib>*>(context);
    if (static_cast<std::size_t>(index) != frames->size()) std::abort();
    frames->push_back(std::move(*dib));
    return true;
}

void Check(const std::vector<zyl::PackedDib>& frames, const zyl::PictureInfo& info, std::size_t fileSize) {
    if (frames.empty() || info.frameCount != static_cast<std::int32_t>(frames.size())) std::abort();
    std::int64_t width = 0;
    for (const zyl::PackedDib& f : frames) {
        const zyl::DibInfoHeader h = f.Header();
        if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8) std::abort();
        if (h.clrUsed != (1u << h.bitCount) || f.BitsSize() != h.sizeImage) std::abort();
        width += h.width;
    }
    if (width != info.stripWidth || frames[0].Header().height != info.stripHeight) std::abort();
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(info.stripHeight) > zyl::MaxDecodedPixels(fileSize))
        std::abort();
    if (info.hotSpotCount < 0 || info.hotSpotCount > zyl::kHotSpotCapacity) std::abort();
    if (info.frameDelaySet && (info.frameDelay == 0 || info.frameDelay % 10 != 0)) std::abort();
    zyl::DibPaletteEntry pal[256];
    if (zyl::DibPaletteEntries(frames[0].data(), frames[0].size(), pal) != frames[0].Header().clrUsed) std::abort();
}

bool Read(const std::uint8_t* data, std::size_t size, bool firstOnly, std::vector<zyl::PackedDib>* frames,
          zyl::PictureInfo* info) {
    zyl::MemorySource mem(data, size);
    return zyl::ReadGifFile(mem.Source(), firstOnly, zyl::GifFrameSink{frames, &Keep}, info);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<zyl::PackedDib> all, first;
    zyl::PictureInfo allInfo, firstInfo;
    const bool okAll = Read(data, size, false, &all, &allInfo);
    const bool okFirst = Read(data, size, true, &first, &firstInfo);
    if (okAll) Check(all, allInfo, size);
    if (okFirst) {
        Check(first, firstInfo, size);
        if (first.size() != 1) std::abort();
    }
    // The first image does not depend on whether the rest is read (the
    // pixels compared while they are few: a big frame's pages only cost time).
    if (okAll && okFirst &&
        (all[0].size() != first[0].size() ||
         std::memcmp(all[0].data(), first[0].data(), std::min<std::size_t>(all[0].size(), 65536)) != 0))
        std::abort();
    // Expanding walks the same bounds at any size; big frames only cost time
    // (each frame is expanded whole, a later one may be taller than the strip).
    std::int64_t pixels = 0;
    for (const zyl::PackedDib& f : all) pixels += static_cast<std::int64_t>(f.Header().width) * f.Header().height;
    if (okAll && pixels <= kExpandedPixels) {
        zyl::DecodedPicture pic;
        pic.frames = std::move(all);
        std::vector<std::uint8_t> rgb;
        std::int32_t w, h;
        if (!zyl::RenderStripRgb(pic, &rgb, &w, &h)) std::abort();
    }
    return 0;
}
