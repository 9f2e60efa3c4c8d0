// The "Drive Health" window under Wine over a monitor whose C: lies on a stand-in NVMe disk (the public
// reading of an Intel SSDPEDME400G4): its row and columns, the selected drive's sentences, the rating entered
// and kept by serial, "Read now", the colours of the entry box and resizing.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "app/Registry.h"
#include "dialogs/DialogsTestSupport.h"
#include "resources/resource.h"
#include "stats/health/DriveHealth.h"
#include "support/DrivePages.h"
#include "support/LogCapture.h"
#include "support/RegistryScratch.h"
#include "support/ScriptedDialog.h"
#include "support/StandinDisk.h"
#include "support/TempFolder.h"
#include "ui/controls/ControlColors.h"
#include "ui/dialogs/health/DriveHealthDlg.h"

namespace
{
using HealthDialog = ScriptedDialog<CTavrelloDriveHealthDlg>;

constexpr DWORD kWaitMs = 60000;
const wchar_t kSerial[] = L"CVMD4352001W400FGN";

RECT ClientRectIn(HWND dialog, int id)
{
    RECT rect = {};
    ::GetWindowRect(::GetDlgItem(dialog, id), &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class DriveHealthDlgTest : public StandinDiskTest
{
protected:
    void SetUp() override
    {
        StandinDiskTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        SetSettingsStore(&m_store);
        drive_pages::NvmeHealth health;
        health.percentageUsed = 12;
        health.dataUnitsWritten = 682594316;
        health.temperatureKelvin = 310;
        ASSERT_TRUE(Disk(0).SetDword(L"BusType", 17));
        ASSERT_TRUE(Disk(0).SetString(L"Model", L"INTEL SSDPEDME400G4"));
        ASSERT_TRUE(Disk(0).SetString(L"Serial", kSerial));
        ASSERT_TRUE(Disk(0).SetQword(L"Size", 400088457216ull));
        ASSERT_TRUE(Disk(0).SetBinary(L"NvmeHealth", drive_pages::NvmeHealthPage(health)));
        StartDisks();
        CQDriveItem* drive = new CQDriveItem;
        drive->SetVolumeName(L"\\Device\\HarddiskVolume1");
        drive->m_csLetter = L"C:";
        drive->m_intInstances = 1;
        m_monitor.m_arrDrives.Add(drive);
    }
    void TearDown() override
    {
        m_health.Finish(m_monitor, 0);
        SetSettingsStore(nullptr);
        StandinDiskTest::TearDown();
    }

    // As the main window's refresh: polls until a round is taken.
    void TakeRound()
    {
        const uint64_t version = m_health.GetVersion();
        for (DWORD waited = 0; waited < kWaitMs && m_health.GetVersion() == version; waited += 20)
        {
            m_health.Poll(m_monitor);
            if (m_health.GetVersion() == version)
                Sleep(20);
        }
        ASSERT_NE(version, m_health.GetVersion()) << "no round was taken";
    }

    LogCapture m_log;
    TempFolder m_folder;
    TavrelloRegistryScratch m_registry;
    CQRegistry m_store{L"Orvek software", L"Tavrello"};
    CQMonitor m_monitor;
    CQDriveHealth m_health;
};
} // namespace

TEST_F(DriveHealthDlgTest, ShowsTheDrivesRowAndKeepsTheRatingEnteredForIt)
{
    m_monitor.m_stats.m_qwordMonitoringSeconds = 86400;
    m_health.Start(m_monitor, m_folder.Path());
    TakeRound();
    HealthDialog dlg(m_health, m_monitor, nullptr);
    dlg.steps.push_back(
        [&](HealthDialog& d)
        {
            HWND hDlg = d.GetHwnd();
            HWND list = GetDlgItem(hDlg, IDC_HEALTH_LIST);
            EXPECT_EQ(L"Drive Health", WindowText(hDlg));
            HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
            EXPECT_EQ(15, static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)));
            ASSERT_EQ(1, ListItemCount(list));
            EXPECT_TRUE(ListRowSelected(list, 0));
            const struct
            {
                int column;
                const wchar_t* text;
            } cells[] = {
                {0, L"C:"},        {1, L"INTEL SSDPEDME400G4"},
                {2, L"372.61 Gb"}, {3, L"NVMe"},
                {4, L"317.86 Tb"}, {5, L"0.00 b"},
                {6, L"0.00 b"},    {7, L""},
                {8, L"12 %"},      {10, L"37 \u00B0C"},
                {11, L""},         {12, L"too early"},
                {13, L"wear"},
            };
            for (const auto& cell : cells)
                EXPECT_EQ(cell.text, ListItemText(list, 0, cell.column)) << "column " << cell.column;
            const std::wstring summary = WindowText(GetDlgItem(hDlg, IDC_HEALTH_SUMMARY));
            EXPECT_NE(std::wstring::npos, summary.find(L"serial CVMD4352001W400FGN")) << summary;
            EXPECT_NE(std::wstring::npos, summary.find(L"12 % of its life used")) << summary;
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hDlg, IDC_HEALTH_RATING)));

            // 600 TBW entered: kept by serial, and the life follows from the rating.
            SetDlgItemTextW(hDlg, IDC_HEALTH_RATING, L"600");
            SendMessageW(GetDlgItem(hDlg, IDC_HEALTH_SET_RATING), BM_CLICK, 0, 0);
            EXPECT_EQ(600, m_store.GetInt(L"Drive Ratings", kSerial, 0));
            EXPECT_EQ(L"600 TBW", ListItemText(list, 0, 11));
            EXPECT_EQ(L"rated TBW", ListItemText(list, 0, 13).substr(0, 9));

            // The entry box wears the program's control colours.
            HDC hdc = CreateCompatibleDC(nullptr);
            const LRESULT brush = SendMessageW(hDlg, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(hdc),
                                               reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDC_HEALTH_RATING)));
            EXPECT_NE(0, brush);
            EXPECT_EQ(kControlTextColor, GetTextColor(hdc));
            EXPECT_EQ(kControlBackgroundColor, GetBkColor(hdc));
            DeleteDC(hdc);
        });
    // "Read now" asks for a round; the window says so until the refresh has taken it.
    dlg.steps.push_back(
        [&](HealthDialog& d)
        {
            HWND hDlg = d.GetHwnd();
            SendMessageW(GetDlgItem(hDlg, IDC_HEALTH_READ_NOW), BM_CLICK, 0, 0);
            EXPECT_EQ(L"Reading the drives...", WindowText(GetDlgItem(hDlg, IDC_HEALTH_STATUS)));
            TakeRound();
            SendMessageW(hDlg, WM_TIMER, 1, 0);
            EXPECT_EQ(L"Read at ", WindowText(GetDlgItem(hDlg, IDC_HEALTH_STATUS)).substr(0, 8));
            EXPECT_EQ(L"600 TBW", ListItemText(GetDlgItem(hDlg, IDC_HEALTH_LIST), 0, 11));
        });
    // Resized, the list takes the room; the minimum is the opening size.
    dlg.steps.push_back(
        [&](HealthDialog& d)
        {
            HWND hDlg = d.GetHwnd();
            RECT window = {};
            GetWindowRect(hDlg, &window);
            const RECT list = ClientRectIn(hDlg, IDC_HEALTH_LIST);
            const RECT ok = ClientRectIn(hDlg, IDOK);
            const RECT rating = ClientRectIn(hDlg, IDC_HEALTH_RATING);
            SetWindowPos(hDlg, nullptr, 0, 0, window.right - window.left + 300,
                         window.bottom - window.top + 200, SWP_NOMOVE | SWP_NOZORDER);
            const RECT grown = ClientRectIn(hDlg, IDC_HEALTH_LIST);
            EXPECT_EQ(list.right - list.left + 300, grown.right - grown.left);
            EXPECT_EQ(list.bottom - list.top + 200, grown.bottom - grown.top);
            EXPECT_EQ(ok.left + 300, ClientRectIn(hDlg, IDOK).left);
            EXPECT_EQ(rating.top + 200, ClientRectIn(hDlg, IDC_HEALTH_RATING).top);
            EXPECT_EQ(rating.left, ClientRectIn(hDlg, IDC_HEALTH_RATING).left);
            EXPECT_EQ(window.right - window.left, d.m_intMinTrackWidth);
        });
    dlg.steps.push_back([](HealthDialog& d) { PostButtonClick(d.GetHwnd(), IDOK); });
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_FALSE(dlg.timedOut);
}

