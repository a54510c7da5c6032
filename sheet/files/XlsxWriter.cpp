#include "CellText.h"
#include "FileError.h"
#include "WriteReplacing.h"
#include "Xlsx.h"

#include <xlsxwriter.h>

#include <string>

namespace sheet {

namespace {

// The formula that gives an error value, so that other programs show the same error.
const char* errorFormula(std::int32_t code)
{
    switch (code) {
    case 2000: return "=#NULL!";
    case 2007: return "=1/0";
    case 2023: return "=#REF!";
    case 2029: return "=#NAME?";
    case 2036: return "=#NUM!";
    case 2042: return "=NA()";
    default: return "=#VALUE!";
    }
}

void check(lxw_error error, const std::string& path)
{
    if (error != LXW_NO_ERROR)
        throw fileError(path, std::string("无法保存: ") + lxw_strerror(error));
}

} // namespace

void writeXlsxFile(const std::string& path, const std::vector<const BookSheet*>& sheets)
{
    writeReplacing(path, [&](const std::string& temporary) {
        // Rows go out one after another as they are written, so memory stays flat however large the sheet.
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.use_zip64 = LXW_TRUE;
        lxw_workbook* book = workbook_new_opt(temporary.c_str(), &options);
        if (!book)
            throw fileError(path, "无法创建文件。");
        try {
            lxw_format* date = workbook_add_format(book);
            format_set_num_format(date, "yyyy/m/d");
            lxw_format* dateTime = workbook_add_format(book);
            format_set_num_format(dateTime, "yyyy/m/d h:mm:ss");

            for (const BookSheet* sheet : sheets) {
                lxw_worksheet* ws = workbook_add_worksheet(book, sheet->name.c_str());
                if (!ws)
                    throw fileError(path, "工作表名“" + sheet->name + "”无效。");
                lxw_error error = LXW_NO_ERROR;
                sheet->grid.forEachCell([&](std::int32_t r, std::int32_t c, const CellView& cell) {
                    if (error != LXW_NO_ERROR)
                        return;
                    const auto row = static_cast<lxw_row_t>(r - 1);
                    const auto column = static_cast<lxw_col_t>(c - 1);
                    switch (cell.kind) {
                    case CellKind::Number:
                        error = worksheet_write_number(ws, row, column, cell.number, nullptr);
                        break;
                    case CellKind::Text: {
                        const std::string text(cell.text);
                        error = worksheet_write_string(ws, row, column, text.c_str(), nullptr);
                        break;
                    }
                    case CellKind::Boolean:
                        error = worksheet_write_boolean(ws, row, column, cell.number != 0, nullptr);
                        break;
                    case CellKind::Date:
                        error = worksheet_write_number(ws, row, column, cell.number,
                                                       cell.number == static_cast<double>(static_cast<long long>(
                                                                          cell.number))
                                                           ? date
                                                           : dateTime);
                        break;
                    case CellKind::Error: {
                        const std::string shown(errorText(cell.error));
                        error = worksheet_write_formula_str(ws, row, column, errorFormula(cell.error), nullptr,
                                                            shown.c_str());
                        break;
                    }
                    case CellKind::Empty:
                        break;
                    }
                });
                check(error, path);
            }
        } catch (...) {
            workbook_close(book);
            throw;
        }
        check(workbook_close(book), path);
    });
}

} // namespace sheet
