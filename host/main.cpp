// zylhost: shows topic scripts with the module's embedded windows, the way a
// help author previews them, and takes screenshots and prints for the
// gallery and for checks.
#include <windows.h>
#include <commdlg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/gdiobj.h"
#include "host.h"

namespace {

enum ExitCode { kOk = 0, kUsage = 1, kModuleError = 2, kScriptError = 3, kOutputError = 4 };

enum MenuId : WORD {
    kMenuOpen = 100,
    kMenuPrint = 101,
    kMenuExit = 102,
    kMenuCopy = 110,
    kMenuTopicFirst = 1000,
    kMenuTopicLast = 4999,
};

const char kUsageText[] =
    "usage: zylhost [options] [MODULE.DLL] SCRIPT [CONTEXT]\n"
    "Shows the topics of a topic script or a help file with the module's embedded windows.\n"
    "SCRIPT is a topic script, a help file holding one (topics.hts or its only *.hts),\n"
    "or a help file of the help viewer's own format (one zylhc or a help compiler wrote).\n"
    "Without MODULE.DLL the module is ZYL3AN32.DLL beside SCRIPT, else beside zylhost.\n"
    "MODULE.DLL may be '-' to preview without a module.\n"
    "\n"
    "  --log             print the module's calls to the host and the macro log when done\n"
    "  --screenshot DIR  write one BMP per topic into DIR (named by context string), then exit\n"
    "  --print OUT.bmp   print the shown topic and write the printed page to OUT.bmp\n"
    "  --dpi N           printer resolution for --print (default 600)\n"
    "  --size WxH        client size of the main window (default 640x480)\n"
    "  --low             hand the module ordinary memory instead of memory above 4 GB\n"
    "  --exit            exit after showing the topic and doing the other options\n";

struct Options {
    bool log = false, exitAfter = false, low = false;
    std::string screenshotDir, printPath, module, script, context;
    int width = 640, height = 480, dpi = 600;
};

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "zylhost: %s\n", message.c_str());
    return code;
}

bool ParseSize(const char* text, int* w, int* h) {
    int a = 0, b = 0;
    char x = 0, rest = 0;
    if (std::sscanf(text, "%d%c%d%c", &a, &x, &b, &rest) != 3 || (x != 'x' && x != 'X')) return false;
    if (a < 100 || b < 60 || a > 8000 || b > 8000) return false;
    *w = a;
    *h = b;
    return true;
}

// 0 when parsed; otherwise the exit code (usage printed).
int ParseArgs(int argc, char** argv, Options* o) {
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char* what) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "zylhost: %s needs %s\n", a.c_str(), what);
                return nullptr;
            }
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            std::fputs(kUsageText, stdout);
            std::exit(kOk);
        } else if (a == "--log") {
            o->log = true;
        } else if (a == "--exit") {
            o->exitAfter = true;
        } else if (a == "--low") {
            o->low = true;
        } else if (a == "--screenshot") {
            const char* v = value("a directory");
            if (!v) return kUsage;
            o->screenshotDir = v;
        } else if (a == "--print") {
            const char* v = value("a BMP file name");
            if (!v) return kUsage;
            o->printPath = v;
        } else if (a == "--dpi") {
            const char* v = value("a resolution");
            if (!v) return kUsage;
            o->dpi = std::atoi(v);
            if (o->dpi < 72 || o->dpi > 2400) {
                std::fprintf(stderr, "zylhost: --dpi %s is outside 72..2400\n", v);
                return kUsage;
            }
        } else if (a == "--size") {
            const char* v = value("WIDTHxHEIGHT");
            if (!v) return kUsage;
            if (!ParseSize(v, &o->width, &o->height)) {
                std::fprintf(stderr, "zylhost: --size %s is not WIDTHxHEIGHT (100x60 to 8000x8000)\n", v);
                return kUsage;
            }
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            std::fprintf(stderr, "zylhost: unknown option %s\n%s", a.c_str(), kUsageText);
            return kUsage;
        } else {
            switch (positional++) {
            case 0: o->module = a; break;
            case 1: o->script = a; break;
            case 2: o->context = a; break;
            default:
                std::fprintf(stderr, "zylhost: too many arguments\n%s", kUsageText);
                return kUsage;
            }
        }
    }
    if (positional == 0) {
        std::fputs(kUsageText, stderr);
        return kUsage;
    }
    // Without a module the first argument is the script.
    auto isModule = [](const std::string& a) {
        if (a == "-") return true;
        std::string lower;
        for (char c : a) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".dll") == 0;
    };
    if (!isModule(o->module)) {
        if (positional > 2) {
            std::fprintf(stderr, "zylhost: too many arguments\n%s", kUsageText);
            return kUsage;
        }
        o->context = o->script;
        o->script = o->module;
        o->module.clear();
    } else if (positional < 2) {
        std::fputs(kUsageText, stderr);
        return kUsage;
    }
    return 0;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool FileExists(const std::string& path) {
    DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

std::string SafeFileName(const std::string& context) {
    std::string s;
    for (char c : context) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
        s += ok ? c : '_';
    }
    return s.empty() ? "topic" : s;
}

