#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>

#include "app/wizard_host.h"

namespace ordertable {

/// The wizard dialog's event handler: a platform-free state machine over a WizardHost.
class Wizard {
 public:
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

 private:
  // Steps.
  void BuildFirstStep();
  void BuildStep(std::string_view text, int right_id, std::string_view right_text, int left_id = 0,
                 std::string_view left_text = {});
  void EnterCapture();
  void CancelCapture();
  void Escape();

  // Timer tick, capture and build.
  void AdvanceDots();
  void PollClipboard();
  void CapturePage();
  bool FastRebuildAccepted();
  void StorePage(const std::string& page_text, bool already_cached);
  void ExpectNextPage();
  bool BlinkDots();
  bool ShowAllDots(Picture picture);
  bool LetEventsThrough();
  void StartBuild(std::string_view caption);
  void PollWorker();
  std::string ResultText(const BuildOutcome& outcome) const;
  std::string WriteFailedText() const;

  // Controls and timer, tracked so that a command is taken only from a live button.
  void AddButton(int id, std::string_view text, Slot slot);
  void RemoveButton(int id);
  void StartTimer();
  void StopTimer();

  WizardHost& host_;
  std::filesystem::path folder_;

  bool update_mode_ = false;
  std::int64_t captured_pages_ = 0;
  std::int64_t total_pages_ = 0;  // 0 = not read yet
  int lit_dot_ = 0;               // 0 = no dot lit yet

  std::set<int> live_buttons_;  // created and not disabled
  bool timer_running_ = false;
  bool page_ready_due_ = false;  // set by the clipboard poll around its notification
  bool capturing_ = false;
  bool cancel_pending_ = false;  // Cancel pressed while the capture let events through
  bool in_build_step_ = false;
  bool worker_running_ = false;
  bool ended_ = false;  // the dialog was ended; nothing more may start
};

}  // namespace ordertable
