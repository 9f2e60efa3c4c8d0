// One open device (\\.\PhysicalDriveN or a volume \\.\C:) whose requests never block the caller for longer
// than a set time: each DeviceIoControl is overlapped and waited for with a limit. A request not answered in
// time is cancelled; when even the cancel is not answered, its buffers are given up (left to the system, so
// a late answer writes into memory that is still there) and the device counts as not answering: every later
// request on it fails at once.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "data/Handle.h"

class CQDiskDevice
{
public:
    enum class Outcome
    {
        done,     // the request succeeded; `returned` bytes of the answer are valid
        failed,   // the device refused it; GetError() tells why
        noAnswer, // not answered in time, or the stop event was set
    };

    // `timeoutMs` bounds each request; `stopEvent` (not owned, may be null) ends a wait at once.
    CQDiskDevice(DWORD timeoutMs, HANDLE stopEvent);
    ~CQDiskDevice();
    CQDiskDevice(const CQDiskDevice&) = delete;
    CQDiskDevice& operator=(const CQDiskDevice&) = delete;

    // Opens the device. With `forCommands` for reading and writing (ATA pass-through needs both), falling
    // back to no access at all when that is refused (the queries still work then); else with no access.
    // False with GetError() set when it cannot be opened.
    bool Open(const std::wstring& path, bool forCommands);

    // Sends the request with `input` and an answer buffer of `answer.size()` bytes, which receives the
    // answer; `returned` is set to the bytes it holds.
    Outcome Control(DWORD code, const std::vector<uint8_t>& input, std::vector<uint8_t>& answer,
                    DWORD& returned);

    DWORD GetError() const { return m_dwordError; }
    bool IsAnswering() const { return m_boolAnswering; }

private:
    struct Request;

    CQFileHandle m_file;
    DWORD m_dwordTimeoutMs;
    HANDLE m_hStop;
    DWORD m_dwordError = 0;
    bool m_boolAnswering = true;
};
