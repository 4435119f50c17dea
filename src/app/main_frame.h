// The main window: menu bar, status bar (no toolbar) and the view; it carries out the file
// commands, routes the view commands to the view and keeps check marks, caption and recent files
// up to date.
#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <map>

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
class CUserPrompts;

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
    // Opens `path` as File Open does: asks to save a modified document first; a file that cannot
    // be read or is refused is reported and the current model, title and recent list stay.
    bool OpenDocumentFile(const QString& path);
    bool OnFileSave();
    bool OnFileSaveAs();
    // Opens recent entry `index` (0 = newest); an entry whose file is gone is reported and removed.
    bool OnOpenRecentFile(int index);
    // Asks "Save changes to NAME?" when the document is modified; false when the user cancelled
    // (or saving failed).
    bool SaveModified();

    // Sets the check marks from the view's modes and the status bar's visibility.
    void UpdateCommandUI();
    // Shows the window in front of others (a file handed over by another start).
    void BringToFront();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void CreateMenus();
    void CreateStatusBar();
    QAction* CreateAction(std::string_view text, int id, std::string_view prompt, std::string_view shortcuts);
    void RebuildRecentMenu();
    void RememberRecent(const QString& path);
    bool LoadPath(const QString& absolutePath);
    bool DoSave(const QString& path);
    void UpdateTitle();
    void UpdateMessagePane();
    void UpdateLockIndicators();
    void OnDocumentEdited();

    CUserPrompts* m_prompts;
    CRecentFileProfile m_profile;
    CRecentFileList m_recentFiles;
    CQuorvaneDoc m_document;
    CQuorvaneViewWidget* m_viewWidget = nullptr;
    QString m_pathName;
    bool m_bLoading = false;
    // "Opened with N repairs" while the model opened with repairs is shown, else empty.
    QString m_repairNote;
    QString m_pendingOpen;

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
