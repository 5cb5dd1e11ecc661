// ReadWholeFile and ExtractFileToDisk for the module's callers: the help
// file is the instance's, the files are the platform's.
#include <windows.h>

#include <cstring>

#include "core/wholefile_win32.h"

namespace zyl {

int ReadWholeFile(InstanceRecord* inst, const char* name, void* block) {
    if (!block) return 0;
    std::memset(block, 0, kWholeFileBytes);
    if (!inst) return 0;
    GetHelpFileEntry(inst, true);   // makes sure the instance knows its help file
    HelpFileHandle* help = OpenHelpFile(inst->helpFilePath);
    if (!help) return 0;
    const bool found = ReadWholeDataFile(help, name, block);
    CloseHelpFile(help);
    return found ? 1 : 0;
}

int ExtractFileToDisk(InstanceRecord* inst, const char* name, const char* diskPath) {
    if (!inst) return 0;
    // The path as it stands: the caller has asked the host for it already.
    HelpFileHandle* help = OpenHelpFile(inst->helpFilePath);
    if (!help) return 0;
    const bool ok = CopyDataFileToDisk(PlatformFiles(), help, name, diskPath);
    CloseHelpFile(help);
    return ok ? 1 : 0;
}

}  // namespace zyl
