// The main window's jobs really running: the traffic and weather downloads and the
// stored-probe upload against the stand-in services (tools/standin: probe.py, odv.py,
// weather.py) on card M:, the unit's card, with its user registered. Progress is seen as
// the window shows it, message by message; a held answer keeps a run going while the test
// tries to start it again.

#include "tests/launcher/MainWindowTestSupport.h"

#include "carddata/BuiltinAccount.h"
#include "carddata/SDInfoFile.h"
#include "carddata/UserStampRecord.h"
#include "lib/Path.h"
#include "launcher/LaunchWindowTexts.h"
#include "launcher/LauncherSetting.h"
#include "launcher/ProbeLogWindow.h"
#include "online/ConnectionFile.h"
#include "online/DataManager.h"
#include "online/Charge.h"
#include "online/InfoChargeVelocet.h"
#include "skin/SkinWindowItem.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/carddata/support/ProbeBuilder.h"
#include "tests/launcher/support/MessageBoxes.h"
#include "tests/online/support/JobTestSupport.h"
#include "tests/online/support/StandIn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

using namespace mainwindowtest;
using onlinetest::CAnswer;
using onlinetest::RecordedRequest;
namespace key = ui::LaunchWindowKey;
namespace text = ui::LaunchWindowText;

const uint32_t kProbe = 36;
const uint32_t kTraffic = 37;
const uint32_t kWeather = 38;

const char kNickName[] = "Taro";
const char kOdvPath[] = "/cgi-bin/odv.cgi/";
const char kGatewayPath[] = "/probe/OFPB";
const char kWeatherIndex[] = "/wlink36/all.man";
const char kTrafficData[] = "PC\\PROBE\\RCVDAT.DAT.ENC";
const char kWeatherData[] = "PC\\WEATHER\\WT_DATA.DAT";
const char kHistory[] = "PC\\SDINFO.DAT";

// One report of a job as the window showed it right after handling it.
struct Step {
    uint32_t percent;
    int mask; // bit i: image i of the job's row shown
};

// The finish reports this thread's message loops took off its queue while the object lives,
// whichever loop took them (a box's own too): a thread hook sees each message as it goes.
class CFinishHook {
public:
    CFinishHook()
        : m_uFinish(::RegisterWindowMessageA("QZLNotifyFinish")),
          m_hHook(::SetWindowsHookExA(WH_GETMESSAGE, &CFinishHook::_Hook, nullptr,
                                      ::GetCurrentThreadId()))
    {
        s_pHook = this;
    }
    ~CFinishHook()
    {
        if (m_hHook != nullptr) ::UnhookWindowsHookEx(m_hHook);
        s_pHook = nullptr;
    }
    bool IsHooked() const { return m_hHook != nullptr; }
    // Those of the job that went to the window.
    int Count(HWND window, uint32_t jobType) const
    {
        return static_cast<int>(std::count(m_vTaken.begin(), m_vTaken.end(),
                                           std::make_pair(window, jobType)));
    }

private:
    static LRESULT CALLBACK _Hook(int code, WPARAM removal, LPARAM lParam)
    {
        const MSG* message = reinterpret_cast<const MSG*>(lParam);
        if (code == HC_ACTION && removal == PM_REMOVE && s_pHook != nullptr &&
            message->message == s_pHook->m_uFinish) {
            s_pHook->m_vTaken.push_back({message->hwnd, static_cast<uint32_t>(message->lParam)});
        }
        return ::CallNextHookEx(nullptr, code, removal, lParam);
    }

    static CFinishHook* s_pHook;
    UINT m_uFinish;
    HHOOK m_hHook;
    std::vector<std::pair<HWND, uint32_t>> m_vTaken;
};

CFinishHook* CFinishHook::s_pHook = nullptr;

class CRunsTest : public CMainWindowTest {
protected:
    void SetUp() override
    {
        CMainWindowTest::SetUp();
        ASSERT_TRUE(m_finishes.IsHooked());
        ASSERT_TRUE(m_standIn.IsRunning());
        // The request table is read again with the case's "Connection.info".
        ASSERT_TRUE(Product().WriteConnectionInfo(m_standIn));
        ASSERT_TRUE(CConnectionFile::GetInstance().Load());
        Fresh();
    }
    void TearDown() override
    {
        // Held answers go first, so that the jobs' end at the window's does not wait for them.
        m_standIn.Reset();
        CMainWindowTest::TearDown();
        CConnectionFile::GetInstance().Load();
    }

