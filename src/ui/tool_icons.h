// The tool bar's pictures: the desktop's icon theme where it has them, else small images
// drawn here, so the buttons never come out blank.
#pragma once

#include <QIcon>

namespace corvane::ui {

enum class ToolIcon { kNew, kOpen, kSave, kCreateHelp, kAbort, kApp };

QIcon MakeToolIcon(ToolIcon kind);

}  // namespace corvane::ui
