#include "link/LocalHost.h"

#include "objectmodel/Names.h"

#include <algorithm>

namespace automation {

using objectmodel::foldedName;

RunningObjectTable::~RunningObjectTable()
{
    // Releasing an instance may run its destructor, which must find the table consistent.
    auto entries = std::move(m_entries);
    m_entries.clear();
}

std::uint32_t RunningObjectTable::registerActive(std::string_view className, Object object)
{
    const std::uint32_t cookie = m_nextCookie++;
    m_entries.push_back({cookie, foldedName(className), std::move(object)});
    return cookie;
}

void RunningObjectTable::revoke(std::uint32_t cookie)
{
    auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.cookie == cookie; });
    if (it == m_entries.end())
        return;
    Object released = std::move(it->object); // released after the table is consistent again
    m_entries.erase(it);
}

Object RunningObjectTable::find(std::string_view className) const
{
    const std::string key = foldedName(className);
    for (const Entry& e : m_entries)
        if (e.className == key)
            return e.object;
    return {};
}

LocalHost::LocalHost() : m_running(std::make_shared<RunningObjectTable>()) {}

void LocalHost::registerClass(std::string_view className, Factory factory)
{
    m_classes[foldedName(className)] = std::move(factory);
}

Object LocalHost::getActiveObject(std::string_view className)
{
    Object found = m_running->find(className);
    if (!found)
        throw errors::cannotCreateObject();
    return found;
}

Object LocalHost::createObject(std::string_view className)
{
    auto it = m_classes.find(foldedName(className));
    if (it == m_classes.end())
        throw errors::cannotCreateObject();
    Object created = it->second(m_running);
    if (!created)
        throw errors::cannotCreateObject();
    return created;
}

} // namespace automation
