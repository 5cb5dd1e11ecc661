#include "core/wholefile.h"

#include <cstdlib>
#include <cstring>

namespace zyl {

bool ReadWholeDataFile(HelpFileHandle* help, const char* name, void* block) {
    if (!block) return false;
    std::memset(block, 0, kWholeFileBytes);
    DataFile* file = DataFileOpen(help, name, false);
    if (!file) return false;
    DataFileRead(file, block, static_cast<std::int32_t>(kWholeFileBytes));
    DataFileClose(file);
    return true;
}

bool CopyDataFileToDisk(FileSystem& files, HelpFileHandle* help, const char* name, const char* diskPath) {
    if (!diskPath || !*diskPath) return false;
    auto* buffer = static_cast<std::uint8_t*>(std::malloc(kWholeFileBytes));
    if (!buffer) return false;
    DataFile* file = DataFileOpen(help, name, false);
    ByteSink* sink = file ? files.Create(diskPath) : nullptr;
    bool ok = sink != nullptr;
    if (ok) {
        // The length tells a finished copy from one a failed read cut short.
        const std::int32_t expected = DataFileLength(file);
        std::int64_t copied = 0;
        std::int32_t chunk = DataFileRead(file, buffer, static_cast<std::int32_t>(kWholeFileBytes));
        while (chunk > 0) {
            if (sink->Write(buffer, static_cast<std::uint32_t>(chunk)) != chunk) {
                ok = false;   // disk full
                break;
            }
            copied += chunk;
            chunk = DataFileRead(file, buffer, static_cast<std::int32_t>(kWholeFileBytes));
        }
        if (copied != expected) ok = false;
        delete sink;
        if (!ok) files.Remove(diskPath);
    }
    DataFileClose(file);
    std::free(buffer);
    return ok;
}

}  // namespace zyl
