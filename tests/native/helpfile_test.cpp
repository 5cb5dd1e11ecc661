// The help file reader: directory walks over every layout a help file can
// have, damaged files, reads in passes with the cached position, seeks, and
// the search for data files on disk.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/helpfile.h"
#include "internal_files.h"
#include "support.h"

namespace {

using namespace zyltest;
using zyl::DataFile;

using HelpPtr = zyl::HelpFilePtr;
using DataPtr = zyl::DataFilePtr;

Bytes ReadAll(DataFile* f) {
    Bytes b;
    EXPECT_TRUE(zyl::ReadAllBytes(f, &b));
    return b;
}

// Hand-made directories, for layouts the writer never makes: pages in any
// order, chains without an index, roots anywhere.
struct RawPage {
    bool leaf = true;
    std::uint16_t previous = 0xFFFF;   // leaf: previous page; index: first child
    std::uint16_t next = 0xFFFF;       // leaf only
    std::vector<std::string> names;    // leaf: file names; index: keys
    std::vector<std::uint16_t> children;   // index: the page after each key
};

struct RawHelpFile {
    std::map<std::uint16_t, RawPage> pages;
    std::uint16_t root = 0, levels = 1;
    bool treeMagic = true;
    std::vector<std::pair<std::string, Bytes>> files;   // stored after the directory

    std::size_t PagesStart() const { return 16 + 9 + 38; }
    Bytes Build() const {
        const std::size_t pageCount = pages.empty() ? 0 : pages.rbegin()->first + 1u;
        const std::size_t dirEnd = PagesStart() + pageCount * 1024;
        std::map<std::string, std::uint32_t> offsets;
        std::size_t at = dirEnd;
        for (const auto& f : files) {
            offsets[f.first] = static_cast<std::uint32_t>(at);
            at += 9 + f.second.size();
        }
        Bytes b(dirEnd, 0);
        Put32(b, 0, 0x00035F3F);
        Put32(b, 4, 16);
        Put32(b, 8, 0xFFFFFFFF);
        Put32(b, 12, static_cast<std::uint32_t>(at));
        Put32(b, 16, static_cast<std::uint32_t>(dirEnd - 16));
        Put32(b, 20, static_cast<std::uint32_t>(dirEnd - 16 - 9));
        if (treeMagic) Put16(b, 25, 0x293B);
        Put16(b, 27, 0x0402);
        Put16(b, 29, 1024);
        Put16(b, 25 + 26, root);
        Put16(b, 25 + 28, 0xFFFF);
        Put16(b, 25 + 30, static_cast<std::uint16_t>(pageCount));
        Put16(b, 25 + 32, levels);
        for (const auto& [number, page] : pages) {
            std::size_t p = PagesStart() + number * 1024u;
            Put16(b, p + 2, static_cast<std::uint16_t>(page.names.size()));
            Put16(b, p + 4, page.previous);
            std::size_t q = p + (page.leaf ? 8 : 6);
            if (page.leaf) Put16(b, p + 6, page.next);
            for (std::size_t i = 0; i < page.names.size(); ++i) {
                std::memcpy(&b[q], page.names[i].c_str(), page.names[i].size() + 1);
                q += page.names[i].size() + 1;
                if (page.leaf) {
                    auto it = offsets.find(page.names[i]);
                    Put32(b, q, it == offsets.end() ? 0xFFFFFFF0u : it->second);
                    q += 4;
                } else {
                    Put16(b, q, page.children[i]);
                    q += 2;
                }
            }
        }
        for (const auto& f : files) {
            Bytes header(9, 0);
            Put32(header, 0, static_cast<std::uint32_t>(f.second.size() + 9));
            Put32(header, 4, static_cast<std::uint32_t>(f.second.size()));
            b.insert(b.end(), header.begin(), header.end());
            b.insert(b.end(), f.second.begin(), f.second.end());
        }
        return b;
    }
};

RawPage Leaf(std::vector<std::string> names, std::uint16_t previous, std::uint16_t next) {
    RawPage p;
    p.names = std::move(names);
    p.previous = previous;
    p.next = next;
    return p;
}

RawPage Index(std::uint16_t first, std::vector<std::pair<std::string, std::uint16_t>> keys) {
    RawPage p;
    p.leaf = false;
    p.previous = first;
    for (auto& k : keys) {
        p.names.push_back(k.first);
        p.children.push_back(k.second);
    }
    return p;
}

// A help file in memory, opened through a recording file system.
struct Fixture {
    zyl::MemoryFiles memory;
    RecordingFiles files{memory};
    HelpPtr help;

