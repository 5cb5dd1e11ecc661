// The help macro language as the substitute host reads it: a sequence of
// calls such as
//
//     RR(`ZYL3AN32.DLL', `ZylAnimInit', `'):ZylAnimInit();JI(`', `intro')
//
// Portable (no <windows.h>), so that it is unit-tested and fuzzed natively;
// the host's executor (host/interpreter.cpp) carries the calls out.
//
// Syntax. Calls are separated by ':' or ';' (blanks, tabs and line breaks
// around them are ignored, empty calls are skipped). A call is a name
// (letters, digits and '_', not starting with a digit) and a parenthesised
// argument list, possibly empty. An argument is
//   - a number: decimal or 0x hexadecimal, with an optional sign, from
//     -2147483648 to 4294967295;
//   - a string: "..." or `...'. Inside "...", a `...' pair is taken whole;
//     inside `...', both `...' pairs and "..." pairs are taken whole, so
//     strings nest: `JI(`x.hlp', "a")' is one string. There are no
//     escape characters, so paths need no doubling. This is the same reading
//     the module's macro splitter uses to find where a macro ends.
//   - a name standing for a value of the host (hwndApp, qchPath, ...);
//   - another call, whose result is the argument.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zylmacro {

struct Call;

struct Arg {
    enum class Kind { Number, String, Name, Call };
    Kind kind = Kind::Number;
    std::int64_t number = 0;          // Number
    std::string text;                 // String: its contents; Name: the name; Number and Call: as written
    std::shared_ptr<const Call> call; // Call
};

struct Call {
    std::string name;                 // as written
    std::vector<Arg> args;
    std::string text;                 // the whole call as written
    std::size_t offset = 0;           // where it starts in the parsed text
};

struct MacroError {
    std::size_t offset = 0;           // byte offset into the text
    std::string message;
    std::string ToString() const;     // "column 12: message"
};

// Deepest nesting of calls inside arguments.
constexpr int kMaxCallDepth = 16;

// Parses a macro text. Returns false on a syntax error: `calls` then holds
// the calls before the faulty one, and `error` says what is wrong and where.
bool ParseMacros(std::string_view text, std::vector<Call>* calls, MacroError* error);

// Reads a whole string as a number of the macro syntax ("12", "-3", "0x1F").
bool ParseNumber(std::string_view text, std::int64_t* value);

// A routine's prototype as RegisterRoutine gives it: parameter characters,
// optionally preceded by the result character and '=' ("U=uS"). Parameter
// characters: u (unsigned 16-bit), i (signed 16-bit), U (unsigned 32-bit),
// I (signed 32-bit), s and S (string). The result may also be v (nothing),
// which is what a prototype without '=' returns.
struct Prototype {
    char result = 'v';
    std::string params;
};
constexpr std::size_t kMaxRoutineParams = 8;
bool ParsePrototype(std::string_view prototypeText, Prototype* out, std::string* error);

// Fits a number to a numeric parameter type: false when it is out of the
// type's range (16-bit types take -32768..65535, 32-bit types
// -2147483648..4294967295). `out` receives the value the routine sees:
// u and U zero-extended, i and I sign-extended from their width.
bool FitNumber(char type, std::int64_t value, std::int64_t* out);

// The macros the host itself knows. Names compare with ASCII case ignored;
// each has a long name and most a short one (JumpId and JI).
enum class Builtin {
    None,
    RegisterRoutine,
    JumpContext,
    JumpId,
    JumpHash,
    PopupContext,
    PopupId,
    PopupHash,
    Next,
    Prev,
    Back,
    Contents,
    PositionWindow,
    ExecProgram,
};
Builtin FindBuiltin(std::string_view name);
const char* BuiltinName(Builtin which);   // the long name

bool EqualNoCase(std::string_view a, std::string_view b);

}  // namespace zylmacro
