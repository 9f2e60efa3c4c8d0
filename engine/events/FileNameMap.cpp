#include "engine/events/FileNameMap.h"

#include <utility>

CQFileNameMap::CQFileNameMap(size_t limitPerHalf) : m_intLimit(limitPerHalf != 0 ? limitPerHalf : 1) {}

void CQFileNameMap::MakeRoom()
{
    if (m_mapNewer.size() < m_intLimit)
        return;
    m_mapOlder.swap(m_mapNewer);
    m_mapNewer.clear();
}

void CQFileNameMap::Set(uint64_t key, std::wstring name)
{
    m_mapOlder.erase(key);
    auto found = m_mapNewer.find(key);
    if (found != m_mapNewer.end())
    {
        found->second = std::move(name);
        return;
    }
    MakeRoom();
    m_mapNewer.emplace(key, std::move(name));
}

void CQFileNameMap::Remove(uint64_t key)
{
    m_mapNewer.erase(key);
    m_mapOlder.erase(key);
}

const std::wstring* CQFileNameMap::Find(uint64_t key)
{
    auto found = m_mapNewer.find(key);
    if (found != m_mapNewer.end())
        return &found->second;
    auto old = m_mapOlder.find(key);
    if (old == m_mapOlder.end())
        return nullptr;
    std::wstring name = std::move(old->second);
    m_mapOlder.erase(old);
    MakeRoom();
    return &m_mapNewer.emplace(key, std::move(name)).first->second;
}
