#include "tests/launcher/support/StartRecord.h"

#include "lib/Path.h"
#include "tests/launcher/standins/StandInRecord.h"
#include "tests/launcher/support/RecordFile.h"
#include "tests/support/TestSupport.h"

#include <cstdlib>

namespace launchertest {

namespace {

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    size_t begin = 0;
    for (;;) {
        const size_t tab = line.find('\t', begin);
        fields.push_back(line.substr(begin, tab == std::string::npos ? std::string::npos : tab - begin));
        if (tab == std::string::npos) return fields;
        begin = tab + 1;
    }
}

bool ParseHex(const std::string& text, uint32_t& value)
{
    if (text.empty() || text.size() > 8) return false;
    char* end = nullptr;
    value = static_cast<uint32_t>(std::strtoul(text.c_str(), &end, 16));
    return *end == '\0';
}

} // namespace

CStartRecord::CStartRecord(const std::string& folder)
    : m_strFile(folder + standin::kRecordFile), m_uStart(FileLength(m_strFile))
{
}

std::string CStartRecord::ArgumentsOf(const std::string& commandLine)
{
    size_t at = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        const size_t close = commandLine.find('"', 1);
        at = close == std::string::npos ? commandLine.size() : close + 1;
    } else {
        at = commandLine.find(' ');
        if (at == std::string::npos) at = commandLine.size();
    }
    while (at < commandLine.size() && (commandLine[at] == ' ' || commandLine[at] == '\t')) ++at;
    return commandLine.substr(at);
}

bool CStartRecord::ParseStart(const std::string& line, StartedProgram& start)
{
    const std::vector<std::string> fields = SplitTabs(line);
    if (fields.size() != 5 || fields[0] != standin::kStartKind || fields[4].empty()) return false;
    char* end = nullptr;
    const long show = std::strtol(fields[4].c_str(), &end, 10);
    if (*end != '\0') return false;
    start.sPath = fields[1];
    start.sProgram = lib::PathFindFileNameStr(fields[1]);
    start.sCommandLine = fields[2];
    start.sArguments = ArgumentsOf(fields[2]);
    start.sFolder = fields[3];
    start.iShow = static_cast<int>(show);
    return true;
}

bool CStartRecord::ParseMessage(const std::string& line, NotedMessage& message)
{
    const std::vector<std::string> fields = SplitTabs(line);
    if (fields.size() != 5 || fields[0] != standin::kMessageKind) return false;
    message.sProgram = lib::PathFindFileNameStr(fields[1]);
    message.sName = fields[2];
    return ParseHex(fields[3], message.uWParam) && ParseHex(fields[4], message.uLParam);
}

std::vector<std::string> CStartRecord::_Lines() const
{
    return WholeLines(testsupport::ReadFileBytes(m_strFile, m_uStart));
}

std::vector<StartedProgram> CStartRecord::Starts() const
{
    std::vector<StartedProgram> starts;
    for (const std::string& line : _Lines()) {
        StartedProgram start;
        if (ParseStart(line, start)) starts.push_back(start);
    }
    return starts;
}

std::vector<StartedProgram> CStartRecord::StartsOf(const std::string& program) const
{
    std::vector<StartedProgram> starts;
    for (const StartedProgram& start : Starts()) {
        if (lstrcmpiA(start.sProgram.c_str(), program.c_str()) == 0) starts.push_back(start);
    }
    return starts;
}

std::vector<NotedMessage> CStartRecord::Messages() const
{
    std::vector<NotedMessage> messages;
    for (const std::string& line : _Lines()) {
        NotedMessage message;
        if (ParseMessage(line, message)) messages.push_back(message);
    }
    return messages;
}

std::vector<StartedProgram> CStartRecord::WaitForStart(const std::string& program, DWORD timeoutMs,
                                                       size_t count) const
{
    const DWORD begin = GetTickCount();
    for (;;) {
        std::vector<StartedProgram> starts = StartsOf(program);
        if (starts.size() >= count || GetTickCount() - begin >= timeoutMs) return starts;
        Sleep(20);
    }
}

bool CStartRecord::WaitForMessage(const std::string& program, const std::string& name,
                                  NotedMessage* seen, DWORD timeoutMs) const
{
    const DWORD begin = GetTickCount();
    for (;;) {
        for (const NotedMessage& message : Messages()) {
            if (lstrcmpiA(message.sProgram.c_str(), program.c_str()) == 0 && message.sName == name) {
                if (seen != nullptr) *seen = message;
                return true;
            }
        }
        if (GetTickCount() - begin >= timeoutMs) return false;
        Sleep(20);
    }
}

} // namespace launchertest
