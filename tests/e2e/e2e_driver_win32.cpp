// ordertable_e2e: drives the real OrderTable.exe from outside, the way a user and a browser
// would, and checks what it shows and what it leaves on disk.
//
//   ordertable_e2e --program P.exe --work DIR --open-log FILE [--artifacts UNIX_DIR]
//
// It starts the program in DIR/Дмитрий/Заказы 注文 (emptied first), a folder no ANSI code page
// can name, finds its dialog by caption, presses buttons by control id, reads the message
// label and the status line, puts generated order-list pages on the clipboard and owns a
// focused "browser" window that must receive the program's Ctrl+W. Then, in folders of their
// own beside that one, it hands over today's order list as a HAR copied from the browser's
// developer tools, for a new table, an update and a list cut short.
// FILE is where a stub xdg-open logs what the shell asked it to open. Under Wine it saves a
// screenshot of the screen after every step into UNIX_DIR. The exit status is 0 when every
// check passed.

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/clipboard_win32.h"
#include "files/files.h"
#include "files/wide_text_win32.h"
#include "tests/support/order_captures.h"
#include "tests/support/order_pages.h"

namespace {

namespace fs = std::filesystem;
using ordertable::test::BuildCapture;
using ordertable::test::BuildPageSource;
using ordertable::test::CachedPageText;
using ordertable::test::CaptureSpec;
using ordertable::test::HarFlavour;
using ordertable::test::MakeListedOrders;
using ordertable::test::MakeOrders;
using ordertable::test::PageSpec;
using ordertable::test::SplitIntoPages;
using ordertable::test::TestListOrder;
using ordertable::test::TestOrder;

// ---------------------------------------------------------------------------------------------
// What the program must show, written out here rather than taken from its sources.

constexpr const char* kCaption = "OrderTable";

const std::string kIntroText =
    "This program allows you to make an offline, searchable, responsive web table of your "
    "AliExpress purchases.\r\n\r\nTo proceed, open AliExpress in your PC browser (IE Edge Chrome "
    "Firefox...) and connect to your AliExpress account then go to 'My Orders'.\r\n\r\nWhen you "
    "are ready click on 'Next'.";
const std::string kUpdateQuestionText =
    "This program allows you to make an offline, searchable, responsive, web table of your "
    "AliExpress purchases.\r\n\r\nWe detected an existing 'AliExpress Orders.html', would you "
    "like to update it with recent purchases ? ";
const std::string kEraseText =
    "Are you sure you want to start from new and erase (overwrite) your existing table of "
    "purchases ?";
const std::string kAdviceText =
    "If you have a lot of orders, we suggest that you display them \"30/page\" from the "
    "drop-down control near the top of the list.\r\n\r\nWhen you are ready click on 'Next'.";
const std::string kInstructionText =
    "- Hit [ Ctrl + U ] in the Orders page to view its source code\r\n- Hit [ Ctrl + A ] to "
    "select all the code (after it is displayed 100%)\r\n- Hit [ Ctrl + C ] to copy the source "
    "code to the clipboard";
const std::string kNextPageText =
    "Use the right arrow to go to the next page of your orders, then\r\n" + kInstructionText;
const std::string kCaptureStepsText =
    "Today's 'My Orders' page holds no orders in its source. Click on 'Bookmark', drag the link "
    "of the page it opens to your bookmarks bar, click that bookmark in 'My Orders', then on "
    "'Copy for OrderTable'.\r\n\r\nOr, in that page: F12 > 'Network', reload (F5), click 'View "
    "orders' until it disappears, then right-click a request > Copy > 'Copy all as HAR'.\r\n\r\n"
    "When you are ready click on 'Next'.";
const std::string kCaptureIncompleteText =
    "Some orders are missing: click 'View orders' under the list until it disappears, then "
    "right-click a request > Copy > 'Copy all as HAR' again.";

std::string GeneratedText(int rows, int pages) {
  return "The offline, searchable, responsive, web table of your AliExpress purchases has "
         "successfully been generated !\r\n\r\n" +
         std::to_string(rows) + " items were found across " + std::to_string(pages) +
         " pages.\r\n\r\nBy default the rating for each order has been randomized. If you want "
         "to give a correct rating, open the Html file in an editor such as Notepad, and change "
         "the numbers after each occurence of: <span class='stars'>\r\n\r\nDo you want to view "
         "your AliExpress Orders table now ?";
}

std::string UpdatedText(int rows) {
  return "Your offline, searchable, responsive, web table of AliExpress purchases has "
         "successfully been updated !\r\n\r\n" +
         std::to_string(rows) +
         " new item(s) were added.\r\n\r\nThe rating for the new orders are still randomized. "
         "If you want to give them a correct rating, open the Html file in an editor such as "
         "Notepad, and change the numbers after each occurence of: <span class='stars'>\r\n\r\n"
         "Do you want to view your AliExpress Orders table now ?";
}

std::string Expected(int page, int total) {
  return "Expected: page " + std::to_string(page) + "/" + std::to_string(total);
}

// Control ids.
constexpr int kLabel = 991, kHiddenCancel = 2, kIntroNext = 1001, kAdviceNext = 1002,
              kCaptureCancel = 1003, kTodaysPage = 1004, kBookmark = 1005, kYes = 2001, kNo = 2002, kErase = 2003, kPrevious = 2004,
              kView = 3001, kLocate = 3002, kCopy = 9001, kPaste = 9002, kFirstDot = 9003,
              kStatus = 9007;

constexpr int kExitOnEscape = 12345;
constexpr DWORD kTimeoutMs = 30000;

// ---------------------------------------------------------------------------------------------
// Reporting.

struct Options {
  std::string program;
  std::string cli;  // ordertable-cli.exe
  fs::path work;
  fs::path open_log;
  std::string artifacts;  // a Unix path: screenshots are taken by a Unix program
};

Options options;
int failures = 0;
int checks = 0;
int shots = 0;

void Check(bool ok, const std::string& what) {
  ++checks;
  if (!ok) ++failures;
  std::printf("  %s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  std::fflush(stdout);
}

template <typename T>
void CheckEqual(const T& actual, const T& expected, const std::string& what) {
  std::ostringstream detail;
  if (!(actual == expected)) detail << " (got \"" << actual << "\", want \"" << expected << "\")";
  Check(actual == expected, what + detail.str());
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

// A path as a file URL spells it: every byte but letters, digits, "-._~/" as %XX.
std::string UrlEncoded(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x80 && std::isalnum(byte)) || (c != 0 && std::strchr("-._~/", c) != nullptr)) {
      out += c;
    } else {
      out += {'%', kHex[byte >> 4], kHex[byte & 0xF]};
    }
  }
  return out;
}

void CheckText(const std::string& actual, const std::string& expected, const std::string& what) {
  CheckEqual(Escaped(actual), Escaped(expected), what);
}

// Starts a Unix program through Wine and waits for it; its exit status, or -1 when this does
// not run under Wine.
int RunUnixProgram(std::vector<std::string> args) {
  using Spawn = int (*)(char* const argv[], int wait);
  static const auto spawn = reinterpret_cast<Spawn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp")));
  if (!spawn) return -1;
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return spawn(argv.data(), 1);
}

// The Unix path of a file, through Wine's own mapping; empty when not under Wine.
std::string UnixPathOf(const fs::path& path) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  static const auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!unix_name) return {};
  char* name = unix_name(path.wstring().c_str());
  if (!name) return {};
  std::string unix_path = name;
  HeapFree(GetProcessHeap(), 0, name);
  return unix_path;
}

// Saves the whole screen as NN-name.png, through the Unix `import` that Wine can start.
void Screenshot(const std::string& name) {
  if (options.artifacts.empty()) return;
  char number[8];
  std::snprintf(number, sizeof number, "%02d-", ++shots);
  const std::string file = options.artifacts + "/" + number + name + ".png";
  const int status = RunUnixProgram({"import", "-window", "root", file});
  if (status == -1) {
    std::printf("  (no screenshot %s: not running under Wine)\n", file.c_str());
    return;
  }
  std::printf("  shot %s%s\n", file.c_str(), status == 0 ? "" : " (failed)");
}

void Step(const std::string& title) {
  std::printf("== %s\n", title.c_str());
  std::fflush(stdout);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms = kTimeoutMs) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeout_ms) return false;
    Sleep(20);
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Files.

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(path, error);
}

fs::path CachedPage(int page) {
  char name[32];
  std::snprintf(name, sizeof name, "AE_orders_%02d.html", page);
  return options.work / "tmp" / name;
}

fs::path Document() { return options.work / "AliExpress Orders.html"; }
fs::path Backup() { return options.work / "AliExpress Orders.bkp"; }

std::string KeyComment(const TestOrder& order) { return "<!--" + order.id + "-->"; }

