// The host's side of the contract: loading the module, the callback table,
// GetInfo and API, topic scripts and navigation.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/helpfile.h"
#include "host_impl.h"
#include "systemfile.h"

namespace zylhost {

namespace {

// The callbacks carry no context: each thread knows the host it runs.
thread_local Host::Impl* t_host = nullptr;

LONG_PTR CALLBACK GetInfoCallback(WORD item, HWND) { return t_host ? t_host->GetInfo(item) : 0; }

BOOL CALLBACK ApiCallback(LPCSTR helpFile, WORD command, LONG_PTR data) {
    return t_host ? t_host->Api(helpFile, command, data) : FALSE;
}

// Slots 0 to 14: the module never calls them.
LONG_PTR CALLBACK InertCallback() { return 0; }

template <typename F>
FARPROC AsFarProc(F fn) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(fn));
}

bool IsStringCommand(WORD command) {
    return command == ZYL_API_EXECUTE_MACRO || command == ZYL_API_JUMP_KEY || command == ZYL_API_POPUP_KEY;
}

std::string BaseName(const std::string& path) {
    std::size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Stem(const std::string& name) {
    std::string base = BaseName(name);
    std::size_t dot = base.rfind('.');
    return dot == std::string::npos ? base : base.substr(0, dot);
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string FullPath(const std::string& path) {
    char buf[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof buf, buf, nullptr);
    return (n > 0 && n < sizeof buf) ? std::string(buf, n) : path;
}

std::string DirectoryOf(const std::string& path) {
    std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool ReadWholeFile(const std::string& path, std::string* text, std::string* error) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        *error = "cannot open " + path;
        return false;
    }
    text->clear();
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        text->append(buf, n);
        if (text->size() > (64u << 20)) {
            std::fclose(f);
            *error = path + " is too large for a topic script";
            return false;
        }
    }
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) *error = "cannot read " + path;
    return !failed;
}

bool IsScriptName(const std::string& path) {
    std::string ext = Lower(BaseName(path));
    std::size_t dot = ext.rfind('.');
    ext = dot == std::string::npos ? "" : ext.substr(dot);
    return ext == ".hts" || ext == ".txt";
}

}  // namespace

std::wstring AnsiToWide(const std::string& text, UINT codePage) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return std::wstring(text.begin(), text.end());
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string WideToAnsi(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

// ---------------------------------------------------------------------------
// Impl: module and callbacks

Host::Impl::Impl(Host* owner, const HostOptions& opts) : host(owner), options(opts) {
    previousOnThread = t_host;
    t_host = this;
    // The text's font unless a script or help file says otherwise: Arial,
    // 10 points, as the help compiler writes it.
    const int height = -MulDiv(20, std::max(1, GetDeviceCaps(WindowDC(nullptr).get(), LOGPIXELSY)), 144);
    textFont.reset(CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "Arial"));
    linkFont.reset(CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "Arial"));
}

Host::Impl::~Impl() {
    if (t_host == this) t_host = previousOnThread;
}

bool Host::Impl::Start(ZYL_LDLLHANDLER fn, HINSTANCE instance) {
    if (!EnsureMainFrame()) return false;
    callbacks = HandoffBlock(sizeof(ZYL_CALLBACK_TABLE), options.allocateHigh);
    scratch = HandoffBlock(256, options.allocateHigh);
    if (!callbacks.data() || !scratch.data()) {
        lastError = "out of memory for the callback table";
        return false;
    }
    FARPROC* table = static_cast<FARPROC*>(callbacks.data());
    for (int i = 0; i < ZYL_CALLBACK_COUNT; ++i) table[i] = AsFarProc(&InertCallback);
    table[ZYL_CALLBACK_GETINFO] = AsFarProc(&GetInfoCallback);
    table[ZYL_CALLBACK_API] = AsFarProc(&ApiCallback);

    handler = fn;
    moduleInstance = instance;
    started = true;
    // The main frame and its regions exist before message 10, which
    // subclasses them.
    host->whatMessages_ = Send(DW_WHATMSG, 0, 0);
    Send(DW_INIT, 0, 0);
    Send(DW_CALLBACKS, reinterpret_cast<LPARAM>(table), 0);
    return true;
}

