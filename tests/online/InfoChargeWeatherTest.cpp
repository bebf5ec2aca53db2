// The weather download against the stand-in weather data service
// (tools/standin/services/weather.py), on simulated card Y: (see tools/wine-prefix) holding
// a link file, so that the requests carry the card's user agent.

#include "online/InfoChargeWeather.h"

#include "carddata/SDInfoFile.h"
#include "lib/Path.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/online/WeatherTestSupport.h"
#include "tests/online/support/JobTestSupport.h"
#include "tests/online/support/MessageCapture.h"
#include "tests/online/support/StandIn.h"
#include "tests/online/support/WaitLog.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

using onlinetest::AuthMode;
using onlinetest::CAnswer;
using onlinetest::CapturedMessage;
using onlinetest::CMessageCapture;
using onlinetest::CStandIn;
using onlinetest::Describe;
using onlinetest::RecordedRequest;
using testsupport::CLogCapture;
using namespace weathertest;

const char kSource[] = "InfoChargeWeather.cpp";

// ---------------------------------------------------------------------------------------
// What the card files must hold, worked out here from the stand-in's fixture.

std::string Zeros(size_t count) { return std::string(count, '\0'); }

std::string Repeat(const std::string& unit, size_t times)
{
    std::string text;
    for (size_t i = 0; i < times; ++i) text += unit;
    return text;
}

// `bytes` written over `base` from `offset`.
std::string Over(std::string base, size_t offset, const std::string& bytes)
{
    base.replace(offset, bytes.size(), bytes);
    return base;
}

// The card files in the order they are written, with their sizes and presets.
struct CardFile {
    const char* m_pszPath;
    std::string m_strPreset;
};

const std::vector<CardFile>& CardFiles()
{
    static const std::vector<CardFile> files = {
        {"PC\\WEATHER\\WT_INFO.DAT", Zeros(556)},
        {"PC\\WEATHER\\WT_DATA.DAT", Zeros(43800) + Repeat("\xFF\x80", 1200)},
        {"PC\\WEATHER\\AMDSINFO.DAT", Zeros(84)},
        {"PC\\WEATHER\\AMDSDATA.DAT", Zeros(13500)},
        {"PC\\WEATHER\\AMDSPNT.DAT", Zeros(39000)},
        {"PC\\WEATHER\\SNOWDATA.DAT", Zeros(1400)},
        {"PC\\WEATHER\\SNOWPNT.DAT", Zeros(9100)},
        {"PC\\WEATHER\\WTCWDATA.DAT", Zeros(10950) + Repeat("\xFF", 600)},
        {"PC\\WEATHER\\WT_WINFO.DAT", Zeros(316)},
        {"PC\\WEATHER\\WT_WDATA.DAT", Zeros(20075) + Repeat("\xFF", 1100) + Zeros(1)},
        {"PC\\WEATHER\\WTWPDATA.DAT", Zeros(1604)},
        {"PC\\WEATHER\\WTWPLIST.DAT", Zeros(2600)},
    };
    return files;
}

enum : int { WT_INFO, WT_DATA, AMDSINFO, AMDSDATA, AMDSPNT, SNOWDATA, SNOWPNT, WTCWDATA,
             WT_WINFO, WT_WDATA, WTWPDATA, WTWPLIST };
// The card file that each data file fills.
const int kDataCardFile[kDataFiles] = {WT_DATA, AMDSDATA, AMDSPNT, SNOWDATA, SNOWPNT,
                                       WT_WDATA, WTWPDATA, WTWPLIST, WTCWDATA};

// What a run writes when each file in the folder answers as `replies` says (by name); a
// data file that is not asked for (nullptr in `requested`) keeps its preset.
std::string ExpectedCardFile(int file, const std::map<std::string, std::string>& replies,
                             const Names& requested)
{
    const std::string& preset = CardFiles()[file].m_strPreset;
    auto reply = [&](const std::string& name) {
        const auto found = replies.find(name);
        return found == replies.end() ? std::string() : found->second;
    };
    switch (file) {
    case WT_INFO:
        return Over(Over(preset, 0, reply("all.man")), 540, reply("all1.man"));
    case AMDSINFO:
        return Over(preset, 0, reply("am_al.man"));
    case WT_WINFO:
        return Over(preset, 0, reply("all3.man"));
    default:
        for (int k = 0; k < kDataFiles; ++k) {
            if (kDataCardFile[k] == file) {
                return requested[k] == nullptr ? preset : Over(preset, 0, reply(requested[k]));
            }
        }
    }
    return preset;
}

