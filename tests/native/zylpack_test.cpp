// zylpack's commands, run in-process: containers it writes are read back by
// the module's reader, failures leave every file as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>

#include "core/helpfile.h"
#include "zylpack.h"
#include "support.h"

namespace {

using namespace zyltest;

struct Result {
    int code;
    std::string out, err;
};

Result Zylpack(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = zylpack::Run(args, out, err);
    return {code, out.str(), err.str()};
}

using HelpPtr = zyl::HelpFilePtr;
using DataPtr = zyl::DataFilePtr;

TEST(Zylpack, CreateListExtract) {
    Scratch dir;
    ASSERT_EQ(::mkdir((dir / "pics").c_str(), 0755), 0);
    const Bytes logo = Pattern(5000, 1), notes = BytesOf("notes\n"), empty;
    ASSERT_TRUE(WriteFile(dir / "pics/logo.bmp", logo));
    ASSERT_TRUE(WriteFile(dir / "notes.txt", notes));
    ASSERT_TRUE(WriteFile(dir / "empty", empty));
    const std::string hlp = dir / "out.hlp";

    Result r = Zylpack({"create", hlp, dir / "pics/logo.bmp", "Read Me=" + (dir / "notes.txt"),
                        "a:b=" + (dir / "empty")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");

    r = Zylpack({"list", hlp});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Read Me\t6\na:b\t0\nlogo.bmp\t5000\n") << "byte order, name tab size";

    // The file header tells the file's size and has no free list.
    const Bytes container = ReadFile(hlp);
    EXPECT_EQ(Get32(container, 0), 0x00035F3Fu);
    EXPECT_EQ(Get32(container, 8), 0xFFFFFFFFu);
    EXPECT_EQ(Get32(container, 12), container.size());

    ASSERT_EQ(Zylpack({"extract", hlp, "LOGO.BMP", dir / "logo.out"}).code, 0);
    EXPECT_EQ(ReadFile(dir / "logo.out"), logo);
    r = Zylpack({"extract", hlp, "Read Me", "-"});
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "notes\n");

    // Without OUT the name is made safe for a file system.
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    r = Zylpack({"extract", hlp, "a:b"});
    const bool written = FileExists("a_b");
    ASSERT_EQ(chdir(cwd), 0);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(written);
    EXPECT_EQ(zylpack::DefaultExtractName("|SYSTEM"), "_SYSTEM");
    EXPECT_EQ(zylpack::DefaultExtractName("../x"), ".._x");
    EXPECT_EQ(zylpack::DefaultExtractName(".."), "_..");
}

TEST(Zylpack, AddReplacesNamedFilesAndKeepsTheOthers) {
    Scratch dir;
    const Bytes a = Pattern(3000, 1), b1 = Pattern(100, 2), b2 = Pattern(70000, 3), c = Pattern(10, 4);
    ASSERT_TRUE(WriteFile(dir / "a", a));
    ASSERT_TRUE(WriteFile(dir / "b", b1));
    ASSERT_TRUE(WriteFile(dir / "b2", b2));
    ASSERT_TRUE(WriteFile(dir / "c", c));
    const std::string hlp = dir / "out.hlp";
    ASSERT_EQ(Zylpack({"create", hlp, dir / "a", dir / "b"}).code, 0);
    Result r = Zylpack({"add", hlp, "b=" + (dir / "b2"), dir / "c"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Zylpack({"list", hlp}).out, "a\t3000\nb\t70000\nc\t10\n");

    HelpPtr help(zyl::OpenHelpFile(zyl::PosixFiles(), hlp.c_str()));
    ASSERT_TRUE(help);
    for (const auto& [name, bytes] : std::vector<std::pair<const char*, Bytes>>{{"a", a}, {"b", b2}, {"c", c}}) {
        DataPtr f(zyl::FindInternalFile(help.get(), name));
        ASSERT_TRUE(f) << name;
        Bytes got;
        ASSERT_TRUE(zyl::ReadAllBytes(f.get(), &got));
        EXPECT_EQ(got, bytes) << name;
    }
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a", "b", "b2", "c", "out.hlp"})) << "no temporary left";
}

TEST(Zylpack, FailuresSayWhyAndChangeNothing) {
    Scratch dir;
    ASSERT_TRUE(WriteFile(dir / "a", BytesOf("aaa")));
    ASSERT_TRUE(WriteFile(dir / "text.txt", BytesOf("this is not a help file at all")));
    const std::string hlp = dir / "good.hlp";
    ASSERT_EQ(Zylpack({"create", hlp, dir / "a"}).code, 0);
    const Bytes before = ReadFile(hlp);

    // A directory whose only leaf links to itself.
    Bytes looped = before;
    Put16(looped, DirectoryTree(looped).pagesStart + 6, 0);
    ASSERT_TRUE(WriteFile(dir / "looped.hlp", looped));
    const std::vector<std::string> originals = dir.Names();

    struct Case {
        std::vector<std::string> args;
        int code;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{"create", dir / "new.hlp", dir / "a", dir / "missing"}, 1, "cannot open '" },
        {{"create", dir / "new.hlp", dir / "a", "x=" + (dir / "a"), "a=" + (dir / "text.txt")}, 1, "'a' is given twice"},
        {{"create", dir / "new.hlp", "=" + (dir / "a")}, 1, "NAME=PATH"},
        {{"create", dir / "new.hlp", "name="}, 1, "NAME=PATH"},
        {{"create", dir / "new.hlp", std::string(300, 'n') + "=" + (dir / "a")}, 1, "at most 255 bytes"},
        {{"create", dir / "nodir/new.hlp", dir / "a"}, 1, "cannot write"},
        {{"add", hlp, dir / "missing"}, 1, "cannot open '"},
        {{"add", dir / "text.txt", dir / "a"}, 1, "is not a help file"},
        {{"add", dir / "looped.hlp", dir / "a"}, 1, "the directory is damaged"},
        {{"add", dir / "nothing.hlp", dir / "a"}, 1, "cannot open '"},
        {{"list", dir / "missing.hlp"}, 1, "cannot open '"},
        {{"list", dir / "text.txt"}, 1, "is not a help file"},
        {{"list", dir / "looped.hlp"}, 1, "the directory is damaged"},
        {{"extract", hlp, "nothing"}, 1, "holds no internal file named 'nothing'"},
        {{"extract", dir / "looped.hlp", "nothing"}, 1, "the directory is damaged"},
        {{"extract", dir / "text.txt", "a"}, 1, "is not a help file"},
        {{"extract", hlp, "a", dir / "nodir/out"}, 1, "cannot write"},
        {{}, 2, "usage"},
        {{"frobnicate"}, 2, "unknown command"},
        {{"list"}, 2, "usage"},
        {{"list", hlp, "extra"}, 2, "usage"},
        {{"create", hlp}, 2, "usage"},
        {{"extract", hlp}, 2, "usage"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const auto& a : c.args) joined += a + " ";
        const Result r = Zylpack(c.args);
        EXPECT_EQ(r.code, c.code) << joined;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << joined << "\n" << r.err;
        EXPECT_EQ(r.out, "") << joined;
        EXPECT_EQ(dir.Names(), originals) << joined << ": nothing is written on failure";
        EXPECT_EQ(ReadFile(hlp), before) << joined;
    }
}

TEST(Zylpack, NamesSortByTheirBytes) {
    Scratch dir;
    ASSERT_TRUE(WriteFile(dir / "f", BytesOf("x")));
    const std::vector<std::string> names = {"a", "\xE9t\xE9", "B", "_x", "a.b", "Z", "ab", "|SYSTEM"};
    std::vector<std::string> args = {"create", dir / "out.hlp"};
    for (const auto& n : names) args.push_back(n + "=" + (dir / "f"));
    ASSERT_EQ(Zylpack(args).code, 0);
    EXPECT_EQ(Zylpack({"list", dir / "out.hlp"}).out,
              "B\t1\nZ\t1\n_x\t1\na\t1\na.b\t1\nab\t1\n|SYSTEM\t1\n\xE9t\xE9\t1\n");
    HelpPtr help(zyl::OpenHelpFile(zyl::PosixFiles(), (dir / "out.hlp").c_str()));
    for (const auto& n : names) EXPECT_TRUE(DataPtr(zyl::FindInternalFile(help.get(), n.c_str()))) << n;
}

TEST(Zylpack, FiveThousandFilesAreAllFoundThroughSeveralIndexLevels) {
    Scratch dir;
    std::vector<std::string> args = {"create", dir / "big.hlp"};
    std::vector<std::string> names;
    for (int i = 0; i < 5000; ++i) {
        // Long names: fewer per page, so the tree grows several index levels.
        char name[128];
        std::snprintf(name, sizeof name, "picture-%05d-with-a-rather-long-descriptive-name-%s.bmp", (i * 7919) % 5000,
                      i % 2 ? "odd-one-out-of-two-kinds" : "even");
        names.push_back(name);
        ASSERT_TRUE(WriteFile(dir / name, Pattern(i % 50, static_cast<std::uint32_t>(i))));
        args.push_back(dir / name);
    }
    Result r = Zylpack(args);
    ASSERT_EQ(r.code, 0) << r.err;

    const Bytes container = ReadFile(dir / "big.hlp");
    const TreeInfo tree = DirectoryTree(container);
    EXPECT_GE(tree.levels, 4) << "leaves and at least three index levels";
    EXPECT_EQ(tree.entries, 5000u);
    EXPECT_EQ(tree.pageSize, 1024);
    EXPECT_EQ(tree.root, tree.totalPages - 1);

    RecordingFiles files(zyl::PosixFiles());
    HelpPtr help(zyl::OpenHelpFile(files, (dir / "big.hlp").c_str()));
    ASSERT_TRUE(help);
    for (int i = 0; i < 5000; ++i) {
        files.Clear();
        DataPtr f(zyl::DataFileOpen(help.get(), names[i].c_str(), false));
        ASSERT_TRUE(f) << names[i];
        ASSERT_LE(files.ReadsOf(1024), 2 * tree.levels + 1) << names[i] << ": down the index";
        Bytes got;
        ASSERT_TRUE(zyl::ReadAllBytes(f.get(), &got));
        ASSERT_EQ(got, Pattern(i % 50, static_cast<std::uint32_t>(i))) << names[i];
    }
    // (Capitals through the index and the listing's order are tested on
    // smaller files.)
    EXPECT_FALSE(DataPtr(zyl::FindInternalFile(help.get(), "picture-05000.bmp")));
}

}  // namespace
