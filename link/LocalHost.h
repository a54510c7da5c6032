#pragma once

#include "link/AutomationHost.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace automation {

/// The table of running instances that servers register with while they run. The first instance registered under
/// a class name is the one a lookup finds. Registration keeps the instance alive; revoking releases it.
class RunningObjectTable {
public:
    RunningObjectTable() = default;
    RunningObjectTable(const RunningObjectTable&) = delete;
    RunningObjectTable& operator=(const RunningObjectTable&) = delete;
    ~RunningObjectTable();

    /// Registers `object` as a running instance of `className`; returns the cookie that revokes it.
    std::uint32_t registerActive(std::string_view className, Object object);
    /// Removes a registration; an unknown cookie is ignored.
    void revoke(std::uint32_t cookie);
    /// The earliest registered instance of `className`, or a null reference.
    Object find(std::string_view className) const;

private:
    struct Entry {
        std::uint32_t cookie;
        std::string className; // lower case: class names are case-insensitive
        Object object;
    };
    std::vector<Entry> m_entries;
    std::uint32_t m_nextCookie = 1;
};

/// An automation host for servers that live in this process, such as the embedded spreadsheet.
/// Servers weakly hold the running-object table, so they may outlive the host without harm.
class LocalHost final : public AutomationHost {
public:
    using Factory = std::function<Object(const std::shared_ptr<RunningObjectTable>&)>;

    LocalHost();

    /// Makes `className` creatable. A later registration under the same name replaces the earlier one.
    void registerClass(std::string_view className, Factory factory);

    Object getActiveObject(std::string_view className) override;
    Object createObject(std::string_view className) override;

    const std::shared_ptr<RunningObjectTable>& runningObjects() const { return m_running; }

private:
    std::shared_ptr<RunningObjectTable> m_running;
    std::map<std::string, Factory, std::less<>> m_classes;
};

} // namespace automation
