#include "macrolang.h"

namespace zylmacro {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v'; }
bool IsSeparator(char c) { return c == ':' || c == ';'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c); }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = AsciiLower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// A character for a message: itself when printable, else \xNN.
std::string Shown(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F) return std::string("'") + c + "'";
    static const char kHex[] = "0123456789ABCDEF";
    return std::string("\\x") + kHex[u >> 4] + kHex[u & 15];
}

class Parser {
public:
    Parser(std::string_view text, MacroError* error) : s_(text), error_(error) {}

    bool Run(std::vector<Call>* calls) {
        for (std::size_t i = 0; i < s_.size(); ++i)
            if (s_[i] == '\0') return Fail(i, "NUL byte in the macro text");
        while (true) {
            while (pos_ < s_.size() && (IsBlank(s_[pos_]) || IsSeparator(s_[pos_]))) ++pos_;
            if (pos_ >= s_.size()) return true;
            Call call;
            if (!ParseCall(&call, 0)) return false;
            calls->push_back(std::move(call));
            SkipBlanks();
            if (pos_ >= s_.size()) return true;
            if (!IsSeparator(s_[pos_]))
                return Fail(pos_, "expected ':' or ';' after " + calls->back().name + "(...), found " + Shown(s_[pos_]));
        }
    }

private:
    bool Fail(std::size_t at, std::string message) {
        error_->offset = at;
        error_->message = std::move(message);
        return false;
    }

    void SkipBlanks() {
        while (pos_ < s_.size() && IsBlank(s_[pos_])) ++pos_;
    }

    std::string ReadName() {
        const std::size_t start = pos_;
        while (pos_ < s_.size() && IsNameChar(s_[pos_])) ++pos_;
        return std::string(s_.substr(start, pos_ - start));
    }

    bool ParseCall(Call* call, int depth) {
        const std::size_t start = pos_;
        if (pos_ >= s_.size() || !IsNameStart(s_[pos_]))
            return Fail(pos_, pos_ >= s_.size() ? "expected a macro name, the text ends"
                                                : "expected a macro name, found " + Shown(s_[pos_]));
        call->name = ReadName();
        call->offset = start;
        SkipBlanks();
        if (pos_ >= s_.size() || s_[pos_] != '(')
            return Fail(pos_, "expected '(' after " + call->name + " (write " + call->name + "() for no arguments)");
        const std::size_t open = pos_++;
        SkipBlanks();
        if (pos_ < s_.size() && s_[pos_] == ')') {
            ++pos_;
            call->text = std::string(s_.substr(start, pos_ - start));
            return true;
        }
        while (true) {
            if (pos_ >= s_.size())
                return Fail(open, "the arguments of " + call->name + " are not closed (a ')' is missing)");
            Arg arg;
            if (!ParseArg(&arg, *call, depth)) return false;
            call->args.push_back(std::move(arg));
            SkipBlanks();
            if (pos_ >= s_.size())
                return Fail(open, "the arguments of " + call->name + " are not closed (a ')' is missing)");
            const char c = s_[pos_];
            if (c == ')') {
                ++pos_;
                call->text = std::string(s_.substr(start, pos_ - start));
                return true;
            }
            if (c != ',') return Fail(pos_, "expected ',' or ')' in the arguments of " + call->name + ", found " + Shown(c));
            ++pos_;
            SkipBlanks();
        }
    }

    // An argument at pos_ (which is inside the text).
    bool ParseArg(Arg* arg, const Call& owner, int depth) {
        const char c = s_[pos_];
        if (c == '"' || c == '`') {
            arg->kind = Arg::Kind::String;
            return ParseString(&arg->text);
        }
        if (IsDigit(c) || c == '-' || c == '+') {
            const std::size_t start = pos_++;
            while (pos_ < s_.size() && IsNameChar(s_[pos_])) ++pos_;
            arg->kind = Arg::Kind::Number;
            arg->text = std::string(s_.substr(start, pos_ - start));
            if (!ParseNumber(arg->text, &arg->number))
                return Fail(start, "'" + arg->text + "' is not a number from -2147483648 to 4294967295");
            return true;
        }
        if (IsNameStart(c)) {
            const std::size_t start = pos_;
            std::string name = ReadName();
            SkipBlanks();
            if (pos_ < s_.size() && s_[pos_] == '(') {
                if (depth + 1 >= kMaxCallDepth) return Fail(start, "macros nested too deeply in arguments");
                pos_ = start;
                auto call = std::make_shared<Call>();
                if (!ParseCall(call.get(), depth + 1)) return false;
                arg->kind = Arg::Kind::Call;
                arg->text = call->text;
                arg->call = std::move(call);
                return true;
            }
            arg->kind = Arg::Kind::Name;
            arg->text = std::move(name);
            return true;
        }
        if (c == ',' || c == ')') return Fail(pos_, "an argument of " + owner.name + " is missing before " + Shown(c));
        return Fail(pos_, "unexpected " + Shown(c) + " in the arguments of " + owner.name);
    }