void Host::Impl::Stop() {
    // Our windows go while the module still runs: it put its own window
    // procedures on them and takes them off at WM_DESTROY.
    DestroyAllWindows();
    if (started) Send(DW_TERM, 0, 0);
    started = false;
    handler = nullptr;
    if (module) FreeLibrary(module);
    module = nullptr;
    moduleInstance = nullptr;
    for (auto& entry : otherDlls)
        if (entry.second) FreeLibrary(entry.second);
    otherDlls.clear();
    routines.clear();
    for (auto& entry : routineDlls)
        if (entry.second) FreeLibrary(entry.second);
    routineDlls.clear();
    callbacks.reset();
    scratch.reset();
    navigation.clear();
}

LONG_PTR Host::Impl::Send(UINT message, LPARAM lParam1, LPARAM lParam2) {
    return handler ? handler(message, lParam1, lParam2) : 0;
}

POINT* Host::Impl::ScratchPoint() {
    auto* pt = reinterpret_cast<POINT*>(scratch.chars());
    if (pt) *pt = POINT{0, 0};
    return pt;
}

ZYL_RENDERINFO* Host::Impl::ScratchRender() {
    if (!scratch.data()) return nullptr;
    auto* info = reinterpret_cast<ZYL_RENDERINFO*>(scratch.chars() + 64);
    std::memset(info, 0, sizeof *info);
    return info;
}

LONG_PTR Host::Impl::GetInfo(WORD item) {
    switch (item) {
    case GI_MAINHWND:
        return reinterpret_cast<LONG_PTR>(main ? main->hwnd : nullptr);
    case GI_CURRHWND:
        return reinterpret_cast<LONG_PTR>(current);
    case GI_BKCOLOR:
        return static_cast<LONG_PTR>(options.backgroundColour);
    case GI_TOPICNO:
        return static_cast<LONG_PTR>(host->CurrentTopicNumber());
    case GI_HPATH: {
        // A new handle each time: the module frees it.
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, helpFile.size() + 1);
        if (!h) return 0;
        {
            GlobalLocked p(h);
            if (p.get()) {
                std::memcpy(p.get(), helpFile.c_str(), helpFile.size() + 1);
                return reinterpret_cast<LONG_PTR>(h);
            }
        }
        GlobalFree(h);
        return 0;
    }
    default:
        return 0;
    }
}

BOOL Host::Impl::Api(const char* path, WORD command, LONG_PTR data) {
    ApiCall call;
    call.helpFile = path ? path : "";
    call.command = command;
    if (IsStringCommand(command)) call.text = data ? reinterpret_cast<const char*>(data) : "";
    else call.value = data;
    log.push_back(call);

    std::string file, window;
    zylscript::SplitWindowSuffix(call.helpFile, &file, &window);
    Navigation nav;
    nav.window = window;
    if (window.empty()) {
        Frame* f = FrameForJump();
        nav.frame = f ? f->hwnd : nullptr;
    }
    switch (command) {
    case ZYL_API_EXECUTE_MACRO:
        RunMacro(call.helpFile, call.text);
        return TRUE;
    case ZYL_API_JUMP_KEY:
    case ZYL_API_POPUP_KEY:
        nav.topic = TopicByContext(call.text);
        nav.popup = command == ZYL_API_POPUP_KEY;
        break;
    case ZYL_API_POPUP_CONTEXT:
        nav.topic = haveScript ? script.FindTopicByNumber(static_cast<std::uint32_t>(data)) : -1;
        nav.popup = true;
        break;
    case ZYL_API_JUMP_HASH:
    case ZYL_API_POPUP_HASH:
        nav.topic = haveScript ? script.FindTopicByHash(static_cast<std::uint32_t>(data)) : -1;
        nav.popup = command == ZYL_API_POPUP_HASH;
        break;
    default:
        return TRUE;   // logged only
    }
    if (nav.topic >= 0) Queue(std::move(nav));
    return TRUE;
}