    explicit Fixture(const Bytes& helpFile, const char* path = "manual.hlp") {
        memory.Add(path, helpFile.data(), helpFile.size());
        help.reset(zyl::OpenHelpFile(files, path));
    }
    // The content of a data file, or "<none>" for none.
    static std::string Text(const DataPtr& f) {
        const Bytes b = f ? ReadAll(f.get()) : BytesOf("<none>");
        return std::string(b.begin(), b.end());
    }
    std::string Content(const char* name) { return Text(DataPtr(zyl::FindInternalFile(help.get(), name))); }
    std::vector<std::string> Walk(bool* whole = nullptr) { return DirectoryNames(help.get(), whole); }
};

std::vector<std::pair<std::string, Bytes>> TextFiles(std::initializer_list<const char*> names) {
    std::vector<std::pair<std::string, Bytes>> files;
    for (const char* n : names) files.emplace_back(n, BytesOf(std::string("content of ") + n));
    return files;
}

// ---- directory layouts ----

TEST(HelpFileDirectory, ChainWithoutIndexIsFollowedToItsEndAndNoFurther) {
    // One level, root 0, yet three chained leaves: the plain layout older
    // readers expect. Page 3 is not linked: whatever it lists is not there.
    RawHelpFile raw;
    raw.files = TextFiles({"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"});
    raw.pages[0] = Leaf({"a.txt", "b.txt"}, 0xFFFF, 1);
    raw.pages[1] = Leaf({"c.txt"}, 0, 2);
    raw.pages[2] = Leaf({"d.txt"}, 1, 0xFFFF);
    raw.pages[3] = Leaf({"e.txt"}, 2, 0xFFFF);
    Fixture fx(raw.Build());
    ASSERT_TRUE(fx.help);

    EXPECT_EQ(fx.Content("d.txt"), "content of d.txt") << "on a later leaf, reached through the links";
    EXPECT_EQ(fx.Content("D.TXT"), "content of d.txt") << "capitals find small letters";
    EXPECT_EQ(fx.Content("a.TxT"), "content of a.txt");

    fx.files.Clear();
    EXPECT_EQ(fx.Content("e.txt"), "<none>");
    EXPECT_EQ(fx.Content("nowhere.txt"), "<none>");
    const std::uint64_t page3 = raw.PagesStart() + 3 * 1024;
    for (std::uint64_t at : fx.files.readAt) EXPECT_NE(at, page3) << "the walk ends at next page 0xFFFF";

    bool whole = false;
    EXPECT_EQ(fx.Walk(&whole), (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "d.txt"}));
    EXPECT_TRUE(whole);
}

