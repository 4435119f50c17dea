// The desktop program: `quorvane [FILE.off]`.
#include <QApplication>

#include "app/application.h"
#include "app/command_line.h"
#include "model/save_signals.h"
#include "quorvane/version.h"

int main(int argc, char* argv[]) {
    // Help and version are answered before QApplication, which needs a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    if (const std::optional<int> status = quorvane::AnswerHelpOrVersion(arguments)) {
        return *status;
    }
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
