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

}  // namespace

TEST(MacroParse, SequencesOfCalls) {
    auto calls = MustParse("RR(`ZYL3AN32.DLL', `ZylAnimInit', `'):ZylAnimInit()");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].name, "RR");
    ASSERT_EQ(calls[0].args.size(), 3u);
    EXPECT_EQ(calls[0].args[0].kind, Arg::Kind::String);
    EXPECT_EQ(calls[0].args[0].text, "ZYL3AN32.DLL");
    EXPECT_EQ(calls[0].args[1].text, "ZylAnimInit");
    EXPECT_EQ(calls[0].args[2].kind, Arg::Kind::String);
    EXPECT_EQ(calls[0].args[2].text, "");
    EXPECT_EQ(calls[0].text, "RR(`ZYL3AN32.DLL', `ZylAnimInit', `')");
    EXPECT_EQ(calls[1].name, "ZylAnimInit");
    EXPECT_TRUE(calls[1].args.empty());
    EXPECT_EQ(calls[1].offset, 38u);

    // Blanks and line breaks anywhere between tokens; empty macros skipped.
    calls = MustParse("  A() ;; B ( 1 ,\t\"two\" ) :\r\n C( ) ;");
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[1].name, "B");
    EXPECT_EQ(calls[1].text, "B ( 1 ,\t\"two\" )");
    ASSERT_EQ(calls[1].args.size(), 2u);
    EXPECT_EQ(calls[1].args[0].number, 1);
    EXPECT_EQ(calls[1].args[1].text, "two");
    EXPECT_EQ(calls[2].name, "C");
    EXPECT_TRUE(MustParse("").empty());
    EXPECT_TRUE(MustParse(" ;: \n").empty());
}

TEST(MacroParse, StringsNestAndKeepWhatTheyHold) {
    // A parenthesis, a comma or a separator inside a string is text.
    auto calls = MustParse("JI(`a)b,c:d;e.hlp', \"x)y\")");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args[0].text, "a)b,c:d;e.hlp");
    EXPECT_EQ(calls[0].args[1].text, "x)y");

    // `...' holds nested `...' and "..." whole; "..." holds nested `...'
    // whole, and that in turn may hold "...".
    calls = MustParse("M(`outer `inner' \"q'\" end', \"a `b \"c)\" d' e\")");
    ASSERT_EQ(calls.size(), 1u);
    ASSERT_EQ(calls[0].args.size(), 2u);
    EXPECT_EQ(calls[0].args[0].text, "outer `inner' \"q'\" end");
    EXPECT_EQ(calls[0].args[1].text, "a `b \"c)\" d' e");

    // No escapes: backslashes of paths stay.
    calls = MustParse("JI(`C:\\help\\x.hlp', `t')");
    EXPECT_EQ(calls[0].args[0].text, "C:\\help\\x.hlp");
    // A macro handed over as a string argument stays text.
    calls = MustParse("EP(`notepad \"a b.txt\"', 1)");
    EXPECT_EQ(calls[0].args[0].text, "notepad \"a b.txt\"");
}

TEST(MacroParse, NumbersNamesAndNestedCalls) {
    auto calls = MustParse("F(0, 42, -1, 0x1F, -0X10, +7, 4294967295, -2147483648, 0xffffffff)");
    ASSERT_EQ(calls[0].args.size(), 9u);
    const std::int64_t want[] = {0, 42, -1, 31, -16, 7, 4294967295LL, -2147483648LL, 4294967295LL};
    for (std::size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(calls[0].args[i].kind, Arg::Kind::Number) << i;
        EXPECT_EQ(calls[0].args[i].number, want[i]) << i;
    }
    EXPECT_EQ(calls[0].args[3].text, "0x1F");

    calls = MustParse("F(hwndApp, G(1, H()), qchPath)");
    ASSERT_EQ(calls[0].args.size(), 3u);
    EXPECT_EQ(calls[0].args[0].kind, Arg::Kind::Name);
    EXPECT_EQ(calls[0].args[0].text, "hwndApp");
    const Arg& nested = calls[0].args[1];
    ASSERT_EQ(nested.kind, Arg::Kind::Call);
    ASSERT_TRUE(nested.call);
    EXPECT_EQ(nested.text, "G(1, H())");
    EXPECT_EQ(nested.call->name, "G");
    ASSERT_EQ(nested.call->args.size(), 2u);
    EXPECT_EQ(nested.call->args[1].kind, Arg::Kind::Call);
    EXPECT_EQ(nested.call->args[1].call->name, "H");

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
    Prototype p;
    std::string error;
    ASSERT_TRUE(ParsePrototype("", &p, &error));
    EXPECT_EQ(p.result, 'v');
    EXPECT_EQ(p.params, "");
    ASSERT_TRUE(ParsePrototype("uUiIsS", &p, &error));
    EXPECT_EQ(p.result, 'v');
    EXPECT_EQ(p.params, "uUiIsS");
    ASSERT_TRUE(ParsePrototype("U=uS", &p, &error));
    EXPECT_EQ(p.result, 'U');
    EXPECT_EQ(p.params, "uS");
    ASSERT_TRUE(ParsePrototype("v=", &p, &error));
    EXPECT_EQ(p.result, 'v');
    EXPECT_EQ(p.params, "");
    ASSERT_TRUE(ParsePrototype("uuuuuuuu", &p, &error));

    for (const char* bad : {"x", "uv", "=u", "UU=u", "q=u", "u=u=u", "uuuuuuuuu", "u S"}) {
        error.clear();
        EXPECT_FALSE(ParsePrototype(bad, &p, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(MacroPrototype, NumbersFitTheirParameterTypes) {
    std::int64_t v = 0;
    EXPECT_TRUE(FitNumber('u', -1, &v));
    EXPECT_EQ(v, 65535);
    EXPECT_TRUE(FitNumber('i', 65535, &v));
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(FitNumber('i', -32768, &v));
    EXPECT_EQ(v, -32768);
    EXPECT_TRUE(FitNumber('u', 40000, &v));
    EXPECT_EQ(v, 40000);
    EXPECT_TRUE(FitNumber('U', -1, &v));
    EXPECT_EQ(v, 4294967295LL);
    EXPECT_TRUE(FitNumber('I', 4294967295LL, &v));
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(FitNumber('I', 0x80000000LL, &v));
    EXPECT_EQ(v, -2147483648LL);
    EXPECT_FALSE(FitNumber('u', 65536, &v));
    EXPECT_FALSE(FitNumber('i', -32769, &v));
    EXPECT_FALSE(FitNumber('U', 4294967296LL, &v));
    EXPECT_FALSE(FitNumber('I', -2147483649LL, &v));
    EXPECT_FALSE(FitNumber('S', 1, &v));

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
