// What the benchmarks run under Wine share: the module's path from the
// command line, a clock and medians.
#pragma once
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace winebench {

// The first argument, a Unix path from the command line turned into a
// Windows one on drive Z:; ZYL3AN32.DLL without one.
inline std::string ModuleArgument(int argc, char** argv) {
    std::string module = argc > 1 ? argv[1] : "ZYL3AN32.DLL";
    if (!module.empty() && module[0] == '/') module = "Z:" + module;
    for (char& c : module)
        if (c == '/') c = '\\';
    return module;
}

// Seconds, from the performance counter.
inline double Now() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace winebench
