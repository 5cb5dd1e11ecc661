#include "helpwriter.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <unordered_map>

namespace zylhc {

namespace {

// ---- bytes ----

void Put8(Bytes& b, std::uint32_t v) { b.push_back(static_cast<std::uint8_t>(v)); }
void Put16(Bytes& b, std::uint32_t v) {
    Put8(b, v & 0xFF);
    Put8(b, (v >> 8) & 0xFF);
}
void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void Set16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Set32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutText(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }

// The variable-length numbers of topic records: the lowest bit of the
// first byte tells the short form (0) from the long one (1).
void PutCompressedUShort(Bytes& b, std::uint32_t v) {   // v < 32768
    if (v < 0x80) Put8(b, v * 2);
    else Put16(b, v * 2 + 1);
}
void PutCompressedShort(Bytes& b, int v) {              // -16384 <= v < 16384
    if (v >= -0x40 && v < 0x40) Put8(b, static_cast<std::uint32_t>(v + 0x40) * 2);
    else Put16(b, static_cast<std::uint32_t>(v + 0x4000) * 2 + 1);
}
void PutCompressedLong(Bytes& b, std::int32_t v) {      // -2^26 <= v < 2^30
    if (v >= -0x4000 && v < 0x4000) Put16(b, static_cast<std::uint32_t>(v + 0x4000) * 2);
    else Put32(b, static_cast<std::uint32_t>(v + 0x4000000) * 2 + 1);
}

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

// ---- LZ77 ----

// Compresses a topic block as records are added to it. Bytes marked
// "open" get their value only once every record has its place (positions
// of other records): they are written as literals and never copied from,
// so the compressed size does not depend on them and they can be patched
// in afterwards.
class Lz77Block {
public:
    static constexpr std::size_t kWindow = 4096, kMinMatch = 3, kMaxMatch = 18;
    static constexpr std::size_t kChainDepth = 48;

    struct Mark {
        std::size_t outSize, flagAt, inSize, tokens;
        std::uint8_t flag;
    };
    Mark Save() const { return {out_.size(), flagAt_, in_.size(), tokens_, static_cast<std::uint8_t>(flagAt_ < out_.size() ? out_[flagAt_] : 0)}; }
    // Takes back what was appended since `m`; only before the block is closed.
    void Restore(const Mark& m) {
        out_.resize(m.outSize);
        in_.resize(m.inSize);
        open_.resize(m.inSize);
        outAt_.resize(m.inSize);
        chain_.resize(m.inSize);
        flagAt_ = m.flagAt;
        tokens_ = m.tokens;
        if (flagAt_ < out_.size()) out_[flagAt_] = m.flag;
    }

    void Append(const std::uint8_t* data, const std::uint8_t* open, std::size_t n) {
        const std::size_t start = in_.size();
        in_.insert(in_.end(), data, data + n);
        open_.insert(open_.end(), open, open + n);
        outAt_.resize(in_.size(), 0);
        chain_.resize(in_.size(), kNoPos);
        std::size_t p = start;
        while (p < in_.size()) {
            std::size_t bestLen = 0, bestPos = 0;
            if (!open_[p] && p + kMinMatch <= in_.size()) {
                const std::size_t limit = std::min(kMaxMatch, in_.size() - p);
                std::size_t c = head_[Hash(p)];
                for (std::size_t depth = 0; c != kNoPos && c < p && p - c <= kWindow && depth < kChainDepth;
                     ++depth, c = chain_[c]) {
                    std::size_t len = 0;
                    while (len < limit && in_[c + len] == in_[p + len] && !open_[c + len] && !open_[p + len]) ++len;
                    if (len > bestLen) {
                        bestLen = len;
                        bestPos = c;
                        if (len == limit) break;
                    }
                }
            }
            if (bestLen >= kMinMatch) {
                const std::uint32_t code = static_cast<std::uint32_t>((bestLen - kMinMatch) << 12 | (p - bestPos - 1));
                Token(true);
                Put16(out_, code);
                for (std::size_t i = 0; i < bestLen; ++i) Insert(p + i);
                p += bestLen;
            } else {
                Token(false);
                outAt_[p] = out_.size();
                out_.push_back(in_[p]);
                Insert(p);
                ++p;
            }
        }
    }

    std::size_t InputSize() const { return in_.size(); }
    Bytes& Output() { return out_; }
    // Where the literal of input byte `i` (an open byte) was written.
    std::size_t OutputAt(std::size_t i) const { return outAt_[i]; }

private:
    static constexpr std::size_t kNoPos = static_cast<std::size_t>(-1);
    static constexpr std::size_t kHashSize = 1 << 12;

    std::size_t Hash(std::size_t p) const {
        return ((in_[p] << 8) ^ (in_[p + 1] << 4) ^ in_[p + 2]) & (kHashSize - 1);
    }
    void Insert(std::size_t p) {
        if (p + kMinMatch > in_.size()) return;
        const std::size_t h = Hash(p);
        chain_[p] = head_[h];
        head_[h] = p;
    }
    void Token(bool copy) {
        if (tokens_ % 8 == 0) {
            flagAt_ = out_.size();
            out_.push_back(0);
        }
        if (copy) out_[flagAt_] = static_cast<std::uint8_t>(out_[flagAt_] | (1u << (tokens_ % 8)));
        ++tokens_;
    }

