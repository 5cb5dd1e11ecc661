// The system file (|SYSTEM) of a help file: the file's title, copyright,
// the macros a help viewer runs when it opens the file, its windows, the
// contents topic, how its topics are compressed and its character set.
// Portable; the bytes come from the help file and are not trusted.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "script.h"

namespace zylscript {

struct SystemInfo {
    std::string title, copyright;
    std::vector<std::string> startupMacros;   // one record each, in order
    std::vector<WindowDef> windows;           // unnamed ones keep an empty name
    std::uint32_t minor = 0;                  // format version: 15 (3.0), 21 (3.1), 33 (4.0)
    std::uint32_t flags = 0;                  // 0 plain, 4 or 8 LZ77 topic blocks
    bool hasContents = false;
    std::uint32_t contents = 0;               // topic offset of the contents topic
    int charset = -1;                         // the platform's character set number, -1 not given
};

// False, with the reason, when the bytes are not a system file: a wrong
// magic number or version, or a record that runs past the end.
bool ReadSystemFile(const std::uint8_t* data, std::size_t size, SystemInfo* out, std::string* error);

}  // namespace zylscript
