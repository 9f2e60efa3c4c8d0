#include "engine/RecordQueue.h"

#include <algorithm>
#include <cstring>

#include "engine/TextUnits.h"

namespace
{
// A name's units compared with a stored one.
bool SameText(const uint8_t* stored, bool wide, const wchar_t* name, size_t length)
{
    if (wide)
        return std::memcmp(stored, name, length * sizeof(wchar_t)) == 0;
    for (size_t i = 0; i < length; ++i)
    {
        if (static_cast<wchar_t>(stored[i]) != name[i])
            return false;
    }
    return true;
}

void StoreText(uint8_t* out, const uint8_t* name, size_t length, bool wide)
{
    if (wide)
        std::memcpy(out, name, length * sizeof(wchar_t));
    else
        TextUnits::Narrow(out, name, length);
}
} // namespace

void CQRecordQueue::Push(const void* fileName, size_t fileNameLength, const wchar_t* processName,
                         size_t processNameLength, uint32_t processId, uint64_t bytes)
{
    if (m_count == GetCapacity())
        m_arrEntrySegments.emplace_back(new Entry[kEntriesPerSegment]);
    const uint8_t* file = static_cast<const uint8_t*>(fileName);
    const uint8_t* process = reinterpret_cast<const uint8_t*>(processName);
    const bool wideFile = TextUnits::AnyWide(file, fileNameLength);
    const bool wideProcess = TextUnits::AnyWide(process, processNameLength);

    // Runs of writes by one process are the rule: its name is shared with the entry below.
    const uint8_t* sharedProcess = nullptr;
    if (m_count != 0 && processNameLength != 0)
    {
        const Entry& below = At(m_count - 1);
        const bool belowWide = (below.flags & kProcessWide) != 0;
        if (below.processNameLength == processNameLength && belowWide == wideProcess &&
            SameText(below.processName, belowWide, processName, processNameLength))
            sharedProcess = below.processName;
    }
    // The wide texts go first, so that one alignment step serves both.
    const size_t fileBytes = fileNameLength * (wideFile ? 2 : 1);
    const size_t processBytes = sharedProcess != nullptr ? 0 : processNameLength * (wideProcess ? 2 : 1);
    const bool placeProcessFirst = wideProcess && !wideFile;
    uint8_t* text =
        fileBytes + processBytes != 0 ? TakeText(fileBytes + processBytes, wideFile || wideProcess) : nullptr;

    Entry& entry = At(m_count);
    uint8_t* fileText = placeProcessFirst ? text + processBytes : text;
    uint8_t* processText = placeProcessFirst ? text : text + fileBytes;
    if (fileNameLength != 0)
        StoreText(fileText, file, fileNameLength, wideFile);
    if (processBytes != 0)
        StoreText(processText, process, processNameLength, wideProcess);
    entry.fileName = fileNameLength != 0 ? fileText : nullptr;
    entry.processName =
        sharedProcess != nullptr ? sharedProcess : (processBytes != 0 ? processText : nullptr);
    entry.fileNameLength = static_cast<uint32_t>(fileNameLength);
    entry.processNameLength = static_cast<uint32_t>(processNameLength);
    entry.processId = processId;
    uint32_t flags = (wideFile ? kFileWide : 0) | (wideProcess ? kProcessWide : 0);
    if (placeProcessFirst && processBytes != 0)
        flags |= kProcessFirst;
    if (text != nullptr)
        flags |= kOwnsText | static_cast<uint32_t>(m_textSegment << kSegmentShift);
    entry.flags = flags;
    entry.bytes = bytes;
    ++m_count;
}

uint8_t* CQRecordQueue::TakeText(size_t bytes, bool aligned)
{
    if (m_arrTextSegments.empty())
        m_arrTextSegments.push_back(
            {std::unique_ptr<uint8_t[]>(new uint8_t[kBytesPerSegment]), kBytesPerSegment});
    size_t start = aligned ? (m_textUsed + 1) & ~size_t(1) : m_textUsed;
    if (start > m_arrTextSegments[m_textSegment].capacity ||
        m_arrTextSegments[m_textSegment].capacity - start < bytes)
    {
        // The rest of this segment stays unused until the entries after it are gone.
        ++m_textSegment;
        start = 0;
        if (m_textSegment == m_arrTextSegments.size())
            m_arrTextSegments.push_back({nullptr, 0});
        TextSegment& next = m_arrTextSegments[m_textSegment];
        if (next.capacity < bytes)
        {
            const size_t capacity = std::max(bytes, kBytesPerSegment);
            next.bytes.reset(new uint8_t[capacity]);
            next.capacity = capacity;
        }
    }
    m_textUsed = start + bytes;
    return m_arrTextSegments[m_textSegment].bytes.get() + start;
}

void CQRecordQueue::CopyOut(const uint8_t* text, uint32_t length, bool wide, std::wstring& out)
{
    // Assigning keeps the target's room: a steady flow allocates nothing here either.
    out.resize(length);
    if (length == 0)
        return;
    if (wide)
        std::memcpy(&out[0], text, length * sizeof(wchar_t));
    else
        TextUnits::Widen(&out[0], text, length);
}

size_t CQRecordQueue::PopNewest(QueueEntry* out, size_t max)
{
    size_t taken = 0;
    for (; taken < max && m_count != 0; ++taken)
    {
        const Entry& entry = At(m_count - 1);
        QueueEntry& target = out[taken];
        CopyOut(entry.fileName, entry.fileNameLength, (entry.flags & kFileWide) != 0, target.m_csFileName);
        CopyOut(entry.processName, entry.processNameLength, (entry.flags & kProcessWide) != 0,
                target.m_csProcessName);
        target.m_dwordProcessId = entry.processId;
        target.m_qwordBytes = entry.bytes;
        if (entry.flags & kOwnsText)
        {
            // The storage goes back to where this entry's text starts.
            const size_t segment = entry.flags >> kSegmentShift;
            const uint8_t* start = (entry.flags & kProcessFirst) || entry.fileName == nullptr
                                       ? entry.processName
                                       : entry.fileName;
            m_textSegment = segment;
            m_textUsed = static_cast<size_t>(start - m_arrTextSegments[segment].bytes.get());
        }
        --m_count;
    }
    return taken;
}

void CQRecordQueue::ReleaseSpare()
{
    if (m_count == 0)
    {
        std::vector<std::unique_ptr<Entry[]>>().swap(m_arrEntrySegments);
        std::vector<TextSegment>().swap(m_arrTextSegments);
        m_textSegment = 0;
        m_textUsed = 0;
        return;
    }
    m_arrEntrySegments.resize((m_count + kEntriesPerSegment - 1) / kEntriesPerSegment);
    m_arrEntrySegments.shrink_to_fit();
    m_arrTextSegments.resize(m_textSegment + 1);
    m_arrTextSegments.shrink_to_fit();
}
