// The edit box item on a hidden test window, over real controls in the four forms (plain and
// rich, ANSI and wide): its block and control, what typed characters and keys do, the input
// method, dropped files, the text across the control's end, the drawn frame and text, and an
// attached scroll bar following the control's scrolling.

#include "lib/StringUtility.h"
#include "lib/wfc/DC.h"
#include "lib/wfc/WfcRuntime.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemEditBox.h"
#include "skin/SkinWindowItemScrollBar.h"
#include "tests/skin/support/FakeItemAccessor.h"
#include "tests/skin/support/SkinItemTestSupport.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/FakeDataObject.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <imm.h>
#include <richedit.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <utility>
#include <memory>
#include <string>
#include <vector>

using lib::FormatString;

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("skin_edit_box_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("skin_edit_box_test"));

// The four forms of a box.
struct BoxForm {
    const char* m_pszName;
    bool m_bRich;
    bool m_bWide;
};
const BoxForm kPlain = {"plain", false, false};
const BoxForm kRich = {"rich", true, false};
const BoxForm kWidePlain = {"wide plain", false, true};
const BoxForm kWideRich = {"wide rich", true, true};
const BoxForm kForms[] = {kPlain, kRich, kWidePlain, kWideRich};

// Options of a box besides its form, set before the window is made.
typedef std::function<void(ui::CSkinWindowItemEditBox&)> BoxSetup;

// A test window that hands scroll notifications to one box, as an application window
// does, and notes the keys it receives.
class CEditHostWindow : public skintest::CTestSkinWindow {
public:
    ui::CSkinWindowItemEditBox* m_pScrollTarget = nullptr;
    std::vector<UINT> m_vKeyDown;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if ((message == WM_VSCROLL || message == WM_HSCROLL) && m_pScrollTarget != nullptr) {
            return m_pScrollTarget->OnMessage(message, wParam, lParam);
        }
        if (message == WM_KEYDOWN) m_vKeyDown.push_back(static_cast<UINT>(wParam));
        return CTestSkinWindow::WindowProc(message, wParam, lParam);
    }
};

void Pump()
{
    testsupport::DispatchQueued();
}

// Each byte as a posted WM_CHAR, then the queue run.
void PostBytes(HWND control, const std::string& bytes)
{
    for (const char byte : bytes) {
        ::PostMessageA(control, WM_CHAR, static_cast<unsigned char>(byte), 1);
    }
    Pump();
}

void PressKey(HWND control, UINT key)
{
    ::PostMessageA(control, WM_KEYDOWN, key, 1);
    ::PostMessageA(control, WM_KEYUP, key, 0xC0000001);
    Pump();
}

// The control's text in code page 932. Not GetWindowTextA: Wine's RichEdit20A counts its
// length in characters, so that would cut a double-byte text.
std::string TextOf(HWND control)
{
    const LRESULT length = ::SendMessageA(control, WM_GETTEXTLENGTH, 0, 0);
    std::vector<char> text(static_cast<size_t>(length) * 2 + 1, '\0');
    ::SendMessageA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

std::string Describe(const RECT& rect)
{
    return FormatString("%ld %ld %ld %ld", rect.left, rect.top, rect.right, rect.bottom);
}

RECT ClientRectOf(HWND child)
{
    RECT rect = {};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

DWORD StyleOf(HWND window)
{
    return static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_STYLE));
}

std::string ClassOf(HWND window)
{
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

// The keys held while it lives, as GetKeyState reads them.
class CKeysHeld {
public:
    explicit CKeysHeld(const std::vector<int>& keys)
    {
        ::GetKeyboardState(m_saved);
        BYTE state[256];
        std::memcpy(state, m_saved, sizeof state);
        for (const int key : keys) state[key] |= 0x80;
        ::SetKeyboardState(state);
    }
    ~CKeysHeld() { ::SetKeyboardState(m_saved); }
    CKeysHeld(const CKeysHeld&) = delete;
    CKeysHeld& operator=(const CKeysHeld&) = delete;

private:
    BYTE m_saved[256];
};

void SetClipboardText(const char* text)
{
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    const size_t size = std::strlen(text) + 1;
    HGLOBAL global = ::GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(::GlobalLock(global), text, size);
    ::GlobalUnlock(global);
    ::SetClipboardData(CF_TEXT, global);
    ::CloseClipboard();
}

// A drop handle holding the list, as the shell posts it.
HDROP MakeDrop(bool wide, const std::vector<char>& list)
{
    const std::vector<char> block =
        testsupport::MakeBlock(testsupport::kDropFilesHeader, wide, list);
    HGLOBAL global = ::GlobalAlloc(GMEM_MOVEABLE, block.size());
    std::memcpy(::GlobalLock(global), block.data(), block.size());
    ::GlobalUnlock(global);
    return static_cast<HDROP>(global);
}

class EditBoxTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (m_pWindow && m_pWindow->IsWindow()) m_pWindow->DestroyWindow();
        m_pWindow.reset();
        Pump();
    }

    // A new host window with the test skin loaded; its items come next.
    void Load()
    {
        if (m_pWindow && m_pWindow->IsWindow()) m_pWindow->DestroyWindow();
        m_pWindow.reset(new CEditHostWindow);
        m_definition = ui::SkinDefinition();
        const skintest::SkinErrors errors = skintest::CatchSkinErrors(
            [&] { m_pWindow->LoadSkin(m_definition, "TestEditBox.txt", "Base", false); });
        ASSERT_TRUE(errors.m_vBox.empty()) << errors.m_vBox.front();
    }
    ui::CSkinWindowItemEditBox* Add(const char* block, int32_t id, const BoxForm& form,
                                    const BoxSetup& setup = BoxSetup())
    {
        ui::CSkinWindowItemEditBox* box =
            m_pWindow->CreateEditBox(id, ui::GetSkinBlock(m_definition, block));
        box->SetRich(form.m_bRich);
        box->SetWide(form.m_bWide);
        if (setup) setup(*box);
        return box;
    }
    void Create()
    {
        m_pWindow->Create(0, nullptr, "skin_edit_box_test", WS_POPUP, 0, 0, 320, 200);
        m_pWindow->KillTimer(ui::kSkinTickTimerId);
        m_pWindow->Calls();
    }
    // One window with one box; its control.
    ui::CSkinWindowItemEditBox* One(const char* block, const BoxForm& form,
                                    const BoxSetup& setup = BoxSetup())
    {
        Load();
        ui::CSkinWindowItemEditBox* box = Add(block, kId, form, setup);
        Create();
        return box;
    }
    COLORREF Pixel(int x, int y) { return skintest::PixelAt(*m_pWindow->GetBackBuffer(), x, y); }

    static const int32_t kId = 7;
    std::unique_ptr<CEditHostWindow> m_pWindow;
    ui::SkinDefinition m_definition;
};

