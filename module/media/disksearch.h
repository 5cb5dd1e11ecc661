// Where a file the author names lies on disk when it is not taken from the
// help file (sounds, programs, clips marked disk-only).
#pragma once
#include <cstddef>

namespace zyl {

// The path of `bare` (a name without folder): the platform's search for it
// (OpenFile's) when that finds it, its full path; else the folder the key
// `bare` of section [FILES] in "winhelp.ini" names, joined with `bare`;
// else the folder of `helpFile` joined with `bare`. Only the first step
// looks at the disk; the others say where the file should be. `out` is empty
// when the path does not fit `capacity`.
void LocateDiskFile(const char* bare, const char* helpFile, char* out, std::size_t capacity);

// True when the platform's search finds `path` (OpenFile with OF_EXIST);
// its full path then goes to `fullPath` when given (capacity kPathChars).
bool DiskFileExists(const char* path, char* fullPath);

}  // namespace zyl
