#include "app/command_line.h"

#include <cstdio>

#include "quorvane/version.h"

namespace quorvane {

ViewerCommandLine::ViewerCommandLine()
    : help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
           QStringLiteral("Show this help and exit.")),
      version(QStringList{QStringLiteral("v"), QStringLiteral("version")},
              QStringLiteral("Show the program's version and exit.")) {
    // Lines are broken for a terminal of 80 columns; the manual page joins them into paragraphs.
    parser.setApplicationDescription(
        QStringLiteral("Viewer and editor of OFF polygon meshes.\n"
                       "\n"
                       "Opens FILE, or a new empty document without one, in a window that draws the\n"
                       "model with the program's own software renderer: wireframe, solid or points.\n"
                       "The left mouse button orbits, the right one zooms and both together pan; a\n"
                       "double-click selects the nearest vertex, which a drag moves in editing mode.\n"
                       "When Quorvane already runs, FILE is opened in its window instead.\n"
                       "\n"
                       "Qt's own options, such as -platform NAME and -style NAME, are accepted too."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The OFF file to open."),
                                 QStringLiteral("[FILE]"));
}

QString ViewerHelpText() {
    // The usage line names the program as it is installed, not the path it was started by, so the
    // text is the same however it is started.
    QString text = ViewerCommandLine().parser.helpText();
    const qsizetype arguments = text.indexOf(QStringLiteral(" [options]"));
    if (text.startsWith(QStringLiteral("Usage: ")) && arguments > 0) {
        text.replace(0, arguments, QStringLiteral("Usage: quorvane"));
    }
    return text;
}

QString ViewerVersionText() {
    return QStringLiteral("quorvane " QUORVANE_VERSION_STRING "\n");
}

std::optional<int> AnswerHelpOrVersion(const QStringList& arguments) {
    ViewerCommandLine commandLine;
    // A failed parse (an option of Qt's, or a wrong one) still notes the options it did know.
    commandLine.parser.parse(arguments);
    QString text;
    if (commandLine.parser.isSet(commandLine.help)) {
        text = ViewerHelpText();
    } else if (commandLine.parser.isSet(commandLine.version)) {
        text = ViewerVersionText();
    } else {
        return std::nullopt;
    }
    const QByteArray bytes = text.toLocal8Bit();
    const bool written = std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout) ==
                             static_cast<std::size_t>(bytes.size()) &&
                         std::fflush(stdout) == 0;
    if (!written) {
        std::fputs("quorvane: the text could not be written to standard output\n", stderr);
        return 1;
    }
    return 0;
}

}  // namespace quorvane
