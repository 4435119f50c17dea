// The viewer's start on a model up to its first idle moment, for whole-process timings: the same
// start-up as `quorvane FILE.off` (profile, main window, the file read, the first picture drawn and
// painted), then the event loop runs until nothing is pending and the program ends.
// `QT_QPA_PLATFORM=offscreen quorvane_viewer_first_frame FILE.off`. The recent-file profile is a
// scratch file, and no other instance is asked to open the file.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "app/application.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    const QTemporaryDir scratch;
    quorvane::AppOptions options;
    options.profilePath = QDir(scratch.path()).filePath(QStringLiteral("Quorvane.ini"));
    options.singleInstance = false;
    quorvane::CQuorvaneApp quorvane(QApplication::arguments(), options);
    if (!quorvane.InitInstance()) {
        std::fprintf(stderr, "the viewer ended at its start (exit status %d)\n", quorvane.ExitCode());
        return quorvane.ExitCode() != 0 ? quorvane.ExitCode() : 1;
    }
    // A zero timer fires once the events already posted (the window's paint among them) are done.
    QTimer::singleShot(0, &application, &QCoreApplication::quit);
    return QApplication::exec();
}
