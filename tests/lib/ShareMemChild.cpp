// Second process of the shared-memory tests. Exit code 0 (or the asked-for value) on
// success; 100 and up for a failed step, so a test can tell which one broke.
//   modify NAME READY_EVENT     open the block, signal, then under its mutex set
//                               word 1 to word 0 + 1
//   abandon NAME READY_EVENT    open, take the mutex, signal, end without releasing it
//   create NAME SIZE ALLOW      create the block; the exit code is the Windows error
//   set-user TEXT               CBlockShareMemHolder::SetUserAgent
//   set-drive LETTER            CBlockShareMemHolder::SetSelectDrive
//   get-drive                   exit code: CBlockShareMemHolder::GetSelectDrive
//   get-user                    exit code: the first byte of GetUserAgent, 200 on failure

#include "lib/BlockShareMemHolder.h"
#include "lib/ShareMem.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Signal(const char* eventName)
{
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, eventName);
    if (event == nullptr) return;
    SetEvent(event);
    CloseHandle(event);
}

int Modify(const char* name, const char* ready)
{
    CBlockShareMem block;
    if (block.Open(name, false) != 0) return 100;
    Signal(ready);
    if (!block.Lock()) return 101;
    uint32_t* words = static_cast<uint32_t*>(block.GetView());
    words[1] = words[0] + 1;
    block.Unlock();
    return 0;
}

int Abandon(const char* name, const char* ready)
{
    CBlockShareMem block;
    if (block.Open(name, false) != 0) return 100;
    if (!block.Lock()) return 101;
    Signal(ready);
    // Ends the process with the mutex still held: no destructor gets to release it.
    ExitProcess(0);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return 99;
    const std::string command = argv[1];
    if (command == "modify" && argc == 4) return Modify(argv[2], argv[3]);
    if (command == "abandon" && argc == 4) return Abandon(argv[2], argv[3]);
    if (command == "create" && argc == 5) {
        CBlockShareMem block;
        return static_cast<int>(block.Create(argv[2], std::strtoul(argv[3], nullptr, 10),
                                             std::strcmp(argv[4], "1") == 0, false));
    }
    CBlockShareMemHolder holder;
    if (command == "set-user" && argc == 3) return holder.SetUserAgent(argv[2]) ? 0 : 100;
    if (command == "set-drive" && argc == 3) return holder.SetSelectDrive(argv[2][0]) ? 0 : 100;
    if (command == "get-drive") return static_cast<unsigned char>(holder.GetSelectDrive());
    if (command == "get-user") {
        char text[USER_AGENT_SHARE_MEM_SIZE] = {};
        if (!holder.GetUserAgent(text)) return 200;
        return static_cast<unsigned char>(text[0]);
    }
    return 99;
}
