#include "platform/system_error.h"

#include <langinfo.h>

#include <cerrno>
#include <cstring>

#include "platform/message_box.h"
#include "platform/sjis_text.h"
#include "platform/text_codec.h"

namespace corvane {

namespace {
constinit CSjisText kErrorCaption{"エラー"};
}  // namespace

int CGeneralError::Report() const { return ShowMessageBox(m_strMessage, kErrorCaption, MB_OK); }

CSystemError::CSystemError(const std::string& text) {
    const int code = errno;
    m_strMessage = text;
    if (!text.empty()) m_strMessage += '\n';
    m_strMessage += GetErrorText(code);
    errno = code;
}

std::string GetErrorText(int code) {
    const int saved = errno;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 32))
    // Codes the C library does not know have no text (strerror would invent one).
    if (code != 0 && strerrorname_np(code) == nullptr) {
        errno = saved;
        return {};
    }
#endif
    char buffer[256] = {};
#if defined(_GNU_SOURCE) && !defined(__APPLE__)
    const char* message = strerror_r(code, buffer, sizeof buffer);
#else
    const char* message = strerror_r(code, buffer, sizeof buffer) == 0 ? buffer : "";
#endif
    std::string text = message ? message : "";
    // The text comes in the encoding of the current locale (ASCII in the "C" locale).
    const char* codeset = nl_langinfo(CODESET);
    if (codeset && *codeset && std::strcmp(codeset, "ANSI_X3.4-1968") != 0) {
        text = ConvertCodePage(text, codeset, "CP932", "?");
    }
    errno = saved;
    if (text.empty()) return {};
    return text + "\n";
}

std::string GetLastErrorText() { return GetErrorText(errno); }

void ShowLastError() {
    const std::string text = GetLastErrorText();
    ShowMessageBox(text, "Error", MB_ICONINFORMATION);
}

}  // namespace corvane
