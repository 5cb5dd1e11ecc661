// Test support for the help file reader, the whole-file helpers and zylpack:
// scratch directories, help files made in memory or by halibut, and a file
// system that records what the reader asks of it.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/helpfile.h"

namespace zyltest {

using Bytes = std::vector<std::uint8_t>;

Bytes BytesOf(const std::string& text);
Bytes Pattern(std::size_t size, std::uint32_t seed);   // distinct, reproducible bytes

// A fresh directory, removed with its contents at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    std::vector<std::string> Names() const;   // what it holds, sorted

private:
    std::string path_;
};

bool ReadFile(const std::string& path, Bytes* out);
bool WriteFile(const std::string& path, const Bytes& bytes);

// A help file holding `files` in their order, written with the portable writer.
Bytes MakeContainer(const std::vector<std::pair<std::string, Bytes>>& files);

// halibut writes real help files from a small source text.
bool HalibutAvailable();
// Runs halibut on `source` inside `dir`; the path of the help file written,
// or "" when halibut failed.
std::string RunHalibut(const TempDir& dir, const std::string& source, const std::string& baseName);
// A short halibut document with `sections` chapters.
std::string HalibutSource(const std::string& helpFileName, int sections);

std::uint16_t Get16(const Bytes& b, std::size_t at);
std::uint32_t Get32(const Bytes& b, std::size_t at);
void Put16(Bytes& b, std::size_t at, std::uint16_t v);
void Put32(Bytes& b, std::size_t at, std::uint32_t v);

// The tree header fields of a help file's directory.
struct TreeInfo {
    std::uint32_t pagesStart = 0;
    std::uint16_t pageSize = 0, root = 0, totalPages = 0, levels = 0;
    std::uint32_t entries = 0;
};
TreeInfo DirectoryTree(const Bytes& helpFile);

// Wraps a file system and records every read request and seek of the files
// it opens, and every existence probe.
class RecordingFiles : public zyl::FileSystem {
public:
    explicit RecordingFiles(zyl::FileSystem& inner) : inner_(inner) {}
    std::unique_ptr<zyl::ByteSource> OpenForReading(const char* path) override;
    bool Exists(const char* path) override;
    zyl::ByteSink* Create(const char* path) override { return inner_.Create(path); }
    bool Remove(const char* path) override { return inner_.Remove(path); }
    void ReadFailed() override { ++readFailures; }
    void Clear() {
        reads.clear();
        readAt.clear();
        seeks = 0;
        probes.clear();
    }

    std::vector<std::uint32_t> reads;   // the count of every Read call
    std::vector<std::uint64_t> readAt;  // and the position it read at
    int seeks = 0;
    std::vector<std::string> probes;    // paths asked of Exists
    int readFailures = 0;
    int failReadAfter = -1;             // >= 0: that many reads succeed, then reads fail

private:
    zyl::FileSystem& inner_;
};

}  // namespace zyltest
