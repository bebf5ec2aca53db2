#pragma once
// The starts and messages that the stand-ins noted in a folder's "started.txt"
// (tests/launcher/standins/StandInRecord.h), from the moment the record object was made:
//
//     launchertest::CStartRecord record(product.Path());
//     ... the launcher starts "Mendrill.exe" ...
//     std::vector<launchertest::StartedProgram> starts = record.WaitForStart("Mendrill.exe", 10000);
//     EXPECT_EQ(starts[0].sArguments, "Launcher");

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace launchertest {

struct StartedProgram {
    std::string sProgram;     // the file name ("Mendrill.exe")
    std::string sPath;        // as the program found itself
    std::string sCommandLine; // whole, as GetCommandLine gave it
    std::string sArguments;   // what follows the program on it, blanks before trimmed
    std::string sFolder;      // current folder at the start
    int iShow = -1;           // show command of the start, -1 when the starter gave none
};

struct NotedMessage {
    std::string sProgram;
    std::string sName;
    uint32_t uWParam = 0;
    uint32_t uLParam = 0;
};

class CStartRecord {
public:
    // folder: the stand-ins' folder, with its trailing backslash. Only lines written after
    // this count.
    explicit CStartRecord(const std::string& folder);

    std::vector<StartedProgram> Starts() const;
    // The starts of one program (file name, any case).
    std::vector<StartedProgram> StartsOf(const std::string& program) const;
    std::vector<NotedMessage> Messages() const;

    // Waits until the program has started `count` times; its starts (fewer after the time-out).
    std::vector<StartedProgram> WaitForStart(const std::string& program, DWORD timeoutMs,
                                             size_t count = 1) const;
    // Waits for a message the program noted; false after the time-out.
    bool WaitForMessage(const std::string& program, const std::string& name, NotedMessage* seen,
                        DWORD timeoutMs) const;

    // One line of the file, without its line end; false for a line of another kind or form.
    static bool ParseStart(const std::string& line, StartedProgram& start);
    static bool ParseMessage(const std::string& line, NotedMessage& message);
    // The command line without the program: after its closing quote, or its first blank.
    static std::string ArgumentsOf(const std::string& commandLine);

private:
    std::vector<std::string> _Lines() const;

    std::string m_strFile;
    size_t m_uStart;
};

} // namespace launchertest
