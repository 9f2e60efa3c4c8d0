// Everything that crosses the port of the Wrimon minifilter driver: the port name, the request, the layout
// of a log record in a reply and the result codes the program tells apart. All fields are little-endian.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

constexpr wchar_t WrimonPortName[] = L"\\WrimonPort";

// The one command the program sends: hand over the records logged since the last request.
constexpr uint32_t WrimonCommandGetLogRecords = 0;

#pragma pack(push, 1)

struct WrimonRequest
{
    uint32_t Command;
    uint32_t Reserved; // sent as 0
};

// Fixed head of every log record; the name area (a NUL-terminated UTF-16LE device path, or tag data)
// follows at offset 48 and runs to Length.
struct WrimonRecordHeader
{
    uint32_t Length; // whole record, header and name area
    uint32_t Unused4;
    uint32_t RecordType; // WrimonRecordType... bits
    uint32_t Unused12;
    uint32_t ProcessId;
    uint32_t Unused20;
    uint32_t RequestFlags; // only WrimonRequestFlagSyncPagingIo is examined
    uint32_t Unused28;
    uint8_t OperationCode;
    uint8_t Unused33[3];
    uint32_t WriteLength;
    uint64_t ReadLength;
};

// Name area of a tag record; the substitute name's characters follow at offset 16, not NUL-terminated.
struct WrimonTagData
{
    uint32_t Tag;
    uint32_t Unused4;
    uint16_t SubstituteNameOffset; // not read: the name is taken to start at WrimonTagPathOffset
    uint16_t SubstituteNameLength; // bytes
    uint32_t Unused12;
};

#pragma pack(pop)

static_assert(sizeof(WrimonRequest) == 8, "request is 8 bytes");
static_assert(offsetof(WrimonRequest, Command) == 0 && offsetof(WrimonRequest, Reserved) == 4, "request");

static_assert(sizeof(WrimonRecordHeader) == 48, "record header is 48 bytes");
static_assert(offsetof(WrimonRecordHeader, Length) == 0, "Length");
static_assert(offsetof(WrimonRecordHeader, RecordType) == 8, "RecordType");
static_assert(offsetof(WrimonRecordHeader, ProcessId) == 16, "ProcessId");
static_assert(offsetof(WrimonRecordHeader, RequestFlags) == 24, "RequestFlags");
static_assert(offsetof(WrimonRecordHeader, OperationCode) == 32, "OperationCode");
static_assert(offsetof(WrimonRecordHeader, WriteLength) == 36, "WriteLength");
static_assert(offsetof(WrimonRecordHeader, ReadLength) == 40, "ReadLength");

static_assert(sizeof(WrimonTagData) == 16, "tag data head is 16 bytes");
static_assert(offsetof(WrimonTagData, Tag) == 0, "Tag");
static_assert(offsetof(WrimonTagData, SubstituteNameOffset) == 8, "SubstituteNameOffset");
static_assert(offsetof(WrimonTagData, SubstituteNameLength) == 10, "SubstituteNameLength");

constexpr uint32_t WrimonHeaderSize = 48;
constexpr uint32_t WrimonNameOffset = WrimonHeaderSize;
// The header plus one UTF-16 NUL.
constexpr uint32_t WrimonMinRecordLength = 50;
constexpr uint32_t WrimonReplyBufferSize = 0x40000;

constexpr uint32_t WrimonRecordTypeTag = 0x00000004;
constexpr uint32_t WrimonRecordTypeOutOfMemory = 0x10000000;
constexpr uint32_t WrimonRecordTypeExceededMemory = 0x20000000;

// Synchronous paging I/O: the cache manager and the file system's own metadata writes.
constexpr uint32_t WrimonRequestFlagSyncPagingIo = 0x00000040;

constexpr uint8_t WrimonOperationWrite = 4;

// The Windows mount-point reparse tag, the only tag the program understands.
constexpr uint32_t WrimonTagMountPoint = 0xA0000003;
// Offsets inside the name area of a tag record.
constexpr uint32_t WrimonTagSubstituteLengthOffset = 10;
constexpr uint32_t WrimonTagPathOffset = sizeof(WrimonTagData);
// Longest substitute name taken over, in bytes.
constexpr uint32_t WrimonMaxSubstituteNameLength = 454;

// HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE): the driver is gone, the connection is dead.
constexpr HRESULT WrimonResultDriverGone = static_cast<HRESULT>(0x80070006UL);
// HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS): nothing to deliver now.
constexpr HRESULT WrimonResultNoMoreItems = static_cast<HRESULT>(0x80070103UL);