// ---------------------------------------------------------------------------------------

// The job with a hook right after each send.
class CHookedWeather : public CInfoChargeWeather {
public:
    std::function<void()> m_fnAfterSend;

protected:
    void _OnRequestSent() override
    {
        if (m_fnAfterSend) m_fnAfterSend();
    }
};

class WeatherTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_card.IsRemovable()) << "rebuild the test prefix (see tools/wine-prefix)";
        ASSERT_TRUE(PrepareStandIn(m_standIn));
        ASSERT_TRUE(WriteLinkFile(m_card));
        m_job.SetNotifyWindow(m_capture.Window());
        m_job.SetDriveLetter(kCard);
    }

    void TearDown() override { m_job.AbortProc(INFINITE); }

    // One start, up to its finish.
    bool Run()
    {
        const size_t finishes = m_capture.Count(kFinish);
        if (!m_job.StartProc() || !m_capture.WaitFor(kFinish, finishes + 1, 60000)) return false;
        m_capture.PumpFor(30);
        return true;
    }

    void Fresh()
    {
        m_standIn.Reset();
        ASSERT_TRUE(m_standIn.Rule(kFolder, AccountAuth(AuthMode::Both)));
        m_capture.Clear();
    }

    std::vector<uint32_t> Values(UINT message) const
    {
        std::vector<uint32_t> values;
        for (const CapturedMessage& m : m_capture.Of(message)) values.push_back(m.uWParam);
        return values;
    }

    // The paths of the requests that were served.
    std::vector<std::string> ServedPaths() const
    {
        std::vector<std::string> paths;
        for (const RecordedRequest& r : m_standIn.Requests()) {
            if (r.iStatus == 200) paths.push_back(r.sPath);
        }
        return paths;
    }

    // The history record of the job on the card: phase and result.
    std::pair<uint32_t, uint32_t> History() const { return onlinetest::JobHistory(kCard, kWeatherType); }

    std::string CardBytes(int file) const
    {
        return testsupport::ReadFileBytes(m_card.GetPath(CardFiles()[file].m_pszPath));
    }

    // Card files of an earlier run, which a failed run must leave as they are.
    void WriteEarlierFiles()
    {
        for (int file = 0; file < 12; ++file) {
            ASSERT_TRUE(m_card.WriteFile(CardFiles()[file].m_pszPath, EarlierBytes(file)));
        }
    }
    static std::vector<uint8_t> EarlierBytes(int file)
    {
        return {'o', 'l', 'd', static_cast<uint8_t>(file)};
    }
    void ExpectEarlierFiles(int from = 0) const
    {
        for (int file = from; file < 12; ++file) {
            const std::vector<uint8_t> earlier = EarlierBytes(file);
            EXPECT_EQ(std::string(earlier.begin(), earlier.end()), CardBytes(file))
                << CardFiles()[file].m_pszPath;
        }
    }

    CStandIn m_standIn;
    CSimulatedCard m_card{kCard}; // empty before and after each test
    CMessageCapture m_capture;
    CHookedWeather m_job;
};

// ---------------------------------------------------------------------------------------
// A whole run

