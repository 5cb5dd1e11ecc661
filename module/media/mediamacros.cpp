// Macro routines around the help file's topics: a sound played, a TrueType
// font made available while the help file is open, a program started or a
// document opened, and tests of the display. Sound and font files travel
// inside the help file: they are copied to the temporary folder for the
// platform, which reads only disk files, and removed again (at once, or when
// the host thread ends its module session).
#include "media/mediamacros.h"

#include <mmsystem.h>
#include <shellapi.h>

#include <cstring>

#include "core/gdiobj.h"
#include "core/platform.h"
#include "core/text.h"
#include "core/thread/instance.h"
#include "core/wholefile_win32.h"
#include "media/disksearch.h"
#include "media/mediamacros_parse.h"
#include "zyl3an32.h"

namespace zyl {

BOOL(WINAPI* g_playSound)(LPCSTR path, UINT flags) = sndPlaySoundA;

namespace {

// The wait cursor for the guard's lifetime, then the one before it.
class WaitCursor {
public:
    WaitCursor() : old_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(old_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR old_;
};

// `name` in the temporary folder: TEMP, or the Windows folder without it.
bool TempFilePath(const char* name, char* out, std::size_t capacity) {
    char folder[kPathChars] = "";
    const UINT n = GetWindowsDirectoryA(folder, sizeof folder);
    if (n == 0 || n >= sizeof folder) folder[0] = '\0';
    GetTempDirectory(folder, sizeof folder);
    return JoinPath(folder, name, out, capacity);
}

void DeleteDiskFile(const char* path) {
    OFSTRUCT of = {};
    of.cBytes = sizeof of;
    OpenFile(path, &of, OF_DELETE);
}

// Where the author's file `name` lies on disk: as written when it has a
// drive, else where LocateDiskFile finds `bare`, with the help file's
// folder last (its path is asked for first when the thread has none yet).
void LocateAuthorFile(InstanceRecord* inst, const char* name, const char* bare, char* out) {
    PathParts parts;
    SplitPath(name, &parts);
    if (parts.drive[0]) {
        CopyBounded(out, kPathChars, name);
        return;
    }
    GetHelpFileEntry(inst, true);
    LocateDiskFile(bare, inst->helpFilePath, out, kPathChars);
}

// The program a command line names, found on disk and run by its full path
// alone; the command line as it stands when the program is not found.
UINT RunProgram(InstanceRecord* inst, const char* commandLine) {
    char program[kPathChars], bare[kPathChars], path[kPathChars], full[kPathChars];
    if (CommandLineProgram(commandLine, program, sizeof program) && BareFileName(program, false, bare, sizeof bare)) {
        LocateAuthorFile(inst, program, bare, path);
        if (DiskFileExists(path, full)) {
            // Quoted when it holds a blank, so that it names one file.
            char quoted[kPathChars + 2];
            if (std::strchr(full, ' ')) {
                quoted[0] = '"';
                CopyBounded(quoted + 1, kPathChars, full);
                std::strcat(quoted, "\"");
            } else {
                CopyBounded(quoted, sizeof quoted, full);
            }
            return WinExec(quoted, SW_SHOW);
        }
    }
    return WinExec(commandLine, SW_SHOW);
}

// What TestFontFamily looks for and what it found.
struct FontSearch {
    const char* face;
    BOOL found;
};

bool TrueTypeFaceInstalled(const char* face) {
    FontSearch search = {face, FALSE};
    WindowDC screen(nullptr);
    if (screen.get())
        EnumFontFamiliesA(screen.get(), nullptr, reinterpret_cast<FONTENUMPROCA>(TestFontFamily),
                          reinterpret_cast<LPARAM>(&search));
    return search.found != FALSE;
}

const char* NullWhenEmpty(const char* s) { return s && s[0] ? s : nullptr; }

}  // namespace

}  // namespace zyl

using namespace zyl;

extern "C" void CALLBACK ZylSndPlay(LPCSTR fileName, DWORD flags) {
    InstanceRecord* inst = FindInstance();
    char bare[kPathChars];
    if (!inst || !BareFileName(fileName, true, bare, sizeof bare)) return;
    WaitCursor wait;
    const bool async = (flags & ZYLSND_ASYNC) != 0;
    char path[kPathChars];
    const bool onDisk = (flags & ZYLSND_ON_DISK) != 0;
    if (onDisk) {
        LocateAuthorFile(inst, fileName, bare, path);
        if (!DiskFileExists(path, nullptr)) return;
    } else {
        GetHelpFileEntry(inst, true);
        if (!TempFilePath(bare, path, sizeof path) || !ExtractFileToDisk(inst, bare, path)) return;
    }
    g_playSound(path, async ? SND_ASYNC : SND_SYNC);
    if (onDisk) return;
    // The copy goes once it has played; one still playing goes at the end.
    if (async) AddTempFile(inst, path);
    else DeleteDiskFile(path);
}

extern "C" void CALLBACK ZylFont(LPCSTR fontFile, LPCSTR faceName) {
    InstanceRecord* inst = FindInstance();
    if (!inst || !faceName || TrueTypeFaceInstalled(faceName)) return;
    char bare[kPathChars], fontPath[kPathChars];
    if (!BareFileName(fontFile, false, bare, sizeof bare)) return;
    GetHelpFileEntry(inst, true);
    if (!TempFilePath(bare, fontPath, sizeof fontPath) || !ExtractFileToDisk(inst, bare, fontPath)) return;
    // The font resource file beside it: same name, extension ".fot".
    PathParts parts;
    SplitPath(fontFile, &parts);
    char fotName[kPathChars + 4], fotPath[kPathChars];
    CopyBounded(fotName, kPathChars, parts.name);
    std::strcat(fotName, ".fot");
    if (TempFilePath(fotName, fotPath, sizeof fotPath)) {
        // One left behind by a session that never ended would refuse the new one.
        DeleteDiskFile(fotPath);
        if (CreateScalableFontResourceA(0, fotPath, fontPath, nullptr)) {
            AddTempFile(inst, fotPath);
            if (AddFontResourceA(fotPath)) SendMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
        }
    }
    AddTempFile(inst, fontPath);
}

extern "C" int CALLBACK TestFontFamily(const LOGFONTA* font, const TEXTMETRICA* metrics, DWORD fontType,
                                       LPARAM search) {
    auto* s = reinterpret_cast<FontSearch*>(search);
    if (!s || !font) return 0;
    const auto* full = reinterpret_cast<const ENUMLOGFONTA*>(font);
    if ((fontType & TRUETYPE_FONTTYPE) && EqualNoCase(reinterpret_cast<const char*>(full->elfFullName), s->face)) {
        s->found = TRUE;
        return 0;
    }
    return 1;
}

extern "C" void CALLBACK ZylShell(LPCSTR commandLine, LPCSTR document, LPCSTR verb, LPCSTR directory,
                                  DWORD failureTopic) {
    InstanceRecord* inst = FindInstance();
    if (!inst) return;
    GetHelpFileEntry(inst, true);
    UINT_PTR result;
    if (!commandLine || !commandLine[0]) {
        HWND current = reinterpret_cast<HWND>(HostGetInfo(inst, GI_CURRHWND));
        // An empty verb or folder is the platform's default one.
        result = reinterpret_cast<UINT_PTR>(ShellExecuteA(current ? GetParent(current) : nullptr, NullWhenEmpty(verb),
                                                          document, nullptr, NullWhenEmpty(directory), SW_SHOW));
    } else {
        WaitCursor wait;
        result = RunProgram(inst, commandLine);
    }
    if (result < 32 && failureTopic != 0)
        HostApi(inst, inst->helpFilePath, ZYL_API_POPUP_HASH, static_cast<LONG_PTR>(failureTopic));
}

extern "C" int CALLBACK ZylDC(WORD test) {
    DisplayFacts facts = {};
    {
        WindowDC screen(nullptr);
        facts.colourBits = GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES);
    }
    facts.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    GetPlatformClass(false, &facts.platformClass);
    return DisplayTestHolds(test, facts);
}

extern "C" int CALLBACK VideoInfo(WORD test) {
    const unsigned displayTest = VideoInfoDisplayTest(test);
    return displayTest ? ZylDC(static_cast<WORD>(displayTest)) : 0;
}

extern "C" BOOL CALLBACK EnumWindowsProc(HWND window, LPARAM found) {
    if (!found) return FALSE;
    char name[256];
    if (GetClassNameA(window, name, sizeof name) > 0 && EqualNoCase(name, ZYL_SIBLING_VIEWER_CLASS)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}
