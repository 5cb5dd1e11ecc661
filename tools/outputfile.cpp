#include "outputfile.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#include <process.h>
#else
#include <unistd.h>
#endif

#include "core/helpfile.h"

namespace zyltools {

OutputFile::OutputFile(const std::string& target) : target_(target) {
#ifdef _WIN32
    const long pid = _getpid();
#else
    const long pid = static_cast<long>(getpid());
#endif
    temp_ = target + ".zyl-" + std::to_string(pid) + ".tmp";
    sink_ = zyl::PosixFiles().Create(temp_.c_str());
}

OutputFile::~OutputFile() {
    delete sink_;
    if (!committed_) zyl::PosixFiles().Remove(temp_.c_str());
}

void OutputFile::Write(const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (Ok() && size > 0) {
        const std::uint32_t chunk = size > 0x40000000 ? 0x40000000u : static_cast<std::uint32_t>(size);
        if (sink_->Write(p, chunk) != static_cast<std::int32_t>(chunk)) ok_ = false;
        p += chunk;
        size -= chunk;
    }
}

bool OutputFile::Commit() {
    if (!Ok()) return false;
    delete sink_;
    sink_ = nullptr;
#ifdef _WIN32
    committed_ = MoveFileExA(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
    committed_ = std::rename(temp_.c_str(), target_.c_str()) == 0;
#endif
    return committed_;
}

}  // namespace zyltools
