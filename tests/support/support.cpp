#include "support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/helpfile_writer.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#endif

namespace zyltest {

// ---- bytes ----

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Pattern(std::size_t size, std::uint32_t seed) {
    Bytes b(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& v : b) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        v = static_cast<std::uint8_t>(x);
    }
    return b;
}

std::uint16_t Get16(const Bytes& b, std::size_t at) { return static_cast<std::uint16_t>(b.at(at) | (b.at(at + 1) << 8)); }
std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return Get16(b, at) | (static_cast<std::uint32_t>(Get16(b, at + 2)) << 16);
}
void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b.at(at) = static_cast<std::uint8_t>(v);
    b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}
void Append16(Bytes* b, std::uint32_t v) {
    b->push_back(static_cast<std::uint8_t>(v));
    b->push_back(static_cast<std::uint8_t>(v >> 8));
}
void Append32(Bytes* b, std::uint32_t v) {
    Append16(b, v & 0xFFFF);
    Append16(b, v >> 16);
}

// ---- files ----

Bytes ReadFile(const std::string& path) {
    Bytes out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    std::uint8_t buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::string SourceFile(const std::string& relative) {
    // This file's own path as the compiler saw it: tests/support/ of the tree.
    std::string root = __FILE__;
    std::replace(root.begin(), root.end(), '\\', '/');
    std::string path = root.substr(0, root.rfind("/tests/support/")) + "/" + relative;
#ifdef _WIN32
    path = "Z:" + path;
    std::replace(path.begin(), path.end(), '/', '\\');
#endif
    return path;
}

#ifdef _WIN32

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

namespace {

// Wine's own name of a Windows path on the Unix side; "" when not under Wine.
std::string UnixName(const std::string& windowsPath) {
    using Fn = char*(CDECL*)(LPCWSTR);
    auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t wide[MAX_PATH];
    if (!fn || !MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH)) return std::string();
    char* unixName = fn(wide);
    if (!unixName) return std::string();
    std::string out = unixName;
    HeapFree(GetProcessHeap(), 0, unixName);
    return out;
}

}  // namespace

Scratch::Scratch() {
    char temp[MAX_PATH];
    if (!GetTempPathA(sizeof temp, temp)) return;
    // A name no earlier run used: Wine may still be removing an earlier
    // run's folder of the same name when this one starts.
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const std::string stem = std::string(temp) + "zyl" + std::to_string(GetCurrentProcessId() % 10000) + "_" +
                             std::to_string(now.QuadPart % 1000003);
    for (int i = 0; i < 1000 && path_.empty(); ++i) {
        const std::string p = stem + "_" + std::to_string(i);
        if (CreateDirectoryA(p.c_str(), nullptr)) path_ = p;
    }
    if (!path_.empty()) unixPath_ = UnixName(path_);
}

Scratch::~Scratch() {
    if (path_.empty()) return;
    for (const std::string& name : Names()) DeleteFileA(File(name).c_str());
    RemoveDirectoryA(path_.c_str());
}

std::string Scratch::File(const std::string& name) const { return path_ + "\\" + name; }

std::vector<std::string> Scratch::Names() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path_ + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

// Status of `/bin/sh -c command`; -1 when it cannot run.
int Shell(const std::string& command) {
    // CreateProcess gives no handle to wait on for a Unix program; ntdll's
    // spawn waits and gives the exit status.
    using Spawn = LONG(CDECL*)(char* const argv[], int wait);
    auto spawn = reinterpret_cast<Spawn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp")));
    if (!spawn) return -1;
    std::string shell = "/bin/sh", dashC = "-c", text = command;
    char* argv[] = {&shell[0], &dashC[0], &text[0], nullptr};
    return static_cast<int>(spawn(argv, 1));
}

}  // namespace

#else

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

Scratch::Scratch() {
    std::error_code ec;
    std::string pattern = (std::filesystem::temp_directory_path(ec) / "zyltest-XXXXXX").string();
    if (char* made = mkdtemp(&pattern[0])) path_ = unixPath_ = made;
}

Scratch::~Scratch() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

std::string Scratch::File(const std::string& name) const { return path_ + "/" + name; }