    // An empty space with the weather service behind the built-in account.
    void Fresh()
    {
        ASSERT_TRUE(m_standIn.Reset());
        char id[16] = {};
        char password[16] = {};
        ASSERT_TRUE(GetBuiltinAccount(id, sizeof id, password, sizeof password));
        ASSERT_TRUE(m_standIn.Rule("/wlink36/*",
                                   CAnswer().Auth(onlinetest::AuthMode::Both, id, password)));
        // The traffic job's password is the stand-in's to issue again.
        CDataManager::GetInstance().SetData(VELOCET_PASSWORD_KEY, nullptr, 0);
        m_vSteps[0].clear();
        m_vSteps[1].clear();
        m_vSteps[2].clear();
    }

    // The unit's card M: (link file with the records the weather job's user agent needs),
    // optionally with its user registered and current, and the window past its chain.
    void WriteUnitCard(const CSimulatedCard& card)
    {
        ASSERT_TRUE(CLinkFileBuilder()
                        .SetDeviceNo(kCardDeviceNo)
                        .SetCcidHead(kCardCcid)
                        .AddRecord(0x10000001, 0x01000A05, 0x0012)
                        .WriteTo(card));
    }
    void Prepare(bool user)
    {
        SetCard(CARD_PAIRED);
        WriteUnitCard(m_cardM);
        if (user) {
            UserStampRecord stamp;
            stamp.m_uPositionX = 460800;
            stamp.m_uPositionY = 307200;
            stamp.m_uMapVersion = 0x05000123;
            stamp.m_uLinkYear = 0x2010;
            stamp.m_strUserAgent = "UA/Taro";
            AddUser(kCardDeviceNo, kNickName, kCardCcid, "UA/Taro", true, &stamp);
        }
        SetSettings(false, true);
    }
    void Ready(bool user)
    {
        Prepare(user);
        CreateMainWindow();
        FinishChain();
    }
    void Downloads(bool traffic, bool weather)
    {
        CLauncherSetting::GetInstance().SetAutoDLTraffic(traffic);
        CLauncherSetting::GetInstance().SetAutoDLWeather(weather);
    }
    void Command(UINT id) { Window().SendMessage(WM_COMMAND, MAKEWPARAM(id, 1), 0); }

    int Mask(uint32_t jobType)
    {
        int mask = 0;
        for (int i = 0; i < 3; ++i) mask |= Item(RowOf(jobType)[i])->IsVisible() ? 1 << i : 0;
        return mask;
    }
    static int Index(uint32_t jobType) { return static_cast<int>(jobType - kProbe); }
    const std::vector<Step>& Steps(uint32_t jobType) { return m_vSteps[Index(jobType)]; }
    int Finished(uint32_t jobType) { return m_finishes.Count(Window().GetHwnd(), jobType); }

    // Runs this thread's messages until done() holds (false after the bound), noting each
    // progress report of a job the window handled and what its row then showed. A box would
    // hold the loop: it is closed (Cancel, or its close button where it has none) and its
    // text noted, a failure unless the case expects boxes. Progress handled inside a box's
    // own loop is not noted.
    bool RunUntil(const std::function<bool()>& done, DWORD timeoutMs = 60000)
    {
        static const UINT progress = ::RegisterWindowMessageA("QZLNotifyProgress");
        std::unique_ptr<launchertest::CBoxPresser> box;
        // Whether a box met so far may be: each one pressed is noted, and the next awaited.
        auto boxesFine = [&] {
            if (box && box->Pressed()) {
                m_vBoxes.push_back(box->Box().sText);
                if (!m_bBoxesExpected) ADD_FAILURE() << "a box: " << box->Box().sText;
                box.reset();
            }
            if (!box) box.reset(new launchertest::CBoxPresser("", IDCANCEL, timeoutMs));
            return m_bBoxesExpected || m_vBoxes.empty();
        };
        const DWORD start = ::GetTickCount();
        while (boxesFine() && !done()) {
            if (::GetTickCount() - start > timeoutMs) return false;
            MSG message;
            if (!::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
                continue;
            }
            if (message.message == WM_QUIT) continue;
            ::DispatchMessageA(&message);
            if (message.hwnd != Window().GetHwnd()) continue;
            const uint32_t type = static_cast<uint32_t>(message.lParam);
            if (message.message == progress && type >= kProbe && type <= kWeather) {
                m_vSteps[Index(type)].push_back({static_cast<uint32_t>(message.wParam), Mask(type)});
            }
        }
        // A box of the last message handled.
        return boxesFine() && done();
    }
    bool RunUntilFinished(uint32_t jobType, int count = 1)
    {
        return RunUntil([&] { return Finished(jobType) >= count; });
    }

