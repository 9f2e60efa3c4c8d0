// The drive list under Wine with the stand-in filter manager: listing, sizes, attaching the selection at
// start and recording it at exit.
#include <windows.h>

#include <fltuser.h>

#include <string>
#include <vector>

#include "engine/StandinMonitorFixture.h"
#include "stats/Format.h"

namespace
{

// Wine's fixed drives in letter order with their kernel names, as the stand-in lists them.
struct FixedDrive
{
    std::wstring letter;
    std::wstring device;
};

std::vector<FixedDrive> FixedDrives()
{
    std::vector<FixedDrive> drives;
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i)
    {
        wchar_t root[] = L"A:\\";
        root[0] = static_cast<wchar_t>(L'A' + i);
        if (!(mask & (1u << i)) || GetDriveTypeW(root) != DRIVE_FIXED)
            continue;
        const std::wstring letter(root, 2);
        wchar_t device[MAX_PATH] = L"";
        if (QueryDosDeviceW(letter.c_str(), device, MAX_PATH) &&
            _wcsnicmp(device, L"\\Device\\HarddiskVolume", 22) == 0)
            drives.push_back({letter, device});
    }
    return drives;
}

class VolumesTest : public StandinMonitorTest
{
protected:
    void SetUp() override
    {
        StandinMonitorTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_EQ(1, m_monitor->InstallDriverService()) << LogText();
        m_fixed = FixedDrives();
        ASSERT_FALSE(m_fixed.empty()) << "Wine has no fixed drive";
    }

    CQDriveItem* Drive(const wchar_t* letter)
    {
        for (int i = 0; i < m_monitor->m_arrDrives.GetSize(); ++i)
        {
            if (m_monitor->m_arrDrives[i]->m_csLetter == letter)
                return m_monitor->m_arrDrives[i];
        }
        return nullptr;
    }

    std::vector<FixedDrive> m_fixed;
};

TEST_F(VolumesTest, ListsTheFixedDrivesWithLettersInstancesAndSizes)
{
    m_monitor->ListVolumes();

    ASSERT_EQ(static_cast<int>(m_fixed.size()), m_monitor->m_arrDrives.GetSize()) << LogText();
    for (size_t i = 0; i < m_fixed.size(); ++i)
    {
        const CQDriveItem* drive = m_monitor->m_arrDrives[static_cast<int>(i)];
        EXPECT_EQ(m_fixed[i].letter, drive->m_csLetter);
        EXPECT_EQ(m_fixed[i].device, drive->m_csVolumeName);
        EXPECT_EQ(m_fixed[i].device.substr(22), drive->m_csVolumeSuffix);
        EXPECT_EQ(0, drive->m_intInstances);
        EXPECT_EQ(1u, CountLines(L"Volume: " + m_fixed[i].device + L"  Letter: " + m_fixed[i].letter +
                                 L"  Instances: 0"))
            << LogText();

        // Exactly one line about the size; a size is known only with its "size is" line.
        const std::wstring prefix = L"Drive: " + m_fixed[i].letter + L"\\ ";
        const std::vector<std::wstring> sizeLines = LinesStartingWith(prefix);
        ASSERT_EQ(1u, sizeLines.size()) << LogText();
        const std::wstring& line = sizeLines[0];
        if (line.compare(0, prefix.size() + 9, prefix + L"size is: ") == 0)
            EXPECT_EQ(prefix + L"size is: " + FormatSize(drive->m_qwordSize), line);
        else
        {
            EXPECT_TRUE(line == prefix + L"cannot be opened" ||
                        line == prefix + L"cannot be mapped into physical drive")
                << Narrow(line);
            EXPECT_EQ(0u, drive->m_qwordSize);
        }
    }
    // C: is Wine's system drive and the first volume of its mount manager.
    const CQDriveItem* c = Drive(L"C:");
    ASSERT_NE(nullptr, c);
    EXPECT_EQ(L"\\Device\\HarddiskVolume1", c->m_csVolumeName);
    EXPECT_TRUE(LinesStartingWith(L"No volumes").empty());
    EXPECT_TRUE(LinesStartingWith(L"Volume listing failed").empty());

    // A second listing replaces the first.
    m_monitor->ListVolumes();
    EXPECT_EQ(static_cast<int>(m_fixed.size()), m_monitor->m_arrDrives.GetSize());
}

