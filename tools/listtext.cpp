#include "listtext.h"

#include <cstdio>
#include <cstring>

#include "ansi.h"
#include "core/contexthash.h"
#include "core/text.h"
#include "core/wholefile.h"
#include "script.h"

namespace zyllist {

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s) {
    std::size_t a = 0, b = s.size();
    while (a < b && IsBlank(s[a])) ++a;
    while (b > a && (IsBlank(s[b - 1]) || s[b - 1] == '\r')) --b;
    return s.substr(a, b - a);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The code page's bytes without a character.
bool Undefined(unsigned char c) { return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D; }

}  // namespace

bool ReadListText(const std::string& text, const char* header, std::vector<TextLine>* lines, Problem* problem) {
    lines->clear();
    std::string ansi;
    const bool marked = text.compare(0, 3, kByteOrderMark) == 0;
    const std::string body = marked ? text.substr(3) : text;
    bool high = false;
    for (char c : body) high = high || static_cast<unsigned char>(c) >= 0x80;
    std::string why;
    if (marked || (high && zylscript::IsValidUtf8(body))) {
        if (!zyltools::Utf8ToAnsi(body, &ansi, &why)) {
            *problem = Problem{0, why};
            return false;
        }
    } else {
        ansi = body;
    }
    if (ansi.find('\0') != std::string::npos) {
        *problem = Problem{0, "the text holds a 0 byte"};
        return false;
    }
    bool headerSeen = false;
    std::size_t at = 0;
    for (int number = 1; at <= ansi.size(); ++number) {
        std::size_t end = ansi.find('\n', at);
        if (end == std::string::npos) end = ansi.size();
        const std::string line = Trim(ansi.substr(at, end - at));
        at = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (!headerSeen) {
            if (!zyl::EqualNoCase(line.c_str(), header)) {
                *problem = Problem{number, std::string("the first line must be '") + header + "'"};
                return false;
            }
            headerSeen = true;
            continue;
        }
        lines->push_back(TextLine{number, line});
    }
    if (!headerSeen) {
        *problem = Problem{0, std::string("the text is empty: its first line must be '") + header + "'"};
        return false;
    }
    return true;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::vector<std::string> SplitFields(const std::string& text, char separator) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            fields.back() += text[i];
            fields.back() += text[++i];
        } else if (text[i] == separator) {
            fields.emplace_back();
        } else {
            fields.back() += text[i];
        }
    }
    return fields;
}

bool Unescape(const std::string& field, std::string* out) {
    const std::string s = Trim(field);
    out->clear();
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char next = i + 1 < s.size() ? s[i + 1] : '\0';
        if (s[i] != '\\' || next == '\0') {
            *out += s[i];
        } else if (next == '|' || next == '\\' || next == ',') {
            *out += next;
            ++i;
        } else if (next == 'x' && i + 3 < s.size() && HexDigit(s[i + 2]) >= 0 && HexDigit(s[i + 3]) >= 0) {
            const int byte = HexDigit(s[i + 2]) * 16 + HexDigit(s[i + 3]);
            if (byte == 0) return false;
            *out += static_cast<char>(byte);
            i += 3;
        } else {
            *out += s[i];
        }
    }
    return true;
}

std::string Escape(const std::string& field, const char* special) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        const unsigned char u = static_cast<unsigned char>(c);
        const bool edge = i == 0 || i + 1 == field.size();
        if (c == '\\' || std::strchr(special, c)) {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7F || Undefined(u) || (edge && IsBlank(c)) || (i == 0 && c == ';')) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::string TextFile(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return kByteOrderMark + zyltools::AnsiToUtf8(text);
    return text;
}

bool ReadNumber(const std::string& text, std::uint32_t limit, std::uint32_t* value) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::size_t start = hex ? 2 : 0;
    if (text.size() <= start) return false;
    std::uint64_t v = 0;
    for (std::size_t i = start; i < text.size(); ++i) {
        const int d = HexDigit(text[i]);
        if (d < 0 || (!hex && d > 9)) return false;
        v = v * (hex ? 16 : 10) + static_cast<unsigned>(d);
        if (v > limit) return false;
    }
    *value = static_cast<std::uint32_t>(v);
    return true;
}

void Contexts::Add(const std::string& context) {
    byHash_.emplace(zyl::ContextHash(context.c_str(), context.size()), context);
}

bool Contexts::AddScript(const std::string& scriptText, std::string* why) {
    zylscript::Script script;
    zylscript::ParseError error;
    if (!zylscript::ParseScript(scriptText, &script, &error)) {
        *why = error.ToString();
        return false;
    }
    for (const zylscript::Topic& t : script.topics) Add(t.context);
    return true;
}

std::string Contexts::Field(std::uint32_t hash) const {
    if (hash == 0) return "";
    const auto known = byHash_.find(hash);
    std::uint32_t again = 0;
    std::string why;
    // Only a name that reads back as the same hash.
    if (known != byHash_.end() && ReadContextField(known->second, &again, &why) && again == hash)
        return Escape(known->second);
    char text[16];
    std::snprintf(text, sizeof text, "#%08X", static_cast<unsigned>(hash));
    return text;
}

bool ReadContextField(const std::string& field, std::uint32_t* hash, std::string* why) {
    *hash = 0;
    if (field.empty()) return true;
    if (field[0] == '#') {
        const std::string digits = field.substr(1);
        if (digits.empty() || digits.size() > 8 || !ReadNumber("0x" + digits, 0xFFFFFFFFu, hash)) {
            *why = "'" + field + "': '#' is followed by the topic hash in hex (at most 8 digits)";
            return false;
        }
        return true;
    }
    for (char c : field)
        if (IsBlank(c) || c == '>') {
            *why = "'" + field + "' is no context string: it holds " + (c == '>' ? "'>'" : "a blank") +
                   " (the window is the list's own, see 'window')";
            return false;
        }
    *hash = zyl::ContextHash(field.c_str(), field.size());
    return true;
}

void PutString(Bytes* file, const std::string& text) {
    file->insert(file->end(), text.begin(), text.end());
    file->push_back(0);
}

bool FitsTheModule(const Bytes& file, const char* kind, Problem* problem) {
    if (file.size() <= zyl::kWholeFileBytes) return true;
    *problem = Problem{0, "the file takes " + std::to_string(file.size()) + " bytes; the module reads at most 16384 of a " +
                              kind};
    return false;
}

}  // namespace zyllist
