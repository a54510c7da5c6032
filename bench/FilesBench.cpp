// Speed and memory of opening and saving workbooks in the embedded spreadsheet (Release, `make bench`).
// Data: 200,000 rows x 20 columns, numbers and texts mixed; and hostile files, small on disk and huge inflated, each
// opened in a process of its own.

#include "sheet/files/Csv.h"
#include "sheet/files/FileError.h"
#include "sheet/files/Xlsx.h"

#include <benchmark/benchmark.h>
#include <zip.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iconv.h>
#include <map>
#include <string>
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
        sheet::writeXlsxFile((dataDir() / "sample.xlsx").string(), {sampleSheet()});
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
        sheet::writeXlsxFile(path, {sheet});
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

// What opening one file cost a process that did nothing else: its wall time, its peak memory and whether it was
// refused.
std::string self;

struct Opening {
    double seconds = -1;
    double peakMegabytes = -1;
    bool refused = false;
};

Opening openInChild(const std::string& path)
{
    int pipe[2];
    if (::pipe(pipe) != 0)
        return {};
    const auto start = std::chrono::steady_clock::now();
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
    Opening opening;
    opening.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    long peakKiB = 0;
    int refused = 0;
    if (n > 0 && std::sscanf(buffer, "%ld %d", &peakKiB, &refused) == 2) {
        opening.peakMegabytes = static_cast<double>(peakKiB) / 1024.0;
        opening.refused = refused != 0;
    }
    return opening;
}

void BM_PeakMemoryOpening(benchmark::State& state)
{
    for (auto _ : state) {
        state.counters["xlsx_peak_MB"] = openInChild(sampleFile("xlsx").string()).peakMegabytes;
        state.counters["csv_peak_MB"] = openInChild(sampleFile("csv").string()).peakMegabytes;
    }
}
BENCHMARK(BM_PeakMemoryOpening)->Iterations(1)->Unit(benchmark::kMillisecond);

// ---- Hostile files -------------------------------------------------------------------------------------------------

// A part made of `head`, `body` repeated `times` and `tail`, produced while it is deflated: parts of gigabytes are
// written without ever being held.
struct RepeatedPart {
    std::string head;
    std::string body;
    std::uint64_t times = 0;
    std::string tail;
    std::size_t stamp = std::string::npos; // where in `body` each repetition writes its number, in 8 hex digits

    std::uint64_t size() const { return head.size() + body.size() * times + tail.size(); }
};

RepeatedPart whole(std::string text)
{
    return {std::move(text), {}, 0, {}, std::string::npos};
}

struct PartReader {
    const RepeatedPart* part;
    std::uint64_t at = 0;
};

zip_int64_t producePart(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto* reader = static_cast<PartReader*>(state);
    const RepeatedPart& part = *reader->part;
    switch (command) {
    case ZIP_SOURCE_OPEN:
        reader->at = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        auto* out = static_cast<char*>(data);
        zip_uint64_t written = 0;
        while (written < length && reader->at < part.size()) {
            const std::uint64_t at = reader->at;
            const std::uint64_t bodyEnd = part.head.size() + part.body.size() * part.times;
            std::string_view from;
            std::uint64_t offset = 0;
            if (at < part.head.size()) {
                from = part.head;
                offset = at;
            } else if (at < bodyEnd) {
                from = part.body;
                offset = (at - part.head.size()) % part.body.size();
            } else {
                from = part.tail;
                offset = at - bodyEnd;
            }
            const std::uint64_t n = std::min<std::uint64_t>(from.size() - offset, length - written);
            std::memcpy(out + written, from.data() + offset, n);
            if (from.data() == part.body.data() && part.stamp != std::string::npos)
                for (std::uint64_t k = 0; k < n; ++k)
                    if (offset + k >= part.stamp && offset + k < part.stamp + 8) {
                        const std::uint64_t number = (at - part.head.size()) / part.body.size();
                        const unsigned shift = static_cast<unsigned>(4 * (7 - (offset + k - part.stamp)));
                        out[written + k] = "0123456789abcdef"[(number >> shift) & 15];
                    }
            written += n;
            reader->at += n;
        }
        return static_cast<zip_int64_t>(written);
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        st->size = part.size();
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return 2 * sizeof(int);
    case ZIP_SOURCE_FREE:
        delete reader;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        return -1;
    }
}

