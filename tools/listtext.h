// The text side of the list files zyllist compiles (docs/zyllist.md): lines
// in UTF-8 or the help viewer's code page, comments, fields separated by
// '|', escapes, and context strings standing for topic hashes. Each kind
// of list (bullets.cpp) builds on these. Portable.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zyllist {

using Bytes = std::vector<std::uint8_t>;

// What went wrong, and on which line of the text (0: the whole text).
struct Problem {
    int line = 0;
    std::string message;
};

// A line that says something: its number in the file and its text in the
// help viewer's code page, trimmed, escapes still in it.
struct TextLine {
    int number = 0;
    std::string text;
};

// The lines of a list text after its first line, which must be `header`
// (case ignored). Text with a UTF-8 byte order mark, or valid UTF-8 with
// characters beyond ASCII, is taken as UTF-8; any other as the code page.
// Blank lines and lines whose first character is ';' do not count.
bool ReadListText(const std::string& text, const char* header, std::vector<TextLine>* lines, Problem* problem);

// ASCII letters in lower case.
std::string Lower(std::string text);

// Cuts `text` at every `separator` that no backslash escapes.
std::vector<std::string> SplitFields(const std::string& text, char separator);
// A field as it is meant: blanks at its edges dropped, then "\|", "\\",
// "\," and "\xHH" (two hex digits) read as the character they stand for; any
// other backslash stays. False when a "\x00" would put a 0 byte in it.
bool Unescape(const std::string& field, std::string* out);
// The field as Unescape reads it back: backslashes and `special`
// characters escaped, control characters, the code page's five undefined
// bytes and blanks at the edges written as "\xHH".
std::string Escape(const std::string& field, const char* special = "|");
// A text (code page) as a file: UTF-8 behind a byte order mark when it
// holds characters beyond ASCII, else as it is.
std::string TextFile(const std::string& text);

// Appends `text` and its terminating 0 byte.
void PutString(Bytes* file, const std::string& text);
// False, with the problem, when a compiled file of `kind` ("bullet file")
// is larger than the 16384 bytes the module reads of it.
bool FitsTheModule(const Bytes& file, const char* kind, Problem* problem);

// A number written in decimal or, after "0x", in hex; false unless the
// whole text is one number no larger than `limit`.
bool ReadNumber(const std::string& text, std::uint32_t limit, std::uint32_t* value);

// Context strings by their topic hash, for writing texts back.
class Contexts {
public:
    void Add(const std::string& context);
    // Every topic of a topic script (docs/topic-scripts.md); false when it
    // does not parse.
    bool AddScript(const std::string& scriptText, std::string* why);
    // The context field for `hash`: "" for 0, the context string when one
    // is known, else "#" and the hash in hex.
    std::string Field(std::uint32_t hash) const;

private:
    std::map<std::uint32_t, std::string> byHash_;
};

// The topic hash a context field stands for: 0 for an empty field, the
// number after '#' (hex), or the context string's hash. False with the
// reason for a context string with blanks or '>'.
bool ReadContextField(const std::string& field, std::uint32_t* hash, std::string* why);

}  // namespace zyllist
