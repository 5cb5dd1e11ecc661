#include "helpfile.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "text.h"

namespace zyl {

namespace {

// filePosition after a failed seek or read: the next read seeks.
constexpr std::uint32_t kUnknownPosition = 0xFFFFFFFFu;
// Offsets in a help file are 32 bits; anything beyond cannot be addressed.
constexpr std::uint64_t kAddressable = 0xFFFFFFFEu;
// A taller tree than this has a damaged header (65535 pages, two children each).
constexpr std::uint16_t kMaxLevels = 32;
constexpr std::uint32_t kSmallestPage = 16;
constexpr std::size_t kCachedPages = 4;

std::uint16_t Get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Get32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint64_t UsableSize(const HelpFileHandle* help) {
    const std::uint64_t size = help->osFile->Size();
    return size < kAddressable ? size : kAddressable;
}

// Reads exactly `count` bytes at `offset` of the help file, seeking only
// when the file's position is elsewhere. Keeps filePosition true.
bool ReadAt(HelpFileHandle* help, std::uint64_t offset, void* buffer, std::uint32_t count) {
    const std::uint64_t size = UsableSize(help);
    if (offset > size || count > size - offset) return false;
    if (help->filePosition != offset) {
        if (help->osFile->Seek(static_cast<std::int64_t>(offset), 0) != static_cast<std::int64_t>(offset)) {
            help->filePosition = kUnknownPosition;
            return false;
        }
        help->filePosition = static_cast<std::uint32_t>(offset);
    }
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::uint32_t done = 0;
    while (done < count) {
        const std::int32_t got = help->osFile->Read(out + done, count - done);
        if (got < 0) {
            help->filePosition = kUnknownPosition;
            return false;
        }
        if (got == 0) break;
        done += static_cast<std::uint32_t>(got);
        help->filePosition += static_cast<std::uint32_t>(got);
    }
    return done == count;
}

// The directory as this reader walks it. The plain reading, which every
// help file of the format allows, takes 1024-byte leaves chained from page
// 0 and never looks at the tree header. Only a tree whose header leads from
// its root through page 0 (page 0 an index page) is read with the header's
// own page size from its first leaf on. Where the header's index leads to
// the same leaves, it is the shortcut to a name (`indexed`).
struct Directory {
    HelpFileHandle* help = nullptr;
    std::uint64_t pagesStart = 0;   // offset of page 0
    std::uint32_t pageSize = 0;
    std::uint32_t pageCount = 0;    // pages lying wholly inside the file
    std::uint16_t firstLeaf = 0;
    bool indexed = false;           // root and levels lead down to the leaves walked
    std::uint16_t root = 0;
    std::uint16_t levels = 1;
    std::uint8_t* page = nullptr;   // pageSize bytes
    std::uint8_t* visited = nullptr;   // one bit per page, for the leaf walk
    // 1024-byte pages already read in this look-up: the index pages near
    // the root are met again by each descent.
    std::uint8_t cached[kCachedPages][kDirectoryPageBytes];
    std::uint32_t cachedNumber[kCachedPages];
    std::size_t cachedCount = 0;

