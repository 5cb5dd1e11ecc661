#include "animmouse_parse.h"

#include <cstring>

#include "core/text.h"

namespace zyl {

namespace {

std::int32_t ReadSize(const std::string& field) {
    const auto v = static_cast<std::int32_t>(ReadULong(field.c_str(), nullptr));
    return v < 0 ? 0 : v > kMouseMaxSize ? kMouseMaxSize : v;
}

}  // namespace

int ParseAnimMouse(const char* data, AnimMouseParams* out) {
    *out = AnimMouseParams();
    const char* p = data ? data : "";
    std::string field;
    if (!TakeField(&p, &field)) return ZYL_ERR_SYNTAX;
    out->width = ReadSize(field);
    if (!TakeField(&p, &field)) return ZYL_ERR_SYNTAX;
    out->height = ReadSize(field);
    for (std::string* name : {&out->normal, &out->hover, &out->pressed})
        if (!TakeField(&p, name) || name->size() > kMousePictureChars) return ZYL_ERR_SYNTAX;
    if (!TakeField(&p, &field)) return ZYL_ERR_SYNTAX;
    out->flags = static_cast<std::uint16_t>(ReadULong(field.c_str(), nullptr, 16) & ~kMousePressed & 0xFFFFu);
    out->macro = p;
    return 0;
}

void MouseButtonSize(const AnimMouseParams& p, std::int32_t pictureWidth, std::int32_t pictureHeight,
                     std::int32_t* width, std::int32_t* height) {
    *width = p.width > pictureWidth ? p.width : pictureWidth;
    *height = p.height > pictureHeight ? p.height : pictureHeight;
}

MouseLook ChooseMouseLook(bool hasNormal, std::uint16_t flags, bool inside, bool pressed, bool resting) {
    MouseLook look = {MousePicture::kNone, false, MouseFrame::kNone, false};
    if (hasNormal) {
        if (resting || (!inside && !pressed)) {
            look.picture = MousePicture::kNormal;
            look.transparent = (flags & kMouseNormalTransparent) != 0;
        } else if (inside && pressed) {
            look.picture = MousePicture::kPressed;
            look.transparent = (flags & kMousePressedTransparent) != 0;
        } else {
            look.picture = MousePicture::kHover;
            look.transparent = (flags & kMouseHoverTransparent) != 0;
        }
    } else if (!resting && (inside || pressed)) {
        look.frame = inside && pressed ? MouseFrame::kSunken : MouseFrame::kRaised;
        look.shifted = inside && pressed;
    }
    return look;
}

}  // namespace zyl
