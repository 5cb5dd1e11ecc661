// Helpers of the picture cache tests: a scratch folder seen from both
// sides, Unix programs (ImageMagick, gifsicle) run from under Wine, help
// files holding pictures, pixels of device bitmaps, and a host whose
// instance record the tests reach directly.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/thread/instance.h"
#include "host.h"
#include "wine_support.h"

namespace cachetest {

// The scratch folder, Unix programs, whole files and GDI probe shared with
// the module-by-path tests.
using wtest::Bytes;
using wtest::GdiRoom;
using wtest::ReadFileBytes;
using wtest::RunUnix;
using wtest::Scratch;
using wtest::WriteFileBytes;

// The Unix name of a file of the source tree, and the same as Windows sees it.
std::string SourceFile(const std::string& relative);
std::string SourceFileForWindows(const std::string& relative);

// A help file whose internal files are `files` (name, bytes); a failure
// to lay them out fails the test.
Bytes HelpFile(const std::vector<std::pair<std::string, Bytes>>& files);

// A picture as rows of 0x00RRGGBB, top row first.
struct Pixels {
    int width = 0, height = 0;
    std::vector<DWORD> rgb;
    DWORD at(int x, int y) const { return rgb[static_cast<std::size_t>(y * width + x)]; }
};

// A binary PPM (P6, maxval 255), as ImageMagick writes it. Empty when it is not one.
Pixels ParsePpm(const Bytes& ppm);
// A device bitmap's pixels, read back at 32 bits.
Pixels BitmapPixels(HBITMAP bitmap);
// The columns [left, left + width) of a picture.
Pixels Columns(const Pixels& p, int left, int width);

// "" when equal, else where they first differ.
std::string Difference(const Pixels& mine, const Pixels& expected);

// A 24-bit bottom-up bitmap file of 0x00RRGGBB colours, top row first.
Bytes Bmp24(const Pixels& p);
// An 8-bit one: `indices` into `table` (0x00RRGGBB colours), top row first.
Bytes Bmp8(int width, int height, const std::vector<DWORD>& table, const Bytes& indices);

// The colour reference (red in the low byte) of a 0x00RRGGBB colour.
inline COLORREF Ref(DWORD rgb) { return RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF); }
// A device bitmap of the screen's format showing `p`.
HBITMAP MakeBitmap(const Pixels& p);

// The module linked into the test program, driven by the substitute host,
// with the instance record of this thread at hand.
class PictureHost : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a help file holding `files` into the scratch folder and makes
    // it the host's help file. Returns its path.
    std::string UseHelpFile(const std::vector<std::pair<std::string, Bytes>>& files,
                            const std::string& name = "pictures.hlp");
    // The shared entry of `name`, loaded (or not, when its file is bad).
    zyl::PictureEntry* Load(const char* name, bool firstFrameOnly = false);

    Scratch scratch;
    zylhost::Host host{Options()};
    zyl::InstanceRecord* inst = nullptr;

private:
    static zylhost::HostOptions Options();
};

}  // namespace cachetest