    std::vector<RecordedRequest> RequestsOf(uint32_t jobType) const
    {
        std::vector<RecordedRequest> requests;
        for (const RecordedRequest& r : m_standIn.Requests()) {
            const bool weather = r.sPath.compare(0, 9, "/wlink36/") == 0;
            const bool traffic = r.sPath == kOdvPath || (r.sPath == kGatewayPath &&
                                                         r.sBody.compare(0, 5, "fc=72") == 0);
            const bool probe = r.sPath == kGatewayPath && !traffic;
            if ((jobType == kWeather && weather) || (jobType == kTraffic && traffic) ||
                (jobType == kProbe && probe)) {
                requests.push_back(r);
            }
        }
        return requests;
    }
    // The requests of one whole run: the data request of the traffic job, the first index
    // file of the weather job answered.
    size_t Runs(uint32_t jobType) const
    {
        size_t runs = 0;
        for (const RecordedRequest& r : RequestsOf(jobType)) {
            if (jobType == kTraffic && r.sPath == kOdvPath) ++runs;
            if (jobType == kWeather && r.sPath == kWeatherIndex && r.iStatus == 200) ++runs;
        }
        return runs;
    }
    // Waits until the stand-in has received a request of the path.
    bool WaitForPath(const char* path)
    {
        return RunUntil(
            [&] {
                for (const RecordedRequest& r : m_standIn.Requests()) {
                    if (r.sPath == path) return true;
                }
                return false;
            },
            kWaitMs);
    }

    // A run's reports seen as the window showed them: no step shown at 0 beyond the one
    // that blinks, then the steps reached at 33, 66 and 100.
    void ExpectShownSteps(uint32_t jobType)
    {
        const std::vector<Step>& steps = Steps(jobType);
        ASSERT_EQ(steps.size(), 4u) << jobType;
        const uint32_t percents[] = {0, 33, 66, 100};
        const int masks[] = {0, 1, 3, 7};
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(steps[i].percent, percents[i]) << jobType;
            EXPECT_EQ(steps[i].mask & ~(i == 0 ? 1 : 0), masks[i]) << jobType << " at " << i;
        }
    }

    onlinetest::CStandIn m_standIn;
    bool m_bBoxesExpected = false;
    std::vector<std::string> m_vBoxes; // the texts of the boxes RunUntil met
    // Cleared now and after the case, as the fixture's own.
    CSimulatedCard m_cardM{'M'};
    CSimulatedCard m_cardN{'N'};
    std::vector<Step> m_vSteps[3];
    CFinishHook m_finishes;
};

// ---- the update button ----

struct UpdateCase {
    const char* name;
    bool user;
    bool traffic; // AutoDLTraffic
    bool weather; // AutoDLWeather
    bool locked;
    bool recent;      // both acquisitions a minute ago on the card
    const char* box;  // null: none
    bool trafficRuns;
    bool weatherRuns;
};

class UpdateTest : public CRunsTest, public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(UpdateTest, StartsTheDownloadsThatAreDue)
{
    const UpdateCase& c = GetParam();
    Ready(c.user);
    if (c.recent) {
        SYSTEMTIME now;
        ::GetLocalTime(&now);
        CSDInfoFile history('M');
        for (uint32_t type : {kTraffic, kWeather}) {
            ASSERT_TRUE(history.SaveHistory(type, now, SDINFO_PHASE_SUCCEEDED, type << 24, 0, 0,
                                            nullptr));
        }
    }
    Downloads(c.traffic, c.weather);
    const int trafficBefore = Mask(kTraffic);
    const int weatherBefore = Mask(kWeather);
    {
        CCardPlatform platform("", c.locked ? "M" : "");
        testsupport::CLogCapture log;
        std::unique_ptr<launchertest::CBoxPresser> press;
        if (c.box != nullptr) press.reset(new launchertest::CBoxPresser(c.box, IDOK));
        Command(key::kButtonUpdate.m_nId);
        if (press) {
            EXPECT_TRUE(press->Pressed());
            EXPECT_EQ(press->Box().uStyle, text::kTextStyle);
        } else {
            EXPECT_EQ(log.Count("ShowMessageBox owner"), 0u);
        }
    }
    // A job starts in the command or not at all, and a start sets its row's blink going.
    EXPECT_EQ(HasTimer(ui::TIMER_VELOCET_BLINK), c.trafficRuns);
    EXPECT_EQ(HasTimer(ui::TIMER_WEATHER_BLINK), c.weatherRuns);
    ASSERT_TRUE(RunUntil([&] {
        return Finished(kTraffic) >= (c.trafficRuns ? 1 : 0) &&
               Finished(kWeather) >= (c.weatherRuns ? 1 : 0);
    }));

