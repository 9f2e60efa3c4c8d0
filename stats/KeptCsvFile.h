// CQKeptCsvFile: a CSV file of the data folder that the program reads at start and rewrites with every
// save of the collected data (the write history, the drive history), kept with the data's own safety:
// written through the one durable replace, never through a link, and never lost to a file that another
// program holds or that cannot be read. Such a file's newer rows wait beside it in "<name>.pending" (with
// a trailer that proves them complete) and reach it at the first save after it is free again; a file
// that cannot be read is left as it is and tried again at each save.
//
// The owner parses and formats the rows: `Reader` takes a file's bytes, puts its rows in place of the
// present ones (`replaceRows`) or adds them to them, logs what it could not use and returns the lines to
// keep that are not rows; `Formatter` makes the file's bytes from the rows and those lines.
//
// Open and Prepare belong to the thread that begins the saves (the user-interface thread); WritePrepared
// runs on the thread that finished the save. Saves run one at a time.
#pragma once

#include <functional>
#include <string>

#include "stats/history/HistoryFile.h"

constexpr wchar_t kPendingRowsSuffix[] = L".pending";

class CQKeptCsvFile
{
public:
    using Reader = std::function<std::string(const std::string& bytes, bool replaceRows)>;
    using Formatter = std::function<std::string(const std::string& keptLines)>;

    // `name` (not owned, a constant) is the file's name in the data folder.
    explicit CQKeptCsvFile(const wchar_t* name) : m_name(name) {}

    // Reads the file in `dataFolder` and rows that wait beside it. Without a data folder nothing is read
    // or ever written.
    void Open(const std::wstring& dataFolder, const Reader& read);
    // Makes the bytes that the next WritePrepared writes; a file that could not be read is tried again
    // first.
    void Prepare(const Reader& read, const Formatter& format);
    // Writes what Prepare made, in the file's place or beside it. True when the file itself holds it.
    bool WritePrepared();

    bool IsOpen() const { return m_state != State::notOpen; }
    const std::wstring& GetPath() const { return m_csPath; }

private:
    enum class State
    {
        notOpen,
        loaded,
        // There is a file that could not be read: its rows are not known, so it is left alone, tried
        // again at each save, and the rows counted meanwhile wait beside it.
        unreadable
    };

    bool Load(const Reader& read, bool replaceRows, bool tell);
    bool LoadPendingRows(const Reader& read, bool& wholeFile);
    bool WritePending(CQPendingRows kind);
    std::wstring PendingName() const;

    const wchar_t* m_name;
    std::wstring m_csPath;
    std::wstring m_csPendingPath;
    std::string m_keptLines;
    State m_state = State::notOpen;

    // Made by Prepare, written by WritePrepared.
    std::string m_csSaveBytes;
    bool m_boolSaveBytesReady = false;
    CQPendingRows m_saveKind = CQPendingRows::wholeFile;
    // Whether "<name>.pending" exists with rows of ours, and whether one that could not be used is in its
    // place (then it is never written over).
    bool m_boolPendingOnDisk = false;
    bool m_boolPendingBlocked = false;
    // Said once while the rows wait, not at every save.
    bool m_boolToldWaiting = false;
};
