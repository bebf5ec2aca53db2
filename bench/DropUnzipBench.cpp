// The drop window's unpacking beside the host's own unzip, on the same web data archive of
// about 250 MiB (a "WEBDMDATA" tree of 5,000 files of 1 to 64 KiB, half log-like text and
// half image-like random bytes, and four entries of 24 MiB), both onto card I:. Ours runs
// as the window does it, under Wine: the old folder deleted, then the unzip into "I:\" with
// the "WEBDMDATA" rule and an abort event. The host's unzip runs natively, timed by the
// script itself. Best of three each; both trees are checked byte for byte.

#include "carddata/ZipIF.h"
#include "lib/Path.h"

#include "tests/carddata/HostShell.h"
#include "tests/carddata/ZipTestSupport.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

const int kSmallFiles = 5000;
const int kLargeFiles = 4;
const size_t kLargeBytes = 24u << 20;
const int kRuns = 3;
const char kCardRoot[] = "I:\\";

double Now()
{
    LARGE_INTEGER counter, freq;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&freq);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(freq.QuadPart);
}

// Bytes that do not compress, as pictures in the archive are.
std::string RandomBytes(size_t size, uint32_t seed)
{
    std::string bytes(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x >> 24);
    }
    return bytes;
}

struct TreeFile {
    std::string name;  // below the card's root
    std::string bytes;
};

std::vector<TreeFile> MakeTree()
{
    std::vector<TreeFile> files;
    for (int i = 0; i < kSmallFiles; ++i) {
        const size_t size = (1u << 10) + (static_cast<size_t>(i) * 7919u) % (63u << 10);
        const std::string name = "WEBDMDATA\\area" + std::to_string(i / 100) + "\\spot" +
                                 std::to_string(i) + (i % 2 == 0 ? ".txt" : ".jpg");
        files.push_back({name, i % 2 == 0 ? ziptest::LogLikeText(size, static_cast<unsigned>(i))
                                          : RandomBytes(size, static_cast<uint32_t>(i))});
    }
    for (int i = 0; i < kLargeFiles; ++i) {
        files.push_back({"WEBDMDATA\\map" + std::to_string(i) + ".dat",
                         i % 2 == 0 ? ziptest::LogLikeText(kLargeBytes, 100u + i)
                                    : RandomBytes(kLargeBytes, 100u + i)});
    }
    return files;
}

bool SameTree(const std::vector<TreeFile>& files, const std::string& root)
{
    for (const TreeFile& file : files) {
        if (ziptest::ReadFileBytes(root + file.name) != file.bytes) return false;
    }
    return true;
}

} // namespace

int main()
{
    const std::string work = ziptest::MakeWorkFolder("drop_unzip_bench");
    const std::string source = work + "src\\";
    const std::vector<TreeFile> files = MakeTree();
    uint64_t total = 0;
    for (const TreeFile& file : files) {
        const std::string path = source + file.name;
        lib::CreateDirectories(path, true);
        ziptest::WriteFileBytes(path, file.bytes);
        total += file.bytes.size();
    }
    CZipIF zip;
    if (!zip.ZipFolder(source, work + "WEBDMDATA.ZIP")) {
        std::printf("the archive could not be made\n");
        return 1;
    }

    const std::string folder = std::string(kCardRoot) + "WEBDMDATA\\";
    HANDLE abort = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    double best = 1e30;
    bool oursOk = true;
    for (int run = 0; run < kRuns; ++run) {
        const double start = Now();
        lib::DeleteFolder(folder.c_str(), true);
        ::ResetEvent(abort);
        const bool ok = zip.UnZip(work + "WEBDMDATA.ZIP", kCardRoot, abort, "WEBDMDATA");
        const double seconds = Now() - start;
        if (!ok) oursOk = false;
        if (seconds < best) best = seconds;
    }
    ::CloseHandle(abort);
    oursOk = oursOk && SameTree(files, kCardRoot);
    lib::DeleteFolder(folder.c_str(), true);

    const std::string card = hostshell::UnixPath(kCardRoot);
    const std::string script =
        "card='" + card + "'\n"
        "b=; for r in 1 2 3; do s=$(date +%s%N); rm -rf \"$card/WEBDMDATA\"; "
        "unzip -q WEBDMDATA.ZIP -d \"$card\"; e=$(date +%s%N); t=$((e-s)); "
        "if [ -z \"$b\" ] || [ $t -lt $b ]; then b=$t; fi; done; echo unzip $b\n"
        "diff -r src/WEBDMDATA \"$card/WEBDMDATA\" >/dev/null && echo same\n"
        "rm -rf \"$card/WEBDMDATA\"\n";
    const hostshell::Result host = hostshell::Run(script, work, 600000);
    double hostSeconds = 0;
    bool hostOk = false;
    std::istringstream lines(host.output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        long long ns = 0;
        if (key == "same") hostOk = true;
        if (key == "unzip" && (words >> ns)) hostSeconds = static_cast<double>(ns) / 1e9;
    }

    const double mib = static_cast<double>(total) / (1024.0 * 1024.0);
    const double count = static_cast<double>(files.size());
    std::printf("web data archive: %.0f MiB in %u files, unpacked onto card I:\n", mib,
                static_cast<unsigned>(files.size()));
    std::printf("%-22s %9.1f MB/s %9.0f files/s\n", "ours (Wine, drop road)", mib / best,
                count / best);
    if (hostSeconds > 0) {
        std::printf("%-22s %9.1f MB/s %9.0f files/s\n", "host unzip -q (Linux)",
                    mib / hostSeconds, count / hostSeconds);
    } else {
        std::printf("%-22s %14s\n", "host unzip -q (Linux)", "n/a");
    }
    std::printf("checks   ours %s, host %s\n", oursOk ? "exact" : "MISMATCH",
                !host.ran ? "not run (no host shell)" : hostOk ? "exact" : "MISMATCH");
    ziptest::RemoveTree(work.substr(0, work.size() - 1));
    return oursOk ? 0 : 1;
}
