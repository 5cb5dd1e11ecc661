// The host's messages to LDLLHandler, per-thread records, help-file changes
// and termination, driven through the substitute host.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "controls/embedded.h"
#include "core/handler.h"
#include "core/thread/instance.h"
#include "host.h"
#include "module_test.h"
#include "zyl3an32.h"

using namespace zyl;

namespace {

InstanceRecord* Instance() { return FindInstance(); }

TEST(Handler, AnswersEveryMessage) {
    EXPECT_EQ(LDLLHandler(DW_WHATMSG, 0, 0), 31);
    EXPECT_EQ(LDLLHandler(DW_MINMAX, 0, 0), 0);
    EXPECT_EQ(LDLLHandler(DW_SIZE, 0, 0), 1);
    EXPECT_EQ(LDLLHandler(DW_ACTIVATE, 0, 0), 1);
    EXPECT_EQ(LDLLHandler(0, 0, 0), 0);
    EXPECT_EQ(LDLLHandler(11, 0, 0), 0);
    EXPECT_EQ(LDLLHandler(0x7FFF, 0, 0), 0);
    // Messages 6 to 8 and 10 on a thread that never initialised answer 1
    // and touch nothing.
    EXPECT_EQ(Instance(), nullptr);
    EXPECT_EQ(LDLLHandler(DW_STARTJUMP, 0, 0), 1);
    EXPECT_EQ(LDLLHandler(DW_ENDJUMP, 0, 0), 1);
    EXPECT_EQ(LDLLHandler(DW_CHGFILE, reinterpret_cast<LPARAM>("x.hlp"), 0), 1);
    EXPECT_EQ(LDLLHandler(DW_CALLBACKS, 0, 0), 1);
    EXPECT_EQ(LDLLHandler(DW_TERM, 0, 0), 1);
    EXPECT_EQ(Instance(), nullptr);

    // Only the low 16 bits of the message count.
    const LONG before = RegistrationCount();
    EXPECT_EQ(LDLLHandler(0x10004, 0, 0), 1);
    ASSERT_NE(Instance(), nullptr);
    EXPECT_EQ(Instance()->threadId, GetCurrentThreadId());
    EXPECT_EQ(RegistrationCount(), before + 1);
    EXPECT_NE(Instance()->font, nullptr);
    EXPECT_NE(Instance()->handCursor, nullptr);
    EXPECT_EQ(Instance()->arrowCursor, LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(LDLLHandler(0x10005, 0, 0), 1);
    EXPECT_EQ(Instance(), nullptr);
    EXPECT_EQ(RegistrationCount(), before);
}

TEST(Handler, ManyThreadsStartAndEndTogether) {
    // The instance list and the class count change from several threads at
    // once: each thread finds its own record, and none once it has ended
    // while the others still hold theirs.
    std::atomic<int> failures{0};
    std::thread threads[8];
    for (auto& t : threads)
        t = std::thread([&] {
            for (int round = 0; round < 200; ++round) {
                LDLLHandler(DW_INIT, 0, 0);
                InstanceRecord* inst = FindInstance();
                if (!inst || inst->threadId != GetCurrentThreadId()) ++failures;
                LDLLHandler(DW_TERM, 0, 0);
                if (FindInstance()) ++failures;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(RegistrationCount(), 0);
}

// The last shut-down, held where it has given up its count and is about to
// unregister the classes, until another thread has started (or a while).
HANDLE g_going = nullptr, g_started = nullptr;
void HoldTheLastShutDown() {
    SetEvent(g_going);
    WaitForSingleObject(g_started, 300);
}

bool MakesItsWindows() {
    int count = 0;
    const EmbeddedClass* const* classes = ModuleClasses(&count);
    WNDCLASSA wc;
    for (int i = 0; i < count; ++i)
        if (!GetClassInfoA(GetModuleHandleA(nullptr), classes[i]->name, &wc)) return false;
    ZYL_CREATEINFO info = {0, 0, "C:\\help\\x.hlp", "Go;Next()"};
    HWND w = CreateWindowExA(0, "ZYL3_ANIMBUTTON32", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             GetModuleHandleA(nullptr), &info);
    return w && DestroyWindow(w);
}

TEST(Handler, AThreadStartingAsAnotherEndsKeepsTheClasses) {
    g_going = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    g_started = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    g_classesGoing = HoldTheLastShutDown;
    for (int round = 0; round < 3; ++round) {
        bool first = false, second = false;
        std::thread ending([&] {
            LDLLHandler(DW_INIT, 0, 0);
            first = MakesItsWindows();
            LDLLHandler(DW_TERM, 0, 0);
        });
        std::thread starting([&] {
            WaitForSingleObject(g_going, INFINITE);
            LDLLHandler(DW_INIT, 0, 0);
            SetEvent(g_started);
            ending.join();
            second = MakesItsWindows();
            LDLLHandler(DW_TERM, 0, 0);
        });
        starting.join();
        EXPECT_TRUE(first);
        EXPECT_TRUE(second) << "the thread that started as the other ended lost its classes";
    }
    g_classesGoing = nullptr;
    EXPECT_EQ(RegistrationCount(), 0);
    CloseHandle(g_going);
    CloseHandle(g_started);
}

class HostedModule : public zyltest::ModuleHost {
protected:
    void SetUp() override {
        ModuleHost::SetUp();
        host.SetHelpFilePath("C:\\help\\first.hlp");
    }

    PictureEntry* NewPicture(const char* name) {
        auto* p = static_cast<PictureEntry*>(PoolAlloc(sizeof(PictureEntry)));
        p->header.kind = kKindPicture;
        std::strcpy(p->name, name);
        ListAppend(&inst->pictures, &p->header, nullptr);
        return p;
    }
};

TEST_F(HostedModule, CallbackTableIsCopiedAndMainWindowRecorded) {
    EXPECT_NE(inst->callbacks[ZYL_CALLBACK_GETINFO], nullptr);
    EXPECT_NE(inst->callbacks[ZYL_CALLBACK_API], nullptr);
    EXPECT_NE(inst->shellMessageId, 0);
    EXPECT_EQ(inst->shellMessageId, RegisterWindowMessageA(ZYL_HOST_SHELL_MESSAGE));
    // The main record exists from message 10 on, still without a path.
    auto* rec = reinterpret_cast<WindowRecord*>(ListFindByName(inst->windows, "Main", nullptr));
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->hwnd, host.MainFrame());
    EXPECT_EQ(rec->nsr.colour, kNoColour);
    EXPECT_EQ(rec->topic.colour, kNoColour);
    // It was made while the path was empty: the next jump names its entry.
    ASSERT_EQ(inst->pendingHelpFileEntry, rec->helpFile);
    host.SetCurrentRegion(host.TopicRegion());
    LDLLHandler(DW_STARTJUMP, 0, 0);
    EXPECT_EQ(inst->pendingHelpFileEntry, nullptr);
    EXPECT_STREQ(inst->helpFilePath, "C:\\help\\first.hlp");
    EXPECT_STREQ(rec->helpFile->name, "C:\\help\\first.hlp");
}

TEST_F(HostedModule, WindowRecordsPerHelpFileAndPerName) {
    WindowRecord* mainA = GetWindowRecord(inst, "main", true);
    WindowRecord* secA = GetWindowRecord(inst, "glossary", true);
    ASSERT_NE(mainA, nullptr);
    ASSERT_NE(secA, nullptr);
    EXPECT_STREQ(inst->helpFilePath, "C:\\help\\first.hlp");
    EXPECT_EQ(GetWindowRecord(inst, "MAIN", true), mainA);

    std::strcpy(inst->helpFilePath, "C:\\help\\second.hlp");
    WindowRecord* mainB = GetWindowRecord(inst, "main", true);
    EXPECT_NE(mainB, mainA);
    EXPECT_NE(mainB->helpFile, mainA->helpFile);
    EXPECT_EQ(GetWindowRecord(inst, "Glossary", true), secA) << "secondary names are shared by help files";
    EXPECT_EQ(mainB->hwnd, host.MainFrame());
    EXPECT_EQ(FindWindowRecordByHwnd(inst, host.MainFrame()), mainB);
}

TEST_F(HostedModule, HelpFileChangeToTheSameFileKeepsFileWidePictures) {
    WindowRecord* rec = GetWindowRecord(inst, "main", true);
    PictureEntry* wide = NewPicture("wide.bmp");
    PictureEntry* topic = NewPicture("topic.bmp");
    rec->nsr.fileWide = rec->topic.fileWide = wide;
    rec->nsr.perTopic = rec->topic.perTopic = topic;
    host.SetCurrentRegion(host.TopicRegion());

    std::string same = "c:\\HELP\\FIRST.HLP";
    EXPECT_EQ(LDLLHandler(DW_CHGFILE, reinterpret_cast<LPARAM>(same.c_str()), 0), 1);
    EXPECT_EQ(rec->nsr.fileWide, wide);
    EXPECT_EQ(rec->topic.fileWide, wide);
    EXPECT_EQ(rec->nsr.perTopic, nullptr);
    EXPECT_EQ(rec->topic.perTopic, nullptr);
    EXPECT_STREQ(inst->helpFilePath, same.c_str()) << "the main window took the new name";

    rec->topic.perTopic = topic;
    std::string other = "C:\\help\\other.hlp";
    LDLLHandler(DW_CHGFILE, reinterpret_cast<LPARAM>(other.c_str()), 0);
    EXPECT_EQ(rec->nsr.fileWide, nullptr);
    EXPECT_EQ(rec->topic.fileWide, nullptr);
    EXPECT_EQ(rec->topic.perTopic, nullptr);
    ASSERT_NE(rec->helpFile, nullptr);
    EXPECT_STREQ(rec->helpFile->name, "C:\\help\\other.hlp") << "the main record moved to the new file";
    EXPECT_STREQ(inst->helpFilePath, "C:\\help\\other.hlp");
    EXPECT_EQ(GetWindowRecord(inst, "main", true), rec);
}

TEST_F(HostedModule, HelpFileChangeSeenFromASecondaryWindowKeepsThePath) {
    HWND frame = host.OpenSecondary("glossary", nullptr);
    ASSERT_NE(frame, nullptr);
    host.SetCurrentRegion(host.TopicRegion(frame));
    WindowRecord* sec = GetWindowRecord(inst, "glossary", true);
    sec->hwnd = frame;
    PictureEntry* topic = NewPicture("topic.bmp");
    sec->topic.perTopic = topic;

    LDLLHandler(DW_CHGFILE, reinterpret_cast<LPARAM>("C:\\help\\other.hlp"), 0);
    EXPECT_STREQ(inst->helpFilePath, "C:\\help\\first.hlp");
    EXPECT_EQ(sec->topic.perTopic, nullptr);
    EXPECT_NE(sec->helpFile, nullptr);
    EXPECT_STREQ(sec->helpFile->name, "C:\\help\\first.hlp") << "only the main window changes file";
}

TEST_F(HostedModule, JumpClearsPerTopicPicturesOfTheCurrentFrame) {
    WindowRecord* rec = GetWindowRecord(inst, "main", true);
    PictureEntry* wide = NewPicture("wide.bmp");
    rec->nsr.perTopic = rec->topic.perTopic = NewPicture("t.bmp");
    rec->topic.fileWide = wide;
    host.SetCurrentRegion(host.NsrRegion());
    LDLLHandler(DW_STARTJUMP, 0, 0);
    EXPECT_EQ(rec->nsr.perTopic, nullptr);
    EXPECT_EQ(rec->topic.perTopic, nullptr);
    EXPECT_EQ(rec->topic.fileWide, wide);
}

TEST_F(HostedModule, RegionBackColourFollowsTheRegion) {
    WindowRecord* rec = GetWindowRecord(inst, "main", true);
    HWND inTopic = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, host.TopicRegion(), nullptr, nullptr, nullptr);
    HWND inNsr = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, host.NsrRegion(), nullptr, nullptr, nullptr);
    const COLORREF hostColour = static_cast<COLORREF>(HostGetInfo(inst, GI_BKCOLOR));
    EXPECT_EQ(GetRegionBackColour(inst, inTopic), hostColour);
    EXPECT_EQ(GetRegionBackColour(inst, inNsr), hostColour);
    rec->topic.colour = RGB(1, 2, 3);
    rec->nsr.colour = RGB(4, 5, 6);
    EXPECT_EQ(GetRegionBackColour(inst, inTopic), RGB(1, 2, 3));
    EXPECT_EQ(GetRegionBackColour(inst, inNsr), RGB(4, 5, 6));
    DestroyWindow(inTopic);
    DestroyWindow(inNsr);
}

// The font resources the module removes (a stand-in: Wine's own removal
// always fails) and the WM_FONTCHANGE broadcasts it makes.
std::atomic<int> g_fontChanges{0};
std::vector<std::string> g_removedFonts;
BOOL WINAPI RecordFontRemoval(LPCSTR path) {
    g_removedFonts.push_back(path);
    return TRUE;
}
LRESULT CALLBACK FontWatchProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_FONTCHANGE) ++g_fontChanges;
    return DefWindowProcA(h, m, w, l);
}

