// What the fuzz targets share: a check that ends the run as a crash, and
// the input as a NUL-terminated text in a heap block of exactly its size,
// so that ASan catches a step past the terminator.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace fuzzing {

inline void Check(bool ok) {
    if (!ok) std::abort();
}

class InputText {
public:
    InputText(const std::uint8_t* data, std::size_t size) : text_(static_cast<char*>(std::malloc(size + 1))) {
        std::memcpy(text_, data, size);
        text_[size] = '\0';
    }
    ~InputText() { std::free(text_); }
    InputText(const InputText&) = delete;
    InputText& operator=(const InputText&) = delete;
    char* get() const { return text_; }

private:
    char* text_;
};

}  // namespace fuzzing
