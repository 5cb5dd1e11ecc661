// Topic scripts: the small text format the substitute host reads its topics
// from (see docs/topic-scripts.md). Portable: no <windows.h>, so the parser
// is built and fuzzed natively as well.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zylscript {

constexpr std::uint32_t kNoColour = 0x80000000u;   // a colour field that is not set

// One embedded window reference of a topic: {ewl DLL, CLASS, data}.
struct EmbeddedRef {
    char align = 'c';       // 'l', 'c' or 'r'
    std::string dll, className, data;
};

enum class LinkKind { Jump, Popup, Macro };

// Character formatting in force for a piece of text: {b}, {i}, {u} and
// {font FACE, SIZE}, each until it is switched off or the paragraph ends.
// Help files add strike-through and a text colour.
struct TextStyle {
    bool bold = false, italic = false, underline = false, strikeout = false;
    std::string face;                 // empty: the file's font (.font)
    int halfPoints = 0;               // size in half points; 0: the file's size
    std::uint32_t colour = kNoColour; // colour reference; not set: black
    bool operator==(const TextStyle& o) const {
        return bold == o.bold && italic == o.italic && underline == o.underline && strikeout == o.strikeout &&
               face == o.face && halfPoints == o.halfPoints && colour == o.colour;
    }
    bool operator!=(const TextStyle& o) const { return !(*this == o); }
};

// A picture a help file stores: "|bmN" names its internal file; a picture
// kept inside the topic itself carries its bytes.
struct PictureRef {
    char align = 'c';                 // 'l', 'c' or 'r', as for embedded windows
    std::string name;
    std::vector<std::uint8_t> bytes;  // the picture record, when it is inside the topic
    bool operator==(const PictureRef& o) const { return align == o.align && name == o.name && bytes == o.bytes; }
};

struct Segment {
    enum class Kind { Text, Link, Embedded, Picture };
    Kind kind = Kind::Text;
    std::string text;                 // Text: the words; Link: the hot-spot text
    LinkKind link = LinkKind::Jump;   // Link only
    std::string target;               // Link: "context[>window]" or macro text
    EmbeddedRef ref;                  // Embedded only
    PictureRef picture;               // Picture only
    TextStyle style;                  // Text and Link
    int line = 0;                     // where it was written, for messages
    // Links read from a help file name their topic by the context string's
    // hash (the file keeps no strings), maybe in another help file, and may
    // look like the text around them.
    bool byHash = false;
    std::uint32_t hash = 0;
    std::string file;                 // another help file, or empty for this one
    bool plain = false;               // drawn in its own font and colour, not as a link
};

// Tab stops and indents are in half points, as help files keep them.
struct TabStop {
    int position = 0;
    char align = 'l';                 // 'l', 'r' or 'c'
    bool operator==(const TabStop& o) const { return position == o.position && align == o.align; }
};

// How a paragraph sits: spacing, indents, alignment and tab stops, in half
// points. Topic scripts give every paragraph the default; help files say.
struct ParagraphFormat {
    static constexpr int kDefaultSpaceBelow = 12;
    int spaceAbove = 0, spaceBelow = kDefaultSpaceBelow;
    int lineSpacing = 0;              // > 0 at least, < 0 exactly this line height; 0 as the fonts say
    int leftIndent = 0, rightIndent = 0;
    int firstIndent = 0;              // of the first line, against the left indent
    char align = 'l';                 // 'l', 'c' or 'r'
    std::vector<TabStop> tabs;
    bool operator==(const ParagraphFormat& o) const {
        return spaceAbove == o.spaceAbove && spaceBelow == o.spaceBelow && lineSpacing == o.lineSpacing &&
               leftIndent == o.leftIndent && rightIndent == o.rightIndent && firstIndent == o.firstIndent &&
               align == o.align && tabs == o.tabs;
    }
    bool operator!=(const ParagraphFormat& o) const { return !(*this == o); }
};

