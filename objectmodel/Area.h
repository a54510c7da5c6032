#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace objectmodel {

/// A rectangle of cells, 1-based and inclusive.
struct Area {
    std::int32_t top = 1;
    std::int32_t left = 1;
    std::int32_t bottom = 1;
    std::int32_t right = 1;

    bool operator==(const Area&) const = default;
    bool isWholeRows() const;
    bool isWholeColumns() const;
    /// "$C$5", "$C$5:$D$6", "$3:$4" or "$C:$D", as an address is written in a formula.
    std::string address() const;
};

/// The areas of a range, in the order they were united. One area is held inline; more share a buffer, and appending
/// to the newest list of a buffer extends it in place, so uniting n areas one by one costs O(n) in all.
class AreaList {
public:
    AreaList() = default;
    explicit AreaList(Area area) : m_single(area), m_size(1) {}

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const Area& operator[](std::size_t i) const { return m_buffer ? (*m_buffer)[i] : m_single; }

    /// This list followed by the areas of `other`. Cost O(other.size()) amortized.
    AreaList appended(const AreaList& other) const;
    /// The addresses of all areas, separated by commas.
    std::string address() const;

private:
    Area m_single;
    std::shared_ptr<std::vector<Area>> m_buffer;
    std::size_t m_size = 0;
};

/// The cells of all areas, counted as often as areas overlap; a double, as a whole sheet's count needs.
double cellCount(const AreaList& areas);

} // namespace objectmodel
