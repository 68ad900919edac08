#include "crawl/checker_messages.h"

namespace corvane {

const CCheckerMessages& CheckerMessages() {
    static const CCheckerMessages messages{
        RegisterMessage("CCheckerConfig::WM_CHECKSTARTED"),
        RegisterMessage("CCheckerConfig::WM_CHECKPROGRESSED"),
        RegisterMessage("CCheckerConfig::WM_CHECKFINISHED"),
        RegisterMessage("CCheckerConfig::WM_CHECKERFINISHED"),
        RegisterMessage("CCheckerConfig::WM_CHECKERTHREADFINISHED"),
    };
    return messages;
}

}  // namespace corvane
