// Support shared by the Windows-side test programs (wine_module_tests and
// wine_dll_tests): a scratch folder seen from both sides, Unix programs run
// from under Wine, whole files read and written, help files built in
// memory and a probe of the GDI objects left.
#pragma once
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bitmap.h"

namespace wtest {

using Bytes = std::vector<std::uint8_t>;

// A whole file, by its Windows path; empty when it cannot be read.
Bytes ReadFileBytes(const std::string& windowsPath);
bool WriteFileBytes(const std::string& windowsPath, const Bytes& bytes);

// The Unix name of a Windows path (Wine's own export); "" when not under Wine.
std::string UnixName(const std::string& windowsPath);

// A folder under the temporary directory, removed with its files.
class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    bool ok() const { return !path_.empty() && !unixPath_.empty(); }
    const std::string& path() const { return path_; }          // Windows, no trailing backslash
    const std::string& unixPath() const { return unixPath_; }  // for the Unix tools
    std::string File(const std::string& name) const { return path_ + "\\" + name; }
    std::string UnixFile(const std::string& name) const { return unixPath_ + "/" + name; }
    bool Write(const std::string& name, const Bytes& bytes) const;
    Bytes Read(const std::string& name) const;
    void Remove(const std::string& name) const;

private:
    std::string path_, unixPath_;
};

// Runs `command` with /bin/sh and waits for it: false, with the reason,
// unless it ran and ended with status 0. Only under Wine.
bool RunUnix(const std::string& command, std::string* why);

// A help file whose internal files are `files` (name, bytes). Empty, with
// the reason in `error` when given, when they cannot be laid out.
Bytes HelpFile(const std::vector<std::pair<std::string, Bytes>>& files, std::string* error = nullptr);

// The header of a 32-bit top-down DIB of that size: the host's own.
using zylhost::TopDown32;

// An uncompressed AVI clip made with the platform's AVI file library:
// `frames` frames of width x height at `fps` frames a second, frame i
// filled with colour `colours[i % colours.size()]` (0x00RRGGBB; grey when
// none are given). Empty, with the reason in `why`, when it cannot be made.
Bytes AviClip(int width, int height, int frames, int fps, const std::vector<DWORD>& colours = {},
              std::string* why = nullptr);

// How many more GDI objects the process can make (Wine counts none for
// us); everything made here is given back.
int GdiRoom();
// The same for USER objects (menus stand for them all: the platform keeps
// one table of USER handles).
int UserRoom();

// The keys and values of a section of a private profile file.
std::map<std::string, std::string> ProfileSection(const char* file, const char* section);

// A window's text render (EWM_RENDER, text), its block freed; "<null>"
// when there is none.
std::string RenderText(HWND hwnd);

}  // namespace wtest
