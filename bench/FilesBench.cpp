// Speed and memory of opening and saving workbooks in the embedded spreadsheet (Release, `make bench`).
// Data: 200,000 rows x 20 columns, numbers and texts mixed.

#include "Csv.h"
#include "Xlsx.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iconv.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const fs::path& dataDir()
{
    static const fs::path dir = fs::temp_directory_path() / "tessavo-files-bench";
    return dir;
}

const sheet::BookSheet& sampleSheet()
{
    static const sheet::BookSheet sheet = [] {
        sheet::BookSheet s{"Sheet1", sheet::Grid()};
        char text[24];
        for (int r = 1; r <= 200'000; ++r)
            for (int c = 1; c <= 20; ++c) {
                if (c % 2) {
                    s.grid.setCell(r, c, sheet::CellView::makeNumber(r * 0.25 + c));
                } else {
                    std::snprintf(text, sizeof text, "文本%d-%d", r, c);
                    s.grid.setCell(r, c, sheet::CellView::makeText(text));
                }
            }
        return s;
    }();
    return sheet;
}

// The sample saved once as XLSX and as CSV.
const fs::path& sampleFile(const char* extension)
{
    static const bool made = [] {
        fs::create_directories(dataDir());
        sheet::writeXlsxFile((dataDir() / "sample.xlsx").string(), {&sampleSheet()});
        sheet::writeCsvFile((dataDir() / "sample.csv").string(), sampleSheet().grid);
        return true;
    }();
    (void)made;
    static const fs::path xlsx = dataDir() / "sample.xlsx";
    static const fs::path csv = dataDir() / "sample.csv";
    return std::strcmp(extension, "xlsx") == 0 ? xlsx : csv;
}

void BM_SaveXlsx(benchmark::State& state)
{
    const sheet::BookSheet& sheet = sampleSheet();
    const std::string path = (dataDir() / "saved.xlsx").string();
    fs::create_directories(dataDir());
    for (auto _ : state)
        sheet::writeXlsxFile(path, {&sheet});
    state.counters["file_MB"] = static_cast<double>(fs::file_size(path)) / (1024 * 1024);
}
BENCHMARK(BM_SaveXlsx)->Unit(benchmark::kMillisecond);

void BM_OpenXlsx(benchmark::State& state)
{
    const std::string path = sampleFile("xlsx").string();
    for (auto _ : state) {
        sheet::Book book = sheet::readXlsxFile(path);
        if (book.sheets[0].grid.cellCount() != 4'000'000)
            state.SkipWithError("wrong result");
    }
}
BENCHMARK(BM_OpenXlsx)->Unit(benchmark::kMillisecond);

void BM_OpenCsv(benchmark::State& state)
{
    const std::string path = sampleFile("csv").string();
    for (auto _ : state) {
        sheet::Book book = sheet::readCsvFile(path);
        if (book.sheets[0].grid.cellCount() != 4'000'000)
            state.SkipWithError("wrong result");
    }
}
BENCHMARK(BM_OpenCsv)->Unit(benchmark::kMillisecond);

// The same CSV as Chinese Windows saves it (GB18030, no mark): its encoding is guessed before it is converted.
void BM_OpenCsvGuessingGb18030(benchmark::State& state)
{
    const fs::path path = dataDir() / "sample-gb18030.csv";
    if (!fs::exists(path)) {
        std::string utf8 = sheet::csvText(sampleSheet().grid).substr(3);
        std::string gb(utf8.size() * 2, '\0');
        iconv_t cd = iconv_open("GB18030", "UTF-8");
        char* in = utf8.data();
        char* out = gb.data();
        std::size_t inLeft = utf8.size();
        std::size_t outLeft = gb.size();
        const bool ok = iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1);
        iconv_close(cd);
        if (!ok) {
            state.SkipWithError("cannot make the sample");
            return;
        }
        gb.resize(gb.size() - outLeft);
        std::ofstream(path, std::ios::binary).write(gb.data(), static_cast<std::streamsize>(gb.size()));
    }
    for (auto _ : state) {
        sheet::Book book = sheet::readCsvFile(path.string());
        if (book.sheets[0].grid.cellCount() != 4'000'000 || book.reading.encoding != sheet::TextEncoding::Gb18030)
            state.SkipWithError("wrong result");
    }
}
BENCHMARK(BM_OpenCsvGuessingGb18030)->Unit(benchmark::kMillisecond);

// The peak memory of a process that does nothing but open the file, measured in a fresh process of its own.
std::string self;

double peakMegabytesOpening(const char* extension)
{
    const std::string path = sampleFile(extension).string();
    int pipe[2];
    if (::pipe(pipe) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipe[1], STDOUT_FILENO);
        execl(self.c_str(), self.c_str(), "--open", path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipe[1]);
    char buffer[64] = {};
    const ssize_t n = read(pipe[0], buffer, sizeof buffer - 1);
    close(pipe[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return n > 0 ? std::atof(buffer) / 1024.0 : -1;
}

void BM_PeakMemoryOpening(benchmark::State& state)
{
    for (auto _ : state) {
        state.counters["xlsx_peak_MB"] = peakMegabytesOpening("xlsx");
        state.counters["csv_peak_MB"] = peakMegabytesOpening("csv");
    }
}
BENCHMARK(BM_PeakMemoryOpening)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--open") == 0) {
        const std::string path = argv[2];
        const sheet::Book book = path.ends_with(".xlsx") ? sheet::readXlsxFile(path) : sheet::readCsvFile(path);
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("%ld\n", usage.ru_maxrss);
        return book.sheets.empty();
    }
    self = fs::canonical("/proc/self/exe").string();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(dataDir());
    return 0;
}
