#pragma once

#include "sheet/engine/Grid.h"
#include "sheet/model/ApplicationObserver.h"
#include "sheet/model/Area.h"
#include "sheet/model/ModelObject.h"

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

    /// Stores `value` at (row, column) as Grid::setCell does, and notifies Cells. Throws GridError out of the sheet.
    void setCell(std::int32_t row, std::int32_t column, const CellView& value);

    /// Renames the sheet to `name`, which the caller has made valid and distinct from the other sheets' names (the
    /// name a saved file gave it); marks nothing modified; notifies Structure.
    void rename(std::string name);

    const AreaList& selection() const { return m_selection; }
    /// Replaces the selection; notifies Selection.
    void setSelection(AreaList selection);

    /// Tells the application's observer, if any, that `what` changed; nothing once the sheet has left its workbook.
    /// A few pointer hops and one virtual call: cheap enough for every one of 100,000 insertions.
    void notify(Change what) const;

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
