#include <windows.h>

#include "framework.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) zyl::ModuleAttach(instance);
    return TRUE;
}
