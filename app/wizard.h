#pragma once

#include <filesystem>

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
  // The implementation adds its state here.
};

}  // namespace ordertable
