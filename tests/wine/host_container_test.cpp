// Topic scripts kept inside help files: the host finds the script, shows
// its topics and tells the module the help file's path, so that the
// module's windows find their files inside it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "core/helpfile_writer.h"
#include "host.h"

namespace {

thread_local FARPROC t_table[ZYL_CALLBACK_COUNT];
std::string g_helpAtCreate;
std::vector<std::string> g_changes;

LONG_PTR CALLBACK Handler(UINT message, LPARAM lParam1, LPARAM) {
    if (message == DW_WHATMSG) return DC_ALL;
    if (message == DW_CALLBACKS) std::memcpy(t_table, reinterpret_cast<const void*>(lParam1), sizeof t_table);
    if (message == DW_CHGFILE) g_changes.push_back(reinterpret_cast<const char*>(lParam1));
    return 1;
}

std::string HelpPathFromGetInfo() {
    auto fn = reinterpret_cast<ZYL_GETINFO>(reinterpret_cast<void*>(t_table[ZYL_CALLBACK_GETINFO]));
    HGLOBAL h = reinterpret_cast<HGLOBAL>(fn(GI_HPATH, nullptr));
    if (!h) return "<null>";
    std::string path = static_cast<const char*>(GlobalLock(h));
    GlobalUnlock(h);
    GlobalFree(h);
    return path;
}

// A window that notes the help file of its creation record.
LRESULT CALLBACK RecorderProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CREATE) {
        auto* info = static_cast<ZYL_CREATEINFO*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        g_helpAtCreate = info && info->helpFile ? info->helpFile : "";
    } else if (msg == EWM_QUERYSIZE) {
        auto* pt = reinterpret_cast<POINT*>(lParam);
        pt->x = pt->y = 10;
        return 1;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void RegisterRecorder() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecorderProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZYLTEST_RECORDER";
    RegisterClassA(&wc);
}

using Files = std::vector<std::pair<std::string, std::string>>;

// A help file holding `files`, laid out by the writer zylpack uses.
std::vector<std::uint8_t> Container(const Files& files) {
    std::vector<zyl::ContainerMember> members;
    for (const auto& f : files) {
        zyl::ContainerMember m;
        m.name = f.first;
        m.size = static_cast<std::uint32_t>(f.second.size());
        members.push_back(m);
    }
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(zyl::PlanContainer(&members, &bytes, &error)) << error;
    for (const auto& f : files) {
        std::uint8_t header[9];
        zyl::MakeInternalFileHeader(static_cast<std::uint32_t>(f.second.size()), 0, header);
        bytes.insert(bytes.end(), header, header + 9);
        bytes.insert(bytes.end(), f.second.begin(), f.second.end());
    }
    return bytes;
}

std::string TempPath(const char* name) {
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    return std::string(dir) + name;
}

std::string Write(const char* name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

class Containers : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterRecorder();
        zylhost::HostOptions o;
        o.visible = false;
        host = std::make_unique<zylhost::Host>(o);
        ASSERT_TRUE(host->AttachHandler(&Handler));
    }
    void TearDown() override {
        host->Shutdown();
        for (const std::string& p : written) DeleteFileA(p.c_str());
    }
    std::string Make(const char* name, const Files& files) {
        written.push_back(Write(name, Container(files)));
        return written.back();
    }
    std::unique_ptr<zylhost::Host> host;
    std::vector<std::string> written;
};

const char kScript[] =
    ".title Packed\n"
    ".helpfile elsewhere.hlp\n"
    ".topic first\nInside {ewc self, ZYLTEST_RECORDER, x}\n"
    ".topic second\nSecond\n";

TEST_F(Containers, TheScriptInsideIsShownAndTheHelpFileIsThePath) {
    const std::string path = Make("zylhost-packed.hlp", {{"pic.gif", "GIF89a..."}, {"topics.hts", kScript}, {"other.hts", ".topic nope\n"}});
    g_helpAtCreate.clear();
    ASSERT_TRUE(host->OpenScript(path.c_str())) << host->LastError();
    host->PumpUntilIdle();
    ASSERT_EQ(host->TopicScript().topics.size(), 2u) << "topics.hts wins over other scripts";
    EXPECT_EQ(host->TopicScript().topics[0].context, "first");
    EXPECT_EQ(host->EmbeddedWindows().size(), 1u);
    // The help file is the container itself (a .helpfile inside is not followed).
    EXPECT_EQ(host->HelpFilePath(), path);
    EXPECT_EQ(HelpPathFromGetInfo(), path);
    EXPECT_EQ(g_helpAtCreate, path);
    char caption[64] = "";
    GetWindowTextA(host->MainFrame(), caption, sizeof caption);
    EXPECT_STREQ(caption, "Packed");
}