// The document lists exactly these orders' key comments, in this order.
void CheckDocumentRows(const std::string& document, const std::vector<TestOrder>& orders,
                       const std::string& what) {
  std::size_t at = 0;
  bool in_order = true;
  for (const TestOrder& order : orders) {
    const std::size_t found = document.find(KeyComment(order), at);
    if (found == std::string::npos) {
      in_order = false;
      break;
    }
    at = found + 1;
  }
  std::size_t count = 0;
  for (std::size_t p = document.find("<!--8"); p != std::string::npos;
       p = document.find("<!--8", p + 1)) {
    ++count;
  }
  Check(in_order, what + ": the key comments of the " + std::to_string(orders.size()) +
                      " orders, in page order");
  CheckEqual(count, orders.size(), what + ": number of key comments");
}

// ---------------------------------------------------------------------------------------------
// The browser stand-in: a window on a thread of its own that logs the key messages it reads
// and counts the Ctrl+W among them. Like a browser busy with a large page source, it takes its
// time over each key message, so keys that the program does not wait for are lost.

constexpr DWORD kBrowserMsPerKey = 15;
std::atomic<int> ctrl_w_count{0};
std::mutex key_log_mutex;
std::string key_log;  // "Ctrl down, W down, W up, Ctrl up, " for one Ctrl+W
HWND browser = nullptr;

std::string KeyLog() {
  const std::lock_guard<std::mutex> lock(key_log_mutex);
  return key_log;
}

