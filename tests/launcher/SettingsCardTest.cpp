// The settings window's deletion on card H:: the locked card, the confirmed deletion and its
// result message, and the card record changed while the question is shown (the card
// confirmed is the card deleted). The card's volume answers through a platform of the test.

#include "carddata/VolumeControl.h"
#include "launcher/DelFileWindow.h"
#include "launcher/SettingWindow.h"
#include "lib/wfc/Window.h"
#include "tests/launcher/support/MessageBoxes.h"
#include "tests/support/AgentBlock.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <map>
#include <utility>
#include <vector>
#include <string>

namespace {

using ui::CSettingWindow;
namespace key = ui::SettingWindowKey;

// A card whose volume is writable or write-protected, without opening the drive.
class CCardVolume : public CVolumePlatform {
public:
    explicit CCardVolume(bool writable) : m_bWritable(writable) {}
    HANDLE OpenVolumeHandle(char, DWORD) override { return reinterpret_cast<HANDLE>(0x4711); }
    BOOL CloseVolumeHandle(HANDLE) override { return TRUE; }
    BOOL DeviceControl(HANDLE, DWORD, void*, DWORD) override
    {
        if (m_bWritable) return TRUE;
        SetLastError(ERROR_WRITE_PROTECT);
        return FALSE;
    }

private:
    bool m_bWritable;
};

// The boxes to answer, in the order they come, each once; a hook runs before a box is
// pressed. A box is found by its log line and its owner, so only the next one is looked for.
std::vector<std::pair<std::string, int>> g_answers;
size_t g_uNext = 0;
std::map<std::string, int> g_pressed;
void (*g_pfnBeforePress)(const std::string& text) = nullptr;

void CALLBACK AnswerBoxes(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_uNext >= g_answers.size()) return;
    const auto& answer = g_answers[g_uNext];
    launchertest::ShownBox box = launchertest::WaitForBox(answer.first, 0);
    if (!box.Found()) return;
    if (g_pfnBeforePress != nullptr) g_pfnBeforePress(answer.first);
    if (launchertest::PressBox(box, answer.second)) {
        ++g_pressed[answer.first];
        ++g_uNext;
    }
}

class CCardOwner : public lib::wfc::CWindow {
public:
    CCardOwner() { Create(0, nullptr, "Kestrum4 Card Owner", WS_POPUP, 0, 0, 100, 100); }
    ~CCardOwner() override { DestroyWindow(); }
};

testsupport::CAgentBlock* g_pBlock = nullptr;

void ClearSelection(const std::string& text)
{
    if (text == CSettingWindow::kDeleteQuestion && g_pBlock != nullptr) {
        g_pBlock->Write(testsupport::DriveBit('H'), testsupport::DriveBit('H'), 0);
    }
}

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

TEST(SettingWindowCardTest, DeletionOfTheConfirmedCardAndItsMessages)
{
    testsupport::CAgentBlock block;
    g_pBlock = &block;
    struct Case {
        const char* name;
        bool writable;
        bool clearSelection;       // the record loses the card while the question is shown
        std::string finalBox;      // the box that ends the case
        bool deleted;
        bool held = false;         // the file in UPDATE held open without sharing
    };
    const Case cases[] = {
        {"locked card", false, false, CSettingWindow::kCardLocked, false},
        {"confirmed deletion", true, false, CSettingWindow::kDeleteDone, true},
        {"selection cleared meanwhile: the confirmed card is deleted", true, true,
         CSettingWindow::kDeleteDone, true},
        {"a file held open: card busy", true, false, CSettingWindow::kCardBusy, false, true},
    };
    for (const Case& c : cases) {
        CreateDirectoryA("H:\\UPDATE", nullptr);
        std::ofstream("H:\\UPDATE\\u.bin") << "update";
        block.Write(testsupport::DriveBit('H'), testsupport::DriveBit('H'), 'H');
        HANDLE held = c.held ? CreateFileA("H:\\UPDATE\\u.bin", GENERIC_READ, 0, nullptr,
                                           OPEN_EXISTING, 0, nullptr)
                             : INVALID_HANDLE_VALUE;
        CCardVolume volume(c.writable);
        SetVolumePlatform(&volume);
        testsupport::CLogCapture log;
        g_answers.clear();
        if (c.writable) g_answers.push_back({CSettingWindow::kDeleteQuestion, IDOK});
        g_answers.push_back({c.finalBox, IDOK});
        g_uNext = 0;
        g_pressed.clear();
        g_pfnBeforePress = c.clearSelection ? &ClearSelection : nullptr;
        {
            CCardOwner owner;
            CSettingWindow window(owner.GetHwnd());
            window.Create();
            window.ShowWindow(SW_SHOWNA);
            const UINT_PTR timer = SetTimer(nullptr, 0, 50, &AnswerBoxes);
            window.PostMessage(WM_COMMAND, MAKEWPARAM(key::kDeleteButton.m_nId, 1), 0);
            const DWORD start = GetTickCount();
            while (g_pressed[c.finalBox] == 0 && GetTickCount() - start < 15000) {
                testsupport::DispatchQueued();
                Sleep(10);
            }
            KillTimer(nullptr, timer);
            window.DestroyWindow();
        }
        g_pfnBeforePress = nullptr;
        SetVolumePlatform(nullptr);
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        EXPECT_EQ(g_pressed[c.finalBox], 1) << c.name;
        EXPECT_EQ(g_pressed[CSettingWindow::kDeleteQuestion], c.writable ? 1 : 0) << c.name;
        EXPECT_EQ(log.Has("CSettingWindow::_OnButtonDelete  SD Card is lock"), !c.writable)
            << c.name;
        EXPECT_EQ(Exists("H:\\UPDATE"), !c.deleted) << c.name;
    }
    DeleteFileA("H:\\UPDATE\\u.bin");
    RemoveDirectoryA("H:\\UPDATE");
    block.Write(0, 0, 0);
    g_pBlock = nullptr;
}

} // namespace
