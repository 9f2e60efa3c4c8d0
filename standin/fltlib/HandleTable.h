// Enumeration handles handed out by the stand-in: each stands for an object that the table owns until
// the matching close call.
#pragma once

#include "Lock.h"

#include <windows.h>

#include <map>
#include <memory>

namespace standin
{

template <typename T> class HandleTable
{
public:
    HANDLE Add(std::unique_ptr<T> object)
    {
        CriticalSectionGuard guard(m_lock);
        HANDLE handle = reinterpret_cast<HANDLE>(object.get());
        m_objects[handle] = std::move(object);
        return handle;
    }

    // Calls fn(T&) for the handle's object under the table's lock; false for a handle not in the table.
    template <typename Fn> bool With(HANDLE handle, Fn fn)
    {
        CriticalSectionGuard guard(m_lock);
        auto found = m_objects.find(handle);
        if (found == m_objects.end())
            return false;
        fn(*found->second);
        return true;
    }

    bool Remove(HANDLE handle)
    {
        CriticalSectionGuard guard(m_lock);
        return m_objects.erase(handle) != 0;
    }

private:
    CriticalSection m_lock;
    std::map<HANDLE, std::unique_ptr<T>> m_objects;
};

} // namespace standin
