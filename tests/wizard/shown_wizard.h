// The wizard shown modally on a thread of the test's process, on its model page, and closed from
// its caption at the end of the test.
#pragma once

#include "res/resource.h"
#include "tests/support/window_capture.h"
#include "win/gdi.h"
#include "wizard/setup_dlg.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

class ShownWizard : public ::testing::Test {
protected:
    void SetUp() override {
        shown = std::make_unique<testing_support::ModalThread>(
            [this] { return wizard.DoModal(nullptr); });
        window = shown->WaitForWindow(20000);
        ASSERT_NE(nullptr, window);
        ASSERT_TRUE(testing_support::WaitFor([this] { return Visible(IDC_MODEL_LIST); }));
    }
    void TearDown() override {
        if (window != nullptr && ::IsWindow(window))
            ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(shown->Join(20000));
    }
    HWND Item(int id) const { return ::GetDlgItem(window, id); }
    bool Visible(int id) const { return ::IsWindowVisible(Item(id)) != FALSE; }
    // Presses a button and waits until the page it leads to shows `shownItem`.
    void Press(int button, int shownItem) {
        ::PostMessageW(Item(button), BM_CLICK, 0, 0);
        ASSERT_TRUE(testing_support::WaitFor([&] { return Visible(shownItem); }));
        ::SendMessageW(window, WM_NULL, 0, 0); // the page switch has returned
    }

    // What the wizard's erase handler paints into a bitmap filled with magenta first.
    testing_support::Capture PaintedGround() const {
        RECT client{};
        ::GetClientRect(window, &client);
        testing_support::Capture capture;
        capture.width = client.right;
        capture.height = client.bottom;
        capture.pixels.resize(static_cast<size_t>(client.right) * client.bottom);
        win::MemoryDC memory(nullptr);
        void* bits = nullptr;
        const win::Bitmap bitmap = win::CreateTopDownDib(client.right, client.bottom, &bits);
        const win::ScopedSelect select(memory.Get(), bitmap.Get());
        win::FillSolidRect(memory.Get(), client, RGB(255, 0, 255));
        ::SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory.Get()), 0);
        ::GdiFlush();
        const auto* pixels = static_cast<const unsigned*>(bits);
        for (size_t i = 0; i < capture.pixels.size(); ++i)
            capture.pixels[i] = pixels[i] & 0x00FFFFFF;
        return capture;
    }

    CSetupDlg wizard;
    std::unique_ptr<testing_support::ModalThread> shown;
    HWND window = nullptr;
};
