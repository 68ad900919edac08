#include "ui/main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/app_folders.h"
#include "platform/message_box.h"
#include "platform/shell_open.h"
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
const char* const kManualName = "Corvane.chm";

// A box through the core's handler, so that tests see the window's own questions too.
int Ask(const QString& text, unsigned flags) {
    return ShowMessageBox(ToSjis(text), CCorvaneDoc::kDocName, flags);
}

QString FileFilter() {
    return FromSjis(CCorvaneDoc::kFilterName) + QStringLiteral(";;") +
           QObject::tr("すべてのファイル (*)");
}

// The viewer runs on its own; the window keeps painting while the opener starts it.
bool OpenWithDesktop(const std::string& path) {
    return ShellOpen(path, [] { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
}

// While the help build runs on the window's thread, the user's input reaches one widget
// only: the abort button. Everything else (clicks, keys, shortcuts, drops) is dropped, so
// that no command starts in the middle of the build and none is played back after it.
class CAbortOnlyInput : public QObject {
public:
    explicit CAbortOnlyInput(const QWidget* abortButton) : m_pAbort(abortButton) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
                // The window passes a click on to the widget under the pointer, where it is
                // judged.
                return watched->isWidgetType() && watched != m_pAbort;
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::Shortcut:
            case QEvent::ShortcutOverride:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::Drop:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
            case QEvent::TabletPress:
            case QEvent::TabletRelease:
                return true;
            default:
                return false;
        }
    }

private:
    const QWidget* m_pAbort;
};

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
    addDockWidget(Qt::BottomDockWidgetArea, m_pLogBar);
    // Docked elsewhere, floated or docked again (by the user or a restored state): the bar
    // takes the size it last had there, and the window is fitted around it.
    connect(m_pLogBar, &QDockWidget::topLevelChanged, this, [this] {
        ApplyLogConstraints();
        RequestAdjust();
    });
    connect(m_pLogBar, &QDockWidget::dockLocationChanged, this, [this] {
        ApplyLogConstraints();
        RequestAdjust();
    });
    connect(m_pToolBar, &QToolBar::topLevelChanged, this, [this] { RequestAdjust(); });
    // Presses on the bars tell when the user drags one.
    m_pLogBar->installEventFilter(this);
    m_pToolBar->installEventFilter(this);
    m_pLogBar->GetCaption().installEventFilter(this);
    ApplyLogConstraints();

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
    // The form keeps its size whatever the bars do; the window is fitted around it.
    m_pView->setFixedSize(m_formSize);
    installEventFilter(this);
    UpdateCommands();
    UpdateTitle();
    UpdateRecentMenu();
}

CMainFrame::~CMainFrame() {
    // The base class still hides the bars while it goes, and their signals must no longer
    // reach this half-destroyed window.
    disconnect(m_pLogBar, nullptr, this, nullptr);
    disconnect(m_pToolBar, nullptr, this, nullptr);
    removeEventFilter(this);
    m_pLogBar->removeEventFilter(this);
    m_pToolBar->removeEventFilter(this);
    m_pLogBar->GetCaption().removeEventFilter(this);
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
    if (!m_doc.LoadFromFile(path)) {
        // A file that is missing or unreadable has been reported by the load; one that reads
        // but is no project would otherwise leave the window as it was without a word.
        std::error_code ec;
        if (std::filesystem::is_regular_file(ToNativePath(path), ec) &&
            std::ifstream(ToNativePath(path), std::ios::binary).is_open()) {
            Ask(tr("プロジェクトファイルとして読み込めません\n[%1]").arg(FromSjis(path)),
                MB_OK | MB_ICONEXCLAMATION);
        }
        return false;
    }
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
    // The compiler and the proxy may have been changed in the options since the window
    // was made.
    m_pDriver->SetCompilerPath(ChosenCompiler(GetOptions()));
    m_pDriver->SetProxy(GetOptions().m_nProxyType, GetOptions().m_strProxyHost,
                        GetOptions().m_nProxyPort);
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
    // The driver is still unwinding here: close from the event loop.
    if (!running && m_bEndRequested) {
        QMetaObject::invokeMethod(this, &CMainFrame::CloseAfterSignal, Qt::QueuedConnection);
    }
}

