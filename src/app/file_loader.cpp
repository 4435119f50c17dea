#include "app/file_loader.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>

namespace quorvane {

bool LoadDocumentInBackground(const QString& path, CQuorvaneDoc& loaded, OffError& error,
                              QWidget* progressParent, const OffReadOptions& options,
                              OffRepairReport* repairs) {
    const std::string localPath = QFile::encodeName(path).toStdString();
    bool ok = false;
    std::atomic<bool> finished{false};
    QEventLoop loop;

    std::thread worker([&] {
        ok = loaded.LoadFromFile(localPath, &error, options, repairs);
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
        progress = std::make_unique<QProgressDialog>(
            QStringLiteral("Opening %1...").arg(QFileInfo(path).fileName()), QString(), 0, 0, progressParent);
        progress->setWindowTitle(QStringLiteral("Quorvane"));
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
        progress->show();
    });
    delay.start(kProgressDelayMs);

    if (!finished.load()) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    worker.join();
    return ok;
}

}  // namespace quorvane
