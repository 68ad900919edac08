#include "platform/message_box.h"

#include <atomic>
#include <cstdio>

#include "platform/text_codec.h"

namespace corvane {
namespace {

std::atomic<CMessageBoxHandler*> g_pHandler{nullptr};

}  // namespace

CMessageBoxHandler* SetMessageBoxHandler(CMessageBoxHandler* handler) {
    return g_pHandler.exchange(handler);
}

CMessageBoxHandler* GetMessageBoxHandler() { return g_pHandler.load(); }

int DefaultAnswer(unsigned flags) {
    static constexpr int kButtons[][3] = {
        {IDOK, IDOK, IDOK},             // MB_OK
        {IDOK, IDCANCEL, IDCANCEL},     // MB_OKCANCEL
        {IDABORT, IDRETRY, IDIGNORE},   // MB_ABORTRETRYIGNORE
        {IDYES, IDNO, IDCANCEL},        // MB_YESNOCANCEL
        {IDYES, IDNO, IDNO},            // MB_YESNO
        {IDRETRY, IDCANCEL, IDCANCEL},  // MB_RETRYCANCEL
    };
    unsigned type = flags & MB_TYPEMASK;
    if (type >= sizeof kButtons / sizeof kButtons[0]) type = 0;
    unsigned def = (flags & MB_DEFMASK) >> 8;
    if (def > 2) def = 0;
    return kButtons[type][def];
}

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    if (CMessageBoxHandler* handler = g_pHandler.load()) {
        return handler->ShowMessageBox(text, caption, flags);
    }
    std::fprintf(stderr, "[%s] %s\n", SjisToUtf8(caption).c_str(), SjisToUtf8(text).c_str());
    return DefaultAnswer(flags);
}

}  // namespace corvane
