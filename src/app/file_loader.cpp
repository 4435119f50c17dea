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
#include <functional>
#include <memory>
#include <thread>

#include "model/file_io.h"
#include "model/off_reader.h"
#include "model/thread_start.h"

namespace quorvane {

namespace {

// How often the progress dialog shows the bytes read, in milliseconds, and its steps.
constexpr int kProgressUpdateMs = 100;
constexpr int kProgressSteps = 1000;

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
// reading of the same text when the strict one refused it. `progress` follows the file's bytes.
void ReadModel(const std::string& localPath, LoadResult& result, const std::atomic<bool>& cancel,
               const std::function<void(std::size_t, std::size_t)>& progress) {
    FileBytes text;
    // The first bytes stop the read only where the repairing reading would refuse them too.
    OffReadOptions early;
    early.repair = true;
    switch (ReadOffFile(localPath, early, text, result.error, ReadWatch{&cancel, progress})) {
        case ReadStatus::kCancelled:
            result.status = LoadStatus::kCancelled;
            return;
        case ReadStatus::kRead:
            break;
        case ReadStatus::kFailed:
        case ReadStatus::kTooLarge:
        case ReadStatus::kStopped:
            result.status = LoadStatus::kRefused;
            return;
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
    if (repaired.LoadFromText(text.View(), &repairError, OffReadOptions{true}, &result.repairs)) {
        result.document.TakeModel(std::move(repaired));
        result.status = LoadStatus::kRepairable;
    } else {
        // Repairs cannot help: the reason that counts is the repairing reading's.
        result.repairs.Clear();
        result.error = std::move(repairError);
    }
}

}  // namespace

LoadResult LoadDocumentInBackground(const QString& path, QWidget* progressParent, std::atomic<bool>& cancel) {
    const std::string localPath = QFile::encodeName(path).toStdString();
    LoadResult result;
    std::atomic<bool> finished{false};
    QEventLoop loop;
    UserInputGate gate;

    // The worker reports how many bytes are in; the dialog shows it while the file is read.
    std::atomic<std::size_t> bytesIn{0};
    std::atomic<std::size_t> bytesTotal{0};
    const auto followBytes = [&](std::size_t done, std::size_t total) {
        bytesIn.store(done, std::memory_order_relaxed);
        bytesTotal.store(total, std::memory_order_relaxed);
    };

    std::unique_ptr<QProgressDialog> progress;
    QTimer delay;
    delay.setSingleShot(true);
    QTimer showBytes;
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
        showBytes.start(kProgressUpdateMs);
    });
    delay.start(kProgressDelayMs);
    // While the bytes of a file of known size come in, the bar shows their share; otherwise (a
    // stream, the reading of the text) it only shows that work goes on.
    QObject::connect(&showBytes, &QTimer::timeout, &loop, [&] {
        if (!progress) {
            return;
        }
        const std::size_t total = bytesTotal.load(std::memory_order_relaxed);
        const std::size_t done = bytesIn.load(std::memory_order_relaxed);
        if (total > 0 && done < total) {
            progress->setRange(0, kProgressSteps);
            progress->setValue(
                static_cast<int>(static_cast<double>(done) / static_cast<double>(total) * kProgressSteps));
        } else {
            progress->setRange(0, 0);
        }
    });

    std::thread worker;
    const bool started = TryStartThread(worker, [&] {
        // Every step refuses rather than throws, running out of memory included.
        ReadModel(localPath, result, cancel, followBytes);
        finished.store(true);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    if (!started) {
        // The system refused the thread: the file is read here rather than refused. Between its
        // reads (and while a stream has nothing to give) the window's events are handled, so the
        // dialog still appears and a cancel or a close still stops the read.
        ReadModel(localPath, result, cancel, [&](std::size_t done, std::size_t total) {
            followBytes(done, total);
            QCoreApplication::processEvents(QEventLoop::AllEvents, kReadPollMs);
        });
        finished.store(true);
        result.readWithoutWorker = true;
    }
    if (!finished.load()) {
        loop.exec();
    }
    if (!finished.load()) {
        // The loop was ended from outside (the program is quitting): give the read up rather
        // than wait for a file that may never end.
        cancel.store(true);
    }
    if (worker.joinable()) {
        worker.join();
    }
    if (cancel.load()) {
        return LoadResult{LoadStatus::kCancelled, {}, {}, {}, result.readWithoutWorker};
    }
    return result;
}

}  // namespace quorvane