void CMainFrame::EndBySignal() {
    m_bEndRequested = true;
    if (m_pDriver->IsRunning()) {
        OnAbortDownload();
        // The run ends later (the workers stop, the compile sees the abort).
        if (m_pDriver->IsRunning()) return;
    }
    CloseAfterSignal();
}

void CMainFrame::CloseAfterSignal() {
    if (m_pDriver->IsRunning()) return;
    if (close()) QCoreApplication::quit();
}

void CMainFrame::WhileBusy() {
    // The help build runs on this thread: keep painting, and take no user input but a click
    // on ダウンロード中止, which ends the compile.
    const QWidget* abort = m_pToolBar->widgetForAction(m_pAbort);
    if (abort == nullptr || !m_pAbort->isEnabled() || !abort->isVisible()) {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return;
    }
    CAbortOnlyInput filter(abort);
    qApp->installEventFilter(&filter);
    QApplication::processEvents();
    qApp->removeEventFilter(&filter);
}

// --- view, tools and help ------------------------------------------------------------

void CMainFrame::OnToggleLogBar() {
    // A hidden bar keeps its sizes: it comes back as it was, and the window with it.
    m_pLogBar->setVisible(m_pLogBar->isHidden());
    m_pViewLog->setChecked(!m_pLogBar->isHidden());
    RequestAdjust();
}

void CMainFrame::OnOptions() {
    COptionDlg dialog(GetOptions(), this);
    dialog.exec();
}

