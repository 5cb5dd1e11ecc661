// The host's macro interpreter, fed through the API callback as the module
// feeds it: routines bound with RegisterRoutine (exports of this program)
// and called with converted arguments, errors that do not stop the next
// macro, and the navigation macros, which act at the next pump.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host.h"
#include "host_fake.h"
#include "wine_support.h"

namespace {

using namespace hostfake;

BOOL RunMacro(const char* macro) { return Api("C:\\help\\macros.hts", ZYL_API_EXECUTE_MACRO, reinterpret_cast<LONG_PTR>(macro)); }

// What the routines below were called with.
INT_PTR g_args[8];
std::string g_strings[2];
const void* g_stringAddress = nullptr;
int g_count = 0;
int g_depth = 0, g_deepest = 0;

}  // namespace

// Routines a help file can bind: exports of this program ("self").
extern "C" {
__declspec(dllexport) INT_PTR CALLBACK ZylTestRecord(INT_PTR u, INT_PTR i, INT_PTR U, INT_PTR I, INT_PTR S, INT_PTR s) {
    g_args[0] = u;
    g_args[1] = i;
    g_args[2] = U;
    g_args[3] = I;
    g_strings[0] = S ? reinterpret_cast<const char*>(S) : "<null>";
    g_strings[1] = s ? reinterpret_cast<const char*>(s) : "<null>";
    g_stringAddress = reinterpret_cast<const void*>(S);
    return 7;
}

__declspec(dllexport) INT_PTR CALLBACK ZylTestAdd(INT_PTR a, INT_PTR b) { return a + b; }

__declspec(dllexport) INT_PTR CALLBACK ZylTestEight(INT_PTR a, INT_PTR b, INT_PTR c, INT_PTR d, INT_PTR e, INT_PTR f,
                                                    INT_PTR g, INT_PTR h) {
    return ((((((a * 10 + b) * 10 + c) * 10 + d) * 10 + e) * 10 + f) * 10 + g) * 10 + h;
}

__declspec(dllexport) void CALLBACK ZylTestCount() { ++g_count; }

__declspec(dllexport) INT_PTR CALLBACK ZylTestNegative() { return -2; }

// Runs itself again through the host, as a routine that runs macros may.
__declspec(dllexport) void CALLBACK ZylTestRecurse() {
    ++g_depth;
    if (g_depth > g_deepest) g_deepest = g_depth;
    if (g_depth < 50) RunMacro("ZylTestRecurse()");
    --g_depth;
}
}

namespace {

class Macros : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        Load(kTopics);
    }
    void Load(const char* script) {
        HostTest::Load(script, "C:\\help\\macros.hts");
        host.ClearApiLog();
    }
    std::vector<std::string> Log() const {
        std::vector<std::string> out;
        for (const auto& e : host.MacroLog()) out.push_back(e.text);
        return out;
    }
    bool Logged(const std::string& piece) const {
        for (const auto& e : host.MacroLog())
            if (e.text.find(piece) != std::string::npos) return true;
        return false;
    }
    std::string Dump() const {
        std::string s;
        for (const auto& e : host.MacroLog()) s += "\n  " + e.text;
        return s;
    }
    const std::string& Context() const {
        static const std::string none;
        const int n = host.CurrentTopicNumber();
        for (std::size_t i = 0; i < host.TopicScript().topics.size(); ++i)
            if (host.TopicScript().TopicNumber(static_cast<int>(i)) == static_cast<std::uint32_t>(n))
                return host.TopicScript().topics[i].context;
        return none;
    }

    static constexpr const char* kTopics =
        ".topic a 10\nFirst\n.topic b\nSecond\n.topic c 30\nThird\n.topic d\nFourth\n";
};

