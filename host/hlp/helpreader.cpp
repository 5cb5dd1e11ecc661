#include "helpreader.h"

#include <algorithm>
#include <cstring>

#include "core/helpfile.h"
#include "systemfile.h"

namespace zylhlp {

namespace {

using zylscript::LinkKind;
using zylscript::Paragraph;
using zylscript::ParagraphFormat;
using zylscript::Segment;
using zylscript::TextStyle;

// Limits a reader of untrusted files keeps to.
constexpr std::int32_t kMaxInternalFile = 64 << 20;
constexpr std::size_t kMaxRecord = 1 << 20;        // one topic record, text included
constexpr std::size_t kMaxTopics = 1 << 20;
constexpr std::size_t kMaxRecordsPerTopic = 1 << 16;
constexpr std::size_t kMaxPhrases = 1 << 16;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;
constexpr std::size_t kBlockHeader = 12;
constexpr std::uint32_t kPositionBlock = 0x4000;   // a topic position's block unit
constexpr std::uint32_t kOffsetBlock = 0x8000;     // a topic offset's block unit
constexpr std::size_t kRecordHeader = 21;

std::uint32_t U16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | (U16(p + 2) << 16); }

// Reads values from a span, never past its end: a read that would go past
// returns 0 and leaves the cursor failed for good.
class Cursor {
public:
    Cursor(const std::uint8_t* p, std::size_t n) : p_(p), end_(p + n) {}
    bool ok() const { return ok_; }
    std::size_t left() const { return ok_ ? static_cast<std::size_t>(end_ - p_) : 0; }
    const std::uint8_t* at() const { return p_; }
    bool Need(std::size_t n) {
        if (ok_ && static_cast<std::size_t>(end_ - p_) >= n) return true;
        ok_ = false;
        return false;
    }
    std::uint32_t Byte() { return Need(1) ? *p_++ : 0; }
    std::uint32_t Word() {
        if (!Need(2)) return 0;
        const std::uint32_t v = U16(p_);
        p_ += 2;
        return v;
    }
    std::int32_t SignedWord() { return static_cast<std::int16_t>(Word()); }
    std::uint32_t Dword() {
        if (!Need(4)) return 0;
        const std::uint32_t v = U32(p_);
        p_ += 4;
        return v;
    }
    void Skip(std::size_t n) {
        if (Need(n)) p_ += n;
    }
    // The variable-length numbers of topic records and pictures: the
    // lowest bit of the first byte (word) says whether a second byte
    // (word) follows.
    std::uint32_t CompressedUShort() {
        if (!Need(1)) return 0;
        return (*p_ & 1) ? Word() / 2 : Byte() / 2;
    }
    std::int32_t CompressedShort() {
        if (!Need(1)) return 0;
        return (*p_ & 1) ? static_cast<std::int32_t>(Word() / 2) - 0x4000 : static_cast<std::int32_t>(Byte() / 2) - 0x40;
    }
    std::uint32_t CompressedULong() {
        if (!Need(1)) return 0;
        return (*p_ & 1) ? Dword() / 2 : Word() / 2;
    }
    std::int32_t CompressedLong() {
        if (!Need(1)) return 0;
        return (*p_ & 1) ? static_cast<std::int32_t>(Dword() / 2) - 0x4000000
                         : static_cast<std::int32_t>(Word() / 2) - 0x4000;
    }
    // A NUL-terminated string; without its NUL the cursor fails.
    std::string String() {
        if (!ok_) return std::string();
        const void* nul = p_ < end_ ? std::memchr(p_, 0, static_cast<std::size_t>(end_ - p_)) : nullptr;
        if (!nul) {
            ok_ = false;
            return std::string();
        }
        std::string s(reinterpret_cast<const char*>(p_), static_cast<const std::uint8_t*>(nul) - p_);
        p_ = static_cast<const std::uint8_t*>(nul) + 1;
        return s;
    }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
    bool ok_ = true;
};

void Note(std::string* problems, const std::string& what) {
    if (!problems) return;
    if (problems->find(what) != std::string::npos) return;
    if (!problems->empty()) *problems += "; ";
    *problems += what;
}

// Calls `each(entry, end)` for every entry of a B+ tree's leaf pages, in
// order; `each` returns the entry's size, or 0 when it does not fit. The
// pages are followed from the first leaf, each at most once.
template <class Each>
bool WalkTree(const Bytes& tree, Each each) {
    if (tree.size() < 38 || U16(&tree[0]) != 0x293B) return false;
    const std::size_t pageSize = U16(&tree[4]);
    const std::size_t pages = U16(&tree[30]);
    std::uint32_t page = U16(&tree[26]);
    std::uint32_t levels = U16(&tree[32]);
    if (pageSize < 8 || levels == 0 || levels > 16) return false;
    auto pageAt = [&](std::uint32_t n) -> const std::uint8_t* {
        const std::size_t start = 38 + static_cast<std::size_t>(n) * pageSize;
        return (n < pages && start + pageSize <= tree.size()) ? &tree[start] : nullptr;
    };
    for (; levels > 1; --levels) {   // the first child of each index page
        const std::uint8_t* p = pageAt(page);
        if (!p) return false;
        page = U16(p + 4);
    }
    std::vector<bool> seen(pages, false);
    bool whole = true;
    while (page != 0xFFFF) {
        const std::uint8_t* p = pageAt(page);
        if (!p || seen[page]) return false;
        seen[page] = true;
        const std::size_t count = U16(p + 2);
        const std::uint8_t* e = p + 8;
        const std::uint8_t* end = p + pageSize;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t used = each(e, end);
            if (used == 0) {
                whole = false;
                break;
            }
            e += used;
        }
        page = U16(p + 6);
    }
    return whole;
}

bool ReadInternal(zyl::HelpFileHandle* help, const char* name, Bytes* out) {
    zyl::DataFilePtr file(zyl::FindInternalFile(help, name));
    if (!file) return false;
    const std::int32_t length = zyl::DataFileLength(file.get());
    if (length < 0 || length > kMaxInternalFile) return false;
    return zyl::ReadAllBytes(file.get(), out);
}

// The code page of the platform's character set numbers.
unsigned CodePageOf(int charset) {
    switch (charset) {
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return 0;
    }
}

struct FontEntry {
    TextStyle style;   // face and size given
};

}  // namespace

// ---------------------------------------------------------------------------

Bytes Unlz77(const std::uint8_t* data, std::size_t size, std::size_t limit, bool* complete) {
    Bytes out;
    out.reserve(std::min<std::size_t>(limit, size * 2 + 16));
    bool whole = true;
    std::size_t i = 0;
    while (i < size && out.size() < limit) {
        const unsigned flags = data[i++];
        for (int bit = 0; bit < 8 && i < size && out.size() < limit; ++bit) {
            if (!(flags & (1u << bit))) {
                out.push_back(data[i++]);
                continue;
            }
            if (size - i < 2) {
                i = size;
                break;
            }
            const std::uint32_t code = U16(data + i);
            i += 2;
            const std::size_t back = (code & 0xFFF) + 1;
            std::size_t length = (code >> 12) + 3;
            if (back > out.size()) {
                whole = false;
                i = size;
                break;
            }
            length = std::min(length, limit - out.size());
            std::size_t from = out.size() - back;
            for (std::size_t k = 0; k < length; ++k) out.push_back(out[from + k]);   // may overlap itself
        }
    }
    if (complete) *complete = whole;
    return out;
}

