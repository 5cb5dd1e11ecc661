// Running the author's macros in the host.
#pragma once
#include <windows.h>

#include "core/thread/instance.h"

namespace zyl {

// Runs every complete macro of `text` in the help file `helpFile` through
// the host's API callback (command 0x102). Every '|' of `text` becomes ','
// for good.
void RunMacros(InstanceRecord* inst, const char* helpFile, char* text);

// Handles every message waiting in the calling thread's queue. Messages
// the dialog `dialog` (if any) accepts are not dispatched again.
void PumpMessages(HWND dialog);

}  // namespace zyl
