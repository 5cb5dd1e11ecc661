// The window and help-file macro routines: a switch to disk files first,
// the size of popups, a flush of the message queue, macro scripts stored
// in help files, and the start of the sibling contents module.
#include <windows.h>

#include <cstdlib>

#include "core/macro/macros.h"
#include "core/text.h"
#include "core/thread/instance.h"
#include "core/wholefile_win32.h"
#include "macros/windowmacros_parse.h"
#include "zyl3an32.h"

namespace zyl {

namespace {

// A script may run a script (itself, even): deeper than this, a script is
// not run, so that a loop of scripts ends instead of the thread's stack.
constexpr int kMaxScriptDepth = 8;
static_assert(ZYLSPP_NEXT_ONLY == kPopupNextOnly && (ZYLSPP_PIXELS & kPopupPixels) != 0, "ZylSPP's flags");

// The script `name` of the help file at the instance's helpFilePath (or
// from disk), run in that help file. The macros may end the thread's
// session with the module: the record is found again afterwards, and
// returned (null when it is gone).
InstanceRecord* RunScriptFile(InstanceRecord* inst, const char* name) {
    if (inst->scriptDepth >= kMaxScriptDepth) return inst;
    char* block = static_cast<char*>(std::malloc(kWholeFileBytes));
    if (!block) return inst;
    if (ReadWholeFile(inst, name, block) && TerminateScriptBlock(block)) {
        ++inst->scriptDepth;
        RunMacros(inst, inst->helpFilePath, block);
        inst = FindInstance();
        if (inst && inst->scriptDepth > 0) --inst->scriptDepth;
    }
    std::free(block);
    return inst;
}

}  // namespace

}  // namespace zyl

using namespace zyl;

// Registering it is how a help file announces the module; it has nothing to do.
extern "C" void CALLBACK ZylAnimInit(void) {}

extern "C" void CALLBACK ZylBagExt(void) {
    if (InstanceRecord* inst = FindInstance()) inst->preferDiskFiles = TRUE;
}

extern "C" void CALLBACK ZylSPP(DWORD, DWORD, WORD width, WORD height, DWORD flags) {
    InstanceRecord* inst = FindInstance();
    WindowRecord* popup = inst ? GetWindowRecord(inst, "popup", true) : nullptr;
    if (!popup) return;
    const PopupSize size =
        PopupSizeFor(width, height, flags, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    if (flags & kPopupNextOnly) {
        popup->popupTopicWidth = size.width;
        popup->popupTopicHeight = size.height;
    } else {
        popup->popupWidth = size.width;
        popup->popupHeight = size.height;
    }
}

extern "C" void CALLBACK ZylFlush(void) {
    for (int i = 0; i < 4; ++i) PumpMessages(nullptr);
}

extern "C" void CALLBACK ZylEBS(LPCSTR fileName) {
    if (InstanceRecord* inst = FindInstance()) RunScriptFile(inst, fileName);
}

extern "C" void CALLBACK ZylEBSX(LPCSTR helpFile, LPCSTR fileName) {
    InstanceRecord* inst = FindInstance();
    if (!inst) return;
    GetHelpFileEntry(inst, true);   // the current path, asked for when there is none yet
    char saved[kPathChars], other[kPathChars];
    CopyBounded(saved, sizeof saved, inst->helpFilePath);
    if (!SiblingHelpFilePath(saved, helpFile, other, sizeof other)) return;
    // For the call, the other help file is the instance's: the script is
    // read from it and its macros run in it.
    CopyBounded(inst->helpFilePath, sizeof inst->helpFilePath, other);
    if ((inst = RunScriptFile(inst, fileName)) != nullptr)
        CopyBounded(inst->helpFilePath, sizeof inst->helpFilePath, saved);
}

extern "C" BOOL CALLBACK ZylFWSM(LPCSTR className, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!className || !className[0]) return FALSE;
    HWND window = FindWindowA(className, nullptr);
    if (!window) return FALSE;
    if (InstanceRecord* inst = FindInstance()) {
        GetHelpFileEntry(inst, true);
        static const char kRegister[] = "RR(`zyl3ctnt.dll',`ZylCtntInit'',`')";
        static const char kStart[] = "ZylCtntInit()";
        HostApi(inst, inst->helpFilePath, ZYL_API_EXECUTE_MACRO, reinterpret_cast<LONG_PTR>(kRegister));
        HostApi(inst, inst->helpFilePath, ZYL_API_EXECUTE_MACRO, reinterpret_cast<LONG_PTR>(kStart));
    }
    return PostMessageA(window, message, wParam, lParam);
}
