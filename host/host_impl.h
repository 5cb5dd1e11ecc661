// Inside of the substitute host, shared by host.cpp (module, callbacks,
// scripts, navigation), windows.cpp (frames, regions, layout) and
// output.cpp (print, copy, screenshots).
#pragma once
#include <windows.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/gdiobj.h"
#include "handoff.h"
#include "helpreader.h"
#include "host.h"
#include "layout.h"
#include "macrolang.h"
#include "script.h"

namespace zylhost {

using zyl::Bitmap;
using zyl::Brush;
using zyl::Font;
using zyl::GlobalLocked;
using zyl::OwnedDC;
using zyl::Pen;
using zyl::Selected;
using zyl::WindowDC;

// Private messages of our own frames.
constexpr UINT kMsgNavigate = WM_APP + 1;    // run the queued jumps and popups
constexpr UINT kMsgRelayout = WM_APP + 2;    // a resize arrived while laying out

constexpr int kWindowNameChars = 9;          // 8 characters and the terminator
constexpr int kPopupWidth = 360;             // client width of a popup

struct Frame;

struct EmbeddedWindow {
    HWND hwnd = nullptr;
    EmbeddedRef ref;
    HandoffBlock record;    // ZYL_CREATEINFO with its two strings, alive as long as the window
    SIZE size = {0, 0};     // answer to the size query on the screen
    POINT at = {0, 0};      // place in the region's content (not scrolled)
    std::string problem;    // shown in place of the window ("Cannot load DLL x"), or empty
};

struct RegionLink {
    zylscript::LinkKind kind = zylscript::LinkKind::Jump;
    std::string target;
    // Help files: by the context string's hash, maybe in another file; a
    // plain hot spot looks like the text around it.
    bool byHash = false;
    std::uint32_t hash = 0;
    std::string file;
    bool plain = false;
    bool hasArea = false;       // a hot spot of a picture: the rectangle in content coordinates
    RECT area = {0, 0, 0, 0};
};

// A picture of a help file in a region, drawn by the host.
struct RegionPicture {
    HBITMAP bitmap = nullptr;   // owned by the host's picture cache
    SIZE size = {0, 0};
    POINT at = {0, 0};          // place in the region's content (not scrolled)
    bool transparent = false;
    COLORREF key = 0;           // the colour that shows the background
};

struct Region {
    HWND hwnd = nullptr;
    Frame* frame = nullptr;
    bool nsr = false;
    std::vector<std::unique_ptr<EmbeddedWindow>> windows;   // in the order of the topic
    std::vector<RegionLink> links;
    std::vector<RegionPicture> pictures;
    std::vector<HFONT> fonts;   // what the flow's pieces name; the host's font cache owns them
    FlowResult flow;
    int scrollY = 0;
    int viewHeight = 0;
};

enum class FrameKind { Main, Secondary, Popup };

struct Frame {
    Host::Impl* impl = nullptr;
    FrameKind kind = FrameKind::Main;
    HWND hwnd = nullptr;
    std::string name;           // "main", the secondary window's name, "popup"
    int topic = -1;             // index into the script's topics
    Region nsr, body;           // a popup uses `body` only, whose window is the popup itself
    SIZE laidOut = {-1, -1};    // client size of the last layout
};

// Something the host does at its next message pump rather than inside the
// module's call: a jump or popup, a step through the topics, going back, or
// placing a frame.
struct Navigation {
    enum class Kind { Topic, Step, Back, Position };
    Kind kind = Kind::Topic;
    bool popup = false;
    int topic = -1;
    std::string window;         // secondary window name, or empty
    HWND frame = nullptr;       // frame to jump in when no window is named
    int step = 0;               // Step: +1 next topic, -1 previous, from the frame's topic at the time
    // Topic in another help file: it is opened first, then the topic is
    // looked up there by `key` (a context string, or a number when byNumber
    // or a hash when byHash).
    std::string file;
    std::string key;
    bool byNumber = false, byHash = false;
    std::uint32_t value = 0;
    // Position: in 1/1024ths of the screen, and the ShowWindow state.
    int x = 0, y = 0, width = 0, height = 0, showState = SW_SHOWNORMAL;
};

// A module routine bound by RegisterRoutine.
struct Routine {
    std::string dll;            // as the author named it
    std::string name;           // as exported
    FARPROC proc = nullptr;
    zylmacro::Prototype prototype;
};

struct Host::Impl {
    Impl(Host* owner, const HostOptions& options);
    ~Impl();

