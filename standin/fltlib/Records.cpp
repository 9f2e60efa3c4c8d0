#include "Records.h"

#include "engine/WrimonProtocol.h"

#include <cstring>

namespace standin
{

std::vector<BYTE> EncodeRecord(const WriteEvent& event, const std::wstring& devicePath, uint32_t sequence)
{
    const size_t cbName = (devicePath.size() + 1) * sizeof(wchar_t);
    const size_t length = (WrimonHeaderSize + cbName + 7) & ~static_cast<size_t>(7);
    std::vector<BYTE> record(length, 0);

    WrimonRecordHeader header = {};
    header.Length = static_cast<uint32_t>(length);
    header.Unused4 = sequence;
    header.RecordType = event.RecordType;
    header.ProcessId = event.ProcessId;
    header.RequestFlags = event.RequestFlags;
    header.OperationCode = event.OperationCode;
    header.WriteLength = event.WriteLength;
    header.ReadLength = event.ReadLength;
    memcpy(record.data(), &header, sizeof(header));
    memcpy(record.data() + WrimonNameOffset, devicePath.c_str(), cbName);
    return record;
}

std::wstring RecordName(const std::vector<BYTE>& record)
{
    WrimonRecordHeader header;
    if (record.size() < WrimonMinRecordLength)
        return std::wstring();
    memcpy(&header, record.data(), sizeof(header));
    if (header.Length != record.size() || (header.RecordType & WrimonRecordTypeTag) != 0)
        return std::wstring();
    std::wstring name;
    for (size_t offset = WrimonNameOffset; offset + 1 < record.size(); offset += 2)
    {
        const wchar_t ch = static_cast<wchar_t>(record[offset] | (record[offset + 1] << 8));
        if (ch == L'\0')
            break;
        name += ch;
    }
    return name;
}

} // namespace standin
