#include "ui/main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLayout>
#include <QMenuBar>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <filesystem>

#include "platform/app_folders.h"
#include "platform/message_box.h"
#include "platform/text_codec.h"
#include "project/corvane_doc.h"
#include "project/options.h"
#include "ui/about_dlg.h"
#include "ui/corvane_view.h"
#include "ui/log_bar.h"
#include "ui/option_dlg.h"
#include "ui/progress_bar.h"
#include "ui/status_bar.h"
#include "ui/tool_icons.h"
#include "ui/ui_text.h"

namespace corvane::ui {
namespace {

constexpr int kProgressPane = 1;
constexpr int kProgressPaneWidth = 80;
// The log window's width when first docked at a side.
constexpr int kLogColumnWidth = 200;

bool IsRow(Qt::DockWidgetArea area) {
    return area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea;
}
const char* const kManualName = "Corvane.chm";

// A box through the core's handler, so that tests see the window's own questions too.
int Ask(const QString& text, unsigned flags) {
    return ShowMessageBox(ToSjis(text), CCorvaneDoc::kDocName, flags);
}

QString FileFilter() {
    return FromSjis(CCorvaneDoc::kFilterName) + QStringLiteral(";;") +
           QObject::tr("すべてのファイル (*)");
}

bool OpenWithDesktop(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(PathFromSjis(path)));
}

}  // namespace

CMainFrame::CMainFrame(CCorvaneDoc& doc, QWidget* parent)
    : QMainWindow(parent),
      m_doc(doc),
      m_boxes(this),
      m_fnOpen(OpenWithDesktop),
      m_fnChooseOpen([](QWidget* owner, const QString& title, const QString& start) {
          return QFileDialog::getOpenFileName(owner, title, start, FileFilter());
      }),
      m_fnChooseSave([](QWidget* owner, const QString& title, const QString& start) {
          return QFileDialog::getSaveFileName(owner, title, start, FileFilter());
      }) {
    setObjectName(QStringLiteral("mainFrame"));
    setFont(UiFont());
    setWindowIcon(MakeToolIcon(ToolIcon::kApp));
    // The window's size follows the form and its bars; the user does not resize it.
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    // A front end that already answers the core's boxes (a test) keeps its handler.
    if (GetMessageBoxHandler() == nullptr) {
        m_pScopedBoxes = std::make_unique<CScopedMessageBoxHandler>(&m_boxes);
    }

    m_pView = new CCorvaneView(m_doc, this);
    setCentralWidget(m_pView);
    m_pView->installEventFilter(this);
    connect(m_pView, &CCorvaneView::TitleChanged, this, [this] { UpdateTitle(); });

    CreateActions();
    CreateMenus();

    m_pToolBar = new QToolBar(tr("ツール バー"), this);
    m_pToolBar->setObjectName(QStringLiteral("toolBar"));
    m_pToolBar->setIconSize(QSize(16, 16));
    m_pToolBar->addAction(m_pNew);
    m_pToolBar->addAction(m_pOpen);
    m_pToolBar->addAction(m_pSave);
    m_pToolBar->addSeparator();
    m_pToolBar->addAction(m_pCreateHelp);
    m_pToolBar->addAction(m_pAbort);
    addToolBar(Qt::TopToolBarArea, m_pToolBar);

    m_pStatusBar = new CStatusBar({kProgressPaneWidth}, this);
    setStatusBar(m_pStatusBar);
    m_pStatusBar->SetPaneText(0, tr("レディ"));

    m_pLogBar = new CCVNLogBar(this);
    // Moved to another side (by the user or a restored state), floated and docked again.
    connect(m_pLogBar, &QDockWidget::topLevelChanged, this, [this](bool floating) {
        if (!floating) return;
        RememberLogExtent();
        m_logArea = Qt::NoDockWidgetArea;
    });
    connect(m_pLogBar, &QDockWidget::dockLocationChanged, this, [this](Qt::DockWidgetArea area) {
        if (area == Qt::NoDockWidgetArea) return;
        RememberLogExtent();
        m_logArea = area;
        // Before the window is shown its first layout makes the room.
        if (isVisible()) QTimer::singleShot(0, this, [this] { FitDockedLogBar(); });
    });
    addDockWidget(Qt::BottomDockWidgetArea, m_pLogBar);

    m_pViewToolBar->setChecked(true);
    m_pViewStatusBar->setChecked(true);
    connect(m_pToolBar, &QToolBar::visibilityChanged, m_pViewToolBar, &QAction::setChecked);
    connect(m_pLogBar, &QDockWidget::visibilityChanged, this,
            [this] { m_pViewLog->setChecked(!m_pLogBar->isHidden()); });

    m_pDriver = std::make_unique<CBuildDriver>(m_doc, *this);
    m_pView->OnInitialUpdate();
    m_formSize = m_pView->sizeHint()
                     .expandedTo(m_pView->minimumSizeHint())
                     .expandedTo(m_pView->minimumSize());
    UpdateCommands();
    UpdateTitle();
    UpdateRecentMenu();
}

