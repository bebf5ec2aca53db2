#pragma once
// What the stand-ins of the product folder's programs leave behind: each appends one line to
// "started.txt" in its own folder when it starts, and one for each message it was asked to
// note. The fields of a line are separated by tabs; the harness reads them back
// (tests/launcher/support/StartRecord.h):
//
//   start   <program path> <command line> <current folder> <show command, -1 without one>
//   message <program path> <message name> <wParam %08X> <lParam %08X>

#include <windows.h>

#include <cstdint>
#include <string>

namespace standin {

const char kRecordFile[] = "started.txt";
const char kStartKind[] = "start";
const char kMessageKind[] = "message";

// The show command the starter gave (STARTUPINFO), -1 when it gave none.
int StartupShowCommand();

// The path of the file `name` in the running program's folder.
std::string FileBesideProgram(const char* name);
// Appends `line` to `file` whole, also beside other programs appending to it at once; false
// when it could not be written whole.
bool AppendWholeLine(const std::string& file, const std::string& line);

// Appends the start line of the running program.
void RecordStart();
// Appends a message line of the running program; the values are recorded as 32 bits.
void RecordMessage(const char* name, uint32_t wParam, uint32_t lParam);

// The value of an environment variable as a number, the default when unset or not a number.
DWORD EnvironmentNumber(const char* name, DWORD defaultValue);

} // namespace standin
