// Files an author names (pictures, bullet and tab files, sounds, clips,
// fonts, scripts): found inside the help file's own file system or on disk,
// and read through one handle type, `DataFile`.
//
// Portable: no <windows.h>. Every byte comes through a `FileSystem`: the
// module uses the platform's own file calls (helpfile_win32.cpp), the native
// build and the author tools the C runtime's (helpfile_posix.cpp), the fuzzer
// and some tests plain memory (`MemoryFiles`).
//
// A help file begins with a 16-byte header (magic 0x00035F3F, directory
// offset, free list, file size). The directory is an internal file holding a
// B+ tree: 9-byte file header, 38-byte tree header, then pages. Leaf pages
// list NUL-terminated names with the 4-byte offset of the internal file; index
// pages list keys with 2-byte child page numbers. Every internal file starts
// with a 9-byte header (reserved size, used size, flags). All little-endian.
//
// Nothing read from a file is trusted: a page, an entry, an offset or a
// length that does not fit the file or its page makes the lookup fail ("not
// found"); nothing is ever read outside a buffer or outside the file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

namespace zyl {

class FileSystem;

// An open file with a position.
class ByteSource {
public:
    explicit ByteSource(FileSystem& files) : files_(files) {}
    virtual ~ByteSource() {}   // closes the file
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    // Reads up to `count` bytes at the position: bytes read (0 at the end),
    // or -1 when the read failed.
    virtual std::int32_t Read(void* buffer, std::uint32_t count) = 0;
    // Moves the position (origin 0 start, 1 current, 2 end): the new
    // position, or -1.
    virtual std::int64_t Seek(std::int64_t offset, int origin) = 0;
    // The file's length when it was opened.
    virtual std::uint64_t Size() const = 0;
    // Where it came from: data files beside the help file are looked up there.
    FileSystem& Files() const { return files_; }

private:
    FileSystem& files_;
};

// A file being written.
class ByteSink {
public:
    virtual ~ByteSink() {}     // closes the file
    // Bytes written, or -1. Fewer than `count` means the disk is full.
    virtual std::int32_t Write(const void* data, std::uint32_t count) = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() {}
    // Opens a file for reading; others may read it meanwhile but not write.
    // Null when it cannot be opened (or is not a plain file).
    virtual std::unique_ptr<ByteSource> OpenForReading(const char* path) = 0;
    // Whether `path` names a file. A bare name is looked for where the
    // platform looks for bare names.
    virtual bool Exists(const char* path) = 0;
    // Creates a file for writing, emptying one that exists. Null on failure.
    virtual ByteSink* Create(const char* path) = 0;
    virtual bool Remove(const char* path) = 0;
    // Told when a read of an internal file fails (the module beeps).
    virtual void ReadFailed() {}
};

// The files of this platform: the platform's own file calls in the module,
// the C runtime's in native programs.
FileSystem& PlatformFiles();
// The C runtime's files (open/read/lseek), on every platform.
FileSystem& PosixFiles();

// Files held in memory, by exact path. A sink stays valid until its file is
// removed.
class MemoryFiles : public FileSystem {
public:
    void Add(const char* path, const void* data, std::size_t size);
    // The bytes of a file, or null.
    const std::vector<std::uint8_t>* Find(const char* path) const;

