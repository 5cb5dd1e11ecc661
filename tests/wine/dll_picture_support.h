// Pictures for the picture and movie control tests, made at test time:
// bitmaps written here, GIFs by ImageMagick and gifsicle (run as Unix
// programs from under Wine), hot-spot extensions spliced into those GIFs,
// and help files holding them. Also pixel reading and small helpers.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "wine_support.h"

namespace pictest {

// The scratch folder, help files and GDI probe shared with the module tests.
using wtest::Bytes;
using wtest::GdiRoom;
using wtest::HelpFile;
using wtest::RenderText;
using wtest::Scratch;

// A 24-bit bottom-up bitmap file; `colour` gives 0x00RRGGBB at (x, y),
// y counted from the top.
Bytes BmpFile(int width, int height, const std::function<DWORD(int x, int y)>& colour);

// A help file of its own scratch folder holding `files`: `help` is its
// path, `failure` says why when it could not be written.
struct ScratchHelp {
    Scratch scratch;
    std::string help, failure;
};
std::unique_ptr<ScratchHelp> WriteScratchHelp(const std::string& name,
                                              const std::vector<std::pair<std::string, Bytes>>& files);
// A topic script of one empty topic, "empty", with the decoration routines
// ZylWatermark and ZylSPC bound.
extern const char kDecoratedTopicScript[];

// Runs `command` with /bin/sh and waits for it; false with the reason,
// the shell's error output included (kept in `scratch` meanwhile), when it
// could not start or ended with a non-zero status.
bool RunUnix(const Scratch& scratch, const std::string& command, std::string* why);

// Pictures made by ImageMagick, `convert ARGS NAME` each, into the scratch
// folder, all in one shell and side by side (each convert takes a while to
// start); then `after`, when given, a shell command run once they are all
// written. False with the reason when any of them failed.
struct ConvertJob {
    std::string args, name;
};
bool ConvertAll(const Scratch& scratch, const std::vector<ConvertJob>& jobs, const std::string& after,
                std::string* why);

struct Spot {
    std::int16_t left, top, right, bottom;
    std::uint32_t context;
};

// The GIF with a hot-spot application extension ("MOTHWING") put in front
// of its first block after the header and colour table. `chunkSpots` hot
// spots go into each data sub-block. Empty when the GIF cannot be read.
Bytes WithHotSpots(const Bytes& gif, const std::vector<Spot>& spots, std::size_t chunkSpots = 2);

// Client pixels of a window as they stand, read through its own DC (no
// repaint is asked for): 0x00RRGGBB, top-down. (BitmapPixels of
// dll_test.h reads a bitmap the same way.)
std::vector<DWORD> WindowPixels(HWND hwnd, int* width, int* height);

// How many pixels of `pixels` equal `rgb`.
std::size_t CountOf(const std::vector<DWORD>& pixels, DWORD rgb);
// The colour every pixel has, or 0xFFFFFFFF when they differ (or none).
DWORD Uniform(const std::vector<DWORD>& pixels);

}  // namespace pictest
