// ZylSndPlay and ZylFont in a module session of the substitute host: sound
// and font files taken out of the help file into TEMP, used, and removed
// again. Wine has no sound device and never removes a font resource, so
// those two platform calls go to the module's stand-ins and are recorded.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/handler.h"
#include "host.h"
#include "media/mediamacros.h"
#include "wine_support.h"
#include "zyl3an32.h"

namespace {

using wtest::Bytes;

const Bytes kSound = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'};

struct Play {
    std::string path;
    UINT flags;
    Bytes bytes;        // the file as the platform found it
    bool waitCursor;    // shown during the call
};
std::vector<Play> g_plays;
BOOL WINAPI RecordPlay(LPCSTR path, UINT flags) {
    g_plays.push_back({path, flags, wtest::ReadFileBytes(path), GetCursor() == LoadCursorA(nullptr, IDC_WAIT)});
    return TRUE;
}
std::vector<std::string> g_removed;
BOOL WINAPI RecordRemoval(LPCSTR path) {
    g_removed.push_back(path);
    return TRUE;
}

// DejaVu Sans renamed to a family no machine has: "DejaVu" becomes `stem`
// (six letters) in its names, single-byte and UTF-16 alike.
Bytes RenamedFont(const std::string& stem) {
    Bytes font = wtest::ReadFileBytes("Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf");
    const std::string from = "DejaVu";
    for (std::size_t i = 0; i + 2 * from.size() <= font.size(); ++i) {
        if (std::equal(from.begin(), from.end(), font.begin() + i))
            std::copy(stem.begin(), stem.end(), font.begin() + i);
        bool wide = true;
        for (std::size_t k = 0; k < from.size() && wide; ++k) wide = font[i + 2 * k] == 0 && font[i + 2 * k + 1] == from[k];
        if (wide)
            for (std::size_t k = 0; k < from.size(); ++k) font[i + 2 * k + 1] = static_cast<std::uint8_t>(stem[k]);
    }
    return font;
}

int CALLBACK NoteTrueType(const LOGFONTA*, const TEXTMETRICA*, DWORD type, LPARAM found) {
    if (type & TRUETYPE_FONTTYPE) *reinterpret_cast<bool*>(found) = true;
    return 1;
}
bool TrueTypeFamilyEnumerates(const std::string& family) {
    bool found = false;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesA(dc, family.c_str(), NoteTrueType, reinterpret_cast<LPARAM>(&found));
    ReleaseDC(nullptr, dc);
    return found;
}

class MediaMacros : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.ok());
        temp = scratch.File("temp");
        ASSERT_TRUE(CreateDirectoryA(temp.c_str(), nullptr));
        char saved[MAX_PATH] = "";
        GetEnvironmentVariableA("TEMP", saved, sizeof saved);
        savedTemp = saved;
        SetEnvironmentVariableA("TEMP", (temp + "\\").c_str());   // the module drops the backslash
        // A family name of this run only: a font added stays for the process.
        stem = "Zyl" + std::string(1, static_cast<char>('a' + GetTickCount() % 26)) +
               static_cast<char>('a' + GetCurrentProcessId() % 26) + "q";
        font = RenamedFont(stem);
        ASSERT_GT(font.size(), 100000u) << "DejaVu Sans is needed";
        help = scratch.File("media.hlp");
        ASSERT_TRUE(scratch.Write("media.hlp", wtest::HelpFile({{"ding.wav", kSound}, {"pixel.ttf", font}, {"other.ttf", font}})));
        ASSERT_TRUE(host.AttachHandler(&LDLLHandler));
        host.SetHelpFilePath(help.c_str());
        g_plays.clear();
        g_removed.clear();
        zyl::g_playSound = RecordPlay;
        zyl::g_removeFontResource = RecordRemoval;
    }
    void TearDown() override {
        host.Shutdown();
        zyl::g_playSound = sndPlaySoundA;
        zyl::g_removeFontResource = RemoveFontResourceA;
        SetEnvironmentVariableA("TEMP", savedTemp.c_str());
    }

    // The files in TEMP, by name.
    std::vector<std::string> TempFiles() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((temp + "\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
        } while (FindNextFileA(find, &found));
        FindClose(find);
        std::sort(names.begin(), names.end());
        return names;
    }

    wtest::Scratch scratch;
    std::string temp, savedTemp, help, stem;
    Bytes font;
    zylhost::Host host;
};

using Names = std::vector<std::string>;

