#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/wizard_host.h"
#include "builder/import_plan.h"
#include "orders/order_list.h"

namespace ordertable {

/// The wizard dialog's event handler: a platform-free state machine over a WizardHost.
class Wizard {
 public:
  /// The step the dialog shows.
  enum class Step {
    kIntro,           ///< no table yet: what the program does, Next
    kUpdateQuestion,  ///< a table exists: update it? YES / No
    kErase,           ///< erase the table? ERASE / Prev.
    kAdvice,          ///< 30 orders per page, Next
    kCapture,         ///< pages are taken from the clipboard, Cancel
    kBuild,           ///< the worker builds the table; Cancel greyed
    kResult,          ///< what was done, VIEW / Locate
    kEnded,           ///< the dialog was ended; nothing more may start
  };

  /// `folder` is the working folder (the process's current directory in the program).
  Wizard(WizardHost& host, std::filesystem::path folder);

  /// Once, before the dialog becomes visible: builds the first step.
  void OnInit();
  /// A button was pressed, or the cancel key (id 2).
  void OnCommand(int id);
  /// The poll timer fired.
  void OnTimerTick();
  /// The page-ready notification sent through WizardHost::SendPageReady.
  void OnPageReady();
  /// The close box or Close in the system menu.
  void OnClose();

  Step step() const { return step_; }

 private:
  // The buttons of the steps that have more than one.
  void OnUpdateQuestionCommand(int id);
  void OnEraseCommand(int id);
  void OnAdviceCommand(int id);
  void OnResultCommand(int id);

  // Steps.
  void BuildFirstStep();
  void BuildStep(Step step, std::string_view text, int right_id, std::string_view right_text,
                 int left_id = 0, std::string_view left_text = {});
  void EnterAdvice();
  void EnterCapture();
  void CancelCapture();
  void Escape();
  void End();

  // Timer tick, capture and build.
  void AdvanceDots();
  void PollClipboard();
  void CapturePage();
  void TakeCapture();
  void RejectCapture(std::string_view status, std::string_view message);
  bool FastRebuildAccepted();
  void AfterPageTaken(ImportPlan::PageStep step);
  void ExpectNextPage();
  bool BlinkDots();
  bool ShowAllDots(Picture picture);
  bool LetEventsThrough();
  void StartBuild(std::string_view caption);
  void PollWorker();
  std::string ResultText(const BuildOutcome& outcome) const;
  std::string FailureText(const BuildOutcome& outcome) const;

  void StartTimer();
  void StopTimer();

  WizardHost& host_;
  std::filesystem::path folder_;
  Step step_ = Step::kIntro;

  bool update_mode_ = false;
  // The rules of this capture: which pages or capture it takes, and what is built.
  ImportPlan plan_;
  // This run's hold on the folder, from the start of the capture to the end of the build, so
  // that no other run changes the table or the cached pages meanwhile.
  std::optional<TableRun> run_;
  std::string start_note_;            // what the start put right, said in the first step
  int lit_dot_ = 0;                   // 0 = no dot lit yet
  bool timer_running_ = false;        // a tick queued before the timer stopped is not the timer's
  bool worker_started_ = false;       // in the build step: the worker could be started
  bool advice_shows_steps_ = false;   // the advice step shows the steps of a capture
  std::uint64_t clipboard_mark_ = 0;  // the clipboard content the poll looked at last
  // The capture of today's order list that the poll found, taken by the page-ready
  // notification that follows.
  std::optional<OrderListCapture> found_capture_;

  // The page capture lets events through while it runs, so it must know about itself.
  enum class Capture {
    kIdle,
    kDue,      ///< the clipboard poll is sending its page-ready notification
    kRunning,  ///< the page capture runs
  };
  Capture capture_ = Capture::kIdle;
  bool cancel_pending_ = false;  // Cancel pressed while the capture let events through
};

}  // namespace ordertable
