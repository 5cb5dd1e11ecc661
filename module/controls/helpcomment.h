// The comment tip a bullet list shows beside itself while the mouse rests
// on an item with a comment: two top-level windows of the class
// ZYL3_HELPCOMMENT, a light-yellow body holding the wrapped comment and a
// wedge pointing from it at the item. Each paints its picture once, when
// it is made, into a bitmap it keeps.
#pragma once
#include <windows.h>

#include "core/thread/instance.h"

namespace zyl {

// The tip's two windows, both null when there is none.
struct CommentTip {
    HWND body;
    HWND pointer;
};

// After every change of the list's hovered item: with a comment, the old
// tip goes and a new one shows beside `list` (SW_SHOWNOACTIVATE; it never
// takes the focus), pointing at the middle of `item` (client coordinates);
// with none (null or empty), a shown tip is hidden. `lineHeight` is the
// list's; `background` paints around the wedge; the text is in the
// instance's font.
void ShowCommentTip(CommentTip* tip, HWND list, const char* comment, const RECT& item, int lineHeight,
                    COLORREF background, InstanceRecord* inst);
// Destroys both windows (the list's end).
void DestroyCommentTip(CommentTip* tip);

}  // namespace zyl
