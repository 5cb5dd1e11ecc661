// The bullet list's parameter string on arbitrary text, and the layout,
// hit test and scrolling of what it accepts: errors only in field order,
// sizes never below the minimum, positions always inside the range.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "controls/animbullet_parse.h"
#include "fuzz_support.h"

namespace {

using fuzzing::Check;

// Accepts every file but an empty name, so that the later fields are reached.
int Load(void* calls, const char* name) {
    ++*static_cast<int*>(calls);
    return name[0] ? 0 : ZYL_ERR_BULLET_FILE;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzzing::InputText input(data, size);
    char* text = input.get();
    int calls = 0;
    zyl::BulletParams params;
    const int error = zyl::ParseBulletParams(text, zyl::BulletFileProbe{&calls, Load}, &params);
    Check(error == 0 || error == ZYL_ERR_SYNTAX || error == ZYL_ERR_BULLET_FILE);
    Check(calls <= 1);
    if (error == 0) {
        // Text widths and a character height from the string's own bytes.
        int widths[zyl::kMaxBulletItems];
        const int count = static_cast<int>(size % (zyl::kMaxBulletItems + 1));
        for (int i = 0; i < count; ++i) widths[i] = static_cast<int>(data[i % size]) * 7;
        const int charHeight = size ? data[0] % 64 : 16;
        const zyl::BulletLayout l = zyl::LayoutBulletList(params, widths, count, charHeight, 17);
        Check(l.lineHeight >= 12 && l.page >= 1 && l.scrollRange >= 0);
        Check(l.width > 0 && l.height > 0);
        Check(!(params.flags & zyl::kBulletFixedSize) || params.width == 0 || l.width >= 54);
        Check(!l.scrolling || l.height >= 54);
        int position = 0;
        for (std::size_t i = 0; i < size; ++i) {
            position = zyl::BulletScrollPosition(data[i] % 9, data[i] * 3, position, l);
            Check(position >= 0 && position <= l.scrollRange);
            const int hit = zyl::BulletItemAt(widths, count, l.lineHeight, position, l.height, data[i], data[i] / 2);
            Check(hit >= 0 && hit <= count);
        }
    }
    return 0;
}
