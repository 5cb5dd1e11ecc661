// The tab bar without a window: the tab file reader on good, empty and
// cut files, the parameter string, the outlines and the bar's size, the
// drawing order and the hit test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "controls/animtab_parse.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using zyl::TabFault;

constexpr std::size_t kBlock = 16384;

// The file format's example: flags 0, intro/Intro and steps/Steps.
const Bytes kExample = {0x00, 0x00, 0x69, 0x6E, 0x74, 0x72, 0x6F, 0x00, 0x49, 0x6E, 0x74, 0x72, 0x6F, 0x00,
                        0x73, 0x74, 0x65, 0x70, 0x73, 0x00, 0x53, 0x74, 0x65, 0x70, 0x73, 0x00, 0x00};

// `bytes` in a zero-filled block of the module's size.
Bytes InBlock(const Bytes& bytes) {
    Bytes block(kBlock, 0);
    std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), kBlock)), block.begin());
    return block;
}

std::vector<zyl::TabEntry> Entries(const Bytes& block, zyl::TabFileInfo* info) {
    *info = zyl::ReadTabFile(block.data(), block.size(), nullptr);
    std::vector<zyl::TabEntry> tabs(static_cast<std::size_t>(info->count));
    const zyl::TabFileInfo again = zyl::ReadTabFile(block.data(), block.size(), tabs.data());
    EXPECT_EQ(again.count, info->count);
    return tabs;
}

TEST(TabFile, TheFormatsExample) {
    zyl::TabFileInfo info;
    const std::vector<zyl::TabEntry> tabs = Entries(kExample, &info);
    EXPECT_EQ(info.fault, TabFault::kNone);
    EXPECT_EQ(info.flags, 0);
    EXPECT_EQ(info.end, kExample.size());
    ASSERT_EQ(info.count, 2);
    EXPECT_STREQ(tabs[0].context, "intro");
    EXPECT_STREQ(tabs[0].label, "Intro");
    EXPECT_STREQ(tabs[1].context, "steps");
    EXPECT_STREQ(tabs[1].label, "Steps");
}

TEST(TabFile, FlagsEmptyLabelsAndTheBlocksZeros) {
    // Flags 0x0201 little-endian; the end byte and a missing label come
    // from the block's zeros.
    const Bytes file = {0x01, 0x02, 'a', 0, 'A', 0, 'b', 0};
    const Bytes block = InBlock(file);
    zyl::TabFileInfo info;
    const std::vector<zyl::TabEntry> tabs = Entries(block, &info);
    EXPECT_EQ(info.flags, 0x0201);
    EXPECT_EQ(info.fault, TabFault::kNone);
    ASSERT_EQ(info.count, 2);
    EXPECT_STREQ(tabs[1].context, "b");
    EXPECT_STREQ(tabs[1].label, "");
    // Whatever follows the end is not read as tabs.
    const Bytes after = {0, 0, 'a', 0, 'A', 0, 0, 'b', 0, 'B', 0};
    EXPECT_EQ(zyl::ReadTabFile(after.data(), after.size(), nullptr).count, 1);
}

TEST(TabFile, EmptyAndShortFilesHoldNoTabs) {
    for (const Bytes& file : {Bytes{}, Bytes{7}, Bytes{1, 0}, Bytes{1, 0, 0}, Bytes{0, 0, 0, 'x', 0}}) {
        const zyl::TabFileInfo info = zyl::ReadTabFile(file.data(), file.size(), nullptr);
        EXPECT_EQ(info.count, 0) << file.size();
        EXPECT_EQ(info.fault, TabFault::kNoTabs) << file.size();
        EXPECT_EQ(zyl::ReadTabFile(InBlock(file).data(), kBlock, nullptr).fault, TabFault::kNoTabs);
    }
    EXPECT_EQ(zyl::ReadTabFile(nullptr, 10, nullptr).fault, TabFault::kNoTabs);
}

TEST(TabFile, ABlockFullOfTabsWithoutItsEndKeepsItsWholeTabs) {
    // Tabs "cc\0L\0" to the block's last byte: the one cut there does not count.
    Bytes file = {0, 0};
    while (file.size() < kBlock) file.insert(file.end(), {'c', 'c', 0, 'L', 0});
    file.resize(kBlock);
    const std::size_t whole = (kBlock - 2) / 5;
    zyl::TabFileInfo info;
    const std::vector<zyl::TabEntry> tabs = Entries(file, &info);
    EXPECT_EQ(info.fault, TabFault::kCut);
    EXPECT_EQ(static_cast<std::size_t>(info.count), whole);
    EXPECT_EQ(info.end, 2 + whole * 5);
    EXPECT_STREQ(tabs.back().label, "L");
    // A single string filling the block: no tab at all.
    Bytes one(kBlock, 'x');
    EXPECT_EQ(zyl::ReadTabFile(one.data(), one.size(), nullptr).count, 0);
    // Cut inside the label of the first tab.
    const Bytes cut = {0, 0, 'a', 0, 'L'};
    info = zyl::ReadTabFile(cut.data(), cut.size(), nullptr);
    EXPECT_EQ(info.count, 0);
    EXPECT_EQ(info.fault, TabFault::kCut);
}

