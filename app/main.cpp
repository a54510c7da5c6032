// Process start: load the main window (its load step runs), show it, open the files named on the command line in
// the embedded spreadsheet, and run the event loop until no window is left. The spreadsheet's own windows, when
// open, outlive the main window as a separate application would.

#include "app/Hosts.h"
#include "app/Termination.h"
#include "link/Module1.h"
#include "platform/qt/QtDesktop.h"
#include "sheet/window/FileProgress.h"
#include "sheet/window/Recovery.h"
#include "sheet/window/WorkbookFiles.h"
#include "ui/Form1.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <functional>

namespace {

// Answered before anything starts, so it works without a display.
bool askedForHelp(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return true;
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (askedForHelp(argc, argv)) {
        std::fputs("用法: tessavo [文件...]\n"
                   "Usage: tessavo [FILE...]\n\n"
                   "打开 Tessavo 的主窗口。命名的文件 (.xlsx .xlsm .xltx .xltm .csv .tsv .txt) 在内置表格中打开。\n"
                   "Opens Tessavo's main window; the files named open in the embedded spreadsheet.\n\n"
                   "TESSAVO_SPREADSHEET=embedded  不使用 LibreOffice Calc / leave LibreOffice Calc out\n",
                   stdout);
        return 0;
    }

    // Before the toolkit: on Windows COM is initialised here, and must be the last thing to go.
    const std::unique_ptr<app::Hosts> automation = app::startHosts();

    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessavo"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tessavo.png")));

    platform::qt::QtDesktop desktop;
    automation::Module1 module(automation->host(), desktop);

    ui::Form1 form(module, desktop);
    form.show();
    // `tessavo 成绩.xlsx 名单.csv`: the spreadsheet starts with them, running, so the first operation works on them.
    sheet::openFilesAtStart(automation->embedded(), QApplication::arguments().mid(1));

    // Unsaved work is copied aside every half minute, and when the process is asked to end; what a killed
    // process left is offered back now.
    sheet::RecoveryKeeper keeper(sheet::RecoveryKeeper::defaultFolder(), 30'000);
    sheet::offerRecovery(keeper, automation->embedded());
    std::function<void()> finish;
    finish = [&keeper, &finish] {
        // A file being read or written is stopped, as Cancel stops it (a save leaves the file as it was), and its
        // workbook is whole again once it has.
        sheet::FileProgress::cancelAll();
        if (sheet::FileProgress::busy()) {
            QTimer::singleShot(100, qApp, finish);
            return;
        }
        keeper.keepNow();
        // Without closing the windows: a window would ask about its changes, and nobody is there to answer.
        QCoreApplication::exit(0);
    };
    app::onTerminationRequest(finish);
    return QApplication::exec();
}
