#include "zyllist.h"

#include <memory>

#include "bullets.h"
#include "core/helpfile.h"
#include "listtext.h"
#include "outputfile.h"
#include "tabs.h"
#include "zylpack.h"

namespace zyllist {

namespace {

const char kUsage[] =
    "usage: zyllist compile TEXT [OUT]\n"
    "       zyllist compile TEXT --into HELPFILE [NAME]\n"
    "       zyllist decompile [--contexts SCRIPT] FILE [OUT]\n"
    "       zyllist decompile [--contexts SCRIPT] --from HELPFILE NAME [OUT]\n"
    "       zyllist --check FILE | --check --from HELPFILE NAME\n"
    "A list's kind comes from its text's first line or the file's extension;\n"
    "--kind NAME (bullets, tabs) says it. OUT \"-\" is the standard output.\n";

constexpr std::uint64_t kMaxTextBytes = 1 << 20;
constexpr char kScriptMember[] = "topics.hts";

// One kind of list file: a new kind is one more row.
struct Kind {
    const char* name;         // for --kind
    const char* header;       // the first line of its text
    const char* extension;    // of the compiled file
    bool (*compile)(const std::vector<TextLine>& lines, Bytes* out, Problem* problem);
    bool (*decompile)(const Bytes& file, const Contexts& contexts, std::string* text, std::string* why);
    bool (*check)(const Bytes& file, std::string* summary, std::vector<std::string>* notes);
};

const Kind kKinds[] = {
    {"bullets", kBulletHeader, ".bul", CompileBullets, DecompileBullets, CheckBullets},
    {"tabs", kTabHeader, ".tab", CompileTabs, DecompileTabs, CheckTabs},
};

// What went wrong, for the message.
struct Failure {
    std::string message;
};

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && Lower(s.substr(s.size() - tail.size())) == tail;
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The first line of a text that is neither blank nor a comment, trimmed.
std::string FirstLine(const std::string& text) {
    std::size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        const std::size_t a = line.find_first_not_of(" \t\r");
        if (a == std::string::npos || line[a] == ';') continue;
        return line.substr(a, line.find_last_not_of(" \t\r") + 1 - a);
    }
    return "";
}

const Kind* KindNamed(const std::string& name) {
    for (const Kind& k : kKinds)
        if (Lower(name) == k.name) return &k;
    return nullptr;
}

const Kind* KindOfText(const std::string& text) {
    const std::string first = Lower(FirstLine(text));
    for (const Kind& k : kKinds)
        if (first == k.header) return &k;
    return nullptr;
}

const Kind* KindOfName(const std::string& name, const std::string& forced, Failure* failure) {
    if (!forced.empty()) {
        if (const Kind* k = KindNamed(forced)) return k;
        failure->message = "unknown kind '" + forced + "' (bullets, tabs)";
        return nullptr;
    }
    for (const Kind& k : kKinds)
        if (EndsWith(name, k.extension)) return &k;
    failure->message = "cannot tell what kind of list '" + name + "' is from its name (.bul: bullets, .tab: tabs); add --kind";
    return nullptr;
}

bool ReadDisk(const std::string& path, Bytes* out, Failure* failure) {
    std::unique_ptr<zyl::ByteSource> source(zyl::PosixFiles().OpenForReading(path.c_str()));
    if (!source || source->Size() > kMaxTextBytes) {
        failure->message = source ? "'" + path + "' is too large for a list" : "cannot open '" + path + "'";
        return false;
    }
    out->resize(static_cast<std::size_t>(source->Size()));
    if (!out->empty() && source->Read(out->data(), static_cast<std::uint32_t>(out->size())) !=
                             static_cast<std::int32_t>(out->size())) {
        failure->message = "cannot read '" + path + "'";
        return false;
    }
    return true;
}

zyl::HelpFilePtr OpenHelp(const std::string& path, Failure* failure) {
    zyl::OpenError why = zyl::OpenError::kNone;
    zyl::HelpFilePtr help(zyl::OpenHelpFile(zyl::PosixFiles(), path.c_str(), &why));
    if (!help)
        failure->message = why == zyl::OpenError::kNotHelpFile ? "'" + path + "' is not a help file"
                                                                : "cannot open '" + path + "'";
    return help;
}

bool ReadMember(zyl::HelpFileHandle* help, const std::string& path, const std::string& name, Bytes* out,
                Failure* failure) {
    zyl::DataFilePtr file(zyl::FindInternalFile(help, name.c_str()));
    if (!file || !zyl::ReadAllBytes(file.get(), out)) {
        failure->message = "'" + path + "' holds no internal file '" + name + "'";
        return false;
    }
    return true;
}

// The topic script a help file carries: topics.hts, else its only *.hts.
bool HelpFileScript(zyl::HelpFileHandle* help, std::string* text) {
    std::vector<std::string> scripts;
    zyl::WalkDirectory(
        help,
        [](void* context, const char* name, std::uint32_t) {
            if (EndsWith(name, ".hts")) static_cast<std::vector<std::string>*>(context)->push_back(name);
            return true;
        },
        &scripts);
    std::string member;
    for (const std::string& s : scripts)
        if (Lower(s) == kScriptMember) member = s;
    if (member.empty() && scripts.size() == 1) member = scripts[0];
    zyl::DataFilePtr file(member.empty() ? nullptr : zyl::FindInternalFile(help, member.c_str()));
    return file && zyl::ReadAllBytes(file.get(), text);
}

bool AddContexts(const std::string& path, Contexts* contexts, Failure* failure) {
    std::string text, why;
    zyl::OpenError error = zyl::OpenError::kNone;
    zyl::HelpFilePtr help(zyl::OpenHelpFile(zyl::PosixFiles(), path.c_str(), &error));
    if (help) {
        if (!HelpFileScript(help.get(), &text)) {
            failure->message = "'" + path + "' holds no topic script to take context strings from";
            return false;
        }
    } else {
        Bytes bytes;
        if (!ReadDisk(path, &bytes, failure)) return false;
        text.assign(bytes.begin(), bytes.end());
    }
    if (contexts->AddScript(text, &why)) return true;
    failure->message = "'" + path + "': " + why;
    return false;
}

bool WriteOut(const std::string& target, const void* data, std::size_t size, std::ostream& out, Failure* failure) {
    if (target == "-") {
        out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        return static_cast<bool>(out.flush());
    }
    zyltools::OutputFile file(target);
    file.Write(data, size);
    if (file.Ok() && file.Commit()) return true;
    failure->message = "cannot write '" + target + "'";
    return false;
}

// The command line after the command word: options anywhere, the rest in order.
struct Options {
    std::string into, from, contexts, kind;
    bool intoGiven = false, fromGiven = false;
    std::vector<std::string> rest;
};

bool ReadOptions(const std::vector<std::string>& args, std::size_t first, Options* o) {
    for (std::size_t i = first; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string* value = a == "--into" ? &o->into : a == "--from" ? &o->from
                           : a == "--contexts" ? &o->contexts : a == "--kind" ? &o->kind : nullptr;
        if (!value) {
            if (a.size() > 2 && a.compare(0, 2, "--") == 0) return false;
            o->rest.push_back(a);
            continue;
        }
        if (++i >= args.size()) return false;
        *value = args[i];
        o->intoGiven = o->intoGiven || a == "--into";
        o->fromGiven = o->fromGiven || a == "--from";
    }
    return true;
}

// A list text compiled: its kind and bytes.
bool CompileText(const std::string& path, const Kind** kind, Bytes* bytes, Failure* failure) {
    Bytes raw;
    if (!ReadDisk(path, &raw, failure)) return false;
    const std::string text(raw.begin(), raw.end());
    *kind = KindOfText(text);
    if (!*kind) {
        failure->message = path + ": the first line names the kind of list ('bullet list' or 'tab bar')";
        return false;
    }
    std::vector<TextLine> lines;
    Problem problem;
    if (ReadListText(text, (*kind)->header, &lines, &problem) && (*kind)->compile(lines, bytes, &problem)) return true;
    failure->message = path + (problem.line ? ":" + std::to_string(problem.line) : "") + ": " + problem.message;
    return false;
}

int Compile(const Options& o, std::ostream& out, Failure* failure) {
    if (o.rest.empty() || o.rest.size() > 2 || o.fromGiven || (o.intoGiven && o.into.empty())) return 2;
    const std::string& textPath = o.rest[0];
    const Kind* kind = nullptr;
    Bytes bytes;
    if (!CompileText(textPath, &kind, &bytes, failure)) return 1;
    const std::string stem = EndsWith(textPath, ".txt") ? textPath.substr(0, textPath.size() - 4)
                                                        : textPath + kind->extension;
    if (o.intoGiven) {
        const std::string name = o.rest.size() == 2 ? o.rest[1] : BaseName(stem);
        std::string why;
        if (zylpack::AddToHelpFile(o.into, {zylpack::NamedBytes{name, bytes}}, &why)) return 0;
        failure->message = why;
        return 1;
    }
    return WriteOut(o.rest.size() == 2 ? o.rest[1] : stem, bytes.data(), bytes.size(), out, failure) ? 0 : 1;
}

// The compiled list a command names: a file on disk, or NAME in --from's
// help file (whose topic script then gives context strings).
bool ReadCompiled(const Options& o, Contexts* contexts, const Kind** kind, Bytes* bytes, Failure* failure) {
    const std::string& name = o.rest[0];
    if (o.fromGiven) {
        zyl::HelpFilePtr help = OpenHelp(o.from, failure);
        if (!help || !ReadMember(help.get(), o.from, name, bytes, failure)) return false;
        std::string script, why;
        if (contexts && HelpFileScript(help.get(), &script)) contexts->AddScript(script, &why);
    } else if (!ReadDisk(name, bytes, failure)) {
        return false;
    }
    *kind = KindOfName(name, o.kind, failure);
    return *kind != nullptr;
}

int Decompile(const Options& o, std::ostream& out, Failure* failure) {
    if (o.rest.empty() || o.rest.size() > 2 || o.intoGiven) return 2;
    Contexts contexts;
    if (!o.contexts.empty() && !AddContexts(o.contexts, &contexts, failure)) return 1;
    const Kind* kind = nullptr;
    Bytes bytes;
    if (!ReadCompiled(o, &contexts, &kind, &bytes, failure)) return 1;
    std::string text, why;
    if (!kind->decompile(bytes, contexts, &text, &why)) {
        failure->message = o.rest[0] + ": " + why;
        return 1;
    }
    return WriteOut(o.rest.size() == 2 ? o.rest[1] : "-", text.data(), text.size(), out, failure) ? 0 : 1;
}

int Check(const Options& o, std::ostream& out, Failure* failure) {
    if (o.rest.size() != 1 || o.intoGiven) return 2;
    const Kind* kind = nullptr;
    Bytes bytes, head;
    if (!o.fromGiven && ReadDisk(o.rest[0], &head, failure) && KindOfText(std::string(head.begin(), head.end()))) {
        if (!CompileText(o.rest[0], &kind, &bytes, failure)) return 1;
    } else if (!ReadCompiled(o, nullptr, &kind, &bytes, failure)) {
        return 1;
    }
    std::string summary;
    std::vector<std::string> notes;
    const bool shown = kind->check(bytes, &summary, &notes);
    out << o.rest[0] << ": " << summary << "\n";
    for (const std::string& n : notes) out << "  note: " << n << "\n";
    return shown ? 0 : 1;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kUsage;
        return 2;
    }
    const std::string& command = args[0];
    if (command == "-h" || command == "--help" || command == "help") {
        out << kUsage;
        return 0;
    }
    Options options;
    if (!ReadOptions(args, 1, &options)) {
        err << kUsage;
        return 2;
    }
    Failure failure;
    int status = 2;
    if (command == "compile") status = Compile(options, out, &failure);
    else if (command == "decompile") status = Decompile(options, out, &failure);
    else if (command == "--check" || command == "check") status = Check(options, out, &failure);
    else err << "zyllist: unknown command '" << command << "'\n";
    if (status == 2) err << kUsage;
    else if (status == 1 && !failure.message.empty()) err << "zyllist: " << failure.message << "\n";
    return status;
}

}  // namespace zyllist
