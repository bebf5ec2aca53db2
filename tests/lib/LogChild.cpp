// Started by lib_log_test in a process of its own:
//   lib_log_child START SIZE_KB COMMAND...
// START: "-" never calls Start, "default" calls it with no name, else with that name.
// Commands: "L<level>:<text>" one line; "R<count>:<text>" count LOG_INFO lines
// "<text>-<n>"; "S<name>" a second Start; "E" the end banner; "P<file>" writes the path
// the next line goes to into the file; "X<text>" a LOG_LOGGER_DEFAULT line written by a
// static destructor after main has returned.
#include "lib/TolveLog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Built before main, so it is destroyed after everything built on first use during the run.
struct CExitLine {
    std::string text;
    ~CExitLine()
    {
        if (!text.empty()) TOLVE_LOG(LOG_LOGGER_DEFAULT, "%s", text.c_str());
    }
} g_exitLine;

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) return 2;
    const std::string start = argv[1];
    const int sizeKB = std::atoi(argv[2]);
    if (start == "default") {
        CTolveLogWrapper(__FILE__, __LINE__).Start(nullptr, sizeKB, static_cast<uint32_t>(-1));
    } else if (start != "-") {
        CTolveLogWrapper(__FILE__, __LINE__).Start(start.c_str(), sizeKB, static_cast<uint32_t>(-1));
    }
    for (int i = 3; i < argc; ++i) {
        const char* command = argv[i];
        const char* colon = std::strchr(command, ':');
        switch (command[0]) {
        case 'L':
            if (colon == nullptr) return 3;
            TOLVE_LOG(std::atoi(command + 1), "%s", colon + 1);
            break;
        case 'R':
            if (colon == nullptr) return 3;
            for (int n = 0, count = std::atoi(command + 1); n < count; ++n) {
                TOLVE_LOG(LOG_INFO, "%s-%d", colon + 1, n);
            }
            break;
        case 'S':
            CTolveLogWrapper(__FILE__, __LINE__).Start(command + 1, 4096, static_cast<uint32_t>(-1));
            break;
        case 'X':
            g_exitLine.text = command + 1;
            break;
        case 'E':
            CTolveLogWrapper(__FILE__, __LINE__).End();
            break;
        case 'P': {
            FILE* file = std::fopen(command + 1, "wb");
            if (file == nullptr) return 4;
            const std::string path = GetTolveLogOutputPath();
            std::fwrite(path.data(), 1, path.size(), file);
            std::fclose(file);
            break;
        }
        default:
            return 3;
        }
    }
    return 0;
}
