// What the user must see, written out in full and independently of the
// updater's own message table, so that a one-byte change there fails a test.
#pragma once

#include "bench/bench.h"

namespace expected {

#define EXPECTED_TITLE "Calvento-カルベント- 森と湖と旅路と約束と"

inline const char kNotInstalledText[] =
    EXPECTED_TITLE " が正常にインストールされていません\nインストール後、実行してください";

inline const bench::Box kNotInstalled1 = {"エラー No.1", kNotInstalledText, "OK", box_icon::NONE};
inline const bench::Box kNotInstalled2 = {"エラー No.2", kNotInstalledText, "OK", box_icon::NONE};
inline const bench::Box kNotInstalled3 = {"エラー No.3", kNotInstalledText, "OK", box_icon::NONE};
inline const bench::Box kGameRunning = {"エラー", EXPECTED_TITLE " が起動中です。\n一旦終了させてください。", "OK", box_icon::NONE};
inline const bench::Box kPackageBroken = {
    "エラー",
    "アップデートファイル自体のデータが揃っていないか、または破損しています。\n"
    "お手数をおかけいたしますがもう一度ダウンロードし直してみてください。",
    "OK", box_icon::NONE};
inline const bench::Box kConfirmBase = {
    EXPECTED_TITLE " アップデート",
    EXPECTED_TITLE " アップデート ver1.02 の\r\n適用をおこないます。\r\n"
                   "ゲームを起動している場合は、一旦ゲームを終了させておいてください。\r\n\r\n"
                   "※ご注意※\n以前のセーブデータおよびクリア情報等は互換性がないため、\r\n"
                   "このアップデート適用時に自動的に削除されます。ご了承くださいませ。",
    "YES|NO", box_icon::INFORMATION};
inline const bench::Box kConfirmUpdate = {
    EXPECTED_TITLE " アップデート",
    EXPECTED_TITLE " アップデート ver1.02 の\r\n適用をおこないます。\r\n"
                   "ゲームを起動している場合は、一旦ゲームを終了させておいてください。\r\n\r\n"
                   "セーブデータは引き続きそのままお使い頂けます。",
    "YES|NO", box_icon::INFORMATION};
inline const bench::Box kConfirmStart = {
    EXPECTED_TITLE " アップデート",
    "アップデート処理を開始します。よろしいですか？\r\n\r\n"
    "アップデート処理には数秒程かかりますので\r\n完了メッセージが表示されるまで、そのままでお待ちください。",
    "YES|NO", box_icon::INFORMATION};
inline const bench::Box kCancelled = {"中断", "アップデート処理をキャンセルしました。", "OK", box_icon::NONE};
inline const bench::Box kSuccess = {
    "完了", "アップデート成功しました。ショートカットまたはスタートメニューからゲームを起動してください。", "OK",
    box_icon::NONE};
inline const bench::Box kCopyFailed = {
    "失敗", "一部ファイルがコピー出来ませんでした。\n\n読み取り専用属性になっている可能性があります。", "OK", box_icon::NONE};

#undef EXPECTED_TITLE

} // namespace expected
