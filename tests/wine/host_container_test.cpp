// Topic scripts kept inside help files: the host finds the script, shows
// its topics and tells the module the help file's path, so that the
// module's windows find their files inside it.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "host.h"
#include "host_fake.h"
#include "wine_support.h"

namespace {

using namespace hostfake;
using zyltest::TempPath;

using Files = std::vector<std::pair<std::string, std::string>>;

// A help file holding `files`, laid out by the writer zylpack uses.
std::string Make(const char* name, const Files& files) {
    std::vector<std::pair<std::string, zyltest::Bytes>> inside;
    for (const auto& f : files) inside.emplace_back(f.first, zyltest::BytesOf(f.second));
    const std::string path = TempPath(name);
    EXPECT_TRUE(zyltest::WriteFile(path, zyltest::HelpFile(inside)));
    return path;
}

class Containers : public HostTest {};

const char kScript[] =
    ".title Packed\n"
    ".helpfile elsewhere.hlp\n"
    ".topic first\nInside {ewc self, ZYLTEST_FAKE, 10x10}\n"
    ".topic second\nSecond\n";

TEST_F(Containers, TheScriptInsideIsShownAndTheHelpFileIsThePath) {
    const std::string path = Make("zylhost-packed.hlp", {{"pic.gif", "GIF89a..."}, {"topics.hts", kScript}, {"other.hts", ".topic nope\n"}});
    g_helpAtCreate.clear();
    ASSERT_TRUE(host.OpenScript(path.c_str())) << host.LastError();
    host.PumpUntilIdle();
    ASSERT_EQ(host.TopicScript().topics.size(), 2u) << "topics.hts wins over other scripts";
    EXPECT_EQ(host.TopicScript().topics[0].context, "first");
    EXPECT_EQ(host.EmbeddedWindows().size(), 1u);
    // The help file is the container itself (a .helpfile inside is not followed).
    EXPECT_EQ(host.HelpFilePath(), path);
    EXPECT_EQ(HelpPathFromGetInfo(), path);
    EXPECT_EQ(g_helpAtCreate, path);
    char caption[64] = "";
    GetWindowTextA(host.MainFrame(), caption, sizeof caption);
    EXPECT_STREQ(caption, "Packed");
}

TEST_F(Containers, TheOnlyScriptOfAnyNameIsTaken) {
    const std::string path = Make("zylhost-single.hlp", {{"Guide.HTS", ".topic guide\nText\n"}, {"data.bin", "x"}});
    ASSERT_TRUE(host.OpenScript(path.c_str())) << host.LastError();
    EXPECT_EQ(host.TopicScript().topics.at(0).context, "guide");
    EXPECT_EQ(host.HelpFilePath(), path);
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
        EXPECT_FALSE(host.OpenScript(path.c_str())) << c.name;
        EXPECT_NE(host.LastError().find(c.says), std::string::npos) << c.name << ": " << host.LastError();
    }

    // A damaged help file: refused with a reason, read no further than it goes.
    const zyltest::Bytes bytes = zyltest::ReadFile(Make("zylhost-whole.hlp", {{"topics.hts", kScript}}));
    const std::string cutPath = TempPath("zylhost-cut.hlp");
    for (std::size_t cut : {std::size_t(20), std::size_t(100), bytes.size() - 5}) {
        ASSERT_TRUE(zyltest::WriteFile(cutPath, zyltest::Bytes(bytes.begin(), bytes.begin() + cut)));
        EXPECT_FALSE(host.OpenScript(cutPath.c_str())) << cut;
        EXPECT_FALSE(host.LastError().empty());
    }
    EXPECT_FALSE(host.OpenScript(TempPath("zylhost-no-such.hlp").c_str()));
    EXPECT_NE(host.LastError().find("cannot open"), std::string::npos);
}

TEST_F(Containers, ChangingToAHelpFileShowsItsScript) {
    const std::string packed = Make("zylhost-change.hlp", {{"topics.hts", kScript}});
    const std::string plain = Make("zylhost-plain.hlp", {{"|SYSTEM", "compiled"}});
    ASSERT_TRUE(host.LoadScriptText(".topic start\n", "C:\\help\\start.hts"));
    g_changes.clear();
    host.ChangeHelpFile(packed.c_str());
    EXPECT_EQ(g_changes, (std::vector<std::string>{packed}));
    EXPECT_EQ(host.TopicScript().topics.at(0).context, "first");
    EXPECT_EQ(host.HelpFilePath(), packed);

    // A help file without a script only changes the path: the topics stay.
    host.ChangeHelpFile(plain.c_str());
    EXPECT_EQ(host.HelpFilePath(), plain);
    EXPECT_EQ(host.TopicScript().topics.at(0).context, "first");
}

TEST_F(Containers, AScriptOnDiskMayNameTheHelpFileBesideIt) {
    const std::string packed = Make("zylhost-beside.hlp", {{"pic.gif", "x"}});
    const std::string script = TempPath("zylhost-beside.hts");
    std::ofstream(script) << ".helpfile zylhost-beside.hlp\n.topic a\n{ewc self, ZYLTEST_FAKE, 10x10}\n";
    g_helpAtCreate.clear();
    ASSERT_TRUE(host.OpenScript(script.c_str())) << host.LastError();
    EXPECT_EQ(host.HelpFilePath(), packed);
    EXPECT_EQ(g_helpAtCreate, packed);
    // Jumps into the script's other file by its own name stay in this file.
    host.ExecuteMacro(nullptr, "JI(`zylhost-beside.hts', `a')");
    EXPECT_EQ(host.MacroLog().back().text, "JumpId: jump to a") << "not another file";
}

}  // namespace
