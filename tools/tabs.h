// Tab files (the tab bar's, ZYL3_ANIMTAB32) from their text and back. The
// text (docs/zyllist.md):
//
//   tab bar
//   flags popup                 optional: tabs open their topics as popups
//   intro | Introduction        context string | label, one line per tab
//   steps | Steps
//
// Portable.
#pragma once
#include <string>
#include <vector>

#include "listtext.h"

namespace zyllist {

extern const char kTabHeader[];   // "tab bar"

bool CompileTabs(const std::vector<TextLine>& lines, Bytes* out, Problem* problem);
// The text of a tab file, in the form CompileTabs reads back to the same
// bytes up to the file's end. False with the module's reason when it would
// show no tab. `contexts` is not used: a tab file keeps its context strings.
bool DecompileTabs(const Bytes& file, const Contexts& contexts, std::string* text, std::string* why);
// What the module makes of a tab file: false with the reason when it shows
// no tab; `notes` gets what shows other than an author may expect.
bool CheckTabs(const Bytes& file, std::string* summary, std::vector<std::string>* notes);

}  // namespace zyllist
