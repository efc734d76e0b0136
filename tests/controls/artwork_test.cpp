// The program's images: every bitmap and PNG at the size the windows place it at. The wizard's
// four buttons share one height, and the finish button has the next button's size.
#include "controls/image_decoder.h"
#include "controls/png_decode.h"
#include "res/image_ids.h"

#include <gtest/gtest.h>
#include <windows.h>

TEST(Artwork, BitmapSizesAndDepth) {
    struct Case {
        int id;
        int width;
        int height;
    } cases[] = {
        {IDB_MODEL_TITLE, 130, 37},
        {IDB_PORT_NOT_FOUND, 419, 57},
        {IDB_PORT_FOUND, 420, 50},
        {IDB_CONFIRM_LABELS, 45, 51},
        {IDB_CONFIRM_NOTE, 400, 50},
        {IDB_INSTALLING, 125, 25},
        {IDB_BACK, 105, 29},
        {IDB_BACK_HOVER, 105, 29},
        {IDB_NEXT, 105, 29},
        {IDB_NEXT_HOVER, 105, 29},
        {IDB_CANCEL, 75, 29},
        {IDB_CANCEL_HOVER, 75, 29},
        {IDB_FINISH, 105, 29},
        {IDB_FINISH_HOVER, 105, 29},
        {IDB_OK, 107, 36},
        {IDB_OK_HOVER, 107, 36},
        {IDB_YES, 27, 27},
        {IDB_YES_HOVER, 27, 27},
        {IDB_NO, 27, 27},
        {IDB_NO_HOVER, 27, 27},
        {IDB_QUIT_QUESTION, 119, 28},
        {IDB_ERROR_TITLE, 151, 45},
    };
    for (const Case& c : cases) {
        HBITMAP bitmap =
            static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(c.id),
                                              IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(nullptr, bitmap) << "bitmap " << c.id;
        BITMAP info{};
        ::GetObjectW(bitmap, sizeof(info), &info);
        EXPECT_EQ(c.width, info.bmWidth) << "bitmap " << c.id;
        EXPECT_EQ(c.height, info.bmHeight) << "bitmap " << c.id;
        EXPECT_EQ(24, info.bmBitsPixel) << "bitmap " << c.id;
        ::DeleteObject(bitmap);
    }
}

TEST(Artwork, PngLogosHaveAlphaAndTheirSizes) {
    struct Case {
        int id;
        int width;
        int height;
    } cases[] = {{IDP_BANNER, 1146, 321}, {IDP_LOGO, 289, 111}};
    for (const Case& c : cases) {
        HMODULE module = ::GetModuleHandleW(nullptr);
        HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(c.id), L"PNG");
        ASSERT_NE(nullptr, info) << "PNG " << c.id;
        const void* bytes = ::LockResource(::LoadResource(module, info));
        controls::DecodedImage image;
        ASSERT_TRUE(controls::DecodeImage(bytes, ::SizeofResource(module, info), image));
        EXPECT_EQ(c.width, image.width);
        EXPECT_EQ(c.height, image.height);
        EXPECT_TRUE(image.hasAlpha);
        int transparent = 0, opaque = 0;
        for (int i = 0; i < image.width * image.height; ++i) {
            transparent += image.pixels[i * 4 + 3] == 0;
            opaque += image.pixels[i * 4 + 3] == 255;
        }
        EXPECT_GT(transparent, 0) << "PNG " << c.id;
        EXPECT_GT(opaque, 0) << "PNG " << c.id;
    }
    EXPECT_NE(nullptr, ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP)));
}

// The logos are decoded by our own decoder: pixel for pixel what GDI+ makes of the same files.
TEST(Artwork, PngLogosDecodeAsGdiplusDecodesThem) {
    for (int id : {IDP_BANNER, IDP_LOGO}) {
        HMODULE module = ::GetModuleHandleW(nullptr);
        HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
        ASSERT_NE(nullptr, info) << "PNG " << id;
        const void* bytes = ::LockResource(::LoadResource(module, info));
        const DWORD size = ::SizeofResource(module, info);
        controls::PngPixels own;
        ASSERT_TRUE(controls::DecodePng(bytes, size, own)) << "PNG " << id;
        controls::DecodedImage system;
        ASSERT_TRUE(controls::DecodeImageWithGdiplus(bytes, size, system)) << "PNG " << id;
        ASSERT_EQ(system.width, own.width);
        ASSERT_EQ(system.height, own.height);
        EXPECT_EQ(system.hasAlpha, own.hasAlpha);
        const std::size_t count = static_cast<std::size_t>(own.width) * own.height * 4;
        std::size_t differing = 0;
        for (std::size_t i = 0; i < count; ++i)
            differing += system.pixels[i] != own.bgra[i];
        EXPECT_EQ(0u, differing) << "PNG " << id;
    }
}