    ~Directory() {
        std::free(page);
        std::free(visited);
    }
    bool Open(HelpFileHandle* h);
    bool UsePages(std::uint32_t size);
    bool ReadPage(std::uint32_t number);
    bool LeftmostLeaf(std::uint16_t* leaf, bool* throughPageZero);
};

bool Directory::Open(HelpFileHandle* h) {
    help = h;
    std::uint8_t header[kInternalHeaderBytes + kTreeHeaderBytes];
    if (!ReadAt(help, help->directoryOffset, header, sizeof header)) return false;
    pagesStart = static_cast<std::uint64_t>(help->directoryOffset) + sizeof header;
    if (pagesStart >= UsableSize(help)) return false;
    const std::uint8_t* tree = header + kInternalHeaderBytes;
    if (Get16(tree) == kTreeMagic) {
        const std::uint16_t size = Get16(tree + 4);
        root = Get16(tree + 26);
        levels = Get16(tree + 32);
        std::uint16_t leaf = 0;
        bool throughPageZero = false;
        if (size >= kSmallestPage && levels >= 2 && levels <= kMaxLevels && UsePages(size) &&
            LeftmostLeaf(&leaf, &throughPageZero)) {
            if (throughPageZero) {
                firstLeaf = leaf;
                indexed = true;
                return true;
            }
            indexed = leaf == 0 && size == kDirectoryPageBytes;
        }
    }
    firstLeaf = 0;
    return UsePages(kDirectoryPageBytes);
}

bool Directory::UsePages(std::uint32_t size) {
    if (size == pageSize && page) return pageCount > 0;
    cachedCount = 0;
    std::free(page);
    page = static_cast<std::uint8_t*>(std::malloc(size));
    pageSize = size;
    std::uint64_t pages = (UsableSize(help) - pagesStart) / size;
    if (pages > kNoPage) pages = kNoPage;   // 0xFFFF is "no page", never a page number
    pageCount = static_cast<std::uint32_t>(pages);
    return page != nullptr && pageCount > 0;
}

bool Directory::ReadPage(std::uint32_t number) {
    if (number >= pageCount) return false;
    const bool cacheable = pageSize == kDirectoryPageBytes;
    for (std::size_t i = 0; cacheable && i < cachedCount; ++i) {
        if (cachedNumber[i] == number) {
            std::memcpy(page, cached[i], pageSize);
            return true;
        }
    }
    if (!ReadAt(help, pagesStart + static_cast<std::uint64_t>(number) * pageSize, page, pageSize)) return false;
    if (cacheable && cachedCount < kCachedPages) {
        std::memcpy(cached[cachedCount], page, pageSize);
        cachedNumber[cachedCount++] = number;
    }
    return true;
}

// Down from the root through the first child of each index level.
bool Directory::LeftmostLeaf(std::uint16_t* leaf, bool* throughPageZero) {
    std::uint16_t at = root;
    for (std::uint16_t level = 1; level < levels; ++level) {
        if (at == 0) *throughPageZero = true;
        if (!ReadPage(at)) return false;
        at = Get16(page + 4);
    }
    *leaf = at;
    return at < pageCount;
}

// Entries of a page. Each step checks that the entry lies inside the page.
class EntryCursor {
public:
    EntryCursor(const std::uint8_t* page, std::uint32_t size, std::uint32_t first, std::uint32_t valueBytes)
        : page_(page), size_(size), at_(first), valueBytes_(valueBytes) {}
    // The next key and the value after it; false when it does not fit.
    bool Next(const char** key, const std::uint8_t** value) {
        if (at_ >= size_) return false;
        const void* nul = std::memchr(page_ + at_, 0, size_ - at_);
        if (!nul) return false;
        const std::uint32_t end = static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(nul) - page_) + 1;
        if (size_ - end < valueBytes_) return false;
        *key = reinterpret_cast<const char*>(page_ + at_);
        *value = page_ + end;
        at_ = end + valueBytes_;
        return true;
    }

private:
    const std::uint8_t* page_;
    std::uint32_t size_;
    std::uint32_t at_;
    std::uint32_t valueBytes_;
};

enum class WalkResult { kEnd, kStopped, kDamaged };

// Follows the leaf chain from the first leaf. A page met twice, a page
// outside the file or an entry that overflows its page ends the walk as damaged.
template <class Visit>
WalkResult WalkLeaves(Directory& dir, Visit visit) {
    std::uint16_t leaf = dir.firstLeaf;
    std::free(dir.visited);
    dir.visited = static_cast<std::uint8_t*>(std::calloc((dir.pageCount + 7) / 8, 1));
    if (!dir.visited) return WalkResult::kDamaged;
    while (leaf != kNoPage) {
        if (leaf >= dir.pageCount) return WalkResult::kDamaged;
        std::uint8_t& bit = dir.visited[leaf / 8];
        const std::uint8_t mask = static_cast<std::uint8_t>(1u << (leaf % 8));
        if (bit & mask) return WalkResult::kDamaged;
        bit |= mask;
        if (!dir.ReadPage(leaf)) return WalkResult::kDamaged;
        const std::uint16_t count = Get16(dir.page + 2);
        EntryCursor cursor(dir.page, dir.pageSize, 8, 4);
        for (std::uint16_t i = 0; i < count; ++i) {
            const char* name = nullptr;
            const std::uint8_t* value = nullptr;
            if (!cursor.Next(&name, &value)) return WalkResult::kDamaged;
            if (!visit(name, Get32(value))) return WalkResult::kStopped;
        }
        leaf = Get16(dir.page + 6);
    }
    return WalkResult::kEnd;
}

// ---- the shortcut through the index ----
//
// Leaves list names in byte order, so the walk's answer (the first entry
// equal to the name with ASCII case ignored) is the smallest such spelling
// in byte order. The index finds the first entry at or after a spelling;
// an entry that is no spelling of the name tells the next spelling worth
// asking for. A few look-ups find any name without walking the leaves.

enum class Seek { kFound, kNone, kDamaged };

constexpr int kMaxHops = 8;   // leaves passed over looking for the first entry at or after a key

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The first entry whose name is `wanted` or sorts after it.
Seek LowerBound(Directory& dir, const std::string& wanted, std::string* key, std::uint32_t* offset) {
    std::uint16_t at = dir.root;
    for (std::uint16_t level = 1; level < dir.levels; ++level) {
        if (!dir.ReadPage(at)) return Seek::kDamaged;
        const std::uint16_t count = Get16(dir.page + 2);
        std::uint16_t child = Get16(dir.page + 4);
        EntryCursor cursor(dir.page, dir.pageSize, 6, 2);
        for (std::uint16_t i = 0; i < count; ++i) {
            const char* k = nullptr;
            const std::uint8_t* value = nullptr;
            if (!cursor.Next(&k, &value)) return Seek::kDamaged;
            if (std::strcmp(wanted.c_str(), k) < 0) break;
            child = Get16(value);
        }
        at = child;
    }
    for (int hop = 0; hop < kMaxHops && at != kNoPage; ++hop) {
        if (!dir.ReadPage(at)) return Seek::kDamaged;
        const std::uint16_t count = Get16(dir.page + 2);
        EntryCursor cursor(dir.page, dir.pageSize, 8, 4);
        for (std::uint16_t i = 0; i < count; ++i) {
            const char* k = nullptr;
            const std::uint8_t* value = nullptr;
            if (!cursor.Next(&k, &value)) return Seek::kDamaged;
            if (std::strcmp(k, wanted.c_str()) >= 0) {
                key->assign(k);
                *offset = Get32(value);
                return Seek::kFound;
            }
        }
        at = Get16(dir.page + 6);
    }
    return at == kNoPage ? Seek::kNone : Seek::kDamaged;
}

// The smallest spelling of `name` (ASCII case ignored) that sorts after
// `key`, which is no spelling of it. False when there is none.
bool NextSpellingAfter(const std::string& key, const char* name, std::string* out) {
    const std::size_t n = std::strlen(name), k = key.size();
    std::size_t i = 0;
    while (i < n && i < k && LowerAscii(key[i]) == LowerAscii(name[i])) ++i;
    // key[0, i) spells name[0, i); the rest of the spelling is the smallest there is.
    auto spell = [&](std::size_t at, char c) {
        out->assign(key, 0, at);
        out->push_back(c);
        for (std::size_t j = at + 1; j < n; ++j) out->push_back(UpperAscii(name[j]));
    };
    if (i == k && i < n) {
        spell(i, UpperAscii(name[i]));
        return true;
    }
    if (i < n && i < k) {
        const auto at = static_cast<unsigned char>(key[i]);
        for (char c : {UpperAscii(name[i]), LowerAscii(name[i])}) {
            if (static_cast<unsigned char>(c) > at) {
                spell(i, c);
                return true;
            }
        }
    }
    // Raise the last capital that could be a small letter instead.
    for (std::size_t j = i < n ? i : n; j-- > 0;) {
        if (key[j] == UpperAscii(name[j]) && UpperAscii(name[j]) != LowerAscii(name[j])) {
            spell(j, LowerAscii(name[j]));
            return true;
        }
    }
    return false;
}

Seek FindThroughIndex(Directory& dir, const char* name, std::uint32_t* offset) {
    std::string wanted, key;
    for (const char* p = name; *p; ++p) wanted.push_back(UpperAscii(*p));
    const int rounds = 4 * static_cast<int>(wanted.size()) + 4;
    for (int round = 0; round < rounds; ++round) {
        const Seek found = LowerBound(dir, wanted, &key, offset);
        if (found != Seek::kFound) return found;
        if (EqualNoCase(key.c_str(), name)) return Seek::kFound;
        if (!NextSpellingAfter(key, name, &wanted)) return Seek::kNone;
    }
    return Seek::kDamaged;
}

bool HasDrive(const char* path) {
    const unsigned char c = static_cast<unsigned char>(path[0]);
    return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && path[1] == ':';
}

// Directory part of `path` (with its separator), with or without the drive.
bool DirectoryOf(const char* path, bool keepDrive, char* out, std::size_t capacity) {
    if (!out || capacity == 0) return false;
    out[0] = '\0';
    if (!path) return true;
    const char* afterDrive = HasDrive(path) ? path + 2 : path;
    const char* end = afterDrive;   // one past the last separator
    for (const char* p = afterDrive; *p; ++p)
        if (*p == '\\' || *p == '/') end = p + 1;
    // With its drive, "C:name" has the directory "C:".
    const char* start = keepDrive ? path : afterDrive;
    const std::size_t length = static_cast<std::size_t>(end - start);
    if (length + 1 > capacity) return false;
    std::memcpy(out, start, length);
    out[length] = '\0';
    return true;
}

DataFile* NewDataFile() { return new (std::nothrow) DataFile(); }

}  // namespace

