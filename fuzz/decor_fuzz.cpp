// The watermark geometry on arbitrary client areas, picture sizes and
// flags: no overflow (UBSan), shrunk pictures inside their area, placed
// pictures inside it whenever they fit, frame cells along the edges only
// and never more than the edges hold, repaint rectangles inside the client.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "decor/decor_geom.h"
#include "fuzz_support.h"

namespace {

using fuzzing::Check;

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::int32_t Next16() {   // client coordinates and bitmap sizes fit 16 bits
        std::int16_t v = 0;
        if (size >= 2) {
            std::memcpy(&v, data, 2);
            data += 2;
            size -= 2;
        }
        return v;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in{data, size};
    const zyl::DecorRect client = {0, 0, in.Next16() & 0x7FFF, in.Next16() & 0x7FFF};
    const zyl::DecorRect area = zyl::PopupArea(client, (in.Next16() & 1) != 0, in.Next16() & 0xFF, in.Next16() & 0xFF);
    const std::int32_t w = in.Next16(), h = in.Next16();
    const auto flags = static_cast<std::uint16_t>(in.Next16());

    std::int32_t fw = w, fh = h, x = 0, y = 0;
    zyl::FitToArea(&fw, &fh, area, flags);
    Check(fw >= 1 && fh >= 1);
    const std::int32_t areaW = area.right - area.left, areaH = area.bottom - area.top;
    if (!zyl::IsRepeated(flags) && areaW >= 1 && areaH >= 1) Check(fw <= areaW && fh <= areaH);
    const bool repeated = zyl::LayoutPicture(&x, &y, fw, fh, area, flags);
    Check(repeated == zyl::IsRepeated(flags));
    if (fw <= areaW) Check(x >= area.left && x + fw <= area.right);
    if (fh <= areaH) Check(y >= area.top && y + fh <= area.bottom);

    zyl::FrameWalk walk(w, h, area);
    zyl::FrameCell cell;
    long cells = 0;
    const long most = walk.cellWidth() > 0 && walk.cellHeight() > 0
                          ? 2L * (areaW / walk.cellWidth() + 2) + 2L * (areaH / walk.cellHeight() + 2)
                          : 0;
    while (walk.Next(&cell)) {
        Check(++cells <= most);
        Check(cell.column >= 0 && cell.column <= 2 && cell.row >= 0 && cell.row <= 2);
        Check(cell.column != 1 || cell.row != 1);
        // Only the first cell of a row or column may reach past an area
        // narrower than one cell.
        Check(cell.column == 0 || cell.x + walk.cellWidth() <= area.right);
        Check(cell.row == 0 || cell.y + walk.cellHeight() <= area.bottom);
    }

    // Pictures over a small buffer: ASan sees any pixel written or read
    // out of place, whatever the rectangles.
    static std::uint32_t colour[9], keep[9] = {0, ~0u, 0, ~0u, 0, ~0u, 0, ~0u, 0};
    std::uint32_t* pixels = new std::uint32_t[12];
    const zyl::PixelBuffer buffer = {pixels, 4, 3};
    const zyl::PicturePixels picture = {colour, (flags & 4) ? keep : nullptr, 3, 3};
    const zyl::DecorRect to = {in.Next16() % 8, in.Next16() % 8, in.Next16() % 8, in.Next16() % 8};
    const zyl::DecorRect from = {in.Next16() % 4, in.Next16() % 4, in.Next16() % 4, in.Next16() % 4};
    zyl::TilePixels(buffer, to, area, picture);
    zyl::BlitPixels(buffer, to, picture, from, area);
    delete[] pixels;

    const zyl::PictureLayer fileWide = {(flags & 1) != 0, w, h, flags};
    const zyl::PictureLayer perTopic = {(flags & 2) != 0, h, w, static_cast<std::uint16_t>(flags >> 4)};
    zyl::DecorRect bounds;
    if (zyl::DecorationBoundsOf(fileWide, perTopic, client, &bounds)) {
        for (bool vertical : {false, true}) {
            const zyl::DecorRect r = zyl::FixedScrollRect(bounds, client, vertical, flags & 7);
            Check(r.left >= client.left && r.top >= client.top && r.right <= client.right && r.bottom <= client.bottom);
        }
    }
    return 0;
}
