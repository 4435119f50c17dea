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

void CQtUserPrompts::ShowMessage(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, QString::fromUtf8(kAppTitle.data(), kAppTitle.size()), text);
}

void CQtUserPrompts::ShowInformation(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QString::fromUtf8(kAppTitle.data(), kAppTitle.size()), text);
}

bool CQtUserPrompts::AskOpenWithRepairs(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kAppTitle.data(), kAppTitle.size()), text,
                    QMessageBox::NoButton, parent);
    QPushButton* repair = box.addButton(QStringLiteral("Open with Repairs"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == repair;
}

SaveChoice CQtUserPrompts::AskSaveChanges(QWidget* parent, const QString& question) {
    const QMessageBox::StandardButton answer = QMessageBox::question(
        parent, QString::fromUtf8(kAppTitle.data(), kAppTitle.size()), question,
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    switch (answer) {
        case QMessageBox::Save:
            return SaveChoice::kSave;
        case QMessageBox::Discard:
            return SaveChoice::kDiscard;
        default:
            return SaveChoice::kCancel;
    }
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

}  // namespace quorvane