struct Paragraph {
    std::vector<Segment> segments;
    int line = 0;                     // where it starts, for messages
    // Joined to the paragraph before it by a line break ({br}): the same
    // paragraph on a new line.
    bool lineBreakBefore = false;
    ParagraphFormat format;
};

// A window a help file defines for its topics (.window), as a help
// project's [WINDOWS] section does. Unset numbers are -1.
struct WindowDef {
    std::string name;                 // 1 to 8 characters; "main" is the main window
    std::string caption;              // empty: the file's title
    int x = -1, y = -1, width = -1, height = -1;   // 0..1023, 1/1024ths of the screen
    int state = -1;                   // 0 normal, 1 maximized
    std::uint32_t background = kNoColour, nsrBackground = kNoColour;   // colour references
    int line = 0;
    static constexpr std::uint32_t kNoColour = zylscript::kNoColour;
};

// A file the help file carries as an internal file (.baggage).
struct BaggageRef {
    std::string name;                 // the internal name
    std::string path;                 // as written, relative to the script
    int line = 0;
};

struct Topic {
    std::string context;
    bool hasNumber = false;
    std::uint32_t number = 0;         // as written after the context string
    std::string title;                // the context string when no .title is given
    std::vector<Paragraph> nsr;       // non-scrolling region
    std::vector<Paragraph> body;      // topic region
    // Run whenever the topic is shown, before it is laid out: .entry in a
    // script, the topic's own macros in a help file.
    std::vector<std::string> entryMacros;
    int line = 0;
};

struct Script {
    std::string title;                // .title before the first topic
    std::string helpFile;             // .helpfile, as written (may be relative)
    bool hasBackground = false;       // .background RRGGBB
    std::uint32_t background = 0;     // colour reference (red in the low byte)
    std::vector<std::string> startupMacros;   // one macro per entry, in order
    std::string copyright;            // .copyright
    std::string fontFace;             // .font: the file's font; empty when not given
    int fontHalfPoints = 0;           // its size in half points; 0 when not given
    std::vector<WindowDef> windows;   // .window, in order
    std::vector<BaggageRef> baggage;  // .baggage, in order
    std::vector<Topic> topics;
    bool utf8 = false;                // text is UTF-8 (byte order mark or valid multi-byte)
    unsigned codePage = 0;            // help files: the code page of their text; 0 the system's
    int contents = 0;                 // the topic Contents() shows and the file opens at
    // Help files: context numbers and context string hashes that lead to a
    // topic besides its own (a help file may give one topic several). A help
    // file's topics answer only to the numbers it maps, never to their index.
    bool fromHelpFile = false;
    std::vector<std::pair<std::uint32_t, int>> contextNumbers, contextHashes;

    // Index of a topic, or -1. Context strings compare with ASCII case ignored.
    int FindTopic(std::string_view context) const;
    int FindTopicByNumber(std::uint32_t number) const;
    int FindTopicByHash(std::uint32_t hash) const;
    // The number a topic answers to: the one written in the script, else its index.
    std::uint32_t TopicNumber(int index) const;
};

struct ParseError {
    int line = 0;                     // 1-based; 0 when it concerns the whole text
    std::string message;
    std::string ToString() const;     // "line 12: message"
};

// Parses a whole script. On failure returns false, fills `error` and leaves
// `script` in an unspecified but valid state.
bool ParseScript(std::string_view text, Script* script, ParseError* error);

// Cuts a macro string at the semicolons that stand outside parentheses and
// quotes; blank pieces are dropped, the others trimmed.
std::vector<std::string> SplitMacros(std::string_view text);

// The help file format's 32-bit hash of a context string (the module's
// zyl::ContextHash).
std::uint32_t ContextHash(std::string_view context);

bool IsValidUtf8(std::string_view text);

// "intro>glossary" -> "intro", "glossary"; without '>' the window is empty.
void SplitWindowSuffix(std::string_view target, std::string* context, std::string* window);

}  // namespace zylscript
