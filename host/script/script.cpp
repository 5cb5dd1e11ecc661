#include "script.h"

#include <cstring>

#include "core/contexthash.h"

namespace zylscript {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

std::string_view TrimLeft(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    return s.substr(i);
}

std::string_view Trim(std::string_view s) {
    s = TrimLeft(s);
    std::size_t n = s.size();
    while (n > 0 && IsBlank(s[n - 1])) --n;
    return s.substr(0, n);
}

// Characters a backslash makes literal. Any other backslash stays as it is,
// so paths in window data need no doubling.
bool IsEscapable(char c) { return c != '\0' && std::strchr("{}\\|.;", c) != nullptr; }

std::vector<std::string_view> Words(std::string_view s) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && IsBlank(s[i])) ++i;
        std::size_t start = i;
        while (i < s.size() && !IsBlank(s[i])) ++i;
        if (i > start) words.push_back(s.substr(start, i - start));
    }
    return words;
}

bool ParseNumber(std::string_view s, std::uint32_t* out) {
    if (s.empty() || s.size() > 10) return false;
    std::uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v > 0xFFFFFFFFu) return false;
    *out = static_cast<std::uint32_t>(v);
    return true;
}

// RRGGBB as a colour reference (red in the low byte).
bool ParseColour(std::string_view s, std::uint32_t* out) {
    if (s.size() != 6) return false;
    std::uint32_t rgb = 0;
    for (char c : s) {
        const int digit = (c >= '0' && c <= '9') ? c - '0'
                          : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                          : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
        if (digit < 0) return false;
        rgb = rgb * 16 + static_cast<std::uint32_t>(digit);
    }
    *out = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
    return true;
}

// A font size in points, whole or with a half ("10", "10.5"), as half
// points from 2 to 255.
bool ParseHalfPoints(std::string_view s, int* out) {
    bool half = false;
    if (s.size() > 2 && s.compare(s.size() - 2, 2, ".5") == 0) {
        half = true;
        s.remove_suffix(2);
    }
    std::uint32_t points = 0;
    if (!ParseNumber(s, &points) || points > 127) return false;
    const int value = static_cast<int>(points) * 2 + (half ? 1 : 0);
    if (value < 2) return false;
    *out = value;
    return true;
}

// Cuts at every comma; pieces trimmed.
std::vector<std::string_view> CommaFields(std::string_view s) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= s.size(); ++i) {
        if (i == s.size() || s[i] == ',') {
            fields.push_back(Trim(s.substr(start, i - start)));
            start = i + 1;
        }
    }
    return fields;
}

constexpr std::size_t kMaxFaceName = 31;      // a face name and its terminator fill 32 bytes
constexpr std::size_t kMaxWindowName = 8;
constexpr std::size_t kMaxWindowCaption = 50;

// The inside of one {...}, with escapes resolved but remembered, so that a
// written "\|" or "\," never splits.
struct BraceChar {
    char c;
    bool escaped;
};

std::string Collect(const std::vector<BraceChar>& chars, std::size_t from, std::size_t to) {
    std::string s;
    for (std::size_t i = from; i < to && i < chars.size(); ++i) s += chars[i].c;
    return s;
}

std::size_t FindUnescaped(const std::vector<BraceChar>& chars, std::size_t from, char c) {
    for (std::size_t i = from; i < chars.size(); ++i)
        if (chars[i].c == c && !chars[i].escaped) return i;
    return std::string::npos;
}

class Parser {
public:
    Parser(Script* script, ParseError* error) : script_(script), error_(error) {}

