#include "sheet/window/SheetWindow.h"

#include "sheet/engine/Grid.h"
#include "sheet/files/FileError.h"
#include "sheet/files/Xlsx.h"
#include "sheet/window/FileProgress.h"
#include "sheet/window/GridView.h"
#include "sheet/window/Recovery.h"
#include "sheet/window/SavePolicy.h"
#include "sheet/window/SheetModel.h"
#include "sheet/window/WindowDialogs.h"
#include "sheet/window/WorkbookFiles.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabBar>
#include <QVBoxLayout>

#include <algorithm>
#include <new>
#include <tuple>

namespace sheet {

namespace {

// What the save policy needs of `book` and its own file; what concerns the target is found as the save goes.
SaveFacts factsOf(const Workbook& book)
{
    return {.hasPath = !book.path().empty(),
            .format = book.format(),
            .losses = book.losses().any(),
            .sheets = book.sheets().size(),
            .reencodes = !reencodingQuestion(book).isEmpty()};
}

bool confirmReencoding(QWidget* parent, const Workbook& book)
{
    return WindowDialogs::current().confirm(parent, reencodingQuestion(book), QStringLiteral("保存为 UTF-8"));
}

OverwriteAnswer askOverwrite(QWidget* parent, const QString& conflict)
{
    return WindowDialogs::current().askOverwrite(parent,
                                                 conflict + QStringLiteral("\n是否仍要覆盖它，还是另存为其他文件?"));
}

} // namespace

SheetWindow::SheetWindow(WindowSet& set, Ref<Application> app, Workbook* book)
    : m_set(&set), m_app(std::move(app)), m_book(book), m_model(new SheetModel(this)), m_view(new GridView),
      m_tabs(new QTabBar), m_readingNote(new QLabel)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // The process ends when no window is left: an open spreadsheet window keeps it running after the main window
    // has closed, as a separate spreadsheet program would stay, and closing it while the main window is open ends
    // nothing but the spreadsheet.
    setAttribute(Qt::WA_QuitOnClose, true);
    resize(960, 640);

    m_view->setObjectName(QStringLiteral("grid"));
    // Sizes first, while the headers have no sections: set afterwards, each of the 1,048,576 rows would be resized
    // and announced one by one.
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(22);
    m_view->horizontalHeader()->setDefaultSectionSize(96);
    m_view->setModel(m_model);
    // The selection is the sheet's and is drawn by the model: a selection model would hold 100,000 row ranges and
    // look each one up for every cell drawn.
    m_view->setSelectionMode(QAbstractItemView::NoSelection);
    m_view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    m_view->setWordWrap(false);

    m_tabs->setObjectName(QStringLiteral("sheetTabs"));
    m_tabs->setShape(QTabBar::RoundedSouth);
    m_tabs->setExpanding(false);
    m_tabs->setDocumentMode(true);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_tabs, 0, Qt::AlignLeft);
    setCentralWidget(central);
    m_readingNote->setObjectName(QStringLiteral("readingNote"));
    statusBar()->addWidget(m_readingNote, 1);
    statusBar()->hide();
    createMenu();

    connect(m_view, &QAbstractItemView::pressed, this, [this](const QModelIndex& index) {
        selectArea({index.row() + 1, index.column() + 1, index.row() + 1, index.column() + 1});
    });
    connect(m_view->verticalHeader(), &QHeaderView::sectionClicked, this, [this](int row) {
        selectArea({row + 1, 1, row + 1, Grid::kColumns});
    });
    connect(m_view->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        selectArea({1, column + 1, Grid::kRows, column + 1});
    });
    connect(m_view, &GridView::cellChosen, this, [this](const QModelIndex& index) {
        selectArea({index.row() + 1, index.column() + 1, index.row() + 1, index.column() + 1});
    });
    connect(m_view, &GridView::clearRequested, this, &SheetWindow::clearSelection);
    connect(m_tabs, &QTabBar::currentChanged, this, &SheetWindow::activateTab);

    m_selectionChanged = true;
    refresh();
    m_refreshCount = 0;
    claimFile();
    if (m_app->visible())
        show();
}

