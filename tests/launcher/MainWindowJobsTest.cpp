// The main window's jobs as their messages reach it: progress rows and their timers, error
// messages, cards coming and going, the card state told to the settings window, and the
// safe removal's result. The messages are posted as the jobs, the agent and the drive
// manager post them; boxes are answered from a thread timer.

#include "tests/launcher/MainWindowTestSupport.h"

#include "carddata/SDInfoMgr.h"
#include "launcher/LaunchWindowMessages.h"
#include "launcher/LaunchWindowTexts.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "online/ConnectionFile.h"
#include "online/ProbeUpload.h"
#include "skin/SkinWindowItem.h"
#include "tests/carddata/support/CardAway.h"
#include "tests/launcher/support/BrowserRecord.h"
#include "tests/launcher/support/MessageBoxes.h"
#include "tests/launcher/support/Observer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace mainwindowtest;
namespace key = ui::LaunchWindowKey;
namespace text = ui::LaunchWindowText;

// A period no case lasts: a timer set with it never ticks by itself.
const UINT kNoTickMs = 1800000;

class CJobsTest : public CMainWindowTest {
protected:
    void Ready(CardState card)
    {
        SetCard(card);
        CreateMainWindow();
        FinishChain();
    }
    void Progress(uint32_t percent, uint32_t jobType)
    {
        Window().SendMessage(::RegisterWindowMessageA("QZLNotifyProgress"), percent, jobType);
    }
    void Finish(uint32_t jobType)
    {
        Window().SendMessage(::RegisterWindowMessageA("QZLNotifyFinish"), 0, jobType);
    }
};

// ---- progress ----

struct ProgressCase {
    uint32_t jobType;
    uint32_t percent;
    int shown;   // images of the row shown after the report (from none)
};

class ProgressTest : public CJobsTest, public ::testing::WithParamInterface<ProgressCase> {};

TEST_P(ProgressTest, ShowsTheStepsReached)
{
    const ProgressCase& c = GetParam();
    Ready(CARD_NONE);
    // A started job shows none of its steps.
    for (const ui::SkinItemKey& image : RowOf(c.jobType)) Item(image)->SetVisible(false);
    Progress(c.percent, c.jobType);
    EXPECT_EQ(Shown(RowOf(c.jobType)), c.shown);
    EXPECT_EQ(Window().GetProgress(c.jobType), c.percent);
    if (c.jobType != 36) {
        const UINT_PTR repeat = c.jobType == 37 ? ui::TIMER_AUTO_VELOCET : ui::TIMER_AUTO_WEATHER;
        EXPECT_EQ(HasTimer(repeat), c.percent == 100);
    }
}

const ProgressCase kProgressCases[] = {
    {36, 0, 0},   {36, 32, 0},  {36, 33, 1},  {36, 50, 1}, {36, 65, 1},  {36, 66, 2},
    {36, 99, 2},  {36, 100, 3}, {37, 33, 1},  {37, 50, 0}, {37, 66, 2},  {37, 100, 3},
    {38, 33, 1},  {38, 50, 0},  {38, 66, 2},  {38, 100, 3},
};

INSTANTIATE_TEST_SUITE_P(Reports, ProgressTest, ::testing::ValuesIn(kProgressCases),
                         [](const ::testing::TestParamInfo<ProgressCase>& info) {
                             return "Type" + std::to_string(info.param.jobType) + "At" +
                                    std::to_string(info.param.percent);
                         });

TEST_F(CJobsTest, UnknownJobTypeChangesNothing)
{
    Ready(CARD_NONE);
    Progress(66, 39);
    Finish(39);
    for (uint32_t type : {36u, 37u, 38u}) EXPECT_EQ(Window().GetProgress(type), 0u);
}

struct FinishCase {
    uint32_t jobType;
    uint32_t percent;
    const ui::SkinItemKey* done;
};

class FinishTest : public CJobsTest, public ::testing::WithParamInterface<FinishCase> {};

