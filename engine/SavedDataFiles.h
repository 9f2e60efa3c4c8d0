// The files of the collected data beside "Monitored.Files", and what the load and the saves remember of
// them between the two (only the load and the saves touch it, one at a time).
//
// A save writes a temporary first: "Monitored.Files.new", or, when a file there cannot be removed or must
// be kept, "Monitored.Files.new2" to ".new8". Each ends in a trailer (data/SaveTrailer.h) whose tag is
// the save's sequence number, one more than the last save's; the loader trusts a temporary only when it
// verifies, and of several the highest number is the newest. Files the program cannot use are never
// removed: they are renamed aside, numbered when the name is taken (data/SafeReplace.h, MoveFileAside).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int kDataTemporaryNames = 8;

// "<data file>.new", "<data file>.new2" ... "<data file>.new8".
std::vector<std::wstring> DataTemporaryNames(const std::wstring& dataFile);

// Endings of the names that files get when they are set aside.
extern const wchar_t kUnreadSuffix[];  // the system would not let it be read
extern const wchar_t kDamagedSuffix[]; // the data file, whose contents do not match its trailer
extern const wchar_t kTornSuffix[];    // a temporary that does not verify: a save cut short

// A file that must not be replaced or removed until it is renamed aside.
struct CQKeptFile
{
    std::wstring path;
    std::wstring asideTarget; // the name it is to get, "<data file>.unread" and so on
    const wchar_t* what;      // "could not be read", for the log line
};

struct CQSavedDataState
{
    std::vector<CQKeptFile> kept;
    // A complete temporary newer than the data file that is not yet in its place; empty when none.
    std::wstring waitingCopy;
    // The sequence number of the newest save known: the one loaded, then each one written.
    uint64_t sequence = 0;
    // What the window tells the user once after the start: files set aside or kept, and why.
    std::vector<std::wstring> notices;
};

// "Not enough memory to save the collected data ..." in the log, never throwing itself.
void LogNoMemoryForSave();
