#include "animbutton_parse.h"

#include <cstring>

#include "resources/resource.h"

namespace zyl {

int ParseAnimButton(const char* data, AnimButtonParams* out) {
    if (!data) data = "";
    if (*data == '|') ++data;
    const char* semi = std::strchr(data, ';');
    if (!semi) return ZYL_ERR_SYNTAX;
    out->label.assign(data, static_cast<std::size_t>(semi - data));
    out->macro.assign(semi + 1);
    return 0;
}

}  // namespace zyl
