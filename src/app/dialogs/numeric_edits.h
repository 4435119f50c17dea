// Numeric edit fields shared by the Phong and viewing-space dialogs: shown with 15 significant
// digits, read in order with the first refusal reported and focused.
#pragma once

#include <optional>
#include <span>

#include "app/dialogs/dialog_rules.h"

class QLineEdit;
class QWidget;

namespace quorvane {

// An edit, the member it exchanges with, and the member's inclusive range if it has one.
struct NumericEdit {
    QLineEdit* edit = nullptr;
    double* value = nullptr;
    std::optional<NumberRange> range;
};

// Writes every member into its edit with FormatDialogNumber, each scrolled to its start.
void ShowNumericEdits(std::span<const NumericEdit> edits);

// Reads the edits in order into their members; at the first refusal reports its message, puts
// the focus into that edit with its whole text selected and returns false.
bool ReadNumericEdits(QWidget* dialog, std::span<const NumericEdit> edits);

}  // namespace quorvane
