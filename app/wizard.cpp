#include "app/wizard.h"

#include <array>
#include <system_error>
#include <utility>

#include "app/controls.h"
#include "app/wizard_texts.h"
#include "orders/file_io.h"
#include "orders/page_files.h"
#include "orders/text.h"
#include "table/document.h"
#include "table/overlap.h"

namespace ordertable {
namespace {

constexpr int DotId(int dot) { return kFirstDot + dot - 1; }

// An order-list page copied from the browser's source view carries all four, with case.
bool HoldsOrderListPage(std::string_view text) {
  const std::array<std::string_view, 4> markers{"<html>", "Alibaba Manufacturer Directory",
                                                kPageCounterTag, "</html>"};
  for (const std::string_view marker : markers) {
    if (text.find(marker) == std::string_view::npos) return false;
  }
  return true;
}

std::string Join(std::string_view a, std::string_view b) {
  std::string joined(a);
  joined += b;
  return joined;
}

}  // namespace

Wizard::Wizard(WizardHost& host, std::filesystem::path folder)
    : host_(host), folder_(std::move(folder)) {}

// ---------------------------------------------------------------------------------------------
// Events

void Wizard::OnInit() {
  update_mode_ = IsOrdinaryFile(folder_ / kTableDocument);
  BuildFirstStep();
}

void Wizard::OnCommand(int id) {
  if (ended_) return;
  if (id == kHiddenCancel) {
    Escape();
    return;
  }
  // Each button belongs to one step: a command from a button that is gone or greyed (a
  // click queued before it was removed) belongs to a step that has been left.
  if (!live_buttons_.contains(id)) return;
  if (capturing_) {
    // The capture lets events through while it runs; it must end before the step changes.
    if (id == kCaptureCancel) cancel_pending_ = true;
    return;
  }
  switch (id) {
    case kIntroNext:
    case kUpdateYes:
      RemoveButton(kIntroNext);
      RemoveButton(kUpdateYes);
      RemoveButton(kUpdateNo);
      BuildStep(texts::kAdvice, kAdviceNext, texts::kNext);
      break;
    case kUpdateNo:
      RemoveButton(kUpdateYes);
      RemoveButton(kUpdateNo);
      BuildStep(texts::kErase, kEraseConfirm, texts::kEraseButton, kErasePrevious,
                texts::kPrevious);
      break;
    case kEraseConfirm: {
      RemoveButton(kEraseConfirm);
      RemoveButton(kErasePrevious);
      std::error_code ignored;
      const std::filesystem::path document = folder_ / kTableDocument;
      if (!std::filesystem::is_directory(document, ignored)) {
        std::filesystem::remove(document, ignored);
      }
      update_mode_ = false;
      BuildFirstStep();
      break;
    }
    case kErasePrevious:
      RemoveButton(kEraseConfirm);
      RemoveButton(kErasePrevious);
      update_mode_ = true;
      BuildFirstStep();
      break;
    case kAdviceNext:
      EnterCapture();
      break;
    case kCaptureCancel:
      CancelCapture();
      break;
    case kResultView:
      host_.OpenDocument(kTableDocument);
      break;
    case kResultLocate:
      host_.ShowInExplorer(kTableDocument);
      break;
    default:
      break;
  }
}

void Wizard::OnTimerTick() {
  // A tick that was already queued when the timer stopped is not the timer's any more.
  if (ended_ || !timer_running_) return;
  AdvanceDots();
  if (in_build_step_) {
    // During the build nothing is taken from the clipboard: no second build may start and
    // no cached page file may change while the worker reads them.
    if (worker_running_) PollWorker();
    return;
  }
  PollClipboard();
}

void Wizard::OnPageReady() {
  // Only the clipboard poll's own notification starts a capture; the platform may use the
  // same message number for its own questions.
  if (ended_ || !page_ready_due_ || capturing_) return;
  page_ready_due_ = false;
  capturing_ = true;
  CapturePage();
  capturing_ = false;
  if (cancel_pending_) {
    cancel_pending_ = false;
    if (!ended_) CancelCapture();
  }
}

void Wizard::OnClose() {
  if (ended_) return;
  // The document and its backup are only safe once the worker has finished writing them.
  if (worker_running_) {
    host_.WaitForBuildWorker();
    worker_running_ = false;
  }
  ended_ = true;
  host_.EndDialog(0);
}

// ---------------------------------------------------------------------------------------------
// Steps

void Wizard::BuildFirstStep() {
  if (update_mode_) {
    BuildStep(texts::kUpdateQuestion, kUpdateYes, texts::kYes, kUpdateNo, texts::kNo);
  } else {
    BuildStep(texts::kIntro, kIntroNext, texts::kNext);
  }
}

void Wizard::BuildStep(std::string_view text, int right_id, std::string_view right_text,
                       int left_id, std::string_view left_text) {
  host_.SetMessageText(std::string(text));
  AddButton(right_id, right_text, Slot::kRight);
  if (left_id != 0) AddButton(left_id, left_text, Slot::kLeft);
}

void Wizard::EnterCapture() {
  RemoveButton(kAdviceNext);
  host_.SetMessageText(std::string(texts::kInstruction));
  AddButton(kCaptureCancel, texts::kCancel, Slot::kRight);
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
  RemoveButton(kCaptureCancel);
  StopTimer();
  for (int id = kCopyPicture; id <= kStatusLine; ++id) {
    host_.RemoveControl(id);
    host_.LetEventsThrough();
  }
  host_.SetMessageHeight(kMessageTall);
  host_.LetEventsThrough();
  captured_pages_ = 0;
  total_pages_ = 0;
  BuildFirstStep();
}

void Wizard::Escape() {
  if (worker_running_) {
    host_.WaitForBuildWorker();
    worker_running_ = false;
  }
  ended_ = true;
  host_.EndDialog(0);
  host_.ExitProcess(kEscapeExitStatus);
}

// ---------------------------------------------------------------------------------------------
// Timer tick and clipboard poll

void Wizard::AdvanceDots() {
  if (lit_dot_ > 0) host_.SetPicture(DotId(lit_dot_), Picture::kDotUnlit);
  lit_dot_ = lit_dot_ % kDotCount + 1;
  host_.SetPicture(DotId(lit_dot_), Picture::kDotLit);
}

void Wizard::PollClipboard() {
  if (!HoldsOrderListPage(host_.ReadClipboardText())) return;
  StopTimer();
  page_ready_due_ = true;
  host_.SendPageReady();
  page_ready_due_ = false;
}

// ---------------------------------------------------------------------------------------------
// Page capture. Every point that lets events through may bring a Cancel, Esc or the close
// box; the capture then stops there, leaving what it did so far, and starts nothing more.

bool Wizard::LetEventsThrough() {
  host_.LetEventsThrough();
  return !cancel_pending_ && !ended_;
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
  std::int64_t page = counter.number;
  // A total below 1 is no total: it stays unread, as when the counter has no digits after
  // its "/", so that a later page can name it. Taken as read, it would never be reached and
  // no build could ever start.
  if (total_pages_ == 0 && counter.total > 0) total_pages_ = counter.total;

  bool already_cached = false;
  if (FastRebuildAccepted()) {
    captured_pages_ = total_pages_ - 1;
    page = total_pages_;
    already_cached = true;
  }
  // The question box runs its own event loop.
  if (cancel_pending_ || ended_) return;

  if (page == captured_pages_ + 1) {
    StorePage(page_text, already_cached);
    return;
  }
  host_.StatusPrint(StatusColour::kRed, std::string(texts::kWrongPage));
  if (!BlinkDots()) return;
  ExpectNextPage();
}

bool Wizard::FastRebuildAccepted() {
  if (total_pages_ < 1 || CountCachedPages(folder_) < total_pages_) return false;
  return host_.AskYesNo(Join(texts::kFastRebuild, std::to_string(total_pages_)) +
                        std::string(texts::kFastRebuildEnd));
}

void Wizard::StorePage(const std::string& page_text, bool already_cached) {
  const auto page = static_cast<int>(captured_pages_ + 1);
  // A fast re-build takes the cached page file as it is: writing its own bytes back could
  // only lose it. A page whose file cannot be written is not taken, or its orders would be
  // missing from a table reported as complete: the user copies it again.
  if (!already_cached && !WriteWholeFile(CachedPageFile(folder_, page), page_text)) {
    host_.StatusPrint(StatusColour::kRed, std::string(texts::kNotSaved));
    if (!BlinkDots()) return;
    ExpectNextPage();
    return;
  }
  captured_pages_ = page;
  if (!BlinkDots()) return;

  if (update_mode_ && PageOverlapsTable(folder_, page)) {
    StartBuild(texts::kUpdatingTable);
    return;
  }
  if (total_pages_ == captured_pages_) {
    StartBuild(texts::kGeneratingTable);
    return;
  }
  if (captured_pages_ == 1) host_.SetMessageText(std::string(texts::kNextPage));
  ExpectNextPage();
}

void Wizard::ExpectNextPage() {
  host_.StatusPrint(StatusColour::kBlue, std::string(texts::kExpectation) +
                                             std::to_string(captured_pages_ + 1) + "/" +
                                             std::to_string(total_pages_));
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
  live_buttons_.erase(kCaptureCancel);
  lit_dot_ = 0;
  StartTimer();
  in_build_step_ = true;
  // Update mode is not changed from here on: the worker reads it.
  worker_running_ = host_.StartBuildWorker(update_mode_);
}

void Wizard::PollWorker() {
  const std::optional<BuildOutcome> outcome = host_.PollBuildWorker();
  if (!outcome) return;
  StopTimer();
  worker_running_ = false;
  in_build_step_ = false;
  for (int id = kCopyPicture; id <= kStatusLine; ++id) {
    host_.RemoveControl(id);
    host_.LetEventsThrough();
  }
  RemoveButton(kCaptureCancel);
  host_.SetMessageHeight(kMessageTall);
  host_.LetEventsThrough();
  if (ended_) return;
  host_.SetMessageText(ResultText(*outcome));
  AddButton(kResultView, texts::kView, Slot::kRight);
  AddButton(kResultLocate, texts::kLocate, Slot::kLeft);
}

std::string Wizard::ResultText(const BuildOutcome& outcome) const {
  // A build that found no cached page file (the files or their folder went away after the
  // capture) wrote nothing either: it must not be announced as a table made or up to date.
  if (outcome.result != BuildResult::kDone) return WriteFailedText();
  const int rows = outcome.row_count;
  if (!update_mode_) {
    return Join(texts::kGeneratedHead, std::to_string(rows)) +
           std::string(texts::kGeneratedMiddle) + std::to_string(captured_pages_) +
           std::string(texts::kGeneratedTail);
  }
  if (rows == 0) return std::string(texts::kUpToDate);
  return Join(texts::kUpdatedHead, std::to_string(rows)) + std::string(texts::kUpdatedTail);
}

// The build never destroys the table it found: a failed write leaves it in the document,
// or, when a merge could not move it back, in the backup.
std::string Wizard::WriteFailedText() const {
  std::string_view where = texts::kKeptOnline;
  if (IsOrdinaryFile(folder_ / kTableDocument)) {
    where = texts::kKeptInDocument;
  } else if (update_mode_ && IsOrdinaryFile(folder_ / kTableBackup)) {
    where = texts::kKeptInBackup;
  }
  return Join(update_mode_ ? texts::kNotUpdatedHead : texts::kNotGeneratedHead, where);
}

// ---------------------------------------------------------------------------------------------
// Controls and timer

void Wizard::AddButton(int id, std::string_view text, Slot slot) {
  host_.AddButton(id, std::string(text), slot);
  live_buttons_.insert(id);
}

void Wizard::RemoveButton(int id) {
  host_.RemoveControl(id);
  live_buttons_.erase(id);
}

void Wizard::StartTimer() {
  host_.StartPollTimer();
  timer_running_ = true;
}

void Wizard::StopTimer() {
  host_.StopPollTimer();
  timer_running_ = false;
}

}  // namespace ordertable