// A finish shows all three steps and stops the blink; the done image only after 100, and for
// the probe upload the menu is made again.
TEST_P(FinishTest, ShowsTheRowAndTheDoneImage)
{
    const FinishCase& c = GetParam();
    Ready(CARD_NONE);
    const HMENU menu = Window().GetMenu();
    Progress(c.percent, c.jobType);
    // The run's blink, as its start set it.
    ::SetTimer(Window().GetHwnd(), BlinkTimerOf(c.jobType), kNoTickMs, nullptr);
    Finish(c.jobType);
    EXPECT_EQ(Shown(RowOf(c.jobType)), 3);
    EXPECT_EQ(Item(*c.done)->IsVisible(), c.percent == 100);
    EXPECT_FALSE(HasTimer(BlinkTimerOf(c.jobType)));
    if (c.jobType == 36) {
        EXPECT_EQ(Window().GetMenu() != menu, c.percent == 100);
    }
    if (c.jobType == 37) {
        EXPECT_EQ(HasTimer(ui::TIMER_AUTO_VELOCET), c.percent == 100);
    }
}

const FinishCase kFinishCases[] = {
    {36, 66, &key::kProbleINGImage},  {36, 100, &key::kProbleINGImage},
    {37, 66, &key::kVelocetDLImage},  {37, 100, &key::kVelocetDLImage},
    {38, 33, &key::kWeatherDLImage},  {38, 100, &key::kWeatherDLImage},
};

INSTANTIATE_TEST_SUITE_P(Finishes, FinishTest, ::testing::ValuesIn(kFinishCases),
                         [](const ::testing::TestParamInfo<FinishCase>& info) {
                             return "Type" + std::to_string(info.param.jobType) + "At" +
                                    std::to_string(info.param.percent);
                         });

// ---- timers ----

class BlinkTest : public CJobsTest, public ::testing::WithParamInterface<uint32_t> {};

// Each tick of a row's blink flips the step in progress; the steps before it stay shown. At
// 100 the timer stops with the last step shown. The ticks are sent: a tick's effect, not its
// period, is what the row shows.
TEST_P(BlinkTest, BlinksTheStepInProgressAndStopsAt100)
{
    const uint32_t jobType = GetParam();
    const UINT_PTR timer = BlinkTimerOf(jobType);
    const ui::SkinItemKey(&row)[3] = RowOf(jobType);
    Ready(CARD_NONE);
    // As a start sets it, but no real tick comes between the sent ones.
    ::SetTimer(Window().GetHwnd(), timer, kNoTickMs, nullptr);
    struct {
        uint32_t percent;
        int image;     // the step that blinks
        bool report;   // a step the downloads report (and show) too
    } const brackets[] = {{0, 0, true}, {33, 1, true}, {50, 1, false}, {66, 2, true},
                          {99, 2, false}};
    for (const auto& bracket : brackets) {
        SCOPED_TRACE(bracket.percent);
        Progress(bracket.percent, jobType);
        Window().SendMessage(WM_TIMER, timer, 0);
        const bool first = Item(row[bracket.image])->IsVisible();
        Window().SendMessage(WM_TIMER, timer, 0);
        EXPECT_NE(Item(row[bracket.image])->IsVisible(), first);
        Window().SendMessage(WM_TIMER, timer, 0);
        EXPECT_EQ(Item(row[bracket.image])->IsVisible(), first);
        // The steps reached stay.
        if (bracket.report) {
            for (int i = 0; i < bracket.image; ++i) EXPECT_TRUE(Item(row[i])->IsVisible()) << i;
        }
        EXPECT_TRUE(HasTimer(timer));
    }
    Progress(100, jobType);
    Item(row[2])->SetVisible(false);
    Window().SendMessage(WM_TIMER, timer, 0);
    EXPECT_EQ(Shown(row), 3);
    EXPECT_FALSE(HasTimer(timer));
}

INSTANTIATE_TEST_SUITE_P(Rows, BlinkTest, ::testing::Values(36u, 37u, 38u),
                         [](const ::testing::TestParamInfo<uint32_t>& info) {
                             return info.param == 36   ? std::string("Probe")
                                    : info.param == 37 ? std::string("Traffic")
                                                       : std::string("Weather");
                         });

TEST_F(CJobsTest, RepeatTimersWaitForTheUnitsCard)
{
    // Without a card, and with a card that is not the unit's: nothing starts (a start would
    // hide the row), and the timers stay.
    for (CardState card : {CARD_NONE, CARD_UNPAIRED}) {
        SCOPED_TRACE(card);
        Ready(card);
        Progress(100, 37);
        Progress(100, 38);
        Window().SendMessage(WM_TIMER, ui::TIMER_AUTO_VELOCET, 0);
        Window().SendMessage(WM_TIMER, ui::TIMER_AUTO_WEATHER, 0);
        EXPECT_EQ(Shown(key::kVelocetIngImage), 3);
        EXPECT_EQ(Shown(key::kWeatherIngImage), 3);
        EXPECT_TRUE(HasTimer(ui::TIMER_AUTO_VELOCET));
        EXPECT_TRUE(HasTimer(ui::TIMER_AUTO_WEATHER));
        DestroyWindowObject();
    }
}

