// The fixture of the main window tests: a clean slate for every test (the program's registry keys, the
// autostart value and the saved data file set aside and restored afterwards) and the program itself,
// which is always ended, even when a test fails halfway.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "main/SavedData.h"
#include "main/TavrelloProgram.h"
#include "support/RegistryScratch.h"

// Generous limits: starting a program under Wine takes a second or two on a loaded machine.
constexpr DWORD kStartLimitMs = 30000;
constexpr DWORD kExitLimitMs = 30000;
// Two refreshes and some slack.
constexpr DWORD kRefreshLimitMs = 5000;

extern const wchar_t kInterfaceSettingsKey[];

// A message box of the program: titled "Tavrello", and not the main window.
bool IsProgramMessageBox(HWND hwnd);
// The message of a message box: the texts of its static controls.
std::wstring MessageText(HWND box);

// Every value below a registry key and its subkeys, by "subkey\name", for before/after comparisons.
using RegistrySnapshot = std::map<std::wstring, std::pair<DWORD, std::vector<BYTE>>>;
RegistrySnapshot TakeRegistrySnapshot(HKEY root, const std::wstring& path);

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    static void SetInterfaceDword(const wchar_t* name, DWORD value);
    static void SetInterfaceString(const wchar_t* name, const std::wstring& value);
    static std::optional<DWORD> ReadInterfaceDword(const wchar_t* name);
    static std::optional<std::wstring> ReadInterfaceString(const wchar_t* name);

    // Starts the program and waits until its main window exists and the first refresh has run.
    ::testing::AssertionResult Launch(TavrelloProgram& program);
    ::testing::AssertionResult Launch() { return Launch(m_program); }
    // Waits for the program to end by itself; checks the exit code 0.
    ::testing::AssertionResult ExpectExit(TavrelloProgram& program);
    // Escape as the program's dialog manager sees it, then the wait for the end.
    ::testing::AssertionResult CloseWithEscape(TavrelloProgram& program);

    TavrelloRegistryScratch m_registry;
    SavedDataScratch m_savedData;
    TavrelloProgram m_program;
};
