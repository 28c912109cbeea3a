#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/wizard.h"
#include "app/wizard_host.h"

namespace ordertable::test {

/// A text as the transcript shows it: in double quotes, with CR, LF, quotes, backslashes and
/// other unprintable bytes escaped (`\r`, `\n`, `\"`, `\\`, `\xNN`).
std::string Quoted(std::string_view text);

/// A WizardHost that records every call as one readable transcript line, such as
/// `status blue "Expected: page 2/12"`, keeps a model of the dialog (controls, message,
/// status line, timer) for checks, and plays the user's part from a script: the clipboard,
/// the answers to questions, and events that arrive while the wizard lets events through.
class FakeHost : public WizardHost {
 public:
  enum class WorkerMode {
    kRunAtOnce,    ///< the build runs to its end when it is started
    kHold,         ///< the worker reports "still running" until ReleaseWorker
    kFailToStart,  ///< the worker cannot be started
  };

  explicit FakeHost(std::filesystem::path folder);

  /// The wizard that receives the page-ready notification and the scripted events.
  void Attach(Wizard& wizard) { wizard_ = &wizard; }

  // The transcript.
  const std::vector<std::string>& Transcript() const { return transcript_; }
  /// The transcript so far; it starts again empty.
  std::vector<std::string> TakeTranscript();

  // The user's part.
  void SetClipboard(std::string text) {
    clipboard_ = std::move(text);
    ++clipboard_changes_;
  }
  const std::string& Clipboard() const { return clipboard_; }
  /// The next question is answered with `yes`; an unscripted question is a test failure.
  void AnswerNextQuestion(bool yes) { answers_.push_back(yes); }
  /// Runs `event` (for example a command to the wizard) at the `pump`-th let-events-through
  /// from now (1 = the next one); the transcript shows `event <label>` where it runs.
  void DeliverAtPump(int pump, std::string label, std::function<void()> event);
  /// Runs `event` while the next question is shown (the message box lets events through).
  void DeliverDuringQuestion(std::string label, std::function<void()> event);

  // The build worker.
  void SetWorkerMode(WorkerMode mode) { worker_mode_ = mode; }
  /// The worker ends with `outcome` instead of running the real table build.
  void ScriptWorkerOutcome(BuildOutcome outcome) { scripted_outcome_ = outcome; }
  /// A held worker runs the build now and reports its end on the next poll.
  void ReleaseWorker();
  int WorkerStarts() const { return worker_starts_; }
  /// The update mode the last worker was started with.
  bool WorkerUpdateMode() const { return worker_update_mode_; }

  // The model of the dialog.
  struct Control {
    std::string kind;  ///< "button", "picture" or "status line"
    std::string text;  ///< the button's text or the picture's name
    bool disabled = false;
  };
  const std::map<int, Control>& Controls() const { return controls_; }
  /// The ids of the controls that exist, in increasing order.
  std::vector<int> ControlIds() const;
  const std::string& MessageText() const { return message_; }
  int MessageHeight() const { return message_height_; }
  /// The status line's last text as `blue "..."`; empty while it has never been printed.
  const std::string& Status() const { return status_; }
  bool TimerRunning() const { return timer_running_; }
  /// The dots lit now (1 to 4).
  std::vector<int> LitDots() const;
  bool DialogEnded() const { return dialog_result_.has_value(); }
  std::optional<int> ExitStatus() const { return exit_status_; }

  // WizardHost.
  void SetMessageText(const std::string& text) override;
  void SetMessageHeight(int height) override;
  void AddButton(int id, const std::string& text, Slot slot) override;
  void AddPicture(int id, Picture picture, Point position) override;
  void AddStatusLine(int id, Point position) override;
  void RemoveControl(int id) override;
  void DisableControl(int id) override;
  void SetPicture(int id, Picture picture) override;
  void StatusPrint(StatusColour colour, const std::string& text) override;
  void LetEventsThrough() override;
  void RedrawDialog() override;
  void EndDialog(int result) override;
  void StartPollTimer() override;
  void StopPollTimer() override;
  bool ClipboardChangedSince(std::uint64_t* mark) override;
  std::string ReadClipboardText() override;
  void EmptyClipboard() override;
  void SendPageReady() override;
  void MinimiseDialog() override;
  void RestoreDialog() override;
  bool AskYesNo(const std::string& text) override;
  bool StartBuildWorker(bool update_mode) override;
  std::optional<BuildOutcome> PollBuildWorker() override;
  BuildOutcome WaitForBuildWorker() override;
  void OpenDocument(const std::string& file_name) override;
  void ShowInExplorer(const std::string& file_name) override;
  void SendKeys(const std::string& script) override;
  void Wait(int milliseconds) override;
  void ExitProcess(int status) override;

 private:
  void Record(std::string line) { transcript_.push_back(std::move(line)); }
  void AddControl(int id, Control control);
  BuildOutcome RunWorker();

  std::filesystem::path folder_;
  Wizard* wizard_ = nullptr;
  std::vector<std::string> transcript_;

  std::string clipboard_;
  std::uint64_t clipboard_changes_ = 0;
  std::deque<bool> answers_;
  int pumps_ = 0;
  struct Event {
    std::string label;
    std::function<void()> run;
  };
  void Deliver(const Event& event);
  std::multimap<int, Event> pump_events_;  // by pump number
  std::deque<Event> question_events_;

  WorkerMode worker_mode_ = WorkerMode::kRunAtOnce;
  std::optional<BuildOutcome> scripted_outcome_;
  enum class WorkerState { kNone, kRunning, kEnded };
  WorkerState worker_state_ = WorkerState::kNone;
  std::optional<BuildOutcome> worker_outcome_;
  int worker_starts_ = 0;
  bool worker_update_mode_ = false;

  std::map<int, Control> controls_;
  std::string message_;
  int message_height_ = 160;
  std::string status_;
  bool timer_running_ = false;
  std::optional<int> dialog_result_;
  std::optional<int> exit_status_;
};

/// Transcript line builders, so that expectations read like the step tables.
namespace line {
std::string Message(std::string_view text);
std::string Height(int height);
std::string Button(int id, std::string_view text, std::string_view slot);
std::string Remove(int id);
std::string Status(std::string_view colour, std::string_view text);
std::string Dot(int dot, bool lit);
}  // namespace line

}  // namespace ordertable::test
