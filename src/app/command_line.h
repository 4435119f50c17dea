// The viewer's command line, `quorvane [options] [file]`: its options, and the answers to --help
// and --version, which need neither a display nor a QApplication (the manual page is made from them).
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>

namespace quorvane {

// The parser of the viewer's options and the options it knows.
struct ViewerCommandLine {
    ViewerCommandLine();

    QCommandLineParser parser;
    QCommandLineOption help;
    QCommandLineOption version;
};

// What `quorvane --help` prints.
QString ViewerHelpText();

// What `quorvane --version` prints: the program's name, as installed, and the project version.
QString ViewerVersionText();

// Answers --help or --version when `arguments` (the program first) ask for either, before any
// QApplication exists: prints the text and gives the exit status (1 when it could not be written).
// Nothing otherwise; options only Qt knows (-platform, -style, ...) are then left to Qt and to the
// start-up's own parse.
std::optional<int> AnswerHelpOrVersion(const QStringList& arguments);

}  // namespace quorvane
