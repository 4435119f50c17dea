#include "app/main_frame.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>

#include "app/about_dialog.h"
#include "app/commands.h"
#include "app/file_loader.h"
#include "app/file_reading.h"
#include "app/file_rules.h"
#include "app/lock_keys.h"
#include "app/prompt_menu.h"
#include "app/prompts.h"
#include "app/view_widget.h"
#include "model/statistics.h"

namespace quorvane {

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The absolute, cleaned form of a path, as it is kept in the recent-file list.
QString AbsolutePath(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// The first local file among dropped URLs, or an empty string.
QString FirstLocalFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) {
        return {};
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            return url.toLocalFile();
        }
    }
    return {};
}

}  // namespace

CMainFrame::CMainFrame(CUserPrompts* prompts, CRecentFileProfile profile, QWidget* parent)
    : QMainWindow(parent),
      m_trackedPrompts(prompts, [this] { ScheduleOpenRequests(); }),
      m_prompts(&m_trackedPrompts),
      m_profile(std::move(profile)) {
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowIcon(ProgramIcon());
    m_recentFiles.SetEntries(m_profile.Load());

    m_viewWidget = new CQuorvaneViewWidget(&m_document, this);
    m_viewWidget->SetPrompts(m_prompts);
    setCentralWidget(m_viewWidget);
    connect(m_viewWidget, &CQuorvaneViewWidget::pictureChanged, this, &CMainFrame::UpdateMessagePane);
    connect(m_viewWidget, &CQuorvaneViewWidget::documentEdited, this, &CMainFrame::OnDocumentEdited);
    connect(m_viewWidget, &CQuorvaneViewWidget::userInput, this, &CMainFrame::DismissRepairNote);

    CreateMenus();
    CreateStatusBar();
    RebuildRecentMenu();
    UpdateCommandUI();
    UpdateTitle();
    resize(800, 600);
}

CMainFrame::~CMainFrame() = default;

QString CMainFrame::Title() const {
    return ToQString(DocumentTitle(m_pathName.toStdString()));
}

QAction* CMainFrame::CreateAction(std::string_view text, int id, std::string_view prompt,
                                  std::string_view shortcuts) {
    auto* action = new QAction(ToQString(text), this);
    action->setData(id);
    action->setStatusTip(ToQString(PromptText(prompt)));
    if (!shortcuts.empty()) {
        action->setShortcuts(QKeySequence::listFromString(ToQString(shortcuts), QKeySequence::PortableText));
    }
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_actions[id] = action;
    return action;
}

void CMainFrame::CreateMenus() {
    m_drawingModes = new QActionGroup(this);
    m_drawingModes->setExclusive(true);
    m_controlModes = new QActionGroup(this);
    m_controlModes->setExclusive(true);

    for (const MenuDefinition& definition : MenuBar()) {
        auto* menu = new CPromptMenu(ToQString(definition.title), this);
        menuBar()->addMenu(menu);
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::DismissRepairNote);
        for (const MenuItem& item : definition.items) {
            if (item.id == ID_SEPARATOR) {
                menu->addSeparator();
                continue;
            }
            if (item.id == ID_FILE_MRU_FILE1) {
                // The recent-file rows: a greyed "Recent File" while the list is empty, else the entries.
                m_fileMenu = menu;
                m_recentPlaceholder = new QAction(ToQString(item.text), this);
                m_recentPlaceholder->setData(ID_FILE_MRU_FILE1);
                m_recentPlaceholder->setStatusTip(ToQString(PromptText(item.prompt)));
                m_recentPlaceholder->setEnabled(false);
                menu->addAction(m_recentPlaceholder);
                for (int i = 0; i < CRecentFileList::kMaxEntries; ++i) {
                    auto* entry = new QAction(this);
                    entry->setData(ID_FILE_MRU_FILE1 + i);
                    entry->setStatusTip(ToQString(PromptText(item.prompt)));
                    connect(entry, &QAction::triggered, this, [this, i] { OnOpenRecentFile(i); });
                    m_recentActions[i] = entry;
                    menu->addAction(entry);
                }
                continue;
            }
            QAction* action = CreateAction(item.text, item.id, item.prompt, item.shortcuts);
            switch (item.id) {
                case ID_VIEW_WIREFRAME:
                case ID_VIEW_SOLID:
                case ID_VIEW_POINTS:
                    action->setCheckable(true);
                    m_drawingModes->addAction(action);
                    break;
                case ID_CONTROL_VIEWING_MODE:
                case ID_CONTROL_EDITING_MODE:
                    action->setCheckable(true);
                    m_controlModes->addAction(action);
                    break;
                case ID_VIEW_STATUS_BAR:
                    action->setCheckable(true);
                    break;
                case ID_EDIT_UNDO:
                case ID_EDIT_CUT:
                case ID_EDIT_PASTE:
                    // No handler anywhere: always greyed, and so are their shortcuts.
                    action->setEnabled(false);
                    break;
                default:
                    break;
            }
            menu->addAction(action);
            // Shortcuts work while the menu is closed.
            addAction(action);
        }
    }
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("AFX_IDW_STATUS_BAR"));
    m_messagePane = new QLabel(ToQString(kIdleMessage), bar);
    m_messagePane->setObjectName(QStringLiteral("ID_SEPARATOR"));
    bar->addWidget(m_messagePane, 1);

    const auto makeIndicator = [bar](const char* name, const QString& widest) {
        auto* label = new QLabel(bar);
        label->setObjectName(QString::fromLatin1(name));
        label->setAlignment(Qt::AlignCenter);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(widest) + 12);
        bar->addPermanentWidget(label);
        return label;
    };
    m_capsIndicator = makeIndicator("ID_INDICATOR_CAPS", QStringLiteral("CAP"));
    m_numIndicator = makeIndicator("ID_INDICATOR_NUM", QStringLiteral("NUM"));
    m_scrollIndicator = makeIndicator("ID_INDICATOR_SCRL", QStringLiteral("SCRL"));

    // Where the platform can tell the lock states, they are looked at a few times a second;
    // elsewhere the indicators stay blank.
    if (QueryLockKeys().known) {
        m_lockTimer = new QTimer(this);
        connect(m_lockTimer, &QTimer::timeout, this, &CMainFrame::UpdateLockIndicators);
        m_lockTimer->start(250);
        UpdateLockIndicators();
    }
}

