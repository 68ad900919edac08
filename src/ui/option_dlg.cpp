#include "ui/option_dlg.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "project/options.h"
#include "ui/ui_text.h"

namespace corvane::ui {

QString COptionDlg::CompilerFilter() {
    return tr("HTML Help コンパイラ (chmcmd hhc.exe hhc)") + QStringLiteral(";;") +
           tr("HTML Help Workshop (*.exe)") + QStringLiteral(";;") + tr("すべてのファイル (*)");
}

COptionDlg::COptionDlg(COptions& options, QWidget* parent) : QDialog(parent), m_options(options) {
    setObjectName(QStringLiteral("optionDialog"));
    setWindowTitle(tr("オプション設定"));
    setFont(UiFont());
    m_fnChoose = [](QWidget* owner, const QString& start) {
        QFileDialog dialog(owner, tr("HTML Help コンパイラ"), start, CompilerFilter());
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::ReadOnly, false);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return QString();
        }
        return dialog.selectedFiles().front();
    };

    m_pBuiltinCompiler = new QCheckBox(tr("内蔵のヘルプコンパイラを使う"), this);
    m_pBuiltinCompiler->setObjectName(QStringLiteral("builtinCompiler"));
    m_pHHWPath = new QLineEdit(this);
    m_pHHWPath->setObjectName(QStringLiteral("hhwPath"));
    m_pHHWPath->setMinimumWidth(320);
    m_pBrowse = new QPushButton(QStringLiteral("..."), this);
    m_pBrowse->setObjectName(QStringLiteral("browseCompiler"));
    m_pBrowse->setFixedWidth(28);
    m_pBrowse->setAutoDefault(false);
    m_pOpenLastFile = new QCheckBox(tr("次回起動時に最後に開いたファイルを開き直す"), this);
    m_pOpenLastFile->setObjectName(QStringLiteral("openLastFile"));

    auto* buttons = new QDialogButtonBox(this);
    m_pOk = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_pOk->setObjectName(QStringLiteral("ok"));
    m_pOk->setDefault(true);
    m_pCancel = buttons->addButton(tr("キャンセル"), QDialogButtonBox::RejectRole);
    m_pCancel->setObjectName(QStringLiteral("cancel"));

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_pHHWPath, 1);
    pathRow->addWidget(m_pBrowse);
    auto* column = new QVBoxLayout(this);
    column->addWidget(m_pBuiltinCompiler);
    column->addWidget(new QLabel(tr("HTML Help コンパイラのパス:"), this));
    column->addLayout(pathRow);
    column->addWidget(m_pOpenLastFile);
    column->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pBrowse, &QPushButton::clicked, this, [this] { OnBrowse(); });
    // The path is for the outside compiler only.
    connect(m_pBuiltinCompiler, &QCheckBox::toggled, this, [this](bool builtin) {
        m_pHHWPath->setEnabled(!builtin);
        m_pBrowse->setEnabled(!builtin);
    });

    m_pHHWPath->setText(FromSjis(m_options.m_strHHWPath));
    m_pBuiltinCompiler->setChecked(m_options.m_bBuiltinCompiler != 0);
    m_pHHWPath->setEnabled(m_options.m_bBuiltinCompiler == 0);
    m_pBrowse->setEnabled(m_options.m_bBuiltinCompiler == 0);
    m_pOpenLastFile->setChecked(m_options.m_bOpenLastFile != 0);
}

void COptionDlg::OnBrowse() {
    const QString chosen = m_fnChoose(this, m_pHHWPath->text());
    if (!chosen.isEmpty()) m_pHHWPath->setText(chosen);
}

void COptionDlg::accept() {
    // Stored in the options object; the options file is written when the program ends.
    m_options.m_strHHWPath = ToSjis(m_pHHWPath->text());
    m_options.m_bBuiltinCompiler = m_pBuiltinCompiler->isChecked() ? 1 : 0;
    m_options.m_bOpenLastFile = m_pOpenLastFile->isChecked() ? 1 : 0;
    QDialog::accept();
}

}  // namespace corvane::ui
