#include "app/host_win32.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "app/clipboard_win32.h"
#include "app/dialog_layout_win32.h"
#include "builder/table_build.h"
#include "files/wide_text_win32.h"
#include "keys/key_script.h"

namespace ordertable {
namespace {

constexpr SIZE_T kWorkerStackBytes = 1 << 20;
// How long the dialog waits at most for the window in front to read the keys it was sent.
constexpr DWORD kKeysReadWithinMs = 250;

// The worker's thread entry. No exception may end a thread, and the exit code must never be
// 0 or STILL_ACTIVE, which the dialog takes for "still running".
DWORD WINAPI RunBuildJob(LPVOID parameter) {
  auto& job = *static_cast<Win32Host::BuildJob*>(parameter);
  try {
    job.outcome = RunTableBuild(job.folder, job.update_mode);
  } catch (...) {
    // RunTableBuild reports its own failures; this only keeps the thread's exit code right.
    job.outcome.result = BuildResult::kFailed;
  }
  return static_cast<DWORD>(job.outcome.result);
}

// The full path, for Explorer, of a name relative to the working folder.
std::wstring FullPathOf(const std::wstring& file_name) {
  std::wstring full(MAX_PATH, L'\0');
  DWORD length =
      GetFullPathNameW(file_name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length);
    length = GetFullPathNameW(file_name.c_str(), length, full.data(), nullptr);
  }
  if (length == 0 || length >= full.size()) return file_name;
  full.resize(length);
  return full;
}

// The keys that a batch presses, each once; characters sent as Unicode have no key.
std::vector<std::uint16_t> PressedKeys(const std::vector<KeyEvent>& events) {
  std::vector<std::uint16_t> keys;
  for (const KeyEvent& event : events) {
    if ((event.flags & (kKeyUp | kKeyUnicode)) != 0) continue;
    if (std::find(keys.begin(), keys.end(), event.virtual_key) == keys.end()) {
      keys.push_back(event.virtual_key);
    }
  }
  return keys;
}

// Waits, at most kKeysReadWithinMs, until one of the keys was seen down and then all of them
// up again in the key state that `key_state` reads.
template <typename KeyState>
void WaitUntilPressedAndReleased(const std::vector<std::uint16_t>& keys, KeyState key_state) {
  if (keys.empty()) return;
  const auto any_down = [&] {
    return std::any_of(keys.begin(), keys.end(),
                       [&](std::uint16_t key) { return (key_state(key) & 0x8000) != 0; });
  };
  bool seen_down = false;
  for (const DWORD start = GetTickCount(); GetTickCount() - start < kKeysReadWithinMs; Sleep(1)) {
    const bool down = any_down();
    if (seen_down && !down) return;
    seen_down = seen_down || down;
  }
}

}  // namespace

Win32Host::Win32Host(WizardDialog& dialog, std::filesystem::path folder)
    : dialog_(dialog), folder_(std::move(folder)) {}

Win32Host::~Win32Host() {
  if (worker_) WaitForSingleObject(worker_.get(), INFINITE);
}

void Win32Host::SetMessageText(const std::string& text) { dialog_.SetMessageText(text); }
void Win32Host::SetMessageHeight(int height) { dialog_.SetMessageHeight(height); }

void Win32Host::AddButton(int id, const std::string& text, Slot slot) {
  dialog_.AddButton(id, text,
                    slot == Slot::kRight  ? kRightSlot
                    : slot == Slot::kLeft ? kLeftSlot
                                          : kFarLeftSlot);
}

void Win32Host::AddPicture(int id, Picture picture, Point position) {
  dialog_.AddPicture(id, picture, position);
}

void Win32Host::AddStatusLine(int id, Point position) { dialog_.AddStatusLine(id, position); }
void Win32Host::RemoveControl(int id) { dialog_.RemoveControl(id); }
void Win32Host::DisableControl(int id) { dialog_.DisableControl(id); }
void Win32Host::SetPicture(int id, Picture picture) { dialog_.SetPicture(id, picture); }

void Win32Host::StatusPrint(StatusColour colour, const std::string& text) {
  dialog_.StatusPrint(ColourOf(colour), text);
}

void Win32Host::LetEventsThrough() { dialog_.LetEventsThrough(); }
void Win32Host::RedrawDialog() { dialog_.Redraw(); }
void Win32Host::EndDialog(int result) { dialog_.End(result); }
void Win32Host::StartPollTimer() { dialog_.StartPollTimer(); }
void Win32Host::StopPollTimer() { dialog_.StopPollTimer(); }

