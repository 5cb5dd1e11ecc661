// The topic-script parser on arbitrary bytes: a script comes back whole or
// is refused with a reason; what comes back holds together (unique context
// strings, at least one topic, no empty start-up macro).
#include <cstddef>
#include <cstdint>
#include <string>

#include "script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    zylscript::Script script;
    zylscript::ParseError error;
    if (!zylscript::ParseScript(text, &script, &error)) {
        if (error.message.empty() || error.line < 0) __builtin_trap();
        return 0;
    }
    if (script.topics.empty()) __builtin_trap();
    for (std::size_t i = 0; i < script.topics.size(); ++i) {
        const zylscript::Topic& t = script.topics[i];
        if (t.context.empty() || t.title.empty()) __builtin_trap();
        if (script.FindTopic(t.context) != static_cast<int>(i)) __builtin_trap();
        for (const auto* region : {&t.nsr, &t.body})
            for (const zylscript::Paragraph& p : *region)
                for (const zylscript::Segment& s : p.segments) {
                    if (s.kind == zylscript::Segment::Kind::Embedded && (s.ref.dll.empty() || s.ref.className.empty()))
                        __builtin_trap();
                    if (s.kind == zylscript::Segment::Kind::Link) {
                        std::string context, window;
                        zylscript::SplitWindowSuffix(s.target, &context, &window);
                        if (s.text.empty() || s.target.empty()) __builtin_trap();
                    }
                }
    }
    for (const std::string& m : script.startupMacros)
        if (m.empty()) __builtin_trap();
    return 0;
}