TEST(HelpFileDirectory, PageZeroIsTheFirstLeafUnlessTheTreeLeadsThroughIt) {
    // Root on page 0, leaves on 2 then 1: page 0 is an index page, and the
    // tree is read from its first leaf.
    RawHelpFile rootFirst;
    rootFirst.files = TextFiles({"alpha", "beta", "mu", "zeta"});
    rootFirst.levels = 2;
    rootFirst.root = 0;
    rootFirst.pages[0] = Index(2, {{"mu", 1}});
    rootFirst.pages[1] = Leaf({"mu", "zeta"}, 2, 0xFFFF);
    rootFirst.pages[2] = Leaf({"alpha", "beta"}, 0xFFFF, 1);
    Fixture first(rootFirst.Build());
    ASSERT_TRUE(first.help);
    bool whole = false;
    EXPECT_EQ(first.Walk(&whole), (std::vector<std::string>{"alpha", "beta", "mu", "zeta"}));
    EXPECT_TRUE(whole);
    EXPECT_EQ(first.Content("alpha"), "content of alpha");
    EXPECT_EQ(first.Content("ZETA"), "content of zeta");
    EXPECT_EQ(first.Content("beta2"), "<none>");

    // Page 0 a leaf: the chain from page 0, whatever the tree puts before it.
    RawHelpFile rootLast = rootFirst;
    rootLast.levels = 3;
    rootLast.root = 4;
    rootLast.pages[0] = Leaf({"mu", "zeta"}, 1, 0xFFFF);
    rootLast.pages[1] = Leaf({"alpha", "beta"}, 0xFFFF, 0);
    rootLast.pages[2] = Index(1, {});
    rootLast.pages[3] = Index(0, {});
    rootLast.pages[4] = Index(2, {{"mu", 3}});
    Fixture last(rootLast.Build());
    EXPECT_EQ(last.Walk(&whole), (std::vector<std::string>{"mu", "zeta"}));
    EXPECT_EQ(last.Content("zeta"), "content of zeta");
    EXPECT_EQ(last.Content("alpha"), "<none>");

    // Without the tree header's magic number, nothing it says counts.
    RawHelpFile plain = rootLast;
    plain.treeMagic = false;
    plain.root = 7;
    EXPECT_EQ(Fixture(plain.Build()).Walk(), (std::vector<std::string>{"mu", "zeta"}));
}

TEST(HelpFileDirectory, NamesInOtherCapitalsGiveTheFirstEntryInLeafOrder) {
    RawHelpFile raw;
    raw.files = {{"LOGO.BMP", BytesOf("upper")}, {"logo.bmp", BytesOf("lower")}};
    raw.pages[0] = Leaf({"LOGO.BMP", "logo.bmp"}, 0xFFFF, 0xFFFF);
    Fixture fx(raw.Build());
    for (const char* name : {"logo.bmp", "LOGO.BMP", "Logo.Bmp"}) EXPECT_EQ(fx.Content(name), "upper") << name;

    // Through an index: the same entry, and a few pages read, whichever
    // spelling is asked for and whatever names stand between the spellings.
    std::vector<std::pair<std::string, Bytes>> files = TextFiles({"Logo.bmp", "logo.BMP", "logo.bmp", "LoGo.bmp",
                                                                  "Lo", "logo.bmpx", "LOGO"});
    for (int i = 0; i < 2000; ++i) files.emplace_back("file" + std::to_string(1000 + i) + ".dat", BytesOf("content of f"));
    const Bytes container = HelpFile(files);
    const TreeInfo tree = DirectoryTree(container);
    ASSERT_GE(tree.levels, 2);
    Fixture big(container);
    const std::pair<const char*, const char*> cases[] = {
        {"logo.bmp", "LoGo.bmp"}, {"LOGO.BMP", "LoGo.bmp"}, {"lOGO.bMP", "LoGo.bmp"}, {"logo", "LOGO"},
        {"FILE2999.DAT", "f"},    {"nothing", nullptr},     {"logo.bm", nullptr},
    };
    for (const auto& c : cases) {
        big.files.Clear();
        EXPECT_EQ(big.Content(c.first), c.second ? "content of " + std::string(c.second) : "<none>") << c.first;
        EXPECT_LT(big.files.ReadsOf(1024), tree.totalPages / 3) << c.first << ": not a walk of the leaves";
    }
}

// ---- damaged files ----

struct Damage {
    const char* what;
    std::function<void(Bytes&, const TreeInfo&)> apply;
    bool exactFound;     // "f150.dat" still found (through what is intact)
    bool walkWhole;      // WalkDirectory reports no damage
};

