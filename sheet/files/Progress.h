#pragma once

#include <cstddef>
#include <functional>

namespace sheet {

/// Told now and then how far a long file operation has come (0 to 1); returning false stops it, which then throws
/// FileCancelled. An empty one is never called.
using Progress = std::function<bool(double done)>;

/// Calls `progress` every `step` units of work out of `total`, cheaply in between: one comparison per unit.
class ProgressSteps {
public:
    ProgressSteps(const Progress& progress, std::size_t total, std::size_t step)
        : m_progress(progress), m_total(total == 0 ? 1 : total), m_step(step == 0 ? 1 : step), m_next(m_step)
    {}
    /// `done` units are done; false when the operation is to stop.
    bool at(std::size_t done)
    {
        if (done < m_next || !m_progress)
            return true;
        m_next = done + m_step;
        return m_progress(static_cast<double>(done) / static_cast<double>(m_total));
    }

private:
    const Progress& m_progress;
    std::size_t m_total;
    std::size_t m_step;
    std::size_t m_next;
};

} // namespace sheet
