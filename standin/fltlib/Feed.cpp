#include "Feed.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace standin
{
namespace
{

// Longest stretch read at one call; a raw reply of 0x40000 bytes in hex fits.
constexpr size_t MaxChunk = 4 << 20;

bool ParseNumber(const std::string& token, uint64_t max, uint64_t& value)
{
    if (token.empty() || token[0] == '-')
        return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = strtoull(token.c_str(), &end, 0);
    if (errno != 0 || end == nullptr || *end != '\0' || parsed > max)
        return false;
    value = parsed;
    return true;
}

bool ParseHex(const std::string& text, std::vector<BYTE>& bytes)
{
    auto nibble = [](char c) -> int
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    bytes.clear();
    int high = -1;
    for (char c : text)
    {
        if (c == ' ' || c == '\t')
            continue;
        const int value = nibble(c);
        if (value < 0)
            return false;
        if (high < 0)
        {
            high = value;
        }
        else
        {
            bytes.push_back(static_cast<BYTE>(high << 4 | value));
            high = -1;
        }
    }
    return high < 0;
}

std::wstring FromUtf8(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int cch = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(cch, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], cch);
    return wide;
}

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// Splits off `count` whitespace-separated tokens; `rest` is what follows them, trimmed.
bool SplitTokens(const std::string& text, size_t count, std::vector<std::string>& tokens, std::string& rest)
{
    tokens.clear();
    size_t pos = 0;
    while (tokens.size() < count)
    {
        pos = text.find_first_not_of(" \t", pos);
        if (pos == std::string::npos)
            return false;
        const size_t end = std::min(text.find_first_of(" \t", pos), text.size());
        tokens.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    rest = Trim(text.substr(pos));
    return true;
}

// Fields of "write <pid> <written> <read> <path>" after the keyword.
bool ParseWrite(const std::string& args, WriteEvent& event)
{
    std::vector<std::string> tokens;
    std::string path;
    uint64_t pid, written, read;
    if (!SplitTokens(args, 3, tokens, path) || path.empty() || !ParseNumber(tokens[0], UINT32_MAX, pid) ||
        !ParseNumber(tokens[1], UINT32_MAX, written) || !ParseNumber(tokens[2], UINT64_MAX, read))
        return false;
    event.ProcessId = static_cast<uint32_t>(pid);
    event.WriteLength = static_cast<uint32_t>(written);
    event.ReadLength = read;
    event.Path = FromUtf8(path);
    return true;
}

// "event <op> <requestFlags> <recordType> <pid> <written> <read> <path>".
bool ParseEvent(const std::string& args, WriteEvent& event)
{
    std::vector<std::string> tokens;
    std::string rest;
    uint64_t op, requestFlags, recordType;
    if (!SplitTokens(args, 3, tokens, rest) || !ParseNumber(tokens[0], UINT8_MAX, op) ||
        !ParseNumber(tokens[1], UINT32_MAX, requestFlags) || !ParseNumber(tokens[2], UINT32_MAX, recordType))
        return false;
    event.OperationCode = static_cast<uint8_t>(op);
    event.RequestFlags = static_cast<uint32_t>(requestFlags);
    event.RecordType = static_cast<uint32_t>(recordType);
    return ParseWrite(rest, event);
}

} // namespace

bool ParseFeedLine(const std::string& line, FeedItem& item)
{
    const std::string text = Trim(line);
    if (text.empty() || text[0] == '#')
        return false;
    const size_t end = std::min(text.find_first_of(" \t"), text.size());
    const std::string keyword = text.substr(0, end);
    const std::string args = text.substr(end);

    item = FeedItem();
    if (keyword == "write")
    {
        item.kind = FeedItem::Kind::Write;
        return ParseWrite(args, item.event);
    }
    if (keyword == "event")
    {
        item.kind = FeedItem::Kind::Write;
        return ParseEvent(args, item.event);
    }
    if (keyword == "raw" || keyword == "record")
    {
        item.kind = keyword == "raw" ? FeedItem::Kind::Raw : FeedItem::Kind::Record;
        return ParseHex(args, item.bytes) && (item.kind == FeedItem::Kind::Raw || !item.bytes.empty());
    }
    if (keyword == "repeat")
    {
        // "repeat <count> <hex>": one raw reply, delivered count times (for benchmarks).
        std::vector<std::string> tokens;
        std::string hex;
        item.kind = FeedItem::Kind::Raw;
        return SplitTokens(args, 1, tokens, hex) && ParseNumber(tokens[0], UINT64_MAX, item.repeat) &&
               item.repeat != 0 && ParseHex(hex, item.bytes);
    }
    if (keyword == "result")
    {
        uint64_t code;
        if (!ParseNumber(Trim(args), UINT32_MAX, code))
            return false;
        item.kind = FeedItem::Kind::Result;
        item.result = static_cast<HRESULT>(static_cast<uint32_t>(code));
        return true;
    }
    return false;
}

bool FeedReader::UpdatePath()
{
    wchar_t path[MAX_PATH * 2] = L"";
    const DWORD cch = GetEnvironmentVariableW(FeedVariable, path, ARRAYSIZE(path));
    if (cch >= ARRAYSIZE(path))
        path[0] = L'\0';
    if (m_path == path)
        return false;
    m_path = path;
    m_offset = 0;
    return true;
}

void FeedReader::ReadNewLines(std::vector<std::string>& lines)
{
    if (m_path.empty())
        return;

    HANDLE hFile =
        CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return;
    LARGE_INTEGER size = {};
    GetFileSizeEx(hFile, &size);
    // A file that shrank was replaced: start again from its beginning.
    if (static_cast<uint64_t>(size.QuadPart) < m_offset)
        m_offset = 0;
    const uint64_t available = static_cast<uint64_t>(size.QuadPart) - m_offset;
    std::string data(static_cast<size_t>(std::min<uint64_t>(available, MaxChunk)), '\0');
    DWORD cbRead = 0;
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(m_offset);
    if (!data.empty() && SetFilePointerEx(hFile, position, nullptr, FILE_BEGIN))
        ReadFile(hFile, &data[0], static_cast<DWORD>(data.size()), &cbRead, nullptr);
    CloseHandle(hFile);
    data.resize(cbRead);

    // Only complete lines: a line still being written is read at a later call.
    const size_t lastNewline = data.rfind('\n');
    if (lastNewline == std::string::npos)
    {
        // A "line" longer than a whole chunk is not a line of the format: skip it.
        if (data.size() == MaxChunk)
            m_offset += data.size();
        return;
    }
    std::istringstream stream(data.substr(0, lastNewline + 1));
    std::string line;
    while (std::getline(stream, line))
        lines.push_back(line);
    m_offset += lastNewline + 1;
}

} // namespace standin
