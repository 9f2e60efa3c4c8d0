// The autostart task as the Task Scheduler stores it: the file system32\Tasks\<name> with the task's XML,
// read independently of the program's own scheduler calls.
#pragma once

#include <string>

// The SID of this process's user, as text.
std::wstring CurrentUserSidText();
// system32\Tasks\Tavrello autostart <SID>.
std::wstring AutostartTaskFile();
bool AutostartTaskFileExists();
// The stored XML (UTF-16 with a byte order mark, or UTF-8); empty when there is none.
std::wstring ReadAutostartTaskXml();
// The text of the first element of that name in `xml`, its character references resolved;
// "(no <name>)" when there is none.
std::wstring XmlElementText(const std::wstring& xml, const std::wstring& name);