void SheetWindow::createMenu()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    const auto add = [&](const char* name, const QString& text, QKeySequence keys, auto slot) {
        QAction* action = file->addAction(text, keys, this, slot);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    add("actionNew", QStringLiteral("新建(&N)"), QKeySequence::New, &SheetWindow::newWorkbook);
    add("actionOpen", QStringLiteral("打开(&O)…"), QKeySequence::Open, &SheetWindow::openFile);
    m_reopenAction = add("actionReopenEncoding", QStringLiteral("以其他编码重新打开(&E)…"), QKeySequence(),
                         &SheetWindow::reopenWithEncoding);
    file->addSeparator();
    add("actionSave", QStringLiteral("保存(&S)"), QKeySequence::Save, [this] { save(); });
    add("actionSaveAs", QStringLiteral("另存为(&A)…"), QKeySequence(QStringLiteral("Ctrl+Shift+S")),
        [this] { saveAs(); });
    file->addSeparator();
    add("actionClose", QStringLiteral("关闭(&C)"), QKeySequence(QStringLiteral("Ctrl+W")), [this] { close(); });
}

SheetWindow* SheetWindow::forApplication(const Application* app)
{
    SheetWindow* any = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<SheetWindow*>(w);
        if (!window || window->m_app.get() != app || window->m_closingQuietly)
            continue;
        if (window->workbook() && window->workbook() == app->activeWorkbook())
            return window;
        any = any ? any : window;
    }
    return any;
}

SheetWindow* SheetWindow::forWorkbook(const Workbook* book)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<SheetWindow*>(w); window && book && window->workbook() == book)
            return window;
    return nullptr;
}

SheetWindow::~SheetWindow()
{
    if (m_set)
        m_set->forget(this);
}

bool SheetWindow::isOpen() const
{
    return m_app->isRunning() && (!m_book || m_book->application());
}

void SheetWindow::setWorkbook(Workbook* book)
{
    m_book = Ref<Workbook>(book);
    claimFile();
    m_selectionChanged = m_scrollPending = true;
    updateTitle();
    scheduleRefresh();
}

void SheetWindow::claimFile()
{
    const std::string path = m_book && isOpen() && !m_closingQuietly ? m_book->path() : std::string();
    if (path == m_lockedPath && (path.empty() || m_lock.held()))
        return;
    m_lock.release();
    m_lockedPath = path;
    if (!path.empty())
        m_lock = EditLock(path);
}

void SheetWindow::noteChange(Change what)
{
    switch (what) {
    case Change::Cells:
        // The first change of a saved workbook shows at once in the title: one flag compared, nothing more.
        if (m_book && m_book->modified() != m_markShown)
            updateTitle();
        break;
    case Change::Selection:
        m_selectionChanged = true;
        m_scrollPending = m_scrollPending || !m_selectingHere;
        break;
    case Change::Structure:
        updateTitle();
        break;
    case Change::Visibility:
        updateTitle();
        // Bringing the window to the front is the driving program's call (it activates it by its caption).
        setVisible(m_app->visible());
        break;
    case Change::Quit:
        return;
    }
    scheduleRefresh();
}

void SheetWindow::letGo()
{
    m_closingQuietly = true;
    claimFile(); // the workbook is gone: so is the claim on its file
    if (m_set)
        m_set->forget(this);
    m_set = nullptr;
    m_model->setSheet(nullptr);
}

void SheetWindow::closeQuietly()
{
    letGo();
    close();
}

void SheetWindow::scheduleRefresh()
{
    if (m_refreshScheduled)
        return;
    m_refreshScheduled = true;
    QMetaObject::invokeMethod(this, &SheetWindow::refresh, Qt::QueuedConnection);
}

