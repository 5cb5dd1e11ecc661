#include "helpfile_writer.h"

#include <algorithm>
#include <cstring>

#include "helpfile.h"

namespace zyl {

namespace {

constexpr std::uint32_t kLeafHeader = 8;
constexpr std::uint32_t kIndexHeader = 6;
constexpr std::uint16_t kDirectoryFlags = 0x0402;
constexpr std::uint64_t kLargestFile = 0x7FFFFFFF;

void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
    Put16(p, v & 0xFFFF);
    Put16(p + 2, v >> 16);
}

using Page = std::vector<std::uint8_t>;

// A child of the next index level up: its page and the first name under it.
struct Child {
    std::uint16_t page;
    const std::string* firstName;
};

}  // namespace

void MakeInternalFileHeader(std::uint32_t size, std::uint8_t flags, std::uint8_t out[9]) {
    Put32(out, size + kInternalHeaderBytes);   // reserved: exactly what it takes
    Put32(out + 4, size);
    out[8] = flags;
}

bool BuildDirectory(const std::vector<DirectoryEntry>& sorted, std::vector<std::uint8_t>* out,
                    std::string* error) {
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const std::string& name = sorted[i].name;
        if (name.empty() || name.size() > kMaxMemberName || name.find('\0') != std::string::npos) {
            *error = "an internal file name must have 1 to 255 bytes, none of them NUL: \"" + name + "\"";
            return false;
        }
        if (i > 0) {
            const int order = std::strcmp(sorted[i - 1].name.c_str(), name.c_str());
            if (order == 0) {
                *error = "two internal files are named \"" + name + "\"";
                return false;
            }
            if (order > 0) {
                *error = "directory entries are out of order at \"" + name + "\"";
                return false;
            }
        }
    }

    std::vector<Page> pages;
    std::vector<Child> children;

    // Leaves, filled as far as they go and chained both ways.
    std::size_t next = 0;
    do {
        Page page(kDirectoryPageBytes, 0);
        std::uint32_t used = kLeafHeader;
        std::uint16_t count = 0;
        const std::string* first = next < sorted.size() ? &sorted[next].name : nullptr;
        while (next < sorted.size()) {
            const std::string& name = sorted[next].name;
            const std::uint32_t bytes = static_cast<std::uint32_t>(name.size()) + 1 + 4;
            if (used + bytes > kDirectoryPageBytes) break;
            std::memcpy(&page[used], name.c_str(), name.size() + 1);
            Put32(&page[used + name.size() + 1], sorted[next].offset);
            used += bytes;
            ++count;
            ++next;
        }
        const auto number = static_cast<std::uint16_t>(pages.size());
        Put16(&page[0], kDirectoryPageBytes - used);
        Put16(&page[2], count);
        Put16(&page[4], number == 0 ? kNoPage : number - 1);
        Put16(&page[6], kNoPage);
        if (number > 0) Put16(&pages.back()[6], number);
        pages.push_back(std::move(page));
        children.push_back(Child{number, first});
        if (pages.size() >= kNoPage) {
            *error = "too many internal files for one directory";
            return false;
        }
    } while (next < sorted.size());

    // Index levels until one page holds them all: each page's first child
    // is its "previous page", every further child is listed with its first name.
    std::uint16_t levels = 1;
    while (children.size() > 1) {
        std::vector<Child> parents;
        std::size_t c = 0;
        while (c < children.size()) {
            Page page(kDirectoryPageBytes, 0);
            std::uint32_t used = kIndexHeader;
            std::uint16_t count = 0;
            Put16(&page[4], children[c].page);
            const std::string* first = children[c].firstName;
            ++c;
            while (c < children.size()) {
                const std::string& key = *children[c].firstName;
                const std::uint32_t bytes = static_cast<std::uint32_t>(key.size()) + 1 + 2;
                if (used + bytes > kDirectoryPageBytes) break;
                std::memcpy(&page[used], key.c_str(), key.size() + 1);
                Put16(&page[used + key.size() + 1], children[c].page);
                used += bytes;
                ++count;
                ++c;
            }
            Put16(&page[0], kDirectoryPageBytes - used);
            Put16(&page[2], count);
            parents.push_back(Child{static_cast<std::uint16_t>(pages.size()), first});
            pages.push_back(std::move(page));
            if (pages.size() >= kNoPage) {
                *error = "too many internal files for one directory";
                return false;
            }
        }
        children.swap(parents);
        ++levels;
    }

    const auto pageCount = static_cast<std::uint32_t>(pages.size());
    const std::uint32_t used = kTreeHeaderBytes + pageCount * kDirectoryPageBytes;
    out->assign(kInternalHeaderBytes + kTreeHeaderBytes, 0);
    MakeInternalFileHeader(used, 0, out->data());
    std::uint8_t* tree = out->data() + kInternalHeaderBytes;
    Put16(tree, kTreeMagic);
    Put16(tree + 2, kDirectoryFlags);
    Put16(tree + 4, kDirectoryPageBytes);
    std::memcpy(tree + 6, "z4", 2);            // key: a string; value: a 4-byte offset
    Put16(tree + 22, 0);
    Put16(tree + 24, pageCount - levels);      // splits it took to grow this tree
    Put16(tree + 26, children.front().page);   // root
    Put16(tree + 28, kNoPage);
    Put16(tree + 30, pageCount);
    Put16(tree + 32, levels);
    Put32(tree + 34, static_cast<std::uint32_t>(sorted.size()));
    out->reserve(out->size() + pageCount * kDirectoryPageBytes);
    for (const Page& page : pages) out->insert(out->end(), page.begin(), page.end());
    return true;
}

bool PlanContainer(std::vector<ContainerMember>* members, std::vector<std::uint8_t>* head,
                   std::string* error) {
    // The directory's size depends on the names only, so it is built once
    // with the members' offsets unknown and once more with them.
    std::vector<std::size_t> order(members->size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return std::strcmp((*members)[a].name.c_str(), (*members)[b].name.c_str()) < 0;
    });
    std::vector<DirectoryEntry> entries(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) entries[i].name = (*members)[order[i]].name;
    std::vector<std::uint8_t> directory;
    if (!BuildDirectory(entries, &directory, error)) return false;

    std::uint64_t at = kHelpHeaderBytes + directory.size();
    for (ContainerMember& m : *members) {
        m.offset = static_cast<std::uint32_t>(at);
        at += kInternalHeaderBytes + static_cast<std::uint64_t>(m.size);
        if (at > kLargestFile) {
            *error = "the help file would be larger than 2 GB";
            return false;
        }
    }
    for (std::size_t i = 0; i < order.size(); ++i) entries[i].offset = (*members)[order[i]].offset;
    if (!BuildDirectory(entries, &directory, error)) return false;

    head->assign(kHelpHeaderBytes, 0);
    Put32(head->data(), kHelpFileMagic);
    Put32(head->data() + 4, kHelpHeaderBytes);   // the directory follows the header
    Put32(head->data() + 8, 0xFFFFFFFFu);        // no free list
    Put32(head->data() + 12, static_cast<std::uint32_t>(at));
    head->insert(head->end(), directory.begin(), directory.end());
    return true;
}

}  // namespace zyl
