// zyllist: the list files the module's windows read (bullet and tab files), written
// from readable text and read back into it (docs/zyllist.md).
//
//   zyllist compile TEXT [OUT]                   the list file beside the text
//   zyllist compile TEXT --into HELPFILE [NAME]  stored in a help file
//   zyllist decompile FILE [OUT]                 the text of a list file
//   zyllist decompile --from HELPFILE NAME [OUT]
//   zyllist --check FILE                         what the module makes of it
//   zyllist --check --from HELPFILE NAME
//
// The kind of list comes from the text's first line ("bullet list", "tab
// bar") or the compiled file's extension (.bul, .tab); --kind NAME says it
// for any name.
// Decompiling writes a topic hash as its context string when a topic script
// names it (--contexts SCRIPT, or the script inside the help file read from).
#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace zyllist {

// Runs one command (`args` without the program name). Returns the exit
// status: 0 done, 1 failed or refused (message on `err`), 2 wrong usage.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zyllist
