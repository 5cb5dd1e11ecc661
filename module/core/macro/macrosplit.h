// Cutting an author's macro text into single macros. Portable: the module's
// macro runner supplies the host call and the message pump.
#pragma once

namespace zyl {

struct MacroSink {
    void* context;
    void (*run)(void* context, const char* macro);   // one complete macro
    void (*pump)(void* context);                     // after window-positioning macros
};

// Position after the quoted string that starts at `p` (just past its
// opening quote) and ends with `closing`; nested "..." and `...' are
// skipped whole. Stops at the terminating NUL.
char* SkipQuoted(char* p, char closing);

// Turns every '|' of `text` into ',' and hands each complete macro to the
// sink, in order. The text is cut temporarily around each macro and put
// back before the next one; an unfinished macro ends the run unsent.
void SplitMacros(char* text, const MacroSink& sink);

// True for macros after which queued messages must be handled first.
bool NeedsPumpAfter(const char* macro);

}  // namespace zyl