    Bytes in_, open_, out_;
    std::vector<std::size_t> outAt_, chain_;
    std::vector<std::size_t> head_ = std::vector<std::size_t>(kHashSize, kNoPos);
    std::size_t flagAt_ = 0, tokens_ = 0;
};

// ---- B+ trees ----

struct TreeEntry {
    Bytes key, value;
};

constexpr std::uint16_t kTreeMagic = 0x293B;
constexpr std::uint16_t kNoPage = 0xFFFF;

// Pads a page to its size and notes its free bytes and entry count.
void ClosePage(Bytes* page, std::size_t pageSize, std::uint16_t count) {
    const std::size_t used = page->size();
    page->resize(pageSize, 0);
    Set16(*page, 0, static_cast<std::uint32_t>(pageSize - used));
    Set16(*page, 2, count);
}

// A B+ tree internal file for entries sorted by key: the leaves first (page
// 0 the first leaf, each linked to the next), then each index level, the
// root last. Index entries are a child's first key and its page number.
bool BuildTree(const char* structure, std::uint16_t pageSize, const std::vector<TreeEntry>& entries, Bytes* out,
               std::string* error) {
    struct Child {
        std::uint16_t page;
        const Bytes* firstKey;
    };
    std::vector<Bytes> pages;
    std::vector<Child> children;
    auto tooMany = [&] {
        *error = "too many entries for one index";
        return false;
    };
    std::size_t next = 0;
    do {
        Bytes page;
        Put16(page, 0);
        Put16(page, 0);
        Put16(page, pages.empty() ? kNoPage : pages.size() - 1);
        Put16(page, kNoPage);
        std::uint16_t count = 0;
        const Bytes* first = next < entries.size() ? &entries[next].key : nullptr;
        while (next < entries.size()) {
            const TreeEntry& e = entries[next];
            if (page.size() + e.key.size() + e.value.size() > pageSize) break;
            page.insert(page.end(), e.key.begin(), e.key.end());
            page.insert(page.end(), e.value.begin(), e.value.end());
            ++count;
            ++next;
        }
        if (count == 0 && next < entries.size()) {
            *error = "an index entry does not fit a page";
            return false;
        }
        ClosePage(&page, pageSize, count);
        if (!pages.empty()) Set16(pages.back(), 6, static_cast<std::uint32_t>(pages.size()));
        children.push_back(Child{static_cast<std::uint16_t>(pages.size()), first});
        pages.push_back(std::move(page));
        if (pages.size() >= kNoPage) return tooMany();
    } while (next < entries.size());

    std::uint16_t levels = 1;
    while (children.size() > 1) {
        std::vector<Child> parents;
        std::size_t c = 0;
        while (c < children.size()) {
            Bytes page;
            Put16(page, 0);
            Put16(page, 0);
            Put16(page, children[c].page);
            const Bytes* first = children[c].firstKey;
            std::uint16_t count = 0;
            for (++c; c < children.size(); ++c, ++count) {
                const Bytes& key = *children[c].firstKey;
                if (page.size() + key.size() + 2 > pageSize) break;
                page.insert(page.end(), key.begin(), key.end());
                Put16(page, children[c].page);
            }
            ClosePage(&page, pageSize, count);
            parents.push_back(Child{static_cast<std::uint16_t>(pages.size()), first});
            pages.push_back(std::move(page));
            if (pages.size() >= kNoPage) return tooMany();
        }
        children.swap(parents);
        ++levels;
    }

    out->clear();
    Put16(*out, kTreeMagic);
    Put16(*out, 0x0002);
    Put16(*out, pageSize);
    char format[16] = {};
    std::strncpy(format, structure, sizeof format - 1);
    out->insert(out->end(), format, format + sizeof format);
    Put16(*out, 0);
    Put16(*out, static_cast<std::uint32_t>(pages.size() - levels));   // the splits it took to grow
    Put16(*out, children.front().page);                              // root
    Put16(*out, kNoPage);
    Put16(*out, static_cast<std::uint32_t>(pages.size()));
    Put16(*out, levels);
    Put32(*out, static_cast<std::uint32_t>(entries.size()));
    for (const Bytes& p : pages) out->insert(out->end(), p.begin(), p.end());
    return true;
}

// ---- topic records ----

constexpr std::size_t kBlockBytes = 4096;
constexpr std::size_t kBlockHeader = 12;
constexpr std::size_t kBlockData = kBlockBytes - kBlockHeader;
constexpr std::size_t kDecompressedBlock = 0x4000;   // the reader's buffer for one block
constexpr std::size_t kRecordHeader = 21;
// A record never crosses a block; this many bytes fit an empty block even
// when LZ77 cannot shorten them (9 bytes for every 8).
constexpr std::size_t kMaxRecord = 3500;

enum RecordType : std::uint8_t { kTopicHeader = 0x02, kParagraph = 0x20 };

struct Record {
    Bytes bytes;
    Bytes open;                 // 1 for bytes whose value is set once records are placed
    RecordType type = kParagraph;
    std::uint32_t textLength = 0;   // characters it counts for topic offsets
    std::size_t topic = 0;
    std::size_t block = 0, offset = 0;   // where it was placed
    std::uint32_t Pos() const { return static_cast<std::uint32_t>(block * kDecompressedBlock + kBlockHeader + offset); }
};

// Field offsets inside a record.
constexpr std::size_t kPrevField = 8, kNextField = 12;
constexpr std::size_t kBrowseBackField = kRecordHeader + 4, kBrowseForField = kRecordHeader + 8;
constexpr std::size_t kNonScrollField = kRecordHeader + 16, kScrollField = kRecordHeader + 20,
                      kNextTopicField = kRecordHeader + 24;

Record MakeRecord(RecordType type, const Bytes& data1, const Bytes& data2) {
    Record r;
    r.type = type;
    const std::uint32_t len1 = static_cast<std::uint32_t>(kRecordHeader + data1.size());
    Put32(r.bytes, static_cast<std::uint32_t>(len1 + data2.size()));   // BlockSize
    Put32(r.bytes, static_cast<std::uint32_t>(data2.size()));          // DataLen2: stored as is
    Put32(r.bytes, kNone);                                             // PrevBlock
    Put32(r.bytes, kNone);                                             // NextBlock
    Put32(r.bytes, len1);                                              // DataLen1
    Put8(r.bytes, type);
    r.bytes.insert(r.bytes.end(), data1.begin(), data1.end());
    r.bytes.insert(r.bytes.end(), data2.begin(), data2.end());
    r.open.assign(r.bytes.size(), 0);
    for (std::size_t i = 0; i < 8; ++i) r.open[kPrevField + i] = 1;
    return r;
}

Record TopicHeaderRecord(const std::string& title, std::uint32_t topicNumber) {
    Bytes data1;
    Put32(data1, 0);            // size of the topic's records, set once they are made
    Put32(data1, kNone);        // BrowseBck
    Put32(data1, kNone);        // BrowseFor
    Put32(data1, topicNumber);
    Put32(data1, kNone);        // NonScroll
    Put32(data1, kNone);        // Scroll
    Put32(data1, kNone);        // NextTopic
    Record r = MakeRecord(kTopicHeader, data1, Bytes(title.begin(), title.end()));
    for (std::size_t f : {kBrowseBackField, kBrowseForField, kNonScrollField, kScrollField, kNextTopicField})
        for (std::size_t i = 0; i < 4; ++i) r.open[f + i] = 1;
    return r;
}

// Builds the paragraph records of one paragraph: the text strings go to
// LinkData2, separated by NULs, and each NUL stands for the formatting
// command at the same place in LinkData1.
class ParagraphWriter {
public:
    explicit ParagraphWriter(std::vector<Record>* out) : out_(out) {}

