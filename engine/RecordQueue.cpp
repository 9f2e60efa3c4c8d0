#include "engine/RecordQueue.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

void CQRecordQueue::Push(const void* fileName, size_t fileNameLength, const wchar_t* processName,
                         size_t processNameLength, uint32_t processId, uint64_t bytes)
{
    CommitStaged();
    if (m_count == GetCapacity())
        m_arrEntrySegments.emplace_back(new Entry[kEntriesPerSegment]);
    const uint32_t markSegment = static_cast<uint32_t>(m_charSegment);
    const size_t markUsed = m_charUsed;

    // Runs of writes by one process are the rule: its name is shared with the entry below.
    const wchar_t* sharedProcess = nullptr;
    if (m_count != 0 && processNameLength != 0)
    {
        const Entry& below = At(m_count - 1);
        if (below.processNameLength == processNameLength &&
            std::wmemcmp(below.processName, processName, processNameLength) == 0)
            sharedProcess = below.processName;
    }
    const size_t ownChars = fileNameLength + (sharedProcess != nullptr ? 0 : processNameLength);
    wchar_t* chars = ownChars != 0 ? TakeChars(ownChars) : nullptr;

    Entry& entry = At(m_count);
    entry.fileName = fileNameLength != 0 ? chars : nullptr;
    if (fileNameLength != 0)
        std::memcpy(chars, fileName, fileNameLength * sizeof(wchar_t));
    if (sharedProcess != nullptr)
        entry.processName = sharedProcess;
    else if (processNameLength != 0)
    {
        entry.processName = chars + fileNameLength;
        std::memcpy(chars + fileNameLength, processName, processNameLength * sizeof(wchar_t));
    }
    else
        entry.processName = nullptr;
    entry.fileNameLength = static_cast<uint32_t>(fileNameLength);
    entry.processNameLength = static_cast<uint32_t>(processNameLength);
    entry.processId = processId;
    entry.charSegment = markSegment;
    entry.charUsed = markUsed;
    entry.bytes = bytes;
    ++m_count;
}

wchar_t* CQRecordQueue::TakeChars(size_t count)
{
    if (m_arrCharSegments.empty())
        m_arrCharSegments.push_back(
            {std::unique_ptr<wchar_t[]>(new wchar_t[kCharsPerSegment]), kCharsPerSegment});
    if (m_arrCharSegments[m_charSegment].capacity - m_charUsed < count)
    {
        // The rest of this segment stays unused until the entries after it are gone.
        ++m_charSegment;
        m_charUsed = 0;
        if (m_charSegment == m_arrCharSegments.size())
            m_arrCharSegments.push_back({nullptr, 0});
        CharSegment& next = m_arrCharSegments[m_charSegment];
        if (next.capacity < count)
        {
            const size_t capacity = std::max(count, kCharsPerSegment);
            next.chars.reset(new wchar_t[capacity]);
            next.capacity = capacity;
        }
    }
    wchar_t* chars = m_arrCharSegments[m_charSegment].chars.get() + m_charUsed;
    m_charUsed += count;
    return chars;
}

QueueEntry& CQRecordQueue::Stage()
{
    CommitStaged();
    m_staged.m_csFileName.clear();
    m_staged.m_csProcessName.clear();
    m_staged.m_dwordProcessId = 0;
    m_staged.m_qwordBytes = 0;
    m_boolStaged = true;
    return m_staged;
}

void CQRecordQueue::CommitStaged()
{
    if (!m_boolStaged)
        return;
    m_boolStaged = false;
    Push(m_staged.m_csFileName.data(), m_staged.m_csFileName.size(), m_staged.m_csProcessName.data(),
         m_staged.m_csProcessName.size(), m_staged.m_dwordProcessId, m_staged.m_qwordBytes);
}

size_t CQRecordQueue::PopNewest(QueueEntry* out, size_t max)
{
    CommitStaged();
    size_t taken = 0;
    for (; taken < max && m_count != 0; ++taken)
    {
        const Entry& entry = At(m_count - 1);
        QueueEntry& target = out[taken];
        // Assigning keeps the target strings' room: a steady flow allocates nothing here either.
        target.m_csFileName.assign(entry.fileName != nullptr ? entry.fileName : L"", entry.fileNameLength);
        target.m_csProcessName.assign(entry.processName != nullptr ? entry.processName : L"",
                                      entry.processNameLength);
        target.m_dwordProcessId = entry.processId;
        target.m_qwordBytes = entry.bytes;
        m_charSegment = entry.charSegment;
        m_charUsed = entry.charUsed;
        --m_count;
    }
    return taken;
}

QueueEntry CQRecordQueue::Get(size_t index)
{
    CommitStaged();
    const Entry& entry = At(index);
    QueueEntry copy;
    copy.m_csFileName.assign(entry.fileName != nullptr ? entry.fileName : L"", entry.fileNameLength);
    copy.m_csProcessName.assign(entry.processName != nullptr ? entry.processName : L"",
                                entry.processNameLength);
    copy.m_dwordProcessId = entry.processId;
    copy.m_qwordBytes = entry.bytes;
    return copy;
}

void CQRecordQueue::Clear()
{
    m_boolStaged = false;
    m_count = 0;
    m_charSegment = 0;
    m_charUsed = 0;
}

void CQRecordQueue::ReleaseSpare()
{
    CommitStaged();
    if (m_count == 0)
    {
        std::vector<std::unique_ptr<Entry[]>>().swap(m_arrEntrySegments);
        std::vector<CharSegment>().swap(m_arrCharSegments);
        m_charSegment = 0;
        m_charUsed = 0;
        return;
    }
    m_arrEntrySegments.resize((m_count + kEntriesPerSegment - 1) / kEntriesPerSegment);
    m_arrEntrySegments.shrink_to_fit();
    m_arrCharSegments.resize(m_charSegment + 1);
    m_arrCharSegments.shrink_to_fit();
}