TEST_F(WeatherTest, IndexFilesThenDataFilesWithTheAccountThenTwelveCardFiles)
{
    ASSERT_TRUE(Run());

    // Each file twice: refused without credentials, then served with the account's.
    const std::vector<RecordedRequest> requests = m_standIn.Requests();
    const Names names = DefaultNames();
    std::vector<std::string> expected = {"all.man", "all3.man", "am_al.man", "all1.man"};
    for (const char* name : names) expected.push_back(name);
    ASSERT_EQ(2 * expected.size(), requests.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i]);
        const RecordedRequest& first = requests[2 * i];
        const RecordedRequest& second = requests[2 * i + 1];
        for (const RecordedRequest* r : {&first, &second}) {
            EXPECT_EQ("GET", r->sMethod);
            EXPECT_EQ(std::string(kFolderPath) + expected[i], r->sPath);
            EXPECT_EQ(kUserAgent, r->Header("User-Agent"));
        }
        EXPECT_EQ(401, first.iStatus);
        EXPECT_FALSE(first.HasHeader("Authorization"));
        EXPECT_EQ(200, second.iStatus);
        EXPECT_TRUE(NamesTheAccount(second.Header("Authorization"))) << second.Header("Authorization");
    }

    EXPECT_EQ(Describe({0, 33, 66, 100}), Describe(Values(kProgress)));
    EXPECT_EQ(Describe({}), Describe(Values(kError)));
    ASSERT_EQ(1u, m_capture.Count(kFinish));
    EXPECT_EQ(kFinish, m_capture.Messages().back().uMessage);
    EXPECT_EQ(kWeatherType, m_capture.Messages().back().uLParam);
    EXPECT_EQ(std::make_pair(2u, kWeatherType << 24), History());

    const std::map<std::string, std::string> replies = FixtureFiles(names);
    for (int file = 0; file < 12; ++file) {
        SCOPED_TRACE(CardFiles()[file].m_pszPath);
        const std::string bytes = CardBytes(file);
        EXPECT_EQ(CardFiles()[file].m_strPreset.size(), bytes.size());
        EXPECT_TRUE(ExpectedCardFile(file, replies, names) == bytes);
    }
    // The fixture's data stop where the fills begin.
    EXPECT_EQ(Repeat("\xFF\x80", 1200), CardBytes(WT_DATA).substr(43800));
}

// ---------------------------------------------------------------------------------------
// What the replies make of the card files