    bool Write(const HelpParagraph& p, std::size_t topic, std::string* error) {
        topic_ = topic;
        if (!LayoutFits(p.layout)) return Fail(error, "paragraph spacing, indents or tab stops out of range");
        layout_ = p.layout;
        // A paragraph that starts with a font starts its record with it.
        std::size_t i = 0;
        if (!p.items.empty() && p.items[0].kind == ItemKind::Font) {
            if (p.items[0].value > 0xFFFF) return Fail(error, "font number out of range");
            font_ = p.items[0].value;
            i = 1;
        }
        Begin();
        for (; i < p.items.size(); ++i) {
            const Item& item = p.items[i];
            Bytes command;
            std::string text;
            switch (item.kind) {
            case ItemKind::Text:
                if (!AddText(item.text)) return Fail(error, "text holds a NUL byte");
                continue;
            case ItemKind::Font:
                if (item.value > 0xFFFF) return Fail(error, "font number out of range");
                Put8(command, 0x80);
                Put16(command, item.value);
                font_ = item.value;
                break;
            case ItemKind::LineBreak:
                Put8(command, 0x81);
                break;
            case ItemKind::Tab:
                Put8(command, 0x83);
                break;
            case ItemKind::Window:
                if (!WindowCommand(item, &command)) return Fail(error, "embedded window reference too long or holds a NUL");
                break;
            case ItemKind::Picture:
                if (item.value > 0x7FFF) return Fail(error, "picture number out of range");
                Put8(command, item.align == 'l' ? 0x87 : item.align == 'r' ? 0x88 : 0x86);
                Put8(command, 0x03);             // a picture
                PutCompressedLong(command, 4);
                Put16(command, 0);               // in an internal file of its own
                Put16(command, item.value);
                break;
            case ItemKind::Jump:
            case ItemKind::Popup:
            case ItemKind::Macro: {
                // A hot spot stays whole: its start, its text and its end.
                if (!LinkCommand(item, &command)) return Fail(error, "link target too long or holds a NUL");
                if (i + 2 >= p.items.size() || p.items[i + 1].kind != ItemKind::Text ||
                    p.items[i + 2].kind != ItemKind::LinkEnd)
                    return Fail(error, "a link is its start, its text and its end");
                text = p.items[i + 1].text;
                if (text.size() > kMaxUncutBytes || text.find('\0') != std::string::npos)
                    return Fail(error, "link text too long or holds a NUL");
                i += 2;
                break;
            }
            case ItemKind::LinkEnd:
                return Fail(error, "a link end without its start");
            }
            Command(command, text, item.kind == ItemKind::Jump || item.kind == ItemKind::Popup ||
                                       item.kind == ItemKind::Macro);
        }
        Finish(true);
        return true;
    }

private:
    static bool Fail(std::string* error, const char* why) {
        *error = why;
        return false;
    }

    static bool LayoutFits(const ParagraphLayout& l) {
        auto fits = [](int v) { return v >= -0x4000 && v < 0x4000; };
        if (!fits(l.spaceAbove) || !fits(l.spaceBelow) || !fits(l.lineSpacing) || !fits(l.leftIndent) ||
            !fits(l.rightIndent) || !fits(l.firstIndent) || l.tabs.size() > 32)
            return false;
        if (l.align != 'l' && l.align != 'c' && l.align != 'r') return false;
        for (const auto& tab : l.tabs)
            if (tab.first < 0 || tab.first > 0x3FFF || (tab.second != 'l' && tab.second != 'r' && tab.second != 'c'))
                return false;
        return true;
    }

    // The paragraph's spacing, indents, tab stops and alignment: a bit for
    // each value given, then the values.
    void PutLayout(Bytes& out) const {
        const ParagraphLayout& l = layout_;
        const int values[] = {l.spaceAbove, l.spaceBelow, l.lineSpacing, l.leftIndent, l.rightIndent, l.firstIndent};
        std::uint32_t bits = 0;
        for (int i = 0; i < 6; ++i)
            if (values[i] != 0) bits |= 0x0002u << i;
        if (!l.tabs.empty()) bits |= 0x0200;
        if (l.align == 'r') bits |= 0x0400;
        if (l.align == 'c') bits |= 0x0800;
        Put16(out, bits);
        for (int i = 0; i < 6; ++i)
            if (values[i] != 0) PutCompressedShort(out, values[i]);
        if (l.tabs.empty()) return;
        PutCompressedShort(out, static_cast<int>(l.tabs.size()));
        for (const auto& tab : l.tabs) {
            if (tab.second == 'l') {
                PutCompressedUShort(out, static_cast<std::uint32_t>(tab.first));
            } else {
                PutCompressedUShort(out, static_cast<std::uint32_t>(tab.first) | 0x4000);
                PutCompressedUShort(out, tab.second == 'r' ? 1 : 2);
            }
        }
    }

    // At least what the record takes once finished.
    std::size_t Size() const { return kRecordHeader + 16 + format_.size() + text_.size() + pending_.size() + 4; }

    void Begin() {
        format_.clear();
        text_.clear();
        pending_.clear();
        Bytes command;
        Put8(command, 0x80);
        Put16(command, font_);
        Emit(command);
    }

    void Emit(const Bytes& command) {
        PutText(text_, pending_);
        text_.push_back(0);
        pending_.clear();
        format_.insert(format_.end(), command.begin(), command.end());
    }

