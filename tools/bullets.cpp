#include "bullets.h"

#include <cstdio>
#include <cstring>

#include "controls/animbullet_parse.h"
#include "core/wholefile.h"

namespace zyllist {

const char kBulletHeader[] = "bullet list";

namespace {

struct StyleWord {
    const char* word;
    std::uint16_t bit;
};
// In the order they are written back.
const StyleWord kStyleWords[] = {
    {"bold", zyl::kBulletBold},   {"italic", zyl::kBulletItalic}, {"underline", zyl::kBulletUnderline},
    {"black", zyl::kBulletBlack}, {"colour", zyl::kBulletColour}, {"color", zyl::kBulletColour},
};

constexpr std::size_t kLongestWindowName = 8;

struct Settings {
    std::uint16_t style = 0;
    std::uint32_t colour = 0;
    std::uint16_t fontSize = 0;
    std::string face, window;
};

void Put16(Bytes* b, std::uint32_t v) {
    b->push_back(static_cast<std::uint8_t>(v));
    b->push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes* b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

bool ReadStyle(const std::string& value, std::uint16_t* style, std::string* why) {
    std::uint32_t bits = 0;
    std::string word;
    for (std::size_t i = 0; i <= value.size(); ++i) {
        const char c = i < value.size() ? value[i] : ' ';
        if (c != ' ' && c != '\t' && c != ',') {
            word += c;
            continue;
        }
        if (word.empty()) continue;
        std::uint32_t number = 0;
        bool known = ReadNumber(word, 0xFFFF, &number);
        for (const StyleWord& w : kStyleWords)
            if (Lower(word) == w.word) number = w.bit, known = true;
        if (!known) {
            *why = "unknown style '" + word + "' (bold, italic, underline, black, colour or a number)";
            return false;
        }
        bits |= number;
        word.clear();
    }
    *style = static_cast<std::uint16_t>(bits);
    return true;
}

bool ReadColour(const std::string& value, std::uint32_t* colour, std::string* why) {
    const std::string v = !value.empty() && value[0] == '#' ? value.substr(1) : value;
    std::uint32_t rgb = 0;
    if (v.size() > 2 && (v[1] == 'x' || v[1] == 'X')) {
        if (ReadNumber(v, 0xFFFFFFFFu, colour)) return true;
    } else if (v.size() == 6 && ReadNumber("0x" + v, 0xFFFFFF, &rgb)) {
        *colour = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
        return true;
    }
    *why = "a colour is RRGGBB in hex (000080 is navy), or 0x and the colour reference as stored";
    return false;
}

bool ReadFont(const std::string& value, Settings* s, std::string* why) {
    const std::vector<std::string> parts = SplitFields(value, ',');
    std::uint32_t size = 0;
    std::string sizeText;
    if (parts.size() > 2 || !Unescape(parts[0], &s->face) ||
        (parts.size() == 2 && Unescape(parts[1], &sizeText) && !sizeText.empty() &&
         !ReadNumber(sizeText, 0xFFFF, &size))) {
        *why = "write the font as FACE, SIZE (a size up to 65535; either part may be left empty)";
        return false;
    }
    s->fontSize = static_cast<std::uint16_t>(size);
    return true;
}

// One "KEY VALUE" line before the items.
bool ReadSetting(const TextLine& line, Settings* s, std::vector<std::string>* seen, Problem* problem) {
    const std::size_t blank = line.text.find_first_of(" \t");
    const std::string key = Lower(line.text.substr(0, blank));
    const std::string value = blank == std::string::npos ? "" : line.text.substr(line.text.find_first_not_of(" \t", blank));
    const std::string canonical = key == "color" ? "colour" : key;
    for (const std::string& k : *seen)
        if (k == canonical) {
            *problem = Problem{line.number, "'" + key + "' is given twice"};
            return false;
        }
    seen->push_back(canonical);
    std::string why;
    bool ok = true;
    if (canonical == "style") ok = ReadStyle(value, &s->style, &why);
    else if (canonical == "colour") ok = ReadColour(value, &s->colour, &why);
    else if (canonical == "font") ok = ReadFont(value, s, &why);
    else if (canonical == "window") {
        ok = Unescape(value, &s->window);
        if (!ok) why = "a window name holds no 0 byte";
    } else {
        ok = false;
        why = "unknown line '" + line.text +
              "': settings are style, colour, font and window; an item is TEXT | COMMENT | CONTEXT";
    }
    if (!ok) *problem = Problem{line.number, why};
    return ok;
}

bool ReadItem(const TextLine& line, Bytes* items, Problem* problem) {
    const std::vector<std::string> fields = SplitFields(line.text, '|');
    std::string text, comment, context, why;
    std::uint32_t hash = 0;
    if (fields.size() != 3) why = "an item is TEXT | COMMENT | CONTEXT: two '|' (write \\| for a bar in a text)";
    else if (!Unescape(fields[0], &text) || !Unescape(fields[1], &comment) || !Unescape(fields[2], &context))
        why = "a text holds no 0 byte";
    else if (text.empty()) why = "an item needs a text (an empty one would end the list)";
    else ReadContextField(context, &hash, &why);
    if (!why.empty()) {
        *problem = Problem{line.number, why};
        return false;
    }
    PutString(items, text);
    PutString(items, comment);
    Put32(items, hash);
    return true;
}

void Note(std::vector<std::string>* notes, const std::string& text) {
    if (notes) notes->push_back(text);
}

// What in a file that the module reads shows other than an author may expect.
void NoteSettings(const zyl::BulletFile& f, std::vector<std::string>* notes) {
    if (std::strlen(f.window) > kLongestWindowName)
        Note(notes, std::string("window '") + f.window + "' is longer than a help window's name (8 characters)");
    if (*f.face && f.fontSize < 6)
        Note(notes, "font size " + std::to_string(f.fontSize) + " is below 6: the list uses its 16-pixel font");
    if (f.colour != 0 && !(f.style & zyl::kBulletColour))
        Note(notes, "the colour shows only with style 'colour'");
    for (int i = 0; i < f.count; ++i)
        if (f.items[i].hash == 0)
            Note(notes, "item " + std::to_string(i + 1) + " (" + f.items[i].text + ") has no topic: it cannot be clicked");
}

bool ReadFile(const Bytes& file, zyl::BulletFile* out, std::string* why) {
    // The module reads the first 16384 bytes.
    const std::size_t size = file.size() < zyl::kWholeFileBytes ? file.size() : zyl::kWholeFileBytes;
    const zyl::BulletFault fault = zyl::ReadBulletFile(file.data(), size, out);
    if (fault == zyl::BulletFault::kNone) return true;
    *why = zyl::BulletFaultText(fault);
    if (file.size() > zyl::kWholeFileBytes) *why += " (the module reads only its first 16384 bytes)";
    return false;
}

}  // namespace

bool CompileBullets(const std::vector<TextLine>& lines, Bytes* out, Problem* problem) {
    Settings s;
    std::vector<std::string> seen;
    Bytes items;
    int count = 0;
    for (const TextLine& line : lines) {
        if (SplitFields(line.text, '|').size() == 1) {
            if (count > 0) {
                *problem = Problem{line.number, "settings come before the items (an item needs two '|')"};
                return false;
            }
            if (!ReadSetting(line, &s, &seen, problem)) return false;
            continue;
        }
        if (++count > zyl::kMaxBulletItems) {
            *problem = Problem{line.number, "a list holds at most 62 items"};
            return false;
        }
        if (!ReadItem(line, &items, problem)) return false;
    }
    out->clear();
    Put16(out, static_cast<std::uint32_t>(count));
    Put16(out, s.style);
    Put32(out, s.colour);
    Put16(out, s.fontSize);
    PutString(out, s.face);
    PutString(out, s.window);
    out->insert(out->end(), items.begin(), items.end());
    out->push_back(0);
    return FitsTheModule(*out, "bullet file", problem);
}

bool DecompileBullets(const Bytes& file, const Contexts& contexts, std::string* text, std::string* why) {
    zyl::BulletFile f;
    if (!ReadFile(file, &f, why)) return false;
    std::string t = std::string(kBulletHeader) + "\n";
    if (f.style) {
        std::string words;
        std::uint16_t rest = f.style;
        for (const StyleWord& w : kStyleWords)
            if ((rest & w.bit) && std::strcmp(w.word, "color") != 0) {
                words += std::string(words.empty() ? "" : " ") + w.word;
                rest = static_cast<std::uint16_t>(rest & ~w.bit);
            }
        if (rest) words += (words.empty() ? "" : " ") + std::to_string(rest);
        t += "style " + words + "\n";
    }
    if (f.colour) {
        char colour[16];
        if (f.colour <= 0xFFFFFF)
            std::snprintf(colour, sizeof colour, "%02X%02X%02X", static_cast<unsigned>(f.colour & 0xFF),
                          static_cast<unsigned>((f.colour >> 8) & 0xFF), static_cast<unsigned>(f.colour >> 16));
        else
            std::snprintf(colour, sizeof colour, "0x%08X", static_cast<unsigned>(f.colour));
        t += std::string("colour ") + colour + "\n";
    }
    if (*f.face || f.fontSize)
        t += "font " + Escape(f.face, "|,") + (f.fontSize ? ", " + std::to_string(f.fontSize) : "") + "\n";
    if (*f.window) t += "window " + Escape(f.window) + "\n";
    for (int i = 0; i < f.count; ++i) {
        const zyl::BulletItem& item = f.items[i];
        const std::string comment = Escape(item.comment), context = contexts.Field(item.hash);
        t += Escape(item.text) + " |" + (comment.empty() ? "" : " " + comment) + " |" +
             (context.empty() ? "" : " " + context) + "\n";
    }
    *text = TextFile(t);
    return true;
}

bool CheckBullets(const Bytes& file, std::string* summary, std::vector<std::string>* notes) {
    zyl::BulletFile f;
    std::string why;
    if (!ReadFile(file, &f, &why)) {
        *summary = "the module refuses it (\"Missing or corrupted bullet file\"): " + why;
        return false;
    }
    *summary = std::to_string(f.count) + (f.count == 1 ? " item" : " items") + "; the module shows it";
    NoteSettings(f, notes);
    return true;
}

}  // namespace zyllist
