// The delete-data window on card H:: one fixture card per row, the window run modally over a
// hidden owner that records its result; the question about the camera unit's folder answered
// from a thread timer inside the question's loop.

#include "launcher/DelDMInfoMsgWindow.h"
#include "launcher/DelFileWindow.h"
#include "lib/wfc/Window.h"
#include "tests/skin/support/SkinTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace boxkey = ui::DelDMInfoMsgWindowKey;

const char kCard = 'H';
const UINT kNoPress = 0;

// The hidden owner: records the results the window posts it (the window's modal loop
// dispatches them).
class CResultOwner : public lib::wfc::CWindow {
public:
    CResultOwner() { Create(0, nullptr, "ケストラム設定", WS_POPUP, 0, 0, 200, 100); }
    ~CResultOwner() override { DestroyWindow(); }
    HWND Get() const { return GetHwnd(); }
    // The results posted so far, with those still in this thread's queue.
    std::vector<uint32_t> Results()
    {
        MSG msg;
        while (PeekMessageA(&msg, GetHwnd(), 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        return m_vResults;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == ui::WM_DELFILE_FINISHED) {
            m_vResults.push_back(static_cast<uint32_t>(wParam));
            return 0;
        }
        return CWindow::WindowProc(message, wParam, lParam);
    }

private:
    std::vector<uint32_t> m_vResults;
};

// Answers the window's question: presses the given button of the first visible box that the
// window owns. Whether a box was seen.
ui::CDelFileWindow* g_pWindow = nullptr;
UINT g_uPress = kNoPress;
bool g_bAsked = false;

BOOL CALLBACK FindBox(HWND window, LPARAM found)
{
    if (g_pWindow != nullptr && IsWindowVisible(window) &&
        GetWindow(window, GW_OWNER) == g_pWindow->GetHwnd()) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK AnswerQuestion(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr || g_bAsked) return;
    g_bAsked = true;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(g_uPress, 1), 0);
}

struct DeleteRun {
    std::vector<uint32_t> results;
    bool asked = false;
    int32_t answer = 0;
};

DeleteRun RunDelete(char letter, UINT press)
{
    skintest::CSkinErrorCollector errors;
    CResultOwner owner;
    DeleteRun run;
    {
        ui::CDelFileWindow window(owner.Get(), letter);
        g_pWindow = &window;
        g_uPress = press == kNoPress ? boxkey::kCancelButton.m_nId : press;
        g_bAsked = false;
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, &AnswerQuestion);
        window.Create();
        KillTimer(nullptr, timer);
        run.answer = window.GetVideoAnswer();
        // The worker has posted its result before it closed the window.
        run.results = owner.Results();
        g_pWindow = nullptr;
    }
    run.asked = g_bAsked;
    run.results = owner.Results();
    EXPECT_TRUE(errors.Messages().empty());
    return run;
}

std::string CardPath(const std::string& path) { return std::string(1, kCard) + ":\\" + path; }

void ClearCard()
{
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(CardPath(""), error)) {
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, error);
        fs::remove_all(entry.path(), error);
    }
}

