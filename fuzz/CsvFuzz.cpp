// libFuzzer target: any bytes read as CSV either give a workbook or a FileError, never a crash.
#include "Csv.h"
#include "FileError.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (auto encoding : {sheet::TextEncoding::Auto, sheet::TextEncoding::Gb18030}) {
        try {
            const sheet::Book book = sheet::readCsv(bytes, "fuzz.csv", encoding);
            // What was read must write out again.
            (void)sheet::csvText(book.sheets.at(0).grid);
        } catch (const sheet::FileError&) {
        }
    }
    return 0;
}