TEST_F(MediaMacros, ASoundInsideTheHelpFilePlaysFromTempAndIsDeleted) {
    HCURSOR before = GetCursor();
    // Only the low 16 bits of the flags count: this is 0, a synchronous
    // play of a sound inside the help file.
    ZylSndPlay("sounds\\DING.WAV", 0x10000);
    ASSERT_EQ(g_plays.size(), 1u);
    EXPECT_EQ(g_plays[0].path, temp + "\\ding.wav") << "the bare name, lower-cased";
    EXPECT_EQ(g_plays[0].flags, static_cast<UINT>(SND_SYNC));
    EXPECT_EQ(g_plays[0].bytes, kSound);
    EXPECT_TRUE(g_plays[0].waitCursor);
    EXPECT_EQ(GetCursor(), before);
    EXPECT_EQ(TempFiles(), Names{}) << "deleted once played";

    ZylSndPlay("ding.wav", ZYLSND_ASYNC);
    ASSERT_EQ(g_plays.size(), 2u);
    EXPECT_EQ(g_plays[1].flags, static_cast<UINT>(SND_ASYNC));
    EXPECT_EQ(g_plays[1].bytes, kSound);
    EXPECT_EQ(TempFiles(), Names{"ding.wav"}) << "kept while it may still play";

    ZylSndPlay("missing.wav", 0);
    EXPECT_EQ(g_plays.size(), 2u) << "nothing to play, nothing said";
    host.Shutdown();
    EXPECT_EQ(TempFiles(), Names{}) << "deleted at shut-down";
}

TEST_F(MediaMacros, ADiskSoundIsSoughtByPathThenSearchThenWinhelpIniThenBesideTheHelpFile) {
    const std::string away = scratch.File("away"), cwd = scratch.File("cwd");
    ASSERT_TRUE(CreateDirectoryA(away.c_str(), nullptr) && CreateDirectoryA(cwd.c_str(), nullptr));
    for (const std::string& dir : {away, cwd, scratch.path()}) ASSERT_TRUE(wtest::WriteFileBytes(dir + "\\ding.wav", kSound));
    char savedCwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof savedCwd, savedCwd);
    SetCurrentDirectoryA(cwd.c_str());
    WritePrivateProfileStringA("FILES", "ding.wav", away.c_str(), "winhelp.ini");
    auto played = [&](const char* name) {
        g_plays.clear();
        ZylSndPlay(name, ZYLSND_ON_DISK);
        return g_plays.empty() ? std::string("<none>") : g_plays[0].path;
    };
    EXPECT_EQ(played((away + "\\DING.WAV").c_str()), away + "\\DING.WAV") << "a drive: as it stands";
    EXPECT_EQ(played("DING.WAV"), cwd + "\\ding.wav") << "the platform's search (the current folder)";
    scratch.Remove("cwd\\ding.wav");
    EXPECT_EQ(played("sounds\\DING.WAV"), away + "\\ding.wav") << "[FILES] of winhelp.ini";
    WritePrivateProfileStringA("FILES", "ding.wav", nullptr, "winhelp.ini");
    EXPECT_EQ(played("DING.WAV"), scratch.File("ding.wav")) << "the help file's folder";
    scratch.Remove("ding.wav");
    EXPECT_EQ(played("DING.WAV"), "<none>");
    SetCurrentDirectoryA(savedCwd);
    EXPECT_EQ(TempFiles(), Names{}) << "a disk sound is never copied";
}

TEST_F(MediaMacros, AFontFromTheHelpFileIsInstalledUntilShutDown) {
    const std::string family = stem + " Sans";
    ASSERT_FALSE(TrueTypeFamilyEnumerates(family));
    ZylFont("fonts\\pixel.ttf", family.c_str());
    EXPECT_TRUE(TrueTypeFamilyEnumerates(family)) << "installed from the help file";
    EXPECT_EQ(TempFiles(), (Names{"pixel.fot", "pixel.ttf"}));

    // A face installed as TrueType already: nothing taken out, whatever the file.
    ZylFont("other.ttf", "DejaVu Sans");
    ZylFont("other.ttf", family.c_str());
    EXPECT_EQ(TempFiles(), (Names{"pixel.fot", "pixel.ttf"}));

    host.Shutdown();
    EXPECT_EQ(g_removed, Names{temp + "\\pixel.fot"}) << "the font resource removed";
    EXPECT_EQ(TempFiles(), Names{}) << "both files deleted";
}

}  // namespace
