// The desktop program: `quorvane [FILE.off]`.
#include <QApplication>

#include "app/application.h"
#include "model/save_signals.h"
#include "quorvane/version.h"

int main(int argc, char* argv[]) {
    // Before Qt starts any thread: an interrupted save removes its temporary file.
    quorvane::InstallSaveSignalHandlers();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION_STRING));
    QApplication::setDesktopFileName(QStringLiteral("quorvane"));

    quorvane::CQuorvaneApp quorvane(QApplication::arguments());
    if (!quorvane.InitInstance()) {
        return quorvane.ExitCode();
    }
    return QApplication::exec();
}