void SheetWindow::refresh()
{
    m_refreshScheduled = false;
    ++m_refreshCount;
    if (!isOpen() || m_closingQuietly)
        return;
    Workbook* book = m_book.get();
    Worksheet* sheet = book ? book->activeSheet() : nullptr;

    updateTitle();
    updateTabs(book);
    const bool sheetChanged = sheet != m_model->sheet();
    if (sheetChanged) {
        m_model->setSheet(sheet);
        m_selectionChanged = true;
    }
    if (m_selectionChanged)
        m_model->setSelection(sheet ? SelectionIndex(sheet->selection()) : SelectionIndex());

    // Without a workbook there is nothing to show, as in any spreadsheet program. A grid that has just appeared
    // needs its size before it can tell how far to scroll.
    if (m_view->isHidden() != (sheet == nullptr) || m_tabs->isHidden() != (book == nullptr)) {
        m_view->setVisible(sheet != nullptr);
        m_tabs->setVisible(book != nullptr);
        centralWidget()->layout()->activate();
    }
    // The next key moves from the selection the user sees, wherever it came from; a click or a key here has put
    // the current cell in place already.
    if (m_scrollPending || sheetChanged)
        if (const auto anchor = selectionAnchor())
            m_view->placeCurrent(*anchor);
    if (m_scrollPending)
        scrollToSelection();
    m_selectionChanged = m_scrollPending = false;

    // The table keeps its size whatever changed, so a repaint shows it all: no reset, no per-row signal.
    m_view->viewport()->update();
    m_view->verticalHeader()->viewport()->update();
    m_view->horizontalHeader()->viewport()->update();
}

void SheetWindow::updateTitle()
{
    if (!isOpen())
        return;
    m_markShown = m_book && m_book->modified();
    const QString title = QString::fromStdString(m_book ? m_book->title() : m_app->caption());
    if (windowTitle() != title)
        setWindowTitle(title);
    // The file and how it was read change together with the title: on opening and on saving.
    const QString note = m_book ? textReadingNote(*m_book) : QString();
    if (m_readingNote->text() != note) {
        m_readingNote->setText(note);
        statusBar()->setVisible(!note.isEmpty());
    }
    m_reopenAction->setEnabled(m_book && !m_book->path().empty() && isTextFormat(m_book->format()));
}

void SheetWindow::updateTabs(const Workbook* book)
{
    QStringList names;
    int active = -1;
    if (book) {
        for (const auto& s : book->sheets()) {
            if (s.get() == book->activeSheet())
                active = static_cast<int>(names.size());
            names.append(QString::fromStdString(s->name()));
        }
    }
    // The tabs echo the workbook; changing them must not activate a sheet in turn.
    const QSignalBlocker blocker(m_tabs);
    if (names != m_tabNames) {
        while (m_tabs->count() > 0)
            m_tabs->removeTab(m_tabs->count() - 1);
        for (const QString& name : names)
            m_tabs->addTab(name);
        m_tabNames = names;
    }
    m_tabs->setCurrentIndex(active);
}

std::optional<QModelIndex> SheetWindow::selectionAnchor() const
{
    const std::optional<Area> area = m_model->selection().topmost();
    if (!area)
        return std::nullopt;
    // Whole rows keep the columns the user is looking at.
    int column = area->left - 1;
    if (area->isWholeRows())
        column = std::max(0, m_view->columnAt(0));
    return m_model->index(area->top - 1, column);
}

void SheetWindow::scrollToSelection()
{
    if (const auto anchor = selectionAnchor())
        m_view->scrollTo(*anchor);
}

void SheetWindow::selectArea(Area area)
{
    Worksheet* sheet = m_model->sheet();
    if (!sheet || !isOpen() || !sheet->workbook())
        return;
    // The user sees what was clicked already: no need to scroll to it.
    m_selectingHere = true;
    sheet->setSelection(AreaList(area));
    m_selectingHere = false;
}

void SheetWindow::clearSelection()
{
    Worksheet* sheet = m_model->sheet();
    if (!sheet || !isOpen() || !sheet->workbook())
        return;
    const AreaList& areas = sheet->selection();
    Grid& grid = sheet->grid();
    // Area by area costs about what the areas span of the sheet's filled rows and columns; past what one pass over
    // every cell costs, that pass asks each cell whether it is selected instead. 100,000 single rows of a wide sheet
    // take the pass, one column or one block the areas.
    const double rows = grid.lastRow();
    const double columns = grid.lastColumn();
    double byArea = 0;
    for (std::size_t i = 0; i < areas.size(); ++i)
        byArea += std::min<double>(areas[i].bottom - areas[i].top + 1, rows) +
                  std::min<double>(areas[i].right - areas[i].left + 1, columns);
    std::size_t cleared = 0;
    try {
        if (byArea <= static_cast<double>(grid.cellCount()) + rows + columns) {
            for (std::size_t i = 0; i < areas.size(); ++i)
                cleared += grid.clearArea(areas[i].top, areas[i].left, areas[i].bottom, areas[i].right);
        } else {
            const SelectionIndex selection(areas);
            cleared =
                grid.clearWhere([&](std::int32_t row, std::int32_t column) { return selection.contains(row, column); });
        }
    } catch (const std::bad_alloc&) {
        WindowDialogs::current().warn(this, QStringLiteral("内存不足，所选单元格没有全部清除。"));
    } catch (const std::exception& e) {
        WindowDialogs::current().warn(this, QStringLiteral("无法清除所选单元格: %1").arg(QString::fromUtf8(e.what())));
    }
    // Like any other change of cells: the workbook is marked modified and the window repaints on its next refresh.
    if (cleared > 0)
        sheet->notify(Change::Cells);
}

