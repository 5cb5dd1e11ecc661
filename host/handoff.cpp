#include "handoff.h"

#include <cstring>

namespace zylhost {

HandoffBlock::HandoffBlock(std::size_t size, bool high) : size_(size), high_(high) {
    if (size == 0) size = 1;
    if (high) {
        // Top-down keeps the block above 4 GB; VirtualAlloc memory is zeroed.
        data_ = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN, PAGE_READWRITE);
    } else {
        data_ = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
    }
    if (!data_) size_ = 0;
}

HandoffBlock& HandoffBlock::operator=(HandoffBlock&& o) noexcept {
    if (this != &o) {
        reset();
        data_ = std::exchange(o.data_, nullptr);
        size_ = std::exchange(o.size_, 0);
        high_ = o.high_;
    }
    return *this;
}

void HandoffBlock::reset() {
    if (data_) {
        if (high_) VirtualFree(data_, 0, MEM_RELEASE);
        else HeapFree(GetProcessHeap(), 0, data_);
    }
    data_ = nullptr;
    size_ = 0;
}

HandoffBlock HandoffBlock::String(const std::string& text, bool high) {
    HandoffBlock b(text.size() + 1, high);
    if (b.data()) std::memcpy(b.data(), text.c_str(), text.size() + 1);
    return b;
}

}  // namespace zylhost
