#include "support/FileEvents.h"

#include <cstring>

namespace file_events_test
{
namespace
{

// Offsets of a write's fields per the layout table; the thread field is a pointer in version 0.
struct WriteOffsets
{
    size_t irp, thread, fileObject, fileKey, ioSize, ioFlags, extraFlags, length;
};

WriteOffsets WriteOffsetsFor(Shape shape)
{
    const bool v0 = shape.version == 0;
    if (shape.pointerSize == 8)
        return v0 ? WriteOffsets{8, 16, 24, 32, 40, 44, 0, 48} : WriteOffsets{8, 32, 16, 24, 36, 40, 44, 48};
    return v0 ? WriteOffsets{8, 12, 16, 20, 24, 28, 0, 32} : WriteOffsets{8, 20, 12, 16, 24, 28, 32, 36};
}

void Put(std::vector<BYTE>& bytes, size_t offset, uint64_t value, size_t size)
{
    if (bytes.size() < offset + size)
        bytes.resize(offset + size, 0);
    memcpy(&bytes[offset], &value, size);
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

EVENT_RECORD SyntheticEvent::Record() const
{
    EVENT_RECORD record = {};
    record.EventHeader.Size = sizeof(EVENT_HEADER);
    record.EventHeader.ProviderId = head.ProviderId;
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

USHORT FlagsFor(uint32_t pointerSize)
{
    // Flags the program must look past: extended info (0x1) and a trace message bit (0x2).
    return static_cast<USHORT>((pointerSize == 8 ? 0x40 : 0x20) | 0x1 | 0x2);
}

size_t WriteMinimumLength(Shape shape)
{
    return WriteOffsetsFor(shape).ioFlags + 4;
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

SyntheticEvent Write(Shape shape, uint32_t processId, uint64_t fileObject, uint64_t fileKey, uint32_t ioSize,
                     uint32_t ioFlags)
{
    const WriteOffsets at = WriteOffsetsFor(shape);
    const size_t p = shape.pointerSize;
    SyntheticEvent event;
    event.head = Head(KernelFileProviderGuid, 16, shape.version, shape.pointerSize);
    event.head.ProcessId = processId;
    event.payload.assign(at.length, 0xEE);
    Put(event.payload, 0, 0x1122334455667788ull, 8); // ByteOffset
    Put(event.payload, at.irp, 0xA1A1A1A1A1A1A1A1ull, p);
    Put(event.payload, at.thread, 0xB2B2B2B2B2B2B2B2ull, shape.version == 0 ? p : 4);
    Put(event.payload, at.fileObject, fileObject, p);
    Put(event.payload, at.fileKey, fileKey, p);
    Put(event.payload, at.ioSize, ioSize, 4);
    Put(event.payload, at.ioFlags, ioFlags, 4);
    if (at.extraFlags != 0)
        Put(event.payload, at.extraFlags, 0xC3C3C3C3u, 4);
    return event;
}

SyntheticEvent KeyName(USHORT id, uint32_t pointerSize, uint64_t fileKey, const std::wstring& name,
                       bool withNul)
{
    SyntheticEvent event;
    event.head = Head(KernelFileProviderGuid, id, 0, pointerSize);
    Put(event.payload, 0, fileKey, pointerSize);
    const std::vector<BYTE> text = NameBytes(name, withNul);
    event.payload.insert(event.payload.end(), text.begin(), text.end());
    return event;
}

SyntheticEvent Create(Shape shape, uint64_t fileObject, const std::wstring& name, USHORT id)
{
    const size_t p = shape.pointerSize;
    // Irp, FileObject, the thread (a pointer in version 0), CreateOptions, CreateAttributes, ShareAccess.
    const size_t nameOffset = p == 8 ? (shape.version == 0 ? 36 : 32) : 24;
    SyntheticEvent event;
    event.head = Head(KernelFileProviderGuid, id, shape.version, shape.pointerSize);
    event.payload.assign(nameOffset, 0xEE);
    Put(event.payload, 0, 0xA1A1A1A1A1A1A1A1ull, p);
    Put(event.payload, p, fileObject, p);
    const std::vector<BYTE> text = NameBytes(name);
    event.payload.insert(event.payload.end(), text.begin(), text.end());
    return event;
}

SyntheticEvent Rundown(uint32_t pointerSize, uint64_t fileKey, const std::wstring& name, const GUID& provider)
{
    SyntheticEvent event;
    event.head = Head(provider, 0, 2, pointerSize, 36);
    event.head.ProcessId = 0xFFFFFFFF;
    Put(event.payload, 0, fileKey, pointerSize);
    const std::vector<BYTE> text = NameBytes(name);
    event.payload.insert(event.payload.end(), text.begin(), text.end());
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