// ---- the block and the control ----

TEST_F(EditBoxTest, RefusedBlocksNameWhatIsWrong)
{
    const struct {
        const char* m_pszKeywords;
        const char* m_pszBox;
    } cases[] = {
        {"Position=1,2;Size=3,4", "Edit/Fontが定義されていません"},
        {"Position=1,2;Font=F,14,400", "Edit/Sizeが定義されていません"},
        {"Position=1,2;Size=3,4;Font=F,14,400;Limit=3,4",
         "Edit/Limitのパラメータは 1個必要ですが、2個指定されています"},
        {"Position=1,2;Size=3,4;Font=F,14,400;Frame=a.png,0,1,2,3",
         "Edit/Frameのパラメータは 9個必要です"},
        {"Position=1,2;Size=3,4;Font=F,14,400;DisableFrame=a.png,0,1,2,3,0,1,2,3,4",
         "Edit/DisableFrameのパラメータは 9個必要ですが、10個指定されています"},
    };
    skintest::CFakeItemAccessor accessor(64, 64);
    for (const auto& one : cases) {
        SCOPED_TRACE(one.m_pszKeywords);
        const skintest::SkinErrors errors = skintest::CatchSkinErrors([&] {
            ui::CSkinWindowItemEditBox box(&accessor, 1,
                                           skintest::MakeSkinBlock("Edit", one.m_pszKeywords),
                                           accessor.GetImageCache());
        });
        ASSERT_EQ(errors.m_vBox.size(), 1u);
        EXPECT_EQ(errors.m_vBox.front(), one.m_pszBox);
        EXPECT_EQ(errors.m_strThrown, one.m_pszBox);
    }
}

TEST_F(EditBoxTest, ControlOfEachFormInsideTheFrame)
{
    const struct {
        BoxForm m_form;
        const char* m_pszClass;
        DWORD m_dwExStyle;
    } cases[] = {
        {kPlain, "Edit", 0},
        {kRich, "RichEdit20A", 0},
        {kWidePlain, "Edit", WS_EX_TRANSPARENT},
        {kWideRich, "RichEdit20W", WS_EX_TRANSPARENT},
    };
    for (const auto& one : cases) {
        SCOPED_TRACE(one.m_form.m_pszName);
        Load();
        ui::CSkinWindowItemEditBox* plain = Add("EditPlain", 7, one.m_form);
        ui::CSkinWindowItemEditBox* framed = Add("EditFramed", 8, one.m_form);
        plain->SetText("テキスト");
        Create();
        HWND control = ::GetDlgItem(m_pWindow->GetHwnd(), 7);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(plain->GetControl(), control);
        EXPECT_EQ(ClassOf(control), one.m_pszClass);
        EXPECT_EQ(StyleOf(control), 0x54010080u) << "child, visible, tab stop, ES_AUTOHSCROLL";
        EXPECT_EQ(static_cast<DWORD>(::GetWindowLongPtrA(control, GWL_EXSTYLE)) & WS_EX_TRANSPARENT,
                  one.m_dwExStyle);
        EXPECT_EQ(TextOf(control), "テキスト");
        EXPECT_EQ(plain->GetText(), "テキスト");
        EXPECT_EQ(plain->GetTextW(), L"テキスト");
        if (!one.m_form.m_bRich) {
            EXPECT_NE(::SendMessageA(control, WM_GETFONT, 0, 0), 0);
        }
        // No frame: the whole item. Borders 3, 4, 2 + 1 and 5 inside the framed one.
        EXPECT_EQ(Describe(ClientRectOf(control)), "16 40 136 64");
        EXPECT_EQ(Describe(ClientRectOf(framed->GetControl())), "19 75 132 99");
        EXPECT_EQ(Describe(framed->GetControlRect().ToRECT()), "19 75 132 99");
        // The item follows a new rectangle, and the control with it.
        framed->SetRect(ui::SkinRect{30, 100, 230, 140});
        EXPECT_EQ(Describe(framed->GetRect().ToRECT()), "30 100 230 140");
        EXPECT_EQ(Describe(ClientRectOf(framed->GetControl())), "33 103 226 135");
    }
}

TEST_F(EditBoxTest, OptionsMakeTheControlsStyle)
{
    const struct {
        const char* m_pszName;
        BoxSetup m_setup;
        DWORD m_dwStyle;
    } cases[] = {
        {"numbers", [](ui::CSkinWindowItemEditBox &b) { b.SetNumberOnly(true); }, 0x54012080},
        {"vertical bar", [](ui::CSkinWindowItemEditBox &b) { b.SetVScrollStyle(true); },
         0x54210080},
        {"password", [](ui::CSkinWindowItemEditBox &b) { b.SetPassword(); }, 0x540100A0},
        {"centred", [](ui::CSkinWindowItemEditBox &b) { b.SetExtraStyle(ES_CENTER); }, 0x54010081},
        {"multi-line", [](ui::CSkinWindowItemEditBox &b) { b.SetMultiLine(true); }, 0x54010044},
        {"multi-line, the extra style only for one line",
         [](ui::CSkinWindowItemEditBox &b) {
             b.SetMultiLine(true);
             b.SetExtraStyle(ES_RIGHT);
         },
         0x54010044},
    };
    Load();
    std::vector<ui::CSkinWindowItemEditBox*> boxes;
    for (const auto& one : cases) {
        boxes.push_back(
            Add("EditPlain", 100 + static_cast<int32_t>(boxes.size()), kPlain, one.m_setup));
    }
    Create();
    for (size_t i = 0; i < boxes.size(); ++i) {
        SCOPED_TRACE(cases[i].m_pszName);
        EXPECT_EQ(StyleOf(boxes[i]->GetControl()), cases[i].m_dwStyle);
    }
}

