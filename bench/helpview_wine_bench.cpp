// Opening a help file of 1,000 topics in zylhost and jumping to its last
// topic, against laying that one topic out again (a resize), under Wine.
// The topics are read when shown, so opening should cost a few layouts at
// most: the benchmark prints both figures and their ratio (open and jump /
// one layout). Each topic has a heading, three paragraphs with a jump and a
// popup, and one of the module's buttons.
//
//   cmake/wine-run build/win64/bench/helpview_wine_bench.exe build/win64/bin/ZYL3AN32.DLL [rounds]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/helpfile.h"
#include "host.h"
#include "zylhc.h"

namespace {

constexpr int kTopics = 1000;

std::string Script() {
    std::string s = ".title Benchmark\n.startup RegisterRoutine(`ZYL3AN32.DLL', `ZylAnimInit', `');ZylAnimInit()\n";
    for (int t = 0; t < kTopics; ++t) {
        const std::string n = std::to_string(t), next = std::to_string((t + 1) % kTopics);
        s += ".topic t" + n + "\n.title Topic " + n + "\n.nsr\n{b}Topic " + n + "{/b}\n.body\n";
        for (int p = 0; p < 3; ++p)
            s += "Paragraph " + std::to_string(p) + " of topic " + n + " has some words that wrap over the width of " +
                 "the window, a {link jump to the next topic|t" + next + "} and a {popup popup|t" + next +
                 "}, then more words after them.\n\n";
        s += "{ewc ZYL3AN32.DLL, ZYL3_ANIMBUTTON32, Next;Next()} goes on.\n";
    }
    return s;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: helpview_wine_bench MODULE.DLL [rounds]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string script = std::string(temp) + "zylbench-1000.hts", help = std::string(temp) + "zylbench-1000.hlp";
    {
        const std::string text = Script();
        FILE* f = std::fopen(script.c_str(), "wb");
        if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size()) return 1;
        std::fclose(f);
    }
    zylhc::CompileOptions options;
    options.compress = true;
    options.hall = true;
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!zylhc::Compile(zyl::PosixFiles(), script, {}, options, &bytes, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    {
        FILE* f = std::fopen(help.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) return 1;
        std::fclose(f);
    }

    zylhost::HostOptions hostOptions;
    hostOptions.visible = false;
    zylhost::Host host(hostOptions);
    if (!host.LoadModule(argv[1])) {
        std::fprintf(stderr, "%s\n", host.LastError().c_str());
        return 1;
    }
    const std::string last = "t" + std::to_string(kTopics - 1);
    std::vector<double> open, layout;
    for (int r = 0; r < rounds; ++r) {
        // Another file in between, so that each round opens the help file afresh.
        host.LoadScriptText(".topic other\nText\n", "other.hts");
        host.PumpUntilIdle();
        const auto start = std::chrono::steady_clock::now();
        if (!host.OpenScript(help.c_str()) || !host.Jump(last.c_str())) {
            std::fprintf(stderr, "cannot open %s at %s: %s\n", help.c_str(), last.c_str(), host.LastError().c_str());
            return 1;
        }
        host.PumpUntilIdle();
        open.push_back(Seconds(std::chrono::steady_clock::now() - start));
        for (int k = 0; k < 5; ++k) {
            const auto again = std::chrono::steady_clock::now();
            host.Resize(640 + (k % 2), 480);   // the topic laid out anew, its window too
            host.PumpUntilIdle();
            layout.push_back(Seconds(std::chrono::steady_clock::now() - again));
        }
    }
    const double o = Median(open), l = Median(layout);
    std::printf("help file of %d topics (%zu KB, LZ77 and phrases), median of %d rounds\n", kTopics, bytes.size() / 1024,
                rounds);
    std::printf("  open it and show its last topic: %8.2f ms\n", o * 1000);
    std::printf("  lay that topic out again:        %8.2f ms\n", l * 1000);
    std::printf("ratio open and jump / one layout: %.2f (at most 5 expected)\n", l > 0 ? o / l : 0.0);
    host.Shutdown();
    DeleteFileA(script.c_str());
    DeleteFileA(help.c_str());
    return 0;
}
