// Test program that drives the built ZYL3AN32.DLL only through its public
// interface, loaded by path as a help host loads it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "wine_support.h"

static std::string g_modulePath;

const char* zyltest::ModulePath() { return g_modulePath.c_str(); }

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The module's path comes as the first argument (a Unix path from CTest
    // is turned into a Windows one on drive Z:).
    if (argc > 1) {
        g_modulePath = argv[1];
        if (!g_modulePath.empty() && g_modulePath[0] == '/') g_modulePath = "Z:" + g_modulePath;
        for (char& c : g_modulePath)
            if (c == '/') c = '\\';
    } else {
        g_modulePath = "ZYL3AN32.DLL";
    }
    return RUN_ALL_TESTS();
}
