// GIF decoding throughput: the module's GIF road against giflib's DGifSlurp
// and stb_image on the same files in the same run. The files are made by
// ImageMagick in a scratch directory: photographs (smooth and noisy, 256
// colours, some interlaced) and looping animations, over 10 M pixels in all.
//
// Prints pixels per second for each decoder and the ratio to giflib. Every
// decoder must agree on the pixel count, and the module's palette indices
// must equal giflib's, or the run fails.
#include <gif_lib.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_GIF
#define STBI_NO_STDIO
#include <stb/stb_image.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "imaging/gifdecode.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct File {
    std::string name;
    Bytes data;
};

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

Bytes ReadAll(const std::string& path) {
    Bytes out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    std::uint8_t buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

// The set: what a help author's pictures look like, only more of them.
bool MakeFiles(const std::string& dir, std::vector<File>* files) {
    std::vector<std::pair<std::string, std::string>> jobs;
    for (int i = 0; i < 8; ++i) {
        const std::string seed = std::to_string(100 + i);
        jobs.push_back({"photo" + seed + ".gif", "-seed " + seed + " -size 1024x768 plasma: -colors 256" +
                                                     std::string(i % 3 == 2 ? " -interlace GIF" : "")});
    }
    jobs.push_back({"noisy.gif", "-seed 7 -size 1024x768 plasma:fractal -attenuate 0.6 +noise Gaussian -colors 256"});
    jobs.push_back({"poster.gif", "-seed 8 -size 1024x768 plasma: -colors 16"});
    for (int a = 0; a < 2; ++a) {
        // 24 frames, each the picture rolled a little further.
        std::string args = "-seed " + std::to_string(200 + a) + " -size 320x240 plasma: -colors 128 -write mpr:base +delete";
        for (int f = 0; f < 24; ++f)
            args += " \\( mpr:base -roll +" + std::to_string(f * 13) + "+" + std::to_string(f * 7) + " \\)";
        jobs.push_back({"anim" + std::to_string(a) + ".gif", args + " -delay 8 -loop 0"});
    }
    for (const auto& j : jobs) {
        const std::string path = dir + "/" + j.first;
        if (!Shell("/usr/bin/convert " + j.second + " '" + path + "'")) {
            std::fprintf(stderr, "gif_bench: convert failed for %s\n", j.first.c_str());
            return false;
        }
        files->push_back({j.first, ReadAll(path)});
        if (files->back().data.empty()) return false;
    }
    return true;
}

// ---- the three decoders: each returns the pixels decoded (0 on failure) ----

struct Count {
    std::uint64_t pixels = 0;
};

bool CountFrame(void* context, zyl::PackedDib* dib, std::int32_t) {
    const zyl::DibInfoHeader h = dib->Header();
    static_cast<Count*>(context)->pixels += static_cast<std::uint64_t>(h.width) * static_cast<std::uint64_t>(h.height);
    return true;
}

std::uint64_t DecodeModule(const Bytes& file) {
    zyl::MemorySource mem(file.data(), file.size());
    zyl::PictureInfo info;
    Count count;
    if (!zyl::ReadGifFile(mem.Source(), false, zyl::GifFrameSink{&count, &CountFrame}, &info)) return 0;
    return count.pixels;
}

struct MemoryReader {
    const Bytes* data;
    std::size_t pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buf, int n) {
    auto* r = static_cast<MemoryReader*>(gif->UserData);
    const std::size_t left = r->data->size() - r->pos;
    const std::size_t take = static_cast<std::size_t>(n) < left ? static_cast<std::size_t>(n) : left;
    std::memcpy(buf, r->data->data() + r->pos, take);
    r->pos += take;
    return static_cast<int>(take);
}

// giflib's whole-file read; `keep` gets its raster of every image.
std::uint64_t DecodeGiflib(const Bytes& file, std::vector<Bytes>* keep = nullptr) {
    MemoryReader reader{&file, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, &ReadFromMemory, &error);
    if (!gif) return 0;
    std::uint64_t pixels = 0;
    if (DGifSlurp(gif) == GIF_OK) {
        for (int i = 0; i < gif->ImageCount; ++i) {
            const GifImageDesc& d = gif->SavedImages[i].ImageDesc;
            const std::size_t n = static_cast<std::size_t>(d.Width) * static_cast<std::size_t>(d.Height);
            pixels += n;
            if (keep) keep->emplace_back(gif->SavedImages[i].RasterBits, gif->SavedImages[i].RasterBits + n);
        }
    }
    DGifCloseFile(gif, &error);
    return pixels;
}

std::uint64_t DecodeStb(const Bytes& file) {
    int* delays = nullptr;
    int w = 0, h = 0, frames = 0, comp = 0;
    stbi_uc* rgba = stbi_load_gif_from_memory(file.data(), static_cast<int>(file.size()), &delays, &w, &h, &frames,
                                              &comp, 4);
    if (!rgba) return 0;
    stbi_image_free(rgba);
    stbi_image_free(delays);
    return static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h) * static_cast<std::uint64_t>(frames);
}