void Host::Impl::RunMacro(const std::string& path, const std::string& macro) {
    if (macroRunner) macroRunner(*host, path, macro);
    else ExecuteMacro(path, macro);
}

bool Host::Impl::ResolveDll(const std::string& dll, HINSTANCE* instance) {
    // The loaded module answers to its own file name and to the module's
    // standard name, with or without the extension; "self" is the program
    // itself (window classes a test program registers).
    const std::string stem = Lower(Stem(dll));
    if (handler && (stem == Lower(Stem(moduleFile)) || stem == Lower(Stem(ZYL3AN32_MODULE_NAME)))) {
        *instance = moduleInstance;
        return true;
    }
    if (Lower(dll) == "self") {
        *instance = GetModuleHandleA(nullptr);
        return true;
    }
    const std::string key = Lower(BaseName(dll));
    auto it = otherDlls.find(key);
    if (it == otherDlls.end()) {
        // Another DLL is looked for beside the script, as authors keep
        // their extension DLLs with the help file.
        HMODULE m = LoadLibraryA((scriptDir + "\\" + BaseName(dll)).c_str());
        it = otherDlls.emplace(key, m).first;
    }
    *instance = it->second;
    return it->second != nullptr;
}

// ---------------------------------------------------------------------------
// Impl: scripts and navigation

namespace {
constexpr char kSystemMember[] = "|SYSTEM";   // what a compiled help file shows instead
}  // namespace

bool Host::Impl::LoadScript(const std::string& text, const std::string& path, const std::string& member) {
    const std::string where = member.empty() ? path : path + "(" + member + ")";
    if (layingOut) {
        // The topic being laid out belongs to the current script.
        lastError = "cannot open " + where + " while a topic is being laid out";
        return false;
    }
    zylscript::Script parsed;
    std::unique_ptr<zylhlp::HelpReader> scriptReader = std::move(reader);   // put back when the new file fails
    // The pictures shown stay until the new file's topic is laid out.
    std::map<std::string, CachedPicture> shownPictures = std::move(pictureCache);
    pictureCache.clear();
    if (member == kSystemMember) {
        // A help file of the viewer's own format: its topics are read as
        // they are shown.
        if (!OpenHelpFileTopics(path, &parsed)) {
            reader = std::move(scriptReader);
            pictureCache = std::move(shownPictures);
            return false;
        }
    } else {
        zylscript::ParseError error;
        if (!zylscript::ParseScript(text, &parsed, &error)) {
            lastError = error.line > 0 ? where + ":" + std::to_string(error.line) + ": " + error.message
                                       : where + ": " + error.message;
            reader = std::move(scriptReader);
            pictureCache = std::move(shownPictures);
            return false;
        }
    }
    if (!EnsureMainFrame()) return false;
    ClosePopup();
    CloseSecondaries();
    navigation.clear();
    navigationWaiting = false;
    // The way back leads through the file before.
    if (!restoring && haveScript && main && main->topic >= 0) NoteVisit(scriptPath, main->topic);
    routines.clear();   // the new file registers its own
    script = std::move(parsed);
    haveScript = true;
    const std::string full = FullPath(path);
    scriptPath = full;
    scriptDir = DirectoryOf(full);
    // A help file holding the script is the help file itself; a script on
    // disk may name one with .helpfile.
    helpFile = !member.empty() || script.helpFile.empty() ? full : FullPath(scriptDir + "\\" + script.helpFile);
    if (script.hasBackground) options.backgroundColour = script.background;
    SetMainCaption();
    for (const std::string& macro : script.startupMacros)
        Api(helpFile.c_str(), ZYL_API_EXECUTE_MACRO, reinterpret_cast<LONG_PTR>(macro.c_str()));
    skipHistory = true;   // the topic left is noted above
    ShowTopic(*main, script.topics.empty() ? -1 : std::clamp(script.contents, 0, static_cast<int>(script.topics.size()) - 1));
    skipHistory = false;
    return true;
}

void Host::Impl::NoteVisit(const std::string& file, int topic) {
    history.push_back(Visited{file, topic});
    if (history.size() > 256) history.erase(history.begin());
}

