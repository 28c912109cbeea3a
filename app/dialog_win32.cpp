#include "app/dialog_win32.h"

#include <cstring>
#include <utility>
#include <vector>

#include "files/wide_text_win32.h"

namespace ordertable {
namespace {

constexpr DWORD kDialogStyle =
    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT;
constexpr wchar_t kDialogFont[] = L"MS Sans Serif";
constexpr WORD kDialogFontPoints = 8;

// Resource names of the pictures, in the order of the Picture enumeration.
constexpr const wchar_t* kPictureNames[] = {L"CPY", L"PST", L"PG0", L"PG1"};
// The grey the pictures are drawn on; it becomes the system's button face colour on loading.
constexpr RGBQUAD kPictureKey = {192, 192, 192, 0};

std::size_t IndexOf(Picture picture) { return static_cast<std::size_t>(picture); }

void AppendWords(std::vector<WORD>& words, const wchar_t* text) {
  do {
    words.push_back(static_cast<WORD>(*text));
  } while (*text++ != L'\0');
}

// A DLGTEMPLATE without controls: the steps add their own. The caption is set later, and the
// size is set in pixels once the frame is known.
std::vector<WORD> DialogTemplate() {
  std::vector<WORD> words;
  const DWORD style = kDialogStyle;
  const DWORD extended_style = 0;
  words.push_back(LOWORD(style));
  words.push_back(HIWORD(style));
  words.push_back(LOWORD(extended_style));
  words.push_back(HIWORD(extended_style));
  words.push_back(0);                           // no controls
  words.insert(words.end(), {0, 0, 200, 120});  // x, y, cx, cy in dialog units
  words.push_back(0);                           // no menu
  words.push_back(0);                           // the standard dialog class
  words.push_back(0);                           // empty title
  words.push_back(kDialogFontPoints);
  AppendWords(words, kDialogFont);
  return words;
}

bool SameColour(const RGBQUAD& a, const RGBQUAD& b) {
  return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
}

// Loads a palette bitmap resource with its key grey replaced by the button face colour, so the
// picture sits on the dialog in any colour scheme.
HBITMAP LoadPictureOnFace(HINSTANCE instance, const wchar_t* name, SIZE& size) {
  const HRSRC resource = FindResourceW(instance, name, MAKEINTRESOURCEW(2));  // RT_BITMAP
  if (!resource) return nullptr;
  const HGLOBAL loaded = LoadResource(instance, resource);
  const auto* bytes = static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
  if (!bytes || SizeofResource(instance, resource) < sizeof(BITMAPINFOHEADER)) return nullptr;
  BITMAPINFOHEADER header;
  std::memcpy(&header, bytes, sizeof header);
  if (header.biBitCount > 8) return nullptr;
  const DWORD colours = header.biClrUsed ? header.biClrUsed : 1u << header.biBitCount;
  const std::size_t info_size = header.biSize + colours * sizeof(RGBQUAD);
  if (SizeofResource(instance, resource) < info_size) return nullptr;

  std::vector<BYTE> info(bytes, bytes + info_size);
  auto* palette = reinterpret_cast<RGBQUAD*>(info.data() + header.biSize);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (DWORD i = 0; i < colours; ++i) {
    if (SameColour(palette[i], kPictureKey)) {
      palette[i] = {GetBValue(face), GetGValue(face), GetRValue(face), 0};
    }
  }
  const HDC screen = GetDC(nullptr);
  const HBITMAP bitmap =
      CreateDIBitmap(screen, &header, CBM_INIT, bytes + info_size,
                     reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  size = {header.biWidth, header.biHeight < 0 ? -header.biHeight : header.biHeight};
  return bitmap;
}

}  // namespace

WizardDialog::WizardDialog(HINSTANCE instance, std::string caption)
    : instance_(instance), caption_(std::move(caption)) {}

INT_PTR WizardDialog::Run(DialogEvents& events) {
  events_ = &events;
  const std::vector<WORD> dialog_template = DialogTemplate();
  const INT_PTR result =
      DialogBoxIndirectParamW(instance_, reinterpret_cast<LPCDLGTEMPLATEW>(dialog_template.data()),
                              nullptr, Procedure, reinterpret_cast<LPARAM>(this));
  window_ = nullptr;
  events_ = nullptr;
  status_id_ = 0;
  picture_ids_.clear();
  return result;
}

// No exception may cross back into the dialog manager: it is caught here, and the message then
// counts as not handled.
INT_PTR CALLBACK WizardDialog::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lparam);
    reinterpret_cast<WizardDialog*>(lparam)->window_ = window;
  }
  auto* dialog = reinterpret_cast<WizardDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (!dialog || !dialog->events_) return FALSE;
  try {
    return dialog->Handle(message, wparam, lparam) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

bool WizardDialog::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      Initialise();
      events_->OnInit();
      return false;  // the focus is set by the steps' buttons
    case WM_COMMAND:
      events_->OnCommand(LOWORD(wparam));
      return false;
    case WM_TIMER:
      if (wparam == kPollTimerId) events_->OnTimerTick();
      return false;
    case kPageReadyMessage:
      // Only SendPageReady arms this, so no stray message can start a capture.
      if (!std::exchange(page_ready_due_, false)) return false;
      events_->OnPageReady();
      return true;
    case WM_CLOSE:
      // Answered here: the dialog manager would otherwise turn it into the cancel command,
      // which ends the process with the Esc status.
      events_->OnClose();
      return true;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (status_id_ == 0 || item->CtlID != static_cast<UINT>(status_id_)) return false;
      DrawStatusLine(*item);
      return true;
    }
    default:
      return false;
  }
}