// ---- errors ----

struct ErrorCase {
    const char* name;
    UINT message;        // 0: "QZLNotifyError"
    uint32_t code;
    const char* text;    // the box's text, or a part of it; null: no box
};

class ErrorTest : public CJobsTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(ErrorTest, ShowsWhatTheCatalogueSays)
{
    const ErrorCase& c = GetParam();
    Ready(CARD_NONE);
    testsupport::CLogCapture log;
    const UINT message = c.message != 0 ? c.message : ::RegisterWindowMessageA("QZLNotifyError");
    if (c.text == nullptr) {
        Window().SendMessage(message, c.code, 0);
        EXPECT_EQ(log.Count("ShowMessageBox owner"), 0u);
        return;
    }
    launchertest::CBoxPresser press("", IDOK);
    Window().SendMessage(message, c.code, 0);
    ASSERT_TRUE(press.Pressed());
    EXPECT_NE(press.Box().sText.find(c.text), std::string::npos) << press.Box().sText;
}

const ErrorCase kErrorCases[] = {
    {"TopByteZero", 0, 0x00102EE2, nullptr},
    {"Aborted", 0, 0x2500FF00, nullptr},
    {"Unrecorded", 0, 0x2500FF01, nullptr},
    {"NoData", 0, 0x2600FF02, nullptr},
    {"NoCard", 0, 0x2500FF06, nullptr},
    {"DetailZero", 0, 0x25000000, nullptr},
    {"NoConnection", 0, 0x26102EE2, "26102EE2"},
    {"OtherModel", WM_PROBEUPLOAD_NOTICE, 0x24400110, text::kProbeOtherModel},
};

INSTANTIATE_TEST_SUITE_P(Codes, ErrorTest, ::testing::ValuesIn(kErrorCases),
                         [](const ::testing::TestParamInfo<ErrorCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(CJobsTest, ExpiredPasswordAsksToRenewOnThePage)
{
    Ready(CARD_NONE);
    launchertest::CBrowserRecord browser;
    const UINT error = ::RegisterWindowMessageA("QZLNotifyError");
    {
        launchertest::CBoxPresser press("", IDNO);
        Window().SendMessage(error, 0x25200202, 0);
        ASSERT_TRUE(press.Pressed());
        EXPECT_EQ(press.Box().uStyle, text::kQuestionStyle);
    }
    {
        launchertest::CBoxPresser press("", IDYES);
        Window().SendMessage(error, 0x25200202, 0);
        ASSERT_TRUE(press.Pressed());
    }
    const std::vector<std::string> opened = browser.WaitForOpened(kWaitMs);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], CConnectionFile::GetInstance().GetURL(ui::PAGE_VELOCET_RENEW));
}

TEST_F(CJobsTest, ProbeServiceQuestionsNameTheUser)
{
    AddUser("U1", "Taro", 1, "UA1", true);
    SetSettings(false, true);
    Ready(CARD_NONE);
    launchertest::CBrowserRecord browser;
    struct {
        WPARAM kind;
        const char* text;
        uint32_t page;
    } const rows[] = {{1, text::kProbeNotRegistered, ui::PAGE_VELOCET_REGIST},
                      {2, text::kProbeExpired, ui::PAGE_VELOCET_RENEW}};
    for (const auto& row : rows) {
        std::string expected = row.text;
        expected.replace(expected.find("%s"), 2, "Taro");
        launchertest::CBoxPresser press(expected, IDYES);
        Window().SendMessage(WM_PROBEUPLOAD_SERVER, row.kind, 0);
        EXPECT_TRUE(press.Pressed()) << row.kind;
        const std::vector<std::string> opened = browser.WaitForOpened(kWaitMs, row.kind);
        ASSERT_EQ(opened.size(), row.kind);
        EXPECT_EQ(opened.back(), CConnectionFile::GetInstance().GetURL(row.page));
    }
    // An index outside the list: the log line only.
    testsupport::CLogCapture log;
    Window().SendMessage(WM_PROBEUPLOAD_SERVER, 1, 5);
    EXPECT_TRUE(log.Has("_ProbeMessagePro,nickname error  UserID:5"));
    EXPECT_EQ(log.Count("ShowMessageBox owner"), 0u);
}