CMainFrame::~CMainFrame() {
    // The base class still hides the bars while it goes, and their signals must no longer
    // reach this half-destroyed window.
    disconnect(m_pLogBar, nullptr, this, nullptr);
    disconnect(m_pToolBar, nullptr, m_pViewToolBar, nullptr);
    disconnect(m_pView, nullptr, this, nullptr);
    m_pView->removeEventFilter(this);
    // Ending the driver ends a run still going; its progress bar goes before the bars.
    m_pDriver.reset();
    delete m_pProgressBar;
    m_pProgressBar = nullptr;
}

void CMainFrame::CreateActions() {
    auto make = [this](const QString& text, const char* name) {
        auto* action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    m_pNew = make(tr("新規作成(&N)"), "actionNew");
    m_pNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    m_pNew->setIcon(MakeToolIcon(ToolIcon::kNew));
    m_pNew->setToolTip(tr("新規作成 (Ctrl+N)"));
    m_pNew->setStatusTip(tr("新しいプロジェクトを作成します"));
    connect(m_pNew, &QAction::triggered, this, [this] { OnFileNew(); });

    m_pOpen = make(tr("開く(&O)..."), "actionOpen");
    m_pOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_pOpen->setIcon(MakeToolIcon(ToolIcon::kOpen));
    m_pOpen->setToolTip(tr("開く (Ctrl+O)"));
    m_pOpen->setStatusTip(tr("既存のプロジェクトを開きます"));
    connect(m_pOpen, &QAction::triggered, this, [this] { OnFileOpen(); });

    m_pSave = make(tr("上書き保存(&S)"), "actionSave");
    m_pSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m_pSave->setIcon(MakeToolIcon(ToolIcon::kSave));
    m_pSave->setToolTip(tr("上書き保存 (Ctrl+S)"));
    m_pSave->setStatusTip(tr("プロジェクトを上書きして保存します"));
    connect(m_pSave, &QAction::triggered, this, [this] { OnFileSave(); });

    m_pSaveAs = make(tr("名前を付けて保存(&A)..."), "actionSaveAs");
    m_pSaveAs->setStatusTip(tr("プロジェクトに名前を付けて保存します"));
    connect(m_pSaveAs, &QAction::triggered, this, [this] { OnFileSaveAs(); });

    for (int i = 0; i < kRecentFileCount; ++i) {
        m_pRecentActions[i] = make(QString(), "actionRecent");
        connect(m_pRecentActions[i], &QAction::triggered, this, [this, i] {
            if (i >= static_cast<int>(m_recent.size())) return;
            const std::string path = m_recent[i];
            std::error_code ec;
            // A project that is gone leaves the list once the load has said so.
            if (!OpenDocument(path) && !std::filesystem::exists(ToNativePath(path), ec)) {
                std::erase(m_recent, path);
                UpdateRecentMenu();
            }
        });
    }

    m_pExit = make(tr("アプリケーションの終了(&X)"), "actionExit");
    m_pExit->setStatusTip(tr("Corvane を終了します"));
    connect(m_pExit, &QAction::triggered, this, &QWidget::close);

    m_pViewToolBar = make(tr("ツール バー(&T)"), "actionViewToolBar");
    m_pViewToolBar->setCheckable(true);
    connect(m_pViewToolBar, &QAction::triggered, this,
            [this](bool on) { m_pToolBar->setVisible(on); });
    m_pViewStatusBar = make(tr("ステータス バー(&S)"), "actionViewStatusBar");
    m_pViewStatusBar->setCheckable(true);
    connect(m_pViewStatusBar, &QAction::triggered, this,
            [this](bool on) { m_pStatusBar->setVisible(on); });
    m_pViewLog = make(tr("ログウィンドウ(&L)"), "actionViewLog");
    m_pViewLog->setCheckable(true);
    m_pViewLog->setChecked(true);
    connect(m_pViewLog, &QAction::triggered, this, [this] { OnToggleLogBar(); });

    m_pCreateHelp = make(tr("ヘルプ作成"), "actionCreateHelp");
    m_pCreateHelp->setIcon(MakeToolIcon(ToolIcon::kCreateHelp));
    m_pCreateHelp->setToolTip(tr("ヘルプ作成"));
    m_pCreateHelp->setStatusTip(tr("Wiki を読み込んでヘルプファイルを作成します"));
    connect(m_pCreateHelp, &QAction::triggered, this, [this] { OnCreateHelp(); });

    m_pAbort = make(tr("ダウンロード中止"), "actionAbort");
    m_pAbort->setIcon(MakeToolIcon(ToolIcon::kAbort));
    m_pAbort->setToolTip(tr("ダウンロード中止"));
    m_pAbort->setStatusTip(tr("ダウンロードを中止します"));
    connect(m_pAbort, &QAction::triggered, this, [this] { OnAbortDownload(); });

    m_pOptions = make(tr("オプション(&O)..."), "actionOptions");
    m_pOptions->setStatusTip(tr("HTML Help コンパイラのパスなどを設定します"));
    connect(m_pOptions, &QAction::triggered, this, [this] { OnOptions(); });

    m_pHelp = make(tr("ヘルプ(&H)"), "actionHelp");
    m_pHelp->setShortcut(QKeySequence(Qt::Key_F1));
    m_pHelp->setStatusTip(tr("Corvane のヘルプを開きます"));
    connect(m_pHelp, &QAction::triggered, this, [this] { OnHelp(); });

    m_pAbout = make(tr("バージョン情報 Corvane(&A)..."), "actionAbout");
    m_pAbout->setStatusTip(tr("プログラムのバージョン情報を表示します"));
    connect(m_pAbout, &QAction::triggered, this, [this] { OnAbout(); });
}

void CMainFrame::CreateMenus() {
    QMenu* file = menuBar()->addMenu(tr("ファイル(&F)"));
    file->addAction(m_pNew);
    file->addAction(m_pOpen);
    file->addAction(m_pSave);
    file->addAction(m_pSaveAs);
    m_pRecentSeparator = file->addSeparator();
    for (QAction* action : m_pRecentActions) file->addAction(action);
    file->addSeparator();
    file->addAction(m_pExit);

    QMenu* view = menuBar()->addMenu(tr("表示(&V)"));
    view->addAction(m_pViewToolBar);
    view->addAction(m_pViewStatusBar);
    view->addAction(m_pViewLog);

    QMenu* tools = menuBar()->addMenu(tr("ツール(&T)"));
    tools->addAction(m_pCreateHelp);
    tools->addAction(m_pAbort);
    tools->addSeparator();
    tools->addAction(m_pOptions);

    QMenu* help = menuBar()->addMenu(tr("ヘルプ(&H)"));
    help->addAction(m_pHelp);
    help->addSeparator();
    help->addAction(m_pAbout);
}

void CMainFrame::UpdateCommands() {
    m_pCreateHelp->setEnabled(m_pDriver->IsCreateHelpEnabled());
    m_pAbort->setEnabled(m_pDriver->IsAbortEnabled());
}

void CMainFrame::UpdateTitle() {
    // An untitled project shows the program's name alone.
    QString title = FromSjis(m_doc.GetDocTitle());
    if (!m_doc.GetPathName().empty()) title += QStringLiteral(" - Corvane");
    setWindowTitle(title);
}

// --- file commands -------------------------------------------------------------------

void CMainFrame::SetRecentFiles(const std::vector<std::string>& files) {
    m_recent.clear();
    for (const std::string& file : files) {
        if (!file.empty() && static_cast<int>(m_recent.size()) < kRecentFileCount) {
            m_recent.push_back(file);
        }
    }
    UpdateRecentMenu();
}

void CMainFrame::AddRecentFile(const std::string& path) {
    if (path.empty()) return;
    std::erase(m_recent, path);
    m_recent.insert(m_recent.begin(), path);
    if (static_cast<int>(m_recent.size()) > kRecentFileCount) m_recent.resize(kRecentFileCount);
    UpdateRecentMenu();
}

void CMainFrame::UpdateRecentMenu() {
    for (int i = 0; i < kRecentFileCount; ++i) {
        QAction* action = m_pRecentActions[i];
        if (i < static_cast<int>(m_recent.size())) {
            action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(FromSjis(m_recent[i])));
            action->setVisible(true);
        } else {
            action->setVisible(false);
        }
    }
    m_pRecentSeparator->setVisible(!m_recent.empty());
}

