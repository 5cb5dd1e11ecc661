#include "tabs.h"

#include <algorithm>

#include "controls/animtab_parse.h"
#include "core/wholefile.h"

namespace zyllist {

const char kTabHeader[] = "tab bar";

namespace {

constexpr std::uint32_t kPopupFlag = zyl::kTabOpensPopups;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// "flags WORDS": "popup" and numbers, added up.
bool ReadFlags(const TextLine& line, std::uint32_t* flags, Problem* problem) {
    std::string word;
    const std::string& t = line.text;
    for (std::size_t i = t.find_first_of(" \t"); i != std::string::npos && i <= t.size(); ++i) {
        const char c = i < t.size() ? t[i] : ' ';
        if (!IsBlank(c) && c != ',') {
            word += c;
            continue;
        }
        if (word.empty()) continue;
        std::uint32_t number = 0;
        if (Lower(word) == "popup") number = kPopupFlag;
        else if (!ReadNumber(word, 0xFFFF, &number)) {
            *problem = Problem{line.number, "unknown flag '" + word + "' (popup, or a number up to 65535)"};
            return false;
        }
        *flags |= number;
        word.clear();
    }
    return true;
}

// Why `context` cannot name a tab's topic, or "".
std::string ContextFault(const std::string& context) {
    if (context.empty()) return "a tab needs a context string (an empty one ends the file)";
    for (char c : context)
        if (IsBlank(c) || c == '>')
            return "'" + context + "' is no context string: it holds " + (c == '>' ? "'>'" : "a blank");
    return "";
}

bool ReadTab(const TextLine& line, Bytes* tabs, Problem* problem) {
    const std::vector<std::string> fields = SplitFields(line.text, '|');
    std::string context, label, why;
    if (fields.size() != 2) why = "a tab is CONTEXT | LABEL: one '|' (write \\| for a bar in a label)";
    else if (!Unescape(fields[0], &context) || !Unescape(fields[1], &label)) why = "a text holds no 0 byte";
    else why = ContextFault(context);
    if (!why.empty()) {
        *problem = Problem{line.number, why};
        return false;
    }
    PutString(tabs, context);
    PutString(tabs, label);
    return true;
}

// The file as the module's block holds it: its first 16384 bytes, zeros behind.
struct Read {
    Bytes block;
    zyl::TabFileInfo info;
    std::vector<zyl::TabEntry> tabs;
};

void ReadBlock(const Bytes& file, Read* r) {
    r->block.assign(zyl::kWholeFileBytes, 0);
    std::copy(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(std::min(file.size(), r->block.size())),
              r->block.begin());
    r->info = zyl::ReadTabFile(r->block.data(), r->block.size(), nullptr);
    r->tabs.resize(static_cast<std::size_t>(r->info.count));
    zyl::ReadTabFile(r->block.data(), r->block.size(), r->tabs.data());
}

const char kRefused[] = "the module shows \"No tabs on tab bar\": ";

}  // namespace

bool CompileTabs(const std::vector<TextLine>& lines, Bytes* out, Problem* problem) {
    std::uint32_t flags = 0;
    bool flagsSeen = false;
    Bytes tabs;
    int count = 0;
    for (const TextLine& line : lines) {
        const std::string key = Lower(line.text.substr(0, line.text.find_first_of(" \t")));
        if (key == "flags" && SplitFields(line.text, '|').size() == 1) {
            if (flagsSeen || count > 0) {
                *problem = Problem{line.number, flagsSeen ? "'flags' is given twice" : "flags come before the tabs"};
                return false;
            }
            flagsSeen = true;
            if (!ReadFlags(line, &flags, problem)) return false;
            continue;
        }
        if (!ReadTab(line, &tabs, problem)) return false;
        ++count;
    }
    if (count == 0) {
        *problem = Problem{0, std::string("the text names no tab: ") + kRefused + "write CONTEXT | LABEL lines"};
        return false;
    }
    out->assign({static_cast<std::uint8_t>(flags), static_cast<std::uint8_t>(flags >> 8)});
    out->insert(out->end(), tabs.begin(), tabs.end());
    out->push_back(0);
    return FitsTheModule(*out, "tab file", problem);
}

bool DecompileTabs(const Bytes& file, const Contexts&, std::string* text, std::string* why) {
    Read r;
    ReadBlock(file, &r);
    if (r.info.count == 0) {
        *why = std::string(kRefused) + zyl::TabFaultText(r.info.fault);
        return false;
    }
    std::string t = std::string(kTabHeader) + "\n";
    if (r.info.flags) {
        const std::uint32_t rest = r.info.flags & ~kPopupFlag;
        t += std::string("flags") + ((r.info.flags & kPopupFlag) ? " popup" : "") +
             (rest ? " " + std::to_string(rest) : "") + "\n";
    }
    for (const zyl::TabEntry& tab : r.tabs) t += Escape(tab.context) + " | " + Escape(tab.label) + "\n";
    *text = TextFile(t);
    return true;
}

bool CheckTabs(const Bytes& file, std::string* summary, std::vector<std::string>* notes) {
    Read r;
    ReadBlock(file, &r);
    if (r.info.count == 0) {
        *summary = std::string(kRefused) + zyl::TabFaultText(r.info.fault);
        return false;
    }
    *summary = std::to_string(r.info.count) + (r.info.count == 1 ? " tab" : " tabs") + "; the module shows it";
    if (r.info.fault == zyl::TabFault::kCut)
        notes->push_back(std::string(zyl::TabFaultText(r.info.fault)) + ": the tabs before it show");
    if (r.info.flags & ~kPopupFlag)
        notes->push_back("flags " + std::to_string(r.info.flags & ~kPopupFlag) + " mean nothing to the module");
    for (std::size_t i = 0; i < r.tabs.size(); ++i) {
        const std::string fault = ContextFault(r.tabs[i].context);
        if (!fault.empty()) notes->push_back("tab " + std::to_string(i + 1) + ": " + fault + ": no topic opens");
        if (!*r.tabs[i].label) notes->push_back("tab " + std::to_string(i + 1) + " has an empty label");
    }
    return true;
}

}  // namespace zyllist