std::string UnhashContext(std::uint32_t hash) {
    // Context strings hash as base-43 numbers: '1'..'9' are 1..9, '0' 10,
    // '.' 12, '_' 13, letters 17..42 (capitals and small alike). The other
    // digits belong to rarer characters, used only when nothing else fits.
    static const char kCommon[43] = {0,   '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', 0,   '.', '_', 0,
                                     0,   0,   'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M',
                                     'N', 'O', 'P', 'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z'};
    static const char kRare[43] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, '!', 0, 0, '^', '?', '@'};
    for (int pass = 0; pass < 2; ++pass) {
        for (std::uint64_t k = 0; k < 43; ++k) {
            std::uint64_t v = hash + (k << 32);
            std::string s;
            bool ok = v != 0;
            while (v != 0 && ok) {
                const int digit = static_cast<int>(v % 43);
                const char c = kCommon[digit] ? kCommon[digit] : pass ? kRare[digit] : 0;
                if (!c) ok = false;
                s.insert(s.begin(), c);
                v /= 43;
            }
            if (ok) return s;
        }
    }
    return "1";   // never reached: every 32-bit hash has a form over all 42 digits
}

// ---------------------------------------------------------------------------

struct HelpReader::Impl {
    zyl::FileSystem* files = nullptr;
    std::string path;
    zyl::HelpFilePtr help;
    zylscript::SystemInfo system;
    zylscript::Script script;
    std::string indexProblems;

    // |TOPIC: the raw blocks, decoded on first use.
    Bytes topicFile;
    std::size_t blockSize = 4096;          // bytes per block in the file
    std::size_t decodedSize = 4096 - 12;   // most bytes a block's data gives
    bool lz77 = false;
    std::vector<Bytes> blocks;
    std::vector<bool> decoded;

    enum class Phrases { kNone, kOld, kHall };
    Phrases phrases = Phrases::kNone;
    std::vector<std::uint32_t> phraseStart;   // phrase i is phraseText[phraseStart[i], phraseStart[i + 1])
    Bytes phraseText;

    std::vector<FontEntry> fonts;

    struct TopicEntry {
        std::uint32_t pos = 0;        // of its header record
        std::uint32_t offset = 0;     // its topic offset
        std::uint32_t nonScroll = kNone, scroll = kNone;
    };
    std::vector<TopicEntry> entries;

    bool Open(zyl::FileSystem& fs, const std::string& file, std::string* error);
    const Bytes* Block(std::size_t i);
    bool ReadSpan(std::uint32_t pos, std::size_t length, Bytes* out);
    bool ReadRecord(std::uint32_t pos, Bytes* record, std::string* problem);
    bool ExpandText(const std::uint8_t* data, std::size_t stored, std::size_t length, Bytes* out);
    void ReadPhrases();
    void ReadFonts();
    void WalkTopics();
    void ReadContexts();
    int TopicAtOffset(std::uint32_t offset) const;
    TextStyle StyleOf(std::uint32_t font) const;
    std::string WindowName(std::uint32_t number) const;
};

const Bytes* HelpReader::Impl::Block(std::size_t i) {
    if (i >= blocks.size()) return nullptr;
    if (!decoded[i]) {
        decoded[i] = true;
        const std::size_t start = i * blockSize;
        const std::size_t end = std::min(topicFile.size(), start + blockSize);
        if (end > start + kBlockHeader) {
            const std::uint8_t* data = &topicFile[start + kBlockHeader];
            const std::size_t size = end - start - kBlockHeader;
            if (lz77) {
                bool whole = true;
                blocks[i] = Unlz77(data, size, decodedSize, &whole);
                if (!whole) Note(&indexProblems, "topic block " + std::to_string(i) + " is damaged");
            } else {
                blocks[i].assign(data, data + std::min(size, decodedSize));
            }
        }
    }
    return &blocks[i];
}

// Bytes of |TOPIC from a topic position on: a record that runs past the
// data of its block goes on at the start of the next block's.
bool HelpReader::Impl::ReadSpan(std::uint32_t pos, std::size_t length, Bytes* out) {
    out->clear();
    if (pos < kBlockHeader || pos == kNone) return false;
    std::size_t block = (pos - kBlockHeader) / kPositionBlock;
    std::size_t offset = (pos - kBlockHeader) % kPositionBlock;
    while (out->size() < length) {
        const Bytes* data = Block(block);
        if (!data || offset > data->size()) return false;
        const std::size_t take = std::min(length - out->size(), data->size() - offset);
        out->insert(out->end(), data->begin() + static_cast<std::ptrdiff_t>(offset),
                    data->begin() + static_cast<std::ptrdiff_t>(offset + take));
        ++block;
        offset = 0;
        if (take == 0 && !Block(block)) return false;
    }
    return true;
}

bool HelpReader::Impl::ReadRecord(std::uint32_t pos, Bytes* record, std::string* problem) {
    if (!ReadSpan(pos, kRecordHeader, record)) {
        Note(problem, "a topic record lies outside the topic file");
        return false;
    }
    const std::uint32_t size = U32(&(*record)[0]), length1 = U32(&(*record)[16]);
    if (size < length1 || length1 < kRecordHeader || size > kMaxRecord) {
        Note(problem, "a topic record has impossible sizes");
        return false;
    }
    if (!ReadSpan(pos, size, record)) {
        Note(problem, "a topic record runs past the topic file");
        return false;
    }
    return true;
}

// LinkData2: stored as it is, or phrase-compressed when it holds fewer
// bytes than it decodes to.
bool HelpReader::Impl::ExpandText(const std::uint8_t* data, std::size_t stored, std::size_t length, Bytes* out) {
    out->clear();
    if (length > kMaxRecord) return false;
    if (length <= stored) {
        out->assign(data, data + length);
        return true;
    }
    const std::size_t count = phraseStart.empty() ? 0 : phraseStart.size() - 1;
    auto phrase = [&](std::size_t index) {
        if (index >= count) return false;
        out->insert(out->end(), phraseText.begin() + phraseStart[index], phraseText.begin() + phraseStart[index + 1]);
        return true;
    };
    bool ok = phrases != Phrases::kNone;
    std::size_t i = 0;
    while (ok && i < stored && out->size() < length) {
        const std::uint32_t c = data[i++];
        if (phrases == Phrases::kOld) {
            if (c == 0 || c >= 0x10) {
                out->push_back(static_cast<std::uint8_t>(c));
                continue;
            }
            if (i >= stored) return false;
            const std::uint32_t code = c * 256 + data[i++];
            ok = phrase((code - 0x100) / 2);
            if (code & 1) out->push_back(' ');
        } else if ((c & 1) == 0) {
            ok = phrase(c / 2);
        } else if ((c & 3) == 1) {
            if (i >= stored) return false;
            ok = phrase(c * 64 + 64 + data[i++]);
        } else if ((c & 7) == 3) {
            const std::size_t n = c / 8 + 1;
            if (stored - i < n) return false;
            out->insert(out->end(), data + i, data + i + n);
            i += n;
        } else {
            out->insert(out->end(), c / 16 + 1, static_cast<std::uint8_t>((c & 0x0F) == 0x07 ? ' ' : 0));
        }
    }
    if (out->size() > length) out->resize(length);
    return ok && out->size() == length;
}

