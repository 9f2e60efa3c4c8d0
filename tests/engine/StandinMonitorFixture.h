// A monitor of its own (MonitorTest) against Wine's service manager and the stand-in driver: no Wrimon
// service before or after the test, a fresh feed file named by WRIMON_STANDIN_FEED, and no worker
// thread left running, whatever the test did.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/MonitorFixture.h"
#include "support/StandinFeed.h"
#include "support/StandinService.h"

class StandinMonitorTest : public MonitorTest
{
public:
    // Waits up to the limit for the condition; the last value is returned.
    static bool WaitFor(const std::function<bool()>& done, DWORD timeoutMilliseconds = 20000);
    // Whether the thread has ended within the limit.
    static bool Ended(HANDLE thread, DWORD timeoutMilliseconds = 20000);

protected:
    void SetUp() override;
    void TearDown() override;

    // Installs the service the way the program does, connects the monitor's port and marks the threads
    // as started, so that ShutDown would wait for them.
    void InstallAndConnect();
    // Creates one worker thread on the monitor, as Start does.
    void StartRetrieval();
    void StartProcessing();
    // Sets the stop flag and waits for the worker threads (with a limit, so a hang fails the test), then
    // closes their handles and the port.
    void StopThreads();

    // Appends text to the feed file; lines end with "\n".
    void Feed(const std::string& text);

    // Log lines equal to the text (from the line of index from on), and whether one is there.
    size_t CountLines(const std::wstring& text, size_t from = 0) const;
    bool HasLine(const std::wstring& text) const { return CountLines(text) != 0; }
    // Log lines that begin with the text.
    std::vector<std::wstring> LinesStartingWith(const std::wstring& prefix) const;
    // The whole log, one line per line, for failure messages.
    std::string LogText() const;

    // Device path on the volume of C: (\Device\HarddiskVolume1\...).
    static std::wstring OnC(const std::wstring& rest);
    // Executable name of the test program, as the process lookup finds it.
    static std::wstring SelfName();

    std::wstring m_feedPath;
};

std::string Narrow(const std::wstring& text);

// One line per item below the root: path, its own bytes and aligned bytes, the subtree total and its
// process links. Sorted, since the order in which the processing thread creates items is not fixed.
std::vector<std::string> DumpTree(const CQMonitor& monitor);
