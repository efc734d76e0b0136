// The image button and the picture control in a real dialog, their pixels read back.
#include "controls/my_button.h"
#include "controls/image_decoder.h"
#include "controls/picture_ctrl.h"
#include "controls/pixels.h"
#include "res/image_ids.h"
#include "res/resource.h"
#include "tests/support/window_capture.h"

#include <gtest/gtest.h>

#include <vector>

using namespace testing_support;

namespace {

// A dialog holding one image button and one picture.
class Host : public win::Dialog {
public:
    Host() : win::Dialog(IDD_IS_CLOSE) {}
    CMyButton button;
    CPictureCtrl picture;

protected:
    void BindControls() override {
        button.Attach(Hwnd(), IDC_IS_CLOSE_YES);
        picture.Attach(Hwnd(), IDC_IS_CLOSE_QUESTION);
    }
    BOOL OnInitDialog() override {
        ::SetWindowPos(Hwnd(), nullptr, 0, 0, 400, 300, SWP_NOZORDER);
        // The keyboard focus on the template's other button: the tested one shows no focus mark
        // until a test gives it the focus.
        ::SetFocus(Item(IDC_IS_CLOSE_NO));
        return FALSE;
    }
};

class Controls : public ::testing::Test {
protected:
    void SetUp() override {
        shown = std::make_unique<ModalThread>([this] { return host.DoModal(nullptr); });
        dialog = shown->WaitForWindow();
        ASSERT_NE(nullptr, dialog);
    }
    void TearDown() override {
        if (dialog != nullptr)
            ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(shown->Join());
    }

    // The button drawn as `id`: the bitmap's pixels inside a one-pixel grey frame.
    void ExpectButtonShows(int id) {
        const Capture expected = LoadBitmapPixels(id);
        ASSERT_GT(expected.width, 0) << "bitmap " << id;
        const Capture drawn = CaptureClient(host.button.Hwnd());
        ASSERT_EQ(expected.width, drawn.width);
        ASSERT_EQ(expected.height, drawn.height);
        int differing = 0;
        for (int y = 0; y < drawn.height; ++y) {
            for (int x = 0; x < drawn.width; ++x) {
                const bool frame =
                    x == 0 || y == 0 || x == drawn.width - 1 || y == drawn.height - 1;
                const unsigned want = frame ? Rgb(128, 128, 128) : expected.At(x, y);
                differing += drawn.At(x, y) != want;
            }
        }
        EXPECT_EQ(0, differing) << "pixels differing from bitmap " << id;
    }

    Host host;
    std::unique_ptr<ModalThread> shown;
    HWND dialog = nullptr;
};

} // namespace

TEST_F(Controls, ButtonSwapsBitmapsByCaption) {
    struct Case {
        const wchar_t* caption;
        int atRest;
        int underMouse;
    } cases[] = {{L"上一步", IDB_BACK, IDB_BACK_HOVER},
                 {L"下一步", IDB_NEXT, IDB_NEXT_HOVER},
                 {L"取消", IDB_CANCEL, IDB_CANCEL_HOVER},
                 {L"完成", IDB_FINISH, IDB_FINISH_HOVER},
                 {L"确认", IDB_OK, IDB_OK_HOVER},
                 {L"是", IDB_YES, IDB_YES_HOVER},
                 {L"否", IDB_NO, IDB_NO_HOVER}};
    HWND button = host.button.Hwnd();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "caption index " << (&c - cases));
        const Capture size = LoadBitmapPixels(c.atRest);
        ::SetWindowPos(button, nullptr, 10, 10, size.width, size.height, SWP_NOZORDER);
        // Whatever the owner set before, the mouse decides.
        host.button.SetCaption(c.caption);
        host.button.SetBitmap(IDB_MODEL_TITLE);
        ::SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
        EXPECT_EQ(c.underMouse, host.button.Bitmap());
        ExpectButtonShows(c.underMouse);
        ::SendMessageW(button, WM_MOUSELEAVE, 0, 0);
        EXPECT_EQ(c.atRest, host.button.Bitmap());
        ExpectButtonShows(c.atRest);
    }
}

TEST_F(Controls, ButtonWithUnknownCaptionKeepsItsBitmap) {
    HWND button = host.button.Hwnd();
    ::SetWindowPos(button, nullptr, 10, 10, 105, 29, SWP_NOZORDER);
    host.button.SetCaption(L"帮助");
    host.button.SetBitmap(IDB_NEXT);
    ::SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    ExpectButtonShows(IDB_NEXT);
    // Pressing does not change the picture either.
    ::SendMessageW(button, BM_SETSTATE, TRUE, 0);
    ExpectButtonShows(IDB_NEXT);
    ::SendMessageW(button, BM_SETSTATE, FALSE, 0);
    ::SendMessageW(button, WM_MOUSELEAVE, 0, 0);
    ExpectButtonShows(IDB_NEXT);
    // The owner may change the bitmap of a live button; the next paint shows it.
    host.button.SetBitmap(IDB_BACK);
    ExpectButtonShows(IDB_BACK);
}

