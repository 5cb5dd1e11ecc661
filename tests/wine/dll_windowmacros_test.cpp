// The window and help-file macro routines, registered and called by macros
// in the host as a help file calls them: popup sizes, macro scripts stored
// in this help file or in another one beside it, the message flush, disk
// files first, and the start of the sibling contents module.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host.h"
#include "wine_support.h"
#include "zyl3an32.h"

namespace {

using namespace zyltest;

constexpr DWORD kInside = 0xC02020, kOnDisk = 0x2020C0;
constexpr std::size_t kBlock = 16384;   // the whole-file block scripts are read into
const char kTargetClass[] = "ZylTestMessageTarget";
constexpr UINT kTargetMessage = WM_APP + 0x123;

// A script of exactly kBlock bytes of which the last is the ')' of its
// last macro, followed by more macros: the block keeps kBlock - 1 bytes, so
// every macro but the last of the block runs.
std::string FullScript(std::size_t* complete) {
    const std::string macro = "ZylAnimInit();";
    const std::size_t last = std::string("ZylAnimInit()").size();
    const std::size_t before = kBlock - last;
    *complete = before / macro.size();
    std::string s(before % macro.size(), ' ');
    for (std::size_t i = 0; i < *complete; ++i) s += macro;
    s += "ZylAnimInit()";
    return s + ";Next();Prev()";
}

struct Data {
    Scratch scratch;
    std::string help, failure;
    std::size_t fullMacros = 0;
};

const Data& Shared() {
    static std::unique_ptr<Data> data([] {
        auto* d = new Data;
        d->help = d->scratch.File("main.hlp");
        const Bytes inside = Bmp24(Picture::Solid(8, 8, kInside));
        const Bytes onDisk = Bmp24(Picture::Solid(8, 8, kOnDisk));
        const Bytes main = HelpFile({
            {"both.mac", BytesOf("RR(`ZYL3AN32.DLL', `ZylAnimInit', `');ZylAnimInit()")},
            {"full.mac", BytesOf(FullScript(&d->fullMacros))},
            {"empty.mac", {}},
            {"self.mac", BytesOf("ZylEBS(`self.mac')")},
            {"first.bmp", inside},
            {"second.bmp", inside},
        });
        const Bytes other = HelpFile({{"other.mac", BytesOf("ZylAnimInit():ZylEBS(`both.mac')")}});
        const bool ok = d->scratch.ok() && d->scratch.Write("main.hlp", main) && d->scratch.Write("other.hlp", other) &&
                        d->scratch.Write("first.bmp", onDisk) && d->scratch.Write("second.bmp", onDisk) &&
                        d->scratch.Write("both.mac", BytesOf("ZylAnimInit()"));
        if (!ok) d->failure = "cannot write the help files";
        return d;
    }());
    return *data;
}

const std::string kScript =
    ".startup RR(`ZYL3AN32.DLL', `ZylSPP', `UUuuU');RR(`ZYL3AN32.DLL', `ZylEBS', `S');"
    "RR(`ZYL3AN32.DLL', `ZylEBSX', `SS');RR(`ZYL3AN32.DLL', `ZylFWSM', `I=SUUU');"
    "RR(`ZYL3AN32.DLL', `ZylFlush', `');RR(`ZYL3AN32.DLL', `ZylBagExt', `');RR(`ZYL3AN32.DLL', `ZylAnimInit', `')\n"
    ".topic a\n.topic note\nA note.\n";

// The messages the target window was sent or posted.
std::vector<std::pair<WPARAM, LPARAM>> g_received;
LRESULT CALLBACK TargetProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kTargetMessage) {
        g_received.emplace_back(wParam, lParam);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class WindowMacros : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Shared().failure.empty()) << Shared().failure;
        host = std::make_unique<zylhost::Host>();
        ASSERT_TRUE(host->LoadModule(ModulePath())) << ModulePath();
        ASSERT_TRUE(host->LoadScriptText(kScript.c_str(), Shared().help.c_str())) << host->LastError();
        host->PumpUntilIdle();
        host->ClearApiLog();
        g_received.clear();
    }
    void TearDown() override {
        if (host) host->Shutdown();
    }
    void Macro(const std::string& text) {
        host->ClearApiLog();
        host->ExecuteMacro(Shared().help.c_str(), text.c_str());
    }
    // The macros the module handed to the host since the last Macro, each
    // as "file: macro" with the help file's name alone.
    std::vector<std::string> Handed() const {
        std::vector<std::string> out;
        for (const auto& call : host->ApiLog()) {
            const std::size_t slash = call.helpFile.find_last_of("\\/");
            out.push_back(call.helpFile.substr(slash + 1) + ": " + call.text);
        }
        return out;
    }
    std::size_t Calls(const std::string& what) const {
        std::size_t n = 0;
        for (const auto& line : host->MacroLog()) n += line.text == what;
        return n;
    }
    // A hidden top-level window of kTargetClass, which records kTargetMessage.
    static HWND Target() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = TargetProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kTargetClass;
        RegisterClassA(&wc);
        return CreateWindowA(kTargetClass, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
    }
    using Size = std::pair<LONG, LONG>;
    Size NextPopup() {
        const SIZE s = WindowSize(host->Popup("note"));
        host->ClosePopup();
        return {s.cx, s.cy};
    }

    std::unique_ptr<zylhost::Host> host;
};