// What a string gives: [file] selected tab, or the error.
std::string Parsed(const char* data) {
    zyl::TabParams p;
    if (const int error = zyl::ParseTabParams(data, &p)) return "error " + std::to_string(error);
    return "[" + p.file + "] " + std::to_string(p.selected);
}

TEST(TabParams, SpacesGoFirstThenFileAndSelectedTab) {
    EXPECT_EQ(Parsed("file.tab ; 2"), "[file.tab] 2");
    EXPECT_EQ(Parsed(" my file . tab;1;9"), "[myfile.tab] 1") << "every space goes; the tab read as strtoul reads";
    EXPECT_EQ(Parsed("a.tab;x"), "[a.tab] 0");
    EXPECT_EQ(Parsed("a.tab;99999999999"), "[a.tab] -1") << "past 32 bits it stays at the largest value: no tab";
    EXPECT_EQ(Parsed("a.tab 2"), "error " + std::to_string(ZYL_ERR_SYNTAX));
    EXPECT_EQ(Parsed(nullptr), "error " + std::to_string(ZYL_ERR_SYNTAX));
}

TEST(TabGeometry, OutlinesAndTheBarsSize) {
    const zyl::TabMetrics m = zyl::MeasureTabs(40, 16);
    EXPECT_EQ(m.width, 44);
    EXPECT_EQ(m.height, 20) << "16 + 5 with bit 0 cleared";
    EXPECT_EQ(m.slant, 10);
    zyl::TabPoint o[4];
    zyl::TabOutline(2, m, o);
    const int x0 = 54 + 10;   // (2 - 1) x (W + s) + s
    EXPECT_EQ(zyl::TabLeft(2, m), x0);
    EXPECT_TRUE(o[0].x == x0 - 10 && o[0].y == 21 && o[1].x == x0 && o[1].y == 1);
    EXPECT_TRUE(o[2].x == x0 + 44 && o[2].y == 1 && o[3].x == x0 + 54 && o[3].y == 21);
    EXPECT_EQ(zyl::TabBarWidth(3, m), 10 + 3 * 54);
    EXPECT_EQ(zyl::TabBarHeight(m), 21);
    EXPECT_EQ(zyl::TabBarWidth(5000, zyl::MeasureTabs(1000, 16)), zyl::kMaxBarSide) << "a size query has 16 bits";
}

TEST(TabGeometry, TheSelectedTabIsDrawnLast) {
    auto order = [](int selected, int count) {
        std::vector<int> o;
        for (int step = 0; step < count; ++step) o.push_back(zyl::TabPaintOrder(step, selected, count));
        return o;
    };
    EXPECT_EQ(order(2, 3), (std::vector<int>{1, 3, 2}));
    EXPECT_EQ(order(1, 3), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(order(4, 5), (std::vector<int>{3, 2, 1, 5, 4}));
    for (int none : {0, -1, 4})
        EXPECT_EQ(order(none, 3), (std::vector<int>{3, 2, 1})) << "no tab selected: " << none;
}

TEST(TabGeometry, HitTestFollowsTheOutlinesAndSkipsTheSelectedTab) {
    const zyl::TabMetrics m = zyl::MeasureTabs(40, 16);   // W 44, H 20, s 10
    zyl::TabEntry tabs[3] = {};
    for (int t = 1; t <= 3; ++t) zyl::TabOutline(t, m, tabs[t - 1].outline);
    const int right = zyl::TabBarWidth(3, m);
    auto at = [&](int selected, int x, int y) { return zyl::TabAt(tabs, 3, selected, right, x, y); };
    const int middle = 10 + 22;   // tab 1's top centre
    EXPECT_EQ(at(0, middle, 10), 1);
    EXPECT_EQ(at(0, middle + 54, 10), 2);
    EXPECT_EQ(at(2, middle + 54, 10), 0) << "the selected tab is no target";
    EXPECT_EQ(at(2, middle, 10), 1);
    EXPECT_EQ(at(0, middle, 0), 0) << "above the top edge";
    EXPECT_EQ(at(0, middle, 21), 0) << "the bottom row lies outside";
    EXPECT_EQ(at(0, 2, 3), 0) << "left of tab 1's slope near its top";
    EXPECT_EQ(at(0, 2, 19), 1) << "on its slope near the bottom";
    // Where tabs 1 and 2 overlap (x 54 ... 64 near the bottom) the first
    // visited after the selected one wins.
    EXPECT_EQ(at(0, 59, 19), 1);
    EXPECT_EQ(at(1, 59, 19), 2);
    EXPECT_EQ(at(3, 59, 19), 1);
    EXPECT_EQ(at(2, 59, 19), 1) << "tab 2 is selected: tab 1 beneath it is found";
    // A tab that starts at or past the client's right edge is not hit.
    EXPECT_EQ(zyl::TabAt(tabs, 3, 0, tabs[2].outline[0].x, middle + 108, 10), 0);
}

}  // namespace
