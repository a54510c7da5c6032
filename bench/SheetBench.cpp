// Speed and memory of the embedded spreadsheet and of the bulk edits run through its object model.
// Run with `make bench` (Release).

#include "bench/SampleData.h"
#include "operations/Operations.h"
#include "testsupport/SpreadsheetWorld.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using automation::Named;
using automation::Object;

using testsupport::SpreadsheetWorld;

// A running embedded spreadsheet, opened as the program opens it, and the program's link to it.
const SpreadsheetWorld::Options kOpened{.start = SpreadsheetWorld::Start::OpenExcel};

using bench::fill;

long residentKiB()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Runs first, while the process is still small, so that the peak it reports is the sheet's own.
void BM_MemoryFor200kRowsOf20Cells(benchmark::State& state)
{
    for (auto _ : state) {
        const long before = residentKiB();
        const long peakBefore = peakKiB();
        SpreadsheetWorld s{kOpened};
        fill(s.grid(), 200'000);
        state.counters["resident_MB"] = (residentKiB() - before) / 1024.0;
        state.counters["peak_MB"] = (peakKiB() - peakBefore) / 1024.0;
        state.counters["cells"] = static_cast<double>(s.grid().cellCount());
    }
}
BENCHMARK(BM_MemoryFor200kRowsOf20Cells)->Iterations(1)->Unit(benchmark::kMillisecond);

// The whole click: every 2 rows insert 1, over 200,000 filled rows (about 100,000 single-row insertions).
void BM_InsertBlankRows(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto s = std::make_unique<SpreadsheetWorld>(kOpened);
        fill(s->grid(), 200'000);
        state.ResumeTiming();

        operations::insertBlankRows(s->module, s->desktop, {"1", "200000", "2", "1"});

        state.PauseTiming();
        if (s->grid().lastRow() != 200'000 + 99'999 || s->desktop.messages.size() != 1) {
            state.SkipWithError("wrong result");
            break;
        }
        s.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InsertBlankRows)->Unit(benchmark::kMillisecond);

// 1,000,000 single-row insertions at random positions through the object model, on 20,000 filled rows.
void BM_RandomRowInsertions(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto s = std::make_unique<SpreadsheetWorld>(kOpened);
        fill(s->grid(), 20'000);
        std::mt19937 random(7);
        const Object& sheet = s->module.xlSheet;
        const auto shift = Named("Shift", std::int16_t(-4121));
        state.ResumeTiming();

        for (int i = 0; i < 1'000'000; ++i) {
            const double last = s->grid().lastRow();
            const double at = 1 + static_cast<double>(random() % static_cast<unsigned>(last));
            sheet.get("Rows", at).call("Insert", shift);
        }

        state.PauseTiming();
        if (s->grid().lastRow() != 1'020'000) {
            state.SkipWithError("wrong result");
            break;
        }
        s.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RandomRowInsertions)->Unit(benchmark::kMillisecond);

// 20,000,000 cell reads by row and column through the object model: five passes over 200,000 rows x 20 columns.
void BM_CellReads(benchmark::State& state)
{
    SpreadsheetWorld s{kOpened};
    fill(s.grid(), 200'000);
    const Object& sheet = s.module.xlSheet;
    for (auto _ : state) {
        std::size_t nonEmpty = 0;
        for (int pass = 0; pass < 5; ++pass)
            for (double r = 1; r <= 200'000; ++r)
                for (double c = 1; c <= 20; ++c)
                    nonEmpty += !sheet.get("Cells", r, c).get(automation::kDefaultMember).equalsText("");
        if (nonEmpty != 20'000'000)
            state.SkipWithError("wrong result");
        benchmark::DoNotOptimize(nonEmpty);
    }
}
BENCHMARK(BM_CellReads)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// Every row of the sheet holds values in columns 1 to 20, except every third row, which is blank.
void fillWithEveryThirdRowBlank(sheet::Grid& grid)
{
    for (int r = 1; r <= sheet::Grid::kRows; ++r)
        if (r % 3 != 0)
            for (int c = 1; c <= 20; ++c)
                grid.setCell(r, c, sheet::CellView::makeNumber(c));
}

void BM_DeleteBlankRows(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto s = std::make_unique<SpreadsheetWorld>(kOpened);
        fillWithEveryThirdRowBlank(s->grid());
        state.ResumeTiming();

        operations::deleteBlankRows(s->module, s->desktop, "1", "1048576");

        state.PauseTiming();
        if (s->desktop.messages.size() != 1 || s->desktop.messages[0].text != "数据处理完成,共删除空行 349525 个!") {
            state.SkipWithError("wrong result");
            break;
        }
        s.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteBlankRows)->Unit(benchmark::kMillisecond);

void BM_SelectBlankRows(benchmark::State& state)
{
    SpreadsheetWorld s{kOpened};
    fillWithEveryThirdRowBlank(s.grid());
    for (auto _ : state) {
        s.desktop.messages.clear();
        operations::selectBlankRows(s.module, s.desktop, "1", "1048576");
        if (s.desktop.messages.size() != 1 || s.desktop.messages[0].text != "数据处理完成,共选择空行 349525 个!")
            state.SkipWithError("wrong result");
    }
}
BENCHMARK(BM_SelectBlankRows)->Unit(benchmark::kMillisecond);

// Every column insert 1, over 10,000 filled columns of 100 rows: 6,384 insertions, which fill the sheet's
// 16,384 columns exactly.
void BM_InsertBlankColumns(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto s = std::make_unique<SpreadsheetWorld>(kOpened);
        for (int r = 1; r <= 100; ++r)
            for (int c = 1; c <= 10'000; ++c)
                s->grid().setCell(r, c, sheet::CellView::makeNumber(c));
        state.ResumeTiming();

        operations::insertBlankColumns(s->module, s->desktop, {"1", "6385", "1", "1"});

        state.PauseTiming();
        if (s->grid().lastColumn() != sheet::Grid::kColumns) {
            state.SkipWithError("wrong result");
            break;
        }
        s.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InsertBlankColumns)->Unit(benchmark::kMillisecond);

} // namespace
