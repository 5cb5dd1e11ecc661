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

#include "bitmap.h"
#include "core/thread/instance.h"
#include "forms/forms.h"
#include "host.h"
#include "zyl3an32.h"

using namespace zyl;

namespace {

WNDPROC g_framePrevious = nullptr;

// The main frame's part in printing, as the module's subclass plays it.
LRESULT CALLBACK PrintingFrame(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND && LOWORD(wParam) == ZYL_HOST_CMD_PRINT) {
        InstanceRecord* inst = FindInstance();
        inst->printing = TRUE;
        SaveFormState(inst, nullptr, true);
        const LRESULT result = CallWindowProcA(g_framePrevious, hwnd, msg, wParam, lParam);
        inst->printing = FALSE;
        return result;
    }
    return CallWindowProcA(g_framePrevious, hwnd, msg, wParam, lParam);
}

std::map<std::string, std::string> PrintSection() {
    std::vector<char> buf(1 << 16);
    const DWORD n = GetPrivateProfileSectionA(kPrintSection, buf.data(), static_cast<DWORD>(buf.size()), kFormStateFile);
    std::map<std::string, std::string> out;
    for (const char* p = buf.data(); p < buf.data() + n && *p; p += std::strlen(p) + 1)
        if (const char* eq = std::strchr(p, '=')) out[std::string(p, eq)] = eq + 1;
    return out;
}

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
    HWND box = Make("4;p:box;0;0;0;Box;");
    Make("8;p:size;0;0;0;Small;");
    Make("8;p:size;0;0;0;Medium;");
    HWND large = Make("8;p:size;0;0;0;Large;");
    HWND text = Make("6;p:text;10;0;0;;");
    HWND list = Make("7;p:list;6;3;0;a|b|c;");
    HWND notes = Make("10;p:notes;10;3;0;;");
    HWND other = Make("4;q:box;0;0;0;Q;");
    SendMessageA(GetWindow(box, GW_CHILD), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(GetWindow(large, GW_CHILD), BM_CLICK, 0, 0);
    SetWindowTextA(GetWindow(text, GW_CHILD), "typed");
    SendMessageA(GetWindow(list, GW_CHILD), LB_SETCURSEL, 2, 0);
    SetWindowTextA(GetWindow(notes, GW_CHILD), "one\r\ntwo");
    SendMessageA(GetWindow(other, GW_CHILD), BM_SETCHECK, BST_CHECKED, 0);
    const std::vector<HWND> shown = host->EmbeddedWindows();
    const std::vector<std::string> before = Records();

    // What the shown windows print, to compare with the copies.
    HDC printer = host->CreatePrinterDC();
    ASSERT_NE(printer, nullptr);
    std::vector<std::vector<DWORD>> expected;
    for (HWND w : shown) {
        ZYL_RENDERINFO info = {0, 0, printer};
        HBITMAP bmp = reinterpret_cast<HBITMAP>(SendMessageA(w, EWM_RENDER, EWRENDER_BITMAP, reinterpret_cast<LPARAM>(&info)));
        std::vector<DWORD> pixels;
        int width = 0, height = 0;
        zylhost::ReadBitmapPixels(bmp, &width, &height, &pixels);
        DeleteObject(bmp);
        expected.push_back(pixels);
    }
    DeleteDC(printer);

    g_framePrevious = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(host->MainFrame(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PrintingFrame)));
    const bool printed = host->Print();
    SetWindowLongPtrA(host->MainFrame(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_framePrevious));
    ASSERT_TRUE(printed);

    EXPECT_EQ(PrintSection(), (std::map<std::string, std::string>{{"p_:box_", "1"},
                                                                   {"p_:size_", "3"},
                                                                   {"p_:text_", "typed"},
                                                                   {"p_:list_", "2"},
                                                                   {"p_:notes_", "2"},
                                                                   {"p_:notes__1", "one"},
                                                                   {"p_:notes__2", "two"},
                                                                   {"q_:box_", "1"}}))
        << "every control of every group, under the print-time keys";
    const auto& copies = host->LastPrint();
    ASSERT_EQ(copies.size(), shown.size());
    for (std::size_t i = 0; i < copies.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NE(copies[i].hwnd, shown[i]);
        EXPECT_FALSE(IsWindow(copies[i].hwnd)) << "the host's print copy is gone";
        EXPECT_EQ(copies[i].pixels, expected[i]) << "the copy loaded the state the print saved";
    }
    EXPECT_EQ(Records(), before) << "the copies were freed, not parked";
    EXPECT_FALSE(FindInstance()->printing);
}

TEST_F(FormPrinting, AGoingHelpWindowFreesWhatIsParkedOnIt) {
    HWND inTopic = Make("6;w:topic;5;0;0;;");
    HWND inNsr = Make("6;w:nsr;5;0;0;;", host->NsrRegion());
    HWND topicEdit = GetWindow(inTopic, GW_CHILD);
    HWND nsrEdit = GetWindow(inNsr, GW_CHILD);
    DestroyWindow(inTopic);
    DestroyWindow(inNsr);
    EXPECT_EQ(Records(), (std::vector<std::string>{"w:topic parked", "w:nsr parked"}));
    FreeParkedFormControls(FindInstance(), host->NsrRegion());
    EXPECT_EQ(Records(), (std::vector<std::string>{"w:topic parked"}));
    EXPECT_FALSE(IsWindow(nsrEdit));
    EXPECT_TRUE(IsWindow(topicEdit));
    FreeParkedFormControls(FindInstance(), host->TopicRegion());
    EXPECT_TRUE(Records().empty());
    EXPECT_FALSE(IsWindow(topicEdit));
}

}  // namespace
