// zylpack: puts files into help files and takes them out again.
//
//   zylpack create OUT.hlp FILE...      a new help file holding the files
//   zylpack add HELPFILE FILE...        adds or replaces files, keeping the rest
//   zylpack list HELPFILE               one line per internal file: name, tab, size
//   zylpack extract HELPFILE NAME [OUT] one internal file to OUT ("-": standard output)
//
// FILE is a path (the internal name is its bare file name) or NAME=PATH.
// Output goes to a temporary file beside the target, renamed over it at the
// end: a failed command leaves every file as it was.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace zylpack {

// An internal file given by its bytes.
struct NamedBytes {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

// Adds `files` to the existing help file at `path`, as `add` does: files of
// the same names are replaced, the others kept in their order. False with
// the reason in `error`; the help file is then as it was.
bool AddToHelpFile(const std::string& path, const std::vector<NamedBytes>& files, std::string* error);

// Runs one command (`args` without the program name). Returns the exit
// status: 0 done, 1 failed (message on `err`), 2 wrong usage.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The file name `extract` writes to when no OUT is given: the internal name
// with path separators and characters file systems refuse made '_'.
std::string DefaultExtractName(const std::string& internalName);

}  // namespace zylpack
