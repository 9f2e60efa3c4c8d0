// The feed: a text file, named by the environment variable WRIMON_STANDIN_FEED, to which a test or a
// script appends lines while the program runs. The format is described in standin/README.md.
#pragma once

#include "Records.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace standin
{

constexpr wchar_t FeedVariable[] = L"WRIMON_STANDIN_FEED";

struct FeedItem
{
    enum class Kind
    {
        Write,  // "write" and "event": a logged operation, subject to the attach check
        Record, // one record byte for byte, subject to the attach check of its name
        Raw,    // a whole reply byte for byte
        Result  // a result code returned once
    };
    Kind kind = Kind::Write;
    WriteEvent event;
    std::vector<BYTE> bytes;
    // How many times a raw reply is delivered ("repeat" lines; "raw" is once).
    uint64_t repeat = 1;
    HRESULT result = S_OK;
};

// Parses one line; false for blank lines, comments and lines that do not follow the format.
bool ParseFeedLine(const std::string& line, FeedItem& item);

// Reads a feed file incrementally: every call returns the complete lines appended since the previous
// one. The variable is read at every call, so the feed can be switched to another file at any time; a
// new file (or one that became shorter) is read from its start.
class FeedReader
{
public:
    // Reads the variable; true when it names another file than before (what was queued from the old one
    // should be forgotten). The next read starts at the new file's beginning.
    bool UpdatePath();
    // Appends the complete lines added to the current file since the previous read.
    void ReadNewLines(std::vector<std::string>& lines);

private:
    std::wstring m_path;
    uint64_t m_offset = 0;
};

} // namespace standin