void SheetWindow::activateTab(int index)
{
    if (!isOpen() || !m_book)
        return;
    if (index >= 0 && static_cast<std::size_t>(index) < m_book->sheets().size())
        m_book->activateSheet(*m_book->sheets()[static_cast<std::size_t>(index)]);
}

void SheetWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // The workbook the user turned to is the one automation works on next.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_book && isOpen() && !m_closingQuietly &&
        m_app->activeWorkbook() != m_book.get())
        m_app->activateWorkbook(*m_book);
}

void SheetWindow::newWorkbook()
{
    if (!m_app->isRunning())
        return;
    m_app->addWorkbook(); // its window opens as the workbook is added
}

void SheetWindow::openFile()
{
    if (!m_app->isRunning())
        return;
    if (const auto choice = WindowDialogs::current().openFile(this))
        openWorkbookFileOrWarn(*m_app, choice->path, choice->kind, this, choice->encoding);
}

bool SheetWindow::save()
{
    if (!isOpen() || !m_book)
        return false;
    const QString path = QString::fromStdString(m_book->path());
    SaveFacts facts = factsOf(*m_book);
    for (;;) {
        // Once the user has chosen to overwrite, what holds the file no longer matters: no need to look again.
        const QString conflict = facts.hasPath && !facts.overwriteConfirmed ? overwriteConflict(*m_book) : QString();
        facts.conflict = !conflict.isEmpty();
        switch (decideSave(facts)) {
        case SaveDecision::ChooseFile:
            return saveAs();
        case SaveDecision::OfferSaveAsLosses:
            return askSaveAs(QStringLiteral("“%1”含有本程序不能保留的内容: %2。\n保存到原文件会丢失这些内容，"
                                            "原文件将保持不变。是否另存为新文件?")
                                 .arg(QFileInfo(path).fileName(), QString::fromStdString(m_book->losses().describe())));
        case SaveDecision::OfferSaveAsSheets:
            return askSaveAs(QStringLiteral("“%1”是文本文件，只能保存一个工作表，而本工作簿有 %2 个工作表。\n"
                                            "是否另存为 Excel 工作簿(*.xlsx)，以保存全部工作表?")
                                 .arg(QFileInfo(path).fileName())
                                 .arg(m_book->sheets().size()));
        case SaveDecision::ConfirmReencoding:
            if (!confirmReencoding(this, *m_book))
                return false;
            facts.reencodingConfirmed = true;
            break;
        case SaveDecision::AskOverwrite: {
            const OverwriteAnswer answer = askOverwrite(this, conflict);
            if (answer != OverwriteAnswer::Overwrite)
                return answer == OverwriteAnswer::SaveAs && saveAs();
            facts.overwriteConfirmed = true;
            break;
        }
        default:
            return writeTo(path, m_book->format());
        }
    }
}

bool SheetWindow::askSaveAs(const QString& message)
{
    return WindowDialogs::current().askSaveAsInstead(this, message) && saveAs();
}