LRESULT CALLBACK BrowserProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP: {
      const std::string key = wparam == VK_CONTROL ? "Ctrl"
                              : wparam == 'W'      ? "W"
                                                   : "key " + std::to_string(wparam);
      {
        const std::lock_guard<std::mutex> lock(key_log_mutex);
        key_log += key + (message == WM_KEYDOWN ? " down, " : " up, ");
      }
      if (message == WM_KEYDOWN && wparam == 'W' && (GetKeyState(VK_CONTROL) & 0x8000)) {
        ++ctrl_w_count;
        InvalidateRect(window, nullptr, TRUE);
      }
      Sleep(kBrowserMsPerKey);
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(window, &paint);
      RECT area;
      GetClientRect(window, &area);
      FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
      char text[96];
      std::snprintf(text, sizeof text, "view-source: My Orders    (Ctrl+W received: %d)",
                    ctrl_w_count.load());
      TextOutA(dc, 8, 8, text, static_cast<int>(std::strlen(text)));
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROYCLIPBOARD:
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

DWORD WINAPI BrowserThread(LPVOID ready_event) {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = BrowserProcedure;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.lpszClassName = "OrderTableE2EBrowser";
  RegisterClassA(&window_class);
  browser = CreateWindowExA(0, window_class.lpszClassName, "My Orders - page source",
                            WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 900, 640, nullptr, nullptr,
                            window_class.hInstance, nullptr);
  SetEvent(static_cast<HANDLE>(ready_event));
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

void StartBrowser() {
  const HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  CloseHandle(CreateThread(nullptr, 0, BrowserThread, ready, 0, nullptr));
  WaitForSingleObject(ready, kTimeoutMs);
  CloseHandle(ready);
}

bool FocusBrowser() {
  SetForegroundWindow(browser);
  return WaitUntil([] { return GetForegroundWindow() == browser; }, 5000);
}

// As a browser copies: the page's text as Unicode text.
void PutOnClipboard(const std::string& text) {
  Check(ordertable::WriteClipboardText(browser, text),
        "the clipboard takes " + std::to_string(text.size()) + " bytes as Unicode text");
}

// As a browser on Linux copies: UTF-8 text on the X clipboard, which Wine hands on to Windows
// programs. xclip stays in the background and serves it until another program takes the
// clipboard; its output goes nowhere, so it does not hold the driver's output open.
void PutOnXClipboard(const std::string& text) {
  const fs::path file = options.work.parent_path() / "e2e-x-clipboard.txt";
  std::ofstream(file, std::ios::binary) << text;
  const std::string unix_path = UnixPathOf(file);
  const int status = RunUnixProgram(
      {"sh", "-c", "xclip -selection clipboard -i \"$0\" </dev/null >/dev/null 2>&1", unix_path});
  Check(!unix_path.empty() && status == 0,
        "xclip puts " + std::to_string(text.size()) + " bytes of UTF-8 on the X clipboard");
}

// The browser read exactly one Ctrl+W, as its four key messages, since `keys_before` (the
// key log's length then).
void CheckOneCtrlW(int ctrl_w_before, std::size_t keys_before) {
  CheckEqual(ctrl_w_count.load(), ctrl_w_before + 1, "the browser received one Ctrl+W");
  CheckEqual(KeyLog().substr(keys_before), std::string("Ctrl down, W down, W up, Ctrl up, "),
             "its key messages");
}

bool ClipboardHoldsText() { return IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE; }

// ---------------------------------------------------------------------------------------------
// The program under test.

std::string WindowText(HWND window) {
  std::vector<wchar_t> text(65536);
  const int length =
      window ? GetWindowTextW(window, text.data(), static_cast<int>(text.size())) : 0;
  return ordertable::files::Utf8FromWide(
      {text.data(), static_cast<std::size_t>(std::max(length, 0))});
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

struct ControlBox {
  int x, y, width, height;
  friend bool operator==(const ControlBox&, const ControlBox&) = default;
  friend std::ostream& operator<<(std::ostream& out, const ControlBox& box) {
    return out << box.x << "," << box.y << " " << box.width << "x" << box.height;
  }
};

class Program {
 public:
  /// The program at `file` (UTF-8), whose dialog is captioned with its file's base name.
  explicit Program(std::string file = options.program, std::string caption = kCaption)
      : file_(std::move(file)), caption_(std::move(caption)) {}
  ~Program() { Stop(); }

  /// Starts the program in the work folder and waits for its visible dialog.
  bool Start() {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    const std::wstring program = ordertable::files::WideFromUtf8(file_);
    std::wstring command = L"\"" + program + L"\"";
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        options.work.c_str(), &startup, &process_)) {
      std::printf("  cannot start %s (error %lu)\n", file_.c_str(), GetLastError());
      return false;
    }
    started_ = true;
    return WaitUntil([this] {
      dialog_ = FindTopLevel(true);
      return dialog_ && IsWindowVisible(dialog_);
    });
  }

  HWND dialog() const { return dialog_; }
  DWORD process_id() const { return process_.dwProcessId; }
  HWND Control(int id) const { return GetDlgItem(dialog_, id); }
  std::string Label() const { return WindowText(Control(kLabel)); }
  std::string Status() const { return WindowText(Control(kStatus)); }
  bool Has(int id) const { return Control(id) != nullptr; }

  /// The message box of the program: a top-level window with the caption but no label.
  HWND MessageBox() const { return FindTopLevel(false); }

  /// Where a control stands in the dialog's client area.
  ControlBox Box(int id) const {
    RECT rect = {};
    GetWindowRect(Control(id), &rect);
    MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
  }

  /// Presses a button the way a mouse click does.
  bool Click(int id) {
    const HWND button = Control(id);
    if (!button || !IsWindowEnabled(button)) return false;
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, kTimeoutMs, &result) != 0;
  }

  bool WaitForStatus(const std::string& text, DWORD timeout_ms = kTimeoutMs) const {
    return WaitUntil([&] { return Status() == text; }, timeout_ms);
  }

  bool WaitForLabel(const std::string& text) const {
    return WaitUntil([&] { return Label() == text; });
  }

  /// Waits for the end of the process; its exit status, or -1 when it did not end.
  long WaitForExit(DWORD timeout_ms = kTimeoutMs) {
    if (!started_) return -1;
    if (WaitForSingleObject(process_.hProcess, timeout_ms) != WAIT_OBJECT_0) return -1;
    DWORD status = 0;
    GetExitCodeProcess(process_.hProcess, &status);
    Close();
    return static_cast<long>(status);
  }

  /// Ends the process if a failed check left it running.
  void Stop() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) {
      std::printf("  stopping the program left running\n");
      TerminateProcess(process_.hProcess, 99);
      WaitForSingleObject(process_.hProcess, kTimeoutMs);
    }
    Close();
  }

 private:
  HWND FindTopLevel(bool wizard_dialog) const {
    struct Search {
      DWORD process_id;
      bool wizard_dialog;
      const std::string& caption;
      HWND found;
    } search{process_.dwProcessId, wizard_dialog, caption_, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
          auto& s = *reinterpret_cast<Search*>(parameter);
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          if (owner != s.process_id || WindowText(window) != s.caption ||
              ClassOf(window) != "#32770") {
            return TRUE;
          }
          if ((GetDlgItem(window, kLabel) != nullptr) != s.wizard_dialog) return TRUE;
          s.found = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  void Close() {
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
    started_ = false;
  }

  std::string file_;
  std::string caption_;
  PROCESS_INFORMATION process_ = {};
  bool started_ = false;
  HWND dialog_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Input as a user gives it.

void SendKey(WORD key) {
  INPUT inputs[2] = {};
  inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
  inputs[0].ki.wVk = inputs[1].ki.wVk = key;
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof(INPUT));
}

bool BringToFront(HWND window) {
  SetForegroundWindow(window);
  return WaitUntil([window] { return GetForegroundWindow() == window; }, 5000);
}

// Clicks the caption's close box with the mouse.
bool ClickCloseBox(HWND window) {
  RECT frame;
  GetWindowRect(window, &frame);
  const int y = frame.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
  int x = frame.right - 1;
  while (x > frame.left && SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) != HTCLOSE) {
    --x;
  }
  if (x == frame.left) return false;
  x -= GetSystemMetrics(SM_CXSIZE) / 3;  // into the middle of the box
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  INPUT inputs[3] = {};
  for (INPUT& input : inputs) {
    input.type = INPUT_MOUSE;
    input.mi.dx = x * 65535 / (width - 1);
    input.mi.dy = y * 65535 / (height - 1);
    input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE;
  }
  inputs[0].mi.dwFlags |= MOUSEEVENTF_MOVE;
  inputs[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
  inputs[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
  SendInput(1, &inputs[0], sizeof(INPUT));
  const bool arrived = WaitUntil(
      [&] {
        POINT cursor;
        return GetCursorPos(&cursor) && WindowFromPoint(cursor) == window &&
               SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(cursor.x, cursor.y)) == HTCLOSE;
      },
      5000);
  Sleep(200);
  SendInput(2, &inputs[1], sizeof(INPUT));
  return arrived;
}

// Under Wine a click that follows the end of another program's window is now and then lost
// before it reaches the dialog; it is then given again, up to three times.
void CloseWithTheCloseBox(Program& program) {
  long status = -1;
  for (int attempt = 1; attempt <= 3 && status == -1; ++attempt) {
    if (attempt > 1) std::printf("  the click did not arrive; clicking again\n");
    Check(BringToFront(program.dialog()), "the dialog is in front");
    Check(ClickCloseBox(program.dialog()), "click the close box");
    status = program.WaitForExit(attempt < 3 ? 3000 : kTimeoutMs);
  }
  CheckEqual(status, 0L, "exit status");
}

// ---------------------------------------------------------------------------------------------
// Steps shared by the runs.

enum class Clipboard { kWindows, kX };

// Copies one page in the "browser" and waits until the program has taken it: the status then
// shows `status_after`.
void CopyPage(Program& program, const PageSpec& page, const std::string& status_after,
              const std::string& shot_while_treating = "",
              Clipboard clipboard = Clipboard::kWindows) {
  const int ctrl_w_before = ctrl_w_count;
  const std::size_t keys_before = KeyLog().size();
  Check(FocusBrowser(), "the browser window is in front");
  if (clipboard == Clipboard::kX) {
    PutOnXClipboard(BuildPageSource(page));
  } else {
    PutOnClipboard(BuildPageSource(page));
  }
  const bool taken = program.WaitForStatus("TREATING ORDERS");
  Check(taken, "page " + std::to_string(page.page) + "/" + std::to_string(page.total_pages) +
                   " is noticed on the clipboard");
  if (taken && !shot_while_treating.empty()) {
    // The dialog comes back in front, then blinks its dots for three seconds.
    const bool in_front = WaitUntil([&] {
      return GetForegroundWindow() == program.dialog() && program.Status() == "TREATING ORDERS";
    });
    Sleep(300);
    if (in_front) Screenshot(shot_while_treating);
  }
  Check(program.WaitForStatus(status_after), "the status line then reads \"" + status_after + "\"");
  CheckOneCtrlW(ctrl_w_before, keys_before);
  Check(!ClipboardHoldsText(), "the clipboard was emptied");
  Check(GetForegroundWindow() == program.dialog(), "the dialog came back in front");
}

void CheckCachedPage(const PageSpec& page) {
  const std::string content = ReadFile(CachedPage(page.page));
  Check(content == CachedPageText(page), "tmp\\" + CachedPage(page.page).filename().string() +
                                             " holds the cleaned page, " +
                                             std::to_string(content.size()) + " bytes");
}

// The titles and store names of the document's rows are the UTF-8 bytes of the page's.
void CheckRowTexts(const std::string& document, const std::vector<TestOrder>& orders) {
  for (const TestOrder& order : orders) {
    const ordertable::OrderRow row = ordertable::test::ExpectedRow(order);
    Check(document.find(row.description) != std::string::npos &&
              document.find(row.store) != std::string::npos,
          "the row of " + order.id + " holds \"" + order.products.front().title + "\" of \"" +
              order.store_name + "\"");
  }
}

void EnterCapture(Program& program, int first_button) {
  Check(program.Click(first_button), "press the first step's forward button");
  Check(program.WaitForLabel(kAdviceText), "the advice step");
  Check(program.Click(kAdviceNext), "press Next");
  Check(program.WaitForStatus("Expected: page 1/??"), "the capture step expects page 1/??");
}

void WaitForResult(Program& program) {
  Check(WaitUntil([&] { return program.Has(kView); }), "the result step appears");
  WaitUntil([&] { return program.Has(kLocate); });
  Sleep(300);  // let it paint before the screenshot
}

// ---------------------------------------------------------------------------------------------
// The walk.

std::vector<PageSpec> Pages(int count, std::int64_t first_id, int per_page) {
  return SplitIntoPages(MakeOrders(count, first_id, 7), per_page);
}

// Titles and store names in the scripts a shopper meets: CJK, Cyrillic, Greek, emoji (beyond
// the 16-bit range), accents, dashes, quotes and the trade mark sign, given to every order.
std::vector<PageSpec> WithTextsOfManyScripts(std::vector<PageSpec> pages) {
  static const char* const kTitles[] = {
      "\xE8\x93\x9D\xE7\x89\x99\xE8\x80\xB3\xE6\x9C\xBA TWS \xF0\x9F\x8E\xA7 "
      "\xE2\x80\x93 caf\xC3\xA9",
      "\xD0\x97\xD0\xB0\xD1\x80\xD1\x8F\xD0\xB4\xD0\xBD\xD0\xBE\xD0\xB5 "
      "\xD1\x83\xD1\x81\xD1\x82\xD1\x80\xD0\xBE\xD0\xB9\xD1\x81\xD1\x82\xD0\xB2\xD0\xBE "
      "USB \xE2\x80\x93 3A \xF0\x9F\x94\x8C",
      "\xCE\x98\xCE\xAE\xCE\xBA\xCE\xB7 \xC3\xA9t\xC3\xA9 \xC3\xBC\xE2\x84\xA2 "
      "\xE2\x80\x9CPro\xE2\x80\x9D \xF0\x9F\x98\x80",
  };
  static const char* const kStores[] = {
      "\xE4\xB8\x80\xE5\x8F\xB7 Fashion Store \xE2\x80\x93 \xE5\xAE\x98\xE6\x96\xB9",
      "\xD0\x9C\xD0\xB0\xD0\xB3\xD0\xB0\xD0\xB7\xD0\xB8\xD0\xBD \xE2\x84\x96 1",
      "Caf\xC3\xA9 \xF0\x9F\x8F\xA0 Store",
  };
  std::size_t n = 0;
  for (PageSpec& page : pages) {
    for (TestOrder& order : page.orders) {
      order.products.front().title = kTitles[n % std::size(kTitles)];
      order.store_name = kStores[n % std::size(kStores)];
      ++n;
    }
  }
  return pages;
}

std::vector<TestOrder> OrdersOf(const std::vector<PageSpec>& pages, int first, int last) {
  std::vector<TestOrder> orders;
  for (int i = first; i <= last; ++i) {
    orders.insert(orders.end(), pages[i - 1].orders.begin(), pages[i - 1].orders.end());
  }
  return orders;
}

void PrepareWorkFolder() {
  std::error_code error;
  fs::remove_all(options.work, error);
  fs::create_directories(options.work / "tmp" / "kept.html");  // a folder: stays
  std::ofstream(CachedPage(1)) << "a cached page of an earlier run";
  std::ofstream(CachedPage(7)) << "another cached page of an earlier run";
  std::ofstream(options.work / "tmp" / "notes.txt") << "not a cached page";
  const fs::path hidden = options.work / "tmp" / "hidden.html";
  std::ofstream(hidden) << "hidden";
  SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
  fs::remove(options.open_log, error);
}

// The shell was asked to open `file` of the work folder: the stub xdg-open logged its address.
void CheckOpened(const std::string& file, const std::string& what) {
  const std::string tail = UrlEncoded(ordertable::files::FileName(options.work) + "/" + file);
  Check(WaitUntil([&] { return ReadFile(options.open_log).find(tail) != std::string::npos; }),
        "the shell hands " + what + " to the browser (xdg-open ..." + tail + ")");
}

// A new table from three pages, with a wrong page in between; VIEW, Locate, the close box.
void NewTableRun(const std::vector<PageSpec>& pages) {
  Step("Start-up and the intro step");
  Program program;
  Check(program.Start(), "the dialog captioned \"OrderTable\" appears");
  const HWND dialog = program.dialog();
  CheckText(program.Label(), kIntroText, "the intro text");
  Check(!Exists(CachedPage(1)) && !Exists(CachedPage(7)), "old cached page files are deleted");
  Check(Exists(options.work / "tmp" / "notes.txt"), "tmp\\notes.txt stays");
  Check(Exists(options.work / "tmp" / "hidden.html"), "the hidden tmp\\hidden.html stays");
  Check(Exists(options.work / "tmp" / "kept.html"), "the folder tmp\\kept.html stays");

  RECT client;
  GetClientRect(dialog, &client);
  CheckEqual(ControlBox{0, 0, client.right, client.bottom}, ControlBox{0, 0, 320, 200},
             "client area");
  RECT work_area, frame;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work_area, 0);
  GetWindowRect(dialog, &frame);
  const int dx = (frame.left - work_area.left) - (work_area.right - frame.right);
  const int dy = (frame.top - work_area.top) - (work_area.bottom - frame.bottom);
  Check(dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1, "centred in the work area");
  const LONG_PTR style = GetWindowLongPtrA(dialog, GWL_STYLE);
  Check((style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_POPUP)) ==
                (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_POPUP) &&
            !(style & (WS_MAXIMIZEBOX | WS_THICKFRAME)),
        "pop-up with caption, system menu and minimise box; no maximise box, fixed size");
  Check(GetWindow(dialog, GW_OWNER) == nullptr, "no owner window");
  CheckEqual(program.Box(kLabel), ControlBox{8, 8, 304, 160}, "message label");
  CheckEqual(program.Box(kHiddenCancel), ControlBox{-10, -10, 0, 0}, "hidden Cancel button");
  CheckEqual(program.Box(kIntroNext), ControlBox{232, 168, 80, 24}, "Next in the right slot");
  CheckEqual(WindowText(program.Control(kIntroNext)), std::string("Next"), "Next's text");
  Screenshot("intro");

  Step("Message 1024 (the dialog manager's DM_GETDEFID) starts no capture");
  PutOnClipboard(BuildPageSource(pages[0]));
  DWORD_PTR answer = 0;
  SendMessageTimeoutA(dialog, WM_USER, 0, 0, SMTO_NORMAL, kTimeoutMs, &answer);
  Sleep(700);
  Check(ClipboardHoldsText(), "the page is still on the clipboard");
  CheckEqual(ctrl_w_count.load(), 0, "no Ctrl+W was sent");
  Check(!Exists(CachedPage(1)), "no cached page file was written");
  ordertable::EmptyClipboardOf(browser);

  Step("Advice and capture steps");
  Check(program.Click(kIntroNext), "press Next");
  Check(program.WaitForLabel(kAdviceText), "the advice text");
  CheckEqual(program.Box(kAdviceNext), ControlBox{232, 168, 80, 24}, "advice Next");
  Check(!program.Has(kIntroNext), "the intro's Next is gone");
  Screenshot("advice");
  Check(program.Click(kAdviceNext), "press Next");
  Check(program.WaitForStatus("Expected: page 1/??"), "status \"Expected: page 1/??\"");
  CheckText(program.Label(), kInstructionText, "the instruction text");
  CheckEqual(program.Box(kLabel), ControlBox{8, 8, 304, 60}, "message label, 60 high");
  CheckEqual(program.Box(kCaptureCancel), ControlBox{232, 168, 80, 24}, "capture Cancel");
  CheckEqual(program.Box(kCopy), ControlBox{36, 96, 50, 56}, "copy picture");
  CheckEqual(program.Box(kPaste), ControlBox{233, 98, 46, 53}, "paste picture");
  for (int dot = 1; dot <= 4; ++dot) {
    CheckEqual(program.Box(kFirstDot + dot - 1), ControlBox{107 + 29 * (dot - 1), 119, 17, 17},
               "progress dot " + std::to_string(dot));
  }
  CheckEqual(program.Box(kStatus), ControlBox{107, 87, 110, 24}, "status line");
  Screenshot("capture");

  Step("A clipboard text without all four page markers is left alone");
  std::string incomplete = BuildPageSource(pages[0]);
  incomplete.erase(incomplete.rfind("</html>"));
  Check(FocusBrowser(), "the browser window is in front");
  PutOnClipboard(incomplete);
  Sleep(1000);
  Check(ClipboardHoldsText() && ordertable::ReadClipboardText(browser) == incomplete,
        "the text stays on the clipboard, unchanged");
  CheckEqual(program.Status(), std::string("Expected: page 1/??"), "the status is unchanged");
  CheckEqual(ctrl_w_count.load(), 0, "no Ctrl+W was sent");

  Step("Page 1 of 3");
  CopyPage(program, pages[0], Expected(2, 3), "treating-page-1");
  CheckCachedPage(pages[0]);
  CheckText(program.Label(), kNextPageText, "the next-page text");
  Screenshot("page-1-taken");

  Step("Page 3 of 3 out of turn");
  const int ctrl_w_before = ctrl_w_count;
  const std::size_t keys_before = KeyLog().size();
  Check(FocusBrowser(), "the browser window is in front");
  PutOnClipboard(BuildPageSource(pages[2]));
  Check(program.WaitForStatus("Error: wrong page"), "status \"Error: wrong page\"");
  Screenshot("wrong-page");
  Check(program.WaitForStatus(Expected(2, 3)), "then again \"" + Expected(2, 3) + "\"");
  CheckOneCtrlW(ctrl_w_before, keys_before);
  Check(!ClipboardHoldsText(), "the clipboard was emptied");
  Check(!Exists(CachedPage(3)) && !Exists(CachedPage(2)), "no cached page file was written");

  Step("Page 2 of 3 through the X clipboard, page 3 of 3, then the build");
  CopyPage(program, pages[1], Expected(3, 3), "", Clipboard::kX);
  CheckCachedPage(pages[1]);
  CopyPage(program, pages[2], "GENERATING TABLE");
  CheckCachedPage(pages[2]);
  WaitForResult(program);
  const std::vector<TestOrder> orders = OrdersOf(pages, 1, 3);
  CheckText(program.Label(), GeneratedText(static_cast<int>(orders.size()), 3),
            "the generated text");
  CheckEqual(program.Box(kLabel), ControlBox{8, 8, 304, 160}, "message label, 160 high");
  CheckEqual(program.Box(kView), ControlBox{232, 168, 80, 24}, "VIEW in the right slot");
  CheckEqual(program.Box(kLocate), ControlBox{144, 168, 80, 24}, "Locate in the left slot");
  Check(!program.Has(kCaptureCancel) && !program.Has(kStatus) && !program.Has(kFirstDot),
        "the capture controls are gone");
  CheckDocumentRows(ReadFile(Document()), orders, "the new document");
  CheckRowTexts(ReadFile(Document()), orders);
  Check(!Exists(Backup()), "no backup for a new table");
  Screenshot("generated");

  Step("VIEW and Locate");
  Check(program.Click(kView), "press VIEW");
  CheckOpened("AliExpress Orders.html", "the document");
  std::printf("  xdg-open was asked for: %s", ReadFile(options.open_log).c_str());
  Check(program.Has(kView) && program.Has(kLocate), "the result step stays");
  Screenshot("view");
  Check(program.Click(kLocate), "press Locate");
  HWND explorer = nullptr;
  const bool explorer_shown = WaitUntil([&] {
    explorer = FindWindowA("ExplorerWClass", nullptr);
    if (!explorer) explorer = FindWindowA("CabinetWClass", nullptr);
    return explorer != nullptr && IsWindowVisible(explorer);
  });
  Check(explorer_shown, "a file explorer window opens");
  const std::string folder = ordertable::files::FileName(options.work);
  Check(WaitUntil([&] { return WindowText(explorer) == folder; }, 10000),
        "it shows the folder \"" + folder + "\" (caption \"" + WindowText(explorer) + "\")");
  Sleep(1000);
  Screenshot("locate");
  if (explorer) PostMessageA(explorer, WM_CLOSE, 0, 0);
  Check(WaitUntil([&] { return !IsWindow(explorer); }), "the explorer window closes");
  Check(program.Has(kView) && program.Has(kLocate), "the result step stays");

  Step("The close box ends the program normally");
  CloseWithTheCloseBox(program);
  Screenshot("closed");
}