TEST_F(Macros, RoutinesGetTheirArgumentsByPrototype) {
    g_count = 0;
    RunMacro("RR(`self', `ZylTestRecord', `I=uiUISs'):"
             "ZylTestRecord(-1, 65535, -1, 4294967295, `text (with) \"quotes\"', qchPath)");
    EXPECT_EQ(g_args[0], 0xFFFF) << "u: zero-extended from 16 bits";
    EXPECT_EQ(g_args[1], -1) << "i: sign-extended from 16 bits";
    EXPECT_EQ(g_args[2], static_cast<INT_PTR>(0xFFFFFFFFull)) << "U: zero-extended from 32 bits";
    EXPECT_EQ(g_args[3], -1) << "I: sign-extended from 32 bits";
    EXPECT_EQ(g_strings[0], "text (with) \"quotes\"");
    EXPECT_GT(reinterpret_cast<ULONG_PTR>(g_stringAddress), kFourGB) << "strings are handed over above 4 GB";
    EXPECT_EQ(g_strings[1], host.HelpFilePath());
    const auto log = Log();
    ASSERT_EQ(log.size(), 2u) << Dump();
    EXPECT_EQ(log[0], "RegisterRoutine: routine found: ZylTestRecord in self, prototype \"I=uiUISs\"");
    EXPECT_EQ(log[1], "called ZylTestRecord(-1, 65535, -1, 4294967295, `text (with) \"quotes\"', qchPath) = 7");
    ASSERT_EQ(host.ApiLog().size(), 1u) << "one macro text, carried out inside its API call";

    // Names in any case; numbers written as strings; a routine's result as
    // an argument; every argument count up to eight.
    host.ClearApiLog();
    RunMacro("rr(`SELF', `ZylTestAdd', `U=UU'); rr(`self', `ZylTestEight', `U=uuuuuuuu');"
             "RR(`self', `ZylTestNegative', `i=');"
             "zyltestrecord(ZylTestAdd(2, `0x3'), ZylTestNegative(), 0, 0, `', `')");
    EXPECT_EQ(g_args[0], 5);
    EXPECT_EQ(g_args[1], -2);
    RunMacro("ZylTestEight(1, 2, 3, 4, 5, 6, 7, 8)");
    EXPECT_TRUE(Logged("called ZylTestEight(1, 2, 3, 4, 5, 6, 7, 8) = 12345678")) << Dump();

    // Host values by name.
    RunMacro("RR(`self', `ZylTestAdd', `U=UU'):ZylTestAdd(hwndApp, 0):ZylTestAdd(lTopicNo, 1)");
    EXPECT_TRUE(Logged("called ZylTestAdd(hwndApp, 0) = " +
                       std::to_string(reinterpret_cast<ULONG_PTR>(host.MainFrame()))))
        << Dump();
    EXPECT_TRUE(Logged("called ZylTestAdd(lTopicNo, 1) = 11")) << Dump();
}

TEST_F(Macros, AFailingMacroIsLoggedAndTheNextOneRuns) {
    g_count = 0;
    RunMacro("RR(`self', `ZylTestCount', `'):Missing():ZylTestCount()");
    EXPECT_EQ(g_count, 1);
    EXPECT_EQ(Log(), (std::vector<std::string>{"RegisterRoutine: routine found: ZylTestCount in self, prototype \"\"",
                                               "error: routine not found: Missing", "called ZylTestCount()"}));

    // Each of these is refused with its reason, and ZylTestCount still runs after it.
    struct Case {
        const char* macro;
        const char* says;
    };
    const Case cases[] = {
        {"RR(`self', `NoSuchExport', `')", "RegisterRoutine: routine not found: NoSuchExport in self"},
        {"RR(`NOSUCH.DLL', `X', `')", "RegisterRoutine: cannot load DLL NOSUCH.DLL"},
        {"RR(`self', `ZylTestAdd', `U=UX')", "'X' is not a parameter type"},
        {"RR(`self')", "RR takes 2 or 3 arguments"},
        {"RR(`self', 12, `')", "RR: argument 2 must be a string"},
        {"ZylTestCount(1)", "ZylTestCount takes 0 arguments (prototype \"\"), 1 given"},
        {"RR(`self', `ZylTestAdd', `U=uu'):ZylTestAdd(65536, 1)", "ZylTestAdd: argument 1 (65536) does not fit 'u'"},
        {"ZylTestAdd(`x', 1)", "ZylTestAdd: argument 1 must be a number"},
        {"ZylTestAdd(hwndNowhere, 1)", "unknown name hwndNowhere"},
        {"ZylTestAdd(Next(), 1)", "Next gives no value"},
        {"ZylTestAdd(ZylTestCount(), 1)", "ZylTestCount gives no value"},
        {"JI(`', `no-such-topic')", "JI: no topic no-such-topic"},
        {"JC(`', 99)", "no topic number 99"},
        {"PW(0, 0, 10, 10, 12, `main')", "window state 12"},
        {"Next(1)", "Next takes no arguments, 1 given"},
    };
    for (const Case& c : cases) {
        host.ClearApiLog();
        g_count = 0;
        RunMacro((std::string(c.macro) + ":ZylTestCount()").c_str());
        EXPECT_EQ(g_count, 1) << c.macro << Dump();
        EXPECT_TRUE(Logged(c.says)) << c.macro << Dump();
        EXPECT_EQ(Log().back(), "called ZylTestCount()") << c.macro;
        int errors = 0;
        for (const std::string& line : Log()) errors += line.rfind("error: ", 0) == 0;
        EXPECT_EQ(errors, 1) << c.macro << Dump();
    }

    // A syntax error: the macros before it run, the rest of the text does not.
    host.ClearApiLog();
    g_count = 0;
    RunMacro("ZylTestCount():ZylTestCount():Broken(`x:ZylTestCount()");
    EXPECT_EQ(g_count, 2);
    EXPECT_TRUE(Logged("error: cannot read macro ZylTestCount():ZylTestCount():Broken(`x:ZylTestCount(): column 38: "
                       "unterminated string"))
        << Dump();
}

