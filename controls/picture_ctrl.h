// A static control turned into a picture: one bitmap or typed (PNG) resource drawn stretched over
// the control, with per-pixel transparency when the image has an alpha channel.
#pragma once

#include "win/gdi.h"
#include "win/window.h"

#include <string>

class CPictureCtrl : public win::Control {
public:
    ~CPictureCtrl() override;

    // An empty type loads bitmap resource `id` of `instance`; any other type loads the typed
    // resource through LoadTypedResource. Repaints the control at once.
    BOOL LoadPicture(HINSTANCE instance, int id, const std::wstring& type);
    // Decodes an image file stored as a resource of type `type` (such as "PNG") of the program.
    // FALSE when the resource does not exist or cannot be loaded.
    BOOL LoadTypedResource(int id, const std::wstring& type);
    void FreePicture();

    bool IsLoaded() const { return m_bLoaded != FALSE; }
    bool HasAlpha() const { return m_image.hasAlpha; }
    HBITMAP ImageHandle() const { return m_image.bitmap.Get(); }

protected:
    void OnAttached() override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DrawItem(const DRAWITEMSTRUCT& item) override;

private:
    struct ImageData {
        win::Bitmap bitmap;
        int width = 0;
        int height = 0;
        int bitsPerPixel = 0;
        bool hasAlpha = false;
        // An image with alpha resampled by area to the control's size, made on the first paint
        // at that size.
        win::Bitmap scaled;
        int scaledWidth = 0;
        int scaledHeight = 0;
    };

    // The image with alpha at `width` x `height`: the image itself at its own size, else the
    // resampled copy (nullptr when it cannot be made).
    HBITMAP AlphaImageAt(int width, int height);

    ImageData m_image;
    BOOL m_bLoaded = FALSE;
};
