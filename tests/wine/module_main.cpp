// Test program for the module's internals: the module's code and resources
// are linked in, so the program's own handle plays the module instance.
#include <gtest/gtest.h>
#include <windows.h>

#include "core/handler.h"
#include "imaging/picturecache.h"
#include "module_test.h"

namespace zyltest {

void ModuleHost::SetUp() {
    ASSERT_TRUE(scratch.ok()) << "no scratch folder, or not under Wine";
    ASSERT_TRUE(host.AttachHandler(&LDLLHandler));
    inst = zyl::FindInstance();
    ASSERT_NE(inst, nullptr);
}

void ModuleHost::TearDown() { host.Shutdown(); }

std::string ModuleHost::UseHelpFile(const std::vector<std::pair<std::string, Bytes>>& files, const std::string& name) {
    std::string error;
    EXPECT_TRUE(scratch.Write(name, HelpFile(files, &error))) << error;
    const std::string path = scratch.File(name);
    host.SetHelpFilePath(path.c_str());
    return path;
}

zyl::PictureEntry* ModuleHost::Load(const char* name, bool firstFrameOnly) {
    zyl::PictureEntry* entry = zyl::FindOrCreatePictureEntry(inst, name);
    EXPECT_NE(entry, nullptr) << name;
    if (entry) zyl::EnsurePictureLoaded(inst, entry, firstFrameOnly);
    return entry;
}

HWND ModuleHost::Create(const char* className, const std::string& data) {
    return host.CreateEmbedded(host.TopicRegion(), {'c', "self", className, data});
}

}  // namespace zyltest

int main(int argc, char** argv) {
    zyl::ModuleAttach(GetModuleHandleA(nullptr));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
