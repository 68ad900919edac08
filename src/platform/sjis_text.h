// Japanese texts are written in the source as readable UTF-8 and reach the core's
// Shift_JIS through CSjisText: each text is converted once, on first use, and kept.
//
//     constinit CSjisText kAborted{"中断しました"};
//     AddLog(kAborted);                    // a const std::string& in Shift_JIS
//     Format(kDownloadFinished.c_str(), ...);
#pragma once

#include <mutex>
#include <string>

namespace corvane {

class CSjisText {
public:
    constexpr explicit CSjisText(const char* utf8) : m_pUtf8(utf8) {}
    ~CSjisText() { delete m_pStr; }
    CSjisText(const CSjisText&) = delete;
    CSjisText& operator=(const CSjisText&) = delete;

    // The text in Shift_JIS (code page 932); safe to call from several threads at once.
    const std::string& str() const;
    const char* c_str() const { return str().c_str(); }
    operator const std::string&() const { return str(); }

    // The text as written in the source.
    const char* utf8() const { return m_pUtf8; }

    friend std::string operator+(const std::string& a, const CSjisText& b) { return a + b.str(); }
    friend std::string operator+(const CSjisText& a, const std::string& b) { return a.str() + b; }
    friend std::string operator+(const char* a, const CSjisText& b) { return a + b.str(); }
    friend std::string operator+(const CSjisText& a, const char* b) { return a.str() + b; }

private:
    const char* m_pUtf8;
    mutable std::once_flag m_once;
    // Set once under m_once; a pointer, as a mutable string member would keep the object
    // from being initialised at compile time.
    mutable const std::string* m_pStr = nullptr;
};

}  // namespace corvane