bool CMainFrame::SaveModified() {
    if (!m_doc.IsModified()) return true;
    std::string name = m_doc.GetPathName().empty() ? m_doc.GetDocTitle() : m_doc.GetPathName();
    if (m_doc.GetPathName().empty() && name.size() >= 2 && name.ends_with(" *")) {
        name.resize(name.size() - 2);
    }
    switch (Ask(tr("%1 への変更を保存しますか?").arg(FromSjis(name)),
                MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
        case IDYES:
            return OnFileSave();
        case IDNO:
            return true;
        default:
            return false;
    }
}

void CMainFrame::NewDocument() {
    m_doc.ResetToDefaults();
    m_pView->OnInitialUpdate();
    UpdateTitle();
}

void CMainFrame::OnFileNew() {
    if (m_pDriver->IsRunning() || !SaveModified()) return;
    NewDocument();
}

void CMainFrame::OnFileOpen() {
    if (m_pDriver->IsRunning()) return;
    const QString path = QFileDialog::getOpenFileName(this, tr("開く"), QString(), FileFilter());
    if (path.isEmpty()) return;
    OpenDocument(PathToSjis(path));
}

bool CMainFrame::OpenDocument(const std::string& path) {
    if (m_pDriver->IsRunning() || !SaveModified()) return false;
    if (!m_doc.LoadFromFile(path)) return false;
    AddRecentFile(path);
    m_pView->OnInitialUpdate();
    UpdateTitle();
    return true;
}

bool CMainFrame::DoSave(const std::string& path) {
    if (!m_doc.SaveToFile(path)) return false;
    AddRecentFile(path);
    UpdateTitle();
    return true;
}

bool CMainFrame::OnFileSave() {
    if (m_doc.GetPathName().empty()) return OnFileSaveAs();
    return DoSave(m_doc.GetPathName());
}

bool CMainFrame::OnFileSaveAs() {
    const QString start = m_doc.GetPathName().empty() ? FromSjis(m_doc.GetDefaultSaveAsName())
                                                      : PathFromSjis(m_doc.GetPathName());
    QString path = m_fnChooseSave(this, tr("名前を付けて保存"), start);
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += QString::fromLatin1(CCorvaneDoc::kFilterExt);
    return DoSave(PathToSjis(path));
}

// --- build commands ------------------------------------------------------------------

void CMainFrame::OnCreateHelp() {
    if (!m_pDriver->IsCreateHelpEnabled()) return;
    // The compiler may have been changed in the options since the window was made.
    m_pDriver->SetCompilerPath(ChosenCompiler(GetOptions()));
    m_pDriver->OnCreateHelp();
    UpdateCommands();
}

void CMainFrame::OnAbortDownload() {
    if (m_pDriver->IsAbortEnabled()) m_pDriver->OnAbortDownload();
    UpdateCommands();
}

void CMainFrame::AppendLog(const std::string& text) {
    const QString line = FromSjis(text);
    m_pLogBar->GetLogEdit().AppendText(line + QLatin1Char('\n'));
    // The status pane shows one line: the message's first.
    m_pStatusBar->SetPaneText(0, line.section(QLatin1Char('\n'), 0, 0));
}

void CMainFrame::CreateProgress(int upper) {
    delete m_pProgressBar;
    m_pProgressBar = new CProgressBar();
    if (!m_pProgressBar->CreateInStatusBar(m_pStatusBar, QString(), 100, upper, true,
                                           kProgressPane)) {
        delete m_pProgressBar;
        m_pProgressBar = nullptr;
    }
}

void CMainFrame::SetProgress(int position, int upper) {
    if (m_pProgressBar == nullptr) return;
    m_pProgressBar->setRange(0, upper);
    m_pProgressBar->setValue(position);
}

void CMainFrame::DestroyProgress() {
    delete m_pProgressBar;
    m_pProgressBar = nullptr;
}

void CMainFrame::CommitAndSave() {
    // The project file on disk matches what is crawled. A cancelled Save As still lets the
    // run go on, with the values committed into the document.
    if (!OnFileSave()) m_doc.CommitViews();
}

void CMainFrame::OnRunningChanged(bool running) {
    UpdateCommands();
    emit RunningChanged(running);
}

void CMainFrame::WhileBusy() {
    // The help compiler runs on this thread: keep painting, but take no user input, so no
    // command starts in the middle of the build.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// --- view, tools and help ------------------------------------------------------------

void CMainFrame::OnToggleLogBar() {
    if (!m_pLogBar->isHidden()) {
        m_pLogBar->hide();
        m_pViewLog->setChecked(false);
        return;
    }
    // A hidden bar keeps its last geometry: it comes back at that size.
    const QSize previous = m_pLogBar->size();
    m_pLogBar->show();
    m_pViewLog->setChecked(true);
    QTimer::singleShot(0, this, [this, previous] {
        if (m_pLogBar->isHidden()) return;
        if (m_pLogBar->isFloating()) {
            m_pLogBar->resize(previous);
            return;
        }
        // The window makes room first: a fixed window would take the room from the form.
        const Qt::DockWidgetArea area = dockWidgetArea(m_pLogBar);
        const bool vertical = area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea;
        const QSize grow = vertical ? QSize(0, previous.height() - m_pLogBar->height())
                                    : QSize(previous.width() - m_pLogBar->width(), 0);
        m_bAdjusting = true;
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        resize(size() + grow);
        if (vertical) {
            resizeDocks({m_pLogBar}, {previous.height()}, Qt::Vertical);
        } else {
            resizeDocks({m_pLogBar}, {previous.width()}, Qt::Horizontal);
        }
        layout()->activate();
        m_bAdjusting = false;
        AdjustToBars();
    });
}

void CMainFrame::OnOptions() {
    COptionDlg dialog(GetOptions(), this);
    if (m_fnDialogHook) m_fnDialogHook(dialog);
    dialog.exec();
}

void CMainFrame::OnAbout() {
    CAboutDlg dialog(this);
    if (m_fnDialogHook) m_fnDialogHook(dialog);
    dialog.exec();
}

std::vector<std::string> CMainFrame::ManualCandidates() {
    std::vector<std::string> candidates;
    for (const std::string& folder : {GetDataFolder(), GetProgramFolder()}) {
        if (!folder.empty()) candidates.push_back(folder + kManualName);
    }
    // The current folder last: where the program was started from is a matter of chance.
    std::error_code ec;
    candidates.push_back(FromNativePath(std::filesystem::current_path(ec) / kManualName));
    return candidates;
}

void CMainFrame::OnHelp() {
    std::string found;
    for (const std::string& path : ManualCandidates()) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(ToNativePath(path), ec)) {
            found = path;
            break;
        }
    }
    if (found.empty()) {
        Ask(tr("ヘルプファイルが見つかりません\n[%1]").arg(FromSjis(ManualCandidates().front())),
            MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!m_fnOpen(found)) {
        Ask(tr("ヘルプファイルを開けませんでした\n[%1]").arg(FromSjis(found)),
            MB_OK | MB_ICONEXCLAMATION);
    }
}

// --- bars and size -------------------------------------------------------------------

QByteArray CMainFrame::SaveBarState() const { return saveState(); }

void CMainFrame::RestoreBarState(const QByteArray& state) {
    if (!state.isEmpty()) restoreState(state);
    m_pViewLog->setChecked(!m_pLogBar->isHidden());
    m_pViewToolBar->setChecked(!m_pToolBar->isHidden());
}

void CMainFrame::RememberLogExtent() {
    if (m_logArea == Qt::NoDockWidgetArea || m_pLogBar->isHidden()) return;
    if (IsRow(m_logArea)) {
        m_logRowHeight = m_pLogBar->height();
    } else {
        m_logColumnWidth = m_pLogBar->width();
    }
}

void CMainFrame::FitDockedLogBar() {
    if (m_pLogBar->isHidden() || m_pLogBar->isFloating()) return;
    // The window has a fixed size and does not grow by itself: a bar docked at a new side
    // would push the form out of it and be squeezed to its narrowest. Make room for the bar
    // at its thickness first; the adjustment then trims the window to the form.
    const bool row = IsRow(dockWidgetArea(m_pLogBar));
    int extent = row ? m_logRowHeight : m_logColumnWidth;
    if (extent <= 0) extent = row ? m_pLogBar->sizeHint().height() : kLogColumnWidth;
    // The bar and the separator beside it; too much is trimmed below.
    const int room =
        extent + style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, this);
    m_bAdjusting = true;
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(size() + (row ? QSize(0, room) : QSize(room, 0)));
    resizeDocks({m_pLogBar}, {extent}, row ? Qt::Vertical : Qt::Horizontal);
    layout()->activate();
    m_bAdjusting = false;
    AdjustToBars();
}