    // A command, and for a link its text and end, in this record or the next.
    void Command(const Bytes& command, const std::string& linkText, bool link) {
        const std::size_t need = command.size() + linkText.size() + (link ? 3 : 1);
        if (Size() + need > kMaxRecord) {
            Finish(false);
            Begin();
        }
        Emit(command);
        if (link) {
            pending_ = linkText;
            Emit(Bytes{0x89});
        }
    }

    bool AddText(const std::string& text) {
        if (text.find('\0') != std::string::npos) return false;
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t room = kMaxRecord > Size() ? kMaxRecord - Size() : 0;
            if (room == 0) {
                Finish(false);
                Begin();
                continue;
            }
            const std::size_t take = std::min(room, text.size() - at);
            pending_.append(text, at, take);
            at += take;
        }
        return true;
    }

    bool WindowCommand(const Item& item, Bytes* command) {
        if (item.text.size() > kMaxUncutBytes || item.text.find('\0') != std::string::npos) return false;
        Put8(*command, item.align == 'l' ? 0x87 : item.align == 'r' ? 0x88 : 0x86);
        Put8(*command, 0x05);   // an embedded window
        PutCompressedLong(*command, static_cast<std::int32_t>(6 + item.text.size() + 1));
        Put16(*command, 0);
        Put16(*command, 0);
        Put16(*command, 0);
        PutText(*command, item.text);
        Put8(*command, 0);
        return true;
    }

    static bool LinkCommand(const Item& item, Bytes* command) {
        if (item.kind == ItemKind::Macro) {
            if (item.text.size() > kMaxUncutBytes || item.text.find('\0') != std::string::npos) return false;
            Put8(*command, 0xC8);
            Put16(*command, static_cast<std::uint32_t>(item.text.size() + 1));
            PutText(*command, item.text);
            Put8(*command, 0);
        } else if (!item.text.empty()) {
            // Into another help file, maybe into a window of it: the window's
            // name, then the file's.
            const std::size_t gt = item.text.find('>');
            const std::string window = gt == std::string::npos ? std::string() : item.text.substr(0, gt);
            const std::string file = gt == std::string::npos ? item.text : item.text.substr(gt + 1);
            if (item.text.size() > kMaxUncutBytes || item.text.find('\0') != std::string::npos || file.empty()) return false;
            Put8(*command, item.kind == ItemKind::Jump ? 0xEB : 0xEA);
            Put16(*command, static_cast<std::uint32_t>(5 + (window.empty() ? 0 : window.size() + 1) + file.size() + 1));
            Put8(*command, window.empty() ? 4 : 6);
            Put32(*command, item.value);
            if (!window.empty()) {
                PutText(*command, window);
                Put8(*command, 0);
            }
            PutText(*command, file);
            Put8(*command, 0);
        } else if (item.kind == ItemKind::Jump && item.window >= 0) {
            if (item.window > 0xFF) return false;
            Put8(*command, 0xEB);                      // a jump into a secondary window
            Put16(*command, 6);
            Put8(*command, 1);                         // the window by its number
            Put32(*command, item.value);
            Put8(*command, static_cast<std::uint32_t>(item.window));
        } else {
            Put8(*command, item.kind == ItemKind::Jump ? 0xE3 : 0xE2);
            Put32(*command, item.value);
        }
        return true;
    }

    void Finish(bool paragraphEnd) {
        if (paragraphEnd) Emit(Bytes{0x82});
        PutText(text_, pending_);
        text_.push_back(0);
        pending_.clear();
        format_.push_back(0xFF);

        Bytes rest;   // what follows TopicSize and TopicLength
        Put8(rest, 0x00);
        Put8(rest, 0x80);
        Put16(rest, 0);            // id
        PutLayout(rest);
        rest.insert(rest.end(), format_.begin(), format_.end());
        Bytes data1;
        PutCompressedLong(data1, static_cast<std::int32_t>(rest.size()));
        PutCompressedUShort(data1, static_cast<std::uint32_t>(text_.size()));
        data1.insert(data1.end(), rest.begin(), rest.end());
        Record r = MakeRecord(kParagraph, data1, text_);
        r.textLength = static_cast<std::uint32_t>(text_.size());
        r.topic = topic_;
        out_->push_back(std::move(r));
    }