void WizardDialog::Initialise() {
  SetWindowTextW(window_, files::WideFromUtf8(caption_).c_str());
  font_ = reinterpret_cast<HFONT>(SendMessageW(window_, WM_GETFONT, 0, 0));
  PlaceCentredInWorkArea();
  SetIcons();
  LoadPictures();
  CreateControl(L"STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, kMessageLabel,
                kMessagePosition, {kMessageWidth, kMessageTall});
  // Neither seen nor clickable; it gives Esc its command id.
  CreateControl(L"BUTTON", "Cancel", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, kIdCancel, {-10, -10},
                {0, 0});
}

void WizardDialog::PlaceCentredInWorkArea() {
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)));
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // Some frames differ from what AdjustWindowRectEx predicts: measure and correct.
  RECT client;
  GetClientRect(window_, &client);
  width += kClientWidth - client.right;
  height += kClientHeight - client.bottom;

  RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + (work.right - work.left - width) / 2;
  const int y = work.top + (work.bottom - work.top - height) / 2;
  SetWindowPos(window_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void WizardDialog::SetIcons() {
  large_icon_ = UniqueIcon(
      static_cast<HICON>(LoadImageW(instance_, L"ICO1", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                    GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR)));
  small_icon_ = UniqueIcon(
      static_cast<HICON>(LoadImageW(instance_, L"ICO1", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                    GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
  SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large_icon_.get()));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_.get()));
}

void WizardDialog::LoadPictures() {
  for (std::size_t i = 0; i < pictures_.size(); ++i) {
    SIZE size{};
    pictures_[i].bitmap = GdiObject<HBITMAP>(LoadPictureOnFace(instance_, kPictureNames[i], size));
    pictures_[i].size = size;
  }
}