TEST(HelpFileDirectory, DamagedFilesYieldNotFoundAndNeverReadOutside) {
    std::vector<std::pair<std::string, Bytes>> files;
    for (int i = 0; i < 300; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%03d.dat", i);
        files.emplace_back(name, Pattern(30 + i % 7, i));
    }
    const Bytes good = HelpFile(files);
    const TreeInfo tree = DirectoryTree(good);
    ASSERT_EQ(tree.levels, 2);
    const auto page = [&](std::uint32_t n) { return tree.pagesStart + n * 1024u; };
    const auto entryOffsetField = [&](const Bytes& b, const std::string& name) -> std::size_t {
        const char* key = name.c_str();   // with its terminator
        const auto it = std::search(b.begin() + tree.pagesStart, b.end(), key, key + name.size() + 1);
        return static_cast<std::size_t>(it - b.begin()) + name.size() + 1;
    };

    const std::vector<Damage> damages = {
        {"directory offset past the end", [](Bytes& b, const TreeInfo&) { Put32(b, 4, static_cast<std::uint32_t>(b.size()) + 5); }, false, false},
        {"directory header cut by the end", [](Bytes& b, const TreeInfo&) { Put32(b, 4, static_cast<std::uint32_t>(b.size()) - 20); }, false, false},
        {"directory offset 0xFFFFFFFF", [](Bytes& b, const TreeInfo&) { Put32(b, 4, 0xFFFFFFFF); }, false, false},
        // The tree header is not needed to read page 0 and its chain.
        {"no levels", [](Bytes& b, const TreeInfo&) { Put16(b, 25 + 32, 0); }, true, true},
        {"absurdly many levels", [](Bytes& b, const TreeInfo&) { Put16(b, 25 + 32, 40000); }, true, true},
        {"page size 0", [](Bytes& b, const TreeInfo&) { Put16(b, 25 + 4, 0); }, true, true},
        {"page size 2048", [](Bytes& b, const TreeInfo&) { Put16(b, 25 + 4, 2048); }, true, true},
        {"page size larger than the file", [](Bytes& b, const TreeInfo&) { Put16(b, 25 + 4, 0xFFFF); }, true, true},
        {"root past the end", [](Bytes& b, const TreeInfo&) { Put16(b, 25 + 26, 0xFFFE); }, true, true},
        {"first leaf links to itself", [&](Bytes& b, const TreeInfo&) { Put16(b, page(0) + 6, 0); }, true, false},
        {"leaf links past the end", [&](Bytes& b, const TreeInfo&) { Put16(b, page(0) + 6, 0x7000); }, true, false},
        {"leaf links back to page 0", [&](Bytes& b, const TreeInfo& t) { Put16(b, page(t.totalPages - 2) + 6, 0); }, true, false},
        {"entry count overflows the leaf", [&](Bytes& b, const TreeInfo&) { Put16(b, page(0) + 2, 0xFFFF); }, true, false},
        {"name runs to the end of the page", [&](Bytes& b, const TreeInfo&) { std::memset(&b[page(0) + 8], 'A', 1016); }, false, false},
        {"index count overflows its page", [&](Bytes& b, const TreeInfo& t) { Put16(b, page(t.root) + 2, 0xFFFF); std::memset(&b[page(t.root) + 6], 'z', 1018); }, true, true},
        {"index sends the name to the wrong leaf", [&](Bytes& b, const TreeInfo& t) { Put16(b, page(t.root) + 4, 0); std::memset(&b[page(t.root) + 2], 0, 2); }, true, true},
        {"entry offset past the end", [&](Bytes& b, const TreeInfo&) { Put32(b, entryOffsetField(b, "f150.dat"), static_cast<std::uint32_t>(b.size()) - 4); }, false, true},
        {"entry offset 0xFFFFFFFF", [&](Bytes& b, const TreeInfo&) { Put32(b, entryOffsetField(b, "f150.dat"), 0xFFFFFFFF); }, false, true},
        {"used size past the end", [&](Bytes& b, const TreeInfo&) { Put32(b, Get32(b, entryOffsetField(b, "f150.dat")) + 4, 0x7FFFFFF0); }, false, true},
        {"used size 0xFFFFFFFF", [&](Bytes& b, const TreeInfo&) { Put32(b, Get32(b, entryOffsetField(b, "f150.dat")) + 4, 0xFFFFFFFF); }, false, true},
        {"file cut inside the directory", [&](Bytes& b, const TreeInfo&) { b.resize(page(1) + 100); }, false, false},
        {"file cut inside the data", [&](Bytes& b, const TreeInfo&) { b.resize(Get32(b, entryOffsetField(b, "f150.dat")) + 12); }, false, true},
    };
    for (const Damage& d : damages) {
        Bytes bytes = good;
        d.apply(bytes, tree);
        Fixture fx(bytes);
        ASSERT_TRUE(fx.help) << d.what;
        DataPtr exact(zyl::FindInternalFile(fx.help.get(), "f150.dat"));
        EXPECT_EQ(exact != nullptr, d.exactFound) << d.what;
        if (exact) EXPECT_EQ(ReadAll(exact.get()), files[150].second) << d.what;
        DataPtr absent(zyl::FindInternalFile(fx.help.get(), "F999.DAT"));
        EXPECT_FALSE(absent) << d.what;
        bool whole = false;
        fx.Walk(&whole);
        EXPECT_EQ(whole, d.walkWhole) << d.what;
        for (std::size_t i = 0; i < fx.files.reads.size(); ++i)
            EXPECT_LE(fx.files.readAt[i] + fx.files.reads[i], bytes.size()) << d.what << ": read outside the file";
    }
}

