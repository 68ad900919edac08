// Message boxes as the core shows them. The core never talks to a window system: it calls
// ShowMessageBox(), and the front end that runs the process (GUI, CLI, a test) installs the
// CMessageBoxHandler that actually asks the user. Flags and answers keep the Windows values
// so that texts and button sets read the same on every platform.
#pragma once

#include <string>

namespace corvane {

// Button sets (low four bits of the flags).
inline constexpr unsigned MB_OK = 0x00000000;
inline constexpr unsigned MB_OKCANCEL = 0x00000001;
inline constexpr unsigned MB_ABORTRETRYIGNORE = 0x00000002;
inline constexpr unsigned MB_YESNOCANCEL = 0x00000003;
inline constexpr unsigned MB_YESNO = 0x00000004;
inline constexpr unsigned MB_RETRYCANCEL = 0x00000005;
inline constexpr unsigned MB_TYPEMASK = 0x0000000F;

// Icons.
inline constexpr unsigned MB_ICONERROR = 0x00000010;  // also MB_ICONSTOP / MB_ICONHAND
inline constexpr unsigned MB_ICONQUESTION = 0x00000020;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x00000030;  // also MB_ICONWARNING
inline constexpr unsigned MB_ICONINFORMATION = 0x00000040;  // also MB_ICONASTERISK
inline constexpr unsigned MB_ICONMASK = 0x000000F0;

// Default button.
inline constexpr unsigned MB_DEFBUTTON1 = 0x00000000;
inline constexpr unsigned MB_DEFBUTTON2 = 0x00000100;
inline constexpr unsigned MB_DEFBUTTON3 = 0x00000200;
inline constexpr unsigned MB_DEFMASK = 0x00000F00;

// Answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Shows one box and returns the answer. Text and caption are Shift_JIS.
class CMessageBoxHandler {
public:
    virtual ~CMessageBoxHandler() = default;
    virtual int ShowMessageBox(const std::string& text, const std::string& caption,
                               unsigned flags) = 0;
};

// Installs the process-wide handler and returns the previous one (null: the built-in
// fallback). The handler is not owned; it must outlive its installation.
CMessageBoxHandler* SetMessageBoxHandler(CMessageBoxHandler* handler);
CMessageBoxHandler* GetMessageBoxHandler();

// Shows a box through the installed handler. Without one, the text goes to standard error
// and the default button's answer is returned, so nothing blocks without a user.
int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags);

// The answer a box with these flags gives when the user just accepts the default button.
int DefaultAnswer(unsigned flags);

// Installs a handler for the lifetime of the object and restores the previous one after.
class CScopedMessageBoxHandler {
public:
    explicit CScopedMessageBoxHandler(CMessageBoxHandler* handler)
        : m_pPrevious(SetMessageBoxHandler(handler)) {}
    ~CScopedMessageBoxHandler() { SetMessageBoxHandler(m_pPrevious); }
    CScopedMessageBoxHandler(const CScopedMessageBoxHandler&) = delete;
    CScopedMessageBoxHandler& operator=(const CScopedMessageBoxHandler&) = delete;

private:
    CMessageBoxHandler* m_pPrevious;
};

}  // namespace corvane
