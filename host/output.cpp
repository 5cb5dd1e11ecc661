// What leaves the host: printing (render requests on a printer device
// context), copying (text render requests), and screenshots.
#include <algorithm>
#include <cstring>

#include "bitmap.h"
#include "host_impl.h"
#include "printer.h"

namespace zylhost {

namespace {

// The text render of one embedded window; the block belongs to us now.
std::string RenderText(HWND hwnd) {
    HGLOBAL block = reinterpret_cast<HGLOBAL>(SendMessageA(hwnd, EWM_RENDER, EWRENDER_TEXT, 0));
    if (!block) return std::string();
    std::string text;
    {
        GlobalLocked locked(block);
        if (const char* p = static_cast<const char*>(locked.get())) {
            // Never past the block, even without a terminator.
            const SIZE_T size = GlobalSize(block);
            text.assign(p, strnlen(p, size));
        }
    }
    GlobalFree(block);
    return text;
}

}  // namespace

void Host::Impl::DoPrint() {
    lastPrint.clear();
    printResult = false;
    OwnedDC printer(CreateHostPrinterDC(printerDpi, &lastError));
    if (!printer) return;
    if (!main) return;
    // The windows asked, in the regions' order; with printCopies they are
    // all made before the first is asked, as a print layout makes them.
    std::vector<HWND> targets;
    std::vector<std::unique_ptr<EmbeddedWindow>> copies;
    for (Region* r : {&main->nsr, &main->body}) {
        for (const auto& w : r->windows) {
            if (!w->hwnd || !IsWindow(w->hwnd)) continue;
            if (!options.printCopies) {
                targets.push_back(w->hwnd);
                continue;
            }
            copies.push_back(PrintCopy(*r, *w));
            targets.push_back(copies.back()->hwnd);
        }
    }
    for (HWND target : targets) {
        PrintedWindow printed;
        printed.hwnd = target;
        if (target) PrintOne(target, printer.get(), &printed);
        lastPrint.push_back(std::move(printed));   // in step with the regions' windows
    }
    for (const auto& copy : copies)
        if (copy->hwnd && IsWindow(copy->hwnd)) DestroyWindow(copy->hwnd);
    copies.clear();
    printResult = pagePath.empty() || WritePage(printer.get());
}

// One window's size and picture on the printer.
void Host::Impl::PrintOne(HWND target, HDC printer, PrintedWindow* printed) {
    POINT* size = ScratchPoint();
    POINT local = {0, 0};
    if (!size) size = &local;
    SendMessageA(target, EWM_QUERYSIZE, reinterpret_cast<WPARAM>(printer), reinterpret_cast<LPARAM>(size));
    printed->size = *size;
    ZYL_RENDERINFO* info = ScratchRender();
    ZYL_RENDERINFO localInfo;
    if (!info) {
        std::memset(&localInfo, 0, sizeof localInfo);
        info = &localInfo;
    }
    info->hdc = printer;
    HBITMAP bitmap =
        reinterpret_cast<HBITMAP>(SendMessageA(target, EWM_RENDER, EWRENDER_BITMAP, reinterpret_cast<LPARAM>(info)));
    if (bitmap) {
        ReadBitmapPixels(bitmap, &printed->width, &printed->height, &printed->pixels);
        DeleteObject(bitmap);   // the render result is ours
    }
}

// A hidden window made anew from a shown one's reference, for a print;
// its hwnd is null when the module refused it.
std::unique_ptr<EmbeddedWindow> Host::Impl::PrintCopy(Region& region, const EmbeddedWindow& shown) {
    auto copy = std::make_unique<EmbeddedWindow>();
    copy->ref = shown.ref;
    HWND previous = current;
    CreateEmbedded(region, *copy, 0, false);
    current = previous;
    return copy;
}

bool Host::Impl::WritePage(HDC printer) {
    // The page as the printer would get it: the topic's text in a font
    // scaled to the printer, the windows' printed bitmaps in their places.
    // Only the printable width and the height the topic needs.
    if (!main || !haveScript || main->topic < 0) {
        lastError = "no topic to print";
        return false;
    }
    const zylscript::Topic& topic = script.topics[static_cast<std::size_t>(main->topic)];
    WindowDC screen(nullptr);
    const int dpi = GetDeviceCaps(printer, LOGPIXELSY);
    const int screenDpi = std::max(1, GetDeviceCaps(screen.get(), LOGPIXELSY));
    auto scale = [&](int v) { return MulDiv(v, dpi, screenDpi); };
    const int width = std::max(1, GetDeviceCaps(printer, HORZRES));

    Font text(CreateFontA(-scale(14), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "Arial"));
    Font link(CreateFontA(-scale(14), 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "Arial"));
    FlowStyle style;
    style.textFont = text.get();
    style.linkFont = link.get();
    style.margin = scale(style.margin);
    style.top = scale(style.top);
    style.paragraphGap = scale(style.paragraphGap);
    style.floatGap = scale(style.floatGap);

    // Each region flows on its own (a margin window of the non-scrolling
    // region does not reach into the topic region); the topic region's
    // content follows below. Windows in print order match the regions'
    // windows, which match the topic's references.
    struct RegionPage {
        std::vector<FlowParagraph> paragraphs;
        std::vector<FlowBox> boxes;
        std::vector<const PrintedWindow*> printed;
        FlowResult flow;
        int top = 0;
    };
    RegionPage regions[2];
    std::size_t printedIndex = 0;
    OwnedDC canvas(CreateCompatibleDC(screen.get()));
    if (!canvas) {
        lastError = "cannot create a drawing context for the page";
        return false;
    }
    int height = 0;
    int k = 0;
    for (auto pair : {std::make_pair(&topic.nsr, &main->nsr), std::make_pair(&topic.body, &main->body)}) {
        RegionPage& page = regions[k++];
        std::size_t windowIndex = 0;
        for (const zylscript::Paragraph& p : *pair.first) {
            FlowParagraph fp;
            for (const zylscript::Segment& s : p.segments) {
                FlowPiece piece;
                if (s.kind == zylscript::Segment::Kind::Embedded) {
                    const EmbeddedWindow* w =
                        windowIndex < pair.second->windows.size() ? pair.second->windows[windowIndex].get() : nullptr;
                    ++windowIndex;
                    if (!w || !w->hwnd) continue;
                    const PrintedWindow* printed = printedIndex < lastPrint.size() ? &lastPrint[printedIndex] : nullptr;
                    ++printedIndex;
                    FlowBox box;
                    box.align = s.ref.align;
                    if (printed) box.size = printed->width > 0 ? SIZE{printed->width, printed->height}
                                                               : SIZE{printed->size.x, printed->size.y};
                    piece.box = static_cast<int>(page.boxes.size());
                    page.boxes.push_back(box);
                    page.printed.push_back(printed);
                } else {
                    piece.text = Wide(s.text);
                    if (s.kind == zylscript::Segment::Kind::Link) piece.link = 0;
                }
                fp.push_back(std::move(piece));
            }
            page.paragraphs.push_back(std::move(fp));
        }
        // Windows placed outside the text are printed but not on the page.
        for (; windowIndex < pair.second->windows.size(); ++windowIndex)
            if (pair.second->windows[windowIndex]->hwnd) ++printedIndex;
        page.flow = Flow(canvas.get(), page.paragraphs, page.boxes, width, style);
        page.top = height;
        height += page.flow.height;
    }
    height = std::max(1, std::min(height, 32000));
    if (1LL * width * height > 64LL * 1024 * 1024) {
        lastError = "the printed page is too large to write";
        return false;
    }
    BITMAPINFO bmi = TopDown32(width, height);
    void* bits = nullptr;
    Bitmap page(CreateDIBSection(screen.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!page || !bits) {
        lastError = "out of memory for the printed page";
        return false;
    }
    {
        Selected select(canvas.get(), page.get());
        RECT all = {0, 0, width, height};
        FillRect(canvas.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetBkMode(canvas.get(), TRANSPARENT);
        SetTextColor(canvas.get(), RGB(0, 0, 0));
        for (const RegionPage& region : regions) {
            for (const PlacedText& t : region.flow.texts) {
                Selected font(canvas.get(), t.link >= 0 ? link.get() : text.get());
                TextOutW(canvas.get(), t.at.x, region.top + t.at.y, t.text.c_str(), static_cast<int>(t.text.size()));
            }
            for (std::size_t i = 0; i < region.boxes.size(); ++i) {
                const PrintedWindow* printed = region.printed[i];
                if (!printed || printed->width <= 0 || printed->pixels.empty()) continue;
                BITMAPINFO src = bmi;
                src.bmiHeader.biWidth = printed->width;
                src.bmiHeader.biHeight = -printed->height;
                SetDIBitsToDevice(canvas.get(), region.flow.boxes[i].x, region.top + region.flow.boxes[i].y,
                                  static_cast<DWORD>(printed->width), static_cast<DWORD>(printed->height), 0, 0, 0,
                                  static_cast<UINT>(printed->height), printed->pixels.data(), &src, DIB_RGB_COLORS);
            }
        }
        GdiFlush();
    }
    const DWORD* src = static_cast<const DWORD*>(bits);
    std::vector<DWORD> pixels(src, src + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (DWORD& p : pixels) p &= 0x00FFFFFFu;
    return WriteBmp24(pagePath, width, height, pixels, &lastError);
}

std::string Host::Impl::CopyTopic() {
    std::string out;
    if (!main) return out;
    static const std::vector<zylscript::Paragraph> none;
    const zylscript::Topic* topic = haveScript && main->topic >= 0 ? &script.topics[static_cast<std::size_t>(main->topic)] : nullptr;
    for (auto pair : {std::make_pair(topic ? &topic->nsr : &none, &main->nsr),
                      std::make_pair(topic ? &topic->body : &none, &main->body)}) {
        std::size_t windowIndex = 0;
        for (const zylscript::Paragraph& p : *pair.first) {
            std::string line;
            for (const zylscript::Segment& s : p.segments) {
                if (s.kind != zylscript::Segment::Kind::Embedded) {
                    line += Ansi(s.text);
                    continue;
                }
                const auto& windows = pair.second->windows;
                if (windowIndex < windows.size() && windows[windowIndex]->hwnd)
                    line += RenderText(windows[windowIndex]->hwnd);
                ++windowIndex;
            }
            if (!out.empty()) out += "\r\n";
            out += line;
        }
        // Windows placed outside the topic's text (Host::CreateEmbedded)
        // follow it, one paragraph each.
        const auto& windows = pair.second->windows;
        for (; windowIndex < windows.size(); ++windowIndex) {
            if (!windows[windowIndex]->hwnd) continue;
            if (!out.empty()) out += "\r\n";
            out += RenderText(windows[windowIndex]->hwnd);
        }
    }
    return out;
}

bool Host::Impl::Capture(HWND window, bool client, int* width, int* height, std::vector<DWORD>* pixels) {
    *width = *height = 0;
    pixels->clear();
    if (!window || !IsWindow(window)) {
        lastError = "no such window";
        return false;
    }
    // On top and fully painted, children included, before the screen is read.
    HWND top = GetAncestor(window, GA_ROOT);
    SetWindowPos(top, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    host->PumpUntilIdle();
    GdiFlush();
    RECT rect;
    if (client) {
        GetClientRect(window, &rect);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    } else {
        GetWindowRect(window, &rect);
    }
    if (!CaptureScreen(rect, pixels)) {
        lastError = "cannot read the screen";
        return false;
    }
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
    return true;
}

// ---------------------------------------------------------------------------

HDC Host::CreatePrinterDC() { return CreateHostPrinterDC(impl_->printerDpi, &impl_->lastError); }

bool Host::Screenshot(HWND window, const char* bmpPath) {
    if (!bmpPath || !*bmpPath) {
        impl_->lastError = "no file named for the screenshot";
        return false;
    }
    int w = 0, h = 0;
    std::vector<DWORD> pixels;
    if (!impl_->Capture(window, false, &w, &h, &pixels)) return false;
    return WriteBmp24(bmpPath, w, h, pixels, &impl_->lastError);
}

std::vector<DWORD> Host::CapturePixels(HWND window, int* width, int* height) {
    int w = 0, h = 0;
    std::vector<DWORD> pixels;
    impl_->Capture(window, true, &w, &h, &pixels);
    if (width) *width = w;
    if (height) *height = h;
    return pixels;
}

}  // namespace zylhost
