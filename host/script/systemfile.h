// The system file (|SYSTEM) of a compiled help file: the file's title and
// the macros a help viewer runs when it opens the file. Portable; the bytes
// come from the help file and are not trusted.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zylscript {

struct SystemInfo {
    std::string title;
    std::vector<std::string> startupMacros;   // one record each, in order
};

// False, with the reason, when the bytes are not a system file: a wrong
// magic number or version, or a record that runs past the end.
bool ReadSystemFile(const std::uint8_t* data, std::size_t size, SystemInfo* out, std::string* error);

}  // namespace zylscript