TEST_F(DriveHealthDlgTest, ADriveWithoutASerialCannotBeRatedAndAnUnreachableOneSaysWhy)
{
    ASSERT_TRUE(Disk(0).Delete(L"Serial"));
    m_health.Start(m_monitor, m_folder.Path());
    TakeRound();
    HealthDialog dlg(m_health, m_monitor, nullptr);
    dlg.steps.push_back(
        [&](HealthDialog& d)
        {
            HWND hDlg = d.GetHwnd();
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hDlg, IDC_HEALTH_RATING)));
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hDlg, IDC_HEALTH_SET_RATING)));
            // The drive is now behind a USB bridge.
            ASSERT_TRUE(Disk(0).SetDword(L"BusType", 7));
            m_health.RequestReading(m_monitor);
            TakeRound();
            SendMessageW(hDlg, WM_TIMER, 1, 0);
            HWND list = GetDlgItem(hDlg, IDC_HEALTH_LIST);
            ASSERT_EQ(1, ListItemCount(list));
            EXPECT_EQ(L"USB", ListItemText(list, 0, 3));
            EXPECT_EQ(L"", ListItemText(list, 0, 4));
            EXPECT_EQ(L"not available through this connection", ListItemText(list, 0, 14));
            EXPECT_NE(std::wstring::npos, WindowText(GetDlgItem(hDlg, IDC_HEALTH_SUMMARY))
                                              .find(L"not available through this connection"));
        });
    dlg.steps.push_back([](HealthDialog& d) { PostButtonClick(d.GetHwnd(), IDOK); });
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_FALSE(dlg.timedOut);
}