TEST_F(EditBoxTest, LimitOnlyWhenTheSkinGivesOne)
{
    for (const BoxForm& form : kForms) {
        SCOPED_TRACE(form.m_pszName);
        Load();
        ui::CSkinWindowItemEditBox* limited = Add("EditLimit", 7, form);
        ui::CSkinWindowItemEditBox* free = Add("EditPlain", 8, form);
        Create();
        EXPECT_EQ(limited->GetLimit(), 3);
        EXPECT_EQ(::SendMessageA(limited->GetControl(), EM_GETLIMITTEXT, 0, 0), 3);

        // Without one the control keeps its own, as a control made without the item has it.
        HWND bare =
            form.m_bWide
                ? ::CreateWindowExW(0, form.m_bRich ? L"RichEdit20W" : L"EDIT", L"", WS_CHILD, 0, 0,
                                    10, 10, m_pWindow->GetHwnd(), nullptr, nullptr, nullptr)
                : ::CreateWindowExA(0, form.m_bRich ? "RichEdit20A" : "EDIT", "", WS_CHILD, 0, 0,
                                    10, 10, m_pWindow->GetHwnd(), nullptr, nullptr, nullptr);
        ASSERT_NE(bare, nullptr);
        EXPECT_EQ(::SendMessageA(free->GetControl(), EM_GETLIMITTEXT, 0, 0),
                  ::SendMessageA(bare, EM_GETLIMITTEXT, 0, 0));
        ::DestroyWindow(bare);
    }
}

// ---- typed characters ----

// A row of a filter's table. Each typed byte is posted as WM_CHAR (a double-byte character
// as its lead and trail byte, as an ANSI window receives it). Backspace and Enter are taken
// by rich controls from the key, not the character: those rows run on plain controls.
struct CharCase {
    const char* m_pszName;
    BoxSetup m_setup;
    std::string m_strTyped;
    std::string m_strExpected;   // the control's text (code page 932)
    bool m_bPlainOnly;
};

// One window of each form holds a box of each row, all on the block's place.
class EditBoxCharTest : public EditBoxTest {
protected:
    void RunCharTable(const char* block, const std::vector<CharCase>& cases)
    {
        for (const BoxForm& form : kForms) {
            Load();
            std::vector<std::pair<const CharCase*, ui::CSkinWindowItemEditBox*>> boxes;
            int32_t id = 100;
            for (const CharCase& one : cases) {
                if (one.m_bPlainOnly && form.m_bRich) continue;
                boxes.emplace_back(&one, Add(block, id++, form, one.m_setup));
            }
            Create();
            for (const auto& box : boxes) {
                SCOPED_TRACE(FormatString("%s, %s", form.m_pszName, box.first->m_pszName));
                PostBytes(box.second->GetControl(), box.first->m_strTyped);
                EXPECT_EQ(TextOf(box.second->GetControl()), box.first->m_strExpected);
            }
        }
    }
};

TEST_F(EditBoxCharTest, UpperCaseLettersAndDigits)
{
    const BoxSetup upper = [](ui::CSkinWindowItemEditBox& b) { b.SetUpperAlphaNumeric(true); };
    const std::vector<CharCase> cases = {
        {"letters become capitals", upper, "abc1", "ABC1", false},
        {"capitals and digits pass", upper, "Z09Az", "Z09AZ", false},
        {"a hyphen, a blank and a dot are refused", upper, "a-b .c", "ABC", false},
        {"Backspace passes", upper, "ab\b", "A", true},
        {"a Japanese character, lead and trail byte", upper, "a\x82\xA0" "b", "AB", false},
        {"a trail byte that is a letter", upper, "\x83\x41" "c", "C", false},
    };
    RunCharTable("EditPlain", cases);
}

TEST_F(EditBoxCharTest, SingleByteOnlyAndPassword)
{
    const BoxSetup single = [](ui::CSkinWindowItemEditBox& b) { b.SetSingleByteOnly(); };
    const BoxSetup password = [](ui::CSkinWindowItemEditBox& b) { b.SetPassword(); };
    const std::vector<CharCase> cases = {
        {"single-byte: letters and signs pass", single, "a-_1", "a-_1", false},
        {"single-byte: a Japanese character is refused", single, "a\x82\xA0" "b", "ab", false},
        {"single-byte: its trail byte never passes", single, "\x83\x41\x83\x5C" "x", "x", false},
        {"single-byte: half-width katakana is single-byte", single, "\xB1\xB2", "\xB1\xB2", false},
        {"password: a Japanese character is refused", password, "pw\x93\xFA" "d", "pwd", false},
        {"password: Esc and Tab are refused too", password, "p\x1B\tw", "pw", false},
    };
    RunCharTable("EditPlain", cases);
}

TEST_F(EditBoxCharTest, RefusedControlCharactersNumbersAndTheLimit)
{
    const BoxSetup none;
    const BoxSetup multi = [](ui::CSkinWindowItemEditBox& b) { b.SetMultiLine(true); };
    const BoxSetup numbers = [](ui::CSkinWindowItemEditBox& b) { b.SetNumberOnly(true); };
    const std::vector<CharCase> cases = {
        {"Esc and Tab", none, "a\x1B" "b\tc", "abc", false},
        {"Enter on one line", none, "a\rb", "ab", false},
        {"Enter in a multi-line box", multi, "a\rb", "a\r\nb", true},
        // The control's own ES_NUMBER; a rich control has none.
        {"numbers only", numbers, "1a2-3", "123", true},
    };
    RunCharTable("EditPlain", cases);
    const std::vector<CharCase> limited = {{"the skin's limit", none, "abcd", "abc", false}};
    RunCharTable("EditLimit", limited);
}

