// The picture readers' source over a DataFile of the file-access layer.
// Apart from the rest so that memory-only users do not pull in the file layer.
#include "core/helpfile.h"
#include "picturesource.h"

namespace zyl {

namespace {

std::int32_t DataFileReadTo(void* context, void* buffer, std::int32_t count) {
    const std::int32_t n = DataFileRead(static_cast<DataFile*>(context), buffer, count);
    return n > 0 ? n : 0;
}

bool DataFileSeekTo(void* context, std::int32_t offset) {
    return offset >= 0 && DataFileSeek(static_cast<DataFile*>(context), offset, 0) == offset;
}

}  // namespace

PictureSource DataFilePictureSource(DataFile* file) {
    const std::int32_t length = DataFileLength(file);
    return PictureSource{file, &DataFileReadTo, &DataFileSeekTo, length > 0 ? static_cast<std::uint64_t>(length) : 0};
}

}  // namespace zyl
