// ReadWholeFile and ExtractFileToDisk for the module's callers: the help
// file is the instance's, the files are the platform's.
#include <windows.h>

#include <cstring>

#include "core/wholefile_win32.h"

namespace zyl {

int ReadWholeFile(InstanceRecord* inst, const char* name, void* block, std::size_t* bytesRead) {
    if (bytesRead) *bytesRead = 0;
    if (!block) return 0;
    std::memset(block, 0, kWholeFileBytes);
    if (!inst) return 0;
    GetHelpFileEntry(inst, true);   // makes sure the instance knows its help file
    HelpFilePtr help(OpenHelpFile(inst->helpFilePath));
    return help && ReadWholeDataFile(help.get(), name, block, bytesRead) ? 1 : 0;
}

int ExtractFileToDisk(InstanceRecord* inst, const char* name, const char* diskPath) {
    if (!inst) return 0;
    // The path as it stands: the caller has asked the host for it already.
    HelpFilePtr help(OpenHelpFile(inst->helpFilePath));
    return help && CopyDataFileToDisk(PlatformFiles(), help.get(), name, diskPath) ? 1 : 0;
}

}  // namespace zyl
