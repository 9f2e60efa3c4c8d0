#include "engine/ReplyWalk.h"

#include "engine/TextUnits.h"
#include "engine/WrimonProtocol.h"

#include <algorithm>
#include <cstring>

namespace
{

uint32_t LoadU32(const BYTE* p)
{
    uint32_t value;
    memcpy(&value, p, sizeof(value));
    return value;
}

// A field of the record's name area, or 0 when the record is too short to hold it.
uint32_t ReadInRecord(const BYTE* pRecord, uint32_t length, uint32_t offset, uint32_t size)
{
    if (offset > length || length - offset < size)
        return 0;
    uint32_t value = 0;
    memcpy(&value, pRecord + offset, size);
    return value;
}

// Makes a mount-point tag record look like any other record: its name becomes the substitute name.
void TranslateMountPoint(BYTE* pRecord, uint32_t length)
{
    const uint32_t lengthOffset = WrimonNameOffset + WrimonTagSubstituteLengthOffset;
    const uint32_t pathOffset = WrimonNameOffset + WrimonTagPathOffset;
    uint32_t cbName = ReadInRecord(pRecord, length, lengthOffset, sizeof(uint16_t));
    cbName = std::min(cbName, WrimonMaxSubstituteNameLength);
    // A record whose name area is shorter than the cap keeps only what lies inside it: the source bytes
    // end at the record's Length, which also keeps the moved bytes plus the 2-byte NUL inside the record
    // (they end 14 bytes earlier than the source).
    const uint32_t cbAvailable = length > pathOffset ? length - pathOffset : 0;
    cbName = std::min(cbName, cbAvailable);
    memmove(pRecord + WrimonNameOffset, pRecord + pathOffset, cbName);
    const uint32_t nulOffset = WrimonNameOffset + (cbName & ~1u);
    pRecord[nulOffset] = 0;
    pRecord[nulOffset + 1] = 0;
}

} // namespace

LogRecordView::LogRecordView(const BYTE* pRecord, uint32_t length)
    : m_pRecord(pRecord), m_dwordLength(length), m_cchName(0)
{
    const size_t cchArea = length > WrimonNameOffset ? (length - WrimonNameOffset) / 2 : 0;
    m_cchName = TextUnits::FindZeroUnit(pRecord + WrimonNameOffset, cchArea);
}

uint32_t LogRecordView::ReadU32(uint32_t offset) const
{
    return LoadU32(m_pRecord + offset);
}

uint32_t LogRecordView::RecordType() const
{
    return ReadU32(offsetof(WrimonRecordHeader, RecordType));
}

uint32_t LogRecordView::ProcessId() const
{
    return ReadU32(offsetof(WrimonRecordHeader, ProcessId));
}

uint32_t LogRecordView::RequestFlags() const
{
    return ReadU32(offsetof(WrimonRecordHeader, RequestFlags));
}

uint8_t LogRecordView::OperationCode() const
{
    return m_pRecord[offsetof(WrimonRecordHeader, OperationCode)];
}

uint32_t LogRecordView::WriteLength() const
{
    return ReadU32(offsetof(WrimonRecordHeader, WriteLength));
}

uint64_t LogRecordView::ReadLength() const
{
    uint64_t value;
    memcpy(&value, m_pRecord + offsetof(WrimonRecordHeader, ReadLength), sizeof(value));
    return value;
}

wchar_t LogRecordView::NameChar(size_t index) const
{
    const BYTE* p = NameBytes() + index * 2;
    return static_cast<wchar_t>(p[0] | (p[1] << 8));
}

bool LogRecordView::NameContains(wchar_t ch) const
{
    for (size_t i = 0; i < m_cchName; ++i)
    {
        if (NameChar(i) == ch)
            return true;
    }
    return false;
}

std::wstring LogRecordView::Name() const
{
    std::wstring name;
    CopyName(name);
    return name;
}

void LogRecordView::CopyName(std::wstring& out) const
{
    out.resize(m_cchName);
    if (m_cchName != 0)
        memcpy(&out[0], NameBytes(), m_cchName * sizeof(wchar_t));
}

size_t WalkReply(BYTE* pReply, uint32_t bytesReturned, const ReplyRecordSink& onRecord,
                 const ReplyLogSink& onLogLine)
{
    auto log = [&onLogLine](const wchar_t* line)
    {
        if (onLogLine)
            onLogLine(line);
    };
    if (pReply == nullptr || bytesReturned < WrimonHeaderSize)
        return 0;

    size_t accepted = 0;
    uint32_t offset = 0;
    do
    {
        BYTE* pRecord = pReply + offset;
        const uint32_t length = LoadU32(pRecord);
        if (length < WrimonMinRecordLength)
        {
            log(ReplyWalkUnexpectedLength);
            break;
        }
        if (length > bytesReturned - offset)
        {
            log(ReplyWalkUnexpectedSize);
            break;
        }

        const uint32_t recordType = LoadU32(pRecord + offsetof(WrimonRecordHeader, RecordType));
        bool use = true;
        if (recordType & WrimonRecordTypeTag)
        {
            // Any other tag is not understood: nothing of the record is used, not even its memory flags.
            use = ReadInRecord(pRecord, length, WrimonNameOffset, sizeof(uint32_t)) == WrimonTagMountPoint;
            if (use)
                TranslateMountPoint(pRecord, length);
        }
        if (use)
        {
            if (onRecord)
                onRecord(LogRecordView(pRecord, length));
            ++accepted;
            if (recordType & WrimonRecordTypeOutOfMemory)
                log(ReplyWalkOutOfMemory);
            else if (recordType & WrimonRecordTypeExceededMemory)
                log(ReplyWalkExceededMemory);
        }
        offset += length;
    } while (bytesReturned - offset >= WrimonHeaderSize);
    return accepted;
}

bool IsCountedRecord(const LogRecordView& record)
{
    if (record.OperationCode() != WrimonOperationWrite)
        return false;
    return (record.RequestFlags() & WrimonRequestFlagSyncPagingIo) == 0 || record.NameContains(L'$');
}