void CMainFrame::RequestAdjust() {
    if (m_bAdjustPending) return;
    m_bAdjustPending = true;
    QTimer::singleShot(0, this, [this] {
        m_bAdjustPending = false;
        AdjustToBars();
    });
}

void CMainFrame::AdjustToBars() {
    if (m_bAdjusting || isMinimized() || isMaximized() || m_formSize.isEmpty()) return;
    // The bars take what the window has beyond the form: growing or shrinking the window by
    // the change keeps the form at its size.
    const QSize delta = m_formSize - m_pView->size();
    if (delta.isNull() && size() == minimumSize() && size() == maximumSize()) return;
    m_bAdjusting = true;
    const QSize target = size() + delta;
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(target);
    setFixedSize(target);
    m_bAdjusting = false;
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The first layout grows the window by the bars shown at start.
    layout()->activate();
    AdjustToBars();
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pView && event->type() == QEvent::Resize) RequestAdjust();
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // Closing during a crawl ends the crawl first. While the help compiler runs the
    // window stays: the build finishes before the program can end.
    if (m_pDriver->IsRunning()) m_pDriver->OnAbortDownload();
    if (m_pDriver->IsRunning() || !SaveModified()) {
        event->ignore();
        return;
    }
    GetOptions().m_strLastFile = m_doc.GetPathName();
    event->accept();
}

}  // namespace corvane::ui
