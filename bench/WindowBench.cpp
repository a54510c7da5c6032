// The cost of the embedded spreadsheet's window during bulk edits: the same click with and without the window shown.
// Run with `make bench` (Release); draws offscreen.

#include "bench/SampleData.h"
#include "operations/Operations.h"
#include "sheet/window/SheetWindow.h"
#include "testsupport/SpreadsheetWorld.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableView>

#include <cstdio>
#include <memory>
#include <string>

namespace {

// One turn of the event loop runs the window's refresh; the repaint that the refresh asks for is posted during that
// turn and runs on the next.
void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

// A running embedded spreadsheet, opened as the program opens it, with or without its window.
struct Session : testsupport::SpreadsheetWorld {
    explicit Session(bool withWindow)
        : SpreadsheetWorld({.start = Start::OpenExcel,
                            .registration = withWindow ? &sheet::registerEmbeddedSpreadsheetWithWindow
                                                       : &sheet::registerEmbeddedSpreadsheet})
    {
        settle();
    }
    ~Session()
    {
        app->quit();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

using bench::fill;

// The whole click: every 2 rows insert 1, over 200,000 filled rows (about 100,000 single-row insertions), then the
// event loop's turns that refresh and repaint the window if there is one.
void insertBlankRows(benchmark::State& state, bool withWindow)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto s = std::make_unique<Session>(withWindow);
        if (withWindow != (sheet::SheetWindow::forApplication(s->app) != nullptr && s->app->visible())) {
            state.SkipWithError("window not as asked");
            break;
        }
        fill(s->sheet().grid(), 200'000);
        settle();
        state.ResumeTiming();

        operations::insertBlankRows(s->module, s->desktop, {"1", "200000", "2", "1"});
        settle();

        state.PauseTiming();
        if (s->sheet().grid().lastRow() != 200'000 + 99'999 || s->desktop.messages.size() != 1) {
            state.SkipWithError("wrong result");
            break;
        }
        s.reset();
        state.ResumeTiming();
    }
}

void BM_InsertBlankRowsWithoutWindow(benchmark::State& state)
{
    insertBlankRows(state, false);
}
BENCHMARK(BM_InsertBlankRowsWithoutWindow)->Unit(benchmark::kMillisecond);

void BM_InsertBlankRowsWithWindow(benchmark::State& state)
{
    insertBlankRows(state, true);
}
BENCHMARK(BM_InsertBlankRowsWithWindow)->Unit(benchmark::kMillisecond);

// Starting the application and drawing its window for the first time: a grid of 1,048,576 rows must open at once.
void BM_OpenAndShowWindow(benchmark::State& state)
{
    for (auto _ : state) {
        auto s = std::make_unique<Session>(true);
        state.PauseTiming();
        s.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenAndShowWindow)->Unit(benchmark::kMillisecond);

// The redraw after a selection of 100,000 whole rows (every other row of 200,000), as selecting blank rows makes.
void BM_RefreshAfterSelecting100kRows(benchmark::State& state)
{
    Session s(true);
    fill(s.sheet().grid(), 200'000);
    sheet::AreaList rows;
    for (std::int32_t r = 200'000; r >= 2; r -= 2)
        rows = rows.appended(sheet::AreaList(sheet::Area{r, 1, r, sheet::Grid::kColumns}));
    settle();
    for (auto _ : state) {
        s.sheet().setSelection(rows);
        settle();
    }
}
BENCHMARK(BM_RefreshAfterSelecting100kRows)->Unit(benchmark::kMillisecond);

// A full repaint of the grid while one cell holds 10 MiB of text: the cell shows the text's beginning, so the
// repaint costs what one of short texts costs.
void BM_RepaintWithA10MiBCell(benchmark::State& state)
{
    Session s(true);
    std::string text = "开头 ";
    text.resize(10u << 20, 'x');
    s.sheet().setCell(2, 2, sheet::CellView::makeText(text));
    settle();
    auto* grid = sheet::SheetWindow::forApplication(s.app)->findChild<QTableView*>(QStringLiteral("grid"));
    if (!grid) {
        state.SkipWithError("no grid");
        return;
    }
    for (auto _ : state)
        grid->viewport()->repaint();
}
BENCHMARK(BM_RepaintWithA10MiBCell)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // Benchmarks never put windows on a desktop.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
