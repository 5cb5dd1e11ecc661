// The host's macro-language parser on arbitrary bytes: it must stay inside
// the text, hand back calls that are pieces of it, and explain a refusal
// with a place inside it. The prototype and number readers get the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "macrolang.h"

namespace {

void Check(std::string_view text, const zylmacro::Call& call, int depth) {
    if (depth >= zylmacro::kMaxCallDepth) __builtin_trap();
    if (call.offset > text.size() || text.substr(call.offset, call.text.size()) != call.text) __builtin_trap();
    if (call.name.empty() || call.text.compare(0, call.name.size(), call.name) != 0) __builtin_trap();
    for (const zylmacro::Arg& arg : call.args) {
        if (arg.kind == zylmacro::Arg::Kind::Call) {
            if (!arg.call || arg.call->text != arg.text) __builtin_trap();
            Check(text, *arg.call, depth + 1);
        } else if (arg.kind == zylmacro::Arg::Kind::String) {
            if (call.text.find(arg.text) == std::string::npos) __builtin_trap();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);   // exact size: ASan sees a step past it
    std::vector<zylmacro::Call> calls;
    zylmacro::MacroError error;
    if (zylmacro::ParseMacros(text, &calls, &error)) {
        for (const zylmacro::Call& call : calls) Check(text, call, 0);
    } else {
        if (error.message.empty() || error.offset > size) __builtin_trap();
        for (const zylmacro::Call& call : calls) Check(text, call, 0);
    }

    zylmacro::Prototype proto;
    std::string why;
    if (zylmacro::ParsePrototype(text, &proto, &why) && proto.params.size() > zylmacro::kMaxRoutineParams) __builtin_trap();
    std::int64_t n = 0, fitted = 0;
    if (zylmacro::ParseNumber(text, &n)) {
        if (n < -2147483648LL || n > 4294967295LL) __builtin_trap();
        for (char type : {'u', 'i', 'U', 'I'})
            if (zylmacro::FitNumber(type, n, &fitted) && (fitted < -2147483648LL || fitted > 4294967295LL)) __builtin_trap();
    }
    zylmacro::FindBuiltin(text);
    return 0;
}
