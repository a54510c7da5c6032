#pragma once

#include "objectmodel/Document.h"

namespace objectmodel {

/// One worksheet.
///
/// Members: Rows(n), Columns(n or letters), Cells(row, column), Name (get, put), Index, Activate.
/// Row and column numbers are coerced as the automation runtime coerces to a 32-bit integer (halves to even);
/// one outside the sheet raises error 1004 naming it.
class Worksheet final : public automation::Dispatch {
public:
    Worksheet(Ref<WorkbookDocument> book, Ref<SheetDocument> sheet) : m_book(std::move(book)), m_sheet(std::move(sheet))
    {}
    ~Worksheet() override;

    automation::Value invoke(std::string_view member, automation::CallKind kind,
                             std::span<const automation::Value> args,
                             std::span<const automation::NamedArg> named) override;

    SheetDocument& document() const { return *m_sheet; }
    WorkbookDocument& workbook() const { return *m_book; }
    /// Throws the disconnection error once the sheet has left its workbook or its application has quit.
    void requireConnected() const
    {
        if (!m_sheet->connected())
            throw automation::errors::disconnected();
    }

private:
    Ref<WorkbookDocument> m_book;
    Ref<SheetDocument> m_sheet;
};

} // namespace objectmodel
