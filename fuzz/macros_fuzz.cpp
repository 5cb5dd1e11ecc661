// The macro splitter on arbitrary text: it must stay inside the buffer,
// leave only the '|' to ',' change behind, and hand out macros that end in ')'.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/macro/macrosplit.h"
#include "fuzz_support.h"

namespace {

struct Sink {
    std::size_t macros = 0;
    static void Run(void* ctx, const char* macro) {
        const std::size_t n = std::strlen(macro);
        if (n == 0 || macro[n - 1] != ')') std::abort();
        ++static_cast<Sink*>(ctx)->macros;
    }
    static void Pump(void*) {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzzing::InputText input(data, size);
    char* text = input.get();
    std::vector<char> expected(text, text + size + 1);
    for (std::size_t i = 0; i < size && expected[i]; ++i)
        if (expected[i] == '|') expected[i] = ',';
    Sink sink;
    zyl::SplitMacros(text, zyl::MacroSink{&sink, Sink::Run, Sink::Pump});
    if (std::memcmp(text, expected.data(), size + 1) != 0) std::abort();
    return 0;
}