TEST_F(CJobsTest, NewCardNoticeAsksOnceAndOpensTheWizard)
{
    Ready(CARD_NONE);
    OpenTool(ui::TOOL_PROBE_LOG);
    testsupport::CLogCapture log;
    launchertest::CBoxPresser press(text::kNewNaviSD, IDYES);
    // The second notice comes while the question is open.
    Window().PostMessage(WM_LAUNCHER_NEW_NAVI_SD, 0, 0);
    Window().PostMessage(WM_LAUNCHER_NEW_NAVI_SD, 0, 0);
    Pump();
    EXPECT_TRUE(press.Pressed());
    EXPECT_EQ(log.Count("ShowMessageBox owner"), 1u);
    EXPECT_EQ(Tools().Record(ui::TOOL_PROBE_LOG).Received(WM_CLOSE), 1);
    EXPECT_EQ(Tools().Record(ui::TOOL_INITIALIZATION).nMade, 1);
}

// ---- cards ----

TEST_F(CJobsTest, CardAddedIsChosenAndRelayed)
{
    Ready(CARD_NONE);
    OpenTool(ui::TOOL_SETTING);
    launchertest::CObserver observer({"DEVICECHANGE_KESTRUM"});
    ASSERT_TRUE(observer.IsReady());
    EXPECT_FALSE(Item(key::kButtonUpdate)->IsEnabled());
    const HMENU menu = Window().GetMenu();
    // The agent saw card M: arrive.
    Agent().Write(CardBits("M"), 0, 0);
    Window().SendMessage(WM_DEVICECHANGE, ui::DEVICE_ADD, 0);
    Pump();
    EXPECT_EQ(Window().GetActiveSD(), 'M');
    EXPECT_TRUE(observer.WaitFor("DEVICECHANGE_KESTRUM", 1, kWaitMs));
    EXPECT_NE(Window().GetMenu(), menu);
    EXPECT_TRUE(Item(key::kButtonClassSD)->IsVisible());
    EXPECT_FALSE(Item(key::kButtonSDChoose)->IsVisible());
    EXPECT_TRUE(Item(key::kButtonUpdate)->IsEnabled());
    const launchertest::StubToolRecord& settings = Tools().Record(ui::TOOL_SETTING);
    ASSERT_GE(settings.Received(WM_LAUNCHER_CARD_STATE), 1);
    EXPECT_EQ(settings.vReceived.back().uWParam, 1u);

    // Another card while M: is active: relayed only.
    observer.Forget();
    Agent().Write(CardBits("MN"), CardBits("N"), 'M');
    Window().SendMessage(WM_DEVICECHANGE, ui::DEVICE_ADD, 0);
    EXPECT_EQ(Window().GetActiveSD(), 'M');
    EXPECT_TRUE(observer.WaitFor("DEVICECHANGE_KESTRUM", 1, kWaitMs));
    // Another kind: nothing. The relay of an add after it comes in order behind anything it
    // had broadcast, so the relay alone shows that nothing came of it.
    observer.Forget();
    Window().SendMessage(WM_DEVICECHANGE, 7, 0);
    Window().SendMessage(WM_DEVICECHANGE, ui::DEVICE_ADD, 0);
    EXPECT_TRUE(observer.WaitFor("DEVICECHANGE_KESTRUM", 1, kWaitMs));
    EXPECT_EQ(observer.Count("DEVICECHANGE_KESTRUM"), 1u);
    EXPECT_EQ(Window().GetActiveSD(), 'M');
}

TEST_F(CJobsTest, CardRemovedStaysWhileItsRootIsThere)
{
    Ready(CARD_UNPAIRED);
    OpenTool(ui::TOOL_SETTING);
    ASSERT_EQ(Window().GetActiveSD(), 'M');
    launchertest::CObserver observer({"DEVICECHANGE_KESTRUM"});
    ASSERT_TRUE(observer.IsReady());
    Window().SendMessage(WM_DEVICECHANGE, ui::DEVICE_REMOVE, 0);
    EXPECT_TRUE(observer.WaitFor("DEVICECHANGE_KESTRUM", 2, kWaitMs));
    EXPECT_EQ(Window().GetActiveSD(), 'M');
}

// A card that comes in with the card manager and the settings open: the state each shows.
struct CardStateCase {
    const char* name;
    const char* removable; // the agent's letters
    const char* paired;
    const char* ntfs;      // letters the platform answers as "NTFS"
    const char* locked;    // letters whose write test fails
    const char* box;       // null: none
    char active;
    const ui::SkinItemKey* shown; // the one card button shown
};