// Erase, Cancel while the last of four pages blinks, and the fast re-build from those four.
void CancelAndFastRebuildRun(const std::vector<PageSpec>& four_pages) {
  Step("Update question, erase confirmation and Prev.");
  const std::string before = ReadFile(Document());
  Program program;
  Check(program.Start(), "the dialog appears");
  CheckText(program.Label(), kUpdateQuestionText, "the update question");
  CheckEqual(program.Box(kYes), ControlBox{232, 168, 80, 24}, "YES in the right slot");
  CheckEqual(program.Box(kNo), ControlBox{144, 168, 80, 24}, "No in the left slot");
  Screenshot("update-question");
  Check(program.Click(kNo), "press No");
  Check(program.WaitForLabel(kEraseText), "the erase confirmation");
  CheckEqual(program.Box(kErase), ControlBox{232, 168, 80, 24}, "ERASE in the right slot");
  CheckEqual(program.Box(kPrevious), ControlBox{144, 168, 80, 24}, "Prev. in the left slot");
  Screenshot("erase-confirmation");
  Check(program.Click(kPrevious), "press Prev.");
  Check(program.WaitForLabel(kUpdateQuestionText), "the update question again");
  Check(Exists(Document()), "the document is still there");
  Check(program.Click(kNo), "press No");
  Check(program.WaitForLabel(kEraseText), "the erase confirmation");
  Check(program.Click(kErase), "press ERASE");
  Check(program.WaitForLabel(kIntroText), "the intro step");
  Check(!Exists(Document()) && ReadFile(Backup()) == before,
        "the document is moved to the backup, byte for byte");

  Step("Four pages of four, Cancel while the last one blinks");
  EnterCapture(program, kIntroNext);
  CopyPage(program, four_pages[0], Expected(2, 4));
  CopyPage(program, four_pages[1], Expected(3, 4));
  CopyPage(program, four_pages[2], Expected(4, 4));
  int ctrl_w_before = ctrl_w_count;
  std::size_t keys_before = KeyLog().size();
  Check(FocusBrowser(), "the browser window is in front");
  PutOnClipboard(BuildPageSource(four_pages[3]));
  Check(program.WaitForStatus("TREATING ORDERS"), "page 4/4 is noticed on the clipboard");
  // The page is stored before its dots blink for three seconds; the build would follow.
  Check(WaitUntil([] { return Exists(CachedPage(4)); }), "its cached page file is written");
  Check(program.Click(kCaptureCancel), "press Cancel while its dots blink");
  Check(program.WaitForLabel(kIntroText), "back to the intro step");
  CheckOneCtrlW(ctrl_w_before, keys_before);
  Check(!program.Has(kStatus) && !program.Has(kCopy) && !program.Has(kFirstDot + 3),
        "the capture controls are gone");
  CheckEqual(program.Box(kLabel), ControlBox{8, 8, 304, 160}, "message label, 160 high");
  Check(Exists(CachedPage(1)) && Exists(CachedPage(2)) && Exists(CachedPage(3)) &&
            Exists(CachedPage(4)),
        "the cached pages 1 to 4 stay");
  Check(!Exists(Document()), "no table was built");
  Screenshot("cancelled");

  Step("Fast re-build of the cached list");
  EnterCapture(program, kIntroNext);
  ctrl_w_before = ctrl_w_count;
  keys_before = KeyLog().size();
  Check(FocusBrowser(), "the browser window is in front");
  PutOnClipboard(BuildPageSource(four_pages[0]));
  HWND box = nullptr;
  Check(WaitUntil([&] { return (box = program.MessageBox()) != nullptr && IsWindowVisible(box); }),
        "a message box captioned \"OrderTable\" asks");
  std::string question;
  EnumChildWindows(
      box,
      [](HWND child, LPARAM text) -> BOOL {
        if (ClassOf(child) == "Static") *reinterpret_cast<std::string*>(text) += WindowText(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&question));
  CheckEqual(question, std::string("Do a fast re-build of the table from 4 pages ?"),
             "the fast re-build question");
  Check(GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) && !GetDlgItem(box, IDOK),
        "Yes and No buttons");
  Check(GetWindow(box, GW_OWNER) == nullptr, "the message box has no owner");
  Screenshot("fast-rebuild-question");
  DWORD_PTR result = 0;
  SendMessageTimeoutA(GetDlgItem(box, IDYES), BM_CLICK, 0, 0, SMTO_NORMAL, kTimeoutMs, &result);
  WaitForResult(program);
  const std::vector<TestOrder> orders = OrdersOf(four_pages, 1, 4);
  CheckText(program.Label(), GeneratedText(static_cast<int>(orders.size()), 4),
            "the generated text for the four cached pages");
  CheckDocumentRows(ReadFile(Document()), orders, "the rebuilt document");
  CheckCachedPage(four_pages[3]);
  CheckOneCtrlW(ctrl_w_before, keys_before);
  Screenshot("fast-rebuilt");

  Step("Esc in the result step");
  Check(BringToFront(program.dialog()), "the dialog is in front");
  SendKey(VK_ESCAPE);
  CheckEqual(program.WaitForExit(), static_cast<long>(kExitOnEscape), "exit status");
}