    std::vector<Record>* out_;
    std::size_t topic_ = 0;
    std::uint32_t font_ = 0;   // in force where a record starts
    ParagraphLayout layout_;
    Bytes format_, text_;
    std::string pending_;      // the string the next command ends
};

struct Block {
    Lz77Block lz;
    Bytes raw;
    std::vector<std::size_t> records;
    std::uint32_t chars = 0;   // counted for topic offsets so far
};

struct TopicLayout {
    std::vector<Record> records;
    std::vector<std::size_t> headers;              // record of each topic's header (and the closing one)
    std::vector<std::size_t> firstNsr, firstBody;  // first record of each region, or kNoRecord
    std::vector<std::uint32_t> offsets;            // topic offset of each header
    std::vector<Block> blocks;
    static constexpr std::size_t kNoRecord = static_cast<std::size_t>(-1);
};

bool MakeRecords(const HelpDocument& doc, TopicLayout* t, std::string* error) {
    for (std::size_t i = 0; i <= doc.topics.size(); ++i) {
        const bool closing = i == doc.topics.size();   // an empty header ends the list
        t->headers.push_back(t->records.size());
        t->records.push_back(TopicHeaderRecord(closing ? std::string() : doc.topics[i].title,
                                               static_cast<std::uint32_t>(i)));
        t->records.back().topic = i;
        if (closing) break;
        const HelpTopic& topic = doc.topics[i];
        if (topic.title.size() > kMaxUncutBytes) {
            *error = "topic title too long";
            return false;
        }
        ParagraphWriter writer(&t->records);
        t->firstNsr.push_back(topic.nsr.empty() ? TopicLayout::kNoRecord : t->records.size());
        for (const HelpParagraph& p : topic.nsr)
            if (!writer.Write(p, i, error)) return false;
        // A topic region always has a paragraph: it gives the topic room
        // among the topic offsets, and the header something to point to.
        t->firstBody.push_back(t->records.size());
        static const HelpParagraph kEmpty;
        if (topic.body.empty() && !writer.Write(kEmpty, i, error)) return false;
        for (const HelpParagraph& p : topic.body)
            if (!writer.Write(p, i, error)) return false;
        std::uint32_t size = 0;
        for (std::size_t r = t->headers.back() + 1; r < t->records.size(); ++r)
            size += static_cast<std::uint32_t>(t->records[r].bytes.size());
        Set32(t->records[t->headers.back()].bytes, kRecordHeader, size);
    }
    return true;
}

// Places every record in a block, whole: uncompressed blocks hold 4084
// bytes; compressed ones as much as compresses into them, up to the 16 KB
// a reader decompresses a block into.
bool PlaceRecords(TopicLayout* t, bool compress, std::string* error) {
    for (std::size_t i = 0; i < t->records.size(); ++i) {
        Record& r = t->records[i];
        bool placed = false;
        for (int attempt = 0; attempt < 2 && !placed; ++attempt) {
            if (attempt == 1 || t->blocks.empty()) t->blocks.emplace_back();
            Block& b = t->blocks.back();
            if (compress) {
                if (b.lz.InputSize() + r.bytes.size() > kDecompressedBlock) continue;
                const Lz77Block::Mark mark = b.lz.Save();
                r.offset = b.lz.InputSize();
                b.lz.Append(r.bytes.data(), r.open.data(), r.bytes.size());
                if (b.lz.Output().size() > kBlockData) {
                    b.lz.Restore(mark);
                    continue;
                }
            } else {
                if (b.raw.size() + r.bytes.size() > kBlockData) continue;
                r.offset = b.raw.size();
                b.raw.insert(b.raw.end(), r.bytes.begin(), r.bytes.end());
            }
            r.block = t->blocks.size() - 1;
            b.records.push_back(i);
            if (r.type == kTopicHeader)
                t->offsets.push_back(static_cast<std::uint32_t>(r.block * 0x8000 + b.chars));
            b.chars += r.textLength;
            placed = true;
        }
        if (!placed) {
            *error = "a topic record does not fit a block";
            return false;
        }
    }
    return true;
}

// Fills in the positions that depend on where records were placed, in the
// records and in the block that holds each of them.
void PatchPositions(TopicLayout* t, bool compress) {
    const std::size_t topics = t->headers.size() - 1;
    for (std::size_t i = 0; i < t->records.size(); ++i) {
        Record& r = t->records[i];
        Set32(r.bytes, kPrevField, i == 0 ? kNone : t->records[i - 1].Pos());
        Set32(r.bytes, kNextField, i + 1 == t->records.size() ? kNone : t->records[i + 1].Pos());
    }
    for (std::size_t k = 0; k < topics; ++k) {
        Bytes& h = t->records[t->headers[k]].bytes;
        Set32(h, kBrowseBackField, k == 0 ? kNone : t->offsets[k - 1]);
        Set32(h, kBrowseForField, k + 1 == topics ? kNone : t->offsets[k + 1]);
        Set32(h, kNonScrollField, t->firstNsr[k] == TopicLayout::kNoRecord ? kNone : t->records[t->firstNsr[k]].Pos());
        Set32(h, kScrollField, t->records[t->firstBody[k]].Pos());
        Set32(h, kNextTopicField, t->records[t->headers[k + 1]].Pos());
    }
    for (const Record& r : t->records) {
        Block& b = t->blocks[r.block];
        for (std::size_t j = 0; j < r.bytes.size(); ++j) {
            if (!r.open[j]) continue;
            if (compress) b.lz.Output()[b.lz.OutputAt(r.offset + j)] = r.bytes[j];
            else b.raw[r.offset + j] = r.bytes[j];
        }
    }
}

Bytes TopicFile(TopicLayout* t, bool compress) {
    Bytes out;
    std::uint32_t lastHeader = 0;
    for (std::size_t k = 0; k < t->blocks.size(); ++k) {
        Block& b = t->blocks[k];
        Put32(out, k == 0 ? kNone : t->records[t->blocks[k - 1].records.back()].Pos());   // LastTopicLink
        Put32(out, t->records[b.records.front()].Pos());                                  // FirstTopicLink
        Put32(out, lastHeader);                                                           // LastTopicHeader
        const Bytes& data = compress ? b.lz.Output() : b.raw;
        out.insert(out.end(), data.begin(), data.end());
        out.resize((k + 1) * kBlockBytes, 0);   // every block whole, so readers never run short
        for (std::size_t r : b.records)
            if (t->records[r].type == kTopicHeader) lastHeader = t->records[r].Pos();
    }
    return out;
}

// ---- phrase compression ----

// Words are runs of bytes above the blank; phrases are the words that save
// the most, each stored once and named by a code wherever it stands.
bool IsWordByte(std::uint8_t c) { return c > 0x20; }

struct PhraseTable {
    std::vector<std::string> phrases;   // in index order
    std::unordered_map<std::string, std::uint32_t> index;
};

// LinkData2 of a record: the text strings (and a topic's title and macros).
std::size_t TextStart(const Record& r) {
    return static_cast<std::size_t>(r.bytes[16] | (r.bytes[17] << 8) | (r.bytes[18] << 16) | (r.bytes[19] << 24));
}

PhraseTable ChoosePhrases(const std::vector<Record>& records, bool hall) {
    std::unordered_map<std::string, std::uint32_t> counts;
    for (const Record& r : records) {
        const std::size_t end = r.bytes.size();
        for (std::size_t i = TextStart(r); i < end;) {
            if (!IsWordByte(r.bytes[i])) {
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < end && IsWordByte(r.bytes[j])) ++j;
            if (j - i >= 3 && j - i <= 64) ++counts[std::string(r.bytes.begin() + static_cast<std::ptrdiff_t>(i), r.bytes.begin() + static_cast<std::ptrdiff_t>(j))];
            i = j;
        }
    }
    // A code takes two bytes (one for the first 128 phrases of the 4.0 kind).
    struct Candidate {
        long long saving;
        const std::string* word;
    };
    std::vector<Candidate> candidates;
    for (const auto& c : counts) {
        const long long length = static_cast<long long>(c.first.size());
        const long long saving = static_cast<long long>(c.second) * (length - (hall ? 1 : 2)) - length;
        if (saving > 0) candidates.push_back({saving, &c.first});
    }
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return a.saving != b.saving ? a.saving > b.saving : *a.word < *b.word;
    });
    // |Phrases numbers up to 1920 phrases with 16-bit offsets; the 4.0
    // codes reach 16512.
    const std::size_t most = hall ? 16512 : 1920;
    std::size_t bytes = 2;
    PhraseTable t;
    for (const Candidate& c : candidates) {
        if (t.phrases.size() >= most) break;
        if (!hall && bytes + c.word->size() + 2 > 0xFFFF) break;
        bytes += c.word->size() + 2;
        t.index.emplace(*c.word, static_cast<std::uint32_t>(t.phrases.size()));
        t.phrases.push_back(*c.word);
    }
    return t;
}

