// The sound, font, shell and display macro routines (mediamacros.cpp): the
// platform calls they make that a test needs to stand in for, because the
// platform cannot do them everywhere (no sound device under Wine).
#pragma once
#include <windows.h>

namespace zyl {

// How ZylSndPlay plays a sound file: sndPlaySoundA unless a test put a
// recording stand-in here.
extern BOOL(WINAPI* g_playSound)(LPCSTR path, UINT flags);

}  // namespace zyl
