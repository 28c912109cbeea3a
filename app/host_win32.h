#pragma once

#include <windows.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/dialog_win32.h"
#include "app/handles_win32.h"
#include "app/wizard_host.h"

namespace ordertable {

/// The wizard's host on Windows: the dialog's operations, the poll timer, the clipboard, the
/// message box, the build worker's thread, the shell and the key sender.
class Win32Host final : public WizardHost {
 public:
  /// `folder` is where the build worker reads the cached pages and writes the document.
  Win32Host(WizardDialog& dialog, std::filesystem::path folder);
  Win32Host(const Win32Host&) = delete;
  Win32Host& operator=(const Win32Host&) = delete;
  /// Waits for a worker that still runs, so the document is never left half written.
  ~Win32Host() override;

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

  /// What the worker's thread works on; the dialog reads `outcome` only after the thread ended.
  struct BuildJob {
    std::filesystem::path folder;
    bool update_mode = false;
    BuildOutcome outcome;
  };

 private:
  BuildOutcome FinishWorker();

  WizardDialog& dialog_;
  std::filesystem::path folder_;
  UniqueHandle worker_;
  std::unique_ptr<BuildJob> job_;
};

/// Hands the dialog's events to any handler with the wizard's five event functions.
template <typename Handler>
class ForwardEvents final : public DialogEvents {
 public:
  explicit ForwardEvents(Handler& handler) : handler_(handler) {}
  void OnInit() override { handler_.OnInit(); }
  void OnCommand(int id) override { handler_.OnCommand(id); }
  void OnTimerTick() override { handler_.OnTimerTick(); }
  void OnPageReady() override { handler_.OnPageReady(); }
  void OnClose() override { handler_.OnClose(); }

 private:
  Handler& handler_;
};

}  // namespace ordertable
