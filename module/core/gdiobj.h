// Owners of GDI and USER resources for the module's window procedures:
// every early return gives back what it took. A help session runs for hours,
// so a leaked object is a real fault.
#pragma once
#include <windows.h>

namespace zyl {

class MemoryDC {
public:
    // `make` false leaves it empty (a copy that needs no second DC).
    explicit MemoryDC(HDC like, bool make = true) : dc_(make ? CreateCompatibleDC(like) : nullptr) {}
    ~MemoryDC() { if (dc_) DeleteDC(dc_); }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDC() { if (dc_) ReleaseDC(hwnd_, dc_); }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

template <typename T>
class GdiObject {
public:
    explicit GdiObject(T obj) : obj_(obj) {}
    ~GdiObject() { if (obj_) DeleteObject(obj_); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    T get() const { return obj_; }
    T release() {
        T obj = obj_;
        obj_ = nullptr;
        return obj;
    }

private:
    T obj_;
};

// Selects an object into a DC for the scope. Declared after the object's
// owner, so the object is out of the DC before it is deleted.
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

}  // namespace zyl
