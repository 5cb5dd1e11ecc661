// The mouse-over button's parser and looks on arbitrary text: sizes stay in
// range, names within 15 characters, the pressed bit never comes from the
// author, the macro is the string's tail.
#include <cstring>
#include <string>

#include "controls/animmouse_parse.h"
#include "fuzz_support.h"

using fuzzing::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::InputText input(data, size);
    const char* text = input.get();
    zyl::AnimMouseParams p;
    const int error = zyl::ParseAnimMouse(text, &p);
    Check(error == 0 || error == ZYL_ERR_SYNTAX);
    if (error) return 0;
    Check(p.width >= 0 && p.width <= zyl::kMouseMaxSize && p.height >= 0 && p.height <= zyl::kMouseMaxSize);
    for (const std::string* name : {&p.normal, &p.hover, &p.pressed})
        Check(name->size() <= zyl::kMousePictureChars && name->find(';') == std::string::npos);
    Check(!(p.flags & zyl::kMousePressed));
    const std::size_t length = std::strlen(text);
    Check(p.macro.size() <= length && p.macro == std::string(text + length - p.macro.size()));
    for (int state = 0; state < 16; ++state) {
        const zyl::MouseLook l = zyl::ChooseMouseLook(state & 1, p.flags, state & 2, state & 4, state & 8);
        Check((state & 1) ? l.frame == zyl::MouseFrame::kNone : l.picture == zyl::MousePicture::kNone);
        Check(!l.shifted || l.frame == zyl::MouseFrame::kSunken);
    }
    return 0;
}