    const struct {
        uint32_t type;
        bool runs;
        int before;
        const ui::SkinItemKey& done;
        const char* file;
    } rows[] = {{kTraffic, c.trafficRuns, trafficBefore, key::kVelocetDLImage, kTrafficData},
                {kWeather, c.weatherRuns, weatherBefore, key::kWeatherDLImage, kWeatherData}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.type);
        const bool skipped = c.recent && !c.locked && (row.type == kWeather ? c.weather
                                                                             : c.traffic && c.user);
        EXPECT_EQ(Runs(row.type), row.runs ? 1u : 0u);
        if (row.runs) {
            ExpectShownSteps(row.type);
            EXPECT_EQ(Finished(row.type), 1);
            EXPECT_TRUE(lib::FileExists(m_cardM.GetPath(row.file)));
            EXPECT_EQ(onlinetest::JobHistory('M', row.type),
                      std::make_pair(static_cast<uint32_t>(SDINFO_PHASE_SUCCEEDED), row.type << 24));
        } else {
            EXPECT_TRUE(RequestsOf(row.type).empty());
            EXPECT_TRUE(Steps(row.type).empty());
            EXPECT_FALSE(lib::FileExists(m_cardM.GetPath(row.file)));
        }
        // A run and a skip leave every step and the done image shown; else nothing changed.
        EXPECT_EQ(Mask(row.type), row.runs || skipped ? 7 : row.before);
        EXPECT_EQ(Item(row.done)->IsVisible(), row.runs || skipped);
    }
}

const UpdateCase kUpdateCases[] = {
    {"Locked", true, true, true, true, false, text::kCardLocked, false, false},
    {"BothOff", true, false, false, false, false, nullptr, false, false},
    {"TrafficOnly", true, true, false, false, false, nullptr, true, false},
    {"WeatherOnly", true, false, true, false, false, nullptr, false, true},
    {"NoUser", false, true, true, false, false, text::kNeedRegistration, false, true},
    {"Recent", true, true, true, false, true, nullptr, false, false},
    {"Both", true, true, true, false, false, nullptr, true, true},
};