void HelpReader::Impl::ReadPhrases() {
    Bytes file;
    if (ReadInternal(help.get(), "|Phrases", &file)) {
        // Windows 3.1 and later: count, 0x0100, decoded size, offsets, then
        // the phrases LZ77-compressed; some files put 0x0800 and 30 more
        // bytes in front. 3.0 files keep the phrases plain.
        std::size_t head = 0;
        if (file.size() >= 4 && U16(&file[0]) == 0x0800 && file.size() >= 6 && U16(&file[4]) == 0x0100) head = 2;
        Cursor c(file.data() + head, file.size() - head);
        const std::uint32_t count = c.Word();
        c.Word();
        const bool compressed = system.minor > 16;
        const std::uint32_t decoded = compressed ? c.Dword() : 0;
        if (head) c.Skip(30);
        std::vector<std::uint32_t> offsets;
        for (std::uint32_t i = 0; i <= count && c.ok(); ++i) offsets.push_back(c.Word());
        if (!c.ok() || count == 0 || count > kMaxPhrases || offsets[0] != 2 * (count + 1)) {
            Note(&indexProblems, "the phrase file is damaged");
            return;
        }
        Bytes text = compressed ? Unlz77(c.at(), c.left(), std::min<std::size_t>(decoded, kMaxInternalFile))
                                : Bytes(c.at(), c.at() + c.left());
        // The offsets count from the first of them: the phrases start
        // where they end.
        const std::uint32_t base = offsets[0];
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            if (offsets[i] < base || offsets[i] - base > text.size() || (i > 0 && offsets[i] - base < offsets[i - 1])) {
                Note(&indexProblems, "the phrase file is damaged");
                return;
            }
            offsets[i] -= base;   // the one before is already counted from the text
        }
        phraseStart = std::move(offsets);
        phraseText = std::move(text);
        phrases = Phrases::kOld;
        return;
    }
    Bytes index, image;
    if (!ReadInternal(help.get(), "|PhrIndex", &index) || !ReadInternal(help.get(), "|PhrImage", &image)) return;
    // Hall compression: the phrase lengths bit-packed in |PhrIndex, the
    // phrases themselves in |PhrImage, LZ77-compressed unless its two
    // sizes are equal.
    if (index.size() < 28) {
        Note(&indexProblems, "the phrase index is damaged");
        return;
    }
    const std::uint32_t count = U32(&index[4]);
    const std::uint32_t imageSize = U32(&index[12]), imageStored = U32(&index[16]);
    const unsigned bits = U16(&index[24]) & 0x0F;
    if (count == 0 || count > kMaxPhrases || imageSize > static_cast<std::uint32_t>(kMaxInternalFile) || bits > 5) {
        Note(&indexProblems, "the phrase index is damaged");
        return;
    }
    std::size_t word = 28;
    std::uint32_t mask = 0;
    bool exhausted = false;
    auto bit = [&]() -> bool {
        if (mask == 0 || mask == 0x80000000u) {
            if (mask != 0) word += 4;
            mask = 1;
        } else {
            mask <<= 1;
        }
        if (word + 4 > index.size()) {
            exhausted = true;
            return false;
        }
        return (U32(&index[word]) & mask) != 0;
    };
    std::vector<std::uint32_t> starts(1, 0);
    for (std::uint32_t i = 0; i < count && !exhausted; ++i) {
        std::uint32_t n = 1;
        while (bit() && !exhausted && n < (1u << 20)) n += 1u << bits;
        // The low bits of the length follow, at least one of them.
        for (unsigned b = 0; (b == 0 || b < bits) && !exhausted; ++b)
            if (bit()) n += 1u << b;
        if (starts.back() + n > static_cast<std::uint32_t>(kMaxInternalFile)) break;   // longer than any image
        starts.push_back(starts.back() + n);
    }
    Bytes text = imageSize == imageStored ? image : Unlz77(image.data(), image.size(), imageSize);
    if (exhausted || starts.size() != count + 1 || starts.back() > text.size()) {
        Note(&indexProblems, "the phrase index is damaged");
        return;
    }
    phraseStart = std::move(starts);
    phraseText = std::move(text);
    phrases = Phrases::kHall;
}

void HelpReader::Impl::ReadFonts() {
    Bytes file;
    if (!ReadInternal(help.get(), "|FONT", &file) || file.size() < 8) {
        Note(&indexProblems, "the font table is missing");
        return;
    }
    const std::uint32_t faces = U16(&file[0]), count = U16(&file[2]);
    const std::uint32_t faceAt = U16(&file[4]), descAt = U16(&file[6]);
    if (faceAt >= 12) {
        Note(&indexProblems, "the font table is of a kind this reader does not know");
        return;
    }
    const std::size_t faceBytes = faces ? (descAt > faceAt ? (descAt - faceAt) / faces : 0) : 0;
    auto face = [&](std::uint32_t i) -> std::string {
        if (i >= faces || faceBytes == 0) return std::string();
        const std::size_t at = faceAt + static_cast<std::size_t>(i) * faceBytes;
        if (at + faceBytes > file.size()) return std::string();
        std::size_t n = 0;
        while (n < faceBytes && n < 31 && file[at + n]) ++n;
        return std::string(reinterpret_cast<const char*>(&file[at]), n);
    };
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = descAt + static_cast<std::size_t>(i) * 11;
        if (at + 11 > file.size()) {
            Note(&indexProblems, "the font table is cut short");
            break;
        }
        const std::uint8_t* d = &file[at];
        FontEntry f;
        f.style.bold = (d[0] & 1) != 0;
        f.style.italic = (d[0] & 2) != 0;
        f.style.underline = (d[0] & 4) != 0;
        f.style.strikeout = (d[0] & 8) != 0;
        f.style.halfPoints = d[1] ? d[1] : 20;
        f.style.face = face(U16(d + 3));
        if (f.style.face.empty()) f.style.face = "Arial";
        f.style.colour = static_cast<std::uint32_t>(d[5] | (d[6] << 8) | (d[7] << 16));
        fonts.push_back(f);
    }
}

