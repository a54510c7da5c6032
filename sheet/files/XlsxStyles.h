#pragma once

#include "sheet/files/XlsxArchive.h"

#include <string>
#include <vector>

namespace sheet::xlsx {

/// The cell formats of a workbook's styles, by the index cells give as their style.
struct CellFormats {
    struct Xf {
        bool date = false;   // shows a number as a date
        bool styled = false; // anything the sheet cannot keep
    };
    std::vector<Xf> xfs;
    bool tooMany = false; // more than a million, the rest left out
};

/// The cell formats of the styles part `part`: which show dates (built-in date formats and codes with date or time
/// fields), which carry styles the sheet cannot keep. Throws FileError.
CellFormats readCellFormats(Archive& archive, const std::string& part);

} // namespace sheet::xlsx
