#pragma once

// What the object model asks of the spreadsheet application behind it. The object model parses member names and
// arguments, coerces them and refuses what it refuses, then calls these; so every application behind them behaves
// alike to a caller. An application reached across a process may read cells in blocks and keep them until anything
// changes the sheet, behind these calls. The objects returned by pointer or reference live while the caller holds a
// Ref to them; the object model holds one for as long as a late-bound object of its refers to them.

#include "link/Automation.h"
#include "objectmodel/Area.h"
#include "objectmodel/Ref.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace objectmodel {

class WorkbookDocument;

/// One worksheet. Positions are 1-based and inside the sheet: the object model checks them first.
class SheetDocument : public Counted {
public:
    /// False once the sheet has left its workbook, the workbook has closed or the application has quit.
    virtual bool connected() const = 0;
    virtual std::string name() const = 0;
    /// Renames the sheet, as the user does: `name` is valid and no other sheet of its workbook has it.
    virtual void rename(std::string name) = 0;
    /// Its place among its workbook's sheets, 0-based.
    virtual std::size_t index() const = 0;
    /// Whether this is the active sheet of the application's active workbook.
    virtual bool isActive() const = 0;
    /// Makes the sheet the active one of its workbook, and its workbook the active one.
    virtual void activate() = 0;

    /// A cell's value: empty, a number, a text, a boolean, a date or an error value.
    virtual automation::Value cell(std::int32_t row, std::int32_t column) = 0;
    /// Stores `value` (anything but an object) in every cell of `areas`.
    virtual void fill(const AreaList& areas, const automation::Value& value) = 0;
    /// Insert blank rows or columns at `at`, moving those from `at` on. False, changing nothing, when that would
    /// push a non-blank cell off the sheet.
    virtual bool insertRows(std::int32_t at, std::int32_t count) = 0;
    virtual bool insertColumns(std::int32_t at, std::int32_t count) = 0;
    virtual void deleteRows(std::int32_t at, std::int32_t count) = 0;
    virtual void deleteColumns(std::int32_t at, std::int32_t count) = 0;
    /// Selects `areas`; the sheet is the active one.
    virtual void select(const AreaList& areas) = 0;
};

/// One workbook: its sheets in order, one of them active.
class WorkbookDocument : public Counted {
public:
    virtual bool connected() const = 0;
    virtual std::string name() const = 0;
    virtual void rename(std::string name) = 0;
    virtual void activate() = 0;
    virtual std::size_t sheetCount() const = 0;
    /// The sheet at `index` (0-based, below sheetCount()).
    virtual SheetDocument& sheet(std::size_t index) const = 0;
    /// Null when the workbook has no sheet.
    virtual SheetDocument* activeSheet() const = 0;
    /// Whether `sheet` is one of this workbook's.
    virtual bool holds(const SheetDocument& sheet) const = 0;
    /// Adds a blank sheet named as the application names new sheets at `index` (0-based, at most sheetCount()) and
    /// makes it active.
    virtual SheetDocument& addSheet(std::size_t index) = 0;
};

/// The application: its workbooks, one of them active, and its window.
class ApplicationDocument : public Counted {
public:
    /// False once it has quit, or once it can no longer be reached.
    virtual bool isRunning() const = 0;
    virtual std::string name() const = 0;
    /// The title of the active workbook's window up to any mark of changes, or the application's name.
    virtual std::string caption() const = 0;
    virtual bool visible() const = 0;
    virtual void setVisible(bool visible) = 0;
    virtual std::size_t workbookCount() const = 0;
    virtual WorkbookDocument& workbook(std::size_t index) const = 0;
    /// Null when no workbook is open.
    virtual WorkbookDocument* activeWorkbook() const = 0;
    /// A new workbook of one blank sheet, made active.
    virtual WorkbookDocument& addWorkbook() = 0;
    virtual void quit() = 0;
};

} // namespace objectmodel
