#include "zylpack.h"

#include <cstring>
#include <algorithm>
#include <memory>
#include <set>

#include "core/helpfile.h"
#include "core/helpfile_writer.h"
#include "outputfile.h"

namespace zylpack {

namespace {

using zyl::ByteSource;
using zyl::DataFile;
using zyl::FileSystem;
using zyl::HelpFileHandle;

constexpr std::uint32_t kCopyChunk = 65536;

const char kUsage[] =
    "usage: zylpack create OUT.hlp FILE...\n"
    "       zylpack add HELPFILE FILE...\n"
    "       zylpack list HELPFILE\n"
    "       zylpack extract HELPFILE NAME [OUT]\n"
    "FILE is a path (stored under its bare file name) or NAME=PATH.\n";

FileSystem& Files() { return zyl::PosixFiles(); }

struct HelpCloser {
    void operator()(HelpFileHandle* h) const { zyl::CloseHelpFile(h); }
};
struct DataCloser {
    void operator()(DataFile* f) const { zyl::DataFileClose(f); }
};
using HelpPtr = std::unique_ptr<HelpFileHandle, HelpCloser>;
using DataPtr = std::unique_ptr<DataFile, DataCloser>;

// What a command failed at, for its message.
struct Failure {
    std::string message;
};

// Opens a help file for reading, with a message for each way it can fail.
HelpPtr OpenHelp(const std::string& path, Failure* failure) {
    zyl::OpenError why = zyl::OpenError::kNone;
    HelpPtr help(zyl::OpenHelpFile(Files(), path.c_str(), &why));
    if (!help)
        failure->message = why == zyl::OpenError::kNotHelpFile ? "'" + path + "' is not a help file"
                                                                : "cannot open '" + path + "'";
    return help;
}

struct ListedFile {
    std::string name;
    std::uint32_t offset = 0;
    zyl::InternalFileHeader header = {};
};

// Every directory entry with its checked file header, in directory order.
bool ReadDirectory(HelpFileHandle* help, const std::string& path, std::vector<ListedFile>* files,
                   Failure* failure) {
    auto visit = [](void* context, const char* name, std::uint32_t offset) {
        static_cast<std::vector<ListedFile>*>(context)->push_back(ListedFile{name, offset, {}});
        return true;
    };
    const bool whole = zyl::WalkDirectory(help, visit, files);
    if (whole) {
        for (ListedFile& f : *files) {
            if (!zyl::ReadInternalFileHeader(help, f.offset, &f.header)) {
                failure->message = "'" + path + "': the directory is damaged (internal file '" + f.name +
                                   "' lies outside the file)";
                return false;
            }
        }
        return true;
    }
    failure->message = "'" + path + "': the directory is damaged";
    return false;
}

using Output = zyltools::OutputFile;

// One internal file of the help file being written.
struct Member {
    std::string name;
    std::string diskPath;      // a file from disk, or
    std::uint32_t oldOffset = 0;   // an internal file of the help file being added to, or
    bool fromHelp = false;
    const std::vector<std::uint8_t>* bytes = nullptr;   // bytes in memory
    std::uint32_t size = 0;
    std::uint8_t flags = 0;
};

// "NAME=PATH" or a path stored under its bare file name.
bool ParseFileArgument(const std::string& arg, Member* member, Failure* failure) {
    const std::size_t eq = arg.find('=');
    if (eq != std::string::npos) {
        member->name = arg.substr(0, eq);
        member->diskPath = arg.substr(eq + 1);
        if (member->name.empty() || member->diskPath.empty()) {
            failure->message = "'" + arg + "': write NAME=PATH with both parts";
            return false;
        }
    } else {
        member->diskPath = arg;
        const std::size_t slash = arg.find_last_of("/\\");
        member->name = slash == std::string::npos ? arg : arg.substr(slash + 1);
        if (member->name.empty()) {
            failure->message = "'" + arg + "' names no file";
            return false;
        }
    }
    if (member->name.size() > zyl::kMaxMemberName) {
        failure->message = "'" + member->name + "': an internal name has at most 255 bytes";
        return false;
    }
    std::unique_ptr<ByteSource> source(Files().OpenForReading(member->diskPath.c_str()));
    if (!source) {
        failure->message = "cannot open '" + member->diskPath + "'";
        return false;
    }
    if (source->Size() > 0x7FFFFFF0u) {
        failure->message = "'" + member->diskPath + "' is too large for a help file";
        return false;
    }
    member->size = static_cast<std::uint32_t>(source->Size());
    return true;
}

bool ParseFileArguments(const std::vector<std::string>& args, std::size_t first, std::vector<Member>* members,
                        Failure* failure) {
    std::set<std::string> names;
    for (std::size_t i = first; i < args.size(); ++i) {
        Member m;
        if (!ParseFileArgument(args[i], &m, failure)) return false;
        if (!names.insert(m.name).second) {
            failure->message = "'" + m.name + "' is given twice";
            return false;
        }
        members->push_back(m);
    }
    return true;
}

bool CopyFromDisk(const Member& m, Output& out, std::vector<std::uint8_t>& buffer, Failure* failure) {
    std::unique_ptr<ByteSource> source(Files().OpenForReading(m.diskPath.c_str()));
    std::uint32_t left = m.size;
    while (source && left > 0) {
        const std::uint32_t want = left < kCopyChunk ? left : kCopyChunk;
        const std::int32_t got = source->Read(buffer.data(), want);
        if (got <= 0) break;
        out.Write(buffer.data(), static_cast<std::size_t>(got));
        left -= static_cast<std::uint32_t>(got);
    }
    if (left != 0) failure->message = "cannot read '" + m.diskPath + "' (did it change meanwhile?)";
    return left == 0;
}

bool CopyFromHelp(HelpFileHandle* help, const Member& m, Output& out, std::vector<std::uint8_t>& buffer,
                  Failure* failure) {
    DataPtr file(zyl::OpenInternalFileAt(help, m.oldOffset));
    std::uint32_t left = m.size;
    while (file && left > 0) {
        const std::uint32_t want = left < kCopyChunk ? left : kCopyChunk;
        const std::int32_t got = zyl::DataFileRead(file.get(), buffer.data(), static_cast<std::int32_t>(want));
        if (got <= 0) break;
        out.Write(buffer.data(), static_cast<std::size_t>(got));
        left -= static_cast<std::uint32_t>(got);
    }
    if (left != 0) failure->message = "cannot read internal file '" + m.name + "'";
    return left == 0;
}

// Writes a help file holding `members` in their order into `out`; the
// caller commits it once nothing reads the old file any more.
bool WriteHelpFile(Output& out, const std::string& target, const std::vector<Member>& members,
                   HelpFileHandle* oldHelp, Failure* failure) {
    std::vector<zyl::ContainerMember> plan(members.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        plan[i].name = members[i].name;
        plan[i].size = members[i].size;
        plan[i].flags = members[i].flags;
    }
    std::vector<std::uint8_t> head;
    std::string error;
    if (!zyl::PlanContainer(&plan, &head, &error)) {
        failure->message = error;
        return false;
    }
    if (!out.Ok()) {
        failure->message = "cannot write beside '" + target + "'";
        return false;
    }
    out.Write(head.data(), head.size());
    std::vector<std::uint8_t> buffer(kCopyChunk);
    for (std::size_t i = 0; i < members.size(); ++i) {
        std::uint8_t header[zyl::kInternalHeaderBytes];
        zyl::MakeInternalFileHeader(members[i].size, members[i].flags, header);
        out.Write(header, sizeof header);
        bool copied = true;
        if (members[i].bytes) out.Write(members[i].bytes->data(), members[i].bytes->size());
        else if (members[i].fromHelp) copied = CopyFromHelp(oldHelp, members[i], out, buffer, failure);
        else copied = CopyFromDisk(members[i], out, buffer, failure);
        if (!copied) return false;
    }
    if (!out.Ok()) {
        failure->message = "cannot write '" + target + "' (disk full?)";
        return false;
    }
    return true;
}

bool Commit(Output& out, const std::string& target, Failure* failure) {
    if (out.Commit()) return true;
    failure->message = "cannot replace '" + target + "'";
    return false;
}

int Create(const std::vector<std::string>& args, std::ostream& err) {
    if (args.size() < 3) {
        err << kUsage;
        return 2;
    }
    Failure failure;
    std::vector<Member> members;
    if (!ParseFileArguments(args, 2, &members, &failure)) {
        err << "zylpack: " << failure.message << "\n";
        return 1;
    }
    Output out(args[1]);
    if (!WriteHelpFile(out, args[1], members, nullptr, &failure) || !Commit(out, args[1], &failure)) {
        err << "zylpack: " << failure.message << "\n";
        return 1;
    }
    return 0;
}

// Writes the help file at `path` anew with `added` in place of the files of
// the same names; the old files keep their order in the file, the new ones
// follow.
bool AddMembers(const std::string& path, const std::vector<Member>& added, Failure* failure) {
    HelpPtr help = OpenHelp(path, failure);
    std::vector<ListedFile> old;
    if (!help || !ReadDirectory(help.get(), path, &old, failure)) return false;
    std::set<std::string> replaced;
    for (const Member& m : added) replaced.insert(m.name);
    std::vector<const ListedFile*> byOffset;
    for (const ListedFile& f : old)
        if (!replaced.count(f.name)) byOffset.push_back(&f);
    std::stable_sort(byOffset.begin(), byOffset.end(),
                     [](const ListedFile* a, const ListedFile* b) { return a->offset < b->offset; });
    std::vector<Member> members;
    for (const ListedFile* f : byOffset) {
        Member m;
        m.name = f->name;
        m.fromHelp = true;
        m.oldOffset = f->offset;
        m.size = f->header.usedSize;
        m.flags = f->header.flags;
        members.push_back(m);
    }
    members.insert(members.end(), added.begin(), added.end());
    Output out(path);
    const bool written = WriteHelpFile(out, path, members, help.get(), failure);
    help.reset();   // an open file cannot be replaced everywhere
    return written && Commit(out, path, failure);
}

int Add(const std::vector<std::string>& args, std::ostream& err) {
    if (args.size() < 3) {
        err << kUsage;
        return 2;
    }
    Failure failure;
    std::vector<Member> added;
    if (!ParseFileArguments(args, 2, &added, &failure) || !AddMembers(args[1], added, &failure)) {
        err << "zylpack: " << failure.message << "\n";
        return 1;
    }
    return 0;
}

int List(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 2) {
        err << kUsage;
        return 2;
    }
    Failure failure;
    HelpPtr help = OpenHelp(args[1], &failure);
    std::vector<ListedFile> files;
    if (!help || !ReadDirectory(help.get(), args[1], &files, &failure)) {
        err << "zylpack: " << failure.message << "\n";
        return 1;
    }
    for (const ListedFile& f : files) out << f.name << '\t' << f.header.usedSize << '\n';
    return 0;
}

int Extract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 3 && args.size() != 4) {
        err << kUsage;
        return 2;
    }
    const std::string& path = args[1];
    const std::string& name = args[2];
    Failure failure;
    HelpPtr help = OpenHelp(path, &failure);
    if (!help) {
        err << "zylpack: " << failure.message << "\n";
        return 1;
    }
    DataPtr file(zyl::FindInternalFile(help.get(), name.c_str()));
    std::string bytes;
    if (!file) {
        // Tell a damaged directory from a name it does not hold.
        std::vector<ListedFile> files;
        if (!ReadDirectory(help.get(), path, &files, &failure))
            err << "zylpack: " << failure.message << "\n";
        else
            err << "zylpack: '" << path << "' holds no internal file named '" << name << "'\n";
        return 1;
    }
    if (!zyl::ReadAllBytes(file.get(), &bytes)) {
        err << "zylpack: cannot read internal file '" << name << "' of '" << path << "'\n";
        return 1;
    }
    const std::string target = args.size() == 4 ? args[3] : DefaultExtractName(name);
    if (target == "-") {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        return out ? 0 : 1;
    }
    Output file_out(target);
    file_out.Write(bytes.data(), bytes.size());
    if (!file_out.Ok() || !file_out.Commit()) {
        err << "zylpack: cannot write '" << target << "'\n";
        return 1;
    }
    return 0;
}

}  // namespace

