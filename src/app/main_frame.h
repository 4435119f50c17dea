// The main window: menu bar, status bar (no toolbar) and the view; it carries out the file
// commands, routes the view commands to the view and keeps check marks, caption and recent files
// up to date.
#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <atomic>
#include <deque>
#include <map>

#include "app/prompts.h"
#include "app/recent_files.h"
#include "app/recent_profile.h"
#include "model/document.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QTimer;

namespace quorvane {

class CQuorvaneViewWidget;
struct LoadResult;

class CMainFrame : public QMainWindow {
    Q_OBJECT
  public:
    // `prompts` answers every question and shows every message; it must outlive the frame.
    CMainFrame(CUserPrompts* prompts, CRecentFileProfile profile, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CQuorvaneDoc& Document() { return m_document; }
    CQuorvaneViewWidget* ViewWidget() const { return m_viewWidget; }
    const CRecentFileList& RecentFiles() const { return m_recentFiles; }
    const CRecentFileProfile& Profile() const { return m_profile; }
    // The document's file, or empty while it is untitled.
    const QString& PathName() const { return m_pathName; }
    // The document title: the file name, or "Untitled".
    QString Title() const;
    // Whether the model shown was opened with repairs (and not saved since).
    bool IsRepaired() const { return m_bRepaired; }
    // Whether a file is being read.
    bool IsLoading() const { return m_bLoading; }

    // The action of command `id` (for ID_FILE_MRU_FILE1 the first recent entry, or the greyed
    // "Recent File" row while the list is empty); null for an unknown id.
    QAction* Action(int id) const;
    // The message pane (its idle text) and the CAP, NUM and SCRL indicators.
    QLabel* MessagePane() const { return m_messagePane; }
    QLabel* Indicator(int id) const;

    // Runs the command with id `id` as if chosen from the menu.
    void OnCommand(int id);

    // ---- File commands; each returns true when it was carried out ----
    // New: asks to save a modified document, then empties it.
    bool OnFileNew();
    // Open: asks for a file, then opens it.
    bool OnFileOpen();
    // Opens `path` as File Open does. The file is read first; only when it can replace the model
    // is a modified document offered for saving. A file that cannot be read or is refused is
    // reported and the current model, title and recent list stay. While a file is read or a
    // question is open, the request waits in the queue of RequestOpen and false is returned.
    bool OpenDocumentFile(const QString& path);
    // A file handed over from outside (a second start, a drop): opened once no file is being read
    // and no question or modal dialog is open, in the order the requests came.
    void RequestOpen(const QString& path);
    // How many such requests are waiting.
    std::size_t PendingOpenRequests() const { return m_openRequests.size(); }
    // Save writes the document's file; a model opened with repairs is written over its source
    // only after the user agreed to lose what the repairs removed (or chose Save As).
    bool OnFileSave();
    bool OnFileSaveAs();
    // Opens recent entry `index` (0 = newest); an entry whose file is gone is reported and removed.
    bool OnOpenRecentFile(int index);
    // Asks "Save changes to NAME?" when the document is modified; false when the user cancelled
    // (or saving failed). `saved` (when given) tells whether the document was written.
    bool SaveModified(bool* saved = nullptr);

    // Sets the check marks from the view's modes and the status bar's visibility.
    void UpdateCommandUI();
    // Shows the window in front of others (a file handed over by another start).
    void BringToFront();

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void CreateMenus();
    void CreateStatusBar();
    QAction* CreateAction(std::string_view text, int id, std::string_view prompt, std::string_view shortcuts);
    void RebuildRecentMenu();
    void RememberRecent(const QString& path);
    bool IsBusy() const;
    void ScheduleOpenRequests();
    void ProcessOpenRequests();
    bool ReadForOpening(const QString& absolutePath, LoadResult& loaded);
    void ShowOpenedModel(LoadResult& loaded, const QString& absolutePath);
    QString AskSaveAsPath();
    bool SaveTo(QString path);
    bool WouldOverwriteRepairedSource(const QString& path) const;
    bool DoSave(const QString& path);
    void UpdateTitle();
    void UpdateMessagePane();
    void UpdateLockIndicators();
    void OnDocumentEdited();
    void DismissRepairNote();

    // Every question goes through m_trackedPrompts, which knows when one is open.
    CTrackedPrompts m_trackedPrompts;
    CUserPrompts* m_prompts;
    CRecentFileProfile m_profile;
    CRecentFileList m_recentFiles;
    CQuorvaneDoc m_document;
    CQuorvaneViewWidget* m_viewWidget = nullptr;
    QString m_pathName;
    bool m_bLoading = false;
    // Set to give up the read in progress.
    std::atomic<bool> m_cancelLoad{false};
    // A close that came during a read: carried out once the read is given up.
    bool m_bCloseAfterLoad = false;
    // Files handed over from outside, waiting their turn.
    std::deque<QString> m_openRequests;
    bool m_bRequestsScheduled = false;
    // The model was opened with repairs: m_repairs lists them until it is saved or replaced.
    bool m_bRepaired = false;
    OffRepairReport m_repairs;
    // "Opened with N repairs" from the opening of a model with repairs until the next action.
    QString m_repairNote;

    std::map<int, QAction*> m_actions;
    QActionGroup* m_drawingModes = nullptr;
    QActionGroup* m_controlModes = nullptr;
    QMenu* m_fileMenu = nullptr;
    QAction* m_recentPlaceholder = nullptr;
    std::array<QAction*, CRecentFileList::kMaxEntries> m_recentActions{};

    QLabel* m_messagePane = nullptr;
    QLabel* m_capsIndicator = nullptr;
    QLabel* m_numIndicator = nullptr;
    QLabel* m_scrollIndicator = nullptr;
    QTimer* m_lockTimer = nullptr;
};

}  // namespace quorvane
