// Process start: load the main window (its load step runs), show it, and run the event loop until no window is
// left. The spreadsheet's own window, when open, outlives the main window as a separate application would.

#include "Application.h"
#include "Form1.h"
#include "LocalHost.h"
#include "Module1.h"
#include "QtPlatform.h"
#include "SheetWindow.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication qtApp(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tessavo.png")));

    automation::LocalHost host;
    sheet::registerEmbeddedSpreadsheetWithWindow(host);
    ui::QtPlatform platform;
    automation::Module1 module(host, platform);

    ui::Form1 form(module, platform);
    form.show();
    return QApplication::exec();
}
