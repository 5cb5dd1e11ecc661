#include "core/wholefile.h"

#include <cstring>
#include <memory>
#include <new>

namespace zyl {

bool ReadWholeDataFile(HelpFileHandle* help, const char* name, void* block, std::size_t* bytesRead) {
    if (bytesRead) *bytesRead = 0;
    if (!block) return false;
    std::memset(block, 0, kWholeFileBytes);
    DataFilePtr file(DataFileOpen(help, name, false));
    if (!file) return false;
    const std::int32_t got = DataFileRead(file.get(), block, static_cast<std::int32_t>(kWholeFileBytes));
    if (bytesRead && got > 0) *bytesRead = static_cast<std::size_t>(got);
    return true;
}

bool CopyDataFileToDisk(FileSystem& files, HelpFileHandle* help, const char* name, const char* diskPath) {
    if (!diskPath || !*diskPath) return false;
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[kWholeFileBytes]);
    if (!buffer) return false;
    DataFilePtr file(DataFileOpen(help, name, false));
    if (!file) return false;
    std::unique_ptr<ByteSink> sink(files.Create(diskPath));
    if (!sink) return false;
    // The length tells a finished copy from one a failed read cut short.
    const std::int32_t expected = DataFileLength(file.get());
    std::int64_t copied = 0;
    bool ok = true;
    std::int32_t chunk;
    while ((chunk = DataFileRead(file.get(), buffer.get(), static_cast<std::int32_t>(kWholeFileBytes))) > 0) {
        if (sink->Write(buffer.get(), static_cast<std::uint32_t>(chunk)) != chunk) {
            ok = false;   // disk full
            break;
        }
        copied += chunk;
    }
    sink.reset();   // closed before a failed copy is removed
    if (!ok || copied != expected) {
        files.Remove(diskPath);
        return false;
    }
    return true;
}

}  // namespace zyl
