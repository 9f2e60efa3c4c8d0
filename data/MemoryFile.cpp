#include "data/MemoryFile.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "app/Log.h"

CQMemoryFile::CQMemoryFile() : CQFile(0, 0) {}

BOOL CQMemoryFile::Write(const void* buffer, DWORD count)
{
    if (count == 0)
        return 1;
    // The saved data is written field by field: most writes fit in the current piece.
    if (count <= kChunkBytes - m_dwordUsedInLast)
    {
        memcpy(m_arrChunks.back().get() + m_dwordUsedInLast, buffer, count);
        m_dwordUsedInLast += count;
        m_qwordLength += count;
        return 1;
    }
    if (m_boolOutOfMemory)
        return 0;
    const BYTE* data = static_cast<const BYTE*>(buffer);
    while (count != 0)
    {
        if (m_dwordUsedInLast == kChunkBytes)
        {
            try
            {
                m_arrChunks.emplace_back(new BYTE[kChunkBytes]);
            }
            catch (const std::bad_alloc&)
            {
                m_boolOutOfMemory = 1;
                LogLine(L"Not enough memory to copy the data for saving.");
                return 0;
            }
            m_dwordUsedInLast = 0;
        }
        const DWORD step = std::min(count, kChunkBytes - m_dwordUsedInLast);
        memcpy(m_arrChunks.back().get() + m_dwordUsedInLast, data, step);
        m_dwordUsedInLast += step;
        m_qwordLength += step;
        data += step;
        count -= step;
    }
    return 1;
}

BOOL CQMemoryFile::Open(const wchar_t*, DWORD)
{
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
}

BOOL CQMemoryFile::Read(void*, DWORD)
{
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
}

BOOL CQMemoryFile::WriteTo(CQFile& file) const
{
    for (size_t i = 0; i < m_arrChunks.size(); ++i)
    {
        const DWORD bytes = i + 1 == m_arrChunks.size() ? m_dwordUsedInLast : kChunkBytes;
        if (!file.Write(m_arrChunks[i].get(), bytes))
            return 0;
    }
    return 1;
}

void CQMemoryFile::Reset()
{
    m_arrChunks.clear();
    m_arrChunks.shrink_to_fit();
    m_dwordUsedInLast = kChunkBytes;
    m_qwordLength = 0;
    m_boolOutOfMemory = 0;
}
