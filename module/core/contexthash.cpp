#include "core/contexthash.h"

#include <cstring>

namespace zyl {

std::uint32_t ContextHash(const char* text, std::size_t length) {
    std::uint32_t h = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const int c = static_cast<signed char>(text[i]);
        int v;
        if (c == '!') v = 11;
        else if (c == '.') v = 12;
        else if (c == '0') v = 10;
        else if (c == '_') v = 13;
        else if (c > 'Z') v = c - 80;
        else v = c - 48;
        h = h * 43u + static_cast<std::uint32_t>(v);
    }
    return h == 0 ? 1 : h;
}

std::uint32_t ContextHash(const char* text) {
    return text ? ContextHash(text, std::strlen(text)) : ContextHash("", 0);
}

}  // namespace zyl
