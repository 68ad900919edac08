// The texts that both run modes (the build and the contents preview) show (Shift_JIS).
#pragma once

#include "platform/sjis_text.h"

namespace corvane {

inline constexpr const char* kBuildCaption = "Corvane";
inline constinit CSjisText kNoUrl{"URLを入力してください\n"};
inline constinit CSjisText kFolderFailed{"出力フォルダの作成に失敗しました"};

}  // namespace corvane
