// Writes and reads a million records field by field through CQFile, with and without its buffer, and
// prints the times. Figures only; nothing here passes or fails.
#include <windows.h>

#include <cstdio>
#include <string>

#include "data/File.h"

namespace
{
const int kRecords = 1000000;

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Run(const std::wstring& path, DWORD bufferSize)
{
    LARGE_INTEGER start, written, read;
    QueryPerformanceCounter(&start);
    {
        CQFile file(0, bufferSize);
        if (!file.Open(path.c_str(), 0x1002))
            return;
        for (int i = 0; i < kRecords; ++i)
        {
            DWORD kind = i & 1;
            uint64_t bytes = static_cast<uint64_t>(i) * 4096;
            file.Write(&kind, sizeof(kind));
            file.Write(&bytes, sizeof(bytes));
            file.Write(&bytes, sizeof(bytes));
            file.WriteString(L"item" + std::to_wstring(i) + L".dat", 0);
        }
    }
    QueryPerformanceCounter(&written);
    {
        CQFile file(0, bufferSize);
        if (!file.Open(path.c_str(), 0))
            return;
        DWORD kind;
        uint64_t bytes;
        std::wstring name;
        for (int i = 0; i < kRecords; ++i)
        {
            file.Read(&kind, sizeof(kind));
            file.Read(&bytes, sizeof(bytes));
            file.Read(&bytes, sizeof(bytes));
            file.ReadString(name, 0);
        }
    }
    QueryPerformanceCounter(&read);
    wprintf(L"buffer %6lu bytes: write %.3f s, read %.3f s\n", bufferSize, Seconds(start, written),
            Seconds(written, read));
}
} // namespace

int main()
{
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring path = std::wstring(temp) + L"tavrello-file-bench.bin";
    wprintf(L"%d records of 4 fields\n", kRecords);
    Run(path, CQFile::kDefaultBufferSize);
    Run(path, 0);
    DeleteFileW(path.c_str());
    return 0;
}
