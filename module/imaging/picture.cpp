#include "picture.h"

#include <cstring>
#include <utility>

#include "bmpdecode.h"
#include "dibexpand.h"
#include "gifdecode.h"

namespace zyl {

namespace {

bool KeepFrame(void* context, PackedDib* dib, std::int32_t) {
    static_cast<std::vector<PackedDib>*>(context)->push_back(std::move(*dib));
    return true;
}

}  // namespace

bool DecodePictureFile(const std::uint8_t* data, std::size_t size, bool firstFrameOnly, DecodedPicture* out) {
    out->frames.clear();
    out->gif = false;
    out->info = PictureInfo{};
    if (!data) return false;
    if (IsBitmapFileHeader(data, size)) {
        PackedDib dib;
        if (!DecodeBitmapFile(data, size, &dib, &out->info)) return false;
        out->frames.push_back(std::move(dib));
        return true;
    }
    out->gif = true;
    MemorySource mem(data, size);
    const GifFrameSink sink{&out->frames, &KeepFrame};
    if (ReadGifFile(mem.Source(), firstFrameOnly, sink, &out->info)) return true;
    out->frames.clear();
    return false;
}

bool RenderFrameRgb(const PackedDib& frame, std::vector<std::uint8_t>* rgb, std::int32_t* width,
                    std::int32_t* height) {
    if (!DibDimensions(frame.data(), frame.size(), width, height)) return false;
    rgb->assign(static_cast<std::size_t>(*width) * static_cast<std::size_t>(*height) * 3, 0);
    return DibToRgb(frame.data(), frame.size(), rgb->data());
}

bool RenderStripRgb(const DecodedPicture& picture, std::vector<std::uint8_t>* rgb, std::int32_t* width,
                    std::int32_t* height) {
    if (picture.frames.empty()) return false;
    std::int64_t total = 0;
    std::int32_t stripHeight = 0;
    for (std::size_t i = 0; i < picture.frames.size(); ++i) {
        std::int32_t w, h;
        if (!DibDimensions(picture.frames[i].data(), picture.frames[i].size(), &w, &h)) return false;
        if (i == 0) stripHeight = h;
        total += w;
    }
    if (static_cast<std::uint64_t>(total * stripHeight) > kMaxPicturePixels) return false;
    *width = static_cast<std::int32_t>(total);
    *height = stripHeight;
    rgb->assign(static_cast<std::size_t>(total) * static_cast<std::size_t>(stripHeight) * 3, 0);

    std::vector<std::uint8_t> one;
    std::int64_t left = 0;
    for (const PackedDib& f : picture.frames) {
        std::int32_t w, h;
        if (!RenderFrameRgb(f, &one, &w, &h)) return false;
        const std::int32_t rows = h < stripHeight ? h : stripHeight;
        for (std::int32_t y = 0; y < rows; ++y)
            std::memcpy(rgb->data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(total) +
                                       static_cast<std::size_t>(left)) * 3,
                        one.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w) * 3,
                        static_cast<std::size_t>(w) * 3);
        left += w;
    }
    return true;
}

}  // namespace zyl