TEST(HelpFileOpen, TellsAMissingFileFromOneThatIsNotAHelpFile) {
    zyl::MemoryFiles files;
    const Bytes container = HelpFile(TextFiles({"x"}));
    Bytes wrongMagic = container;
    wrongMagic[0] ^= 1;
    files.Add("good.hlp", container.data(), container.size());
    files.Add("short.hlp", container.data(), 15);
    files.Add("magic.hlp", wrongMagic.data(), wrongMagic.size());
    const std::string longPath = std::string(200, 'd') + "/good.hlp";
    files.Add(longPath.c_str(), container.data(), container.size());

    zyl::OpenError why = zyl::OpenError::kNone;
    EXPECT_EQ(zyl::OpenHelpFile(files, "missing.hlp", &why), nullptr);
    EXPECT_EQ(why, zyl::OpenError::kCannotOpen);
    EXPECT_EQ(zyl::OpenHelpFile(files, "short.hlp", &why), nullptr);
    EXPECT_EQ(why, zyl::OpenError::kNotHelpFile);
    EXPECT_EQ(zyl::OpenHelpFile(files, "magic.hlp", &why), nullptr);
    EXPECT_EQ(why, zyl::OpenError::kNotHelpFile);
    EXPECT_EQ(zyl::OpenHelpFile(files, nullptr, &why), nullptr);

    HelpPtr good(zyl::OpenHelpFile(files, "good.hlp", &why));
    ASSERT_TRUE(good);
    EXPECT_EQ(why, zyl::OpenError::kNone);
    EXPECT_EQ(good->directoryOffset, 16u);
    EXPECT_STREQ(good->path, "good.hlp");

    // A path too long to keep still opens; only the search beside it is lost.
    HelpPtr deep(zyl::OpenHelpFile(files, longPath.c_str()));
    ASSERT_TRUE(deep);
    EXPECT_STREQ(deep->path, "");
    DataPtr x(zyl::FindInternalFile(deep.get(), "x"));
    EXPECT_TRUE(x);
}

// ---- reading and seeking ----

