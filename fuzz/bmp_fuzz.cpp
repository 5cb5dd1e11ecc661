// The bitmap road on arbitrary bytes: no read outside the input or a block,
// and whatever it accepts is a packed DIB the expander can walk.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/bmpdecode.h"
#include "imaging/dibexpand.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zyl::PackedDib dib;
    zyl::PictureInfo info;
    if (!zyl::DecodeBitmapFile(data, size, &dib, &info)) {
        if (!dib.empty()) std::abort();
        return 0;
    }
    const zyl::DibInfoHeader h = dib.Header();
    if (h.size != 40 || h.width != info.frameWidth || h.height != info.frameHeight || h.height < 1) std::abort();
    if (h.sizeImage != dib.BitsSize() || zyl::DibColourCount(dib.data()) > 256) std::abort();
    const std::size_t pixels = static_cast<std::size_t>(h.width) * static_cast<std::size_t>(h.height);
    if (pixels > zyl::MaxDecodedPixels(size)) std::abort();
    if (h.compression == zyl::kDibRgb &&
        static_cast<std::uint64_t>(zyl::DibStride(h.width, h.bitCount)) * static_cast<std::uint64_t>(h.height) !=
            dib.BitsSize())
        std::abort();
    // Expanding walks the same bounds at any size; big ones only cost time.
    if (pixels <= 1024) {
        std::vector<std::uint8_t> rgb(pixels * 3);
        if (!zyl::DibToRgb(dib.data(), dib.size(), rgb.data())) std::abort();
    }
    zyl::DibPaletteEntry pal[256];
    const std::uint32_t n = zyl::DibPaletteEntries(dib.data(), dib.size(), pal);
    if (n > 256 || (h.bitCount == 24 && zyl::DibColourCount(dib.data()) == 0 && n != 256)) std::abort();
    return 0;
}
