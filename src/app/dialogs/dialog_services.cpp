#include "app/dialogs/dialog_services.h"

#include <QColorDialog>
#include <QDialog>
#include <QGuiApplication>
#include <QMessageBox>

namespace quorvane {

namespace {

DialogServices& Installed() {
    static DialogServices services = DefaultDialogServices();
    return services;
}

std::optional<COLORREF> ChooseColorWithDialog(QWidget* parent, COLORREF initial) {
    const QColor chosen =
        QColorDialog::getColor(QColor(GetRValue(initial), GetGValue(initial), GetBValue(initial)), parent);
    if (!chosen.isValid()) {
        return std::nullopt;
    }
    return RGB(static_cast<std::uint8_t>(chosen.red()), static_cast<std::uint8_t>(chosen.green()),
               static_cast<std::uint8_t>(chosen.blue()));
}

void ReportWithMessageBox(QWidget* parent, const QString& message) {
    QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(), QString(),
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.setText(message);
    box.exec();
}

}  // namespace

DialogServices DefaultDialogServices() {
    return {ChooseColorWithDialog, ReportWithMessageBox, [](QDialog& dialog) { return dialog.exec(); }};
}

const DialogServices& CurrentDialogServices() {
    return Installed();
}

std::optional<COLORREF> ChooseColor(QWidget* parent, COLORREF initial) {
    const auto choose = Installed().chooseColor;
    return choose(parent, initial);
}

void ReportRefusal(QWidget* parent, const QString& message) {
    const auto report = Installed().reportRefusal;
    report(parent, message);
}

int RunModal(QDialog& dialog) {
    const auto run = Installed().runModal;
    return run(dialog);
}

ScopedDialogServices::ScopedDialogServices(DialogServices replacement) : m_previous(Installed()) {
    DialogServices& installed = Installed();
    if (replacement.chooseColor) {
        installed.chooseColor = std::move(replacement.chooseColor);
    }
    if (replacement.reportRefusal) {
        installed.reportRefusal = std::move(replacement.reportRefusal);
    }
    if (replacement.runModal) {
        installed.runModal = std::move(replacement.runModal);
    }
}

ScopedDialogServices::~ScopedDialogServices() {
    Installed() = std::move(m_previous);
}

}  // namespace quorvane