// |Phrases: a byte below 0x10 starts a two-byte code 0x100 + 2 * phrase,
// odd when a blank follows the phrase; any other byte stands for itself.
bool EncodePhrases(const std::uint8_t* text, std::size_t n, const PhraseTable& t, Bytes* out) {
    for (std::size_t i = 0; i < n; ++i)
        if (text[i] >= 1 && text[i] <= 0x0F) return false;   // would read as a code
    for (std::size_t i = 0; i < n;) {
        if (!IsWordByte(text[i])) {
            Put8(*out, text[i++]);
            continue;
        }
        std::size_t j = i;
        while (j < n && IsWordByte(text[j])) ++j;
        const auto it = t.index.find(std::string(text + i, text + j));
        if (it == t.index.end()) {
            out->insert(out->end(), text + i, text + j);
        } else {
            std::uint32_t code = 0x100 + 2 * it->second;
            if (j < n && text[j] == ' ') {
                code |= 1;
                ++j;
            }
            Put8(*out, code >> 8);
            Put8(*out, code & 0xFF);
        }
        i = j;
    }
    return true;
}

// The 4.0 kind: even bytes name phrases 0..127, xxxxxx01 and a byte the
// next ones, xxxxx011 copies up to 32 bytes, xxxx0111 makes up to 16
// blanks and xxxx1111 up to 16 NULs.
void EncodeHall(const std::uint8_t* text, std::size_t n, const PhraseTable& t, Bytes* out) {
    Bytes literal;
    auto flush = [&] {
        for (std::size_t at = 0; at < literal.size();) {
            const std::size_t take = std::min<std::size_t>(32, literal.size() - at);
            Put8(*out, static_cast<std::uint32_t>((take - 1) << 3 | 3));
            out->insert(out->end(), literal.begin() + static_cast<std::ptrdiff_t>(at), literal.begin() + static_cast<std::ptrdiff_t>(at + take));
            at += take;
        }
        literal.clear();
    };
    for (std::size_t i = 0; i < n;) {
        const std::uint8_t c = text[i];
        if (IsWordByte(c)) {
            std::size_t j = i;
            while (j < n && IsWordByte(text[j])) ++j;
            const auto it = t.index.find(std::string(text + i, text + j));
            if (it == t.index.end()) {
                literal.insert(literal.end(), text + i, text + j);
            } else {
                flush();
                const std::uint32_t index = it->second;
                if (index < 128) {
                    Put8(*out, index * 2);
                } else {
                    Put8(*out, ((index - 128) >> 8) << 2 | 1);
                    Put8(*out, (index - 128) & 0xFF);
                }
            }
            i = j;
        } else if (c == ' ' || c == 0) {
            flush();
            std::size_t j = i;
            while (j < n && j - i < 16 && text[j] == c) ++j;
            Put8(*out, static_cast<std::uint32_t>((j - i - 1) << 4 | (c == ' ' ? 0x07 : 0x0F)));
            i = j;
        } else {
            literal.push_back(c);
            ++i;
        }
    }
    flush();
}

// Phrase-compresses the text of every record that gets shorter, and
// writes the phrase files.
void CompressText(std::vector<Record>* records, HelpDocument::Phrases kind, std::vector<InternalFile>* files) {
    const bool hall = kind == HelpDocument::Phrases::kHall;
    const PhraseTable t = ChoosePhrases(*records, hall);
    if (t.phrases.empty()) return;
    for (Record& r : *records) {
        const std::size_t start = TextStart(r);
        if (start >= r.bytes.size()) continue;
        Bytes coded;
        const std::uint8_t* text = &r.bytes[start];
        const std::size_t n = r.bytes.size() - start;
        if (hall) EncodeHall(text, n, t, &coded);
        else if (!EncodePhrases(text, n, t, &coded)) continue;
        if (coded.size() >= n) continue;   // stored as it is
        r.bytes.resize(start);
        r.bytes.insert(r.bytes.end(), coded.begin(), coded.end());
        r.open.resize(r.bytes.size());
        Set32(r.bytes, 0, static_cast<std::uint32_t>(r.bytes.size()));   // BlockSize; DataLen2 keeps the text's length
    }
    Bytes all;
    for (const std::string& p : t.phrases) PutText(all, p);
    const Bytes packed = CompressLz77(all);
    const std::uint32_t count = static_cast<std::uint32_t>(t.phrases.size());
    if (!hall) {
        Bytes f;
        Put16(f, count);
        Put16(f, 0x0100);
        Put32(f, static_cast<std::uint32_t>(all.size()));
        std::uint32_t at = 2 * (count + 1);
        for (const std::string& p : t.phrases) {
            Put16(f, at);
            at += static_cast<std::uint32_t>(p.size());
        }
        Put16(f, at);
        f.insert(f.end(), packed.begin(), packed.end());
        files->push_back(InternalFile{"|Phrases", std::move(f)});
        return;
    }
    // Each phrase's length - 1 as (length - 1) >> 4 one bits, a zero, and
    // the low four bits lowest first, packed into 32-bit words.
    constexpr unsigned kBits = 4;
    std::vector<std::uint32_t> words(1, 0);
    unsigned used = 0;
    auto bit = [&](bool one) {
        if (used == 32) {
            words.push_back(0);
            used = 0;
        }
        if (one) words.back() |= 1u << used;
        ++used;
    };
    for (const std::string& p : t.phrases) {
        const std::size_t rest = p.size() - 1;
        for (std::size_t q = 0; q < (rest >> kBits); ++q) bit(true);
        bit(false);
        for (unsigned b = 0; b < kBits; ++b) bit(((rest >> b) & 1) != 0);
    }
    const bool smaller = packed.size() < all.size();
    Bytes index;
    Put32(index, 1);
    Put32(index, count);
    Put32(index, static_cast<std::uint32_t>(words.size() * 4));
    Put32(index, static_cast<std::uint32_t>(all.size()));
    Put32(index, static_cast<std::uint32_t>(smaller ? packed.size() : all.size()));
    Put32(index, 0);
    Put16(index, kBits);
    Put16(index, 0x4A00);
    for (std::uint32_t w : words) Put32(index, w);
    index.resize(index.size() + (count + 31) / 32 * 4, 0);   // a bit per phrase for the full-text search: none set
    files->push_back(InternalFile{"|PhrIndex", std::move(index)});
    files->push_back(InternalFile{"|PhrImage", smaller ? packed : all});
}

