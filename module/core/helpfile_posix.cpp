// The C runtime's files (open/read/lseek): the native build, the author
// tools (on Linux and on Windows) and the tests. A bare name is looked for
// in the current directory.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <new>

#include "helpfile.h"

#ifdef _WIN32
#include <io.h>
#define ZYL_OPEN ::_open
#define ZYL_READ ::_read
#define ZYL_WRITE ::_write
#define ZYL_CLOSE ::_close
#define ZYL_UNLINK ::_unlink
#define ZYL_BINARY _O_BINARY
#define ZYL_CLOEXEC 0
using ZylStat = struct ::_stati64;
static std::int64_t ZylSeek(int fd, std::int64_t offset, int origin) { return ::_lseeki64(fd, offset, origin); }
static int ZylFstat(int fd, ZylStat* st) { return ::_fstati64(fd, st); }
static int ZylStatPath(const char* path, ZylStat* st) { return ::_stati64(path, st); }
#define ZYL_ISREG(m) (((m) & _S_IFMT) == _S_IFREG)
#define ZYL_MODE (_S_IREAD | _S_IWRITE)
#else
#include <unistd.h>
#define ZYL_OPEN ::open
#define ZYL_READ ::read
#define ZYL_WRITE ::write
#define ZYL_CLOSE ::close
#define ZYL_UNLINK ::unlink
#define ZYL_BINARY 0
#define ZYL_CLOEXEC O_CLOEXEC
using ZylStat = struct ::stat;
static std::int64_t ZylSeek(int fd, std::int64_t offset, int origin) { return ::lseek(fd, offset, origin); }
static int ZylFstat(int fd, ZylStat* st) { return ::fstat(fd, st); }
static int ZylStatPath(const char* path, ZylStat* st) { return ::stat(path, st); }
#define ZYL_ISREG(m) S_ISREG(m)
#define ZYL_MODE 0666
#endif

namespace zyl {

namespace {

class PosixSource : public ByteSource {
public:
    PosixSource(FileSystem& files, int fd, std::uint64_t size) : ByteSource(files), fd_(fd), size_(size) {}
    ~PosixSource() override { ZYL_CLOSE(fd_); }
    std::int32_t Read(void* buffer, std::uint32_t count) override {
        if (count > 0x7FFFFFFF) count = 0x7FFFFFFF;
        const auto got = ZYL_READ(fd_, buffer, count);
        return got < 0 ? -1 : static_cast<std::int32_t>(got);
    }
    std::int64_t Seek(std::int64_t offset, int origin) override {
        if (origin < 0 || origin > 2) return -1;
        const std::int64_t at = ZylSeek(fd_, offset, origin);
        return at < 0 ? -1 : at;
    }
    std::uint64_t Size() const override { return size_; }

private:
    int fd_;
    std::uint64_t size_;
};

class PosixSink : public ByteSink {
public:
    explicit PosixSink(int fd) : fd_(fd) {}
    ~PosixSink() override { ZYL_CLOSE(fd_); }
    std::int32_t Write(const void* data, std::uint32_t count) override {
        if (count > 0x7FFFFFFF) count = 0x7FFFFFFF;
        const auto* p = static_cast<const char*>(data);
        std::uint32_t done = 0;
        while (done < count) {
            const auto put = ZYL_WRITE(fd_, p + done, count - done);
            if (put <= 0) break;   // disk full or an error: the caller sees a short count
            done += static_cast<std::uint32_t>(put);
        }
        return done == 0 && count > 0 ? -1 : static_cast<std::int32_t>(done);
    }

private:
    int fd_;
};

class PosixFileSystem : public FileSystem {
public:
    std::unique_ptr<ByteSource> OpenForReading(const char* path) override {
        if (!path || !*path) return nullptr;
        const int fd = ZYL_OPEN(path, O_RDONLY | ZYL_BINARY | ZYL_CLOEXEC);
        if (fd < 0) return nullptr;
        ZylStat st;
        if (ZylFstat(fd, &st) != 0 || !ZYL_ISREG(st.st_mode)) {
            ZYL_CLOSE(fd);
            return nullptr;
        }
        std::unique_ptr<ByteSource> source(new (std::nothrow) PosixSource(*this, fd, static_cast<std::uint64_t>(st.st_size)));
        if (!source) ZYL_CLOSE(fd);
        return source;
    }
    bool Exists(const char* path) override {
        ZylStat st;
        return path && *path && ZylStatPath(path, &st) == 0 && ZYL_ISREG(st.st_mode);
    }
    ByteSink* Create(const char* path) override {
        if (!path || !*path) return nullptr;
        const int fd = ZYL_OPEN(path, O_WRONLY | O_CREAT | O_TRUNC | ZYL_BINARY | ZYL_CLOEXEC, ZYL_MODE);
        if (fd < 0) return nullptr;
        auto* sink = new (std::nothrow) PosixSink(fd);
        if (!sink) ZYL_CLOSE(fd);
        return sink;
    }
    bool Remove(const char* path) override { return path && ZYL_UNLINK(path) == 0; }
};

}  // namespace

FileSystem& PosixFiles() {
    static PosixFileSystem files;
    return files;
}

#ifndef _WIN32
FileSystem& PlatformFiles() { return PosixFiles(); }
#endif

}  // namespace zyl