TEST_F(Containers, TheOnlyScriptOfAnyNameIsTaken) {
    const std::string path = Make("zylhost-single.hlp", {{"Guide.HTS", ".topic guide\nText\n"}, {"data.bin", "x"}});
    ASSERT_TRUE(host->OpenScript(path.c_str())) << host->LastError();
    EXPECT_EQ(host->TopicScript().topics.at(0).context, "guide");
    EXPECT_EQ(host->HelpFilePath(), path);
}

TEST_F(Containers, HelpFilesWithoutOneClearScriptAreRefused) {
    struct Case {
        const char* name;
        Files files;
        const char* says;
    };
    const Case cases[] = {
        {"zylhost-two.hlp", {{"a.hts", ".topic a\n"}, {"b.hts", ".topic b\n"}}, "holds several topic scripts (a.hts, b.hts)"},
        {"zylhost-none.hlp", {{"pic.gif", "x"}}, "is a help file without a topic script"},
        {"zylhost-bad.hlp", {{"topics.hts", ".topic a\n{ewc x}\n"}}, "zylhost-bad.hlp(topics.hts):2: "},
    };
    for (const Case& c : cases) {
        const std::string path = Make(c.name, c.files);
        EXPECT_FALSE(host->OpenScript(path.c_str())) << c.name;
        EXPECT_NE(host->LastError().find(c.says), std::string::npos) << c.name << ": " << host->LastError();
    }

    // A damaged help file: refused with a reason, read no further than it goes.
    std::vector<std::uint8_t> bytes = Container({{"topics.hts", kScript}});
    for (std::size_t cut : {std::size_t(20), std::size_t(100), bytes.size() - 5}) {
        written.push_back(Write("zylhost-cut.hlp", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + cut)));
        EXPECT_FALSE(host->OpenScript(written.back().c_str())) << cut;
        EXPECT_FALSE(host->LastError().empty());
    }
    EXPECT_FALSE(host->OpenScript(TempPath("zylhost-no-such.hlp").c_str()));
    EXPECT_NE(host->LastError().find("cannot open"), std::string::npos);
}

TEST_F(Containers, ChangingToAHelpFileShowsItsScript) {
    const std::string packed = Make("zylhost-change.hlp", {{"topics.hts", kScript}});
    const std::string plain = Make("zylhost-plain.hlp", {{"|SYSTEM", "compiled"}});
    ASSERT_TRUE(host->LoadScriptText(".topic start\n", "C:\\help\\start.hts"));
    g_changes.clear();
    host->ChangeHelpFile(packed.c_str());
    EXPECT_EQ(g_changes, (std::vector<std::string>{packed}));
    EXPECT_EQ(host->TopicScript().topics.at(0).context, "first");
    EXPECT_EQ(host->HelpFilePath(), packed);

    // A help file without a script only changes the path: the topics stay.
    host->ChangeHelpFile(plain.c_str());
    EXPECT_EQ(host->HelpFilePath(), plain);
    EXPECT_EQ(host->TopicScript().topics.at(0).context, "first");
}

TEST_F(Containers, AScriptOnDiskMayNameTheHelpFileBesideIt) {
    const std::string packed = Make("zylhost-beside.hlp", {{"pic.gif", "x"}});
    const std::string script = TempPath("zylhost-beside.hts");
    std::ofstream(script) << ".helpfile zylhost-beside.hlp\n.topic a\n{ewc self, ZYLTEST_RECORDER, x}\n";
    written.push_back(script);
    g_helpAtCreate.clear();
    ASSERT_TRUE(host->OpenScript(script.c_str())) << host->LastError();
    EXPECT_EQ(host->HelpFilePath(), packed);
    EXPECT_EQ(g_helpAtCreate, packed);
    // Jumps into the script's other file by its own name stay in this file.
    host->ExecuteMacro(nullptr, "JI(`zylhost-beside.hts', `a')");
    EXPECT_EQ(host->MacroLog().back().text, "JumpId: jump to a") << "not another file";
}

}  // namespace
