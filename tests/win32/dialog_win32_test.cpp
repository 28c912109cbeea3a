// The wizard dialog as Windows (here Wine) really builds and runs it: frame, controls,
// pictures, status line, and the translation of window messages into the wizard's events.

#include "app/dialog_win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace ordertable {
namespace {

// Records the dialog's events; each test scripts what happens in them.
class ScriptedEvents final : public DialogEvents {
 public:
  explicit ScriptedEvents(WizardDialog& dialog) : dialog_(dialog) {}

  std::function<void()> on_init;
  std::function<void(int)> on_command;
  std::function<void()> on_tick;
  std::vector<std::string> log;

  void OnInit() override {
    log.push_back("init");
    if (on_init) on_init();
  }
  void OnCommand(int id) override {
    log.push_back("command " + std::to_string(id));
    if (on_command) on_command(id);
  }
  void OnTimerTick() override {
    log.push_back("tick");
    if (on_tick) on_tick();
  }
  void OnPageReady() override { log.push_back("page ready"); }
  void OnClose() override {
    log.push_back("close");
    dialog_.End(0);
  }

 private:
  WizardDialog& dialog_;
};

struct Box {
  int x, y, width, height;
  friend bool operator==(const Box&, const Box&) = default;
};

void PrintTo(const Box& box, std::ostream* out) {
  *out << box.x << "," << box.y << " " << box.width << "x" << box.height;
}

class DialogTest : public ::testing::Test {
 protected:
  DialogTest() : dialog_(GetModuleHandleA(nullptr), "Caption Of Test"), events_(dialog_) {}

  INT_PTR Run() { return dialog_.Run(events_); }
  HWND Window() const { return dialog_.window(); }
  HWND Control(int id) const { return GetDlgItem(dialog_.window(), id); }
  void Close() const { PostMessageA(dialog_.window(), WM_CLOSE, 0, 0); }

  Box BoxOf(int id) const {
    RECT rect = {};
    GetWindowRect(Control(id), &rect);
    MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
  }

  std::string TextOf(int id) const {
    char text[512] = {};
    GetWindowTextA(Control(id), text, sizeof text);
    return text;
  }

  HBITMAP ImageOf(int id) const {
    return reinterpret_cast<HBITMAP>(SendMessageA(Control(id), STM_GETIMAGE, IMAGE_BITMAP, 0));
  }

  WizardDialog dialog_;
  ScriptedEvents events_;
};

COLORREF PixelOfBitmap(HBITMAP bitmap, int x, int y) {
  const HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ previous = SelectObject(dc, bitmap);
  const COLORREF colour = GetPixel(dc, x, y);
  SelectObject(dc, previous);
  DeleteDC(dc);
  return colour;
}

// How the status line's pixels stand to a text colour drawn on the face colour. Whatever
// smooths the text (grey levels, or ClearType's per-channel levels) mixes the two colours
// channel by channel, so every channel of a text pixel lies between theirs.
struct TextPixels {
  int solid = 0;    // the text colour, or at most a quarter of the way to the face colour
  int blended = 0;  // a smoothed edge: further towards the face colour
  int foreign = 0;  // a channel outside the two colours: text in another colour
};

TextPixels PixelsOfText(HWND control, COLORREF text) {
  constexpr int kRounding = 8;  // gamma tables and rounding of the blend
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  RECT area;
  GetClientRect(control, &area);
  const HDC dc = GetDC(control);
  TextPixels pixels;
  for (int y = 0; y < area.bottom; ++y) {
    for (int x = 0; x < area.right; ++x) {
      const COLORREF pixel = GetPixel(dc, x, y);
      if (pixel == face) continue;
      bool between = true, near_text = true;
      for (const int shift : {0, 8, 16}) {
        const int t = (text >> shift) & 0xFF, f = (face >> shift) & 0xFF;
        const int p = (pixel >> shift) & 0xFF;
        between = between && p >= std::min(t, f) - kRounding && p <= std::max(t, f) + kRounding;
        near_text = near_text && std::abs(p - t) <= std::abs(f - t) / 4 + kRounding;
      }
      ++(!between ? pixels.foreign : near_text ? pixels.solid : pixels.blended);
    }
  }
  ReleaseDC(control, dc);
  return pixels;
}

TEST_F(DialogTest, FrameIsTheFixedPopUpOf320By200CentredInTheWorkArea) {
  events_.on_init = [&] {
    char caption[64] = {};
    GetWindowTextA(Window(), caption, sizeof caption);
    EXPECT_STREQ(caption, "Caption Of Test");
    EXPECT_FALSE(IsWindowVisible(Window())) << "initialisation comes before the dialog shows";

    RECT client;
    GetClientRect(Window(), &client);
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 200);
    RECT work, frame;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(Window(), &frame);
    EXPECT_NEAR(frame.left - work.left, work.right - frame.right, 1);
    EXPECT_NEAR(frame.top - work.top, work.bottom - frame.bottom, 1);

    const LONG_PTR style = GetWindowLongPtrA(Window(), GWL_STYLE);
    for (const LONG_PTR bit : {LONG_PTR{WS_POPUP}, LONG_PTR{WS_CAPTION}, LONG_PTR{WS_SYSMENU},
                               LONG_PTR{WS_MINIMIZEBOX}}) {
      EXPECT_TRUE(style & bit) << std::hex << bit;
    }
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_EQ(GetWindow(Window(), GW_OWNER), nullptr);
    EXPECT_NE(SendMessageA(Window(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageA(Window(), WM_GETICON, ICON_SMALL, 0), 0);

    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Window(), WM_GETFONT, 0, 0)), sizeof font,
               &font);
    EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
    const HDC screen = GetDC(nullptr);
    EXPECT_EQ(font.lfHeight, -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72));
    ReleaseDC(nullptr, screen);

    EXPECT_EQ(BoxOf(kMessageLabel), (Box{8, 8, 304, 160}));
    EXPECT_EQ(TextOf(kMessageLabel), "");
    EXPECT_EQ(BoxOf(kIdCancel), (Box{-10, -10, 0, 0}));
    EXPECT_EQ(TextOf(kIdCancel), "Cancel");
    Close();
  };
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(events_.log, (std::vector<std::string>{"init", "close"}));
}

