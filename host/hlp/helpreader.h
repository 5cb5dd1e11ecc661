// Help files in the help viewer's own format, read into the topic model the
// topic-script parser produces (script.h), so that one layout draws both.
//
// What is read: the system file (title, copyright, start-up macros, windows,
// contents topic, character set), the font table, the topic blocks (plain or
// LZ77, text plain or phrase-compressed with either kind of phrase file), the
// topic records with their paragraph formatting and character commands, the
// non-scrolling region, jumps and popups (this file, another file, a
// secondary window), the context hashes, context numbers and context names,
// and the pictures stored in the help file (device-independent and
// device-dependent bitmaps, uncompressed, run-length, LZ77 or both).
//
// Opening reads the index of the topics; a topic's paragraphs are decoded
// when it is shown. Portable (no <windows.h>), and nothing read is trusted:
// a damaged part is skipped with a note of what was lost, never read past.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "script.h"

namespace zyl {
class FileSystem;
}

namespace zylhlp {

using Bytes = std::vector<std::uint8_t>;

// A rectangle of a picture that jumps, pops up or runs macros, in the
// picture's pixels.
struct HotSpot {
    int x = 0, y = 0, width = 0, height = 0;
    zylscript::LinkKind link = zylscript::LinkKind::Jump;
    std::string target;               // macro text, or "context[>window]"
    std::uint32_t hash = 0;           // jumps and popups: the context string's hash
    bool visible = true;              // drawn as a link (the viewer marks visible ones)
};

// A picture decoded: a packed DIB (40-byte info header, colour table, rows
// bottom-up, each padded to 4 bytes).
struct Picture {
    std::int32_t width = 0, height = 0;
    Bytes dib;
    bool transparent = false;         // pixels of transparentColour show the region's background
    std::uint32_t transparentColour = 0;   // colour reference
    std::vector<HotSpot> hotSpots;
};

class HelpReader {
public:
    HelpReader();
    ~HelpReader();
    HelpReader(const HelpReader&) = delete;
    HelpReader& operator=(const HelpReader&) = delete;

    // Opens a help file and reads its index. `files` must outlive the
    // reader (pictures are read from it later). False, with the reason,
    // when it is not a help file this reader can show.
    bool Open(zyl::FileSystem& files, const std::string& path, std::string* error);

    // The file as a topic script: title, copyright, start-up macros,
    // windows, the file's font and, for every topic, its context string,
    // title and numbers. Paragraphs stay empty until LoadTopic.
    const zylscript::Script& Index() const;

    // Decodes a topic's paragraphs and entry macros into `topic`. False
    // when part of it is damaged: what could be read is kept and `problem`
    // says what was lost.
    bool LoadTopic(std::size_t index, zylscript::Topic* topic, std::string* problem);

    // A picture a topic names, decoded. False, with the reason, when it is
    // missing or cannot be decoded.
    bool LoadPicture(const zylscript::PictureRef& ref, Picture* out, std::string* error);

    // What the index lost to damage (empty when nothing).
    const std::string& IndexProblems() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// The whole file: the index and every topic. False when it cannot be
// opened; damaged topics are read as far as they go, and `problems` (when
// given) collects what was lost.
bool ReadHelpFile(zyl::FileSystem& files, const std::string& path, zylscript::Script* out, std::string* error,
                  std::string* problems = nullptr);

// A picture record ("lP"/"lp" magic and its pictures) decoded: the first
// bitmap of it. False with the reason.
bool DecodePicture(const std::uint8_t* data, std::size_t size, Picture* out, std::string* error);

// The LZ77 of help files: at most `limit` bytes out. `complete` (when
// given) is false when the input asked for a copy from before the start.
Bytes Unlz77(const std::uint8_t* data, std::size_t size, std::size_t limit, bool* complete = nullptr);

// A context string whose hash is `hash`, made of the characters context
// strings may hold.
std::string UnhashContext(std::uint32_t hash);

}  // namespace zylhlp
