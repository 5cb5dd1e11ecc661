// The graphic and contents buttons' parsers and the label's line breaks on
// arbitrary text: fields stay inside their places, the parsers report only
// the syntax error, and every line lies inside the label it came from.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "controls/grapbtn_parse.h"
#include "fuzz_support.h"

namespace {

using fuzzing::Check;

bool Terminated(const char* field, std::size_t capacity) { return std::memchr(field, '\0', capacity) != nullptr; }

// Character widths from 0 to 15 pixels, by the byte.
int ByteWidths(void*, const char* text, std::size_t length) {
    int width = 0;
    for (std::size_t i = 0; i < length; ++i) width += static_cast<unsigned char>(text[i]) & 15;
    return width;
}

void CheckLook(const zyl::GrapBtnParams& p) {
    Check(Terminated(p.look.label, sizeof p.look.label) && Terminated(p.look.face, sizeof p.look.face));
    Check(Terminated(p.picture, sizeof p.picture) && Terminated(p.pressedPicture, sizeof p.pressedPicture));
    Check(!(p.look.flags & zyl::kGrapBtnPressed));
    Check(std::strchr(p.look.label, '|') == nullptr);
    Check(p.look.widthSetting >= 0 && p.look.widthSetting <= zyl::kGrapBtnMaxContent);
    Check(p.look.heightSetting >= 0 && p.look.heightSetting <= zyl::kGrapBtnMaxContent);
    Check(p.look.textColour <= 0xFFFFFFu && p.look.shadowColour <= 0xFFFFFFu);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzzing::InputText input(data, size);
    char* text = input.get();
    const std::size_t length = std::strlen(text);

    zyl::GrapBtnParams p;
    const int error = zyl::ParseGrapBtnParams(text, &p);
    Check(error == 0 || error == ZYL_ERR_SYNTAX);
    if (error == 0) {
        CheckLook(p);
        Check(p.macro == std::string(text + length - p.macro.size()));
        // Nine ';' at least: the last eight bytes give the sizes.
        const std::uint8_t* tail = data + size - 8;
        const int pictureWidth = tail[0] << 4, pictureHeight = tail[1] << 4, charHeight = tail[2], extent = tail[3] << 8;
        const zyl::GrapBtnSize s = zyl::MeasureGrapBtn(p.look, pictureWidth, pictureHeight, charHeight, extent);
        Check(s.contentWidth >= 0 && s.contentWidth <= zyl::kGrapBtnMaxContent);
        Check(s.buttonHeight == s.contentHeight + 8);
        const int width = tail[4], height = tail[5], line = tail[6] & 31;
        std::size_t previousEnd = 0;
        const auto lines = zyl::WrapLabel(p.look.label, width, height, line, zyl::TextMeasure{nullptr, ByteWidths});
        Check(line <= 0 || static_cast<int>(lines.size()) * line <= height);
        for (const zyl::LabelLine& l : lines) {
            Check(l.start >= previousEnd && l.start + l.length <= std::strlen(p.look.label));
            previousEnd = l.start + l.length;
        }
    }
    if (zyl::ParseTocButtonParams(text, &p) == 0) {
        CheckLook(p);
        Check(p.look.flags == zyl::kTocButtonFlags && p.macro.empty());
    }
    return 0;
}
