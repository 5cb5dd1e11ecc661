// The internal files of a help file in memory, in directory order: for
// tests that take a help file apart, change a file of it and put it back
// together; and help files the compiler makes of scripts and the writer of
// small documents.
// Header-only, for the native and the Windows-side tests alike.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/helpfile.h"
#include "helpwriter.h"
#include "script.h"
#include "support.h"
#include "zylhc.h"

namespace zyltest {

// The names the directory walk gives, in its order; `whole` says whether
// the walk met no damage.
inline std::vector<std::string> DirectoryNames(zyl::HelpFileHandle* help, bool* whole = nullptr) {
    std::vector<std::string> names;
    const bool ok = zyl::WalkDirectory(
        help,
        [](void* c, const char* name, std::uint32_t) {
            static_cast<std::vector<std::string>*>(c)->push_back(name);
            return true;
        },
        &names);
    if (whole) *whole = ok;
    return names;
}

inline std::vector<std::pair<std::string, std::vector<std::uint8_t>>> InternalFiles(const std::vector<std::uint8_t>& help) {
    zyl::MemoryFiles files;
    files.Add("t.hlp", help.data(), help.size());
    zyl::HelpFilePtr h(zyl::OpenHelpFile(files, "t.hlp"));
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> out;
    if (!h) return out;
    for (const std::string& n : DirectoryNames(h.get())) {
        zyl::DataFilePtr f(zyl::FindInternalFile(h.get(), n.c_str()));
        std::vector<std::uint8_t> b;
        if (f) zyl::ReadAllBytes(f.get(), &b);
        out.emplace_back(n, std::move(b));
    }
    return out;
}

// The script in the file at `path`.
inline zylscript::Script ParsedScript(const std::string& path) {
    const Bytes text = ReadFile(path);
    EXPECT_FALSE(text.empty()) << path;
    zylscript::Script s;
    zylscript::ParseError error;
    EXPECT_TRUE(zylscript::ParseScript(std::string(text.begin(), text.end()), &s, &error)) << error.ToString();
    return s;
}

// The help file the compiler makes of the script at `path`; none when it fails.
inline Bytes CompiledHelpFile(const std::string& path, const zylhc::CompileOptions& options = {}) {
    Bytes help;
    std::string error;
    EXPECT_TRUE(zylhc::Compile(zyl::PosixFiles(), path, {}, options, &help, &error)) << error;
    return help;
}

// A document of the given topics, each one paragraph of items, its title
// and context the topic's name.
inline zylhc::HelpDocument DocumentOf(const std::string& title, const std::vector<zylhc::HelpWindow>& windows,
                                      const std::vector<std::pair<std::string, std::vector<zylhc::Item>>>& topics) {
    zylhc::HelpDocument doc;
    doc.title = title;
    doc.windows = windows;
    doc.fonts.push_back(zylhc::FontDescriptor{"Arial", 20, false, false, false});
    for (const auto& t : topics) {
        zylhc::HelpTopic topic;
        topic.title = topic.context = t.first;
        topic.hash = zylscript::ContextHash(t.first);
        topic.body.emplace_back();
        topic.body.back().items = t.second;
        doc.topics.push_back(std::move(topic));
    }
    return doc;
}

// The help file the writer makes of a document.
inline Bytes WrittenHelpFile(const zylhc::HelpDocument& doc) {
    std::vector<zylhc::InternalFile> internal;
    std::string error;
    EXPECT_TRUE(zylhc::WriteHelpFiles(doc, &internal, &error)) << error;
    std::vector<std::pair<std::string, Bytes>> files;
    for (const auto& f : internal) files.emplace_back(f.name, f.bytes);
    return HelpFile(files);
}

}  // namespace zyltest
