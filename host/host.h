// The substitute help host: loads the module, drives it through
// LDLLHandler exactly as a help host does, shows topics from topic scripts
// with the module's embedded windows, and records every call the module
// makes back into the host.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "script.h"
#include "zyl3an32.h"

namespace zylhost {

// One call of the host's API callback.
struct ApiCall {
    std::string helpFile;   // the path argument as the module passed it
    unsigned command = 0;
    std::string text;       // data as text, for the string commands (0x102, 0x103, 0x104)
    LONG_PTR value = 0;     // data as a number, for the others
};

// One embedded window reference of a topic: {ewl DLL, CLASS, data}
// (align 'l', 'c' or 'r', dll, className, data). The topic-script parser
// produces them, so the type lives with it.
using EmbeddedRef = zylscript::EmbeddedRef;

// One line of the macro interpreter's log: what it ran, found, called or
// refused ("RegisterRoutine: routine found: ZylAnimInit in ZYL3AN32.DLL",
// "called ZylAnimInit()", "error: routine not found: Foo").
struct MacroLogEntry {
    std::string text;
    std::size_t apiCalls = 0;   // API calls logged before it, to interleave the two logs
};

struct HostOptions {
    // Allocate the callback table and every string handed to the module
    // above 4 GB, so that a pointer squeezed into 32 bits shows up.
    bool allocateHigh = true;
    COLORREF backgroundColour = RGB(255, 255, 255);   // GetInfo item 6
    int width = 640, height = 480;                    // main frame's client size
    // Shown frames and popups. Hidden ones lay out, print and copy alike
    // (only screen captures need them shown) and, under Wine without a
    // window manager, close at once instead of after a 2-second wait.
    bool visible = true;
    // Print as a help host lays a topic out for the printer: each embedded
    // window is created anew (hidden) for the print, asked for its size and
    // picture, and destroyed. Without it the shown windows are asked.
    bool printCopies = false;
};

class Host;

// Writes the profile's "mci extensions" entries (avi, wav, mid, rmi) that
// are missing, so that clips in topics find their MCI driver; entries the
// profile has stay as they are. zylhost does this before loading the module.
void RegisterMciExtensions();

// Runs one macro the host was asked to run (API command 0x102, start-up
// macros, macro links). `helpFile` is the path argument of the call.
// Without one the host's own interpreter runs it (Host::ExecuteMacro).
using MacroRunner = std::function<void(Host& host, const std::string& helpFile, const std::string& macro)>;
// Menu and other WM_COMMAND ids on the main frame that the host does not
// handle itself; true when handled.
using CommandHandler = std::function<bool(Host& host, WORD id)>;

// Where a piece of topic text was drawn, in the region's content
// coordinates (not scrolled).
struct TextRun {
    RECT rect;
    std::string text;      // one word, or the words of a link on one line (ANSI)
    bool link = false;
};

// A host belongs to the thread that creates it: the module's callbacks
// carry no context and find their host through that thread. Hosts on
// several threads work side by side.
class Host {
public:
    explicit Host(const HostOptions& options = HostOptions());
    ~Host();   // Shutdown() if still running
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Loads the module by path and sends 1, 4, 10 (after creating the main
    // frame, so GetInfo item 2 answers). False if it cannot be loaded.
    bool LoadModule(const char* dllPath);
    // The same with a handler linked into the calling program.
    bool AttachHandler(ZYL_LDLLHANDLER handler);
    // Destroys the host's windows (embedded windows first, then popup,
    // secondary and main frames) while the module that put its window
    // procedures on them still runs, then sends 5 and unloads the module.
    void Shutdown();

    LONG_PTR Send(UINT message, LPARAM lParam1 = 0, LPARAM lParam2 = 0);
    LONG_PTR WhatMessages() const { return whatMessages_; }   // answer to message 1

    // Topic scripts (see docs/topic-scripts.md). Both run the start-up
    // macros and show the first topic; false (and LastError) on a missing
    // file or a script error. OpenScript takes a script on disk or a help
    // file holding one (the internal file topics.hts, else its only *.hts);
    // a help file becomes the help file path itself.
    bool OpenScript(const char* path);             // sets the help file path, shows the first topic
    bool LoadScriptText(const char* text, const char* helpFilePath);
    const zylscript::Script& TopicScript() const;
    // Why the last call that failed did so.
    const std::string& LastError() const;
    const std::string& HelpFilePath() const;
    void SetHelpFilePath(const char* path);        // what GetInfo item 8 answers

    // Navigation. Jump sends 6, re-lays the frame, sends 7. Asked for from
    // inside the module while a topic is being laid out, jumps and popups
    // wait for the next message pump (Popup and OpenSecondary answer null).
    bool Jump(const char* context);
    bool JumpToIndex(int topicIndex);
    // A frame of class ZYL_HOST_CLASS_SECONDARY per window name ("main" is the main
    // frame); with a null or empty context it opens without a topic.
    HWND OpenSecondary(const char* windowName, const char* context);
    HWND Popup(const char* context);                                    // ZYL_HOST_CLASS_POPUP
    void ClosePopup();
    // Sends 8 with the new name; the main frame shows the new file afterwards
    // when it is a script or a help file holding one (otherwise only the
    // path changes).
    void ChangeHelpFile(const char* path);
    void Resize(int width, int height);            // re-lays the topic (destroy + re-create)

    // GetInfo state.
    HWND MainFrame() const;
    HWND TopicRegion(HWND frame = nullptr) const;  // ZYL_HOST_CLASS_TOPIC child of frame (main when null)
    HWND NsrRegion(HWND frame = nullptr) const;    // ZYL_HOST_CLASS_NSR child
    void SetCurrentRegion(HWND region);            // what GetInfo item 3 answers
    HWND CurrentRegion() const;
    int CurrentTopicNumber() const;                // GetInfo item 7

    // Embedded windows of a region, in layout order.
    std::vector<HWND> EmbeddedWindows(HWND region = nullptr) const;
    // Creates one embedded window in a region as the topic layout does and
    // sizes it with the size query. Null if the module refused it. The DLL
    // "self" names the calling program (classes a test registers). Such
    // windows stand below the region's others and go with the topic.
    HWND CreateEmbedded(HWND region, const EmbeddedRef& ref);

    // Text as laid out in a region (main topic region when null).
    std::vector<TextRun> TextRuns(HWND region = nullptr) const;

    // The API log, and the log of the macro interpreter.
    const std::vector<ApiCall>& ApiLog() const;
    const std::vector<MacroLogEntry>& MacroLog() const;
    void ClearApiLog();                            // empties both
    // The API callback as the module calls it: logs the call and carries it
    // out. Jumps and popups are queued to the main frame and happen at the
    // next message pump, so that the window whose click asked for the jump
    // is not destroyed under its own window procedure.
    BOOL Api(const char* helpFile, WORD command, LONG_PTR data);
    // Replaces the host's interpreter for 0x102; an empty runner restores it.
    void SetMacroRunner(MacroRunner runner);
    // The host's macro interpreter (docs/topic-scripts.md): runs a macro
    // text (one or more macros separated by ':' or ';') at once, logging
    // into MacroLog. Jumps and window positions wait for the next pump.
    // Routines bound with RegisterRoutine stay bound until another script
    // is opened.
    void ExecuteMacro(const char* helpFile, const char* macro);
    void SetCommandHandler(CommandHandler handler);

    // Print: WM_COMMAND 0x44F on the main frame. Each embedded window of the
    // current topic is asked for its size and a bitmap on a printer device
    // context (not a raster display, dpi below). Results land here.
    struct PrintedWindow {
        HWND hwnd = nullptr;           // the window asked (a print copy is gone afterwards)
        POINT size = {0, 0};           // answer to the size query on the printer DC
        int width = 0, height = 0;     // of the returned bitmap (0 when none)
        std::vector<DWORD> pixels;     // 0x00RRGGBB, top-down rows
    };
    void SetPrinterDpi(int dpi);       // default 600
    // Sends the command and waits for it. With a path, the printed page
    // (text and the windows' bitmaps at printer resolution) is also written
    // there as a BMP file. Nothing is sent to a printer.
    bool Print(const char* pageBmpPath = nullptr);
    const std::vector<PrintedWindow>& LastPrint() const;
    HDC CreatePrinterDC();             // a DC of the host's printer; caller deletes it
    // Copy: the text render (wParam 1) of every embedded window, joined with
    // the topic's text in layout order, paragraphs on their own lines
    // (CR LF); windows from CreateEmbedded follow.
    std::string CopyTopic();

    // Screenshots (24-bit BMP).
    bool Screenshot(HWND window, const char* bmpPath);
    // Reads a window's client pixels (0x00RRGGBB, top-down rows).
    std::vector<DWORD> CapturePixels(HWND window, int* width, int* height);

    // Runs the thread's message loop until the queue is empty.
    void PumpUntilIdle();
    // Runs the message loop until the main frame is closed (the program).
    int RunMessageLoop();

    struct Impl;   // the inside (host_impl.h); named here for the callbacks

private:
    std::unique_ptr<Impl> impl_;
    LONG_PTR whatMessages_ = 0;
};

}  // namespace zylhost
