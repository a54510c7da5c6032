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
