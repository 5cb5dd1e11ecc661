// The module's files on the platform's own file calls (OpenFile, _lread,
// _llseek): help files and data files on disk, and ReadWholeFile and
// ExtractFileToDisk on the instance's help file.
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/helpfile.h"
#include "core/thread/instance.h"
#include "core/text.h"
#include "core/wholefile_win32.h"
#include "module_test.h"
#include "wine_support.h"

using namespace zyl;

namespace {

using zyltest::Bytes;
using zyltest::FileExists;
using zyltest::HelpFile;
using zyltest::Pattern;
using zyltest::ReadFile;
using zyltest::WriteFile;
using zyltest::BytesOf;

// Keeps the current directory and puts it back.
struct CurrentDirectory {
    char saved[MAX_PATH] = "";
    explicit CurrentDirectory(const std::string& to) {
        GetCurrentDirectoryA(sizeof saved, saved);
        SetCurrentDirectoryA(to.c_str());
    }
    ~CurrentDirectory() { SetCurrentDirectoryA(saved); }
};

using HelpPtr = HelpFilePtr;
using DataPtr = DataFilePtr;

std::string Read(DataFile* f) {
    std::string s;
    EXPECT_TRUE(ReadAllBytes(f, &s));
    return s;
}

// The thread's instance record comes from the substitute host; its help
// file is the one named.
class ModuleFiles : public zyltest::ModuleHost {
protected:
    void UseHelpPath(const std::string& path) { CopyBounded(inst->helpFilePath, sizeof inst->helpFilePath, path.c_str()); }
};

TEST_F(ModuleFiles, HelpFilesReadThroughThePlatformsFileCalls) {
    zyltest::Scratch dir;
    ASSERT_FALSE(dir.path().empty());
    const Bytes big = Pattern(40000, 1);
    ASSERT_TRUE(WriteFile(dir / "manual.hlp", HelpFile({{"big.bin", big}, {"logo.bmp", BytesOf("BM inside")}})));
    ASSERT_TRUE(WriteFile(dir / "plain.bin", big));

    HelpPtr help(OpenHelpFile(PlatformFiles(), (dir / "manual.hlp").c_str()));
    ASSERT_TRUE(help);
    EXPECT_STREQ(help->path, (dir / "manual.hlp").c_str());

    // Others may read the open help file but not write it.
    HANDLE writer = CreateFileA((dir / "manual.hlp").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);

    // The platform's reads and seeks, inside the help file and on disk (the
    // passes and positions are the portable reader's, tested natively).
    for (const char* name : {"BIG.BIN", "plain.bin"}) {
        DataPtr f(DataFileOpen(help.get(), name, false));
        ASSERT_TRUE(f) << name;
        Bytes got(40000);
        EXPECT_EQ(DataFileRead(f.get(), got.data(), 40000), 40000) << name;
        EXPECT_EQ(got, big) << name;
        EXPECT_EQ(DataFileSeek(f.get(), 39990, 0), 39990) << name;
        EXPECT_EQ(DataFileRead(f.get(), got.data(), 100), 10) << name;
    }

    zyl::OpenError why = zyl::OpenError::kNone;
    EXPECT_EQ(OpenHelpFile(PlatformFiles(), (dir / "missing.hlp").c_str(), &why), nullptr);
    EXPECT_EQ(why, zyl::OpenError::kCannotOpen);
}

TEST_F(ModuleFiles, DataFilesOnDiskBesideTheHelpFile) {
    zyltest::Scratch dir, elsewhere;
    ASSERT_TRUE(WriteFile(dir / "manual.hlp", HelpFile({{"logo.bmp", BytesOf("inside")}})));
    ASSERT_TRUE(WriteFile(dir / "only.bmp", BytesOf("only beside")));
    HelpPtr help(OpenHelpFile((dir / "manual.hlp").c_str()));
    ASSERT_TRUE(help);

    {
        // Not in the current directory nor anywhere the platform searches:
        // found in the help file's directory (which comes first, the help
        // file or the disk, is the portable reader's, tested natively).
        CurrentDirectory cd(elsewhere.path());
        DataPtr only(DataFileOpen(help.get(), "only.bmp", false));
        ASSERT_TRUE(only);
        EXPECT_EQ(Read(only.get()), "only beside");
    }
    {
        // The directory without its drive means the current drive's: the
        // help file's own drive is tried next.
        CurrentDirectory cd("Z:\\");
        char current[MAX_PATH];
        GetCurrentDirectoryA(sizeof current, current);
        if (std::toupper(current[0]) == std::toupper(dir.path()[0])) GTEST_SKIP() << "no second drive";
        DataPtr only(DataFileOpen(help.get(), "only.bmp", false));
        ASSERT_TRUE(only);
        EXPECT_EQ(Read(only.get()), "only beside");
    }
}

// The block's contents are the portable core's (tested natively); here the
// instance's help file, and the help file's copy whatever preferDiskFiles says.
TEST_F(ModuleFiles, ReadWholeFileFromTheInstancesHelpFile) {
    UseHelpPath(UseHelpFile({{"tabs.txt", BytesOf("help")}}, "manual.hlp"));
    ASSERT_TRUE(scratch.Write("tabs.txt", BytesOf("disk")));
    inst->preferDiskFiles = TRUE;   // not for whole files

    std::vector<char> block(kWholeFileBytes, 'X');
    {
        CurrentDirectory cd(scratch.path());
        ASSERT_EQ(ReadWholeFile(inst, "tabs.txt", block.data()), 1);
        EXPECT_STREQ(block.data(), "help");
    }
    EXPECT_EQ(ReadWholeFile(inst, "missing.txt", block.data()), 0);
    UseHelpPath(scratch / "absent.hlp");
    block[0] = 'X';
    EXPECT_EQ(ReadWholeFile(inst, "tabs.txt", block.data()), 0);
    EXPECT_EQ(block[0], 0);
}

TEST_F(ModuleFiles, ExtractFileToDiskCopiesOrLeavesNothing) {
    const zyltest::Scratch& dir = scratch;
    const Bytes sound = Pattern(70000, 5);
    UseHelpPath(UseHelpFile({{"ding.wav", sound}, {"empty.dat", {}}}, "manual.hlp"));
    ASSERT_TRUE(WriteFile(dir / "ding.wav", BytesOf("disk")));
    inst->preferDiskFiles = TRUE;

    ASSERT_EQ(ExtractFileToDisk(inst, "DING.WAV", (dir / "out.wav").c_str()), 1);
    EXPECT_EQ(ReadFile(dir / "out.wav"), sound) << "the help file's copy";

    ASSERT_EQ(ExtractFileToDisk(inst, "empty.dat", (dir / "empty.out").c_str()), 1);
    EXPECT_TRUE(FileExists(dir / "empty.out"));
    EXPECT_TRUE(ReadFile(dir / "empty.out").empty());

    ASSERT_TRUE(WriteFile(dir / "keep.wav", BytesOf("keep me")));
    EXPECT_EQ(ExtractFileToDisk(inst, "missing.wav", (dir / "keep.wav").c_str()), 0);
    EXPECT_EQ(ReadFile(dir / "keep.wav"), BytesOf("keep me")) << "a name not found touches nothing";
    EXPECT_EQ(ExtractFileToDisk(inst, "missing.wav", (dir / "new.wav").c_str()), 0);
    EXPECT_FALSE(FileExists(dir / "new.wav"));
    EXPECT_EQ(ExtractFileToDisk(inst, "ding.wav", (dir / "no\\such\\dir.wav").c_str()), 0);

    UseHelpPath(dir / "absent.hlp");
    EXPECT_EQ(ExtractFileToDisk(inst, "ding.wav", (dir / "never.wav").c_str()), 0);
    EXPECT_FALSE(FileExists(dir / "never.wav"));
}

}  // namespace
