// Test program for the module's internals: the module's code and resources
// are linked in, so the program's own handle plays the module instance.
#include <gtest/gtest.h>
#include <windows.h>

#include "core/handler.h"

int main(int argc, char** argv) {
    zyl::ModuleAttach(GetModuleHandleA(nullptr));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
