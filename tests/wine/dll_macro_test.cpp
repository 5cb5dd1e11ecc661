// The module's macros reaching the host's interpreter, as in a help file:
// a button binds and calls the module's own routine, and a button's jump
// waits until its click is over. (What the interpreter does with a macro,
// errors and navigation included, is the host's own tests' matter.)
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "host.h"
#include "wine_support.h"
#include "zyl3an32.h"

namespace {

using zyltest::ModulePath;

HWND ChildButton(HWND w) { return FindWindowExA(w, nullptr, "button", nullptr); }

class ModuleMacros : public ::testing::Test {
protected:
    void SetUp() override {
        zylhost::HostOptions o;
        o.visible = false;
        host = std::make_unique<zylhost::Host>(o);
        ASSERT_TRUE(host->LoadModule(ModulePath())) << ModulePath();
    }
    void TearDown() override { host->Shutdown(); }

    void Load(const std::string& script) {
        ASSERT_TRUE(host->LoadScriptText(script.c_str(), "C:\\help\\macros.hts")) << host->LastError();
        host->PumpUntilIdle();
    }
    std::vector<std::string> Log() const {
        std::vector<std::string> out;
        for (const auto& e : host->MacroLog()) out.push_back(e.text);
        return out;
    }
    // The button of the current topic whose label is `label`.
    HWND Button(const char* label) {
        for (HWND w : host->EmbeddedWindows()) {
            char text[64] = "";
            GetWindowTextA(ChildButton(w), text, sizeof text);
            if (label == std::string(text)) return ChildButton(w);
        }
        ADD_FAILURE() << "no button " << label;
        return nullptr;
    }
    std::string Topic() const { return host->TopicScript().topics.at(static_cast<std::size_t>(host->CurrentTopicNumber())).context; }

    std::unique_ptr<zylhost::Host> host;
};

TEST_F(ModuleMacros, AButtonBindsAndCallsTheModulesRoutine) {
    Load(".topic a\n{ewc ZYL3AN32.DLL, ZYL3_ANIMBUTTON32, Init;RR(`ZYL3AN32.DLL', `ZylAnimInit', `'):ZylAnimInit()}\n");
    host->ClearApiLog();
    SendMessageA(Button("Init"), BM_CLICK, 0, 0);
    // The module sends the two macros one by one; the host carries each out.
    ASSERT_EQ(host->ApiLog().size(), 2u);
    EXPECT_EQ(host->ApiLog()[1].text, "ZylAnimInit()");
    EXPECT_EQ(Log(), (std::vector<std::string>{"RegisterRoutine: routine found: ZylAnimInit in ZYL3AN32.DLL, prototype \"\"",
                                               "called ZylAnimInit()"}));
    EXPECT_EQ(host->MacroLog()[1].apiCalls, 2u) << "logged while the second call was carried out";
}

TEST_F(ModuleMacros, JumpsHappenAfterTheClickIsOver) {
    Load(".topic a\n{ewc ZYL3AN32.DLL, ZYL3_ANIMBUTTON32, Jump;JI(`', `c')}\n.topic b\nB\n.topic c\nC\n");
    HWND jump = Button("Jump");
    HWND parent = GetParent(jump);
    SendMessageA(jump, BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindow(jump)) << "the button outlives its own click";
    EXPECT_TRUE(IsWindow(parent));
    EXPECT_EQ(Topic(), "a");
    host->PumpUntilIdle();
    EXPECT_FALSE(IsWindow(parent)) << "then the topic is left";
    EXPECT_EQ(Topic(), "c");
}

}  // namespace
