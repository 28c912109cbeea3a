#pragma once

#include "app/wizard_host.h"

namespace ordertable {

// Control ids. Each button belongs to one step, so a command is handled by its id alone.
inline constexpr int kMessageLabel = 991;
/// The dialog manager's IDCANCEL: the command the cancel key (Esc) sends. The hidden Cancel
/// button carries it so that Esc has a control to come from.
inline constexpr int kIdCancel = 2;
inline constexpr int kIntroNext = 1001;
inline constexpr int kAdviceNext = 1002;
inline constexpr int kCaptureCancel = 1003;
/// The advice step's second button: the steps of a capture of today's order page.
inline constexpr int kAdviceCaptureSteps = 1004;
/// Shown with those steps: writes the page that hands over the bookmark, and opens it.
inline constexpr int kAdviceBookmark = 1005;
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

/// Progress dot `dot` (1 to 4).
constexpr int DotId(int dot) { return kFirstDot + dot - 1; }

// Where the wizard puts its controls, in client-area pixels.
inline constexpr int kMessageTall = 160;
inline constexpr int kMessageShort = 60;
inline constexpr Point kCopyPosition{36, 96};
inline constexpr Point kPastePosition{233, 98};
inline constexpr Point kStatusPosition{107, 87};

/// Where progress dot `i` (1 to 4) stands.
constexpr Point DotPosition(int i) { return {107 + 29 * (i - 1), 119}; }

/// How long the capture step waits for another run to let go of the folder.
inline constexpr int kWizardLockWaitMs = 1000;

/// Exit status of the process when the user presses Esc.
inline constexpr int kEscapeExitStatus = 12345;

}  // namespace ordertable