// Paths relative to the card's root; a name ending in a backslash is a folder.
void MakeCard(const std::vector<std::string>& paths)
{
    ClearCard();
    for (const std::string& path : paths) {
        const std::string full = CardPath(path);
        if (full.back() == '\\') {
            fs::create_directories(full.substr(0, full.size() - 1));
        } else {
            fs::create_directories(fs::path(full).parent_path());
            std::ofstream(full, std::ios::binary) << "data of " << path;
        }
    }
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(CardPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

const std::vector<std::string> kFullCard = {
    "WEBDMDATA\\a.dat",          "WEBDMDATA\\sub\\b.dat", "NAVIDATA\\IMG\\c.img",
    "NAVIDATA\\POINT\\",         "UPDATE\\u.bin",          "TRK500\\t.bin",
    "TRK500_1\\t.bin",           "TRK500_2\\t.bin",       "HUD_VERUP\\only_pg_update\\p.bin",
    "HUD_VERUP\\all_update\\a.bin", "HUD_VERUP\\keep.txt", "NormalImage.bin",
    "PC\\NAVIINFO.DAT",          "PC\\EXDEVICE.DAT",       "PC\\PROBE\\x.dat",
    "PC\\WEATHER\\w.dat",        "PC\\other.txt",          "PROBE\\1\\ProbeData.dat",
    "OTHER\\o.txt",              "VP_UNIT\\movie\\m.mp4",
};
const std::vector<std::string> kDeletedOfFullCard = {
    "WEBDMDATA", "NAVIDATA",   "UPDATE", "TRK500", "TRK500_1", "TRK500_2",
    "HUD_VERUP\\only_pg_update", "HUD_VERUP\\all_update", "NormalImage.bin", "PC\\PROBE",
    "PC\\WEATHER", "PC\\other.txt",
};
const std::vector<std::string> kKeptOfFullCard = {
    "HUD_VERUP\\keep.txt", "PC\\NAVIINFO.DAT", "PC\\EXDEVICE.DAT", "PROBE\\1\\ProbeData.dat",
    "OTHER\\o.txt",
};

std::vector<std::string> Plus(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(DelFileWindowTest, DeletesTheListedDataOfEachCardAndKeepsTheRest)
{
    const std::vector<uint32_t> done = {0};
    const std::vector<uint32_t> none;
    struct Case {
        const char* name;
        char letter;
        std::vector<std::string> card;
        UINT press;   // the question's button; kNoPress: no question expected
        std::vector<uint32_t> results;
        std::vector<std::string> gone;
        std::vector<std::string> kept;
    };
    const Case cases[] = {
        {"only PC: the folder and its two files stay", kCard,
         {"PC\\NAVIINFO.DAT", "PC\\EXDEVICE.DAT", "PC\\other.dat", "PC\\SUB\\deep.dat"}, kNoPress,
         done, {"PC\\other.dat", "PC\\SUB"}, {"PC\\NAVIINFO.DAT", "PC\\EXDEVICE.DAT"}},
        {"only NormalImage.bin", kCard, {"NormalImage.bin"}, kNoPress, done, {"NormalImage.bin"},
         {}},
        {"VP_UNIT of empty folders: no question, kept", kCard,
         {"VP_UNIT\\a\\", "VP_UNIT\\b\\c\\", "UPDATE\\u.bin"}, kNoPress, done, {"UPDATE"},
         {"VP_UNIT\\a", "VP_UNIT\\b\\c"}},
        {"everything, video kept on No", kCard, kFullCard, boxkey::kNoButton.m_nId, done,
         kDeletedOfFullCard, Plus(kKeptOfFullCard, {"VP_UNIT\\movie\\m.mp4"})},
        {"everything, video deleted on Yes", kCard, kFullCard, boxkey::kYesButton.m_nId, done,
         Plus(kDeletedOfFullCard, {"VP_UNIT"}), kKeptOfFullCard},
        {"Cancel to the question: nothing deleted, no result", kCard, kFullCard,
         boxkey::kCancelButton.m_nId, none, {}, Plus(kFullCard, {})},
        {"the question's close button: as Cancel", kCard, kFullCard,
         boxkey::kCloseButton.m_nId, none, {}, Plus(kFullCard, {})},
        {"kept names in lower case, a lower-case letter", 'h',
         {"pc\\naviinfo.dat", "pc\\ExDevice.Dat", "pc\\other.dat"}, kNoPress, done,
         {"pc\\other.dat"}, {"pc\\naviinfo.dat", "pc\\ExDevice.Dat"}},
    };
    for (const Case& c : cases) {
        MakeCard(c.card);
        const DeleteRun run = RunDelete(c.letter, c.press);
        EXPECT_EQ(run.results, c.results) << c.name;
        EXPECT_EQ(run.asked, c.press != kNoPress) << c.name;
        for (const std::string& path : c.gone) EXPECT_FALSE(Exists(path)) << c.name << ": " << path;
        for (const std::string& path : c.kept) {
            if (path.back() == '\\') continue;
            EXPECT_TRUE(Exists(path)) << c.name << ": " << path;
        }
    }
    ClearCard();
}

// A file that cannot go ends the deletion with its error; what comes after it in the list
// and the unit's folder are not touched.
TEST(DelFileWindowTest, AFileThatCannotGoEndsTheDeletionWithItsError)
{
    const std::vector<std::string> card = {"WEBDMDATA\\a.dat", "UPDATE\\held.bin", "TRK500\\t.bin",
                                           "NormalImage.bin", "PC\\other.dat"};
    const std::vector<std::string> untouched = {"TRK500\\t.bin", "NormalImage.bin",
                                                "PC\\other.dat"};
    {
        MakeCard(card);
        HANDLE held = CreateFileA(CardPath("UPDATE\\held.bin").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        const DeleteRun run = RunDelete(kCard, kNoPress);
        CloseHandle(held);
        EXPECT_EQ(run.results, std::vector<uint32_t>{ERROR_SHARING_VIOLATION}) << "held open";
        EXPECT_FALSE(Exists("WEBDMDATA"));
        for (const std::string& path : untouched) EXPECT_TRUE(Exists(path)) << "held: " << path;
    }
    {
        MakeCard(card);
        ASSERT_TRUE(SetFileAttributesA(CardPath("UPDATE\\held.bin").c_str(),
                                       FILE_ATTRIBUTE_READONLY));
        const DeleteRun run = RunDelete(kCard, kNoPress);
        EXPECT_EQ(run.results, std::vector<uint32_t>{ERROR_ACCESS_DENIED}) << "read-only";
        for (const std::string& path : untouched) {
            EXPECT_TRUE(Exists(path)) << "read-only: " << path;
        }
        SetFileAttributesA(CardPath("UPDATE\\held.bin").c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    ClearCard();
}

// A card gone from its letter by the time the worker starts is not ready: nothing is
// deleted on whatever stands there instead, and the owner hears 21.
TEST(DelFileWindowTest, ALetterWithoutACardIsNotReady)
{
    const DeleteRun run = RunDelete('J', kNoPress);
    EXPECT_EQ(run.results, std::vector<uint32_t>{ERROR_NOT_READY});
}

} // namespace
