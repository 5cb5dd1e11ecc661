// The help compiler on arbitrary scripts, all in memory: a script either
// compiles into a help file whose system, topic, context and font files are
// found, or is refused with a reason naming the script.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/helpfile.h"
#include "zylhc.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte chooses LZ77 or plain blocks; the rest is the script.
    if (size == 0) return 0;
    zyl::MemoryFiles files;
    files.Add("s.hts", data + 1, size - 1);
    files.Add("pic.gif", "GIF89a", 6);   // a picture a .baggage line may name
    {
        zylhc::CompileOptions options;
        options.compress = (data[0] & 1) != 0;
        std::vector<std::uint8_t> help;
        std::string error;
        if (!zylhc::Compile(files, "s.hts", {}, options, &help, &error)) {
            if (error.rfind("s.hts:", 0) != 0) __builtin_trap();
            return 0;
        }
        files.Add("out.hlp", help.data(), help.size());
        zyl::HelpFileHandle* h = zyl::OpenHelpFile(files, "out.hlp");
        if (!h) __builtin_trap();
        for (const char* name : {"|SYSTEM", "|TOPIC", "|CONTEXT", "|FONT", "|TTLBTREE", "|CTXOMAP"}) {
            zyl::DataFile* f = zyl::FindInternalFile(h, name);
            if (!f) __builtin_trap();
            zyl::DataFileClose(f);
        }
        zyl::CloseHelpFile(h);
    }
    return 0;
}
