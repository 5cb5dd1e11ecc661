// A file the author tools write: the bytes go to a temporary file beside
// the target, renamed over it by Commit(). Until then, and whenever
// anything fails, the target stays as it was; the temporary file goes away
// with the object.
#pragma once
#include <cstddef>
#include <string>

namespace zyl {
class ByteSink;
}

namespace zyltools {

class OutputFile {
public:
    explicit OutputFile(const std::string& target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool Ok() const { return sink_ != nullptr && ok_; }
    void Write(const void* data, std::size_t size);
    // Renames the written file over the target; false when anything failed.
    bool Commit();

private:
    std::string target_, temp_;
    zyl::ByteSink* sink_ = nullptr;
    bool ok_ = true;
    bool committed_ = false;
};

}  // namespace zyltools
