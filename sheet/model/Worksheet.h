#pragma once

#include "Area.h"
#include "Grid.h"
#include "ModelObject.h"

#include <string>

namespace sheet {

class Workbook;

/// One worksheet: its cells, its name and its selection.
///
/// Members: Rows(n), Columns(n or letters), Cells(row, column), Name (get, put), Index, Activate.
/// Row and column numbers are coerced as the automation runtime coerces to a 32-bit integer (halves to even);
/// one outside the sheet raises error 1004 naming it.
class Worksheet final : public ModelObject {
public:
    Worksheet(std::shared_ptr<ApplicationState> state, Workbook* workbook, std::string name);

    automation::Value invoke(std::string_view member, automation::CallKind kind,
                             std::span<const automation::Value> args,
                             std::span<const automation::NamedArg> named) override;

    Grid& grid() { return m_grid; }
    const Grid& grid() const { return m_grid; }
    const std::string& name() const { return m_name; }
    /// The workbook that holds the sheet; null once the sheet has left it.
    Workbook* workbook() const { return m_workbook; }
    void detach() { m_workbook = nullptr; }

    const AreaList& selection() const { return m_selection; }
    void setSelection(AreaList selection) { m_selection = std::move(selection); }

    /// Throws unless the application runs and the sheet still belongs to a workbook.
    void requireConnected() const;
    /// Whether this is the active sheet of the application's active workbook.
    bool isActive() const;

private:
    Grid m_grid;
    Workbook* m_workbook;
    std::string m_name;
    AreaList m_selection{Area{}};
};

} // namespace sheet
