#include "zylhc.h"

#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>

#include "core/contexthash.h"
#include "core/helpfile.h"
#include "core/helpfile_writer.h"
#include "ansi.h"
#include "helpwriter.h"
#include "outputfile.h"
#include "script.h"

namespace zylhc {

namespace {

const char kUsage[] =
    "usage: zylhc [--compress] [--phrases|--hall] SCRIPT OUT.hlp [FILE|NAME=PATH]...\n"
    "Compiles a topic script into a help file. The FILEs are stored in it as\n"
    "internal files, next to those the script names with .baggage.\n"
    "  --compress   LZ77-compress the topic text\n"
    "  --phrases    phrase-compress the text (a |Phrases file, as the 3.1 compiler does)\n"
    "  --hall       phrase-compress the text (|PhrIndex and |PhrImage, as the 4.0 compiler does)\n";

constexpr std::uint64_t kMaxScriptBytes = 64u << 20;
constexpr std::size_t kMaxTitleBytes = 255;
constexpr const char* kDefaultFace = "Arial";
constexpr int kDefaultHalfPoints = 20;

// What went wrong, and where in the script.
struct Failure {
    int line = 0;
    std::string message;
};

bool ReadAll(zyl::FileSystem& files, const std::string& path, std::uint64_t limit, Bytes* out, std::string* why) {
    std::unique_ptr<zyl::ByteSource> source(files.OpenForReading(path.c_str()));
    if (!source) {
        *why = "cannot open '" + path + "'";
        return false;
    }
    if (source->Size() > limit) {
        *why = "'" + path + "' is too large";
        return false;
    }
    out->resize(static_cast<std::size_t>(source->Size()));
    std::size_t at = 0;
    while (at < out->size()) {
        const std::int32_t got = source->Read(out->data() + at, static_cast<std::uint32_t>(out->size() - at));
        if (got <= 0) break;
        at += static_cast<std::size_t>(got);
    }
    if (at != out->size()) {
        *why = "cannot read '" + path + "'";
        return false;
    }
    return true;
}

// Text of a UTF-8 script in the help file's code page (Windows-1252); a
// script in the ANSI code page is taken as it is.
bool ToAnsi(const std::string& in, bool utf8, std::string* out, std::string* why) {
    if (utf8) return zyltools::Utf8ToAnsi(in, out, why);
    *out = in;
    return true;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool IsAbsolute(const std::string& path) {
    return (!path.empty() && (path[0] == '/' || path[0] == '\\')) || (path.size() > 1 && path[1] == ':');
}

// Turns a parsed script into the document the writer lays out.
class Builder {
public:
    Builder(const zylscript::Script& script, HelpDocument* doc) : script_(script), doc_(doc) {}

    bool Build(Failure* failure) {
        failure_ = failure;
        if (!Ansi(script_.title, 0, &doc_->title) || !Ansi(script_.copyright, 0, &doc_->copyright)) return false;
        for (const std::string& m : script_.startupMacros) {
            doc_->startupMacros.emplace_back();
            if (!Ansi(m, 0, &doc_->startupMacros.back())) return false;
        }
        FontDescriptor base;
        base.halfPoints = script_.fontHalfPoints ? script_.fontHalfPoints : kDefaultHalfPoints;
        if (!Ansi(script_.fontFace.empty() ? kDefaultFace : script_.fontFace, 0, &base.face)) return false;
        doc_->fonts.push_back(base);
        for (const zylscript::WindowDef& w : script_.windows) {
            HelpWindow h;
            h.name = w.name;
            h.x = w.x, h.y = w.y, h.width = w.width, h.height = w.height, h.state = w.state;
            h.background = w.background;
            h.nsrBackground = w.nsrBackground;
            if (!Ansi(w.name, w.line, &h.name) || !Ansi(w.caption, w.line, &h.caption)) return false;
            doc_->windows.push_back(h);
        }
        // The file's background colour is the main window's, in both regions.
        if (script_.hasBackground) {
            HelpWindow& main = doc_->windows[MainWindow()];
            if (main.background == kNoColour) main.background = script_.background;
            if (main.nsrBackground == kNoColour) main.nsrBackground = script_.background;
        }
        for (std::size_t i = 0; i < script_.topics.size(); ++i)
            if (!Topic(i)) return false;
        return true;
    }

private:
    bool Fail(int line, std::string message) {
        failure_->line = line;
        failure_->message = std::move(message);
        return false;
    }

    bool Ansi(const std::string& text, int line, std::string* out) {
        std::string why;
        return ToAnsi(text, script_.utf8, out, &why) || Fail(line, why);
    }

    std::size_t MainWindow() {
        for (std::size_t i = 0; i < doc_->windows.size(); ++i)
            if (EqualNoCase(doc_->windows[i].name, "main")) return i;
        HelpWindow main;
        main.name = "main";
        doc_->windows.push_back(main);
        return doc_->windows.size() - 1;
    }

    std::uint32_t Font(const zylscript::TextStyle& style, int line, bool* ok) {
        FontDescriptor f = doc_->fonts[0];
        if (!style.face.empty()) *ok = *ok && Ansi(style.face, line, &f.face);
        if (style.halfPoints) f.halfPoints = style.halfPoints;
        f.bold = style.bold;
        f.italic = style.italic;
        f.underline = style.underline;
        for (std::size_t i = 0; i < doc_->fonts.size(); ++i)
            if (doc_->fonts[i] == f) return static_cast<std::uint32_t>(i);
        doc_->fonts.push_back(f);
        return static_cast<std::uint32_t>(doc_->fonts.size() - 1);
    }

    bool Topic(std::size_t index) {
        const zylscript::Topic& t = script_.topics[index];
        HelpTopic topic;
        if (!Ansi(t.title, t.line, &topic.title)) return false;
        if (topic.title.size() > kMaxTitleBytes) return Fail(t.line, "topic title longer than 255 bytes");
        topic.hash = zyl::ContextHash(t.context.c_str(), t.context.size());
        if (!Ansi(t.context, t.line, &topic.context)) return false;
        const auto known = hashes_.emplace(topic.hash, index);
        if (!known.second)
            return Fail(t.line, "context strings '" + script_.topics[known.first->second].context + "' and '" +
                                    t.context + "' have the same hash; rename one of them");
        if (!Region(t.nsr, &topic.nsr) || !Region(t.body, &topic.body)) return false;
        doc_->topics.push_back(std::move(topic));
        // Context numbers: the topic's own, else its position unless a
        // topic claims that number for itself.
        const std::uint32_t number = script_.TopicNumber(static_cast<int>(index));
        if (script_.FindTopicByNumber(number) == static_cast<int>(index)) doc_->map.push_back(MapEntry{number, index});
        return true;
    }

    bool Region(const std::vector<zylscript::Paragraph>& in, std::vector<HelpParagraph>* out) {
        std::uint32_t font = 0;
        bool haveFont = false;
        for (const zylscript::Paragraph& p : in) {
            if (p.lineBreakBefore && !out->empty()) {
                out->back().items.push_back(Item{ItemKind::LineBreak, {}, 0, -1, 'c'});
            } else {
                out->emplace_back();
                haveFont = false;
                ParagraphLayout& l = out->back().layout;
                const zylscript::ParagraphFormat& f = p.format;
                l.spaceAbove = f.spaceAbove, l.spaceBelow = f.spaceBelow, l.lineSpacing = f.lineSpacing;
                l.leftIndent = f.leftIndent, l.rightIndent = f.rightIndent, l.firstIndent = f.firstIndent;
                l.align = f.align;
                for (const zylscript::TabStop& tab : f.tabs) l.tabs.emplace_back(tab.position, tab.align);
            }
            std::vector<Item>& items = out->back().items;
            for (const zylscript::Segment& s : p.segments) {
                if (s.kind == zylscript::Segment::Kind::Embedded) {
                    Item w;
                    w.kind = ItemKind::Window;
                    w.align = s.ref.align;
                    if (!Ansi(s.ref.dll + "," + s.ref.className + "," + s.ref.data, s.line, &w.text)) return false;
                    if (w.text.size() > kMaxUncutBytes)
                        return Fail(s.line, "embedded window reference longer than 1024 bytes");
                    items.push_back(std::move(w));
                    continue;
                }
                bool ok = true;
                const std::uint32_t f = Font(s.style, s.line, &ok);
                if (!ok) return false;
                if (!haveFont || f != font) items.push_back(Item{ItemKind::Font, {}, f, -1, 'c'});
                font = f;
                haveFont = true;
                Item text;
                if (!Ansi(s.text, s.line, &text.text)) return false;
                if (s.kind == zylscript::Segment::Kind::Text) {
                    // A tab is a command of its own.
                    std::size_t start = 0;
                    for (std::size_t tab; (tab = text.text.find('\t', start)) != std::string::npos; start = tab + 1) {
                        if (tab > start) items.push_back(Item{ItemKind::Text, text.text.substr(start, tab - start), 0, -1, 'c'});
                        items.push_back(Item{ItemKind::Tab, {}, 0, -1, 'c'});
                    }
                    if (start < text.text.size()) items.push_back(Item{ItemKind::Text, text.text.substr(start), 0, -1, 'c'});
                    continue;
                }
                Item link;
                if (!Link(s, &link)) return false;
                if (text.text.size() > kMaxUncutBytes) return Fail(s.line, "link text longer than 1024 bytes");
                items.push_back(std::move(link));
                items.push_back(std::move(text));
                items.push_back(Item{ItemKind::LinkEnd, {}, 0, -1, 'c'});
            }
        }
        return true;
    }

    bool Link(const zylscript::Segment& s, Item* link) {
        if (s.link == zylscript::LinkKind::Macro) {
            link->kind = ItemKind::Macro;
            if (!Ansi(s.target, s.line, &link->text)) return false;
            if (link->text.size() > kMaxUncutBytes) return Fail(s.line, "macro longer than 1024 bytes");
            return true;
        }
        std::string context, window;
        zylscript::SplitWindowSuffix(s.target, &context, &window);
        const bool popup = s.link == zylscript::LinkKind::Popup;
        const int topic = script_.FindTopic(context);
        if (topic < 0)
            return Fail(s.line, std::string(popup ? "popup of" : "jump to") + " unknown context string '" + context + "'");
        link->kind = popup ? ItemKind::Popup : ItemKind::Jump;
        const std::string& named = script_.topics[static_cast<std::size_t>(topic)].context;
        link->value = zyl::ContextHash(named.c_str(), named.size());
        if (s.target.find('>') == std::string::npos) return true;
        if (popup) return Fail(s.line, "a popup shows in a window of its own: drop '>" + window + "'");
        if (EqualNoCase(window, "main")) {
            link->window = static_cast<int>(MainWindow());
            return true;
        }
        for (std::size_t i = 0; i < doc_->windows.size(); ++i)
            if (EqualNoCase(doc_->windows[i].name, window)) {
                link->window = static_cast<int>(i);
                return true;
            }
        return Fail(s.line, "window '" + window + "' is not defined (add .window " + window + ", CAPTION)");
    }

    const zylscript::Script& script_;
    HelpDocument* doc_;
    Failure* failure_ = nullptr;
    std::map<std::uint32_t, std::size_t> hashes_;   // of the topics so far
};

struct Member {
    std::string name;
    Bytes bytes;
};

// A file the help file carries, with the checks of its name.
bool AddBaggage(zyl::FileSystem& files, const std::string& name, const std::string& path, std::vector<Member>* members,
                std::string* why) {
    if (name.empty() || name.size() > zyl::kMaxMemberName || name.find('\0') != std::string::npos) {
        *why = "'" + name + "': an internal file name has 1 to 255 bytes";
        return false;
    }
    if (name[0] == '|') {
        *why = "'" + name + "': names starting with '|' belong to the help file itself";
        return false;
    }
    for (const Member& m : *members)
        if (EqualNoCase(m.name, name)) {
            *why = "'" + name + "' is given twice (names are compared with case ignored)";
            return false;
        }
    Member m;
    m.name = name;
    if (!ReadAll(files, path, 0x7FFFFFF0u, &m.bytes, why)) return false;
    members->push_back(std::move(m));
    return true;
}

std::string Where(const std::string& script, const Failure& f) {
    return f.line > 0 ? script + ":" + std::to_string(f.line) + ": " + f.message : script + ": " + f.message;
}

}  // namespace

bool Compile(zyl::FileSystem& files, const std::string& scriptPath, const std::vector<std::string>& extraFiles,
             const CompileOptions& options, Bytes* helpFile, std::string* error) {
    Bytes text;
    if (!ReadAll(files, scriptPath, kMaxScriptBytes, &text, error)) return false;
    zylscript::Script script;
    zylscript::ParseError parseError;
    const std::string source(reinterpret_cast<const char*>(text.data()), text.size());
    if (!zylscript::ParseScript(source, &script, &parseError)) {
        *error = Where(scriptPath, Failure{parseError.line, parseError.message});
        return false;
    }

    HelpDocument doc;
    doc.compress = options.compress;
    doc.phrases = options.hall ? HelpDocument::Phrases::kHall
                  : options.phrases ? HelpDocument::Phrases::kPhrases
                                    : HelpDocument::Phrases::kNone;
    doc.date = options.date;
    Failure failure;
    if (!Builder(script, &doc).Build(&failure)) {
        *error = Where(scriptPath, failure);
        return false;
    }
    std::vector<InternalFile> system;
    std::string why;
    if (!WriteHelpFiles(doc, &system, &why)) {
        *error = Where(scriptPath, Failure{0, why});
        return false;
    }

    std::vector<Member> members;
    for (InternalFile& f : system) members.push_back(Member{f.name, std::move(f.bytes)});
    for (const zylscript::BaggageRef& b : script.baggage) {
        const std::string path = IsAbsolute(b.path) ? b.path : DirectoryOf(scriptPath) + b.path;
        if (!AddBaggage(files, b.name, path, &members, &why)) {
            *error = Where(scriptPath, Failure{b.line, why});
            return false;
        }
    }
    for (const std::string& arg : extraFiles) {
        const std::size_t eq = arg.find('=');
        const std::size_t slash = arg.find_last_of("/\\");
        const std::string name = eq != std::string::npos ? arg.substr(0, eq)
                                 : slash == std::string::npos ? arg : arg.substr(slash + 1);
        if (!AddBaggage(files, name, eq != std::string::npos ? arg.substr(eq + 1) : arg, &members, error)) return false;
    }

    std::vector<zyl::ContainerMember> plan(members.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        plan[i].name = members[i].name;
        plan[i].size = static_cast<std::uint32_t>(members[i].bytes.size());
    }
    if (!zyl::PlanContainer(&plan, helpFile, &why)) {
        *error = why;
        return false;
    }
    for (const Member& m : members) {
        std::uint8_t header[zyl::kInternalHeaderBytes];
        zyl::MakeInternalFileHeader(static_cast<std::uint32_t>(m.bytes.size()), 0, header);
        helpFile->insert(helpFile->end(), header, header + sizeof header);
        helpFile->insert(helpFile->end(), m.bytes.begin(), m.bytes.end());
    }
    return true;
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CompileOptions options;
    std::vector<std::string> positional;
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            out << kUsage;
            return 0;
        }
        if (a == "--compress" || a == "-z") options.compress = true;
        else if (a == "--phrases") options.phrases = true;
        else if (a == "--hall") options.hall = true;
        else if (a.size() > 1 && a[0] == '-') {
            err << "zylhc: unknown option " << a << "\n" << kUsage;
            return 2;
        } else positional.push_back(a);
    }
    if (positional.size() < 2 || (options.phrases && options.hall)) {
        err << kUsage;
        return 2;
    }
    // SOURCE_DATE_EPOCH makes the output reproducible.
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    options.date = epoch ? static_cast<std::uint32_t>(std::strtoul(epoch, nullptr, 10))
                         : static_cast<std::uint32_t>(std::time(nullptr));
    const std::string& script = positional[0];
    const std::string& target = positional[1];
    Bytes help;
    std::string error;
    if (!Compile(zyl::PosixFiles(), script, std::vector<std::string>(positional.begin() + 2, positional.end()), options,
                 &help, &error)) {
        err << "zylhc: " << error << "\n";
        return 1;
    }
    zyltools::OutputFile file(target);
    file.Write(help.data(), help.size());
    if (!file.Commit()) {
        err << "zylhc: cannot write '" << target << "'\n";
        return 1;
    }
    return 0;
}

}  // namespace zylhc
