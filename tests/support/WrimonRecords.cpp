#include "support/WrimonRecords.h"

#include <algorithm>
#include <cstring>

namespace wrimon_test
{

std::vector<BYTE> MakeRecord(const RecordFields& fields)
{
    const size_t cbName = (fields.name.size() + 1) * sizeof(wchar_t);
    const uint32_t length = fields.length != 0 ? fields.length : static_cast<uint32_t>(48 + cbName);
    std::vector<BYTE> record(std::max<size_t>(length, 48), 0);
    memcpy(&record[0], &length, 4);
    memcpy(&record[8], &fields.recordType, 4);
    memcpy(&record[16], &fields.processId, 4);
    memcpy(&record[24], &fields.requestFlags, 4);
    record[32] = fields.operationCode;
    memcpy(&record[36], &fields.writeLength, 4);
    memcpy(&record[40], &fields.readLength, 8);
    if (record.size() > 48)
        memcpy(&record[48], fields.name.c_str(), std::min(cbName, record.size() - 48));
    return record;
}

std::vector<BYTE> MakeTagRecord(uint32_t tag, uint16_t substituteLength, const std::wstring& path,
                                uint32_t length, uint32_t extraRecordType)
{
    const size_t cbPath = path.size() * sizeof(wchar_t);
    const uint32_t size = length != 0 ? length : static_cast<uint32_t>(64 + cbPath);
    std::vector<BYTE> record(std::max<size_t>(size, 48), 0);
    const uint32_t recordType = 0x4 | extraRecordType;
    memcpy(&record[0], &size, 4);
    memcpy(&record[8], &recordType, 4);
    record[32] = 4;
    if (record.size() >= 52)
        memcpy(&record[48], &tag, 4);
    if (record.size() >= 60)
        memcpy(&record[58], &substituteLength, 2);
    if (record.size() > 64)
        memcpy(&record[64], path.c_str(), std::min(cbPath, record.size() - 64));
    return record;
}

void Append(std::vector<BYTE>& reply, const std::vector<BYTE>& record)
{
    reply.insert(reply.end(), record.begin(), record.end());
}

uint32_t LoadU32(const BYTE* p)
{
    uint32_t value;
    memcpy(&value, p, 4);
    return value;
}

uint64_t LoadU64(const BYTE* p)
{
    uint64_t value;
    memcpy(&value, p, 8);
    return value;
}

std::wstring LoadName(const BYTE* p, size_t cbMax)
{
    std::wstring name;
    for (size_t i = 0; i + 1 < cbMax; i += 2)
    {
        const wchar_t ch = static_cast<wchar_t>(p[i] | (p[i + 1] << 8));
        if (ch == L'\0')
            break;
        name += ch;
    }
    return name;
}

} // namespace wrimon_test
