// Key scripts typed into a focused window of this process through the real keyboard layout
// and SendInput.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "keys/key_script.h"

namespace ordertable {
namespace {

std::string typed;
int control_w = 0;

LRESULT CALLBACK Receiver(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CHAR) {
    typed += static_cast<char>(wparam);
    return 0;
  }
  if (message == WM_KEYDOWN && wparam == 'W' && (GetKeyState(VK_CONTROL) & 0x8000)) {
    ++control_w;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

class KeySenderTest : public ::testing::Test {
 protected:
  KeySenderTest() {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = Receiver;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "OrderTableKeyReceiver";
    RegisterClassA(&window_class);
    window_ =
        CreateWindowExA(0, window_class.lpszClassName, "keys", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                        10, 200, 100, nullptr, nullptr, window_class.hInstance, nullptr);
    SetForegroundWindow(window_);
    SetFocus(window_);
    Pump(100);
    typed.clear();
    control_w = 0;
  }
  ~KeySenderTest() override { DestroyWindow(window_); }

  // Handles this thread's messages for a while; injected input arrives asynchronously.
  static void Pump(DWORD milliseconds) {
    const DWORD until = GetTickCount() + milliseconds;
    while (GetTickCount() < until) {
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
      Sleep(5);
    }
  }

  HWND window_ = nullptr;
};

TEST_F(KeySenderTest, TypesPlainCharactersShiftedOnesAndNamedKeys) {
  ASSERT_EQ(GetFocus(), window_);
  SendKeyScript("ab{SHIFT_D}c{SHIFT_U}D{ENTER}{BOGUS}e");
  Pump(500);
  EXPECT_EQ(typed, "abCD\re");
}

TEST_F(KeySenderTest, TheCloseTabScriptIsControlW) {
  ASSERT_EQ(GetFocus(), window_);
  SendKeyScript("{CTRL_D}w{CTRL_U}");
  Pump(500);
  EXPECT_EQ(control_w, 1);
  EXPECT_FALSE(GetAsyncKeyState(VK_CONTROL) & 0x8000) << "Ctrl is released again";
}

TEST_F(KeySenderTest, AnEmptyScriptSendsNothing) {
  SendKeyScript("");
  Pump(200);
  EXPECT_EQ(typed, "");
}

}  // namespace
}  // namespace ordertable
