// Process start on Windows: COM for the UI thread, the main window loaded (its load step runs) and shown, and the
// message loop until the main window is gone. The spreadsheet application is Excel, or WPS Spreadsheets, through
// COM; this program has no spreadsheet of its own.

#include "link/Module1.h"
#include "link/com/Apartment.h"
#include "link/com/ComHost.h"
#include "platform/win/Win32Desktop.h"
#include "ui/win32/Form1Window.h"
#include "ui/win32/Pictures.h"

#include <commctrl.h>
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // First, so that COM outlives every automation object below.
    const automation::com::Apartment apartment;
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    const ui::win32::PictureSupport pictures;

    // Excel, or WPS Spreadsheets where Excel is not installed.
    automation::com::ComHost host = automation::com::ComHost::forSpreadsheet();
    platform::win::Win32Desktop desktop;
    automation::Module1 module(host, desktop);
    ui::win32::Form1Window form(module, desktop);
    if (!form.handle())
        return 1;
    desktop.setMainWindow(form.handle());
    form.show();

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (form.preTranslate(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
