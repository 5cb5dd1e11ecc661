// Bullet files and their texts. As a file, the bytes are read inside their
// own length (an exact-size copy, for ASan), and a file the reader accepts
// is written back by zyllist to the same bytes up to its end. As a text,
// whatever compiles decompiles to a text that compiles to the same file.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bullets.h"
#include "controls/animbullet_parse.h"
#include "core/wholefile.h"
#include "fuzz_support.h"

namespace {

using fuzzing::Check;

bool Inside(const char* p, const std::uint8_t* bytes, std::size_t size) {
    const auto* u = reinterpret_cast<const std::uint8_t*>(p);
    return u >= bytes && u < bytes + size && std::memchr(u, 0, static_cast<std::size_t>(bytes + size - u));
}

void AsFile(const std::uint8_t* data, std::size_t size) {
    const std::size_t n = size < zyl::kWholeFileBytes ? size : zyl::kWholeFileBytes;
    auto* copy = static_cast<std::uint8_t*>(std::malloc(n ? n : 1));
    std::memcpy(copy, data, n);
    zyl::BulletFile f;
    if (zyl::ReadBulletFile(copy, n, &f) == zyl::BulletFault::kNone) {
        Check(f.count >= 0 && f.count <= zyl::kMaxBulletItems);
        Check(Inside(f.face, copy, n) && Inside(f.window, copy, n));
        std::size_t end = 0;
        for (int i = 0; i < f.count; ++i) {
            Check(Inside(f.items[i].text, copy, n) && Inside(f.items[i].comment, copy, n));
            Check(*f.items[i].text != '\0');
            end = static_cast<std::size_t>(reinterpret_cast<const std::uint8_t*>(f.items[i].comment) - copy) +
                  std::strlen(f.items[i].comment) + 1 + 4;
        }
        if (f.count == 0)
            end = static_cast<std::size_t>(reinterpret_cast<const std::uint8_t*>(f.window) - copy) +
                  std::strlen(f.window) + 1;
        const zyllist::Bytes file(copy, copy + n);
        std::string text, why;
        Check(zyllist::DecompileBullets(file, zyllist::Contexts(), &text, &why));
        std::vector<zyllist::TextLine> lines;
        zyllist::Problem problem;
        zyllist::Bytes again;
        Check(zyllist::ReadListText(text, zyllist::kBulletHeader, &lines, &problem));
        Check(zyllist::CompileBullets(lines, &again, &problem));
        // The same bytes, the end byte supplied when the file lacked it.
        Check(again.size() == end + 1 && std::memcmp(again.data(), copy, end) == 0 && again[end] == 0);
    }
    std::free(copy);
}

void AsText(const std::uint8_t* data, std::size_t size) {
    const std::string text = std::string(zyllist::kBulletHeader) + "\n" +
                             std::string(reinterpret_cast<const char*>(data), size);
    std::vector<zyllist::TextLine> lines;
    zyllist::Problem problem;
    zyllist::Bytes file, again;
    if (!zyllist::ReadListText(text, zyllist::kBulletHeader, &lines, &problem) ||
        !zyllist::CompileBullets(lines, &file, &problem))
        return;
    std::string back, why;
    Check(zyllist::DecompileBullets(file, zyllist::Contexts(), &back, &why));
    Check(zyllist::ReadListText(back, zyllist::kBulletHeader, &lines, &problem));
    Check(zyllist::CompileBullets(lines, &again, &problem));
    Check(again == file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    AsFile(data, size);
    AsText(data, size);
    return 0;
}