// Windows counts every change of the clipboard; 0 means it cannot tell (no access to the
// window station), and then the clipboard is read every time.
bool Win32Host::ClipboardChangedSince(std::uint64_t* mark) {
  const DWORD sequence = GetClipboardSequenceNumber();
  if (sequence == 0) return true;
  if (*mark == std::uint64_t{sequence} + 1) return false;
  *mark = std::uint64_t{sequence} + 1;
  return true;
}

std::string Win32Host::ReadClipboardText() {
  return ordertable::ReadClipboardText(dialog_.window());
}
void Win32Host::EmptyClipboard() { EmptyClipboardOf(dialog_.window()); }
void Win32Host::SendPageReady() { dialog_.SendPageReady(); }
void Win32Host::MinimiseDialog() { dialog_.Minimise(); }
void Win32Host::RestoreDialog() { dialog_.Restore(); }

bool Win32Host::AskYesNo(const std::string& text) {
  return MessageBoxW(nullptr, files::WideFromUtf8(text).c_str(),
                     files::WideFromUtf8(dialog_.caption()).c_str(),
                     MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool Win32Host::StartBuildWorker(bool update_mode) {
  if (worker_) return false;  // one build at a time
  job_ = std::make_unique<BuildJob>(BuildJob{folder_, update_mode, {}});
  worker_ =
      UniqueHandle(CreateThread(nullptr, kWorkerStackBytes, RunBuildJob, job_.get(), 0, nullptr));
  if (!worker_) job_.reset();
  return static_cast<bool>(worker_);
}

std::optional<BuildOutcome> Win32Host::PollBuildWorker() {
  if (!worker_) return std::nullopt;
  DWORD exit_code = STILL_ACTIVE;
  if (!GetExitCodeThread(worker_.get(), &exit_code)) return std::nullopt;
  if (exit_code == STILL_ACTIVE || exit_code == 0) return std::nullopt;
  return FinishWorker();
}

BuildOutcome Win32Host::WaitForBuildWorker() {
  if (!worker_) return job_ ? job_->outcome : BuildOutcome{};
  return FinishWorker();
}

// Waiting on the ended thread is what makes the worker's writes visible to this thread.
BuildOutcome Win32Host::FinishWorker() {
  WaitForSingleObject(worker_.get(), INFINITE);
  worker_.Reset();
  return job_->outcome;
}

void Win32Host::OpenDocument(const std::string& file_name) {
  ShellExecuteW(nullptr, L"open", files::WideFromUtf8(file_name).c_str(), nullptr, nullptr,
                SW_SHOWNORMAL);
}

// Explorer does not resolve a relative name against its working folder (it shows its default
// folder instead), so it is given the document's full path.
void Win32Host::ShowInExplorer(const std::string& file_name) {
  const std::wstring parameters =
      L"/select,\"" + FullPathOf(files::WideFromUtf8(file_name)) + L"\"";
  ShellExecuteW(nullptr, L"open", L"explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

// The keys go to the window in front, whose thread reads them from its input queue in its
// own time. When the dialog comes back in front, that window loses the keyboard focus and the
// keys still waiting in its queue are lost: the browser keeps its source tab. So the dialog
// shares that thread's input state while it sends, and waits until it has seen the keys go
// down and up there, that is until that thread has read them. Where the state cannot be
// shared, it waits until the system has taken the keys from the keyboard input.
void Win32Host::SendKeys(const std::string& script) {
  const HWND front = GetForegroundWindow();
  const DWORD front_thread = front ? GetWindowThreadProcessId(front, nullptr) : 0;
  if (front_thread == GetCurrentThreadId()) {
    SendKeyScript(script);  // this thread reads them itself, once it handles events again
    return;
  }
  const AttachedInput input(front_thread);
  const std::vector<std::uint16_t> keys = PressedKeys(SendKeyScript(script));
  if (input.attached()) {
    WaitUntilPressedAndReleased(keys, [](int key) { return GetKeyState(key); });
  } else {
    WaitUntilPressedAndReleased(keys, [](int key) { return GetAsyncKeyState(key); });
  }
}

void Win32Host::Wait(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }
void Win32Host::ExitProcess(int status) { ::ExitProcess(static_cast<UINT>(status)); }

}  // namespace ordertable
