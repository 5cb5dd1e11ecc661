// The substitute help host: loads the module, drives it through
// LDLLHandler exactly as a help host does, shows topics from topic scripts
// with the module's embedded windows, and records every call the module
// makes back into the host.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "zyl3an32.h"

namespace zylhost {

// One call of the host's API callback.
struct ApiCall {
    std::string helpFile;   // the path argument as the module passed it
    unsigned command = 0;
    std::string text;       // data as text, for the string commands (0x102, 0x103, 0x104)
    LONG_PTR value = 0;     // data as a number, for the others
};

// One embedded window reference of a topic: {ewl DLL, CLASS, data}.
struct EmbeddedRef {
    char align = 'c';       // 'l', 'c' or 'r'
    std::string dll, className, data;
};

struct HostOptions {
    // Allocate the callback table and every string handed to the module
    // above 4 GB, so that a pointer squeezed into 32 bits shows up.
    bool allocateHigh = true;
    COLORREF backgroundColour = RGB(255, 255, 255);   // GetInfo item 6
    int width = 640, height = 480;                    // main frame's client size
    bool visible = true;
};

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
    // Sends 5 and unloads the module. Embedded windows are destroyed first.
    void Shutdown();

    LONG_PTR Send(UINT message, LPARAM lParam1 = 0, LPARAM lParam2 = 0);
    LONG_PTR WhatMessages() const { return whatMessages_; }   // answer to message 1

    // Topic scripts (see the README for the format).
    bool OpenScript(const char* path);             // sets the help file path, shows the first topic
    bool LoadScriptText(const char* text, const char* helpFilePath);
    const std::string& HelpFilePath() const;
    void SetHelpFilePath(const char* path);        // what GetInfo item 8 answers

    // Navigation. Jump sends 6, re-lays the frame, sends 7.
    bool Jump(const char* context);
    bool JumpToIndex(int topicIndex);
    HWND OpenSecondary(const char* windowName, const char* context);   // frame "MS_WINTOPIC_SECONDARY"
    HWND Popup(const char* context);                                    // "MS_WINNOTE"
    void ClosePopup();
    // Sends 8 with the new name; the main frame shows the new file afterwards
    // when it is a script (otherwise only the path changes).
    void ChangeHelpFile(const char* path);
    void Resize(int width, int height);            // re-lays the topic (destroy + re-create)

    // GetInfo state.
    HWND MainFrame() const;
    HWND TopicRegion(HWND frame = nullptr) const;  // "MS_WINTOPIC" child of frame (main when null)
    HWND NsrRegion(HWND frame = nullptr) const;    // "MS_WINNSR" child
    void SetCurrentRegion(HWND region);            // what GetInfo item 3 answers
    HWND CurrentRegion() const;
    int CurrentTopicNumber() const;                // GetInfo item 7

    // Embedded windows of a region, in layout order.
    std::vector<HWND> EmbeddedWindows(HWND region = nullptr) const;
    // Creates one embedded window in a region as the topic layout does and
    // sizes it with the size query. Null if the module refused it.
    HWND CreateEmbedded(HWND region, const EmbeddedRef& ref);

    // The API log.
    const std::vector<ApiCall>& ApiLog() const;
    void ClearApiLog();

    // Print: WM_COMMAND 0x44F on the main frame. Each embedded window of the
    // current topic is asked for its size and a bitmap on a printer device
    // context (not a raster display, dpi below). Results land here.
    struct PrintedWindow {
        HWND hwnd = nullptr;
        POINT size = {0, 0};           // answer to the size query on the printer DC
        int width = 0, height = 0;     // of the returned bitmap (0 when none)
        std::vector<DWORD> pixels;     // 0x00RRGGBB, top-down rows
    };
    void SetPrinterDpi(int dpi);       // default 600
    bool Print();                      // sends the command and waits for it
    const std::vector<PrintedWindow>& LastPrint() const;
    HDC CreatePrinterDC();             // a DC of the host's printer; caller deletes it
    // Copy: the text render (wParam 1) of every embedded window, joined with
    // the topic's text in layout order.
    std::string CopyTopic();

    // Screenshots (24-bit BMP).
    bool Screenshot(HWND window, const char* bmpPath);
    // Reads a window's client pixels (0x00RRGGBB, top-down rows).
    std::vector<DWORD> CapturePixels(HWND window, int* width, int* height);

    // Runs the thread's message loop until the queue is empty.
    void PumpUntilIdle();
    // Runs the message loop until the main frame is closed (the program).
    int RunMessageLoop();

private:
    struct Impl;
    Impl* impl_;
    LONG_PTR whatMessages_ = 0;
};

}  // namespace zylhost