bool SheetWindow::saveAs()
{
    if (!isOpen() || !m_book)
        return false;
    const QString original = QString::fromStdString(m_book->path());
    SaveFacts facts = factsOf(*m_book);
    const QFileInfo file(original);
    QString suggested = original;
    switch (saveAsStart(facts)) {
    case SaveAsStart::NewFile:
        suggested = QString::fromStdString(m_book->name()) + QStringLiteral(".xlsx");
        break;
    case SaveAsStart::CopyBeside:
        suggested = file.dir().filePath(file.completeBaseName() + QStringLiteral(" (副本).xlsx"));
        break;
    case SaveAsStart::WorkbookBeside:
        suggested = file.dir().filePath(file.completeBaseName() + QStringLiteral(".xlsx"));
        break;
    case SaveAsStart::OwnFile:
        break;
    }
    QString path;
    FileFormat format = FileFormat::None;
    for (bool choose = true;;) {
        if (choose) {
            const auto choice = WindowDialogs::current().saveFile(this, suggested);
            if (!choice)
                return false;
            std::tie(path, format) = resolveSaveChoice(*choice);
            facts.targetIsOwnFile = facts.hasPath && sameFile(path, original);
            facts.overwriteConfirmed = facts.reencodingConfirmed = choose = false;
        }
        const bool look = !facts.overwriteConfirmed; // as in save()
        const QString who = facts.targetIsOwnFile || !look ? QString() : editedElsewhere(path);
        const QString conflict = facts.targetIsOwnFile ? (look ? overwriteConflict(*m_book) : QString())
                                 : who.isEmpty()
                                     ? QString()
                                     : QStringLiteral("“%1”正在另一个程序中编辑(%2)。\n覆盖它会丢失那边的修改。")
                                           .arg(QFileInfo(path).fileName(), who);
        facts.conflict = !conflict.isEmpty();
        const Workbook* other = workbookWithFile(*m_app, path);
        facts.targetOpenElsewhere = other && other != m_book.get();
        switch (decideSaveAs(facts)) {
        case SaveDecision::RefuseOriginal:
            WindowDialogs::current().warn(
                this, QStringLiteral("不能保存到原文件“%1”: 其中的%2会丢失。请另选一个文件名。")
                          .arg(file.fileName(), QString::fromStdString(m_book->losses().describe())));
            choose = true;
            break;
        case SaveDecision::AskOverwrite: {
            const OverwriteAnswer answer = askOverwrite(this, conflict);
            if (answer == OverwriteAnswer::Cancel)
                return false;
            facts.overwriteConfirmed = answer == OverwriteAnswer::Overwrite;
            choose = !facts.overwriteConfirmed;
            break;
        }
        case SaveDecision::RefuseOpenElsewhere:
            WindowDialogs::current().warn(
                this, QStringLiteral("文件“%1”已在另一个窗口中打开(工作簿“%2”)。请另选一个文件名，或先关闭那个窗口。")
                          .arg(QFileInfo(path).fileName(), QString::fromStdString(other->name())));
            choose = true;
            break;
        case SaveDecision::ConfirmReencoding:
            if (!confirmReencoding(this, *m_book))
                return false;
            facts.reencodingConfirmed = true;
            break;
        default:
            return writeTo(path, format);
        }
    }
}

void SheetWindow::reopenWithEncoding()
{
    if (!isOpen() || !m_book || m_book->path().empty() || !isTextFormat(m_book->format()))
        return;
    const QString name = QString::fromStdString(m_book->name());
    if (m_book->modified() &&
        !WindowDialogs::current().confirm(
            this, QStringLiteral("“%1”有未保存的更改。以其他编码重新打开会放弃这些更改。").arg(name),
            QStringLiteral("放弃更改并重新打开")))
        return;
    const auto encoding = WindowDialogs::current().chooseEncoding(this, name, m_book->textReading().encoding);
    if (!encoding)
        return;
    try {
        // This window closes with the workbook; the reopened one gets a window of its own.
        reopenWorkbookFile(*m_app, *m_book, *encoding);
    } catch (const FileError& e) {
        WindowDialogs::current().warn(this, QString::fromUtf8(e.what()));
    } catch (const std::bad_alloc&) {
        WindowDialogs::current().warn(this, QStringLiteral("文件“%1”太大，内存不足，无法打开。").arg(name));
    } catch (const std::exception& e) {
        WindowDialogs::current().warn(this,
                                      QStringLiteral("文件“%1”无法打开: %2").arg(name, QString::fromUtf8(e.what())));
    }
}