TEST(Termination, DeletesTempFilesAndRemovesFontResources) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FontWatchProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZylFontWatch";
    RegisterClassA(&wc);
    HWND watch = CreateWindowExA(0, "ZylFontWatch", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(watch, nullptr);

    zyltest::Scratch dir;
    const std::string fotLower = dir / "zylone.fot", fotUpper = dir / "ZYLTWO.FOT";
    const std::string plain = dir / "zylplain.wav", notFont = dir / "zylfot.txt";
    for (const auto& p : {fotLower, fotUpper, plain, notFont}) ASSERT_TRUE(zyltest::WriteFile(p, zyltest::BytesOf("x")));
    {
        zylhost::Host host;
        ASSERT_TRUE(host.AttachHandler(&LDLLHandler));
        // Each file is recorded once, whatever the case of its name.
        for (const auto& p : {fotLower, fotUpper, plain, notFont, dir / "ZYLONE.FOT"}) AddTempFile(FindInstance(), p.c_str());
        g_fontChanges = 0;
        g_removedFonts.clear();
        auto* saved = g_removeFontResource;
        g_removeFontResource = RecordFontRemoval;
        host.Shutdown();
        g_removeFontResource = saved;
    }
    EXPECT_EQ(FindInstance(), nullptr);
    EXPECT_EQ(g_removedFonts, (std::vector<std::string>{fotLower, fotUpper})) << "only font resource files";
    EXPECT_EQ(g_fontChanges.load(), 2) << "one announcement per removed font resource";
    for (const auto& p : {fotLower, fotUpper, plain, notFont}) EXPECT_FALSE(zyltest::FileExists(p)) << p;
    DestroyWindow(watch);
}

}  // namespace
