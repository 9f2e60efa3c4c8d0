// Replacing a file so that a crash, a forced end or a power cut at any moment leaves either the old file
// or the complete new one: the new contents go to "<path>.new", are flushed to the disk, and only then
// take the old file's place.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class CQFile;

// Writes "<path>.new" with `write` (given the open file), flushes it to the disk and moves it over
// `path`. `beforeReplace`, when given, runs between the flush and the move; returning 0 stops there.
// Returns 1 once `path` holds the new contents. On failure everything is logged and:
// - a write that failed removes the incomplete "<path>.new"; `path` is untouched;
// - a replace that failed (or was stopped) keeps the complete "<path>.new" beside the old file;
// - a "<path>.new" that could not be opened is left alone (it may be a file that is not ours).
// A flush that the system refuses is logged and the replace goes on: the file is complete, only its
// way to the disk is left to the system.
BOOL SafeReplaceFile(const std::wstring& path, const std::function<BOOL(CQFile&)>& write,
                     const std::function<BOOL()>& beforeReplace = nullptr);

// The name of the file that SafeReplaceFile writes first.
std::wstring SafeReplaceTemporaryPath(const std::wstring& path);

// Moves a file to `target`, or, when a file of that name exists, to "<target>.1", "<target>.2" and so on;
// an existing file is never replaced. Returns the name it got, or an empty string (logged) on failure.
std::wstring MoveFileAside(const std::wstring& path, const std::wstring& target);
