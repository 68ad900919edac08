// The command line's own texts (Shift_JIS).
#pragma once

#include "platform/sjis_text.h"

namespace corvane::cli {

inline constinit CSjisText kUsage{
    "使い方: corvane-cli <コマンド> [引数]\n"
    "\n"
    "PukiWiki のサイトから HTML ヘルプ (.chm) を作成します。\n"
    "\n"
    "コマンド:\n"
    "  build PROJECT.xml   プロジェクトのサイトを巡回してヘルプファイルを作成します\n"
    "  init PROJECT.xml    プロジェクトファイルを作成します\n"
    "\n"
    "各コマンドの説明: corvane-cli <コマンド> --help\n"};

inline constinit CSjisText kBuildUsage{
    "使い方: corvane-cli build PROJECT.xml [オプション]\n"
    "\n"
    "プロジェクトの URL から巡回したページを出力フォルダに保存し、目次ファイル (.hhc) と\n"
    "プロジェクトファイル (.hhp) を書いて、ヘルプファイル (.chm) にコンパイルします。\n"
    "\n"
    "オプション:\n"
    "  --yes              「出力フォルダを作成しますか？」に「はい」と答えます\n"
    "  --compiler PATH    オプション設定 (HHWPath) の代わりに使うヘルプコンパイラ\n"
    "  --interval MS      各ページを取得する前の待ち時間 (ミリ秒、既定 100)\n"
    "  --workers N        同時にページを取得するスレッドの数 (既定 1)\n"
    "  --open             作成したヘルプファイルを開きます\n"
    "  --index            キーワード索引 (.hhk) も作成します (オプション設定 KeywordIndex)\n"
    "\n"
    "Ctrl-C で中断します。\n"
    "終了コード: 0 = ヘルプファイルを作成した、1 = 作成できなかった、2 = 引数の誤り、\n"
    "            130 = 中断した\n"};

inline constinit CSjisText kInitUsage{
    "使い方: corvane-cli init PROJECT.xml --url URL --folder DIR --name BASENAME [オプション]\n"
    "\n"
    "新しいプロジェクトファイルを書きます (同じ名前のファイルは上書きします)。\n"
    "デスクトップ版でもそのまま開けます。\n"
    "\n"
    "必須:\n"
    "  --url URL                  巡回を始めるページの URL\n"
    "  --folder DIR               出力フォルダ\n"
    "  --name BASENAME            ヘルプファイルの名前 (拡張子 .chm を除く)\n"
    "オプション:\n"
    "  --title T                  ヘルプのタイトル\n"
    "  --toc PATTERN              開始ページで目次の直前にある文字列 (正規表現)\n"
    "  --footer F                 各ページの末尾に付けるフッター\n"
    "  --user U --password P      HTTP 認証のユーザー名とパスワード\n"
    "  --wikiname SEARCH REPLACE  WikiName 変換の検索パターンと置換文字列\n"};

inline constinit CSjisText kUnknownCommand{"不明なコマンドです: %s"};

inline constinit CSjisText kUnknownOption{"不明なオプションです: %s"};

inline constinit CSjisText kMissingValue{"%s には値が必要です"};

inline constinit CSjisText kBadNumber{"%s には数値を指定してください: %s"};

inline constinit CSjisText kNoProject{"プロジェクトファイルを指定してください"};

inline constinit CSjisText kExtraArgument{"余分な引数です: %s"};

inline constinit CSjisText kMissingRequired{"%s を指定してください"};

inline constinit CSjisText kUserPassword{"--user と --password は一緒に指定してください"};

inline constinit CSjisText kCannotLoad{"プロジェクトファイルを読み込めません [%s]"};

inline constinit CSjisText kCannotSave{"プロジェクトファイルを書き込めません [%s]"};

inline constinit CSjisText kProjectWritten{"プロジェクトファイルを作成しました [%s]"};

inline constinit CSjisText kCompilerNotFound{"ヘルプコンパイラが見つかりません [%s]"};

inline constinit CSjisText kHelpFileMade{"ヘルプファイル: %s"};

inline constinit CSjisText kNotMade{"ヘルプファイルは作成されませんでした"};

inline constinit CSjisText kSeeHelp{"使い方は --help で表示します"};

}  // namespace corvane::cli
