#include "Lock.h"

namespace standin
{

SharedStateGuard::SharedStateGuard() : m_hMutex(CreateMutexW(nullptr, FALSE, L"Local\\WrimonStandinState"))
{
    // An abandoned mutex is still ours: the state it guards is rewritten whole on every change.
    if (m_hMutex != nullptr)
        WaitForSingleObject(m_hMutex, INFINITE);
}

SharedStateGuard::~SharedStateGuard()
{
    if (m_hMutex != nullptr)
    {
        ReleaseMutex(m_hMutex);
        CloseHandle(m_hMutex);
    }
}

} // namespace standin
