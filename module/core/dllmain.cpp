#include <windows.h>

#include <cstdlib>

#include "core/handler.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) zyl::ModuleAttach(instance);
    if (reason == DLL_PROCESS_DETACH) zyl::ModuleDetach();
    return TRUE;
}

// The module throws nothing, but the C++ runtime it links would otherwise
// bring its verbose terminate handler, and with it a symbol demangler and a
// formatted printer: a quarter of the shipped file. Failing silently is all
// a help viewer could make of it anyway.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}
