#include "engine/health/DiskDevice.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace
{
// After a cancel, how long the device has to give the request back.
constexpr DWORD kCancelWaitMs = 2000;
} // namespace

// Everything the system may still write while a request is out: given up together when it never returns.
struct CQDiskDevice::Request
{
    OVERLAPPED overlapped = {};
    std::vector<uint8_t> input;
    std::vector<uint8_t> answer;

    Request() { overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    ~Request()
    {
        if (overlapped.hEvent != nullptr)
            ::CloseHandle(overlapped.hEvent);
    }
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;
};

CQDiskDevice::CQDiskDevice(DWORD timeoutMs, HANDLE stopEvent)
    : m_dwordTimeoutMs(timeoutMs), m_hStop(stopEvent)
{
}

CQDiskDevice::~CQDiskDevice() = default;

bool CQDiskDevice::Open(const std::wstring& path, bool forCommands)
{
    for (DWORD access : {forCommands ? DWORD(GENERIC_READ | GENERIC_WRITE) : DWORD(0), DWORD(0)})
    {
        m_file.Reset(::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
        if (m_file.IsValid())
            return true;
        m_dwordError = ::GetLastError();
        if (m_dwordError != ERROR_ACCESS_DENIED)
            break;
    }
    return false;
}

CQDiskDevice::Outcome CQDiskDevice::Control(DWORD code, const std::vector<uint8_t>& input,
                                            std::vector<uint8_t>& answer, DWORD& returned)
{
    returned = 0;
    if (!m_boolAnswering || !m_file.IsValid())
    {
        m_dwordError = ERROR_NOT_READY;
        return Outcome::noAnswer;
    }
    std::unique_ptr<Request> request(new Request);
    if (request->overlapped.hEvent == nullptr)
    {
        m_dwordError = ::GetLastError();
        return Outcome::failed;
    }
    request->input = input;
    request->answer.assign(answer.size(), 0);
    DWORD bytes = 0;
    if (::DeviceIoControl(m_file.Get(), code, request->input.empty() ? nullptr : request->input.data(),
                          static_cast<DWORD>(request->input.size()),
                          request->answer.empty() ? nullptr : request->answer.data(),
                          static_cast<DWORD>(request->answer.size()), &bytes, &request->overlapped))
    {
        returned = std::min<DWORD>(bytes, static_cast<DWORD>(answer.size()));
        std::memcpy(answer.data(), request->answer.data(), returned);
        return Outcome::done;
    }
    m_dwordError = ::GetLastError();
    if (m_dwordError != ERROR_IO_PENDING)
        return Outcome::failed;

    HANDLE waits[2] = {request->overlapped.hEvent, m_hStop};
    const DWORD count = m_hStop != nullptr ? 2 : 1;
    if (::WaitForMultipleObjects(count, waits, FALSE, m_dwordTimeoutMs) != WAIT_OBJECT_0)
    {
        ::CancelIoEx(m_file.Get(), &request->overlapped);
        if (::WaitForSingleObject(request->overlapped.hEvent, kCancelWaitMs) != WAIT_OBJECT_0)
        {
            // The system still holds the request: its memory stays where it is.
            request.release();
            m_boolAnswering = false;
            m_dwordError = WAIT_TIMEOUT;
            return Outcome::noAnswer;
        }
        // Answered after all, or cancelled: either way too late to count on this device.
        m_boolAnswering = false;
        m_dwordError = WAIT_TIMEOUT;
        return Outcome::noAnswer;
    }
    if (!::GetOverlappedResult(m_file.Get(), &request->overlapped, &bytes, FALSE))
    {
        m_dwordError = ::GetLastError();
        return Outcome::failed;
    }
    returned = std::min<DWORD>(bytes, static_cast<DWORD>(answer.size()));
    std::memcpy(answer.data(), request->answer.data(), returned);
    return Outcome::done;
}
