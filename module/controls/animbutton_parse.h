// Parameter string of the push button: [|]label;macro text
#pragma once
#include <string>

namespace zyl {

struct AnimButtonParams {
    std::string label;   // as written, '&' included
    std::string macro;   // everything after the first ';', unchanged
};

// Returns 0, or the error id 10001 when there is no ';'.
int ParseAnimButton(const char* data, AnimButtonParams* out);

}  // namespace zyl
