#include "objectmodel/Range.h"

#include "objectmodel/Errors.h"
#include "objectmodel/MemberTable.h"
#include "objectmodel/ObjectModel.h"

#include <new>

namespace objectmodel {

namespace {

enum class Member { Unknown, Value, Insert, Delete, Select, Row, Column, Count, Address };

const MemberTable<Member>& members()
{
    static const MemberTable<Member> table{
        {"", Member::Value},        {"Value", Member::Value},   {"Insert", Member::Insert},
        {"Delete", Member::Delete}, {"Select", Member::Select}, {"Row", Member::Row},
        {"Column", Member::Column}, {"Count", Member::Count},   {"Address", Member::Address},
    };
    return table;
}

// A put to more cells than this is surely a mistake, and would freeze the program.
constexpr double kMaxCellsPerPut = 16'777'216;

// Freed Ranges, linked through their own memory. Objects live on the one user-interface thread only.
struct FreeBlock {
    FreeBlock* next;
};
FreeBlock* g_freeRanges = nullptr;
std::size_t g_freeCount = 0;
constexpr std::size_t kMaxFreeRanges = 4096;

} // namespace

void* Range::operator new(std::size_t size)
{
    if (size == sizeof(Range) && g_freeRanges) {
        FreeBlock* block = g_freeRanges;
        g_freeRanges = block->next;
        --g_freeCount;
        return block;
    }
    return ::operator new(size);
}

void Range::operator delete(void* p, std::size_t size) noexcept
{
    if (size == sizeof(Range) && g_freeCount < kMaxFreeRanges) {
        g_freeRanges = new (p) FreeBlock{g_freeRanges};
        ++g_freeCount;
        return;
    }
    ::operator delete(p);
}

automation::Value Range::invoke(std::string_view member, automation::CallKind kind,
                                std::span<const automation::Value> args, std::span<const automation::NamedArg> named)
{
    using automation::CallKind;
    m_sheet->requireConnected();
    if (member.empty() && kind != CallKind::Put) // a cell read: the default member, on every cell of a scan
        return value();
    const Member id = members().find(member, Member::Unknown);
    const Arguments a(args, named);

    if (kind == CallKind::Put) {
        if (id != Member::Value)
            throw automation::errors::memberNotFound(member);
        setValue(a.putValue());
        return {};
    }

    switch (id) {
    case Member::Value:
        return value();
    case Member::Insert:
        insert(a);
        return automation::Value(true);
    case Member::Delete:
        remove();
        return automation::Value(true);
    case Member::Select:
        select();
        return automation::Value(true);
    case Member::Row:
        return automation::Value(m_areas[0].top);
    case Member::Column:
        return automation::Value(m_areas[0].left);
    case Member::Count: {
        return automation::Value(cellCount(m_areas));
    }
    case Member::Address:
        return automation::Value(m_areas.address());
    case Member::Unknown:
        break;
    }
    throw automation::errors::memberNotFound(member);
}

automation::Value Range::value() const
{
    const Area& a = m_areas[0];
    // Several cells give an array, which no caller here can compare or store.
    if (m_areas.size() != 1 || a.top != a.bottom || a.left != a.right)
        throw automation::errors::typeMismatch();
    return m_sheet->document().cell(a.top, a.left);
}

void Range::setValue(const automation::Value& value)
{
    if (value.isObject())
        throw automation::errors::typeMismatch();
    if (cellCount(m_areas) > kMaxCellsPerPut)
        throw applicationError("区域太大,无法一次写入。");
    m_sheet->document().fill(m_areas, value);
}

const Area& Range::singleArea(std::string_view what) const
{
    if (m_areas.size() != 1)
        throw applicationError("不能对多重选定区域使用" + std::string(what) + "命令。");
    return m_areas[0];
}

void Range::insert(const Arguments& args)
{
    if (const auto* shift = args.find(0, "Shift")) {
        const std::int32_t s = shift->toInt32();
        if (s != kShiftDown && s != kShiftToRight)
            throw applicationError("Insert 的 Shift 参数无效: " + std::to_string(s));
    }
    const Area& a = singleArea("插入");
    SheetDocument& sheet = m_sheet->document();
    bool inserted = false;
    if (a.isWholeRows() && !a.isWholeColumns())
        inserted = sheet.insertRows(a.top, a.bottom - a.top + 1);
    else if (a.isWholeColumns() && !a.isWholeRows())
        inserted = sheet.insertColumns(a.left, a.right - a.left + 1);
    else
        throw applicationError("只能插入整行或整列。");
    if (!inserted)
        throw applicationError("为防止丢失数据,不能把非空单元格移出工作表。");
}

void Range::remove()
{
    const Area& a = singleArea("删除");
    if (a.isWholeRows() && !a.isWholeColumns())
        m_sheet->document().deleteRows(a.top, a.bottom - a.top + 1);
    else if (a.isWholeColumns() && !a.isWholeRows())
        m_sheet->document().deleteColumns(a.left, a.right - a.left + 1);
    else
        throw applicationError("只能删除整行或整列。");
}

void Range::select()
{
    // A range can only be selected on the sheet the user is looking at.
    if (!m_sheet->document().isActive())
        throw applicationError("Range 类的 Select 方法无效: 工作表不是活动工作表。");
    m_sheet->document().select(m_areas);
}

} // namespace objectmodel
