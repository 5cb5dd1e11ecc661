// The picture and movie controls' parameter parsers and the companion help
// file rule on arbitrary text: they stay inside the text, report only their
// own errors, and a string they accept gives settings a control can use.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "controls/animpict_parse.h"
#include "fuzz_support.h"

namespace {

// Accepts every picture except an empty name, so that the later fields
// are reached.
bool Load(void* calls, const char* name) {
    ++*static_cast<int*>(calls);
    return name[0] != '\0';
}

}  // namespace

using fuzzing::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzzing::InputText input(data, size);
    const char* text = input.get();
    const std::size_t length = std::strlen(text);

    int calls = 0;
    zyl::MovieParams movie;
    const int me = zyl::ParseMovieParams(text, zyl::PictureProbe{&calls, Load}, &movie);
    Check(me == 0 || (me >= ZYL_ERR_MISSING_BITMAP && me <= ZYL_ERR_FRAMES));
    Check(calls <= 1);
    Check(movie.file.find(' ') == std::string::npos);
    if (me == 0) {
        Check(movie.columns >= 1 && movie.rows >= 1 && movie.frames >= 1 && movie.delay >= 0);
        std::int32_t x = 0, y = 0;
        zyl::FramePosition(movie.frames - 1, movie.columns, 0x7FFF, 0x7FFF, &x, &y);
    }

    calls = 0;
    zyl::PictParams pict;
    const int pe = zyl::ParsePictParams(text, zyl::PictureProbe{&calls, Load}, &pict);
    Check(pe == 0 || pe == ZYL_ERR_MISSING_BITMAP || pe == ZYL_ERR_SYNTAX);
    Check(calls <= 1);
    if (pe == 0) {
        Check(pict.file.size() < length);
        Check(!pict.hasMacro || ((pict.flags & zyl::kPictClickable) && !pict.macro.empty()));
        // The macro is the string's own tail.
        Check(!pict.hasMacro || pict.macro == std::string(text + length - pict.macro.size()));
    }

    char companion[256];
    const std::size_t n = zyl::CompanionHelpFile(text, companion, sizeof companion);
    Check(n <= 255 && companion[n] == '\0');
    char tiny[3];
    Check(zyl::CompanionHelpFile(text, tiny, sizeof tiny) <= 2);

    return 0;
}
