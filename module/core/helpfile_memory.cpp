// Files held in memory: the fuzzer's help files and test doubles.
#include <cstring>
#include <new>

#include "helpfile.h"

namespace zyl {

namespace {

class MemorySource : public ByteSource {
public:
    MemorySource(FileSystem& files, const std::vector<std::uint8_t>& bytes) : ByteSource(files), bytes_(bytes) {}
    std::int32_t Read(void* buffer, std::uint32_t count) override {
        const std::uint64_t size = bytes_.size();
        if (at_ >= size) return 0;
        std::uint64_t n = size - at_;
        if (n > count) n = count;
        if (n > 0x7FFFFFFF) n = 0x7FFFFFFF;
        std::memcpy(buffer, bytes_.data() + at_, static_cast<std::size_t>(n));
        at_ += n;
        return static_cast<std::int32_t>(n);
    }
    std::int64_t Seek(std::int64_t offset, int origin) override {
        std::int64_t base = 0;
        if (origin == 1) base = static_cast<std::int64_t>(at_);
        else if (origin == 2) base = static_cast<std::int64_t>(bytes_.size());
        else if (origin != 0) return -1;
        if ((offset < 0 && base + offset < 0) || (offset > 0 && offset > INT64_MAX - base)) return -1;
        at_ = static_cast<std::uint64_t>(base + offset);
        return static_cast<std::int64_t>(at_);
    }
    std::uint64_t Size() const override { return bytes_.size(); }

private:
    // The file stays as it was opened while it is read (another's writes
    // are refused on disk, so they are not seen here either).
    std::vector<std::uint8_t> bytes_;
    std::uint64_t at_ = 0;
};

class MemorySink : public ByteSink {
public:
    explicit MemorySink(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    std::int32_t Write(const void* data, std::uint32_t count) override {
        if (count > 0x7FFFFFFF) count = 0x7FFFFFFF;
        const auto* p = static_cast<const std::uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + count);
        return static_cast<std::int32_t>(count);
    }

private:
    std::vector<std::uint8_t>& bytes_;
};

}  // namespace

MemoryFiles::Entry* MemoryFiles::Lookup(const char* path) {
    if (!path) return nullptr;
    for (Entry& e : files_)
        if (e.path == path) return &e;
    return nullptr;
}

void MemoryFiles::Add(const char* path, const void* data, std::size_t size) {
    Entry* e = Lookup(path);
    if (!e) {
        files_.push_back(Entry{path, {}});
        e = &files_.back();
    }
    const auto* p = static_cast<const std::uint8_t*>(data);
    e->bytes.assign(p, p + size);
}

const std::vector<std::uint8_t>* MemoryFiles::Find(const char* path) const {
    for (const Entry& e : files_)
        if (path && e.path == path) return &e.bytes;
    return nullptr;
}

std::unique_ptr<ByteSource> MemoryFiles::OpenForReading(const char* path) {
    Entry* e = Lookup(path);
    return std::unique_ptr<ByteSource>(e ? new (std::nothrow) MemorySource(*this, e->bytes) : nullptr);
}

bool MemoryFiles::Exists(const char* path) { return Lookup(path) != nullptr; }

ByteSink* MemoryFiles::Create(const char* path) {
    if (!path || !*path) return nullptr;
    Entry* e = Lookup(path);
    if (!e) {
        files_.push_back(Entry{path, {}});
        e = &files_.back();
    }
    e->bytes.clear();
    return new (std::nothrow) MemorySink(e->bytes);
}

bool MemoryFiles::Remove(const char* path) {
    for (auto it = files_.begin(); it != files_.end(); ++it) {
        if (it->path == path) {
            files_.erase(it);
            return true;
        }
    }
    return false;
}

}  // namespace zyl
