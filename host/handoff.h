// Memory the host hands to the module: the callback table, creation records
// and their strings, render records, file names. With `high` set the block
// is taken from the top of the address space, which lies above 4 GB on a
// 64-bit system, so a module that squeezes a pointer into 32 bits faults
// at once instead of working by luck.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>
#include <utility>

namespace zylhost {

class HandoffBlock {
public:
    HandoffBlock() = default;
    HandoffBlock(std::size_t size, bool high);   // zero-filled; data() is null when out of memory
    ~HandoffBlock() { reset(); }
    HandoffBlock(HandoffBlock&& o) noexcept
        : data_(std::exchange(o.data_, nullptr)), size_(std::exchange(o.size_, 0)), high_(o.high_) {}
    HandoffBlock& operator=(HandoffBlock&& o) noexcept;
    HandoffBlock(const HandoffBlock&) = delete;
    HandoffBlock& operator=(const HandoffBlock&) = delete;

    void reset();
    void* data() const { return data_; }
    char* chars() const { return static_cast<char*>(data_); }
    std::size_t size() const { return size_; }

    // A block holding a copy of `text` and its terminator.
    static HandoffBlock String(const std::string& text, bool high);

private:
    void* data_ = nullptr;
    std::size_t size_ = 0;
    bool high_ = false;
};

}  // namespace zylhost
