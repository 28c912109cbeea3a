// The clipboard's text as the capture reads it: every byte of the CF_TEXT block but its
// terminating NUL.

#include "app/clipboard_win32.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace ordertable {
namespace {

class ClipboardTest : public ::testing::Test {
 protected:
  ClipboardTest()
      : owner_(CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                               nullptr)) {}
  ~ClipboardTest() override {
    EmptyClipboardOf(owner_);
    DestroyWindow(owner_);
  }
  HWND owner_;
};

TEST_F(ClipboardTest, TextComesBackByteForByte) {
  using namespace std::string_literals;
  const std::string texts[] = {
      "<html>\r\n</html>",
      "a NUL\0inside stays part of the text"s,
      "bytes of the ANSI code page: \xE9\xE8\x80 and of UTF-8: \xC3\xA9\xE2\x82\xAC",
      std::string(300000, 'x'),
  };
  for (const std::string& text : texts) {
    ASSERT_TRUE(WriteClipboardText(owner_, text));
    EXPECT_EQ(ReadClipboardText(owner_), text) << text.substr(0, 40);
  }
}

TEST_F(ClipboardTest, EmptiedOrTextlessClipboardReadsAsEmptyText) {
  ASSERT_TRUE(WriteClipboardText(owner_, "some text"));
  ASSERT_TRUE(EmptyClipboardOf(owner_));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_EQ(ReadClipboardText(owner_), "");

  // A bitmap only: no text format to read.
  ASSERT_TRUE(OpenClipboard(owner_));
  EmptyClipboard();
  SetClipboardData(CF_BITMAP, CreateBitmap(2, 2, 1, 1, nullptr));
  CloseClipboard();
  EXPECT_EQ(ReadClipboardText(owner_), "");
}

TEST_F(ClipboardTest, AClipboardHeldByAnotherThreadReadsAsEmptyText) {
  ASSERT_TRUE(WriteClipboardText(owner_, "held"));
  const HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  const HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread holder([&] {
    OpenClipboard(nullptr);
    SetEvent(opened);
    WaitForSingleObject(release, INFINITE);
    CloseClipboard();
  });
  WaitForSingleObject(opened, INFINITE);
  EXPECT_EQ(ReadClipboardText(owner_), "");
  SetEvent(release);
  holder.join();
  EXPECT_EQ(ReadClipboardText(owner_), "held");
  CloseHandle(opened);
  CloseHandle(release);
}

}  // namespace
}  // namespace ordertable
