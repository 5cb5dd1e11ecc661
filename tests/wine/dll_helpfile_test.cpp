// zylhost as a viewer of help files: every demo topic shows the same pixels
// from its script and from the help file zylhc made of it, the module's
// windows included; halibut's files open with their text, title and jumps;
// damaged files show what is left and say what is lost; pictures of a help
// file are drawn, with their transparent colour and hot spots, and give
// back what they take.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/helpfile.h"
#include "wine_support.h"
#include "helpwriter.h"
#include "host.h"
#include "internal_files.h"
#include "script.h"
#include "zylhc.h"

namespace {

using namespace zyltest;
using wtest::Bytes;
using zyltest::InternalFiles;

// Animations would make two screenshots differ by when they were taken:
// timer messages are dropped while pixels are compared.
LRESULT CALLBACK DropTimers(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && wParam == PM_REMOVE) {
        MSG* m = reinterpret_cast<MSG*>(lParam);
        if (m->message == WM_TIMER) m->message = WM_NULL;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class FrozenTimers {
public:
    FrozenTimers() : hook_(SetWindowsHookExA(WH_GETMESSAGE, DropTimers, nullptr, GetCurrentThreadId())) {}
    ~FrozenTimers() {
        if (hook_) UnhookWindowsHookEx(hook_);
    }

private:
    HHOOK hook_;
};

using Screens = std::vector<std::vector<DWORD>>;

// The main frame's client pixels for every topic of a file.
Screens EveryTopic(const std::string& file) {
    zylhost::Host host;
    Screens screens;
    EXPECT_TRUE(host.LoadModule(ModulePath()));
    if (!host.OpenScript(file.c_str())) {
        ADD_FAILURE() << host.LastError();
        return screens;
    }
    const auto& topics = host.TopicScript().topics;
    for (std::size_t i = 0; i < topics.size(); ++i) {
        host.JumpToIndex(static_cast<int>(i));
        host.PumpUntilIdle();
        int w = 0, h = 0;
        screens.push_back(host.CapturePixels(host.MainFrame(), &w, &h));
    }
    host.Shutdown();
    return screens;
}

TEST(HelpFileViewer, EveryDemoTopicLooksAsItsScript) {
    wtest::Scratch dir;
    ASSERT_TRUE(dir.ok());
    FrozenTimers frozen;
    const std::string examples = ZYL_EXAMPLES;
    int n = 0;
    for (const char* name : {"demo/demo", "buttons/buttons", "pictures/pictures"}) {
        SCOPED_TRACE(name);
        const std::string script = examples + "/" + name + ".hts";
        const Screens expected = EveryTopic(script);
        ASSERT_FALSE(expected.empty());
        const std::string help = dir.File("c" + std::to_string(n) + ".hlp");
        zylhc::CompileOptions options;
        options.compress = n % 2 == 1;
        options.hall = n == 2;
        ASSERT_TRUE(WriteFile(help, CompiledHelpFile(script, options)));
        ++n;
        const Screens compiled = EveryTopic(help);
        ASSERT_EQ(compiled.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_TRUE(!expected[i].empty() && expected[i] == compiled[i]) << "topic " << i << ": the pixels differ";
    }
}

// The first text run of the main topic region holding `words`; an empty
// one without text when there is none.
zylhost::TextRun FindRun(zylhost::Host& host, const std::string& words) {
    for (const auto& r : host.TextRuns())
        if (r.text.find(words) != std::string::npos) return r;
    return zylhost::TextRun{};
}

void Click(zylhost::Host& host, const zylhost::TextRun& run) {
    SendMessageA(host.TopicRegion(), WM_LBUTTONUP, 0, MAKELPARAM(run.rect.left + 2, run.rect.top + 2));
    host.PumpUntilIdle();
}

TEST(HelpFileViewer, HalibutFilesOpenWithTheirTextTitleAndJumps) {
    wtest::Scratch dir;
    ASSERT_TRUE(dir.ok());
    const char source[] =
        "\\title Halibut in zylhost\n\n"
        "\\C{one} The first chapter\n\nText of the first chapter, see \\k{two}.\n\n"
        "\\C{two} The second chapter\n\nText of the second chapter, back to \\k{one}.\n";
    ASSERT_TRUE(dir.Write("m.but", Bytes(source, source + sizeof source - 1)));
    std::string why;
    if (!wtest::RunUnix("cd '" + dir.unixPath() + "' && halibut --winhelp=m.hlp m.but >/dev/null 2>&1", &why))
        GTEST_SKIP() << "halibut did not run: " << why;

    zylhost::Host host;
    ASSERT_TRUE(host.OpenScript(dir.File("m.hlp").c_str())) << host.LastError();
    char caption[128] = "";
    GetWindowTextA(host.MainFrame(), caption, sizeof caption);
    EXPECT_STREQ(caption, "Halibut in zylhost");

    // The contents lists the chapters; a click on one shows it, its jump
    // leads on, and Back retraces the way.
    const zylhost::TextRun first = FindRun(host, "The first chapter");
    ASSERT_TRUE(first.link);
    Click(host, first);
    EXPECT_EQ(host.CurrentTopicNumber(), 1);
    const zylhost::TextRun jump = FindRun(host, "chapter 2");
    ASSERT_TRUE(jump.link);
    Click(host, jump);
    EXPECT_EQ(host.CurrentTopicNumber(), 2);
    host.ExecuteMacro("", "Back()");
    host.PumpUntilIdle();
    EXPECT_EQ(host.CurrentTopicNumber(), 1);
    host.Shutdown();
}

std::vector<zylhc::Item> LinkTo(zylhc::ItemKind kind, const std::string& context, const std::string& text,
                                const std::string& file = std::string(), int window = -1) {
    return {zylhc::Item{kind, file, zylscript::ContextHash(context), window, 'c'}, zylhc::Item{zylhc::ItemKind::Text, text, 0, -1, 'c'},
            zylhc::Item{zylhc::ItemKind::LinkEnd, {}, 0, -1, 'c'}, zylhc::Item{zylhc::ItemKind::Text, " ", 0, -1, 'c'}};
}

TEST(HelpFileViewer, JumpsPopupsWindowsAndOtherFiles) {
    wtest::Scratch dir;
    ASSERT_TRUE(dir.ok());
    zylhc::HelpWindow side;
    side.name = "side";
    side.x = side.y = 100;
    side.width = 300;
    side.height = 200;
    std::vector<zylhc::Item> start;
    for (const auto& link : {LinkTo(zylhc::ItemKind::Jump, "other", "beside", "", 0), LinkTo(zylhc::ItemKind::Popup, "other", "note"),
                             LinkTo(zylhc::ItemKind::Jump, "btwo", "elsewhere", "b.hlp")})
        start.insert(start.end(), link.begin(), link.end());
    ASSERT_TRUE(dir.Write("a.hlp", WrittenHelpFile(DocumentOf("File A", {side}, {{"start", start}, {"other", {{zylhc::ItemKind::Text, "Other", 0, -1, 'c'}}}}))));
    ASSERT_TRUE(dir.Write("b.hlp", WrittenHelpFile(DocumentOf("File B", {}, {{"bone", {{zylhc::ItemKind::Text, "One of B", 0, -1, 'c'}}},
                                                         {"btwo", {{zylhc::ItemKind::Text, "Two of B", 0, -1, 'c'}}}}))));
    zylhost::Host host;
    ASSERT_TRUE(host.OpenScript(dir.File("a.hlp").c_str())) << host.LastError();

    // Into the window the file defines, where it defines it.
    Click(host, FindRun(host, "beside"));
    HWND frame = FindWindowA(ZYL_HOST_CLASS_SECONDARY, "other");
    ASSERT_NE(frame, nullptr);
    RECT rc;
    GetWindowRect(frame, &rc);
    EXPECT_EQ(rc.right - rc.left, MulDiv(300, GetSystemMetrics(SM_CXSCREEN), 1024));
    EXPECT_EQ(rc.left, MulDiv(100, GetSystemMetrics(SM_CXSCREEN), 1024));
    // A popup.
    Click(host, FindRun(host, "note"));
    char cls[64] = "";
    GetClassNameA(host.CurrentRegion(), cls, sizeof cls);
    EXPECT_STREQ(cls, ZYL_HOST_CLASS_POPUP);
    host.ClosePopup();
    // Into the other file, and Back out of it.
    Click(host, FindRun(host, "elsewhere"));
    EXPECT_EQ(host.HelpFilePath(), dir.File("b.hlp"));
    EXPECT_EQ(FindRun(host, "Two").text, "Two");
    host.ExecuteMacro("", "Back()");
    host.PumpUntilIdle();
    EXPECT_EQ(host.HelpFilePath(), dir.File("b.hlp")) << "first the other file's contents";
    host.ExecuteMacro("", "Back()");
    host.PumpUntilIdle();
    EXPECT_EQ(host.HelpFilePath(), dir.File("a.hlp"));
    EXPECT_EQ(FindRun(host, "beside").text, "beside");
    host.Shutdown();
}

TEST(HelpFileViewer, DamagedFilesShowWhatIsLeftAndSaySo) {
    wtest::Scratch dir;
    ASSERT_TRUE(dir.ok());
    const char script[] = ".title Damaged\n.topic a\nFirst topic.\n.topic b\nIntact text.\n\nBROKEN text.\n.topic c\nThird.\n";
    ASSERT_TRUE(dir.Write("d.hts", Bytes(script, script + sizeof script - 1)));
    auto files = InternalFiles(CompiledHelpFile(dir.File("d.hts")));
    // The paragraph holding "BROKEN" claims more text than it holds.
    for (auto& [name, topic] : files)
        for (std::uint32_t pos = 12; name == "|TOPIC" && pos != 0xFFFFFFFF && pos + 21 <= topic.size();
             pos = Get32(topic, pos + 12)) {
            std::uint8_t* r = &topic[pos];
            const std::uint32_t length1 = r[16] | (r[17] << 8);
            if (std::memcmp(r + length1, "\0BROKEN", 7) == 0 || std::memcmp(r + length1 + 1, "BROKEN", 6) == 0)
                r[5] = 0x10;   // DataLen2 grows past what is stored
        }
    ASSERT_TRUE(dir.Write("bad.hlp", wtest::HelpFile(files)));

    zylhost::Host host;
    ASSERT_TRUE(host.OpenScript(dir.File("bad.hlp").c_str())) << host.LastError();
    ASSERT_TRUE(host.Jump("b"));
    host.PumpUntilIdle();
    EXPECT_EQ(FindRun(host, "Intact").text, "Intact");
    EXPECT_EQ(FindRun(host, "BROKEN").text, "");
    EXPECT_NE(FindRun(host, "damaged").text, "") << "the topic says what is lost";
    ASSERT_TRUE(host.Jump("c"));
    EXPECT_EQ(FindRun(host, "Third.").text, "Third.");

    // (Files cut short or without a system file are the reader's matter,
    // tested natively.)
    host.Shutdown();
}

// ---- pictures ----

// A picture record holding one uncompressed bitmap, with an optional hot
// spot over all of it.
Bytes Picture(std::uint8_t type, std::uint32_t bits, std::uint32_t width, std::uint32_t height, const Bytes& palette,
              const Bytes& pixels, bool transparent, const char* jumpTo) {
    HelpPictureFields fields;
    fields.type = type;
    fields.bits = bits;
    fields.width = width;
    fields.height = height;
    fields.important = transparent ? 1 : 0;
    fields.palette = palette;
    fields.pixels = pixels;
    if (jumpTo) {
        fields.hotSpots = {1, 1, 0, 0, 0, 0, 0, 0xE3, 0, 0, 0, 0, 0, 0};
        Append16(&fields.hotSpots, width);
        Append16(&fields.hotSpots, height);
        Append32(&fields.hotSpots, zylscript::ContextHash(jumpTo));
        for (const char* s : {"spot", jumpTo}) fields.hotSpots.insert(fields.hotSpots.end(), s, s + std::strlen(s) + 1);
    }
    return HelpPictureRecord(fields);
}

// Two topics: the first shows a red picture that jumps to the second, and a
// black and white one whose white is transparent.
Bytes PictureFile() {
    zylhc::HelpWindow main;
    main.name = "main";
    main.background = RGB(0, 255, 0);
    zylhc::HelpDocument doc = DocumentOf("Pictures", {main},
                                         {{"one",
                                           {{zylhc::ItemKind::Picture, {}, 0, -1, 'c'},
                                            {zylhc::ItemKind::Picture, {}, 1, -1, 'r'},
                                            {zylhc::ItemKind::Text, "one", 0, -1, 'c'}}},
                                          {"two", {{zylhc::ItemKind::Text, "two", 0, -1, 'c'}}}});
    const Bytes red = {0, 0, 255, 0};
    doc.pictures.push_back(Picture(6, 8, 20, 10, red, Bytes(20 * 10, 0), false, "two"));
    Bytes stripes;   // 16 wide: rows of black and white halves
    for (int row = 0; row < 8; ++row) stripes.insert(stripes.end(), {0x00, 0xFF});
    doc.pictures.push_back(Picture(5, 1, 16, 8, {}, stripes, true, nullptr));
    return WrittenHelpFile(doc);
}

TEST(HelpFileViewer, PicturesAreDrawnTransparentAndJump) {
    wtest::Scratch dir;
    ASSERT_TRUE(dir.ok());
    ASSERT_TRUE(dir.Write("pictures.hlp", PictureFile()));
    zylhost::HostOptions options;
    options.width = 400;
    options.height = 200;
    zylhost::Host host(options);
    ASSERT_TRUE(host.OpenScript(dir.File("pictures.hlp").c_str())) << host.LastError();
    int w = 0, h = 0;
    const std::vector<DWORD> px = host.CapturePixels(host.TopicRegion(), &w, &h);
    ASSERT_EQ(w, 400);
    ASSERT_EQ(px.size(), static_cast<std::size_t>(w) * h);
    auto at = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h ? px[static_cast<std::size_t>(y) * w + x] : 1; };
    const zylhost::TextRun text = FindRun(host, "one");
    ASSERT_EQ(text.text, "one");
    // The red picture stands on the base line before the text.
    const int redLeft = text.rect.left - 20, redBottom = text.rect.top + 1;
    int reds = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) reds += at(x, y) == 0xFF0000u;
    EXPECT_EQ(reds, 200) << "20 by 10 red pixels";
    EXPECT_EQ(at(redLeft + 1, 8), 0xFF0000u) << redLeft << "," << redBottom;
    // The striped one at the right margin: black where it is black, the
    // region's green where it is white.
    int black = 0, greenInside = 0;
    for (int y = 0; y < h; ++y)
        for (int x = w - 8 - 16; x < w - 8; ++x) {
            black += at(x, y) == 0;
            greenInside += at(x, y) == 0x00FF00u;
        }
    EXPECT_EQ(black, 64);
    EXPECT_GT(greenInside, 64);
    // Its hot spot jumps.
    SendMessageA(host.TopicRegion(), WM_LBUTTONUP, 0, MAKELPARAM(redLeft + 5, 10));
    host.PumpUntilIdle();
    EXPECT_EQ(host.CurrentTopicNumber(), 1);
    host.Shutdown();
}

TEST(HelpFileViewer, HelpFilesGiveBackWhatTheyTake) {
    wtest::Scratch dir;
    ASSERT_TRUE(dir.ok());
    ASSERT_TRUE(dir.Write("pictures.hlp", PictureFile()));
    zylhost::Host host;
    ASSERT_TRUE(host.LoadModule(ModulePath()));
    auto cycle = [&] {
        for (int i = 0; i < 10; ++i) {
            ASSERT_TRUE(host.OpenScript(dir.File("pictures.hlp").c_str()));
            host.JumpToIndex(1);
            host.JumpToIndex(0);
            host.PumpUntilIdle();
        }
    };
    cycle();   // fonts made once for the host
    const int room = wtest::GdiRoom();
    cycle();
    EXPECT_GE(wtest::GdiRoom(), room - 2);
    host.Shutdown();
}

}  // namespace