// A wide control subclassed by the item's ANSI procedure receives a wide character as its
// two code-page bytes, which the filter refuses both.
TEST_F(EditBoxTest, WideCharacterReachesTheFilterAsTwoBytes)
{
    for (const BoxForm& form : {kWidePlain, kWideRich}) {
        SCOPED_TRACE(form.m_pszName);
        ui::CSkinWindowItemEditBox* box =
            One("EditPlain", form, [](ui::CSkinWindowItemEditBox& b) { b.SetPassword(); });
        ::PostMessageW(box->GetControl(), WM_CHAR, L'日', 1);
        ::PostMessageW(box->GetControl(), WM_CHAR, L'x', 1);
        Pump();
        EXPECT_EQ(box->GetTextW(), L"x");
    }
}

TEST_F(EditBoxTest, EnterAndEscReachTheWindow)
{
    for (const BoxForm& form : kForms) {
        SCOPED_TRACE(form.m_pszName);
        Load();
        ui::CSkinWindowItemEditBox* box = Add("EditPlain", kId, form);
        ui::CSkinWindowItemEditBox *multi = Add(
            "EditMultiLine", 8, form, [](ui::CSkinWindowItemEditBox &b) { b.SetMultiLine(true); });
        Create();
        HWND control = box->GetControl();
        PressKey(control, VK_RETURN);
        PostBytes(control, "\r");
        PressKey(control, VK_ESCAPE);
        PostBytes(control, "\x1B");
        EXPECT_EQ(m_pWindow->Calls(), "DefaultKey 7 1|DefaultKey 7 0");
        EXPECT_EQ(TextOf(control), "");

        // A multi-line box takes the line break and still tells the window.
        PostBytes(multi->GetControl(), "a");
        PressKey(multi->GetControl(), VK_RETURN);
        PostBytes(multi->GetControl(), "\rb");
        EXPECT_EQ(m_pWindow->Calls(), "DefaultKey 8 1");
        EXPECT_EQ(TextOf(multi->GetControl()), "a\r\nb");
    }
}

// ---- keys ----

TEST_F(EditBoxTest, TabMovesAmongVisibleEnabledTabStopsWithWrap)
{
    for (const BoxForm& form : kForms) {
        SCOPED_TRACE(form.m_pszName);
        Load();
        ui::CSkinWindowItemEditBox* first = Add("EditSecond", 11, form);
        ui::CSkinWindowItemEditBox* hidden = Add("EditPlain", 12, form);
        ui::CSkinWindowItemEditBox* second = Add("EditThird", 13, form);
        ui::CSkinWindowItemEditBox* disabled = Add("EditFramed", 14, kRich);
        ui::CSkinWindowItemEditBox* third = Add("EditMultiLine", 15, form);
        hidden->SetVisible(false);
        disabled->SetEnable(false);
        Create();
        ASSERT_FALSE(::IsWindowEnabled(disabled->GetControl()));

        first->SetFocus();
        ASSERT_EQ(::GetFocus(), first->GetControl());
        const struct {
            bool m_bShift;
            ui::CSkinWindowItemEditBox* m_pTo;
        } steps[] = {{false, second}, {false, third}, {false, first}, {true, third},
                     {true, second}, {true, first}};
        for (const auto& step : steps) {
            CKeysHeld held(step.m_bShift ? std::vector<int>{VK_SHIFT} : std::vector<int>{});
            PressKey(::GetFocus(), VK_TAB);
            EXPECT_EQ(::GetFocus(), step.m_pTo->GetControl())
                << (step.m_bShift ? "Shift+Tab" : "Tab");
        }
        EXPECT_TRUE(first->HasFocus());
        EXPECT_FALSE(second->HasFocus());
        EXPECT_EQ(TextOf(first->GetControl()), "") << "no tab character";
        EXPECT_EQ(m_pWindow->Calls(), "");
    }
}

TEST_F(EditBoxTest, KeyTheWindowTakesGoesNoFurther)
{
    for (const bool taken : {false, true}) {
        SCOPED_TRACE(taken ? "taken" : "not taken");
        ui::CSkinWindowItemEditBox* box = One("EditPlain", kPlain);
        box->SetText("abc");
        ::SendMessageA(box->GetControl(), EM_SETSEL, 0, 0);
        m_pWindow->m_bFilterKeys = taken;
        m_pWindow->m_vKeyDown.clear();
        PressKey(box->GetControl(), VK_DELETE);
        EXPECT_EQ(TextOf(box->GetControl()), taken ? "abc" : "bc");
        EXPECT_EQ(m_pWindow->m_vKeyDown,
                  taken ? std::vector<UINT>{VK_DELETE} : std::vector<UINT>{});
    }
}

TEST_F(EditBoxTest, CtrlASelectsAll)
{
    const struct {
        const char* m_pszName;
        std::vector<int> m_vHeld;
        DWORD m_dwSelection;
    } cases[] = {
        {"Ctrl+A", {VK_CONTROL}, MAKELONG(0, 5)},
        {"A alone", {}, MAKELONG(2, 2)},
        // A rich control selects everything on Ctrl+Shift+A itself.
        {"Ctrl+Shift+A", {VK_CONTROL, VK_SHIFT}, MAKELONG(2, 2)},
    };
    for (const BoxForm& form : kForms) {
        ui::CSkinWindowItemEditBox* box = One("EditPlain", form);
        box->SetText("hello");
        for (const auto& one : cases) {
            if (form.m_bRich && one.m_vHeld.size() > 1) continue;
            SCOPED_TRACE(FormatString("%s, %s", form.m_pszName, one.m_pszName));
            HWND control = box->GetControl();
            // What the control calls everything (a rich control counts its closing mark).
            ::SendMessageA(control, EM_SETSEL, 0, -1);
            const LRESULT all = ::SendMessageA(control, EM_GETSEL, 0, 0);
            ::SendMessageA(control, EM_SETSEL, 2, 2);
            CKeysHeld held(one.m_vHeld);
            ::SendMessageA(control, WM_KEYDOWN, 'A', 1);
            EXPECT_EQ(::SendMessageA(control, EM_GETSEL, 0, 0),
                      one.m_dwSelection == MAKELONG(0, 5) ? all : one.m_dwSelection);
            EXPECT_EQ(TextOf(control), "hello");
        }
    }
}

