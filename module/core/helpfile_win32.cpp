// The module's files: the platform's own file calls (OpenFile, _lread,
// _llseek, _lwrite, _lclose). A bare name is found where OpenFile finds bare
// names: the program's directory, the current directory, the system and
// Windows directories and the PATH.
#include <windows.h>

#include <new>

#include "helpfile.h"

namespace zyl {

namespace {

class Win32Source : public ByteSource {
public:
    Win32Source(FileSystem& files, HFILE file, std::uint64_t size) : ByteSource(files), file_(file), size_(size) {}
    ~Win32Source() override { _lclose(file_); }
    std::int32_t Read(void* buffer, std::uint32_t count) override {
        if (count > 0x7FFFFFFF) count = 0x7FFFFFFF;
        const UINT got = _lread(file_, buffer, count);
        return got == static_cast<UINT>(HFILE_ERROR) ? -1 : static_cast<std::int32_t>(got);
    }
    std::int64_t Seek(std::int64_t offset, int origin) override {
        if (origin < 0 || origin > 2 || offset > 0x7FFFFFFF || offset < -0x7FFFFFFF) return -1;
        const LONG at = _llseek(file_, static_cast<LONG>(offset), origin);
        return at == HFILE_ERROR ? -1 : at;
    }
    std::uint64_t Size() const override { return size_; }

private:
    HFILE file_;
    std::uint64_t size_;
};

class Win32Sink : public ByteSink {
public:
    explicit Win32Sink(HFILE file) : file_(file) {}
    ~Win32Sink() override { _lclose(file_); }
    std::int32_t Write(const void* data, std::uint32_t count) override {
        if (count > 0x7FFFFFFF) count = 0x7FFFFFFF;
        const UINT put = _lwrite(file_, static_cast<LPCCH>(data), count);
        return put == static_cast<UINT>(HFILE_ERROR) ? -1 : static_cast<std::int32_t>(put);
    }

private:
    HFILE file_;
};

class Win32FileSystem : public FileSystem {
public:
    std::unique_ptr<ByteSource> OpenForReading(const char* path) override {
        if (!path || !*path) return nullptr;
        OFSTRUCT of = {};
        of.cBytes = sizeof of;
        const HFILE file = OpenFile(path, &of, OF_READ | OF_SHARE_DENY_WRITE);
        if (file == HFILE_ERROR) return nullptr;
        // The length, and back to the start.
        const LONG size = _llseek(file, 0, 2);
        if (size == HFILE_ERROR || _llseek(file, 0, 0) != 0) {
            _lclose(file);
            return nullptr;
        }
        std::unique_ptr<ByteSource> source(new (std::nothrow) Win32Source(*this, file, static_cast<std::uint64_t>(size)));
        if (!source) _lclose(file);
        return source;
    }
    bool Exists(const char* path) override {
        if (!path || !*path) return false;
        OFSTRUCT of = {};
        of.cBytes = sizeof of;
        return OpenFile(path, &of, OF_EXIST) != HFILE_ERROR;
    }
    ByteSink* Create(const char* path) override {
        if (!path || !*path) return nullptr;
        OFSTRUCT of = {};
        of.cBytes = sizeof of;
        const HFILE file = OpenFile(path, &of, OF_CREATE);
        if (file == HFILE_ERROR) return nullptr;
        auto* sink = new (std::nothrow) Win32Sink(file);
        if (!sink) _lclose(file);
        return sink;
    }
    bool Remove(const char* path) override {
        if (!path || !*path) return false;
        OFSTRUCT of = {};
        of.cBytes = sizeof of;
        return OpenFile(path, &of, OF_DELETE) != HFILE_ERROR;
    }
    void ReadFailed() override { MessageBeep(0); }
};

}  // namespace

FileSystem& PlatformFiles() {
    static Win32FileSystem files;
    return files;
}

}  // namespace zyl
