// Lays out help files for the author tools: the 16-byte file header, the
// directory (a B+ tree of 1024-byte pages, index levels as it needs them)
// and the internal files after it, each behind its 9-byte header.
//
// Names are stored in byte order (strcmp), the order help hosts search the
// directory's index in. Leaves come first (page 0 is the first leaf), then
// each index level, the root last. Portable; not part of the module.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zyl {

struct DirectoryEntry {
    std::string name;
    std::uint32_t offset = 0;   // of the internal file's header
};

struct ContainerMember {
    std::string name;
    std::uint32_t size = 0;     // data bytes, header not counted
    std::uint8_t flags = 0;
    std::uint32_t offset = 0;   // set by PlanContainer: where its header goes
};

// Longest internal file name a directory written here holds.
constexpr std::size_t kMaxMemberName = 255;

// The directory internal file, header included, for entries already sorted
// by name. False with a reason when a name is empty or too long, two names
// are equal or the tree would need more pages than it can number.
bool BuildDirectory(const std::vector<DirectoryEntry>& sorted, std::vector<std::uint8_t>* out,
                    std::string* error);

// Plans a help file holding `members` in their order after the directory:
// sets each member's offset and returns the bytes the file starts with (file
// header and directory). False with a reason when the names do not make a
// directory or the file would pass 2 GB.
bool PlanContainer(std::vector<ContainerMember>* members, std::vector<std::uint8_t>* head,
                   std::string* error);

// The 9-byte header in front of an internal file of `size` bytes.
void MakeInternalFileHeader(std::uint32_t size, std::uint8_t flags, std::uint8_t out[9]);

}  // namespace zyl
