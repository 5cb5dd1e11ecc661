// Form fields at the module's own level: what the main frame's subclass
// does around the host's print command (printing set, every control saved
// to "@PRINT@", the host prints, printing cleared), the print-time copies
// the host makes meanwhile, and the release of parked records when a help
// window goes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/thread/instance.h"
#include "forms/forms.h"
#include "host.h"
#include "wine_support.h"
#include "zyl3an32.h"

using namespace zyl;

namespace {

std::vector<std::string> Records() {
    std::vector<std::string> names;
    for (const FormControl* f = FindInstance()->formControls; f; f = f->next)
        names.push_back(std::string(f->group) + ":" + f->name + (f->parked ? " parked" : ""));
    return names;
}

class FormPrinting : public ::testing::Test {
protected:
    void SetUp() override {
        WritePrivateProfileStringA(kPrintSection, nullptr, nullptr, kFormStateFile);
        zylhost::HostOptions o;
        o.visible = false;
        o.printCopies = true;
        host = std::make_unique<zylhost::Host>(o);
        ASSERT_TRUE(host->AttachHandler(&LDLLHandler));
        host->SetHelpFilePath("C:\\help\\printing.hlp");
    }
    void TearDown() override { host->Shutdown(); }
    HWND Make(const char* data, HWND region = nullptr) {
        return host->CreateEmbedded(region ? region : host->TopicRegion(), {'c', "ZYL3AN32.DLL", "ZYL3_ANIMCONTROL32", data});
    }
    std::unique_ptr<zylhost::Host> host;
};

TEST_F(FormPrinting, PrintTimeCopiesShowWhatThePrintSaved) {
    const char* made[] = {"4;p:box;0;0;0;Box;",   "8;p:size;0;0;0;Small;", "8;p:size;0;0;0;Medium;",
                          "8;p:size;0;0;0;Large;", "6;p:text;10;0;0;;",     "7;p:list;6;3;0;a|b|c;",
                          "10;p:notes;10;3;0;;",   "4;q:box;0;0;0;Q;"};
    std::vector<HWND> shown;
    for (const char* data : made) shown.push_back(GetWindow(Make(data), GW_CHILD));
    SendMessageA(shown[0], BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(shown[3], BM_CLICK, 0, 0);
    SetWindowTextA(shown[4], "typed");
    SendMessageA(shown[5], LB_SETCURSEL, 2, 0);
    SetWindowTextA(shown[6], "one\r\ntwo");
    SendMessageA(shown[7], BM_SETCHECK, BST_CHECKED, 0);
    const std::vector<std::string> before = Records();

    // What the shown windows print, to compare with the copies.
    HDC printer = host->CreatePrinterDC();
    std::vector<wtest::Picture> expected;
    for (HWND w : host->EmbeddedWindows()) expected.push_back(wtest::RenderPicture(w, printer));
    DeleteDC(printer);

    ASSERT_TRUE(host->Print());
    EXPECT_EQ(wtest::ProfileSection(kFormStateFile, kPrintSection), (std::map<std::string, std::string>{
                                  {"p_:box_", "1"}, {"p_:size_", "3"}, {"p_:text_", "typed"}, {"p_:list_", "2"},
                                  {"p_:notes_", "2"}, {"p_:notes__1", "one"}, {"p_:notes__2", "two"}, {"q_:box_", "1"}}))
        << "every control of every group, under the print-time keys";
    const auto& copies = host->LastPrint();
    ASSERT_EQ(copies.size(), expected.size());
    for (std::size_t i = 0; i < copies.size(); ++i) {
        EXPECT_FALSE(IsWindow(copies[i].hwnd)) << i << ": the host's print copy is gone";
        EXPECT_EQ(wtest::Difference(wtest::Printed(copies[i]), expected[i]), "")
            << i << ": the copy loaded the state the print saved";
    }
    EXPECT_EQ(Records(), before) << "the copies were freed, not parked";
    EXPECT_FALSE(FindInstance()->printing);
}

TEST_F(FormPrinting, AGoingHelpWindowFreesWhatIsParkedOnIt) {
    HWND topicEdit = GetWindow(Make("6;w:topic;5;0;0;;"), GW_CHILD);
    HWND nsrEdit = GetWindow(Make("6;w:nsr;5;0;0;;", host->NsrRegion()), GW_CHILD);
    DestroyWindow(GetParent(topicEdit));
    DestroyWindow(GetParent(nsrEdit));
    EXPECT_EQ(Records(), (std::vector<std::string>{"w:topic parked", "w:nsr parked"}));
    FreeParkedFormControls(FindInstance(), host->NsrRegion());
    EXPECT_EQ(Records(), (std::vector<std::string>{"w:topic parked"}));
    EXPECT_FALSE(IsWindow(nsrEdit));
    EXPECT_TRUE(IsWindow(topicEdit));
}

}  // namespace