    std::unique_ptr<ByteSource> OpenForReading(const char* path) override;
    bool Exists(const char* path) override;
    ByteSink* Create(const char* path) override;
    bool Remove(const char* path) override;

private:
    struct Entry {
        std::string path;
        std::vector<std::uint8_t> bytes;
    };
    Entry* Lookup(const char* path);
    std::list<Entry> files_;
};

// ---- layout constants ----
constexpr std::uint32_t kHelpFileMagic = 0x00035F3F;
constexpr std::uint32_t kHelpHeaderBytes = 16;
constexpr std::uint32_t kInternalHeaderBytes = 9;
constexpr std::uint16_t kTreeMagic = 0x293B;
constexpr std::uint32_t kTreeHeaderBytes = 38;
constexpr std::uint32_t kDirectoryPageBytes = 1024;
constexpr std::uint16_t kNoPage = 0xFFFF;
constexpr std::int32_t kReadPassBytes = 16384;   // largest single read
constexpr std::size_t kHelpPathChars = 129;      // 128 characters and the terminator
constexpr std::size_t kDiskNameChars = 136;      // a name with the help file's directory

// An open help file, zero-filled when made.
struct HelpFileHandle {
    std::unique_ptr<ByteSource> osFile;   // the help file, opened deny-write
    std::uint32_t directoryOffset;  // second word of the file header
    // Where osFile's position stands after the last seek or read this
    // reader did on it; 0 when opened. Sequential reads of an internal file
    // skip the seek when they continue here.
    std::uint32_t filePosition;
    char path[kHelpPathChars];      // as opened; empty when it was too long to keep
};

// An open data file: an internal file of a help file, or a disk file.
struct DataFile {
    ByteSource* osFile;             // what it is read through: ownFile, or the help file's
    std::unique_ptr<ByteSource> ownFile;   // a disk file's own; null for an internal file
    HelpFileHandle* helpFile;       // null for a disk file
    std::uint32_t dataStart;        // internal file: offset of its first data byte
    std::int32_t length;            // internal file: its length in bytes
    std::int32_t position;          // internal file: position relative to dataStart
};

enum class OpenError {
    kNone,
    kCannotOpen,     // missing, unreadable, not a plain file
    kNotHelpFile,    // shorter than the header or a wrong magic number
};

// Opens a help file: null when it cannot be opened or does not start with
// the help file magic. `why`, when given, says which.
HelpFileHandle* OpenHelpFile(FileSystem& files, const char* path, OpenError* why = nullptr);
inline HelpFileHandle* OpenHelpFile(const char* path) { return OpenHelpFile(PlatformFiles(), path); }
// Closes the file and frees the handle. Null is ignored.
void CloseHelpFile(HelpFileHandle* help);
struct HelpFileCloser {
    void operator()(HelpFileHandle* help) const { CloseHelpFile(help); }
};
using HelpFilePtr = std::unique_ptr<HelpFileHandle, HelpFileCloser>;

// Opens an author's data file: with `diskFirst` the disk is tried first and
// the help file second, otherwise the other way round. Null when neither
// has it. Callers pass the instance's preferDiskFiles.
DataFile* DataFileOpen(HelpFileHandle* help, const char* name, bool diskFirst);
// The help file's copy only: the first entry of the directory's leaf chain
// whose name equals `name` with ASCII case ignored. The chain is read from
// page 0 in 1024-byte pages whatever the tree header claims, unless the
// header's tree leads from its root through page 0. Sorted directories are
// searched through their index, which finds the same entry.
DataFile* FindInternalFile(HelpFileHandle* help, const char* name);
// The internal file whose header is at `offset` (a directory entry's value).
DataFile* OpenInternalFileAt(HelpFileHandle* help, std::uint32_t offset);
// The disk's copy only: the platform's search for the name, then the help
// file's directory (without its drive, then with it).
DataFile* FindDiskFile(HelpFileHandle* help, const char* name);

// Reads up to `count` bytes in passes of at most kReadPassBytes; the bytes
// read. Never reads past the end of an internal file.
std::int32_t DataFileRead(DataFile* file, void* buffer, std::int32_t count);
// Origin 0 start, 1 current, 2 end; returns the new position. For an
// internal file only the position changes (reads outside the file yield 0).
std::int32_t DataFileSeek(DataFile* file, std::int32_t offset, int origin);
// The file's length in bytes, or -1.
std::int32_t DataFileLength(const DataFile* file);
// Closes a disk file's own handle (an internal file shares the help file's)
// and frees the record. Null is ignored.
void DataFileClose(DataFile* file);
struct DataFileCloser {
    void operator()(DataFile* file) const { DataFileClose(file); }
};
using DataFilePtr = std::unique_ptr<DataFile, DataFileCloser>;

// Reads the whole of an open data file into `out`, any byte container with
// resize() and operator[] (std::string, std::vector<std::uint8_t>).
template <class Bytes>
bool ReadAllBytes(DataFile* file, Bytes* out) {
    const std::int32_t n = DataFileLength(file);
    if (n < 0 || !out) return false;
    out->resize(static_cast<std::size_t>(n));
    if (n == 0) return true;
    DataFileSeek(file, 0, 0);
    return DataFileRead(file, &(*out)[0], n) == n;
}

// ---- the directory, for tools ----
struct InternalFileHeader {
    std::uint32_t reservedSize;   // bytes the file takes in the help file, header included
    std::uint32_t usedSize;       // the file's length
    std::uint8_t flags;
};

// Calls `visit` for every directory entry in the order FindInternalFile
// meets them (the order names sort in); `visit` returns false to stop. Returns false when the directory
// is damaged; entries visited before the damage stay visited.
using DirectoryVisitor = bool (*)(void* context, const char* name, std::uint32_t offset);
bool WalkDirectory(HelpFileHandle* help, DirectoryVisitor visit, void* context);

// Reads the header of the internal file at `offset`: false when it or the
// data it announces does not fit the help file.
bool ReadInternalFileHeader(HelpFileHandle* help, std::uint32_t offset, InternalFileHeader* out);

// The directory part of `path` with its trailing separator (either slash),
// dropping a drive ("C:"). `out` gets "" when there is none. False when it
// does not fit `capacity`.
bool DirectoryWithoutDrive(const char* path, char* out, std::size_t capacity);

}  // namespace zyl
