#include "ui/qt_message_box.h"

#include <QAbstractButton>
#include <QPushButton>
#include <vector>

#include "ui/ui_text.h"

namespace corvane::ui {
namespace {

// The buttons of each Windows button set, in their order on screen, with the answers.
struct ButtonChoice {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<ButtonChoice> ButtonsOf(unsigned flags) {
    switch (flags & MB_TYPEMASK) {
        case MB_OKCANCEL:
            return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
        case MB_ABORTRETRYIGNORE:
            return {{QMessageBox::Abort, IDABORT},
                    {QMessageBox::Retry, IDRETRY},
                    {QMessageBox::Ignore, IDIGNORE}};
        case MB_YESNOCANCEL:
            return {{QMessageBox::Yes, IDYES},
                    {QMessageBox::No, IDNO},
                    {QMessageBox::Cancel, IDCANCEL}};
        case MB_YESNO:
            return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
        case MB_RETRYCANCEL:
            return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
        default:
            return {{QMessageBox::Ok, IDOK}};
    }
}

QString ButtonText(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Ok:
            return QStringLiteral("OK");
        case QMessageBox::Cancel:
            return QObject::tr("キャンセル");
        case QMessageBox::Abort:
            return QObject::tr("中止(&A)");
        case QMessageBox::Retry:
            return QObject::tr("再試行(&R)");
        case QMessageBox::Ignore:
            return QObject::tr("無視(&I)");
        case QMessageBox::Yes:
            return QObject::tr("はい(&Y)");
        case QMessageBox::No:
            return QObject::tr("いいえ(&N)");
        default:
            return QString();
    }
}

}  // namespace

void CQtMessageBoxHandler::Prepare(QMessageBox& box, unsigned flags) {
    switch (flags & MB_ICONMASK) {
        case MB_ICONERROR:
            box.setIcon(QMessageBox::Critical);
            break;
        case MB_ICONQUESTION:
            box.setIcon(QMessageBox::Question);
            break;
        case MB_ICONEXCLAMATION:
            box.setIcon(QMessageBox::Warning);
            break;
        case MB_ICONINFORMATION:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            box.setIcon(QMessageBox::NoIcon);
            break;
    }
    const std::vector<ButtonChoice> buttons = ButtonsOf(flags);
    QMessageBox::StandardButtons set;
    for (const ButtonChoice& choice : buttons) set |= choice.button;
    box.setStandardButtons(set);
    for (const ButtonChoice& choice : buttons)
        box.button(choice.button)->setText(ButtonText(choice.button));
    // MB_DEFBUTTON2/3 pick the second or third button; past the end the first stays.
    size_t index = (flags & MB_DEFMASK) >> 8;
    if (index >= buttons.size()) index = 0;
    box.setDefaultButton(buttons[index].button);
    // Escape (and closing the box) answers cancel where the set has it, as on Windows.
    for (const ButtonChoice& choice : buttons) {
        if (choice.answer == IDCANCEL) box.setEscapeButton(choice.button);
    }
    if (buttons.size() == 1) box.setEscapeButton(buttons[0].button);
}

int CQtMessageBoxHandler::AnswerOf(const QMessageBox& box, QAbstractButton* clicked) {
    const QMessageBox::StandardButton button = box.standardButton(clicked);
    switch (button) {
        case QMessageBox::Ok:
            return IDOK;
        case QMessageBox::Abort:
            return IDABORT;
        case QMessageBox::Retry:
            return IDRETRY;
        case QMessageBox::Ignore:
            return IDIGNORE;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        default:
            return IDCANCEL;
    }
}

int CQtMessageBoxHandler::ShowMessageBox(const std::string& text, const std::string& caption,
                                         unsigned flags) {
    QMessageBox box(m_pParent);
    box.setFont(UiFont());
    box.setWindowTitle(FromSjis(caption));
    box.setText(FromSjis(text));
    Prepare(box, flags);
    if (m_fnOnShow) m_fnOnShow(box);
    box.exec();
    return AnswerOf(box, box.clickedButton());
}

}  // namespace corvane::ui