TEST(DataFileRead, ReadsInPassesOf16384FromTheHelpFileAndFromDisk) {
    const Bytes big = Pattern(40000, 7);
    Fixture fx(HelpFile({{"big.bin", big}, {"small.txt", BytesOf("hi")}}));
    fx.memory.Add("disk.bin", big.data(), big.size());
    ASSERT_TRUE(fx.help);

    for (bool disk : {false, true}) {
        DataPtr f(zyl::DataFileOpen(fx.help.get(), disk ? "disk.bin" : "big.bin", disk));
        ASSERT_TRUE(f);
        EXPECT_EQ(f->helpFile == nullptr, disk);
        fx.files.Clear();
        Bytes got(40000 + 100, 0xEE);
        EXPECT_EQ(zyl::DataFileRead(f.get(), got.data(), 40000), 40000);
        EXPECT_EQ(fx.files.reads, (std::vector<std::uint32_t>{16384, 16384, 7232})) << (disk ? "disk" : "help");
        EXPECT_EQ(fx.files.seeks, 0) << "the open left the file where its data starts";
        EXPECT_TRUE(std::equal(big.begin(), big.end(), got.begin()));
        EXPECT_EQ(got[40000], 0xEE) << "nothing written past the count";
        EXPECT_EQ(zyl::DataFileRead(f.get(), got.data(), 100), 0) << "at the end";
    }
}

TEST(DataFileSeek, EndMinusTenThenAHundredGivesTheLastTen) {
    const Bytes data = Pattern(1000, 3);
    Fixture fx(HelpFile({{"a.bin", Pattern(50, 1)}, {"data.bin", data}}));
    fx.memory.Add("disk.bin", data.data(), data.size());
    ASSERT_TRUE(fx.help);

    for (const char* name : {"data.bin", "disk.bin"}) {
        DataPtr f(zyl::DataFileOpen(fx.help.get(), name, false));
        ASSERT_TRUE(f) << name;
        std::uint8_t buf[100];
        EXPECT_EQ(zyl::DataFileSeek(f.get(), -10, 2), 990) << name;
        EXPECT_EQ(zyl::DataFileRead(f.get(), buf, 100), 10) << name;
        EXPECT_TRUE(std::equal(data.end() - 10, data.end(), buf)) << name;
        EXPECT_EQ(zyl::DataFileSeek(f.get(), 5, 0), 5);
        EXPECT_EQ(zyl::DataFileSeek(f.get(), 10, 1), 15);
        EXPECT_EQ(zyl::DataFileRead(f.get(), buf, 3), 3);
        EXPECT_TRUE(std::equal(data.begin() + 15, data.begin() + 18, buf)) << name;
    }

    // Internal files move only their own position, wherever it goes; reads
    // outside the file give nothing and never reach a neighbour's bytes.
    DataPtr f(zyl::FindInternalFile(fx.help.get(), "data.bin"));
    std::uint8_t buf[100];
    EXPECT_EQ(zyl::DataFileSeek(f.get(), -20, 0), -20);
    EXPECT_EQ(zyl::DataFileRead(f.get(), buf, 100), 0);
    EXPECT_EQ(zyl::DataFileSeek(f.get(), 5000, 2), 6000);
    EXPECT_EQ(zyl::DataFileRead(f.get(), buf, 100), 0);
    EXPECT_EQ(zyl::DataFileSeek(f.get(), 0x7FFFFFFF, 1), 0x7FFFFFFF) << "kept inside 32 bits";
    EXPECT_EQ(zyl::DataFileSeek(f.get(), 3, 7), 0x7FFFFFFF) << "an unknown origin leaves it";
    EXPECT_EQ(zyl::DataFileLength(f.get()), 1000);
}

