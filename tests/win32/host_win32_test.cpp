// The Win32 host's build worker (a thread of its own, polled by its exit code) and its key
// sending (it returns once the window in front has read the keys).

#include "app/host_win32.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "tests/support/order_pages.h"

namespace ordertable {
namespace {

namespace fs = std::filesystem;

class BuildWorkerTest : public ::testing::Test {
 protected:
  BuildWorkerTest()
      : folder_(fs::temp_directory_path() /
                ("ordertable-worker-" + std::to_string(GetCurrentProcessId()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name())),
        dialog_(GetModuleHandleA(nullptr), "test"),
        host_(dialog_, folder_) {
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "tmp");
  }
  ~BuildWorkerTest() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  // Polls the way the timer tick does, until the worker has ended.
  BuildOutcome PollUntilEnded() {
    for (int tick = 0; tick < 400; ++tick) {
      if (const std::optional<BuildOutcome> outcome = host_.PollBuildWorker()) return *outcome;
      Sleep(25);
    }
    ADD_FAILURE() << "the worker did not end";
    return {};
  }

  fs::path folder_;
  WizardDialog dialog_;
  Win32Host host_;
};

TEST_F(BuildWorkerTest, WritesTheTableOnItsOwnThreadAndReportsTheRowCount) {
  const auto pages = test::SplitIntoPages(test::MakeOrders(25, 8012000000000000, 3), 10);
  test::WriteCachedPages(folder_, pages);
  ASSERT_TRUE(host_.StartBuildWorker(false));
  EXPECT_FALSE(host_.StartBuildWorker(false)) << "one build at a time";
  const BuildOutcome outcome = PollUntilEnded();
  EXPECT_EQ(outcome.result, BuildResult::kDone);
  EXPECT_EQ(outcome.row_count, 25);
  EXPECT_TRUE(fs::exists(folder_ / "AliExpress Orders.html"));
  EXPECT_EQ(host_.PollBuildWorker(), std::nullopt) << "an ended worker is reported once";
}

TEST_F(BuildWorkerTest, EndsWithNoPagesWhenThereIsNoCachedPage) {
  ASSERT_TRUE(host_.StartBuildWorker(true));
  const BuildOutcome outcome = host_.WaitForBuildWorker();
  EXPECT_EQ(outcome.result, BuildResult::kNoPages);
  EXPECT_FALSE(fs::exists(folder_ / "AliExpress Orders.html"));
  EXPECT_TRUE(host_.StartBuildWorker(true)) << "a new build may start once the last ended";
  host_.WaitForBuildWorker();
}

TEST_F(BuildWorkerTest, NoWorkerMeansNothingToPoll) {
  EXPECT_EQ(host_.PollBuildWorker(), std::nullopt);
}

// A window in front on a thread of its own that logs the key messages it reads. It takes
// `key_ms` over each, as a browser busy with a large page does, and may hold off reading
// altogether until it is let go.
class KeyReader {
 public:
  explicit KeyReader(DWORD key_ms, bool held = false)
      : key_ms_(key_ms), go_(CreateEventA(nullptr, TRUE, !held, nullptr)) {
    const HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, ready] { Run(ready); });
    WaitForSingleObject(ready, 5000);
    CloseHandle(ready);
  }
  ~KeyReader() {
    LetGo();
    PostMessageA(window_, WM_CLOSE, 0, 0);
    thread_.join();
    CloseHandle(go_);
  }

  HWND window() const { return window_; }
  void LetGo() { SetEvent(go_); }
  std::string Log() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return log_;
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<KeyReader*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self && (message == WM_KEYDOWN || message == WM_KEYUP)) {
      const std::string key = wparam == VK_CONTROL ? "Ctrl" : std::string(1, char(wparam));
      {
        const std::lock_guard<std::mutex> lock(self->mutex_);
        self->log_ += key + (message == WM_KEYDOWN ? " down, " : " up, ");
      }
      Sleep(self->key_ms_);
      return 0;
    }
    if (message == WM_CLOSE) PostQuitMessage(0);
    return DefWindowProcA(window, message, wparam, lparam);
  }

  void Run(HANDLE ready) {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = Procedure;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "OrderTableKeyReader";
    RegisterClassA(&window_class);
    window_ = CreateWindowExA(0, window_class.lpszClassName, "reader", WS_OVERLAPPEDWINDOW, 10, 10,
                              200, 100, nullptr, nullptr, window_class.hInstance, nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(window_);
    SetEvent(ready);
    WaitForSingleObject(go_, INFINITE);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    DestroyWindow(window_);
  }

  DWORD key_ms_;
  HANDLE go_;
  HWND window_ = nullptr;
  std::thread thread_;
  std::mutex mutex_;
  std::string log_;
};

class SendKeysTest : public ::testing::Test {
 protected:
  SendKeysTest() : dialog_(GetModuleHandleA(nullptr), "test"), host_(dialog_, ".") {}

  // Sends the close-tab keys to the reader in front; how long sending took, in ms.
  DWORD SendCloseTab(const KeyReader& reader) {
    for (int i = 0; i < 100 && GetForegroundWindow() != reader.window(); ++i) Sleep(10);
    EXPECT_EQ(GetForegroundWindow(), reader.window());
    const DWORD start = GetTickCount();
    host_.SendKeys("{CTRL_D}w{CTRL_U}");
    return GetTickCount() - start;
  }

  WizardDialog dialog_;
  Win32Host host_;
};

constexpr const char* kCloseTabKeys = "Ctrl down, W down, W up, Ctrl up, ";

TEST_F(SendKeysTest, ReturnsOnceTheWindowInFrontHasReadTheKeys) {
  for (const DWORD key_ms : {0u, 15u, 40u}) {
    KeyReader reader(key_ms);
    SendCloseTab(reader);
    EXPECT_EQ(reader.Log(), kCloseTabKeys) << "read at " << key_ms << " ms a key";
  }
}

TEST_F(SendKeysTest, WaitsAQuarterOfASecondAtMostForAWindowThatDoesNotRead) {
  KeyReader reader(0, /*held=*/true);
  const DWORD elapsed = SendCloseTab(reader);
  EXPECT_GE(elapsed, 240u);
  EXPECT_LE(elapsed, 700u) << "a busy machine may add some";
  EXPECT_EQ(reader.Log(), "");
  reader.LetGo();
  for (int i = 0; i < 100 && reader.Log() != kCloseTabKeys; ++i) Sleep(10);
  EXPECT_EQ(reader.Log(), kCloseTabKeys) << "the keys wait for it";
}

}  // namespace
}  // namespace ordertable
