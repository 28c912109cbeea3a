#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "builder/table_build.h"

namespace ordertable {

/// Where a step's button stands: the forward button right, its alternative left, and a third
/// button left of that.
enum class Slot { kRight, kLeft, kFarLeft };

/// The dialog's bitmap resources.
enum class Picture { kCopy, kPaste, kDotUnlit, kDotLit };

/// The status line's three text colours.
enum class StatusColour { kBlue, kRed, kGreen };

/// A control's place in the dialog's client area, in pixels.
struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

/// Everything the wizard asks of the platform. No window handle, message number or platform
/// type crosses it; the Win32 dialog implements it for real, tests with a recording fake.
class WizardHost {
 public:
  virtual ~WizardHost() = default;

  // Dialog operations.
  /// Replaces the message label's text.
  virtual void SetMessageText(const std::string& text) = 0;
  /// Sets the message label's height (its position and width never change).
  virtual void SetMessageHeight(int height) = 0;
  /// Creates a push button in a slot.
  virtual void AddButton(int id, const std::string& text, Slot slot) = 0;
  /// Creates a bitmap control the size of its picture.
  virtual void AddPicture(int id, Picture picture, Point position) = 0;
  /// Creates the owner-drawn status line.
  virtual void AddStatusLine(int id, Point position) = 0;
  /// Destroys a control; an id that does not exist is ignored.
  virtual void RemoveControl(int id) = 0;
  /// Greys a control and stops it from reacting.
  virtual void DisableControl(int id) = 0;
  /// Shows another picture in a bitmap control; an id that does not exist is ignored.
  virtual void SetPicture(int id, Picture picture) = 0;
  /// Fills the status line and draws one line of text; nothing while it does not exist.
  virtual void StatusPrint(StatusColour colour, const std::string& text) = 0;
  /// Lets the dialog process one pending event, or waits 1 ms when none is pending. Whatever
  /// the user can do arrives here, re-entering the wizard before this returns: a command (a
  /// button, or Esc as id 2), the close box, a timer tick that was already queued. The
  /// page-ready notification never does: only SendPageReady delivers it.
  virtual void LetEventsThrough() = 0;
  /// Redraws the whole dialog.
  virtual void RedrawDialog() = 0;
  /// Ends the modal dialog.
  virtual void EndDialog(int result) = 0;

  // Poll timer.
  virtual void StartPollTimer() = 0;
  virtual void StopPollTimer() = 0;

  // Clipboard.
  /// True when the clipboard's content may have changed since the call that left `*mark` as
  /// it is (a mark of 0 always answers true); `*mark` then stands for the content of now.
  /// Cheap: a text of tens of megabytes is only read when this says it changed.
  virtual bool ClipboardChangedSince(std::uint64_t* mark) = 0;
  /// The clipboard's text in UTF-8, up to its terminating NUL; empty when there is none.
  virtual std::string ReadClipboardText() = 0;
  virtual void EmptyClipboard() = 0;
  /// Delivers the page-ready notification to the dialog; returns after it was handled.
  virtual void SendPageReady() = 0;

  // Window.
  virtual void MinimiseDialog() = 0;
  virtual void RestoreDialog() = 0;
  /// A Yes/No question with the question icon, captioned like the dialog; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;

  // Build worker.
  /// Starts the table build in the background; false when it could not be started.
  virtual bool StartBuildWorker(bool update_mode) = 0;
  /// The outcome once the worker has ended; nothing while it still runs.
  virtual std::optional<BuildOutcome> PollBuildWorker() = 0;
  /// Blocks until the worker has ended and returns its outcome.
  virtual BuildOutcome WaitForBuildWorker() = 0;

  // Shell, keys, time and process.
  /// Opens the document in the program associated with its type.
  virtual void OpenDocument(const std::string& file_name) = 0;
  /// Opens a file explorer window with the document selected.
  virtual void ShowInExplorer(const std::string& file_name) = 0;
  /// Sends a key script to the window that has the keyboard focus; returns once that window
  /// has read the keys, or after a quarter of a second at most.
  virtual void SendKeys(const std::string& script) = 0;
  /// Waits without handling any event.
  virtual void Wait(int milliseconds) = 0;
  /// Ends the whole process at once.
  virtual void ExitProcess(int status) = 0;
};

}  // namespace ordertable
