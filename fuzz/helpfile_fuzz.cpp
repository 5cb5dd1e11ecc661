// The help file reader on arbitrary bytes: open, walk the directory, look
// names up (exact, in other capitals, absent), read and seek what is found.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/helpfile.h"

namespace {

void Exercise(zyl::DataFile* file) {
    if (!file) return;
    std::uint8_t buffer[512];
    const std::int32_t length = zyl::DataFileLength(file);
    std::int32_t total = 0, got = 0;
    while ((got = zyl::DataFileRead(file, buffer, sizeof buffer)) > 0) total += got;
    if (file->helpFile && total != length) __builtin_trap();   // an internal file reads whole
    zyl::DataFileSeek(file, -10, 2);
    zyl::DataFileRead(file, buffer, 100);
    zyl::DataFileSeek(file, -100000, 1);
    zyl::DataFileRead(file, buffer, 100);
    zyl::DataFileSeek(file, 0x7FFFFFF0, 0);
    zyl::DataFileRead(file, buffer, 100);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zyl::MemoryFiles files;
    files.Add("C:\\help\\fuzz.hlp", data, size);
    files.Add("\\help\\beside.bmp", "BM", 2);
    zyl::HelpFileHandle* help = zyl::OpenHelpFile(files, "C:\\help\\fuzz.hlp");
    if (!help) return 0;

    std::vector<std::string> names;
    zyl::WalkDirectory(
        help,
        [](void* context, const char* name, std::uint32_t) {
            auto* list = static_cast<std::vector<std::string>*>(context);
            list->push_back(name);
            return list->size() < 16;
        },
        &names);

    for (std::size_t i = 0; i < names.size() && i < 4; ++i) {
        zyl::DataFile* exact = zyl::FindInternalFile(help, names[i].c_str());
        Exercise(exact);
        std::string upper = names[i];
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        zyl::DataFile* other = zyl::DataFileOpen(help, upper.c_str(), false);
        Exercise(other);
        zyl::DataFileClose(other);
        zyl::DataFileClose(exact);
    }
    for (const char* name : {"logo.bmp", "beside.bmp"}) {
        zyl::DataFile* file = zyl::DataFileOpen(help, name, name[0] == 'b');
        Exercise(file);
        zyl::DataFileClose(file);
    }
    zyl::CloseHelpFile(help);
    return 0;
}