TEST_F(EditBoxTest, ReadOnlyRefusesWhatWouldChangeTheText)
{
    const struct {
        const char* m_pszName;
        std::function<void(HWND)> m_fnDo;
        const char* m_pszChanged;   // the text when the box is not read-only
    } cases[] = {
        {"Delete", [](HWND c) { PressKey(c, VK_DELETE); }, "bc"},
        {"Backspace", [](HWND c) {
             ::SendMessageA(c, EM_SETSEL, 1, 1);
             PressKey(c, VK_BACK);
             PostBytes(c, "\b");
         }, "bc"},
        {"typing", [](HWND c) { PostBytes(c, "x"); }, "xabc"},
        {"paste", [](HWND c) { ::SendMessageA(c, WM_PASTE, 0, 0); }, "zzabc"},
        {"cut", [](HWND c) {
             ::SendMessageA(c, EM_SETSEL, 0, 1);
             ::SendMessageA(c, WM_CUT, 0, 0);
         }, "bc"},
        {"clear", [](HWND c) {
             ::SendMessageA(c, EM_SETSEL, 0, 1);
             ::SendMessageA(c, WM_CLEAR, 0, 0);
         }, "bc"},
    };
    for (const BoxForm& form : {kPlain, kRich}) {
        for (const bool readOnly : {false, true}) {
            ui::CSkinWindowItemEditBox* box = One("EditPlain", form);
            box->SetReadOnly(readOnly);
            for (const auto& one : cases) {
                SCOPED_TRACE(FormatString("%s, %s, %s", form.m_pszName,
                                          readOnly ? "read-only" : "writable", one.m_pszName));
                SetClipboardText("zz");
                box->SetText("abc");
                ::SendMessageA(box->GetControl(), EM_SETSEL, 0, 0);
                one.m_fnDo(box->GetControl());
                EXPECT_EQ(TextOf(box->GetControl()), readOnly ? "abc" : one.m_pszChanged);
            }
        }
    }
}


int s_nContextMenus = 0;

LRESULT CALLBACK CountContextMenus(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && reinterpret_cast<CWPSTRUCT*>(lParam)->message == WM_CONTEXTMENU) {
        ++s_nContextMenus;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK DismissMenu(HWND, UINT, UINT_PTR, DWORD)
{
    ::EndMenu();
}

// The right button of a read-only box opens no context menu (which would offer cut and
// paste) and shows the arrow; a writable box's control opens its own.
TEST_F(EditBoxTest, RightButtonOfReadOnlyBoxOpensNoMenu)
{
    HHOOK hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &CountContextMenus, nullptr,
                                     ::GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    // Dismisses a menu the control may open: its loop runs the thread's timers.
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &DismissMenu);
    for (const bool readOnly : {false, true}) {
        SCOPED_TRACE(readOnly ? "read-only" : "writable");
        ui::CSkinWindowItemEditBox* box = One("EditPlain", kPlain);
        box->SetText("abc");
        box->SetReadOnly(readOnly);
        s_nContextMenus = 0;
        ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
        HWND control = box->GetControl();
        ::SendMessageA(control, WM_RBUTTONDOWN, MK_RBUTTON, skintest::ClientPoint(5, 5));
        if (readOnly) {
            EXPECT_EQ(::GetCursor(), ::LoadCursorA(nullptr, IDC_ARROW));
        }
        ::SendMessageA(control, WM_RBUTTONUP, 0, skintest::ClientPoint(5, 5));
        ::SendMessageA(control, WM_RBUTTONDBLCLK, MK_RBUTTON, skintest::ClientPoint(5, 5));
        EXPECT_EQ(s_nContextMenus, readOnly ? 0 : 1);
        EXPECT_EQ(TextOf(control), "abc");
    }
    ::KillTimer(nullptr, timer);
    ::UnhookWindowsHookEx(hook);
}

// ---- input method ----

TEST_F(EditBoxTest, InputMethodPermissionBeforeAndAfterTheControl)
{
    for (const BoxForm& form : kForms) {
        SCOPED_TRACE(form.m_pszName);
        // Forbidden before the control exists: it has no context from its creation on.
        ui::CSkinWindowItemEditBox* box =
            One("EditPlain", form, [](ui::CSkinWindowItemEditBox& b) { b.EnableIme(false); });
        HWND control = box->GetControl();
        EXPECT_EQ(::ImmGetContext(control), nullptr);
        box->EnableIme(false);
        EXPECT_EQ(::ImmGetContext(control), nullptr) << "a second refusal changes nothing";
        box->EnableIme(true);
        HIMC context = ::ImmGetContext(control);
        EXPECT_NE(context, nullptr) << "the held context is given back";
        ::ImmReleaseContext(control, context);

        // Forbidden while it exists, and for a control made again.
        box->EnableIme(false);
        EXPECT_EQ(::ImmGetContext(control), nullptr);
        m_pWindow->DestroyWindow();
        Create();
        EXPECT_NE(box->GetControl(), control);
        EXPECT_EQ(::ImmGetContext(box->GetControl()), nullptr);
    }
}

TEST_F(EditBoxTest, InputMethodPresetOnFocus)
{
    const DWORD conversion = IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE;
    const DWORD sentence = IME_SMODE_PHRASEPREDICT;
    ui::CSkinWindowItemEditBox* box = One("EditPlain", kPlain, [&](ui::CSkinWindowItemEditBox& b) {
        b.SetImePreset(conversion, sentence);
    });
    HWND control = box->GetControl();
    HIMC context = ::ImmGetContext(control);
    ASSERT_NE(context, nullptr);
    ::ImmSetOpenStatus(context, FALSE);
    ::ImmSetConversionStatus(context, IME_CMODE_ALPHANUMERIC, IME_SMODE_NONE);
    box->SetFocus();
    EXPECT_TRUE(::ImmGetOpenStatus(context));
    DWORD gotConversion = 0;
    DWORD gotSentence = 0;
    ::ImmGetConversionStatus(context, &gotConversion, &gotSentence);
    EXPECT_EQ(gotConversion, conversion);
    EXPECT_EQ(gotSentence, sentence);
    ::ImmReleaseContext(control, context);
}

