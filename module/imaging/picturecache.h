// The shared picture cache of a host thread: one PictureEntry per file name,
// loaded into a device bitmap (all frames side by side) on first use and
// unloaded when too many others are loaded.
#pragma once
#include <windows.h>

#include "core/thread/instance.h"

namespace zyl {

// The entry for `name` (ASCII case ignored); made unloaded when new. Null
// only when the node pool is exhausted.
PictureEntry* FindOrCreatePictureEntry(InstanceRecord* inst, const char* name);

// Call before every use of the entry's bitmap or palette: stamps its last
// use and loads it when it is not loaded (first unloading the least recently
// used picture when more than 40 others are loaded). True when the entry has
// a bitmap afterwards. `firstFrameOnly` is for the watermark painter only.
bool EnsurePictureLoaded(InstanceRecord* inst, PictureEntry* entry, bool firstFrameOnly);

// Reads the entry's file (help file first or disk first, as the instance
// prefers) into a device bitmap strip and its palette, and fills the entry's
// frame, delay, transparency and hot-spot fields. Null when the file is
// missing or unreadable.
HBITMAP ReadPictureFile(InstanceRecord* inst, PictureEntry* entry, bool firstFrameOnly, HPALETTE* palette);

// Masked copy of the source rectangle onto the destination rectangle
// (stretched when the sizes differ): pixels of `transparent` colour leave the
// destination as it was. Non-zero on success.
BOOL DrawTransparent(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth,
                     int srcHeight, COLORREF transparent);

// The first frame of the entry's file, read afresh, as a device bitmap for
// `target`, with every colour-table entry equal to `whiten` turned white.
// Null on any failure.
HBITMAP RenderFirstFrame(InstanceRecord* inst, PictureEntry* entry, HDC target, COLORREF whiten);

// The palette for a packed DIB (header, colour table, bits), or null for
// pictures that need none.
HPALETTE CreatePaletteFromDib(const void* packedDib, std::size_t size);

}  // namespace zyl
