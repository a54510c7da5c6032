#pragma once

// LibreOffice Calc behind the object model's document interface: the office's spreadsheet documents as workbooks,
// their sheets as worksheets. Every call here crosses into the office's process, so cell reads are answered from
// blocks read in one request and kept until anything changes the sheet.

#include "link/uno/CellBlock.h"
#include "link/uno/Office.h"
#include "objectmodel/Document.h"

#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/table/XTableRows.hpp>

#include <atomic>
#include <memory>
#include <vector>

namespace automation::uno {

class CalcApplication;
class CalcWorkbook;

class CalcSheet final : public objectmodel::SheetDocument {
public:
    CalcSheet(CalcWorkbook& book, css::uno::Reference<css::sheet::XSpreadsheet> sheet);

    bool connected() const override;
    std::string name() const override;
    void rename(std::string name) override;
    std::size_t index() const override;
    bool isActive() const override;
    void activate() override;
    automation::Value cell(std::int32_t row, std::int32_t column) override;
    void fill(const objectmodel::AreaList& areas, const automation::Value& value) override;
    bool insertRows(std::int32_t at, std::int32_t count) override;
    bool insertColumns(std::int32_t at, std::int32_t count) override;
    void deleteRows(std::int32_t at, std::int32_t count) override;
    void deleteColumns(std::int32_t at, std::int32_t count) override;
    void select(const objectmodel::AreaList& areas) override;

    CalcWorkbook& book() const { return *m_book; }
    /// Its workbook has let it go: every call on it is refused as disconnected from then on.
    void detach() { m_book = nullptr; }
    const css::uno::Reference<css::sheet::XSpreadsheet>& uno() const { return m_sheet; }

private:
    void readBlock(std::int32_t row, std::int32_t column);
    void fillArea(const objectmodel::Area& area, const automation::Value& value);
    bool insert(bool rows, std::int32_t at, std::int32_t count);
    void remove(bool rows, std::int32_t at, std::int32_t count);
    /// The block, or a fresh one when something besides this sheet has changed the workbook since.
    CellBlock& known();

    CalcWorkbook* m_book; // owns this sheet while both are connected
    css::uno::Reference<css::sheet::XSpreadsheet> m_sheet;
    CellBlock m_block;
    std::uint64_t m_seenChanges = 0;
    // Formula results change with any change to the workbook, the program's own included.
    bool m_blockHasFormulas = false;
    std::uint64_t m_seenOwnChanges = 0;
};

class CalcWorkbook final : public objectmodel::WorkbookDocument {
public:
    CalcWorkbook(CalcApplication& app, css::uno::Reference<css::sheet::XSpreadsheetDocument> document);
    ~CalcWorkbook() override;

    bool connected() const override;
    std::string name() const override;
    void rename(std::string name) override;
    void activate() override;
    std::size_t sheetCount() const override;
    objectmodel::SheetDocument& sheet(std::size_t index) const override;
    objectmodel::SheetDocument* activeSheet() const override;
    bool holds(const objectmodel::SheetDocument& sheet) const override;
    objectmodel::SheetDocument& addSheet(std::size_t index) override;

    CalcApplication& app() const { return *m_app; }
    void detach();
    const css::uno::Reference<css::sheet::XSpreadsheetDocument>& uno() const { return m_document; }
    /// Counts the changes made to the document by anyone but this program, from the first call on. The office
    /// tells each change to a listener by a round trip, so edits that read nothing do without one.
    std::uint64_t foreignChanges();
    /// Counts the program's own changes to the document.
    std::uint64_t ownChanges() const { return m_ownChanges; }
    void changedByUs() { ++m_ownChanges; }
    /// The title of the document's window, as the window manager shows it.
    std::string windowTitle() const;
    /// Shows the document's window, where the office has windows.
    void show();

    struct Watch {
        std::atomic<std::uint64_t> changes{0};
        std::atomic<bool> closed{false};
    };

private:
    CalcSheet& known(const css::uno::Reference<css::sheet::XSpreadsheet>& sheet) const;

    CalcApplication* m_app; // owns this workbook while both are connected
    std::shared_ptr<Office> m_office;
    css::uno::Reference<css::sheet::XSpreadsheetDocument> m_document;
    std::shared_ptr<Watch> m_watch = std::make_shared<Watch>();
    css::uno::Reference<css::uno::XInterface> m_listener;
    bool m_hearsChanges = false; // once anything has been read
    std::uint64_t m_ownChanges = 0;
    mutable std::vector<objectmodel::Ref<CalcSheet>> m_sheets;
};

class CalcApplication final : public objectmodel::ApplicationDocument {
public:
    /// `visible`: the office was running before the program came, with the user's windows on the screen.
    CalcApplication(std::shared_ptr<Office> office, bool visible);
    ~CalcApplication() override;

    bool isRunning() const override;
    std::string name() const override;
    std::string caption() const override;
    bool visible() const override { return m_visible; }
    void setVisible(bool visible) override;
    std::size_t workbookCount() const override;
    objectmodel::WorkbookDocument& workbook(std::size_t index) const override;
    objectmodel::WorkbookDocument* activeWorkbook() const override;
    objectmodel::WorkbookDocument& addWorkbook() override;
    void quit() override;

    Office& office() const { return *m_office; }
    /// The open spreadsheet documents, in the office's order; those closed since are let go.
    std::vector<CalcWorkbook*> workbooks() const;
    void setLastActive(CalcWorkbook* book) const { m_lastActive = book; }

    /// Runs `call` against the office, turning what the office throws into the error a caller of the object model
    /// meets: the disconnection error once the office is gone, error 1004 with the office's reason otherwise.
    template <class F> auto guarded(F&& call) const -> decltype(call());

private:
    [[noreturn]] void rethrow() const;

    std::shared_ptr<Office> m_office;
    bool m_visible;
    bool m_quit = false;
    mutable std::vector<objectmodel::Ref<CalcWorkbook>> m_books;
    mutable CalcWorkbook* m_lastActive = nullptr;
};

template <class F> auto CalcApplication::guarded(F&& call) const -> decltype(call())
{
    try {
        const Office::Request request(*m_office);
        return call();
    } catch (const css::uno::Exception&) {
        rethrow();
    }
}

} // namespace automation::uno