// ---- the other internal files ----

std::uint8_t FontFamily(const std::string& face) {
    auto starts = [&](const char* prefix) {
        const std::size_t n = std::strlen(prefix);
        if (face.size() < n) return false;
        for (std::size_t i = 0; i < n; ++i)
            if (std::tolower(static_cast<unsigned char>(face[i])) != prefix[i]) return false;
        return true;
    };
    if (starts("courier") || starts("lucida console") || starts("consolas") || starts("fixedsys")) return 1;
    if (starts("times") || starts("georgia") || starts("roman") || starts("book")) return 2;
    if (starts("script") || starts("comic")) return 4;
    if (starts("symbol") || starts("wingdings") || starts("webdings")) return 5;
    return 3;
}

bool FontFile(const std::vector<FontDescriptor>& fonts, Bytes* out, std::string* error) {
    constexpr std::size_t kFaceBytes = kMaxFaceBytes + 1;
    std::vector<std::string> faces;
    std::vector<std::uint16_t> faceOf;
    for (const FontDescriptor& f : fonts) {
        if (f.face.empty() || f.face.size() > kMaxFaceBytes || f.face.find('\0') != std::string::npos ||
            f.halfPoints < 2 || f.halfPoints > 255) {
            *error = "font '" + f.face + "' cannot be described (face of 1 to 31 bytes, 1 to 127 points)";
            return false;
        }
        auto it = std::find(faces.begin(), faces.end(), f.face);
        faceOf.push_back(static_cast<std::uint16_t>(it - faces.begin()));
        if (it == faces.end()) faces.push_back(f.face);
    }
    if (fonts.empty() || fonts.size() > 0x7FFF) {
        *error = "a help file has 1 to 32767 fonts";
        return false;
    }
    out->clear();
    Put16(*out, static_cast<std::uint32_t>(faces.size()));
    Put16(*out, static_cast<std::uint32_t>(fonts.size()));
    Put16(*out, 8);
    Put16(*out, static_cast<std::uint32_t>(8 + faces.size() * kFaceBytes));
    for (const std::string& face : faces) {
        PutText(*out, face);
        out->resize(out->size() + kFaceBytes - face.size(), 0);
    }
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        const FontDescriptor& f = fonts[i];
        Put8(*out, (f.bold ? 1 : 0) | (f.italic ? 2 : 0) | (f.underline ? 4 : 0));
        Put8(*out, static_cast<std::uint32_t>(f.halfPoints));
        Put8(*out, FontFamily(f.face));
        Put16(*out, faceOf[i]);
        for (int c = 0; c < 6; ++c) Put8(*out, 0);   // black text; the background byte triple is unused
    }
    return true;
}

bool FitsField(const std::string& s, std::size_t bytes) { return s.size() < bytes && s.find('\0') == std::string::npos; }

bool SystemFile(const HelpDocument& doc, std::uint32_t contents, Bytes* out, std::string* error) {
    out->clear();
    Put16(*out, 0x036C);
    Put16(*out, 33);   // the 4.0 layout
    Put16(*out, 1);
    Put32(*out, doc.date);
    Put16(*out, doc.compress ? 4 : 0);   // 4: LZ77 topic blocks of 4 KB
    auto record = [&](std::uint16_t type, const Bytes& data) {
        Put16(*out, type);
        Put16(*out, static_cast<std::uint32_t>(data.size()));
        out->insert(out->end(), data.begin(), data.end());
    };
    auto text = [&](std::uint16_t type, const std::string& s) {
        if (s.size() > 0xFFF0 || s.find('\0') != std::string::npos) {
            *error = "a title, copyright or start-up macro longer than 65520 bytes or holding a NUL";
            return false;
        }
        Bytes data(s.begin(), s.end());
        data.push_back(0);
        record(type, data);
        return true;
    };
    // The title comes first: readers give windows without a caption the title.
    if (!text(1, doc.title)) return false;
    if (!doc.copyright.empty() && !text(2, doc.copyright)) return false;
    Bytes start;
    Put32(start, contents);
    record(3, start);
    for (const std::string& m : doc.startupMacros)
        if (!text(4, m)) return false;
    for (const HelpWindow& w : doc.windows) {
        if (w.name.empty() || !FitsField(w.name, 9) || !FitsField(w.caption, 51)) {
            *error = "window '" + w.name + "': a name of 1 to 8 bytes and a caption of at most 50";
            return false;
        }
        Bytes data(90, 0);
        std::uint32_t flags = 0x0001 | 0x0002;
        const char* type = w.name == "main" ? "main" : "secondary";
        std::memcpy(&data[2], type, std::strlen(type));
        std::memcpy(&data[12], w.name.data(), w.name.size());
        if (!w.caption.empty()) {
            flags |= 0x0004;
            std::memcpy(&data[21], w.caption.data(), w.caption.size());
        }
        const int numbers[] = {w.x, w.y, w.width, w.height};
        for (int i = 0; i < 4; ++i) {
            if (numbers[i] < 0) continue;
            flags |= 0x0008u << i;
            data[72 + 2 * i] = static_cast<std::uint8_t>(numbers[i]);
            data[73 + 2 * i] = static_cast<std::uint8_t>(numbers[i] >> 8);
        }
        if (w.state >= 0) {
            flags |= 0x0080;
            data[80] = static_cast<std::uint8_t>(w.state);
        }
        if (w.background != kNoColour) {
            flags |= 0x0100;
            Set32(data, 82, w.background & 0xFFFFFF);
        }
        if (w.nsrBackground != kNoColour) {
            flags |= 0x0200;
            Set32(data, 86, w.nsrBackground & 0xFFFFFF);
        }
        data[0] = static_cast<std::uint8_t>(flags);
        data[1] = static_cast<std::uint8_t>(flags >> 8);
        record(6, data);
    }
    if (out->size() > 0x7FFFFFFF) {
        *error = "the system file is too large";
        return false;
    }
    return true;
}

