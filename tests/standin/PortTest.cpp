// Connecting to the stand-in driver's port and the result codes of a request.
#include "StandinFixture.h"

#include <fltuser.h>

namespace
{

constexpr HRESULT NotFound = static_cast<HRESULT>(0x80070002UL);
constexpr HRESULT InvalidHandle = static_cast<HRESULT>(0x80070006UL);
constexpr HRESULT NoMoreItems = static_cast<HRESULT>(0x80070103UL);
constexpr HRESULT InvalidParameter = static_cast<HRESULT>(0x80070057UL);

HRESULT ConnectTo(const wchar_t* name, HANDLE& hPort)
{
    hPort = reinterpret_cast<HANDLE>(0x1234);
    return FilterConnectCommunicationPort(name, 0, nullptr, 0, nullptr, &hPort);
}

// Requests until the result is no longer "nothing ready" (the stand-in looks at the service only every
// few hundred milliseconds), at most for a few seconds.
HRESULT RequestUntilChanged(HANDLE hPort)
{
    BYTE buffer[512];
    HRESULT result = NoMoreItems;
    for (int i = 0; i < 100 && result == NoMoreItems; ++i)
    {
        DWORD returned = 0xDEAD;
        WrimonRequest request = {0, 0};
        result = FilterSendMessage(hPort, &request, sizeof(request), buffer, sizeof(buffer), &returned);
        if (result == NoMoreItems)
            Sleep(50);
    }
    return result;
}

} // namespace

TEST_F(StandinTest, ConnectsOnlyToTheWrimonPortWhileTheServiceRuns)
{
    HANDLE hPort;
    HRESULT result = ConnectTo(L"\\OtherPort", hPort);
    EXPECT_EQ(NotFound, result) << Hex(result);
    EXPECT_EQ(INVALID_HANDLE_VALUE, hPort);

    result = ConnectTo(L"\\WrimonPort", hPort);
    ASSERT_EQ(S_OK, result) << Hex(result);
    EXPECT_NE(INVALID_HANDLE_VALUE, hPort);
    EXPECT_NE(nullptr, hPort);
    EXPECT_TRUE(CloseHandle(hPort)) << "the port handle is a real handle";

    ASSERT_TRUE(standin_test::StopWrimonService());
    result = ConnectTo(L"\\WrimonPort", hPort);
    EXPECT_EQ(NotFound, result) << Hex(result);

    ASSERT_TRUE(standin_test::DeleteWrimonService());
    result = ConnectTo(L"\\WrimonPort", hPort);
    EXPECT_EQ(NotFound, result) << Hex(result);
}

TEST_F(StandinTest, NothingReadyOnAnIdlePort)
{
    const PortReply reply = Request();
    EXPECT_EQ(NoMoreItems, reply.Result) << Hex(reply.Result);
    EXPECT_EQ(0u, reply.BytesReturned);
    EXPECT_EQ(PortOutcome::NothingReady, ClassifyPortResult(reply.Result));
}

TEST_F(StandinTest, UnknownHandlesAndBadRequestsAreRefused)
{
    HANDLE hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    WrimonRequest request = {0, 0};
    BYTE buffer[256];
    const HANDLE handles[] = {nullptr, INVALID_HANDLE_VALUE, hEvent};
    for (HANDLE handle : handles)
    {
        DWORD returned = 0xDEAD;
        const HRESULT result =
            FilterSendMessage(handle, &request, sizeof(request), buffer, sizeof(buffer), &returned);
        EXPECT_EQ(InvalidHandle, result) << Hex(result);
        EXPECT_EQ(0u, returned);
    }
    CloseHandle(hEvent);

    HANDLE hPort = Connect();
    DWORD returned = 0xDEAD;
    WrimonRequest otherCommand = {1, 0};
    HRESULT result =
        FilterSendMessage(hPort, &otherCommand, sizeof(otherCommand), buffer, sizeof(buffer), &returned);
    EXPECT_EQ(InvalidParameter, result) << Hex(result);
    EXPECT_EQ(0u, returned);
    result = FilterSendMessage(hPort, &request, 4, buffer, sizeof(buffer), &returned);
    EXPECT_EQ(InvalidParameter, result) << Hex(result);
    result = FilterSendMessage(hPort, &request, sizeof(request), nullptr, 0, &returned);
    EXPECT_EQ(InvalidParameter, result) << Hex(result);
}

TEST_F(StandinTest, PortDiesWithTheDriverAndStaysDead)
{
    HANDLE hPort = Connect();
    ASSERT_EQ(NoMoreItems, Request().Result);

    ASSERT_TRUE(standin_test::StopWrimonService());
    HRESULT result = RequestUntilChanged(hPort);
    EXPECT_EQ(InvalidHandle, result) << Hex(result);
    EXPECT_EQ(PortOutcome::DriverGone, ClassifyPortResult(result));

    // A new load of the driver does not revive an old connection; a new one works.
    ASSERT_TRUE(standin_test::StartWrimonService());
    result = RequestUntilChanged(hPort);
    EXPECT_EQ(InvalidHandle, result) << Hex(result);
    HANDLE hNewPort = INVALID_HANDLE_VALUE;
    ASSERT_EQ(S_OK, ConnectWrimonPort(&hNewPort));
    BYTE buffer[256];
    const PortReply reply = RequestLogRecords(hNewPort, buffer, sizeof(buffer));
    EXPECT_EQ(NoMoreItems, reply.Result) << Hex(reply.Result);
    CloseHandle(hNewPort);
}

TEST_F(StandinTest, PortDiesWhenTheServiceIsDeleted)
{
    HANDLE hPort = Connect();
    ASSERT_TRUE(standin_test::DeleteWrimonService());
    const HRESULT result = RequestUntilChanged(hPort);
    EXPECT_EQ(InvalidHandle, result) << Hex(result);
}

TEST_F(StandinTest, AClosedPortHandleIsNoPortAnyMore)
{
    HANDLE hPort = INVALID_HANDLE_VALUE;
    ASSERT_EQ(S_OK, ConnectWrimonPort(&hPort));
    ASSERT_TRUE(CloseHandle(hPort));
    // The system may hand the same value out again for something else.
    HANDLE hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    BYTE buffer[256];
    const PortReply onClosed = RequestLogRecords(hPort, buffer, sizeof(buffer));
    const PortReply onEvent = RequestLogRecords(hEvent, buffer, sizeof(buffer));
    CloseHandle(hEvent);
    EXPECT_EQ(InvalidHandle, onClosed.Result) << Hex(onClosed.Result);
    EXPECT_EQ(InvalidHandle, onEvent.Result) << Hex(onEvent.Result);
}
