#include "tests/app/fake_host.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "app/controls.h"

namespace ordertable::test {
namespace {

const char* PictureName(Picture picture) {
  switch (picture) {
    case Picture::kCopy:
      return "CPY";
    case Picture::kPaste:
      return "PST";
    case Picture::kDotUnlit:
      return "PG0";
    case Picture::kDotLit:
      return "PG1";
  }
  return "?";
}

const char* ColourName(StatusColour colour) {
  switch (colour) {
    case StatusColour::kBlue:
      return "blue";
    case StatusColour::kRed:
      return "red";
    case StatusColour::kGreen:
      return "green";
  }
  return "?";
}

std::string Describe(const BuildOutcome& outcome) {
  const char* result = "done";
  if (outcome.result == BuildResult::kNoPages) result = "no pages";
  if (outcome.result == BuildResult::kFailed) result = "write failed";
  return std::string(result) + " " + std::to_string(outcome.row_count);
}

std::string At(Point position) {
  return "at " + std::to_string(position.x) + "," + std::to_string(position.y);
}

}  // namespace

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\r') {
      quoted += "\\r";
    } else if (c == '\n') {
      quoted += "\\n";
    } else if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20 || byte >= 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      quoted += hex;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

FakeHost::FakeHost(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::vector<std::string> FakeHost::TakeTranscript() {
  std::vector<std::string> taken;
  taken.swap(transcript_);
  return taken;
}

void FakeHost::DeliverAtPump(int pump, std::string label, std::function<void()> event) {
  pump_events_.emplace(pumps_ + pump, Event{std::move(label), std::move(event)});
}

void FakeHost::DeliverDuringQuestion(std::string label, std::function<void()> event) {
  question_events_.push_back(Event{std::move(label), std::move(event)});
}

void FakeHost::Deliver(const Event& event) {
  Record("event " + event.label);
  event.run();
}

void FakeHost::ReleaseWorker() {
  ASSERT_EQ(worker_state_, WorkerState::kRunning) << "no worker is running";
  worker_outcome_ = RunWorker();
  worker_state_ = WorkerState::kEnded;
}

std::vector<int> FakeHost::ControlIds() const {
  std::vector<int> ids;
  for (const auto& [id, control] : controls_) ids.push_back(id);
  return ids;
}

std::vector<int> FakeHost::LitDots() const {
  std::vector<int> lit;
  for (int dot = 1; dot <= kDotCount; ++dot) {
    const auto it = controls_.find(kFirstDot + dot - 1);
    if (it != controls_.end() && it->second.text == "PG1") lit.push_back(dot);
  }
  return lit;
}

// ---------------------------------------------------------------------------------------------
// WizardHost

void FakeHost::SetMessageText(const std::string& text) {
  Record("message " + Quoted(text));
  message_ = text;
}

void FakeHost::SetMessageHeight(int height) {
  Record("height " + std::to_string(height));
  message_height_ = height;
}

void FakeHost::AddControl(int id, Control control) {
  // The real dialog would show two controls under one id.
  EXPECT_FALSE(controls_.contains(id)) << "control " << id << " added twice";
  controls_[id] = std::move(control);
}

void FakeHost::AddButton(int id, const std::string& text, Slot slot) {
  Record("button " + std::to_string(id) + " " + Quoted(text) +
         (slot == Slot::kRight  ? " right"
                 : slot == Slot::kLeft ? " left"
                                       : " far left"));
  AddControl(id, {"button", text});
}

void FakeHost::AddPicture(int id, Picture picture, Point position) {
  Record("picture " + std::to_string(id) + " " + PictureName(picture) + " " + At(position));
  AddControl(id, {"picture", PictureName(picture)});
}

void FakeHost::AddStatusLine(int id, Point position) {
  Record("status line " + std::to_string(id) + " " + At(position));
  AddControl(id, {"status line", ""});
}

void FakeHost::RemoveControl(int id) {
  Record("remove " + std::to_string(id));
  controls_.erase(id);
}

void FakeHost::DisableControl(int id) {
  Record("disable " + std::to_string(id));
  const auto it = controls_.find(id);
  if (it != controls_.end()) it->second.disabled = true;
}

void FakeHost::SetPicture(int id, Picture picture) {
  Record("set picture " + std::to_string(id) + " " + PictureName(picture));
  const auto it = controls_.find(id);
  if (it != controls_.end()) it->second.text = PictureName(picture);
}

void FakeHost::StatusPrint(StatusColour colour, const std::string& text) {
  Record("status " + std::string(ColourName(colour)) + " " + Quoted(text));
  if (controls_.contains(kStatusLine)) status_ = ColourName(colour) + (" " + Quoted(text));
}

void FakeHost::LetEventsThrough() {
  Record("pump");
  ++pumps_;
  const auto [first, last] = pump_events_.equal_range(pumps_);
  std::vector<Event> due;
  for (auto it = first; it != last; ++it) due.push_back(it->second);
  pump_events_.erase(first, last);
  for (const Event& event : due) Deliver(event);
}

void FakeHost::RedrawDialog() { Record("redraw"); }

void FakeHost::EndDialog(int result) {
  Record("end dialog " + std::to_string(result));
  EXPECT_FALSE(dialog_result_.has_value()) << "the dialog was ended twice";
  dialog_result_ = result;
}

void FakeHost::StartPollTimer() {
  Record("timer start");
  timer_running_ = true;
}

void FakeHost::StopPollTimer() {
  Record("timer stop");
  timer_running_ = false;
}

// A query, like Windows' clipboard sequence number: not a transcript line.
bool FakeHost::ClipboardChangedSince(std::uint64_t* mark) {
  if (*mark == clipboard_changes_ + 1) return false;
  *mark = clipboard_changes_ + 1;
  return true;
}

std::string FakeHost::ReadClipboardText() {
  Record("read clipboard");
  return clipboard_;
}

void FakeHost::EmptyClipboard() {
  Record("empty clipboard");
  clipboard_.clear();
  ++clipboard_changes_;
}

void FakeHost::SendPageReady() {
  Record("page ready");
  if (wizard_ != nullptr) wizard_->OnPageReady();
}

void FakeHost::MinimiseDialog() { Record("minimise"); }

void FakeHost::RestoreDialog() { Record("restore"); }

bool FakeHost::AskYesNo(const std::string& text) {
  bool yes = false;
  if (answers_.empty()) {
    ADD_FAILURE() << "unexpected question " << Quoted(text);
  } else {
    yes = answers_.front();
    answers_.pop_front();
  }
  Record("ask " + Quoted(text) + (yes ? " -> yes" : " -> no"));
  if (!question_events_.empty()) {
    const Event event = question_events_.front();
    question_events_.pop_front();
    Deliver(event);
  }
  return yes;
}

BuildOutcome FakeHost::RunWorker() {
  return scripted_outcome_ ? *scripted_outcome_ : RunTableBuild(folder_, worker_update_mode_);
}

bool FakeHost::StartBuildWorker(bool update_mode) {
  const std::string line = update_mode ? "start worker (update)" : "start worker (new table)";
  EXPECT_NE(worker_state_, WorkerState::kRunning) << "a second worker started";
  if (worker_mode_ == WorkerMode::kFailToStart) {
    Record(line + " -> failed");
    return false;
  }
  Record(line);
  ++worker_starts_;
  worker_update_mode_ = update_mode;
  worker_state_ = WorkerState::kRunning;
  worker_outcome_.reset();
  if (worker_mode_ == WorkerMode::kRunAtOnce) ReleaseWorker();
  return true;
}

std::optional<BuildOutcome> FakeHost::PollBuildWorker() {
  EXPECT_NE(worker_state_, WorkerState::kNone) << "polled a worker that was never started";
  if (worker_state_ != WorkerState::kEnded) {
    Record("poll worker -> running");
    return std::nullopt;
  }
  Record("poll worker -> " + Describe(*worker_outcome_));
  worker_state_ = WorkerState::kNone;  // its handle is closed once its end was seen
  return worker_outcome_;
}

BuildOutcome FakeHost::WaitForBuildWorker() {
  EXPECT_NE(worker_state_, WorkerState::kNone) << "waited for no worker";
  if (worker_state_ == WorkerState::kRunning) ReleaseWorker();
  const BuildOutcome outcome = worker_outcome_.value_or(BuildOutcome{});
  Record("wait for worker -> " + Describe(outcome));
  worker_state_ = WorkerState::kNone;
  return outcome;
}

void FakeHost::OpenDocument(const std::string& file_name) { Record("open " + Quoted(file_name)); }

void FakeHost::ShowInExplorer(const std::string& file_name) {
  Record("explorer " + Quoted(file_name));
}

void FakeHost::SendKeys(const std::string& script) { Record("keys " + Quoted(script)); }

void FakeHost::Wait(int milliseconds) { Record("wait " + std::to_string(milliseconds)); }

void FakeHost::ExitProcess(int status) {
  Record("exit " + std::to_string(status));
  exit_status_ = status;
}

// ---------------------------------------------------------------------------------------------
// Transcript lines

namespace line {

std::string Message(std::string_view text) { return "message " + Quoted(text); }

std::string Height(int height) { return "height " + std::to_string(height); }

std::string Button(int id, std::string_view text, std::string_view slot) {
  return "button " + std::to_string(id) + " " + Quoted(text) + " " + std::string(slot);
}

std::string Remove(int id) { return "remove " + std::to_string(id); }

std::string Status(std::string_view colour, std::string_view text) {
  return "status " + std::string(colour) + " " + Quoted(text);
}

std::string Dot(int dot, bool lit) {
  return "set picture " + std::to_string(kFirstDot + dot - 1) + (lit ? " PG1" : " PG0");
}

}  // namespace line

}  // namespace ordertable::test
