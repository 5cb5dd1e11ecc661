// The tab bar's parameter string and tab file on arbitrary bytes. The first
// byte chooses: the parameter string (spaces gone, the selected tab as
// read, the drawing order a permutation of the tabs and every hit a tab
// that is not the selected one), or the tab file, read inside its own
// length (an exact-size copy, for ASan) and, when it shows tabs, written
// back by zyllist to the same bytes up to its end.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "controls/animtab_parse.h"
#include "core/wholefile.h"
#include "tabs.h"
#include "fuzz_support.h"

namespace {

using fuzzing::Check;

void AsParams(const std::uint8_t* data, std::size_t size) {
    const fuzzing::InputText input(data, size);
    char* text = input.get();
    zyl::TabParams params;
    const int error = zyl::ParseTabParams(text, &params);
    Check(error == 0 || error == ZYL_ERR_SYNTAX);
    Check(error == 0 || std::strchr(text, ';') == nullptr);
    if (error == 0) {
        Check(params.file.find(' ') == std::string::npos && params.file.find(';') == std::string::npos);
        const int count = size ? 1 + data[size - 1] % 12 : 1;
        const zyl::TabMetrics m = zyl::MeasureTabs(size ? data[0] : 0, size > 1 ? data[1] % 80 : 16);
        std::vector<zyl::TabEntry> tabs(static_cast<std::size_t>(count));
        std::vector<int> seen(static_cast<std::size_t>(count) + 1, 0);
        for (int step = 0; step < count; ++step) {
            const int t = zyl::TabPaintOrder(step, params.selected, count);
            Check(t >= 1 && t <= count && ++seen[static_cast<std::size_t>(t)] == 1);
            zyl::TabOutline(t, m, tabs[static_cast<std::size_t>(t) - 1].outline);
        }
        if (zyl::IsTab(params.selected, count)) Check(zyl::TabPaintOrder(count - 1, params.selected, count) == params.selected);
        const int right = zyl::TabBarWidth(count, m);
        Check(right > 0 && right <= zyl::kMaxBarSide && zyl::TabBarHeight(m) > 0);
        for (std::size_t i = 0; i + 1 < size; i += 2) {
            const int hit = zyl::TabAt(tabs.data(), count, params.selected, right, data[i] * 3, data[i + 1] % 100);
            Check(hit >= 0 && hit <= count && (hit == 0 || hit != params.selected));
        }
    }
}

void AsFile(const std::uint8_t* data, std::size_t size) {
    const std::size_t n = size < zyl::kWholeFileBytes ? size : zyl::kWholeFileBytes;
    auto* copy = static_cast<std::uint8_t*>(std::malloc(n ? n : 1));
    std::memcpy(copy, data, n);
    const zyl::TabFileInfo info = zyl::ReadTabFile(copy, n, nullptr);
    std::vector<zyl::TabEntry> tabs(static_cast<std::size_t>(info.count));
    Check(zyl::ReadTabFile(copy, n, tabs.data()).count == info.count);
    Check(info.count > 0 || info.fault != zyl::TabFault::kNone);
    Check(info.fault != zyl::TabFault::kNoTabs || info.count == 0);
    for (const zyl::TabEntry& tab : tabs) {
        Check(reinterpret_cast<const std::uint8_t*>(tab.context) >= copy + 2 && *tab.context != '\0');
        Check(reinterpret_cast<const std::uint8_t*>(tab.label) + std::strlen(tab.label) < copy + n);
    }
    if (info.count > 0 && info.fault == zyl::TabFault::kNone) {
        std::string text, why;
        Check(zyllist::DecompileTabs(zyllist::Bytes(copy, copy + n), zyllist::Contexts(), &text, &why));
        std::vector<zyllist::TextLine> lines;
        zyllist::Problem problem;
        zyllist::Bytes again;
        Check(zyllist::ReadListText(text, zyllist::kTabHeader, &lines, &problem));
        // A context string with a blank or '>' names no topic: the tool refuses to write one.
        bool named = true;
        for (const zyl::TabEntry& tab : tabs) named = named && !std::strpbrk(tab.context, " \t>");
        if (named) {
            Check(zyllist::CompileTabs(lines, &again, &problem));
            Check(again.size() == info.end && std::memcmp(again.data(), copy, info.end) == 0);
        }
    }
    std::free(copy);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    if (data[0] & 1) AsParams(data + 1, size - 1);
    else AsFile(data + 1, size - 1);
    return 0;
}
