#include "ui/option_dlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "net/proxy_setting.h"
#include "platform/message_box.h"
#include "project/corvane_doc.h"
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

    // The way to the wiki. The environment's proxy is what wget and curl would use.
    auto* proxyBox = new QGroupBox(tr("プロキシ"), this);
    proxyBox->setObjectName(QStringLiteral("proxyBox"));
    m_pProxyEnvironment =
        new QRadioButton(tr("環境変数に従う (http_proxy、https_proxy、no_proxy)"), proxyBox);
    m_pProxyEnvironment->setObjectName(QStringLiteral("proxyEnvironment"));
    m_pProxyDirect = new QRadioButton(tr("プロキシを使わない (直接接続)"), proxyBox);
    m_pProxyDirect->setObjectName(QStringLiteral("proxyDirect"));
    m_pProxyServer = new QRadioButton(tr("次のプロキシを使う:"), proxyBox);
    m_pProxyServer->setObjectName(QStringLiteral("proxyServer"));
    auto* proxyGroup = new QButtonGroup(this);
    proxyGroup->addButton(m_pProxyEnvironment, kProxyFromEnvironment);
    proxyGroup->addButton(m_pProxyDirect, kProxyDirect);
    proxyGroup->addButton(m_pProxyServer, kProxyServer);
    m_pProxyHost = new QLineEdit(proxyBox);
    m_pProxyHost->setObjectName(QStringLiteral("proxyHost"));
    m_pProxyHost->setPlaceholderText(tr("proxy.example.com"));
    m_pProxyPort = new QSpinBox(proxyBox);
    m_pProxyPort->setObjectName(QStringLiteral("proxyPort"));
    m_pProxyPort->setRange(1, 65535);
    auto* proxyGrid = new QGridLayout(proxyBox);
    proxyGrid->addWidget(m_pProxyEnvironment, 0, 0, 1, 4);
    proxyGrid->addWidget(m_pProxyDirect, 1, 0, 1, 4);
    proxyGrid->addWidget(m_pProxyServer, 2, 0, 1, 4);
    proxyGrid->addWidget(new QLabel(tr("ホスト:"), proxyBox), 3, 0);
    proxyGrid->addWidget(m_pProxyHost, 3, 1);
    proxyGrid->addWidget(new QLabel(tr("ポート:"), proxyBox), 3, 2);
    proxyGrid->addWidget(m_pProxyPort, 3, 3);
    proxyGrid->setColumnMinimumWidth(0, 40);
    proxyGrid->setColumnStretch(1, 1);
    connect(proxyGroup, &QButtonGroup::idToggled, this, [this] { UpdateProxyControls(); });

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
    column->addWidget(proxyBox);
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
    if (QAbstractButton* kind = proxyGroup->button(m_options.m_nProxyType)) {
        kind->setChecked(true);
    } else {
        m_pProxyEnvironment->setChecked(true);
    }
    m_pProxyHost->setText(FromSjis(m_options.m_strProxyHost));
    m_pProxyPort->setValue(m_options.m_nProxyPort);
    UpdateProxyControls();
}

void COptionDlg::UpdateProxyControls() {
    const bool given = m_pProxyServer->isChecked();
    m_pProxyHost->setEnabled(given);
    m_pProxyPort->setEnabled(given);
}

void COptionDlg::OnBrowse() {
    const QString chosen = m_fnChoose(this, m_pHHWPath->text());
    if (!chosen.isEmpty()) m_pHHWPath->setText(chosen);
}

void COptionDlg::accept() {
    const QString host = m_pProxyHost->text().trimmed();
    if (m_pProxyServer->isChecked() && !IsValidProxyHost(ToSjis(host))) {
        const QString text = host.isEmpty()
                                 ? tr("プロキシのホスト名を入力してください")
                                 : tr("プロキシのホスト名が正しくありません\n[%1]").arg(host);
        ShowMessageBox(ToSjis(text), CCorvaneDoc::kDocName, MB_OK | MB_ICONEXCLAMATION);
        m_pProxyHost->setFocus();
        return;
    }
    m_options.m_nProxyType = m_pProxyServer->isChecked()   ? kProxyServer
                             : m_pProxyDirect->isChecked() ? kProxyDirect
                                                           : kProxyFromEnvironment;
    m_options.m_strProxyHost = ToSjis(host);
    m_options.m_nProxyPort = m_pProxyPort->value();
    // Stored in the options object; the options file is written when the program ends.
    m_options.m_strHHWPath = ToSjis(m_pHHWPath->text());
    m_options.m_bBuiltinCompiler = m_pBuiltinCompiler->isChecked() ? 1 : 0;
    m_options.m_bOpenLastFile = m_pOpenLastFile->isChecked() ? 1 : 0;
    QDialog::accept();
}

}  // namespace corvane::ui
