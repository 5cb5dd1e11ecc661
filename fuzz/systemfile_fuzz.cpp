// zylhost's reader of a compiled help file's system file, on arbitrary
// bytes: it reads them or refuses them with a reason.
#include <cstddef>
#include <cstdint>
#include <string>

#include "systemfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zylscript::SystemInfo info;
    std::string error;
    if (!zylscript::ReadSystemFile(data, size, &info, &error) && error.empty()) __builtin_trap();
    for (const std::string& m : info.startupMacros)
        if (m.empty()) __builtin_trap();
    return 0;
}