// The module's indices, image by image, top row first, for the check.
bool KeepIndices(void* context, zyl::PackedDib* dib, std::int32_t) {
    const zyl::DibInfoHeader h = dib->Header();
    const std::uint8_t* bits = dib->Bits();
    const std::int64_t stride = zyl::DibStride(h.width, h.bitCount);
    Bytes out;
    for (int y = h.height - 1; y >= 0; --y) {
        const std::uint8_t* row = bits + stride * y;
        for (int x = 0; x < h.width; ++x)
            out.push_back(h.bitCount == 8   ? row[x]
                          : h.bitCount == 4 ? ((x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4)
                                            : (row[x >> 3] >> (7 - (x & 7))) & 1);
    }
    static_cast<std::vector<Bytes>*>(context)->push_back(std::move(out));
    return true;
}

double Seconds(std::uint64_t (*decode)(const Bytes&), const std::vector<File>& files, std::uint64_t* pixels) {
    const auto start = std::chrono::steady_clock::now();
    std::uint64_t total = 0;
    for (const File& f : files) total += decode(f.data);
    *pixels = total;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::uint64_t Giflib(const Bytes& f) { return DecodeGiflib(f); }

}  // namespace

int main() {
    char dirTemplate[] = "/tmp/gif_bench.XXXXXX";
    if (!mkdtemp(dirTemplate)) return 1;
    const std::string dir = dirTemplate;
    std::vector<File> files;
    const bool made = MakeFiles(dir, &files);
    Shell("rm -rf '" + dir + "'");
    if (!made) return 1;

    // Same pixels before any timing.
    std::uint64_t setPixels = 0, setBytes = 0;
    for (const File& f : files) {
        std::vector<Bytes> mine, theirs;
        zyl::MemorySource mem(f.data.data(), f.data.size());
        zyl::PictureInfo info;
        const bool ok = zyl::ReadGifFile(mem.Source(), false, zyl::GifFrameSink{&mine, &KeepIndices}, &info);
        const std::uint64_t n = DecodeGiflib(f.data, &theirs);
        if (!ok || n == 0 || mine != theirs || DecodeStb(f.data) != n) {
            std::fprintf(stderr, "gif_bench: the decoders disagree on %s\n", f.name.c_str());
            return 1;
        }
        setPixels += n;
        setBytes += f.data.size();
    }

    struct Runner {
        const char* name;
        std::uint64_t (*decode)(const Bytes&);
        double best = 1e30;
    } runners[] = {{"zyl3an32 GIF road", &DecodeModule}, {"giflib DGifSlurp", &Giflib}, {"stb_image", &DecodeStb}};
    const int passes = 5;
    for (int pass = 0; pass < passes; ++pass)
        for (Runner& r : runners) {   // interleaved, so drifts of the machine hit all alike
            std::uint64_t pixels = 0;
            const double s = Seconds(r.decode, files, &pixels);
            if (pixels != setPixels) {
                std::fprintf(stderr, "gif_bench: %s decoded %llu pixels of %llu\n", r.name,
                             static_cast<unsigned long long>(pixels), static_cast<unsigned long long>(setPixels));
                return 1;
            }
            r.best = std::min(r.best, s);
        }

    std::printf("gif_bench: %zu files, %.1f M pixels in %.1f MB of GIF per pass; best of %d passes\n", files.size(),
                static_cast<double>(setPixels) / 1e6, static_cast<double>(setBytes) / 1e6, passes);
    const double giflib = runners[1].best;
    for (const Runner& r : runners)
        std::printf("  %-20s %8.1f M pixels/s   %5.2fx giflib\n", r.name, static_cast<double>(setPixels) / r.best / 1e6,
                    giflib / r.best);
    return 0;
}
