// Owners of GDI and USER resources, for the module and the substitute host
// alike: every early return gives back what it took. A help session runs
// for hours, so a leaked object is a real fault.
#pragma once
#include <windows.h>

#include <utility>

namespace zyl {

// A DC from GetDC (null: the screen's), released on scope exit.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDC() { if (dc_) ReleaseDC(hwnd_, dc_); }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

// A handle we made, given back with `Free` on scope exit. release() hands
// it over (to the host, to a record).
template <typename T, typename Free>
class Owned {
public:
    Owned() = default;
    explicit Owned(T handle) : handle_(handle) {}
    ~Owned() { reset(); }
    Owned(Owned&& o) noexcept : handle_(std::exchange(o.handle_, nullptr)) {}
    Owned& operator=(Owned&& o) noexcept {
        if (this != &o) {
            reset();
            handle_ = std::exchange(o.handle_, nullptr);
        }
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    void reset(T handle = nullptr) {
        if (handle_) Free()(handle_);
        handle_ = handle;
    }
    T release() { return std::exchange(handle_, nullptr); }
    T get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    T handle_ = nullptr;
};

struct DeleteDc {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
struct DeleteGdiObject {
    void operator()(HGDIOBJ obj) const { DeleteObject(obj); }
};

// A DC we created (CreateCompatibleDC, CreateDC).
using OwnedDC = Owned<HDC, DeleteDc>;
// Any GDI object (font, bitmap, brush, pen, palette).
template <typename T>
using GdiObject = Owned<T, DeleteGdiObject>;
using Font = GdiObject<HFONT>;
using Bitmap = GdiObject<HBITMAP>;
using Brush = GdiObject<HBRUSH>;
using Pen = GdiObject<HPEN>;
using Palette = GdiObject<HPALETTE>;

// Selects an object into a DC and puts the previous one back on scope exit.
// Declared after the object's owner, so the object is out of the DC before
// it is deleted.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ obj) : dc_(dc), old_(dc && obj ? SelectObject(dc, obj) : nullptr) {}
    ~Selected() { if (old_) SelectObject(dc_, old_); }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;
    bool ok() const { return old_ != nullptr; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// SaveDC for the scope: every change made to the DC meanwhile (origins,
// clipping, selections) is undone on exit.
class SavedDC {
public:
    explicit SavedDC(HDC dc) : dc_(dc), id_(dc ? SaveDC(dc) : 0) {}
    ~SavedDC() { if (id_) RestoreDC(dc_, id_); }
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;

private:
    HDC dc_;
    int id_;
};

// Selects and realizes a palette (foreground) for the scope.
class RealizedPalette {
public:
    RealizedPalette(HDC dc, HPALETTE palette) : dc_(dc), old_(nullptr) {
        if (dc && palette) {
            old_ = SelectPalette(dc, palette, FALSE);
            RealizePalette(dc);
        }
    }
    ~RealizedPalette() { if (old_) SelectPalette(dc_, old_, FALSE); }
    RealizedPalette(const RealizedPalette&) = delete;
    RealizedPalette& operator=(const RealizedPalette&) = delete;

private:
    HDC dc_;
    HPALETTE old_;
};

// GlobalLock for the lifetime of the guard; get() is null when it failed.
class GlobalLocked {
public:
    explicit GlobalLocked(HGLOBAL h) : h_(h), p_(h ? GlobalLock(h) : nullptr) {}
    ~GlobalLocked() { if (p_) GlobalUnlock(h_); }
    GlobalLocked(const GlobalLocked&) = delete;
    GlobalLocked& operator=(const GlobalLocked&) = delete;
    void* get() const { return p_; }

private:
    HGLOBAL h_;
    void* p_;
};

}  // namespace zyl
