// The module's window classes in the order they are registered at the first
// initialisation; at the last termination they are unregistered in the same
// order, less those whose descriptor says they stay. One row per class: the
// name of its descriptor. A class not written yet has its row commented
// out; writing the class means uncommenting its row, nothing else here.
// Rows stand apart so that classes added on separate branches never touch
// the same lines.
//
// No include guard: embedded.h includes this list to declare the
// descriptors, embedded.cpp once more to build the table.

ZYL_CLASS(kAnimButtonClass)          //  1 push button

ZYL_CLASS(kAnimVideoClass)           //  2 video window

ZYL_CLASS(kAnimTextClass)            //  3 animated text

ZYL_CLASS(kAnimMovieClass)           //  4 movie (frame grid)

ZYL_CLASS(kAnimPictClass)            //  5 picture

ZYL_CLASS(kVideoBarClass)            //  6 video control bar

ZYL_CLASS(kAnimControlClass)         //  7 form control

ZYL_CLASS(kAnimControlXClass)        //  8 drop-down list wrapper (stays registered)

ZYL_CLASS(kAnimTabClass)             //  9 tab bar

ZYL_CLASS(kAnimGrapBtnClass)         // 10 graphic button

ZYL_CLASS(kAnimSplashClass)          // 11 splash window

ZYL_CLASS(kAnimTocButtonClass)       // 12 contents button

ZYL_CLASS(kAnimMouseBtnClass)        // 13 mouse-over button

ZYL_CLASS(kAnimBulletClass)          // 14 bullet list

ZYL_CLASS(kToolTipClass)             // 15 comment tip (stays registered)