QLabel* CMainFrame::Indicator(int id) const {
    switch (id) {
        case ID_INDICATOR_CAPS:
            return m_capsIndicator;
        case ID_INDICATOR_NUM:
            return m_numIndicator;
        case ID_INDICATOR_SCRL:
            return m_scrollIndicator;
        default:
            return nullptr;
    }
}

void CMainFrame::UpdateLockIndicators() {
    const LockKeyState state = QueryLockKeys();
    m_capsIndicator->setText(state.known && state.caps ? QStringLiteral("CAP") : QString());
    m_numIndicator->setText(state.known && state.num ? QStringLiteral("NUM") : QString());
    m_scrollIndicator->setText(state.known && state.scroll ? QStringLiteral("SCRL") : QString());
}

QAction* CMainFrame::Action(int id) const {
    if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + CRecentFileList::kMaxEntries) {
        const int index = id - ID_FILE_MRU_FILE1;
        if (index < m_recentFiles.Size()) {
            return m_recentActions[index];
        }
        return index == 0 ? m_recentPlaceholder : nullptr;
    }
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}

void CMainFrame::OnCommand(int id) {
    DismissRepairNote();
    CQuorvaneView& view = m_viewWidget->View();
    switch (id) {
        case ID_FILE_NEW:
            OnFileNew();
            break;
        case ID_FILE_OPEN:
            OnFileOpen();
            break;
        case ID_FILE_SAVE:
            OnFileSave();
            break;
        case ID_FILE_SAVE_AS:
            OnFileSaveAs();
            break;
        case ID_APP_EXIT:
            close();
            break;
        case ID_EDIT_COPY:
            m_viewWidget->OnEditCopy();
            break;
        case ID_VIEW_MODEL_INFORMATION:
            m_prompts->ShowModelInformation(this, view.GetStatistics());
            break;
        case ID_VIEW_VIEWING_PARAMETERS: {
            ViewingParameters parameters;
            if (m_prompts->EditViewingParameters(this, view.GetViewingSpace(), parameters)) {
                m_viewWidget->Apply(view.ApplyViewingParameters(parameters.at, parameters.from, parameters.up,
                                                                parameters.angle));
            }
            break;
        }
        case ID_VIEW_RESET_VIEW:
            m_viewWidget->Apply(view.OnResetView());
            break;
        case ID_VIEW_WIREFRAME:
            m_viewWidget->Apply(view.OnViewWireframe());
            break;
        case ID_VIEW_SOLID:
            m_viewWidget->Apply(view.OnViewSolid());
            break;
        case ID_VIEW_POINTS:
            m_viewWidget->Apply(view.OnViewPoints());
            break;
        case ID_VIEW_STATUS_BAR:
            statusBar()->setVisible(statusBar()->isHidden());
            break;
        case ID_CONTROL_VIEWING_MODE:
            m_viewWidget->Apply(view.OnViewingMode());
            break;
        case ID_CONTROL_EDITING_MODE:
            m_viewWidget->Apply(view.OnEditingMode());
            break;
        case ID_TOOLS_BACKGROUND_COLOR: {
            COLORREF colour = view.GetBackgroundColor();
            if (m_prompts->AskColor(this, colour)) {
                m_viewWidget->Apply(view.SetBackgroundColor(colour));
            }
            break;
        }
        case ID_TOOLS_LIGHTING: {
            CLightingSettings settings = view.GetLighting();
            if (m_prompts->EditLighting(this, settings)) {
                m_viewWidget->Apply(view.ApplyLighting(settings));
            }
            break;
        }
        case ID_APP_ABOUT:
            m_prompts->ShowAbout(this);
            break;
        default:
            if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + CRecentFileList::kMaxEntries) {
                OnOpenRecentFile(id - ID_FILE_MRU_FILE1);
            }
            break;
    }
    UpdateCommandUI();
}

