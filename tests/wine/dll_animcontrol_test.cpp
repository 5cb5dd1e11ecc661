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

#include "dll_test.h"
#include "host.h"
#include "zyl3an32.h"

namespace {

constexpr char kIni[] = "zylforms.ini";
constexpr char kHelp[] = "C:\\help\\formtest.hlp";
constexpr char kSection[] = "formtest";
constexpr COLORREF kPaper = RGB(250, 240, 200);   // the host's background

using Values = std::map<std::string, std::string>;

// A section of zylforms.ini, key by key.
Values Section(const char* section) {
    std::vector<char> buf(1 << 20);
    const DWORD n = GetPrivateProfileSectionA(section, buf.data(), static_cast<DWORD>(buf.size()), kIni);
    Values out;
    for (const char* p = buf.data(); p < buf.data() + n && *p; p += std::strlen(p) + 1) {
        const char* eq = std::strchr(p, '=');
        if (eq) out[std::string(p, eq)] = eq + 1;
    }
    return out;
}

void ClearSection(const char* section) { WritePrivateProfileStringA(section, nullptr, nullptr, kIni); }

std::string ClassOf(HWND w) {
    char name[64] = "";
    GetClassNameA(w, name, sizeof name);
    return name;
}

std::string TextOf(HWND w) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(w)) + 1, '\0');
    GetWindowTextA(w, &text[0], static_cast<int>(text.size()));
    text.resize(std::strlen(text.c_str()));
    return text;
}