    bool Run(std::string_view text) {
        static const char kBom[] = "\xEF\xBB\xBF";
        if (text.size() >= 3 && text.compare(0, 3, kBom) == 0) {
            script_->utf8 = true;
            text.remove_prefix(3);
        } else {
            bool high = false;
            for (char c : text) high = high || (static_cast<unsigned char>(c) >= 0x80);
            script_->utf8 = high && IsValidUtf8(text);
        }
        std::size_t pos = 0;
        while (pos <= text.size()) {
            std::size_t end = text.find('\n', pos);
            if (end == std::string_view::npos) end = text.size();
            std::string_view line = text.substr(pos, end - pos);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            ++lineNo_;
            if (!Line(line)) return false;
            pos = end + 1;
        }
        if (script_->topics.empty()) return Fail(0, "the script has no topic (start one with .topic CONTEXT)");
        for (Topic& t : script_->topics)
            if (t.title.empty()) t.title = t.context;
        return true;
    }

private:
    bool Fail(int line, std::string message) {
        error_->line = line;
        error_->message = std::move(message);
        return false;
    }
    bool Fail(std::string message) { return Fail(lineNo_, std::move(message)); }

    Topic* CurrentTopic() { return script_->topics.empty() ? nullptr : &script_->topics.back(); }

    bool Line(std::string_view raw) {
        if (raw.find('\0') != std::string_view::npos) return Fail("NUL byte in the line");
        std::string_view line = TrimLeft(raw);
        if (line.empty()) {
            EndParagraph();
            return true;
        }
        if (line[0] == ';') return true;   // comments do not break a paragraph
        if (line[0] == '.' && line.size() > 1 && IsAsciiLetter(line[1])) {
            EndParagraph();
            return Command(line.substr(1));
        }
        return Text(line);
    }

    bool Command(std::string_view line) {
        std::size_t n = 0;
        while (n < line.size() && IsAsciiLetter(line[n])) ++n;
        std::string_view name = line.substr(0, n);
        std::string_view rest = Trim(line.substr(n));
        if (n < line.size() && !IsBlank(line[n]))
            return Fail("unknown command ." + std::string(Trim(line)));
        Topic* topic = CurrentTopic();
        if (EqualNoCase(name, "topic")) return TopicCommand(rest);
        if (EqualNoCase(name, "title")) {
            if (rest.empty()) return Fail(".title needs the title text");
            std::string& title = topic ? topic->title : script_->title;
            if (!title.empty()) return Fail("second .title for the same " + std::string(topic ? "topic" : "file"));
            title = std::string(rest);
            return true;
        }
        if (EqualNoCase(name, "nsr") || EqualNoCase(name, "body")) {
            if (!topic) return Fail("." + std::string(name) + " before the first .topic");
            if (!rest.empty()) return Fail("." + std::string(name) + " takes nothing after it");
            inNsr_ = EqualNoCase(name, "nsr");
            return true;
        }
        if (EqualNoCase(name, "startup")) {
            if (rest.empty()) return Fail(".startup needs at least one macro");
            for (std::string& m : SplitMacros(rest)) script_->startupMacros.push_back(std::move(m));
            return true;
        }
        if (EqualNoCase(name, "entry")) {
            if (!topic) return Fail(".entry belongs to a topic: write it after .topic");
            if (rest.empty()) return Fail(".entry needs at least one macro");
            for (std::string& m : SplitMacros(rest)) topic->entryMacros.push_back(std::move(m));
            return true;
        }
        if (EqualNoCase(name, "helpfile")) return FileText("helpfile", rest, "a file name", &script_->helpFile);
        if (EqualNoCase(name, "background")) {
            if (topic) return Fail(".background must come before the first .topic");
            if (!ParseColour(rest, &script_->background)) return Fail(".background needs a colour as RRGGBB");
            script_->hasBackground = true;
            return true;
        }
        if (EqualNoCase(name, "copyright")) return FileText("copyright", rest, "the text", &script_->copyright);
        if (EqualNoCase(name, "font")) return FontCommand(rest);
        if (EqualNoCase(name, "window")) return WindowCommand(rest);
        if (EqualNoCase(name, "baggage")) return BaggageCommand(rest);
        return Fail("unknown command ." + std::string(name));
    }

    // A line that gives a text of the whole file, once, before the first topic.
    bool FileText(const char* command, std::string_view rest, const char* what, std::string* field) {
        const std::string dotted = std::string(".") + command;
        if (CurrentTopic()) return Fail(dotted + " must come before the first .topic");
        if (rest.empty()) return Fail(dotted + " needs " + what);
        if (!field->empty()) return Fail("second " + dotted);
        *field = std::string(rest);
        return true;
    }

