#include "objectmodel/Names.h"
#include "objectmodel/SheetName.h"
#include "sheet/files/FileError.h"
#include "sheet/files/WholeFile.h"
#include "sheet/files/Xlsx.h"
#include "sheet/files/XlsxArchive.h"
#include "sheet/files/XlsxSheet.h"
#include "sheet/files/XlsxStyles.h"

#include <algorithm>
#include <map>
#include <set>
#include <vector>

namespace sheet {

namespace {

using namespace xlsx;

constexpr std::size_t kStringsFloor = 65'536;
constexpr std::size_t kBytesPerReference = 20; // <c t="s"><v>0</v></c>: no shorter cell refers to a shared string
constexpr std::size_t kMaxSheets = 65'536;
constexpr std::size_t kMaxRelationships = 131'072;

struct Relationship {
    std::string type;
    std::string target; // a part name within the archive
};

// The part a relationship of `from` (e.g. "xl/workbook.xml", or "" for the package) points to.
std::string resolve(const std::string& from, std::string target)
{
    std::replace(target.begin(), target.end(), '\\', '/');
    if (!target.empty() && target.front() == '/')
        return target.substr(1);
    std::string base = from.substr(0, from.find_last_of('/') + 1);
    for (;;) {
        if (target.rfind("./", 0) == 0) {
            target.erase(0, 2);
        } else if (target.rfind("../", 0) == 0) {
            target.erase(0, 3);
            if (!base.empty())
                base.erase(base.find_last_of('/', base.size() - 2) + 1);
        } else {
            break;
        }
    }
    return base + target;
}

// "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels"
std::string relationshipsOf(const std::string& part)
{
    const std::size_t slash = part.find_last_of('/') + 1;
    return part.substr(0, slash) + "_rels/" + part.substr(slash) + ".rels";
}

struct RelsHandler : HandlerBase {
    std::string from;
    std::map<std::string, Relationship> byId;
    void start(const XmlName& name, const char** a)
    {
        if (!is(name, Ns::Package, "Relationship"))
            return;
        const char* id = attribute(a, "Id");
        const char* type = attribute(a, "Type");
        const char* target = attribute(a, "Target");
        const char* mode = attribute(a, "TargetMode");
        if (!id || !type || !target || (mode && std::string_view(mode) == "External"))
            return;
        if (byId.size() >= kMaxRelationships)
            throw fileError(*fileName, "部件 " + part + " 含有超过 " + std::to_string(kMaxRelationships) +
                                           " 个关系,不像是电子表格程序保存的工作簿,已拒绝打开。");
        byId[id] = {type, resolve(from, target)};
    }

