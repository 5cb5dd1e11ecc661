// The form control's parameter parser, profile keys and printed-text
// breaking on arbitrary text: they stay inside the text and their slots,
// report only their own errors, and what they accept fits the record.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "forms/animcontrol_parse.h"
#include "fuzz_support.h"

namespace {

using fuzzing::Check;

int Width(void*, const char* s, std::size_t n) {
    int w = 0;
    for (std::size_t i = 0; i < n; ++i) w += 1 + (static_cast<unsigned char>(s[i]) & 7);
    return w;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzzing::InputText input(data, size);
    char* text = input.get();
    const std::size_t length = std::strlen(text);

    for (bool printing : {false, true}) {
        zyl::FormParams p;
        const int e = zyl::ParseFormParams(text, printing, &p);
        Check(e == 0 || e == ZYL_ERR_SYNTAX || e == ZYL_ERR_CONTROL_TYPE || e == ZYL_ERR_NO_CONTROL_NAME);
        Check(std::strlen(p.group) < zyl::kFormNameChars && std::strlen(p.name) < zyl::kFormNameChars);
        if (e == 0) {
            Check(p.type >= zyl::kFormReset && p.type <= zyl::kFormMultiLine);
            Check(p.name[0] != '\0' && p.rows >= 1 && p.value <= 0xFFFF);
            Check(p.items.size() <= zyl::kFormTextBytes - 2);
            Check(p.macro == std::string(text + length - p.macro.size()));
            char key[zyl::kFormKeyChars];
            zyl::FormKey(p.group, p.name, printing, key);
            char lineKey[zyl::kFormLineKeyChars];
            zyl::FormLineKey(key, 0xFFFFFFFFu, lineKey);
        }
    }

    char section[zyl::kFormSectionChars];
    zyl::FormSectionName(text, section);
    Check(std::strlen(section) < zyl::kFormSectionChars);

    std::size_t joined = 0;
    for (const std::string& line : zyl::SplitFormLines(text)) joined += line.size();
    Check(joined <= length);

    const int area = static_cast<int>(size % 97);
    std::size_t previousEnd = 0;
    for (const zyl::FormLine& l : zyl::BreakFormText(text, 50, area, Width, nullptr)) {
        Check(l.start >= previousEnd && l.start + l.length <= length);
        previousEnd = l.start + l.length;
    }

    return 0;
}
