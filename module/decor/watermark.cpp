// The help macros that decorate a help window: ZylWatermark and Watermark
// set or clear one picture of a region, ZylSPC the background colours of
// both regions. They only store the settings in the window's record and
// repaint what shows them; pictures are read when first painted.
#include <windows.h>

#include <initializer_list>

#include "core/platform.h"
#include "core/text.h"
#include "core/thread/instance.h"
#include "decor/decor_geom.h"
#include "imaging/picturecache.h"
#include "zyl3an32.h"

namespace zyl {

namespace {

// The record a macro means: that of the named help window, or without a
// name that of the frame of the window the host is working on.
WindowRecord* MacroRecord(InstanceRecord* inst, const char* windowName) {
    if (!windowName || !*windowName) {
        HWND current = reinterpret_cast<HWND>(HostGetInfo(inst, GI_CURRHWND));
        return current ? FindWindowRecordByHwnd(inst, GetParent(current)) : nullptr;
    }
    // Window names have 8 characters at most: a longer one means its first 8.
    char name[kWindowNameChars];
    CopyBounded(name, sizeof name, windowName);
    return GetWindowRecord(inst, name, true);
}

// The region of the record's window that shows a decoration: its child of
// that class, or a popup itself, whose topic decoration it paints.
HWND ShownRegion(const WindowRecord* rec, const char* cls) {
    if (!rec->hwnd) return nullptr;
    if (HWND child = FindChildByClass(rec->hwnd, cls)) return child;
    char own[33];
    if (EqualNoCase(cls, ZYL_HOST_CLASS_TOPIC) && GetClassNameA(rec->hwnd, own, sizeof own) &&
        EqualNoCase(own, ZYL_HOST_CLASS_POPUP))
        return rec->hwnd;
    return nullptr;
}

void SetWatermark(const char* windowName, const char* pictureName, std::uint16_t flags) {
    InstanceRecord* inst = FindInstance();
    WindowRecord* rec = inst ? MacroRecord(inst, windowName) : nullptr;
    if (!rec) return;
    RegionDecoration& d = (flags & kDecorNsr) ? rec->nsr : rec->topic;
    const bool fileWide = (flags & kDecorFileWide) != 0;
    PictureEntry*& picture = fileWide ? d.fileWide : d.perTopic;
    std::uint16_t& stored = fileWide ? d.fileWideFlags : d.perTopicFlags;
    bool changed;
    if (!pictureName || !*pictureName) {
        // Clearing keeps the flags: they mean nothing without a picture.
        changed = picture != nullptr;
        picture = nullptr;
    } else {
        PictureEntry* entry = FindOrCreatePictureEntry(inst, pictureName);
        if (!entry) return;
        changed = entry != picture || stored != flags;
        picture = entry;
        stored = flags;
    }
    if (!changed) return;
    if (HWND region = ShownRegion(rec, (flags & kDecorNsr) ? ZYL_HOST_CLASS_NSR : ZYL_HOST_CLASS_TOPIC))
        InvalidateRect(region, nullptr, TRUE);
}

}  // namespace

}  // namespace zyl

extern "C" void CALLBACK ZylWatermark(LPCSTR windowName, LPCSTR pictureName, DWORD flags) {
    zyl::SetWatermark(windowName, pictureName, static_cast<std::uint16_t>(flags));
}

extern "C" void CALLBACK Watermark(LPCSTR pictureName, WORD flags) { zyl::SetWatermark(nullptr, pictureName, flags); }

extern "C" void CALLBACK ZylSPC(LPCSTR windowName, DWORD nsrColour, DWORD topicColour) {
    using namespace zyl;
    InstanceRecord* inst = FindInstance();
    WindowRecord* rec = inst ? MacroRecord(inst, windowName) : nullptr;
    if (!rec) return;
    rec->nsr.colour = nsrColour;
    rec->topic.colour = topicColour;
    for (const char* cls : {ZYL_HOST_CLASS_NSR, ZYL_HOST_CLASS_TOPIC}) {
        if (HWND region = ShownRegion(rec, cls)) {
            InvalidateRect(region, nullptr, TRUE);
            UpdateWindow(region);
        }
    }
}
