#include "app/dialogs/numeric_edits.h"

#include <QLineEdit>
#include <string>
#include <vector>

#include "app/dialogs/dialog_services.h"

namespace quorvane {

void ShowNumericEdits(std::span<const NumericEdit> edits) {
    for (const NumericEdit& field : edits) {
        field.edit->setText(QString::fromStdString(FormatDialogNumber(*field.value)));
        // A number longer than its field shows its start (its sign, its leading digits).
        field.edit->setCursorPosition(0);
    }
}

bool ReadNumericEdits(QWidget* dialog, std::span<const NumericEdit> edits) {
    std::vector<std::string> texts;
    texts.reserve(edits.size());
    for (const NumericEdit& field : edits) {
        texts.push_back(field.edit->text().toStdString());
    }
    std::vector<DialogField> fields;
    fields.reserve(edits.size());
    for (std::size_t i = 0; i < edits.size(); ++i) {
        fields.push_back({texts[i], edits[i].value, edits[i].range});
    }
    const std::optional<FieldRefusal> refusal = ReadDialogFields(fields);
    if (!refusal) {
        return true;
    }
    ReportRefusal(dialog, QString::fromStdString(refusal->message));
    QLineEdit* offending = edits[refusal->field].edit;
    offending->setFocus(Qt::OtherFocusReason);
    offending->selectAll();
    return false;
}

}  // namespace quorvane
