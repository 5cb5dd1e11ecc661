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
#include "core/helpfile_writer.h"
#include "core/thread/instance.h"
#include "core/text.h"
#include "core/wholefile_win32.h"
#include "wine_support.h"

using namespace zyl;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Pattern(std::size_t size, unsigned seed) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>((i * 131 + seed * 17) ^ (i >> 7));
    return b;
}

bool WriteBytes(const std::string& path, const Bytes& bytes) { return wtest::WriteFileBytes(path, bytes); }

bool ReadBytes(const std::string& path, Bytes* out) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    out->resize(GetFileSize(h, nullptr));
    DWORD got = 0;
    const BOOL ok = out->empty() || ReadFile(h, out->data(), static_cast<DWORD>(out->size()), &got, nullptr);
    CloseHandle(h);
    return ok && got == out->size();
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

Bytes Container(const std::vector<std::pair<std::string, Bytes>>& files) {
    std::vector<ContainerMember> members(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        members[i].name = files[i].first;
        members[i].size = static_cast<std::uint32_t>(files[i].second.size());
    }
    Bytes out;
    std::string error;
    EXPECT_TRUE(PlanContainer(&members, &out, &error)) << error;
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::uint8_t header[kInternalHeaderBytes];
        MakeInternalFileHeader(members[i].size, 0, header);
        out.insert(out.end(), header, header + sizeof header);
        out.insert(out.end(), files[i].second.begin(), files[i].second.end());
    }
    return out;
}

