// libFuzzer target: any bytes read as XLSX either give a workbook or a FileError, never a crash. Bytes that are no
// zip archive are also read as a worksheet's XML, by the scanner in chunks of a size the first byte picks and by
// expat at once: what the scanner reads, expat must read the same.
#include "sheet/files/FileError.h"
#include "sheet/files/Xlsx.h"
#include "sheet/files/XmlScanner.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

using namespace sheet::xlsx;

void logStart(std::string& log, std::string& pending, const XmlName& name, const char** a)
{
    log += "[" + pending + "]<" + std::to_string(static_cast<int>(name.ns)) + std::string(name.local);
    pending.clear();
    for (int i = 0; a[i]; i += 2)
        log += std::string(" ") + a[i] + "=" + a[i + 1];
}

void logEnd(std::string& log, std::string& pending, const XmlName& name)
{
    log += "[" + pending + "]</" + std::to_string(static_cast<int>(name.ns)) + std::string(name.local);
    pending.clear();
}

struct Log final : XmlEvents {
    std::string log;
    std::string pending; // text since the last tag
    void start(const XmlName& name, const char** a) override { logStart(log, pending, name, a); }
    void end(const XmlName& name) override { logEnd(log, pending, name); }
    void text(std::string_view s) override { pending += s; }
    void other() override {}
};

// Expat's reading, as the reader sets it up; nothing when it refuses the document, a document type included.
bool expatLog(std::string_view xml, Log& out)
{
    XML_Parser parser = XML_ParserCreateNS(nullptr, kNamespaceSeparator);
    XML_SetUserData(parser, &out);
    XML_SetElementHandler(
        parser,
        [](void* data, const XML_Char* name, const XML_Char** a) { static_cast<Log*>(data)->start(nameOf(name), a); },
        [](void* data, const XML_Char* name) { static_cast<Log*>(data)->end(nameOf(name)); });
    XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* s, int length) {
        static_cast<Log*>(data)->text(std::string_view(s, static_cast<std::size_t>(length)));
    });
    XML_SetStartDoctypeDeclHandler(parser, [](void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        static_cast<Log*>(data)->log = "doctype";
    });
    const bool ok = XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), XML_TRUE) == XML_STATUS_OK &&
                    out.log.rfind("doctype", 0) != 0;
    XML_ParserFree(parser);
    return ok;
}

void compareReadings(const std::uint8_t* data, std::size_t size)
{
    const std::size_t chunk = 1 + data[0] % 64;
    const std::string_view xml(reinterpret_cast<const char*>(data) + 1, size - 1);
    Log scanned;
    try {
        XmlScanner scanner(scanned);
        for (std::size_t at = 0; at < xml.size(); at += chunk) {
            const std::size_t n = std::min(chunk, xml.size() - at);
            std::memcpy(scanner.buffer(chunk), xml.data() + at, n);
            scanner.parse(n, false);
        }
        scanner.buffer(0);
        scanner.parse(0, true);
    } catch (const XmlUnsure&) {
        return;
    }
    Log expat;
    if (!expatLog(xml, expat) || expat.log != scanned.log)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 0 && (size < 2 || std::memcmp(data, "PK", 2) != 0))
        compareReadings(data, size);
    try {
        const sheet::Book book =
            sheet::readXlsx(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.xlsx");
        (void)book.losses.describe();
    } catch (const sheet::FileError&) {
    }
    return 0;
}