// A workbook of one sheet; `parts` holds xl/worksheets/sheet1.xml and, when wanted, xl/sharedStrings.xml.
void writeWorkbook(const fs::path& path, const std::map<std::string, RepeatedPart>& parts)
{
    static const std::map<std::string, RepeatedPart> fixed = {
        {"[Content_Types].xml",
         whole("<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>")},
        {"xl/workbook.xml",
         whole("<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
               "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
               "<sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>")},
        {"xl/_rels/workbook.xml.rels",
         whole("<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
               "<Relationship Id=\"rId1\" "
               "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
               "Target=\"worksheets/sheet1.xml\"/></Relationships>")},
    };
    int error = 0;
    zip_t* z = zip_open(path.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const auto* all : {&fixed, &parts})
        for (const auto& [name, part] : *all) {
            zip_source_t* source = zip_source_function(z, producePart, new PartReader{&part});
            const zip_int64_t index = zip_file_add(z, name.c_str(), source, ZIP_FL_OVERWRITE);
            zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 9);
        }
    if (zip_close(z) != 0)
        std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
}

// 1 MiB of noise: repeated, it still does not compress, as deflate looks back 32 KiB at most.
const std::string& incompressible()
{
    static const std::string noise = [] {
        std::string bytes(1u << 20, '\0');
        std::uint64_t x = 88172645463325252ULL;
        for (char& c : bytes) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            c = static_cast<char>(x);
        }
        return bytes;
    }();
    return noise;
}

