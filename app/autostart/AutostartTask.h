// The logon task that starts Tavrello for the option "Auto start Tavrello": a Run value cannot start a
// program that asks for administrator rights, a task of the Task Scheduler (2.0, through its COM
// interfaces) that runs with the highest privileges can. One task per user, named after the user's SID,
// runs the program file at that user's logon, without a time limit and on batteries too.
#pragma once

#include <string>

// "Tavrello autostart <SID of this process's user>"; empty when the user cannot be read.
std::wstring AutostartTaskName();

// Creates the task, or replaces it, so that it runs `command` in `workingFolder`. False with the reason
// in `error`.
bool RegisterAutostartTask(const std::wstring& command, const std::wstring& workingFolder,
                           std::wstring& error);

// The task's definition (Task Scheduler schema 1.2) for the user with that SID.
std::wstring AutostartTaskXml(const std::wstring& userSid, const std::wstring& command,
                              const std::wstring& workingFolder);

// Deletes the task; true when it is gone, also when there was none. False with the reason in `error`.
bool DeleteAutostartTask(std::wstring& error);
