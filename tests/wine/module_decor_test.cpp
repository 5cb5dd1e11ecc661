// What the decoration of the host's windows keeps in the module's records:
// window names, and a session that ends while the host's windows still
// stand. (Popup sizes: the window macros' tests, through ZylSPP; the
// printing flag: the form printing tests.)
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "core/thread/instance.h"
#include "host.h"
#include "zyl3an32.h"

using namespace zyl;

namespace {

class DecorRecords : public ::testing::Test {
protected:
    void SetUp() override {
        zylhost::HostOptions options;
        options.visible = false;
        host = std::make_unique<zylhost::Host>(options);
        ASSERT_TRUE(host->AttachHandler(&LDLLHandler));
        ASSERT_TRUE(host->LoadScriptText(".topic a\n.topic note\nA note.\n", "C:\\help\\decor.hts")) << host->LastError();
    }
    void TearDown() override { host->Shutdown(); }
    std::unique_ptr<zylhost::Host> host;
};

TEST_F(DecorRecords, LongWindowNamesMeanTheirFirstEightCharacters) {
    ZylWatermark("glossary1", "a.bmp", 0);
    ZylWatermark("glossary2", "b.bmp", 0x10);
    int named = 0;
    for (ListNode* n = FindInstance()->windows; n; n = n->next)
        named += std::string(reinterpret_cast<WindowRecord*>(n)->name) == "glossary";
    EXPECT_EQ(named, 1);
    WindowRecord* rec = GetWindowRecord(FindInstance(), "glossary", false);
    ASSERT_NE(rec->topic.perTopic, nullptr);
    ASSERT_NE(rec->nsr.perTopic, nullptr);
    EXPECT_STREQ(rec->nsr.perTopic->name, "b.bmp");
}

TEST_F(DecorRecords, AnEndedSessionLeavesTheHostsWindowsTheirOwn) {
    HWND main = host->MainFrame(), topic = host->TopicRegion();
    host->Send(DW_TERM);
    for (HWND w : {main, topic}) {
        EXPECT_EQ(GetWindowLongPtrA(w, GWLP_WNDPROC), GetClassLongPtrA(w, GCLP_WNDPROC));
        EXPECT_EQ(GetPropA(w, "ANIM_C"), nullptr);
        EXPECT_EQ(GetPropA(w, "ANIM_W"), nullptr);
    }
    // A procedure called for a window it no longer serves does nothing.
    EXPECT_EQ(HelpScrWndProc(topic, WM_ERASEBKGND, 0, 0), 0);
    EXPECT_NE(host->Popup("note"), nullptr) << "no hook is left to call into the module";
    host->Send(DW_INIT);   // for the host's own shut-down
}

}  // namespace
