// Fixture of the stand-in tests: the Wrimon service for bin\wrimon.sys with its instance configuration,
// running, and a fresh feed file named by WRIMON_STANDIN_FEED. Everything is removed afterwards.
#pragma once

#include "engine/PortRequest.h"
#include "engine/WrimonProtocol.h"
#include "support/StandinService.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

class StandinTest : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Appends text to the feed file (lines end with "\n").
    void Feed(const std::string& text);
    // Points the feed variable at a new file in the test's folder.
    void SwitchFeed(const wchar_t* fileName);
    // Connects a port kept by the fixture and closed at the end.
    HANDLE Connect();
    // One get-log-records request into a buffer of the given size; the buffer holds the reply.
    PortReply Request(size_t bufferSize = WrimonReplyBufferSize);

    static std::wstring DeviceName(wchar_t letter);
    static HRESULT AttachDefault(const wchar_t* volume);
    static HRESULT DetachDefault(const wchar_t* volume);

    std::wstring m_folder;
    std::wstring m_feedPath;
    HANDLE m_hPort = INVALID_HANDLE_VALUE;
    std::vector<BYTE> m_reply;
};

// Bytes of a record in a reply.
uint32_t U32At(const std::vector<BYTE>& bytes, size_t offset);
uint64_t U64At(const std::vector<BYTE>& bytes, size_t offset);
std::wstring NameAt(const std::vector<BYTE>& bytes, size_t offset, size_t cbMax);
std::string Hex(HRESULT result);
