#include "sheet/files/XlsxStyles.h"

#include <map>

namespace sheet::xlsx {

namespace {

constexpr std::size_t kMaxCellFormats = 1 << 20;
constexpr std::size_t kMaxNumberFormats = 65'536;

bool isDateFormatCode(std::string_view code)
{
    bool quoted = false;
    bool bracket = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (quoted) {
            quoted = c != '"';
            continue;
        }
        if (bracket) {
            bracket = c != ']';
            continue;
        }
        switch (c) {
        case '"':
            quoted = true;
            break;
        case '[':
            bracket = true;
            break;
        case '\\':
        case '_':
        case '*':
            ++i; // the next character is literal
            break;
        case 'y':
        case 'Y':
        case 'd':
        case 'D':
        case 'h':
        case 'H':
        case 's':
        case 'S':
        case 'm':
        case 'M':
            return code != "General";
        default:
            break;
        }
    }
    return false;
}

bool isBuiltinDate(int id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

struct StylesHandler : HandlerBase {
    CellFormats cells;
    std::map<int, std::string> formats;
    bool inNumberFormats = false; // differential formats hold numFmt elements too, which no cell format names
    bool inCellXfs = false;
    void start(const XmlName& name, const char** a)
    {
        if (isMain(name, "numFmts")) {
            inNumberFormats = true;
        } else if (isMain(name, "numFmt") && inNumberFormats) {
            const char* code = attribute(a, "formatCode");
            if (formats.size() < kMaxNumberFormats)
                // Enough of a code to tell a date by, however long a tag the file has.
                formats[numberOrZero(attribute(a, "numFmtId"))] = code ? std::string(code).substr(0, 256) : "";
        } else if (isMain(name, "cellXfs")) {
            inCellXfs = true;
        } else if (isMain(name, "xf") && inCellXfs) {
            if (cells.xfs.size() >= kMaxCellFormats) {
                cells.tooMany = true;
                return;
            }
            const int format = numberOrZero(attribute(a, "numFmtId"));
            auto found = formats.find(format);
            CellFormats::Xf xf;
            xf.date = found != formats.end() ? isDateFormatCode(found->second) : isBuiltinDate(format);
            xf.styled = (format != 0 && !xf.date) || numberOrZero(attribute(a, "fontId")) != 0 ||
                        numberOrZero(attribute(a, "fillId")) != 0 || numberOrZero(attribute(a, "borderId")) != 0;
            cells.xfs.push_back(xf);
        }
    }
    void end(const XmlName& name)
    {
        if (isMain(name, "cellXfs"))
            inCellXfs = false;
        else if (isMain(name, "numFmts"))
            inNumberFormats = false;
    }
};

} // namespace

CellFormats readCellFormats(Archive& archive, const std::string& part)
{
    StylesHandler styles;
    parsePart(archive, part, styles);
    return std::move(styles.cells);
}

} // namespace sheet::xlsx
