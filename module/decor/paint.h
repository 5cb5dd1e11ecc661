// The decoration painter: background colours and watermark pictures behind
// the topic text of the host's regions and popups, drawn whenever the host
// erases them (the subclass procedures of decor/subclass.cpp call it).
//
// Each erase is drawn into one off-screen bitmap and copied to the given
// DC in one step. That bitmap is a 32-bit DIB section the thread keeps
// between erases (at the largest client size it met), and the pictures are
// laid over its pixels directly from copies of their pixels the painter
// keeps too: an erase allocates no screenful of memory and leaves nothing
// to the platform's slow raster operations. Only the part of the client
// area inside the given DC's clip box is drawn and copied: a scroll's
// strip costs a strip.
//
// The background capture: an embedded window that draws over the region's
// background (a transparent picture, text, a mouse-over button) asks its
// parent to erase into its own small memory DC, whose window origin puts
// the parent's client coordinates where the window lies, while the
// module's capture flag is set (CaptureParentBackground in
// controls/embedded.h). The clip box of such a DC is the window's
// rectangle, so the painter draws just that part and copies it into the
// DC at the window's place: the window's bitmap receives exactly what the
// region shows behind it, at the window's cost, not the region's.
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

// Host message 5: what the painter keeps between erases.
void ReleasePaintState(InstanceRecord* inst);

}  // namespace zyl