namespace {

constexpr char kScriptMember[] = "topics.hts";   // the script of a help file
constexpr std::int32_t kMaxScriptBytes = 64 << 20;

struct ScriptMembers {
    std::vector<std::string> names;   // internal files named *.hts
};

bool CollectScript(void* context, const char* name, std::uint32_t) {
    const std::string n = Lower(name);
    if (n.size() > 4 && n.compare(n.size() - 4, 4, ".hts") == 0)
        static_cast<ScriptMembers*>(context)->names.push_back(name);
    return true;
}

}  // namespace

bool Host::Impl::ReadScriptFile(const std::string& path, std::string* text, std::string* member, bool diskScript) {
    member->clear();
    zyl::OpenError why = zyl::OpenError::kNone;
    zyl::HelpFilePtr help(zyl::OpenHelpFile(zyl::PosixFiles(), path.c_str(), &why));
    if (!help) {
        if (why == zyl::OpenError::kNotHelpFile) {
            if (diskScript) return ReadWholeFile(path, text, &lastError);
            lastError = path + " is not a help file";
            return false;
        }
        lastError = "cannot open " + path;
        return false;
    }
    // A help file: its script is the internal file topics.hts, or else the
    // only internal file named *.hts.
    zyl::DataFilePtr file(zyl::FindInternalFile(help.get(), kScriptMember));
    if (file) {
        *member = kScriptMember;
    } else {
        ScriptMembers found;
        const bool whole = zyl::WalkDirectory(help.get(), &CollectScript, &found);
        if (found.names.size() == 1) {
            *member = found.names[0];
            file.reset(zyl::FindInternalFile(help.get(), member->c_str()));
            if (!file) lastError = path + "(" + *member + ") cannot be read: the help file is damaged";
        } else if (found.names.size() > 1) {
            std::string list;
            for (const std::string& n : found.names) list += (list.empty() ? "" : ", ") + n;
            lastError = path + " holds several topic scripts (" + list + "); name the one to show " + kScriptMember;
        } else if (file.reset(zyl::FindInternalFile(help.get(), kSystemMember)), file) {
            *member = kSystemMember;   // a compiled help file
        } else if (zyl::DataFilePtr(zyl::FindInternalFile(help.get(), "|TOPIC"))) {
            lastError = path + " is a damaged help file: it has topics but no system file";
        } else {
            lastError = path + (whole ? " is a help file without a topic script (add one named " + std::string(kScriptMember) + ")"
                                      : " is a damaged help file (its directory cannot be read)");
        }
    }
    bool ok = false;
    if (file) {
        const std::int32_t length = zyl::DataFileLength(file.get());
        if (length < 0 || length > kMaxScriptBytes) lastError = path + "(" + *member + ") is too large for a topic script";
        else if (!zyl::ReadAllBytes(file.get(), text)) lastError = "cannot read " + path + "(" + *member + ")";
        else ok = true;
    }
    return ok;
}

bool Host::Impl::OpenScriptFile(const std::string& path) {
    std::string text, member;
    if (!ReadScriptFile(path, &text, &member, true)) return false;
    return LoadScript(text, path, member);
}

int Host::Impl::TopicByContext(const std::string& context) {
    if (!haveScript) return -1;
    const int topic = script.FindTopic(context);
    // A help file knows most of its context strings only by their hashes.
    return topic >= 0 || !script.fromHelpFile ? topic : script.FindTopicByHash(zylscript::ContextHash(context));
}

Frame* Host::Impl::FrameForJump() {
    // The frame whose region the host is working on; a popup's jumps go to
    // the main frame, as the popup closes.
    for (auto& f : secondaries)
        if (current && (current == f->body.hwnd || current == f->nsr.hwnd)) return f.get();
    return main.get();
}

void Host::Impl::Queue(Navigation nav) {
    if (!main || !main->hwnd) return;
    navigation.push_back(std::move(nav));
    PostMessageA(main->hwnd, kMsgNavigate, 0, 0);
}

