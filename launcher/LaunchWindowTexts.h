#pragma once
// The texts the main window shows itself (the others come from the message catalogue), and
// their message box styles.

#include <windows.h>

namespace ui {
namespace LaunchWindowText {

// A notice, and a question answered Yes or No.
const UINT kTextStyle = 0x70;
const UINT kQuestionStyle = MB_YESNO | MB_ICONINFORMATION;

const char kInsertDisk[] = "ケストラムインストールディスクを挿入してください。";
const char kReinstall[] =
    "ランチャーに問題がある可能性があります。\r\n"
    "ケストラムを再インストール後、パソコンを再起動してください。";
const char kStartFailed[] =
    "アプリケーションを起動できませんでした。\r\n"
    "データが破損している可能性があります。ケストラムを再起動してください。\r\n"
    "症状が改善しない場合は、ケストラムを再インストールしてください。";
const char kNeedRegistration[] =
    "本機能を利用するにはナビゲーション情報の登録が必要です。\r\n"
    "ナビゲーションでSDカード登録を行ってから、お客様登録を行ってください。";
const char kAdministrator[] =
    "ケストラムが管理者権限で実行されているため、ドロップウィンドウを使用できません。\r\n"
    "ケストラムを再起動してください。\r\n"
    "再起動しても解決しない場合はWindowsの特権レベル設定を見直してください。";
const char kSafeRemoval[] = "SDカードを安全に取り外します。\r\nよろしいですか？";
const char kNewNaviSD[] =
    "新しいナビゲーション情報の入ったSDカードを認識しました。\r\n"
    "ナビゲーション情報の登録を行います。よろしいですか？";
const char kCardLocked[] =
    "挿入されているSDカードはロックされています。\r\nSDカードを確認してください。";
const char kProbeOtherModel[] =
    "本ケストラムで対応していない蓄積型プローブ情報はアップロードできませんでした。";
// The user's name is put in place of the "%s" (by text, never as a format).
const char kProbeNotRegistered[] =
    "下記ニックネームのヴェロセット利用登録が行われていないため、蓄積型プロー\r\n"
    "ブ情報をヴェロセット専用サーバーに送信できませんでした。\r\n"
    "ヴェロセット利用登録を行いますか？\r\n\r\nニックネーム：%s";
const char kProbeExpired[] =
    "下記ニックネームのヴェロセットのご利用登録期間が終了しているため、蓄積型\r\n"
    "プローブ情報をヴェロセット専用サーバーに送信できませんでした。\r\n"
    "再度ヴェロセット利用登録を行いますか？\r\n\r\nニックネーム：%s";
const char kEjected[] = "SDカードの取り外しが可能な状態になりました。";
const char kEjectBusy[] =
    "他の機能を使用中のため取り外しできません。\r\n関連するウィンドウを閉じてから操作してください。";
const char kEjectFailed[] =
    "SDカードの取り外しができませんでした。\r\n他のアプリケーションで使用されていないかなど\r\n"
    "SDカードの状態をご確認ください。";
const char kUnsupportedCard[] =
    "サポートされていないSDカードです。\r\nナビゲーションでの更新がご利用頂けません。\r\n"
    "SDまたはSDHC規格に対応したメモリーカードをご使用ください。";

} // namespace LaunchWindowText
} // namespace ui