SIZE SizeOf(HWND w) {
    RECT rc;
    GetWindowRect(w, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

HWND Child(HWND w) { return GetWindow(w, GW_CHILD); }
// The control of a drop-down list sits in its wrapper.
HWND Combo(HWND w) { return Child(Child(w)); }
LRESULT Checked(HWND form) { return SendMessageA(Child(form), BM_GETCHECK, 0, 0); }

// The font the module gives every control, measured here the same way.
struct FontMetrics {
    int line = 0, em = 0;
    int Width(const char* text) const {
        HDC dc = GetDC(nullptr);
        HFONT f = CreateFontA(14, 0, 0, 0, 100, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
        HGDIOBJ old = SelectObject(dc, f);
        SIZE s = {};
        GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &s);
        SelectObject(dc, old);
        DeleteObject(f);
        ReleaseDC(nullptr, dc);
        return s.cx;
    }
    FontMetrics() {
        HDC dc = GetDC(nullptr);
        HFONT f = CreateFontA(14, 0, 0, 0, 100, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
        HGDIOBJ old = SelectObject(dc, f);
        TEXTMETRICA tm = {};
        GetTextMetricsA(dc, &tm);
        line = tm.tmHeight;
        SelectObject(dc, old);
        DeleteObject(f);
        ReleaseDC(nullptr, dc);
        em = Width("M");
    }
};

SIZE CheckCell() {
    HBITMAP boxes = LoadBitmapA(nullptr, MAKEINTRESOURCEA(32759));
    BITMAP bm = {};
    GetObjectA(boxes, sizeof bm, &bm);
    DeleteObject(boxes);
    return SIZE{bm.bmWidth / 4, bm.bmHeight / 3};
}

// The class and style of every window made on this thread while it lives,
// as asked for (the platform's controls drop some bits, WS_BORDER of an
// edit field among them, once made).
class CreationLog {
public:
    struct Made {
        std::string cls;
        LONG style;
    };
    CreationLog() : hook_(SetWindowsHookExA(WH_CBT, &Proc, nullptr, GetCurrentThreadId())) { current_ = this; }
    ~CreationLog() {
        UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }
    std::vector<Made> made;

private:
    static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND && current_) {
            const CREATESTRUCTA* cs = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
            const bool named = reinterpret_cast<ULONG_PTR>(cs->lpszClass) > 0xFFFF;
            current_->made.push_back({named ? cs->lpszClass : "#atom", static_cast<LONG>(cs->style)});
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static CreationLog* current_;
    HHOOK hook_;
};
CreationLog* CreationLog::current_ = nullptr;

class Forms : public ::testing::Test {
protected:
    void SetUp() override {
        zylhost::HostOptions o;
        o.visible = false;
        o.backgroundColour = kPaper;
        host = std::make_unique<zylhost::Host>(o);
        ASSERT_TRUE(host->LoadModule(ModulePath())) << ModulePath();
        host->SetHelpFilePath(kHelp);
        module = GetModuleHandleA("ZYL3AN32.DLL");
        ClearSection(kSection);
    }
    void TearDown() override { host->Shutdown(); }

    HWND Make(const char* data, HWND region = nullptr) {
        return host->CreateEmbedded(region ? region : host->TopicRegion(), {'c', "ZYL3AN32.DLL", "ZYL3_ANIMCONTROL32", data});
    }
    template <typename F>
    F Export(const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
    LONG Get(const char* name) { return Export<LONG(CALLBACK*)(LPCSTR)>("ZylCtrlGet")(name); }
    LONG Test(const char* name, LONG value) { return Export<LONG(CALLBACK*)(LPCSTR, LONG)>("ZylCtrlTest")(name, value); }
    void Set(const char* name, LONG value, const char* text) {
        Export<void(CALLBACK*)(LPCSTR, LONG, LPCSTR)>("ZylCtrlSet")(name, value, text);
    }
    void Save(const char* group) { Export<void(CALLBACK*)(LPCSTR)>("ZylCtrlSave")(group); }
    void Load(const char* group) { Export<void(CALLBACK*)(LPCSTR)>("ZylCtrlLoad")(group); }
    std::vector<std::string> Macros() const {
        std::vector<std::string> out;
        for (const auto& call : host->ApiLog()) out.push_back(call.text);
        return out;
    }

    std::unique_ptr<zylhost::Host> host;
    HMODULE module = nullptr;
};

using V = std::vector<std::string>;

TEST_F(Forms, EachTypeMakesItsChildClassStyleAndSize) {
    const FontMetrics fm;
    const SIZE cell = CheckCell();
    struct Case {
        const char* data;
        const char* cls;
        LONG style;
        SIZE size;
    };
    const Case cases[] = {
        {"3;g:reset;0;0;0;Reset;", "Button", 0x50010000, {fm.Width("Reset") + 8, fm.line + 8}},
        {"3;g:wide;200;0;0;Reset;", "Button", 0x50010000, {200, fm.line + 8}},
        {"4;g:gift;0;0;1;Gift wrap;", "Button", 0x50010003,
         {cell.cx + fm.Width("Gift wrap") + 7, std::max<LONG>(fm.line + 2, cell.cy)}},
        {"5;g:colour;10;0;1;Red|Green|Blue;", "ZYL3_ANIMCONTROLX32", 0x50000000, {fm.em * 10 + 6, fm.line + 7}},
        {"6;g:name;10;0;0;hello;", "Edit", 0x50810080, {fm.em * 10 + 6, fm.line + 6}},
        {"6;g:narrow;0;0;0;;", "Edit", 0x50810080, {10, fm.line + 6}},
        {"7;g:list;1;1;0;a|b;", "ListBox", 0x50A11141, {27, 54}},
        {"8;g:radio;0;0;0;Small;", "Button", 0x50010009,
         {cell.cx + fm.Width("Small") + 7, std::max<LONG>(fm.line + 2, cell.cy)}},
        {"9;g:save;0;0;0;Save;", "Button", 0x50010001, {fm.Width("Save") + 8, fm.line + 8}},
        {"10;g:notes;30;5;0;a|b;", "Edit", 0x50A11044, {fm.em * 30 + 6, std::max(51, (fm.line + 2) * 5 + 6)}},
    };
    std::vector<int> ids;
    HFONT font = nullptr;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data);
        CreationLog log;
        HWND w = Make(c.data);
        ASSERT_NE(w, nullptr);
        EXPECT_FALSE(GetWindowLongPtrA(w, GWL_STYLE) & WS_BORDER);
        HWND child = Child(w);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(GetWindow(child, GW_HWNDNEXT), nullptr) << "one control per window";
        EXPECT_STRCASEEQ(ClassOf(child).c_str(), c.cls);
        ASSERT_GE(log.made.size(), 2u);
        EXPECT_STRCASEEQ(log.made[1].cls.c_str(), ClassOf(child).c_str());
        EXPECT_EQ(log.made[1].style, c.style);
        if (c.style == 0x50000000) {
            ASSERT_GE(log.made.size(), 3u);
            EXPECT_STRCASEEQ(log.made[2].cls.c_str(), "combobox");
            EXPECT_EQ(log.made[2].style, 0x50210603);
        }
        EXPECT_EQ(SizeOf(w).cx, c.size.cx);
        EXPECT_EQ(SizeOf(w).cy, c.size.cy);
        ids.push_back(GetDlgCtrlID(child));
        HWND fontHolder = std::string(c.cls) == "ZYL3_ANIMCONTROLX32" ? Child(child) : child;
        HFONT f = reinterpret_cast<HFONT>(SendMessageA(fontHolder, WM_GETFONT, 0, 0));
        EXPECT_NE(f, nullptr);
        if (font) EXPECT_EQ(f, font) << "the instance's font for every control";
        font = f;
    }
    std::vector<int> expected;
    for (int i = 1; i <= static_cast<int>(std::size(cases)); ++i) expected.push_back(i);
    EXPECT_EQ(ids, expected) << "ids count up from 1";

    const std::vector<HWND> made = host->EmbeddedWindows();
    // Initial states.
    EXPECT_EQ(TextOf(Child(made[4])), "hello");
    EXPECT_EQ(TextOf(Child(made[9])), "a\r\nb");
    EXPECT_EQ(Checked(made[2]), BST_CHECKED);
    EXPECT_EQ(Checked(made[7]), BST_CHECKED) << "the first radio button of a set starts checked";
    HWND combo = Combo(made[3]);
    EXPECT_STRCASEEQ(ClassOf(combo).c_str(), "ComboBox");
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(SizeOf(Child(made[3])).cy, SizeOf(combo).cy) << "the wrapper is as high as the closed list";
    HWND list = Child(made[6]);
    RECT at;
    GetWindowRect(list, &at);
    MapWindowPoints(nullptr, made[6], reinterpret_cast<POINT*>(&at), 2);
    EXPECT_EQ(at.left, 1);
    EXPECT_EQ(at.top, 1);
    EXPECT_EQ(SizeOf(list).cx, 25);
    EXPECT_EQ(SizeOf(list).cy, 52);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 0);
}

TEST_F(Forms, ErrorsShowTheirTextsAndKeepNoRecord) {
    const std::string field33 = "group:" + std::string(27, 'n');
    const std::pair<std::string, const char*> cases[] = {
        {"4;orders:gift;0;0;1;Gift wrap", "Syntax error in parameters"},
        {"2;a;0;0;0;;", "Bad control type"},
        {"11;a;0;0;0;;", "Bad control type"},
        {"3;;0;0;0;OK;", "No control name specified"},
        {"3;g:;0;0;0;OK;", "No control name specified"},
        // Beyond what the record holds: refused, not cut.
        {"4;" + field33 + ";0;0;1;;", "Syntax error in parameters"},
        {"4;g:box;0;0;65536;;", "Syntax error in parameters"},
        {"7;g:box;0;70000;0;;", "Syntax error in parameters"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        HWND w = Make(c.first.c_str());
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(GetWindowLongPtrA(w, GWL_STYLE) & WS_BORDER);
        EXPECT_EQ(Child(w), nullptr);
        EXPECT_EQ(wtest::RenderText(w), c.second);
    }
    EXPECT_EQ(Get("g:box"), 0) << "a window in error keeps no record";
    Save("g");
    Save("group");
    EXPECT_TRUE(Section(kSection).empty());
    HWND ok = Make(("4;" + field33.substr(0, 32) + ";0;0;1;;").c_str());
    EXPECT_EQ(Checked(ok), BST_CHECKED) << "32 characters are fine";
}

TEST_F(Forms, RadioButtonsInSeparateWindowsAreExclusive) {
    HWND small = Make("8;g:size;0;0;0;Small;");
    HWND medium = Make("8;g:size;0;0;0;Medium;");
    HWND large = Make("8;g:size;0;0;0;Large;");
    HWND alone = Make("8;g:other;0;0;0;Alone;");
    EXPECT_EQ(Checked(small), BST_CHECKED);
    EXPECT_EQ(Checked(medium), BST_UNCHECKED);
    EXPECT_EQ(Checked(large), BST_UNCHECKED);
    EXPECT_EQ(Get("g:size"), 1);
    host->ClearApiLog();
    SendMessageA(Child(large), BM_CLICK, 0, 0);
    EXPECT_EQ(Checked(small), BST_UNCHECKED);
    EXPECT_EQ(Checked(medium), BST_UNCHECKED);
    EXPECT_EQ(Checked(large), BST_CHECKED);
    EXPECT_EQ(Checked(alone), BST_CHECKED) << "another set of the group";
    EXPECT_EQ(Get("g:size"), 3);
    EXPECT_EQ(Test("g:size", 3), 1);
    EXPECT_EQ(Test("g:size", 2), 0);
    SendMessageA(Child(small), BM_CLICK, 0, 0);
    EXPECT_EQ(Checked(large), BST_UNCHECKED);
    EXPECT_EQ(Get("G:SIZE"), 1) << "names ignore case";
    EXPECT_TRUE(host->ApiLog().empty()) << "radio buttons run no macro";
}

TEST_F(Forms, ResetButtonResetsItsGroupParkedIncludedThenRunsItsMacro) {
    HWND box = Make("4;g:box;0;0;0;Box;");
    HWND text = Make("6;g:text;10;0;0;start;");
    HWND list = Make("7;g:list;5;3;1;a|b|c;");
    HWND drop = Make("5;g:drop;5;0;0;x|y;");
    HWND multi = Make("10;g:multi;10;3;0;one|two;");
    HWND first = Make("8;g:r;0;0;0;A;");
    HWND second = Make("8;g:r;0;0;0;B;");
    HWND parked = Make("6;g:parked;10;0;0;init;");
    HWND other = Make("4;h:box;0;0;0;Other;");
    SendMessageA(Child(box), BM_SETCHECK, BST_CHECKED, 0);
    SetWindowTextA(Child(text), "typed");
    SendMessageA(Child(list), LB_SETCURSEL, 2, 0);
    SendMessageA(Combo(drop), CB_SETCURSEL, 1, 0);
    SetWindowTextA(Child(multi), "changed");
    SendMessageA(Child(second), BM_CLICK, 0, 0);
    SendMessageA(Child(other), BM_SETCHECK, BST_CHECKED, 0);
    HWND parkedEdit = Child(parked);
    SetWindowTextA(parkedEdit, "changed");
    DestroyWindow(parked);
    ASSERT_TRUE(IsWindow(parkedEdit)) << "parked, not destroyed";
    EXPECT_FALSE(GetWindowLongPtrA(parkedEdit, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(GetParent(parkedEdit), host->TopicRegion()) << "parked on the help window";

    HWND reset = Make("3;G:reset;0;0;0;Reset;JumpId(`a.hlp'| `b')");
    host->ClearApiLog();
    SendMessageA(Child(reset), BM_CLICK, 0, 0);
    EXPECT_EQ(Checked(box), BST_UNCHECKED);
    EXPECT_EQ(TextOf(Child(text)), "start");
    EXPECT_EQ(SendMessageA(Child(list), LB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(SendMessageA(Combo(drop), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(TextOf(Child(multi)), "one\r\ntwo");
    EXPECT_EQ(Checked(first), BST_CHECKED);
    EXPECT_EQ(Checked(second), BST_UNCHECKED);
    EXPECT_EQ(TextOf(parkedEdit), "init") << "the parked control too";
    EXPECT_EQ(Checked(other), BST_CHECKED) << "another group keeps its value";
    EXPECT_EQ(Macros(), V{"JumpId(`a.hlp', `b')"}) << "after the reset, '|' as ','";

    // Taken over as it is: no load.
    WritePrivateProfileStringA(kSection, "g:parked", "stored", kIni);
    HWND again = Make("6;g:parked;10;0;0;init;");
    EXPECT_EQ(Child(again), parkedEdit);
    EXPECT_TRUE(GetWindowLongPtrA(parkedEdit, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(TextOf(parkedEdit), "init");
}

TEST_F(Forms, SaveWritesEachKindUnderItsKey) {
    HWND gift = Make("4;orders:gift;0;0;32769;Gift wrap;");   // the text flag: the caption
    Make("4;orders:card;0;0;0;Card;");                         // a number
    Make("4;orders:bare;0;0;32769;;");                         // the flag, but no caption: a number
    Make("8;orders:size;0;0;0;Small;");
    HWND medium = Make("8;orders:size;0;0;0;Medium;");
    Make("8;orders:size;0;0;0;Large;");
    Make("8;orders:named;0;0;32768;First;");
    HWND named = Make("8;orders:named;0;0;32768;Second;");
    HWND notes = Make("10;orders:notes;20;3;0;;");
    Make("5;orders:colour;10;0;32770;Red|Green|Blue;");
    Make("5;orders:pick;10;0;1;Red|Green|Blue;");
    Make("7;orders:list;10;3;2;a|b|c;");
    HWND none = Make("7;orders:none;10;3;32768;a|b;");
    Make("6;orders:name;10;0;0;Ada;");
    Make("3;orders:reset;0;0;0;Reset;");
    HWND save = Make("9;orders:save;0;0;0;Save;Next()");
    Make("6;other:name;10;0;0;not this group;");
    Make("6;:name;10;0;0;the empty group;");
    SendMessageA(Child(medium), BM_CLICK, 0, 0);
    SendMessageA(Child(named), BM_CLICK, 0, 0);
    SetWindowTextA(Child(notes), "a\r\nb");
    SendMessageA(Child(none), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);

    host->ClearApiLog();
    SendMessageA(Child(save), BM_CLICK, 0, 0);
    EXPECT_EQ(Section(kSection), (Values{{"orders:gift", "Gift wrap"},
                                         {"orders:card", "0"},
                                         {"orders:bare", "1"},
                                         {"orders:size", "2"},
                                         {"orders:named", "Second"},
                                         {"orders:notes", "2"},
                                         {"orders:notes_1", "a"},
                                         {"orders:notes_2", "b"},
                                         {"orders:colour", "Blue"},
                                         {"orders:pick", "1"},
                                         {"orders:list", "2"},
                                         {"orders:none", ""},
                                         {"orders:name", "Ada"}}));
    EXPECT_EQ(Macros(), V{"Next()"}) << "after the save";

    SendMessageA(Child(gift), BM_SETCHECK, BST_UNCHECKED, 0);
    Save("ORDERS");
    EXPECT_EQ(Section(kSection)["orders:gift"], "") << "unchecked with the text flag";
    SendMessageA(Child(gift), BM_SETCHECK, BST_CHECKED, 0);
    Load("orders");
    EXPECT_EQ(Checked(gift), BST_UNCHECKED) << "an empty value unchecks";
    Save("");
    EXPECT_EQ(Section(kSection)[":name"], "the empty group");
    EXPECT_EQ(Section(kSection).count("other:name"), 0u);
}

TEST_F(Forms, LoadSetsEachKindParkedIncluded) {
    const std::pair<const char*, const char*> stored[] = {
        {"orders:gift", "gift WRAP"}, {"orders:card", "1"},       {"orders:size", "3"},
        {"orders:named", "second"},   {"orders:notes", "2"},      {"orders:notes_1", "a"},
        {"orders:notes_2", "b"},      {"orders:colour", "Green"}, {"orders:pick", "Purple"},
        {"orders:list", "2"},         {"orders:name", "Grace"},
    };
    for (const auto& kv : stored) WritePrivateProfileStringA(kSection, kv.first, kv.second, kIni);
    HWND gift = Make("4;orders:gift;0;0;32768;Gift wrap;");
    HWND card = Make("4;orders:card;0;0;0;Card;");
    HWND small = Make("8;orders:size;0;0;0;Small;");
    HWND medium = Make("8;orders:size;0;0;0;Medium;");
    HWND large = Make("8;orders:size;0;0;0;Large;");
    HWND first = Make("8;orders:named;0;0;32768;First;");
    HWND second = Make("8;orders:named;0;0;32768;Second;");
    HWND notes = Make("10;orders:notes;20;3;0;initial;");
    HWND fresh = Make("10;orders:fresh;20;3;0;x|y;");
    HWND colour = Make("5;orders:colour;10;0;32768;Red|Green|Blue;");
    HWND pick = Make("5;orders:pick;10;0;32770;Red|Green|Blue;");
    HWND list = Make("7;orders:list;10;3;0;a|b|c;");
    HWND name = Make("6;orders:name;10;0;0;Ada;");
    EXPECT_EQ(Checked(gift), BST_CHECKED) << "the caption, case ignored";
    EXPECT_EQ(Checked(card), BST_CHECKED);
    EXPECT_EQ(Checked(small), BST_UNCHECKED);
    EXPECT_EQ(Checked(medium), BST_UNCHECKED);
    EXPECT_EQ(Checked(large), BST_CHECKED) << "the third of the set";
    EXPECT_EQ(Checked(first), BST_UNCHECKED);
    EXPECT_EQ(Checked(second), BST_CHECKED);
    EXPECT_EQ(TextOf(Child(notes)), "a\r\nb\r\n") << "lines rebuilt, a line break after the last";
    EXPECT_EQ(TextOf(Child(fresh)), "x\r\ny") << "nothing stored: the initial text";
    EXPECT_EQ(SendMessageA(Combo(colour), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(SendMessageA(Combo(pick), CB_GETCURSEL, 0, 0), 0) << "an unknown item reads as a number (0)";
    EXPECT_EQ(SendMessageA(Child(list), LB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(TextOf(Child(name)), "Grace");

    // A parked control loads with its group and shows it when taken over.
    HWND edit = Child(name);
    DestroyWindow(name);
    WritePrivateProfileStringA(kSection, "orders:name", "Hopper", kIni);
    WritePrivateProfileStringA(kSection, "orders:size", "1", kIni);
    Load("Orders");
    EXPECT_EQ(TextOf(edit), "Hopper");
    EXPECT_EQ(Checked(small), BST_CHECKED);
    EXPECT_EQ(Checked(large), BST_UNCHECKED);
    HWND back = Make("6;orders:name;10;0;0;Ada;");
    EXPECT_EQ(Child(back), edit);
    EXPECT_EQ(TextOf(edit), "Hopper");
}

TEST_F(Forms, GetAndSetAsTheMacrosUseThem) {
    HWND small = Make("8;g:size;0;0;0;Small;");
    HWND medium = Make("8;g:size;0;0;0;Medium;");
    HWND large = Make("8;g:size;0;0;0;Large;");
    SendMessageA(Child(medium), BM_CLICK, 0, 0);
    Save("g");
    EXPECT_EQ(Section(kSection)["g:size"], "2");
    EXPECT_EQ(Get("g:size"), 2);
    Set("g:size", 3, "");
    EXPECT_EQ(Checked(large), BST_CHECKED);
    EXPECT_EQ(Checked(medium), BST_UNCHECKED);
    EXPECT_EQ(Checked(small), BST_UNCHECKED);
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

    for (const char* data : {"7;g:list;5;3;0;a|b|c;", "5;g:list2;5;0;0;a|b|c;"}) {
        SCOPED_TRACE(data);
        Make(data);
        const char* name = data[0] == '7' ? "g:list" : "g:list2";
        Set(name, 2, "");
        EXPECT_EQ(Get(name), 2);
        Set(name, 0, "b");
        EXPECT_EQ(Get(name), 1);
        Set(name, 1, "zz");
        EXPECT_EQ(Get(name), -1) << "an unknown item clears the selection";
    }

    HWND text = Make("6;g:text;10;0;0;;");
    HWND multi = Make("10;g:multi;10;3;0;;");
    Set("g:text", 5, "hello");
    EXPECT_EQ(TextOf(Child(text)), "hello");
    EXPECT_EQ(Get("g:text"), 0) << "a text field has no number";
    Set("g:multi", 0, "x|y");
    EXPECT_EQ(TextOf(Child(multi)), "x\r\ny");

    HWND solo = Make("4;:solo;0;0;1;;");
    EXPECT_EQ(Get("solo"), 1) << "a bare name is the empty group";
    Set("solo", 0, "");
    EXPECT_EQ(Checked(solo), BST_UNCHECKED);
    EXPECT_EQ(Get("g:nothing"), 0);
    EXPECT_EQ(Test("g:nothing", 0), 1);
    Set("g:nothing", 1, "x");

    // Set counts every record from the set's first, Get only the set's.
    HWND a = Make("8;q:r;0;0;0;A;");
    Make("4;q:between;0;0;0;;");
    HWND b = Make("8;q:r;0;0;0;B;");
    Set("q:r", 3, "");
    EXPECT_EQ(Checked(a), BST_UNCHECKED);
    EXPECT_EQ(Checked(b), BST_CHECKED);
    EXPECT_EQ(Get("q:r"), 2);
}

TEST_F(Forms, ColoursOfTheRegionAndMacrosOnSelection) {
    HWND box = Make("4;c:box;0;0;0;Box;");
    HDC dc = GetDC(Child(box));
    auto brush = [&] {
        return reinterpret_cast<HBRUSH>(
            SendMessageA(box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Child(box))));
    };
    HBRUSH first = brush();
    ASSERT_NE(first, nullptr);
    LOGBRUSH lb = {};
    GetObjectA(first, sizeof lb, &lb);
    EXPECT_EQ(lb.lbColor, kPaper);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    HBRUSH second = brush();
    EXPECT_EQ(GetObjectType(first), 0u) << "the previous brush is deleted";
    EXPECT_EQ(GetObjectType(second), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_EQ(SendMessageA(box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box)), 0);
    ReleaseDC(Child(box), dc);

    HWND list = Make("7;c:list;5;3;0;a|b|c;JumpId(`', `list')");
    HWND drop = Make("5;c:drop;5;0;0;a|b;JumpId(`', `drop')");
    HWND text = Make("6;c:text;5;0;0;;JumpId(`', `text')");
    host->ClearApiLog();
    SendMessageA(Child(box), BM_CLICK, 0, 0);
    SendMessageA(Child(text), WM_CHAR, 'x', 0);
    EXPECT_TRUE(host->ApiLog().empty()) << "check boxes and text fields run no macro";
    SendMessageA(Child(list), WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(Combo(drop), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(Macros(), (V{"JumpId(`', `list')", "JumpId(`', `drop')"}));
}

TEST_F(Forms, TypedTextSurvivesARelayoutButNotTheTopicsEnd) {
    ASSERT_TRUE(host->LoadScriptText(".topic a 10\nName: {ewc ZYL3AN32.DLL, ZYL3_ANIMCONTROL32, 6;order:name;20;0;0;;}\n"
                                     ".nsr\n{ewc ZYL3AN32.DLL, ZYL3_ANIMCONTROL32, 4;order:head;0;0;0;Head;}\n"
                                     ".topic b 11\nElsewhere\n",
                                     kHelp))
        << host->LastError();
    HWND edit = Child(host->EmbeddedWindows()[0]);
    HWND head = Child(host->EmbeddedWindows(host->NsrRegion())[0]);
    for (char c : std::string("Ada")) SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(c), 0);
    SendMessageA(head, BM_CLICK, 0, 0);
    HWND before = host->EmbeddedWindows()[0];

    host->Resize(500, 300);
    HWND after = host->EmbeddedWindows()[0];
    EXPECT_FALSE(IsWindow(before)) << "the form window was made anew";
    EXPECT_EQ(Child(after), edit);
    EXPECT_EQ(TextOf(edit), "Ada");
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
    // Shutdown on another thread: its parked and live controls go with it.
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
        EXPECT_FALSE(IsWindow(live));
        HWND standing = second.EmbeddedWindows()[0];
        SendMessageA(standing, WM_COMMAND, 1, 0);
        EXPECT_EQ(wtest::RenderText(standing), "<null>");
        second.Shutdown();
    });
    other.join();
    ASSERT_NE(parked, nullptr);
    EXPECT_FALSE(IsWindow(parked));
    EXPECT_FALSE(IsWindow(live));
}

TEST_F(Forms, CopyGivesTheTextAndPrintDrawsTheState) {
    const FontMetrics fm;
    HWND box = Make("4;p:box;0;0;1;Box;");
    HWND empty = Make("6;p:empty;10;0;0;;");
    HWND text = Make("6;p:text;10;0;0;Words here;");
    HWND list = Make("7;p:list;6;3;1;one|two|three;");
    HWND drop = Make("5;p:drop;6;0;2;x|y|zed;");
    HWND multi = Make("10;p:multi;10;2;0;first|second|third;");
    HWND reset = Make("3;p:reset;0;0;0;Reset;");
    EXPECT_EQ(wtest::RenderText(box), "Box");
    EXPECT_EQ(wtest::RenderText(empty), "");
    EXPECT_EQ(wtest::RenderText(text), "Words here");
    EXPECT_EQ(wtest::RenderText(list), "two");
    EXPECT_EQ(wtest::RenderText(drop), "zed");
    EXPECT_EQ(wtest::RenderText(multi), "first\r\nsecond\r\nthird");
    EXPECT_EQ(wtest::RenderText(reset), "Reset");
    SendMessageA(Child(list), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    EXPECT_EQ(wtest::RenderText(list), "") << "no selection";
    SendMessageA(Child(list), LB_SETCURSEL, 1, 0);

    constexpr int kDpi = 192;   // twice the screen's: every pixel becomes four
    host->SetPrinterDpi(kDpi);
    ASSERT_TRUE(host->Print());
    const auto checkedPrint = host->LastPrint();
    ASSERT_EQ(checkedPrint.size(), 7u);
    for (const auto& p : checkedPrint) {
        const SIZE screen = SizeOf(p.hwnd);
        EXPECT_EQ(p.size.x, screen.cx * 2);
        EXPECT_EQ(p.size.y, screen.cy * 2);
        EXPECT_EQ(p.width, p.size.x);
        EXPECT_EQ(p.height, p.size.y);
    }
    auto dark = [](const zylhost::Host::PrintedWindow& p, int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += IsDark(p.pixels[static_cast<std::size_t>(y) * p.width + x]);
        return n;
    };
    // The check box's cell follows its state.
    SendMessageA(Child(box), BM_SETCHECK, BST_UNCHECKED, 0);
    ASSERT_TRUE(host->Print());
    EXPECT_NE(host->LastPrint()[0].pixels, checkedPrint[0].pixels);
    // The list box: the selected (second) row inverted, the others not.
    const auto& l = checkedPrint[3];
    const int row = fm.line * 2, right = l.width - 40;
    EXPECT_GT(dark(l, 4, 2 + row + 2, right, 2 + 2 * row - 2), (right - 4) * (row - 4) * 3 / 4);
    EXPECT_LT(dark(l, 4, 2 + 2, right, 2 + row - 2), (right - 4) * (row - 4) / 4);
    // An empty field shows only its frame and the I-beam; text is drawn.
    const auto& e = checkedPrint[1];
    const auto& t = checkedPrint[2];
    const int inner = dark(t, 4, 4, t.width - 4, t.height - 4);
    EXPECT_GT(inner, 2 * dark(e, 4, 4, e.width - 4, e.height - 4));
    EXPECT_GT(dark(e, 6, 6, 12, e.height - 6), 0) << "the I-beam";
    // A multi-line field prints its `rows` lines, no more.
    const auto& m = checkedPrint[5];
    const int step = (fm.line + 2) * 2;
    EXPECT_GT(dark(m, 6, 6, m.width - 40, 6 + 2 * step), 0);
    EXPECT_EQ(dark(m, 6, 6 + 2 * step + 2, m.width - 40, m.height - 4), 0) << "the third line is not printed";
}

TEST_F(Forms, ProfileLimitsCutCleanly) {
    // A help file name beyond the section's 31 characters is cut.
    const std::string longName(40, 'L');
    host->SetHelpFilePath(("C:\\help\\" + longName + ".hlp").c_str());
    const std::string section(31, 'L');
    ClearSection(section.c_str());
    HWND text = Make("6;lim:text;10;0;0;;");
    HWND multi = Make("10;lim:multi;10;3;0;;");
    // A text value holds at most 16,383 characters, both ways.
    SendMessageA(Child(text), EM_LIMITTEXT, 0, 0);
    SetWindowTextA(Child(text), std::string(20000, 'w').c_str());
    Save("lim");
    EXPECT_EQ(Section(section.c_str())["lim:text"], std::string(16383, 'w'));
    WritePrivateProfileStringA(section.c_str(), "lim:text", std::string(20000, 'r').c_str(), kIni);
    // Lines that add up to more than the field's buffer, and a count far
    // beyond them.
    WritePrivateProfileStringA(section.c_str(), "lim:multi", "1000000", kIni);
    for (int i = 1; i <= 20; ++i)
        WritePrivateProfileStringA(section.c_str(), ("lim:multi_" + std::to_string(i)).c_str(), std::string(1000, static_cast<char>('a' + i)).c_str(), kIni);
    Load("lim");
    EXPECT_EQ(TextOf(Child(text)), std::string(16383, 'r'));
    const std::string lines = TextOf(Child(multi));
    EXPECT_LE(lines.size(), 16383u);
    EXPECT_GE(lines.size(), 16000u);
    EXPECT_EQ(lines.substr(0, 1002), std::string(1000, 'b') + "\r\n");
    EXPECT_EQ(lines.find('\0'), std::string::npos);
    ClearSection(section.c_str());
}

// The demo's order sheet, as an author's macros use it.
TEST_F(Forms, TheDemoOrderSheet) {
    ClearSection("forms");
    const std::string script = std::string(ZYL_EXAMPLES) + "/forms/forms.hts";
    ASSERT_TRUE(host->OpenScript(script.c_str())) << host->LastError();
    std::vector<HWND> w = host->EmbeddedWindows();
    ASSERT_EQ(w.size(), 12u);
    enum { kName, kSmall, kMedium, kLarge, kWhich, kColour, kGift, kDelivery, kNotes, kSave, kReset, kFill };
    host->ClearApiLog();
    SendMessageA(Child(w[kFill]), BM_CLICK, 0, 0);
    EXPECT_EQ(TextOf(Child(w[kName])), "Ada");
    EXPECT_EQ(Checked(w[kLarge]), BST_CHECKED);
    EXPECT_EQ(TextOf(Child(w[kNotes])), "Fragile, handle with care") << "'|' in a field's macro is ','";

    SendMessageA(Child(w[kWhich]), BM_CLICK, 0, 0);
    bool shown = false;
    for (const auto& e : host->MacroLog()) shown = shown || e.text == "called ZylCtrlGet(`order:size') = 3";
    EXPECT_TRUE(shown);
    host->PumpUntilIdle();
    HWND popup = FindWindowExA(nullptr, nullptr, ZYL_HOST_CLASS_POPUP, nullptr);
    ASSERT_NE(popup, nullptr);
    std::string said;
    for (const auto& run : host->TextRuns(popup)) said += run.text + " ";
    EXPECT_EQ(said, "You chose the large size. ");
    host->ClosePopup();

    SendMessageA(Child(w[kSave]), BM_CLICK, 0, 0);
    EXPECT_EQ(Section("forms"), (Values{{"order:name", "Ada"},
                                       {"order:size", "3"},
                                       {"order:colour", "Red"},
                                       {"order:gift", ""},
                                       {"order:delivery", "0"},
                                       {"order:notes", "1"},
                                       {"order:notes_1", "Fragile, handle with care"}}));
    SendMessageA(Child(w[kReset]), BM_CLICK, 0, 0);
    EXPECT_EQ(TextOf(Child(w[kName])), "");
    EXPECT_EQ(Checked(w[kSmall]), BST_CHECKED);
    EXPECT_EQ(TextOf(Child(w[kNotes])), "Leave at the door\r\nRing twice");

    // The next session shows the saved order.
    host->Shutdown();
    zylhost::HostOptions o;
    o.visible = false;
    host = std::make_unique<zylhost::Host>(o);
    ASSERT_TRUE(host->LoadModule(ModulePath()));
    ASSERT_TRUE(host->OpenScript(script.c_str()));
    w = host->EmbeddedWindows();
    ASSERT_EQ(w.size(), 12u);
    EXPECT_EQ(TextOf(Child(w[kName])), "Ada");
    EXPECT_EQ(Checked(w[kLarge]), BST_CHECKED);
    EXPECT_EQ(Checked(w[kSmall]), BST_UNCHECKED);
    EXPECT_EQ(TextOf(Child(w[kNotes])), "Fragile, handle with care\r\n");
    ClearSection("forms");
}

// One form with every kind of control, laid out, laid out again and left,
// 2,000 times. Run on its own (CTest's wine_forms_leaks): it takes a while.
TEST(FormLeaks, TwoThousandCyclesLeaveNoObjectBehind) {
    zylhost::HostOptions o;
    o.visible = false;
    zylhost::Host host(o);
    ASSERT_TRUE(host.LoadModule(ModulePath())) << ModulePath();
    std::string topic = ".topic form 1\n";
    for (const char* data : {"3;l:reset;0;0;0;Reset;", "4;l:box;0;0;32769;Box;", "5;l:drop;6;0;1;a|b|c;",
                             "6;l:text;8;0;0;text;", "7;l:list;6;3;2;a|b|c|d;", "8;l:r;0;0;0;One;",
                             "9;l:save;0;0;0;Save;", "10;l:multi;8;3;0;x|y;"})
        topic += std::string("{ewc ZYL3AN32.DLL, ZYL3_ANIMCONTROL32, ") + data + "}\n";
    topic += ".topic away 2\nAway\n";
    ASSERT_TRUE(host.LoadScriptText(topic.c_str(), kHelp)) << host.LastError();
    auto cycle = [&](int i) {
        host.Jump("form");
        const std::vector<HWND> windows = host.EmbeddedWindows();
        if (windows.size() != 8) return false;
        if (i % 50 == 0) {
            // Typed into, clicked, coloured, printed and copied now and then.
            SetWindowTextA(Child(windows[3]), "typed");
            SendMessageA(Child(windows[5]), BM_CLICK, 0, 0);
            HWND box = Child(windows[1]);
            HDC dc = GetDC(box);
            SendMessageA(windows[1], WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box));
            ReleaseDC(box, dc);
            host.Print();
            host.CopyTopic();
        }
        host.Resize(600 + i % 2, 400);
        host.Jump("away");
        return true;
    };
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(cycle(i));
    const int gdi = wtest::GdiRoom();
    const int user = wtest::UserRoom();
    ASSERT_GT(gdi, 1000);
    ASSERT_GT(user, 1000);
    for (int i = 0; i < 2000; ++i) ASSERT_TRUE(cycle(i)) << i;
    EXPECT_EQ(wtest::GdiRoom(), gdi) << "GDI objects leaked";
    // USER handles are one table for every process of the Wine prefix: its
    // own programs may take one or two meanwhile. A leak of the cycle would
    // take thousands.
    EXPECT_NEAR(wtest::UserRoom(), user, 8) << "USER objects leaked";
    host.Shutdown();
}

}  // namespace
