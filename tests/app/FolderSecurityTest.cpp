// Who besides administrators can change a folder or file, judged from real Windows permissions (the
// defaults of Program Files, a drive root, a user's Downloads folder) and from the cases that trip up a
// reading of a DACL: inherit-only entries, generic rights, deny entries, CREATOR OWNER, no DACL at all.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <string>

#include "app/security/FolderSecurity.h"
#include "support/TempFolder.h"

namespace
{
// NT SERVICE\TrustedInstaller.
#define TI L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
// An account of a domain this machine does not know: it has no name, so it is reported by its SID.
#define USER L"S-1-5-21-1004336348-1177238915-682003330-1001"

struct Case
{
    const char* name;
    const wchar_t* sddl;
    CQChangeRights rights;
    // Empty: only administrators; "*": somebody else, named by the system; else exactly this account.
    const wchar_t* other;
};

const Case kCases[] = {
    // Windows 10's "C:\Program Files" (ALL APPLICATION PACKAGES and ALL RESTRICTED APPLICATION PACKAGES
    // written as SIDs).
    {"Program Files",
     L"O:" TI L"D:PAI(A;;FA;;;" TI L")(A;CIIO;GA;;;" TI L")(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)"
     L"(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)"
     L"(A;;0x1200a9;;;S-1-15-2-1)(A;OICIIO;GXGR;;;S-1-15-2-1)(A;;0x1200a9;;;S-1-15-2-2)"
     L"(A;OICIIO;GXGR;;;S-1-15-2-2)",
     CQChangeRights::Any, L""},
    // A folder an elevated installer made below it: owned by Administrators, the entries inherited.
    {"installed folder",
     L"O:BAD:AI(A;ID;FA;;;" TI L")(A;CIIOID;GA;;;" TI L")(A;ID;FA;;;SY)(A;OICIIOID;GA;;;SY)(A;ID;FA;;;BA)"
     L"(A;OICIIOID;GA;;;BA)(A;ID;0x1200a9;;;BU)(A;OICIIOID;GXGR;;;BU)(A;OICIIOID;GA;;;CO)",
     CQChangeRights::Any, L""},
    // A user's Downloads folder: the user owns it and has full control.
    {"Downloads", L"O:" USER L"D:(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;FA;;;" USER L")",
     CQChangeRights::Any, USER},
    {"owned by Administrators, user has full control",
     L"O:BAD:(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;FA;;;" USER L")", CQChangeRights::Any, USER},
    {"empty DACL", L"O:BAD:", CQChangeRights::Any, L""},
    {"generic write", L"O:BAD:(A;;FA;;;BA)(A;;GW;;;" USER L")", CQChangeRights::Any, USER},
    {"generic all, inherit only", L"O:BAD:(A;;FA;;;BA)(A;OICIIO;GA;;;" USER L")", CQChangeRights::Any, L""},
    {"denied full control", L"O:BAD:(D;;FA;;;" USER L")(A;;FA;;;BA)", CQChangeRights::Any, L""},
    {"attributes only", L"O:BAD:(A;;FA;;;BA)(A;;0x1200a9;;;" USER L")(A;;0x100;;;" USER L")",
     CQChangeRights::Any, L""},
    {"permissions", L"O:BAD:(A;;FA;;;BA)(A;;WD;;;" USER L")", CQChangeRights::Any, USER},
    {"ownership", L"O:BAD:(A;;FA;;;BA)(A;;WO;;;" USER L")", CQChangeRights::Any, USER},
    {"CREATOR OWNER with Administrators owning", L"O:BAD:(A;;FA;;;CO)(A;;FA;;;SY)", CQChangeRights::Any, L""},
    {"CREATOR OWNER with the user owning", L"O:" USER L"D:(A;;FA;;;CO)(A;;FA;;;SY)", CQChangeRights::Any,
     USER},
    {"Users may modify", L"O:SYD:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)", CQChangeRights::Any,
     L"*"},
    // Windows 10's "C:\": Authenticated Users may create folders in the root itself.
    {"drive root, any change",
     L"O:" TI L"D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICIIO;SDGXGWGR;;;AU)"
     L"(A;;0x4;;;AU)",
     CQChangeRights::Any, L"*"},
    {"drive root, replacement",
     L"O:" TI L"D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICIIO;SDGXGWGR;;;AU)"
     L"(A;;0x4;;;AU)",
     CQChangeRights::Replacement, L""},
    {"folder above, user may delete children", L"O:BAD:(A;;FA;;;BA)(A;;0x1200e9;;;" USER L")",
     CQChangeRights::Replacement, USER},
    {"folder above, user may write into it", L"O:BAD:(A;;FA;;;BA)(A;;0x1200af;;;" USER L")",
     CQChangeRights::Replacement, L""},
};

TEST(FolderSecurity, OnlyAdministratorsSystemAndTrustedInstallerMayChangeTheProgram)
{
    for (const Case& c : kCases)
    {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(c.sddl, SDDL_REVISION_1,
                                                                           &descriptor, nullptr))
            << c.name << ", error " << ::GetLastError();
        const std::wstring other = FindOtherChanger(descriptor, c.rights);
        ::LocalFree(descriptor);
        if (std::wstring(c.other) == L"*")
            EXPECT_FALSE(other.empty()) << c.name;
        else
            EXPECT_EQ(c.other, other) << c.name;
    }
}

TEST(FolderSecurity, ANullDaclLetsEveryoneChange)
{
    // Built by hand: Wine's SDDL reader does not make "D:NO_ACCESS_CONTROL" a null DACL.
    SECURITY_DESCRIPTOR descriptor;
    ASSERT_TRUE(::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(administrators);
    ASSERT_TRUE(::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size));
    ASSERT_TRUE(::SetSecurityDescriptorOwner(&descriptor, administrators, FALSE));
    ASSERT_TRUE(::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE));
    EXPECT_EQ(L"Everyone", FindOtherChanger(&descriptor, CQChangeRights::Any));
}

TEST(FolderSecurity, AFolderOfThisUsersAndAMissingOneAreRefusedWithTheirPaths)
{
    TempFolder folder;
    const CQProgramFolderCheck own = CheckProgramFolder(folder.Path() + L"\\");
    EXPECT_FALSE(own.adminOnly);
    ASSERT_FALSE(own.folder.empty());
    EXPECT_EQ(L'\\', own.folder.back());
    EXPECT_NE(std::wstring::npos, own.reason.find(L"can be changed by"))
        << testing::PrintToString(own.reason);
    EXPECT_EQ(CSTR_EQUAL,
              ::CompareStringOrdinal(own.folder.c_str(), -1, (folder.Path() + L"\\").c_str(), -1, TRUE))
        << "no link on the way: " << testing::PrintToString(own.folder);

    const std::wstring missing = folder.File(L"missing");
    const CQProgramFolderCheck gone = CheckProgramFolder(missing);
    EXPECT_FALSE(gone.adminOnly);
    EXPECT_NE(std::wstring::npos, gone.reason.find(L"'" + missing + L"' cannot be opened"))
        << testing::PrintToString(gone.reason);
}
} // namespace
