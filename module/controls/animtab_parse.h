// The tab bar (ZYL3_ANIMTAB32) without a window: its tab file, its
// parameter string, the tabs' outlines, the order they are drawn in and
// the hit test. Portable: no <windows.h>. zyllist reads tab files with the
// same reader, so that what it accepts the module shows.
//
// Tab file (the module reads it into a zero-filled 16384-byte block):
//   flags     16 bits, little-endian (kTabOpensPopups)
//   entries   per tab: context string, label (both NUL-terminated)
//   end       an empty context string (one 0 byte)
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "resources/resource.h"

namespace zyl {

enum TabFlag : std::uint16_t {
    kTabOpensPopups = 1,   // a click shows the tab's topic as a popup
    kTabPainted = 2,       // set by the first paint; hit testing works from then on
};

struct TabPoint {
    int x, y;
};

struct TabEntry {
    const char* label;     // into the file's bytes
    const char* context;
    TabPoint outline[4];   // bottom-left, top-left, top-right, bottom-right
};

// How a tab file reads.
enum class TabFault {
    kNone,
    kNoTabs,   // no entry before the end: "No tabs on tab bar"
    kCut,      // a string runs to the end of the block: the entries before it count
};

struct TabFileInfo {
    std::uint16_t flags = 0;
    int count = 0;                 // complete entries
    std::size_t end = 0;           // offset past the end byte; when cut, where the cut entry starts
    TabFault fault = TabFault::kNone;
};

// Reads the tab file in `block`, the first `size` bytes of which may be
// read (the module's block: the file, zeros behind it, 16384 bytes in all);
// nothing at or past block[size] is read. A block shorter than the 2-byte
// flags has them completed by zeros. Fills entries[0 ... count - 1] (their
// strings pointing into `block`) when `entries` is given; it must hold the
// count a first call without it reported.
TabFileInfo ReadTabFile(const std::uint8_t* block, std::size_t size, TabEntry* entries);
// An author's explanation of a fault ("" for kNone).
const char* TabFaultText(TabFault fault);

// ---- the parameter string: file;selected ----

struct TabParams {
    std::string file;
    std::int32_t selected = 0;   // 1 ... count names a tab; any other value none
};

// Every space removed, then the file before the first ';' and the selected
// tab after it (decimal, as strtoul reads it). ZYL_ERR_SYNTAX without a ';'.
int ParseTabParams(const char* data, TabParams* out);

// ---- geometry ----

struct TabMetrics {
    int width = 0;    // W: widest label + 4
    int height = 0;   // H: the font's character height + 5, made even
    int slant = 0;    // s: H / 2, how far a slanted side reaches
};

TabMetrics MeasureTabs(int widestLabel, int charHeight);
// Left end of tab t's top edge (x0; t from 1).
int TabLeft(int t, const TabMetrics& m);
// The outline of tab t: (x0 - s, H + 1), (x0, 1), (x0 + W, 1), (x0 + W + s, H + 1).
void TabOutline(int t, const TabMetrics& m, TabPoint out[4]);
// The bar's size on the screen: s + count x (W + s) by H + 1, each side at
// most kMaxBarSide (a size query answers 16 bits).
constexpr int kMaxBarSide = 0x7FFF;
int TabBarWidth(int count, const TabMetrics& m);
int TabBarHeight(const TabMetrics& m);
// True when `selected` names one of `count` tabs.
inline bool IsTab(std::int32_t selected, int count) { return selected >= 1 && selected <= count; }

// The tab drawn at step `step` (0 ... count - 1): selected - 1 downwards,
// wrapping from 1 to count, so that the selected tab comes last; without
// a selected tab, count down to 1.
int TabPaintOrder(int step, std::int32_t selected, int count);

// Whether (x, y) lies inside an outline as the platform fills the polygon.
bool InTabOutline(const TabPoint outline[4], int x, int y);
// The tab a client point hits, visiting from the one after the selected
// tab (wrapping) and taking the first whose outline holds the point among
// those whose left corner lies left of `clientRight`; 0 when none is hit
// or the hit one is the selected tab.
int TabAt(const TabEntry* tabs, int count, std::int32_t selected, int clientRight, int x, int y);

}  // namespace zyl
