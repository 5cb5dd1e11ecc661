// The file-name and command-line helpers of the sound, font and shell
// routines on arbitrary bytes: they stay inside their buffers, always
// terminate, and what they return is made of what went in.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "media/mediamacros_parse.h"
#include "fuzz_support.h"

using fuzzing::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzzing::InputText input(data, size);
    const char* text = input.get();
    const std::size_t length = std::strlen(text);

    zyl::PathParts parts;
    zyl::SplitPath(text, &parts);
    const std::size_t partsLength =
        std::strlen(parts.drive) + std::strlen(parts.directory) + std::strlen(parts.name) + std::strlen(parts.extension);
    Check(partsLength <= length);
    if (length < zyl::kPathPartChars) Check(partsLength == length);

    // Small buffers, so that the limits are met often.
    const std::size_t capacity = size % 24 + 1;
    char* out = static_cast<char*>(std::malloc(capacity));
    if (zyl::BareFileName(text, size & 1, out, capacity)) {
        Check(std::strlen(out) < capacity && std::strlen(out) > 0);
        Check(std::strlen(out) == std::strlen(parts.name) + std::strlen(parts.extension) || length >= zyl::kPathPartChars);
    } else {
        Check(out[0] == '\0');
    }
    if (zyl::CommandLineProgram(text, out, capacity)) Check(std::strstr(text, out) != nullptr);
    else Check(out[0] == '\0');
    const char* half = text + length / 2;
    if (zyl::JoinPath(half, text, out, capacity)) Check(std::strlen(out) >= std::strlen(text));
    else Check(out[0] == '\0');

    if (size >= 3) {
        const zyl::DisplayFacts facts = {data[0] * 8, data[1] % 40, data[2] % 5};
        const int holds = zyl::DisplayTestHolds(data[0], facts);
        Check(holds == 0 || holds == 1);
        Check(zyl::VideoInfoDisplayTest(data[1]) <= 6);
    }
    std::free(out);
    return 0;
}