void Host::Impl::RunNavigation() {
    // Layout may pump messages inside the module; a jump must not start in
    // the middle of another one. It waits for the end of the layout rather
    // than posting itself again, which a pump that runs until the queue is
    // empty would never get past.
    if (layingOut) {
        navigationWaiting = !navigation.empty();
        return;
    }
    while (!navigation.empty()) {
        Navigation nav = std::move(navigation.front());
        navigation.pop_front();
        Navigate(nav);
    }
}

void Host::Impl::EndOfLayout() {
    if (layingOut || !navigationWaiting) return;
    navigationWaiting = false;
    if (!navigation.empty() && main && main->hwnd) PostMessageA(main->hwnd, kMsgNavigate, 0, 0);
}

void Host::Impl::Navigate(const Navigation& nav) {
    switch (nav.kind) {
    case Navigation::Kind::Position: {
        Frame* f = nullptr;
        if (zylmacro::EqualNoCase(nav.window, "main")) f = main.get();
        for (auto& s : secondaries)
            if (zylmacro::EqualNoCase(s->name, nav.window)) f = s.get();
        if (!f || !f->hwnd) {
            Note("error: PositionWindow: no window " + nav.window + " is open");
            return;
        }
        // Help units: the screen is 1024 by 1024 of them.
        const int sx = GetSystemMetrics(SM_CXSCREEN), sy = GetSystemMetrics(SM_CYSCREEN);
        if (nav.showState != SW_SHOWMAXIMIZED)
            SetWindowPos(f->hwnd, nullptr, MulDiv(nav.x, sx, 1024), MulDiv(nav.y, sy, 1024),
                         std::max(1, MulDiv(nav.width, sx, 1024)), std::max(1, MulDiv(nav.height, sy, 1024)),
                         SWP_NOZORDER | SWP_NOACTIVATE);
        // A host whose windows stay hidden keeps them hidden.
        if (options.visible || nav.showState == SW_HIDE) ShowWindow(f->hwnd, nav.showState);
        return;
    }
    case Navigation::Kind::Back: {
        if (history.empty()) {
            Note("Back: no topic to go back to");
            return;
        }
        const Visited back = history.back();
        history.pop_back();
        if (!main || !main->hwnd) return;
        if (back.file != scriptPath) {
            // A topic of another file: that file opens again first.
            restoring = true;
            const bool opened = OpenScriptFile(back.file);
            restoring = false;
            if (!opened) {
                Note("error: Back: cannot open " + back.file + ": " + lastError);
                return;
            }
        }
        if (!haveScript || back.topic < 0 || static_cast<std::size_t>(back.topic) >= script.topics.size()) return;
        skipHistory = true;
        ShowTopic(*main, back.topic);
        skipHistory = false;
        return;
    }
    case Navigation::Kind::Step: {
        Frame* f = FindFrame(nav.frame);
        if (!f || f->kind == FrameKind::Popup) f = main.get();
        if (!haveScript || !f || !f->hwnd) return;
        const int topic = f->topic + nav.step;
        if (topic < 0 || static_cast<std::size_t>(topic) >= script.topics.size()) {
            Note(nav.step > 0 ? "Next: the last topic is shown" : "Prev: the first topic is shown");
            return;
        }
        ShowTopic(*f, topic);
        return;
    }
    case Navigation::Kind::Topic:
        break;
    }
    int topic = nav.topic;
    if (!nav.file.empty()) {
        // Another help file: opened first, then the topic is found in it.
        host->ChangeHelpFile(nav.file.c_str());
        if (!haveScript || scriptPath != FullPath(nav.file)) {
            Note("error: cannot show topics of " + nav.file + (lastError.empty() ? "" : ": " + lastError));
            return;
        }
        topic = nav.byHash ? script.FindTopicByHash(nav.value)
                : nav.byNumber ? script.FindTopicByNumber(nav.value)
                               : TopicByContext(nav.key);
        if (topic < 0) {
            Note("error: no topic " + (nav.byHash || nav.byNumber ? std::to_string(nav.value) : nav.key) + " in " + nav.file);
            return;
        }
    }
    if (!haveScript || topic < 0 || static_cast<std::size_t>(topic) >= script.topics.size()) return;
    if (nav.popup) {
        OpenPopup(topic);
    } else if (!nav.window.empty()) {
        OpenSecondary(nav.window, topic);
    } else {
        Frame* f = nav.file.empty() ? FindFrame(nav.frame) : main.get();
        if (!f || f->kind == FrameKind::Popup) f = main.get();
        if (f && f->hwnd) ShowTopic(*f, topic);
    }
}

