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
// "Write History.csv" and "Drive History.csv" beside it.
std::wstring WriteHistoryPath();
std::wstring DriveHistoryPath();

// Moves an existing data file, write history and drive history aside and puts them back at destruction;
// the files that saves leave beside them (temporaries, files set aside, rows that wait) are removed before
// and after. The test starts without any of them.
class SavedDataScratch
{
public:
    SavedDataScratch();
    ~SavedDataScratch();
    SavedDataScratch(const SavedDataScratch&) = delete;
    SavedDataScratch& operator=(const SavedDataScratch&) = delete;

private:
    struct SetAside
    {
        std::wstring path;
        std::wstring backup;
        bool saved = false;
    };
    void Move(SetAside& file);
    static void Restore(const SetAside& file);
    // Removes "<path>.*" but the backups.
    static void RemoveCompanions(const std::wstring& path);

    SetAside m_data;
    SetAside m_history;
    SetAside m_driveHistory;
};

struct SavedWrite
{
    std::wstring path; // such as C:\tavtest\a.txt
    uint64_t bytes;
};

// Writes a data file with these totals and a tree holding these writes (no processes), as the save with
// this sequence number.
bool WriteSavedData(const CQStatisticsBlock& stats, const std::vector<SavedWrite>& writes,
                    uint64_t sequence = 1);

struct SavedDataContents
{
    CQStatisticsBlock stats;
    int topLevelItems; // drives
    uint64_t writtenInTree;
};
// Reads the data file as the program would at its next start; false when it cannot be loaded.
bool ReadSavedData(SavedDataContents& contents);
