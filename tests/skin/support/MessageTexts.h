#pragma once
// Japanese message texts of one, three, four and six lines (CR LF between lines), as the
// launcher's messages read, for the message box tests and its gallery page; and a paragraph
// of one line that the box has to wrap.

namespace skintest {

const char kOneLineText[] = "SDカードを取り出しました。";
const char kThreeLineText[] =
    "サポートされていないSDカードです。\r\nナビゲーションでの更新がご利用頂けません。\r\n"
    "SDまたはSDHC規格に対応したメモリーカードをご使用ください。";
const char kFourLineText[] =
    "ダウンロードに失敗しました。\r\n通信環境をご確認ください。\r\n"
    "しばらくしてから、もう一度お試しください。\r\n(E0x00FF0123)";
const char kSixLineText[] =
    "カード内のデータを削除します。\r\n削除したデータは元に戻せません。\r\n"
    "ナビゲーションの地図データは削除されません。\r\n"
    "カメラユニットの録画データも削除しますか？\r\n"
    "［はい］録画データも削除します。\r\n［いいえ］録画データは残します。";
const char kParagraphText[] =
    "サーバーに接続できませんでした。インターネットに接続されていることを確認してから、"
    "しばらくしてもう一度お試しください。問題が続く場合は、ログをサポートへ送信してください。";

} // namespace skintest
