// The interactive steps the dialogs hand off (choosing a colour, reporting a refused value, running
// a dialog modally), kept in one replaceable table so tests can drive dialogs without modal loops.
#pragma once

#include <functional>
#include <optional>

#include "render/color.h"

class QDialog;
class QString;
class QWidget;

namespace quorvane {

struct DialogServices {
    // Offers the colour dialog starting at `initial`; the chosen colour, or nothing when cancelled.
    std::function<std::optional<COLORREF>(QWidget* parent, COLORREF initial)> chooseColor;
    // Tells the user why a typed value was refused (a message box with an exclamation icon).
    std::function<void(QWidget* parent, const QString& message)> reportRefusal;
    // Runs `dialog` modally and returns its result code (QDialog::Accepted or QDialog::Rejected).
    std::function<int(QDialog& dialog)> runModal;
};

// The platform's colour dialog, message box and event loop.
DialogServices DefaultDialogServices();

// The services in use (the defaults unless a ScopedDialogServices replaces them).
const DialogServices& CurrentDialogServices();

// Calls of the services in use (each through a copy, so a service may replace the table safely).
std::optional<COLORREF> ChooseColor(QWidget* parent, COLORREF initial);
void ReportRefusal(QWidget* parent, const QString& message);
int RunModal(QDialog& dialog);

// Replaces the services in use for its lifetime; members left empty keep the services in use.
class ScopedDialogServices {
  public:
    explicit ScopedDialogServices(DialogServices replacement);
    ~ScopedDialogServices();
    ScopedDialogServices(const ScopedDialogServices&) = delete;
    ScopedDialogServices& operator=(const ScopedDialogServices&) = delete;

  private:
    DialogServices m_previous;
};

}  // namespace quorvane
