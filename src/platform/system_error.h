// Error objects that carry a message up to a place that can show it, and the system's text
// for the last error code (errno here).
#pragma once

#include <string>

namespace corvane {

// An error with a ready-made Shift_JIS message; thrown by value.
class CGeneralError {
public:
    explicit CGeneralError(std::string message = {}) : m_strMessage(std::move(message)) {}
    virtual ~CGeneralError() = default;
    CGeneralError(const CGeneralError&) = default;
    CGeneralError& operator=(const CGeneralError&) = default;

    virtual std::string GetMessage() const { return m_strMessage; }
    // Shows the message in a box captioned "エラー" with an OK button; returns the answer.
    virtual int Report() const;

protected:
    std::string m_strMessage;
};

// A failed system call: the given text, a line break when the text is not empty, then the
// system's text for the error code that is current when the object is made.
class CSystemError : public CGeneralError {
public:
    explicit CSystemError(const std::string& text);
};

// The system's text for errno, in Shift_JIS and ending with a line break like the Windows
// texts; empty when the system has no text for the code. errno is left unchanged.
std::string GetLastErrorText();
// The same for a given code.
std::string GetErrorText(int code);

// Shows GetLastErrorText() in a box captioned "Error" with the information icon.
void ShowLastError();

}  // namespace corvane
