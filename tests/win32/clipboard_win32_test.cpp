// The clipboard's text as the capture reads it: the Unicode text a browser offers, in UTF-8,
// up to its terminating NUL.

#include "app/clipboard_win32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

namespace ordertable {
namespace {

using namespace std::string_literals;

class ClipboardTest : public ::testing::Test {
 protected:
  ClipboardTest()
      : owner_(CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                               nullptr)) {}
  ~ClipboardTest() override {
    EmptyClipboardOf(owner_);
    DestroyWindow(owner_);
  }

  // Puts blocks of exactly these bytes on the clipboard, one per format, as another program
  // would: a block may hold more than its text and its NUL.
  void Offer(std::initializer_list<std::pair<UINT, std::string>> blocks) {
    ASSERT_TRUE(OpenClipboard(owner_));
    EmptyClipboard();
    for (const auto& [format, bytes] : blocks) {
      const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
      std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
      GlobalUnlock(memory);
      EXPECT_NE(SetClipboardData(format, memory), nullptr);
    }
    CloseClipboard();
  }

  HWND owner_;
};

std::string Utf16Bytes(std::u16string_view text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

TEST_F(ClipboardTest, UnicodeTextComesBackAsItsUtf8UpToTheTerminatingNul) {
  const struct {
    std::u16string offered;  // the block's code units, NUL and what follows included
    std::string utf8;
  } cases[] = {
      {u"<html>\r\n</html>\0"s, "<html>\r\n</html>"},
      // CJK, Cyrillic, an emoji (a surrogate pair), é and the en dash.
      {u"\u84DD\u7259 \u0417\u0430\u043A\u0430\u0437 \U0001F600 caf\u00E9 \u2013\0"s,
       "\xE8\x93\x9D\xE7\x89\x99 \xD0\x97\xD0\xB0\xD0\xBA\xD0\xB0\xD0\xB7 \xF0\x9F\x98\x80 "
       "caf\xC3\xA9 \xE2\x80\x93"},
      {u"text\0left-over bytes of a larger block\0"s, "text"},
      // Unpaired surrogates become U+FFFD; what follows them stays.
      {u"a\xD83D"
       u"b\xDE00"
       u"c\xD83D\0"s,
       "a\xEF\xBF\xBD"
       "b\xEF\xBF\xBD"
       "c\xEF\xBF\xBD"},
      {u"\0"s, ""},
  };
  for (const auto& c : cases) {
    Offer({{CF_UNICODETEXT, Utf16Bytes(c.offered)}});
    EXPECT_EQ(ReadClipboardText(owner_), c.utf8) << c.utf8;
  }
}

TEST_F(ClipboardTest, TheUnicodeTextWinsOverTheAnsiTextAndTheAnsiTextIsTakenWhenAlone) {
  // What Windows makes of Cyrillic for a Western code page: question marks.
  Offer(
      {{CF_UNICODETEXT, Utf16Bytes(u"\u0417\u0430\u043A\u0430\u0437\0"s)}, {CF_TEXT, "?????\0"s}});
  EXPECT_EQ(ReadClipboardText(owner_), "\xD0\x97\xD0\xB0\xD0\xBA\xD0\xB0\xD0\xB7");
  // Windows-1252: é and the en dash, then bytes past the terminator.
  Offer({{CF_TEXT, "caf\xE9 \x96\0past"s}});
  EXPECT_EQ(ReadClipboardText(owner_), "caf\xC3\xA9 \xE2\x80\x93");
}

TEST_F(ClipboardTest, WrittenTextIsOfferedAsUnicodeAndReadBackByteForByte) {
  for (const std::string& text :
       {"<html>\r\n</html>"s, "\xE4\xB8\x80\xE5\x8F\xB7 \xF0\x9F\x98\x80"s,
        std::string(300000, 'x')}) {
    ASSERT_TRUE(WriteClipboardText(owner_, text));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    EXPECT_EQ(ReadClipboardText(owner_), text) << text.substr(0, 40);
  }
}

TEST_F(ClipboardTest, EmptiedOrTextlessClipboardReadsAsEmptyText) {
  ASSERT_TRUE(WriteClipboardText(owner_, "some text"));
  ASSERT_TRUE(EmptyClipboardOf(owner_));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
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