// A font as the model keeps it: face, size and colour given only where they
// differ from the file's font (the first one) and black.
TextStyle HelpReader::Impl::StyleOf(std::uint32_t font) const {
    if (fonts.empty()) return TextStyle();
    TextStyle s = fonts[font < fonts.size() ? font : 0].style;
    const TextStyle& base = fonts[0].style;
    if (s.face == base.face) s.face.clear();
    if (s.halfPoints == base.halfPoints) s.halfPoints = 0;
    if (s.colour == 0) s.colour = zylscript::kNoColour;
    return s;
}

std::string HelpReader::Impl::WindowName(std::uint32_t number) const {
    return number < system.windows.size() ? system.windows[number].name : std::string();
}

// Follows the records from the first one, noting each topic's header and
// the characters counted for topic offsets.
void HelpReader::Impl::WalkTopics() {
    std::uint32_t pos = kBlockHeader, last = 0;
    std::size_t countBlock = static_cast<std::size_t>(-1);
    std::uint32_t chars = 0;
    bool recordsAfterHeader = false;
    Bytes record;
    std::size_t steps = 0;
    while (pos != kNone && pos != 0) {
        if (pos <= last && last != 0) {
            Note(&indexProblems, "the topic records loop back");
            break;
        }
        if (++steps > kMaxTopics * 8) break;
        Bytes head;
        if (!ReadSpan(pos, kRecordHeader + 12, &head) && !ReadSpan(pos, kRecordHeader, &head)) {
            Note(&indexProblems, "a topic record lies outside the topic file");
            break;
        }
        const std::uint32_t size = U32(&head[0]), next = U32(&head[12]), length1 = U32(&head[16]);
        const std::uint8_t type = head[20];
        if (length1 < kRecordHeader || size < length1 || size > kMaxRecord) {
            Note(&indexProblems, "a topic record has impossible sizes");
            break;
        }
        const std::size_t block = (pos - kBlockHeader) / kPositionBlock;
        if (block != countBlock) {
            countBlock = block;
            chars = 0;
        }
        if (type == 0x02) {
            if (!ReadRecord(pos, &record, &indexProblems) || record.size() < kRecordHeader + 28) {
                Note(&indexProblems, "a topic header is damaged");
                break;
            }
            if (entries.size() >= kMaxTopics) break;
            TopicEntry e;
            e.pos = pos;
            e.offset = static_cast<std::uint32_t>(block * kOffsetBlock + chars);
            e.nonScroll = U32(&record[kRecordHeader + 16]);
            e.scroll = U32(&record[kRecordHeader + 20]);
            zylscript::Topic t;
            t.number = U32(&record[kRecordHeader + 12]);
            Bytes text;
            if (ExpandText(record.data() + length1, size - length1, U32(&record[4]), &text)) {
                const std::size_t end = std::find(text.begin(), text.end(), 0) - text.begin();
                t.title.assign(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(end));
            } else {
                Note(&indexProblems, "a topic title cannot be decoded");
            }
            entries.push_back(e);
            script.topics.push_back(std::move(t));
            recordsAfterHeader = false;
        } else {
            recordsAfterHeader = true;
            if (type == 0x20 || type == 0x23) {
                Cursor c(head.data() + kRecordHeader, head.size() - kRecordHeader);
                c.CompressedLong();
                const std::uint32_t length = c.CompressedUShort();
                if (c.ok()) chars += length;
            }
        }
        last = pos;
        pos = next;
    }
    // The compilers end the list with an empty header of no topic.
    if (!entries.empty() && !recordsAfterHeader) {
        entries.pop_back();
        script.topics.pop_back();
    }
}

int HelpReader::Impl::TopicAtOffset(std::uint32_t offset) const {
    // The last topic starting at or before the offset; of several starting
    // there, the first.
    auto it = std::upper_bound(entries.begin(), entries.end(), offset,
                               [](std::uint32_t o, const TopicEntry& e) { return o < e.offset; });
    if (it == entries.begin()) return -1;
    std::size_t i = static_cast<std::size_t>(it - entries.begin()) - 1;
    while (i > 0 && entries[i - 1].offset == entries[i].offset) --i;
    return static_cast<int>(i);
}

void HelpReader::Impl::ReadContexts() {
    std::vector<std::string> names(script.topics.size());
    std::vector<std::uint32_t> firstHash(script.topics.size(), 0);
    std::vector<bool> hashed(script.topics.size(), false);
    Bytes file;
    if (ReadInternal(help.get(), "|CONTEXT", &file)) {
        const bool whole = WalkTree(file, [&](const std::uint8_t* e, const std::uint8_t* end) -> std::size_t {
            if (end - e < 8) return 0;
            const int topic = TopicAtOffset(U32(e + 4));
            if (topic >= 0) {
                script.contextHashes.emplace_back(U32(e), topic);
                if (!hashed[static_cast<std::size_t>(topic)]) {
                    hashed[static_cast<std::size_t>(topic)] = true;
                    firstHash[static_cast<std::size_t>(topic)] = U32(e);
                }
            }
            return 8;
        });
        if (!whole) Note(&indexProblems, "the context index is damaged");
    }
    // |TopicId and |TTLBTREE: topic offsets with a string each, the
    // context string and the title.
    auto strings = [&](const char* name, auto each) {
        if (!ReadInternal(help.get(), name, &file)) return;
        WalkTree(file, [&](const std::uint8_t* e, const std::uint8_t* end) -> std::size_t {
            if (end - e < 5) return 0;
            const void* nul = std::memchr(e + 4, 0, static_cast<std::size_t>(end - e - 4));
            if (!nul) return 0;
            const int topic = TopicAtOffset(U32(e));
            if (topic >= 0)
                each(static_cast<std::size_t>(topic), U32(e),
                     std::string(reinterpret_cast<const char*>(e + 4), static_cast<const std::uint8_t*>(nul) - (e + 4)));
            return static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - e) + 1;
        });
    };
    strings("|TopicId", [&](std::size_t topic, std::uint32_t, const std::string& name) {
        if (names[topic].empty()) names[topic] = name;
    });
    // The title index names topics whose header has no title.
    strings("|TTLBTREE", [&](std::size_t topic, std::uint32_t offset, const std::string& title) {
        if (entries[topic].offset == offset && script.topics[topic].title.empty()) script.topics[topic].title = title;
    });
    if (ReadInternal(help.get(), "|CTXOMAP", &file) && file.size() >= 2) {
        const std::size_t count = std::min<std::size_t>(U16(&file[0]), (file.size() - 2) / 8);
        for (std::size_t i = 0; i < count; ++i) {
            const int topic = TopicAtOffset(U32(&file[2 + 8 * i + 4]));
            if (topic >= 0) script.contextNumbers.emplace_back(U32(&file[2 + 8 * i]), topic);
        }
    }
    for (std::size_t i = 0; i < script.topics.size(); ++i) {
        zylscript::Topic& t = script.topics[i];
        // The number the host reports for the topic: its first context
        // number, else its place in the file.
        t.hasNumber = false;
        for (const auto& n : script.contextNumbers)
            if (n.second == static_cast<int>(i) && !t.hasNumber) {
                t.hasNumber = true;
                t.number = n.first;
            }
        if (!t.hasNumber) t.number = static_cast<std::uint32_t>(i);
        t.hasNumber = true;
        t.context = !names[i].empty() ? names[i] : hashed[i] ? UnhashContext(firstHash[i]) : "#" + std::to_string(i);
        if (t.title.empty()) t.title = t.context;
    }
}