std::string repeated(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

const std::string kSheetHead = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                               "<sheetData>";
const std::string kSheetTail = "</sheetData></worksheet>";
const std::string kStringsHead = "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";

// Each hostile file once, made on first use.
const fs::path& hostileFile(const std::string& name)
{
    static std::map<std::string, fs::path> made;
    if (auto found = made.find(name); found != made.end())
        return found->second;
    fs::create_directories(dataDir());
    const fs::path path = dataDir() / (name + ".xlsx");
    const std::string oneCell = "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>";
    if (name == "long_comment") // one 32 MiB comment: an unfinished token for most of the part
        writeWorkbook(path, {{"xl/worksheets/sheet1.xml",
                              {kSheetHead + oneCell + "</sheetData><!--", "x", 32u << 20, "--></worksheet>"}}});
    else if (name == "long_attribute") // one 32 MiB attribute value
        writeWorkbook(path, {{"xl/worksheets/sheet1.xml",
                              {kSheetHead + "<row r=\"1\"><c r=\"A1\" z=\"", "y", 32u << 20,
                               "\"><v>1</v></c></row>" + kSheetTail}}});
    else if (name == "shared_64k_100k") // one 64 KiB shared string used by 100,000 cells
        writeWorkbook(path, {{"xl/sharedStrings.xml", {kStringsHead + "<si><t>", "x", 64u << 10, "</t></si></sst>"}},
                             {"xl/worksheets/sheet1.xml",
                              {kSheetHead, "<row><c t=\"s\"><v>0</v></c></row>", 100'000, kSheetTail}}});
    else if (name == "inline_2g") // one inline text of 2 GiB
        writeWorkbook(path, {{"xl/worksheets/sheet1.xml",
                              {kSheetHead + "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>", "z", 2u << 30,
                               "</t></is></c></row>" + kSheetTail}}});
    else if (name == "numbers_100m") // 104,857,600 numbers: every row of the sheet, 100 cells each
        writeWorkbook(path, {{"xl/worksheets/sheet1.xml",
                              {kSheetHead,
                               "<row>" +
                                   [] {
                                       std::string cells;
                                       for (int i = 0; i < 100; ++i)
                                           cells += "<c><v>1</v></c>";
                                       return cells;
                                   }() +
                                   "</row>",
                               1'048'576, kSheetTail}}});
    else if (name == "strings_10m") // 10,000,000 shared strings, one cell
        writeWorkbook(path, {{"xl/sharedStrings.xml", {kStringsHead, "<si><t>x</t></si>", 10'000'000, "</sst>"}},
                             {"xl/worksheets/sheet1.xml",
                              whole(kSheetHead + "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>" + kSheetTail)}});
    else if (name == "tokens_15m_x16") // sixteen tags, each just shorter than the longest token the reader takes
        writeWorkbook(path, {{"xl/worksheets/sheet1.xml",
                              {kSheetHead, "<row><c z=\"" + std::string(15u << 20, 'y') + "\"><v>1</v></c></row>", 16,
                               kSheetTail}}});
    else if (name == "limit_numbers") // 9 MiB that is not read, to raise the bounds, and 500 MB of numbers
        writeWorkbook(path,
                      {{"docProps/thumbnail.jpeg", {{}, incompressible(), 9, {}}},
                       {"xl/worksheets/sheet1.xml",
                        {kSheetHead, "<row>" + repeated("<c><v>1</v></c>", 100) + "</row>", 330'000, kSheetTail}}});
    else if (name ==
             "limit_texts") { // 9 MiB that is not read, and 110 distinct texts (460 MB) longer than a cell keeps
        const std::string open = "<row><c t=\"inlineStr\"><is><t>";
        writeWorkbook(path, {{"docProps/thumbnail.jpeg", {{}, incompressible(), 9, {}, std::string::npos}},
                             {"xl/worksheets/sheet1.xml",
                              {kSheetHead, open + std::string((4u << 20) + 1024, 't') + "</t></is></c></row>", 110,
                               kSheetTail, open.size()}}});
    } else if (name == "limit_empty_cells") // 9 MiB that is not read, and 490 MB of empty cells
        writeWorkbook(path, {{"docProps/thumbnail.jpeg", {{}, incompressible(), 9, {}, std::string::npos}},
                             {"xl/worksheets/sheet1.xml",
                              {kSheetHead, "<row>" + repeated("<c/>", 16'384) + "</row>", 7'500, kSheetTail,
                               std::string::npos}}});
    else if (name == "sheets_60k") // 60,000 sheets of one cell, all the same part, and 300,000 shared strings
        writeWorkbook(
            path,
            {{"xl/workbook.xml",
              {"<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
               "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
               "<sheets>",
               "<sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>", 60'000, "</sheets></workbook>", std::string::npos}},
             {"xl/sharedStrings.xml", {kStringsHead, "<si><t>x</t></si>", 300'000, "</sst>", std::string::npos}},
             {"xl/worksheets/sheet1.xml",
              whole(kSheetHead + "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>" + kSheetTail)}});
    return made[name] = path;
}

void BM_OpenHostileFile(benchmark::State& state, const char* name)
{
    const fs::path& path = hostileFile(name);
    for (auto _ : state) {
        const Opening opening = openInChild(path.string());
        state.counters["seconds"] = opening.seconds;
        state.counters["peak_MB"] = opening.peakMegabytes;
        state.counters["refused"] = opening.refused;
        state.counters["file_KB"] = static_cast<double>(fs::file_size(path)) / 1024;
    }
}
BENCHMARK_CAPTURE(BM_OpenHostileFile, long_comment, "long_comment")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenHostileFile, long_attribute, "long_attribute")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenHostileFile, shared_64k_100k, "shared_64k_100k")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenHostileFile, inline_2g, "inline_2g")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenHostileFile, numbers_100m, "numbers_100m")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenHostileFile, strings_10m, "strings_10m")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenHostileFile, tokens_15m_x16, "tokens_15m_x16")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenHostileFile, limit_numbers, "limit_numbers")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenHostileFile, limit_texts, "limit_texts")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenHostileFile, sheets_60k, "sheets_60k")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenHostileFile, limit_empty_cells, "limit_empty_cells")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--open") == 0) {
        // Prints its peak memory in KiB and 1 when the file was refused.
        const std::string path = argv[2];
        int refused = 0;
        try {
            const sheet::Book book = path.ends_with(".csv") ? sheet::readCsvFile(path) : sheet::readXlsxFile(path);
            refused = book.sheets.empty();
        } catch (const sheet::FileError& e) {
            std::fprintf(stderr, "%s\n", e.what());
            refused = 1;
        } catch (const std::bad_alloc&) {
            std::fprintf(stderr, "out of memory\n");
            refused = 1;
        }
        // The peak of this program's own memory: getrusage's would count the parent's at the fork, which Linux
        // keeps across exec.
        long peakKiB = -1;
        if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
            char line[128];
            while (std::fgets(line, sizeof line, status))
                if (std::sscanf(line, "VmHWM: %ld kB", &peakKiB) == 1)
                    break;
            std::fclose(status);
        }
        std::printf("%ld %d\n", peakKiB, refused);
        return 0;
    }
    self = fs::canonical("/proc/self/exe").string();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(dataDir());
    return 0;
}
