#include "app/prompts.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "app/about_dialog.h"
#include "app/commands.h"
#include "app/file_rules.h"

namespace quorvane {

QString OffFileFilters() {
    return QStringLiteral("Object File Format Files (*.off);;All Files (*)");
}

namespace {

// A message box captioned "Quorvane" whose text is plain text, whatever characters it holds.
class PlainMessageBox : public QMessageBox {
  public:
    PlainMessageBox(QMessageBox::Icon icon, const QString& text, QWidget* parent)
        : QMessageBox(icon, QString::fromUtf8(kAppTitle.data(), kAppTitle.size()), QString(),
                      QMessageBox::NoButton, parent) {
        setTextFormat(Qt::PlainText);
        setText(text);
    }
};

}  // namespace

void CQtUserPrompts::ShowMessage(QWidget* parent, const QString& text) {
    PlainMessageBox box(QMessageBox::Warning, text, parent);
    box.addButton(QMessageBox::Ok);
    box.exec();
}

void CQtUserPrompts::ShowInformation(QWidget* parent, const QString& text) {
    PlainMessageBox box(QMessageBox::Information, text, parent);
    box.addButton(QMessageBox::Ok);
    box.exec();
}

bool CQtUserPrompts::AskOpenWithRepairs(QWidget* parent, const QString& text) {
    PlainMessageBox box(QMessageBox::Warning, text, parent);
    QPushButton* repair = box.addButton(QStringLiteral("Open with Repairs"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == repair;
}

SaveChoice CQtUserPrompts::AskSaveChanges(QWidget* parent, const QString& question) {
    PlainMessageBox box(QMessageBox::Question, question, parent);
    box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
        case QMessageBox::Save:
            return SaveChoice::kSave;
        case QMessageBox::Discard:
            return SaveChoice::kDiscard;
        default:
            return SaveChoice::kCancel;
    }
}

RepairedSaveChoice CQtUserPrompts::AskSaveRepaired(QWidget* parent, const QString& question) {
    PlainMessageBox box(QMessageBox::Warning, question, parent);
    QPushButton* overwrite = box.addButton(QStringLiteral("Save"), QMessageBox::DestructiveRole);
    QPushButton* saveAs = box.addButton(QStringLiteral("Save As..."), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(saveAs);
    box.exec();
    if (box.clickedButton() == overwrite) {
        return RepairedSaveChoice::kOverwrite;
    }
    return box.clickedButton() == saveAs ? RepairedSaveChoice::kSaveAs : RepairedSaveChoice::kCancel;
}

QString CQtUserPrompts::AskOpenFileName(QWidget* parent, const QString& directory) {
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), directory, OffFileFilters());
}

QString CQtUserPrompts::AskSaveFileName(QWidget* parent, const QString& suggestedPath) {
    QFileDialog dialog(parent, QStringLiteral("Save As"), suggestedPath, OffFileFilters());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // A name typed without extension gets ".off" (the dialog then also asks before overwriting it).
    dialog.setDefaultSuffix(QStringLiteral("off"));
    dialog.selectFile(suggestedPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

bool CQtUserPrompts::AskColor(QWidget* parent, COLORREF& colour) {
    const QColor initial(GetRValue(colour), GetGValue(colour), GetBValue(colour));
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid()) {
        return false;
    }
    colour = RGB(static_cast<std::uint8_t>(chosen.red()), static_cast<std::uint8_t>(chosen.green()),
                 static_cast<std::uint8_t>(chosen.blue()));
    return true;
}

bool CQtUserPrompts::EditLighting(QWidget* parent, CLightingSettings& settings) {
    return RunLightingDialog(parent, settings);
}

bool CQtUserPrompts::EditViewingParameters(QWidget* parent, const CViewingSpace& camera,
                                           ViewingParameters& result) {
    return RunViewingSpaceDialog(parent, camera, result);
}

void CQtUserPrompts::ShowModelInformation(QWidget* parent, const ModelStatistics& statistics) {
    RunModelInfoDialog(parent, statistics);
}

void CQtUserPrompts::ShowAbout(QWidget* parent) {
    CAboutDlg dialog(parent);
    dialog.exec();
}

CTrackedPrompts::CTrackedPrompts(CUserPrompts* inner, std::function<void()> onIdle)
    : m_inner(inner), m_onIdle(std::move(onIdle)) {}

template <typename Ask>
decltype(auto) CTrackedPrompts::Track(Ask&& ask) {
    struct Open {
        CTrackedPrompts& prompts;
        explicit Open(CTrackedPrompts& p) : prompts(p) { ++prompts.m_depth; }
        ~Open() {
            if (--prompts.m_depth == 0 && prompts.m_onIdle) {
                prompts.m_onIdle();
            }
        }
        Open(const Open&) = delete;
        Open& operator=(const Open&) = delete;
    } open(*this);
    return ask(*m_inner);
}

void CTrackedPrompts::ShowMessage(QWidget* parent, const QString& text) {
    Track([&](CUserPrompts& p) { p.ShowMessage(parent, text); });
}

void CTrackedPrompts::ShowInformation(QWidget* parent, const QString& text) {
    Track([&](CUserPrompts& p) { p.ShowInformation(parent, text); });
}

bool CTrackedPrompts::AskOpenWithRepairs(QWidget* parent, const QString& text) {
    return Track([&](CUserPrompts& p) { return p.AskOpenWithRepairs(parent, text); });
}

SaveChoice CTrackedPrompts::AskSaveChanges(QWidget* parent, const QString& question) {
    return Track([&](CUserPrompts& p) { return p.AskSaveChanges(parent, question); });
}

RepairedSaveChoice CTrackedPrompts::AskSaveRepaired(QWidget* parent, const QString& question) {
    return Track([&](CUserPrompts& p) { return p.AskSaveRepaired(parent, question); });
}

QString CTrackedPrompts::AskOpenFileName(QWidget* parent, const QString& directory) {
    return Track([&](CUserPrompts& p) { return p.AskOpenFileName(parent, directory); });
}

QString CTrackedPrompts::AskSaveFileName(QWidget* parent, const QString& suggestedPath) {
    return Track([&](CUserPrompts& p) { return p.AskSaveFileName(parent, suggestedPath); });
}

bool CTrackedPrompts::AskColor(QWidget* parent, COLORREF& colour) {
    return Track([&](CUserPrompts& p) { return p.AskColor(parent, colour); });
}

bool CTrackedPrompts::EditLighting(QWidget* parent, CLightingSettings& settings) {
    return Track([&](CUserPrompts& p) { return p.EditLighting(parent, settings); });
}

bool CTrackedPrompts::EditViewingParameters(QWidget* parent, const CViewingSpace& camera,
                                            ViewingParameters& result) {
    return Track([&](CUserPrompts& p) { return p.EditViewingParameters(parent, camera, result); });
}

void CTrackedPrompts::ShowModelInformation(QWidget* parent, const ModelStatistics& statistics) {
    Track([&](CUserPrompts& p) { p.ShowModelInformation(parent, statistics); });
}

void CTrackedPrompts::ShowAbout(QWidget* parent) {
    Track([&](CUserPrompts& p) { p.ShowAbout(parent); });
}

}  // namespace quorvane
