// Form fields driven through the host as a help file drives them: each
// kind of control, its errors, radio sets across windows, parking over a
// re-layout, reset and save buttons, zylforms.ini and the macro routines.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "wine_support.h"
#include "host.h"
#include "zyl3an32.h"

namespace {

using namespace zyltest;
constexpr char kIni[] = "zylforms.ini";
constexpr char kHelp[] = "C:\\help\\formtest.hlp";
constexpr char kSection[] = "formtest";
constexpr COLORREF kPaper = RGB(250, 240, 200);   // the host's background

using Values = std::map<std::string, std::string>;
using V = std::vector<std::string>;

Values Section(const char* section) { return wtest::ProfileSection(kIni, section); }
void Store(const char* section, const Values& values) {
    for (const auto& kv : values) WritePrivateProfileStringA(section, kv.first.c_str(), kv.second.c_str(), kIni);
}

HWND Child(HWND w) { return GetWindow(w, GW_CHILD); }
HWND Combo(HWND w) { return Child(Child(w)); }   // inside the drop-down list's wrapper
std::string TextOf(HWND w) {
    std::vector<char> text(static_cast<std::size_t>(GetWindowTextLengthA(w)) + 1);
    GetWindowTextA(w, text.data(), static_cast<int>(text.size()));
    return text.data();
}
LRESULT Checked(HWND form) { return SendMessageA(Child(form), BM_GETCHECK, 0, 0); }
LRESULT Sel(HWND control, UINT msg = LB_GETCURSEL) { return SendMessageA(control, msg, 0, 0); }

// Class and style of every window made on this thread meanwhile, as asked
// for (an edit control drops WS_BORDER once made).
struct CreationLog {
    CreationLog() { hook = SetWindowsHookExA(WH_CBT, &Proc, nullptr, GetCurrentThreadId()), log = this; }
    ~CreationLog() { UnhookWindowsHookEx(hook), log = nullptr; }
    static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND && log) {
            const CREATESTRUCTA* cs = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
            log->made.emplace_back(reinterpret_cast<ULONG_PTR>(cs->lpszClass) > 0xFFFF ? cs->lpszClass : "#", cs->style);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static CreationLog* log;
    HHOOK hook;
    std::vector<std::pair<std::string, LONG>> made;
};
CreationLog* CreationLog::log = nullptr;

class Forms : public ::testing::Test {
protected:
    void SetUp() override { Start(); }
    void TearDown() override { host->Shutdown(); }
    void Start() {
        zylhost::HostOptions o;
        o.visible = false;
        o.backgroundColour = kPaper;
        host = std::make_unique<zylhost::Host>(o);
        ASSERT_TRUE(host->LoadModule(ModulePath())) << ModulePath();
        host->SetHelpFilePath(kHelp);
        WritePrivateProfileStringA(kSection, nullptr, nullptr, kIni);
    }
    HWND Make(const std::string& data, HWND region = nullptr) {
        return host->CreateEmbedded(region ? region : host->TopicRegion(), {'c', "ZYL3AN32.DLL", "ZYL3_ANIMCONTROL32", data});
    }
    FARPROC Export(const char* name) { return GetProcAddress(GetModuleHandleA("ZYL3AN32.DLL"), name); }
    LONG Get(const char* name) { return reinterpret_cast<LONG(CALLBACK*)(LPCSTR)>(Export("ZylCtrlGet"))(name); }
    LONG Test(const char* name, LONG v) { return reinterpret_cast<LONG(CALLBACK*)(LPCSTR, LONG)>(Export("ZylCtrlTest"))(name, v); }
    void Set(const char* name, LONG v, const char* s) {
        reinterpret_cast<void(CALLBACK*)(LPCSTR, LONG, LPCSTR)>(Export("ZylCtrlSet"))(name, v, s);
    }
    void Save(const char* group) { reinterpret_cast<void(CALLBACK*)(LPCSTR)>(Export("ZylCtrlSave"))(group); }
    void Load(const char* group) { reinterpret_cast<void(CALLBACK*)(LPCSTR)>(Export("ZylCtrlLoad"))(group); }
    V Macros() { return TakeMacros(*host); }
    std::unique_ptr<zylhost::Host> host;
};

TEST_F(Forms, EachTypeMakesItsChildClassStyleAndSize) {
    // The module's font measured the same way.
    auto width = [](const char* s) { return MeasureFont("MS Sans Serif", 14, 100, {s}, 0, ANSI_CHARSET).widest; };
    const int line = MeasureFont("MS Sans Serif", 14, 100, {}, 0, ANSI_CHARSET).charHeight, em = width("M");
    HBITMAP boxes = LoadBitmapA(nullptr, MAKEINTRESOURCEA(32759));   // OBM_CHECKBOXES
    BITMAP bm = {};
    GetObjectA(boxes, sizeof bm, &bm);
    const LONG cellW = bm.bmWidth / 4, checkH = std::max<LONG>(line + 2, bm.bmHeight / 3);
    struct Case {
        const char* data;
        const char* cls;
        LONG style;
        SIZE size;
    } const cases[] = {
        {"3;g:reset;0;0;0;Reset;", "button", 0x50010000, {width("Reset") + 8, line + 8}},
        {"3;g:wide;200;0;0;Reset;", "button", 0x50010000, {200, line + 8}},
        {"4;g:gift;0;0;1;Gift wrap;", "button", 0x50010003, {cellW + width("Gift wrap") + 7, checkH}},
        {"5;g:colour;10;0;1;Red|Green|Blue;", "ZYL3_ANIMCONTROLX32", 0x50000000, {em * 10 + 6, line + 7}},
        {"6;g:name;10;0;0;hello;", "edit", 0x50810080, {em * 10 + 6, line + 6}},
        {"6;g:narrow;0;0;0;;", "edit", 0x50810080, {10, line + 6}},
        {"7;g:list;1;1;0;a|b;", "listbox", 0x50A11141, {27, 54}},
        {"8;g:radio;0;0;0;Small;", "button", 0x50010009, {cellW + width("Small") + 7, checkH}},
        {"9;g:save;0;0;0;Save;", "button", 0x50010001, {width("Save") + 8, line + 8}},
        {"10;g:notes;30;5;0;a|b;", "edit", 0x50A11044, {em * 30 + 6, std::max(51, (line + 2) * 5 + 6)}},
    };
    DeleteObject(boxes);
    HFONT shared = nullptr;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.data);
        CreationLog log;
        HWND w = Make(c.data);
        ASSERT_NE(w, nullptr);
        ASSERT_GE(log.made.size(), 2u);
        EXPECT_STRCASEEQ(log.made[1].first.c_str(), c.cls);
        EXPECT_EQ(log.made[1].second, c.style);
        if (c.style == 0x50000000) EXPECT_EQ(log.made.at(2), std::make_pair(std::string("combobox"), LONG{0x50210603}));
        EXPECT_EQ(GetWindow(Child(w), GW_HWNDNEXT), nullptr) << "one control per window";
        EXPECT_EQ(GetDlgCtrlID(Child(w)), static_cast<int>(i + 1)) << "ids count up from 1";
        EXPECT_EQ(WindowSize(w).cx, c.size.cx);
        EXPECT_EQ(WindowSize(w).cy, c.size.cy);
        const HWND holder = c.style == 0x50000000 ? Combo(w) : Child(w);
        const HFONT f = reinterpret_cast<HFONT>(SendMessageA(holder, WM_GETFONT, 0, 0));
        EXPECT_TRUE(f && (!shared || f == shared)) << "the instance's font for every control";
        shared = f;
    }
    const std::vector<HWND> w = host->EmbeddedWindows();
    EXPECT_EQ(TextOf(Child(w[4])), "hello");
    EXPECT_EQ(TextOf(Child(w[9])), "a\r\nb");
    EXPECT_EQ(Checked(w[2]), BST_CHECKED);
    EXPECT_EQ(Checked(w[7]), BST_CHECKED) << "the first radio button of a set starts checked";
    EXPECT_EQ(Sel(Combo(w[3]), CB_GETCOUNT), 3);
    EXPECT_EQ(Sel(Combo(w[3]), CB_GETCURSEL), 1);
    EXPECT_EQ(WindowSize(Child(w[3])).cy, WindowSize(Combo(w[3])).cy) << "the wrapper is as high as the closed list";
    EXPECT_EQ(WindowSize(Child(w[6])).cx, 25) << "a list box sits one pixel in";
    EXPECT_EQ(Sel(Child(w[6]), LB_GETCOUNT), 2);
}

