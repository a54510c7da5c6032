#include "objectmodel/Area.h"

#include "objectmodel/ColumnLetters.h"
#include "objectmodel/ObjectModel.h"

namespace objectmodel {

bool Area::isWholeRows() const
{
    return left == 1 && right == kSheetColumns;
}
bool Area::isWholeColumns() const
{
    return top == 1 && bottom == kSheetRows;
}

std::string Area::address() const
{
    if (isWholeRows() && !isWholeColumns())
        return "$" + std::to_string(top) + ":$" + std::to_string(bottom);
    if (isWholeColumns() && !isWholeRows())
        return "$" + columnLetters(left) + ":$" + columnLetters(right);
    std::string a = "$" + columnLetters(left) + "$" + std::to_string(top);
    if (top != bottom || left != right)
        a += ":$" + columnLetters(right) + "$" + std::to_string(bottom);
    return a;
}

AreaList AreaList::appended(const AreaList& other) const
{
    AreaList result;
    if (m_buffer && m_buffer->size() == m_size) {
        // Nobody has extended this buffer past our end: extend it in place. Holders of shorter lists keep seeing
        // only their own prefix.
        result.m_buffer = m_buffer;
    } else {
        result.m_buffer = std::make_shared<std::vector<Area>>();
        result.m_buffer->reserve(m_size + other.m_size);
        for (std::size_t i = 0; i < m_size; ++i)
            result.m_buffer->push_back((*this)[i]);
    }
    for (std::size_t i = 0; i < other.m_size; ++i) {
        // Uniting a range with what it already ends with adds nothing, e.g. one row united with itself.
        const Area area = other[i];
        if (result.m_buffer->empty() || result.m_buffer->back() != area)
            result.m_buffer->push_back(area);
    }
    result.m_size = result.m_buffer->size();
    return result;
}

double cellCount(const AreaList& areas)
{
    double total = 0;
    for (std::size_t i = 0; i < areas.size(); ++i) {
        const Area& a = areas[i];
        total += (static_cast<double>(a.bottom) - a.top + 1) * (static_cast<double>(a.right) - a.left + 1);
    }
    return total;
}

std::string AreaList::address() const
{
    std::string out;
    for (std::size_t i = 0; i < m_size; ++i) {
        if (i)
            out += ',';
        out += (*this)[i].address();
    }
    return out;
}

} // namespace objectmodel
