// The window and help-file macros' helpers on arbitrary bytes: a popup
// size never exceeds the screen, a sibling help-file path stays inside its
// buffer and ends with the name, and a script read into a full block is
// run without a step past the block.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/macro/macrosplit.h"
#include "core/wholefile.h"
#include "fuzz_support.h"
#include "macros/windowmacros_parse.h"

using fuzzing::Check;

namespace {

struct BlockSink {
    const char* begin;
    const char* end;
    static void Run(void* ctx, const char* macro) {
        auto* s = static_cast<BlockSink*>(ctx);
        Check(macro >= s->begin && macro + std::strlen(macro) < s->end);
    }
    static void Pump(void*) {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size >= 10) {
        const int screenWidth = static_cast<std::int16_t>(data[0] | data[1] << 8);
        const int screenHeight = static_cast<std::int16_t>(data[2] | data[3] << 8);
        const std::uint32_t flags = data[4] | static_cast<std::uint32_t>(data[5]) << 16;
        const zyl::PopupSize s = zyl::PopupSizeFor(static_cast<std::uint16_t>(data[6] | data[7] << 8),
                                                   static_cast<std::uint16_t>(data[8] | data[9] << 8), flags,
                                                   screenWidth, screenHeight);
        Check(s.width >= 0 && s.width <= std::max(screenWidth, 0));
        Check(s.height >= 0 && s.height <= std::max(screenHeight, 0));
    }

    // The text's two halves as the current help file and the name.
    const fuzzing::InputText input(data, size);
    const std::size_t half = size / 2;
    char* current = static_cast<char*>(std::malloc(half + 1));
    std::memcpy(current, input.get(), half);
    current[half] = '\0';
    const char* name = input.get() + half;
    const std::size_t capacity = size % 40 + 1;
    char* out = static_cast<char*>(std::malloc(capacity));
    if (zyl::SiblingHelpFilePath(current, name, out, capacity)) {
        const std::size_t n = std::strlen(out), nameLength = std::strlen(name);
        Check(n < capacity && n >= nameLength && std::strcmp(out + n - nameLength, name) == 0);
    } else {
        Check(out[0] == '\0');
    }
    std::free(out);
    std::free(current);

    // The bytes as a script file: the block holds them (cut when longer).
    char* block = static_cast<char*>(std::calloc(zyl::kWholeFileBytes, 1));
    std::memcpy(block, data, std::min(size, zyl::kWholeFileBytes));
    if (zyl::TerminateScriptBlock(block)) {
        BlockSink sink = {block, block + zyl::kWholeFileBytes};
        zyl::SplitMacros(block, {&sink, BlockSink::Run, BlockSink::Pump});
    } else {
        Check(block[0] == '\0');
    }
    std::free(block);
    return 0;
}
