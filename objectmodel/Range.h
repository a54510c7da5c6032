#pragma once

#include "objectmodel/Area.h"
#include "objectmodel/Arguments.h"
#include "objectmodel/Worksheet.h"

namespace objectmodel {

/// Cells of one worksheet: one or more areas.
///
/// Members: Value (also the default member; get of one cell, put to every cell), Insert (whole rows or whole
/// columns), Delete (whole rows or whole columns), Select, Row, Column, Count, Address.
/// Insertions that would push a value off the sheet are refused with error 1004 and change nothing.
class Range final : public automation::Dispatch {
public:
    Range(Ref<Worksheet> sheet, AreaList areas) : m_sheet(std::move(sheet)), m_areas(std::move(areas)) {}

    // Every cell read makes a Range and drops it again: recycle their memory instead of asking the heap each time.
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size) noexcept;

    automation::Value invoke(std::string_view member, automation::CallKind kind,
                             std::span<const automation::Value> args,
                             std::span<const automation::NamedArg> named) override;

    Worksheet& sheet() const { return *m_sheet; }
    const Ref<Worksheet>& sheetRef() const { return m_sheet; }
    const AreaList& areas() const { return m_areas; }

private:
    automation::Value value() const;
    void setValue(const automation::Value& value);
    void insert(const Arguments& args);
    void remove();
    void select();
    const Area& singleArea(std::string_view what) const;

    Ref<Worksheet> m_sheet;
    AreaList m_areas;
};

} // namespace objectmodel
