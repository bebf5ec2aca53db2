#pragma once
// "PcInfo.txt", the description of the PC that goes with the uploaded logs, so that the
// support service sees who ran the programs on which system: four blocks (user, processor,
// memory, system version), each followed by an empty line. The facts are gathered apart
// from their text, so that every form of the text can be checked whatever system runs.

#include <windows.h>

#include <string>

// Where the processor block comes from. GetNativeSystemInfo exists from Windows XP on, so
// it is looked up at run time and only on the systems that have it.
enum PcInfoCpuSource {
    PCINFO_CPU_KNOWN,     // the system's answer is in the facts
    PCINFO_CPU_NO_DLL,    // "Kernel32.dll" could not be loaded
    PCINFO_CPU_NO_API,    // it has no GetNativeSystemInfo
    PCINFO_CPU_TOO_OLD,   // Windows 2000 and the 5.2 systems
};

struct PcInfoFacts {
    bool bAdministrator = false;
    PcInfoCpuSource eCpuSource = PCINFO_CPU_TOO_OLD;
    SYSTEM_INFO stSystem = {};
    bool bMemoryKnown = false;
    MEMORYSTATUSEX stMemory = {};
    bool bVersionKnown = false;
    OSVERSIONINFOEXA stVersion = {};
};

// The running system's facts.
PcInfoFacts GatherPcInfoFacts();

// The file's text in code page 932, without a terminating zero.
std::string FormatPcInfo(const PcInfoFacts& facts);

// Writes the text into the file (created anew, replacing an old one) in one write; false,
// logged, when the file cannot be created or written.
bool WritePcInfoFile(const std::string& path, const std::string& text);
