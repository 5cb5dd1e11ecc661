// A button's jump, carried out by the host's interpreter, waits until the
// click is over. (That a click hands its macros over one by one is the
// button tests' matter; that the host binds and calls the module's routine,
// zylhost_log's; what the interpreter does with a macro, the host's own
// tests'.)
#include <gtest/gtest.h>
#include <windows.h>

#include "host.h"
#include "wine_support.h"
#include "zyl3an32.h"

namespace {

TEST(ModuleMacros, JumpsHappenAfterTheClickIsOver) {
    zylhost::Host host(zyltest::Hidden());
    ASSERT_TRUE(host.LoadModule(zyltest::ModulePath())) << zyltest::ModulePath();
    ASSERT_TRUE(host.LoadScriptText(".topic a\n{ewc ZYL3AN32.DLL, ZYL3_ANIMBUTTON32, Jump;JI(`', `c')}\n"
                                    ".topic b\nB\n.topic c\nC\n",
                                    "C:\\help\\macros.hts"))
        << host.LastError();
    host.PumpUntilIdle();
    ASSERT_EQ(host.EmbeddedWindows().size(), 1u);
    HWND parent = host.EmbeddedWindows()[0];
    HWND jump = FindWindowExA(parent, nullptr, "button", nullptr);
    SendMessageA(jump, BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindow(jump)) << "the button outlives its own click";
    EXPECT_TRUE(IsWindow(parent));
    EXPECT_EQ(host.CurrentTopicNumber(), 0);
    host.PumpUntilIdle();
    EXPECT_FALSE(IsWindow(parent)) << "then the topic is left";
    EXPECT_EQ(host.CurrentTopicNumber(), 2);
    host.Shutdown();
}

}  // namespace
