// Pictures for the picture and movie control tests, made at test time:
// bitmaps written here, GIFs by ImageMagick and gifsicle (run as Unix
// programs from under Wine), hot-spot extensions spliced into those GIFs,
// and help files holding them. Also pixel reading and small helpers.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace pictest {

using Bytes = std::vector<std::uint8_t>;

// A scratch folder, removed with everything in it.
class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    bool ok() const { return !path_.empty() && !unixPath_.empty(); }
    const std::string& path() const { return path_; }          // Windows, no trailing backslash
    const std::string& unixPath() const { return unixPath_; }  // for the Unix tools
    std::string File(const std::string& name) const { return path_ + "\\" + name; }
    std::string UnixFile(const std::string& name) const { return unixPath_ + "/" + name; }
    bool Write(const std::string& name, const Bytes& bytes) const;
    Bytes Read(const std::string& name) const;

private:
    std::string path_, unixPath_;
};

// A 24-bit bottom-up bitmap file; `colour` gives 0x00RRGGBB at (x, y),
// y counted from the top.
Bytes BmpFile(int width, int height, const std::function<DWORD(int x, int y)>& colour);

// Runs `command` with /bin/sh and waits for it (the shell's scratch files
// go to `scratch`); false with the reason when it could not start or ended
// with a non-zero status. Write commands without double quotes.
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

// A help file whose internal files are `files` (name, bytes).
Bytes HelpFile(const std::vector<std::pair<std::string, Bytes>>& files);

// Client pixels of a window as they stand, read through its own DC (no
// repaint is asked for): 0x00RRGGBB, top-down. (BitmapPixels of
// dll_test.h reads a bitmap the same way.)
std::vector<DWORD> WindowPixels(HWND hwnd, int* width, int* height);

// How many pixels of `pixels` equal `rgb`.
std::size_t CountOf(const std::vector<DWORD>& pixels, DWORD rgb);
// The colour every pixel has, or 0xFFFFFFFF when they differ (or none).
DWORD Uniform(const std::vector<DWORD>& pixels);

// The text render of an embedded window (the block is freed here).
std::string RenderText(HWND hwnd);

// Objects of each kind that can still be created; everything is given back.
int GdiCapacity();

}  // namespace pictest
