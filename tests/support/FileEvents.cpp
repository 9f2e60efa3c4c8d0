#include "support/FileEvents.h"

#include <cstring>
#include <stdexcept>

namespace file_events_test
{

// The templates of "Microsoft-Windows-Kernel-File" (Windows 10 and 11) and of the classic FileIo
// FileRundown, fields in manifest order; offsets for 32-bit pointers, then for 64-bit ones.
const ManifestTable kWriteV0 = {"Write version 0",
                                {
                                    {"ByteOffset", FieldType::U64, 0, 0},
                                    {"Irp", FieldType::Pointer, 8, 8},
                                    {"ThreadId", FieldType::Pointer, 12, 16},
                                    {"FileObject", FieldType::Pointer, 16, 24},
                                    {"FileKey", FieldType::Pointer, 20, 32},
                                    {"IOSize", FieldType::U32, 24, 40},
                                    {"IOFlags", FieldType::U32, 28, 44},
                                }};
const ManifestTable kWriteV1 = {"Write version 1",
                                {
                                    {"ByteOffset", FieldType::U64, 0, 0},
                                    {"Irp", FieldType::Pointer, 8, 8},
                                    {"FileObject", FieldType::Pointer, 12, 16},
                                    {"FileKey", FieldType::Pointer, 16, 24},
                                    {"IssuingThreadId", FieldType::U32, 20, 32},
                                    {"IOSize", FieldType::U32, 24, 36},
                                    {"IOFlags", FieldType::U32, 28, 40},
                                    {"ExtraFlags", FieldType::U32, 32, 44},
                                }};
const ManifestTable kCreateV0 = {"Create version 0",
                                 {
                                     {"Irp", FieldType::Pointer, 0, 0},
                                     {"ThreadId", FieldType::Pointer, 4, 8},
                                     {"FileObject", FieldType::Pointer, 8, 16},
                                     {"CreateOptions", FieldType::U32, 12, 24},
                                     {"CreateAttributes", FieldType::U32, 16, 28},
                                     {"ShareAccess", FieldType::U32, 20, 32},
                                     {"FileName", FieldType::Text, 24, 36},
                                 }};
const ManifestTable kCreateV1 = {"Create version 1",
                                 {
                                     {"Irp", FieldType::Pointer, 0, 0},
                                     {"FileObject", FieldType::Pointer, 4, 8},
                                     {"IssuingThreadId", FieldType::U32, 8, 16},
                                     {"CreateOptions", FieldType::U32, 12, 20},
                                     {"CreateAttributes", FieldType::U32, 16, 24},
                                     {"ShareAccess", FieldType::U32, 20, 28},
                                     {"FileName", FieldType::Text, 24, 32},
                                 }};
const ManifestTable kFileNameV0 = {"NameCreate/NameDelete version 0",
                                   {
                                       {"FileKey", FieldType::Pointer, 0, 0},
                                       {"FileName", FieldType::Text, 4, 8},
                                   }};
const ManifestTable kFileRundown = {"FileRundown",
                                    {
                                        {"FileObject", FieldType::Pointer, 0, 0},
                                        {"FileName", FieldType::Text, 4, 8},
                                    }};

std::vector<const ManifestTable*> AllManifestTables()
{
    return {&kWriteV0, &kWriteV1, &kCreateV0, &kCreateV1, &kFileNameV0, &kFileRundown};
}

uint32_t ManifestTable::OffsetOf(const std::string& field, uint32_t pointerSize) const
{
    for (const ManifestField& f : fields)
    {
        if (field == f.name)
            return pointerSize == 8 ? f.offset64 : f.offset32;
    }
    throw std::logic_error(std::string(event) + " has no field " + field);
}

namespace
{

size_t SizeOf(FieldType type, uint32_t pointerSize)
{
    switch (type)
    {
    case FieldType::U32:
        return 4;
    case FieldType::U64:
        return 8;
    case FieldType::Pointer:
        return pointerSize;
    case FieldType::Text:
        return 0;
    }
    return 0;
}

FileEventHead Head(const GUID& provider, USHORT id, UCHAR version, uint32_t pointerSize, UCHAR opcode = 0)
{
    FileEventHead head = {};
    head.ProviderId = provider;
    head.Id = id;
    head.Version = version;
    head.Opcode = opcode;
    head.Flags = FlagsFor(pointerSize);
    head.ProcessId = 4;
    return head;
}

} // namespace

std::vector<BYTE> BuildPayload(const ManifestTable& table, uint32_t pointerSize,
                               const std::map<std::string, uint64_t>& values, const std::wstring& text,
                               bool withNul)
{
    std::vector<BYTE> bytes;
    BYTE junk = 0xE0;
    for (const ManifestField& field : table.fields)
    {
        const size_t offset = pointerSize == 8 ? field.offset64 : field.offset32;
        if (field.type == FieldType::Text)
        {
            bytes.resize(offset, 0xEE);
            const std::vector<BYTE> name = NameBytes(text, withNul);
            bytes.insert(bytes.end(), name.begin(), name.end());
            continue;
        }
        const size_t size = SizeOf(field.type, pointerSize);
        if (bytes.size() < offset + size)
            bytes.resize(offset + size, 0xEE);
        auto value = values.find(field.name);
        if (value != values.end())
            memcpy(&bytes[offset], &value->second, size);
        else
            memset(&bytes[offset], junk, size);
        ++junk;
    }
    return bytes;
}

EVENT_RECORD SyntheticEvent::Record() const
{
    EVENT_RECORD record = {};
    record.EventHeader.Size = sizeof(EVENT_HEADER);
    record.EventHeader.ProviderId = head.ProviderId;
    record.EventHeader.TimeStamp.QuadPart = head.TimeStamp;
    record.EventHeader.ProcessId = head.ProcessId;
    record.EventHeader.ThreadId = 0xDDDD;
    record.EventHeader.Flags = head.Flags;
    record.EventHeader.EventDescriptor.Id = head.Id;
    record.EventHeader.EventDescriptor.Version = head.Version;
    record.EventHeader.EventDescriptor.Opcode = head.Opcode;
    record.UserData = const_cast<BYTE*>(payload.data());
    record.UserDataLength = static_cast<USHORT>(payload.size());
    return record;
}

SyntheticEvent SyntheticEvent::At(LONGLONG timeStamp) const
{
    SyntheticEvent event = *this;
    event.head.TimeStamp = timeStamp;
    return event;
}

USHORT FlagsFor(uint32_t pointerSize)
{
    // Flags the program must look past: extended info (0x1) and a trace message bit (0x2).
    return static_cast<USHORT>((pointerSize == 8 ? 0x40 : 0x20) | 0x1 | 0x2);
}

std::vector<BYTE> NameBytes(const std::wstring& name, bool withNul)
{
    std::vector<BYTE> bytes((name.size() + (withNul ? 1 : 0)) * 2, 0);
    for (size_t i = 0; i < name.size(); ++i)
    {
        bytes[2 * i] = static_cast<BYTE>(name[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<BYTE>(name[i] >> 8);
    }
    return bytes;
}

const ManifestTable& WriteTable(UCHAR version)
{
    return version == 0 ? kWriteV0 : kWriteV1;
}

const ManifestTable& CreateTable(UCHAR version)
{
    return version == 0 ? kCreateV0 : kCreateV1;
}

SyntheticEvent Write(Shape shape, uint32_t processId, uint64_t fileObject, uint64_t fileKey, uint32_t ioSize,
                     uint32_t ioFlags)
{
    SyntheticEvent event;
    event.head = Head(KernelFileProviderGuid, 16, shape.version, shape.pointerSize);
    event.head.ProcessId = processId;
    event.payload = BuildPayload(WriteTable(shape.version), shape.pointerSize,
                                 {{"ByteOffset", 0x1122334455667788ull},
                                  {"FileObject", fileObject},
                                  {"FileKey", fileKey},
                                  {"IOSize", ioSize},
                                  {"IOFlags", ioFlags}});
    return event;
}

SyntheticEvent KeyName(USHORT id, uint32_t pointerSize, uint64_t fileKey, const std::wstring& name,
                       bool withNul)
{
    SyntheticEvent event;
    event.head = Head(KernelFileProviderGuid, id, 0, pointerSize);
    event.payload = BuildPayload(kFileNameV0, pointerSize, {{"FileKey", fileKey}}, name, withNul);
    return event;
}

SyntheticEvent Create(Shape shape, uint64_t fileObject, const std::wstring& name, USHORT id)
{
    SyntheticEvent event;
    event.head = Head(KernelFileProviderGuid, id, shape.version, shape.pointerSize);
    event.payload =
        BuildPayload(CreateTable(shape.version), shape.pointerSize, {{"FileObject", fileObject}}, name);
    return event;
}

SyntheticEvent Rundown(uint32_t pointerSize, uint64_t fileKey, const std::wstring& name, const GUID& provider)
{
    SyntheticEvent event;
    event.head = Head(provider, 0, 2, pointerSize, 36);
    event.head.ProcessId = 0xFFFFFFFF;
    event.payload = BuildPayload(kFileRundown, pointerSize, {{"FileObject", fileKey}}, name);
    return event;
}

SyntheticEvent LossReport(UCHAR opcode)
{
    SyntheticEvent event;
    event.head = Head(EventTraceClassGuid, 0, 0, 8, opcode);
    event.payload.assign(8, 0);
    return event;
}

} // namespace file_events_test
