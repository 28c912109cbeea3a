// Entry of the wizard program: prepares the folder of cached pages and runs the dialog.

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "app/dialog_win32.h"
#include "app/host_win32.h"
#include "app/startup_win32.h"
#include "app/wizard.h"
#include "orders/page_files.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace ordertable;
  try {
    ClearCacheFolder(".");
    // The shell may hand the document actions to COM extensions.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX common_controls = {sizeof common_controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&common_controls);

    WizardDialog dialog(instance, ProgramBaseName());
    Win32Host host(dialog, ".");
    Wizard wizard(host, ".");
    ForwardEvents<Wizard> events(wizard);
    dialog.Run(events);
    return 0;
  } catch (...) {
    return 1;
  }
}
