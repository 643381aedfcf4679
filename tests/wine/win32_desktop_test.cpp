// The Win32 desktop services against real windows (Wine's null driver when headless).
#include "platform/win32/win32_desktop.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace tarsel::platform {
namespace {

WindowHandle Handle(HWND window) {
    return static_cast<WindowHandle>(reinterpret_cast<std::intptr_t>(window));
}

class Win32DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = CreateWindowExW(0, L"STATIC", L"CAD", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                                  100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override { DestroyWindow(window_); }

    HWND window_ = nullptr;
    Win32Desktop desktop_;
};

TEST_F(Win32DesktopTest, BringsAMinimisedWindowBackToTheFront) {
    ShowWindow(window_, SW_MINIMIZE);
    EXPECT_TRUE(desktop_.IsIconic(Handle(window_)));
    EXPECT_TRUE(desktop_.OpenIcon(Handle(window_)));
    EXPECT_FALSE(desktop_.IsIconic(Handle(window_)));
    EXPECT_TRUE(desktop_.SetForegroundWindow(Handle(window_)));
    EXPECT_EQ(desktop_.GetForegroundWindow(), Handle(window_));
}

TEST_F(Win32DesktopTest, TheEscapeStrokeReachesTheWindowInFront) {
    ASSERT_TRUE(desktop_.SetForegroundWindow(Handle(window_)));
    SetFocus(window_);
    desktop_.KeybdEvent(kVkEscape, 0, 0, 0);
    desktop_.KeybdEvent(kVkEscape, 0, kKeyEventKeyUp, 0);
    std::vector<UINT> seen;
    MSG msg;
    for (int i = 0; i < 50 && seen.size() < 2; ++i) {
        while (PeekMessageW(&msg, window_, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
            if (msg.wParam == VK_ESCAPE) seen.push_back(msg.message);
        }
        Sleep(10);
    }
    EXPECT_EQ(seen, (std::vector<UINT>{WM_KEYDOWN, WM_KEYUP}));
}

TEST_F(Win32DesktopTest, SleepWaits) {
    const ULONGLONG start = GetTickCount64();
    desktop_.Sleep(60);
    // The tick count moves in steps of up to 16 ms.
    EXPECT_GE(GetTickCount64() - start, 44u);
}

// The message box is modal: a second thread reads it as the user would and presses OK.
TEST_F(Win32DesktopTest, MessageBoxShowsTheTextAndCaptionAndIsOwnedByThePalette) {
    desktop_.SetOwner(Handle(window_));
    std::wstring seenText;
    HWND seenOwner = nullptr;
    std::atomic<bool> found{false};
    std::thread user([&] {
        for (int i = 0; i < 500 && !found; ++i) {
            if (HWND box = FindWindowW(L"#32770", L"求積表")) {
                wchar_t text[256] = {};
                GetDlgItemTextW(box, 0xFFFF, text, 256);
                seenText = text;
                seenOwner = GetWindow(box, GW_OWNER);
                found = true;
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(20);
        }
    });
    desktop_.ShowMessage("三角形が選択されていません", "求積表");
    user.join();
    ASSERT_TRUE(found);
    EXPECT_EQ(seenText, L"三角形が選択されていません");
    EXPECT_EQ(seenOwner, window_);
}

}  // namespace
}  // namespace tarsel::platform