    // A string from its opening quote; nested pairs are part of it.
    bool ParseString(std::string* out) {
        const std::size_t open = pos_;
        std::vector<char> closers;
        closers.push_back(s_[pos_] == '"' ? '"' : '\'');
        std::size_t i = pos_ + 1;
        for (; i < s_.size(); ++i) {
            const char c = s_[i];
            if (c == closers.back()) {
                closers.pop_back();
                if (closers.empty()) break;
            } else if (c == '"') {
                closers.push_back('"');
            } else if (c == '`') {
                closers.push_back('\'');
            }
        }
        if (i >= s_.size())
            return Fail(open, s_[open] == '"' ? "unterminated string (a \"...\" string ends with \")"
                                              : "unterminated string (a `...' string ends with ')");
        *out = std::string(s_.substr(open + 1, i - open - 1));
        pos_ = i + 1;
        return true;
    }

    std::string_view s_;
    MacroError* error_;
    std::size_t pos_ = 0;
};

struct BuiltinEntry {
    Builtin which;
    const char* name;
    const char* shortName;   // or null
};

const BuiltinEntry kBuiltins[] = {
    {Builtin::RegisterRoutine, "RegisterRoutine", "RR"},
    {Builtin::JumpContext, "JumpContext", "JC"},
    {Builtin::JumpId, "JumpId", "JI"},
    {Builtin::JumpHash, "JumpHash", "JH"},
    {Builtin::PopupContext, "PopupContext", "PC"},
    {Builtin::PopupId, "PopupId", "PI"},
    {Builtin::PopupHash, "PopupHash", nullptr},
    {Builtin::Next, "Next", nullptr},
    {Builtin::Prev, "Prev", nullptr},
    {Builtin::Back, "Back", nullptr},
    {Builtin::Contents, "Contents", nullptr},
    {Builtin::PositionWindow, "PositionWindow", "PW"},
    {Builtin::ExecProgram, "ExecProgram", "EP"},
};

}  // namespace

std::string MacroError::ToString() const { return "column " + std::to_string(offset + 1) + ": " + message; }

bool ParseMacros(std::string_view text, std::vector<Call>* calls, MacroError* error) {
    calls->clear();
    MacroError ignored;
    Parser parser(text, error ? error : &ignored);
    return parser.Run(calls);
}

bool ParseNumber(std::string_view text, std::int64_t* value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int base = 10;
    if (text.size() - i > 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) return false;
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = base == 16 ? HexValue(text[i]) : (IsDigit(text[i]) ? text[i] - '0' : -1);
        if (digit < 0) return false;
        magnitude = magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (magnitude > 0xFFFFFFFFull) return false;
    }
    if (negative && magnitude > 0x80000000ull) return false;
    *value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}

bool ParsePrototype(std::string_view prototypeText, Prototype* out, std::string* error) {
    static const char kParams[] = "uUiIsS";
    auto isParam = [](char c) {
        for (const char* p = kParams; *p; ++p)
            if (*p == c) return true;
        return false;
    };
    Prototype proto;
    const std::size_t eq = prototypeText.find('=');
    if (eq != std::string_view::npos) {
        if (eq != 1 || !(isParam(prototypeText[0]) || prototypeText[0] == 'v')) {
            *error = "the result type before '=' must be one of u, U, i, I, s, S, v";
            return false;
        }
        proto.result = prototypeText[0];
        prototypeText.remove_prefix(2);
    }
    for (char c : prototypeText) {
        if (c == 'v') {
            *error = "'v' stands only for the result (\"v=...\")";
            return false;
        }
        if (!isParam(c)) {
            *error = Shown(c) + " is not a parameter type (u, U, i, I, s, S)";
            return false;
        }
        proto.params += c;
    }
    if (proto.params.size() > kMaxRoutineParams) {
        *error = "more than " + std::to_string(kMaxRoutineParams) + " parameters";
        return false;
    }
    *out = proto;
    return true;
}

bool FitNumber(char type, std::int64_t value, std::int64_t* out) {
    switch (type) {
    case 'u':
    case 'i':
        if (value < -32768 || value > 65535) return false;
        *out = type == 'u' ? (value & 0xFFFF) : static_cast<std::int16_t>(static_cast<std::uint16_t>(value & 0xFFFF));
        return true;
    case 'U':
    case 'I':
        if (value < -2147483648LL || value > 4294967295LL) return false;
        *out = type == 'U' ? (value & 0xFFFFFFFFLL)
                           : static_cast<std::int32_t>(static_cast<std::uint32_t>(value & 0xFFFFFFFFLL));
        return true;
    default:
        return false;
    }
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

Builtin FindBuiltin(std::string_view name) {
    for (const BuiltinEntry& b : kBuiltins)
        if (EqualNoCase(name, b.name) || (b.shortName && EqualNoCase(name, b.shortName))) return b.which;
    return Builtin::None;
}

const char* BuiltinName(Builtin which) {
    for (const BuiltinEntry& b : kBuiltins)
        if (b.which == which) return b.name;
    return "";
}

}  // namespace zylmacro
