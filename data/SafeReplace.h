// The one way the program replaces a file it writes (the collected data, the write history, an export),
// so that a crash, a forced end or a power cut at any moment leaves the old file or the complete new one.
// The new contents go to a temporary beside the file that is created new, are flushed to the disk through
// the handle that wrote them, and only then take the old file's place (a write-through move).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CQFile;

struct CQReplaceOptions
{
    // Names tried for the temporary, in order. Whatever sits at one (a left-over, a link, an empty
    // folder) is removed first; a name that cannot be cleared is passed over. Empty: "<path>.new".
    std::vector<std::wstring> temporaries;
    // Instead of those names, a new "~tav*.tmp" beside the file that never replaces anything there: for
    // folders that are the user's, where no name is ours.
    bool uniqueTemporary = false;
    // The file lies in the data folder: the temporary must be reached with no link or junction on the
    // way, or nothing is written (LinkCheck.h).
    bool refuseLinks = true;
    // Ends the contents with a trailer carrying this tag (SaveTrailer.h).
    bool trailer = false;
    uint64_t trailerTag = 0;
    // When the move fails: keep the complete temporary beside the file (it then holds the newest
    // contents), or remove it.
    bool keepIfNotReplaced = true;
    // Runs between the flush and the move; returning 0 stops there, as a failed move does.
    std::function<BOOL()> beforeReplace;
};

struct CQReplaceResult
{
    enum Outcome
    {
        failed,   // the file is as it was, no temporary is left
        kept,     // the file is as it was; `temporary` holds the complete new contents, flushed
        replaced, // the file holds the new contents
    };
    Outcome outcome = failed;
    std::wstring temporary;
    DWORD error = NO_ERROR; // the system's error of the step that failed
};

// Writes the new contents of `path` with `write` (given the open temporary) and moves them into place.
// Every failure is logged. A write that fails, a flush the system refuses and running out of memory
// (std::bad_alloc from `write` included) fail the replace and remove the temporary.
CQReplaceResult SafeReplaceFile(const std::wstring& path, const std::function<BOOL(CQFile&)>& write,
                                const CQReplaceOptions& options = CQReplaceOptions());

class CQTemporaryFile;

// The same replace in steps, for a writer with a loop of its own: Begin, write to File(), Commit. A
// replacement that is destroyed before its Commit removes its temporary.
class CQSafeReplacement
{
public:
    CQSafeReplacement(const std::wstring& path, const CQReplaceOptions& options);
    ~CQSafeReplacement();
    CQSafeReplacement(const CQSafeReplacement&) = delete;
    CQSafeReplacement& operator=(const CQSafeReplacement&) = delete;

    // Creates the temporary; false (logged) when none could be made.
    bool Begin();
    // The open temporary, from a successful Begin to Commit.
    CQFile& File();
    // The trailer (when asked for), the flush through the temporary's handle, the close and the move.
    CQReplaceResult Commit();
    // The system's error of the step that failed last.
    DWORD GetError() const { return m_result.error; }

private:
    CQReplaceResult Fail(DWORD error);
    CQReplaceResult NotReplaced(const wchar_t* why);

    std::wstring m_csPath;
    CQReplaceOptions m_options;
    std::unique_ptr<CQTemporaryFile> m_pFile;
    CQReplaceResult m_result;
};

// "<path>.new": the first temporary name of a file in the data folder.
std::wstring SafeReplaceTemporaryPath(const std::wstring& path);

// Moves a file to `target`, or, when a file of that name exists, to "<target>.1", "<target>.2" and so on;
// an existing file is never replaced. Returns the name it got, or an empty string (logged) on failure.
std::wstring MoveFileAside(const std::wstring& path, const std::wstring& target);

// Fault injection for tests, where the system cannot be made to fail on demand: the hook is asked before
// each step and a non-zero answer fails that step with it as the system's error (ERROR_NOT_ENOUGH_MEMORY
// for the allocation). Null (the default) runs every step.
enum class CQReplaceStep
{
    allocate, // the memory a replace needs
    create,   // the temporary's creation
    flush,    // FlushFileBuffers
    replace,  // the move over the file
};
using CQReplaceFaultHook = DWORD (*)(CQReplaceStep step, const std::wstring& file);
void SetReplaceFaultHook(CQReplaceFaultHook hook);