    bool FontCommand(std::string_view rest) {
        if (CurrentTopic()) return Fail(".font must come before the first .topic");
        if (!script_->fontFace.empty()) return Fail("second .font");
        std::vector<std::string_view> f = CommaFields(rest);
        if (f[0].empty() || f.size() > 2) return Fail(".font needs a face name and may give a size: .font FACE, SIZE");
        if (f[0].size() > kMaxFaceName) return Fail("font face names have at most 31 characters");
        if (f.size() == 2 && !ParseHalfPoints(f[1], &script_->fontHalfPoints))
            return Fail("font size '" + std::string(f[1]) + "' is not a size in points from 1 to 127");
        script_->fontFace = std::string(f[0]);
        return true;
    }

    // .window NAME[, CAPTION[, X, Y, WIDTH, HEIGHT[, STATE[, BACKGROUND[, NSR]]]]]
    bool WindowCommand(std::string_view rest) {
        if (CurrentTopic()) return Fail(".window must come before the first .topic");
        std::vector<std::string_view> f = CommaFields(rest);
        WindowDef w;
        w.line = lineNo_;
        w.name = std::string(f[0]);
        if (w.name.empty() || w.name.size() > kMaxWindowName || w.name.find_first_of(" \t>") != std::string::npos)
            return Fail(".window needs a name of 1 to 8 characters without blanks or '>'");
        for (const WindowDef& other : script_->windows)
            if (EqualNoCase(other.name, w.name))
                return Fail("window '" + w.name + "' is already defined on line " + std::to_string(other.line));
        if (f.size() > 9) return Fail("too many fields after .window (NAME, CAPTION, X, Y, WIDTH, HEIGHT, STATE, COLOUR, COLOUR)");
        if (f.size() > 1) w.caption = std::string(f[1]);
        if (w.caption.size() > kMaxWindowCaption) return Fail("a window caption has at most 50 characters");
        int* numbers[] = {&w.x, &w.y, &w.width, &w.height, &w.state};
        for (std::size_t i = 2; i < f.size() && i < 7; ++i) {
            if (f[i].empty()) continue;
            std::uint32_t v = 0;
            const std::uint32_t limit = i == 6 ? 1 : 1023;
            if (!ParseNumber(f[i], &v) || v > limit)
                return Fail(i == 6 ? "window state '" + std::string(f[i]) + "' is not 0 (normal) or 1 (maximized)"
                                   : "window position '" + std::string(f[i]) + "' is not a number from 0 to 1023");
            *numbers[i - 2] = static_cast<int>(v);
        }
        std::uint32_t* colours[] = {&w.background, &w.nsrBackground};
        for (std::size_t i = 7; i < f.size(); ++i)
            if (!f[i].empty() && !ParseColour(f[i], colours[i - 7]))
                return Fail("window colour '" + std::string(f[i]) + "' is not RRGGBB");
        script_->windows.push_back(std::move(w));
        return true;
    }

    // .baggage PATH or .baggage NAME=PATH
    bool BaggageCommand(std::string_view rest) {
        BaggageRef b;
        b.line = lineNo_;
        const std::size_t eq = rest.find('=');
        if (eq != std::string_view::npos) {
            b.name = std::string(Trim(rest.substr(0, eq)));
            b.path = std::string(Trim(rest.substr(eq + 1)));
        } else {
            b.path = std::string(rest);
            const std::size_t slash = b.path.find_last_of("/\\");
            b.name = slash == std::string::npos ? b.path : b.path.substr(slash + 1);
        }
        if (b.path.empty() || b.name.empty()) return Fail(".baggage needs a file: .baggage PATH or .baggage NAME=PATH");
        script_->baggage.push_back(std::move(b));
        return true;
    }

