#include "engine/events/DriverRecord.h"

#include <cstring>

#include "engine/WrimonProtocol.h"

static_assert(DriverRecordMaxLength <= WrimonReplyBufferSize, "every record fits one reply");

namespace
{
size_t NameChars(const FileWrite& write)
{
    if (write.Name == nullptr)
        return 0;
    return write.Name->size() < FileEventMaxNameChars ? write.Name->size() : FileEventMaxNameChars;
}
} // namespace

size_t DriverRecordLength(const FileWrite& write)
{
    return (WrimonHeaderSize + (NameChars(write) + 1) * sizeof(wchar_t) + 7) & ~size_t(7);
}

void WriteDriverRecord(BYTE* p, const FileWrite& write)
{
    const size_t length = DriverRecordLength(write);
    const size_t cch = NameChars(write);
    WrimonRecordHeader header = {};
    header.Length = static_cast<uint32_t>(length);
    header.ProcessId = write.ProcessId;
    header.RequestFlags = write.IoFlags;
    header.OperationCode = WrimonOperationWrite;
    header.WriteLength = write.IoSize;
    header.ReadLength = 0;
    memcpy(p, &header, sizeof(header));
    if (cch != 0)
        memcpy(p + WrimonNameOffset, write.Name->data(), cch * sizeof(wchar_t));
    memset(p + WrimonNameOffset + cch * sizeof(wchar_t), 0,
           length - WrimonNameOffset - cch * sizeof(wchar_t));
}