bool SheetWindow::writeTo(const QString& path, FileFormat format)
{
    // Names a workbook file cannot hold are changed as it is saved: said first, not done behind the user's back.
    std::vector<std::string> names;
    for (const auto& sheet : m_book->sheets())
        names.push_back(sheet->name());
    const std::vector<std::string> saved = format == FileFormat::Xlsx ? savedSheetNames(names) : names;
    QStringList renamed;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (saved[i] != names[i])
            renamed.append(
                QStringLiteral("“%1” → “%2”").arg(QString::fromStdString(names[i]), QString::fromStdString(saved[i])));
    if (!renamed.isEmpty() &&
        !WindowDialogs::current().confirm(
            this,
            QStringLiteral("Excel 工作簿中的工作表名称不能重复(不分大小写)，也不能含有 : \\ / ? * [ ] 等字符。"
                           "保存时这些工作表会改名:\n%1")
                .arg(renamed.join(QStringLiteral("\n"))),
            QStringLiteral("改名并保存")))
        return false;

    bool partial = false;
    try {
        FileProgress progress(this, QStringLiteral("正在保存“%1”…").arg(QFileInfo(path).fileName()));
        partial = writeWorkbookFile(*m_book, path, format, progress.callback());
    } catch (const FileCancelled&) {
        return false; // the user stopped it; the file is as it was
    } catch (const ReadOnlyFile& e) {
        // Nothing was written: the user may still keep the work in another file.
        return askSaveAs(QString::fromUtf8(e.what()) + QStringLiteral("\n是否另存为其他文件?"));
    } catch (const FileError& e) {
        WindowDialogs::current().warn(this, QString::fromUtf8(e.what()));
        return false;
    } catch (const std::bad_alloc&) {
        WindowDialogs::current().warn(this, QStringLiteral("内存不足，文件“%1”没有保存。").arg(path));
        return false;
    } catch (const std::system_error& e) {
        WindowDialogs::current().warn(
            this,
            QStringLiteral("文件“%1”没有保存: %2。").arg(path, QString::fromStdString(systemErrorText(e.code()))));
        return false;
    } catch (const std::exception& e) {
        WindowDialogs::current().warn(this,
                                      QStringLiteral("文件“%1”没有保存: %2").arg(path, QString::fromUtf8(e.what())));
        return false;
    }
    for (std::size_t i = 0; i < saved.size() && i < m_book->sheets().size(); ++i)
        if (saved[i] != names[i])
            m_book->sheets()[i]->takeSavedName(saved[i]);
    const QString sheetName = QString::fromStdString(m_book->activeSheet()->name());
    m_book->setSaved(path.toStdString(), format);
    m_book->setFileStamp(fileStampOf(path));
    claimFile();
    if (!partial) {
        RecoveryKeeper::forget(*m_book);
    } else {
        // The other sheets of a text file are still only here, and so is their safety copy: the workbook stays
        // marked until they are saved too.
        m_book->markModified();
        updateTitle();
        WindowDialogs::current().inform(
            this, QStringLiteral("文本文件只能保存一个工作表: 只保存了当前工作表“%1”。\n其他工作表没有保存，"
                                 "要保存全部工作表，请另存为 Excel 工作簿(*.xlsx)。")
                      .arg(sheetName));
    }
    return true;
}

void SheetWindow::closeEvent(QCloseEvent* event)
{
    if (!m_closingQuietly && isOpen() && m_book && m_book->modified()) {
        const CloseAnswer answer =
            WindowDialogs::current().askSaveChanges(this, QString::fromStdString(m_book->name()));
        // A CSV of one sheet out of several leaves the workbook modified: the rest would be lost, so stay open.
        if (answer == CloseAnswer::Cancel || (answer == CloseAnswer::Save && (!save() || m_book->modified()))) {
            event->ignore();
            return;
        }
        if (answer == CloseAnswer::Discard)
            RecoveryKeeper::forget(*m_book);
    }
    event->accept();
    if (m_closingQuietly)
        return;
    // The window is on its way out: it needs no word of its own workbook closing.
    letGo();
    if (!m_app->isRunning())
        return;
    // Closing its last window ends the application, as closing any spreadsheet program does.
    const auto& books = m_app->workbooks();
    if (books.empty() || (books.size() == 1 && books.front().get() == m_book.get()))
        m_app->quit();
    else if (m_book)
        m_app->closeWorkbook(*m_book);
}

} // namespace sheet
