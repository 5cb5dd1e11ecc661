// Whole files on top of the file access layer: a small file (bullet, tab or
// macro file) read into a 16384-byte block, and a file copied to a disk path
// for a platform service that only reads disk files (sound, fonts).
//
// Both take the help file's copy first and the disk's second, whatever the
// instance's preferDiskFiles says. Portable: the module's entry points,
// which find the help file through the calling thread's instance, are in
// wholefile_win32.h.
#pragma once
#include <cstddef>

#include "core/helpfile.h"

namespace zyl {

constexpr std::size_t kWholeFileBytes = 16384;

// Zero-fills `block` (kWholeFileBytes) and reads up to kWholeFileBytes of
// `name` into it: a shorter file is followed by zero bytes, a longer one is
// cut. False when the name is found in neither place. `bytesRead`, when
// given, receives how many bytes of the block came from the file.
bool ReadWholeDataFile(HelpFileHandle* help, const char* name, void* block, std::size_t* bytesRead = nullptr);

// Copies `name` to `diskPath` (created on `files`, emptied when it exists).
// Nothing is created when the name is not found. When the copy fails part
// way (a short write, a failed read) the partial file is removed.
bool CopyDataFileToDisk(FileSystem& files, HelpFileHandle* help, const char* name, const char* diskPath);

}  // namespace zyl
