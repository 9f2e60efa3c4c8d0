// Walking one reply of the Wrimon driver: the checks of every record, the translation of mount-point tag
// records, and which records count as writes. A pure function over the reply's bytes, so that crafted
// buffers can be handed to it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

constexpr wchar_t ReplyWalkUnexpectedLength[] = L"Unexpected record length";
constexpr wchar_t ReplyWalkUnexpectedSize[] = L"Unexpected record structure size";
constexpr wchar_t ReplyWalkOutOfMemory[] = L"Out of memory";
constexpr wchar_t ReplyWalkExceededMemory[] = L"Exceeded maximum allowed memory";

// One record accepted by the walk. Not owning: valid while the reply buffer is unchanged. The record may
// start at any offset of the reply, so its fields are read byte-wise and its name is not assumed to be
// aligned for wchar_t.
class LogRecordView
{
public:
    // pRecord points at a record of at least the minimum length; length is its Length field.
    LogRecordView(const BYTE* pRecord, uint32_t length);

    uint32_t Length() const { return m_dwordLength; }
    uint32_t RecordType() const;
    uint32_t ProcessId() const;
    uint32_t RequestFlags() const;
    uint8_t OperationCode() const;
    uint32_t WriteLength() const;
    uint64_t ReadLength() const;

    // The name: UTF-16LE units from offset 48 up to the first NUL, or up to the record's end when the
    // record holds no NUL. NameBytes points inside the record (possibly unaligned).
    const BYTE* NameBytes() const { return m_pRecord + 48; }
    size_t NameLength() const { return m_cchName; }
    wchar_t NameChar(size_t index) const;
    bool NameContains(wchar_t ch) const;
    std::wstring Name() const;
    void CopyName(std::wstring& out) const;

private:
    uint32_t ReadU32(uint32_t offset) const;

    const BYTE* m_pRecord; // not owned
    uint32_t m_dwordLength;
    size_t m_cchName;
};

using ReplyRecordSink = std::function<void(const LogRecordView& record)>;
using ReplyLogSink = std::function<void(const wchar_t* line)>;

// Walks the first bytesReturned bytes of a reply: hands every accepted record to onRecord and writes the
// walk's log lines (malformed records, the driver's memory flags) to onLogLine, in the order they occur.
// Mount-point tag records are rewritten in place, never beyond their own Length. Returns the number of
// records handed over. Either sink may be empty.
size_t WalkReply(BYTE* pReply, uint32_t bytesReturned, const ReplyRecordSink& onRecord,
                 const ReplyLogSink& onLogLine);

// A write the program counts: operation 4, and either not synchronous paging I/O or paging I/O on a name
// with a '$' (the file system's own metadata files such as $LogFile).
bool IsCountedRecord(const LogRecordView& record);