TEST_F(VolumesTest, StartAttachesTheSelectedDrives)
{
    const struct
    {
        const wchar_t* selection;
        bool all;            // every listed drive
        const wchar_t* only; // or this one, or none
    } cases[] = {
        {L"", true, nullptr}, {L"C:", false, L"C:"}, {L"E:", false, nullptr}, // a drive that is no more
    };
    for (const auto& c : cases)
    {
        const size_t mark = m_log.Log().GetLineCount();
        m_monitor->ListVolumes();
        m_settings.m_csSelectedDrives = c.selection;
        m_monitor->AttachSelectedDrives();
        for (int i = 0; i < m_monitor->m_arrDrives.GetSize(); ++i)
        {
            const CQDriveItem* drive = m_monitor->m_arrDrives[i];
            const bool attached = c.all || (c.only != nullptr && drive->m_csLetter == c.only);
            EXPECT_EQ(attached ? 1 : 0, drive->m_intInstances)
                << "selection '" << Narrow(c.selection) << "', drive " << Narrow(drive->m_csLetter);
            EXPECT_EQ(attached ? 1 : 0, m_monitor->CountInstances(drive->m_csVolumeName))
                << "the filter manager agrees for " << Narrow(drive->m_csLetter);
            EXPECT_EQ(attached ? 1u : 0u, CountLines(L" Attached to: " + drive->m_csLetter +
                                                         L" , instance name: Wrimon - Top Instance",
                                                     mark))
                << LogText();
        }
        EXPECT_TRUE(LinesStartingWith(L"Could not").empty()) << LogText();
        m_monitor->RecordAndDetachDrives();
    }
}

TEST_F(VolumesTest, ExitRecordsTheAttachedDrivesInListOrderAndDetachesThem)
{
    m_monitor->ListVolumes();
    m_monitor->AttachSelectedDrives();
    std::wstring expected;
    for (const FixedDrive& drive : m_fixed)
        expected += drive.letter;

    m_settings.m_csSelectedDrives = L"left over";
    m_monitor->RecordAndDetachDrives();

    EXPECT_EQ(expected, m_settings.m_csSelectedDrives);
    for (int i = 0; i < m_monitor->m_arrDrives.GetSize(); ++i)
    {
        const CQDriveItem* drive = m_monitor->m_arrDrives[i];
        EXPECT_EQ(0, drive->m_intInstances);
        EXPECT_EQ(0, m_monitor->CountInstances(drive->m_csVolumeName));
        EXPECT_EQ(1u, CountLines(L" Detached from: " + drive->m_csLetter +
                                 L" , instance name: Wrimon - Top Instance"))
            << LogText();
    }

    // Nothing attached: the selection becomes empty, that is every drive at the next start.
    m_monitor->RecordAndDetachDrives();
    EXPECT_EQ(L"", m_settings.m_csSelectedDrives);
}

TEST_F(VolumesTest, ADriveAttachedBeforeTheListingIsCountedLeftAloneAndDetachedAtExit)
{
    wchar_t created[256] = L"";
    ASSERT_EQ(S_OK, FilterAttach(L"Wrimon", L"C:", nullptr, sizeof(created), created));
    m_monitor->ListVolumes();
    CQDriveItem* c = Drive(L"C:");
    ASSERT_NE(nullptr, c);
    EXPECT_EQ(1, c->m_intInstances);
    EXPECT_EQ(1u, CountLines(L"Volume: \\Device\\HarddiskVolume1  Letter: C:  Instances: 1")) << LogText();

    m_settings.m_csSelectedDrives = L"C:";
    m_monitor->AttachSelectedDrives();
    EXPECT_EQ(1, c->m_intInstances);
    EXPECT_TRUE(LinesStartingWith(L" Attached").empty()) << LogText();

    m_monitor->RecordAndDetachDrives();
    EXPECT_EQ(L"C:", m_settings.m_csSelectedDrives);
    EXPECT_EQ(0, m_monitor->CountInstances(c->m_csVolumeName));
}

TEST_F(VolumesTest, FailedAttachAndDetachKeepTheCountAndLogTheCode)
{
    m_monitor->ListVolumes();
    CQDriveItem* c = Drive(L"C:");
    ASSERT_NE(nullptr, c);

    // Not attached: the default instance is not found on the volume.
    c->m_intInstances = 1;
    EXPECT_EQ(0, m_monitor->DetachDrive(c));
    EXPECT_EQ(1, c->m_intInstances);
    EXPECT_EQ(1u, CountLines(L"Could not detach from device: 801f0015")) << LogText();

    // Without the driver nothing can be attached.
    c->m_intInstances = 0;
    ASSERT_TRUE(standin_test::StopWrimonService());
    EXPECT_EQ(0, m_monitor->AttachDrive(c));
    EXPECT_EQ(0, c->m_intInstances);
    EXPECT_EQ(1u, CountLines(L"Could not attach to device: 801f0013")) << LogText();
}

} // namespace