// Which parameter strings are refused, and with which error, is the
// parser's matter; here a refused one shows its error and keeps no record.
TEST_F(Forms, ErrorsShowTheirTextsAndKeepNoRecord) {
    HWND w = Make("4;g:box;0;0;65536;;");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(Child(w), nullptr);
    EXPECT_EQ(wtest::RenderText(w), "Syntax error in parameters");
    EXPECT_EQ(Get("g:box"), 0) << "a window in error keeps no record";
    Save("g");
    EXPECT_TRUE(Section(kSection).empty());
}

TEST_F(Forms, RadioButtonsInSeparateWindowsAreExclusive) {
    HWND small = Make("8;g:size;0;0;0;Small;"), medium = Make("8;g:size;0;0;0;Medium;");
    HWND large = Make("8;g:size;0;0;0;Large;"), alone = Make("8;g:other;0;0;0;Alone;");
    EXPECT_EQ(Get("g:size"), 1);
    host->ClearApiLog();
    SendMessageA(Child(large), BM_CLICK, 0, 0);
    EXPECT_EQ(Checked(small) | Checked(medium), BST_UNCHECKED);
    EXPECT_EQ(Checked(large), BST_CHECKED);
    EXPECT_EQ(Checked(alone), BST_CHECKED) << "another set of the group";
    EXPECT_EQ(Get("G:SIZE"), 3) << "names ignore case";
    EXPECT_EQ(Test("g:size", 3), 1);
    EXPECT_EQ(Test("g:size", 2), 0);
    EXPECT_TRUE(host->ApiLog().empty()) << "radio buttons run no macro";
}

