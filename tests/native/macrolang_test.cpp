// The host's macro-language parser: macros as authors write them must come
// out as calls with the right arguments, and anything else must give an
// error that says where.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/macro/macrosplit.h"
#include "macrolang.h"

using namespace zylmacro;

namespace {

std::vector<Call> MustParse(const std::string& text) {
    std::vector<Call> calls;
    MacroError e;
    EXPECT_TRUE(ParseMacros(text, &calls, &e)) << text << ": " << e.ToString();
    return calls;
}

MacroError MustFail(const std::string& text, std::size_t* parsedBefore = nullptr) {
    std::vector<Call> calls;
    MacroError e;
    EXPECT_FALSE(ParseMacros(text, &calls, &e)) << text;
    EXPECT_FALSE(e.message.empty());
    EXPECT_LE(e.offset, text.size());
    if (parsedBefore) *parsedBefore = calls.size();
    return e;
}

// A call as one line: strings in `quotes', numbers after '#', names bare,
// nested calls as calls.
std::string Shape(const Call& call) {
    std::string s = call.name + "(";
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        const Arg& a = call.args[i];
        s += i ? ", " : "";
        switch (a.kind) {
        case Arg::Kind::String: s += "`" + a.text + "'"; break;
        case Arg::Kind::Number: s += "#" + std::to_string(a.number); break;
        case Arg::Kind::Name: s += a.text; break;
        case Arg::Kind::Call: s += a.call ? Shape(*a.call) : "<no call>"; break;
        }
    }
    return s + ")";
}

using V = std::vector<std::string>;
V Shapes(const std::vector<Call>& calls) {
    V out;
    for (const Call& c : calls) out.push_back(Shape(c));
    return out;
}
V Shapes(const std::string& text) { return Shapes(MustParse(text)); }

// A prototype as "result=parameters"; "<refused>" with a reason.
std::string Proto(const char* text) {
    Prototype p;
    std::string error;
    if (ParsePrototype(text, &p, &error)) return p.result + ("=" + p.params);
    return error.empty() ? "<refused without a reason>" : "<refused>";
}

}  // namespace

TEST(MacroParse, SequencesOfCalls) {
    auto calls = MustParse("RR(`ZYL3AN32.DLL', `ZylAnimInit', `'):ZylAnimInit()");
    EXPECT_EQ(Shapes(calls), (V{"RR(`ZYL3AN32.DLL', `ZylAnimInit', `')", "ZylAnimInit()"}));
    EXPECT_EQ(calls.at(0).text, "RR(`ZYL3AN32.DLL', `ZylAnimInit', `')");
    EXPECT_EQ(calls.at(1).offset, 38u);

    // Blanks and line breaks anywhere between tokens; empty macros skipped.
    calls = MustParse("  A() ;; B ( 1 ,\t\"two\" ) :\r\n C( ) ;");
    EXPECT_EQ(Shapes(calls), (V{"A()", "B(#1, `two')", "C()"}));
    EXPECT_EQ(calls.at(1).text, "B ( 1 ,\t\"two\" )");
    EXPECT_TRUE(MustParse("").empty());
    EXPECT_TRUE(MustParse(" ;: \n").empty());
}

TEST(MacroParse, StringsNestAndKeepWhatTheyHold) {
    // A parenthesis, a comma or a separator inside a string is text.
    EXPECT_EQ(Shapes("JI(`a)b,c:d;e.hlp', \"x)y\")"), V{"JI(`a)b,c:d;e.hlp', `x)y')"});
    // `...' holds nested `...' and "..." whole; "..." holds nested `...'
    // whole, and that in turn may hold "...".
    EXPECT_EQ(Shapes("M(`outer `inner' \"q'\" end', \"a `b \"c)\" d' e\")"),
              V{"M(`outer `inner' \"q'\" end', `a `b \"c)\" d' e')"});
    // No escapes: backslashes of paths stay.
    EXPECT_EQ(Shapes("JI(`C:\\help\\x.hlp', `t')"), V{"JI(`C:\\help\\x.hlp', `t')"});
    // A macro handed over as a string argument stays text.
    EXPECT_EQ(Shapes("EP(`notepad \"a b.txt\"', 1)"), V{"EP(`notepad \"a b.txt\"', #1)"});
}

TEST(MacroParse, NumbersNamesAndNestedCalls) {
    auto calls = MustParse("F(0, 42, -1, 0x1F, -0X10, +7, 4294967295, -2147483648, 0xffffffff)");
    EXPECT_EQ(Shapes(calls), V{"F(#0, #42, #-1, #31, #-16, #7, #4294967295, #-2147483648, #4294967295)"});
    EXPECT_EQ(calls.at(0).args.at(3).text, "0x1F");

    calls = MustParse("F(hwndApp, G(1, H()), qchPath)");
    EXPECT_EQ(Shapes(calls), V{"F(hwndApp, G(#1, H()), qchPath)"});
    EXPECT_EQ(calls.at(0).args.at(1).text, "G(1, H())");

    std::string deep = "A()";
    for (int i = 0; i < kMaxCallDepth - 1; ++i) deep = "A(" + deep + ")";
    MustParse(deep);
    EXPECT_NE(MustFail("A(" + deep + ")").message.find("nested too deeply"), std::string::npos);
}

