// Owners for GDI objects and device contexts: every object is deleted and every selection undone
// by a destructor.
#pragma once

#include <windows.h>

#include <utility>

namespace win {

// Owns a GDI object (bitmap, font, pen, brush, region) and deletes it.
template <typename T> class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(T object) : m_object(object) {}
    ~GdiObject() { Reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& other) noexcept : m_object(other.Release()) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    T Get() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    T Release() { return std::exchange(m_object, nullptr); }
    void Reset(T object = nullptr) {
        if (m_object != nullptr)
            ::DeleteObject(m_object);
        m_object = object;
    }

private:
    T m_object = nullptr;
};

using Bitmap = GdiObject<HBITMAP>;
using Font = GdiObject<HFONT>;
using Pen = GdiObject<HPEN>;
using Brush = GdiObject<HBRUSH>;
using Region = GdiObject<HRGN>;

// Selects an object into a device context for the length of a scope.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(::SelectObject(dc, object)) {}
    ~ScopedSelect() {
        if (m_previous != nullptr && m_previous != HGDI_ERROR)
            ::SelectObject(m_dc, m_previous);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// A memory device context compatible with another one.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : m_dc(::CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC() {
        if (m_dc != nullptr)
            ::DeleteDC(m_dc);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC Get() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }

private:
    HDC m_dc;
};

// BeginPaint/EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND window) : m_window(window), m_dc(::BeginPaint(window, &m_paint)) {}
    ~PaintScope() { ::EndPaint(m_window, &m_paint); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC Get() const { return m_dc; }

private:
    HWND m_window;
    PAINTSTRUCT m_paint{};
    HDC m_dc;
};

// GetDC/ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND window) : m_window(window), m_dc(::GetDC(window)) {}
    ~WindowDC() {
        if (m_dc != nullptr)
            ::ReleaseDC(m_window, m_dc);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

// SetBkColor + ExtTextOut(ETO_OPAQUE): the cheapest solid fill.
inline void FillSolidRect(HDC dc, const RECT& rect, COLORREF colour) {
    ::SetBkColor(dc, colour);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

// An outline `width` pixels wide along the inside of a rectangle, as the secondary dialogs draw
// their frame: every pixel of it within the rectangle, none cut off at its edges.
void DrawOutline(HDC dc, const RECT& rect, int width, COLORREF colour);

// A 32-bit top-down DIB section of width x height pixels (rows in screen order); *bits receives
// its pixels. Empty on failure.
Bitmap CreateTopDownDib(int width, int height, void** bits);

} // namespace win
