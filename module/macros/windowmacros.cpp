// Small macro routines that help macros call.
#include <windows.h>

#include "zyl3an32.h"

// Registering it is how a help file announces the module; it has nothing to do.
extern "C" void CALLBACK ZylAnimInit(void) {}