// A scratch folder under the temporary directory, short enough for OpenFile.
class Folder {
public:
    Folder() {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        for (int i = 0; i < 1000 && path_.empty(); ++i) {
            std::string p = std::string(temp) + "zylf" + std::to_string(GetCurrentProcessId() % 10000) + "_" +
                            std::to_string(i);
            if (CreateDirectoryA(p.c_str(), nullptr)) path_ = p;
        }
    }
    ~Folder() {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((path_ + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((*this / fd.cFileName).c_str());
            } while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryA(path_.c_str());
    }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Keeps the current directory and puts it back.
struct CurrentDirectory {
    char saved[MAX_PATH] = "";
    explicit CurrentDirectory(const std::string& to) {
        GetCurrentDirectoryA(sizeof saved, saved);
        SetCurrentDirectoryA(to.c_str());
    }
    ~CurrentDirectory() { SetCurrentDirectoryA(saved); }
};

struct HelpCloser {
    void operator()(HelpFileHandle* h) const { CloseHelpFile(h); }
};
struct DataCloser {
    void operator()(DataFile* f) const { DataFileClose(f); }
};
using HelpPtr = std::unique_ptr<HelpFileHandle, HelpCloser>;
using DataPtr = std::unique_ptr<DataFile, DataCloser>;

std::string Read(DataFile* f) {
    std::string s;
    EXPECT_TRUE(ReadAllBytes(f, &s));
    return s;
}

// The platform's files, with the size of every read request noted.
class CountingFiles : public FileSystem {
public:
    std::vector<std::uint32_t> reads;
    std::unique_ptr<ByteSource> OpenForReading(const char* path) override {
        std::unique_ptr<ByteSource> inner = PlatformFiles().OpenForReading(path);
        if (!inner) return nullptr;
        return std::make_unique<Source>(*this, std::move(inner));
    }
    bool Exists(const char* path) override { return PlatformFiles().Exists(path); }
    ByteSink* Create(const char* path) override { return PlatformFiles().Create(path); }
    bool Remove(const char* path) override { return PlatformFiles().Remove(path); }

private:
    struct Source : ByteSource {
        Source(CountingFiles& owner, std::unique_ptr<ByteSource> inner)
            : ByteSource(owner), owner_(owner), inner_(std::move(inner)) {}
        std::int32_t Read(void* b, std::uint32_t n) override {
            owner_.reads.push_back(n);
            return inner_->Read(b, n);
        }
        std::int64_t Seek(std::int64_t o, int origin) override { return inner_->Seek(o, origin); }
        std::uint64_t Size() const override { return inner_->Size(); }
        CountingFiles& owner_;
        std::unique_ptr<ByteSource> inner_;
    };
};

// An instance record of the calling thread, as the host's message 4 makes.
class TestInstance {
public:
    explicit TestInstance(const std::string& helpFile) {
        rec_.header.kind = kKindInstance;
        rec_.threadId = GetCurrentThreadId();
        CopyBounded(rec_.helpFilePath, sizeof rec_.helpFilePath, helpFile.c_str());
        InstanceListAdd(&rec_);
    }
    ~TestInstance() {
        ListFree(&rec_.pictures);
        InstanceListRemove(&rec_);
        PoolReleaseAll(&rec_.poolHead);
    }
    InstanceRecord* operator->() { return &rec_; }
    InstanceRecord* get() { return &rec_; }

private:
    InstanceRecord rec_ = {};
};

TEST(ModuleFiles, HelpFilesReadThroughThePlatformsFileCalls) {
    Folder dir;
    ASSERT_FALSE(dir.Path().empty());
    const Bytes big = Pattern(40000, 1);
    ASSERT_TRUE(WriteBytes(dir / "manual.hlp", Container({{"big.bin", big}, {"logo.bmp", Text("BM inside")}})));
    ASSERT_TRUE(WriteBytes(dir / "plain.bin", big));

    CountingFiles files;
    HelpPtr help(OpenHelpFile(files, (dir / "manual.hlp").c_str()));
    ASSERT_TRUE(help);
    EXPECT_STREQ(help->path, (dir / "manual.hlp").c_str());

    // Others may read the open help file but not write it.
    HANDLE writer = CreateFileA((dir / "manual.hlp").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);

    for (const char* name : {"BIG.BIN", "plain.bin"}) {
        DataPtr f(DataFileOpen(help.get(), name, false));
        ASSERT_TRUE(f) << name;
        files.reads.clear();
        Bytes got(40000);
        EXPECT_EQ(DataFileRead(f.get(), got.data(), 40000), 40000) << name;
        EXPECT_EQ(files.reads, (std::vector<std::uint32_t>{16384, 16384, 7232})) << name;
        EXPECT_EQ(got, big) << name;
        char tail[100];
        EXPECT_EQ(DataFileSeek(f.get(), -10, 2), 39990) << name;
        EXPECT_EQ(DataFileRead(f.get(), tail, 100), 10) << name;
        EXPECT_EQ(std::memcmp(tail, big.data() + 39990, 10), 0) << name;
    }

    zyl::OpenError why = zyl::OpenError::kNone;
    EXPECT_EQ(OpenHelpFile(PlatformFiles(), (dir / "missing.hlp").c_str(), &why), nullptr);
    EXPECT_EQ(why, zyl::OpenError::kCannotOpen);
    EXPECT_EQ(OpenHelpFile(PlatformFiles(), (dir / "plain.bin").c_str(), &why), nullptr);
    EXPECT_EQ(why, zyl::OpenError::kNotHelpFile);
}

TEST(ModuleFiles, DataFilesOnDiskBesideTheHelpFile) {
    Folder dir, elsewhere;
    ASSERT_TRUE(WriteBytes(dir / "manual.hlp", Container({{"logo.bmp", Text("inside")}})));
    ASSERT_TRUE(WriteBytes(dir / "logo.bmp", Text("beside")));
    ASSERT_TRUE(WriteBytes(dir / "only.bmp", Text("only beside")));
    HelpPtr help(OpenHelpFile((dir / "manual.hlp").c_str()));
    ASSERT_TRUE(help);

    {
        // Not in the current directory nor anywhere the platform searches:
        // found in the help file's directory.
        CurrentDirectory cd(elsewhere.Path());
        DataPtr diskFirst(DataFileOpen(help.get(), "logo.bmp", true));
        DataPtr helpFirst(DataFileOpen(help.get(), "logo.bmp", false));
        DataPtr only(DataFileOpen(help.get(), "only.bmp", false));
        ASSERT_TRUE(diskFirst && helpFirst && only);
        EXPECT_EQ(Read(diskFirst.get()), "beside");
        EXPECT_EQ(Read(helpFirst.get()), "inside");
        EXPECT_EQ(Read(only.get()), "only beside");
        EXPECT_FALSE(DataPtr(DataFileOpen(help.get(), "none.bmp", true)));
    }
    {
        // The directory without its drive means the current drive's: the
        // help file's own drive is tried next.
        CurrentDirectory cd("Z:\\");
        char current[MAX_PATH];
        GetCurrentDirectoryA(sizeof current, current);
        if (std::toupper(current[0]) == std::toupper(dir.Path()[0])) GTEST_SKIP() << "no second drive";
        DataPtr only(DataFileOpen(help.get(), "only.bmp", false));
        ASSERT_TRUE(only);
        EXPECT_EQ(Read(only.get()), "only beside");
    }
}

TEST(ModuleFiles, ReadWholeFileFromTheInstancesHelpFile) {
    Folder dir;
    const std::string text(100, 'b');
    const Bytes exact = Pattern(kWholeFileBytes, 3);
    ASSERT_TRUE(WriteBytes(dir / "manual.hlp",
                           Container({{"bullets.txt", Text(text)}, {"exact.bin", exact}, {"tabs.txt", Text("help")}})));
    ASSERT_TRUE(WriteBytes(dir / "tabs.txt", Text("disk")));
    TestInstance inst(dir / "manual.hlp");
    inst->preferDiskFiles = TRUE;   // not for whole files

    std::vector<char> block(kWholeFileBytes + 8, 'X');
    ASSERT_EQ(ReadWholeFile(inst.get(), "bullets.txt", block.data()), 1);
    EXPECT_STREQ(block.data(), text.c_str());
    ASSERT_EQ(ReadWholeFile(inst.get(), "exact.bin", block.data()), 1);
    EXPECT_EQ(std::memcmp(block.data(), exact.data(), kWholeFileBytes), 0) << "no zero after a full block";
    EXPECT_EQ(block[kWholeFileBytes], 'X');
    {
        CurrentDirectory cd(dir.Path());
        ASSERT_EQ(ReadWholeFile(inst.get(), "tabs.txt", block.data()), 1);
        EXPECT_STREQ(block.data(), "help") << "the help file's copy whatever preferDiskFiles says";
    }
    EXPECT_EQ(ReadWholeFile(inst.get(), "missing.txt", block.data()), 0);
    EXPECT_EQ(block[0], 0);

    TestInstance noHelp(dir / "absent.hlp");
    block[0] = 'X';
    EXPECT_EQ(ReadWholeFile(noHelp.get(), "bullets.txt", block.data()), 0);
    EXPECT_EQ(block[0], 0);
}

TEST(ModuleFiles, ExtractFileToDiskCopiesOrLeavesNothing) {
    Folder dir;
    const Bytes sound = Pattern(70000, 5);
    ASSERT_TRUE(WriteBytes(dir / "manual.hlp", Container({{"ding.wav", sound}, {"empty.dat", {}}})));
    ASSERT_TRUE(WriteBytes(dir / "ding.wav", Text("disk")));
    TestInstance inst(dir / "manual.hlp");
    inst->preferDiskFiles = TRUE;

    ASSERT_EQ(ExtractFileToDisk(inst.get(), "DING.WAV", (dir / "out.wav").c_str()), 1);
    Bytes got;
    ASSERT_TRUE(ReadBytes(dir / "out.wav", &got));
    EXPECT_EQ(got, sound) << "the help file's copy";

    ASSERT_EQ(ExtractFileToDisk(inst.get(), "empty.dat", (dir / "empty.out").c_str()), 1);
    ASSERT_TRUE(ReadBytes(dir / "empty.out", &got));
    EXPECT_TRUE(got.empty());

    ASSERT_TRUE(WriteBytes(dir / "keep.wav", Text("keep me")));
    EXPECT_EQ(ExtractFileToDisk(inst.get(), "missing.wav", (dir / "keep.wav").c_str()), 0);
    ASSERT_TRUE(ReadBytes(dir / "keep.wav", &got));
    EXPECT_EQ(got, Text("keep me")) << "a name not found touches nothing";
    EXPECT_EQ(ExtractFileToDisk(inst.get(), "missing.wav", (dir / "new.wav").c_str()), 0);
    EXPECT_FALSE(Exists(dir / "new.wav"));
    EXPECT_EQ(ExtractFileToDisk(inst.get(), "ding.wav", (dir / "no\\such\\dir.wav").c_str()), 0);

    TestInstance noHelp(dir / "absent.hlp");
    EXPECT_EQ(ExtractFileToDisk(noHelp.get(), "ding.wav", (dir / "never.wav").c_str()), 0);
    EXPECT_FALSE(Exists(dir / "never.wav"));
}

}  // namespace