TEST(MacroParse, ErrorsSayWhatAndWhere) {
    struct Case {
        const char* text;
        std::size_t offset;
        const char* says;
    };
    const Case cases[] = {
        {"About", 5, "expected '(' after About"},
        {"Next(", 4, "not closed"},
        {"A(1, 2", 1, "not closed"},
        {"A(1,)", 4, "missing"},
        {"A(,1)", 2, "missing"},
        {"A() B()", 4, "expected ':' or ';'"},
        {"A(`x)", 2, "unterminated string"},
        {"A(\"x)", 2, "unterminated string"},
        {"A(`x `y')", 2, "unterminated string"},
        {"1()", 0, "expected a macro name"},
        {"A(1 2)", 4, "expected ',' or ')'"},
        {"A(12abc)", 2, "not a number"},
        {"A(4294967296)", 2, "not a number"},
        {"A(-2147483649)", 2, "not a number"},
        {"A(0x)", 2, "not a number"},
        {"A(-)", 2, "not a number"},
        {"A(|x|)", 2, "unexpected '|'"},
        {"A(x y)", 4, "expected ',' or ')'"},
        {"A(\x01)", 2, "\\x01"},
    };
    for (const Case& c : cases) {
        MacroError e = MustFail(c.text);
        EXPECT_EQ(e.offset, c.offset) << c.text << ": " << e.ToString();
        EXPECT_NE(e.message.find(c.says), std::string::npos) << c.text << ": " << e.message;
    }
    EXPECT_EQ(MustFail("A(\"x\"").ToString().rfind("column 2: ", 0), 0u);

    // A NUL byte anywhere is refused before anything runs.
    std::size_t before = 9;
    MustFail(std::string("A():B(\0)", 8), &before);
    EXPECT_EQ(before, 0u);
    // Otherwise the calls before the faulty one are kept.
    MustFail("A():B(1):C(:D()", &before);
    EXPECT_EQ(before, 2u);
}

TEST(MacroParse, MacrosTheModuleSendsParseWhole) {
    // The module cuts an author's text into macros and sends them one by
    // one; each piece must be exactly one call here, read to its end.
    const char* texts[] = {
        "Next():Prev()",
        "RR(`ZYL3AN32.DLL', `ZylAnimInit', `');ZylAnimInit()",
        "JI(`a)b.hlp', `x');Next()",
        "JI(\"a)b.hlp\", 1)",
        "ExecProgram(`notepad.exe'| 1)",
        "PW(`main', 0, 0, 100, 100, 0):Next()",
        "M(`x `(' \"y\" z'); N(\"`)'\")",
        "F(G(1, `)'), H())",
    };
    for (const char* t : texts) {
        std::string text = t;
        std::vector<std::string> pieces;
        struct Sink {
            static void Run(void* ctx, const char* macro) { static_cast<std::vector<std::string>*>(ctx)->push_back(macro); }
        };
        zyl::SplitMacros(&text[0], zyl::MacroSink{&pieces, Sink::Run, nullptr});
        ASSERT_FALSE(pieces.empty()) << t;
        for (const std::string& piece : pieces) {
            auto calls = MustParse(piece);
            ASSERT_EQ(calls.size(), 1u) << piece;
            EXPECT_EQ(calls[0].text, piece);
        }
    }
}

TEST(MacroPrototype, ParametersAndResult) {
    EXPECT_EQ(Proto(""), "v=");
    EXPECT_EQ(Proto("uUiIsS"), "v=uUiIsS");
    EXPECT_EQ(Proto("U=uS"), "U=uS");
    EXPECT_EQ(Proto("v="), "v=");
    EXPECT_EQ(Proto("uuuuuuuu"), "v=uuuuuuuu");
    for (const char* bad : {"x", "uv", "=u", "UU=u", "q=u", "u=u=u", "uuuuuuuuu", "u S"}) EXPECT_EQ(Proto(bad), "<refused>") << bad;
}

TEST(MacroPrototype, NumbersFitTheirParameterTypes) {
    auto fit = [](char type, std::int64_t n) {
        std::int64_t v = 0;
        return FitNumber(type, n, &v) ? std::to_string(v) : "<refused>";
    };
    EXPECT_EQ(fit('u', -1), "65535");
    EXPECT_EQ(fit('i', 65535), "-1");
    EXPECT_EQ(fit('i', -32768), "-32768");
    EXPECT_EQ(fit('u', 40000), "40000");
    EXPECT_EQ(fit('U', -1), "4294967295");
    EXPECT_EQ(fit('I', 4294967295LL), "-1");
    EXPECT_EQ(fit('I', 0x80000000LL), "-2147483648");
    EXPECT_EQ(fit('u', 65536), "<refused>");
    EXPECT_EQ(fit('i', -32769), "<refused>");
    EXPECT_EQ(fit('U', 4294967296LL), "<refused>");
    EXPECT_EQ(fit('I', -2147483649LL), "<refused>");
    EXPECT_EQ(fit('S', 1), "<refused>");

    std::int64_t n = 0;
    EXPECT_TRUE(ParseNumber("0x7fff", &n));
    EXPECT_EQ(n, 0x7FFF);
    EXPECT_FALSE(ParseNumber("", &n));
    EXPECT_FALSE(ParseNumber(" 1", &n));
}

TEST(MacroBuiltins, LongAndShortNamesInAnyCase) {
    EXPECT_EQ(FindBuiltin("RegisterRoutine"), Builtin::RegisterRoutine);
    EXPECT_EQ(FindBuiltin("rr"), Builtin::RegisterRoutine);
    EXPECT_EQ(FindBuiltin("jumpid"), Builtin::JumpId);
    EXPECT_EQ(FindBuiltin("PI"), Builtin::PopupId);
    EXPECT_EQ(FindBuiltin("NEXT"), Builtin::Next);
    EXPECT_EQ(FindBuiltin("R"), Builtin::None);
    EXPECT_EQ(FindBuiltin("NextX"), Builtin::None);
    EXPECT_EQ(FindBuiltin("ZylAnimInit"), Builtin::None);
}
