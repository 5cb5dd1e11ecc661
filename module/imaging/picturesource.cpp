#include "picturesource.h"

#include <cstring>

namespace zyl {

std::uint64_t MaxDecodedPixels(std::uint64_t fileBytes) {
    const std::uint64_t byBytes = fileBytes < kMaxPicturePixels / kPixelsPerFileByte ? fileBytes * kPixelsPerFileByte
                                                                                      : kMaxPicturePixels;
    return byBytes > kFreePixels ? byBytes : kFreePixels;
}

bool ReadExact(const PictureSource& src, void* buffer, std::int32_t count) {
    if (count < 0) return false;
    if (count == 0) return true;
    return src.read(src.context, buffer, count) == count;
}

std::int32_t MemorySource::Read(void* context, void* buffer, std::int32_t count) {
    auto* self = static_cast<MemorySource*>(context);
    if (count <= 0 || self->pos_ >= self->size_) return 0;
    std::size_t n = self->size_ - self->pos_;
    if (n > static_cast<std::size_t>(count)) n = static_cast<std::size_t>(count);
    std::memcpy(buffer, self->data_ + self->pos_, n);
    self->pos_ += n;
    return static_cast<std::int32_t>(n);
}

bool MemorySource::SeekTo(void* context, std::int32_t offset) {
    if (offset < 0) return false;
    static_cast<MemorySource*>(context)->pos_ = static_cast<std::size_t>(offset);
    return true;
}

}  // namespace zyl