    bool TopicCommand(std::string_view rest) {
        std::vector<std::string_view> words = Words(rest);
        if (words.empty()) return Fail(".topic needs a context string");
        if (words.size() > 2) return Fail("too many words after .topic (CONTEXT [NUMBER])");
        Topic topic;
        topic.context = std::string(words[0]);
        topic.line = lineNo_;
        if (topic.context.find('>') != std::string::npos)
            return Fail("context string '" + topic.context + "' contains '>', which names a window");
        int other = script_->FindTopic(topic.context);
        if (other >= 0)
            return Fail("context string '" + topic.context + "' is already used on line " +
                        std::to_string(script_->topics[other].line));
        if (words.size() == 2) {
            if (!ParseNumber(words[1], &topic.number))
                return Fail("topic number '" + std::string(words[1]) + "' is not a number from 0 to 4294967295");
            topic.hasNumber = true;
            for (const Topic& t : script_->topics)
                if (t.hasNumber && t.number == topic.number)
                    return Fail("topic number " + std::to_string(topic.number) + " is already used on line " +
                                std::to_string(t.line));
        }
        script_->topics.push_back(std::move(topic));
        inNsr_ = false;
        return true;
    }

    void EndParagraph() {
        paragraph_ = nullptr;
        style_ = TextStyle();   // formatting ends with the paragraph
    }

    void StartParagraph(bool lineBreakBefore) {
        std::vector<Paragraph>& list = inNsr_ ? CurrentTopic()->nsr : CurrentTopic()->body;
        list.emplace_back();
        paragraph_ = &list.back();
        paragraph_->line = lineNo_;
        paragraph_->lineBreakBefore = lineBreakBefore;
    }

    bool Text(std::string_view line) {
        Topic* topic = CurrentTopic();
        if (!topic) return Fail("text before the first .topic");
        if (!paragraph_) StartParagraph(false);
        else if (!paragraph_->segments.empty()) AddText(" ");   // a line break inside a paragraph is a blank
        std::string text;
        std::size_t i = 0;
        while (i < line.size()) {
            char c = line[i];
            if (c == '\\' && i + 1 < line.size() && IsEscapable(line[i + 1])) {
                text += line[i + 1];
                i += 2;
            } else if (c == '{') {
                AddText(text);
                text.clear();
                if (!Brace(line, &i)) return false;
            } else if (c == '}') {
                return Fail("'}' without '{' (write \\} for a literal brace)");
            } else {
                text += c;
                ++i;
            }
        }
        AddText(text);
        return true;
    }

    void AddText(const std::string& text) {
        if (text.empty()) return;
        std::vector<Segment>& segs = paragraph_->segments;
        if (!segs.empty() && segs.back().kind == Segment::Kind::Text && segs.back().style == style_) {
            segs.back().text += text;
            return;
        }
        Segment s;
        s.text = text;
        s.style = style_;
        s.line = lineNo_;
        segs.push_back(std::move(s));
    }