TEST_F(DialogTest, CloseBoxAndSystemMenuCloseNeverBecomeTheCancelCommand) {
  events_.on_init = [&] { PostMessageA(Window(), WM_SYSCOMMAND, SC_CLOSE, 0); };
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(events_.log, (std::vector<std::string>{"init", "close"}));
}

TEST_F(DialogTest, EscapeIsTheCommandOfTheHiddenCancelButton) {
  events_.on_init = [&] { PostMessageA(Window(), WM_KEYDOWN, VK_ESCAPE, 0); };
  events_.on_command = [&](int) { dialog_.End(7); };
  EXPECT_EQ(Run(), 7);
  EXPECT_EQ(events_.log, (std::vector<std::string>{"init", "command 2"}));
}

TEST_F(DialogTest, OnlySendPageReadyDeliversThePageReadyNotification) {
  events_.on_init = [&] {
    // The dialog manager's own question on message 1024, and stray private messages.
    SendMessageA(Window(), DM_GETDEFID, 0, 0);
    SendMessageA(Window(), kPageReadyMessage, 0, 0);
    PostMessageA(Window(), kPageReadyMessage, 0, 0);
    dialog_.SendPageReady();
    EXPECT_EQ(events_.log.back(), "page ready") << "handled before SendPageReady returns";
    Close();
  };
  Run();
  EXPECT_EQ(events_.log, (std::vector<std::string>{"init", "page ready", "close"}));
}

TEST_F(DialogTest, PollTimerTicksEvery250MsUntilStopped) {
  DWORD started = 0, third_tick = 0;
  int ticks = 0;
  events_.on_init = [&] {
    started = GetTickCount();
    dialog_.StartPollTimer();
  };
  events_.on_tick = [&] {
    if (++ticks < 3) return;
    third_tick = GetTickCount();
    dialog_.StopPollTimer();
    // A tick may only come from a running timer: none arrives in the next 600 ms.
    for (DWORD until = GetTickCount() + 600; GetTickCount() < until;) dialog_.LetEventsThrough();
    Close();
  };
  Run();
  EXPECT_EQ(ticks, 3);
  EXPECT_GE(third_tick - started, 3 * 250u - 30);
}

TEST_F(DialogTest, LetEventsThroughHandlesOnePendingEventInsideAHandler) {
  events_.on_init = [&] {
    PostMessageA(Window(), WM_COMMAND, 4321, 0);
    dialog_.LetEventsThrough();
    EXPECT_EQ(events_.log.back(), "command 4321");
    const DWORD before = GetTickCount();
    dialog_.LetEventsThrough();  // nothing pending: a short wait
    EXPECT_LT(GetTickCount() - before, 200u);
    Close();
  };
  Run();
}