// An update: page 1 holds new orders only, page 2 reaches the known ones.
void UpdateRun(const std::vector<PageSpec>& pages, int new_orders,
               const std::vector<TestOrder>& known_orders) {
  const std::string before = ReadFile(Document());
  Step("Update: YES, then pages 1 and 2 of 5");
  Program program;
  Check(program.Start(), "the dialog appears");
  CheckText(program.Label(), kUpdateQuestionText, "the update question");
  EnterCapture(program, kYes);
  CopyPage(program, pages[0], Expected(2, 5));
  CheckCachedPage(pages[0]);

  const int ctrl_w_before = ctrl_w_count;
  const std::size_t keys_before = KeyLog().size();
  Check(FocusBrowser(), "the browser window is in front");
  PutOnClipboard(BuildPageSource(pages[1]));
  const bool building = program.WaitForStatus("UPDATING TABLE");
  Check(building, "page 2 reaches a known order: \"UPDATING TABLE\"");
  // The build step lasts at least until the next tick; Cancel is greyed just after the
  // status line changed.
  WaitUntil(
      [&] { return program.Has(kView) || !IsWindowEnabled(program.Control(kCaptureCancel)); });
  if (building && !program.Has(kView)) {
    Check(program.Has(kCaptureCancel) && !IsWindowEnabled(program.Control(kCaptureCancel)),
          "Cancel is greyed during the build");
    Screenshot("updating");
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(program.Control(kCaptureCancel), BM_CLICK, 0, 0, SMTO_NORMAL, kTimeoutMs,
                        &ignored);
  }
  WaitForResult(program);
  CheckOneCtrlW(ctrl_w_before, keys_before);
  CheckCachedPage(pages[1]);
  Check(!Exists(CachedPage(3)), "no third page was asked for");
  CheckText(program.Label(), UpdatedText(new_orders), "the updated text");

  const std::string after = ReadFile(Document());
  Check(ReadFile(Backup()) == before, "the backup holds the previous document, byte for byte");
  std::vector<TestOrder> all = OrdersOf(pages, 1, 2);
  all.resize(static_cast<std::size_t>(new_orders));
  all.insert(all.end(), known_orders.begin(), known_orders.end());
  CheckDocumentRows(after, all, "the updated document");
  const std::size_t first_row = before.find("<!--8");
  Check(first_row != std::string::npos && after.compare(0, first_row, before, 0, first_row) == 0 &&
            after.size() > before.size() &&
            after.compare(after.size() - (before.size() - first_row), std::string::npos, before,
                          first_row) == 0,
        "the rows already there are kept byte for byte, the new ones inserted at the top");
  Screenshot("updated");

  Step("The close box after the update");
  CloseWithTheCloseBox(program);
}

// Esc in the first step ends the program at once and leaves the document alone.
// The program is a copy named in Cyrillic, kept beside the table as a shopper keeps it.
void EscapeRun() {
  Step("Esc in the update question step, the program named \"Заказы.exe\"");
  const std::string before = ReadFile(Document());
  const fs::path copy = options.work / u8"Заказы.exe";
  fs::copy_file(ordertable::files::PathFromUtf8(options.program), copy,
                fs::copy_options::overwrite_existing);
  Program program(ordertable::files::Utf8Of(copy), "Заказы");
  Check(program.Start(), "the dialog captioned \"Заказы\" appears");
  Check(BringToFront(program.dialog()), "the dialog is in front");
  SendKey(VK_ESCAPE);
  CheckEqual(program.WaitForExit(), static_cast<long>(kExitOnEscape), "exit status");
  Check(ReadFile(Document()) == before, "the document is unchanged");
}

