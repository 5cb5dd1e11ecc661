// The host's entry into the module: LDLLHandler and the window classes.
#pragma once
#include <windows.h>

namespace zyl {

struct WindowClassSpec {
    const char* name;
    WNDPROC proc;
    UINT style;
    int windowBytes;      // bytes the class keeps its record pointer in
    bool arrowCursor;
    int backgroundStock;  // stock brush index, or -1 for none
};

// The classes registered at the first initialisation, in order.
const WindowClassSpec* ClassTable(int* count);
LONG RegistrationCount();

// How termination removes an installed font resource. Wine's own call
// always fails, so the tests put a recording stand-in here.
extern BOOL(WINAPI* g_removeFontResource)(LPCSTR path);

}  // namespace zyl
