// Parameter string of the push button: [|]label;macro text
#pragma once
#include <string>

#include "resources/resource.h"

namespace zyl {

struct AnimButtonParams {
    std::string label;   // as written, '&' included
    std::string macro;   // everything after the first ';', unchanged
};

// Returns 0, or ZYL_ERR_SYNTAX when there is no ';'.
int ParseAnimButton(const char* data, AnimButtonParams* out);

}  // namespace zyl