// The focused button carries a dotted mark inside its frame; without the focus it is its bitmap.
TEST_F(Controls, FocusedButtonShowsAMark) {
    HWND button = host.button.Hwnd();
    ::SetWindowPos(button, nullptr, 10, 10, 105, 29, SWP_NOZORDER);
    host.button.SetCaption(L"下一步");
    host.button.SetBitmap(IDB_NEXT);
    ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
    const Capture expected = LoadBitmapPixels(IDB_NEXT);
    const Capture focused = CaptureClient(button);
    ASSERT_EQ(expected.pixels.size(), focused.pixels.size());
    const int inset = CMyButton::kFocusMarkInset;
    int onMark = 0;
    for (int x = inset; x < focused.width - inset; ++x)
        onMark += focused.At(x, inset) != expected.At(x, inset);
    EXPECT_GT(onMark, (focused.width - 2 * inset) / 3) << "a dotted line along the top";
    EXPECT_EQ(expected.At(focused.width / 2, inset + 2), focused.At(focused.width / 2, inset + 2));

    // A window that hides focus marks until a key is pressed hides this one too (Wine's buttons
    // never ask for that: the request is made here as Windows makes it).
    EXPECT_FALSE(CaptureOwnerDraw(button, ODS_FOCUS).pixels == CaptureOwnerDraw(button, 0).pixels)
        << "the same request with the focus alone draws the mark";
    const Capture hidden = CaptureOwnerDraw(button, ODS_FOCUS | ODS_NOFOCUSRECT);
    int differing = 0;
    for (int y = 1; y + 1 < hidden.height; ++y)
        for (int x = 1; x + 1 < hidden.width; ++x)
            differing += hidden.At(x, y) != expected.At(x, y);
    EXPECT_EQ(0, differing);

    ::SendMessageW(dialog, WM_NEXTDLGCTL,
                   reinterpret_cast<WPARAM>(::GetDlgItem(dialog, IDC_IS_CLOSE_NO)), TRUE);
    ExpectButtonShows(IDB_NEXT);
}

// The hand stays over an image button whatever mouse message comes: the cursor is set where the
// system asks for it (WM_SETCURSOR, before every mouse message), not after mouse moves only.
// A picture without SS_NOTIFY does not take the mouse at all.
TEST_F(Controls, HandCursorOverButtonsAndNotifyingPictures) {
    const DWORD windowThread = ::GetWindowThreadProcessId(dialog, nullptr);
    ASSERT_TRUE(::AttachThreadInput(::GetCurrentThreadId(), windowThread, TRUE));
    const HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND);
    const HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
    HWND button = host.button.Hwnd();
    for (UINT mouse : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}) {
        ::SetCursor(arrow);
        ::SendMessageW(button, WM_SETCURSOR, reinterpret_cast<WPARAM>(button),
                       MAKELPARAM(HTCLIENT, mouse));
        EXPECT_EQ(hand, ::GetCursor()) << "mouse message " << mouse;
    }

    HWND picture = host.picture.Hwnd();
    EXPECT_EQ(HTTRANSPARENT, ::SendMessageW(picture, WM_NCHITTEST, 0, 0));
    ::SetWindowLongPtrW(picture, GWL_STYLE, ::GetWindowLongPtrW(picture, GWL_STYLE) | SS_NOTIFY);
    ::SetCursor(arrow);
    ::SendMessageW(picture, WM_SETCURSOR, reinterpret_cast<WPARAM>(picture),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(hand, ::GetCursor());
    ::AttachThreadInput(::GetCurrentThreadId(), windowThread, FALSE);
}

TEST_F(Controls, PictureDrawsBitmapOneToOne) {
    HWND picture = host.picture.Hwnd();
    EXPECT_EQ(SS_OWNERDRAW, ::GetWindowLongPtrW(picture, GWL_STYLE) & SS_TYPEMASK);
    ::SetWindowPos(picture, nullptr, 5, 5, 119, 28, SWP_NOZORDER);
    EXPECT_TRUE(host.picture.LoadPicture(::GetModuleHandleW(nullptr), IDB_QUIT_QUESTION, L""));
    EXPECT_FALSE(host.picture.HasAlpha());
    const Capture expected = LoadBitmapPixels(IDB_QUIT_QUESTION);
    const Capture drawn = CaptureClient(picture);
    ASSERT_EQ(expected.pixels.size(), drawn.pixels.size());
    EXPECT_TRUE(expected.pixels == drawn.pixels);

    // In a control a pixel or two larger, the bitmap keeps its own size at the top-left corner:
    // no row or column of its lettering is doubled.
    ::SetWindowPos(picture, nullptr, 5, 5, 121, 30, SWP_NOZORDER);
    const Capture larger = CaptureClient(picture, RGB(255, 0, 255));
    int differing = 0;
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x)
            differing += larger.At(x, y) != expected.At(x, y);
    EXPECT_EQ(0, differing);
    EXPECT_EQ(Rgb(255, 0, 255), larger.At(120, 29)) << "nothing drawn beyond the bitmap";
}

