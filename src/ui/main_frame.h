// The main window: menus, tool bar, status bar with the run's progress bar, the log window
// and the project form. It is what the build driver shows its run in, and it keeps its own
// size fitted to the form and its bars: the user does not resize it.
#pragma once

#include <QAction>
#include <QMainWindow>
#include <QToolBar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "crawl/build_driver.h"
#include "ui/qt_message_box.h"
#include "ui/qt_message_pump.h"

namespace corvane {
class CCorvaneDoc;
}

namespace corvane::ui {

class CCorvaneView;
class CCVNLogBar;
class CStatusBar;
class CProgressBar;

class CMainFrame : public QMainWindow, public CBuildDriverCallback {
    Q_OBJECT
public:
    static constexpr int kRecentFileCount = 4;

    explicit CMainFrame(CCorvaneDoc& doc, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // File commands. Open and Save As ask for a file with a dialog; the others take it.
    void OnFileNew();
    void OnFileOpen();
    bool OnFileSave();
    bool OnFileSaveAs();
    // Opens a project file (Shift_JIS path) after the modified question; false on failure.
    bool OpenDocument(const std::string& path);
    // Starts an empty project (no question asked).
    void NewDocument();
    // A modified project: asks whether to save it first. False when the user cancels.
    bool SaveModified();
    // Writes the project to `path` (Shift_JIS) and remembers it among the recent files.
    bool DoSave(const std::string& path);

    void OnCreateHelp();
    void OnAbortDownload();
    void OnOptions();
    void OnHelp();
    void OnAbout();
    void OnToggleLogBar();
    // SIGTERM, SIGHUP or SIGINT: a run is ended as by ダウンロード中止 (the previous files
    // and help file stay), then the window closes without asking, since nobody may be there
    // to answer; the project's unsaved changes are not written.
    void EndBySignal();

    // The recent projects, newest first (Shift_JIS paths).
    const std::vector<std::string>& GetRecentFiles() const { return m_recent; }
    void SetRecentFiles(const std::vector<std::string>& files);
    void AddRecentFile(const std::string& path);

    // Dock and tool-bar placement, to keep in the options file and restore at start. A
    // placement that makes no sense here (a bar off every screen, a size of nothing) is
    // replaced by the usual one.
    QByteArray SaveBarState();
    void RestoreBarState(const QByteArray& state);

    // The log window's sizes: its height in a row (docked at the top or bottom), its width in
    // a column (docked at a side) and its floating size. Setting them applies the one in
    // use; values out of range are ignored.
    struct CLogSizes {
        QSize horz;
        QSize vert;
        QSize floating;
    };
    CLogSizes GetLogSizes() const;
    void SetLogSizes(const CLogSizes& sizes);
    // Gives the docked log window this thickness (height in a row, width in a column), as
    // dragging its inner edge does; the window grows or shrinks with it.
    void SetLogExtent(int extent);
    // Lower and upper bounds of the docked log window's thickness.
    static constexpr int kMinLogExtent = 40;
    static constexpr int kMaxLogExtent = 2000;

    // Fits the window to the form and the bars shown now.
    void AdjustToBars();
    // The strip between the docked log window and the form that resizes the log when
    // dragged, in this window's coordinates; empty while the log is hidden or floating.
    QRect LogSizingEdge() const;

    // Where the manual is looked for: the installed data folder, beside the program, then
    // the current folder.
    static std::vector<std::string> ManualCandidates();
    // Opens a file with the desktop's program; replaceable for tests. True on success.
    using Opener = std::function<bool(const std::string&)>;
    void SetOpener(Opener opener) { m_fnOpen = std::move(opener); }

    // The file dialogs of Open and Save As: title, start path -> chosen path or empty.
    // Replaceable for tests.
    using FileChooser = std::function<QString(QWidget*, const QString&, const QString&)>;
    void SetOpenChooser(FileChooser chooser) { m_fnChooseOpen = std::move(chooser); }
    void SetSaveChooser(FileChooser chooser) { m_fnChooseSave = std::move(chooser); }

    CBuildDriver& GetDriver() { return *m_pDriver; }
    CCorvaneView& GetView() { return *m_pView; }
    CCVNLogBar& GetLogBar() { return *m_pLogBar; }
    CStatusBar& GetStatusBar() { return *m_pStatusBar; }
    QToolBar& GetToolBar() { return *m_pToolBar; }
    CProgressBar* GetProgressBar() const { return m_pProgressBar; }
    QAction* CreateHelpAction() const { return m_pCreateHelp; }
    QAction* AbortAction() const { return m_pAbort; }

    // CBuildDriverCallback
    void AppendLog(const std::string& text) override;
    void CreateProgress(int upper) override;
    void SetProgress(int position, int upper) override;
    void DestroyProgress() override;
    void CommitAndSave() override;
    void OnRunningChanged(bool running) override;
    void WhileBusy() override;

    void UpdateCommands();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void UpdateTitle();
    void UpdateRecentMenu();
    void RequestAdjust();
    void ApplyLogConstraints();
    void DockToolBar();
    bool IsDragging() const;
    void OnDragStarted();
    void OnDragEnded();
    void CloseAfterSignal();
    bool TrackLogEdge(QEvent* event);

    CCorvaneDoc& m_doc;
    CQtMessageBoxHandler m_boxes;
    std::unique_ptr<CScopedMessageBoxHandler> m_pScopedBoxes;
    CQtMessagePump m_pump;

    CCorvaneView* m_pView = nullptr;
    CCVNLogBar* m_pLogBar = nullptr;
    CStatusBar* m_pStatusBar = nullptr;
    QToolBar* m_pToolBar = nullptr;
    CProgressBar* m_pProgressBar = nullptr;
    std::unique_ptr<CBuildDriver> m_pDriver;

    QAction* m_pNew = nullptr;
    QAction* m_pOpen = nullptr;
    QAction* m_pSave = nullptr;
    QAction* m_pSaveAs = nullptr;
    QAction* m_pRecentActions[kRecentFileCount] = {};
    QAction* m_pRecentSeparator = nullptr;
    QAction* m_pExit = nullptr;
    QAction* m_pViewToolBar = nullptr;
    QAction* m_pViewStatusBar = nullptr;
    QAction* m_pViewLog = nullptr;
    QAction* m_pCreateHelp = nullptr;
    QAction* m_pAbort = nullptr;
    QAction* m_pOptions = nullptr;
    QAction* m_pHelp = nullptr;
    QAction* m_pAbout = nullptr;

    std::vector<std::string> m_recent;
    QSize m_formSize;
    // The log window's height in a row (top, bottom), width in a column (left, right) and
    // floating size: a bar docked again gets the thickness it last had on that kind of side.
    // Docked, its thickness is fixed to these, so that nothing but the user changes them.
    int m_logRowHeight = 150;
    int m_logColumnWidth = 200;
    QSize m_logFloatSize{400, 150};
    bool m_bAdjusting = false;
    bool m_bAdjustPending = false;
    // A bar is being dragged by the user (the mouse button is down on it): the form may
    // give room for a dock gap meanwhile, and the window is fitted once it is dropped.
    bool m_bDragging = false;
    // A signal asked the program to end: the window closes once no run is going on.
    bool m_bEndRequested = false;
    // The log window's inner edge is being dragged: the start of the drag.
    bool m_bSizingLog = false;
    QPoint m_sizingStart;
    int m_nSizingExtent = 0;
    Opener m_fnOpen;
    FileChooser m_fnChooseOpen;
    FileChooser m_fnChooseSave;
};

}  // namespace corvane::ui
