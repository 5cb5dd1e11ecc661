// The video window's parameter parser, the element names and the bar's
// geometry on arbitrary bytes: they stay inside their buffers, a name
// they make splits back into what went in, and the mark never leaves the
// track.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "media/video_parse.h"
#include "fuzz_support.h"

namespace {

std::int64_t Take(const std::uint8_t*& p, const std::uint8_t* end) {
    std::int64_t v = 0;
    for (int i = 0; i < 8 && p < end; ++i) v = v << 8 | *p++;
    return v;
}

}  // namespace

using fuzzing::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzzing::InputText input(data, size);
    const char* text = input.get();

    zyl::VideoParams params;
    const int error = zyl::ParseVideoParams(text, &params);
    Check(error == 0 || error == ZYL_ERR_SYNTAX);
    if (error == 0) {
        Check(std::strlen(params.fileName) < zyl::kVideoFileNameChars);
        Check(params.file.size() <= std::strlen(text));
        zyl::VideoIoProcCode(params.extension.c_str());
        char element[64], name[64];
        std::uint64_t address = 0;
        if (zyl::MakeElementName(params.file.c_str(), size * 0x9E3779B97F4A7C15ull, element, sizeof element)) {
            Check(zyl::SplitElementName(element, name, sizeof name, &address));
            Check(params.file == name && address == size * 0x9E3779B97F4A7C15ull);
        }
    }
    char name[16];
    std::uint64_t address = 0;
    if (zyl::SplitElementName(text, name, sizeof name, &address)) Check(std::strlen(name) < sizeof name);

    const std::uint8_t* p = data;
    const std::uint8_t* end = data + size;
    const int left = static_cast<int>(static_cast<std::int16_t>(Take(p, end)));
    const int right = static_cast<int>(static_cast<std::int16_t>(Take(p, end)));
    const std::int64_t position = Take(p, end) >> 1, length = Take(p, end) >> 1;
    const int x = zyl::MarkX(left, right, position, length);
    Check(x >= left - 4 && (right <= left ? x == left - 4 : x <= right - 4));
    const std::int64_t target = zyl::DragTarget(static_cast<int>(position % 100000), left, right, length & 0xFFFFFFFF);
    Check(target >= 0 && target <= (length & 0xFFFFFFFF));
    const zyl::VideoLayout layout =
        zyl::LayoutVideo(static_cast<std::uint16_t>(length), static_cast<int>(position & 0x7FFF), left & 0x7FFF);
    Check(layout.height >= layout.pictureHeight && layout.width >= 0);

    return 0;
}
