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
    "  --version           バージョンを表示します\n"
    "\n"
    "各コマンドの説明: corvane-cli <コマンド> --help\n"
    "\n"
    "終了コード: 0 = 作成した、3 = 作成したが取得できなかったページがある、\n"
    "            1 = 作成できなかった、2 = 引数の誤り、130 = 中断した\n"};

inline constinit CSjisText kBuildUsage{
    "使い方: corvane-cli build PROJECT.xml [オプション]\n"
    "\n"
    "プロジェクトの URL から巡回したページを出力フォルダに保存し、目次ファイル (.hhc) と\n"
    "プロジェクトファイル (.hhp) を書いて、ヘルプファイル (.chm) にコンパイルします。\n"
    "\n"
    "オプション:\n"
    "  --yes              「出力フォルダを作成しますか？」に「はい」と答えます\n"
    "  --compiler builtin|PATH\n"
    "                     オプション設定の代わりに使うヘルプコンパイラ (builtin: 内蔵)\n"
    "  --interval MS      各ページを取得する前の待ち時間 (ミリ秒、既定 100)\n"
    "  --workers N        同時にページを取得するスレッドの数 (既定 1)\n"
    "  --open             作成したヘルプファイルを開きます\n"
    "  --index            キーワード索引 (.hhk) も作成します (オプション設定 KeywordIndex)\n"
    "  --toc-only         開始ページだけを取得して、作られる目次を表示します\n"
    "                     (出力フォルダには何も書きません。目次の開始パターンの調整に)\n"
    "  --proxy HOST:PORT  このプロキシを通して取得します (オプション設定 ProxyType など)。\n"
    "                     direct: プロキシを使いません。既定は環境変数 http_proxy、\n"
    "                     https_proxy、no_proxy に従います\n"
    "\n"
    "Ctrl-C で中断します。\n"
    "\n"
    "終了コード:\n"
    "  0    ヘルプファイルを作成し、すべてのページを取得できた\n"
    "  3    ヘルプファイルを作成したが、取得できなかったページがある (ログの最後に一覧)\n"
    "  1    ヘルプファイルを作成できなかった (開始ページの取得、設定の確認、コンパイルの失敗)\n"
    "  2    引数の誤り\n"
    "  130  中断した\n"};

inline constinit CSjisText kInitUsage{
    "使い方: corvane-cli init PROJECT.xml --url URL --folder DIR --name BASENAME [オプション]\n"
    "\n"
    "新しいプロジェクトファイルを書きます。デスクトップ版でもそのまま開けます。\n"
    "URL、ファイル名、目次の開始パターンはここで確認します。\n"
    "\n"
    "必須:\n"
    "  --url URL                  巡回を始めるページの URL\n"
    "  --folder DIR               出力フォルダ\n"
    "  --name BASENAME            ヘルプファイルの名前 (拡張子 .chm を除く)\n"
    "オプション:\n"
    "  --title T                  ヘルプのタイトル\n"
    "  --toc PATTERN              開始ページで目次の直前にある文字列 (正規表現)\n"
    "  --footer F                 各ページの末尾に付けるフッター\n"
    "  --user U                   HTTP 認証のユーザー名。パスワードは次のどれかで渡します:\n"
    "    --ask-password           端末で尋ねます (入力は表示されません)\n"
    "    環境変数 CORVANE_PASSWORD\n"
    "    --password P             (プロセス一覧とシェルの履歴に残ります)\n"
    "  --wikiname SEARCH REPLACE  WikiName 変換の検索パターンと置換文字列\n"
    "  --force                    同じ名前のプロジェクトファイルを上書きします\n"
    "  --insecure-tls             HTTPS の証明書のホスト名と有効期限を確認しません (社内の Wiki\n"
    "                             向け。実行のたびに警告します。発行元は確認します)\n"
    "\n"
    "パスワードはプロジェクトファイルに暗号化ではなく難読化して保存されます。\n"
    "プロジェクトファイルはパスワードと同じように扱ってください。\n"};

inline constinit CSjisText kUnknownCommand{"不明なコマンドです: %s"};

inline constinit CSjisText kUnknownOption{"不明なオプションです: %s"};

inline constinit CSjisText kMissingValue{"%s には値が必要です"};

inline constexpr int kMaxWorkers = 64;
inline constinit CSjisText kWorkersOutOfRange{
    "--workers には 1 から %d までの数を指定してください: %s"};

inline constinit CSjisText kBadProxy{
    "--proxy には HOST:PORT (ポート番号は 1-65535) または direct を指定してください: %s"};
inline constinit CSjisText kBadNumber{"%s には数値を指定してください: %s"};

inline constinit CSjisText kNoProject{"プロジェクトファイルを指定してください"};

inline constinit CSjisText kExtraArgument{"余分な引数です: %s"};

inline constinit CSjisText kMissingRequired{"%s を指定してください"};

inline constinit CSjisText kUserPassword{
    "--user にはパスワード (--password、--ask-password または環境変数 CORVANE_PASSWORD) "
    "が必要です"};

inline constinit CSjisText kUseUserOption{
    "ユーザー名とパスワードは --user と --password (または --ask-password) で指定してください"};

inline constinit CSjisText kTwoPasswords{"--password と --ask-password は一緒に指定できません"};

inline constinit CSjisText kPasswordPrompt{"パスワード: "};

inline constinit CSjisText kNoPassword{"パスワードを読み込めませんでした"};

inline constinit CSjisText kProjectExists{
    "プロジェクトファイルは既にあります。上書きするには --force を付けてください [%s]"};

inline constinit CSjisText kCannotLoad{"プロジェクトファイルを読み込めません [%s]"};

inline constinit CSjisText kCannotSave{"プロジェクトファイルを書き込めません [%s]"};

inline constinit CSjisText kProjectWritten{"プロジェクトファイルを作成しました [%s]"};

inline constinit CSjisText kCompilerNotFound{"ヘルプコンパイラが見つかりません [%s]"};

inline constinit CSjisText kHelpFileMade{"ヘルプファイル: %s"};

inline constinit CSjisText kNotMade{"ヘルプファイルは作成されませんでした"};

inline constinit CSjisText kPagesFailed{"取得できなかったページが %d 件あります"};

inline constinit CSjisText kSeeHelp{"使い方は --help で表示します"};

}  // namespace corvane::cli
