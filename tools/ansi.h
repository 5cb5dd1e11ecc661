// Text in the help viewer's code page (Windows-1252) and back, for author
// tools that read UTF-8 text files. Portable.
#pragma once
#include <string>

namespace zyltools {

// UTF-8 text in Windows-1252. False, with the reason, when `in` is not
// UTF-8 or holds a character the code page lacks. The five bytes the code
// page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) come from U+0081 ...
// only when `keepControls` is set.
bool Utf8ToAnsi(const std::string& in, std::string* out, std::string* why, bool keepControls = false);
// Windows-1252 text as UTF-8 (the five undefined bytes as U+0081 ...).
std::string AnsiToUtf8(const std::string& in);

}  // namespace zyltools