void CMainFrame::OnAbout() {
    CAboutDlg dialog(this);
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

namespace {

// Whether a floating bar at this place could be seen and grabbed on some screen.
bool OnSomeScreen(const QRect& geometry) {
    if (geometry.width() <= 0 || geometry.height() <= 0) return false;
    for (const QScreen* screen : QGuiApplication::screens()) {
        // Its top band (where it is grabbed) must be on the screen, not just a corner.
        const QRect band(geometry.topLeft(), QSize(geometry.width(), 20));
        const QRect seen = screen->availableGeometry().intersected(band);
        if (seen.width() >= 40 && seen.height() >= 10) return true;
    }
    return false;
}

bool IsRowArea(Qt::DockWidgetArea area) {
    return area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea;
}

}  // namespace

QByteArray CMainFrame::SaveBarState() {
    // A bar floating where no screen shows it is kept docked: the next start must not bring
    // back a bar nobody can reach.
    if (m_pLogBar->isFloating() && !OnSomeScreen(m_pLogBar->geometry())) {
        addDockWidget(Qt::BottomDockWidgetArea, m_pLogBar);
        m_pLogBar->setFloating(false);
    }
    if (m_pToolBar->isFloating() && !OnSomeScreen(m_pToolBar->geometry())) DockToolBar();
    return saveState();
}

void CMainFrame::RestoreBarState(const QByteArray& state) {
    if (!state.isEmpty() && !restoreState(state)) {
        // Unreadable: the bars stay where they were made.
        addToolBar(Qt::TopToolBarArea, m_pToolBar);
        addDockWidget(Qt::BottomDockWidgetArea, m_pLogBar);
    }
    // A bar left floating off every screen (a monitor since unplugged) or at no size comes
    // back docked at its usual place.
    if (m_pLogBar->isFloating() && !OnSomeScreen(m_pLogBar->geometry())) {
        addDockWidget(Qt::BottomDockWidgetArea, m_pLogBar);
        m_pLogBar->setFloating(false);
    }
    if (m_pToolBar->isFloating() && !OnSomeScreen(m_pToolBar->geometry())) DockToolBar();
    if (m_pLogBar->isFloating()) m_logFloatSize = m_pLogBar->size();
    ApplyLogConstraints();
    m_pViewLog->setChecked(!m_pLogBar->isHidden());
    m_pViewToolBar->setChecked(!m_pToolBar->isHidden());
    RequestAdjust();
}

void CMainFrame::DockToolBar() {
    // Adding a floating bar to an area does not take it back from its own window.
    removeToolBar(m_pToolBar);
    m_pToolBar->setWindowFlags(Qt::Widget);
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
    m_pToolBar->show();
    RequestAdjust();
}

CMainFrame::CLogSizes CMainFrame::GetLogSizes() const {
    CLogSizes sizes;
    sizes.horz = QSize(m_pLogBar->width(), m_logRowHeight);
    sizes.vert = QSize(m_logColumnWidth, m_pLogBar->height());
    sizes.floating = m_pLogBar->isFloating() ? m_pLogBar->size() : m_logFloatSize;
    return sizes;
}

void CMainFrame::SetLogSizes(const CLogSizes& sizes) {
    auto usable = [](int extent) { return extent >= kMinLogExtent && extent <= kMaxLogExtent; };
    if (usable(sizes.horz.height())) m_logRowHeight = sizes.horz.height();
    if (usable(sizes.vert.width())) m_logColumnWidth = sizes.vert.width();
    if (usable(sizes.floating.width()) && usable(sizes.floating.height())) {
        m_logFloatSize = sizes.floating;
        if (m_pLogBar->isFloating()) m_pLogBar->resize(m_logFloatSize);
    }
    ApplyLogConstraints();
    RequestAdjust();
}

void CMainFrame::SetLogExtent(int extent) {
    extent = std::clamp(extent, kMinLogExtent, kMaxLogExtent);
    if (m_pLogBar->isFloating()) return;
    if (IsRowArea(dockWidgetArea(m_pLogBar))) {
        m_logRowHeight = extent;
    } else {
        m_logColumnWidth = extent;
    }
    ApplyLogConstraints();
    AdjustToBars();
}

void CMainFrame::ApplyLogConstraints() {
    if (m_pLogBar->isFloating()) {
        // Floating, the user sizes it like any window.
        m_pLogBar->setMinimumSize(120, kMinLogExtent);
        m_pLogBar->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        return;
    }
    // Docked, its thickness is what it was given; the other way it spans the window.
    if (IsRowArea(dockWidgetArea(m_pLogBar))) {
        m_pLogBar->setMinimumSize(0, m_logRowHeight);
        m_pLogBar->setMaximumSize(QWIDGETSIZE_MAX, m_logRowHeight);
    } else {
        m_pLogBar->setMinimumSize(m_logColumnWidth, 0);
        m_pLogBar->setMaximumSize(m_logColumnWidth, QWIDGETSIZE_MAX);
    }
}

QRect CMainFrame::LogSizingEdge() const {
    if (m_pLogBar->isHidden() || m_pLogBar->isFloating()) return QRect();
    const int separator = style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, this);
    // The separator, and a few pixels of the bar's own border beside it.
    const int grip = separator + 3;
    const QRect bar = m_pLogBar->geometry();
    switch (dockWidgetArea(m_pLogBar)) {
        case Qt::TopDockWidgetArea:
            return QRect(bar.left(), bar.bottom() - 2, bar.width(), grip);
        case Qt::BottomDockWidgetArea:
            return QRect(bar.left(), bar.top() - separator, bar.width(), grip);
        case Qt::LeftDockWidgetArea:
            return QRect(bar.right() - 2, bar.top(), grip, bar.height());
        case Qt::RightDockWidgetArea:
            return QRect(bar.left() - separator, bar.top(), grip, bar.height());
        default:
            return QRect();
    }
}

