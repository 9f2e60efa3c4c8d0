#include "ui/dialogs/AboutDlg.h"

#include "app/SettingsRunTime.h"
#include "resources/resource.h"

#include <cwchar>

static_assert(CTavrelloAboutDlg::kVersionBuild == static_cast<int>(CQSettingsRunTime::kCurrentBuild),
              "the About box shows the build the settings record");

CTavrelloAboutDlg::CTavrelloAboutDlg(HWND parent) : CQDialog(IDD_ABOUT, parent) {}

CTavrelloAboutDlg::~CTavrelloAboutDlg() = default;

BOOL CTavrelloAboutDlg::OnInitDialog()
{
    CQDialog::OnInitDialog();
    m_buttonOk.Attach(m_hWnd, IDOK);

    wchar_t version[64];
    std::swprintf(version, 64, L"Tavrello Version %d.%d build %d", kVersionMajor, kVersionMinor,
                  kVersionBuild);
    SetDlgItemText(IDC_ABOUT_VERSION, version);

    // The links keep the captions of the template.
    m_linkMaker.Attach(m_hWnd, IDC_ABOUT_MAKER_LINK);
    m_linkProduct.Attach(m_hWnd, IDC_ABOUT_PRODUCT_LINK);
    m_linkMaker.SetURL(L"https://" TAVRELLO_MAKER_HOST);
    m_linkProduct.SetURL(L"https://" TAVRELLO_WEB_HOST);

    HCURSOR hCursor = ::LoadCursorW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_LINK_CURSOR));
    m_linkMaker.SetLinkCursor(hCursor);
    m_linkProduct.SetLinkCursor(hCursor);
    return TRUE;
}