bool HelpReader::Impl::Open(zyl::FileSystem& fs, const std::string& file, std::string* error) {
    files = &fs;
    path = file;
    zyl::OpenError why = zyl::OpenError::kNone;
    help.reset(zyl::OpenHelpFile(fs, file.c_str(), &why));
    if (!help) {
        *error = why == zyl::OpenError::kNotHelpFile ? file + " is not a help file" : "cannot open " + file;
        return false;
    }
    Bytes bytes;
    if (!ReadInternal(help.get(), "|SYSTEM", &bytes)) {
        *error = file + " has no system file: it is not a help file of the help viewer";
        return false;
    }
    std::string why2;
    if (!zylscript::ReadSystemFile(bytes.data(), bytes.size(), &system, &why2)) {
        *error = file + ": " + why2;
        return false;
    }
    if (system.minor <= 16) {
        *error = file + " is a help file of Windows 3.0 (format version " + std::to_string(system.minor) +
                 "), which this reader does not show";
        return false;
    }
    if (!ReadInternal(help.get(), "|TOPIC", &topicFile)) {
        *error = file + " has no topic file";
        return false;
    }
    lz77 = system.flags == 4 || system.flags == 8;
    blockSize = system.flags == 8 ? 2048 : 4096;
    decodedSize = lz77 ? kPositionBlock : blockSize - kBlockHeader;
    const std::size_t count = (topicFile.size() + blockSize - 1) / blockSize;
    blocks.assign(count, Bytes());
    decoded.assign(count, false);

    ReadPhrases();
    ReadFonts();
    WalkTopics();
    if (script.topics.empty()) {
        *error = file + " has no topic that can be read" + (indexProblems.empty() ? "" : " (" + indexProblems + ")");
        return false;
    }
    ReadContexts();

    script.fromHelpFile = true;
    script.title = system.title;
    script.copyright = system.copyright;
    script.startupMacros = system.startupMacros;
    script.codePage = CodePageOf(system.charset);
    for (const zylscript::WindowDef& w : system.windows) {
        if (w.name.empty()) continue;
        script.windows.push_back(w);
        // The main window's colour is the file's background.
        if ((w.name == "main" || w.name == "MAIN") && w.background != zylscript::kNoColour) {
            script.hasBackground = true;
            script.background = w.background;
        }
    }
    if (!fonts.empty()) {
        script.fontFace = fonts[0].style.face;
        script.fontHalfPoints = fonts[0].style.halfPoints;
    }
    if (system.hasContents) {
        const int topic = TopicAtOffset(system.contents);
        if (topic >= 0) script.contents = topic;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Topic records into paragraphs

namespace {

class TopicDecoder {
public:
    TopicDecoder(HelpReader::Impl& file, zylscript::Topic* topic, std::string* problem)
        : file_(file), topic_(topic), problem_(problem) {}

    // One displayable record (0x20 or 0x23).
    void Record(const Bytes& record, bool nsr) {
        std::vector<Paragraph>* region = nsr ? &topic_->nsr : &topic_->body;
        if (region != region_) {
            open_ = false;
            pendingBreak_ = false;
            region_ = region;
        }
        const std::uint32_t size = U32(&record[0]), length1 = U32(&record[16]);
        const std::uint8_t type = record[20];
        if (!file_.ExpandText(record.data() + length1, size - length1, U32(&record[4]), &text_)) {
            Note(problem_, "the text of a paragraph cannot be decoded");
            if (text_.empty()) return;
        }
        textAt_ = 0;
        Cursor c(record.data() + kRecordHeader, length1 - kRecordHeader);
        c.CompressedLong();      // TopicSize
        c.CompressedUShort();    // TopicLength
        int columns = 1;
        if (type == 0x23) {
            columns = static_cast<int>(c.Byte());
            const std::uint32_t tableType = c.Byte();
            if (tableType == 0 || tableType == 2) c.Word();
            c.Skip(static_cast<std::size_t>(columns) * 4);
        }
        for (int column = 0; column < columns && c.ok(); ++column) {
            if (type == 0x23) {
                if (c.SignedWord() == -1) break;
                c.Skip(3);
            }
            ParagraphFormat format;
            if (!Format(&c, &format)) {
                Note(problem_, "the formatting of a paragraph is damaged");
                break;
            }
            format_ = format;
            if (!Commands(&c)) break;
        }
        if (!c.ok()) Note(problem_, "the formatting of a paragraph is cut short");
        // What no command reached stays plain text.
        while (textAt_ < text_.size()) AddString();
    }

    void Finish() {
        // A body made of one empty paragraph is what compilers write for a
        // topic without text.
        if (topic_->body.size() == 1 && topic_->body[0].segments.empty()) topic_->body.clear();
    }

private:
    bool Format(Cursor* c, ParagraphFormat* f) {
        c->Skip(4);   // two unknown bytes and an id
        const std::uint32_t bits = c->Word();
        if (bits & 0x0001) c->CompressedLong();
        if (bits & 0x0002) f->spaceAbove = c->CompressedShort();
        f->spaceBelow = (bits & 0x0004) ? c->CompressedShort() : 0;
        if (bits & 0x0008) f->lineSpacing = c->CompressedShort();
        if (bits & 0x0010) f->leftIndent = c->CompressedShort();
        if (bits & 0x0020) f->rightIndent = c->CompressedShort();
        if (bits & 0x0040) f->firstIndent = c->CompressedShort();
        if (bits & 0x0100) c->Skip(3);   // borders: not drawn
        if (bits & 0x0200) {
            const std::int32_t count = c->CompressedShort();
            if (count < 0 || count > 64) return false;
            for (std::int32_t i = 0; i < count && c->ok(); ++i) {
                zylscript::TabStop tab;
                const std::uint32_t stop = c->CompressedUShort();
                tab.position = static_cast<int>(stop & 0x3FFF);
                if (stop & 0x4000) {
                    const std::uint32_t kind = c->CompressedUShort();
                    tab.align = kind == 1 ? 'r' : kind == 2 ? 'c' : 'l';
                }
                f->tabs.push_back(tab);
            }
        }
        f->align = (bits & 0x0C00) == 0x0400 ? 'r' : (bits & 0x0C00) == 0x0800 ? 'c' : 'l';
        return c->ok();
    }

    Paragraph& Current() {
        if (!open_) {
            region_->emplace_back();
            region_->back().format = format_;
            region_->back().lineBreakBefore = pendingBreak_;
            pendingBreak_ = false;
            open_ = true;
        }
        return region_->back();
    }

    void EndParagraph(bool lineBreak) {
        Current();
        open_ = false;
        pendingBreak_ = lineBreak;
    }

    void AddText(const std::string& s) {
        if (s.empty()) return;
        Paragraph& p = Current();
        const bool link = inLink_;
        if (!p.segments.empty()) {
            Segment& last = p.segments.back();
            const bool same = link ? (last.kind == Segment::Kind::Link && linkId_ == lastLinkId_ && last.style == style_)
                                   : (last.kind == Segment::Kind::Text && last.style == style_);
            if (same) {
                last.text += s;
                return;
            }
        }
        Segment seg = link ? link_ : Segment();
        seg.style = style_;
        seg.text = s;
        p.segments.push_back(std::move(seg));
        lastLinkId_ = link ? linkId_ : -1;
    }

    // The next NUL-terminated string of the text.
    void AddString() {
        const std::size_t end = std::find(text_.begin() + static_cast<std::ptrdiff_t>(textAt_), text_.end(), 0) - text_.begin();
        AddText(std::string(text_.begin() + static_cast<std::ptrdiff_t>(textAt_), text_.begin() + static_cast<std::ptrdiff_t>(end)));
        textAt_ = end < text_.size() ? end + 1 : end;
    }

    void StartLink(LinkKind kind, std::string target, bool plain) {
        link_ = Segment();
        link_.kind = Segment::Kind::Link;
        link_.link = kind;
        link_.target = std::move(target);
        link_.plain = plain;
        inLink_ = true;
        ++linkId_;
    }

    // A jump or popup to the topic with this hash, maybe in a window or
    // another file.
    void HashLink(bool jump, std::uint32_t hash, const std::string& window, const std::string& otherFile, bool plain) {
        std::string target;
        if (otherFile.empty()) {
            const int topic = file_.script.FindTopicByHash(hash);
            if (topic >= 0) target = file_.script.topics[static_cast<std::size_t>(topic)].context;
        }
        if (!window.empty()) target += ">" + window;
        StartLink(jump ? LinkKind::Jump : LinkKind::Popup, target, plain);
        link_.byHash = true;
        link_.hash = hash;
        link_.file = otherFile;
    }

    void Embedded(char align, const std::string& text) {
        if (!text.empty() && text[0] == '!') {
            // A button of the viewer's own: "!Label,Macros".
            const std::size_t comma = text.find(',');
            const bool wasLink = inLink_;
            StartLink(LinkKind::Macro, comma == std::string::npos ? std::string() : text.substr(comma + 1), false);
            AddText(text.substr(1, comma == std::string::npos ? std::string::npos : comma - 1));
            inLink_ = wasLink;
            return;
        }
        if (!text.empty() && text[0] == '*') {
            Note(problem_, "a video clip of the help viewer's own is not shown");
            return;
        }
        Segment seg;
        seg.kind = Segment::Kind::Embedded;
        seg.ref.align = align;
        const std::size_t c1 = text.find(',');
        const std::size_t c2 = c1 == std::string::npos ? std::string::npos : text.find(',', c1 + 1);
        auto trim = [](std::string s) {
            const std::size_t a = s.find_first_not_of(" \t");
            if (a == std::string::npos) return std::string();
            const std::size_t b = s.find_last_not_of(" \t");
            return s.substr(a, b - a + 1);
        };
        seg.ref.dll = trim(text.substr(0, c1));
        if (c1 != std::string::npos) seg.ref.className = trim(text.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1));
        if (c2 != std::string::npos) {
            const std::size_t start = text.find_first_not_of(" \t", c2 + 1);
            if (start != std::string::npos) seg.ref.data = text.substr(start);
        }
        Current().segments.push_back(std::move(seg));
        lastLinkId_ = -1;
    }

    void Picture(char align, const zylscript::PictureRef& ref) {
        Segment seg;
        seg.kind = Segment::Kind::Picture;
        seg.picture = ref;
        seg.picture.align = align;
        Current().segments.push_back(std::move(seg));
        lastLinkId_ = -1;
    }

    // A command's operand that says its own size in a 16-bit word.
    static bool Sized(Cursor* c, Cursor* operand) {
        const std::uint32_t length = c->Word();
        if (!c->ok() || length > c->left()) return false;
        *operand = Cursor(c->at(), length);
        c->Skip(length);
        return true;
    }

    // The character commands of one column: each string of the text, then
    // the command after it, up to 0xFF.
    bool Commands(Cursor* c) {
        while (c->ok()) {
            AddString();
            const std::uint32_t command = c->Byte();
            if (!c->ok()) return false;
            switch (command) {
            case 0xFF:
                return true;
            case 0x20:   // {vfld}
                c->Skip(4);
                break;
            case 0x21:   // {dtype}
                c->Skip(2);
                break;
            case 0x80:
                style_ = file_.StyleOf(c->Word());
                break;
            case 0x81:
                EndParagraph(true);
                break;
            case 0x82:
                EndParagraph(false);
                break;
            case 0x83:
                AddText("\t");
                break;
            case 0x86:
            case 0x87:
            case 0x88: {
                const char align = "clr"[command - 0x86];
                const std::uint32_t kind = c->Byte();
                const std::int32_t size = c->CompressedLong();
                if (kind == 0x22) c->CompressedUShort();   // hot spots: counted for offsets only
                if (size < 0 || static_cast<std::size_t>(size) > c->left()) return false;
                Cursor object(c->at(), static_cast<std::size_t>(size));
                c->Skip(static_cast<std::size_t>(size));
                if (kind == 0x05) {
                    object.Skip(6);
                    const std::string text = object.String();
                    if (!object.ok()) {
                        Note(problem_, "an embedded window reference is damaged");
                        break;
                    }
                    Embedded(align, text);
                } else if (kind == 0x03 || kind == 0x22) {
                    zylscript::PictureRef ref;
                    const std::uint32_t inTopic = object.Word();
                    if (inTopic == 0) ref.name = "|bm" + std::to_string(object.Word());
                    else ref.bytes.assign(object.at(), object.at() + object.left());
                    if (!object.ok()) {
                        Note(problem_, "a picture reference is damaged");
                        break;
                    }
                    Picture(align, ref);
                } else {
                    Note(problem_, "an object of an unknown kind was left out");
                }
                break;
            }
            case 0x89:
                inLink_ = false;
                break;
            case 0x8B:
                AddText("\xA0");
                break;
            case 0x8C:   // a hyphen that does not break: it is in the text
                break;
            case 0xC8:
            case 0xCC: {
                Cursor macro(nullptr, 0);
                if (!Sized(c, &macro)) return false;
                std::string text = macro.String();
                if (!macro.ok()) text.assign(reinterpret_cast<const char*>(macro.at()), macro.left());
                StartLink(LinkKind::Macro, text, command == 0xCC);
                break;
            }
            case 0xE0:
            case 0xE1: {   // by topic offset (3.0 style)
                const int topic = file_.TopicAtOffset(c->Dword());
                StartLink(command == 0xE1 ? LinkKind::Jump : LinkKind::Popup,
                          topic >= 0 ? file_.script.topics[static_cast<std::size_t>(topic)].context : std::string(), false);
                break;
            }
            case 0xE2:
            case 0xE3:
            case 0xE6:
            case 0xE7:
                HashLink(command & 1, c->Dword(), std::string(), std::string(), (command & 4) != 0);
                break;
            case 0xEA:
            case 0xEB:
            case 0xEE:
            case 0xEF: {
                Cursor link(nullptr, 0);
                if (!Sized(c, &link)) return false;
                const std::uint32_t kind = link.Byte();
                const std::uint32_t hash = link.Dword();
                std::string window, other;
                if (kind == 1) window = file_.WindowName(link.Byte());
                else if (kind == 4) other = link.String();
                else if (kind == 6) {
                    window = link.String();
                    other = link.String();
                }
                if (!link.ok()) {
                    Note(problem_, "a jump is damaged");
                    break;
                }
                HashLink(command & 1, hash, window, other, (command & 4) != 0);
                break;
            }
            default:
                Note(problem_, "a formatting command this reader does not know");
                return false;
            }
        }
        return false;
    }

    HelpReader::Impl& file_;
    zylscript::Topic* topic_;
    std::string* problem_;
    std::vector<Paragraph>* region_ = nullptr;
    bool open_ = false, pendingBreak_ = false;
    ParagraphFormat format_;
    TextStyle style_;
    Bytes text_;
    std::size_t textAt_ = 0;
    bool inLink_ = false;
    Segment link_;
    int linkId_ = 0, lastLinkId_ = -1;
};

}  // namespace

// ---------------------------------------------------------------------------

HelpReader::HelpReader() : impl_(std::make_unique<Impl>()) {}
HelpReader::~HelpReader() = default;

bool HelpReader::Open(zyl::FileSystem& files, const std::string& path, std::string* error) {
    impl_ = std::make_unique<Impl>();
    std::string ignored;
    return impl_->Open(files, path, error ? error : &ignored);
}

const zylscript::Script& HelpReader::Index() const { return impl_->script; }
const std::string& HelpReader::IndexProblems() const { return impl_->indexProblems; }

bool HelpReader::LoadTopic(std::size_t index, zylscript::Topic* topic, std::string* problem) {
    Impl& f = *impl_;
    std::string ignored;
    if (!problem) problem = &ignored;
    problem->clear();
    if (index >= f.entries.size()) {
        *problem = "no such topic";
        return false;
    }
    const Impl::TopicEntry& e = f.entries[index];
    const zylscript::Topic& known = f.script.topics[index];
    topic->context = known.context;
    topic->title = known.title;
    topic->number = known.number;
    topic->hasNumber = known.hasNumber;
    topic->nsr.clear();
    topic->body.clear();
    topic->entryMacros.clear();
    Bytes record;
    if (!f.ReadRecord(e.pos, &record, problem)) return false;
    {
        Bytes text;
        const std::uint32_t size = U32(&record[0]), length1 = U32(&record[16]);
        if (f.ExpandText(record.data() + length1, size - length1, U32(&record[4]), &text)) {
            Cursor c(text.data(), text.size());
            c.String();   // the title
            while (c.ok() && c.left() > 0) {
                std::string macro = c.String();
                if (!c.ok()) macro.assign(reinterpret_cast<const char*>(c.at()), c.left());
                if (!macro.empty()) topic->entryMacros.push_back(std::move(macro));
            }
        }
    }
    TopicDecoder decoder(f, topic, problem);
    std::uint32_t pos = U32(&record[12]), last = e.pos;
    for (std::size_t n = 0; pos != kNone && pos != 0 && n < kMaxRecordsPerTopic; ++n) {
        if (pos <= last) {
            Note(problem, "the topic's records loop back");
            break;
        }
        if (!f.ReadRecord(pos, &record, problem)) break;
        const std::uint8_t type = record[20];
        if (type == 0x02) break;   // the next topic
        if (type == 0x20 || type == 0x23) {
            const bool nsr = e.nonScroll != kNone && pos >= e.nonScroll && (e.scroll == kNone || pos < e.scroll);
            decoder.Record(record, nsr);
        }
        last = pos;
        pos = U32(&record[12]);
    }
    decoder.Finish();
    return problem->empty();
}

bool HelpReader::LoadPicture(const zylscript::PictureRef& ref, Picture* out, std::string* error) {
    std::string ignored;
    if (!error) error = &ignored;
    if (!ref.bytes.empty()) return DecodePicture(ref.bytes.data(), ref.bytes.size(), out, error);
    Bytes file;
    if (!impl_->help || !ReadInternal(impl_->help.get(), ref.name.c_str(), &file)) {
        *error = "picture " + ref.name + " is missing";
        return false;
    }
    return DecodePicture(file.data(), file.size(), out, error);
}

bool ReadHelpFile(zyl::FileSystem& files, const std::string& path, zylscript::Script* out, std::string* error,
                  std::string* problems) {
    HelpReader reader;
    if (!reader.Open(files, path, error)) return false;
    *out = reader.Index();
    if (problems) *problems = reader.IndexProblems();
    for (std::size_t i = 0; i < out->topics.size(); ++i) {
        std::string problem;
        if (!reader.LoadTopic(i, &out->topics[i], &problem) && problems)
            Note(problems, out->topics[i].context + ": " + problem);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Pictures

namespace {

constexpr std::int32_t kMaxPictureSide = 8192;
constexpr std::size_t kMaxPictureBytes = 64u << 20;

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Run-length packing: a byte with the high bit set copies that many
// bytes that follow; otherwise it repeats the next byte that many times.
Bytes Unrle(const Bytes& in, std::size_t limit) {
    Bytes out;
    std::size_t i = 0;
    while (i < in.size() && out.size() < limit) {
        const std::uint32_t n = in[i++];
        if (n & 0x80) {
            const std::size_t count = std::min<std::size_t>(n & 0x7F, in.size() - i);
            out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(i), in.begin() + static_cast<std::ptrdiff_t>(i + count));
            i += count;
        } else {
            if (i >= in.size()) break;
            out.insert(out.end(), n, in[i++]);
        }
    }
    if (out.size() > limit) out.resize(limit);
    return out;
}

bool HotSpots(const std::uint8_t* data, std::size_t size, std::vector<HotSpot>* out) {
    Cursor c(data, size);
    c.Byte();
    const std::uint32_t count = c.Word();
    const std::uint32_t macroBytes = c.Dword();
    if (!c.ok() || count > 4096 || c.left() < static_cast<std::size_t>(count) * 15) return false;
    Cursor strings(c.at() + count * 15, c.left() - count * 15);
    strings.Skip(macroBytes);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t kind = c.Byte();
        c.Skip(2);
        HotSpot h;
        h.x = static_cast<int>(c.Word());
        h.y = static_cast<int>(c.Word());
        h.width = static_cast<int>(c.Word());
        h.height = static_cast<int>(c.Word());
        h.hash = c.Dword();
        strings.String();   // the hot spot's name
        std::string target = strings.String();
        if (!strings.ok()) return false;
        h.visible = (kind & 4) == 0;
        if (kind == 0xC8 || kind == 0xCC) {
            h.link = zylscript::LinkKind::Macro;
        } else {
            h.link = (kind & 1) ? zylscript::LinkKind::Jump : zylscript::LinkKind::Popup;
            // "context>window@file" for the external kinds; the hash is the
            // context string's.
            const std::size_t at = target.find('@');
            if (at != std::string::npos) target.erase(at);
            const std::size_t gt = target.find('>');
            h.hash = zylscript::ContextHash(gt == std::string::npos ? target : target.substr(0, gt));
        }
        h.target = target;
        out->push_back(h);
    }
    return true;
}

bool DecodeBitmap(const std::uint8_t* base, std::size_t size, Picture* out, std::string* error) {
    Cursor c(base, size);
    const std::uint32_t type = c.Byte(), packing = c.Byte();
    c.CompressedULong();   // dpi
    c.CompressedULong();
    const std::uint32_t planes = c.CompressedUShort(), bits = c.CompressedUShort();
    const std::uint32_t width = c.CompressedULong(), height = c.CompressedULong();
    std::uint32_t colours = c.CompressedULong();
    const std::uint32_t important = c.CompressedULong();
    const std::uint32_t stored = c.CompressedULong(), hotSize = c.CompressedULong();
    const std::uint32_t dataAt = c.Dword(), hotAt = c.Dword();
    if (!c.ok()) {
        *error = "a picture header is cut short";
        return false;
    }
    if (planes != 1 || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) || width == 0 || height == 0 ||
        width > kMaxPictureSide || height > kMaxPictureSide || packing > 3) {
        *error = "a picture of a size, depth or packing this reader does not show";
        return false;
    }
    if (bits > 8) colours = 0;
    else if (colours == 0 || colours > (1u << bits)) colours = 1u << bits;
    std::vector<std::uint32_t> palette;
    if (type == 6) {
        for (std::uint32_t i = 0; i < colours; ++i) palette.push_back(c.Dword() & 0xFFFFFF);
        if (!c.ok()) {
            *error = "a picture's colour table is cut short";
            return false;
        }
    } else if (bits <= 8) {
        // A device-dependent bitmap brings no colours: black and white for
        // one bit, the display's standard ones otherwise.
        static const std::uint32_t kVga[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                               0x808000, 0xC0C0C0, 0x808080, 0x0000FF, 0x00FF00, 0x00FFFF,
                                               0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
        for (std::uint32_t i = 0; i < colours; ++i)
            palette.push_back(bits == 1 ? (i ? 0xFFFFFF : 0) : bits == 4 ? kVga[i]
                                                                          : ((i & 0xE0) << 16) | ((i & 0x1C) << 11) | ((i & 3) << 6));
    }
    if (dataAt > size || stored > size - dataAt) {
        *error = "a picture's data lies outside it";
        return false;
    }
    // Rows of a device-independent bitmap are padded to 4 bytes, of a
    // device-dependent one to 2; both run bottom-up.
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    const std::size_t fileRow = type == 5 ? (static_cast<std::size_t>(width) * bits + 15) / 16 * 2 : rowBytes;
    const std::size_t need = fileRow * height;
    if (need > kMaxPictureBytes) {
        *error = "a picture too large to show";
        return false;
    }
    Bytes packed(base + dataAt, base + dataAt + stored);
    Bytes pixels;
    if (packing == 0) pixels = std::move(packed);
    else if (packing == 1) pixels = Unrle(packed, need);
    else if (packing == 2) pixels = Unlz77(packed.data(), packed.size(), need);
    else {
        const Bytes lz = Unlz77(packed.data(), packed.size(), need * 2 + 1024);
        pixels = Unrle(lz, need);
    }
    pixels.resize(need, 0);   // a short picture shows black below what it holds

    const std::size_t head = 40 + palette.size() * 4;
    out->dib.assign(head + rowBytes * height, 0);
    Bytes& d = out->dib;
    Put32(d, 0, 40);
    Put32(d, 4, width);
    Put32(d, 8, height);
    d[12] = 1;
    d[14] = static_cast<std::uint8_t>(bits);
    Put32(d, 20, static_cast<std::uint32_t>(rowBytes * height));
    Put32(d, 32, static_cast<std::uint32_t>(palette.size()));
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const std::uint32_t rgb = palette[i];   // stored as blue, green, red
        d[40 + 4 * i] = static_cast<std::uint8_t>(rgb);
        d[41 + 4 * i] = static_cast<std::uint8_t>(rgb >> 8);
        d[42 + 4 * i] = static_cast<std::uint8_t>(rgb >> 16);
    }
    for (std::uint32_t row = 0; row < height; ++row)
        std::memcpy(&d[head + row * rowBytes], &pixels[row * fileRow], std::min(fileRow, rowBytes));
    out->width = static_cast<std::int32_t>(width);
    out->height = static_cast<std::int32_t>(height);
    // A transparent bitmap shows the background where its last colour is.
    out->transparent = important == 1 && !palette.empty();
    if (out->transparent) {
        const std::uint32_t bgr = palette.back();
        out->transparentColour = ((bgr >> 16) & 0xFF) | (bgr & 0xFF00) | ((bgr & 0xFF) << 16);
    }
    out->hotSpots.clear();
    if (hotSize && hotAt && hotAt < size && hotSize <= size - hotAt && !HotSpots(base + hotAt, hotSize, &out->hotSpots))
        out->hotSpots.clear();
    return true;
}

}  // namespace

bool DecodePicture(const std::uint8_t* data, std::size_t size, Picture* out, std::string* error) {
    std::string ignored;
    if (!error) error = &ignored;
    *out = Picture();
    Cursor c(data, size);
    c.Word();   // "lP" or "lp"; files do not always say which
    const std::uint32_t count = c.Word();
    if (!c.ok() || count == 0 || count > 64) {
        *error = "not a picture record";
        return false;
    }
    std::string why = "a picture record without a bitmap";
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t at = c.Dword();
        if (!c.ok() || at >= size) {
            why = "a picture lies outside its record";
            break;
        }
        const std::uint8_t type = data[at];
        if (type != 5 && type != 6) continue;   // metafiles are not shown
        if (DecodeBitmap(data + at, size - at, out, &why)) return true;
    }
    *error = why;
    return false;
}

}  // namespace zylhlp