TEST_F(Controls, PngBlendsOverTheBackgroundAndIsPremultipliedOnce) {
    HWND picture = host.picture.Hwnd();
    ::SetWindowPos(picture, nullptr, 5, 5, 118, 39, SWP_NOZORDER);
    ASSERT_TRUE(host.picture.LoadTypedResource(IDP_BANNER, L"PNG"));
    ASSERT_TRUE(host.picture.IsLoaded());
    EXPECT_TRUE(host.picture.HasAlpha());

    const unsigned magenta = Rgb(255, 0, 255);
    const Capture first = CaptureClient(picture, RGB(255, 0, 255));
    int ground = 0, painted = 0;
    for (unsigned p : first.pixels)
        (p == magenta ? ground : painted)++;
    // The banner is squeezed into the control: transparent pixels leave the ground visible,
    // the lettering covers it.
    EXPECT_GT(ground, 0);
    EXPECT_GT(painted, 0);

    // Repeated paints give the same pixels: the image is not premultiplied again.
    for (int i = 0; i < 3; ++i) {
        const Capture again = CaptureClient(picture, RGB(255, 0, 255));
        EXPECT_TRUE(first.pixels == again.pixels) << "paint " << i;
    }

    // On a white ground the same pixels differ only where the image is not opaque.
    const Capture white = CaptureClient(picture, RGB(255, 255, 255));
    for (size_t i = 0; i < first.pixels.size(); ++i) {
        if (first.pixels[i] == magenta) {
            EXPECT_EQ(Rgb(255, 255, 255), white.pixels[i]) << "pixel " << i;
        }
    }
}

// The banner, squeezed about ten times into its 118 x 39 control, is resampled by area: what the
// control shows over a ground is that resampling blended one to one, not nearest pixels.
TEST_F(Controls, SqueezedPngIsResampledByArea) {
    HWND picture = host.picture.Hwnd();
    ::SetWindowPos(picture, nullptr, 5, 5, 118, 39, SWP_NOZORDER);
    ASSERT_TRUE(host.picture.LoadTypedResource(IDP_BANNER, L"PNG"));
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(IDP_BANNER), L"PNG");
    ASSERT_NE(nullptr, info);
    controls::DecodedImage banner;
    ASSERT_TRUE(controls::DecodeImage(::LockResource(::LoadResource(module, info)),
                                      ::SizeofResource(module, info), banner));
    controls::PremultiplyBgra(banner.pixels, static_cast<size_t>(banner.width) *
                                                 static_cast<size_t>(banner.height));
    std::vector<std::uint8_t> expected(118 * 39 * 4);
    controls::ScaleBgraByArea(banner.pixels, banner.width, banner.height, expected.data(), 118, 39);

    const Capture drawn = CaptureClient(picture, RGB(255, 255, 255));
    int distant = 0;
    for (int y = 0; y < 39; ++y) {
        for (int x = 0; x < 118; ++x) {
            const std::uint8_t* p = &expected[(static_cast<size_t>(y) * 118 + x) * 4];
            const unsigned keep = 255u - p[3];                                // of the white ground
            const unsigned want[3] = {p[2] + keep, p[1] + keep, p[0] + keep}; // R, G, B
            const unsigned got[3] = {(drawn.At(x, y) >> 16) & 0xFF, (drawn.At(x, y) >> 8) & 0xFF,
                                     drawn.At(x, y) & 0xFF};
            for (int c = 0; c < 3; ++c)
                distant += (got[c] > want[c] ? got[c] - want[c] : want[c] - got[c]) > 2;
        }
    }
    EXPECT_EQ(0, distant) << "pixels further than 2 from the area-resampled banner";
}

TEST_F(Controls, PictureHoldsOneImageAndMissingResourceLeavesItEmpty) {
    // Every load releases the bitmap of the previous one: the control never holds two.
    std::vector<HBITMAP> held;
    for (int i = 0; i < 10; ++i) {
        host.picture.LoadPicture(::GetModuleHandleW(nullptr), IDB_NEXT, L"");
        held.push_back(host.picture.ImageHandle());
        host.picture.LoadTypedResource(IDP_LOGO, L"PNG");
        held.push_back(host.picture.ImageHandle());
    }
    const HBITMAP current = host.picture.ImageHandle();
    ASSERT_EQ(static_cast<DWORD>(OBJ_BITMAP), ::GetObjectType(current));
    for (HBITMAP old : held) {
        if (old != current) {
            EXPECT_EQ(0u, ::GetObjectType(old)) << "an earlier image is still alive";
        }
    }
    EXPECT_FALSE(host.picture.LoadTypedResource(999, L"PNG"));
    EXPECT_FALSE(host.picture.IsLoaded());
    EXPECT_EQ(nullptr, host.picture.ImageHandle());
    EXPECT_EQ(0u, ::GetObjectType(current));
}
