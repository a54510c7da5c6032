#pragma once

#include "objectmodel/Document.h"

namespace objectmodel {

class Range;

/// The spreadsheet application, as reached under the class name "Excel.Application".
///
/// Once it has quit, every call on it or on any of its objects raises the disconnection error.
///
/// Members: Workbooks, Worksheets and Sheets (of the active workbook), ActiveWorkbook (a null reference when none is
/// open), ActiveSheet, Visible (get, put), Caption, Name, Union(range, range, ...), ScreenUpdating (get, put), Quit.
class Application final : public automation::Dispatch {
public:
    explicit Application(Ref<ApplicationDocument> document) : m_document(std::move(document)) {}

    automation::Value invoke(std::string_view member, automation::CallKind kind,
                             std::span<const automation::Value> args,
                             std::span<const automation::NamedArg> named) override;

    ApplicationDocument& document() const { return *m_document; }

private:
    Ref<ApplicationDocument> m_document;
    bool m_screenUpdating = true;
};

/// The range covering all areas of `ranges`, which must all lie on one sheet (else error 1004).
Ref<Range> unite(std::span<Range* const> ranges);

} // namespace objectmodel
