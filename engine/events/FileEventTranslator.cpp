#include "engine/events/FileEventTranslator.h"

#include <utility>

#include "engine/events/EventPayload.h"
#include "engine/events/KernelFileEvents.h"

FileEventHead FileEventHeadOf(const EVENT_HEADER& header)
{
    FileEventHead head;
    head.ProviderId = header.ProviderId;
    head.ProcessId = header.ProcessId;
    head.Id = header.EventDescriptor.Id;
    head.Flags = header.Flags;
    head.Version = header.EventDescriptor.Version;
    head.Opcode = header.EventDescriptor.Opcode;
    return head;
}

CQFileEventTranslator::CQFileEventTranslator(size_t namesPerHalf)
    : m_mapKeys(namesPerHalf), m_mapObjects(namesPerHalf)
{
}

bool CQFileEventTranslator::Translate(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload,
                                      FileWrite& write)
{
    ++m_counts.Events;
    if (IsEqualGUID(head.ProviderId, KernelFileProviderGuid))
    {
        switch (head.Id)
        {
        case KernelFileEventWrite:
            return TranslateWrite(head, pPayload, cbPayload, write);
        case KernelFileEventNameCreate:
            TakeKeyedName(m_mapKeys, head, pPayload, cbPayload, m_counts.EventNames);
            break;
        case KernelFileEventNameDelete:
            ForgetKey(head, pPayload, cbPayload);
            break;
        case KernelFileEventCreate:
        case KernelFileEventCreateNewFile:
            TakeCreateName(head, pPayload, cbPayload);
            break;
        default:
            break;
        }
        return false;
    }
    // The rundown's "FileObject" is in fact the file key that later writes carry.
    if ((IsEqualGUID(head.ProviderId, KernelRundownProviderGuid) ||
         IsEqualGUID(head.ProviderId, FileIoClassGuid)) &&
        head.Opcode == FileIoOpcodeFileRundown)
    {
        TakeKeyedName(m_mapKeys, head, pPayload, cbPayload, m_counts.RundownNames);
        return false;
    }
    if (IsEqualGUID(head.ProviderId, EventTraceClassGuid) && head.Opcode >= EventTraceOpcodeLostEvent &&
        head.Opcode <= EventTraceOpcodeLostFile)
        ++m_counts.LossReports;
    return false;
}

bool CQFileEventTranslator::TranslateWrite(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload,
                                           FileWrite& write)
{
    const CQEventPayload payload(pPayload, cbPayload, EventPointerSize(head.Flags));
    const WriteEventLayout layout = WriteLayout(head.Version, payload.PointerSize());
    uint64_t fileObject = 0;
    uint64_t fileKey = 0;
    uint32_t ioSize = 0;
    uint32_t ioFlags = 0;
    if (!payload.ReadPointer(layout.FileObject, fileObject) ||
        !payload.ReadPointer(layout.FileKey, fileKey) || !payload.ReadU32(layout.IoSize, ioSize) ||
        !payload.ReadU32(layout.IoFlags, ioFlags))
    {
        ++m_counts.Malformed;
        return false;
    }
    write.ProcessId = head.ProcessId;
    write.IoFlags = ioFlags;
    write.IoSize = ioSize;
    write.Version = head.Version;
    write.PointerSize = payload.PointerSize();
    write.Name = m_mapKeys.Find(fileKey);
    if (write.Name == nullptr)
        write.Name = m_mapObjects.Find(fileObject);
    ++m_counts.Writes;
    if (write.Name == nullptr)
        ++m_counts.UnnamedWrites;
    if (ioFlags & IrpFlagPagingIo)
        ++m_counts.PagingWrites;
    return true;
}

void CQFileEventTranslator::TakeKeyedName(CQFileNameMap& map, const FileEventHead& head, const BYTE* pPayload,
                                          size_t cbPayload, uint64_t& counter)
{
    const CQEventPayload payload(pPayload, cbPayload, EventPointerSize(head.Flags));
    uint64_t key = 0;
    std::wstring name;
    if (!payload.ReadPointer(0, key) ||
        !payload.ReadString(KeyedNameOffset(payload.PointerSize()), name, FileEventMaxNameChars))
    {
        ++m_counts.Malformed;
        return;
    }
    if (name.empty())
    {
        map.Remove(key);
        return;
    }
    map.Set(key, std::move(name));
    ++counter;
}

void CQFileEventTranslator::TakeCreateName(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload)
{
    const CQEventPayload payload(pPayload, cbPayload, EventPointerSize(head.Flags));
    uint64_t fileObject = 0;
    std::wstring name;
    if (!payload.ReadPointer(CreateFileObjectOffset(payload.PointerSize()), fileObject) ||
        !payload.ReadString(CreateNameOffset(head.Version, payload.PointerSize()), name,
                            FileEventMaxNameChars))
    {
        ++m_counts.Malformed;
        return;
    }
    // A file object is reused for other files: an unnamed create must not leave the old name behind.
    if (name.empty())
    {
        m_mapObjects.Remove(fileObject);
        return;
    }
    m_mapObjects.Set(fileObject, std::move(name));
    ++m_counts.EventNames;
}

void CQFileEventTranslator::ForgetKey(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload)
{
    const CQEventPayload payload(pPayload, cbPayload, EventPointerSize(head.Flags));
    uint64_t key = 0;
    if (!payload.ReadPointer(0, key))
    {
        ++m_counts.Malformed;
        return;
    }
    m_mapKeys.Remove(key);
}
