// What every test program of the project builds its fixtures with, native
// and under Wine alike (one copy, compiled for both):
//   bytes      - little-endian fields, reproducible filler
//   Scratch    - a folder of files removed at the end, with its Unix name
//   RunUnix    - a Unix program (ImageMagick, gifsicle, halibut) run and waited for
//   HelpFile   - a help file holding given files, written by zylpack's writer
//   RecordingFiles - a file system that notes every read, seek and probe
// Pictures (bitmap writer, GIF builder, ImageMagick's decode) are in
// pictures.h; Windows-only probes in tests/wine/wine_support.h.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/helpfile.h"

namespace zyltest {

using Bytes = std::vector<std::uint8_t>;

// ---- bytes ----
Bytes BytesOf(const std::string& text);
// Distinct, reproducible bytes: the same seed gives the same bytes.
Bytes Pattern(std::size_t size, std::uint32_t seed);
std::uint16_t Get16(const Bytes& b, std::size_t at);
std::uint32_t Get32(const Bytes& b, std::size_t at);
// Overwrite in place (the bytes must be there already).
void Put16(Bytes& b, std::size_t at, std::uint32_t v);
void Put32(Bytes& b, std::size_t at, std::uint32_t v);
// Append at the end.
void Append16(Bytes* b, std::uint32_t v);
void Append32(Bytes* b, std::uint32_t v);

// ---- files ----
// Whole files by a path of the platform the program runs on; empty or false
// on failure.
Bytes ReadFile(const std::string& path);
bool WriteFile(const std::string& path, const Bytes& bytes);
bool FileExists(const std::string& path);
// A file of the source tree (`relative` to its root, '/' between names) as
// this program names it: a Windows path under Wine.
std::string SourceFile(const std::string& relative);

// A fresh folder under the temporary directory, removed with its files when
// the object goes. Under Wine its path is a Windows path and `UnixFile`
// names a file for the Unix programs; natively both are the same.
class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    bool ok() const { return !path_.empty() && !unixPath_.empty(); }
    const std::string& path() const { return path_; }   // no trailing separator
    const std::string& unixPath() const { return unixPath_; }
    std::string File(const std::string& name) const;
    std::string operator/(const std::string& name) const { return File(name); }
    std::string UnixFile(const std::string& name) const;
    bool Write(const std::string& name, const Bytes& bytes) const { return WriteFile(File(name), bytes); }
    Bytes Read(const std::string& name) const { return ReadFile(File(name)); }
    std::vector<std::string> Names() const;   // the files it holds, sorted

private:
    std::string path_, unixPath_;
};

// Runs `command` with /bin/sh and waits for it. False unless it ended with
// status 0; `why` then tells the status and what it wrote to its error
// output. Under Wine the command runs on the Unix side.
bool RunUnix(const std::string& command, std::string* why = nullptr);

// ---- help files ----
// A help file whose internal files are `files` (name, bytes), in that order
// after a directory in byte order. Empty, with the reason in `error`, when
// they cannot be laid out (two equal names, say).
Bytes HelpFile(const std::vector<std::pair<std::string, Bytes>>& files, std::string* error = nullptr);

// The tree header of a help file's directory, and where its pages start.
struct TreeInfo {
    std::uint32_t pagesStart = 0;
    std::uint16_t pageSize = 0, root = 0, totalPages = 0, levels = 0;
    std::uint32_t entries = 0;
};
TreeInfo DirectoryTree(const Bytes& helpFile);
// Where the tree header's field at `offset` (4 page size, 26 root, 32 levels) lies.
std::size_t TreeField(const Bytes& helpFile, std::size_t offset);

// Wraps a file system and records every read request (its size and where
// it read), every seek and every existence probe of the files it opens.
class RecordingFiles : public zyl::FileSystem {
public:
    explicit RecordingFiles(zyl::FileSystem& inner) : inner_(inner) {}
    std::unique_ptr<zyl::ByteSource> OpenForReading(const char* path) override;
    bool Exists(const char* path) override;
    zyl::ByteSink* Create(const char* path) override { return inner_.Create(path); }
    bool Remove(const char* path) override { return inner_.Remove(path); }
    void ReadFailed() override { ++readFailures; }
    void Clear();
    int ReadsOf(std::uint32_t size) const;   // read requests of exactly that size

    std::vector<std::uint32_t> reads;
    std::vector<std::uint64_t> readAt;
    int seeks = 0;
    std::vector<std::string> probes;
    int readFailures = 0;
    int failReadAfter = -1;   // >= 0: that many reads succeed, then reads fail

private:
    zyl::FileSystem& inner_;
};

}  // namespace zyltest
