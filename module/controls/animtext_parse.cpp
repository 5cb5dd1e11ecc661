#include "animtext_parse.h"

#include <cstring>
#include <string>

#include "core/text.h"

namespace zyl {

namespace {

void CopyCut(char* dst, const std::string& src, std::size_t most) {
    const std::size_t n = src.size() < most ? src.size() : most;
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

}  // namespace

int ParseAnimText(const char* data, AnimTextParams* out) {
    std::memset(out, 0, sizeof *out);
    const char* p = data ? data : "";
    std::string field;
    if (!TakeField(&p, &field)) return ZYL_ERR_SYNTAX;
    CopyCut(out->text, field, kAnimTextChars);
    out->length = static_cast<std::int32_t>(std::strlen(out->text));
    if (!TakeField(&p, &field)) return ZYL_ERR_SYNTAX;
    CopyCut(out->face, field, kAnimFaceChars);
    if (!TakeField(&p, &field)) return ZYL_ERR_SYNTAX;
    out->size = static_cast<std::int32_t>(ReadULong(field.c_str(), nullptr));
    if (out->size == 0 || out->size > kAnimTextMaxFontSize || out->size < -kAnimTextMaxFontSize)
        return ZYL_ERR_FONT_SIZE;
    if (!TakeField(&p, &field)) return ZYL_ERR_SYNTAX;
    out->colour = ReadULong(field.c_str(), nullptr, 16) & 0xFFFFFFu;
    if (!TakeField(&p, &field)) return ZYL_ERR_SYNTAX;
    out->period = ReadULong(field.c_str(), nullptr);
    out->flags = static_cast<std::uint16_t>(ReadULong(p, nullptr) & 0xFFFFu);
    return 0;
}

void RevealedPart(std::int32_t length, std::int32_t shown, std::uint16_t flags, std::int32_t* start,
                  std::int32_t* count) {
    if (length < 0) length = 0;
    *count = shown < 0 ? 0 : shown > length ? length : shown;
    *start = (flags & kTextFromEnd) ? length - *count : 0;
}

std::int32_t RevealX(std::int32_t width, std::int32_t extent, std::uint16_t flags) {
    return (flags & kTextFromEnd) ? 1 : width - 1 - extent;
}

}  // namespace zyl
