// A fresh, empty folder under the temp folder, deleted with everything in it at destruction.
#pragma once

#include <string>

class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Without a trailing backslash.
    const std::wstring& Path() const { return m_path; }
    // Path() + "\" + name.
    std::wstring File(const std::wstring& name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

// Deletes a file or a folder tree; true when nothing is left.
bool DeletePathTree(const std::wstring& path);
// Writes bytes to a new file (replacing one); reads a whole file. Return false on failure.
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);
bool ReadWholeFile(const std::wstring& path, std::string& bytes);