// ---------------------------------------------------------------------------------------------
// Today's order list: a HAR of the order page's network traffic, copied from the developer
// tools of the browser, whose window stays in front.

// The session cookie's token in the captures: it must never reach the disk.
const std::string kSessionToken = "E2E-SESSION-7f3Qk9Lw2Zp";
// The fire emoji (outside the Basic Multilingual Plane) in some of the generator's titles.
const std::string kEmoji = "\xF0\x9F\x94\xA5";

// Thirty orders of today's list, newest first: the first seven are placed after the table of
// the first capture was made, which holds the other 23. With these ids and seed, orders 5, 27
// and 29 have the emoji in a title: 27 and 29 fall into the third reply of the first capture.
constexpr std::int64_t kListFirstId = 8214000000047734;
constexpr std::uint32_t kListSeed = 5;

// Each run of today's list starts the program in an empty folder of its own, beside the
// folder of the page runs (the one given with --work).
void UseFreshFolder(const std::string& suffix) {
  static const fs::path page_runs_folder = options.work;
  fs::path name = page_runs_folder.filename();
  name += suffix;
  options.work = page_runs_folder.parent_path() / name;
  std::error_code error;
  fs::remove_all(options.work, error);
  fs::create_directories(options.work);
  std::printf("  folder %s\n", options.work.string().c_str());
}

fs::path StoredCapture() { return options.work / "tmp" / "AE_order_list.json"; }

std::string Har(const std::vector<TestListOrder>& orders, HarFlavour flavour, bool complete) {
  CaptureSpec capture_spec;
  capture_spec.orders = orders;
  capture_spec.flavour = flavour;
  capture_spec.complete = complete;
  capture_spec.sensitive_data = true;  // Chrome's copy "with sensitive data"; Firefox's always is
  capture_spec.session_token = kSessionToken;
  capture_spec.size_bytes = 3 << 20;  // pictures in base64 around the replies
  return BuildCapture(capture_spec);
}

// The ids of the document's key comments, top to bottom.
std::vector<std::string> KeyIds(const std::string& document) {
  std::vector<std::string> ids;
  for (std::size_t at = document.find("<!--"); at != std::string::npos;
       at = document.find("<!--", at + 4)) {
    const std::string id = document.substr(at + 4, document.find("-->", at) - at - 4);
    if (!id.empty() && id.find_first_not_of("0123456789") == std::string::npos) ids.push_back(id);
  }
  return ids;
}

std::string Joined(const std::vector<std::string>& ids) {
  std::string joined;
  for (const std::string& id : ids) joined += (joined.empty() ? "" : " ") + id;
  return joined;
}

std::string IdsOf(const std::vector<TestListOrder>& orders) {
  std::vector<std::string> ids;
  for (const TestListOrder& order : orders) ids.push_back(order.order.id);
  return Joined(ids);
}

// Each order's row block in the document: its key comment, its number (`first_number` for the
// first order, one less for each next one) and its seven cells as the generator's order gives
// them, byte for byte. The cells are built by the test support from the order's parts, not by
// the program's own mapping; the rating is the program's to choose.
void CheckListedRows(const std::string& document, const std::vector<TestListOrder>& orders,
                     int first_number, const std::string& what) {
  std::size_t matching = 0;
  std::string first_other;
  for (std::size_t i = 0; i < orders.size(); ++i) {
    const ordertable::OrderRow row = ordertable::test::ExpectedListRow(orders[i]);
    std::string block = "<!--" + row.order_id + "-->\r\n<tr>\r\n<td>" +
                        std::to_string(first_number - static_cast<int>(i)) + "</th>\r\n";
    for (const std::string* cell : {&row.date, &row.price, &row.status, &row.image,
                                    &row.description, &row.options, &row.store}) {
      block += "<td>" + *cell + "</td>\r\n";
    }
    block += "<td><span class='stars'>";
    if (document.find(block) != std::string::npos) {
      ++matching;
    } else if (first_other.empty()) {
      first_other = " (first other row: " + row.order_id + ")";
    }
  }
  CheckEqual(
      matching, orders.size(),
      what + ": rows whose number and cells are those of the generator's orders" + first_other);
  for (const TestListOrder& order : orders) {
    const std::string& title = order.order.lines.front().title;
    if (title.find(kEmoji) != std::string::npos)
      std::printf("  among them \"%s\"\n", title.c_str());
  }
  // Text from the clipboard's UTF-16 and from base64 alike: an emoji is its own four bytes,
  // never two encoded surrogate halves (ED A0..BF ..) or the replacement character.
  bool clean = document.find("\xEF\xBF\xBD") == std::string::npos;
  for (std::size_t at = document.find('\xED'); at != std::string::npos && clean;
       at = document.find('\xED', at + 1)) {
    clean = at + 1 == document.size() || static_cast<unsigned char>(document[at + 1]) < 0xA0;
  }
  Check(clean, what + ": no surrogate half and no replacement character in the document");
}

// Every file in the folder and below it; none may hold the session cookie or anything of the
// HAR but the orders (its beacon addresses, its creator).
void CheckNoHarOnDisk() {
  static const char* const kHarOnly[] = {"_m_h5_tk", "gm.mmstat.com", "WebInspector"};
  std::size_t files = 0;
  std::uintmax_t bytes = 0;
  std::string holders;
  for (const auto& entry : fs::recursive_directory_iterator(options.work)) {
    if (!entry.is_regular_file()) continue;
    const std::string content = ReadFile(entry.path());
    ++files;
    bytes += content.size();
    bool holds = content.find(kSessionToken) != std::string::npos;
    for (const char* text : kHarOnly) holds = holds || content.find(text) != std::string::npos;
    if (holds) holders += " " + fs::relative(entry.path(), options.work).string();
  }
  Check(files > 0 && holders.empty(), "none of the " + std::to_string(files) +
                                          " files in the folder (" + std::to_string(bytes) +
                                          " bytes) holds the session cookie or the HAR" + holders);
}

// Copies a capture in the browser, whose developer tools the shopper is in, and waits until
// the program has taken it: "TREATING ORDERS", then `status_after`. No key reaches the
// browser: a Ctrl+W would close the orders tab.
void CopyCapture(Program& program, const std::string& har, const std::string& status_after,
                 const std::string& shot_while_treating) {
  const int ctrl_w_before = ctrl_w_count;
  const std::size_t keys_before = KeyLog().size();
  Check(FocusBrowser(), "the browser window is in front");
  PutOnClipboard(har);
  const bool taken = program.WaitForStatus("TREATING ORDERS");
  Check(taken, "the capture is noticed on the clipboard: \"TREATING ORDERS\"");
  if (taken) {
    const bool in_front = WaitUntil([&] {
      return GetForegroundWindow() == program.dialog() && program.Status() == "TREATING ORDERS";
    });
    Sleep(300);
    if (in_front) Screenshot(shot_while_treating);
  }
  Check(program.WaitForStatus(status_after), "the status line then reads \"" + status_after + "\"");
  CheckEqual(ctrl_w_count.load(), ctrl_w_before, "no Ctrl+W reached the browser");
  CheckEqual(KeyLog().substr(keys_before), std::string(), "nor any other key message");
  Check(!ClipboardHoldsText(), "the clipboard was emptied");
  Check(GetForegroundWindow() == program.dialog(), "the dialog came back in front");
}

void CheckResultButtons(Program& program) {
  CheckEqual(program.Box(kView), ControlBox{232, 168, 80, 24}, "VIEW in the right slot");
  CheckEqual(program.Box(kLocate), ControlBox{144, 168, 80, 24}, "Locate in the left slot");
  CheckEqual(WindowText(program.Control(kView)) + " " + WindowText(program.Control(kLocate)),
             std::string("VIEW Locate"), "their texts");
  Check(!program.Has(kCaptureCancel) && !program.Has(kStatus) && !program.Has(kFirstDot),
        "the capture controls are gone");
}

// The pixels of the status line's text, counted by the colour they are closest to.
struct InkCount {
  int red = 0, green = 0, blue = 0;
};

// Read from the screen: Wine gives no pixel of another process's window through its own DC.
InkCount StatusInk(Program& program) {
  InkCount ink;
  RECT area = {};
  GetWindowRect(program.Control(kStatus), &area);
  const HDC screen = GetDC(nullptr);
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const COLORREF pixel = GetPixel(screen, x, y);
      if (pixel == CLR_INVALID) continue;
      const int r = GetRValue(pixel), g = GetGValue(pixel), b = GetBValue(pixel);
      if (r > 180 && g < 90 && b < 90) ++ink.red;
      if (g > 150 && r < 90 && b < 90) ++ink.green;
      if (b > 180 && r < 90 && g < 90) ++ink.blue;
    }
  }
  ReleaseDC(nullptr, screen);
  return ink;
}

