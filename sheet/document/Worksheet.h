#pragma once

#include "objectmodel/Document.h"
#include "sheet/document/ApplicationObserver.h"
#include "sheet/engine/Grid.h"

#include <string>

namespace sheet {

using objectmodel::Area;
using objectmodel::AreaList;
using objectmodel::Ref;

class Workbook;

/// One worksheet of the embedded spreadsheet: its cells, its name and its selection.
class Worksheet final : public objectmodel::SheetDocument {
public:
    Worksheet(Workbook* workbook, std::string name) : m_workbook(workbook), m_name(std::move(name)) {}

    Grid& grid() { return m_grid; }
    const Grid& grid() const { return m_grid; }
    std::string name() const override { return m_name; }
    /// The workbook that holds the sheet; null once the sheet has left it.
    Workbook* workbook() const { return m_workbook; }
    void detach() { m_workbook = nullptr; }

    /// Stores `value` at (row, column) as Grid::setCell does, and notifies Cells. Throws GridError out of the sheet.
    void setCell(std::int32_t row, std::int32_t column, const CellView& value);

    /// Renames the sheet to `name`, which the caller has made valid and distinct from the other sheets' names, as
    /// the user does: marks the workbook modified; notifies Structure.
    void rename(std::string name) override;
    /// Takes the name a saved file gave the sheet: marks nothing modified; notifies Structure.
    void takeSavedName(std::string name);

    const AreaList& selection() const { return m_selection; }
    /// Replaces the selection; notifies Selection.
    void setSelection(AreaList selection);

    /// Tells the application's observer, if any, that `what` changed (a change of cells marks the workbook
    /// modified); nothing once the sheet has left its workbook. A few pointer hops and one virtual call: cheap
    /// enough for every one of 100,000 insertions.
    void notify(Change what) const;

    bool connected() const override;
    bool isActive() const override;
    std::size_t index() const override;
    void activate() override;
    automation::Value cell(std::int32_t row, std::int32_t column) override;
    void fill(const AreaList& areas, const automation::Value& value) override;
    bool insertRows(std::int32_t at, std::int32_t count) override;
    bool insertColumns(std::int32_t at, std::int32_t count) override;
    void deleteRows(std::int32_t at, std::int32_t count) override;
    void deleteColumns(std::int32_t at, std::int32_t count) override;
    void select(const AreaList& areas) override { setSelection(areas); }

private:
    template <class Edit> bool edit(Edit&& change);

    Grid m_grid;
    Workbook* m_workbook;
    std::string m_name;
    AreaList m_selection{Area{}};
};

/// A cell's value as the object model returns it. Texts are copied.
automation::Value toValue(const CellView& cell);
/// What a value stores in a cell; `text` is only valid while `value` lives. Objects cannot be stored (13).
CellView toCell(const automation::Value& value);

} // namespace sheet
