#include "zylpack_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "core/helpfile_writer.h"

namespace zyltest {

namespace fs = std::filesystem;

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

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "zyltest-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (char* made = mkdtemp(buf.data())) path_ = made;
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
}

std::vector<std::string> TempDir::Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool ReadFile(const std::string& path, Bytes* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream o(path, std::ios::binary | std::ios::trunc);
    o.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(o);
}

Bytes MakeContainer(const std::vector<std::pair<std::string, Bytes>>& files) {
    std::vector<zyl::ContainerMember> members(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        members[i].name = files[i].first;
        members[i].size = static_cast<std::uint32_t>(files[i].second.size());
    }
    Bytes out;
    std::string error;
    if (!zyl::PlanContainer(&members, &out, &error)) return Bytes();
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::uint8_t header[zyl::kInternalHeaderBytes];
        zyl::MakeInternalFileHeader(members[i].size, 0, header);
        out.insert(out.end(), header, header + sizeof header);
        out.insert(out.end(), files[i].second.begin(), files[i].second.end());
    }
    return out;
}

bool HalibutAvailable() { return std::system("halibut --version >/dev/null 2>&1") == 0; }

std::string RunHalibut(const TempDir& dir, const std::string& source, const std::string& baseName) {
    const std::string but = dir / (baseName + ".but");
    if (!WriteFile(but, BytesOf(source))) return "";
    const std::string hlp = dir / (baseName + ".hlp");
    const std::string command = "cd '" + dir.Path() + "' && halibut --winhelp='" + baseName + ".hlp' '" +
                                baseName + ".but' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return "";
    return fs::exists(hlp) ? hlp : "";
}

std::string HalibutSource(const std::string& helpFileName, int sections) {
    std::string s = "\\cfg{winhelp-filename}{" + helpFileName + "}\n\n\\title A small manual\n\n";
    for (int i = 0; i < sections; ++i) {
        const std::string n = std::to_string(i);
        s += "\\C{s" + n + "} Chapter " + n + "\n\n\\i{Word" + n + "} text of chapter " + n +
             ", see \\k{s0}.\n\n";
    }
    return s;
}

std::uint16_t Get16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}
std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return Get16(b, at) | (static_cast<std::uint32_t>(Get16(b, at + 2)) << 16);
}
void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b.at(at) = static_cast<std::uint8_t>(v);
    b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    Put16(b, at, static_cast<std::uint16_t>(v));
    Put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

TreeInfo DirectoryTree(const Bytes& helpFile) {
    TreeInfo t;
    const std::size_t tree = Get32(helpFile, 4) + 9;
    t.pageSize = Get16(helpFile, tree + 4);
    t.root = Get16(helpFile, tree + 26);
    t.totalPages = Get16(helpFile, tree + 30);
    t.levels = Get16(helpFile, tree + 32);
    t.entries = Get32(helpFile, tree + 34);
    t.pagesStart = static_cast<std::uint32_t>(tree + 38);
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
    return std::make_unique<RecordingSource>(*this, std::move(inner));
}

bool RecordingFiles::Exists(const char* path) {
    probes.push_back(path ? path : "");
    return inner_.Exists(path);
}

}  // namespace zyltest
