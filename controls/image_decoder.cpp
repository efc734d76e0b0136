#include "controls/image_decoder.h"

#include "controls/png_decode.h"
#include "win/ole.h"
#include "win/system_library.h"

#include <objbase.h>

#include <climits>
#include <cstring>
#include <mutex>

namespace controls {

namespace {

// The few entries of the GDI+ flat interface in use, for images our own PNG decoder does not
// take. gdiplus.dll is loaded from System32 on first use; it is not imported at load time.
using GpStatus = int;
using GpBitmap = void;
struct GdiplusStartupInput {
    UINT32 GdiplusVersion = 1;
    void* DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = FALSE;
    BOOL SuppressExternalCodecs = FALSE;
};
struct GpRect {
    INT X, Y, Width, Height;
};
struct GpBitmapData {
    UINT Width;
    UINT Height;
    INT Stride;
    INT PixelFormat;
    void* Scan0;
    UINT_PTR Reserved;
};
constexpr INT kPixelFormatAlpha = 0x00040000;
constexpr INT kPixelFormat32bppARGB = 0x0026200A;
constexpr UINT kImageLockModeRead = 1;

struct Gdiplus {
    GpStatus(WINAPI* Startup)(ULONG_PTR*, const GdiplusStartupInput*, void*) = nullptr;
    GpStatus(WINAPI* CreateBitmapFromStream)(IStream*, GpBitmap**) = nullptr;
    GpStatus(WINAPI* GetImageWidth)(GpBitmap*, UINT*) = nullptr;
    GpStatus(WINAPI* GetImageHeight)(GpBitmap*, UINT*) = nullptr;
    GpStatus(WINAPI* GetImagePixelFormat)(GpBitmap*, INT*) = nullptr;
    GpStatus(WINAPI* BitmapLockBits)(GpBitmap*, const GpRect*, UINT, INT, GpBitmapData*) = nullptr;
    GpStatus(WINAPI* BitmapUnlockBits)(GpBitmap*, GpBitmapData*) = nullptr;
    GpStatus(WINAPI* DisposeImage)(GpBitmap*) = nullptr;
    bool ready = false;
};

// Started once per process and left running until the process ends.
const Gdiplus& GdiplusApi() {
    static Gdiplus api;
    static std::once_flag once;
    std::call_once(once, [] {
        HMODULE module = win::LoadSystemLibrary(L"gdiplus.dll");
        if (module == nullptr)
            return;
        win::Resolve(api.Startup, module, "GdiplusStartup");
        win::Resolve(api.CreateBitmapFromStream, module, "GdipCreateBitmapFromStream");
        win::Resolve(api.GetImageWidth, module, "GdipGetImageWidth");
        win::Resolve(api.GetImageHeight, module, "GdipGetImageHeight");
        win::Resolve(api.GetImagePixelFormat, module, "GdipGetImagePixelFormat");
        win::Resolve(api.BitmapLockBits, module, "GdipBitmapLockBits");
        win::Resolve(api.BitmapUnlockBits, module, "GdipBitmapUnlockBits");
        win::Resolve(api.DisposeImage, module, "GdipDisposeImage");
        ULONG_PTR token = 0;
        GdiplusStartupInput input;
        api.ready = api.Startup && api.CreateBitmapFromStream && api.GetImageWidth &&
                    api.GetImageHeight && api.GetImagePixelFormat && api.BitmapLockBits &&
                    api.BitmapUnlockBits && api.DisposeImage &&
                    api.Startup(&token, &input, nullptr) == 0;
    });
    return api;
}

// A stream over a private copy of the bytes in movable global memory; the stream frees it.
IStream* StreamOver(const void* bytes, std::size_t size) {
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (block == nullptr)
        return nullptr;
    if (void* target = ::GlobalLock(block)) {
        std::memcpy(target, bytes, size);
        ::GlobalUnlock(block);
    }
    IStream* stream = nullptr;
    const auto create = win::Ole().CreateStreamOnHGlobal;
    if (create == nullptr || FAILED(create(block, TRUE, &stream))) {
        ::GlobalFree(block);
        return nullptr;
    }
    return stream;
}

} // namespace

bool DecodeImage(const void* bytes, std::size_t size, DecodedImage& out) {
    // The artwork's PNGs need no system library: GDI+, its codecs and COM load in tens of
    // milliseconds, on the way to the first page.
    // The pixels go straight into the DIB section: the decoder works in its bits, which get the
    // rows it needs beyond the picture's (a few bytes more than the picture, for its PNG row
    // filters). Those rows stay below the picture and are never drawn.
    const bool decoded =
        DecodePng(bytes, size, [&out](int width, int height, bool hasAlpha, std::size_t room) {
            const std::size_t row = static_cast<std::size_t>(width) * 4;
            const std::size_t rows = (room + row - 1) / row;
            if (rows > static_cast<std::size_t>(INT_MAX))
                return static_cast<std::uint8_t*>(nullptr);
            void* bits = nullptr;
            win::Bitmap bitmap = win::CreateTopDownDib(width, static_cast<int>(rows), &bits);
            if (!bitmap || bits == nullptr)
                return static_cast<std::uint8_t*>(nullptr);
            out.bitmap = std::move(bitmap);
            out.pixels = static_cast<std::uint8_t*>(bits);
            out.width = width;
            out.height = height;
            out.hasAlpha = hasAlpha;
            return out.pixels;
        });
    if (decoded)
        return true;
    out = DecodedImage();
    return DecodeImageWithGdiplus(bytes, size, out);
}

bool DecodeImageWithGdiplus(const void* bytes, std::size_t size, DecodedImage& out) {
    const Gdiplus& gdip = GdiplusApi();
    if (!gdip.ready)
        return false;
    IStream* stream = StreamOver(bytes, size);
    if (stream == nullptr)
        return false;
    GpBitmap* image = nullptr;
    const bool created = gdip.CreateBitmapFromStream(stream, &image) == 0 && image != nullptr;
    bool decoded = false;
    if (created) {
        UINT width = 0, height = 0;
        INT format = 0;
        gdip.GetImageWidth(image, &width);
        gdip.GetImageHeight(image, &height);
        gdip.GetImagePixelFormat(image, &format);
        void* bits = nullptr;
        win::Bitmap bitmap =
            win::CreateTopDownDib(static_cast<int>(width), static_cast<int>(height), &bits);
        GpRect rect{0, 0, static_cast<INT>(width), static_cast<INT>(height)};
        GpBitmapData data{};
        if (bitmap && width > 0 && height > 0 &&
            gdip.BitmapLockBits(image, &rect, kImageLockModeRead, kPixelFormat32bppARGB, &data) ==
                0) {
            const size_t row = static_cast<size_t>(width) * 4;
            for (UINT y = 0; y < height; ++y) {
                std::memcpy(static_cast<std::uint8_t*>(bits) + row * y,
                            static_cast<const std::uint8_t*>(data.Scan0) +
                                static_cast<std::ptrdiff_t>(data.Stride) * y,
                            row);
            }
            gdip.BitmapUnlockBits(image, &data);
            out.bitmap = std::move(bitmap);
            out.pixels = static_cast<std::uint8_t*>(bits);
            out.width = static_cast<int>(width);
            out.height = static_cast<int>(height);
            out.hasAlpha = (format & kPixelFormatAlpha) != 0;
            decoded = true;
        }
        gdip.DisposeImage(image);
    }
    stream->Release();
    return decoded;
}

} // namespace controls