INSTANTIATE_TEST_SUITE_P(Settings, UpdateTest, ::testing::ValuesIn(kUpdateCases),
                         [](const ::testing::TestParamInfo<UpdateCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(CRunsTest, SecondPressWhileRunningChangesNothing)
{
    Ready(true);
    Downloads(true, true);
    ASSERT_TRUE(m_standIn.Queue(kOdvPath, CAnswer().Service().Hold("runs")));
    ASSERT_TRUE(m_standIn.Queue(kWeatherIndex, CAnswer().Service().Hold("runs")));
    Command(key::kButtonUpdate.m_nId);
    ASSERT_TRUE(WaitForPath(kOdvPath));
    ASSERT_TRUE(WaitForPath(kWeatherIndex));

    const int masks[] = {Mask(kTraffic), Mask(kWeather)};
    const uint32_t progress[] = {Window().GetProgress(kTraffic), Window().GetProgress(kWeather)};
    Command(key::kButtonUpdate.m_nId);
    EXPECT_EQ(Mask(kTraffic), masks[0]);
    EXPECT_EQ(Mask(kWeather), masks[1]);
    EXPECT_EQ(Window().GetProgress(kTraffic), progress[0]);
    EXPECT_EQ(Window().GetProgress(kWeather), progress[1]);
    EXPECT_TRUE(HasTimer(ui::TIMER_VELOCET_BLINK));
    EXPECT_TRUE(HasTimer(ui::TIMER_WEATHER_BLINK));

    ASSERT_TRUE(m_standIn.Release("runs"));
    ASSERT_TRUE(RunUntilFinished(kTraffic));
    ASSERT_TRUE(RunUntilFinished(kWeather));
    // A second run could only have started in the second press, which changed nothing.
    for (uint32_t type : {kTraffic, kWeather}) {
        EXPECT_EQ(Runs(type), 1u) << type;
        EXPECT_EQ(Finished(type), 1) << type;
        ExpectShownSteps(type);
    }
}

TEST_F(CRunsTest, RunKeepsItsCardWhenTheActiveCardChanges)
{
    Ready(true);
    WriteUnitCard(m_cardN);
    Downloads(true, false);
    ASSERT_TRUE(m_standIn.Queue(kOdvPath, CAnswer().Service().Hold("runs")));
    Command(key::kButtonUpdate.m_nId);
    ASSERT_TRUE(WaitForPath(kOdvPath));
    // The agent now has N: as the active card.
    Agent().Write(CardBits("MN"), CardBits("MN"), 'N');
    const int mask = Mask(kTraffic);
    const uint32_t progress = Window().GetProgress(kTraffic);
    Command(key::kButtonUpdate.m_nId);
    // Refused in the press: no second run, on neither card.
    EXPECT_EQ(Mask(kTraffic), mask);
    EXPECT_EQ(Window().GetProgress(kTraffic), progress);
    ASSERT_TRUE(m_standIn.Release("runs"));
    ASSERT_TRUE(RunUntilFinished(kTraffic));

    EXPECT_EQ(Runs(kTraffic), 1u);
    EXPECT_TRUE(lib::FileExists(m_cardM.GetPath(kTrafficData)));
    EXPECT_FALSE(lib::FileExists(m_cardN.GetPath(kTrafficData)));
    EXPECT_EQ(onlinetest::JobHistory('M', kTraffic).first,
              static_cast<uint32_t>(SDINFO_PHASE_SUCCEEDED));
    EXPECT_FALSE(lib::FileExists(m_cardN.GetPath(kHistory)));
}

// ---- repeat timers ----

TEST_F(CRunsTest, RepeatTimersRunTheDownloadsAgainWithTheUnitsCard)
{
    Ready(true);
    const struct {
        uint32_t type;
        UINT_PTR repeat;
        UINT_PTR blink;
    } rows[] = {{kTraffic, ui::TIMER_AUTO_VELOCET, ui::TIMER_VELOCET_BLINK},
                {kWeather, ui::TIMER_AUTO_WEATHER, ui::TIMER_WEATHER_BLINK}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.type);
        // A run finished at 100 armed the timer.
        Window().SendMessage(::RegisterWindowMessageA("QZLNotifyProgress"), 100, row.type);
        Window().SendMessage(::RegisterWindowMessageA("QZLNotifyFinish"), 0, row.type);
        ASSERT_TRUE(HasTimer(row.repeat));
        Window().SendMessage(WM_TIMER, row.repeat, 0);
        // Started: the row hidden, its blink going.
        EXPECT_EQ(Mask(row.type), 0);
        EXPECT_EQ(Window().GetProgress(row.type), 0u);
        EXPECT_TRUE(HasTimer(row.blink));
        ASSERT_TRUE(RunUntilFinished(row.type));
        EXPECT_EQ(Runs(row.type), 1u);
        ExpectShownSteps(row.type);
        EXPECT_TRUE(HasTimer(row.repeat));
    }
}

// ---- the stored-probe upload ----

enum SecondStart { MENU, REFRESH, CHAIN_END, AFTER_CLOSE };

struct GuardCase {
    const char* name;
    SecondStart second;
};

// The cards whose cache a job's end writes out, in order.
class CFlushRecord {
public:
    CFlushRecord()
    {
        Text().clear();
        SetChargeVolumeFlush(&CFlushRecord::Flush);
    }
    ~CFlushRecord() { SetChargeVolumeFlush(nullptr); }
    std::string Letters()
    {
        std::lock_guard<std::mutex> hold(Lock());
        return Text();
    }

private:
    static std::mutex& Lock()
    {
        static std::mutex lock;
        return lock;
    }
    static std::string& Text()
    {
        static std::string text;
        return text;
    }
    static bool Flush(char letter)
    {
        std::lock_guard<std::mutex> hold(Lock());
        Text() += letter;
        return true;
    }
};

// The card's recordings and what the upload made of them.
class CProbeRunsTest : public CRunsTest {
protected:
    void PutRecording(const CSimulatedCard& card, const char* folder)
    {
        ASSERT_TRUE(CProbeBuilder()
                        .SetDeviceNo(kCardDeviceNo)
                        .SetCcid("0746052100000001")
                        .SetUid("U000000001")
                        .AddRealFile("20261209120000TRACK.BIN", std::vector<uint8_t>(512, 0x5A))
                        .WriteTo(card.GetPath(std::string("PROBE\\") + folder + "\\ProbeData.dat")));
    }
    bool HasRecording(const CSimulatedCard& card, const char* folder)
    {
        return lib::FileExists(card.GetPath(std::string("PROBE\\") + folder + "\\ProbeData.dat"));
    }
    // DisplayUpload of the PC's settings and the user's.
    void SetDisplayUpload(bool display)
    {
        CLauncherSetting& setting = CLauncherSetting::GetInstance();
        for (const char* user : {"", kNickName}) {
            setting.Load(user);
            setting.SetDisplayUpload(display);
            setting.Save(user);
        }
    }
    // The upload's requests of one function code ("fc=94" consent, "fc=96" completion).
    size_t Requests(const char* functionCode) const
    {
        size_t count = 0;
        for (const RecordedRequest& r : RequestsOf(kProbe)) {
            if (r.sBody.compare(0, 5, functionCode) == 0) ++count;
        }
        return count;
    }
    // The batches sent whole: consent, data, completion.
    size_t Batches() const { return Requests("fc=96"); }
    // Waits until the run's consent request is at the stand-in (held there), then runs the
    // report the job posted just before it, which the probe log window passes on as 33:
    // the row stands still from here until the answer is let go.
    bool WaitForTheConsentRequest()
    {
        if (!WaitForPath(kGatewayPath)) return false;
        Pump();
        return Window().GetProgress(kProbe) == 33;
    }
};

class ProbeGuardTest : public CProbeRunsTest, public ::testing::WithParamInterface<GuardCase> {
protected:
    CFlushRecord m_flushes;
    // The agent makes N: the selected card, and the window takes it as its card where the
    // user answers Cancel to the safe removal, with no card refresh.
    void TakeN()
    {
        Agent().Write(CardBits("MN"), CardBits("MN"), 'N');
        launchertest::CBoxPresser press(text::kSafeRemoval, IDCANCEL);
        Command(key::kButtonClassSDPairing.m_nId);
        EXPECT_TRUE(press.Pressed());
        EXPECT_EQ(Window().GetActiveSD(), 'N');
    }
};

// A second start while a run holds at the stand-in changes nothing: no window made or
// shown, the row and its blink as they were, and the run ends on its own card through its
// own window.
TEST_P(ProbeGuardTest, SecondStartWhileRunningChangesNothing)
{
    const GuardCase& c = GetParam();
    ASSERT_TRUE(m_standIn.Queue(kGatewayPath, CAnswer().Service().Hold("probe")));
    Prepare(true);
    WriteUnitCard(m_cardN);
    PutRecording(m_cardM, "01");
    PutRecording(m_cardN, "01");
    // The probe log window shows with a run.
    SetDisplayUpload(true);
    CreateMainWindow();
    if (c.second == CHAIN_END) {
        // The first run from the menu, before the chain has ended.
        Command(ui::IDM_PROBE_UPLOAD);
    } else {
        // The chain's end starts the first run.
        FinishChain();
    }
    ASSERT_TRUE(WaitForTheConsentRequest());
    const launchertest::StubToolRecord& record = Tools().Record(ui::TOOL_PROBE_LOG);
    ASSERT_EQ(record.nMade, 1);
    const size_t shows = record.vShow.size();
    const int created = record.nCreate;
    const uint32_t progress = Window().GetProgress(kProbe);
    const int mask = Mask(kProbe);

    switch (c.second) {
    case MENU:
        TakeN();
        Command(ui::IDM_PROBE_UPLOAD);
        break;
    case REFRESH:
        // The card manager closes with N: chosen: the card state is read again.
        OpenTool(ui::TOOL_SD_MANAGER);
        Agent().Write(CardBits("MN"), CardBits("MN"), 'N');
        Tools().Live(ui::TOOL_SD_MANAGER)->PostNotices();
        Pump();
        ASSERT_EQ(Window().GetActiveSD(), 'N');
        break;
    case CHAIN_END:
        TakeN();
        FinishChain();
        break;
    case AFTER_CLOSE:
        Tools().Live(ui::TOOL_PROBE_LOG)->PostNotices();
        Pump();
        ASSERT_FALSE(Tools().Holds(ui::TOOL_PROBE_LOG));
        Command(ui::IDM_PROBE_UPLOAD);
        EXPECT_FALSE(Tools().Holds(ui::TOOL_PROBE_LOG));
        break;
    }
    EXPECT_EQ(record.nMade, 1);
    EXPECT_EQ(record.nCreate, created);
    EXPECT_EQ(record.vShow.size(), shows);
    EXPECT_EQ(Window().GetProgress(kProbe), progress);
    // The step in progress may have blinked meanwhile.
    const int blinking = 1 << (progress < 33 ? 0 : progress < 66 ? 1 : 2);
    EXPECT_EQ(Mask(kProbe) & ~blinking, mask & ~blinking);
    EXPECT_TRUE(HasTimer(ui::TIMER_PROBE_BLINK));

    ASSERT_TRUE(m_standIn.Release("probe"));
    // Its card is not looked at while the job deletes what it sent: a look may hold the
    // folder for an instant.
    ASSERT_TRUE(RunUntil([&] { return Batches() == 1; }));
    if (c.second != AFTER_CLOSE) {
        ASSERT_TRUE(RunUntilFinished(kProbe));
        EXPECT_EQ(record.Received(::RegisterWindowMessageA("QZLNotifyFinish")), 1);
    }
    EXPECT_TRUE(HasRecording(m_cardN, "01"));

    // A start after the end runs; the first start that is not refused is the job's end.
    PutRecording(m_cardM, "02");
    PutRecording(m_cardN, "02");
    const size_t before = m_standIn.Requests().size();
    ASSERT_TRUE(RunUntil(
        [&] {
            Command(ui::IDM_PROBE_UPLOAD);
            return m_standIn.WaitForRequests(before + 1, 300) > before;
        },
        kWaitMs));
    EXPECT_FALSE(HasRecording(m_cardM, "01"));
    // The first run's end wrote out its own card.
    EXPECT_EQ(m_flushes.Letters().substr(0, 1), "M");
    ASSERT_TRUE(RunUntil([&] { return Batches() == 2; }));
}

const GuardCase kGuardCases[] = {
    {"Menu", MENU},
    {"CardRefresh", REFRESH},
    {"ChainEnd", CHAIN_END},
    {"AfterTheWindowClosed", AFTER_CLOSE},
};

INSTANTIATE_TEST_SUITE_P(Starts, ProbeGuardTest, ::testing::ValuesIn(kGuardCases),
                         [](const ::testing::TestParamInfo<GuardCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- the automatic upload, displayed or silent ----

struct AutoUploadCase {
    const char* name;
    bool display;        // DisplayUpload
    const char* consent; // the gateway's answer to the consent request
    bool question;       // the user is asked to register with the service
};

class AutoUploadTest : public CProbeRunsTest,
                       public ::testing::WithParamInterface<AutoUploadCase> {};

// The chain's end uploads the card's recording through the probe log window, made hidden and
// shown only with DisplayUpload; without it the run is silent: no window and no question,
// while the row runs and ends as with a shown one, and nothing starts again.
TEST_P(AutoUploadTest, ShowsTheWindowAndItsQuestionsOnlyWhenDisplayed)
{
    const AutoUploadCase& c = GetParam();
    const bool sent = std::string(c.consent) == "C00";
    ASSERT_TRUE(m_standIn.SetVars(std::string("{\"consent_answer\": \"") + c.consent + "\"}"));
    // The run's first request waits until its start has been looked at.
    ASSERT_TRUE(m_standIn.Queue(kGatewayPath, CAnswer().Service().Hold("probe")));
    Prepare(true);
    PutRecording(m_cardM, "01");
    SetDisplayUpload(c.display);
    Tools().UseRealWindow(ui::TOOL_PROBE_LOG);
    CreateMainWindow();
    FinishChain();
    ASSERT_TRUE(WaitForTheConsentRequest());
    const HWND log = Tools().RealWindow(ui::TOOL_PROBE_LOG);
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(::IsWindowVisible(log) != FALSE, c.display);
    EXPECT_FALSE(Tools().Record(ui::TOOL_PROBE_LOG).bViewOnly);
    // The first step shown, the second blinking.
    EXPECT_EQ(Mask(kProbe) & ~2, 1);
    EXPECT_TRUE(HasTimer(ui::TIMER_PROBE_BLINK));

    m_bBoxesExpected = true;
    ASSERT_TRUE(m_standIn.Release("probe"));
    ASSERT_TRUE(RunUntilFinished(kProbe));
    // And what the finish posted on its way.
    Pump();
    std::vector<std::string> boxes;
    if (c.question) {
        boxes.push_back(text::kProbeNotRegistered);
        boxes[0].replace(boxes[0].find("%s"), 2, kNickName);
    }
    EXPECT_EQ(m_vBoxes, boxes);
    EXPECT_EQ(::IsWindowVisible(log) != FALSE, c.display);
    EXPECT_EQ(Tools().Record(ui::TOOL_PROBE_LOG).vShow.size(), c.display ? 1u : 0u);
    // The row whole, its blink stopped, the done image after a batch sent.
    EXPECT_EQ(Mask(kProbe), 7);
    EXPECT_FALSE(HasTimer(ui::TIMER_PROBE_BLINK));
    EXPECT_EQ(Window().GetProgress(kProbe), sent ? 100u : 33u);
    EXPECT_EQ(Item(key::kProbleINGImage)->IsVisible(), sent);
    // One run: one consent asked, the recording gone only when sent.
    EXPECT_EQ(Requests("fc=94"), 1u);
    EXPECT_EQ(Batches(), sent ? 1u : 0u);
    EXPECT_EQ(HasRecording(m_cardM, "01"), !sent);
    EXPECT_EQ(Finished(kProbe), 1);
    EXPECT_EQ(Tools().Record(ui::TOOL_PROBE_LOG).nMade, 1);
}

const AutoUploadCase kAutoUploadCases[] = {
    {"Displayed", true, "C00", false},
    {"Silent", false, "C00", false},
    {"DisplayedUnregistered", true, "C01", true},
    {"SilentUnregistered", false, "C01", false},
};

INSTANTIATE_TEST_SUITE_P(Runs, AutoUploadTest, ::testing::ValuesIn(kAutoUploadCases),
                         [](const ::testing::TestParamInfo<AutoUploadCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- a run that reports to a window it did not make ----

struct KeptWindowCase {
    const char* name;
    bool afterARun; // the window is the hidden one of a finished run, shown from the menu
};

class KeptWindowTest : public CProbeRunsTest,
                       public ::testing::WithParamInterface<KeptWindowCase> {};

// A run takes the probe log window that stands (opened from the menu, or kept after an
// earlier run's end) as the window of its reports. Closed while the run goes on, the window
// only hides, so the run's end still reaches the main window, whose row ends whole; closed
// after it, the window goes.
TEST_P(KeptWindowTest, ClosedDuringARunItStaysUntilTheRunsEnd)
{
    const KeptWindowCase& c = GetParam();
    Prepare(true);
    SetDisplayUpload(false);
    Tools().UseRealWindow(ui::TOOL_PROBE_LOG);
    CreateMainWindow();
    if (c.afterARun) {
        PutRecording(m_cardM, "01");
        FinishChain();
        ASSERT_TRUE(RunUntilFinished(kProbe));
    }
    Command(ui::IDM_PROBE_SHOW);
    const HWND log = Tools().RealWindow(ui::TOOL_PROBE_LOG);
    ASSERT_NE(log, nullptr);
    ASSERT_TRUE(::IsWindowVisible(log));

    ASSERT_TRUE(m_standIn.Queue(kGatewayPath, CAnswer().Service().Hold("probe")));
    PutRecording(m_cardM, "02");
    if (c.afterARun) {
        // The first start that is not refused is the earlier job's end. The consent was
        // given in the first run: the second's first request is its data, held.
        const size_t before = RequestsOf(kProbe).size();
        ASSERT_TRUE(RunUntil(
            [&] {
                Command(ui::IDM_PROBE_UPLOAD);
                return RequestsOf(kProbe).size() > before;
            },
            kWaitMs));
        Pump();
        EXPECT_LT(Window().GetProgress(kProbe), 100u);
    } else {
        FinishChain();
        ASSERT_TRUE(WaitForTheConsentRequest());
    }
    EXPECT_EQ(Tools().RealWindow(ui::TOOL_PROBE_LOG), log) << "the run took the standing window";
    EXPECT_TRUE(HasTimer(ui::TIMER_PROBE_BLINK));
    ::PostMessageA(log, WM_COMMAND, MAKEWPARAM(ui::ProbeLogWindowKey::kCloseButton.m_nId, 1), 0);
    ASSERT_TRUE(RunUntil([&] { return !::IsWindowVisible(log); }));
    Pump();
    EXPECT_TRUE(::IsWindow(log));
    EXPECT_TRUE(Tools().Holds(ui::TOOL_PROBE_LOG));

    ASSERT_TRUE(m_standIn.Release("probe"));
    ASSERT_TRUE(RunUntilFinished(kProbe, c.afterARun ? 2 : 1));
    Pump();
    EXPECT_EQ(Mask(kProbe), 7);
    EXPECT_FALSE(HasTimer(ui::TIMER_PROBE_BLINK));
    EXPECT_EQ(Window().GetProgress(kProbe), 100u);
    EXPECT_FALSE(HasRecording(m_cardM, "02"));

    // After the end a close closes.
    ::PostMessageA(log, WM_CLOSE, 0, 0);
    ASSERT_TRUE(RunUntil([&] { return !Tools().Holds(ui::TOOL_PROBE_LOG); }));
    EXPECT_FALSE(::IsWindow(log));
}

const KeptWindowCase kKeptWindowCases[] = {
    {"OpenedFromTheMenu", false},
    {"KeptAfterAnEarlierRun", true},
};

INSTANTIATE_TEST_SUITE_P(Runs, KeptWindowTest, ::testing::ValuesIn(kKeptWindowCases),
                         [](const ::testing::TestParamInfo<KeptWindowCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
