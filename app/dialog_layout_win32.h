#pragma once

// What only the Win32 dialog needs to know of its own form: sizes, slots, colours, the timer.

#include <windows.h>

#include "app/controls.h"
#include "app/wizard_host.h"

namespace ordertable {

// Dialog geometry, in client-area pixels.
inline constexpr int kClientWidth = 320;
inline constexpr int kClientHeight = 200;
inline constexpr Point kMessagePosition{8, 8};
inline constexpr int kMessageWidth = 304;
inline constexpr int kButtonWidth = 80;
inline constexpr int kButtonHeight = 24;
inline constexpr Point kRightSlot{232, 168};
inline constexpr Point kLeftSlot{144, 168};
inline constexpr Point kFarLeftSlot{56, 168};
inline constexpr int kStatusWidth = 110;
inline constexpr int kStatusHeight = 24;

/// The status line's colours.
constexpr COLORREF ColourOf(StatusColour colour) {
  switch (colour) {
    case StatusColour::kBlue:
      return RGB(0, 0, 255);
    case StatusColour::kRed:
      return RGB(255, 0, 0);
    case StatusColour::kGreen:
      return RGB(30, 198, 0);
  }
  return RGB(0, 0, 0);
}

// Poll timer.
inline constexpr UINT_PTR kPollTimerId = 1024;
inline constexpr UINT kPollPeriodMs = 250;

}  // namespace ordertable
