#include "animcontrol_parse.h"

#include <cstring>

#include "controls/animpict_parse.h"
#include "core/text.h"

namespace zyl {

namespace {

// The field from `p` to the next ';' (false when there is none); `p` moves
// past that ';'.
bool NextField(const char** p, const char** begin, const char** end) {
    const char* semi = std::strchr(*p, ';');
    if (!semi) return false;
    *begin = *p;
    *end = semi;
    *p = semi + 1;
    return true;
}

// The items buffer's text: '|' ends a string, or in a multi-line field's
// text becomes a line break; never more than the buffer holds before its
// two terminators.
std::string ItemsText(const char* begin, const char* end, bool multiLine) {
    constexpr std::size_t kRoom = kFormTextBytes - 2;
    std::string items;
    for (const char* p = begin; p != end; ++p) {
        const bool bar = *p == '|';
        const std::size_t need = bar && multiLine ? 2 : 1;
        if (items.size() + need > kRoom) break;   // a line break is never split
        if (!bar) items += *p;
        else if (multiLine) items += "\r\n";
        else items += '\0';
    }
    return items;
}

}  // namespace

int ParseFormParams(const char* data, bool printing, FormParams* out) {
    const char* p = data ? data : "";
    const char* begin = nullptr;
    const char* end = nullptr;

    if (!NextField(&p, &begin, &end)) return ZYL_ERR_SYNTAX;
    out->type = ReadFieldNumber(begin, end);
    if (out->type < kFormReset || out->type > kFormMultiLine) return ZYL_ERR_CONTROL_TYPE;

    if (!NextField(&p, &begin, &end)) return ZYL_ERR_SYNTAX;
    const std::size_t fieldLength = static_cast<std::size_t>(end - begin);
    if (fieldLength > kFormFieldLimit) return ZYL_ERR_SYNTAX;
    const char* colon = static_cast<const char*>(std::memchr(begin, ':', fieldLength));
    if (colon) {
        CopyAtMost(out->group, begin, static_cast<std::size_t>(colon - begin));
        CopyAtMost(out->name, colon + 1, static_cast<std::size_t>(end - colon - 1));
    } else {
        out->group[0] = '\0';
        CopyAtMost(out->name, begin, fieldLength);
    }
    if (out->name[0] == '\0') return ZYL_ERR_NO_CONTROL_NAME;
    if (printing) {
        std::strcat(out->group, "_");
        std::strcat(out->name, "_");
    }

    const char* numbers[3][2];
    for (auto& field : numbers)
        if (!NextField(&p, &field[0], &field[1])) return ZYL_ERR_SYNTAX;
    const char* itemsBegin = nullptr;
    const char* itemsEnd = nullptr;
    if (!NextField(&p, &itemsBegin, &itemsEnd)) return ZYL_ERR_SYNTAX;

    std::int32_t read[3];
    for (int i = 0; i < 3; ++i) {
        read[i] = ReadFieldNumber(numbers[i][0], numbers[i][1]);
        if (read[i] > kFormNumberLimit) return ZYL_ERR_SYNTAX;
    }
    out->width = read[0];
    out->rowsField = read[1];
    out->rows = read[1] == 0 ? 1 : read[1];
    out->value = static_cast<std::uint32_t>(read[2]);

    out->hasItems = itemsBegin != itemsEnd || out->type >= kFormText;
    out->items = out->hasItems ? ItemsText(itemsBegin, itemsEnd, out->type == kFormMultiLine) : std::string();
    out->macro.assign(p);
    return 0;
}

std::string BarsToLineBreaks(const char* text) {
    std::string out;
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == '|') out += "\r\n";
        else out += *p;
    }
    return out;
}

void FormSectionName(const char* helpFilePath, char out[kFormSectionChars]) {
    const char* path = helpFilePath ? helpFilePath : "";
    const char* base = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':') base = p + 1;
    const char* dot = std::strrchr(base, '.');
    const std::size_t length = dot ? static_cast<std::size_t>(dot - base) : std::strlen(base);
    CopyAtMost(out, base, length < kFormSectionChars - 1 ? length : kFormSectionChars - 1);
}

void FormKey(const char* group, const char* name, bool print, char out[kFormKeyChars]) {
    std::string key = group ? group : "";
    key += print ? "_:" : ":";
    key += name ? name : "";
    if (print) key += '_';
    CopyBounded(out, kFormKeyChars, key.c_str());
}

void FormLineKey(const char* key, std::uint32_t line, char out[kFormLineKeyChars]) {
    std::string text = key ? key : "";
    text += '_';
    text += std::to_string(line);
    CopyBounded(out, kFormLineKeyChars, text.c_str());
}

std::vector<std::string> SplitFormLines(const char* text) {
    std::vector<std::string> lines(1);
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == '\r') {
            lines.emplace_back();
            if (p[1] == '\n') ++p;
        } else {
            lines.back() += *p;
        }
    }
    return lines;
}

std::vector<FormLine> BreakFormText(const char* text, std::size_t maxLines, int areaWidth, MeasureFn width,
                                    void* context) {
    std::vector<FormLine> lines;
    if (!text) return lines;
    const std::size_t length = std::strlen(text);
    std::size_t start = 0;
    while (lines.size() < maxLines && start < length) {
        std::size_t q = start;
        std::size_t lastBlank = length;   // none yet
        std::size_t next = length;
        std::size_t stop = length;
        for (; q < length && text[q] != '\r'; ++q) {
            if (text[q] == ' ') lastBlank = q;
            if (q > start && width(context, text + start, q + 1 - start) > areaWidth) break;
        }
        if (q < length && text[q] != '\r') {
            // Too wide: back to the last blank, or else cut the word here.
            if (lastBlank != length && lastBlank > start) {
                stop = lastBlank;
                next = lastBlank + 1;
            } else {
                stop = next = q;
            }
        } else if (q < length) {
            stop = q;
            next = q + 1 + (q + 1 < length && text[q + 1] == '\n' ? 1 : 0);
        }
        lines.push_back(FormLine{start, stop - start});
        start = next;
    }
    return lines;
}

}  // namespace zyl