// A rich box checks its limit when the input method reports: reached, what the key down
// kept goes back into the control; without a limit the control's text stays.
TEST_F(EditBoxTest, RichBoxLimitAtInputMethodNotice)
{
    const struct {
        const char* m_pszBlock;
        const char* m_pszText;
        DWORD m_dwSelection;
    } cases[] = {
        {"EditPlain", "xy", MAKELONG(0, 0)},
        {"EditLimit", "abc", MAKELONG(3, 3)},
    };
    for (const BoxForm& form : {kRich, kWideRich}) {
        for (const auto& one : cases) {
            SCOPED_TRACE(FormatString("%s, %s", form.m_pszName, one.m_pszBlock));
            ui::CSkinWindowItemEditBox* box = One(one.m_pszBlock, form);
            box->SetText("abc");
            HWND control = box->GetControl();
            ::SendMessageA(control, EM_SETSEL, 0, 0);
            // The key that starts a composition keeps the text; its result then lands.
            ::SendMessageA(control, WM_KEYDOWN, VK_PROCESSKEY, 1);
            ::SetWindowTextA(control, "xy");
            ::SendMessageA(control, EM_SETSEL, 0, 0);
            ::SendMessageA(control, WM_IME_NOTIFY, IMN_SETCOMPOSITIONWINDOW, 0);
            EXPECT_EQ(TextOf(control), one.m_pszText);
            EXPECT_EQ(static_cast<DWORD>(::SendMessageA(control, EM_GETSEL, 0, 0)),
                      one.m_dwSelection);
        }
    }
}

// ---- text ----

TEST_F(EditBoxTest, TextKeptWhileTheControlIsGone)
{
    for (const BoxForm& form : kForms) {
        SCOPED_TRACE(form.m_pszName);
        Load();
        ui::CSkinWindowItemEditBox* box = Add("EditPlain", kId, form);
        box->SetText("前");
        EXPECT_EQ(box->GetText(), "前");
        EXPECT_EQ(box->GetControl(), nullptr);
        Create();
        EXPECT_EQ(TextOf(box->GetControl()), "前") << "the text set before the window";

        PostBytes(box->GetControl(), "ab");
        m_pWindow->DestroyWindow();
        EXPECT_EQ(box->GetControl(), nullptr);
        EXPECT_EQ(box->GetText(), "ab前");
        EXPECT_EQ(box->GetTextW(), L"ab前");
        box->SetText(std::wstring(L"後で"));
        Create();
        EXPECT_EQ(TextOf(box->GetControl()), "後で");
        EXPECT_EQ(box->GetText(), "後で");
    }
}

TEST_F(EditBoxTest, DroppedFileBecomesTheText)
{
    const struct {
        const char* m_pszName;
        bool m_bWideList;
        std::vector<char> m_list;
        const char* m_pszText;
    } cases[] = {
        {"a file", false, testsupport::Ansi(std::string("C:\\データ\\a.zip\0\0", 16)),
         "C:\\データ\\a.zip"},
        {"the first of two", false, testsupport::Ansi(std::string("C:\\a.zip\0D:\\b.txt\0\0", 19)),
         "C:\\a.zip"},
        {"a wide list", true, testsupport::Wide(std::wstring(L"D:\\日本\\b.txt\0\0", 14)),
         "D:\\日本\\b.txt"},
        {"no file", false, testsupport::Ansi(std::string("\0\0", 2)), "before"},
        // Longer than either form takes (520 wide characters, 260 bytes): never cut.
        {"a path too long", false,
         testsupport::Ansi("C:\\" + std::string(600, 'a') + std::string("\0\0", 2)), "before"},
    };
    for (const BoxForm& form : kForms) {
        ui::CSkinWindowItemEditBox* box = One("EditPlain", form);
        for (const auto& one : cases) {
            SCOPED_TRACE(FormatString("%s, %s", form.m_pszName, one.m_pszName));
            box->SetText("before");
            ::PostMessageA(box->GetControl(), WM_DROPFILES,
                           reinterpret_cast<WPARAM>(MakeDrop(one.m_bWideList, one.m_list)), 0);
            Pump();
            EXPECT_EQ(TextOf(box->GetControl()), one.m_pszText);
            EXPECT_EQ(box->GetText(), one.m_pszText);
        }
    }
}

// ---- look ----

TEST_F(EditBoxTest, FrameAndItsDisabledFrame)
{
    const COLORREF frame = RGB(0x30, 0x60, 0xA0);
    const COLORREF disabledFrame = RGB(0xA0, 0x60, 0x30);
    for (const BoxForm& form : kForms) {
        SCOPED_TRACE(form.m_pszName);
        Load();
        ui::CSkinWindowItemEditBox* framed = Add("EditFramed", 7, form);
        ui::CSkinWindowItemEditBox* frameOnly = Add("EditFrameOnly", 8, form);
        Create();
        const COLORREF ground = Pixel(16, 72);   // the frame's transparent corner
        EXPECT_NE(ground, frame);
        EXPECT_EQ(Pixel(17, 72), frame);
        EXPECT_EQ(Pixel(135, 103), frame);
        EXPECT_EQ(Pixel(40, 90), RGB(0xFF, 0xFF, 0xFF)) << "the centre, beneath the control";
        framed->SetEnable(false);
        frameOnly->SetEnable(false);
        EXPECT_EQ(Pixel(17, 72), disabledFrame);
        EXPECT_EQ(Pixel(16, 72), disabledFrame) << "the disabled frame has no transparent corner";
        EXPECT_EQ(Pixel(17, 112), frame) << "no disabled frame: the frame stays";
        EXPECT_EQ(Pixel(16, 112), ground);
        framed->SetEnable(true);
        EXPECT_EQ(Pixel(16, 72), ground);
    }
}