TEST_F(Forms, ResetButtonResetsItsGroupParkedIncludedThenRunsItsMacro) {
    HWND box = Make("4;g:box;0;0;0;Box;"), text = Make("6;g:text;10;0;0;start;"), list = Make("7;g:list;5;3;1;a|b|c;");
    HWND drop = Make("5;g:drop;5;0;0;x|y;"), multi = Make("10;g:multi;10;3;0;one|two;");
    HWND first = Make("8;g:r;0;0;0;A;"), second = Make("8;g:r;0;0;0;B;"), other = Make("4;h:box;0;0;0;Other;");
    HWND parked = Make("6;g:parked;10;0;0;init;");
    SendMessageA(Child(box), BM_SETCHECK, BST_CHECKED, 0);
    SetWindowTextA(Child(text), "typed");
    SendMessageA(Child(list), LB_SETCURSEL, 2, 0);
    SendMessageA(Combo(drop), CB_SETCURSEL, 1, 0);
    SetWindowTextA(Child(multi), "changed");
    SendMessageA(Child(second), BM_CLICK, 0, 0);
    SendMessageA(Child(other), BM_SETCHECK, BST_CHECKED, 0);
    HWND edit = Child(parked);
    SetWindowTextA(edit, "changed");
    DestroyWindow(parked);
    ASSERT_TRUE(IsWindow(edit)) << "parked, not destroyed";
    EXPECT_FALSE(GetWindowLongPtrA(edit, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(GetParent(edit), host->TopicRegion()) << "parked on the help window";

    HWND reset = Make("3;G:reset;0;0;0;Reset;JumpId(`a.hlp'| `b')");
    host->ClearApiLog();
    SendMessageA(Child(reset), BM_CLICK, 0, 0);
    EXPECT_EQ(Checked(box), BST_UNCHECKED);
    EXPECT_EQ(TextOf(Child(text)), "start");
    EXPECT_EQ(Sel(Child(list)), 1);
    EXPECT_EQ(Sel(Combo(drop), CB_GETCURSEL), 0);
    EXPECT_EQ(TextOf(Child(multi)), "one\r\ntwo");
    EXPECT_EQ(Checked(first) * 2 + Checked(second), 2);
    EXPECT_EQ(TextOf(edit), "init") << "the parked control too";
    EXPECT_EQ(Checked(other), BST_CHECKED) << "another group keeps its value";
    EXPECT_EQ(Macros(), V{"JumpId(`a.hlp', `b')"}) << "after the reset, '|' as ','";

    // Taken over as it is: no load.
    Store(kSection, {{"g:parked", "stored"}});
    HWND again = Make("6;g:parked;10;0;0;init;");
    EXPECT_EQ(Child(again), edit);
    EXPECT_TRUE(GetWindowLongPtrA(edit, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(TextOf(edit), "init");
}

TEST_F(Forms, SaveWritesEachKindUnderItsKey) {
    HWND gift = Make("4;orders:gift;0;0;32769;Gift wrap;");   // the text flag: the caption
    Make("4;orders:card;0;0;0;Card;");
    Make("4;orders:bare;0;0;32769;;");                         // the flag without a caption: a number
    Make("8;orders:size;0;0;0;Small;");
    HWND medium = Make("8;orders:size;0;0;0;Medium;");
    Make("8;orders:size;0;0;0;Large;");
    Make("8;orders:named;0;0;32768;First;");
    HWND named = Make("8;orders:named;0;0;32768;Second;");
    HWND notes = Make("10;orders:notes;20;3;0;;");
    Make("5;orders:colour;10;0;32770;Red|Green|Blue;");
    Make("5;orders:pick;10;0;1;Red|Green|Blue;");
    Make("7;orders:list;10;3;2;a|b|c;");
    SendMessageA(Child(Make("7;orders:none;10;3;32768;a|b;")), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    Make("6;orders:name;10;0;0;Ada;");
    Make("3;orders:reset;0;0;0;Reset;");
    HWND save = Make("9;orders:save;0;0;0;Save;Next()");
    Make("6;other:name;10;0;0;another group;");
    Make("6;:name;10;0;0;the empty group;");
    SendMessageA(Child(medium), BM_CLICK, 0, 0);
    SendMessageA(Child(named), BM_CLICK, 0, 0);
    SetWindowTextA(Child(notes), "a\r\nb");
    host->ClearApiLog();
    SendMessageA(Child(save), BM_CLICK, 0, 0);
    EXPECT_EQ(Section(kSection), (Values{{"orders:gift", "Gift wrap"}, {"orders:card", "0"}, {"orders:bare", "1"},
                                         {"orders:size", "2"}, {"orders:named", "Second"}, {"orders:notes", "2"},
                                         {"orders:notes_1", "a"}, {"orders:notes_2", "b"}, {"orders:colour", "Blue"},
                                         {"orders:pick", "1"}, {"orders:list", "2"}, {"orders:none", ""},
                                         {"orders:name", "Ada"}}));
    EXPECT_EQ(Macros(), V{"Next()"}) << "after the save";
    SendMessageA(Child(gift), BM_SETCHECK, BST_UNCHECKED, 0);
    Save("ORDERS");
    EXPECT_EQ(Section(kSection)["orders:gift"], "") << "unchecked with the text flag";
    Save("");
    EXPECT_EQ(Section(kSection)[":name"], "the empty group");
    EXPECT_EQ(Section(kSection).count("other:name"), 0u);
}

TEST_F(Forms, LoadSetsEachKindParkedIncluded) {
    Store(kSection, {{"orders:gift", "gift WRAP"}, {"orders:card", "1"}, {"orders:size", "3"}, {"orders:named", "second"},
                     {"orders:notes", "2"}, {"orders:notes_1", "a"}, {"orders:notes_2", "b"}, {"orders:colour", "Green"},
                     {"orders:pick", "Purple"}, {"orders:list", "2"}, {"orders:name", "Grace"}, {"orders:empty", ""}});
    HWND gift = Make("4;orders:gift;0;0;32768;Gift wrap;"), card = Make("4;orders:card;0;0;0;Card;");
    HWND empty = Make("4;orders:empty;0;0;32769;Empty;");
    HWND small = Make("8;orders:size;0;0;0;Small;"), medium = Make("8;orders:size;0;0;0;Medium;");
    HWND large = Make("8;orders:size;0;0;0;Large;");
    HWND first = Make("8;orders:named;0;0;32768;First;"), second = Make("8;orders:named;0;0;32768;Second;");
    HWND notes = Make("10;orders:notes;20;3;0;initial;"), fresh = Make("10;orders:fresh;20;3;0;x|y;");
    HWND colour = Make("5;orders:colour;10;0;32768;Red|Green|Blue;"), pick = Make("5;orders:pick;10;0;32770;Red|Blue;");
    HWND list = Make("7;orders:list;10;3;0;a|b|c;"), name = Make("6;orders:name;10;0;0;Ada;");
    EXPECT_EQ(Checked(gift), BST_CHECKED) << "the caption, case ignored";
    EXPECT_EQ(Checked(card), BST_CHECKED);
    EXPECT_EQ(Checked(empty), BST_UNCHECKED) << "an empty value unchecks";
    EXPECT_EQ(Checked(small) | Checked(medium), BST_UNCHECKED);
    EXPECT_EQ(Checked(large), BST_CHECKED) << "the third of the set";
    EXPECT_EQ(Checked(first) * 2 + Checked(second), 1);
    EXPECT_EQ(TextOf(Child(notes)), "a\r\nb\r\n") << "lines rebuilt, a line break after the last";
    EXPECT_EQ(TextOf(Child(fresh)), "x\r\ny") << "nothing stored: the initial text";
    EXPECT_EQ(Sel(Combo(colour), CB_GETCURSEL), 1);
    EXPECT_EQ(Sel(Combo(pick), CB_GETCURSEL), 0) << "an unknown item reads as a number (0)";
    EXPECT_EQ(Sel(Child(list)), 2);
    EXPECT_EQ(TextOf(Child(name)), "Grace");

    // A parked control loads with its group and shows it when taken over.
    HWND edit = Child(name);
    DestroyWindow(name);
    Store(kSection, {{"orders:name", "Hopper"}, {"orders:size", "1"}});
    Load("Orders");
    EXPECT_EQ(TextOf(edit), "Hopper");
    EXPECT_EQ(Checked(small) * 2 + Checked(large), 2);
    EXPECT_EQ(Child(Make("6;orders:name;10;0;0;Ada;")), edit);
    EXPECT_EQ(TextOf(edit), "Hopper");
}

TEST_F(Forms, GetAndSetAsTheMacrosUseThem) {
    HWND small = Make("8;g:size;0;0;0;Small;"), medium = Make("8;g:size;0;0;0;Medium;");
    HWND large = Make("8;g:size;0;0;0;Large;");
    SendMessageA(Child(medium), BM_CLICK, 0, 0);
    EXPECT_EQ(Get("g:size"), 2);
    Set("g:size", 3, "");
    EXPECT_EQ(Checked(small) + Checked(medium) * 2 + Checked(large) * 4, 4);
    Set("g:size", 0, "Small");
    EXPECT_EQ(Get("g:size"), 1);
    Set("g:size", 0, "small");
    EXPECT_EQ(Get("g:size"), 0) << "captions compared with case";

    HWND box = Make("4;g:box;0;0;0;Box;");
    Set("g:box", 1, "");
    EXPECT_EQ(Get("g:box"), 1);
    Set("g:box", 1, "box");
    EXPECT_EQ(Get("g:box"), 0);
    Set("g:box", 0, "Box");
    EXPECT_EQ(Checked(box), BST_CHECKED);
    for (const char* name : {"g:list", "g:drop"}) {
        Make(std::string(name[2] == 'l' ? "7;" : "5;") + name + ";5;3;0;a|b|c;");
        Set(name, 2, "");
        EXPECT_EQ(Get(name), 2) << name;
        Set(name, 0, "b");
        EXPECT_EQ(Get(name), 1) << name;
        Set(name, 1, "zz");
        EXPECT_EQ(Get(name), -1) << name << ": an unknown item clears the selection";
    }
    HWND text = Make("6;g:text;10;0;0;;"), multi = Make("10;g:multi;10;3;0;;");
    Set("g:text", 5, "hello");
    EXPECT_EQ(TextOf(Child(text)), "hello");
    EXPECT_EQ(Get("g:text"), 0) << "a text field has no number";
    Set("g:multi", 0, "x|y");
    EXPECT_EQ(TextOf(Child(multi)), "x\r\ny");
    Make("4;:solo;0;0;1;;");
    EXPECT_EQ(Get("solo"), 1) << "a bare name is the empty group";
    EXPECT_EQ(Test("g:nothing", 0), 1);
    Set("g:nothing", 1, "x");

    // Set counts every record from the set's first, Get only the set's.
    HWND a = Make("8;q:r;0;0;0;A;");
    Make("4;q:between;0;0;0;;");
    HWND b = Make("8;q:r;0;0;0;B;");
    Set("q:r", 3, "");
    EXPECT_EQ(Checked(a) * 2 + Checked(b), 1);
    EXPECT_EQ(Get("q:r"), 2);
}

TEST_F(Forms, ColoursOfTheRegionAndMacrosOnSelection) {
    HWND box = Make("4;c:box;0;0;0;Box;");
    HDC dc = GetDC(Child(box));
    auto brush = [&](HWND from) {
        return reinterpret_cast<HBRUSH>(SendMessageA(box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(from)));
    };
    HBRUSH first = brush(Child(box));
    LOGBRUSH lb = {};
    ASSERT_TRUE(GetObjectA(first, sizeof lb, &lb));
    EXPECT_EQ(lb.lbColor, kPaper);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    brush(Child(box));
    EXPECT_EQ(GetObjectType(first), 0u) << "the previous brush is deleted";
    EXPECT_EQ(brush(box), nullptr) << "only for the control";
    ReleaseDC(Child(box), dc);

    HWND list = Make("7;c:list;5;3;0;a|b|c;JumpId(`', `list')"), drop = Make("5;c:drop;5;0;0;a|b;JumpId(`', `drop')");
    host->ClearApiLog();
    SendMessageA(Child(box), BM_CLICK, 0, 0);
    SendMessageA(Child(list), WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(Combo(drop), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(Macros(), (V{"JumpId(`', `list')", "JumpId(`', `drop')"})) << "lists run their macros on a new selection";
}

TEST_F(Forms, TypedTextSurvivesARelayoutButNotTheTopicsEnd) {
    ASSERT_TRUE(host->LoadScriptText(".topic a 10\n{ewc ZYL3AN32.DLL, ZYL3_ANIMCONTROL32, 6;order:name;20;0;0;;}\n"
                                     ".nsr\n{ewc ZYL3AN32.DLL, ZYL3_ANIMCONTROL32, 4;order:head;0;0;0;Head;}\n"
                                     ".topic b 11\nElsewhere\n", kHelp));
    HWND before = host->EmbeddedWindows()[0], edit = Child(before);
    HWND head = Child(host->EmbeddedWindows(host->NsrRegion())[0]);
    for (char c : std::string("Ada")) SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(c), 0);
    SendMessageA(head, BM_CLICK, 0, 0);
    host->Resize(500, 300);
    EXPECT_FALSE(IsWindow(before)) << "the form window was made anew";
    EXPECT_EQ(Child(host->EmbeddedWindows()[0]), edit);
    host->Jump("a");   // the same topic again, with the jump messages
    EXPECT_EQ(Child(host->EmbeddedWindows()[0]), edit);
    EXPECT_EQ(TextOf(edit), "Ada");
    EXPECT_EQ(SendMessageA(head, BM_GETCHECK, 0, 0), BST_CHECKED);
    host->Jump("b");
    EXPECT_FALSE(IsWindow(edit)) << "released at the end of the jump";
    EXPECT_TRUE(IsWindow(head)) << "parked on the non-scrolling region, which the jump did not end";
    host->Jump("a");
    EXPECT_EQ(TextOf(Child(host->EmbeddedWindows()[0])), "") << "nothing was saved";
    EXPECT_EQ(Child(host->EmbeddedWindows(host->NsrRegion())[0]), head);
}

TEST_F(Forms, ThreadsEndWithTheirRecords) {
    HWND parked = nullptr, live = nullptr;
    std::thread other([&] {
        zylhost::HostOptions o;
        o.visible = false;
        zylhost::Host second(o);
        if (!second.LoadModule(ModulePath())) return;
        auto make = [&](const char* data) {
            return second.CreateEmbedded(second.TopicRegion(), {'c', "ZYL3AN32.DLL", "ZYL3_ANIMCONTROL32", data});
        };
        HWND w = make("6;t:parked;5;0;0;;");
        parked = Child(w);
        DestroyWindow(w);
        live = Child(make("4;t:live;0;0;0;;"));
        // Message 5 while a form window still stands: it stays, empty.
        second.Send(DW_TERM);
        EXPECT_FALSE(IsWindow(live) || IsWindow(parked));
        SendMessageA(second.EmbeddedWindows()[0], WM_COMMAND, 1, 0);
        second.Shutdown();
    });
    other.join();
    ASSERT_NE(parked, nullptr);
    EXPECT_FALSE(IsWindow(parked) || IsWindow(live));
}

TEST_F(Forms, CopyGivesTheTextAndPrintDrawsTheState) {
    HWND box = Make("4;p:box;0;0;1;Box;"), empty = Make("6;p:empty;10;0;0;;"), text = Make("6;p:text;10;0;0;Words here;");
    HWND list = Make("7;p:list;6;3;1;one|two|three;"), drop = Make("5;p:drop;6;0;2;x|y|zed;");
    HWND multi = Make("10;p:multi;10;2;0;first|second|third;"), reset = Make("3;p:reset;0;0;0;Reset;");
    const V copied = {wtest::RenderText(box),  wtest::RenderText(empty), wtest::RenderText(text), wtest::RenderText(list),
                      wtest::RenderText(drop), wtest::RenderText(multi), wtest::RenderText(reset)};
    EXPECT_EQ(copied, (V{"Box", "", "Words here", "two", "zed", "first\r\nsecond\r\nthird", "Reset"}));

    host->SetPrinterDpi(192);   // twice the screen's
    ASSERT_TRUE(host->Print());
    const auto printed = host->LastPrint();
    ASSERT_EQ(printed.size(), 7u);
    for (const auto& p : printed) EXPECT_EQ(p.width * 10000 + p.height, p.size.x * 10000 + p.size.y);
    auto dark = [](const zylhost::Host::PrintedWindow& p, int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += IsDark(p.pixels[static_cast<std::size_t>(y) * p.width + x]);
        return n;
    };
    const int row = static_cast<int>(SendMessageA(Child(list), LB_GETITEMHEIGHT, 0, 0)) * 2, right = printed[3].width - 40;
    EXPECT_GT(dark(printed[3], 4, row + 4, right, 2 * row), (right - 4) * (row - 4) * 3 / 4) << "the selection inverted";
    EXPECT_LT(dark(printed[3], 4, 4, right, row), (right - 4) * (row - 4) / 4);
    EXPECT_GT(dark(printed[2], 4, 4, printed[2].width - 4, printed[2].height - 4),
              2 * dark(printed[1], 4, 4, printed[1].width - 4, printed[1].height - 4));
    EXPECT_GT(dark(printed[1], 6, 6, 12, printed[1].height - 6), 0) << "an empty field's I-beam";
    const auto& m = printed[5];
    EXPECT_EQ(dark(m, 6, 6 + 2 * 2 * (row / 2 + 2) + 2, m.width - 40, m.height - 4), 0) << "two rows printed, no third";
    SendMessageA(Child(box), BM_SETCHECK, BST_UNCHECKED, 0);
    ASSERT_TRUE(host->Print());
    EXPECT_NE(host->LastPrint()[0].pixels, printed[0].pixels) << "the check box's cell follows its state";
}

TEST_F(Forms, ProfileLimitsCutCleanly) {
    const std::string section(31, 'L');   // a longer help file name is cut
    host->SetHelpFilePath(("C:\\help\\" + std::string(40, 'L') + ".hlp").c_str());
    WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, kIni);
    HWND text = Make("6;lim:text;10;0;0;;"), multi = Make("10;lim:multi;10;3;0;;");
    SendMessageA(Child(text), EM_LIMITTEXT, 0, 0);
    SetWindowTextA(Child(text), std::string(20000, 'w').c_str());
    Save("lim");
    EXPECT_EQ(Section(section.c_str())["lim:text"], std::string(16383, 'w')) << "16,383 characters written";
    // Read back: a longer value, and lines beyond the field's buffer with a
    // count far beyond them.
    Values stored = {{"lim:text", std::string(20000, 'r')}, {"lim:multi", "1000000"}};
    for (int i = 1; i <= 20; ++i) stored["lim:multi_" + std::to_string(i)] = std::string(1000, static_cast<char>('a' + i));
    Store(section.c_str(), stored);
    Load("lim");
    EXPECT_EQ(TextOf(Child(text)), std::string(16383, 'r'));
    const std::string lines = TextOf(Child(multi));
    EXPECT_GE(lines.size(), 16000u);
    EXPECT_LE(lines.size(), 16383u);
    EXPECT_EQ(lines.substr(0, 1002), std::string(1000, 'b') + "\r\n");
    WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, kIni);
}

// One form with every kind of control, laid out, laid out again and left,
// 2,000 times. Run on its own (CTest's wine_forms_leaks): it takes a while.
TEST(FormLeaks, TwoThousandCyclesLeaveNoObjectBehind) {
    zylhost::HostOptions o;
    o.visible = false;
    zylhost::Host host(o);
    ASSERT_TRUE(host.LoadModule(ModulePath())) << ModulePath();
    std::string topic = ".topic form 1\n";
    for (const char* data : {"3;l:reset;0;0;0;Reset;", "4;l:box;0;0;32769;Box;", "5;l:drop;6;0;1;a|b|c;", "6;l:text;8;0;0;t;",
                             "7;l:list;6;3;2;a|b|c|d;", "8;l:r;0;0;0;One;", "9;l:save;0;0;0;Save;", "10;l:multi;8;3;0;x|y;"})
        topic += std::string("{ewc ZYL3AN32.DLL, ZYL3_ANIMCONTROL32, ") + data + "}\n";
    ASSERT_TRUE(host.LoadScriptText((topic + ".topic away 2\nAway\n").c_str(), kHelp));
    auto cycle = [&](int i) {
        host.Jump("form");
        const std::vector<HWND> w = host.EmbeddedWindows();
        if (w.size() != 8) return false;
        if (i % 50 == 0) {   // typed into, clicked, coloured, printed and copied now and then
            SetWindowTextA(Child(w[3]), "typed");
            SendMessageA(Child(w[5]), BM_CLICK, 0, 0);
            HDC dc = GetDC(Child(w[1]));
            SendMessageA(w[1], WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Child(w[1])));
            ReleaseDC(Child(w[1]), dc);
            host.Print();
            host.CopyTopic();
        }
        host.Resize(600 + i % 2, 400);
        host.Jump("away");
        return true;
    };
    // USER handles are one table for every process of the Wine prefix, whose
    // own programs may take one or two meanwhile; a leak would take 2,000.
    EXPECT_EQ(LeakOver(20, 2000, cycle, 8), "");
    host.Shutdown();
}

}  // namespace
