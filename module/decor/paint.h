// The decoration painter: background colours and watermark pictures behind
// the topic text of the host's regions and popups, drawn whenever the host
// erases them (the subclass procedures of decor/subclass.cpp call it).
//
// Each erase is drawn into one off-screen bitmap of the client size and
// copied to the given DC in one step. While the background capture flag is
// set (core/handler.h), the painter draws straight into the given DC
// instead: an embedded window that draws over the region's background (a
// transparent picture, text, a mouse-over button) asks its parent to erase
// into its own memory DC, whose window origin puts the parent's client
// coordinates where the window lies (CaptureParentBackground in
// controls/embedded.h). The painter draws in client coordinates whatever
// the DC's origin and limits its work to the DC's clip box.
#pragma once
#include <windows.h>

#include "core/thread/instance.h"

namespace zyl {

// Paints `decoration` into `dc` for the region (or popup) window: its
// colour, or the previous procedure's own erase when no colour is set, and
// its pictures. A popup keeps what the host drew in its frame margins. The
// result is the host's answer to WM_ERASEBKGND.
LRESULT PaintRegion(InstanceRecord* inst, HWND region, HDC dc, const RegionDecoration& decoration, WNDPROC previous,
                    bool popup);

// The rectangle of the region's client area that the decoration's pictures
// cover (loading them if needed); false when they cover nothing.
bool DecorationBounds(InstanceRecord* inst, HWND region, const RegionDecoration& decoration, RECT* bounds);

// Fills `rect` of `dc` with `colour`, unless it is kNoColour.
void FillBackground(HWND window, HDC dc, COLORREF colour, const RECT& rect);

}  // namespace zyl
