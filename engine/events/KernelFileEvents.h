// The system's file events as this program reads them: the providers, keywords and event numbers of
// "Microsoft-Windows-Kernel-File" and of the kernel rundown, and the payload offsets of the events used.
// No system header defines these. Payloads are packed in manifest order; pointer fields are 4 or 8 bytes as
// the event header's flags say, which is why the offsets are functions of the pointer size.
#pragma once

#include <windows.h>

#include <cstdint>

// "Microsoft-Windows-Kernel-File".
constexpr GUID KernelFileProviderGuid = {
    0xEDD08927, 0x9CC4, 0x4E65, {0xB9, 0x70, 0xC2, 0x56, 0x0F, 0xB5, 0xC2, 0x89}};
// The kernel rundown provider: names the files that were open before the session started.
constexpr GUID KernelRundownProviderGuid = {
    0x3B9C9951, 0x3480, 0x4220, {0x93, 0x77, 0x9C, 0x8E, 0x51, 0x84, 0xF5, 0xCD}};
// The classic FileIo event class, which rundown events may carry as their provider.
constexpr GUID FileIoClassGuid = {
    0x90CBDC39, 0x4A3E, 0x11D1, {0x84, 0xF4, 0x00, 0x00, 0xF8, 0x04, 0x64, 0xE3}};
// The session's own events, among them the reports of lost events.
constexpr GUID EventTraceClassGuid = {
    0x68FDD900, 0x4A3E, 0x11D1, {0x84, 0xF4, 0x00, 0x00, 0xF8, 0x04, 0x64, 0xE3}};

// Writes, the names of file keys and the names of creates; never FILEIO (0x20), which is every request.
constexpr uint64_t KernelFileKeywordFileName = 0x10;
constexpr uint64_t KernelFileKeywordCreate = 0x80;
constexpr uint64_t KernelFileKeywordWrite = 0x200;
constexpr uint64_t KernelFileKeywords =
    KernelFileKeywordFileName | KernelFileKeywordCreate | KernelFileKeywordWrite;
constexpr uint64_t KernelRundownKeywordFiles = 0x10;
constexpr UCHAR KernelFileLevel = 4; // informational
// The rundown is asked for at every level, as the consumers known to get its names ask for it.
constexpr UCHAR KernelRundownLevel = 0;

constexpr USHORT KernelFileEventNameCreate = 10;
constexpr USHORT KernelFileEventNameDelete = 11;
constexpr USHORT KernelFileEventCreate = 12;
constexpr USHORT KernelFileEventWrite = 16;
constexpr USHORT KernelFileEventCreateNewFile = 30;

constexpr UCHAR FileIoOpcodeFileRundown = 36;
constexpr UCHAR EventTraceOpcodeLostEvent = 32;
constexpr UCHAR EventTraceOpcodeLostBuffer = 33;
constexpr UCHAR EventTraceOpcodeLostFile = 34;

// A FileRundown comes under the rundown provider or, as a classic event, under the FileIo class.
inline bool IsFileRundownEvent(const GUID& provider, UCHAR opcode)
{
    return opcode == FileIoOpcodeFileRundown &&
           (IsEqualGUID(provider, KernelRundownProviderGuid) || IsEqualGUID(provider, FileIoClassGuid));
}

constexpr USHORT EventHeaderFlag32BitPointers = 0x20;
constexpr USHORT EventHeaderFlag64BitPointers = 0x40;

// The IRP flag that marks a write of the cache manager or the mapped page writer.
constexpr uint32_t IrpFlagPagingIo = 0x2;

// The pointer size an event was logged with, read from its header's flags. A header that claims neither
// size is taken to have this program's own.
inline uint32_t EventPointerSize(USHORT headerFlags)
{
    if (headerFlags & EventHeaderFlag64BitPointers)
        return 8;
    if (headerFlags & EventHeaderFlag32BitPointers)
        return 4;
    return sizeof(void*);
}

// Where the fields of one event lie for one pointer size. A write needs everything up to IoFlags.
struct WriteEventLayout
{
    uint32_t FileObject;
    uint32_t FileKey;
    uint32_t IoSize;
    uint32_t IoFlags;
    uint32_t MinimumLength() const { return IoFlags + 4; }
};

// Version 1 (Windows 10 and 11): ByteOffset, Irp, FileObject, FileKey, IssuingThreadId, IOSize, IOFlags,
// ExtraFlags. Version 0 has a ThreadId pointer after the Irp. Later versions are read as version 1.
inline WriteEventLayout WriteLayout(UCHAR version, uint32_t pointerSize)
{
    const uint32_t p = pointerSize;
    if (version == 0)
        return {8 + 2 * p, 8 + 3 * p, 8 + 4 * p, 8 + 4 * p + 4};
    return {8 + p, 8 + 2 * p, 8 + 3 * p + 4, 8 + 3 * p + 8};
}

// Create and CreateNewFile. Version 1: Irp, FileObject, IssuingThreadId (4 bytes), CreateOptions,
// CreateAttributes, ShareAccess, FileName. Version 0 has a ThreadId pointer after the Irp, before the
// FileObject, as every version-0 template of the provider has. Later versions are read as version 1.
struct CreateEventLayout
{
    uint32_t FileObject;
    uint32_t FileName;
};
inline CreateEventLayout CreateLayout(UCHAR version, uint32_t pointerSize)
{
    const uint32_t p = pointerSize;
    if (version == 0)
        return {2 * p, 3 * p + 12};
    return {p, 2 * p + 16};
}

// NameCreate, NameDelete and the rundown's FileRundown: a key pointer, then the name.
inline uint32_t KeyedNameOffset(uint32_t pointerSize)
{
    return pointerSize;
}