void CMainFrame::UpdateCommandUI() {
    const CQuorvaneView& view = m_viewWidget->View();
    m_actions[ID_VIEW_WIREFRAME]->setChecked(view.GetDrawingMode() == DrawingMode::kWireframe);
    m_actions[ID_VIEW_SOLID]->setChecked(view.GetDrawingMode() == DrawingMode::kSolid);
    m_actions[ID_VIEW_POINTS]->setChecked(view.GetDrawingMode() == DrawingMode::kPoints);
    m_actions[ID_CONTROL_VIEWING_MODE]->setChecked(view.IsViewingMode());
    m_actions[ID_CONTROL_EDITING_MODE]->setChecked(view.IsEditingMode());
    m_actions[ID_VIEW_STATUS_BAR]->setChecked(!statusBar()->isHidden());
}

void CMainFrame::UpdateTitle() {
    setWindowTitle(ToQString(FrameCaption(Title().toStdString(), m_bRepaired)));
    setWindowModified(m_document.IsModified());
}

void CMainFrame::UpdateMessagePane() {
    const CQuorvaneView& view = m_viewWidget->View();
    if (view.IsCameraDegenerate()) {
        m_messagePane->setText(ToQString(DegenerateCameraMessage(view.GetViewingSpace())));
    } else {
        m_messagePane->setText(m_repairNote.isEmpty() ? ToQString(kIdleMessage) : m_repairNote);
    }
}

// The note on the repairs is a message like the others: the next command, menu or mouse action in
// the view replaces it with the idle text.
void CMainFrame::DismissRepairNote() {
    if (m_repairNote.isEmpty()) {
        return;
    }
    m_repairNote.clear();
    UpdateMessagePane();
}

void CMainFrame::OnDocumentEdited() {
    m_document.SetModifiedFlag(true);
    setWindowModified(true);
}

void CMainFrame::RebuildRecentMenu() {
    const auto& entries = m_recentFiles.Entries();
    m_recentPlaceholder->setVisible(entries.empty());
    for (int i = 0; i < CRecentFileList::kMaxEntries; ++i) {
        QAction* action = m_recentActions[i];
        const bool used = i < static_cast<int>(entries.size());
        action->setVisible(used);
        if (used) {
            action->setText(ToQString(RecentMenuText(i, entries[i])));
            action->setToolTip(ToQString(entries[i]));
        }
    }
}

void CMainFrame::RememberRecent(const QString& path) {
    m_recentFiles.Add(path.toStdString());
    m_profile.Save(m_recentFiles.Entries());
    RebuildRecentMenu();
}

bool CMainFrame::SaveModified(bool* saved) {
    if (saved != nullptr) {
        *saved = false;
    }
    if (!m_document.IsModified()) {
        return true;
    }
    switch (m_prompts->AskSaveChanges(this, ToQString(SaveChangesQuestion(Title().toStdString())))) {
        case SaveChoice::kSave:
            if (!OnFileSave()) {
                return false;
            }
            if (saved != nullptr) {
                *saved = true;
            }
            return true;
        case SaveChoice::kDiscard:
            return true;
        case SaveChoice::kCancel:
            break;
    }
    return false;
}

bool CMainFrame::OnFileNew() {
    if (IsBusy() || !SaveModified()) {
        return false;
    }
    m_document.OnNewDocument();
    m_pathName.clear();
    m_bRepaired = false;
    m_repairs.Clear();
    m_repairNote.clear();
    m_viewWidget->Apply(m_viewWidget->View().OnUpdate());
    UpdateTitle();
    UpdateCommandUI();
    UpdateMessagePane();
    return true;
}

