#include "app/file_loader.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QWindow>
#include <memory>
#include <thread>

#include "app/file_reading.h"

namespace quorvane {

namespace {

// True for the events by which the user acts on a window.
bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
            return true;
        default:
            return false;
    }
}

// While a read runs, user input reaches only the progress dialog (once it is shown); everything
// else, a close of the main window included, is delivered as usual.
class UserInputGate : public QObject {
  public:
    UserInputGate() { qApp->installEventFilter(this); }
    ~UserInputGate() override { qApp->removeEventFilter(this); }
    UserInputGate(const UserInputGate&) = delete;
    UserInputGate& operator=(const UserInputGate&) = delete;

    void Admit(QWidget* dialog) { m_admitted = dialog; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!IsUserInput(event->type())) {
            return false;
        }
        if (m_admitted) {
            if (auto* widget = qobject_cast<QWidget*>(watched);
                widget != nullptr && widget->window() == m_admitted) {
                return false;
            }
            if (auto* window = qobject_cast<QWindow*>(watched);
                window != nullptr && window == m_admitted->windowHandle()) {
                return false;
            }
        }
        return true;
    }

  private:
    QPointer<QWidget> m_admitted;
};

// The whole reading, on the worker thread: the file, the strict reading, and the repairing
// reading of the same text when the strict one refused it.
void ReadModel(const std::string& localPath, LoadResult& result, const std::atomic<bool>& cancel) {
    std::string text;
    std::string reason;
    switch (ReadFileUnlessCancelled(localPath, text, reason, cancel)) {
        case ReadStatus::kCancelled:
            result.status = LoadStatus::kCancelled;
            return;
        case ReadStatus::kFailed:
            result.status = LoadStatus::kRefused;
            result.error = OffError{0, reason};
            return;
        case ReadStatus::kRead:
            break;
    }
    // An accepted text is freed as soon as it is read; a refused one is kept for the repairs.
    if (result.document.LoadFromOwnedText(text, &result.error)) {
        result.status = LoadStatus::kLoaded;
        return;
    }
    result.status = LoadStatus::kRefused;
    if (result.error.line == 0 || cancel.load()) {
        return;
    }
    CQuorvaneDoc repaired;
    OffError repairError;
    if (repaired.LoadFromText(text, &repairError, OffReadOptions{true}, &result.repairs)) {
        result.document.TakeModel(std::move(repaired));
        result.status = LoadStatus::kRepairable;
    } else {
        result.repairs.Clear();
    }
}

}  // namespace

LoadResult LoadDocumentInBackground(const QString& path, QWidget* progressParent, std::atomic<bool>& cancel) {
    const std::string localPath = QFile::encodeName(path).toStdString();
    LoadResult result;
    std::atomic<bool> finished{false};
    QEventLoop loop;
    UserInputGate gate;

    std::thread worker([&] {
        // Every step refuses rather than throws, running out of memory included.
        ReadModel(localPath, result, cancel);
        finished.store(true);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });

    std::unique_ptr<QProgressDialog> progress;
    QTimer delay;
    delay.setSingleShot(true);
    QObject::connect(&delay, &QTimer::timeout, &loop, [&] {
        if (finished.load()) {
            return;
        }
        progress = std::make_unique<QProgressDialog>(progressParent);
        // The file name is shown as it stands, never read as markup.
        auto* label = new QLabel(progress.get());
        label->setTextFormat(Qt::PlainText);
        progress->setLabel(label);
        progress->setLabelText(QStringLiteral("Opening %1...").arg(QFileInfo(path).fileName()));
        progress->setCancelButtonText(QStringLiteral("Cancel"));
        progress->setRange(0, 0);
        progress->setWindowTitle(QStringLiteral("Quorvane"));
        // Not modal: the main window must still take a close, which cancels the read.
        progress->setWindowModality(Qt::NonModal);
        progress->setMinimumDuration(0);
        // Cancel, Escape and closing the dialog all give up the read.
        QObject::connect(progress.get(), &QProgressDialog::canceled, &loop, [&] { cancel.store(true); });
        QObject::connect(progress.get(), &QDialog::rejected, &loop, [&] { cancel.store(true); });
        gate.Admit(progress.get());
        progress->show();
    });
    delay.start(kProgressDelayMs);

    if (!finished.load()) {
        loop.exec();
    }
    if (!finished.load()) {
        // The loop was ended from outside (the program is quitting): give the read up rather
        // than wait for a file that may never end.
        cancel.store(true);
    }
    worker.join();
    if (cancel.load()) {
        return LoadResult{LoadStatus::kCancelled, {}, {}, {}};
    }
    return result;
}

}  // namespace quorvane
