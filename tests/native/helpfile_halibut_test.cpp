// Real help files, written at test time by halibut (a program nobody here
// wrote): the reader and zylpack see every internal file, and zylpack adds
// files to them without disturbing a byte of what was there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>

#include "core/helpfile.h"
#include "internal_files.h"
#include "zylpack.h"
#include "pictures.h"
#include "support.h"

namespace {

using namespace zyltest;

using HelpPtr = zyl::HelpFilePtr;
using DataPtr = zyl::DataFilePtr;

struct Listed {
    std::string name;
    std::uint32_t size;
};

int Zylpack(const std::vector<std::string>& args, std::string* out = nullptr) {
    std::ostringstream o, e;
    const int code = zylpack::Run(args, o, e);
    if (out) *out = o.str();
    if (code != 0) ADD_FAILURE() << e.str();
    return code;
}

std::vector<Listed> List(const std::string& hlp) {
    std::string out;
    EXPECT_EQ(Zylpack({"list", hlp}, &out), 0);
    std::vector<Listed> files;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t tab = line.find('\t');
        files.push_back({line.substr(0, tab), static_cast<std::uint32_t>(std::stoul(line.substr(tab + 1)))});
    }
    return files;
}

// Every internal file's bytes, read with the module's reader.
std::map<std::string, Bytes> Contents(const std::string& hlp) {
    std::map<std::string, Bytes> all;
    for (auto& f : InternalFiles(ReadFile(hlp))) all[f.first] = std::move(f.second);
    return all;
}

// halibut's help file of a short manual with `sections` chapters, written
// into `dir`; "" when halibut failed.
std::string RunHalibut(const Scratch& dir, int sections) {
    std::string source = "\\cfg{winhelp-filename}{manual.hlp}\n\n\\title A small manual\n\n";
    for (int i = 0; i < sections; ++i) {
        const std::string n = std::to_string(i);
        source += "\\C{s" + n + "} Chapter " + n + "\n\n\\i{Word" + n + "} text of chapter " + n + ", see \\k{s0}.\n\n";
    }
    if (!dir.Write("manual.but", BytesOf(source))) return "";
    std::string why;
    if (!RunUnix("cd '" + dir.path() + "' && halibut --winhelp=manual.hlp manual.but >/dev/null", &why)) {
        ADD_FAILURE() << why;
        return "";
    }
    return dir / "manual.hlp";
}

class Halibut : public ::testing::Test {
protected:
    void SetUp() override {
        hlp_ = RunHalibut(dir_, 12);
        ASSERT_TRUE(FileExists(hlp_)) << "halibut is needed (./run installs it)";
    }
    Scratch dir_;
    std::string hlp_;
};

TEST_F(Halibut, ListNamesEveryInternalFileWithItsSize) {
    const std::vector<Listed> files = List(hlp_);
    std::vector<std::string> names;
    for (const Listed& f : files) names.push_back(f.name);
    for (const char* expected : {"|CONTEXT", "|CTXOMAP", "|FONT", "|KWBTREE", "|KWDATA", "|KWMAP", "|SYSTEM",
                                 "|TOPIC", "|TTLBTREE"})
        EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << expected;
    // halibut's directory is in byte order, the order zylpack writes.
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return std::strcmp(a.c_str(), b.c_str()) < 0;
    }));

    // halibut packs its internal files end to end after the header, the
    // directory last: the sizes listed account for every byte.
    const Bytes raw = ReadFile(hlp_);
    std::uint64_t total = 16 + 9 + 38 + 1024u * DirectoryTree(raw).totalPages;
    for (const Listed& f : files) total += 9 + f.size;
    EXPECT_EQ(total, raw.size());

    std::string system;
    ASSERT_EQ(Zylpack({"extract", hlp_, "|SYSTEM", "-"}, &system), 0);
    ASSERT_GE(system.size(), 2u);
    EXPECT_EQ(static_cast<std::uint8_t>(system[0]) | (static_cast<std::uint8_t>(system[1]) << 8), 0x036C);
}

TEST_F(Halibut, AddingAPictureKeepsEveryOldFileByteForByte) {
    const std::map<std::string, Bytes> before = Contents(hlp_);
    ASSERT_GE(before.size(), 6u);
    const Bytes picture = Bmp24(Varied(2, 2, 7));
    ASSERT_TRUE(WriteFile(dir_ / "logo.bmp", picture));
    ASSERT_EQ(Zylpack({"add", hlp_, dir_ / "logo.bmp"}), 0);

    std::map<std::string, Bytes> after = Contents(hlp_);
    ASSERT_EQ(after.size(), before.size() + 1);
    EXPECT_EQ(after["logo.bmp"], picture);
    after.erase("logo.bmp");
    EXPECT_TRUE(after == before) << "every old internal file unchanged";

    // The module opens the picture from the help file as a control would.
    HelpPtr help(zyl::OpenHelpFile(zyl::PosixFiles(), hlp_.c_str()));
    ASSERT_TRUE(help);
    DataPtr file(zyl::DataFileOpen(help.get(), "LOGO.BMP", true));
    ASSERT_TRUE(file);
    EXPECT_NE(file->helpFile, nullptr) << "from inside the help file";
    Bytes got(picture.size());
    EXPECT_EQ(zyl::DataFileRead(file.get(), got.data(), static_cast<std::int32_t>(got.size())),
              static_cast<std::int32_t>(picture.size()));
    EXPECT_EQ(got, picture);
}

}  // namespace
