#pragma once
// The folder of one user's own files: "<application data>\Halvorn\Kestrum4\Data\<name>\",
// with its trailing backslash, created when missing. A name that cannot stand as a folder
// name as it is still gives one folder, always the same for the same name: each character
// a file name cannot hold (\ / : * ? " < > | and the control characters below 0x20) and a
// trailing blank or dot become '_', and a device name (CON, NUL, COM1 ...) gets a '_' after
// its name part ("CON" gives "CON_", "nul.txt" gives "nul_.txt"). The name is walked as code
// page 932 text, so the trail byte 0x5C of a double-byte character ("表") stays as it is.
// An empty name gives the folder "_".

#include <string>

std::string GetUserDataFolder(const std::string& userName);

// The folder name alone, as GetUserDataFolder makes it of the user name.
std::string MakeUserFolderName(const std::string& userName);