TEST_F(EditBoxTest, ControlFollowsTheItemsState)
{
    const struct {
        BoxForm m_form;
        bool m_bVisible;
        bool m_bEnabled;
        bool m_bControlVisible;
        bool m_bControlEnabled;
    } cases[] = {
        {kPlain, true, true, true, true},     {kPlain, true, false, false, true},
        {kPlain, false, true, false, true},   {kRich, true, false, true, false},
        {kRich, false, true, false, true},    {kWidePlain, true, false, false, true},
        {kWideRich, true, false, true, false},
    };
    for (const auto& one : cases) {
        SCOPED_TRACE(
            FormatString("%s %d %d", one.m_form.m_pszName, one.m_bVisible, one.m_bEnabled));
        ui::CSkinWindowItemEditBox* box = One("EditPlain", one.m_form);
        box->SetVisible(one.m_bVisible);
        box->SetEnable(one.m_bEnabled);
        HWND control = box->GetControl();
        EXPECT_EQ((StyleOf(control) & WS_VISIBLE) != 0, one.m_bControlVisible);
        EXPECT_EQ(::IsWindowEnabled(control) != FALSE, one.m_bControlEnabled);
        // The focus goes to a shown control only (and never to a disabled window).
        ::SetFocus(m_pWindow->GetHwnd());
        box->OnSetFocus();
        const bool focusable = one.m_bControlVisible && one.m_bControlEnabled;
        EXPECT_EQ(::GetFocus() == control, focusable);
        EXPECT_EQ(box->HasFocus(), focusable);
    }
    // A rich control is made read-only itself.
    ui::CSkinWindowItemEditBox* rich = One("EditPlain", kRich);
    rich->SetReadOnly(true);
    EXPECT_NE(StyleOf(rich->GetControl()) & ES_READONLY, 0u);
    rich->SetReadOnly(false);
    EXPECT_EQ(StyleOf(rich->GetControl()) & ES_READONLY, 0u);
}

// Pixels of the item's control rectangle in the back buffer that are not the ground.
struct InkCount {
    int m_nInk;
    COLORREF m_crDarkest;
};

InkCount CountInk(const lib::wfc::CDIB& buffer, const RECT& rect, COLORREF ground)
{
    InkCount count = {0, RGB(0xFF, 0xFF, 0xFF)};
    int darkest = 0x300;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            const COLORREF pixel = skintest::PixelAt(buffer, x, y);
            if (pixel == ground) continue;
            ++count.m_nInk;
            const int sum = GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel);
            if (sum < darkest) {
                darkest = sum;
                count.m_crDarkest = pixel;
            }
        }
    }
    return count;
}

// A plain box that is disabled draws its text itself, grey, in the framed centre (white);
// read-only it draws it black beneath the control; a password is drawn as "*", one for each
// character. Compared with the same box showing "***", whatever the font draws.
TEST_F(EditBoxTest, DrawnTextOfDisabledAndReadOnlyBoxes)
{
    const struct {
        const char* m_pszName;
        BoxForm m_form;
        bool m_bPassword;
        bool m_bReadOnly;
        const char* m_pszText;
        COLORREF m_crInk;
    } cases[] = {
        {"disabled", kPlain, false, false, "abc", RGB(0x80, 0x80, 0x80)},
        {"disabled password", kPlain, true, false, "a日c", RGB(0x80, 0x80, 0x80)},
        {"wide, disabled password", kWidePlain, true, false, "a日c", RGB(0x80, 0x80, 0x80)},
        {"read-only", kPlain, false, true, "abc", RGB(0, 0, 0)},
    };
    const RECT inside = {20, 76, 131, 98};   // the framed box's control rectangle, 1 pixel in
    for (const auto& one : cases) {
        SCOPED_TRACE(one.m_pszName);
        auto draw = [&](const char *text, bool password) {
            ui::CSkinWindowItemEditBox *box =
                One("EditFramed", one.m_form, [&](ui::CSkinWindowItemEditBox &b) {
                    if (password) b.SetPassword();
                });
            box->SetText(text);
            box->SetReadOnly(one.m_bReadOnly);
            box->SetEnable(one.m_bReadOnly);   // read-only boxes stay enabled
            m_pWindow->RedrawRect(0, 0, 320, 200, false);
            const lib::wfc::CDIB& buffer = *m_pWindow->GetBackBuffer();
            std::vector<COLORREF> pixels;
            for (int y = inside.top; y < inside.bottom; ++y) {
                for (int x = inside.left; x < inside.right; ++x)
                    pixels.push_back(skintest::PixelAt(buffer, x, y));
            }
            return std::make_pair(pixels, CountInk(buffer, inside, RGB(0xFF, 0xFF, 0xFF)));
        };
        const auto drawn = draw(one.m_pszText, one.m_bPassword);
        EXPECT_GT(drawn.second.m_nInk, 0) << "some text is drawn";
        EXPECT_EQ(drawn.second.m_crDarkest, one.m_crInk);
        if (one.m_bPassword) {
            EXPECT_TRUE(drawn.first == draw("***", false).first) << "drawn as three stars";
            EXPECT_FALSE(drawn.first == draw(one.m_pszText, false).first);
        }
    }
}

// SetPassword on an existing control: the filter and the drawn text follow at once, the
// control's own masking does not.
TEST_F(EditBoxTest, PasswordSetAfterTheControlExists)
{
    for (const BoxForm& form : {kPlain, kWidePlain}) {
        SCOPED_TRACE(form.m_pszName);
        ui::CSkinWindowItemEditBox* box = One("EditFramed", form);
        box->SetPassword();
        HWND control = box->GetControl();
        PostBytes(control, "p\x93\xFA" "w");
        EXPECT_EQ(TextOf(control), "pw");
        EXPECT_EQ(StyleOf(control) & ES_PASSWORD, 0u);
        EXPECT_EQ(::SendMessageA(control, EM_GETPASSWORDCHAR, 0, 0), 0);
        box->SetEnable(false);
        const lib::wfc::CDIB& buffer = *m_pWindow->GetBackBuffer();
        const RECT inside = {20, 76, 131, 98};
        const int ink = CountInk(buffer, inside, RGB(0xFF, 0xFF, 0xFF)).m_nInk;
        box->SetText("**");
        m_pWindow->RedrawRect(0, 0, 320, 200, false);
        EXPECT_EQ(CountInk(buffer, inside, RGB(0xFF, 0xFF, 0xFF)).m_nInk, ink)
            << "\"pw\" drawn as \"**\"";
    }
}

