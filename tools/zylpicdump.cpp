// zylpicdump: decodes a picture file as the module's picture reader does
// and writes it as a binary PPM, so that its pixels can be compared with
// what other programs make of the same file.
//
//   zylpicdump [--first] [--frame N] [--info] FILE [OUT.ppm | -]
//
// Without --frame the whole strip is written (the frames side by side, as
// high as the first); --frame N writes image N alone at its own size.
// --first reads a GIF for its first image only, as the watermark painter
// does. --info prints the picture data the module's entry would keep.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/picture.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: zylpicdump [--first] [--frame N] [--info] FILE [OUT.ppm | -]\n"
                 "  writes the strip (or frame N) of a bitmap or GIF file as a PPM\n");
    return 2;
}

bool ReadFile(const char* path, std::vector<std::uint8_t>* out) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    std::uint8_t buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out->insert(out->end(), buf, buf + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool WritePpm(const char* path, const std::vector<std::uint8_t>& rgb, std::int32_t w, std::int32_t h) {
    const bool toStdout = std::strcmp(path, "-") == 0;
    std::FILE* f = toStdout ? stdout : std::fopen(path, "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", static_cast<int>(w), static_cast<int>(h));
    bool ok = std::fwrite(rgb.data(), 1, rgb.size(), f) == rgb.size();
    ok = (toStdout ? std::fflush(f) : std::fclose(f)) == 0 && ok;
    return ok;
}

void PrintInfo(const zyl::DecodedPicture& pic) {
    const zyl::PictureInfo& in = pic.info;
    std::printf("kind: %s\n", pic.gif ? "gif" : "bitmap");
    std::printf("frames: %d of %dx%d (last frame size), strip %dx%d\n", static_cast<int>(in.frameCount),
                static_cast<int>(in.frameWidth), static_cast<int>(in.frameHeight), static_cast<int>(in.stripWidth),
                static_cast<int>(in.stripHeight));
    for (std::size_t i = 0; i < pic.frames.size(); ++i) {
        const zyl::DibInfoHeader h = pic.frames[i].Header();
        std::printf("frame %u: %dx%d, %u bits, compression %u, %u colours\n", static_cast<unsigned>(i),
                    static_cast<int>(h.width), static_cast<int>(h.height), static_cast<unsigned>(h.bitCount),
                    static_cast<unsigned>(h.compression), static_cast<unsigned>(h.clrUsed));
    }
    if (in.frameDelaySet) std::printf("delay: %d ms\n", static_cast<int>(in.frameDelay));
    if (in.transparentColour == zyl::kPictureNoColour)
        std::printf("transparent: none\n");
    else
        std::printf("transparent: #%02x%02x%02x\n", static_cast<unsigned>(in.transparentColour & 0xFF),
                    static_cast<unsigned>((in.transparentColour >> 8) & 0xFF),
                    static_cast<unsigned>((in.transparentColour >> 16) & 0xFF));
    if (in.hotSpotsSet) {
        std::printf("hot spots: %d\n", static_cast<int>(in.hotSpotCount));
        for (int i = 0; i < in.hotSpotCount; ++i) {
            const zyl::GifHotSpot& s = in.hotSpots[i];
            std::printf("  (%d,%d)-(%d,%d) topic %u\n", s.left, s.top, s.right, s.bottom,
                        static_cast<unsigned>(s.context));
        }
    }
    zyl::DibPaletteEntry pal[256];
    if (!pic.frames.empty())
        std::printf("palette: %u entries\n", static_cast<unsigned>(zyl::DibPaletteEntries(
                                                 pic.frames[0].data(), pic.frames[0].size(), pal)));
}

}  // namespace

int main(int argc, char** argv) {
    bool first = false, info = false;
    long frame = -1;
    const char* in = nullptr;
    const char* out = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--first") == 0) {
            first = true;
        } else if (std::strcmp(argv[i], "--info") == 0) {
            info = true;
        } else if (std::strcmp(argv[i], "--frame") == 0 && i + 1 < argc) {
            char* end;
            errno = 0;
            frame = std::strtol(argv[++i], &end, 10);
            if (*end || errno || frame < 0) return Usage();
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            return Usage();
        } else if (!in) {
            in = argv[i];
        } else if (!out) {
            out = argv[i];
        } else {
            return Usage();
        }
    }
    if (!in || (!out && !info)) return Usage();

    std::vector<std::uint8_t> bytes;
    if (!ReadFile(in, &bytes)) {
        std::fprintf(stderr, "zylpicdump: cannot read %s\n", in);
        return 1;
    }
    zyl::DecodedPicture pic;
    if (!zyl::DecodePictureFile(bytes.data(), bytes.size(), first, &pic)) {
        std::fprintf(stderr, "zylpicdump: %s: missing or corrupted bitmap\n", in);
        return 1;
    }
    if (info) PrintInfo(pic);
    if (!out) return 0;

    std::vector<std::uint8_t> rgb;
    std::int32_t w = 0, h = 0;
    bool ok;
    if (frame >= 0) {
        if (static_cast<std::size_t>(frame) >= pic.frames.size()) {
            std::fprintf(stderr, "zylpicdump: %s has %u frames\n", in, static_cast<unsigned>(pic.frames.size()));
            return 1;
        }
        ok = zyl::RenderFrameRgb(pic.frames[static_cast<std::size_t>(frame)], &rgb, &w, &h);
    } else {
        ok = zyl::RenderStripRgb(pic, &rgb, &w, &h);
    }
    if (!ok || !WritePpm(out, rgb, w, h)) {
        std::fprintf(stderr, "zylpicdump: cannot write %s\n", out);
        return 1;
    }
    return 0;
}
