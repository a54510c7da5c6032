// Writes the XLSX seed corpus: workbooks from our own writer and hand-made ones that reach the reader's corners.
#include "sheet/files/Xlsx.h"
#include "tests/files/XlsxFixture.h"

#include <fstream>

namespace {

void save(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

int main(int argc, char** argv)
{
    const std::string dir = argc > 1 ? argv[1] : "fuzz/corpus/xlsx";
    sheet::BookSheet s{"Sheet1", sheet::Grid()};
    s.grid.setCell(1, 1, sheet::CellView::makeText("中文"));
    s.grid.setCell(1, 2, sheet::CellView::makeNumber(1.5));
    s.grid.setCell(2, 1, sheet::CellView::makeBoolean(true));
    s.grid.setCell(2, 2, sheet::CellView::makeDate(45000.5));
    s.grid.setCell(3, 3, sheet::CellView::makeError(2042));
    sheet::writeXlsxFile(dir + "/ours.xlsx", {s});

    save(dir + "/shared.xlsx",
         zipOf(
             minimalParts("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" s=\"1\"><v>45000</v></c>"
                          "<c r=\"C1\" t=\"inlineStr\"><is><t>x</t></is></c><c r=\"D1\"><f>1+1</f><v>2</v></c>"
                          "<c r=\"E1\" t=\"e\"><v>#N/A</v></c><c r=\"F1\" t=\"d\"><v>2023-03-15T12:00:00</v></c></row>",
                          "<si><t>a</t></si><si><r><t>b</t></r><rPh><t>c</t></rPh></si>",
                          "<numFmts><numFmt numFmtId=\"164\" formatCode=\"yyyy&quot;年&quot;\"/></numFmts>"
                          "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\" fontId=\"1\"/></cellXfs>",
                          "<mergeCells><mergeCell ref=\"A1:B1\"/></mergeCells><drawing r:id=\"x\"/>")));
    save(dir + "/norefs.xlsx", zipOf(minimalParts("<row><c><v>1</v></c><c t=\"b\"><v>0</v></c></row><row/>")));
    return 0;
}
