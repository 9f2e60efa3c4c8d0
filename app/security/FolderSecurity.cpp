#include "app/security/FolderSecurity.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "data/Error.h"
#include "data/Handle.h"

const wchar_t kProgramFileName[] = L"tavrello.exe";

namespace
{
// NT SERVICE\TrustedInstaller, the owner of the system's own files.
constexpr wchar_t kTrustedInstallerSid[] = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// FILE_WRITE_ATTRIBUTES is left out: timestamps and attribute bits change no code that runs.
constexpr ACCESS_MASK kAnyChangeMask =
    FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER;
constexpr ACCESS_MASK kReplacementMask = FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER;

std::wstring SidText(PSID sid)
{
    LPWSTR text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text))
        return L"an unreadable account";
    std::wstring result(text);
    ::LocalFree(text);
    return result;
}

std::wstring AccountName(PSID sid)
{
    wchar_t name[256] = {};
    wchar_t domain[256] = {};
    DWORD nameLength = 256;
    DWORD domainLength = 256;
    SID_NAME_USE use = SidTypeUnknown;
    if (!::LookupAccountSidW(nullptr, sid, name, &nameLength, domain, &domainLength, &use) || !name[0])
        return SidText(sid);
    return domain[0] ? std::wstring(domain) + L"\\" + name : std::wstring(name);
}

bool IsAdministrative(PSID sid)
{
    return ::IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || ::IsWellKnownSid(sid, WinLocalSystemSid) ||
           SidText(sid) == kTrustedInstallerSid;
}

// Entries for these accounts grant the object's owner.
bool StandsForOwner(PSID sid)
{
    return ::IsWellKnownSid(sid, WinCreatorOwnerSid) || ::IsWellKnownSid(sid, WinCreatorOwnerRightsSid);
}

// Allowing entries of the kinds that a file's DACL can hold besides the plain one and its callback variant.
bool IsOtherAllowingKind(BYTE aceType)
{
    return aceType == ACCESS_ALLOWED_COMPOUND_ACE_TYPE || aceType == ACCESS_ALLOWED_OBJECT_ACE_TYPE ||
           aceType == ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE;
}

std::wstring WithoutTrailingBackslash(std::wstring path)
{
    // A drive root keeps its backslash: "C:" alone names the drive's current directory.
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path;
}

// The folder above `path`, or empty at a drive or share root.
std::wstring ParentFolder(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash + 1 >= path.size())
        return std::wstring();
    const std::wstring parent = path.substr(0, slash);
    if (parent.size() == 2 && parent[1] == L':')
        return parent + L"\\";
    // \\server\share is the top of a network path; \\server alone is no folder.
    if (parent.compare(0, 2, L"\\\\") == 0 && parent.find(L'\\', 2) == std::wstring::npos)
        return std::wstring();
    return parent;
}

// The folder with every link and junction on its way resolved, as a plain DOS or UNC path.
bool FinalFolderPath(const std::wstring& folder, std::wstring& finalPath, std::wstring& reason)
{
    CQFileHandle handle(::CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.IsValid())
    {
        reason = L"the folder '" + folder + L"' cannot be opened :: " + CQError::SystemText(::GetLastError());
        return false;
    }
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD length = ::GetFinalPathNameByHandleW(handle.Get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                               FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length >= buffer.size())
    {
        buffer.resize(length + 1);
        length = ::GetFinalPathNameByHandleW(handle.Get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    if (length == 0 || length >= buffer.size())
    {
        reason =
            L"the folder '" + folder + L"' cannot be resolved :: " + CQError::SystemText(::GetLastError());
        return false;
    }
    finalPath.assign(buffer.data(), length);
    if (finalPath.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        finalPath = L"\\\\" + finalPath.substr(8);
    else if (finalPath.compare(0, 4, L"\\\\?\\") == 0)
        finalPath = finalPath.substr(4);
    finalPath = WithoutTrailingBackslash(finalPath);
    return true;
}

// Empty when only administrators can make such changes to `path`, else why not.
std::wstring Judge(const std::wstring& path, CQChangeRights rights)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD result = ::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                                                 OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                                 nullptr, nullptr, nullptr, nullptr, &descriptor);
    if (result != ERROR_SUCCESS)
        return L"the permissions of '" + path + L"' cannot be read :: " + CQError::SystemText(result);
    const std::wstring other = FindOtherChanger(descriptor, rights);
    ::LocalFree(descriptor);
    return other.empty() ? std::wstring() : L"'" + path + L"' can be changed by " + other;
}
} // namespace

std::wstring FindOtherChanger(PSECURITY_DESCRIPTOR descriptor, CQChangeRights rights)
{
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || owner == nullptr)
        return L"an unknown owner";
    // The owner can always give itself any right.
    if (!IsAdministrative(owner))
        return AccountName(owner);

    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || dacl == nullptr)
        return L"Everyone";
    ACL_SIZE_INFORMATION size = {};
    if (!::GetAclInformation(dacl, &size, sizeof(size), AclSizeInformation))
        return L"anyone (the permissions are unreadable)";

    GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    const ACCESS_MASK wanted = rights == CQChangeRights::Any ? kAnyChangeMask : kReplacementMask;
    for (DWORD index = 0; index < size.AceCount; ++index)
    {
        void* entry = nullptr;
        if (!::GetAce(dacl, index, &entry))
            return L"anyone (the permissions are unreadable)";
        const ACE_HEADER* header = static_cast<const ACE_HEADER*>(entry);
        // An inherit-only entry is a template for new children, not a right on this object.
        if (header->AceFlags & INHERIT_ONLY_ACE)
            continue;
        if (IsOtherAllowingKind(header->AceType))
            return L"an entry of a kind this check does not read (type " + std::to_wstring(header->AceType) +
                   L")";
        // Denying entries are not counted.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
            continue;
        // Both kinds start alike: header, mask, SID.
        const ACCESS_ALLOWED_ACE* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        ACCESS_MASK mask = allowed->Mask;
        ::MapGenericMask(&mask, &mapping);
        if (!(mask & wanted))
            continue;
        PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        if (!IsAdministrative(sid) && !StandsForOwner(sid))
            return AccountName(sid);
    }
    return std::wstring();
}

CQProgramFolderCheck CheckProgramFolder(const std::wstring& programFolder)
{
    CQProgramFolderCheck check;
    std::wstring folder = WithoutTrailingBackslash(programFolder);
    check.folder = folder.empty() || folder.back() == L'\\' ? folder : folder + L"\\";
    if (folder.empty())
    {
        check.reason = L"the program folder is unknown";
        return check;
    }
    std::wstring finalFolder;
    if (!FinalFolderPath(folder, finalFolder, check.reason))
        return check;
    check.folder = finalFolder.back() == L'\\' ? finalFolder : finalFolder + L"\\";

    check.reason = Judge(finalFolder, CQChangeRights::Any);
    if (check.reason.empty())
        check.reason = Judge(check.folder + kProgramFileName, CQChangeRights::Any);
    for (std::wstring above = ParentFolder(finalFolder); check.reason.empty() && !above.empty();
         above = ParentFolder(above))
        check.reason = Judge(above, CQChangeRights::Replacement);
    check.adminOnly = check.reason.empty();
    return check;
}

bool IsProcessElevated()
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    const BOOL known = ::GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size);
    ::CloseHandle(token);
    return known && elevation.TokenIsElevated != 0;
}