class CardStateTest : public CJobsTest, public ::testing::WithParamInterface<CardStateCase> {};

TEST_P(CardStateTest, RefreshShowsTheCardAndTellsTheWindows)
{
    const CardStateCase& c = GetParam();
    Ready(CARD_NONE);
    OpenTool(ui::TOOL_SETTING);
    OpenTool(ui::TOOL_SD_MANAGER);
    CCardPlatform platform(c.ntfs, c.locked);
    launchertest::CObserver observer({"DEVICECHANGE_KESTRUM"});
    ASSERT_TRUE(observer.IsReady());
    testsupport::CLogCapture log;
    Agent().Write(CardBits(c.removable), CardBits(c.paired), 0);
    {
        std::unique_ptr<launchertest::CBoxPresser> press;
        if (c.box != nullptr) press.reset(new launchertest::CBoxPresser(c.box, IDOK));
        Window().SendMessage(WM_DEVICECHANGE, ui::DEVICE_ADD, 0);
        if (press) {
            EXPECT_TRUE(press->Pressed());
        }
    }
    Pump();
    if (c.box == nullptr) {
        EXPECT_EQ(log.Count("ShowMessageBox owner"), 0u);
    }
    EXPECT_TRUE(observer.WaitFor("DEVICECHANGE_KESTRUM", 1, kWaitMs));
    EXPECT_EQ(Window().GetActiveSD(), c.active);
    for (const ui::SkinItemKey* button :
         {&key::kButtonSDChoose, &key::kButtonClassSD, &key::kButtonClassSDPairing}) {
        EXPECT_EQ(Item(*button)->IsVisible(), button == c.shown) << button->m_strName;
    }
    EXPECT_EQ(Item(key::kButtonUpdate)->IsEnabled(), c.active != 0);
    // The settings hear whether a card is there; a card closes the card manager.
    const launchertest::StubToolRecord& settings = Tools().Record(ui::TOOL_SETTING);
    ASSERT_GE(settings.Received(WM_LAUNCHER_CARD_STATE), 1);
    EXPECT_EQ(settings.vReceived.back().uWParam, c.active != 0 ? 1u : 0u);
    EXPECT_EQ(Tools().Record(ui::TOOL_SD_MANAGER).Received(WM_CLOSE), c.active != 0 ? 1 : 0);
}

const CardStateCase kCardStateCases[] = {
    {"Unpaired", "M", "", "", "", nullptr, 'M', &key::kButtonClassSD},
    {"Paired", "M", "M", "", "", nullptr, 'M', &key::kButtonClassSDPairing},
    {"Locked", "M", "M", "", "M", text::kCardLocked, 'M', &key::kButtonClassSDPairing},
    {"Ntfs", "N", "", "N", "", text::kUnsupportedCard, 0, &key::kButtonSDChoose},
};

