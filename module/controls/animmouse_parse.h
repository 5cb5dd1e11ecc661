// The mouse-over button (ZYL3_ANIMMOUSE32): its parameter string, its size
// rule and which look each mouse state gets, none of which needs a window.
// Portable: no <windows.h>.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "resources/resource.h"

namespace zyl {

// Author flags (hexadecimal): the picture of that state is drawn with the
// colour of its top-left pixel left out.
enum AnimMouseFlag : std::uint16_t {
    kMouseNormalTransparent = 1,
    kMouseHoverTransparent = 2,
    kMousePressedTransparent = 4,
    kMousePressed = 0x8000,      // the control's own state; never taken from the author
};

constexpr std::size_t kMousePictureChars = 15;
// Given sizes stop here: the button is drawn in one memory bitmap.
constexpr std::int32_t kMouseMaxSize = 4096;

// width;height;normal;hover;pressed;flags;macro
struct AnimMouseParams {
    std::int32_t width = 0, height = 0;    // decimal, 0..kMouseMaxSize
    std::string normal, hover, pressed;    // picture names; "" = none
    std::uint16_t flags = 0;               // without kMousePressed
    std::string macro;                     // the rest of the string; "" = none
};

// Returns 0 or ZYL_ERR_SYNTAX: fewer than six ';', or a picture name longer
// than 15 characters (cut short it would name another picture).
int ParseAnimMouse(const char* data, AnimMouseParams* out);

// The button's size: each dimension the larger of the given one and the
// normal picture's (0 x 0 without one).
void MouseButtonSize(const AnimMouseParams& p, std::int32_t pictureWidth, std::int32_t pictureHeight,
                     std::int32_t* width, std::int32_t* height);

// What the button shows over the region's background.
enum class MousePicture { kNone, kNormal, kHover, kPressed };
enum class MouseFrame { kNone, kRaised, kSunken };
struct MouseLook {
    MousePicture picture;   // with a normal picture given
    bool transparent;       // that picture's flag
    MouseFrame frame;       // without a normal picture
    bool shifted;           // the background moved by (1, 1): pressed inside, no pictures
};
// `inside`: the cursor over the button; `pressed`: the button held down;
// `resting`: the resting look whatever the mouse does (printing).
MouseLook ChooseMouseLook(bool hasNormal, std::uint16_t flags, bool inside, bool pressed, bool resting);

}  // namespace zyl
