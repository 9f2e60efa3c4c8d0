#include "data/SafeReplace.h"

#include <atomic>
#include <cwchar>
#include <new>

#include "app/Log.h"
#include "data/Crc32c.h"
#include "data/Error.h"
#include "data/File.h"
#include "data/LinkCheck.h"
#include "data/SaveTrailer.h"

// The temporary of a replace: keeps the checksum and the length of what is written through it, for the
// trailer.
class CQTemporaryFile : public CQFile
{
public:
    explicit CQTemporaryFile(bool checksum) : m_boolChecksum(checksum) {}
    BOOL Write(const void* buffer, DWORD count) override
    {
        if (!CQFile::Write(buffer, count))
            return 0;
        if (m_boolChecksum)
            m_dwordCrc = Crc32c(m_dwordCrc, buffer, count);
        m_qwordLength += count;
        return 1;
    }
    BOOL WriteTrailer(uint64_t tag)
    {
        BYTE trailer[kSaveTrailerBytes];
        FormatSaveTrailer(m_dwordCrc, m_qwordLength, tag, trailer);
        return CQFile::Write(trailer, sizeof(trailer));
    }

private:
    bool m_boolChecksum;
    uint32_t m_dwordCrc = 0;
    uint64_t m_qwordLength = 0;
};

