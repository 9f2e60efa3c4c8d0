#include "StandinFixture.h"

#include <fltuser.h>

#include <cstdio>

#include "support/StandinFeed.h"

void StandinTest::SetUp()
{
    if (!standin_test::StandinsPresent())
        GTEST_SKIP() << "the Wine stand-ins of fltlib.dll and wrimon.sys are not built";
    SetEnvironmentVariableW(L"WRIMON_STANDIN_DEMO", nullptr);
    ASSERT_TRUE(standin_test::CreateWrimonService()) << "error " << GetLastError();
    ASSERT_TRUE(standin_test::WriteWrimonInstances()) << "error " << GetLastError();
    ASSERT_TRUE(standin_test::StartWrimonService()) << "error " << GetLastError();

    wchar_t temp[MAX_PATH];
    GetTempPathW(ARRAYSIZE(temp), temp);
    static unsigned counter = 0;
    wchar_t name[64];
    swprintf(name, ARRAYSIZE(name), L"standin_%lu_%lu_%u", GetCurrentProcessId(), GetTickCount(), ++counter);
    m_folder = std::wstring(temp) + name;
    ASSERT_TRUE(CreateDirectoryW(m_folder.c_str(), nullptr)) << "error " << GetLastError();
    SwitchFeed(L"feed.txt");
}

void StandinTest::TearDown()
{
    if (IsSkipped())
        return;
    if (m_hPort != INVALID_HANDLE_VALUE)
        CloseHandle(m_hPort);
    EXPECT_TRUE(standin_test::DeleteWrimonService()) << "error " << GetLastError();
    SetEnvironmentVariableW(L"WRIMON_STANDIN_FEED", nullptr);
    SetEnvironmentVariableW(L"WRIMON_STANDIN_DEMO", nullptr);
    if (m_folder.empty())
        return;
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW((m_folder + L"\\*").c_str(), &data);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        do
        {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((m_folder + L"\\" + data.cFileName).c_str());
        } while (FindNextFileW(hFind, &data));
        FindClose(hFind);
    }
    RemoveDirectoryW(m_folder.c_str());
}

void StandinTest::SwitchFeed(const wchar_t* fileName)
{
    m_feedPath = m_folder + L"\\" + fileName;
    HANDLE hFile = CreateFileW(m_feedPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile) << "error " << GetLastError();
    CloseHandle(hFile);
    SetEnvironmentVariableW(L"WRIMON_STANDIN_FEED", m_feedPath.c_str());
}

void StandinTest::Feed(const std::string& text)
{
    ASSERT_TRUE(AppendToFile(m_feedPath, text)) << "error " << GetLastError();
}

HANDLE StandinTest::Connect()
{
    if (m_hPort == INVALID_HANDLE_VALUE)
    {
        const HRESULT result = ConnectWrimonPort(&m_hPort);
        EXPECT_EQ(S_OK, result) << Hex(result);
    }
    return m_hPort;
}

PortReply StandinTest::Request(size_t bufferSize)
{
    m_reply.assign(bufferSize, 0xEE);
    PortReply reply = RequestLogRecords(Connect(), m_reply.data(), static_cast<DWORD>(m_reply.size()));
    m_reply.resize(reply.BytesReturned);
    return reply;
}

std::wstring StandinTest::DeviceName(wchar_t letter)
{
    wchar_t device[] = L"C:";
    device[0] = letter;
    wchar_t target[MAX_PATH] = L"";
    QueryDosDeviceW(device, target, ARRAYSIZE(target));
    return target;
}

HRESULT StandinTest::AttachDefault(const wchar_t* volume)
{
    wchar_t created[256] = L"";
    return FilterAttach(L"Wrimon", volume, nullptr, sizeof(created), created);
}

HRESULT StandinTest::DetachDefault(const wchar_t* volume)
{
    return FilterDetach(L"Wrimon", volume, nullptr);
}

uint32_t U32At(const std::vector<BYTE>& bytes, size_t offset)
{
    uint32_t value = 0;
    if (offset + 4 <= bytes.size())
        memcpy(&value, bytes.data() + offset, 4);
    return value;
}

uint64_t U64At(const std::vector<BYTE>& bytes, size_t offset)
{
    uint64_t value = 0;
    if (offset + 8 <= bytes.size())
        memcpy(&value, bytes.data() + offset, 8);
    return value;
}

std::wstring NameAt(const std::vector<BYTE>& bytes, size_t offset, size_t cbMax)
{
    std::wstring name;
    for (size_t i = offset; i + 1 < bytes.size() && i + 1 < offset + cbMax; i += 2)
    {
        const wchar_t ch = static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
        if (ch == L'\0')
            break;
        name += ch;
    }
    return name;
}

std::string Hex(HRESULT result)
{
    char text[16];
    snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(result));
    return text;
}
