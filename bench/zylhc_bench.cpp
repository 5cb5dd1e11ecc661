// The help compiler on a script of 2,000 topics (about 1.5 MB of text):
// time with LZ77 next to the plain compile (the reference, 1.00), and the
// size of the compressed help file next to the plain one.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/helpfile.h"
#include "zylhc.h"

namespace {

std::string Script() {
    static const char* const kWords[] = {"the", "module", "shows", "a", "picture", "button", "in", "topic",
                                         "window", "help", "file", "text", "of", "and", "macro", "runs"};
    std::string s = ".title Bench\n";
    std::uint32_t seed = 1;
    for (int t = 0; t < 2000; ++t) {
        s += ".topic t" + std::to_string(t) + "\n.title Topic " + std::to_string(t) + "\n";
        for (int p = 0; p < 6; ++p) {
            for (int w = 0; w < 20; ++w) {
                seed = seed * 1103515245u + 12345u;
                s += kWords[(seed >> 16) % 16];
                s += w == 19 ? "." : " ";
            }
            s += " See {link the next topic|t" + std::to_string((t + 1) % 2000) + "}.\n\n";
        }
    }
    return s;
}

struct Run {
    double seconds;
    std::size_t bytes;
};

Run Compile(zyl::MemoryFiles& files, bool compress) {
    zylhc::CompileOptions options;
    options.compress = compress;
    std::vector<std::uint8_t> help;
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    int runs = 0;
    do {
        if (!zylhc::Compile(files, "b.hts", {}, options, &help, &error)) {
            std::fprintf(stderr, "zylhc_bench: %s\n", error.c_str());
            std::exit(1);
        }
        ++runs;
    } while (std::chrono::steady_clock::now() - start < std::chrono::seconds(1));
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return Run{took.count() / runs, help.size()};
}

}  // namespace

int main() {
    const std::string script = Script();
    zyl::MemoryFiles files;
    files.Add("b.hts", script.data(), script.size());
    const Run plain = Compile(files, false), packed = Compile(files, true);
    std::printf("zylhc, %zu KB script: plain compile %.1f ms (1.00), --compress %.2f\n", script.size() / 1024,
                plain.seconds * 1000, packed.seconds / plain.seconds);
    std::printf("help file size: plain %zu KB (1.00), --compress %.2f\n", plain.bytes / 1024,
                static_cast<double>(packed.bytes) / static_cast<double>(plain.bytes));
    return 0;
}