TEST(DataFileRead, FilesSharingTheHelpFileKeepTheirOwnPlace) {
    const Bytes a = Pattern(3000, 11), b = Pattern(3000, 12);
    Fixture fx(HelpFile({{"a.bin", a}, {"b.bin", b}, {"c.bin", Pattern(10, 13)}}));
    DataPtr fa(zyl::FindInternalFile(fx.help.get(), "a.bin"));
    DataPtr fb(zyl::FindInternalFile(fx.help.get(), "b.bin"));
    ASSERT_TRUE(fa && fb);

    Bytes got(100);
    ASSERT_EQ(zyl::DataFileRead(fa.get(), got.data(), 100), 100);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), a.begin()));
    ASSERT_EQ(zyl::DataFileRead(fb.get(), got.data(), 100), 100);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), b.begin()));
    // A lookup in between moves the shared file too.
    DataPtr fc(zyl::FindInternalFile(fx.help.get(), "c.bin"));
    ASSERT_TRUE(fc);
    ASSERT_EQ(zyl::DataFileRead(fa.get(), got.data(), 100), 100);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), a.begin() + 100));

    // Going on where the last read stopped costs no seek.
    fx.files.Clear();
    for (int i = 0; i < 5; ++i) ASSERT_EQ(zyl::DataFileRead(fa.get(), got.data(), 100), 100);
    EXPECT_EQ(fx.files.seeks, 0);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), a.begin() + 600));
    EXPECT_EQ(fx.help->filePosition, fa->dataStart + 700);
}

TEST(DataFileRead, AFailedReadEndsTheReadingAndIsReported) {
    Fixture fx(HelpFile({{"a.bin", Pattern(50000, 5)}}));
    DataPtr f(zyl::FindInternalFile(fx.help.get(), "a.bin"));
    ASSERT_TRUE(f);
    Bytes got(50000);
    fx.files.failReadAfter = 1;
    EXPECT_EQ(zyl::DataFileRead(f.get(), got.data(), 50000), 16384) << "the first pass only";
    EXPECT_EQ(fx.files.readFailures, 1);
    fx.files.failReadAfter = -1;
    // The reader no longer trusts where the file stands.
    ASSERT_EQ(zyl::DataFileRead(f.get(), got.data(), 100), 100);
    const Bytes a = Pattern(50000, 5);
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 100, a.begin() + 16384));
}

// ---- data files on disk ----

TEST(DataFileOpen, DiskFirstOrHelpFileFirst) {
    Fixture fx(HelpFile({{"logo.bmp", BytesOf("help copy")}, {"only.txt", BytesOf("inside")}}));
    fx.memory.Add("logo.bmp", "disk copy", 9);
    fx.memory.Add("beside.txt", "on disk", 7);
    const auto content = [&](const char* name, bool diskFirst) {
        return Fixture::Text(DataPtr(zyl::DataFileOpen(fx.help.get(), name, diskFirst)));
    };
    EXPECT_EQ(content("logo.bmp", true), "disk copy");
    EXPECT_EQ(content("logo.bmp", false), "help copy");
    EXPECT_EQ(content("only.txt", true), "inside") << "disk first, then the help file";
    EXPECT_EQ(content("beside.txt", false), "on disk") << "help file first, then the disk";
    EXPECT_EQ(content("neither", false), "<none>");
    EXPECT_EQ(content("neither", true), "<none>");
    EXPECT_EQ(zyl::DataFileOpen(nullptr, "logo.bmp", true), nullptr);
}

