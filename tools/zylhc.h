// zylhc: compiles a topic script (docs/topic-scripts.md) and the files it
// names into a help file in the platform's help-file format.
//
//   zylhc [--compress] [--phrases|--hall] SCRIPT OUT.hlp [FILE|NAME=PATH]...
//
// The FILEs join the script's .baggage files as internal files. Every
// error names the script and the line; a failed compile writes nothing.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace zyl {
class FileSystem;
}

namespace zylhc {

struct CompileOptions {
    bool compress = false;      // LZ77 topic blocks
    bool phrases = false;       // phrase-compressed text in a |Phrases file
    bool hall = false;          // phrase-compressed text in |PhrIndex and |PhrImage
    std::uint32_t date = 0;     // written into the system file (seconds since 1970)
};

// Compiles the script at `scriptPath` into the bytes of a help file. The
// script and every file it takes in are read through `files`: .baggage
// paths relative to the script's folder, `extraFiles` ("PATH" or
// "NAME=PATH") as given. False with "SCRIPT:LINE: reason" (or a reason
// without a line) in `error`.
bool Compile(zyl::FileSystem& files, const std::string& scriptPath, const std::vector<std::string>& extraFiles,
             const CompileOptions& options, std::vector<std::uint8_t>* helpFile, std::string* error);

// Runs the command line (`args` without the program name). Returns the
// exit status: 0 done, 1 failed (message on `err`), 2 wrong usage.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zylhc
