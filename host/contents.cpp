// The host's answer to a contents button: the frame it sits in gets
// ZYL_HOST_MSG_BUTTONPOINT with the button's lower-left corner on the
// screen, and shows the topic script's topics there as a popup menu; the
// topic chosen is shown in that frame.
#include <string>

#include "host_impl.h"

namespace zylhost {

namespace {

constexpr UINT kMaxContentsItems = 1000;

}  // namespace

void Host::Impl::ShowContents(Frame& frame, LPARAM point) {
    const HWND hwnd = frame.hwnd;   // the frame may be gone when the menu closes
    const int x = static_cast<short>(LOWORD(point)), y = static_cast<short>(HIWORD(point));
    Note("Contents: menu at " + std::to_string(x) + ", " + std::to_string(y) + " in " + frame.name);
    if (!haveScript || script.topics.empty()) return;
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    for (UINT i = 0; i < script.topics.size() && i < kMaxContentsItems; ++i) {
        const UINT checked = static_cast<int>(i) == frame.topic ? MF_CHECKED : 0;
        AppendMenuW(menu, MF_STRING | checked, i + 1, Wide(script.topics[i].title).c_str());
    }
    SetForegroundWindow(hwnd);
    const int chosen = TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0,
                                      hwnd, nullptr);
    DestroyMenu(menu);
    if (chosen <= 0 || static_cast<std::size_t>(chosen) > script.topics.size()) return;
    Note("Contents: " + script.topics[static_cast<std::size_t>(chosen - 1)].context + " chosen");
    Navigation nav;
    nav.topic = chosen - 1;
    nav.frame = hwnd;
    Queue(std::move(nav));
}

}  // namespace zylhost
