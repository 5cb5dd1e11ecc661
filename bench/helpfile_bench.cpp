// The cost of opening a name in a help file with 5,000 internal files, next
// to reading the same bytes from a plain disk file (the reference, 1.00).
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/helpfile.h"
#include "core/helpfile_writer.h"

namespace {

constexpr int kFiles = 5000;
constexpr std::uint32_t kFileBytes = 2048;

std::string Name(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "picture%04d.bmp", i);
    return name;
}

std::vector<std::uint8_t> Content(int i) {
    std::vector<std::uint8_t> b(kFileBytes);
    for (std::uint32_t k = 0; k < kFileBytes; ++k) b[k] = static_cast<std::uint8_t>(i * 31 + k);
    return b;
}

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    zyl::ByteSink* sink = zyl::PosixFiles().Create(path.c_str());
    if (!sink) return false;
    const bool ok = sink->Write(bytes.data(), static_cast<std::uint32_t>(bytes.size())) ==
                    static_cast<std::int32_t>(bytes.size());
    delete sink;
    return ok;
}

bool MakeHelpFile(const std::string& path) {
    std::vector<zyl::ContainerMember> members(kFiles);
    for (int i = 0; i < kFiles; ++i) {
        members[i].name = Name(i);
        members[i].size = kFileBytes;
    }
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!zyl::PlanContainer(&members, &bytes, &error)) return false;
    for (int i = 0; i < kFiles; ++i) {
        std::uint8_t header[zyl::kInternalHeaderBytes];
        zyl::MakeInternalFileHeader(kFileBytes, 0, header);
        bytes.insert(bytes.end(), header, header + sizeof header);
        const auto content = Content(i);
        bytes.insert(bytes.end(), content.begin(), content.end());
    }
    return Write(path, bytes);
}

// Runs `op` (one open and read) until a third of a second has passed;
// the mean time of one in microseconds.
template <class Op>
double Measure(Op op) {
    using Clock = std::chrono::steady_clock;
    long runs = 0;
    const auto start = Clock::now();
    double elapsed = 0;
    do {
        for (int i = 0; i < 64; ++i) op(runs++);
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < 0.33);
    return elapsed * 1e6 / static_cast<double>(runs);
}

volatile std::uint32_t g_sink;

void Consume(const std::uint8_t* bytes, std::int32_t n) {
    std::uint32_t sum = 0;
    for (std::int32_t i = 0; i < n; i += 64) sum += bytes[i];
    g_sink = g_sink + sum;
}

}  // namespace

int main() {
    char dirTemplate[] = "/tmp/zyl-helpfile-bench-XXXXXX";
    if (!mkdtemp(dirTemplate)) return 1;
    const std::string dir = dirTemplate;
    const std::string hlp = dir + "/big.hlp", plain = dir + "/plain.bmp";
    if (!MakeHelpFile(hlp) || !Write(plain, Content(4321))) {
        std::fprintf(stderr, "cannot write the test files in %s\n", dir.c_str());
        return 1;
    }
    zyl::FileSystem& files = zyl::PosixFiles();
    int levels = 0;
    if (zyl::HelpFileHandle* h = zyl::OpenHelpFile(files, hlp.c_str())) {
        std::uint8_t tree[zyl::kInternalHeaderBytes + zyl::kTreeHeaderBytes] = {};
        if (h->osFile->Seek(h->directoryOffset, 0) >= 0 && h->osFile->Read(tree, sizeof tree) == sizeof tree)
            levels = tree[9 + 32] | (tree[9 + 33] << 8);
        zyl::CloseHelpFile(h);
    }
    std::vector<std::string> names, upper;
    for (int i = 0; i < kFiles; ++i) {
        names.push_back(Name((i * 7919) % kFiles));   // all over the directory
        upper.push_back(names.back());
        for (char& c : upper.back()) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    std::uint8_t buffer[kFileBytes];
    bool ok = true;

    const double disk = Measure([&](long) {
        std::unique_ptr<zyl::ByteSource> source = files.OpenForReading(plain.c_str());
        ok &= source && source->Read(buffer, kFileBytes) == static_cast<std::int32_t>(kFileBytes);
        Consume(buffer, kFileBytes);
    });
    const double first = Measure([&](long run) {
        zyl::HelpFileHandle* help = zyl::OpenHelpFile(files, hlp.c_str());
        zyl::DataFile* f = zyl::DataFileOpen(help, names[run % kFiles].c_str(), false);
        ok &= f && zyl::DataFileRead(f, buffer, kFileBytes) == static_cast<std::int32_t>(kFileBytes);
        Consume(buffer, kFileBytes);
        zyl::DataFileClose(f);
        zyl::CloseHelpFile(help);
    });
    zyl::HelpFileHandle* help = zyl::OpenHelpFile(files, hlp.c_str());
    const double repeated = Measure([&](long run) {
        zyl::DataFile* f = zyl::DataFileOpen(help, names[run % kFiles].c_str(), false);
        ok &= f && zyl::DataFileRead(f, buffer, kFileBytes) == static_cast<std::int32_t>(kFileBytes);
        Consume(buffer, kFileBytes);
        zyl::DataFileClose(f);
    });
    const double walked = Measure([&](long run) {
        zyl::DataFile* f = zyl::DataFileOpen(help, upper[run % kFiles].c_str(), false);
        ok &= f && zyl::DataFileRead(f, buffer, kFileBytes) == static_cast<std::int32_t>(kFileBytes);
        Consume(buffer, kFileBytes);
        zyl::DataFileClose(f);
    });
    zyl::CloseHelpFile(help);
    std::remove(hlp.c_str());
    std::remove(plain.c_str());
    rmdir(dir.c_str());
    if (!ok) {
        std::fprintf(stderr, "a read failed\n");
        return 1;
    }

    std::printf("open + read %u bytes; help file of %d internal files, directory tree of %d levels\n", kFileBytes,
                kFiles, levels);
    std::printf("  %-58s %8.2f us  ratio 1.00\n", "plain disk file: open, read, close", disk);
    std::printf("  %-58s %8.2f us  ratio %.2f\n", "first open: open help file, open name, read, close both", first,
                first / disk);
    std::printf("  %-58s %8.2f us  ratio %.2f\n", "repeated opens on an open help file (down the index)", repeated,
                repeated / disk);
    std::printf("  %-58s %8.2f us  ratio %.2f\n", "repeated opens, name in other capitals (leaf walk)", walked,
                walked / disk);
    return 0;
}
