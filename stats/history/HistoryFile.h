// Reading and writing "Write History.csv" and the rows that wait beside it. The file is the user's to
// edit, so it is read as hostile: only a plain file of sensible size is read, never through a link.
#pragma once

#include <cstdint>
#include <string>

// Larger files are not read (ten years of rows take about a megabyte).
constexpr unsigned long long kMaxHistoryFileBytes = 16ull << 20;

enum class CQHistoryRead
{
    read,
    missing,
    unreadable // `reason` says why
};

CQHistoryRead ReadHistoryFile(const std::wstring& path, std::string& bytes, std::wstring& reason);

// Replaces the file with `bytes` through the one durable replace (data/SafeReplace.h). False (logged,
// with the system's error in `error`) when the old file stays as it was.
bool WriteHistoryFile(const std::wstring& path, const std::string& bytes, unsigned long& error);

// "Write History.csv.pending": the history's rows while the file itself cannot be replaced (a
// spreadsheet holds it) or read, so that a program that closes keeps them. Its contents are the file's
// bytes and a trailer (data/SaveTrailer.h) whose tag says what they are.
enum class CQPendingRows : uint64_t
{
    wholeFile = 0,   // the whole history, newer than the file: it takes the file's place
    addedToFile = 1, // the rows counted while the file could not be read: added to the file's own
};

// Writes the pending rows durably; false (logged) when they did not reach the disk.
bool WritePendingRows(const std::wstring& path, const std::string& bytes, CQPendingRows kind);

enum class CQPendingRead
{
    read,
    missing,
    unusable // unreadable, or does not verify; `reason` says why
};

CQPendingRead ReadPendingRows(const std::wstring& path, std::string& bytes, CQPendingRows& kind,
                              std::wstring& reason);
