// The help compiler's back end: the internal files of a help file in the
// format the 32-bit help viewer reads (the 4.0 layout), from topics whose
// links are already resolved. |SYSTEM holds the title, the start-up macros
// and the window definitions; |TOPIC the topics in 4 KB blocks, optionally
// LZ77-compressed; |CONTEXT maps context hashes and |CTXOMAP context numbers
// to topics; |TTLBTREE lists the titles; |TopicId the context strings;
// |FONT the fonts the text uses; |Phrases or |PhrIndex and |PhrImage the
// phrases of phrase-compressed text.
//
// Portable, no <windows.h>, nothing read from disk: every input is checked
// and refused with a reason, never trusted.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zylhc {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kNoColour = 0x80000000u;
// A piece that is never cut over two topic records (a title, a link with
// its text, a macro, an embedded window reference) has at most this many bytes.
constexpr std::size_t kMaxUncutBytes = 1024;
constexpr std::size_t kMaxFaceBytes = 31;

struct FontDescriptor {
    std::string face;
    int halfPoints = 20;
    bool bold = false, italic = false, underline = false;
    bool operator==(const FontDescriptor& o) const {
        return face == o.face && halfPoints == o.halfPoints && bold == o.bold && italic == o.italic &&
               underline == o.underline;
    }
};

enum class ItemKind : std::uint8_t {
    Text,       // text: characters in the file's code page, no NUL
    Font,       // value: index of the font descriptor
    LineBreak,  // a new line in the same paragraph
    Tab,        // to the next tab stop
    Jump,       // value: context hash; window: secondary window index or -1; text: as for Popup
    Popup,      // value: context hash; text: another help file ("WINDOW>FILE" names its window), or empty
    Macro,      // text: the macros the hot spot runs
    LinkEnd,    // ends the hot spot a Jump, Popup or Macro began
    Window,     // text: "DLL,CLASS,data"; align 'c', 'l' or 'r'
    Picture,    // value: number of the picture (|bm<number>); align 'c', 'l' or 'r'
};

struct Item {
    ItemKind kind = ItemKind::Text;
    std::string text;
    std::uint32_t value = 0;
    int window = -1;
    char align = 'c';
};

// Spacing and indents in half points.
struct ParagraphLayout {
    int spaceAbove = 0, spaceBelow = 12, lineSpacing = 0;
    int leftIndent = 0, rightIndent = 0, firstIndent = 0;   // -16384..16383
    char align = 'l';                                        // 'l', 'c' or 'r'
    std::vector<std::pair<int, char>> tabs;                  // position 0..16383, 'l', 'r' or 'c'
};

struct HelpParagraph {
    std::vector<Item> items;   // the paragraph ends after the last one
    ParagraphLayout layout;
};

struct HelpTopic {
    std::string title;
    std::vector<HelpParagraph> nsr, body;   // non-scrolling region, topic region
    std::uint32_t hash = 0;                 // of its context string
    std::string context;                    // the string itself, kept in |TopicId
};

struct HelpWindow {
    std::string name, caption;             // name 1..8 bytes, caption at most 50
    int x = -1, y = -1, width = -1, height = -1, state = -1;   // -1: not given
    std::uint32_t background = kNoColour, nsrBackground = kNoColour;
};

struct MapEntry {
    std::uint32_t number = 0;   // a context number, as JumpContext takes it
    std::size_t topic = 0;
};

struct HelpDocument {
    std::string title, copyright;
    std::vector<std::string> startupMacros;
    std::vector<HelpWindow> windows;        // jumps name them by index
    std::vector<FontDescriptor> fonts;      // fonts[0] is the file's font
    std::vector<HelpTopic> topics;          // at least one; the first is the contents
    std::vector<MapEntry> map;
    std::vector<Bytes> pictures;            // picture records, stored as |bm0, |bm1, ...
    bool compress = false;                  // LZ77 topic blocks
    // Phrase compression of the text: a |Phrases file, or the |PhrIndex and
    // |PhrImage pair of the 4.0 help compiler.
    enum class Phrases { kNone, kPhrases, kHall };
    Phrases phrases = Phrases::kNone;
    std::uint32_t date = 0;                 // seconds since 1970, written into |SYSTEM
};

struct InternalFile {
    std::string name;
    Bytes bytes;
};

// The internal files for `doc`, in the order they are best stored. False,
// with a reason, when the document breaks a limit of the format.
bool WriteHelpFiles(const HelpDocument& doc, std::vector<InternalFile>* out, std::string* error);

// One topic block's worth of LZ77, as |TOPIC blocks use it: flag bytes
// whose bits (lowest first) tell literals (0) from 2-byte copies (1) of 3
// to 18 bytes from up to 4096 bytes back.
Bytes CompressLz77(const Bytes& input);

}  // namespace zylhc