DataFile* OpenInternalFileAt(HelpFileHandle* help, std::uint32_t offset) {
    InternalFileHeader header;
    if (!ReadInternalFileHeader(help, offset, &header)) return nullptr;
    DataFile* file = NewDataFile();
    if (!file) return nullptr;
    file->osFile = help->osFile.get();
    file->helpFile = help;
    file->dataStart = offset + kInternalHeaderBytes;
    file->length = static_cast<std::int32_t>(header.usedSize);
    file->position = 0;
    return file;   // the header was just read: filePosition == dataStart
}

namespace {

// Tries `path` on disk; on success `buffer` holds it.
bool Probe(FileSystem& files, const char* directory, const char* name, char* buffer) {
    const std::size_t d = std::strlen(directory), n = std::strlen(name);
    if (d + n + 1 > kDiskNameChars) return false;
    std::memcpy(buffer, directory, d);
    std::memcpy(buffer + d, name, n + 1);
    return files.Exists(buffer);
}

}  // namespace

bool DirectoryWithoutDrive(const char* path, char* out, std::size_t capacity) {
    return DirectoryOf(path, false, out, capacity);
}

HelpFileHandle* OpenHelpFile(FileSystem& files, const char* path, OpenError* why) {
    OpenError dummy;
    if (!why) why = &dummy;
    *why = OpenError::kCannotOpen;
    if (!path || !*path) return nullptr;
    std::unique_ptr<ByteSource> source = files.OpenForReading(path);
    if (!source) return nullptr;
    std::uint8_t header[kHelpHeaderBytes];
    std::uint32_t done = 0;
    while (done < sizeof header) {
        const std::int32_t got = source->Read(header + done, sizeof header - done);
        if (got <= 0) break;
        done += static_cast<std::uint32_t>(got);
    }
    if (done < sizeof header || Get32(header) != kHelpFileMagic) {
        *why = OpenError::kNotHelpFile;
        return nullptr;
    }
    auto* help = new (std::nothrow) HelpFileHandle();
    if (!help) return nullptr;
    help->osFile = std::move(source);
    help->directoryOffset = Get32(header + 4);
    // The header was just read: that is where the file stands.
    help->filePosition = kHelpHeaderBytes;
    // A path too long to keep only costs the search beside the help file.
    if (std::strlen(path) < sizeof help->path) CopyBounded(help->path, sizeof help->path, path);
    *why = OpenError::kNone;
    return help;
}

