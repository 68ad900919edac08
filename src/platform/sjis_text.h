// Japanese texts are written in the source as readable UTF-8 and reach the core's
// Shift_JIS through CSjisText: each text is converted once, on first use, and kept.
//
//     constinit const CSjisText kAborted{"中断しました"};
//     AddLog(kAborted);                    // a const std::string& in Shift_JIS
//     Format(kDownloadFinished.c_str(), ...);
#pragma once

#include <mutex>
#include <string>

namespace corvane {

class CSjisText {
public:
    constexpr explicit CSjisText(const char* utf8) : m_pUtf8(utf8) {}
    CSjisText(const CSjisText&) = delete;
    CSjisText& operator=(const CSjisText&) = delete;

    // The text in Shift_JIS (code page 932); safe to call from several threads at once.
    const std::string& str() const;
    const char* c_str() const { return str().c_str(); }
    operator const std::string&() const { return str(); }

    // The text as written in the source.
    const char* utf8() const { return m_pUtf8; }

private:
    const char* m_pUtf8;
    mutable std::once_flag m_once;
    mutable std::string m_str;
};

}  // namespace corvane
