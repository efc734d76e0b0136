// The control base: a dialog item's messages reach its object first and go on to the item's own
// procedure; detaching, the item's end and another procedure put over ours leave the item whole.
#include "win/window.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

constexpr int kItem = 100;

// Counts the texts set on its item and lets them through.
class TextCounter : public win::Control {
public:
    int texts = 0;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SETTEXT)
            ++texts;
        return Control::HandleMessage(message, wParam, lParam);
    }
};

bool CheckRoundTrip(HWND box) {
    ::SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
    const bool checked = ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    ::SendMessageW(box, BM_SETCHECK, BST_UNCHECKED, 0);
    return checked && ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_UNCHECKED;
}

std::wstring TextOf(HWND window) {
    wchar_t text[64] = L"";
    ::GetWindowTextW(window, text, 64);
    return text;
}

// A top-level window holding one check box: only the box's own procedure keeps its check.
class Host {
public:
    Host() {
        parent = ::CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                   nullptr, nullptr);
        item = ::CreateWindowExW(0, L"Button", L"", WS_CHILD | BS_CHECKBOX, 0, 0, 100, 20, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kItem)), nullptr,
                                 nullptr);
        ownProc = ::GetWindowLongPtrW(item, GWLP_WNDPROC);
    }
    ~Host() { ::DestroyWindow(parent); }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    HWND parent = nullptr;
    HWND item = nullptr;
    LONG_PTR ownProc = 0;
};

WNDPROC g_under = nullptr;
int g_overCalls = 0;

LRESULT CALLBACK OverProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ++g_overCalls;
    return ::CallWindowProcW(g_under, hwnd, message, wParam, lParam);
}

} // namespace

TEST(Control, MessagesReachTheObjectThenTheItemUntilDetached) {
    Host host;
    ASSERT_NE(nullptr, host.item);
    TextCounter counter;
    EXPECT_FALSE(counter.Attach(host.parent, kItem + 1)) << "no such item";
    ASSERT_TRUE(counter.Attach(host.parent, kItem));
    EXPECT_EQ(host.item, counter.Hwnd());

    ::SetWindowTextW(host.item, L"one");
    EXPECT_EQ(1, counter.texts);
    EXPECT_EQ(L"one", TextOf(host.item));
    EXPECT_TRUE(CheckRoundTrip(host.item)) << "the item's own procedure still runs";

    counter.Detach();
    EXPECT_EQ(host.ownProc, ::GetWindowLongPtrW(host.item, GWLP_WNDPROC));
    EXPECT_EQ(0, ::GetWindowLongPtrW(host.item, GWLP_USERDATA));
    ::SetWindowTextW(host.item, L"two");
    EXPECT_EQ(1, counter.texts);
    EXPECT_EQ(L"two", TextOf(host.item));

    // Attached again, and the item goes first: the object lets go and can be attached anew.
    ASSERT_TRUE(counter.Attach(host.parent, kItem));
    ::DestroyWindow(host.item);
    EXPECT_EQ(nullptr, counter.Hwnd());
    Host other;
    ASSERT_TRUE(counter.Attach(other.parent, kItem));
    ::SetWindowTextW(other.item, L"three");
    EXPECT_EQ(2, counter.texts);
}

// Another procedure over ours: the object goes first, and the item still works to its end.
TEST(Control, AnotherProcedureOverOursOutlivesTheObject) {
    Host host;
    ASSERT_NE(nullptr, host.item);
    {
        TextCounter counter;
        ASSERT_TRUE(counter.Attach(host.parent, kItem));
        g_under = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(host.item, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OverProc)));
        ::SetWindowTextW(host.item, L"one");
        EXPECT_EQ(1, counter.texts);
    }
    g_overCalls = 0;
    ::SetWindowTextW(host.item, L"two");
    EXPECT_EQ(L"two", TextOf(host.item));
    EXPECT_TRUE(CheckRoundTrip(host.item)) << "the box's own procedure is still reached";
    EXPECT_GT(g_overCalls, 0);
    EXPECT_TRUE(::DestroyWindow(host.item));
}