// The processor time the process's threads used so far, in milliseconds. Summed thread by
// thread: Wine keeps GetProcessTimes of another process at what its ended threads used.
double ProcessorMs(DWORD process_id) {
  double total_ms = 0;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != process_id) continue;
    const HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
    FILETIME created, ended, kernel, user;
    if (thread && GetThreadTimes(thread, &created, &ended, &kernel, &user)) {
      for (const FILETIME& time : {kernel, user}) {
        total_ms +=
            static_cast<double>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime) /
            10000.0;
      }
    }
    if (thread) CloseHandle(thread);
  }
  CloseHandle(snapshot);
  return total_ms;
}

// A new table from a Chrome HAR: several replies, the first as JSONP and one in base64 (an
// emoji in a title), among the pictures and the other requests of the page.
void CaptureNewTableRun(const std::vector<TestListOrder>& orders) {
  Step("Today's order list: a new table from a HAR copied in Chrome");
  UseFreshFolder("-capture");
  Program program;
  Check(program.Start(), "the dialog appears");
  CheckText(program.Label(), kIntroText, "the intro text");
  EnterCapture(program, kIntroNext);
  Screenshot("capture-step");

  const std::string har = Har(orders, HarFlavour::kChrome, true);
  Check(har.find("mtopjsonp1(") != std::string::npos, "the HAR's first reply is JSONP");
  Check(har.find(kEmoji) == std::string::npos && har.find("\\uD83D") == std::string::npos &&
            std::any_of(orders.begin(), orders.end(),
                        [](const TestListOrder& order) {
                          return order.order.lines.front().title.find(kEmoji) != std::string::npos;
                        }),
        "a reply with an emoji in a title is in base64: the emoji stands nowhere else in it");
  Check(har.find(kSessionToken) != std::string::npos &&
            har.find("gm.mmstat.com") != std::string::npos,
        "the HAR holds the session cookie and the page's other requests");
  CopyCapture(program, har, "GENERATING TABLE", "treating-capture");
  WaitForResult(program);
  const int replies = static_cast<int>((orders.size() + 9) / 10);
  CheckText(program.Label(), GeneratedText(static_cast<int>(orders.size()), replies),
            "the generated text: every order, one page per reply");
  CheckEqual(program.Box(kLabel), ControlBox{8, 8, 304, 160}, "message label, 160 high");
  CheckResultButtons(program);
  const std::string document = ReadFile(Document());
  CheckEqual(Joined(KeyIds(document)), IdsOf(orders),
             "the document lists exactly the orders, in order");
  CheckListedRows(document, orders, static_cast<int>(orders.size()), "the new document");
  Check(!Exists(Backup()), "no backup for a new table");
  Check(Exists(StoredCapture()) && ReadFile(StoredCapture()).size() < har.size() / 10,
        "tmp\\AE_order_list.json holds the orders, a small part of the HAR");
  CheckNoHarOnDisk();
  Screenshot("capture-generated");

  Step("The close box after the capture");
  CloseWithTheCloseBox(program);
}

// An update from a Firefox HAR (its cookies in it): the newest orders are new, the older ones
// are in the table, and the list stops there, before its end.
void CaptureUpdateRun(const std::vector<TestListOrder>& list, std::size_t new_orders,
                      const std::vector<TestListOrder>& known_orders) {
  Step("Today's order list: an update from a HAR copied in Firefox");
  const std::string before = ReadFile(Document());
  Program program;
  Check(program.Start(), "the dialog appears");
  CheckText(program.Label(), kUpdateQuestionText, "the update question");
  EnterCapture(program, kYes);
  CopyCapture(program, Har(list, HarFlavour::kFirefox, false), "UPDATING TABLE",
              "treating-capture-update");
  WaitForResult(program);
  CheckText(program.Label(), UpdatedText(static_cast<int>(new_orders)), "the updated text");
  CheckResultButtons(program);

  const std::string after = ReadFile(Document());
  Check(ReadFile(Backup()) == before, "the backup holds the previous document, byte for byte");
  const std::vector<TestListOrder> fresh(list.begin(),
                                         list.begin() + static_cast<std::ptrdiff_t>(new_orders));
  CheckEqual(Joined(KeyIds(after)), IdsOf(fresh) + " " + IdsOf(known_orders),
             "the new orders on top of those of the table");
  CheckListedRows(after, fresh, static_cast<int>(new_orders), "the new rows");
  const std::size_t first_row = before.find("<!--8");
  Check(first_row != std::string::npos && after.size() > before.size() &&
            after.compare(0, first_row, before, 0, first_row) == 0 &&
            after.compare(after.size() - (before.size() - first_row), std::string::npos, before,
                          first_row) == 0,
        "the head and the rows already there are kept byte for byte");
  CheckNoHarOnDisk();
  Screenshot("capture-updated");

  Step("The close box after the update");
  CloseWithTheCloseBox(program);
}

// While the capture step waits, a large text that is no capture stays on the clipboard: the
// poll looks at it once, when it arrives, and then costs next to nothing.
void CheckIdleWithLargeClipboard(Program& program) {
  std::string text;
  text.reserve(50u << 20);
  for (int line = 0; text.size() < (50u << 20); ++line) {
    text +=
        "Line " + std::to_string(line) +
        " of a long text copied from a document: caf\xC3\xA9, na\xC3\xAFve, r\xC3\xA9sum\xC3\xA9 "
        "and plain words that hold no order of any kind.\r\n";
  }
  Check(FocusBrowser(), "the browser window is in front");
  const double start_ms = ProcessorMs(program.process_id());
  PutOnClipboard(text);
  // The poll looks within a quarter of a second and reads and converts it all; the look is
  // over when the processor time stops rising.
  Sleep(1000);
  double settled_ms = ProcessorMs(program.process_id());
  for (int half_seconds = 0; half_seconds < 120; ++half_seconds) {
    Sleep(500);
    const double now = ProcessorMs(program.process_id());
    const bool settled = now - settled_ms < 50;
    settled_ms = now;
    if (settled) break;
  }
  constexpr DWORD kWindowMs = 5000;
  const double window_start_ms = ProcessorMs(program.process_id());
  Sleep(kWindowMs);
  const double used_ms = ProcessorMs(program.process_id()) - window_start_ms;
  std::printf(
      "  a look at the 50 MB text took %.0f ms of processor time; then %.0f ms in %lu ms"
      " (%.1f%%)\n",
      settled_ms - start_ms, used_ms, kWindowMs, 100.0 * used_ms / kWindowMs);
  Check(used_ms < kWindowMs * 0.1, "with 50 MB on the clipboard the program stays near idle: " +
                                       std::to_string(static_cast<int>(used_ms)) +
                                       " ms of processor time in " + std::to_string(kWindowMs) +
                                       " ms (bound: 10%)");
  CheckEqual(program.Status(), std::string("Expected: page 1/??"), "the status is unchanged");
  CheckText(program.Label(), kInstructionText, "the instruction text is unchanged");
  Check(ordertable::ReadClipboardText(browser) == text, "the text stays on the clipboard");
  Check(!Exists(StoredCapture()), "nothing was stored");
  Screenshot("capture-large-text");
}

// A list cut short (every reply still says there is more) builds nothing; the whole list,
// copied again, is taken.
void CaptureCutShortRun(const std::vector<TestListOrder>& orders) {
  Step("Today's order list: a large text on the clipboard, a list cut short, then the whole list");
  UseFreshFolder("-capture-cut-short");
  Program program;
  Check(program.Start(), "the dialog appears");
  EnterCapture(program, kIntroNext);
  CheckIdleWithLargeClipboard(program);

  Check(FocusBrowser(), "the browser window is in front");
  const int ctrl_w_before = ctrl_w_count;
  const std::size_t keys_before = KeyLog().size();
  PutOnClipboard(Har(orders, HarFlavour::kFirefox, false));
  Check(program.WaitForStatus("Error: incomplete"), "status \"Error: incomplete\"");
  Sleep(300);
  const InkCount ink = StatusInk(program);
  Check(ink.red > 0 && ink.green == 0 && ink.blue == 0,
        "drawn in red (" + std::to_string(ink.red) + " red pixels, " + std::to_string(ink.green) +
            " green, " + std::to_string(ink.blue) + " blue)");
  CheckText(program.Label(), kCaptureIncompleteText, "what to do");
  CheckEqual(ctrl_w_count.load(), ctrl_w_before, "no Ctrl+W reached the browser");
  CheckEqual(KeyLog().substr(keys_before), std::string(), "nor any other key message");
  Check(!ClipboardHoldsText(), "the clipboard was emptied");
  Screenshot("capture-cut-short");
  Sleep(1000);
  CheckEqual(program.Status(), std::string("Error: incomplete"), "the status stays");
  Check(!Exists(Document()) && !Exists(StoredCapture()) &&
            !Exists(options.work / "AliExpress Orders files"),
        "nothing was built or stored");
  Check(program.Has(kCaptureCancel) && IsWindowEnabled(program.Control(kCaptureCancel)),
        "the capture step goes on");

  CopyCapture(program, Har(orders, HarFlavour::kFirefox, true), "GENERATING TABLE",
              "treating-capture-whole");
  WaitForResult(program);
  CheckText(
      program.Label(),
      GeneratedText(static_cast<int>(orders.size()), static_cast<int>((orders.size() + 9) / 10)),
      "the generated text");
  CheckResultButtons(program);
  const std::string document = ReadFile(Document());
  CheckEqual(Joined(KeyIds(document)), IdsOf(orders),
             "the document lists exactly the orders, in order");
  CheckListedRows(document, orders, static_cast<int>(orders.size()), "the new document");
  CheckNoHarOnDisk();
  Screenshot("capture-whole-list");

  Step("Esc in the result step");
  Check(BringToFront(program.dialog()), "the dialog is in front");
  SendKey(VK_ESCAPE);
  CheckEqual(program.WaitForExit(), static_cast<long>(kExitOnEscape), "exit status");
}

