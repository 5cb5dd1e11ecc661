// ReadWholeFile and ExtractFileToDisk for the module's callers: the help
// file at the instance's helpFilePath, the platform's own files.
#pragma once
#include "core/thread/instance.h"
#include "core/wholefile.h"

namespace zyl {

// Up to kWholeFileBytes of `name` into `block` (zero-filled first; a longer
// file is cut). Asks the host for the help file's path first when the
// instance has none. 1 when the file was found, 0 otherwise; `bytesRead`,
// when given, receives how many bytes came from the file.
int ReadWholeFile(InstanceRecord* inst, const char* name, void* block, std::size_t* bytesRead = nullptr);
// Copies `name` to `diskPath`, with the path the instance holds. 1 on
// success, 0 otherwise (a partial copy is removed).
int ExtractFileToDisk(InstanceRecord* inst, const char* name, const char* diskPath);

}  // namespace zyl