    // Reads the {...} that starts at line[*i]; leaves *i after the '}'.
    bool Brace(std::string_view line, std::size_t* i) {
        std::vector<BraceChar> chars;
        std::size_t j = *i + 1;
        bool closed = false;
        while (j < line.size()) {
            char c = line[j];
            if (c == '\\' && j + 1 < line.size() && IsEscapable(line[j + 1])) {
                chars.push_back({line[j + 1], true});
                j += 2;
                continue;
            }
            if (c == '}') {
                closed = true;
                ++j;
                break;
            }
            if (c == '{') return Fail("'{' inside braces (a '}' is missing, or write \\{)");
            chars.push_back({c, false});
            ++j;
        }
        if (!closed) return Fail("unterminated '{' (the closing '}' must be on the same line)");
        *i = j;

        // "{/b}": the closing form of a format switch.
        const bool closing = !chars.empty() && chars[0].c == '/' && !chars[0].escaped;
        std::size_t k = closing ? 1 : 0;
        while (k < chars.size() && !chars[k].escaped && IsAsciiLetter(chars[k].c)) ++k;
        std::string keyword = Collect(chars, 0, k);
        for (char& c : keyword) c = AsciiLower(c);
        if (k < chars.size() && !(IsBlank(chars[k].c) && !chars[k].escaped))
            keyword += Collect(chars, k, k + 1);   // "{ewl," is an unknown keyword, not ewl
        std::vector<BraceChar> rest(chars.begin() + static_cast<std::ptrdiff_t>(k), chars.end());

        if (keyword == "ewl" || keyword == "ewc" || keyword == "ewr") return Embedded(keyword[2], rest);
        if (keyword == "link") return Link(LinkKind::Jump, keyword, rest);
        if (keyword == "popup") return Link(LinkKind::Popup, keyword, rest);
        if (keyword == "macro") return Link(LinkKind::Macro, keyword, rest);
        if (keyword == "b" || keyword == "i" || keyword == "u" || keyword == "/b" || keyword == "/i" || keyword == "/u" ||
            keyword == "br") {
            if (!Trim(Collect(rest, 0, rest.size())).empty())
                return Fail("{" + keyword + "} takes nothing inside (write {b}bold{/b})");
            if (keyword == "br") {
                StartParagraph(true);   // the same paragraph, on a new line
                return true;
            }
            const char which = keyword.back();
            bool& flag = which == 'b' ? style_.bold : which == 'i' ? style_.italic : style_.underline;
            flag = !closing;
            return true;
        }
        if (keyword == "font") return FontSwitch(rest);
        if (keyword.empty()) return Fail("'{' must be followed by ewl, ewc, ewr, link, popup, macro, b, i, u, br or font (write \\{ for a literal brace)");
        return Fail("unknown {" + keyword + "} (expected ewl, ewc, ewr, link, popup, macro, b, i, u, br or font)");
    }

    // {font FACE, SIZE}: either may be left out to keep it; {font} returns
    // to the file's font.
    bool FontSwitch(const std::vector<BraceChar>& rest) {
        const std::string inside(Trim(Collect(rest, 0, rest.size())));
        if (inside.empty()) {
            style_.face.clear();
            style_.halfPoints = 0;
            return true;
        }
        std::vector<std::string_view> f = CommaFields(inside);
        if (f.size() > 2) return Fail("{font} takes a face name and a size: {font FACE, SIZE}");
        if (f[0].size() > kMaxFaceName) return Fail("font face names have at most 31 characters");
        int halfPoints = style_.halfPoints;
        if (f.size() == 2 && !f[1].empty() && !ParseHalfPoints(f[1], &halfPoints))
            return Fail("font size '" + std::string(f[1]) + "' is not a size in points from 1 to 127");
        if (!f[0].empty()) style_.face = std::string(f[0]);
        style_.halfPoints = halfPoints;
        return true;
    }

    bool Embedded(char align, const std::vector<BraceChar>& rest) {
        const std::string what = std::string("{ew") + align + "}";
        std::size_t c1 = FindUnescaped(rest, 0, ',');
        EmbeddedRef ref;
        ref.align = align;
        ref.dll = std::string(Trim(Collect(rest, 0, c1)));
        if (ref.dll.empty()) return Fail(what + " is missing the DLL name ({" + what.substr(1, 3) + " DLL, CLASS, data})");
        if (c1 == std::string::npos) return Fail(what + " is missing the window class after the DLL name");
        std::size_t c2 = FindUnescaped(rest, c1 + 1, ',');
        ref.className = std::string(Trim(Collect(rest, c1 + 1, c2)));
        if (ref.className.empty()) return Fail(what + " is missing the window class after the DLL name");
        if (c2 != std::string::npos) ref.data = std::string(TrimLeft(Collect(rest, c2 + 1, rest.size())));
        Segment s;
        s.kind = Segment::Kind::Embedded;
        s.ref = std::move(ref);
        s.line = lineNo_;
        paragraph_->segments.push_back(std::move(s));
        return true;
    }

    bool Link(LinkKind kind, const std::string& keyword, const std::vector<BraceChar>& rest) {
        std::size_t bar = FindUnescaped(rest, 0, '|');
        if (bar == std::string::npos) return Fail("{" + keyword + "} needs the text, '|' and the target");
        Segment s;
        s.kind = Segment::Kind::Link;
        s.link = kind;
        s.style = style_;
        s.line = lineNo_;
        s.text = std::string(Trim(Collect(rest, 0, bar)));
        s.target = std::string(Trim(Collect(rest, bar + 1, rest.size())));
        if (s.text.empty()) return Fail("{" + keyword + "} has no text before '|'");
        if (s.target.empty()) return Fail("{" + keyword + "} has no target after '|'");
        paragraph_->segments.push_back(std::move(s));
        return true;
    }