// Runs ordertable-cli.exe with `args` in the work folder; its exit status, or -1.
long RunCommandLine(const std::vector<std::wstring>& args) {
  const std::wstring program = ordertable::files::WideFromUtf8(options.cli);
  std::wstring command = L"\"" + program + L"\"";
  for (const std::wstring& arg : args) command += L" \"" + arg + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                      nullptr, options.work.c_str(), &startup, &process)) {
    return -1;
  }
  DWORD status = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 4 * kTimeoutMs) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &status);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<long>(status);
}

// The bookmark's route: the steps lead with it and hand over its page; its copy of a whole
// list of 1,000 orders, UTF-8 on the X clipboard as a browser on Linux copies it, builds the
// table. Then the copy of a run the shopper stopped, which reaches orders of the table, updates
// it; meanwhile the command line's update of the same folder finds the folder busy.
void BookmarkRun(const std::vector<TestListOrder>& list) {
  Step("The bookmark: its page, then its copy of 1,000 orders");
  UseFreshFolder("-bookmark");
  Program program;
  Check(program.Start(), "the dialog appears");
  Check(program.Click(kIntroNext), "press Next");
  Check(program.WaitForLabel(kAdviceText), "the advice step");
  Check(program.Click(kTodaysPage), "press \"Today's page\"");
  Check(program.WaitForLabel(kCaptureStepsText), "the steps lead with the bookmark");
  CheckEqual(program.Box(kBookmark), ControlBox{56, 168, 80, 24}, "Bookmark left of them");
  CheckEqual(WindowText(program.Control(kBookmark)), std::string("Bookmark"), "its text");
  Screenshot("bookmark-steps");
  Check(program.Click(kBookmark), "press Bookmark");
  CheckOpened("Get AliExpress orders.html", "the bookmark's page");
  Check(ReadFile(options.work / "Get AliExpress orders.html")
                .find("<a id=\"ordertable-bookmark\" href=\"javascript:") != std::string::npos,
        "the page beside the table holds the bookmark");
  Check(program.Click(kAdviceNext), "press Next");
  Check(program.WaitForStatus("Expected: page 1/??"), "the capture step");

  const std::vector<TestListOrder> older(list.begin() + 15, list.end());
  CaptureSpec capture_spec;
  capture_spec.orders = older;
  capture_spec.flavour = HarFlavour::kBookmark;
  const std::string har = BuildCapture(capture_spec);
  Check(FocusBrowser(), "the browser window is in front");
  const DWORD copied_at = GetTickCount();
  PutOnXClipboard(har);
  WaitForResult(program);
  std::printf("  from the copy of %zu orders (%zu bytes) to the table: %lu ms\n", older.size(),
              har.size(), GetTickCount() - copied_at);
  CheckText(program.Label(), GeneratedText(static_cast<int>(older.size()), 100),
            "the generated text");
  const std::string before = ReadFile(Document());
  CheckEqual(Joined(KeyIds(before)), IdsOf(older), "the document lists exactly the orders");
  CheckListedRows(before, older, static_cast<int>(older.size()), "the new document");
  Screenshot("bookmark-generated");
  CloseWithTheCloseBox(program);

  Step("The bookmark: an update from a stopped run, the command line kept out meanwhile");
  capture_spec.orders.assign(list.begin(), list.begin() + 20);
  capture_spec.complete = false;
  const std::string stopped = BuildCapture(capture_spec);
  const fs::path stopped_file = options.work.parent_path() / "e2e-stopped-bookmark.har";
  std::ofstream(stopped_file, std::ios::binary) << stopped;
  Program updater;
  Check(updater.Start(), "the dialog appears");
  CheckText(updater.Label(), kUpdateQuestionText, "the update question");
  EnterCapture(updater, kYes);
  CheckEqual(RunCommandLine({L"import", L"--update", stopped_file.wstring()}), 4L,
             "the command line's update of the folder the wizard holds exits 4 (busy)");
  Check(ReadFile(Document()) == before && !Exists(Backup()), "and changes nothing");
  Check(FocusBrowser(), "the browser window is in front");
  PutOnXClipboard(stopped);
  WaitForResult(updater);
  CheckText(updater.Label(), UpdatedText(15), "the updated text: the 15 new orders");
  CheckEqual(Joined(KeyIds(ReadFile(Document()))), IdsOf(list),
             "the new orders on top of those of the table");
  Check(ReadFile(Backup()) == before, "the backup holds the previous document, byte for byte");
  CheckNoHarOnDisk();
  CloseWithTheCloseBox(updater);
  CheckEqual(RunCommandLine({L"import", L"--update", stopped_file.wstring()}), 0L,
             "with the wizard gone, the command line's update runs: nothing is new");
}

bool ParseOptions(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const std::string value = argv[i + 1];
    if (name == "--program") {
      options.program = value;
    } else if (name == "--cli") {
      options.cli = value;
    } else if (name == "--work") {
      options.work = value;
    } else if (name == "--open-log") {
      options.open_log = value;
    } else if (name == "--artifacts") {
      options.artifacts = value;
    } else {
      return false;
    }
  }
  return !options.program.empty() && !options.cli.empty() && !options.work.empty() &&
         !options.open_log.empty();
}

}  // namespace

int main(int argc, char** argv) {
  if (!ParseOptions(argc, argv)) {
    std::fprintf(stderr,
                 "usage: ordertable_e2e --program P.exe --cli CLI.exe --work DIR --open-log FILE "
                 "[--artifacts UNIX_DIR]\n");
    return 2;
  }
  // Every run starts the program in a folder named in Cyrillic and Chinese letters, as a
  // shopper's "C:\\Users\\Дмитрий\\Заказы" or "注文": no name may pass the ANSI code page.
  options.work = options.work / u8"Дмитрий" / u8"Заказы 注文";
  PrepareWorkFolder();
  StartBrowser();

  // Twelve orders on three pages, their titles and store names in many scripts; twelve others
  // on four pages; the update list puts five new orders before those twelve.
  const std::vector<PageSpec> first_list = WithTextsOfManyScripts(Pages(12, 8012000000000000, 4));
  const std::vector<PageSpec> second_list = Pages(12, 8012000000000100, 3);
  const std::vector<PageSpec> update_list = Pages(17, 8012000000000095, 4);

  NewTableRun(first_list);
  CancelAndFastRebuildRun(second_list);
  UpdateRun(update_list, 5, OrdersOf(second_list, 1, 4));
  EscapeRun();

  // Today's order list: the first capture's table holds the 23 older orders of thirty, the
  // update's HAR brings the seven newer ones and 13 of those. The list cut short is another.
  const std::vector<TestListOrder> list = MakeListedOrders(30, kListFirstId, kListSeed);
  const std::vector<TestListOrder> older(list.begin() + 7, list.end());
  CaptureNewTableRun(older);
  CaptureUpdateRun({list.begin(), list.begin() + 20}, 7, older);
  CaptureCutShortRun(MakeListedOrders(25, kListFirstId + 1000, kListSeed));
  BookmarkRun(MakeListedOrders(1015, kListFirstId + 2000, kListSeed));

  std::string every_ctrl_w;
  for (int i = 0; i < ctrl_w_count; ++i) every_ctrl_w += "Ctrl down, W down, W up, Ctrl up, ";
  Check(ctrl_w_count == 11 && KeyLog() == every_ctrl_w,
        "the browser read " + std::to_string(ctrl_w_count) +
            " Ctrl+W, one per page taken or refused and none for a capture, and no other key "
            "message");

  std::printf("%d checks, %d failed\n", checks, failures);
  PostMessageA(browser, WM_CLOSE, 0, 0);
  return failures == 0 ? 0 : 1;
}
