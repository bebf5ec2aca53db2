#include "launcher/InitializationWindow.h"

#include "carddata/PcLinkFile.h"
#include "carddata/SDInfoMgr.h"
#include "launcher/UserMessage.h"
#include "lib/DbcsText.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"
#include "online/ConnectionFile.h"
#include "online/WebBrowseHelper.h"
#include "skin/SkinException.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemEditBox.h"
#include "skin/SkinWindowItemResizableStaticImage.h"
#include "skin/SkinWindowItemStatic.h"
#include "skin/SkinWindowItemStaticChangeImage.h"
#include "skin/SkinWindowItemStaticImage.h"

#include <exception>
#include <initializer_list>

namespace ui {

namespace InitializationWindowKey {
namespace {
uint16_t g_nKeyId = 1000;
}
const SkinItemKey kApplicationIcon("ApplicationIcon", g_nKeyId);
const SkinItemKey kBase("Base", g_nKeyId);
const SkinItemKey kBackImage("BackImage", g_nKeyId);
const SkinItemKey kTitleKestrumImg("TitleKestrumImg", g_nKeyId);
const SkinItemKey kNextButton("NextButton", g_nKeyId);
const SkinItemKey kFinishButton("FinishButton", g_nKeyId);
const SkinItemKey kCloseButton("CloseButton", g_nKeyId);
const SkinItemKey kCancelButton("CancelButton", g_nKeyId);
const SkinItemKey kPreButton("PreButton", g_nKeyId);
const SkinItemKey kConfirmButton("ConfirmButton", g_nKeyId);
const SkinItemKey kLoginButton("LoginButton", g_nKeyId);
const SkinItemKey kNickNameTextStatic("NickNameTextStatic", g_nKeyId);
const SkinItemKey kPasswordTextStatic("PasswordTextStatic", g_nKeyId);
const SkinItemKey kNickNameEdit("NickNameEdit", g_nKeyId);
const SkinItemKey kPasswordEdit("PasswordEdit", g_nKeyId);
const SkinItemKey kSecondStaticChangeImage("SecondStaticChangeImage", g_nKeyId);
const SkinItemKey kThirdStaticChangeImage("ThirdStaticChangeImage", g_nKeyId);
const SkinItemKey kFourthStaticChangeImage("FourthStaticChangeImage", g_nKeyId);
const SkinItemKey kRegistUserTextStatic("RegistUserTextStatic", g_nKeyId);
const SkinItemKey kFrameOverlay("FrameOverlay", g_nKeyId);
const SkinItemKey kHalvornImg("HalvornImg", g_nKeyId);
const SkinItemKey kSardelloImg("SardelloImg", g_nKeyId);
const SkinItemKey kNotifyFrameText[kNotifyLineCount] = {
    {"NotifyFrameText1", g_nKeyId}, {"NotifyFrameText2", g_nKeyId},
    {"NotifyFrameText3", g_nKeyId}, {"NotifyFrameText4", g_nKeyId},
    {"NotifyFrameText5", g_nKeyId}, {"NotifyFrameText6", g_nKeyId},
    {"NotifyFrameText7", g_nKeyId}, {"NotifyFrameText8", g_nKeyId}};
} // namespace InitializationWindowKey

namespace {

using namespace InitializationWindowKey;

const char* const kSkinName = "InitializationWindow.txt";
const char* const kWindowTitle = "お客様登録";
const DWORD kWindowStyle = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;

// Each page's title, then its eight lines.
const int32_t kPageTextCount = 1 + kNotifyLineCount;
const char* const kPage0Texts[kPageTextCount] = {
    "お客様登録",
    "ケストラムの全ての機能をご使用になるには、",
    "お客様登録（無料）とナビゲーション情報の登録が必要です。",
    " ■事前にご準備いただくもの",
    "  １．お客様登録時に取得したニックネーム／パスワード",
    "  ２．ナビゲーションに登録済のSDカード",
    "",
    "※ニックネーム／パスワードをお持ちでないお客様は、まず",
    "［お客様登録／確認］から、お客様登録を行なってください。",
};
const char* const kPage1Texts[kPageTextCount] = {
    "お客様情報認証",
    "お客様登録時に取得したニックネーム／パスワードを入力し、",
    "［認証］を押してください。",
    "",
    "※ニックネーム／パスワードをお忘れの方は",
    " 前の画面に戻り［お客様登録／確認］ボタンから確認すること",
    " ができます。",
    "",
    "",
};
// Page 2 when the check used the unit's card, and when it did not.
const char* const kPage2CardTexts[kPageTextCount] = {
    "登録完了",
    "お客様情報とご使用のナビゲーション情報の登録が完了しました。",
    "以降、ケストラムの全ての機能をご利用いただけます。",
    "",
    "※複数のナビゲーションで使用する場合は、ナビゲーション本体毎",
    " のお客様登録が必要です。また、パソコンの異なるアカウントで",
    " 使用される場合は再登録が必要です。",
    "",
    "",
};
const char* const kPage2NoCardTexts[kPageTextCount] = {
    "登録は完了していません",
    "登録を完了するには、ナビゲーションに登録済のSDカードが必要で",
    "す。登録を完了しないと、vizuvavaなどの一部の機能が使",
    "用できません。",
    "",
    "ナビゲーションに登録済のSDカードを選択し、再度お試しください。",
    "登録方法の詳細は、ナビゲーション本体に付属の取扱説明書をご",
    "覧ください。",
    "",
};

const char kNoNickNameMessage[] = "ニックネームが未入力です。";
const char kNoPasswordMessage[] = "パスワードが未入力です。";
const char kWrongInputMessage[] =
    "入力されたニックネーム、または、パスワードが間違っています。\r\n"
    "お確かめの上、再度お試しください。";

// Nicknames and passwords have at least this many characters.
const size_t kMinimumEntryLength = 4;

// The message category of a failed check: with the unit's card (the log-in) and without it
// (the registration state).
const uint32_t kCardCheckCategory = 0x23000000;
const uint32_t kNoCardCheckCategory = 0x22000000;

// The single-line format of the page's lines and title, which lets them draw antialiased.
const UINT kLineFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE;

bool IsEntryCharacter(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
           c == '-' || c == '_';
}

size_t CharacterCount(const std::string& text)
{
    size_t count = 0;
    for (size_t at = 0; at < text.size(); ++count) {
        at += lib::DbcsCharSizeN(text.c_str() + at, text.size() - at);
    }
    return count;
}

} // namespace

CInitializationWindow::CInitializationWindow(HWND owner)
    : Base(&kFrameOverlay, nullptr, TOOL_SYSCOMMANDS_CLOSE_MOVE_MINIMIZE),
      m_pNextButton(nullptr),
      m_pFinishButton(nullptr),
      m_pCancelButton(nullptr),
      m_pPreButton(nullptr),
      m_pConfirmButton(nullptr),
      m_pLoginButton(nullptr),
      m_pRegistUserTextStatic(nullptr),
      m_pNickNameTextStatic(nullptr),
      m_pPasswordTextStatic(nullptr),
      m_pSecondStaticChangeImage(nullptr),
      m_pThirdStaticChangeImage(nullptr),
      m_pFourthStaticChangeImage(nullptr),
      m_pNickNameEdit(nullptr),
      m_pPasswordEdit(nullptr),
      m_pNotifyFrameText{},
      m_iPage(0),
      m_hOwnerWnd(owner),
      m_bRegistered(false),
      m_bSkinLoaded(false)
{
    SetResizable(false);
}

CInitializationWindow::~CInitializationWindow()
{
    // The window goes while the object can still answer its last messages; the check (if
    // one still runs) is waited for by the log-in service's own destructor.
    if (IsWindow()) DestroyWindow();
}

bool CInitializationWindow::Create()
{
    try {
        LoadWindowSkin();
        const SkinSize size = GetDesignSize();
        Base::Create(0, nullptr, kWindowTitle, kWindowStyle, 0, 0, size.cx, size.cy,
                     m_hOwnerWnd, nullptr);
    } catch (const std::exception& error) {
        TOLVE_LOG(LOG_ERROR, "CInitializationWindow::Create failed: %s", error.what());
        return false;
    }
    CSkinWindow::CenterWindow(GetHwnd(), nullptr);
    return true;
}

void CInitializationWindow::LoadWindowSkin()
{
    if (m_bSkinLoaded) return;
    _LoadSkin();
    m_bSkinLoaded = true;
}

void CInitializationWindow::_LoadSkin()
{
    SkinDefinition definition;
    LoadSkin(definition, kSkinName, kBase.m_strName.c_str(), true);

    AddResizableStaticImage(definition, kBackImage);
    AddStaticImage(definition, kApplicationIcon);
    AddStaticImage(definition, kTitleKestrumImg);
    AddStaticImage(definition, kHalvornImg);
    AddStaticImage(definition, kSardelloImg);
    m_pSecondStaticChangeImage = AddStaticChangeImage(definition, kSecondStaticChangeImage);
    m_pThirdStaticChangeImage = AddStaticChangeImage(definition, kThirdStaticChangeImage);
    m_pFourthStaticChangeImage = AddStaticChangeImage(definition, kFourthStaticChangeImage);
    m_pRegistUserTextStatic = AddStatic(definition, kRegistUserTextStatic);
    m_pRegistUserTextStatic->SetFormat(kLineFormat);
    for (int32_t i = 0; i < kNotifyLineCount; ++i) {
        m_pNotifyFrameText[i] = AddStatic(definition, kNotifyFrameText[i]);
        m_pNotifyFrameText[i]->SetFormat(kLineFormat);
    }
    m_pNickNameTextStatic = AddStatic(definition, kNickNameTextStatic);
    m_pPasswordTextStatic = AddStatic(definition, kPasswordTextStatic);
    m_pNickNameTextStatic->SetFormat(kLineFormat);
    m_pPasswordTextStatic->SetFormat(kLineFormat);
    m_pNickNameEdit = AddEditBox(definition, kNickNameEdit);
    m_pNickNameEdit->SetSingleByteOnly();
    m_pPasswordEdit = AddEditBox(definition, kPasswordEdit);
    m_pPasswordEdit->SetPassword();

    m_pLoginButton = AddButton(definition, kLoginButton, CAPTION_ROLE_NONE);
    m_pPreButton = AddButton(definition, kPreButton, CAPTION_ROLE_NONE);
    m_pNextButton = AddButton(definition, kNextButton, CAPTION_ROLE_NONE);
    m_pConfirmButton = AddButton(definition, kConfirmButton, CAPTION_ROLE_NONE);
    m_pCancelButton = AddButton(definition, kCancelButton, CAPTION_ROLE_NONE);
    m_pFinishButton = AddButton(definition, kFinishButton, CAPTION_ROLE_NONE);
    AddButton(definition, kCloseButton, CAPTION_ROLE_CLOSE);
    CreateFrameOverlay(definition);

    // Page 0 as it first shows.
    for (CSkinWindowItem* item :
         std::initializer_list<CSkinWindowItem*>{m_pPreButton, m_pConfirmButton, m_pFinishButton,
                                                 m_pNickNameTextStatic, m_pPasswordTextStatic,
                                                 m_pNickNameEdit, m_pPasswordEdit}) {
        item->SetVisible(false);
    }
    // Nicknames and passwords are single-byte text: no input method.
    m_pNickNameEdit->EnableIme(false);
    m_pPasswordEdit->EnableIme(false);
    m_pSecondStaticChangeImage->SetFinish(true);
    _SetPageTexts(kPage0Texts);
}

// ---- pages ----

void CInitializationWindow::_SwitchPage(int32_t page)
{
    const int32_t from = m_iPage;
    m_iPage = page;
    if (from == 0) {
        m_pLoginButton->SetVisible(false);
        m_pNextButton->SetVisible(false);
    }
    if (from == 1) {
        if (page == 0) m_pThirdStaticChangeImage->SetFinish(false);
        m_pNickNameEdit->SetVisible(false);
        m_pPasswordEdit->SetVisible(false);
        m_pPreButton->SetVisible(false);
        m_pConfirmButton->SetVisible(false);
        m_pNextButton->SetVisible(false);
        m_pNickNameTextStatic->SetVisible(false);
        m_pPasswordTextStatic->SetVisible(false);
    }
    switch (page) {
    case 0:
        _SetPageTexts(kPage0Texts);
        m_pLoginButton->SetVisible(true);
        m_pNextButton->SetVisible(true);
        break;
    case 1:
        _SetPageTexts(kPage1Texts);
        m_pNickNameEdit->SetVisible(true);
        m_pPasswordEdit->SetVisible(true);
        m_pNickNameEdit->SetEnable(true);
        m_pPasswordEdit->SetEnable(true);
        m_pNickNameTextStatic->SetVisible(true);
        m_pPasswordTextStatic->SetVisible(true);
        m_pPreButton->SetVisible(true);
        m_pConfirmButton->SetVisible(true);
        m_pThirdStaticChangeImage->SetFinish(true);
        break;
    case 2:
        _SetPageTexts(IsCardChecked() ? kPage2CardTexts : kPage2NoCardTexts);
        m_pCancelButton->SetVisible(false);
        m_pFinishButton->SetVisible(true);
        m_pFourthStaticChangeImage->SetFinish(true);
        break;
    default:
        break;
    }
}

void CInitializationWindow::_SetPageTexts(const char* const* texts)
{
    m_pRegistUserTextStatic->SetText(texts[0]);
    for (int32_t i = 0; i < kNotifyLineCount; ++i) m_pNotifyFrameText[i]->SetText(texts[1 + i]);
}

// ---- confirmation and the check's result ----

void CInitializationWindow::OnConfirm()
{
    m_strNickName = _ReadEdit(m_pNickNameEdit);
    if (!_CheckEntry(m_strNickName, m_pNickNameEdit, kNoNickNameMessage)) return;
    m_strPassword = _ReadEdit(m_pPasswordEdit);
    if (!_CheckEntry(m_strPassword, m_pPasswordEdit, kNoPasswordMessage)) return;

    // Without a worker no result would ever come to give the fields back.
    if (!m_oLoginAdmin.LogIn(GetHwnd(), m_strNickName.c_str(), m_strPassword.c_str())) return;
    _EnableEntry(false);
}

std::string CInitializationWindow::_ReadEdit(CSkinWindowItemEditBox* edit)
{
    std::string text = edit->GetText();
    // A blank is never a trail byte in code page 932, so bytes can be dropped from the end.
    const size_t end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

bool CInitializationWindow::_CheckEntry(const std::string& text, CSkinWindowItemEditBox* edit,
                                        const char* emptyMessage)
{
    if (text.empty()) {
        _ShowWarning(emptyMessage);
        edit->SetFocus();
        return false;
    }
    if (CharacterCount(text) < kMinimumEntryLength) {
        _ShowWarning(kWrongInputMessage);
        edit->SetFocus();
        return false;
    }
    for (char c : text) {
        if (IsEntryCharacter(c)) continue;
        _ShowWarning(kWrongInputMessage);
        edit->SetText("");
        edit->SetFocus();
        return false;
    }
    return true;
}

void CInitializationWindow::_ShowWarning(const std::string& text)
{
    ShowMessageBox(GetHwnd(), text, kWarningStyle);
}

void CInitializationWindow::_EnableEntry(bool enable)
{
    m_pNickNameEdit->SetEnable(enable);
    m_pPasswordEdit->SetEnable(enable);
    m_pPreButton->SetEnable(enable);
    m_pConfirmButton->SetEnable(enable);
}

void CInitializationWindow::_OnLoginResult(uint32_t result)
{
    m_oLoginAdmin.SafeCloseHandle();
    if (result == 0) {
        m_bRegistered = true;
        _SwitchPage(m_iPage + 1);
        return;
    }
    const uint32_t code =
        result | (IsCardChecked() ? kCardCheckCategory : kNoCardCheckCategory);
    uint32_t style = 0;
    const std::string text = GetUserMessage(code, style, 0);
    if (!text.empty()) ShowMessageBox(GetHwnd(), text, style);
    m_pNickNameEdit->SetText("");
    m_pPasswordEdit->SetText("");
    _EnableEntry(true);
    m_pNickNameEdit->SetFocus();
}

// ---- the registration page ----

std::string CInitializationWindow::RegistrationDevicePart(uint16_t shortValue, uint32_t value)
{
    const uint32_t version = value & 0xFFFFFF;
    const std::string userAgent =
        lib::FormatString("%02X%s/%X.%06X", shortValue & 0xFF, "FerroxPA", value >> 24, version);
    std::string encoded = URLEncode(userAgent.c_str());
    // The service reads only the first digit after the slash (a top byte of 0x10 or more
    // loses its second one), then the version as it is, unencoded.
    const size_t slash = encoded.find("%2F");
    if (slash != std::string::npos && slash + 3 < encoded.size()) encoded.erase(slash + 4);
    return encoded + lib::FormatString(".%06X", version);
}

void CInitializationWindow::OnLogin()
{
    std::string url = CConnectionFile::GetInstance().GetURLWithQuery(kRegistrationPageRequest);
    // No page to open: the device part alone would be no address.
    if (url.empty()) {
        TOLVE_LOG(LOG_ERROR, "CInitializationWindow::OnLogin no URL of request %u",
                  kRegistrationPageRequest);
        return;
    }
    CSDInfoMgr drives;
    const char drive = drives.GetSelectedDrive();
    if (drive != 0 && drives.IsUnitCardDrive(drive)) {
        CPcLinkFile link(0, drive);
        if (link.IsReadOk() && link.IsValid()) {
            url += RegistrationDevicePart(link.GetRecordShort(PCLINK_RECORD_UNIT_INFO),
                                          link.GetRecordValue(PCLINK_RECORD_UNIT_INFO));
        }
    }
    OpenWebBrowser(url.c_str());
}

// ---- window ----

UINT CInitializationWindow::GetOverlayMessage() { return kWindowOverlayMessage; }

LRESULT CInitializationWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LOGINADMIN_RESULT) {
        _OnLoginResult(static_cast<uint32_t>(lParam));
        return 0;
    }
    return Base::WindowProc(message, wParam, lParam);
}