bool CMainFrame::OnFileOpen() {
    if (IsBusy()) {
        return false;
    }
    const QString directory =
        m_pathName.isEmpty() ? QDir::currentPath() : QFileInfo(m_pathName).absolutePath();
    const QString path = m_prompts->AskOpenFileName(this, directory);
    if (path.isEmpty()) {
        return false;
    }
    return OpenDocumentFile(path);
}

bool CMainFrame::IsBusy() const {
    return m_bLoading || m_bCloseAfterLoad || m_trackedPrompts.IsAsking() ||
           QApplication::activeModalWidget() != nullptr;
}

void CMainFrame::RequestOpen(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    m_openRequests.push_back(path);
    ScheduleOpenRequests();
}

void CMainFrame::ScheduleOpenRequests() {
    if (m_openRequests.empty() || m_bRequestsScheduled) {
        return;
    }
    // From the event loop: the request may have come from inside a signal or a nested loop.
    m_bRequestsScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_bRequestsScheduled = false;
            ProcessOpenRequests();
        },
        Qt::QueuedConnection);
}

// Opens the waiting files in turn while nothing else holds the window; what arrives meanwhile
// joins the end of the queue. A busy window is looked at again when it is free (end of a read,
// answer to the last question, close of a modal dialog).
void CMainFrame::ProcessOpenRequests() {
    while (!m_openRequests.empty() && !IsBusy() && isVisible()) {
        const QString path = m_openRequests.front();
        m_openRequests.pop_front();
        OpenDocumentFile(path);
    }
}

bool CMainFrame::OpenDocumentFile(const QString& path) {
    if (IsBusy()) {
        RequestOpen(path);
        return false;
    }
    const QString absolutePath = AbsolutePath(path);
    LoadResult loaded;
    if (!ReadForOpening(absolutePath, loaded)) {
        ScheduleOpenRequests();
        return false;
    }
    // Only now, with a model that can replace the current one, may the current one be saved.
    bool saved = false;
    if (!SaveModified(&saved)) {
        ScheduleOpenRequests();
        return false;
    }
    if (saved && m_pathName == absolutePath && !ReadForOpening(absolutePath, loaded)) {
        // The edited model was just written to the very file being opened: what was read before
        // is out of date, and the model shown is what the file now holds.
        ScheduleOpenRequests();
        return false;
    }
    ShowOpenedModel(loaded, absolutePath);
    ScheduleOpenRequests();
    return true;
}

// Reads the file; when only the repairing reading accepts it, offers the repairs. Reports a file
// that cannot be read or is refused. False when the file is not to replace the model.
bool CMainFrame::ReadForOpening(const QString& absolutePath, LoadResult& loaded) {
    m_cancelLoad.store(false);
    m_bLoading = true;
    loaded = LoadDocumentInBackground(absolutePath, this, m_cancelLoad);
    m_bLoading = false;
    if (m_bCloseAfterLoad) {
        // The window was closed during the read: the read is given up and the close goes ahead.
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_bCloseAfterLoad = false;
                if (!close()) {
                    ScheduleOpenRequests();
                }
            },
            Qt::QueuedConnection);
        return false;
    }
    switch (loaded.status) {
        case LoadStatus::kLoaded:
            return true;
        case LoadStatus::kRepairable:
            return m_prompts->AskOpenWithRepairs(
                this,
                ToQString(RepairOfferMessage(absolutePath.toStdString(), loaded.error, loaded.repairs)));
        case LoadStatus::kRefused:
            m_prompts->ShowMessage(this,
                                   ToQString(OpenFailureMessage(absolutePath.toStdString(), loaded.error)));
            return false;
        case LoadStatus::kCancelled:
            break;
    }
    return false;
}

void CMainFrame::ShowOpenedModel(LoadResult& loaded, const QString& absolutePath) {
    const bool repaired = loaded.status == LoadStatus::kRepairable;
    m_document.TakeModel(std::move(loaded.document));
    m_pathName = absolutePath;
    m_bRepaired = repaired;
    m_repairs = repaired ? loaded.repairs : OffRepairReport();
    m_repairNote = repaired ? ToQString(RepairStatusText(m_repairs)) : QString();
    m_viewWidget->Apply(m_viewWidget->View().OnUpdate());
    if (IsPointSet(m_document)) {
        // Wireframe and solid would show the background alone.
        m_viewWidget->Apply(m_viewWidget->View().OnViewPoints());
    }
    RememberRecent(absolutePath);
    UpdateTitle();
    UpdateCommandUI();
    UpdateMessagePane();
    if (repaired) {
        m_prompts->ShowInformation(this,
                                   ToQString(RepairSummaryMessage(absolutePath.toStdString(), m_repairs)));
    }
}