TEST_F(Macros, RoutinesThatRunMacrosCannotRecurseForEver) {
    RunMacro("RR(`self', `ZylTestRecurse', `'):ZylTestRecurse()");
    EXPECT_LT(g_deepest, 50);
    EXPECT_GT(g_deepest, 1);
    EXPECT_TRUE(Logged("error: macros nested too deeply")) << Dump();
}

TEST_F(Macros, JumpsWaitForThePumpAndGoWhereTheySay) {
    RunMacro("JI(`', `c')");
    EXPECT_EQ(Context(), "a") << "nothing happens inside the module's call";
    host.PumpUntilIdle();
    EXPECT_EQ(Context(), "c");

    auto run = [&](const char* macro) {
        RunMacro(macro);
        host.PumpUntilIdle();
        return Context();
    };
    EXPECT_EQ(run("Next()"), "d");
    EXPECT_EQ(run("Next()"), "d") << "no topic after the last";
    EXPECT_TRUE(Logged("Next: the last topic is shown"));
    EXPECT_EQ(run("Prev():Prev()"), "b") << "each step from where the one before went";
    EXPECT_EQ(run("Contents()"), "a");
    EXPECT_EQ(run("JC(`', 30)"), "c") << "by the number written in the script";
    EXPECT_EQ(run("JumpContext(`', 1)"), "b") << "a topic without a number answers to its index";
    EXPECT_EQ(run("JI(`macros.hts', `d')"), "d") << "the current file by its name";
    char hash[64];
    std::snprintf(hash, sizeof hash, "JumpHash(`', 0x%X)", static_cast<unsigned>(zylscript::ContextHash("a")));
    EXPECT_EQ(run(hash), "a");

    // Back() retraces the main window's way: a c d c b a c b d, then a.
    EXPECT_EQ(run("Back()"), "d");
    EXPECT_EQ(run("Back()"), "b");
    EXPECT_EQ(run("Back():Back()"), "a");

    // Popups, and a window named after '>'.
    RunMacro("PI(`', `c')");
    host.PumpUntilIdle();
    char cls[32] = "";
    GetClassNameA(host.CurrentRegion(), cls, sizeof cls);
    EXPECT_STREQ(cls, ZYL_HOST_CLASS_POPUP);
    EXPECT_EQ(Context(), "c");
    RunMacro("PopupContext(`', 10)");
    host.PumpUntilIdle();
    EXPECT_EQ(Context(), "a");
    host.ClosePopup();
    RunMacro("JI(`>extra', `d')");
    host.PumpUntilIdle();
    HWND extra = FindWindowA(ZYL_HOST_CLASS_SECONDARY, "d");
    ASSERT_NE(extra, nullptr);
    // Prev() from the secondary window steps through its topics, not the main window's.
    host.SetCurrentRegion(host.TopicRegion());
    const std::string mainTopic = Context();
    host.SetCurrentRegion(host.TopicRegion(extra));
    RunMacro("Prev()");
    host.PumpUntilIdle();
    char caption[32] = "";
    GetWindowTextA(extra, caption, sizeof caption);
    EXPECT_STREQ(caption, "c");
    host.SetCurrentRegion(host.TopicRegion());
    EXPECT_EQ(Context(), mainTopic);

    // ExecProgram is only logged.
    host.ClearApiLog();
    RunMacro("EP(`notepad.exe readme.txt', 1)");
    EXPECT_EQ(Log(), (std::vector<std::string>{"ExecProgram: not run (zylhost starts no programs): notepad.exe readme.txt, state 1"}));
}

