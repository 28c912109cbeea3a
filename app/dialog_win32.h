#pragma once

#include <windows.h>

#include <array>
#include <set>
#include <string>

#include "app/controls.h"
#include "app/dialog_layout_win32.h"
#include "app/handles_win32.h"
#include "app/wizard_host.h"

namespace ordertable {

/// What the wizard dialog reports, already translated from window messages.
class DialogEvents {
 public:
  virtual ~DialogEvents() = default;
  virtual void OnInit() = 0;
  virtual void OnCommand(int id) = 0;
  virtual void OnTimerTick() = 0;
  virtual void OnPageReady() = 0;
  virtual void OnClose() = 0;
};

/// The private message that carries the page-ready notification. Message 1024 (WM_USER) is
/// not usable: the dialog manager sends it as DM_GETDEFID.
inline constexpr UINT kPageReadyMessage = WM_APP + 1;

/// The wizard dialog: one modal window built from an in-memory template, whose controls are
/// created and destroyed at pixel positions while it runs.
class WizardDialog {
 public:
  WizardDialog(HINSTANCE instance, std::string caption);
  WizardDialog(const WizardDialog&) = delete;
  WizardDialog& operator=(const WizardDialog&) = delete;

  /// Shows the dialog modally and returns its result once it has been destroyed; -1 when it
  /// could not be created.
  INT_PTR Run(DialogEvents& events);
  HWND window() const { return window_; }
  const std::string& caption() const { return caption_; }

  void SetMessageText(const std::string& text);
  void SetMessageHeight(int height);
  void AddButton(int id, const std::string& text, Point position);
  void AddPicture(int id, Picture picture, Point position);
  void AddStatusLine(int id, Point position);
  void RemoveControl(int id);
  void DisableControl(int id);
  void SetPicture(int id, Picture picture);
  void StatusPrint(COLORREF colour, const std::string& text);
  void LetEventsThrough();
  void Redraw();
  void End(int result);

  void StartPollTimer();
  void StopPollTimer();
  /// Runs the page-ready notification through the dialog; returns after it was handled.
  void SendPageReady();
  void Minimise();
  void Restore();

 private:
  struct LoadedPicture {
    GdiObject<HBITMAP> bitmap;
    SIZE size{};
  };

  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  bool Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void Initialise();
  void PlaceCentredInWorkArea();
  void SetIcons();
  void LoadPictures();
  HWND CreateControl(const wchar_t* window_class, const std::string& text, DWORD style, int id,
                     Point position, SIZE size);
  HBITMAP ShowBitmap(HWND control, HBITMAP bitmap);
  void FocusIfNothingFocused(HWND control);
  void DrawStatusLine(const DRAWITEMSTRUCT& item) const;
  HWND Control(int id) const { return window_ ? GetDlgItem(window_, id) : nullptr; }

  HINSTANCE instance_;
  std::string caption_;
  HWND window_ = nullptr;
  DialogEvents* events_ = nullptr;
  HFONT font_ = nullptr;  // the dialog's own font; the dialog manager deletes it
  UniqueIcon large_icon_;
  UniqueIcon small_icon_;
  std::array<LoadedPicture, 4> pictures_;
  std::set<int> picture_ids_;  // bitmap controls that show one of `pictures_`
  int status_id_ = 0;          // 0 while there is no status line
  std::wstring status_text_;   // as drawn
  COLORREF status_colour_ = 0;
  bool page_ready_due_ = false;
};

}  // namespace ordertable
