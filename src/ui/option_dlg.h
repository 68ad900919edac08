// The "オプション設定" dialog: the built-in help compiler or an outside one (its path),
// whether the last project is reopened at start, and the way to the web (the environment's
// proxy, direct, or a given proxy). OK stores into the options object; キャンセル leaves it
// alone.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <functional>

namespace corvane {
class COptions;
}

namespace corvane::ui {

class COptionDlg : public QDialog {
    Q_OBJECT
public:
    COptionDlg(COptions& options, QWidget* parent = nullptr);

    // Asks for the compiler program; returns the chosen path or empty. A test replaces it.
    using FileChooser = std::function<QString(QWidget*, const QString&)>;
    void SetFileChooser(FileChooser chooser) { m_fnChoose = std::move(chooser); }
    // The filter the compiler chooser offers: the help compiler programs and all files.
    static QString CompilerFilter();

    void accept() override;

    QCheckBox* m_pBuiltinCompiler;
    QLineEdit* m_pHHWPath;
    QPushButton* m_pBrowse;
    QCheckBox* m_pOpenLastFile;
    QRadioButton* m_pProxyEnvironment;
    QRadioButton* m_pProxyDirect;
    QRadioButton* m_pProxyServer;
    QLineEdit* m_pProxyHost;
    QSpinBox* m_pProxyPort;
    QPushButton* m_pOk;
    QPushButton* m_pCancel;

private:
    void OnBrowse();
    void UpdateProxyControls();

    COptions& m_options;
    FileChooser m_fnChoose;
};

}  // namespace corvane::ui