    Script* script_;
    ParseError* error_;
    int lineNo_ = 0;
    bool inNsr_ = false;
    Paragraph* paragraph_ = nullptr;   // the paragraph text lines are added to, or null
    TextStyle style_;                  // formatting in force in the paragraph
};

}  // namespace

int Script::FindTopic(std::string_view context) const {
    for (std::size_t i = 0; i < topics.size(); ++i)
        if (EqualNoCase(topics[i].context, context)) return static_cast<int>(i);
    return -1;
}

std::uint32_t Script::TopicNumber(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= topics.size()) return 0;
    const Topic& t = topics[static_cast<std::size_t>(index)];
    return t.hasNumber ? t.number : static_cast<std::uint32_t>(index);
}

int Script::FindTopicByNumber(std::uint32_t number) const {
    for (const auto& entry : contextNumbers)
        if (entry.first == number && entry.second >= 0 && static_cast<std::size_t>(entry.second) < topics.size())
            return entry.second;
    if (fromHelpFile) return -1;
    // A written number wins over a topic that only answers by its index.
    for (std::size_t i = 0; i < topics.size(); ++i)
        if (topics[i].hasNumber && topics[i].number == number) return static_cast<int>(i);
    if (number < topics.size() && !topics[number].hasNumber) return static_cast<int>(number);
    return -1;
}

int Script::FindTopicByHash(std::uint32_t hash) const {
    for (const auto& entry : contextHashes)
        if (entry.first == hash && entry.second >= 0 && static_cast<std::size_t>(entry.second) < topics.size())
            return entry.second;
    for (std::size_t i = 0; i < topics.size(); ++i)
        if (ContextHash(topics[i].context) == hash) return static_cast<int>(i);
    return -1;
}

std::string ParseError::ToString() const {
    return line > 0 ? "line " + std::to_string(line) + ": " + message : message;
}

bool ParseScript(std::string_view text, Script* script, ParseError* error) {
    *script = Script();
    ParseError ignored;
    Parser parser(script, error ? error : &ignored);
    return parser.Run(text);
}

std::vector<std::string> SplitMacros(std::string_view text) {
    std::vector<std::string> out;
    int depth = 0;
    char quote = 0;   // the character that closes the open quote
    std::size_t start = 0;
    auto take = [&](std::size_t end) {
        std::string_view piece = Trim(text.substr(start, end - start));
        if (!piece.empty()) out.emplace_back(piece);
        start = end + 1;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"') {
            quote = '"';
        } else if (c == '`') {
            quote = '\'';   // `text' quoting of help macros
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (depth > 0) --depth;
        } else if (c == ';' && depth == 0) {
            take(i);
        }
    }
    if (start <= text.size()) take(text.size());
    return out;
}

std::uint32_t ContextHash(std::string_view context) { return zyl::ContextHash(context.data(), context.size()); }

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t len;
        std::uint32_t cp;
        if (c < 0x80) { ++i; continue; }
        if (c >= 0xC2 && c <= 0xDF) { len = 2; cp = c & 0x1F; }
        else if (c >= 0xE0 && c <= 0xEF) { len = 3; cp = c & 0x0F; }
        else if (c >= 0xF0 && c <= 0xF4) { len = 4; cp = c & 0x07; }
        else return false;
        if (text.size() - i < len) return false;
        for (std::size_t k = 1; k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

void SplitWindowSuffix(std::string_view target, std::string* context, std::string* window) {
    std::size_t gt = target.find('>');
    if (gt == std::string_view::npos) {
        *context = std::string(Trim(target));
        window->clear();
        return;
    }
    *context = std::string(Trim(target.substr(0, gt)));
    *window = std::string(Trim(target.substr(gt + 1)));
}

}  // namespace zylscript
