#include "core/macro/macrosplit.h"

#include "core/charset.h"
#include "core/text.h"

namespace zyl {

char* SkipQuoted(char* p, char closing) {
    while (*p && *p != closing) {
        if (*p == '"')
            p = SkipQuoted(p + 1, '"');
        else if (*p == '`')
            p = SkipQuoted(p + 1, '\'');
        else
            ++p;
    }
    if (*p == closing) ++p;
    return p;
}

bool NeedsPumpAfter(const char* macro) {
    return CompareNoCaseN(macro, "PW(", 3) == 0 || CompareNoCaseN(macro, "PositionWindow(", 15) == 0 ||
           CompareNoCaseN(macro, "ZylCtrlSet(", 11) == 0;
}

// The closing parenthesis of the argument list that opens at `open`, or
// null when the text ends first.
static char* FindClose(char* open) {
    int depth = 0;
    char* p = open + 1;
    while (*p) {
        switch (*p) {
        case '(':
            ++depth;
            ++p;
            break;
        case ')':
            if (depth == 0) return p;
            --depth;
            ++p;
            break;
        case '"':
            p = SkipQuoted(p + 1, '"');
            break;
        case '`':
            p = SkipQuoted(p + 1, '\'');
            break;
        default:
            ++p;
        }
    }
    return nullptr;
}

void SplitMacros(char* text, const MacroSink& sink) {
    if (!text) return;
    for (char* p = text; *p; ++p)
        if (*p == '|') *p = ',';
    char* pos = text;
    while (*pos) {
        while (*pos && IsCharInList(*pos, kMacroSeparators)) ++pos;
        char* open = pos;
        while (*open && *open != '(') ++open;
        if (!*open) return;
        char* close = FindClose(open);
        if (!close) return;
        const char saved = close[1];
        close[1] = '\0';
        if (sink.run) sink.run(sink.context, pos);
        const bool pump = NeedsPumpAfter(pos);
        close[1] = saved;
        if (pump && sink.pump) sink.pump(sink.context);
        pos = close + 1;
    }
}

}  // namespace zyl
