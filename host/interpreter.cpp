// The host's macro interpreter: what API command 0x102, start-up macros and
// macro links run. The portable parser (script/macrolang.h) reads the text;
// here the calls are carried out: RegisterRoutine binds a DLL export, a
// bound routine is called with its arguments converted by its prototype,
// and the navigation macros queue jumps for the next pump. Every step goes
// into the macro log; a failing macro is logged and the next one runs.
#include <cstdio>

#include "host_impl.h"

namespace zylhost {

namespace {

using zylmacro::Arg;
using zylmacro::Builtin;
using zylmacro::Call;

constexpr int kMaxMacroDepth = 8;   // macros run by routines that run macros...

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsAbsolute(const std::string& path) {
    return (path.size() >= 2 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

bool FileExists(const std::string& path) {
    const DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

// Calls a routine with the platform's callee-cleans convention. On x86_64
// there is one convention and every argument travels in a pointer-sized
// slot; on i686 each argument takes one 32-bit stack slot, so the count
// must match the routine's (which the prototype promises).
using Fn0 = INT_PTR(CALLBACK*)();
using Fn1 = INT_PTR(CALLBACK*)(INT_PTR);
using Fn2 = INT_PTR(CALLBACK*)(INT_PTR, INT_PTR);
using Fn3 = INT_PTR(CALLBACK*)(INT_PTR, INT_PTR, INT_PTR);
using Fn4 = INT_PTR(CALLBACK*)(INT_PTR, INT_PTR, INT_PTR, INT_PTR);
using Fn5 = INT_PTR(CALLBACK*)(INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR);
using Fn6 = INT_PTR(CALLBACK*)(INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR);
using Fn7 = INT_PTR(CALLBACK*)(INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR);
using Fn8 = INT_PTR(CALLBACK*)(INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR);
static_assert(zylmacro::kMaxRoutineParams == 8, "one function type per argument count");

template <typename F>
F As(FARPROC p) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(p));
}

INT_PTR Invoke(FARPROC p, const INT_PTR* a, std::size_t n) {
    switch (n) {
    case 0: return As<Fn0>(p)();
    case 1: return As<Fn1>(p)(a[0]);
    case 2: return As<Fn2>(p)(a[0], a[1]);
    case 3: return As<Fn3>(p)(a[0], a[1], a[2]);
    case 4: return As<Fn4>(p)(a[0], a[1], a[2], a[3]);
    case 5: return As<Fn5>(p)(a[0], a[1], a[2], a[3], a[4]);
    case 6: return As<Fn6>(p)(a[0], a[1], a[2], a[3], a[4], a[5]);
    case 7: return As<Fn7>(p)(a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
    default: return As<Fn8>(p)(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
    }
}

// A value an argument stands for.
struct Value {
    enum class Kind { Number, String, Pointer };   // Pointer: a routine's string result
    Kind kind = Kind::Number;
    std::int64_t number = 0;
    std::string text;
};

std::string Ordinal(std::size_t i) { return "argument " + std::to_string(i + 1); }

// Runs the calls of one macro text.
class Interpreter {
public:
    Interpreter(Host::Impl& impl, const std::string& path) : impl_(impl), path_(path) {}

    void Run(const Call& call) {
        std::string error;
        if (!RunCall(call, nullptr, &error)) impl_.Note("error: " + error);
    }

private:
    // Carries a call out. With `result`, the call is an argument and must
    // give a value.
    bool RunCall(const Call& call, Value* result, std::string* error) {
        const Builtin which = zylmacro::FindBuiltin(call.name);
        if (which != Builtin::None) {
            if (result) {
                *error = std::string(zylmacro::BuiltinName(which)) + " gives no value to use as an argument";
                return false;
            }
            return RunBuiltin(which, call, error);
        }
        auto it = impl_.routines.find(Lower(call.name));
        if (it == impl_.routines.end()) {
            *error = "routine not found: " + call.name;
            return false;
        }
        const Routine routine = it->second;   // the table may change while it runs
        return CallRoutine(routine, call, result, error);
    }

    bool Evaluate(const Arg& arg, Value* v, std::string* error) {
        switch (arg.kind) {
        case Arg::Kind::Number:
            v->kind = Value::Kind::Number;
            v->number = arg.number;
            return true;
        case Arg::Kind::String:
            v->kind = Value::Kind::String;
            v->text = arg.text;
            return true;
        case Arg::Kind::Call:
            return RunCall(*arg.call, v, error);
        case Arg::Kind::Name:
            return NamedValue(arg.text, v, error);
        }
        return false;
    }

    // The host values a macro may name.
    bool NamedValue(const std::string& name, Value* v, std::string* error) {
        v->kind = Value::Kind::Number;
        if (zylmacro::EqualNoCase(name, "hwndApp")) {
            v->number = static_cast<std::int64_t>(reinterpret_cast<LONG_PTR>(impl_.main ? impl_.main->hwnd : nullptr));
        } else if (zylmacro::EqualNoCase(name, "hwndContext")) {
            v->number = static_cast<std::int64_t>(reinterpret_cast<LONG_PTR>(impl_.current));
        } else if (zylmacro::EqualNoCase(name, "lTopicNo")) {
            v->number = static_cast<std::uint32_t>(impl_.host->CurrentTopicNumber());
        } else if (zylmacro::EqualNoCase(name, "qchPath")) {
            v->kind = Value::Kind::String;
            v->text = impl_.helpFile;
        } else {
            *error = "unknown name " + name + " (known: hwndApp, hwndContext, lTopicNo, qchPath)";
            return false;
        }
        return true;
    }

    bool ToNumber(const Call& call, std::size_t i, const Value& v, std::int64_t* out, std::string* error) {
        if (v.kind == Value::Kind::Number) {
            *out = v.number;
            return true;
        }
        // A number written as a string is taken as the number.
        if (v.kind == Value::Kind::String && zylmacro::ParseNumber(v.text, out)) return true;
        *error = call.name + ": " + Ordinal(i) + " must be a number";
        return false;
    }

    bool ToString(const Call& call, std::size_t i, const Value& v, std::string* out, std::string* error) {
        if (v.kind != Value::Kind::String) {
            *error = call.name + ": " + Ordinal(i) + " must be a string";
            return false;
        }
        *out = v.text;
        return true;
    }

    bool NumberArg(const Call& call, std::size_t i, std::int64_t* out, std::string* error) {
        Value v;
        return Evaluate(call.args[i], &v, error) && ToNumber(call, i, v, out, error);
    }

    bool StringArg(const Call& call, std::size_t i, std::string* out, std::string* error) {
        Value v;
        return Evaluate(call.args[i], &v, error) && ToString(call, i, v, out, error);
    }

    bool ArgCount(const Call& call, std::size_t low, std::size_t high, const char* what, std::string* error) {
        const std::size_t n = call.args.size();
        if (n >= low && n <= high) return true;
        *error = call.name + " takes " + what + ", " + std::to_string(n) + " given";
        return false;
    }

    // ---- RegisterRoutine and bound routines ----

    bool Register(const Call& call, std::string* error) {
        if (!ArgCount(call, 2, 3, "2 or 3 arguments (DLL, routine, prototype)", error)) return false;
        std::string dll, name, prototypeText;
        if (!StringArg(call, 0, &dll, error) || !StringArg(call, 1, &name, error)) return false;
        if (call.args.size() > 2 && !StringArg(call, 2, &prototypeText, error)) return false;
        zylmacro::Prototype proto;
        std::string why;
        if (!zylmacro::ParsePrototype(prototypeText, &proto, &why)) {
            *error = "RegisterRoutine: prototype \"" + prototypeText + "\" of " + name + ": " + why;
            return false;
        }
        if (name.empty()) {
            *error = "RegisterRoutine: no routine named";
            return false;
        }
        HMODULE module = impl_.RoutineDll(dll);
        if (!module) {
            *error = "RegisterRoutine: cannot load DLL " + dll;
            return false;
        }
        FARPROC proc = GetProcAddress(module, name.c_str());
        if (!proc) {
            *error = "RegisterRoutine: routine not found: " + name + " in " + dll;
            return false;
        }
        Routine r;
        r.dll = dll;
        r.name = name;
        r.proc = proc;
        r.prototype = proto;
        impl_.routines[Lower(name)] = r;
        impl_.Note("RegisterRoutine: routine found: " + name + " in " + dll + ", prototype \"" + prototypeText + "\"");
        return true;
    }

    bool CallRoutine(const Routine& r, const Call& call, Value* result, std::string* error) {
        const std::string& params = r.prototype.params;
        if (call.args.size() != params.size()) {
            *error = call.name + " takes " + std::to_string(params.size()) + " argument" +
                     (params.size() == 1 ? "" : "s") + " (prototype \"" + params + "\"), " +
                     std::to_string(call.args.size()) + " given";
            return false;
        }
        if (result && r.prototype.result == 'v') {
            *error = call.name + " gives no value to use as an argument";
            return false;
        }
        INT_PTR a[zylmacro::kMaxRoutineParams] = {};
        std::vector<HandoffBlock> strings;   // alive until the routine returns
        for (std::size_t i = 0; i < params.size(); ++i) {
            const char type = params[i];
            if (type == 's' || type == 'S') {
                Value v;
                if (!Evaluate(call.args[i], &v, error)) return false;
                if (v.kind == Value::Kind::Pointer) {
                    a[i] = static_cast<INT_PTR>(v.number);
                    continue;
                }
                if (v.kind != Value::Kind::String) {
                    *error = call.name + ": " + Ordinal(i) + " must be a string";
                    return false;
                }
                strings.push_back(HandoffBlock::String(v.text, impl_.options.allocateHigh));
                if (!strings.back().data()) {
                    *error = call.name + ": out of memory";
                    return false;
                }
                a[i] = reinterpret_cast<INT_PTR>(strings.back().data());
                continue;
            }
            std::int64_t n = 0, fitted = 0;
            if (!NumberArg(call, i, &n, error)) return false;
            if (!zylmacro::FitNumber(type, n, &fitted)) {
                *error = call.name + ": " + Ordinal(i) + " (" + std::to_string(n) + ") does not fit '" + type + "' (" +
                         (type == 'u' || type == 'i' ? "16" : "32") + " bits)";
                return false;
            }
            a[i] = static_cast<INT_PTR>(fitted);
        }
        const INT_PTR raw = Invoke(r.proc, a, params.size());
        Value v;
        switch (r.prototype.result) {
        case 'u': v.number = static_cast<std::uint16_t>(raw); break;
        case 'i': v.number = static_cast<std::int16_t>(raw); break;
        case 'U': v.number = static_cast<std::uint32_t>(raw); break;
        case 'I': v.number = static_cast<std::int32_t>(raw); break;
        case 's':
        case 'S':
            v.kind = Value::Kind::Pointer;
            v.number = static_cast<std::int64_t>(raw);
            break;
        default: break;
        }
        std::string note = "called " + call.text;
        if (r.prototype.result == 's' || r.prototype.result == 'S') {
            char hex[32];
            std::snprintf(hex, sizeof hex, "0x%llX", static_cast<unsigned long long>(static_cast<ULONG_PTR>(raw)));
            note += std::string(" = ") + hex;
        } else if (r.prototype.result != 'v') {
            note += " = " + std::to_string(v.number);
        }
        impl_.Note(note);
        if (result) *result = v;
        return true;
    }

    // ---- the host's own macros ----

    // The help file a macro was handed in when that is an existing file:
    // a module may run another help file's macros in that file (a script
    // stored there), and their jumps without a file name go there. "" when
    // the macro names no such file.
    std::string OtherMacroFile() const {
        std::string file, window;
        zylscript::SplitWindowSuffix(path_, &file, &window);
        return !file.empty() && FileExists(file) ? file : std::string();
    }

    // The file argument of a jump: "" or the current help file, with an
    // optional ">window"; another file must exist (beside the script when
    // the name is relative).
    bool JumpFile(const Call& call, const std::string& fileArg, Navigation* nav, std::string* error) {
        std::string file, window;
        zylscript::SplitWindowSuffix(fileArg, &file, &window);
        if (window.empty()) {
            std::string ignored;
            zylscript::SplitWindowSuffix(path_, &ignored, &window);   // the window the macro came from
        }
        nav->window = window;
        if (file.empty()) file = OtherMacroFile();
        if (file.empty()) return true;
        const std::string base = Lower(BaseName(file));
        if (Lower(file) == Lower(impl_.helpFile) || base == Lower(BaseName(impl_.helpFile)) ||
            (!impl_.scriptPath.empty() && base == Lower(BaseName(impl_.scriptPath))))
            return true;
        std::string full = IsAbsolute(file) ? file : impl_.scriptDir + "\\" + file;
        if (!FileExists(full)) {
            *error = call.name + ": cannot open help file " + file;
            return false;
        }
        char buf[MAX_PATH * 2];
        const DWORD n = GetFullPathNameA(full.c_str(), sizeof buf, buf, nullptr);
        nav->file = (n > 0 && n < sizeof buf) ? std::string(buf, n) : full;
        return true;
    }

    void QueueFromHere(Navigation nav) {
        if (nav.window.empty()) {
            Frame* f = impl_.FrameForJump();
            nav.frame = f ? f->hwnd : nullptr;
        }
        impl_.Queue(std::move(nav));
    }

    // JumpContext, JumpId, JumpHash and their popup forms.
    bool Jump(Builtin which, const Call& call, std::string* error) {
        const bool byId = which == Builtin::JumpId || which == Builtin::PopupId;
        const bool byHash = which == Builtin::JumpHash || which == Builtin::PopupHash;
        const char* what = byId ? "2 arguments (help file, context string)"
                                : byHash ? "2 arguments (help file, context hash)"
                                         : "2 arguments (help file, context number)";
        if (!ArgCount(call, 1, 2, what, error)) return false;
        // The help file may be left out.
        const std::size_t keyArg = call.args.size() - 1;
        Navigation nav;
        nav.popup = which == Builtin::PopupContext || which == Builtin::PopupId || which == Builtin::PopupHash;
        std::string fileArg;
        if (call.args.size() == 2 && !StringArg(call, 0, &fileArg, error)) return false;
        if (!JumpFile(call, fileArg, &nav, error)) return false;
        std::string description;
        if (byId) {
            if (!StringArg(call, keyArg, &nav.key, error)) return false;
            description = nav.key;
        } else {
            std::int64_t n = 0;
            if (!NumberArg(call, keyArg, &n, error)) return false;
            if (n < 0 || n > 0xFFFFFFFFLL) {
                *error = call.name + ": " + std::to_string(n) + " is not a context " + (byHash ? "hash" : "number");
                return false;
            }
            nav.value = static_cast<std::uint32_t>(n);
            nav.byNumber = !byHash;
            nav.byHash = byHash;
            description = (byHash ? "hash " : "number ") + std::to_string(n);
        }
        if (nav.file.empty()) {
            const zylscript::Script& s = impl_.script;
            nav.topic = !impl_.haveScript ? -1
                        : byId            ? impl_.TopicByContext(nav.key)
                        : byHash          ? s.FindTopicByHash(nav.value)
                                          : s.FindTopicByNumber(nav.value);
            if (nav.topic < 0) {
                *error = call.name + ": no topic " + description;
                return false;
            }
        } else {
            description += " in " + nav.file;
        }
        impl_.Note(std::string(zylmacro::BuiltinName(which)) + ": " + (nav.popup ? "popup of " : "jump to ") +
                   description + (nav.window.empty() || nav.popup ? "" : " in window " + nav.window));
        QueueFromHere(std::move(nav));
        return true;
    }

    // PositionWindow(x, y, width, height, state, name); the name may also
    // come first, and without it the main window is meant.
    bool Position(const Call& call, std::string* error) {
        if (!ArgCount(call, 5, 6, "6 arguments (x, y, width, height, state, window name)", error)) return false;
        // Each argument is evaluated once: one may be a routine's call.
        std::vector<Value> values(call.args.size());
        for (std::size_t i = 0; i < values.size(); ++i)
            if (!Evaluate(call.args[i], &values[i], error)) return false;
        std::size_t first = 0;
        std::string name = "main";
        std::int64_t ignored = 0;
        if (values.size() == 6) {
            const Value& v = values[0];
            if (v.kind == Value::Kind::String && !zylmacro::ParseNumber(v.text, &ignored)) {
                name = v.text;
                first = 1;
            } else if (!ToString(call, 5, values[5], &name, error)) {
                return false;
            }
        }
        std::int64_t n[5];
        for (std::size_t i = 0; i < 5; ++i)
            if (!ToNumber(call, first + i, values[first + i], &n[i], error)) return false;
        for (std::size_t i = 0; i < 4; ++i)
            if (n[i] < -32768 || n[i] > 32767) {
                *error = call.name + ": " + Ordinal(first + i) + " (" + std::to_string(n[i]) + ") is out of range";
                return false;
            }
        if (n[4] < 0 || n[4] > SW_MAX) {
            *error = call.name + ": window state " + std::to_string(n[4]) + " is not one of 0 to " + std::to_string(SW_MAX);
            return false;
        }
        if (name.empty()) name = "main";
        Navigation nav;
        nav.kind = Navigation::Kind::Position;
        nav.window = name;
        nav.x = static_cast<int>(n[0]);
        nav.y = static_cast<int>(n[1]);
        nav.width = static_cast<int>(n[2]);
        nav.height = static_cast<int>(n[3]);
        nav.showState = static_cast<int>(n[4]);
        impl_.Note("PositionWindow: " + name + " at " + std::to_string(n[0]) + ", " + std::to_string(n[1]) + " size " +
                   std::to_string(n[2]) + " x " + std::to_string(n[3]) + " (1/1024 screen), state " + std::to_string(n[4]));
        impl_.Queue(std::move(nav));
        return true;
    }

    bool RunBuiltin(Builtin which, const Call& call, std::string* error) {
        switch (which) {
        case Builtin::RegisterRoutine:
            return Register(call, error);
        case Builtin::JumpContext:
        case Builtin::JumpId:
        case Builtin::JumpHash:
        case Builtin::PopupContext:
        case Builtin::PopupId:
        case Builtin::PopupHash:
            return Jump(which, call, error);
        case Builtin::Next:
        case Builtin::Prev:
        case Builtin::Back:
        case Builtin::Contents: {
            if (!ArgCount(call, 0, 0, "no arguments", error)) return false;
            if (!impl_.haveScript) {
                *error = call.name + ": no topics are open";
                return false;
            }
            Navigation nav;
            if (which == Builtin::Contents) {
                nav.topic = impl_.script.contents;
            } else if (which == Builtin::Back) {
                nav.kind = Navigation::Kind::Back;
            } else {
                nav.kind = Navigation::Kind::Step;
                nav.step = which == Builtin::Next ? 1 : -1;
            }
            impl_.Note(std::string(zylmacro::BuiltinName(which)) + ": queued");
            QueueFromHere(std::move(nav));
            return true;
        }
        case Builtin::PositionWindow:
            return Position(call, error);
        case Builtin::ExecProgram: {
            if (!ArgCount(call, 1, 2, "1 or 2 arguments (command line, window state)", error)) return false;
            std::string command;
            std::int64_t state = 0;
            if (!StringArg(call, 0, &command, error)) return false;
            if (call.args.size() > 1 && !NumberArg(call, 1, &state, error)) return false;
            impl_.Note("ExecProgram: not run (zylhost starts no programs): " + command + ", state " + std::to_string(state));
            return true;
        }
        case Builtin::None:
            break;
        }
        return false;
    }

    Host::Impl& impl_;
    const std::string& path_;
};

}  // namespace

void Host::Impl::Note(std::string text) { macroLog.push_back(MacroLogEntry{std::move(text), log.size()}); }

HMODULE Host::Impl::RoutineDll(const std::string& dll) {
    // The module and DLLs beside the script as for embedded windows, then
    // the platform's own search (system DLLs such as user32).
    HINSTANCE instance = nullptr;
    if (ResolveDll(dll, &instance)) return instance;
    const std::string key = Lower(dll);
    auto it = routineDlls.find(key);
    if (it == routineDlls.end()) it = routineDlls.emplace(key, LoadLibraryA(dll.c_str())).first;
    return it->second;
}

void Host::Impl::ExecuteMacro(const std::string& path, const std::string& text) {
    if (macroDepth >= kMaxMacroDepth) {
        Note("error: macros nested too deeply, not run: " + text);
        return;
    }
    std::vector<Call> calls;
    zylmacro::MacroError error;
    const bool parsed = zylmacro::ParseMacros(text, &calls, &error);
    ++macroDepth;
    const std::string pathCopy = path;   // a routine may run macros that replace the caller's strings
    Interpreter interpreter(*this, pathCopy);
    for (const Call& call : calls) interpreter.Run(call);
    --macroDepth;
    if (!parsed) Note("error: cannot read macro " + text + ": " + error.ToString());
}

void Host::ExecuteMacro(const char* helpFile, const char* macro) {
    impl_->ExecuteMacro(helpFile ? helpFile : impl_->helpFile, macro ? macro : "");
}

const std::vector<MacroLogEntry>& Host::MacroLog() const { return impl_->macroLog; }

}  // namespace zylhost
