#include <gtest/gtest.h>

#include "app/AppContext.h"
#include "app/Registry.h"
#include "support/RegistryScratch.h"

namespace
{
// A published store and a context, in the order the application object builds them.
class AppContextTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_store = new CQRegistry(L"Orvek software", L"Tavrello");
        SetSettingsStore(m_store);
        g_pAppContext = new CQAppContext;
    }
    void TearDown() override
    {
        delete g_pAppContext;
        g_pAppContext = nullptr;
        delete m_store;
    }

    TavrelloRegistryScratch m_registry;
    CQRegistry* m_store = nullptr;
};

TEST_F(AppContextTest, BuildsTheTreeImagesAndWiresTheMonitor)
{
    CQAppContext& c = *g_pAppContext;
    ASSERT_NE(nullptr, c.m_imageList);
    EXPECT_EQ(3, ImageList_GetImageCount(c.m_imageList));
    int cx = 0, cy = 0;
    ImageList_GetIconSize(c.m_imageList, &cx, &cy);
    EXPECT_EQ(16, cx);
    EXPECT_EQ(16, cy);

    EXPECT_EQ(&c.m_settingsInterface, c.m_monitor.m_pSettingsInterface);
    EXPECT_EQ(&c.m_settingsRunTime, c.m_monitor.m_pSettingsRunTime);
    EXPECT_EQ(&c.m_itemHandOver, c.m_monitor.m_pItemHandOver);
    EXPECT_EQ(&c.m_log, GetProgramLog());
    EXPECT_EQ(1, c.m_boolInitializing);
    EXPECT_EQ(nullptr, c.m_pFilesTree);
    EXPECT_EQ(0u, c.m_uintShowMessage);
}

TEST_F(AppContextTest, LoadsTheSettingsWithTheirDefaults)
{
    const CQSettingsInterface& s = g_pAppContext->m_settingsInterface;
    EXPECT_EQ(1, s.m_boolCollectProcessesInformation);
    EXPECT_EQ(1, s.m_boolSortTreeByWriteSize);
    EXPECT_EQ(-1, s.m_intSelectedDiskSize);
    EXPECT_EQ(L"English", s.m_csLanguage);
    EXPECT_EQ(L"", s.m_csSelectedDrives);
    const CQSettingsRunTime& r = g_pAppContext->m_settingsRunTime;
    EXPECT_FALSE(r.m_csProgramFolder.empty());
    EXPECT_EQ(L'\\', r.m_csProgramFolder.back());
    EXPECT_NE(std::wstring::npos, r.m_csDataFolder.find(L"Orvek software\\Tavrello"));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(r.m_csDataFolder.c_str()));
}

TEST_F(AppContextTest, TheIconIsLoadedOnceOnFirstUse)
{
    EXPECT_EQ(nullptr, g_pAppContext->m_hAppIcon);
    HICON icon = g_pAppContext->GetAppIcon();
    ASSERT_NE(nullptr, icon);
    EXPECT_EQ(icon, g_pAppContext->GetAppIcon());
    EXPECT_EQ(icon, g_pAppContext->m_hAppIcon);
}

TEST_F(AppContextTest, DestructionSavesTheInterfaceSettings)
{
    g_pAppContext->m_settingsInterface.m_csSelectedDrives = L"C:Z:";
    g_pAppContext->m_settingsInterface.m_intSelectedDiskSize = 7;
    delete g_pAppContext;
    g_pAppContext = nullptr;
    EXPECT_EQ(nullptr, GetProgramLog());

    EXPECT_EQ(L"C:Z:", m_store->GetString(L"Interface Settings", L"m_csSelectedDrives"));
    EXPECT_EQ(7, m_store->GetInt(L"Interface Settings", L"m_intSelectedDiskSize", -1));
    g_pAppContext = new CQAppContext;
    EXPECT_EQ(L"C:Z:", g_pAppContext->m_settingsInterface.m_csSelectedDrives);
}
} // namespace
