// ordertable_e2e: drives the real OrderTable.exe from outside, the way a user and a browser
// would, and checks what it shows and what it leaves on disk.
//
//   ordertable_e2e --program P.exe --work DIR --open-log FILE [--artifacts UNIX_DIR]
//
// It starts the program in DIR (emptied first), finds its dialog by caption, presses buttons
// by control id, reads the message label and the status line, puts generated order-list pages
// on the clipboard and owns a focused "browser" window that must receive the program's Ctrl+W.
// FILE is where a stub xdg-open logs what the shell asked it to open. Under Wine it saves a
// screenshot of the screen after every step into UNIX_DIR. The exit status is 0 when every
// check passed.

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "app/clipboard_win32.h"
#include "tests/support/order_pages.h"

namespace {

namespace fs = std::filesystem;
using ordertable::test::BuildPageSource;
using ordertable::test::CachedPageText;
using ordertable::test::MakeOrders;
using ordertable::test::PageSpec;
using ordertable::test::SplitIntoPages;
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
              kCaptureCancel = 1003, kYes = 2001, kNo = 2002, kErase = 2003, kPrevious = 2004,
              kView = 3001, kLocate = 3002, kCopy = 9001, kPaste = 9002, kFirstDot = 9003,
              kStatus = 9007;

constexpr int kExitOnEscape = 12345;
constexpr DWORD kTimeoutMs = 30000;

// ---------------------------------------------------------------------------------------------
// Reporting.

struct Options {
  std::string program;
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
  std::vector<char> text(65536);
  const int length =
      window ? GetWindowTextA(window, text.data(), static_cast<int>(text.size())) : 0;
  return std::string(text.data(), length > 0 ? length : 0);
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
  ~Program() { Stop(); }

  /// Starts the program in the work folder and waits for its visible dialog.
  bool Start() {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string command = "\"" + options.program + "\"";
    const std::string folder = options.work.string();
    if (!CreateProcessA(options.program.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, folder.c_str(), &startup, &process_)) {
      std::printf("  cannot start %s (error %lu)\n", options.program.c_str(), GetLastError());
      return false;
    }
    started_ = true;
    return WaitUntil([this] {
      dialog_ = FindTopLevel(true);
      return dialog_ && IsWindowVisible(dialog_);
    });
  }

  HWND dialog() const { return dialog_; }
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
      HWND found;
    } search{process_.dwProcessId, wizard_dialog, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
          auto& s = *reinterpret_cast<Search*>(parameter);
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          if (owner != s.process_id || WindowText(window) != kCaption ||
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
  SetFileAttributesA(hidden.string().c_str(), FILE_ATTRIBUTE_HIDDEN);
  fs::remove(options.open_log, error);
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
  const std::string document_url_tail =
      options.work.filename().string() + "/AliExpress%20Orders.html";
  Check(WaitUntil([&] {
          return ReadFile(options.open_log).find(document_url_tail) != std::string::npos;
        }),
        "the shell hands the document to the browser (xdg-open ..." + document_url_tail + ")");
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
  const std::string folder = options.work.filename().string();
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
void EscapeRun() {
  Step("Esc in the update question step");
  const std::string before = ReadFile(Document());
  Program program;
  Check(program.Start(), "the dialog appears");
  Check(BringToFront(program.dialog()), "the dialog is in front");
  SendKey(VK_ESCAPE);
  CheckEqual(program.WaitForExit(), static_cast<long>(kExitOnEscape), "exit status");
  Check(ReadFile(Document()) == before, "the document is unchanged");
}

bool ParseOptions(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const std::string value = argv[i + 1];
    if (name == "--program") {
      options.program = value;
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
  return !options.program.empty() && !options.work.empty() && !options.open_log.empty();
}

}  // namespace

int main(int argc, char** argv) {
  if (!ParseOptions(argc, argv)) {
    std::fprintf(stderr,
                 "usage: ordertable_e2e --program P.exe --work DIR --open-log FILE "
                 "[--artifacts UNIX_DIR]\n");
    return 2;
  }
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

  std::string every_ctrl_w;
  for (int i = 0; i < ctrl_w_count; ++i) every_ctrl_w += "Ctrl down, W down, W up, Ctrl up, ";
  Check(ctrl_w_count == 11 && KeyLog() == every_ctrl_w,
        "the browser read " + std::to_string(ctrl_w_count) +
            " Ctrl+W, one per page taken or refused, and no other key message");

  std::printf("%d checks, %d failed\n", checks, failures);
  PostMessageA(browser, WM_CLOSE, 0, 0);
  return failures == 0 ? 0 : 1;
}
