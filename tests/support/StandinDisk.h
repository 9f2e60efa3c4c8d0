// The stand-in disk driver (bin\standin_disk.sys beside the test program) as the kernel service
// "StandinDisk" of the test prefix, and the values of its disks (HKLM\...\Services\StandinDisk\Disks\N),
// which it reads at every request. Every call returns false on failure, with the system's error left in
// GetLastError where there is one.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace standin_test
{

// Whether bin\standin_disk.sys lies beside the test program (a Windows build has none).
bool StandinDiskPresent();
// Creates the service for it; a leftover service and its disks go first.
bool CreateStandinDisk();
// Starts the driver: it answers for the Disks subkeys that exist at that moment.
bool StartStandinDisk();
bool StopStandinDisk();
// Stops and deletes the service with its key; true when it is gone (also when it did not exist).
bool DeleteStandinDisk();

// The values of disk N; each setter creates the disk's key when it is missing.
class StandinDiskValues
{
public:
    explicit StandinDiskValues(uint32_t disk) : m_disk(disk) {}
    bool SetDword(const wchar_t* name, DWORD value) const;
    bool SetQword(const wchar_t* name, uint64_t value) const;
    bool SetString(const wchar_t* name, const std::wstring& value) const;
    bool SetBinary(const wchar_t* name, const std::vector<uint8_t>& bytes) const;
    bool Delete(const wchar_t* name) const;

private:
    bool Set(const wchar_t* name, DWORD type, const void* data, DWORD bytes) const;
    uint32_t m_disk;
};

} // namespace standin_test

// Tests that talk to disks of the stand-in: the service is created before each test (skipped where the
// stand-in is not built) and deleted after it, with its disks, so Wine's own disk comes back.
class StandinDiskTest : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Disk N's values.
    static standin_test::StandinDiskValues Disk(uint32_t disk)
    {
        return standin_test::StandinDiskValues(disk);
    }
    // Starts the driver, failing the test when it does not start.
    void StartDisks();
};