    const Relationship* ofType(std::string_view suffix) const
    {
        for (const auto& [id, r] : byId)
            if (r.type.ends_with(suffix))
                return &r;
        return nullptr;
    }
};

// The content type [Content_Types].xml gives one part.
struct ContentTypesHandler : HandlerBase {
    std::string wanted; // folded part name, without the leading '/'
    std::string extension;
    std::string overridden;
    std::string byExtension;
    void start(const XmlName& name, const char** a)
    {
        const char* type = attribute(a, "ContentType");
        if (!type)
            return;
        if (is(name, Ns::ContentTypes, "Override")) {
            if (const char* partName = attribute(a, "PartName");
                partName && objectmodel::foldedName(normalPartName(partName)) == wanted)
                overridden = type;
        } else if (is(name, Ns::ContentTypes, "Default")) {
            if (const char* e = attribute(a, "Extension"); e && objectmodel::foldedName(e) == extension)
                byExtension = type;
        }
    }
    const std::string& type() const { return overridden.empty() ? byExtension : overridden; }
};

struct WorkbookHandler : HandlerBase {
    struct Entry {
        std::string name;
        std::string relationship;
    };
    std::vector<Entry> sheets;
    bool date1904 = false;
    bool definedNames = false;
    void start(const XmlName& name, const char** a)
    {
        if (isMain(name, "sheet")) {
            if (sheets.size() >= kMaxSheets)
                throw fileError(*fileName, "工作簿含有超过 " + std::to_string(kMaxSheets) +
                                               " 个工作表,不像是电子表格程序保存的工作簿,已拒绝打开。");
            const char* n = attribute(a, "name");
            const char* id = attribute(a, Ns::Relationships, "id");
            sheets.push_back({n ? n : "", id ? id : ""});
        } else if (isMain(name, "workbookPr")) {
            const char* d = attribute(a, "date1904");
            date1904 = d && (std::string_view(d) == "1" || std::string_view(d) == "true");
        } else if (isMain(name, "definedName")) {
            definedNames = true;
        }
    }
};

// Parts every workbook may hold that carry nothing the embedded spreadsheet loses.
bool isBenign(const std::string& entry)
{
    return entry == "[Content_Types].xml" || entry == "_rels/.rels" || entry.rfind("docProps/", 0) == 0 ||
           entry.rfind("xl/theme/", 0) == 0 || entry == "xl/calcChain.xml" || entry.empty() || entry.back() == '/';
}

// A macro-enabled workbook's VBA project, its signatures and their relationships.
bool isMacroPart(const std::string& entry)
{
    const std::string name = objectmodel::foldedName(entry);
    return name.rfind("xl/vbaproject", 0) == 0 || name.rfind("xl/_rels/vbaproject", 0) == 0;
}

} // namespace

Book readXlsx(std::string_view bytes, const std::string& name)
{
    return readXlsx(bytes, name, XlsxReadOptions());
}

Book readXlsx(std::string_view bytes, const std::string& name, const XlsxReadOptions& options)
{
    const Limits limits = limitsFor(bytes.size(), options);
    Archive archive(bytes, name, limits, options.progress);
    MemoryBudget budget(name, limits);
    Book book;
    std::set<std::string> read; // entries read or accounted for

    // The workbook is where the package's relationships say; most files also have it where it usually is.
    std::string workbookPart = "xl/workbook.xml";
    if (archive.has("_rels/.rels")) {
        RelsHandler package;
        parsePart(archive, "_rels/.rels", package);
        if (const Relationship* office = package.ofType("/officeDocument"); office && archive.has(office->target))
            workbookPart = office->target;
    }
    workbookPart = archive.entryName(workbookPart);
    read.insert(workbookPart);

    // A template's or a macro-enabled workbook's nature shows in its workbook part's content type.
    if (archive.has("[Content_Types].xml")) {
        ContentTypesHandler types;
        types.wanted = objectmodel::foldedName(workbookPart);
        types.extension = objectmodel::foldedName(workbookPart.substr(workbookPart.find_last_of('.') + 1));
        parsePart(archive, "[Content_Types].xml", types);
        book.losses.templateKind = objectmodel::foldedName(types.type()).find(".template") != std::string::npos;
    }

    WorkbookHandler workbook;
    parsePart(archive, workbookPart, workbook);
    RelsHandler rels;
    rels.from = workbookPart;
    const std::string relsPart = relationshipsOf(workbookPart);
    parsePart(archive, relsPart, rels);
    read.insert(archive.entryName(relsPart));

    if (const Relationship* vba = rels.ofType("/vbaProject"); vba && archive.has(vba->target)) {
        book.losses.macros = true;
        read.insert(archive.entryName(vba->target));
    }
    book.losses.otherParts = workbook.definedNames;

    // The sheets to read, and what all that is to be read claims to inflate to.
    struct SheetToRead {
        std::string name;
        std::string part;
    };
    std::vector<SheetToRead> toRead;
    for (const auto& entry : workbook.sheets) {
        auto found = rels.byId.find(entry.relationship);
        if (found == rels.byId.end())
            throw fileError(name, "工作表“" + entry.name + "”缺少对应的部件。");
        if (!found->second.type.ends_with("/worksheet")) {
            book.losses.otherParts = true; // a chart sheet or a dialog sheet
            continue;
        }
        toRead.push_back({entry.name, found->second.target});
    }
    if (toRead.empty())
        throw fileError(name, "工作簿中没有工作表。");
    const Relationship* stringsRel = rels.ofType("/sharedStrings");
    const Relationship* stylesRel = rels.ofType("/styles");
    const std::string stringsPart = stringsRel ? stringsRel->target : "xl/sharedStrings.xml";
    const std::string stylesPart = stylesRel ? stylesRel->target : "xl/styles.xml";
    std::uint64_t sheetBytes = 0;
    for (const SheetToRead& sheet : toRead)
        sheetBytes += archive.declaredSize(sheet.part);
    archive.expect(sheetBytes + archive.declaredSize(stringsPart) + archive.declaredSize(stylesPart));

    const std::size_t maxStrings = static_cast<std::size_t>(
        std::min<std::uint64_t>(kStringsFloor + sheetBytes / kBytesPerReference, std::uint64_t{1} << 32));
    SharedStrings strings;
    if (archive.has(stringsPart)) {
        strings = readSharedStrings(archive, stringsPart, maxStrings, budget);
        read.insert(archive.entryName(stringsPart));
        budget.settle(strings.memory());
    }
    CellFormats formats;
    if (archive.has(stylesPart)) {
        formats = readCellFormats(archive, stylesPart);
        read.insert(archive.entryName(stylesPart));
        book.losses.styles = formats.tooMany;
    }

    SheetContext context{strings, formats, workbook.date1904, book.losses, budget, {}};
    for (const SheetToRead& entry : toRead) {
        book.sheets.push_back(
            {objectmodel::validSheetName(entry.name, "Sheet" + std::to_string(book.sheets.size() + 1)), Grid()});
        readSheet(archive, entry.part, context, book.sheets.back().grid);
        read.insert(archive.entryName(entry.part));
    }

    for (const std::string& entry : archive.names()) {
        if (read.count(entry) || isBenign(entry))
            continue;
        if (isMacroPart(entry))
            book.losses.macros = true;
        else
            book.losses.otherParts = true;
    }
    archive.reportDone();
    return book;
}

Book readXlsxFile(const std::string& path)
{
    return readXlsx(readWholeFile(path), path);
}

Book readXlsxFile(const std::string& path, const XlsxReadOptions& options)
{
    return readXlsx(readWholeFile(path), path, options);
}

} // namespace sheet