bool CMainFrame::OnOpenRecentFile(int index) {
    if (index < 0 || index >= m_recentFiles.Size() || IsBusy()) {
        return false;
    }
    const QString path = QString::fromStdString(m_recentFiles.Entries()[index]);
    if (!QFileInfo::exists(path)) {
        m_prompts->ShowMessage(this, ToQString(MissingFileMessage(path.toStdString())));
        m_recentFiles.Remove(index);
        m_profile.Save(m_recentFiles.Entries());
        RebuildRecentMenu();
        return false;
    }
    return OpenDocumentFile(path);
}

bool CMainFrame::OnFileSave() {
    if (m_pathName.isEmpty()) {
        return OnFileSaveAs();
    }
    return SaveTo(m_pathName);
}

bool CMainFrame::OnFileSaveAs() {
    const QString path = AskSaveAsPath();
    return !path.isEmpty() && SaveTo(path);
}

// The file Save As is to write (absolute, with ".off" added to a name without extension), or
// empty when the user cancelled.
QString CMainFrame::AskSaveAsPath() {
    const QString suggested =
        m_pathName.isEmpty() ? QDir::current().filePath(Title() + ToQString(kDefaultExtension)) : m_pathName;
    const QString chosen = m_prompts->AskSaveFileName(this, suggested);
    if (chosen.isEmpty()) {
        return {};
    }
    return AbsolutePath(ToQString(EnsureDefaultExtension(chosen.toStdString())));
}

// Whether writing `path` would replace the file a model opened with repairs came from.
bool CMainFrame::WouldOverwriteRepairedSource(const QString& path) const {
    if (!m_bRepaired || m_pathName.isEmpty()) {
        return false;
    }
    if (path == m_pathName) {
        return true;
    }
    // Another name of the same file (a symbolic or a hard link) counts as well.
    return IsSameFile(QFile::encodeName(path).toStdString(), QFile::encodeName(m_pathName).toStdString());
}

// Writes `path`; over the source of a repaired model only with the user's consent, which may
// also send the model to another file instead.
bool CMainFrame::SaveTo(QString path) {
    while (WouldOverwriteRepairedSource(path)) {
        switch (m_prompts->AskSaveRepaired(
            this, ToQString(RepairedSaveQuestion(Title().toStdString(), m_repairs)))) {
            case RepairedSaveChoice::kOverwrite:
                return DoSave(path);
            case RepairedSaveChoice::kSaveAs:
                path = AskSaveAsPath();
                if (path.isEmpty()) {
                    return false;
                }
                break;
            case RepairedSaveChoice::kCancel:
                return false;
        }
    }
    return DoSave(path);
}

bool CMainFrame::DoSave(const QString& path) {
    std::string reason;
    if (!m_document.SaveToFile(QFile::encodeName(path).toStdString(), &reason)) {
        m_prompts->ShowMessage(this, ToQString(SaveFailureMessage(path.toStdString(), reason)));
        return false;
    }
    // The file now holds the model as shown: nothing of a repaired source is left to lose.
    m_pathName = path;
    m_bRepaired = false;
    m_repairs.Clear();
    RememberRecent(path);
    UpdateTitle();
    return true;
}

void CMainFrame::BringToFront() {
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
}

bool CMainFrame::event(QEvent* event) {
    // A modal dialog over the window has closed, or the window has come on screen: requests that
    // waited for either may go ahead.
    if (event->type() == QEvent::WindowUnblocked || event->type() == QEvent::Show) {
        ScheduleOpenRequests();
    }
    return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_bLoading) {
        // Give up the read; the close is carried out as soon as the read has stopped.
        m_bCloseAfterLoad = true;
        m_cancelLoad.store(true);
        event->ignore();
        return;
    }
    if (m_trackedPrompts.IsAsking() || !SaveModified()) {
        event->ignore();
        return;
    }
    m_openRequests.clear();
    m_profile.Save(m_recentFiles.Entries());
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!FirstLocalFile(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QString path = FirstLocalFile(event->mimeData());
    if (path.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    // Opened once the drop is over and nothing else holds the window: opening may ask questions,
    // which must not hold up the sender.
    RequestOpen(path);
}

}  // namespace quorvane
