// The operations against LibreOffice Calc in a headless office the benchmark starts, each beside the same
// deletions or insertions made directly on the office in the same run: every request crosses into the office's
// process, and what the program adds to those requests is what is measured.
#include "link/Module1.h"
#include "link/uno/CalcHost.h"
#include "operations/Operations.h"
#include "testsupport/FakeDesktop.h"
#include "testsupport/uno/LibreOfficeWorld.h"

#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableRows.hpp>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

testsupport::TestOffice* g_office = nullptr;

// A workbook the user has open: `rows` rows of 20 numbers, every third row blank when asked.
Reference<css::sheet::XSpreadsheet> openSheet(int rows, bool everyThirdBlank)
{
    g_office->closeAll();
    const auto sheet = testsupport::firstSheet(testsupport::openAsUser(*g_office));
    constexpr int kBlock = 10'000;
    for (int top = 0; top < rows; top += kBlock) {
        const int n = std::min(kBlock, rows - top);
        css::uno::Sequence<css::uno::Sequence<css::uno::Any>> data(n);
        for (int r = 0; r < n; ++r) {
            css::uno::Sequence<css::uno::Any> row(20);
            const bool blank = everyThirdBlank && (top + r + 1) % 3 == 0;
            for (int c = 0; c < 20; ++c)
                row.getArray()[c] = blank ? css::uno::Any(rtl::OUString()) : css::uno::Any(double(c + 1));
            data.getArray()[r] = row;
        }
        Reference<css::sheet::XCellRangeData>(sheet->getCellRangeByPosition(0, top, 19, top + n - 1), UNO_QUERY_THROW)
            ->setDataArray(data);
    }
    return sheet;
}

// The program as it starts, linked to the benchmark's office.
struct Program {
    automation::uno::CalcHost host{g_office->options()};
    testsupport::FakeDesktop desktop;
    automation::Module1 module{host, desktop};
    bool said(std::string_view text) const { return desktop.messages.size() == 1 && desktop.messages[0].text == text; }
};

Reference<css::table::XTableRows> rowsOf(const Reference<css::sheet::XSpreadsheet>& sheet)
{
    return Reference<css::table::XColumnRowRange>(sheet, UNO_QUERY_THROW)->getRows();
}

void BM_LibreOfficeDeleteBlankRows(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        openSheet(10'000, true);
        Program program;
        state.ResumeTiming();

        operations::deleteBlankRows(program.module, program.desktop, "1", "10000");

        if (!program.said("数据处理完成,共删除空行 3333 个!"))
            state.SkipWithError("wrong result");
    }
}
BENCHMARK(BM_LibreOfficeDeleteBlankRows)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same 3,333 deletions, bottom up, straight to the office.
void BM_LibreOfficeDirectDeletes(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const auto rows = rowsOf(openSheet(10'000, true));
        state.ResumeTiming();
        for (int row = 9999; row >= 3; row -= 3)
            rows->removeByIndex(row - 1, 1);
    }
}
BENCHMARK(BM_LibreOfficeDirectDeletes)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_LibreOfficeSelectBlankRows(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        openSheet(100'000, true);
        Program program;
        state.ResumeTiming();

        operations::selectBlankRows(program.module, program.desktop, "1", "100000");

        if (!program.said("数据处理完成,共选择空行 33333 个!"))
            state.SkipWithError("wrong result");
    }
}
BENCHMARK(BM_LibreOfficeSelectBlankRows)->Unit(benchmark::kMillisecond)->Iterations(1);

// 5,000 insertions: one blank row after every 2 of 10,000 rows.
void BM_LibreOfficeInsertBlankRows(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        openSheet(10'000, false);
        Program program;
        state.ResumeTiming();

        operations::insertBlankRows(program.module, program.desktop, {"1", "10001", "2", "1"});

        if (!program.said("数据处理完成,谢谢使用!"))
            state.SkipWithError("wrong result");
    }
}
BENCHMARK(BM_LibreOfficeInsertBlankRows)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same insertions straight to the office: before rows 3, 6, 9, ...
void BM_LibreOfficeDirectInsertions(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const auto rows = rowsOf(openSheet(10'000, false));
        state.ResumeTiming();
        for (int k = 0; k < 5'000; ++k)
            rows->insertByIndex(2 + 3 * k, 1);
    }
}
BENCHMARK(BM_LibreOfficeDirectInsertions)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    testsupport::TestOffice office("bench");
    g_office = &office;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