void Host::Impl::FollowLink(Region& region, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= region.links.size()) return;
    const RegionLink link = region.links[static_cast<std::size_t>(index)];   // the region may be laid out anew
    if (link.kind == zylscript::LinkKind::Macro) {
        Api(helpFile.c_str(), ZYL_API_EXECUTE_MACRO, reinterpret_cast<LONG_PTR>(link.target.c_str()));
        return;
    }
    Navigation nav;
    std::string context;
    zylscript::SplitWindowSuffix(link.target, &context, &nav.window);
    nav.popup = link.kind == zylscript::LinkKind::Popup;
    nav.frame = region.frame ? region.frame->hwnd : nullptr;
    if (!link.file.empty()) {
        // A topic of another help file, beside this one unless the path
        // says where.
        const bool absolute = link.file.size() > 1 && (link.file[1] == ':' || link.file[0] == '\\' || link.file[0] == '/');
        nav.file = FullPath(absolute ? link.file : scriptDir + "\\" + link.file);
        nav.key = context;
        nav.byHash = link.byHash;
        nav.value = link.hash;
        Queue(std::move(nav));
        return;
    }
    nav.topic = link.byHash ? script.FindTopicByHash(link.hash) : TopicByContext(context);
    if (nav.topic < 0) {
        lastError = "no topic " + (context.empty() ? std::to_string(link.hash) : context);
        MessageBeep(MB_ICONWARNING);
        return;
    }
    Queue(std::move(nav));
}

// ---------------------------------------------------------------------------
// Host

Host::Host(const HostOptions& options) : impl_(std::make_unique<Impl>(this, options)) {}

Host::~Host() { Shutdown(); }

