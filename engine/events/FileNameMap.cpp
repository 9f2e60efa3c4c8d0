#include "engine/events/FileNameMap.h"

#include <utility>

CQFileNameMap::CQFileNameMap(size_t byteLimit) : m_intByteLimit(byteLimit) {}

void CQFileNameMap::Erase(Order::iterator entry)
{
    m_intBytes -= CostOf(entry->name);
    m_index.erase(entry->key);
    m_order.erase(entry);
}

void CQFileNameMap::Trim()
{
    while (m_intBytes > m_intByteLimit && m_order.size() > 1)
    {
        Erase(std::prev(m_order.end()));
        ++m_qwordEvictions;
    }
}

void CQFileNameMap::Set(uint64_t key, std::wstring name)
{
    auto found = m_index.find(key);
    if (found != m_index.end())
    {
        Order::iterator entry = found->second;
        m_intBytes -= CostOf(entry->name);
        entry->name = std::move(name);
        m_intBytes += CostOf(entry->name);
        m_order.splice(m_order.begin(), m_order, entry);
    }
    else
    {
        m_order.push_front(Entry{key, std::move(name)});
        m_index.emplace(key, m_order.begin());
        m_intBytes += CostOf(m_order.front().name);
    }
    Trim();
}

bool CQFileNameMap::Fill(uint64_t key, std::wstring name)
{
    if (Has(key))
        return false;
    Set(key, std::move(name));
    return true;
}

bool CQFileNameMap::RemoveIf(uint64_t key, const std::wstring& name)
{
    auto found = m_index.find(key);
    if (found == m_index.end() || found->second->name != name)
        return false;
    Erase(found->second);
    return true;
}

void CQFileNameMap::Remove(uint64_t key)
{
    auto found = m_index.find(key);
    if (found != m_index.end())
        Erase(found->second);
}

const std::wstring* CQFileNameMap::Find(uint64_t key)
{
    auto found = m_index.find(key);
    if (found == m_index.end())
        return nullptr;
    m_order.splice(m_order.begin(), m_order, found->second);
    return &found->second->name;
}
