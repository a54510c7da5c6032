// libFuzzer target: any bytes read as CSV either give a workbook or a FileError, never a crash.
#include "sheet/files/Csv.h"
#include "sheet/files/FileError.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    using sheet::TextEncoding;
    for (auto encoding : {TextEncoding::Auto, TextEncoding::Gb18030, TextEncoding::Utf16Le, TextEncoding::Utf32Be}) {
        try {
            const sheet::Book book = sheet::readCsv(bytes, "fuzz.csv", encoding, size % 2 == 0 ? ',' : '\t');
            // What was read must write out again.
            (void)sheet::csvText(book.sheets.at(0).grid);
        } catch (const sheet::FileError&) {
        }
    }
    return 0;
}