    Host* host;
    HostOptions options;
    Impl* previousOnThread = nullptr;

    // ---- the module ----
    HMODULE module = nullptr;
    ZYL_LDLLHANDLER handler = nullptr;
    HINSTANCE moduleInstance = nullptr;
    std::string moduleFile;                 // file name, to recognise it in window references
    bool started = false;
    HandoffBlock callbacks;
    HandoffBlock scratch;                   // point and render record of the size and render requests
    std::map<std::string, HMODULE> otherDlls;   // other DLLs named by topics (null: cannot load)

    bool Start(ZYL_LDLLHANDLER fn, HINSTANCE instance);
    void Stop();
    LONG_PTR Send(UINT message, LPARAM lParam1, LPARAM lParam2);
    LONG_PTR GetInfo(WORD item);
    BOOL Api(const char* helpFile, WORD command, LONG_PTR data);
    bool ResolveDll(const std::string& dll, HINSTANCE* instance);
    POINT* ScratchPoint();
    ZYL_RENDERINFO* ScratchRender();

    // ---- script and navigation ----
    zylscript::Script script;
    bool haveScript = false;
    std::string scriptPath;                 // the script's file, or the help file holding it (full path)
    std::string scriptDir;
    std::string helpFile;
    std::deque<Navigation> navigation;
    bool navigationWaiting = false;         // asked for during a layout: posted when it ends
    struct Visited {
        std::string file;                   // scriptPath of the file then shown
        int topic = -1;
    };
    std::vector<Visited> history;           // topics the main frame showed before, for Back(), across files
    bool skipHistory = false;               // ShowTopic does not note the topic it leaves
    bool restoring = false;                 // Back() reopens a file: LoadScript notes nothing
    MacroRunner macroRunner;
    CommandHandler commandHandler;
    std::vector<ApiCall> log;
    std::string lastError;

    // `member` names the internal file the text came from when `path` is a
    // help file holding the script; then `path` is the help file path.
    bool LoadScript(const std::string& text, const std::string& path, const std::string& member = std::string());
    // Reads the script of `path`: a topic script on disk, or a help file
    // holding one, whose internal file name `member` then receives (else
    // empty). Without `diskScript` only a help file is read. False on
    // failure, with lastError.
    bool ReadScriptFile(const std::string& path, std::string* text, std::string* member, bool diskScript);
    bool OpenScriptFile(const std::string& path);
    int TopicByContext(const std::string& context);
    void NoteVisit(const std::string& file, int topic);

    // ---- help files of the help viewer's own format (helpfile.cpp) ----
    std::unique_ptr<zylhlp::HelpReader> reader;   // the file shown, when it is one
    std::vector<bool> topicRead;                  // topics whose paragraphs are read
    std::map<std::string, zyl::Font> fontCache;   // by style, for every region's text
    struct CachedPicture {
        zyl::Bitmap bitmap;
        SIZE size = {0, 0};
        bool transparent = false;
        COLORREF key = 0;
        std::vector<zylhlp::HotSpot> hotSpots;
    };
    std::map<std::string, CachedPicture> pictureCache;   // by name, for the file shown

