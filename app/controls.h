#pragma once

#include "app/wizard_host.h"

namespace ordertable {

// Control ids. Each button belongs to one step, so a command is handled by its id alone.
inline constexpr int kMessageLabel = 991;
inline constexpr int kHiddenCancel = 2;  // also what the cancel key (Esc) sends
inline constexpr int kIntroNext = 1001;
inline constexpr int kAdviceNext = 1002;
inline constexpr int kCaptureCancel = 1003;
inline constexpr int kUpdateYes = 2001;
inline constexpr int kUpdateNo = 2002;
inline constexpr int kEraseConfirm = 2003;
inline constexpr int kErasePrevious = 2004;
inline constexpr int kResultView = 3001;
inline constexpr int kResultLocate = 3002;
inline constexpr int kCopyPicture = 9001;
inline constexpr int kPastePicture = 9002;
inline constexpr int kFirstDot = 9003;  // dots 1 to 4 are 9003 to 9006
inline constexpr int kDotCount = 4;
inline constexpr int kStatusLine = 9007;

// Dialog geometry, in client-area pixels.
inline constexpr int kClientWidth = 320;
inline constexpr int kClientHeight = 200;
inline constexpr Point kMessagePosition{8, 8};
inline constexpr int kMessageWidth = 304;
inline constexpr int kMessageTall = 160;
inline constexpr int kMessageShort = 60;
inline constexpr int kButtonWidth = 80;
inline constexpr int kButtonHeight = 24;
inline constexpr Point kRightSlot{232, 168};
inline constexpr Point kLeftSlot{144, 168};
inline constexpr Point kCopyPosition{36, 96};
inline constexpr Point kPastePosition{233, 98};
inline constexpr Point kStatusPosition{107, 87};
inline constexpr int kStatusWidth = 110;
inline constexpr int kStatusHeight = 24;

/// Where progress dot `i` (1 to 4) stands.
constexpr Point DotPosition(int i) { return {107 + 29 * (i - 1), 119}; }

/// Status line colours as red, green, blue.
struct Rgb {
  unsigned char red, green, blue;
};
constexpr Rgb ColourOf(StatusColour colour) {
  switch (colour) {
    case StatusColour::kBlue:
      return {0, 0, 255};
    case StatusColour::kRed:
      return {255, 0, 0};
    case StatusColour::kGreen:
      return {30, 198, 0};
  }
  return {0, 0, 0};
}

// Poll timer.
inline constexpr int kPollTimerId = 1024;
inline constexpr int kPollPeriodMs = 250;

/// Exit status of the process when the user presses Esc.
inline constexpr int kEscapeExitStatus = 12345;

}  // namespace ordertable
