// Whole files: the 16384-byte block of ReadWholeFile and the copy of
// ExtractFileToDisk, through their portable cores (the module's entry points
// are tested under Wine), with disks that fill up and reads that fail.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/wholefile.h"
#include "support.h"

namespace {

using namespace zyltest;

using HelpPtr = zyl::HelpFilePtr;

TEST(ReadWholeFile, TheBlockHoldsTheFileThenZeros) {
    // A short file is a zero-terminated string, one that fills the block has
    // no zero after it, a longer one is cut; nothing is written past it.
    const Bytes text = BytesOf(std::string(100, 't'));
    const Bytes exact = Pattern(zyl::kWholeFileBytes, 1);
    const Bytes longer = Pattern(zyl::kWholeFileBytes + 500, 2);
    zyl::MemoryFiles memory;
    const Bytes container = HelpFile({{"bullets.txt", text}, {"exact.bin", exact}, {"long.bin", longer}});
    memory.Add("manual.hlp", container.data(), container.size());
    HelpPtr help(zyl::OpenHelpFile(memory, "manual.hlp"));
    ASSERT_TRUE(help);
    // A missing file leaves a zeroed block.
    const std::pair<const char*, Bytes> cases[] = {{"BULLETS.TXT", text}, {"exact.bin", exact}, {"long.bin", longer}, {"missing.txt", {}}};
    for (const auto& [name, content] : cases) {
        Bytes block(zyl::kWholeFileBytes + 16, 0xAB), expected = content;
        expected.resize(zyl::kWholeFileBytes, 0);
        expected.resize(block.size(), 0xAB);
        EXPECT_EQ(zyl::ReadWholeDataFile(help.get(), name, block.data()), !content.empty()) << name;
        EXPECT_TRUE(block == expected) << name;
    }
}

// Disks that fill up, and reads that fail part way.
class FailingFiles : public zyl::MemoryFiles {
public:
    std::uint32_t room = 0xFFFFFFFF;   // bytes the disk takes before it is full
    bool refuseCreate = false;
    zyl::ByteSink* Create(const char* path) override {
        if (refuseCreate) return nullptr;
        zyl::ByteSink* inner = MemoryFiles::Create(path);
        return inner ? new Limited(inner, room) : nullptr;
    }

private:
    struct Limited : zyl::ByteSink {
        Limited(zyl::ByteSink* inner, std::uint32_t room) : inner_(inner), room_(room) {}
        std::int32_t Write(const void* data, std::uint32_t count) override {
            const std::uint32_t n = count < room_ ? count : room_;
            room_ -= n;
            return n ? inner_->Write(data, n) : -1;
        }
        std::unique_ptr<zyl::ByteSink> inner_;
        std::uint32_t room_;
    };
};

TEST(ExtractFileToDisk, AFailedCopyLeavesNoPartialFile) {
    const Bytes sound = Pattern(50000, 4);
    const Bytes container = HelpFile({{"ding.wav", sound}});

    FailingFiles full;
    full.Add("manual.hlp", container.data(), container.size());
    HelpPtr help(zyl::OpenHelpFile(full, "manual.hlp"));
    ASSERT_TRUE(zyl::CopyDataFileToDisk(full, help.get(), "ding.wav", "whole.wav"));
    EXPECT_EQ(*full.Find("whole.wav"), sound);

    full.room = 20000;
    EXPECT_FALSE(zyl::CopyDataFileToDisk(full, help.get(), "ding.wav", "out.wav"));
    EXPECT_FALSE(full.Find("out.wav")) << "the partial file is removed";

    full.refuseCreate = true;
    EXPECT_FALSE(zyl::CopyDataFileToDisk(full, help.get(), "ding.wav", "out.wav"));

    zyl::MemoryFiles memory;
    memory.Add("manual.hlp", container.data(), container.size());
    RecordingFiles failing(memory);
    HelpPtr help2(zyl::OpenHelpFile(failing, "manual.hlp"));
    // The directory header, its page and the file header are read, then one
    // chunk of the copy; the next read fails.
    failing.failReadAfter = 4;
    EXPECT_FALSE(zyl::CopyDataFileToDisk(failing, help2.get(), "ding.wav", "cut.wav"));
    EXPECT_FALSE(memory.Find("cut.wav")) << "a read that failed part way is no finished copy";
    EXPECT_EQ(failing.readFailures, 1);
}

}  // namespace