TEST(DataFileOpen, DiskSearchTriesTheBareNameThenTheHelpFilesDirectory) {
    const Bytes container = HelpFile(TextFiles({"x"}));
    struct Case {
        const char* helpPath;
        const char* present;   // where the data file is
        std::vector<std::string> probes;
        bool found;
    };
    const std::vector<Case> cases = {
        {"C:\\docs\\manual.hlp", "logo.bmp", {"logo.bmp"}, true},
        {"C:\\docs\\manual.hlp", "\\docs\\logo.bmp", {"logo.bmp", "\\docs\\logo.bmp"}, true},
        {"C:\\docs\\manual.hlp", "C:\\docs\\logo.bmp", {"logo.bmp", "\\docs\\logo.bmp", "C:\\docs\\logo.bmp"}, true},
        {"/srv/help/manual.hlp", "/srv/help/logo.bmp", {"logo.bmp", "/srv/help/logo.bmp"}, true},
        {"manual.hlp", "elsewhere/logo.bmp", {"logo.bmp"}, false},
        {"D:manual.hlp", "D:logo.bmp", {"logo.bmp", "D:logo.bmp"}, true},
    };
    for (const Case& c : cases) {
        zyl::MemoryFiles memory;
        memory.Add(c.helpPath, container.data(), container.size());
        memory.Add(c.present, "bmp", 3);
        RecordingFiles files(memory);
        HelpPtr help(zyl::OpenHelpFile(files, c.helpPath));
        ASSERT_TRUE(help) << c.helpPath;
        DataPtr f(zyl::FindDiskFile(help.get(), "logo.bmp"));
        EXPECT_EQ(f != nullptr, c.found) << c.helpPath << " / " << c.present;
        EXPECT_EQ(files.probes, c.probes) << c.helpPath << " / " << c.present;
    }

    // Names that cannot fit the 136-byte buffer are not looked for at all;
    // with the directory in front they skip that probe.
    zyl::MemoryFiles memory;
    const std::string dir = "/" + std::string(100, 'd') + "/";
    memory.Add((dir + "manual.hlp").c_str(), container.data(), container.size());
    RecordingFiles files(memory);
    HelpPtr help(zyl::OpenHelpFile(files, (dir + "manual.hlp").c_str()));
    ASSERT_TRUE(help);
    EXPECT_EQ(zyl::FindDiskFile(help.get(), std::string(136, 'n').c_str()), nullptr);
    EXPECT_TRUE(files.probes.empty());
    const std::string name(40, 'n');
    EXPECT_EQ(zyl::FindDiskFile(help.get(), name.c_str()), nullptr);
    EXPECT_EQ(files.probes, std::vector<std::string>{name});
}

TEST(DataFileOpen, RealFilesBesideTheHelpFileAndInTheCurrentDirectory) {
    Scratch dir, elsewhere;
    ASSERT_TRUE(WriteFile(dir / "manual.hlp", HelpFile(TextFiles({"inner.txt"}))));
    ASSERT_TRUE(WriteFile(dir / "beside.txt", BytesOf("beside")));
    ASSERT_TRUE(WriteFile(elsewhere / "here.txt", BytesOf("here")));
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    ASSERT_EQ(chdir(elsewhere.path().c_str()), 0);

    HelpPtr help(zyl::OpenHelpFile(zyl::PlatformFiles(), (dir / "manual.hlp").c_str()));
    ASSERT_TRUE(help);
    DataPtr beside(zyl::DataFileOpen(help.get(), "beside.txt", true));
    DataPtr here(zyl::DataFileOpen(help.get(), "here.txt", false));
    DataPtr inner(zyl::DataFileOpen(help.get(), "INNER.TXT", true));
    DataPtr none(zyl::DataFileOpen(help.get(), "none.txt", true));
    ASSERT_EQ(chdir(cwd), 0);

    ASSERT_TRUE(beside && here && inner);
    EXPECT_EQ(ReadAll(beside.get()), BytesOf("beside"));
    EXPECT_EQ(ReadAll(here.get()), BytesOf("here"));
    EXPECT_EQ(ReadAll(inner.get()), BytesOf("content of inner.txt"));
    EXPECT_FALSE(none);
}

TEST(DirectoryWithoutDrive, DropsTheDriveAndKeepsTheSeparator) {
    char out[zyl::kHelpPathChars];
    for (const auto& [path, dir] : std::vector<std::pair<const char*, const char*>>{
             {"C:\\help\\manual.hlp", "\\help\\"}, {"c:manual.hlp", ""}, {"\\\\srv\\s\\m.hlp", "\\\\srv\\s\\"}}) {
        ASSERT_TRUE(zyl::DirectoryWithoutDrive(path, out, sizeof out));
        EXPECT_STREQ(out, dir) << path;
    }
    char tiny[6];
    EXPECT_FALSE(zyl::DirectoryWithoutDrive("C:\\help\\manual.hlp", tiny, sizeof tiny)) << "does not fit";
    EXPECT_TRUE(zyl::DirectoryWithoutDrive("C:\\hlp\\m", tiny, sizeof tiny));
}

}  // namespace