TEST_F(DialogTest, ControlsStandAtTheirPlaceWithTheirText) {
  events_.on_init = [&] {
    dialog_.AddButton(2001, "YES", kRightSlot);
    dialog_.AddButton(2002, "No", kLeftSlot);
    dialog_.AddPicture(kCopyPicture, Picture::kCopy, kCopyPosition);
    dialog_.AddPicture(kPastePicture, Picture::kPaste, kPastePosition);
    dialog_.AddPicture(kFirstDot + 3, Picture::kDotUnlit, DotPosition(4));
    dialog_.AddStatusLine(kStatusLine, kStatusPosition);
    EXPECT_EQ(BoxOf(2001), (Box{232, 168, 80, 24}));
    EXPECT_EQ(TextOf(2001), "YES");
    EXPECT_EQ(BoxOf(2002), (Box{144, 168, 80, 24}));
    EXPECT_EQ(TextOf(2002), "No");
    EXPECT_EQ(BoxOf(kCopyPicture), (Box{36, 96, 50, 56}));
    EXPECT_EQ(BoxOf(kPastePicture), (Box{233, 98, 46, 53}));
    EXPECT_EQ(BoxOf(kFirstDot + 3), (Box{194, 119, 17, 17}));
    EXPECT_EQ(BoxOf(kStatusLine), (Box{107, 87, 110, 24}));

    dialog_.SetMessageHeight(60);
    EXPECT_EQ(BoxOf(kMessageLabel), (Box{8, 8, 304, 60}));
    dialog_.SetMessageText("line one\r\nline two");
    EXPECT_EQ(TextOf(kMessageLabel), "line one\r\nline two");

    dialog_.DisableControl(2001);
    EXPECT_FALSE(IsWindowEnabled(Control(2001)));
    dialog_.RemoveControl(2002);
    EXPECT_EQ(Control(2002), nullptr);
    dialog_.RemoveControl(2002);  // gone already: ignored
    dialog_.RemoveControl(kFirstDot);
    dialog_.SetPicture(kFirstDot, Picture::kDotLit);  // no such control: ignored
    EXPECT_EQ(Control(kFirstDot), nullptr);
    Close();
  };
  Run();
}

TEST_F(DialogTest, PicturesSitOnTheButtonFaceColourAndCanBeSwapped) {
  events_.on_init = [&] {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    dialog_.AddPicture(kFirstDot, Picture::kDotUnlit, DotPosition(1));
    const HBITMAP unlit = ImageOf(kFirstDot);
    ASSERT_NE(unlit, nullptr);
    EXPECT_EQ(PixelOfBitmap(unlit, 0, 0), face) << "corner of the grey dot";
    const COLORREF unlit_centre = PixelOfBitmap(unlit, 9, 11);
    EXPECT_NE(unlit_centre, face);
    EXPECT_LT(std::abs(GetRValue(unlit_centre) - GetGValue(unlit_centre)), 8) << "a grey";
    EXPECT_LT(std::abs(GetRValue(unlit_centre) - GetBValue(unlit_centre)), 8) << "a grey";

    dialog_.SetPicture(kFirstDot, Picture::kDotLit);
    const HBITMAP lit = ImageOf(kFirstDot);
    EXPECT_NE(lit, unlit);
    EXPECT_EQ(PixelOfBitmap(lit, 16, 16), face) << "corner of the orange dot";
    const COLORREF lit_centre = PixelOfBitmap(lit, 9, 11);
    EXPECT_GT(GetRValue(lit_centre), GetGValue(lit_centre) + 40) << "orange";
    EXPECT_GT(GetGValue(lit_centre), GetBValue(lit_centre) + 40) << "orange";

    dialog_.AddPicture(kCopyPicture, Picture::kCopy, kCopyPosition);
    EXPECT_EQ(PixelOfBitmap(ImageOf(kCopyPicture), 49, 0), face);
    Close();
  };
  Run();
}

TEST_F(DialogTest, StatusPrintShowsTheTextInItsColourAndAsWindowText) {
  events_.on_init = [&] {
    const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
    dialog_.StatusPrint(blue, "before the status line exists");  // nothing to do
    dialog_.AddStatusLine(kStatusLine, kStatusPosition);
    EXPECT_EQ(TextOf(kStatusLine), "");
    ShowWindow(Window(), SW_SHOW);
    dialog_.StatusPrint(red, "Error: wrong page");
    EXPECT_EQ(TextOf(kStatusLine), "Error: wrong page");

    const TextPixels as_red = PixelsOfText(Control(kStatusLine), red);
    EXPECT_EQ(as_red.foreign, 0) << "only red, the face colour and blends of the two";
    EXPECT_GT(as_red.solid, 40) << "red text, not only smoothed edges";
    EXPECT_GT(PixelsOfText(Control(kStatusLine), blue).foreign, 40)
        << "the same pixels are no blue text";

    dialog_.StatusPrint(red, "");
    const TextPixels cleared = PixelsOfText(Control(kStatusLine), red);
    EXPECT_EQ(cleared.solid + cleared.blended + cleared.foreign, 0) << "the old text is gone";
    Close();
  };
  Run();
}

}  // namespace
}  // namespace ordertable
