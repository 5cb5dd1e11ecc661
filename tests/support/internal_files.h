// The internal files of a help file in memory, in directory order: for
// tests that take a help file apart, change a file of it and put it back
// together. Header-only, for the native and the Windows-side tests alike.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/helpfile.h"

namespace zyltest {

inline std::vector<std::pair<std::string, std::vector<std::uint8_t>>> InternalFiles(const std::vector<std::uint8_t>& help) {
    zyl::MemoryFiles files;
    files.Add("t.hlp", help.data(), help.size());
    zyl::HelpFilePtr h(zyl::OpenHelpFile(files, "t.hlp"));
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> out;
    if (!h) return out;
    std::vector<std::string> names;
    zyl::WalkDirectory(
        h.get(),
        [](void* c, const char* name, std::uint32_t) {
            static_cast<std::vector<std::string>*>(c)->push_back(name);
            return true;
        },
        &names);
    for (const std::string& n : names) {
        zyl::DataFilePtr f(zyl::FindInternalFile(h.get(), n.c_str()));
        std::vector<std::uint8_t> b;
        if (f) zyl::ReadAllBytes(f.get(), &b);
        out.emplace_back(n, std::move(b));
    }
    return out;
}

}  // namespace zyltest
