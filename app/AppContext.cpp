#include "app/AppContext.h"

#include "resources/resource.h"

CQAppContext* g_pAppContext = nullptr;

namespace
{
const int kTreeImageSize = 16;

HIMAGELIST CreateTreeImageList()
{
    // A strip of three 16x16 pictures with magenta as the transparent colour.
    HBITMAP strip =
        static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_TREE_IMAGES),
                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (strip == nullptr)
        return nullptr;
    HIMAGELIST list = ImageList_Create(kTreeImageSize, kTreeImageSize, ILC_COLOR24 | ILC_MASK, 3, 1);
    if (list != nullptr)
        ImageList_AddMasked(list, strip, RGB(255, 0, 255));
    DeleteObject(strip);
    return list;
}
} // namespace

CQAppContext::CQAppContext()
{
    m_log.InitLock();
    SetProgramLog(&m_log);
    m_boolInitializing = 1;
    m_hAppIcon = nullptr;
    m_pFilesTree = nullptr;

    m_monitor.m_pSettingsInterface = &m_settingsInterface;
    m_monitor.m_pSettingsRunTime = &m_settingsRunTime;
    m_monitor.m_pItemHandOver = &m_itemHandOver;
    m_saveObservers.Add(&m_writeHistory);
    m_saveObservers.Add(&m_driveHealth);
    m_monitor.m_pSaveObserver = &m_saveObservers;
    m_settingsInterface.LinkRunTime(&m_settingsRunTime);

    m_imageList = CreateTreeImageList();

    m_settingsRunTime.Load();
    m_settingsInterface.Load();
}

CQAppContext::~CQAppContext()
{
    m_settingsInterface.Save();
    if (m_imageList != nullptr)
    {
        ImageList_Destroy(m_imageList);
        m_imageList = nullptr;
    }
    if (m_hAppIcon != nullptr)
    {
        DestroyIcon(m_hAppIcon);
        m_hAppIcon = nullptr;
    }
    m_monitor.m_pItemHandOver = nullptr;
    m_monitor.m_pSaveObserver = nullptr;
    if (GetProgramLog() == &m_log)
        SetProgramLog(nullptr);
}

HICON CQAppContext::GetAppIcon()
{
    if (m_hAppIcon == nullptr)
        m_hAppIcon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP),
                                                   IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    return m_hAppIcon;
}