TEST_F(WeatherTest, RepliesFillTheirCardFilesUpToTheirSize)
{
    struct Case {
        const char* m_pszName;
        std::vector<std::pair<int, std::string>> m_vecNames; // put into the index files
        std::vector<std::pair<std::string, std::string>> m_vecReplies; // queued, by file name
        // Data files asked for by another name than the index files give (nullptr: not asked).
        std::vector<std::pair<int, const char*>> m_vecRequested;
        std::vector<std::pair<int, std::string>> m_vecFiles; // card files other than reckoned
        std::vector<std::string> m_vecLines;                 // "<mark> <text>"
    };
    const Case cases[] = {
        // An empty index gives an empty buffer, whose names are empty: the folder is asked.
        {"empty all3.man", {}, {{"all3.man", ""}, {"", "F5"}, {"", "F6"}, {"", "F7"}},
         {{5, ""}, {6, ""}, {7, ""}},
         {{WT_WDATA, "F5" + Zeros(20073) + Repeat("\xFF", 1100) + Zeros(1)},
          {WTWPDATA, Over(Zeros(1604), 0, "F6")}, {WTWPLIST, Over(Zeros(2600), 0, "F7")}},
         {}},
        {"empty am_al.man", {}, {{"am_al.man", ""}, {"", "1"}, {"", "2"}, {"", "3"}, {"", "4"}},
         {{1, ""}, {2, ""}, {3, ""}, {4, ""}},
         {{AMDSINFO, Zeros(84)}, {AMDSDATA, Over(Zeros(13500), 0, "1")},
          {AMDSPNT, Over(Zeros(39000), 0, "2")}, {SNOWDATA, Over(Zeros(1400), 0, "3")},
          {SNOWPNT, Over(Zeros(9100), 0, "4")}},
         {}},
        {"empty all.man and all1.man", {}, {{"all.man", ""}, {"all1.man", ""}, {"", "D0"},
                                            {"", "D8"}},
         {{0, ""}, {8, ""}},
         {{WT_INFO, Zeros(556)}, {WT_DATA, Over(CardFiles()[WT_DATA].m_strPreset, 0, "D0")},
          {WTCWDATA, Over(CardFiles()[WTCWDATA].m_strPreset, 0, "D8")}},
         {}},
        // An empty data file leaves its card file's preset, fills included.
        // An empty data file leaves its card file's preset, fills included; one as long as
        // its card file covers the fill; a longer one is cut to its room, with a line.
        {"empty, full and long data files", {},
         {{"wt_wdata.bin", ""}, {"wtcw_dat.bin", ""},
          {"wt_data.bin", onlinetest::PatternBytes(46200, 7)},
          {"snow_dat.bin", onlinetest::PatternBytes(1500, 3)}},
         {},
         {{WT_WDATA, Zeros(20075) + Repeat("\xFF", 1100) + Zeros(1)},
          {WTCWDATA, Zeros(10950) + Repeat("\xFF", 600)},
          {WT_DATA, onlinetest::PatternBytes(46200, 7)},
          {SNOWDATA, onlinetest::PatternBytes(1400, 3)}},
         {".. _GetWtData QZLERROR_NODATA FileType::5", ".. _GetWtData QZLERROR_NODATA FileType::8",
          "!! _GetWtData reply cut to its buffer[snow_dat.bin SIZE:1500 LIMIT:1400]"}},
        {"empty data file 0", {}, {{"wt_data.bin", ""}}, {},
         {{WT_DATA, Zeros(43800) + Repeat("\xFF\x80", 1200)}},
         {".. _GetWtData QZLERROR_NODATA FileType::0"}},
        // Long index files are cut too. "all1.man" has 16 bytes: a name that fills them runs
        // to the buffer's end.
        {"long all.man and all1.man", {},
         {{"all.man", Over(onlinetest::PatternBytes(600, 11), 524, std::string("wt_data.bin\0", 12))},
          {"all1.man", "ABCDEFGHIJKLMNOPQRST"}, {"ABCDEFGHIJKLMNOP", "CW"}},
         {{8, "ABCDEFGHIJKLMNOP"}},
         {{WT_INFO, Over(Over(onlinetest::PatternBytes(556, 11), 524, std::string("wt_data.bin\0", 12)),
                         540, "ABCDEFGHIJKLMNOP")},
          {WTCWDATA, Over(CardFiles()[WTCWDATA].m_strPreset, 0, "CW")}},
         {"!! _GetWtInfo reply cut to its buffer[all.man SIZE:600 LIMIT:556]",
          "!! _GetWtInfo reply cut to its buffer[all1.man SIZE:20 LIMIT:16]"}},
        // A name without a NUL runs on to its buffer's end, here into the part of
        // "all1.man"; a short "all1.man" after a whole "all.man" is followed by zeros.
        {"all.man's name running into all1.man", {},
         {{"all.man", Over(onlinetest::PatternBytes(556, 11), 524, "wt_data.bin-abcd")},
          {"all1.man", "wtcw"}, {"wt_data.bin-abcdwtcw", "D0"}, {"wtcw", "CW"}},
         {{0, "wt_data.bin-abcdwtcw"}, {8, "wtcw"}},
         {{WT_INFO, Over(Over(onlinetest::PatternBytes(556, 11), 524, "wt_data.bin-abcd"), 540,
                         "wtcw" + Zeros(12))}},
         {}},
        {"last name of am_al.man without a NUL", {},
         {{"am_al.man", Over(FixtureFiles(DefaultNames()).at("am_al.man"), 70, "snowpnt-abcdefXYZ")},
          {"snowpnt-abcdef", "SP"}},
         {{4, "snowpnt-abcdef"}},
         {{AMDSINFO, Over(FixtureFiles(DefaultNames()).at("am_al.man"), 70, "snowpnt-abcdef")},
          {SNOWPNT, Over(Zeros(9100), 0, "SP")}},
         {"!! _GetWtInfo reply cut to its buffer[am_al.man SIZE:87 LIMIT:84]"}},
        // A name with a control character is not asked for; its file keeps its preset.
        {"control characters", {{6, "wt\x01wp.bin"}, {0, "wt\r\ndata"}, {2, "amds\x7Fpnt"}}, {},
         {{6, nullptr}, {0, nullptr}, {2, nullptr}}, {},
         {"!! _GetWtData 制御文字を含むファイル名 FileType::0[wt\\x0D\\x0Adata]",
          "!! _GetWtData 制御文字を含むファイル名 FileType::2[amds\\x7Fpnt]",
          "!! _GetWtData 制御文字を含むファイル名 FileType::6[wt\\x01wp.bin]"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_pszName);
        Fresh();
        Names names = DefaultNames();
        for (const auto& name : c.m_vecNames) names[name.first] = name.second.c_str();
        if (!c.m_vecNames.empty()) {
            ASSERT_TRUE(m_standIn.SetVars(NamesVars(names)));
        }
        std::map<std::string, std::string> replies = FixtureFiles(names);
        for (const auto& reply : c.m_vecReplies) {
            ASSERT_TRUE(m_standIn.Queue(kFolderPath + reply.first, CAnswer().Text(reply.second)));
            replies[reply.first] = reply.second;
        }
        Names requested = names;
        for (const auto& r : c.m_vecRequested) requested[r.first] = r.second;

        CLogCapture log;
        ASSERT_TRUE(Run());
        EXPECT_EQ(Describe({}), Describe(Values(kError)));
        EXPECT_EQ(Describe({0, 33, 66, 100}), Describe(Values(kProgress)));

        std::vector<std::string> paths;
        for (const char* name : {"all.man", "all3.man", "am_al.man", "all1.man"}) {
            paths.push_back(std::string(kFolderPath) + name);
        }
        for (const char* name : requested) {
            if (name != nullptr) paths.push_back(std::string(kFolderPath) + name);
        }
        EXPECT_EQ(paths, ServedPaths());

        std::map<int, std::string> files;
        for (const auto& f : c.m_vecFiles) files[f.first] = f.second;
        for (int file = 0; file < 12; ++file) {
            SCOPED_TRACE(CardFiles()[file].m_pszPath);
            const std::string expected = files.count(file) != 0 ? files[file]
                                                                : ExpectedCardFile(file, replies, requested);
            ASSERT_EQ(CardFiles()[file].m_strPreset.size(), expected.size()) << "the case's own";
            const std::string bytes = CardBytes(file);
            EXPECT_EQ(expected.size(), bytes.size());
            EXPECT_TRUE(expected == bytes);
        }
        for (const std::string& line : c.m_vecLines) {
            EXPECT_TRUE(log.HasLine(line.substr(0, 2).c_str(), kSource, line.substr(3))) << line;
        }
        EXPECT_FALSE(log.Has("reply cut") && c.m_vecLines.empty()) << "no cut without a long reply";
    }
}

// ---------------------------------------------------------------------------------------
// Refusals and failures: nothing is written

TEST_F(WeatherTest, RefusedRequestsEndTheRunAndChangeNoCardFile)
{
    struct Case {
        const char* m_pszName;
        std::string m_strPath;  // answered as below; "" the whole folder
        int m_iStatus;          // 0: by authentication mode
        AuthMode m_eMode;
        uint32_t m_uCode;
        size_t m_uServed;       // files served before the refusal
    };
    const uint32_t refused = 0x10000E;
    const Case cases[] = {
        {"wrong password", "", 0, AuthMode::WrongPassword, refused, 0},
        {"status 503 of all3.man", "all3.man", 503, AuthMode::Both, 0x1001F7, 1},
        {"status 404 of a data file", "snow_pnt.bin", 404, AuthMode::Both, 0x100194, 8},
        {"status 401 of a data file", "wtwp_dat.bin", 401, AuthMode::Both, refused, 10},
        // Wine's WinHTTP has no Digest (see README): a Wine-only expectation; Windows
        // answers the challenge and the run succeeds.
        {"digest only (Wine)", "", 0, AuthMode::DigestOnly, testsupport::UnderWine() ? refused : 0,
         testsupport::UnderWine() ? 0u : 13u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_pszName);
        Fresh();
        ASSERT_TRUE(m_card.Clear());
        ASSERT_TRUE(WriteLinkFile(m_card));
        WriteEarlierFiles();
        if (c.m_iStatus != 0) {
            ASSERT_TRUE(m_standIn.Queue(kFolderPath + c.m_strPath, CAnswer().Status(c.m_iStatus)));
        } else {
            ASSERT_TRUE(m_standIn.Rule(kFolder, AccountAuth(c.m_eMode)));
        }
        ASSERT_TRUE(Run());
        EXPECT_EQ(c.m_uServed, ServedPaths().size());
        if (c.m_uCode == 0) {
            EXPECT_EQ(Describe({}), Describe(Values(kError)));
            continue;
        }
        const uint32_t posted = kWeatherType << 24 | c.m_uCode;
        EXPECT_EQ(Describe({posted}), Describe(Values(kError)));
        ASSERT_FALSE(m_capture.Of(kError).empty());
        EXPECT_EQ(0u, m_capture.Of(kError)[0].uLParam) << "no card-file error";
        EXPECT_EQ(std::make_pair(4u, posted), History());
        EXPECT_EQ(1u, m_capture.Count(kFinish));
        ExpectEarlierFiles();
    }
}

TEST_F(WeatherTest, CardFileThatCannotBeCreated)
{
    // A folder where AMDSINFO.DAT goes: each of three attempts to create it is refused (some
    // 9 s in all). The files before it are new, those after it old.
    WriteEarlierFiles();
    ASSERT_TRUE(m_card.RemoveFile(CardFiles()[AMDSINFO].m_pszPath));
    ASSERT_TRUE(m_card.WriteFile(std::string(CardFiles()[AMDSINFO].m_pszPath) + "\\inside", {1}));
    CLogCapture log;
    ASSERT_TRUE(Run());
    const std::vector<CapturedMessage> errors = m_capture.Of(kError);
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ(kWeatherType << 24 | 0x30000A, errors[0].uWParam);
    EXPECT_EQ(static_cast<uint32_t>(ERROR_ACCESS_DENIED), errors[0].uLParam);
    EXPECT_EQ(Describe({0, 33, 66}), Describe(Values(kProgress)));
    EXPECT_EQ(std::make_pair(4u, kWeatherType << 24 | 0x30000A), History());
    EXPECT_EQ(556u, CardBytes(WT_INFO).size());
    EXPECT_EQ(46200u, CardBytes(WT_DATA).size());
    ExpectEarlierFiles(AMDSDATA);
    EXPECT_TRUE(log.HasLine("!!", kSource, "CreateFile_Recover ERROR [ERR:0x0000000A]." +
                                               m_card.GetPath(CardFiles()[AMDSINFO].m_pszPath)));

    // The next run's errors carry no card error of this one.
    Fresh();
    ASSERT_TRUE(m_standIn.Queue(std::string(kFolderPath) + "all.man", CAnswer().Status(500)));
    ASSERT_TRUE(Run());
    ASSERT_EQ(1u, m_capture.Count(kError));
    EXPECT_EQ(kWeatherType << 24 | 0x1001F4, m_capture.Of(kError)[0].uWParam);
    EXPECT_EQ(0u, m_capture.Of(kError)[0].uLParam);
}

// ---------------------------------------------------------------------------------------
// The card taken away, and aborts

TEST_F(WeatherTest, CardTakenAwayBeforeTheWritingWritesNothing)
{
    CCardAway away(kCard);
    if (!away.CanMove()) GTEST_SKIP() << "the card's host folder is reachable under Wine only";
    WriteEarlierFiles();
    // The last data file is held until the card is gone.
    ASSERT_TRUE(m_standIn.Queue(std::string(kFolderPath) + "wtcw_dat.bin",
                                CAnswer().Service().Hold("last")));
    ASSERT_TRUE(m_job.StartProc());
    ASSERT_EQ(26u, m_standIn.WaitForRequests(26, 60000));
    ASSERT_TRUE(away.Move());
    ASSERT_TRUE(m_standIn.Release("last"));
    ASSERT_TRUE(m_capture.WaitFor(kFinish, 1, 20000));
    ASSERT_TRUE(away.Back());
    m_capture.PumpFor(30);
    EXPECT_EQ(Describe({kWeatherType << 24 | 0xFF06}), Describe(Values(kError)));
    EXPECT_EQ(Describe({0, 33}), Describe(Values(kProgress)));
    ExpectEarlierFiles();
    EXPECT_EQ(std::make_pair(static_cast<uint32_t>(SDINFO_PHASE_NONE), 0u), History());
}

TEST_F(WeatherTest, AbortDuringARequestEndsItWithinItsChunk)
{
    struct Case {
        const char* m_pszFile;
        size_t m_uFetch;          // the trickling file's place among the job's files, from 1
        size_t m_uRequestsBefore; // up to the trickling one
        const char* m_pszLine;
        std::vector<uint32_t> m_vecProgress;
    };
    const Case cases[] = {
        {"all3.man", 2, 4, "_GetWtInfo RequestAbort", {0}},
        {"wt_wdata.bin", 10, 20, "天気予報データファイル 取得 サーバー中断", {0, 33}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_pszFile);
        Fresh();
        WriteEarlierFiles();
        // Pieces come often enough that each read of the client ends and it sees the abort
        // before the next (under Wine a blocked WinHTTP call cannot be cut short, see README).
        ASSERT_TRUE(m_standIn.Queue(kFolderPath + std::string(c.m_pszFile),
                                    onlinetest::TrickleWithoutEnd()));
        CLogCapture log;
        onlinetest::CWaitLog waits;
        ASSERT_TRUE(waits.Patched());
        ASSERT_TRUE(m_job.StartProc());
        // The request is trickling in and the job waits for its reply: the abort comes during
        // the request, not at the check right after its send.
        ASSERT_EQ(c.m_uRequestsBefore, m_standIn.WaitForRequests(c.m_uRequestsBefore, 60000));
        ASSERT_TRUE(waits.WaitForWaitsOn(m_job.GetAbortEvent(), c.m_uFetch));
        EXPECT_TRUE(m_job.AbortProc(INFINITE));
        ASSERT_TRUE(m_capture.WaitFor(kFinish));
        EXPECT_EQ(kFolderPath + std::string(c.m_pszFile), m_standIn.Requests().back().sPath)
            << "the last request";
        m_capture.PumpFor(30);
        EXPECT_EQ(Describe({kWeatherType << 24 | 0xFF00}), Describe(Values(kError)));
        EXPECT_EQ(Describe(c.m_vecProgress), Describe(Values(kProgress)));
        EXPECT_TRUE(log.HasLine("!!", kSource, c.m_pszLine));
        EXPECT_FALSE(log.Has("中断要求にタイムアウトしました")) << "no request thread terminated";
        ExpectEarlierFiles();
    }
}

TEST_F(WeatherTest, AbortOrCardGoneRightAfterASendEndsTheRequestUnhurried)
{
    enum Action { ABORT, CARD_AWAY };
    struct Case {
        const char* m_pszName;
        int m_iSend; // 1 to 4: the index files; 5 to 13: the data files
        Action m_eAction;
        uint32_t m_uCode;
        const char* m_pszLine;
        std::vector<uint32_t> m_vecProgress;
    };
    const Case cases[] = {
        {"abort after the first index file's send", 1, ABORT, 0xFF00,
         "_GetWtInfo after transmission setting is confirmed", {0}},
        {"abort after a data file's send", 7, ABORT, 0xFF00,
         "_GetWtData after transmission setting is confirmed", {0, 33}},
        {"card gone after an index file's send", 2, CARD_AWAY, 0xFF06,
         "_GetWtInfo _IsSDExists NO SD Card", {0}},
        {"card gone after the last data file's send", 13, CARD_AWAY, 0xFF06,
         "_GetWtData _IsSDExists NO SD Card", {0, 33}},
    };
    CCardAway away(kCard);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_pszName);
        if (c.m_eAction == CARD_AWAY && !away.CanMove()) continue; // Wine only
        Fresh();
        WriteEarlierFiles();
        int sends = 0; // 1 is "all.man"
        m_job.m_fnAfterSend = [&]() {
            if (++sends != c.m_iSend) return;
            if (c.m_eAction == ABORT) {
                SetEvent(m_job.GetAbortEvent());
            } else {
                away.Move();
            }
        };
        CLogCapture log;
        ASSERT_TRUE(Run());
        m_job.m_fnAfterSend = nullptr;
        if (c.m_eAction == CARD_AWAY) {
            ASSERT_TRUE(away.Back());
        }
        EXPECT_EQ(Describe({kWeatherType << 24 | c.m_uCode}), Describe(Values(kError)));
        EXPECT_EQ(Describe(c.m_vecProgress), Describe(Values(kProgress)));
        EXPECT_TRUE(log.HasLine("..", kSource, c.m_pszLine));
        EXPECT_FALSE(log.Has("中断要求にタイムアウトしました")) << "no request thread terminated";
        ExpectEarlierFiles();
    }
}

} // namespace