TEST_F(Macros, PositionWindowPlacesFramesInScreenUnits) {
    const int sx = GetSystemMetrics(SM_CXSCREEN), sy = GetSystemMetrics(SM_CYSCREEN);
    RECT before;
    GetWindowRect(host.MainFrame(), &before);
    RunMacro("PW(256, 128, 512, 256, 1, `main')");
    RECT now;
    GetWindowRect(host.MainFrame(), &now);
    EXPECT_TRUE(EqualRect(&now, &before)) << "placed at the next pump";
    host.PumpUntilIdle();
    GetWindowRect(host.MainFrame(), &now);
    EXPECT_EQ(now.left, MulDiv(256, sx, 1024));
    EXPECT_EQ(now.top, MulDiv(128, sy, 1024));
    EXPECT_EQ(now.right - now.left, MulDiv(512, sx, 1024));
    EXPECT_EQ(now.bottom - now.top, MulDiv(256, sy, 1024));
    EXPECT_FALSE(IsWindowVisible(host.MainFrame())) << "a hidden host stays hidden";

    // The name may come first; a secondary window is found by its name.
    HWND second = host.OpenSecondary("second", "b");
    ASSERT_NE(second, nullptr);
    RunMacro("PositionWindow(`SECOND', 0, 0, 300, 400, 1)");
    host.PumpUntilIdle();
    GetWindowRect(second, &now);
    EXPECT_EQ(now.left, 0);
    EXPECT_EQ(now.right - now.left, MulDiv(300, sx, 1024));
    EXPECT_EQ(now.bottom - now.top, MulDiv(400, sy, 1024));

    RunMacro("PW(0, 0, 10, 10, 1, `nowhere')");
    host.PumpUntilIdle();
    EXPECT_TRUE(Logged("error: PositionWindow: no window nowhere is open")) << Dump();
}

TEST_F(Macros, StartupMacrosBindRoutinesForTheirFileOnly) {
    g_count = 0;
    Load(".startup RR(`self', `ZylTestCount', `');ZylTestCount()\n.topic a\nText\n");
    EXPECT_EQ(g_count, 1);
    RunMacro("ZylTestCount()");
    EXPECT_EQ(g_count, 2);
    Load(".topic other\nText\n");
    RunMacro("ZylTestCount()");
    EXPECT_EQ(g_count, 2);
    EXPECT_EQ(Log(), (std::vector<std::string>{"error: routine not found: ZylTestCount"}));
}

TEST_F(Macros, JumpsIntoOtherFilesOpenThemFirst) {
    zyltest::Scratch dir;
    const std::string first = dir / "zylhost-macro-first.hts", second = dir / "zylhost-macro-second.hts";
    ASSERT_TRUE(zyltest::WriteFile(first, zyltest::BytesOf(".topic one\nOne\n")));
    ASSERT_TRUE(zyltest::WriteFile(second, zyltest::BytesOf(".topic x\nX\n.topic y 7\nY\n")));
    ASSERT_TRUE(host.OpenScript(first.c_str())) << host.LastError();
    RunMacro("JC(`zylhost-macro-second.hts', 7)");
    EXPECT_EQ(host.HelpFilePath(), first);
    host.PumpUntilIdle();
    EXPECT_EQ(host.HelpFilePath(), second);
    EXPECT_EQ(Context(), "y");
    RunMacro("Back()");
    host.PumpUntilIdle();
    EXPECT_EQ(Context(), "x") << "the new file's way starts at its first topic";
    RunMacro("Back()");
    host.PumpUntilIdle();
    EXPECT_EQ(host.HelpFilePath(), first) << "Back leads into the file before";
    EXPECT_EQ(Context(), "one");

    RunMacro("JI(`zylhost-macro-nowhere.hts', `x')");
    EXPECT_TRUE(Logged("error: JI: cannot open help file zylhost-macro-nowhere.hts")) << Dump();
    RunMacro("JI(`zylhost-macro-second.hts', `no-such')");
    host.PumpUntilIdle();
    EXPECT_EQ(host.HelpFilePath(), second) << "the file opens even when the topic is missing";
    EXPECT_TRUE(Logged("error: no topic no-such in ")) << Dump();
    // A macro a module hands in another existing help file jumps in that file.
    const char jump[] = "JI(`', `one')";
    host.Api(first.c_str(), 0x102, reinterpret_cast<LONG_PTR>(jump));
    host.PumpUntilIdle();
    EXPECT_EQ(host.HelpFilePath(), first);
    EXPECT_EQ(Context(), "one");
}

class MacroRunner : public HostTest {};

TEST_F(MacroRunner, ARunnerReplacesTheInterpreterUntilCleared) {
    Load(".topic a\n.topic b\n");
    std::vector<std::string> ran;
    host.SetMacroRunner([&](zylhost::Host&, const std::string& file, const std::string& m) { ran.push_back(file + "|" + m); });
    RunMacro("Next()");
    host.PumpUntilIdle();
    EXPECT_EQ(ran, (std::vector<std::string>{"C:\\help\\macros.hts|Next()"}));
    EXPECT_EQ(host.CurrentTopicNumber(), 0);
    EXPECT_TRUE(host.MacroLog().empty());
    host.SetMacroRunner(nullptr);
    RunMacro("Next()");
    host.PumpUntilIdle();
    EXPECT_EQ(host.CurrentTopicNumber(), 1);
}

}  // namespace