INSTANTIATE_TEST_SUITE_P(Cards, CardStateTest, ::testing::ValuesIn(kCardStateCases),
                         [](const ::testing::TestParamInfo<CardStateCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(CJobsTest, CardTakenOutIsDroppedAndTold)
{
    Ready(CARD_UNPAIRED);
    OpenTool(ui::TOOL_SETTING);
    ASSERT_EQ(Window().GetActiveSD(), 'M');
    launchertest::CObserver observer({"DEVICECHANGE_KESTRUM"});
    ASSERT_TRUE(observer.IsReady());
    const HMENU menu = Window().GetMenu();
    CCardAway away('M');
    ASSERT_TRUE(away.CanMove()) << "only under Wine";
    ASSERT_TRUE(away.Move());
    // The agent saw the card go; its choice is the window's to clear.
    Agent().Write(0, 0, 'M');
    Window().SendMessage(WM_DEVICECHANGE, ui::DEVICE_REMOVE, 0);
    Pump();
    EXPECT_TRUE(observer.WaitFor("DEVICECHANGE_KESTRUM", 2, kWaitMs));
    EXPECT_EQ(Window().GetActiveSD(), 0);
    EXPECT_EQ(Agent().Read().selectedDrive, 0);
    EXPECT_NE(Window().GetMenu(), menu);
    EXPECT_TRUE(Item(key::kButtonSDChoose)->IsVisible());
    EXPECT_FALSE(Item(key::kButtonClassSD)->IsVisible());
    EXPECT_FALSE(Item(key::kButtonUpdate)->IsEnabled());
    const launchertest::StubToolRecord& settings = Tools().Record(ui::TOOL_SETTING);
    ASSERT_GE(settings.Received(WM_LAUNCHER_CARD_STATE), 1);
    EXPECT_EQ(settings.vReceived.back().uWParam, 0u);
}

// Puts the stand-in "Tessaly.dll" on the library search, where the product's bare-name
// LoadLibrary finds it (looked up: the headers of Windows 2000 do not declare it).
class CDeviceLibrary {
public:
    CDeviceLibrary()
        : m_strRecord(testsupport::PrivateRoot() + "tessaly.txt"), m_pSetDllDirectory(
              reinterpret_cast<SetDllDirectoryFn>(reinterpret_cast<void*>(::GetProcAddress(
                  ::GetModuleHandleA("kernel32.dll"), "SetDllDirectoryA"))))
    {
        ::DeleteFileA(m_strRecord.c_str());
        ::SetEnvironmentVariableA("KESTRUM_TESSALY_RECORD", m_strRecord.c_str());
        const std::string folder = lib::PathRemoveFileSpecStr(lib::GetModuleFileNameStr(nullptr)) +
                                   "\\..\\carddata_drives_tessaly\\full";
        m_bPlaced = m_pSetDllDirectory != nullptr && lib::FileExists(folder + "\\Tessaly.dll") &&
                    m_pSetDllDirectory(folder.c_str());
    }
    ~CDeviceLibrary()
    {
        if (m_pSetDllDirectory != nullptr) m_pSetDllDirectory(nullptr);
        ::SetEnvironmentVariableA("KESTRUM_TESSALY_RECORD", nullptr);
    }
    bool IsPlaced() const { return m_bPlaced; }
    std::vector<std::string> Recorded() const
    {
        return lib::SplitString(testsupport::ReadFileBytes(m_strRecord).c_str(), "\n");
    }

private:
    typedef BOOL(WINAPI* SetDllDirectoryFn)(LPCSTR);
    std::string m_strRecord;
    SetDllDirectoryFn m_pSetDllDirectory;
    bool m_bPlaced = false;
};

TEST_F(CJobsTest, SafeRemovalEjectsTheDeviceAndFreesTheCard)
{
    Ready(CARD_PAIRED);
    CDeviceLibrary library;
    ASSERT_TRUE(library.IsPlaced());
    {
        launchertest::CBoxPresser press(text::kSafeRemoval, IDOK);
        Window().SendMessage(WM_COMMAND, MAKEWPARAM(key::kButtonClassSDPairing.m_nId, 1), 0);
        ASSERT_TRUE(press.Pressed());
    }
    launchertest::CBoxPresser result(text::kEjected, IDOK, kWaitMs);
    ASSERT_TRUE(PumpUntil([&] { return result.Pressed(); }));
    EXPECT_EQ(library.Recorded(),
              (std::vector<std::string>{"load", "OpenDevices 1 -> 0x00005E70",
                                        "GetDeviceFromDriveLetter 0x00005E70 M -> 0x0000010C",
                                        "EjectDevice 0x00005E70 0x0000010C -> 1",
                                        "CloseDevices 0x00005E70 -> 1", "unload"}));
    EXPECT_TRUE(Window().IsAllButtonsEnabled());
    EXPECT_EQ(Agent().Read().selectedDrive, 0);
    EXPECT_EQ(Window().GetActiveSD(), 0);
    EXPECT_TRUE(Item(key::kButtonSDChoose)->IsVisible());
}

TEST_F(CJobsTest, SafeRemovalResults)
{
    struct {
        WPARAM result;
        const char* text;
        bool cleared;
    } const rows[] = {{0, text::kEjected, true},
                      {ERROR_ACCESS_DENIED, text::kEjectBusy, false},
                      {ERROR_INVALID_PARAMETER, text::kEjectFailed, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.result);
        Ready(CARD_UNPAIRED);
        launchertest::CBoxPresser press(row.text, IDOK);
        Window().SendMessage(WM_SDCARD_EJECTED, row.result, 0);
        EXPECT_TRUE(press.Pressed());
        EXPECT_TRUE(Window().IsAllButtonsEnabled());
        EXPECT_EQ(Agent().Read().selectedDrive, row.cleared ? 0 : 'M');
        DestroyWindowObject();
    }
}

} // namespace
