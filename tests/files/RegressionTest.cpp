// Inputs the fuzzers once broke the readers with: each must now give a workbook or a clear FileError.
#include "sheet/files/Csv.h"
#include "sheet/files/FileError.h"
#include "sheet/files/WholeFile.h"
#include "sheet/files/Xlsx.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(FuzzRegressions, EveryKeptInputReadsOrFailsCleanly)
{
    const std::filesystem::path dir = std::filesystem::path(TESSAVO_SOURCE_DIR) / "fuzz" / "regressions";
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string path = entry.path().string();
        const std::string bytes = sheet::readWholeFile(path);
        try {
            if (entry.path().extension() == ".csv")
                (void)sheet::readCsv(bytes, path);
            else
                (void)sheet::readXlsx(bytes, path);
        } catch (const sheet::FileError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
        ++seen;
    }
    EXPECT_GT(seen, 0);
}

} // namespace