// The module's calls, each followed by what the macro interpreter made of it.
void PrintLog(const zylhost::Host& host) {
    const auto& calls = host.ApiLog();
    const auto& notes = host.MacroLog();
    std::size_t note = 0;
    auto printNotes = [&](std::size_t upTo) {
        for (; note < notes.size() && notes[note].apiCalls <= upTo; ++note)
            std::printf("  macro: %s\n", notes[note].text.c_str());
    };
    for (std::size_t i = 0; i < calls.size(); ++i) {
        printNotes(i);
        const zylhost::ApiCall& c = calls[i];
        if (c.command == ZYL_API_EXECUTE_MACRO || c.command == ZYL_API_JUMP_KEY || c.command == ZYL_API_POPUP_KEY)
            std::printf("API path=%s cmd=0x%X data=%s\n", c.helpFile.c_str(), c.command, c.text.c_str());
        else
            std::printf("API path=%s cmd=0x%X data=%lld\n", c.helpFile.c_str(), c.command, static_cast<long long>(c.value));
    }
    printNotes(static_cast<std::size_t>(-1));
    std::fflush(stdout);
}

void PutOnClipboard(HWND owner, const std::string& text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!block) return;
    {
        zyl::GlobalLocked p(block);
        if (!p.get()) {
            GlobalFree(block);
            return;
        }
        std::memcpy(p.get(), text.c_str(), text.size() + 1);
    }
    if (OpenClipboard(owner)) {
        EmptyClipboard();
        if (SetClipboardData(CF_TEXT, block)) block = nullptr;   // the clipboard owns it now
        CloseClipboard();
    }
    if (block) GlobalFree(block);
}

void BuildMenu(zylhost::Host& host, const Options& o) {
    HWND frame = host.MainFrame();
    if (!frame) return;
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, kMenuOpen, "&Open script...");
    AppendMenuA(file, MF_STRING, kMenuPrint, "&Print to BMP...");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_STRING, kMenuExit, "E&xit");
    HMENU edit = CreatePopupMenu();
    AppendMenuA(edit, MF_STRING, kMenuCopy, "&Copy\tCtrl+C");
    HMENU topics = CreatePopupMenu();
    const auto& list = host.TopicScript().topics;
    for (std::size_t i = 0; i < list.size() && i <= kMenuTopicLast - kMenuTopicFirst; ++i)
        AppendMenuA(topics, MF_STRING, kMenuTopicFirst + i, (list[i].context + "  (" + list[i].title + ")").c_str());
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), "&Edit");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(topics), "&Topics");
    HMENU old = GetMenu(frame);
    SetMenu(frame, bar);
    if (old) DestroyMenu(old);
    host.Resize(o.width, o.height);   // the menu bar took client height
}

bool AskFileName(HWND owner, bool save, const char* filter, std::string* path) {
    char buffer[MAX_PATH] = "";
    OPENFILENAMEA ofn;
    std::memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = sizeof buffer;
    ofn.Flags = save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST;
    if (!(save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn))) return false;
    *path = buffer;
    return true;
}

