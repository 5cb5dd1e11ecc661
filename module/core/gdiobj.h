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

// A DC we created (CreateCompatibleDC, CreateDC): deleted on scope exit.
class OwnedDC {
public:
    OwnedDC() = default;
    explicit OwnedDC(HDC dc) : dc_(dc) {}
    ~OwnedDC() { reset(); }
    OwnedDC(OwnedDC&& o) noexcept : dc_(std::exchange(o.dc_, nullptr)) {}
    OwnedDC& operator=(OwnedDC&& o) noexcept {
        if (this != &o) {
            reset();
            dc_ = std::exchange(o.dc_, nullptr);
        }
        return *this;
    }
    OwnedDC(const OwnedDC&) = delete;
    OwnedDC& operator=(const OwnedDC&) = delete;
    void reset(HDC dc = nullptr) {
        if (dc_) DeleteDC(dc_);
        dc_ = dc;
    }
    HDC release() { return std::exchange(dc_, nullptr); }
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_ = nullptr;
};

// Any GDI object (font, bitmap, brush, pen, palette): DeleteObject on scope
// exit. release() hands it over (to the host, to a record).
template <typename T>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(T obj) : obj_(obj) {}
    ~GdiObject() { reset(); }
    GdiObject(GdiObject&& o) noexcept : obj_(std::exchange(o.obj_, nullptr)) {}
    GdiObject& operator=(GdiObject&& o) noexcept {
        if (this != &o) {
            reset();
            obj_ = std::exchange(o.obj_, nullptr);
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    void reset(T obj = nullptr) {
        if (obj_) DeleteObject(obj_);
        obj_ = obj;
    }
    T release() { return std::exchange(obj_, nullptr); }
    T get() const { return obj_; }
    explicit operator bool() const { return obj_ != nullptr; }

private:
    T obj_ = nullptr;
};
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
