#pragma once

#include <zip.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

// A workbook assembled from the parts given, as bytes of a zip archive.
inline std::string zipOf(const std::map<std::string, std::string>& parts)
{
    const auto path = std::filesystem::temp_directory_path() / "tessavo-fixture.zip";
    int error = 0;
    zip_t* z = zip_open(path.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const auto& [name, content] : parts) {
        zip_source_t* s = zip_source_buffer(z, content.data(), content.size(), 0);
        zip_file_add(z, name.c_str(), s, ZIP_FL_OVERWRITE);
    }
    zip_close(z);
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(path);
    return bytes;
}

// The smallest workbook: one sheet whose sheetData is `rows`, with optional shared strings and styles.
inline std::map<std::string, std::string> minimalParts(const std::string& rows, const std::string& sharedStrings = {},
                                                       const std::string& styles = {}, const std::string& extra = {})
{
    std::map<std::string, std::string> parts = {
        {"[Content_Types].xml", "<Types/>"},
        {"xl/workbook.xml",
         "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
         "<sheet name=\"数据\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships><Relationship Id=\"rId1\" "
         "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
         "Target=\"worksheets/sheet1.xml\"/></Relationships>"},
        {"xl/worksheets/sheet1.xml", "<worksheet><sheetData>" + rows + "</sheetData>" + extra + "</worksheet>"},
    };
    if (!sharedStrings.empty())
        parts["xl/sharedStrings.xml"] = "<sst>" + sharedStrings + "</sst>";
    if (!styles.empty())
        parts["xl/styles.xml"] = "<styleSheet>" + styles + "</styleSheet>";
    return parts;
}

// A workbook's parts as Excel writes them: namespaces, the package's relationships, content types, extension lists.
// `workbookPr` goes into <workbookPr .../>; `contentType` is the workbook part's (an ordinary workbook's by default).
inline std::map<std::string, std::string> excelParts(
    const std::string& rows, const std::string& sharedStrings = {}, const std::string& workbookPr = {},
    const std::string& cellXfs = "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>",
    const std::string& contentType = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml")
{
    const std::string main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    return {
        {"[Content_Types].xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
         "<Override PartName=\"/xl/workbook.xml\" ContentType=\"" +
             contentType +
             "\"/>"
             "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
             "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/></Types>"},
        {"_rels/.rels", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                        "<Relationship Id=\"rId1\" Type=\"" +
                            rel + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<workbook xmlns=\"" +
             main + "\" xmlns:r=\"" + rel +
             "\" xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" mc:Ignorable=\"x15\" "
             "xmlns:x15=\"http://schemas.microsoft.com/office/spreadsheetml/2010/11/main\">"
             "<fileVersion appName=\"xl\" lastEdited=\"7\" lowestEdited=\"7\" rupBuild=\"22228\"/>"
             "<workbookPr " +
             workbookPr +
             " defaultThemeVersion=\"166925\"/>"
             "<mc:AlternateContent><mc:Choice Requires=\"x15\"><x15ac:absPath url=\"C:\\\" "
             "xmlns:x15ac=\"http://schemas.microsoft.com/office/spreadsheetml/2010/11/ac\"/></mc:Choice>"
             "</mc:AlternateContent>"
             "<bookViews><workbookView xWindow=\"0\" yWindow=\"0\"/></bookViews>"
             "<sheets><sheet name=\"数据\" sheetId=\"1\" r:id=\"rId1\"/></sheets><calcPr calcId=\"191029\"/>"
             "<extLst><ext uri=\"{79F54976-1DA5-4618-B147-4CDE4B953A38}\" "
             "xmlns:x14=\"http://schemas.microsoft.com/office/spreadsheetml/2009/9/main\"><x14:workbookPr/></ext>"
             "</extLst></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId3\" Type=\"" +
             rel + "/styles\" Target=\"styles.xml\"/><Relationship Id=\"rId1\" Type=\"" + rel +
             "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId4\" Type=\"" + rel +
             "/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>"},
        {"xl/worksheets/sheet1.xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<worksheet xmlns=\"" +
             main + "\" xmlns:r=\"" + rel +
             "\" xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" mc:Ignorable=\"x14ac\" "
             "xmlns:x14ac=\"http://schemas.microsoft.com/office/spreadsheetml/2009/9/ac\">"
             "<sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>"
             "<sheetFormatPr defaultRowHeight=\"15\" x14ac:dyDescent=\"0.25\"/><sheetData>" +
             rows +
             "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" "
             "header=\"0.3\" footer=\"0.3\"/></worksheet>"},
        {"xl/sharedStrings.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<sst xmlns=\"" + main +
                                     "\">" + sharedStrings + "</sst>"},
        {"xl/styles.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<styleSheet xmlns=\"" + main +
                              "\"><cellXfs>" + cellXfs + "</cellXfs></styleSheet>"},
    };
}
