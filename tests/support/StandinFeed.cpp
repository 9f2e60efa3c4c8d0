#include "support/StandinFeed.h"

namespace
{
std::string FeedLine(std::string line, const std::vector<BYTE>& reply)
{
    static const char digits[] = "0123456789abcdef";
    line.reserve(line.size() + reply.size() * 2 + 1);
    for (BYTE b : reply)
    {
        line += digits[b >> 4];
        line += digits[b & 15];
    }
    return line + "\n";
}
} // namespace

std::string RawFeedLine(const std::vector<BYTE>& reply)
{
    return FeedLine("raw ", reply);
}

std::string RepeatFeedLine(uint64_t count, const std::vector<BYTE>& reply)
{
    return FeedLine("repeat " + std::to_string(count) + " ", reply);
}

bool AppendToFile(const std::wstring& path, const std::string& text)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return ok && written == text.size();
}
