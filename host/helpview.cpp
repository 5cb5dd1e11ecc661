// Help files of the help viewer's own format in the host: their index
// becomes the script, a topic's paragraphs are read when it is first shown,
// and the fonts and pictures their text names are made once.
#include <algorithm>
#include <cstring>

#include "core/helpfile.h"
#include "host_impl.h"

namespace zylhost {

namespace {

constexpr char kDefaultFace[] = "Arial";
constexpr int kDefaultHalfPoints = 20;

}  // namespace

bool Host::Impl::OpenHelpFileTopics(const std::string& path, zylscript::Script* parsed) {
    auto next = std::make_unique<zylhlp::HelpReader>();
    std::string why;
    if (!next->Open(zyl::PosixFiles(), path, &why)) {
        lastError = why;
        return false;
    }
    *parsed = next->Index();
    reader = std::move(next);
    topicRead.assign(parsed->topics.size(), false);
    return true;
}

void Host::Impl::EnsureTopic(int topic) {
    if (!reader || topic < 0 || static_cast<std::size_t>(topic) >= topicRead.size() ||
        static_cast<std::size_t>(topic) >= script.topics.size() || topicRead[static_cast<std::size_t>(topic)])
        return;
    topicRead[static_cast<std::size_t>(topic)] = true;
    zylscript::Topic& t = script.topics[static_cast<std::size_t>(topic)];
    std::string problem;
    if (reader->LoadTopic(static_cast<std::size_t>(topic), &t, &problem)) return;
    // What could be read stays; the reader is told what is missing.
    zylscript::Paragraph note;
    zylscript::Segment text;
    text.style.italic = true;
    text.text = "Part of this topic cannot be shown: the help file is damaged (" + problem + ").";
    note.segments.push_back(std::move(text));
    t.body.push_back(std::move(note));
}

HFONT Host::Impl::FontFor(const zylscript::TextStyle& style, bool link) {
    const std::string face = !style.face.empty() ? style.face : !script.fontFace.empty() ? script.fontFace : kDefaultFace;
    const int halfPoints = style.halfPoints ? style.halfPoints : script.fontHalfPoints ? script.fontHalfPoints : kDefaultHalfPoints;
    const bool underline = style.underline || link;
    const std::string key = face + "|" + std::to_string(halfPoints) + "|" + (style.bold ? "b" : "") +
                            (style.italic ? "i" : "") + (underline ? "u" : "") + (style.strikeout ? "s" : "");
    auto it = fontCache.find(key);
    if (it != fontCache.end()) return it->second.get();
    WindowDC screen(nullptr);
    const int dpi = std::max(1, GetDeviceCaps(screen.get(), LOGPIXELSY));
    // Help files size fonts in half points.
    HFONT font = CreateFontA(-MulDiv(halfPoints, dpi, 144), 0, 0, 0, style.bold ? FW_BOLD : FW_NORMAL, style.italic,
                             underline, style.strikeout, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, face.c_str());
    if (!font) return textFont.get();
    return fontCache.emplace(key, zyl::Font(font)).first->second.get();
}

const Host::Impl::CachedPicture* Host::Impl::PictureFor(const zylscript::PictureRef& ref) {
    if (!reader) return nullptr;
    // A picture kept inside a topic has no name: it is known by its bytes.
    const std::string key = !ref.name.empty() ? ref.name : "@" + std::to_string(ref.bytes.size()) + ":" +
                                                                std::string(ref.bytes.begin(), ref.bytes.begin() + std::min<std::size_t>(ref.bytes.size(), 64));
    auto it = pictureCache.find(key);
    if (it != pictureCache.end()) return it->second.bitmap ? &it->second : nullptr;
    CachedPicture& cached = pictureCache[key];
    zylhlp::Picture picture;
    std::string why;
    if (!reader->LoadPicture(ref, &picture, &why)) return nullptr;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(picture.dib.data());
    const std::size_t colours = info->bmiHeader.biClrUsed;
    const std::uint8_t* bits = picture.dib.data() + 40 + colours * 4;
    WindowDC screen(nullptr);
    cached.bitmap.reset(CreateDIBitmap(screen.get(), &info->bmiHeader, CBM_INIT, bits, info, DIB_RGB_COLORS));
    if (!cached.bitmap) return nullptr;
    cached.size = SIZE{picture.width, picture.height};
    cached.transparent = picture.transparent;
    cached.key = picture.transparentColour;
    cached.hotSpots = std::move(picture.hotSpots);
    return &cached;
}

}  // namespace zylhost