namespace
{
// Numbered names tried before giving up on setting a file aside.
constexpr int kMaxAsideNumber = 9999;
constexpr int kUniqueNameTries = 100;

std::atomic<CQReplaceFaultHook> g_faultHook{nullptr};

DWORD InjectedFault(CQReplaceStep step, const std::wstring& file)
{
    const CQReplaceFaultHook hook = g_faultHook.load();
    return hook ? hook(step, file) : NO_ERROR;
}

std::wstring FolderOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// Removes whatever sits at `name`: a file, a link (the link itself, never what it leads to) or an empty
// folder. True when the name is free.
bool ClearName(const std::wstring& name, DWORD& error)
{
    if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    return DeleteItself(name, error);
}

HANDLE CreateNew(const std::wstring& name)
{
    if (const DWORD fault = InjectedFault(CQReplaceStep::create, name))
    {
        SetLastError(fault);
        return INVALID_HANDLE_VALUE;
    }
    // A link at the name is not followed: the name must be free, and the file is made there.
    return CreateFileW(name.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// Removes a temporary that is still open, through its handle: the name might lead elsewhere by now.
void DeleteOpenFile(HANDLE handle, const std::wstring& name)
{
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = TRUE;
    DWORD error = NO_ERROR;
    if (!SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof(disposition)))
        DeleteItself(name, error);
}

// Creates the temporary at the first name that can be made free; INVALID_HANDLE_VALUE (logged) when none.
HANDLE CreateTemporary(const std::wstring& path, const CQReplaceOptions& options, std::wstring& temporary,
                       DWORD& error)
{
    if (options.uniqueTemporary)
    {
        const std::wstring folder = FolderOf(path);
        const DWORD seed = GetCurrentProcessId() * 2654435761u ^ static_cast<DWORD>(GetTickCount64());
        for (int attempt = 0; attempt < kUniqueNameTries; ++attempt)
        {
            wchar_t name[32];
            std::swprintf(name, 32, L"~tav%08lx.tmp", static_cast<unsigned long>(seed + attempt * 7919u));
            temporary = folder + name;
            HANDLE file = CreateNew(temporary);
            error = file == INVALID_HANDLE_VALUE ? GetLastError() : NO_ERROR;
            if (file != INVALID_HANDLE_VALUE || error != ERROR_FILE_EXISTS)
                return file;
        }
        CQFileError report(path.c_str());
        return INVALID_HANDLE_VALUE;
    }

    const std::vector<std::wstring> names = options.temporaries.empty()
                                                ? std::vector<std::wstring>{SafeReplaceTemporaryPath(path)}
                                                : options.temporaries;
    for (const std::wstring& name : names)
    {
        temporary = name;
        if (!ClearName(name, error))
        {
            SetLastError(error);
            CQError report(L"SafeReplaceFile::DeleteFile");
            LogLine(L"'" + name + L"' is in the way and cannot be removed; the save tries another name.");
            continue;
        }
        HANDLE file = CreateNew(name);
        if (file == INVALID_HANDLE_VALUE)
        {
            error = GetLastError();
            CQFileError report(name.c_str());
            continue;
        }
        std::wstring reached;
        if (options.refuseLinks && !IsReachedDirectly(file, name, &reached))
        {
            // Every name beside it leads the same way: the folder itself is a link or lies behind one.
            DeleteOpenFile(file, reached);
            CloseHandle(file);
            LogLine(L"'" + name + L"' leads to '" + reached +
                    L"' through a link or junction; nothing is written there.");
            error = ERROR_CANT_ACCESS_FILE;
            return INVALID_HANDLE_VALUE;
        }
        error = NO_ERROR;
        return file;
    }
    LogLine(L"'" + path + L"' is not written: no name for its new contents could be made free.");
    return INVALID_HANDLE_VALUE;
}

} // namespace

std::wstring SafeReplaceTemporaryPath(const std::wstring& path)
{
    return path + L".new";
}

void SetReplaceFaultHook(CQReplaceFaultHook hook)
{
    g_faultHook.store(hook);
}

CQSafeReplacement::CQSafeReplacement(const std::wstring& path, const CQReplaceOptions& options)
    : m_csPath(path), m_options(options)
{
}

CQSafeReplacement::~CQSafeReplacement()
{
    // Not committed: the temporary is not complete.
    if (m_pFile && m_pFile->IsOpen())
    {
        DeleteOpenFile(m_pFile->GetHandle(), m_result.temporary);
        m_pFile->Close();
    }
}

bool CQSafeReplacement::Begin()
{
    m_result = CQReplaceResult();
    std::wstring temporary;
    DWORD error = NO_ERROR;
    HANDLE handle = CreateTemporary(m_csPath, m_options, temporary, error);
    if (handle == INVALID_HANDLE_VALUE)
    {
        m_result.error = error != NO_ERROR ? error : static_cast<DWORD>(ERROR_CANNOT_MAKE);
        return false;
    }
    m_result.temporary = temporary;
    // Without throwing: a save must fail, not end the program, when memory runs out.
    m_pFile.reset(InjectedFault(CQReplaceStep::allocate, m_csPath) == NO_ERROR
                      ? new (std::nothrow) CQTemporaryFile(m_options.trailer)
                      : nullptr);
    if (!m_pFile)
    {
        DeleteOpenFile(handle, temporary);
        CloseHandle(handle);
        LogLine(L"Not enough memory to write '" + m_csPath + L"'; it is left as it was.");
        m_result.temporary.clear();
        m_result.error = ERROR_NOT_ENOUGH_MEMORY;
        return false;
    }
    m_pFile->Adopt(handle, temporary.c_str());
    return true;
}

CQFile& CQSafeReplacement::File()
{
    return *m_pFile;
}

CQReplaceResult CQSafeReplacement::Fail(DWORD error)
{
    m_result.error = error != NO_ERROR ? error : static_cast<DWORD>(ERROR_WRITE_FAULT);
    if (m_pFile)
    {
        DeleteOpenFile(m_pFile->GetHandle(), m_result.temporary);
        m_pFile->Close();
    }
    m_result.outcome = CQReplaceResult::failed;
    m_result.temporary.clear();
    return m_result;
}

CQReplaceResult CQSafeReplacement::NotReplaced(const wchar_t* why)
{
    if (m_options.keepIfNotReplaced)
    {
        LogLine(L"'" + m_csPath + why + L"; the new contents are kept in '" + m_result.temporary + L"'.");
        m_result.outcome = CQReplaceResult::kept;
        return m_result;
    }
    DWORD error = NO_ERROR;
    DeleteItself(m_result.temporary, error);
    m_result.temporary.clear();
    m_result.outcome = CQReplaceResult::failed;
    return m_result;
}

CQReplaceResult CQSafeReplacement::Commit()
{
    if (!m_pFile || !m_pFile->IsOpen())
        return Fail(m_result.error);
    if (m_options.trailer && !m_pFile->WriteTrailer(m_options.trailerTag))
        return Fail(GetLastError());
    bool flushed = false;
    if (const DWORD fault = InjectedFault(CQReplaceStep::flush, m_result.temporary))
    {
        SetLastError(fault);
        CQError report(L"SafeReplaceFile::FlushFileBuffers");
    }
    else
    {
        flushed = m_pFile->FlushToDisk() != 0;
    }
    if (!flushed)
    {
        // Not known to be on the disk, so not a copy that anything may rely on.
        const DWORD error = GetLastError();
        LogLine(L"'" + m_csPath + L"' is not replaced: its new contents could not be flushed to the disk.");
        return Fail(error);
    }
    // Closing can be where a full disk shows, so it is checked too.
    if (!m_pFile->Close())
        return Fail(GetLastError());

    if (m_options.beforeReplace && !m_options.beforeReplace())
    {
        m_result.error = ERROR_CANCELLED;
        return NotReplaced(L"' is not replaced");
    }
    DWORD moveError = InjectedFault(CQReplaceStep::replace, m_csPath);
    if (moveError == NO_ERROR && !MoveFileExW(m_result.temporary.c_str(), m_csPath.c_str(),
                                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        moveError = GetLastError();
    if (moveError != NO_ERROR)
    {
        m_result.error = moveError;
        {
            SetLastError(moveError);
            CQError report(L"SafeReplaceFile::MoveFileEx");
        }
        return NotReplaced(L"' could not be replaced");
    }
    m_result.outcome = CQReplaceResult::replaced;
    m_result.temporary.clear();
    return m_result;
}

CQReplaceResult SafeReplaceFile(const std::wstring& path, const std::function<BOOL(CQFile&)>& write,
                                const CQReplaceOptions& options)
{
    try
    {
        CQSafeReplacement replacement(path, options);
        if (!replacement.Begin())
        {
            CQReplaceResult result;
            result.error = replacement.GetError();
            return result;
        }
        if (!write(replacement.File()))
        {
            // The writer has said why; the temporary goes with the replacement.
            CQReplaceResult result;
            const DWORD error = GetLastError();
            result.error = error != NO_ERROR ? error : static_cast<DWORD>(ERROR_WRITE_FAULT);
            return result;
        }
        return replacement.Commit();
    }
    catch (const std::bad_alloc&)
    {
        // The replacement removed its temporary on the way out.
        try
        {
            LogLine(L"Not enough memory to write '" + path + L"'; it is left as it was.");
        }
        catch (const std::bad_alloc&)
        {
        }
        CQReplaceResult result;
        result.error = ERROR_NOT_ENOUGH_MEMORY;
        return result;
    }
}

std::wstring MoveFileAside(const std::wstring& path, const std::wstring& target)
{
    for (int number = 0; number <= kMaxAsideNumber; ++number)
    {
        const std::wstring name = number == 0 ? target : target + L"." + std::to_wstring(number);
        // Without MOVEFILE_REPLACE_EXISTING a name that is taken fails the move: nothing is overwritten.
        if (MoveFileExW(path.c_str(), name.c_str(), MOVEFILE_WRITE_THROUGH))
            return name;
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
        {
            CQError report(L"MoveFileAside::MoveFileEx");
            LogLine(L"'" + path + L"' could not be moved to '" + name + L"'.");
            return std::wstring();
        }
    }
    LogLine(L"'" + path + L"' could not be moved aside: every name up to '" + target + L"." +
            std::to_wstring(kMaxAsideNumber) + L"' is taken.");
    return std::wstring();
}