bool Host::LoadModule(const char* dllPath) {
    if (impl_->started) {
        impl_->lastError = "a module is already loaded";
        return false;
    }
    if (!dllPath || !*dllPath) {
        impl_->lastError = "no module named";
        return false;
    }
    HMODULE m = LoadLibraryA(dllPath);
    if (!m) {
        impl_->lastError = "cannot load module " + std::string(dllPath) + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    auto fn = reinterpret_cast<ZYL_LDLLHANDLER>(reinterpret_cast<void*>(GetProcAddress(m, "LDLLHandler")));
    if (!fn) {
        FreeLibrary(m);
        impl_->lastError = std::string(dllPath) + " has no LDLLHandler export";
        return false;
    }
    impl_->module = m;
    impl_->moduleFile = BaseName(dllPath);
    if (!impl_->Start(fn, m)) {
        impl_->module = nullptr;
        FreeLibrary(m);
        return false;
    }
    return true;
}

bool Host::AttachHandler(ZYL_LDLLHANDLER handler) {
    if (impl_->started) {
        impl_->lastError = "a module is already loaded";
        return false;
    }
    if (!handler) {
        impl_->lastError = "no handler";
        return false;
    }
    impl_->moduleFile = ZYL3AN32_MODULE_NAME;
    return impl_->Start(handler, GetModuleHandleA(nullptr));
}

void Host::Shutdown() { impl_->Stop(); }

LONG_PTR Host::Send(UINT message, LPARAM lParam1, LPARAM lParam2) { return impl_->Send(message, lParam1, lParam2); }

bool Host::OpenScript(const char* path) {
    if (!path || !*path) {
        impl_->lastError = "no script named";
        return false;
    }
    return impl_->OpenScriptFile(path);
}

bool Host::LoadScriptText(const char* text, const char* helpFilePath) {
    return impl_->LoadScript(text ? text : "", helpFilePath && *helpFilePath ? helpFilePath : "topics.hts");
}

const zylscript::Script& Host::TopicScript() const { return impl_->script; }
const std::string& Host::LastError() const { return impl_->lastError; }
const std::string& Host::HelpFilePath() const { return impl_->helpFile; }
void Host::SetHelpFilePath(const char* path) { impl_->helpFile = path ? path : ""; }

bool Host::Jump(const char* context) {
    int topic = impl_->TopicByContext(context ? context : "");
    if (topic < 0) {
        impl_->lastError = "no topic " + std::string(context ? context : "");
        return false;
    }
    return JumpToIndex(topic);
}

bool Host::JumpToIndex(int topicIndex) {
    if (!impl_->haveScript || topicIndex < 0 || static_cast<std::size_t>(topicIndex) >= impl_->script.topics.size()) {
        impl_->lastError = "no topic number " + std::to_string(topicIndex);
        return false;
    }
    if (!impl_->main || !impl_->main->hwnd) {
        impl_->lastError = "the main window is closed";
        return false;
    }
    impl_->ShowTopic(*impl_->main, topicIndex);
    return true;
}

HWND Host::OpenSecondary(const char* windowName, const char* context) {
    if (!windowName || !*windowName) {
        impl_->lastError = "no window name";
        return nullptr;
    }
    if (!impl_->EnsureMainFrame()) return nullptr;
    // Without a context string the frame opens empty.
    int topic = context && *context ? impl_->TopicByContext(context) : -1;
    if (context && *context && topic < 0) {
        impl_->lastError = "no topic " + std::string(context ? context : "");
        return nullptr;
    }
    return impl_->OpenSecondary(windowName ? windowName : "", topic);
}

HWND Host::Popup(const char* context) {
    int topic = impl_->TopicByContext(context ? context : "");
    if (topic < 0) {
        impl_->lastError = "no topic " + std::string(context ? context : "");
        return nullptr;
    }
    return impl_->OpenPopup(topic);
}

void Host::ClosePopup() { impl_->ClosePopup(); }

void Host::ChangeHelpFile(const char* path) {
    if (!path) return;
    const std::string full = FullPath(path);
    HandoffBlock name = HandoffBlock::String(full, impl_->options.allocateHigh);
    if (impl_->main) impl_->current = impl_->main->body.hwnd;
    Send(DW_CHGFILE, reinterpret_cast<LPARAM>(name.data()), 0);
    name.reset();
    // A script, a help file holding one or a help file of the viewer's own
    // format is shown; any other file only becomes the path.
    std::string text, member;
    const std::string error = impl_->lastError;
    const bool script = IsScriptName(full);
    const bool read = impl_->ReadScriptFile(full, &text, &member, script);
    if (read && impl_->LoadScript(text, full, member)) return;
    if (!script && member.empty()) impl_->lastError = error;   // not a script: no failure
    impl_->helpFile = full;
}

void Host::Resize(int width, int height) {
    Frame* f = impl_->main.get();
    if (!f || !f->hwnd || width <= 0 || height <= 0) return;
    RECT rc = {0, 0, width, height};
    AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongPtrA(f->hwnd, GWL_STYLE)), GetMenu(f->hwnd) != nullptr,
                       static_cast<DWORD>(GetWindowLongPtrA(f->hwnd, GWL_EXSTYLE)));
    impl_->options.width = width;
    impl_->options.height = height;
    SetWindowPos(f->hwnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND Host::MainFrame() const { return impl_->main ? impl_->main->hwnd : nullptr; }

HWND Host::TopicRegion(HWND frame) const {
    Frame* f = frame ? impl_->FindFrame(frame) : impl_->main.get();
    return f ? f->body.hwnd : nullptr;
}

HWND Host::NsrRegion(HWND frame) const {
    Frame* f = frame ? impl_->FindFrame(frame) : impl_->main.get();
    return f && f->kind != FrameKind::Popup ? f->nsr.hwnd : nullptr;
}

void Host::SetCurrentRegion(HWND region) { impl_->current = region; }
HWND Host::CurrentRegion() const { return impl_->current; }

int Host::CurrentTopicNumber() const {
    const Impl& m = *impl_;
    if (!m.haveScript) return 0;
    Frame* f = nullptr;
    if (Region* r = impl_->FindRegion(m.current)) f = r->frame;
    if (!f) f = m.main.get();
    if (!f || f->topic < 0) return 0;
    return static_cast<int>(m.script.TopicNumber(f->topic));
}

std::vector<HWND> Host::EmbeddedWindows(HWND region) const {
    std::vector<HWND> out;
    Region* r = region ? impl_->FindRegion(region) : (impl_->main ? &impl_->main->body : nullptr);
    if (!r) return out;
    for (const auto& w : r->windows)
        if (w->hwnd) out.push_back(w->hwnd);
    return out;
}

HWND Host::CreateEmbedded(HWND region, const EmbeddedRef& ref) {
    Region* r = impl_->FindRegion(region);
    if (!r) {
        impl_->lastError = "not a region of this host";
        return nullptr;
    }
    auto w = std::make_unique<EmbeddedWindow>();
    w->ref = ref;
    HWND hwnd = impl_->CreateEmbedded(*r, *w, static_cast<int>(r->windows.size()) + 1);
    // Outside a topic's flow: stacked below the region's other windows.
    int y = 6;
    for (const auto& other : r->windows) y = std::max<int>(y, other->at.y + other->size.cy + 6);
    w->at = POINT{8, y};
    if (hwnd)
        SetWindowPos(hwnd, nullptr, w->at.x, w->at.y - r->scrollY, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    r->windows.push_back(std::move(w));
    return hwnd;
}

std::vector<TextRun> Host::TextRuns(HWND region) const {
    std::vector<TextRun> out;
    Region* r = region ? impl_->FindRegion(region) : (impl_->main ? &impl_->main->body : nullptr);
    if (!r) return out;
    for (const PlacedText& t : r->flow.texts) {
        TextRun run;
        run.rect = RECT{t.at.x, t.at.y, t.at.x + t.extent.cx, t.at.y + t.extent.cy};
        run.text = WideToAnsi(t.text);
        run.link = t.link >= 0;
        out.push_back(std::move(run));
    }
    return out;
}

const std::vector<ApiCall>& Host::ApiLog() const { return impl_->log; }
void Host::ClearApiLog() {
    impl_->log.clear();
    impl_->macroLog.clear();
}
BOOL Host::Api(const char* helpFile, WORD command, LONG_PTR data) { return impl_->Api(helpFile, command, data); }
void Host::SetMacroRunner(MacroRunner runner) { impl_->macroRunner = std::move(runner); }
void Host::SetCommandHandler(CommandHandler handler) { impl_->commandHandler = std::move(handler); }

void Host::SetPrinterDpi(int dpi) { impl_->printerDpi = dpi; }

bool Host::Print(const char* pageBmpPath) {
    if (!impl_->main || !impl_->main->hwnd) {
        impl_->lastError = "the main window is closed";
        return false;
    }
    impl_->pagePath = pageBmpPath ? pageBmpPath : "";
    impl_->printResult = false;
    // Through the window, as a menu command would come: the module watches
    // this command on the main frame.
    SendMessageA(impl_->main->hwnd, WM_COMMAND, MAKEWPARAM(ZYL_HOST_CMD_PRINT, 0), 0);
    impl_->pagePath.clear();
    return impl_->printResult;
}

const std::vector<Host::PrintedWindow>& Host::LastPrint() const { return impl_->lastPrint; }

std::string Host::CopyTopic() { return impl_->CopyTopic(); }

void Host::PumpUntilIdle() {
    // Animation timers fire for ever; a bounded number of them is enough
    // to let every window paint.
    MSG msg;
    int timers = 0;
    for (int n = 0; n < 20000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (msg.message == WM_TIMER && ++timers > 200) {
            DispatchMessageA(&msg);
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

int Host::RunMessageLoop() {
    if (!impl_->main || !impl_->main->hwnd) return 0;
    impl_->quitOnClose = true;
    MSG msg;
    int result = 0;
    while (true) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            result = static_cast<int>(msg.wParam);
            break;
        }
        if (got == -1) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    impl_->quitOnClose = false;
    return result;
}

}  // namespace zylhost
