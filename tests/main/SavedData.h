// The program's saved data file ("Monitored.Files" in the per-user data folder) as the tests see it: set
// aside around each test, written with known contents before a start, read back after an exit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/StatisticsBlock.h"

// <application data>\Orvek software\Tavrello\Monitored.Files (the folder is created when missing).
std::wstring SavedDataPath();
bool SavedDataExists();

// Moves an existing data file (and a left-over ".new") aside and puts it back at destruction; the test
// starts without one.
class SavedDataScratch
{
public:
    SavedDataScratch();
    ~SavedDataScratch();
    SavedDataScratch(const SavedDataScratch&) = delete;
    SavedDataScratch& operator=(const SavedDataScratch&) = delete;

private:
    std::wstring m_path;
    std::wstring m_backup;
    bool m_saved = false;
};

struct SavedWrite
{
    std::wstring path; // such as C:\tavtest\a.txt
    uint64_t bytes;
};

// Writes a data file with these totals and a tree holding these writes (no processes).
bool WriteSavedData(const CQStatisticsBlock& stats, const std::vector<SavedWrite>& writes);

struct SavedDataContents
{
    CQStatisticsBlock stats;
    int topLevelItems; // drives
    uint64_t writtenInTree;
};
// Reads the data file as the program would at its next start; false when it cannot be loaded.
bool ReadSavedData(SavedDataContents& contents);
