// libFuzzer target: any bytes read as XLSX either give a workbook or a FileError, never a crash.
#include "sheet/files/FileError.h"
#include "sheet/files/Xlsx.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        const sheet::Book book =
            sheet::readXlsx(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.xlsx");
        (void)book.losses.describe();
    } catch (const sheet::FileError&) {
    }
    return 0;
}