int Screenshots(zylhost::Host& host, const std::string& dir) {
    CreateDirectoryA(dir.c_str(), nullptr);
    const auto& topics = host.TopicScript().topics;
    int failures = 0;
    for (std::size_t i = 0; i < topics.size(); ++i) {
        host.JumpToIndex(static_cast<int>(i));
        host.PumpUntilIdle();
        const std::string path = dir + "\\" + SafeFileName(topics[i].context) + ".bmp";
        if (!host.Screenshot(host.MainFrame(), path.c_str())) {
            std::fprintf(stderr, "zylhost: %s\n", host.LastError().c_str());
            ++failures;
        }
    }
    return failures;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (int code = ParseArgs(argc, argv, &o)) return code;

    zylhost::HostOptions options;
    options.width = o.width;
    options.height = o.height;
    options.allocateHigh = !o.low;
    zylhost::Host host(options);
    host.SetPrinterDpi(o.dpi);

    if (o.module.empty()) {
        // The module a help file names, as a help viewer finds it: beside the
        // file, else beside zylhost.
        char self[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, self, sizeof self);
        for (const std::string& dir : {DirectoryOf(o.script), DirectoryOf(self)}) {
            const std::string candidate = dir + "\\" + ZYL3AN32_MODULE_NAME;
            if (FileExists(candidate)) {
                o.module = candidate;
                break;
            }
        }
    }
    if (!o.module.empty() && o.module != "-") {
        if (!FileExists(o.module)) return Fail(kModuleError, "module " + o.module + " not found");
        zylhost::RegisterMciExtensions();
        if (!host.LoadModule(o.module.c_str())) return Fail(kModuleError, host.LastError());
    }
    if (!FileExists(o.script)) return Fail(kScriptError, "script " + o.script + " not found");
    if (!host.OpenScript(o.script.c_str())) return Fail(kScriptError, host.LastError());
    if (!o.context.empty() && !host.Jump(o.context.c_str()))
        return Fail(kScriptError, "no topic '" + o.context + "' in " + o.script);
    host.PumpUntilIdle();

    int code = kOk;
    if (!o.screenshotDir.empty()) {
        if (Screenshots(host, o.screenshotDir) > 0) code = kOutputError;
        o.exitAfter = true;
    }
    if (!o.printPath.empty()) {
        if (!host.Print(o.printPath.c_str())) {
            std::fprintf(stderr, "zylhost: print failed: %s\n", host.LastError().c_str());
            code = kOutputError;
        }
    }

    if (!o.exitAfter) {
        BuildMenu(host, o);
        host.SetCommandHandler([&o](zylhost::Host& h, WORD id) {
            HWND frame = h.MainFrame();
            std::string path;
            switch (id) {
            case kMenuOpen:
                if (AskFileName(frame, false, "Topic scripts and help files (*.hts;*.txt;*.hlp)\0*.hts;*.txt;*.hlp\0All files\0*.*\0", &path)) {
                    if (h.OpenScript(path.c_str())) BuildMenu(h, o);
                    else MessageBoxA(frame, h.LastError().c_str(), "zylhost", MB_ICONERROR);
                }
                return true;
            case kMenuPrint:
                if (AskFileName(frame, true, "Bitmaps (*.bmp)\0*.bmp\0", &path) && !h.Print(path.c_str()))
                    MessageBoxA(frame, h.LastError().c_str(), "zylhost", MB_ICONERROR);
                return true;
            case kMenuExit:
                DestroyWindow(frame);
                return true;
            case kMenuCopy:
                PutOnClipboard(frame, h.CopyTopic());
                return true;
            default:
                if (id >= kMenuTopicFirst && id <= kMenuTopicLast) {
                    h.JumpToIndex(id - kMenuTopicFirst);
                    return true;
                }
                return false;
            }
        });
        // Ctrl+C without an accelerator table: the frame has the focus.
        ACCEL accel = {FVIRTKEY | FCONTROL, 'C', kMenuCopy};
        HACCEL table = CreateAcceleratorTableA(&accel, 1);
        MSG msg;
        HWND frame = host.MainFrame();
        while (frame && IsWindow(frame) && GetMessageA(&msg, nullptr, 0, 0) > 0) {
            if (table && TranslateAcceleratorA(frame, table, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (table) DestroyAcceleratorTable(table);
    }
    if (o.log) {
        std::printf("module: %s\n", o.module.empty() || o.module == "-" ? "none" : o.module.c_str());
        PrintLog(host);
    }
    host.Shutdown();
    return code;
}
