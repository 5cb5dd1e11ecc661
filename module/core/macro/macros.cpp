#include "core/macro/macros.h"

#include <cstdlib>
#include <cstring>

#include "core/macro/macrosplit.h"
#include "core/text.h"
#include "zyl3an32.h"

namespace zyl {

namespace {

struct RunContext {
    InstanceRecord* inst;
    const char* helpFile;
};

void RunOne(void* context, const char* macro) {
    auto* rc = static_cast<RunContext*>(context);
    HostApi(rc->inst, rc->helpFile, ZYL_API_EXECUTE_MACRO, reinterpret_cast<LONG_PTR>(macro));
}

void PumpAfter(void*) { PumpMessages(nullptr); }

}  // namespace

void PumpMessages(HWND dialog) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The host's own loop must still see it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (dialog && IsDialogMessageA(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void RunMacros(InstanceRecord* inst, const char* helpFile, char* text) {
    if (!text) return;
    for (char* p = text; *p; ++p)
        if (*p == '|') *p = ',';
    // A macro may destroy the window whose text is being run (a jump
    // re-lays the topic), so the run works on its own copy; the caller's
    // buffer keeps the commas and never sees the temporary cuts.
    const std::size_t n = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(n));
    // Path too: it usually lives in the same control record.
    char path[kPathChars];
    CopyBounded(path, sizeof path, helpFile);
    RunContext rc = {inst, path};
    const MacroSink sink = {&rc, RunOne, PumpAfter};
    if (copy) {
        std::memcpy(copy, text, n);
        SplitMacros(copy, sink);
        std::free(copy);
    } else {
        SplitMacros(text, sink);
    }
}

}  // namespace zyl
