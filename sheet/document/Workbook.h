#pragma once

#include "objectmodel/Document.h"
#include "sheet/document/ApplicationObserver.h"
#include "sheet/document/Worksheet.h"
#include "sheet/engine/Book.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sheet {

class Application;

/// The kind of file a workbook was opened from or last saved to; None for a workbook never saved. Tsv: text with
/// tabs between fields, as CSV has commas.
enum class FileFormat { None, Xlsx, Csv, Tsv };
/// Whether `format` holds one sheet of text: CSV or tab-separated.
inline bool isTextFormat(FileFormat format)
{
    return format == FileFormat::Csv || format == FileFormat::Tsv;
}

/// A file as it was on the disk when a workbook last read or wrote it: enough to notice that another program has
/// written it since. The workbook keeps it and compares nothing itself.
struct FileStamp {
    bool known = false;
    std::uintmax_t size = 0;
    std::int64_t modified = 0; // the file system's time, in its own units
    bool operator==(const FileStamp&) const = default;
};

/// A workbook of the embedded spreadsheet: an ordered list of worksheets, one of them active, and the file it
/// belongs to, if any.
///
/// Every change of its cells, sheets or names sets the modified flag; opening and saving clear it. Once closed
/// (Application::closeWorkbook) the workbook and its sheets are no longer connected.
class Workbook final : public objectmodel::WorkbookDocument {
public:
    Workbook(Application* application, std::string name) : m_application(application), m_name(std::move(name)) {}
    ~Workbook() override;

    /// The display name: the file name, or "工作簿N" for a workbook never saved.
    std::string name() const override { return m_name; }
    /// The application holding the workbook; null once it is closed.
    Application* application() const { return m_application; }

    /// The file the workbook was opened from or last saved to; empty for a new one.
    const std::string& path() const { return m_path; }
    FileFormat format() const { return m_format; }
    /// What the file it was opened from held that the workbook does not: saving over that file would drop it.
    const Losses& losses() const { return m_losses; }
    /// How the text of the file it was opened from was read, for a CSV or tab-separated file; UTF-8 read as such
    /// for any other, and once saved (files are saved as UTF-8).
    const TextReading& textReading() const { return m_textReading; }
    bool modified() const { return m_modified; }
    /// Sets the modified flag. Notifies nothing: every caller notifies its own change.
    void markModified() { touch(); }
    /// Counts the changes: it grows with every change that sets the modified flag, and never goes back, so that a
    /// copy of the workbook can tell whether it is still current.
    std::uint64_t revision() const { return m_revision; }
    /// Names the workbook, as the user does, or one that belongs to no file (a recovered copy, say); marks it
    /// modified; notifies Structure.
    void rename(std::string name) override;
    /// The workbook now belongs to the file at `path` (UTF-8), held in `format` with nothing lost and its text in
    /// UTF-8; clears the modified flag; notifies Structure.
    void setSaved(const std::string& path, FileFormat format);
    /// The file as it was when the workbook last read or wrote it; unknown for a new workbook.
    const FileStamp& fileStamp() const { return m_fileStamp; }
    void setFileStamp(const FileStamp& stamp) { m_fileStamp = stamp; }
    /// The window title: the name, the application's name, and " *" while modified, e.g. "成绩.xlsx - Tessavo 表格 *".
    /// The mark comes last so that the unmarked caption, which an edit in progress must not change, still finds
    /// the window as a prefix of its title.
    std::string title() const;
    const std::vector<Ref<Worksheet>>& sheets() const { return m_sheets; }
    Worksheet* activeSheet() const override { return m_active; }
    /// Makes `sheet`, one of this workbook's, the active one; notifies Structure.
    void activateSheet(Worksheet& sheet);

    /// Adds a sheet named "SheetN" at `index` (0-based, clamped) and makes it active; notifies Structure.
    Worksheet& addSheet(std::size_t index) override;
    /// Takes what a file held: its path and format, what it held that the workbook does not, how its text was
    /// read; clears the modified flag.
    void setOpened(const std::string& path, FileFormat format, Losses losses, TextReading reading);
    /// Appends a sheet holding `grid` (moved in, O(1)), without notifying or marking the workbook modified: for
    /// building a workbook from a file.
    Worksheet& adoptSheet(std::string name, Grid grid);
    /// Detaches the workbook from its application and its sheets from it: later calls on any of them raise the
    /// disconnection error. Called by Application::closeWorkbook.
    void close();

    /// Tells the application's observer, if any, that `what` changed; a change of cells marks the workbook
    /// modified. A flag store and one virtual call at most.
    void notify(Change what);
    /// The position of `sheet` in the workbook, or sheets().size() when it is not there.
    std::size_t indexOf(const Worksheet& sheet) const;

    bool connected() const override;
    void activate() override;
    std::size_t sheetCount() const override { return m_sheets.size(); }
    Worksheet& sheet(std::size_t index) const override { return *m_sheets[index]; }
    bool holds(const objectmodel::SheetDocument& sheet) const override;

private:
    void setFile(const std::string& path, FileFormat format);
    void touch()
    {
        m_modified = true;
        ++m_revision;
    }

    Application* m_application;
    std::string m_name;
    std::string m_path;
    FileFormat m_format = FileFormat::None;
    Losses m_losses;
    FileStamp m_fileStamp;
    TextReading m_textReading;
    bool m_modified = false;
    std::uint64_t m_revision = 0;
    std::vector<Ref<Worksheet>> m_sheets;
    Worksheet* m_active = nullptr;
    int m_nextSheetNumber = 1;
};

} // namespace sheet
