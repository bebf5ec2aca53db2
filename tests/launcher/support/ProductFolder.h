#pragma once
// The product folder of the launcher's tests, "<build>/tests/product/", made by the build
// (tests/launcher/product.cmake): the test build of "Launcher.exe" and stand-ins of every
// program it starts ("Kestrum4Agent.exe", "Dapplegate.exe", "Mendrill.exe",
// "PellickManager.exe", "Sonavelle\Sonavelle5.exe"). Pristine copies of the stand-ins wait
// in "<build>/tests/standins/", so a case may replace or remove a program and have it put
// back. Tests that start a program of the folder hold the CTest lock "launcher_process".
//
//     launchertest::CProductFolder product;       // stand-ins back, music tool registered
//     product.WriteConnectionInfo(standIn);       // "Connection.info" for the case's space
//     launchertest::CProgramSwap agent = product.UseRealAgent();

#include <windows.h>

#include <string>
#include <vector>

namespace onlinetest {
class CStandIn;
}

namespace launchertest {

// "<build>/tests/", with its trailing backslash, found from the running test program's folder.
std::string TestsFolder();
// "<build>/tests/standins/" and "<build>/tests/product/".
std::string StandInFolder();
std::string ProductFolderPath();

// The product's folder in the prefix user's application data ("...\Halvorn\Kestrum4\"),
// where the launcher started by a test keeps its files, whatever folder this test program
// sends its own to (testsupport::UsePrivateAppData).
std::string UserProductFolder();
// The launcher's log there ("Log\Launcher_sys.log").
std::string LauncherLogPath();
// The stand-in's values for a start chain of the folder's launcher that finds nothing newer
// than the folder's programs and wants no logs, so the chain ends without a box.
std::string NothingNewerVars();

// Removes what the launcher and the agent keep there ("Setting\Launcher.ini", "Data\" with
// "UserList.info" and the users' folders, "Download\", "TemporaryFile\"); never "Log\",
// where every test program of the session logs.
void RemoveUserFiles();

// Ends every running program whose file lies in the product folder (below it included), and
// the "chkdsk.exe" stand-in, and waits until they are gone; test programs built into the
// folder ("*_test.exe") are left alone. The number ended.
int EndProductPrograms();

// The ids of the running processes whose program lies in the folder (with its trailing
// backslash; below it included), test programs ("*_test.exe") left out.
std::vector<DWORD> ProcessesIn(const std::string& folder);
// Waits until every process of the folder has ended but those kept (ids of ProcessesIn):
// a program started there before the call has then noted its start, and a stand-in that a
// program ran and that ends by itself is gone. False after the time-out.
bool WaitForProcessesIn(const std::string& folder, const std::vector<DWORD>& kept,
                        DWORD timeoutMs);

// Puts a file in place of a product program for the object's life, then the program back as
// it was (a missing program stays missing); the folder's programs are ended first, since a
// running program cannot be replaced. An empty source removes the program for a case.
class CProgramSwap {
public:
    CProgramSwap() = default;
    // program: relative to the product folder ("Kestrum4Update.exe").
    CProgramSwap(const std::string& program, const std::string& source);
    ~CProgramSwap();
    CProgramSwap(CProgramSwap&& other) noexcept;
    CProgramSwap& operator=(CProgramSwap&& other) noexcept;
    CProgramSwap(const CProgramSwap&) = delete;
    CProgramSwap& operator=(const CProgramSwap&) = delete;

    // False when the program could not be set aside or the source not copied.
    bool Swapped() const { return m_bSwapped; }

private:
    void _Restore();

    std::string m_strProgram; // full path in the product folder
    std::string m_strKept;    // where the original waits, empty when there was none
    bool m_bSwapped = false;
};

class CProductFolder {
public:
    // Ends the folder's programs, puts every stand-in back, removes the case files of an
    // earlier case, writes "QZLOG.ini" with the debug switch on and registers the music
    // tool's folder.
    CProductFolder();
    ~CProductFolder();
    CProductFolder(const CProductFolder&) = delete;
    CProductFolder& operator=(const CProductFolder&) = delete;

    // With its trailing backslash.
    const std::string& Path() const { return m_strPath; }
    // A program or file of the folder ("Launcher.exe", "Sonavelle\Sonavelle5.exe").
    std::string File(const std::string& name) const { return m_strPath + name; }
    // Whether the build put the launcher there (its target may not exist yet).
    bool HasLauncher() const;

    // "Connection.info" pointing every request at the case's space of the stand-in services.
    bool WriteConnectionInfo(const onlinetest::CStandIn& standIn) const;
    bool WriteConnectionInfo(const std::string& baseURL) const;
    // "QZLOG.ini" with the debug switch on (or off).
    bool WriteLogSetting(bool debug = true) const;

    // The real agent's test build in place of the stand-in for the swap's life; not swapped
    // when the build made none.
    CProgramSwap UseRealAgent() const;
    // A stand-in that only notes its start ("started.txt") in place of the program.
    CProgramSwap UseRecorder(const std::string& program) const;
    // The program taken away for the swap's life.
    CProgramSwap Remove(const std::string& program) const;

    // Copies every stand-in of the folder from the stand-in folder again.
    bool RestoreStandIns() const;

    // HKLM "Software\Corvalis\Sonavelle 5\Settings", "SetupPath": the music tool's folder
    // of the product folder, in the registry view of this program's bitness, which is the
    // launcher's (the 64-bit view for the 64-bit tests). The key is removed with the object.
    static const char kMusicToolKey[];
    bool RegisterMusicTool() const;

private:
    std::string m_strPath;
};

} // namespace launchertest