    // Reads a compiled help file: its index becomes the script. False with
    // lastError.
    bool OpenHelpFileTopics(const std::string& path, zylscript::Script* parsed);
    // Reads the topic's paragraphs when it comes from a help file; a damaged
    // topic gets a paragraph saying what was lost.
    void EnsureTopic(int topic);
    // The font of a piece of text, made once.
    HFONT FontFor(const zylscript::TextStyle& style, bool link);
    // A picture of the help file shown, decoded once; null when it cannot be.
    const CachedPicture* PictureFor(const zylscript::PictureRef& ref);
    void Queue(Navigation nav);
    void RunNavigation();
    void Navigate(const Navigation& nav);
    void EndOfLayout();                     // posts navigation that waited for the layout
    void FollowLink(Region& region, int link);
    void RunMacro(const std::string& helpFile, const std::string& macro);
    Frame* FrameForJump();                  // the frame a jump without a window name goes to

    // ---- the macro interpreter (interpreter.cpp) ----
    std::map<std::string, Routine> routines;       // by lower-case name
    std::map<std::string, HMODULE> routineDlls;    // DLLs RegisterRoutine found by the platform's search
    std::vector<MacroLogEntry> macroLog;
    int macroDepth = 0;

    void ExecuteMacro(const std::string& helpFile, const std::string& macro);
    void Note(std::string text);
    HMODULE RoutineDll(const std::string& dll);

    // ---- windows (windows.cpp) ----
    std::unique_ptr<Frame> main;
    std::vector<std::unique_ptr<Frame>> secondaries;
    std::unique_ptr<Frame> popup;
    HWND current = nullptr;                 // GetInfo item 3
    bool layingOut = false;
    bool quitOnClose = false;
    Font textFont, linkFont;

    bool EnsureMainFrame();
    bool CreateRegions(Frame& frame);
    void ShowTopic(Frame& frame, int topic);
    void LayoutFrame(Frame& frame);
    void LayoutRegion(Region& region, const std::vector<const std::vector<zylscript::Paragraph>*>& sources,
                      int width, int height, bool scrolls);
    HWND CreateEmbedded(Region& region, EmbeddedWindow& window, int id, bool visible = true);
    void DestroyEmbedded(Region& region);
    void DestroyEmbedded(Frame& frame);
    HWND OpenPopup(int topic);
    void ClosePopup();
    HWND OpenSecondary(const std::string& name, int topic);
    void CloseSecondaries();
    void DestroyAllWindows();
    Frame* FindFrame(HWND frameWindow);
    Region* FindRegion(HWND regionWindow);
    void ScrollTo(Region& region, int y);
    void UpdateScrollBar(Region& region);
    void SetMainCaption();
    // A contents button's request (contents.cpp): the topics as a menu at `point`.
    void ShowContents(Frame& frame, LPARAM point);
    void SetSecondaryCaption(const Frame& f, const std::string& title);
    void RunEntryMacros(int topic);          // the topic's .entry macros, in the current window
    void AnnounceWindow(HWND window, WPARAM kind);   // ZYL_HOST_MSG_NEWWINDOW to the main frame
    std::wstring Wide(const std::string& text) const;   // script text for drawing
    std::string Ansi(const std::string& text) const;    // script text for the module

    // ---- output (output.cpp) ----
    int printerDpi = 600;
    std::vector<PrintedWindow> lastPrint;
    std::string pagePath;
    bool printResult = false;

    void DoPrint();
    void PrintOne(HWND target, HDC printer, PrintedWindow* printed);
    std::unique_ptr<EmbeddedWindow> PrintCopy(Region& region, const EmbeddedWindow& shown);
    bool WritePage(HDC printer);
    std::string CopyTopic();
    bool Capture(HWND window, bool client, int* width, int* height, std::vector<DWORD>* pixels);
};

// Converts between the ANSI code page and UTF-16.
std::wstring AnsiToWide(const std::string& text, UINT codePage);
std::string WideToAnsi(const std::wstring& text);

}  // namespace zylhost
