#include "SheetWindow.h"

#include "Grid.h"
#include "Module1.h"
#include "SheetModel.h"
#include "Workbook.h"
#include "Worksheet.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>

namespace sheet {

SheetWindow::SheetWindow(Ref<Application> app)
    : m_app(std::move(app)), m_model(new SheetModel(this)), m_view(new QTableView(this)), m_tabs(new QTabBar(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    // The spreadsheet is a program of its own: closing it must not end the one that drives it.
    setAttribute(Qt::WA_QuitOnClose, false);
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

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_tabs, 0, Qt::AlignLeft);

    connect(m_view, &QAbstractItemView::pressed, this, [this](const QModelIndex& index) {
        selectArea({index.row() + 1, index.column() + 1, index.row() + 1, index.column() + 1});
    });
    connect(m_view->verticalHeader(), &QHeaderView::sectionClicked, this, [this](int row) {
        selectArea({row + 1, 1, row + 1, Grid::kColumns});
    });
    connect(m_view->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        selectArea({1, column + 1, Grid::kRows, column + 1});
    });
    connect(m_tabs, &QTabBar::currentChanged, this, &SheetWindow::activateTab);

    m_app->setObserver(this);
    m_selectionChanged = true;
    refresh();
    m_refreshCount = 0;
    if (m_app->visible())
        show();
}

SheetWindow* SheetWindow::attach(const Ref<Application>& app)
{
    return new SheetWindow(app);
}

SheetWindow* SheetWindow::forApplication(const Application* app)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<SheetWindow*>(w); window && window->m_app.get() == app)
            return window;
    return nullptr;
}

SheetWindow::~SheetWindow()
{
    detach();
}

void SheetWindow::detach()
{
    if (m_app->observer() == this)
        m_app->setObserver(nullptr);
}

void SheetWindow::applicationChanged(Change what)
{
    // Called for every single change, up to 100,000 times in one edit: note it and leave.
    switch (what) {
    case Change::Cells:
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
        detach();
        m_model->setSheet(nullptr);
        close();
        return;
    }
    scheduleRefresh();
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
    if (!m_app->isRunning())
        return;
    Workbook* book = m_app->activeWorkbook();
    Worksheet* sheet = book ? book->activeSheet() : nullptr;

    updateTitle();
    updateTabs(book);
    if (sheet != m_model->sheet()) {
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
        layout()->activate();
    }
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
    const QString caption = QString::fromStdString(m_app->caption());
    if (windowTitle() != caption)
        setWindowTitle(caption);
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

void SheetWindow::scrollToSelection()
{
    const std::optional<Area> area = m_model->selection().topmost();
    if (!area)
        return;
    // Whole rows keep the columns the user is looking at.
    int column = area->left - 1;
    if (area->isWholeRows())
        column = std::max(0, m_view->columnAt(0));
    m_view->scrollTo(m_model->index(area->top - 1, column));
}

void SheetWindow::selectArea(Area area)
{
    Worksheet* sheet = m_model->sheet();
    if (!sheet || !m_app->isRunning() || !sheet->workbook())
        return;
    // The user sees what was clicked already: no need to scroll to it.
    m_selectingHere = true;
    sheet->setSelection(AreaList(area));
    m_selectingHere = false;
}

void SheetWindow::activateTab(int index)
{
    if (!m_app->isRunning())
        return;
    Workbook* book = m_app->activeWorkbook();
    if (book && index >= 0 && static_cast<std::size_t>(index) < book->sheets().size())
        book->activateSheet(*book->sheets()[static_cast<std::size_t>(index)]);
}

void SheetWindow::closeEvent(QCloseEvent* event)
{
    // Closing the window ends the application, as closing any spreadsheet program does. Detach first: the window is
    // on its way out and needs no word of its own quitting.
    detach();
    m_model->setSheet(nullptr);
    m_app->quit();
    event->accept();
}

void registerEmbeddedSpreadsheetWithWindow(automation::LocalHost& host)
{
    host.registerClass(automation::kSpreadsheetClass, [](const std::shared_ptr<automation::RunningObjectTable>& table) {
        Ref<Application> app = Application::start(table);
        SheetWindow::attach(app);
        return app.object();
    });
}

} // namespace sheet
