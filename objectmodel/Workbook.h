#pragma once

#include "objectmodel/Document.h"

namespace objectmodel {

/// A workbook. Members: ActiveSheet, Worksheets, Sheets, Name (get, put), Activate.
class Workbook final : public automation::Dispatch {
public:
    explicit Workbook(Ref<WorkbookDocument> book) : m_book(std::move(book)) {}
    ~Workbook() override;
    automation::Value invoke(std::string_view member, automation::CallKind kind,
                             std::span<const automation::Value> args,
                             std::span<const automation::NamedArg> named) override;
    WorkbookDocument& document() const { return *m_book; }

private:
    Ref<WorkbookDocument> m_book;
};

/// The application's workbooks. Members: Add, Count, Item (default member, by number or name).
class Workbooks final : public automation::Dispatch {
public:
    explicit Workbooks(Ref<ApplicationDocument> application) : m_application(std::move(application)) {}
    automation::Value invoke(std::string_view member, automation::CallKind kind,
                             std::span<const automation::Value> args,
                             std::span<const automation::NamedArg> named) override;

private:
    Ref<ApplicationDocument> m_application;
};

/// A workbook's worksheets. Members: Add (Before, After, Count), Count, Item (default member, by number or name).
class Worksheets final : public automation::Dispatch {
public:
    explicit Worksheets(Ref<WorkbookDocument> book) : m_book(std::move(book)) {}
    automation::Value invoke(std::string_view member, automation::CallKind kind,
                             std::span<const automation::Value> args,
                             std::span<const automation::NamedArg> named) override;

private:
    Ref<WorkbookDocument> m_book;
};

/// The late-bound objects of a workbook or a sheet; a null reference for a null one.
automation::Value workbookObject(Ref<WorkbookDocument> book);
automation::Value sheetObject(Ref<WorkbookDocument> book, Ref<SheetDocument> sheet);

} // namespace objectmodel
