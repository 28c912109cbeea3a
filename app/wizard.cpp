#include "app/wizard.h"

#include <utility>

#include "app/controls.h"
#include "app/wizard_texts.h"
#include "builder/capture_build.h"
#include "files/files.h"
#include "orders/order_list.h"
#include "orders/page_files.h"
#include "orders/text.h"
#include "table/bookmark_page.h"
#include "table/document.h"
#include "table/overlap.h"

namespace ordertable {
namespace {

std::string Join(std::string_view a, std::string_view b) {
  std::string joined(a);
  joined += b;
  return joined;
}

}  // namespace

Wizard::Wizard(WizardHost& host, std::filesystem::path folder)
    : host_(host), folder_(std::move(folder)), plan_(folder_, false) {}

// ---------------------------------------------------------------------------------------------
// Events

void Wizard::OnInit() {
  // A table that a stopped run left only as its backup or a temporary file is put back first,
  // so that the wizard offers to update it. Another run at work has the folder: it is left to
  // that run.
  std::string message;
  bool busy = false;
  if (std::optional<TableRun> run = BeginTableRun(folder_, 0, &message, &busy)) {
    start_note_ = std::move(run->note);
  }
  update_mode_ = TableExists(folder_);
  BuildFirstStep();
}

void Wizard::OnCommand(int id) {
  if (step_ == Step::kEnded) return;
  if (id == kIdCancel) {
    Escape();
    return;
  }
  if (capture_ == Capture::kRunning) {
    // The capture lets events through while it runs; it must end before the step changes.
    if (step_ == Step::kCapture && id == kCaptureCancel) cancel_pending_ = true;
    return;
  }
  // Each button belongs to one step: a command from a button of another step (a click queued
  // before the button was removed) belongs to a step that has been left.
  switch (step_) {
    case Step::kIntro:
      if (id == kIntroNext) EnterAdvice();
      break;
    case Step::kUpdateQuestion:
      OnUpdateQuestionCommand(id);
      break;
    case Step::kErase:
      OnEraseCommand(id);
      break;
    case Step::kAdvice:
      OnAdviceCommand(id);
      break;
    case Step::kCapture:
      if (id == kCaptureCancel) CancelCapture();
      break;
    case Step::kBuild:  // its one button is greyed
    case Step::kEnded:
      break;
    case Step::kResult:
      OnResultCommand(id);
      break;
  }
}

void Wizard::OnTimerTick() {
  // A tick that was already queued when the timer stopped is not the timer's any more.
  if (step_ == Step::kEnded || !timer_running_) return;
  AdvanceDots();
  if (step_ == Step::kBuild) {
    // During the build nothing is taken from the clipboard: no second build may start and
    // no cached page file may change while the worker reads them.
    if (worker_started_) PollWorker();
    return;
  }
  PollClipboard();
}

void Wizard::OnPageReady() {
  // Only the clipboard poll's own notification starts a capture; the platform may use the
  // same message number for its own questions.
  if (step_ == Step::kEnded || capture_ != Capture::kDue) return;
  capture_ = Capture::kRunning;
  CapturePage();
  capture_ = Capture::kIdle;
  if (cancel_pending_) {
    cancel_pending_ = false;
    if (step_ == Step::kCapture) CancelCapture();
  }
}

void Wizard::OnClose() {
  if (step_ == Step::kEnded) return;
  End();
}

// ---------------------------------------------------------------------------------------------
// Steps and their buttons

void Wizard::OnUpdateQuestionCommand(int id) {
  if (id == kUpdateYes) {
    EnterAdvice();
  } else if (id == kUpdateNo) {
    host_.RemoveControl(kUpdateYes);
    host_.RemoveControl(kUpdateNo);
    BuildStep(Step::kErase, texts::kErase, kEraseConfirm, texts::kEraseButton, kErasePrevious,
              texts::kPrevious);
  }
}

void Wizard::OnEraseCommand(int id) {
  if (id != kEraseConfirm && id != kErasePrevious) return;
  host_.RemoveControl(kEraseConfirm);
  host_.RemoveControl(kErasePrevious);
  // The table is moved aside, not deleted: until a new table is written, the rows (and the
  // ratings corrected by hand) live on in the backup, whatever becomes of the capture. A table
  // that stays where it is would be replaced by the new one: the step is asked again.
  if (id == kEraseConfirm && !files::Rename(folder_ / kTableDocument, folder_ / kTableBackup)) {
    BuildStep(Step::kErase, texts::kEraseFailed, kEraseConfirm, texts::kEraseButton, kErasePrevious,
              texts::kPrevious);
    return;
  }
  update_mode_ = id == kErasePrevious;
  BuildFirstStep();
}

void Wizard::OnAdviceCommand(int id) {
  if (id == kAdviceNext) {
    EnterCapture();
  } else if (id == kAdviceCaptureSteps) {
    // The button shows the steps of today's route, and the advice again when pressed again.
    advice_shows_steps_ = !advice_shows_steps_;
    host_.SetMessageText(std::string(advice_shows_steps_ ? texts::kCaptureSteps : texts::kAdvice));
    // With the steps comes the button that hands over the bookmark they lead with.
    if (advice_shows_steps_) {
      host_.AddButton(kAdviceBookmark, std::string(texts::kBookmarkButton), Slot::kFarLeft);
    } else {
      host_.RemoveControl(kAdviceBookmark);
    }
  } else if (id == kAdviceBookmark && advice_shows_steps_) {
    // The page is written anew each time, so that it always carries this version's bookmark.
    std::string reason;
    if (WriteBookmarkPage(folder_ / kBookmarkPage, &reason)) {
      host_.OpenDocument(kBookmarkPage);
    } else {
      host_.SetMessageText(std::string(texts::kBookmarkNotWritten) + reason + ".");
    }
  }
}

void Wizard::OnResultCommand(int id) {
  if (id == kResultView) host_.OpenDocument(kTableDocument);
  if (id == kResultLocate) host_.ShowInExplorer(kTableDocument);
}

void Wizard::BuildFirstStep() {
  // What the start put right is said once, under the first step's own text.
  std::string note;
  if (!start_note_.empty()) note = "\r\n\r\n" + std::exchange(start_note_, {}) + ".";
  if (update_mode_) {
    BuildStep(Step::kUpdateQuestion, std::string(texts::kUpdateQuestion) + note, kUpdateYes,
              texts::kYes, kUpdateNo, texts::kNo);
  } else {
    BuildStep(Step::kIntro, std::string(texts::kIntro) + note, kIntroNext, texts::kNext);
  }
}

void Wizard::BuildStep(Step step, std::string_view text, int right_id, std::string_view right_text,
                       int left_id, std::string_view left_text) {
  step_ = step;
  host_.SetMessageText(std::string(text));
  host_.AddButton(right_id, std::string(right_text), Slot::kRight);
  if (left_id != 0) host_.AddButton(left_id, std::string(left_text), Slot::kLeft);
}

void Wizard::EnterAdvice() {
  host_.RemoveControl(kIntroNext);
  host_.RemoveControl(kUpdateYes);
  host_.RemoveControl(kUpdateNo);
  advice_shows_steps_ = false;
  BuildStep(Step::kAdvice, texts::kAdvice, kAdviceNext, texts::kNext, kAdviceCaptureSteps,
            texts::kCaptureStepsButton);
}

void Wizard::EnterCapture() {
  // The capture holds the folder until its build ends: another run may neither change the
  // table nor clear the cached pages meanwhile. One at work now is waited for briefly.
  std::string message;
  bool busy = false;
  run_ = BeginTableRun(folder_, kWizardLockWaitMs, &message, &busy);
  if (!run_) {
    host_.SetMessageText(busy ? std::string(texts::kFolderBusy)
                              : std::string(texts::kFolderNotLocked) + message + ".");
    return;
  }
  plan_ = ImportPlan(folder_, update_mode_);
  step_ = Step::kCapture;
  clipboard_mark_ = 0;  // whatever the clipboard holds already is looked at
  host_.RemoveControl(kAdviceNext);
  host_.RemoveControl(kAdviceCaptureSteps);
  if (advice_shows_steps_) host_.RemoveControl(kAdviceBookmark);
  host_.SetMessageText(std::string(texts::kInstruction));
  host_.AddButton(kCaptureCancel, std::string(texts::kCancel), Slot::kRight);
  host_.SetMessageHeight(kMessageShort);
  host_.AddPicture(kCopyPicture, Picture::kCopy, kCopyPosition);
  host_.AddPicture(kPastePicture, Picture::kPaste, kPastePosition);
  for (int dot = 1; dot <= kDotCount; ++dot) {
    host_.AddPicture(DotId(dot), Picture::kDotUnlit, DotPosition(dot));
  }
  host_.AddStatusLine(kStatusLine, kStatusPosition);
  StartTimer();
  host_.StatusPrint(StatusColour::kBlue, std::string(texts::kFirstExpectation));
}

void Wizard::CancelCapture() {
  // The capture step is left here: its Cancel, queued twice, must not cancel twice.
  step_ = update_mode_ ? Step::kUpdateQuestion : Step::kIntro;
  host_.RemoveControl(kCaptureCancel);
  StopTimer();
  for (int id = kCopyPicture; id <= kStatusLine; ++id) {
    host_.RemoveControl(id);
    host_.LetEventsThrough();
  }
  host_.SetMessageHeight(kMessageTall);
  host_.LetEventsThrough();
  // A capture stored for a build that did not start must not stand in for the pages of a
  // later run.
  files::RemoveFile(StoredCaptureFile(folder_));
  run_.reset();
  if (step_ == Step::kEnded) return;
  BuildFirstStep();
}

void Wizard::Escape() {
  End();
  host_.ExitProcess(kEscapeExitStatus);
}

void Wizard::End() {
  // The document and its backup are only safe once the worker has finished writing them.
  if (step_ == Step::kBuild && worker_started_) host_.WaitForBuildWorker();
  run_.reset();
  step_ = Step::kEnded;
  host_.EndDialog(0);
}

// ---------------------------------------------------------------------------------------------
// Timer tick and clipboard poll

void Wizard::AdvanceDots() {
  if (lit_dot_ > 0) host_.SetPicture(DotId(lit_dot_), Picture::kDotUnlit);
  lit_dot_ = lit_dot_ % kDotCount + 1;
  host_.SetPicture(DotId(lit_dot_), Picture::kDotLit);
}

// The clipboard is looked at only when it changed: a HAR of tens of megabytes left on it
// would otherwise be read and searched four times a second.
void Wizard::PollClipboard() {
  if (!host_.ClipboardChangedSince(&clipboard_mark_)) return;
  std::string text = host_.ReadClipboardText();
  // An empty text may be a clipboard that another program held open: look again next time.
  if (text.empty()) clipboard_mark_ = 0;
  if (MentionsOrderListApi(text) && !HoldsOrderListPage(text)) {
    OrderListCapture capture = ReadOrderListCapture(std::move(text));
    if (capture.replies == 0 && capture.fault == OrderListCapture::Fault::kNone) {
      // Today's page source, as the older route has the shopper copy it: it names the API but
      // holds no order. Tell how to capture the orders instead.
      host_.SetMessageText(std::string(texts::kCaptureHowTo));
      return;
    }
    found_capture_ = std::move(capture);
  } else if (!HoldsOrderListPage(text)) {
    return;
  }
  StopTimer();
  capture_ = Capture::kDue;
  host_.SendPageReady();
  if (capture_ == Capture::kDue) capture_ = Capture::kIdle;
  found_capture_.reset();
}

// ---------------------------------------------------------------------------------------------
// Page capture. Every point that lets events through may bring a Cancel, Esc or the close
// box; the capture then stops there, leaving what it did so far, and starts nothing more.

bool Wizard::LetEventsThrough() {
  host_.LetEventsThrough();
  return !cancel_pending_ && step_ != Step::kEnded;
}

bool Wizard::ShowAllDots(Picture picture) {
  for (int dot = 1; dot <= kDotCount; ++dot) {
    host_.SetPicture(DotId(dot), picture);
    if (!LetEventsThrough()) return false;
  }
  return true;
}

bool Wizard::BlinkDots() {
  for (int blink = 0; blink < 3; ++blink) {
    if (!ShowAllDots(Picture::kDotLit)) return false;
    host_.Wait(500);
    if (!ShowAllDots(Picture::kDotUnlit)) return false;
    host_.Wait(500);
  }
  return true;
}

void Wizard::CapturePage() {
  if (found_capture_) {
    TakeCapture();
    return;
  }
  host_.StatusPrint(StatusColour::kGreen, std::string(texts::kTreatingOrders));
  if (!ShowAllDots(Picture::kDotUnlit)) return;

  // The browser's source view is in front: Ctrl+W closes it. Minimising and restoring
  // brings the dialog back in front of the browser.
  host_.SendKeys(std::string(texts::kCloseTabScript));
  host_.MinimiseDialog();
  host_.RestoreDialog();
  if (!LetEventsThrough()) return;
  host_.RedrawDialog();
  if (!LetEventsThrough()) return;

  const std::string page_text = CleanUpText(host_.ReadClipboardText());
  host_.EmptyClipboard();

  const PageCounter counter = ReadPageCounter(page_text);
  plan_.NotePageCount(counter);
  const bool rebuild = FastRebuildAccepted();
  // The question box runs its own event loop.
  if (cancel_pending_ || step_ == Step::kEnded) return;

  const ImportPlan::PageStep step =
      rebuild ? plan_.TakeCachedPages() : plan_.TakePage(page_text, counter.number);
  switch (step) {
    case ImportPlan::PageStep::kWrongPage:
      host_.StatusPrint(StatusColour::kRed, std::string(texts::kWrongPage));
      break;
    case ImportPlan::PageStep::kNotSaved:
      // A page whose file cannot be written is not taken, or its orders would be missing from
      // a table reported as complete: the user copies it again.
      host_.StatusPrint(StatusColour::kRed, std::string(texts::kNotSaved));
      break;
    default:
      if (!BlinkDots()) return;
      AfterPageTaken(step);
      return;
  }
  if (!BlinkDots()) return;
  ExpectNextPage();
}

// A capture of today's order list: one copy holds the whole list, so there is no page to count
// and none to expect next. The shopper is in the developer tools of the orders tab: no Ctrl+W.
void Wizard::TakeCapture() {
  host_.StatusPrint(StatusColour::kGreen, std::string(texts::kTreatingOrders));
  if (!ShowAllDots(Picture::kDotUnlit)) return;
  host_.MinimiseDialog();
  host_.RestoreDialog();
  if (!LetEventsThrough()) return;
  host_.RedrawDialog();
  if (!LetEventsThrough()) return;
  // A Firefox HAR holds the shopper's cookies: it leaves the clipboard, and only the orders
  // are kept.
  host_.EmptyClipboard();
  const OrderListCapture capture = std::move(*found_capture_);
  found_capture_.reset();

  const CaptureVerdict verdict = plan_.JudgeCapture(capture);
  switch (verdict) {
    case CaptureVerdict::kRefused:
    case CaptureVerdict::kNoReply:
      RejectCapture(texts::kRefused, texts::kCaptureRefused);
      return;
    case CaptureVerdict::kIncomplete:
      RejectCapture(texts::kIncomplete, texts::kCaptureIncomplete);
      return;
    case CaptureVerdict::kFiltered:
      RejectCapture(texts::kFiltered, texts::kCaptureFiltered);
      return;
    case CaptureVerdict::kUnreadable:
      RejectCapture(texts::kCutShort, texts::kCaptureCutShort);
      return;
    case CaptureVerdict::kWholeList:
    case CaptureVerdict::kReachesTable:
      break;
  }
  if (!plan_.StoreCapture(capture, nullptr)) {
    RejectCapture(texts::kNotSaved, texts::kInstruction);
    return;
  }
  if (!BlinkDots()) return;
  StartBuild(verdict == CaptureVerdict::kReachesTable ? texts::kUpdatingTable
                                                      : texts::kGeneratingTable);
}

// Nothing is built from a capture that would give a short table: the shopper copies again.
void Wizard::RejectCapture(std::string_view status, std::string_view message) {
  host_.StatusPrint(StatusColour::kRed, std::string(status));
  host_.SetMessageText(std::string(message));
  lit_dot_ = 0;
  StartTimer();
}

// Offered once a run knows its total and before it has taken a page, and only for cached
// pages that all belong to this list: pages left by a run over another page size would mix
// two lists in one table.
bool Wizard::FastRebuildAccepted() {
  if (!plan_.CachedPagesFormTheList()) return false;
  return host_.AskYesNo(Join(texts::kFastRebuild, std::to_string(plan_.page_count())) +
                        std::string(texts::kFastRebuildEnd));
}

void Wizard::AfterPageTaken(ImportPlan::PageStep step) {
  if (step == ImportPlan::PageStep::kReachesTable) {
    StartBuild(texts::kUpdatingTable);
    return;
  }
  if (step == ImportPlan::PageStep::kLast) {
    StartBuild(texts::kGeneratingTable);
    return;
  }
  if (plan_.pages_taken() == 1) host_.SetMessageText(std::string(texts::kNextPage));
  ExpectNextPage();
}

void Wizard::ExpectNextPage() {
  host_.StatusPrint(StatusColour::kBlue, std::string(texts::kExpectation) +
                                             std::to_string(plan_.pages_taken() + 1) + "/" +
                                             std::to_string(plan_.page_count()));
  lit_dot_ = 0;
  StartTimer();
}

// ---------------------------------------------------------------------------------------------
// Build and result

void Wizard::StartBuild(std::string_view caption) {
  host_.StatusPrint(StatusColour::kGreen, std::string(caption));
  host_.RemoveControl(kCopyPicture);
  if (!LetEventsThrough()) return;
  host_.RemoveControl(kPastePicture);
  if (!LetEventsThrough()) return;
  host_.DisableControl(kCaptureCancel);
  step_ = Step::kBuild;
  // The build reads the pages of this run, 1 to the last one taken, and nothing that an
  // earlier run left above them.
  plan_.DropPagesNotTaken();
  lit_dot_ = 0;
  StartTimer();
  // Update mode is not changed from here on: the worker reads it.
  worker_started_ = host_.StartBuildWorker(update_mode_);
}

void Wizard::PollWorker() {
  const std::optional<BuildOutcome> outcome = host_.PollBuildWorker();
  if (!outcome) return;
  StopTimer();
  step_ = Step::kResult;
  worker_started_ = false;
  for (int id = kCopyPicture; id <= kStatusLine; ++id) {
    host_.RemoveControl(id);
    host_.LetEventsThrough();
  }
  host_.RemoveControl(kCaptureCancel);
  run_.reset();  // the table is written: another run may have the folder
  host_.SetMessageHeight(kMessageTall);
  host_.LetEventsThrough();
  if (step_ == Step::kEnded) return;
  host_.SetMessageText(ResultText(*outcome));
  host_.AddButton(kResultView, std::string(texts::kView), Slot::kRight);
  host_.AddButton(kResultLocate, std::string(texts::kLocate), Slot::kLeft);
}

std::string Wizard::ResultText(const BuildOutcome& outcome) const {
  // A build that found no cached page file (the files or their folder went away after the
  // capture) wrote nothing either: it must not be announced as a table made or up to date.
  if (outcome.result != BuildResult::kDone) return FailureText(outcome);
  const int rows = outcome.row_count;
  std::string text;
  if (!update_mode_) {
    text = Join(texts::kGeneratedHead, std::to_string(rows)) +
           std::string(texts::kGeneratedMiddle) + std::to_string(plan_.pages_taken()) +
           std::string(texts::kGeneratedTail);
  } else if (rows == 0) {
    text = std::string(texts::kUpToDate);
  } else {
    text = Join(texts::kUpdatedHead, std::to_string(rows)) + std::string(texts::kUpdatedTail);
  }
  // Orders of the capture that had no readable order number are not in the table: said, not
  // passed over.
  if (plan_.unreadable_orders() > 0) {
    text += Join(texts::kUnreadableOrdersHead, std::to_string(plan_.unreadable_orders())) +
            std::string(texts::kUnreadableOrdersTail);
  }
  return text;
}

// The build never destroys the table it found, and says where it left it.
std::string Wizard::FailureText(const BuildOutcome& outcome) const {
  std::string text(update_mode_ ? texts::kNotUpdatedHead : texts::kNotGeneratedHead);
  switch (outcome.kept_in) {
    case TableKeptIn::kDocument:
      text += texts::kStillInDocument;
      break;
    case TableKeptIn::kBackup:
      text += texts::kKeptInBackup;
      break;
    case TableKeptIn::kNowhere:
      text += texts::kStillOnline;
      break;
  }
  if (outcome.failure == BuildFailure::kOutOfMemory) {
    text += texts::kRetryMemory;
  } else if (outcome.failure == BuildFailure::kFolderInTheWay) {
    text += texts::kRetryFolderInTheWay;
  } else if (outcome.failure == BuildFailure::kAssetsUnwritable) {
    text += texts::kRetryAssets;
  } else if (outcome.kept_in == TableKeptIn::kNowhere) {
    text += texts::kRetryReadOnly;
  } else {
    text += texts::kRetryTableOpen;
  }
  return text;
}

// ---------------------------------------------------------------------------------------------
// Timer

void Wizard::StartTimer() {
  host_.StartPollTimer();
  timer_running_ = true;
}

void Wizard::StopTimer() {
  host_.StopPollTimer();
  timer_running_ = false;
}

}  // namespace ordertable