bool AddToHelpFile(const std::string& path, const std::vector<NamedBytes>& files, std::string* error) {
    std::vector<Member> added;
    std::set<std::string> names;
    for (const NamedBytes& f : files) {
        Member m;
        m.name = f.name;
        m.bytes = &f.bytes;
        m.size = static_cast<std::uint32_t>(f.bytes.size());
        if (m.name.empty() || m.name.size() > zyl::kMaxMemberName || f.bytes.size() > 0x7FFFFFF0u ||
            !names.insert(m.name).second) {
            *error = "'" + m.name + "' cannot be an internal file name here";
            return false;
        }
        added.push_back(m);
    }
    Failure failure;
    if (AddMembers(path, added, &failure)) return true;
    *error = failure.message;
    return false;
}

std::string DefaultExtractName(const std::string& internalName) {
    std::string name = internalName;
    for (char& c : name)
        if (std::strchr("/\\:*?\"<>|", c) || static_cast<unsigned char>(c) < 0x20) c = '_';
    if (name.empty() || name == "." || name == "..") name = "_" + name;
    return name;
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kUsage;
        return 2;
    }
    const std::string& command = args[0];
    if (command == "create") return Create(args, err);
    if (command == "add") return Add(args, err);
    if (command == "list") return List(args, out, err);
    if (command == "extract") return Extract(args, out, err);
    if (command == "-h" || command == "--help" || command == "help") {
        out << kUsage;
        return 0;
    }
    err << "zylpack: unknown command '" << command << "'\n" << kUsage;
    return 2;
}

}  // namespace zylpack