void CInitializationWindow::OnCommand(UINT id, UINT code, HWND control)
{
    static const Command kCommands[] = {
        {&kNextButton, &CInitializationWindow::_OnNext},
        {&kPreButton, &CInitializationWindow::_OnPrevious},
        {&kCloseButton, &CInitializationWindow::_OnFinish},
        {&kFinishButton, &CInitializationWindow::_OnFinish},
        {&kCancelButton, &CInitializationWindow::_OnCancel},
        {&kConfirmButton, &CInitializationWindow::OnConfirm},
        {&kLoginButton, &CInitializationWindow::OnLogin},
    };
    if (!RunCommand(kCommands, id)) Base::OnCommand(id, code, control);
}

void CInitializationWindow::_OnNext() { _SwitchPage(m_iPage + 1); }

void CInitializationWindow::_OnPrevious() { _SwitchPage(m_iPage - 1); }

void CInitializationWindow::_OnFinish()
{
    PostClose();
    // The owner reloads its user list.
    if (m_bRegistered) ::PostMessageA(m_hOwnerWnd, WM_LOGINADMIN_RESULT, 0, 0);
    ::PostMessageA(m_hOwnerWnd, kChildClosedMessage, kChildCode, 0);
}

void CInitializationWindow::_OnCancel()
{
    PostClose();
    ::PostMessageA(m_hOwnerWnd, kChildClosedMessage, kChildCode, 0);
}

void CInitializationWindow::OnClose()
{
    m_oLoginAdmin.AbortProc(INFINITE);
    Base::OnClose();
}

void CInitializationWindow::OnDestroy()
{
    if (m_hOwnerWnd != nullptr) {
        ::SetForegroundWindow(m_hOwnerWnd);
        ::SetActiveWindow(m_hOwnerWnd);
        ::PostMessageA(m_hOwnerWnd, kChildClosedMessage, kChildCode, 0);
    }
    Base::OnDestroy();
}

void CInitializationWindow::OnEndSession(bool ending, LPARAM lParam)
{
    if (ending) PostMessage(WM_CLOSE, 0, 0);
    Base::OnEndSession(ending, lParam);
}

void CInitializationWindow::OnMouseMove(UINT keys, int x, int y)
{
    if ((keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != 0) return;
    Base::OnMouseMove(keys, x, y);
}

} // namespace ui