HWND WizardDialog::CreateControl(const wchar_t* window_class, const std::string& text, DWORD style,
                                 int id, Point position, SIZE size) {
  const HWND control = CreateWindowExW(
      0, window_class, files::WideFromUtf8(text).c_str(), style, position.x, position.y, size.cx,
      size.cy, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  return control;
}

void WizardDialog::SetMessageText(const std::string& text) {
  if (const HWND label = Control(kMessageLabel))
    SetWindowTextW(label, files::WideFromUtf8(text).c_str());
}

void WizardDialog::SetMessageHeight(int height) {
  if (const HWND label = Control(kMessageLabel)) {
    SetWindowPos(label, nullptr, kMessagePosition.x, kMessagePosition.y, kMessageWidth, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window_, nullptr, TRUE);
  }
}

void WizardDialog::AddButton(int id, const std::string& text, Point position) {
  const HWND button =
      CreateControl(L"BUTTON", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, id,
                    position, {kButtonWidth, kButtonHeight});
  if (position == kRightSlot) FocusIfNothingFocused(button);
}

// A step's forward button takes the keyboard focus when the button that had it is gone, but
// never draws the user away from another program.
void WizardDialog::FocusIfNothingFocused(HWND control) {
  if (!control || GetActiveWindow() != window_) return;
  const HWND focus = GetFocus();
  if (!focus || focus == window_ || !IsChild(window_, focus) || !IsWindowEnabled(focus)) {
    SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  }
}

void WizardDialog::AddPicture(int id, Picture picture, Point position) {
  const LoadedPicture& loaded = pictures_[IndexOf(picture)];
  const HWND control =
      CreateControl(L"STATIC", "", WS_CHILD | WS_VISIBLE | SS_BITMAP, id, position, loaded.size);
  if (!control) return;
  picture_ids_.insert(id);
  ShowBitmap(control, loaded.bitmap.get());
}

void WizardDialog::AddStatusLine(int id, Point position) {
  status_text_.clear();
  if (CreateControl(L"STATIC", "", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, id, position,
                    {kStatusWidth, kStatusHeight})) {
    status_id_ = id;
  }
}

void WizardDialog::RemoveControl(int id) {
  const HWND control = Control(id);
  if (!control) return;
  if (id == status_id_) status_id_ = 0;
  if (picture_ids_.erase(id)) ShowBitmap(control, nullptr);
  DestroyWindow(control);
}

void WizardDialog::DisableControl(int id) {
  if (const HWND control = Control(id)) EnableWindow(control, FALSE);
}

void WizardDialog::SetPicture(int id, Picture picture) {
  const HWND control = Control(id);
  if (control && picture_ids_.count(id)) {
    ShowBitmap(control, pictures_[IndexOf(picture)].bitmap.get());
    UpdateWindow(control);
  }
}

// Puts a bitmap into a picture control. A visual-styles static control may answer with a copy
// of its own making instead of one of our bitmaps: such a copy is deleted here.
HBITMAP WizardDialog::ShowBitmap(HWND control, HBITMAP bitmap) {
  const auto previous = reinterpret_cast<HBITMAP>(
      SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  bool ours = previous == nullptr;
  for (const LoadedPicture& picture : pictures_) ours = ours || previous == picture.bitmap.get();
  if (!ours) DeleteObject(previous);
  return bitmap;
}

void WizardDialog::StatusPrint(COLORREF colour, const std::string& text) {
  const HWND status = status_id_ ? Control(status_id_) : nullptr;
  if (!status) return;
  status_colour_ = colour;
  status_text_ = files::WideFromUtf8(text);
  // The window text carries the current line too, for anyone reading the dialog from outside.
  SetWindowTextW(status, status_text_.c_str());
  RedrawWindow(status, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void WizardDialog::DrawStatusLine(const DRAWITEMSTRUCT& item) const {
  RECT area = item.rcItem;
  FillRect(item.hDC, &area, GetSysColorBrush(COLOR_BTNFACE));
  SelectionGuard font(item.hDC, font_);
  SetTextColor(item.hDC, status_colour_);
  SetBkColor(item.hDC, GetSysColor(COLOR_BTNFACE));
  SetBkMode(item.hDC, OPAQUE);
  DrawTextW(item.hDC, status_text_.data(), static_cast<int>(status_text_.size()), &area,
            DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

void WizardDialog::LetEventsThrough() {
  MSG message;
  if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    Sleep(1);
    return;
  }
  if (message.message == WM_QUIT) {
    PostQuitMessage(static_cast<int>(message.wParam));  // leave it for the modal loop
    return;
  }
  if (!window_ || !IsDialogMessageW(window_, &message)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void WizardDialog::Redraw() {
  RedrawWindow(window_, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void WizardDialog::End(int result) {
  if (window_) EndDialog(window_, result);
}

void WizardDialog::StartPollTimer() { SetTimer(window_, kPollTimerId, kPollPeriodMs, nullptr); }

void WizardDialog::StopPollTimer() { KillTimer(window_, kPollTimerId); }

void WizardDialog::SendPageReady() {
  page_ready_due_ = true;
  SendMessageW(window_, kPageReadyMessage, 0, 0);
  page_ready_due_ = false;
}

void WizardDialog::Minimise() { ShowWindow(window_, SW_MINIMIZE); }

void WizardDialog::Restore() {
  ShowWindow(window_, SW_RESTORE);
  SetForegroundWindow(window_);
}

}  // namespace ordertable
