// Started by online_connectioninfo_test from a folder of its own, beside the
// "Connection.info" and "QZLOG.ini" of one scenario; the request table loads once per
// process, so each scenario is one run.
//   online_connection_child COMMAND...
// It logs to "child.log" beside itself and writes "report.txt" there, one "key=value" line
// per answer. Commands, in order:
//   "standin=<base>"  points every row at the base URL (the tests' Connection.info helper)
//   "url=<id>"        GetURL                        -> "url<id>=..."
//   "urls"            GetURL of ids 0 to 45         -> "url<id>=..." each
//   "query=<id>"      GetURLWithQuery with values   -> "query<id>=..."
//   "post=<id>"       the filler of request 4, 26 or 12 and CreatePostData -> "post<id>=..."
#include "lib/Path.h"
#include "lib/TolveLog.h"
#include "online/ConnectionFile.h"
#include "tests/online/support/ConnectionInfoForTests.h"

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// What the masked log line must hide: each holds a character that the mask must not stop at.
const char kPassword[] = "s3cret&pw";
const char kOneTimePassword[] = "0tp&x=9";

bool FillRequest(uint32_t id, CConnectionParameterData& parameters)
{
    switch (id) {
    case 4:
        return parameters.SetUserAuthentication("nick", kPassword, "0123456789ABCDEF", 0x000A0005);
    case 26:
        return parameters.SetDeviceInfo("nick", kPassword);
    case 12:
        return parameters.SetODVParameter("CCID", kOneTimePassword, 0x05000123, 125, "tp", "bp",
                                          0x2010, "3,3", 0, 0, 204800, "tokyo", 8, 30000, 1);
    default:
        return false;
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::string folder = lib::GetParentFolder(lib::GetModuleFileNameStr(nullptr));
    lib::AppendBackslash(folder);
    CTolveLogWrapper(__FILE__, __LINE__).Start((folder + "child.log").c_str(), 4096,
                                               static_cast<uint32_t>(-1));
    std::ofstream report(folder + "report.txt", std::ios::binary | std::ios::trunc);
    CConnectionFile& table = CConnectionFile::GetInstance();
    for (int i = 1; i < argc; ++i) {
        const std::string command = argv[i];
        const size_t equals = command.find('=');
        const std::string name = command.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : command.substr(equals + 1);
        const uint32_t id = static_cast<uint32_t>(std::atoi(value.c_str()));
        if (name == "standin") {
            if (!onlinetest::WriteConnectionInfo(value)) return 3;
        } else if (name == "url") {
            report << "url" << id << "=" << table.GetURL(id) << "\n";
        } else if (name == "urls") {
            for (uint32_t each = 0; each <= 45; ++each) {
                report << "url" << each << "=" << table.GetURL(each) << "\n";
            }
        } else if (name == "query") {
            CConnectionParameterData parameters;
            parameters.SetString(200, "agent");
            parameters.SetString(201, "ua");
            parameters.SetNumber(202, 7);
            parameters.SetString(203, "nick");
            report << "query" << id << "=" << table.GetURLWithQuery(id, parameters) << "\n";
        } else if (name == "post") {
            CConnectionParameterData parameters;
            if (!FillRequest(id, parameters)) return 4;
            uint32_t size = 0;
            const lib::CMallocBuffer body = table.CreatePostData(id, parameters, size);
            report << "post" << id << "=" << std::string(body.get(), size) << "\n";
        } else {
            return 2;
        }
    }
    return report.good() ? 0 : 5;
}
