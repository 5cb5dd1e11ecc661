// The animated text's parser and reveal on arbitrary text: fields stay in
// their buffers, only the two errors come out, and the shown part always
// lies inside the text.
#include <cstring>

#include "controls/animtext_parse.h"
#include "fuzz_support.h"

using fuzzing::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::InputText input(data, size);
    zyl::AnimTextParams p;
    const int error = zyl::ParseAnimText(input.get(), &p);
    Check(error == 0 || error == ZYL_ERR_SYNTAX || error == ZYL_ERR_FONT_SIZE);
    Check(std::memchr(p.text, '\0', sizeof p.text) && std::memchr(p.face, '\0', sizeof p.face));
    if (error) return 0;
    Check(p.length == static_cast<std::int32_t>(std::strlen(p.text)) && !std::strchr(p.text, ';'));
    Check(p.size != 0 && p.size <= zyl::kAnimTextMaxFontSize && p.size >= -zyl::kAnimTextMaxFontSize);
    Check(p.colour <= 0xFFFFFFu);
    for (std::int32_t shown = -1; shown <= p.length + 1; ++shown) {
        std::int32_t start = -1, count = -1;
        zyl::RevealedPart(p.length, shown, p.flags, &start, &count);
        Check(start >= 0 && count >= 0 && start + count <= p.length);
        Check(count == (shown < 0 ? 0 : shown > p.length ? p.length : shown));
    }
    return 0;
}