// ---- the attached scroll bar ----

class EditBoxScrollTest : public EditBoxTest {
protected:
    void Build(const BoxForm& form, int32_t visibleLines)
    {
        Load();
        m_pBox = Add("EditMultiLine", kId, form,
                     [](ui::CSkinWindowItemEditBox &b) { b.SetMultiLine(true); });
        m_pBar = m_pWindow->CreateScrollBar(8, ui::GetSkinBlock(m_definition, "EditBar"));
        m_pBox->AttachScrollBar(m_pBar, visibleLines);
        m_pWindow->m_pScrollTarget = m_pBox;
        Create();
    }
    int32_t First()
    {
        return static_cast<int32_t>(
            ::SendMessageA(m_pBox->GetControl(), EM_GETFIRSTVISIBLELINE, 0, 0));
    }
    int32_t MaxPos()
    {
        int32_t maxPos = 0;
        int32_t page = 0;
        m_pBar->GetRange(&maxPos, &page);
        return maxPos;
    }
    // A click on one of the bar's arrows, as the window hands it on.
    void ClickArrow(int32_t part)
    {
        const ui::SkinRect rect = m_pBar->GetPartRect(part);
        const int x = (rect.left + rect.right) / 2;
        const int y = (rect.top + rect.bottom) / 2;
        m_pBar->OnLButtonDown(x, y);
        m_pBar->OnLButtonUp(x, y);
    }

    ui::CSkinWindowItemEditBox* m_pBox = nullptr;
    ui::CSkinWindowItemScrollBar* m_pBar = nullptr;
};

std::string Lines(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) text += FormatString(i == 0 ? "%d" : "\r\n%d", i);
    return text;
}

TEST_F(EditBoxScrollTest, RangeFromTheLineCount)
{
    const struct {
        int m_nLines;
        int32_t m_nVisible;
        int32_t m_nMaxPos;
        int32_t m_nPage;
    } cases[] = {{1, 3, 0, 1}, {3, 2, 1, 2}, {20, 3, 17, 3}, {2, 5, 0, 5}};
    for (const BoxForm& form : kForms) {
        Build(form, 1);
        for (const auto& one : cases) {
            SCOPED_TRACE(FormatString("%s, %d lines, %d visible", form.m_pszName, one.m_nLines,
                                      one.m_nVisible));
            m_pBox->AttachScrollBar(m_pBar, one.m_nVisible);
            m_pBox->SetText(Lines(one.m_nLines));
            int32_t maxPos = -1;
            int32_t page = -1;
            m_pBar->GetRange(&maxPos, &page);
            EXPECT_EQ(maxPos, one.m_nMaxPos);
            EXPECT_EQ(page, one.m_nPage);
            // A wide rich control shows the end of a text set into it; the top, handed on.
            m_pBox->OnMessage(WM_VSCROLL, SB_TOP, 0);
            EXPECT_EQ(m_pBar->GetPos(), 0);
        }
    }
}

// The bar follows every way the text scrolls: its arrows (handed on to the control, which
// scrolls itself), its thumb, the wheel (the control's own handling scrolls further), the
// caret moved by the arrow keys, and the control's own bar's notice; its up arrow then
// scrolls the text back to the top.
TEST_F(EditBoxScrollTest, BarFollowsTheControlsScrolling)
{
    for (const BoxForm& form : kForms) {
        SCOPED_TRACE(form.m_pszName);
        Build(form, 3);
        m_pBox->SetText(Lines(40));
        HWND control = m_pBox->GetControl();
        ASSERT_EQ(MaxPos(), 37);
        m_pBox->OnMessage(WM_VSCROLL, SB_TOP, 0);
        ASSERT_EQ(First(), 0);
        ASSERT_EQ(m_pBar->GetPos(), 0);

        ClickArrow(ui::SCROLL_PART_DOWN);
        ClickArrow(ui::SCROLL_PART_DOWN);
        EXPECT_EQ(First(), 2);
        EXPECT_EQ(m_pBar->GetPos(), 2) << "down arrow";

        ::SendMessageA(m_pWindow->GetHwnd(), WM_VSCROLL, SB_THUMBPOSITION, 20);
        // Wine's wide rich control scrolls by the height of its default format's lines,
        // which the format applied to its text makes smaller.
        if (form.m_bRich && form.m_bWide) {
            EXPECT_GE(First(), 20);
        } else {
            EXPECT_EQ(First(), 20);
        }
        EXPECT_EQ(m_pBar->GetPos(), First()) << "thumb";

        ::PostMessageA(control, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
        Pump();
        EXPECT_GT(First(), 21) << "the control's own wheel handling scrolls on";
        EXPECT_EQ(m_pBar->GetPos(), First()) << "wheel down";
        ::PostMessageA(control, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
        Pump();
        EXPECT_EQ(m_pBar->GetPos(), First()) << "wheel up";

        // The caret at the top line, then moved down past the last visible line.
        ::SendMessageA(control, EM_SETSEL, 0, 0);
        ::SendMessageA(control, EM_SCROLLCARET, 0, 0);
        PressKey(control, VK_UP);
        EXPECT_EQ(m_pBar->GetPos(), First()) << "caret at the top";
        for (int i = 0; i < 8; ++i) PressKey(control, VK_DOWN);
        EXPECT_GT(First(), 0);
        EXPECT_EQ(m_pBar->GetPos(), First()) << "arrow keys";

        // The control's own line scrolling, told by its notice handed on by a parent.
        ::SendMessageA(control, EM_LINESCROLL, 0, 3);
        ::SendMessageA(control, WM_COMMAND, MAKEWPARAM(kId, EN_VSCROLL),
                       reinterpret_cast<LPARAM>(control));
        EXPECT_EQ(m_pBar->GetPos(), First()) << "the control's notice";

        for (int i = 0; i < 60 && m_pBar->GetPos() > 0; ++i) ClickArrow(ui::SCROLL_PART_UP);
        EXPECT_EQ(m_pBar->GetPos(), 0);
        EXPECT_EQ(First(), 0) << "the up arrow scrolls back to the top";
    }
}

}  // namespace
