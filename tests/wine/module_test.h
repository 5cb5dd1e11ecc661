// The module's own code linked into the test program (the program's handle
// plays the module instance), driven by the substitute host: the thread's
// instance record at hand, help files written into a scratch folder, and
// windows of the module's classes. Defined in module_main.cpp.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "core/thread/instance.h"
#include "host.h"
#include "wine_support.h"

namespace zyltest {

class ModuleHost : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a help file holding `files` into the scratch folder and makes
    // it the host's help file. Returns its path.
    std::string UseHelpFile(const std::vector<std::pair<std::string, Bytes>>& files,
                            const std::string& name = "pictures.hlp");
    // The shared picture entry of `name`, loaded (or not, when its file is bad).
    zyl::PictureEntry* Load(const char* name, bool firstFrameOnly = false);
    // A window of one of the module's classes in the topic region.
    HWND Create(const char* className, const std::string& data);

    Scratch scratch;
    zylhost::Host host{Hidden()};
    zyl::InstanceRecord* inst = nullptr;
};

}  // namespace zyltest