TEST_F(WindowMacros, PopupsTakeScreenFractionsOrPixelsWithinTheScreen) {
    const LONG cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    const Size own = NextPopup(), half(512 * cx / 1024, 512 * cy / 1024);
    Macro("ZylSPP(0, 0, 512, 512, 0)");
    EXPECT_EQ(NextPopup(), half) << "fractions of the screen (the limits are PopupSize's native tests')";
    // The next popup alone, in pixels; then the lasting size again.
    Macro("ZylSPP(0, 0, 200, 90, 0x10001)");
    EXPECT_EQ(NextPopup(), Size(200, 90));
    EXPECT_EQ(NextPopup(), half);
    Macro("ZylSPP(0, 0, 0, 0, 1)");
    EXPECT_EQ(NextPopup(), own) << "a width of 0: the viewer's own size";
}

TEST_F(WindowMacros, AScriptOfTheHelpFileRunsItsMacrosInOrder) {
    Macro("ZylEBS(`both.mac')");
    EXPECT_EQ(Handed(), (std::vector<std::string>{"main.hlp: RR(`ZYL3AN32.DLL', `ZylAnimInit', `')",
                                                  "main.hlp: ZylAnimInit()"}))
        << "the help file's copy, not the disk's";
    EXPECT_EQ(Calls("called ZylAnimInit()"), 1u);

    // Missing or empty: nothing runs.
    for (const char* name : {"missing.mac", "empty.mac", ""}) {
        Macro(std::string("ZylEBS(`") + name + "')");
        EXPECT_TRUE(Handed().empty()) << name;
    }
}

TEST_F(WindowMacros, AScriptFillingTheBlockRunsOnlyWhatTheBlockHoldsWhole) {
    Macro("ZylEBS(`full.mac')");
    EXPECT_EQ(host->ApiLog().size(), Shared().fullMacros);
    EXPECT_EQ(Calls("called ZylAnimInit()"), Shared().fullMacros)
        << "the macro whose ')' is the block's last byte is cut, and nothing after the block runs";
}

TEST_F(WindowMacros, AScriptRunningItselfEnds) {
    // The module's own limit, without the host's: each macro the script
    // hands over runs the script again at once.
    using Ebs = void(CALLBACK*)(LPCSTR);
    const auto ebs = reinterpret_cast<Ebs>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("ZYL3AN32.DLL"), "ZylEBS")));
    ASSERT_NE(ebs, nullptr);
    int runs = 0;
    host->SetMacroRunner([&](zylhost::Host&, const std::string&, const std::string& macro) {
        ++runs;
        if (macro == "ZylEBS(`self.mac')") ebs("self.mac");
    });
    ebs("self.mac");
    host->SetMacroRunner(nullptr);
    EXPECT_EQ(runs, 8);
    runs = 0;
    Macro("ZylEBS(`both.mac')");
    EXPECT_EQ(host->ApiLog().size(), 2u) << "and scripts run again afterwards";
}

