#include "media/disksearch.h"

#include <windows.h>

#include "core/text.h"
#include "core/thread/instance.h"
#include "media/mediamacros_parse.h"

namespace zyl {

bool DiskFileExists(const char* path, char* fullPath) {
    if (!path || !path[0]) return false;
    OFSTRUCT of = {};
    of.cBytes = sizeof of;
    if (OpenFile(path, &of, OF_EXIST) == HFILE_ERROR) return false;
    if (fullPath) CopyBounded(fullPath, kPathChars, of.szPathName);
    return true;
}

void LocateDiskFile(const char* bare, const char* helpFile, char* out, std::size_t capacity) {
    if (!out || capacity == 0) return;
    out[0] = '\0';
    if (!bare || !bare[0]) return;
    char found[kPathChars];
    if (DiskFileExists(bare, found)) {
        CopyBounded(out, capacity, found);
        return;
    }
    char folder[kPathChars] = "";
    GetPrivateProfileStringA("FILES", bare, "", folder, sizeof folder, "winhelp.ini");
    if (!folder[0]) {
        // The help file's drive and folder.
        PathParts parts;
        SplitPath(helpFile, &parts);
        JoinPath(parts.drive, parts.directory, folder, sizeof folder);
    }
    JoinPath(folder, bare, out, capacity);
}

}  // namespace zyl
