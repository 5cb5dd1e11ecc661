#include "charset.h"

namespace zyl {

const int kMacroSeparators[] = {0x0B, 0x08, ';', ':', ' ', kSetEnd};

void ExpandSet(int* set) {
    if (!set) return;
    int source[kSetCapacity];
    int n = 0;
    while (n < kSetCapacity - 1 && set[n] != kSetEnd) {
        source[n] = set[n];
        ++n;
    }
    int out = 0;
    bool haveLast = false;
    int last = 0;
    for (int i = 0; i < n; ++i) {
        if (source[i] != kSetRange) {
            if (out >= kSetCapacity - 1) break;
            set[out++] = last = source[i];
            haveLast = true;
            continue;
        }
        if (i + 1 >= n) break;   // a marker with nothing after it ends the set
        const int b = source[++i];
        if (haveLast && last < b) {
            for (int v = last + 1; v <= b && out < kSetCapacity - 1; ++v) set[out++] = v;
            last = b;
        } else if (haveLast) {
            --out;               // a backwards range drops its start again
            haveLast = out > 0;
            last = haveLast ? set[out - 1] : 0;
        }
    }
    set[out] = kSetEnd;
}

bool IsInSet(int value, const int* set) {
    if (!set) return false;
    int work[kSetCapacity];
    int n = 0;
    while (n < kSetCapacity - 1 && set[n] != kSetEnd) {
        work[n] = set[n];
        ++n;
    }
    work[n] = kSetEnd;
    ExpandSet(work);
    for (int i = 0; work[i] != kSetEnd; ++i)
        if (work[i] == value) return true;
    return false;
}

bool IsCharInList(char character, const int* list) {
    return IsInSet(static_cast<int>(static_cast<signed char>(character)), list);
}

}  // namespace zyl
