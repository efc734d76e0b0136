#include "controls/picture_ctrl.h"

#include "controls/image_decoder.h"
#include "controls/pixels.h"

#include <algorithm>
#include <cstdlib>

CPictureCtrl::~CPictureCtrl() {
    FreePicture();
}

void CPictureCtrl::OnAttached() {
    // The statics are plain text statics (type bits 0): adding the owner-draw type makes them
    // ours to draw.
    const LONG_PTR style = ::GetWindowLongPtrW(Hwnd(), GWL_STYLE);
    ::SetWindowLongPtrW(Hwnd(), GWL_STYLE, style | SS_OWNERDRAW);
}

LRESULT CPictureCtrl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Only a picture that takes the mouse (SS_NOTIFY) is asked; the hand stays while it is over
    // it. Pictures without SS_NOTIFY are transparent to the mouse and never change the cursor.
    if (message == WM_SETCURSOR && LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    }
    return Control::HandleMessage(message, wParam, lParam);
}

void CPictureCtrl::FreePicture() {
    m_image = ImageData();
    m_bLoaded = FALSE;
}

BOOL CPictureCtrl::LoadPicture(HINSTANCE instance, int id, const std::wstring& type) {
    if (m_bLoaded)
        FreePicture();
    if (type.empty()) {
        HBITMAP bitmap =
            static_cast<HBITMAP>(::LoadImageW(instance, MAKEINTRESOURCEW(static_cast<WORD>(id)),
                                              IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        DIBSECTION dib{};
        if (bitmap != nullptr && ::GetObjectW(bitmap, sizeof(dib), &dib) == sizeof(dib)) {
            m_image.bitmap.Reset(bitmap);
            m_image.width = dib.dsBm.bmWidth;
            m_image.height = dib.dsBm.bmHeight;
            m_image.bitsPerPixel = dib.dsBm.bmBitsPixel;
            if (m_image.bitsPerPixel == 32 && dib.dsBm.bmBits != nullptr) {
                controls::PremultiplyBgra(static_cast<std::uint8_t*>(dib.dsBm.bmBits),
                                          static_cast<size_t>(m_image.width) *
                                              static_cast<size_t>(std::abs(m_image.height)));
            }
        } else if (bitmap != nullptr) {
            ::DeleteObject(bitmap);
        }
    } else {
        LoadTypedResource(id, type);
    }
    m_bLoaded = TRUE;
    if (Hwnd() != nullptr) {
        ::InvalidateRect(Hwnd(), nullptr, TRUE);
        ::RedrawWindow(Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    return TRUE;
}

BOOL CPictureCtrl::LoadTypedResource(int id, const std::wstring& type) {
    ::SetLastError(0);
    if (m_bLoaded)
        FreePicture();
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(static_cast<WORD>(id)), type.c_str());
    if (info == nullptr)
        return FALSE;
    HGLOBAL resource = ::LoadResource(module, info);
    if (resource == nullptr)
        return FALSE;
    const void* bytes = ::LockResource(resource);
    const DWORD size = ::SizeofResource(module, info);
    if (bytes == nullptr || size == 0)
        return FALSE;

    controls::DecodedImage decoded;
    if (controls::DecodeImage(bytes, size, decoded)) {
        m_image.bitmap = std::move(decoded.bitmap);
        m_image.width = decoded.width;
        m_image.height = decoded.height;
        m_image.bitsPerPixel = 32;
        m_image.hasAlpha = decoded.hasAlpha;
        if (decoded.hasAlpha) {
            controls::PremultiplyBgra(decoded.pixels, static_cast<size_t>(decoded.width) *
                                                          static_cast<size_t>(decoded.height));
        }
    }
    m_bLoaded = TRUE;
    return TRUE;
}

HBITMAP CPictureCtrl::AlphaImageAt(int width, int height) {
    if (width == m_image.width && height == std::abs(m_image.height))
        return m_image.bitmap.Get();
    if (m_image.scaled && m_image.scaledWidth == width && m_image.scaledHeight == height)
        return m_image.scaled.Get();
    m_image.scaled.Reset();
    DIBSECTION source{};
    if (width <= 0 || height <= 0 ||
        ::GetObjectW(m_image.bitmap.Get(), sizeof(source), &source) != sizeof(source) ||
        source.dsBm.bmBits == nullptr || source.dsBm.bmBitsPixel != 32)
        return nullptr;
    // Top-down like the decoded images (the only ones with alpha): rows stay in their order.
    void* bits = nullptr;
    win::Bitmap scaled = win::CreateTopDownDib(width, height, &bits);
    if (!scaled || bits == nullptr)
        return nullptr;
    controls::ScaleBgraByArea(static_cast<const std::uint8_t*>(source.dsBm.bmBits),
                              source.dsBm.bmWidth, std::abs(m_image.height),
                              static_cast<std::uint8_t*>(bits), width, height);
    m_image.scaled = std::move(scaled);
    m_image.scaledWidth = width;
    m_image.scaledHeight = height;
    return m_image.scaled.Get();
}

void CPictureCtrl::DrawItem(const DRAWITEMSTRUCT& item) {
    if (!m_bLoaded || !m_image.bitmap)
        return;
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    win::MemoryDC memory(item.hDC);
    const int height = std::abs(m_image.height);
    if (m_image.hasAlpha) {
        // A picture squeezed several times over (the banner) is resampled by area once, then
        // blended one to one: the blend's own stretching takes the nearest pixel and drops the
        // strokes between.
        const int width = client.right - client.left;
        const int shownHeight = client.bottom - client.top;
        HBITMAP shown = AlphaImageAt(width, shownHeight);
        const bool resampled = shown != nullptr && shown != m_image.bitmap.Get();
        win::ScopedSelect select(memory.Get(), shown != nullptr ? shown : m_image.bitmap.Get());
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        ::GdiAlphaBlend(item.hDC, client.left, client.top, width, shownHeight, memory.Get(), 0, 0,
                        resampled ? width : m_image.width, resampled ? shownHeight : height, blend);
    } else {
        win::ScopedSelect select(memory.Get(), m_image.bitmap.Get());
        // A bitmap is drawn at its own size from the top-left corner: stretched by a pixel or two
        // to a control of another size, its lettering would lose rows.
        ::BitBlt(item.hDC, client.left, client.top, std::min<int>(m_image.width, client.right),
                 std::min<int>(height, client.bottom), memory.Get(), 0, 0, SRCCOPY);
    }
}