Bytes Key32(std::uint32_t v) {
    Bytes b;
    Put32(b, v);
    return b;
}

}  // namespace

Bytes CompressLz77(const Bytes& input) {
    Lz77Block block;
    const Bytes open(input.size(), 0);
    block.Append(input.data(), open.data(), input.size());
    return block.Output();
}

bool WriteHelpFiles(const HelpDocument& doc, std::vector<InternalFile>* out, std::string* error) {
    out->clear();
    if (doc.topics.empty() || doc.topics.size() > 0x7FFFFF) {
        *error = "a help file needs at least one topic";
        return false;
    }
    if (doc.windows.size() > 255) {
        *error = "more than 255 windows";
        return false;
    }

    TopicLayout layout;
    if (!MakeRecords(doc, &layout, error)) return false;
    std::vector<InternalFile> phraseFiles;
    if (doc.phrases != HelpDocument::Phrases::kNone) CompressText(&layout.records, doc.phrases, &phraseFiles);
    if (!PlaceRecords(&layout, doc.compress, error)) return false;
    PatchPositions(&layout, doc.compress);
    // Topic offsets never pass 2^31 before the blocks run out: 65536 blocks.
    if (layout.blocks.size() > 0xFFFF) {
        *error = "too much topic text for one help file";
        return false;
    }

    InternalFile system{"|SYSTEM", {}}, font{"|FONT", {}}, context{"|CONTEXT", {}}, titles{"|TTLBTREE", {}},
        map{"|CTXOMAP", {}};
    if (!SystemFile(doc, layout.offsets[0], &system.bytes, error)) return false;
    if (!FontFile(doc.fonts, &font.bytes, error)) return false;

    // Context hashes are compared as signed numbers.
    std::vector<std::pair<std::int32_t, std::size_t>> hashes;
    for (std::size_t i = 0; i < doc.topics.size(); ++i)
        hashes.emplace_back(static_cast<std::int32_t>(doc.topics[i].hash), i);
    std::sort(hashes.begin(), hashes.end());
    std::vector<TreeEntry> entries;
    for (std::size_t i = 0; i < hashes.size(); ++i) {
        if (i > 0 && hashes[i].first == hashes[i - 1].first) {
            *error = "two topics have the same context hash";
            return false;
        }
        entries.push_back(TreeEntry{Key32(static_cast<std::uint32_t>(hashes[i].first)),
                                    Key32(layout.offsets[hashes[i].second])});
    }
    if (!BuildTree("L4", 2048, entries, &context.bytes, error)) return false;

    entries.clear();
    for (std::size_t i = 0; i < doc.topics.size(); ++i) {
        Bytes title(doc.topics[i].title.begin(), doc.topics[i].title.end());
        title.push_back(0);
        entries.push_back(TreeEntry{Key32(layout.offsets[i]), title});
    }
    if (!BuildTree("Lz", 2048, entries, &titles.bytes, error)) return false;

    // The context strings, which the help file otherwise knows only by
    // their hashes.
    InternalFile topicIds{"|TopicId", {}};
    entries.clear();
    for (std::size_t i = 0; i < doc.topics.size(); ++i) {
        if (doc.topics[i].context.empty()) continue;
        if (doc.topics[i].context.size() > kMaxUncutBytes || doc.topics[i].context.find('\0') != std::string::npos) {
            *error = "context string too long or holds a NUL";
            return false;
        }
        Bytes name(doc.topics[i].context.begin(), doc.topics[i].context.end());
        name.push_back(0);
        entries.push_back(TreeEntry{Key32(layout.offsets[i]), name});
    }
    if (!entries.empty() && !BuildTree("Lz", 2048, entries, &topicIds.bytes, error)) return false;

    std::vector<MapEntry> numbers = doc.map;
    std::sort(numbers.begin(), numbers.end(), [](const MapEntry& a, const MapEntry& b) { return a.number < b.number; });
    if (numbers.size() > 0xFFFF) {
        *error = "more than 65535 context numbers";
        return false;
    }
    Put16(map.bytes, static_cast<std::uint32_t>(numbers.size()));
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (numbers[i].topic >= doc.topics.size() || (i > 0 && numbers[i].number == numbers[i - 1].number)) {
            *error = "context numbers must be unique and name a topic";
            return false;
        }
        Put32(map.bytes, numbers[i].number);
        Put32(map.bytes, layout.offsets[numbers[i].topic]);
    }

    out->push_back(std::move(system));
    out->push_back(InternalFile{"|TOPIC", TopicFile(&layout, doc.compress)});
    out->push_back(std::move(context));
    out->push_back(std::move(map));
    out->push_back(std::move(titles));
    out->push_back(std::move(font));
    if (!topicIds.bytes.empty()) out->push_back(std::move(topicIds));
    for (std::size_t i = 0; i < doc.pictures.size(); ++i)
        out->push_back(InternalFile{"|bm" + std::to_string(i), doc.pictures[i]});
    for (InternalFile& f : phraseFiles) out->push_back(std::move(f));
    return true;
}

}  // namespace zylhc
