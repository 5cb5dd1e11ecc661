// ZylShell, ZylDC and VideoInfo called as help macros through the host's
// interpreter, with the platform doing the work: programs and documents
// really start (batch files that write what they were given), failures
// reach the host as a popup request, and the display tests answer for the
// display the tests run on.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "dll_test.h"
#include "host.h"
#include "zyl3an32.h"

namespace {

using wtest::Bytes;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

class MediaMacroCalls : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.ok());
        ASSERT_TRUE(host.LoadModule(ModulePath())) << ModulePath();
        host.SetHelpFilePath(scratch.File("media.hlp").c_str());
        Run("RR(`ZYL3AN32.DLL', `ZylShell', `SSSSU'):RR(`ZYL3AN32.DLL', `ZylDC', `I=u'):"
            "RR(`ZYL3AN32.DLL', `VideoInfo', `I=u')");
    }
    void TearDown() override { host.Shutdown(); }

    void Run(const std::string& macro) { host.ExecuteMacro(nullptr, macro.c_str()); }
    std::string LastNote() const { return host.MacroLog().empty() ? "" : host.MacroLog().back().text; }
    // A batch file that writes "[its name][its first argument][the folder
    // it runs in]" into `out`.
    void Recorder(const std::string& name, const std::string& out) {
        ASSERT_TRUE(scratch.Write(name, Text("@echo [%~nx0][%~1][%CD%]>\"" + scratch.File(out) + "\"\r\n")));
    }
    // What the recorder wrote into `out`, waiting for it to run.
    std::string Recorded(const std::string& out) {
        for (int i = 0; i < 200; ++i, Sleep(50)) {
            const Bytes b = scratch.Read(out);
            if (!b.empty() && b.back() == '\n') {
                std::string s(b.begin(), b.end());
                return s.substr(0, s.find_first_of("\r\n"));
            }
        }
        return "<nothing>";
    }

    wtest::Scratch scratch;
    zylhost::Host host;
};

TEST_F(MediaMacroCalls, AProgramFoundByTheSearchRunsByItsFullPathAlone) {
    Recorder("zylrun.bat", "ran.txt");
    char saved[MAX_PATH];
    GetCurrentDirectoryA(sizeof saved, saved);
    SetCurrentDirectoryA(scratch.path().c_str());   // where the platform's search finds it
    Run("ZylShell(`zylrun.bat first second', `', `', `', 0)");
    SetCurrentDirectoryA(saved);
    EXPECT_EQ(Recorded("ran.txt"), "[zylrun.bat][][" + scratch.path() + "]") << "the rest of the command line is dropped";
    EXPECT_TRUE(host.ApiLog().empty());
}

TEST_F(MediaMacroCalls, ADocumentOpensWithTheVerbsRegisteredApplication) {
    Recorder("open.bat", "opened.txt");
    Recorder("copy.bat", "copied.txt");
    ASSERT_TRUE(scratch.Write("note.zyldoc", Text("a document")));
    auto command = [&](const char* verb, const std::string& bat) {
        const std::string key = std::string("ZylTest.Document\\shell\\") + verb + "\\command";
        const std::string value = "\"" + scratch.File(bat) + "\" \"%1\"";
        return RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, value.c_str(), static_cast<DWORD>(value.size())) ==
               ERROR_SUCCESS;
    };
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, ".zyldoc", REG_SZ, "ZylTest.Document", 16), ERROR_SUCCESS);
    ASSERT_TRUE(command("open", "open.bat") && command("zylcopy", "copy.bat"));
    const std::string doc = scratch.File("note.zyldoc");
    Run("ZylShell(`', `" + doc + "', `zylcopy', `" + scratch.path() + "', 0)");
    EXPECT_EQ(Recorded("copied.txt"), "[copy.bat][" + doc + "][" + scratch.path() + "]");
    Run("ZylShell(`', `note.zyldoc', `', `" + scratch.path() + "', 0)");
    EXPECT_EQ(Recorded("opened.txt"), "[open.bat][note.zyldoc][" + scratch.path() + "]") << "no verb: the default one, in the folder given";
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "ZylTest.Document");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".zyldoc");
    EXPECT_TRUE(host.ApiLog().empty());
}

TEST_F(MediaMacroCalls, AFailedStartAsksTheHostForTheFailureTopicAsAPopup) {
    Run("ZylShell(`C:\\nowhere\\missing.exe -x', `', `', `', 305419896)");
    Run("ZylShell(`', `C:\\nowhere\\missing.zyldoc', `open', `', 7)");
    Run("ZylShell(`C:\\nowhere\\missing.exe', `', `', `', 0)");   // no topic: nothing asked
    ASSERT_EQ(host.ApiLog().size(), 2u);
    for (const zylhost::ApiCall& call : host.ApiLog()) {
        EXPECT_EQ(call.command, static_cast<unsigned>(ZYL_API_POPUP_HASH));
        EXPECT_EQ(call.helpFile, scratch.File("media.hlp"));
    }
    EXPECT_EQ(host.ApiLog()[0].value, 305419896);
    EXPECT_EQ(host.ApiLog()[1].value, 7);
}

TEST_F(MediaMacroCalls, DisplayTestsAnswerForTheDisplayTheTestsRunOn) {
    // ./run's display: 1024 x 768 with more than 256 colours; Wine's
    // version puts the platform in class 0 (none of the classic ones).
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024) << "run under ./run test's display";
    ASSERT_GT(bits, 8);
    std::string answers;
    for (int test = 0; test <= 13; ++test) {
        Run("ZylDC(" + std::to_string(test) + ")");
        answers += LastNote().substr(LastNote().size() - 1);
    }
    //                  0 1 2 3 4 5 6 7 8 9 10 11 12 13
    EXPECT_EQ(answers, "0" "001000110100" "0") << "1024 wide, more than 256 colours, class 0";
    answers.clear();
    for (int test = 0; test <= 6; ++test) {
        Run("VideoInfo(" + std::to_string(test) + ")");
        answers += LastNote().substr(LastNote().size() - 1);
    }
    EXPECT_EQ(answers, "0000010") << "only 5, a screen 1024 or more wide";
}

}  // namespace