void CloseHelpFile(HelpFileHandle* help) { delete help; }

bool ReadInternalFileHeader(HelpFileHandle* help, std::uint32_t offset, InternalFileHeader* out) {
    if (!help || !out) return false;
    std::uint8_t raw[kInternalHeaderBytes];
    if (!ReadAt(help, offset, raw, sizeof raw)) return false;
    out->reservedSize = Get32(raw);
    out->usedSize = Get32(raw + 4);
    out->flags = raw[8];
    const std::uint64_t dataStart = static_cast<std::uint64_t>(offset) + kInternalHeaderBytes;
    if (out->usedSize > 0x7FFFFFFFu) return false;
    return out->usedSize <= UsableSize(help) - dataStart;
}

bool WalkDirectory(HelpFileHandle* help, DirectoryVisitor visit, void* context) {
    if (!help || !visit) return false;
    Directory dir;
    if (!dir.Open(help)) return false;
    return WalkLeaves(dir, [&](const char* name, std::uint32_t offset) {
               return visit(context, name, offset);
           }) != WalkResult::kDamaged;
}

DataFile* FindInternalFile(HelpFileHandle* help, const char* name) {
    if (!help || !name) return nullptr;
    Directory dir;
    if (!dir.Open(help)) return nullptr;
    std::uint32_t offset = 0;
    const Seek seek = dir.indexed ? FindThroughIndex(dir, name, &offset) : Seek::kDamaged;
    if (seek == Seek::kNone) return nullptr;
    bool found = seek == Seek::kFound;
    // The leaf walk: the first entry spelled like the name in any case.
    if (!found)
        WalkLeaves(dir, [&](const char* entry, std::uint32_t at) {
            if (!EqualNoCase(entry, name)) return true;
            found = true;
            offset = at;
            return false;
        });
    return found ? OpenInternalFileAt(help, offset) : nullptr;
}

