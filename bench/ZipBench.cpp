// Zip, unzip, gzip and gunzip speed of our wrappers beside the host's own zip, unzip and
// gzip on the same 50 MB of log-like text in the same run. The host tools run natively on
// Linux (started through a shell script that times each command itself); ours run under
// Wine, so the comparison includes Wine's file-system cost. Every result is checked, so a
// fast but wrong figure cannot pass unnoticed. Best of three runs each.

#include "carddata/GZipIF.h"
#include "carddata/ZipIF.h"

#include "tests/carddata/HostShell.h"
#include "tests/carddata/ZipTestSupport.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <string>

namespace {

const size_t kTreeFiles = 200;               // 10 folders of 20 files of 250 KiB
const size_t kFileBytes = 250u << 10;
const size_t kTotalBytes = kTreeFiles * kFileBytes;  // 50 MiB, also the single gzip file
const int kRuns = 3;

double Now()
{
    LARGE_INTEGER counter, freq;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&freq);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(freq.QuadPart);
}

double BestSeconds(const std::function<bool()>& step)
{
    double best = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        const double start = Now();
        if (!step()) {
            std::printf("step failed\n");
            std::exit(1);
        }
        const double seconds = Now() - start;
        if (seconds < best) best = seconds;
    }
    return best;
}

double MBps(double seconds)
{
    return static_cast<double>(kTotalBytes) / (1024.0 * 1024.0) / seconds;
}

long long FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return static_cast<long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

bool SameTree(const std::string& a, const std::string& b)
{
    for (size_t i = 0; i < kTreeFiles; ++i) {
        const std::string name = "folder" + std::to_string(i / 20) + "\\App" +
                                 std::to_string(i % 20) + "_sys.log";
        if (ziptest::ReadFileBytes(a + name) != ziptest::ReadFileBytes(b + name)) return false;
    }
    return true;
}

} // namespace

int main()
{
    const std::string work = ziptest::MakeWorkFolder("zip_bench");
    const std::string tree = work + "tree\\";
    CreateDirectoryA(tree.c_str(), nullptr);
    for (size_t i = 0; i < kTreeFiles; ++i) {
        const std::string folder = tree + "folder" + std::to_string(i / 20) + "\\";
        CreateDirectoryA(folder.c_str(), nullptr);
        ziptest::WriteFileBytes(folder + "App" + std::to_string(i % 20) + "_sys.log",
                                ziptest::LogLikeText(kFileBytes, static_cast<unsigned>(i)));
    }
    const std::string big = work + "big.log";
    ziptest::WriteFileBytes(big, ziptest::LogLikeText(kTotalBytes, 99));

    CZipIF zip;
    CGZipIF gzip(nullptr);
    const double zipSeconds = BestSeconds([&] { return zip.ZipFolder(tree, work + "ours.zip"); });
    const double unzipSeconds = BestSeconds([&] {
        ziptest::RemoveTree(work + "ours_out");
        return zip.UnZip(work + "ours.zip", work + "ours_out\\", nullptr);
    });
    const bool treeOk = SameTree(tree, work + "ours_out\\");
    const double gzipSeconds = BestSeconds([&] { return gzip.GZipFile(big, work + "ours.gz"); });
    const double gunzipSeconds =
        BestSeconds([&] { return gzip.UnGZipFile(work + "ours.gz", work + "ours.out"); });
    const bool fileOk = ziptest::ReadFileBytes(big) == ziptest::ReadFileBytes(work + "ours.out");

    // The host times each command itself (best of three), so starting the shell from Wine
    // costs the host nothing.
    const char* const script =
        "best() { b=; for r in 1 2 3; do eval \"$2\"; s=$(date +%s%N); eval \"$3\"; "
        "e=$(date +%s%N); t=$((e-s)); if [ -z \"$b\" ] || [ $t -lt $b ]; then b=$t; fi; done; "
        "echo \"$1 $b\"; }\n"
        "best zip 'rm -f host.zip' '(cd tree && zip -qr ../host.zip .)'\n"
        "best unzip 'rm -rf host_out' 'unzip -q host.zip -d host_out'\n"
        "best gzip 'rm -f host.gz' 'gzip -c big.log > host.gz'\n"
        "best gunzip 'rm -f host_big.log' 'gzip -dc host.gz > host_big.log'\n"
        "diff -r tree host_out >/dev/null && cmp -s big.log host_big.log && echo same\n"
        "echo size_zip $(stat -c %s host.zip) size_gz $(stat -c %s host.gz)\n";
    const hostshell::Result host = hostshell::Run(script, work, 600000);
    std::map<std::string, double> hostSeconds;
    std::map<std::string, long long> hostSizes;
    bool hostOk = false;
    std::istringstream lines(host.output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "same") hostOk = true;
        if (key == "size_zip") {
            std::string second;
            words >> hostSizes["zip"] >> second >> hostSizes["gz"];
        } else {
            long long ns = 0;
            if (words >> ns) hostSeconds[key] = static_cast<double>(ns) / 1e9;
        }
    }

    std::printf("50 MiB of log-like text: a tree of %u files of %u KiB, and one file\n",
                static_cast<unsigned>(kTreeFiles), static_cast<unsigned>(kFileBytes >> 10));
    std::printf("%-8s %14s %14s\n", "", "ours (Wine)", "host (Linux)");
    const struct {
        const char* name;
        double ours;
    } rows[] = {{"zip", zipSeconds}, {"unzip", unzipSeconds}, {"gzip", gzipSeconds},
                {"gunzip", gunzipSeconds}};
    for (const auto& row : rows) {
        const auto found = hostSeconds.find(row.name);
        if (found != hostSeconds.end() && found->second > 0) {
            std::printf("%-8s %9.1f MB/s %9.1f MB/s\n", row.name, MBps(row.ours),
                        MBps(found->second));
        } else {
            std::printf("%-8s %9.1f MB/s %14s\n", row.name, MBps(row.ours), "n/a");
        }
    }
    std::printf("sizes    zip %lld / %lld bytes, gzip %lld / %lld bytes (ours / host)\n",
                FileSize(work + "ours.zip"), hostSizes["zip"], FileSize(work + "ours.gz"),
                hostSizes["gz"]);
    std::printf("checks   ours %s, host %s\n", treeOk && fileOk ? "round trip exact" : "MISMATCH",
                !host.ran ? "not run (no host shell)" : hostOk ? "round trip exact" : "MISMATCH");
    if (host.ran && !hostOk) std::printf("host output:\n%s", host.output.c_str());
    ziptest::RemoveTree(work.substr(0, work.size() - 1));
    return treeOk && fileOk ? 0 : 1;
}
