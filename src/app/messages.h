// Every text and caption the updater shows, exact to the byte once the compiler
// has turned them into code page 932. Some break lines with "\n" alone, others
// with "\r\n"; MSG_CONFIRM_BASE uses both, and that is intended.
#pragma once

#define GAME_TITLE "Calvento-カルベント- 森と湖と旅路と約束と"
#define UPDATE_VERSION "1.02"

// Argument: GAME_TITLE. Caption: CAPTION_NOT_INSTALLED_1, _2 or _3 by stage.
#define MSG_NOT_INSTALLED "%s が正常にインストールされていません\nインストール後、実行してください"
// Argument: GAME_TITLE.
#define MSG_GAME_RUNNING "%s が起動中です。\n一旦終了させてください。"
#define MSG_PACKAGE_BROKEN                                                              \
    "アップデートファイル自体のデータが揃っていないか、または破損しています。\n" \
    "お手数をおかけいたしますがもう一度ダウンロードし直してみてください。"
// Arguments: GAME_TITLE, UPDATE_VERSION.
#define MSG_CONFIRM_BASE                                                    \
    "%s アップデート ver%s の\r\n適用をおこないます。\r\n"                  \
    "ゲームを起動している場合は、一旦ゲームを終了させておいてください。\r\n" \
    "\r\n※ご注意※\n以前のセーブデータおよびクリア情報等は互換性がないため、\r\n" \
    "このアップデート適用時に自動的に削除されます。ご了承くださいませ。"
// Arguments: GAME_TITLE, UPDATE_VERSION.
#define MSG_CONFIRM_UPDATE                                                  \
    "%s アップデート ver%s の\r\n適用をおこないます。\r\n"                  \
    "ゲームを起動している場合は、一旦ゲームを終了させておいてください。\r\n" \
    "\r\nセーブデータは引き続きそのままお使い頂けます。"
#define MSG_CONFIRM_START                                  \
    "アップデート処理を開始します。よろしいですか？\r\n\r\n" \
    "アップデート処理には数秒程かかりますので\r\n"         \
    "完了メッセージが表示されるまで、そのままでお待ちください。"
#define MSG_CANCELLED "アップデート処理をキャンセルしました。"
#define MSG_SUCCESS "アップデート成功しました。ショートカットまたはスタートメニューからゲームを起動してください。"
#define MSG_COPY_FAILED "一部ファイルがコピー出来ませんでした。\n\n読み取り専用属性になっている可能性があります。"
// Argument: GAME_TITLE. The caption of both confirmations.
#define CAPTION_UPDATE "%s アップデート"

#define CAPTION_NOT_INSTALLED_1 "エラー No.1"
#define CAPTION_NOT_INSTALLED_2 "エラー No.2"
#define CAPTION_NOT_INSTALLED_3 "エラー No.3"
#define CAPTION_ERROR "エラー"
#define CAPTION_CANCELLED "中断"
#define CAPTION_SUCCESS "完了"
#define CAPTION_FAILED "失敗"
