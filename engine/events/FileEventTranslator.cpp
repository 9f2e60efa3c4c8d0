#include "engine/events/FileEventTranslator.h"

#include <utility>

#include "engine/events/EventPayload.h"
#include "engine/events/KernelFileEvents.h"

FileEventHead FileEventHeadOf(const EVENT_HEADER& header)
{
    FileEventHead head;
    head.ProviderId = header.ProviderId;
    head.TimeStamp = header.TimeStamp.QuadPart;
    head.ProcessId = header.ProcessId;
    head.Id = header.EventDescriptor.Id;
    head.Flags = header.Flags;
    head.Version = header.EventDescriptor.Version;
    head.Opcode = header.EventDescriptor.Opcode;
    return head;
}

CQFileEventTranslator::CQFileEventTranslator(size_t keyNameBytes, size_t objectNameBytes)
    : m_mapKeys(keyNameBytes), m_mapObjects(objectNameBytes)
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
            TakeNameCreate(head, pPayload, cbPayload);
            break;
        case KernelFileEventNameDelete:
            TakeNameDelete(head, pPayload, cbPayload);
            break;
        case KernelFileEventCreate:
        case KernelFileEventCreateNewFile:
            TakeCreate(head, pPayload, cbPayload);
            break;
        default:
            break;
        }
        return false;
    }
    if (IsFileRundownEvent(head.ProviderId, head.Opcode))
    {
        TakeRundown(head, pPayload, cbPayload);
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
    write.Name = m_mapKeys.Find(fileKey);
    if (write.Name == nullptr)
        write.Name = m_mapObjects.Find(fileObject);
    ++m_counts.Writes;
    if (write.Name == nullptr)
    {
        ++m_counts.UnnamedWrites;
        m_counts.UnnamedBytes += ioSize;
    }
    if (ioFlags & IrpFlagPagingIo)
        ++m_counts.PagingWrites;
    return true;
}

bool CQFileEventTranslator::ReadKeyedName(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload,
                                          uint64_t& key, std::wstring& name)
{
    const CQEventPayload payload(pPayload, cbPayload, EventPointerSize(head.Flags));
    if (!payload.ReadPointer(0, key) ||
        !payload.ReadString(KeyedNameOffset(payload.PointerSize()), name, FileEventMaxNameChars))
    {
        ++m_counts.Malformed;
        return false;
    }
    return true;
}

void CQFileEventTranslator::TakeNameCreate(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload)
{
    uint64_t key = 0;
    std::wstring name;
    if (!ReadKeyedName(head, pPayload, cbPayload, key, name))
        return;
    // A key named without a name keeps no name of a file it stood for before.
    if (name.empty())
    {
        m_mapKeys.Remove(key);
        return;
    }
    m_mapKeys.Set(key, std::move(name));
    ++m_counts.EventNames;
}

void CQFileEventTranslator::TakeNameDelete(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload)
{
    uint64_t key = 0;
    std::wstring name;
    if (!ReadKeyedName(head, pPayload, cbPayload, key, name))
        return;
    if (!m_mapKeys.RemoveIf(key, name) && m_mapKeys.Has(key))
        ++m_counts.StaleDeletions;
}

void CQFileEventTranslator::TakeRundown(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload)
{
    // The rundown's "FileObject" is in fact the file key that later writes carry. Its names describe the
    // moment the session started, so a name that a live event gave since stays.
    uint64_t key = 0;
    std::wstring name;
    if (!ReadKeyedName(head, pPayload, cbPayload, key, name))
        return;
    ++m_counts.RundownNames;
    if (!name.empty())
        m_mapKeys.Fill(key, std::move(name));
}

void CQFileEventTranslator::TakeCreate(const FileEventHead& head, const BYTE* pPayload, size_t cbPayload)
{
    const CQEventPayload payload(pPayload, cbPayload, EventPointerSize(head.Flags));
    const CreateEventLayout layout = CreateLayout(head.Version, payload.PointerSize());
    uint64_t fileObject = 0;
    std::wstring name;
    if (!payload.ReadPointer(layout.FileObject, fileObject) ||
        !payload.ReadString(layout.FileName, name, FileEventMaxNameChars))
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