TEST_F(WindowMacros, AnotherHelpFilesScriptRunsInThatFileAndTheCurrentOneStays) {
    // The other file's path keeps the folder but not the drive of this one's.
    char saved[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof saved, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(Shared().scratch.path().c_str()));
    Macro("ZylEBSX(`other.hlp', `other.mac')");
    const std::vector<std::string> handed = Handed();
    Macro("ZylEBS(`both.mac')");
    const std::vector<std::string> after = Handed();
    Macro("ZylEBSX(`nothere.hlp', `other.mac')");
    const std::vector<std::string> missing = Handed();
    SetCurrentDirectoryA(saved);

    // other.mac, then both.mac for other.hlp, which has none: the disk's.
    EXPECT_EQ(handed, (std::vector<std::string>{"other.hlp: ZylAnimInit()", "other.hlp: ZylEBS(`both.mac')",
                                                "other.hlp: ZylAnimInit()"}));
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].rfind("main.hlp: ", 0), 0u) << "this help file's own again: " << after[0];
    EXPECT_TRUE(missing.empty());
}

TEST_F(WindowMacros, FlushHandlesTheWaitingMessagesAtOnce) {
    HWND target = Target();
    ASSERT_NE(target, nullptr);
    for (int i = 0; i < 3; ++i) PostMessageA(target, kTargetMessage, static_cast<WPARAM>(i), 0);
    Macro("ZylFlush()");
    EXPECT_EQ(g_received.size(), 3u);
    DestroyWindow(target);
}

TEST_F(WindowMacros, TheContentsModuleStartsOnlyWithAWindowOfTheClass) {
    const std::string call = "ZylFWSM(`ZylTestMessageTarget', " + std::to_string(kTargetMessage) + ", 7, 9)";

    Macro(call);
    host->PumpUntilIdle();
    EXPECT_TRUE(Handed().empty());
    EXPECT_TRUE(g_received.empty());
    EXPECT_EQ(Calls("called " + call + " = 0"), 1u);

    HWND target = Target();
    ASSERT_NE(target, nullptr);
    // Whether the message waits in the queue when each macro is carried out.
    std::vector<bool> posted;
    host->SetMacroRunner([&](zylhost::Host& h, const std::string& file, const std::string& macro) {
        MSG msg;
        posted.push_back(PeekMessageA(&msg, target, kTargetMessage, kTargetMessage, PM_NOREMOVE) != FALSE);
        h.ExecuteMacro(file.c_str(), macro.c_str());
    });
    Macro(call);
    host->SetMacroRunner(nullptr);
    EXPECT_EQ(Handed(), (std::vector<std::string>{"main.hlp: RR(`zyl3ctnt.dll',`ZylCtntInit'',`')",
                                                  "main.hlp: ZylCtntInit()"}));
    EXPECT_EQ(posted, (std::vector<bool>{false, false})) << "the message is posted after the macros";
    EXPECT_EQ(Calls("called " + call + " = 1"), 1u);
    host->PumpUntilIdle();
    EXPECT_EQ(g_received, (std::vector<std::pair<WPARAM, LPARAM>>{{7, 9}}));
    DestroyWindow(target);
}

TEST_F(WindowMacros, AfterBagExtPicturesComeFromDiskFirstButScriptsFromTheHelpFile) {
    // How many pixels of the picture window show the help file's colour
    // and how many the disk's.
    auto shown = [&](const char* picture) {
        HWND w = host->CreateEmbedded(host->TopicRegion(), {'l', "ZYL3AN32.DLL", "ZYL3_ANIMPICT32", std::string(picture) + ";0;"});
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        const Picture px = WindowPixels(w);
        return std::make_pair(CountOf(px, kInside), CountOf(px, kOnDisk));
    };
    EXPECT_EQ(shown("first.bmp"), std::make_pair(std::size_t{64}, std::size_t{0}));
    Macro("ZylBagExt()");
    EXPECT_EQ(shown("second.bmp"), std::make_pair(std::size_t{0}, std::size_t{64}));
    Macro("ZylEBS(`both.mac')");
    EXPECT_EQ(host->ApiLog().size(), 2u) << "the help file's both.mac, not the disk's";
}

}  // namespace