bool CMainFrame::TrackLogEdge(QEvent* event) {
    // Every event of the window passes here: only mouse events may be looked at as such.
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease) {
        return false;
    }
    auto* mouse = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            if (mouse->button() != Qt::LeftButton ||
                !LogSizingEdge().contains(mouse->position().toPoint())) {
                return false;
            }
            m_bSizingLog = true;
            m_sizingStart = mouse->globalPosition().toPoint();
            m_nSizingExtent =
                IsRowArea(dockWidgetArea(m_pLogBar)) ? m_logRowHeight : m_logColumnWidth;
            return true;
        }
        case QEvent::MouseMove: {
            if (!m_bSizingLog) return false;
            // The window grows away from the edge, so the edge's place on the screen stays
            // put: the distance from the press is what the bar gains or loses.
            const QPoint moved = mouse->globalPosition().toPoint() - m_sizingStart;
            int delta = 0;
            switch (dockWidgetArea(m_pLogBar)) {
                case Qt::TopDockWidgetArea:
                    delta = moved.y();
                    break;
                case Qt::BottomDockWidgetArea:
                    delta = -moved.y();
                    break;
                case Qt::LeftDockWidgetArea:
                    delta = moved.x();
                    break;
                default:
                    delta = -moved.x();
                    break;
            }
            SetLogExtent(m_nSizingExtent + delta);
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (!m_bSizingLog || mouse->button() != Qt::LeftButton) return false;
            m_bSizingLog = false;
            return true;
        default:
            return false;
    }
}

bool CMainFrame::IsDragging() const {
    return m_bDragging && QGuiApplication::mouseButtons() != Qt::NoButton;
}

void CMainFrame::OnDragStarted() {
    if (m_bDragging) return;
    m_bDragging = true;
    // While a bar is dragged the form may give room to the gap where it would dock: a
    // window that cannot make room refuses every dock.
    m_pView->setMinimumSize(0, 0);
}

void CMainFrame::OnDragEnded() {
    if (!m_bDragging) return;
    // After the bar has been dropped (the dock handles the release after this filter).
    QTimer::singleShot(0, this, [this] { AdjustToBars(); });
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
    if (m_bDragging) {
        // Mid-drag the docking framework owns the layout; the drop brings the next fit.
        if (IsDragging()) return;
        // A drag whose release went elsewhere is over all the same.
        m_bDragging = false;
        m_pView->setFixedSize(m_formSize);
        ApplyLogConstraints();
    }
    m_bAdjusting = true;
    // The form and the docked log have fixed sizes and every other bar its own height, so
    // the least the layout needs is exactly the form and the bars around it.
    layout()->invalidate();
    const QSize target = layout()->totalMinimumSize().expandedTo(m_formSize);
    if (target != size() || minimumSize() != target || maximumSize() != target) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        resize(target);
        setFixedSize(target);
    }
    m_bAdjusting = false;
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The first layout grows the window by the bars shown at start.
    AdjustToBars();
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == this) {
        if (TrackLogEdge(event)) return true;
        // Any change of a bar's size or visibility asks the window to lay itself out.
        if (event->type() == QEvent::LayoutRequest) RequestAdjust();
        return QMainWindow::eventFilter(watched, event);
    }
    // A press on a bar (its caption, its handle, a floating bar anywhere) may start a drag.
    if (watched == m_pLogBar || watched == m_pToolBar || watched == &m_pLogBar->GetCaption()) {
        if (event->type() == QEvent::MouseButtonPress &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            OnDragStarted();
        } else if (event->type() == QEvent::MouseButtonRelease) {
            OnDragEnded();
        } else if (event->type() == QEvent::MouseButtonDblClick && watched == m_pToolBar &&
                   m_pToolBar->isFloating()) {
            // A floating tool bar docks again where it belongs on a double click, as the
            // log window does.
            DockToolBar();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // Closing during a crawl ends the crawl first. While the help compiler runs the
    // window stays: the build finishes before the program can end.
    if (m_pDriver->IsRunning()) m_pDriver->OnAbortDownload();
    if (m_pDriver->IsRunning() || (!m_bEndRequested && !SaveModified())) {
        event->ignore();
        return;
    }
    GetOptions().m_strLastFile = m_doc.GetPathName();
    event->accept();
}

}  // namespace corvane::ui