std::vector<std::string> Scratch::Names() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(path_, ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

#endif

std::string Scratch::UnixFile(const std::string& name) const { return unixPath_ + "/" + name; }

bool RunUnix(const std::string& command, std::string* why) {
    static Scratch errors;   // where the commands' error output goes
    static int serial = 0;
    const std::string name = "run" + std::to_string(++serial) + ".err";
    const int status = errors.ok() ? Shell("{ " + command + "\n} 2> '" + errors.UnixFile(name) + "'") : -1;
    const Bytes text = errors.Read(name);
    if (status != 0 && why)
        *why = "'" + command + "' ended with status " + std::to_string(status) + ": " + std::string(text.begin(), text.end());
    return status == 0;
}

// ---- help files ----

Bytes HelpFile(const std::vector<std::pair<std::string, Bytes>>& files, std::string* error) {
    std::vector<zyl::ContainerMember> members(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        members[i].name = files[i].first;
        members[i].size = static_cast<std::uint32_t>(files[i].second.size());
    }
    Bytes out;
    std::string reason;
    if (!zyl::PlanContainer(&members, &out, &reason)) {
        if (error) *error = reason;
        return Bytes();
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::uint8_t header[zyl::kInternalHeaderBytes];
        zyl::MakeInternalFileHeader(members[i].size, 0, header);
        out.insert(out.end(), header, header + sizeof header);
        out.insert(out.end(), files[i].second.begin(), files[i].second.end());
    }
    return out;
}

std::size_t TreeField(const Bytes& helpFile, std::size_t offset) {
    return Get32(helpFile, 4) + zyl::kInternalHeaderBytes + offset;
}

TreeInfo DirectoryTree(const Bytes& helpFile) {
    TreeInfo t;
    t.pageSize = Get16(helpFile, TreeField(helpFile, 4));
    t.root = Get16(helpFile, TreeField(helpFile, 26));
    t.totalPages = Get16(helpFile, TreeField(helpFile, 30));
    t.levels = Get16(helpFile, TreeField(helpFile, 32));
    t.entries = Get32(helpFile, TreeField(helpFile, 34));
    t.pagesStart = static_cast<std::uint32_t>(TreeField(helpFile, zyl::kTreeHeaderBytes));
    return t;
}

namespace {

class RecordingSource : public zyl::ByteSource {
public:
    RecordingSource(RecordingFiles& files, std::unique_ptr<zyl::ByteSource> inner)
        : ByteSource(files), owner_(files), inner_(std::move(inner)) {}
    std::int32_t Read(void* buffer, std::uint32_t count) override {
        owner_.reads.push_back(count);
        owner_.readAt.push_back(at_);
        if (owner_.failReadAfter == 0) return -1;
        if (owner_.failReadAfter > 0) --owner_.failReadAfter;
        const std::int32_t got = inner_->Read(buffer, count);
        if (got > 0) at_ += static_cast<std::uint64_t>(got);
        return got;
    }
    std::int64_t Seek(std::int64_t offset, int origin) override {
        ++owner_.seeks;
        const std::int64_t at = inner_->Seek(offset, origin);
        if (at >= 0) at_ = static_cast<std::uint64_t>(at);
        return at;
    }
    std::uint64_t Size() const override { return inner_->Size(); }

private:
    RecordingFiles& owner_;
    std::unique_ptr<zyl::ByteSource> inner_;
    std::uint64_t at_ = 0;
};

}  // namespace

std::unique_ptr<zyl::ByteSource> RecordingFiles::OpenForReading(const char* path) {
    std::unique_ptr<zyl::ByteSource> inner = inner_.OpenForReading(path);
    if (!inner) return nullptr;
    return std::unique_ptr<zyl::ByteSource>(new RecordingSource(*this, std::move(inner)));
}

bool RecordingFiles::Exists(const char* path) {
    probes.push_back(path ? path : "");
    return inner_.Exists(path);
}

void RecordingFiles::Clear() {
    reads.clear();
    readAt.clear();
    seeks = 0;
    probes.clear();
}

int RecordingFiles::ReadsOf(std::uint32_t size) const {
    return static_cast<int>(std::count(reads.begin(), reads.end(), size));
}

}  // namespace zyltest