DataFile* FindDiskFile(HelpFileHandle* help, const char* name) {
    if (!help || !name || !*name || std::strlen(name) >= kDiskNameChars) return nullptr;
    FileSystem& files = help->osFile->Files();
    char buffer[kDiskNameChars];
    bool found = Probe(files, "", name, buffer);
    char directory[kDiskNameChars];
    if (!found && DirectoryOf(help->path, false, directory, sizeof directory) && directory[0])
        found = Probe(files, directory, name, buffer);
    // Without its drive the directory means the current drive's; the help
    // file's own drive comes next.
    if (!found && HasDrive(help->path) && DirectoryOf(help->path, true, directory, sizeof directory))
        found = Probe(files, directory, name, buffer);
    if (!found) return nullptr;
    std::unique_ptr<ByteSource> source = files.OpenForReading(buffer);
    if (!source) return nullptr;
    DataFile* file = NewDataFile();
    if (!file) return nullptr;
    file->ownFile = std::move(source);
    file->osFile = file->ownFile.get();
    return file;
}

DataFile* DataFileOpen(HelpFileHandle* help, const char* name, bool diskFirst) {
    if (!help || !name) return nullptr;
    DataFile* file = diskFirst ? FindDiskFile(help, name) : FindInternalFile(help, name);
    if (!file) file = diskFirst ? FindInternalFile(help, name) : FindDiskFile(help, name);
    return file;
}

std::int32_t DataFileRead(DataFile* file, void* buffer, std::int32_t count) {
    if (!file || !buffer || count <= 0) return 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::int32_t total = 0;
    std::int32_t remaining = count;
    while (remaining > 0) {
        std::int32_t request = remaining < kReadPassBytes ? remaining : kReadPassBytes;
        std::int32_t got = 0;
        if (!file->helpFile) {
            got = file->osFile->Read(out, static_cast<std::uint32_t>(request));
        } else {
            HelpFileHandle* help = file->helpFile;
            // A position moved outside the file by a seek reads nothing.
            if (file->position < 0 || file->position >= file->length) break;
            if (request > file->length - file->position) request = file->length - file->position;
            const std::uint32_t at = file->dataStart + static_cast<std::uint32_t>(file->position);
            if (at != help->filePosition) {
                if (file->osFile->Seek(at, 0) != static_cast<std::int64_t>(at)) {
                    help->filePosition = kUnknownPosition;
                    got = -1;
                } else {
                    help->filePosition = at;
                }
            }
            if (got == 0) got = file->osFile->Read(out, static_cast<std::uint32_t>(request));
            if (got < 0) {
                help->filePosition = kUnknownPosition;
                file->osFile->Files().ReadFailed();
            } else {
                if (got > request) got = request;   // a source claiming more than it was asked
                file->position += got;
                help->filePosition += static_cast<std::uint32_t>(got);
            }
        }
        if (got <= 0) break;   // a failed read counts as nothing and ends the reading
        if (got > request) got = request;
        total += got;
        out += got;
        remaining -= got;
    }
    return total;
}

std::int32_t DataFileSeek(DataFile* file, std::int32_t offset, int origin) {
    if (!file) return -1;
    if (!file->helpFile) {
        const std::int64_t at = file->osFile->Seek(offset, origin);
        return (at < 0 || at > 0x7FFFFFFF) ? -1 : static_cast<std::int32_t>(at);
    }
    std::int64_t at = file->position;
    switch (origin) {
        case 0: at = offset; break;
        case 1: at = static_cast<std::int64_t>(file->position) + offset; break;
        case 2: at = static_cast<std::int64_t>(file->length) + offset; break;
        default: break;
    }
    // Kept inside 32 bits; a position outside the file simply reads nothing.
    if (at > 0x7FFFFFFF) at = 0x7FFFFFFF;
    if (at < -0x7FFFFFFF) at = -0x7FFFFFFF;
    file->position = static_cast<std::int32_t>(at);
    return file->position;
}

std::int32_t DataFileLength(const DataFile* file) {
    if (!file) return -1;
    if (file->helpFile) return file->length;
    const std::uint64_t size = file->osFile->Size();
    return size > 0x7FFFFFFF ? -1 : static_cast<std::int32_t>(size);
}

void DataFileClose(DataFile* file) { delete file; }

}  // namespace zyl
