// The viewer's executable answers --help and --version without a display, and its help is the text
// its manual page is made from.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include "app/application.h"
#include "app/command_line.h"
#include "app_test_support.h"

namespace quorvane {
namespace {

QString ViewerPath() {
    return QStringLiteral(QUORVANE_BIN_DIR "/quorvane");
}

// Output and status of one run of the viewer with no display of any kind: no X or Wayland display
// and no Qt platform chosen, as on a build machine or a server.
struct ViewerRun {
    bool finished = false;
    int status = -1;
    QString out;
    QString err;
};

ViewerRun RunWithoutDisplay(const QStringList& arguments, const QString& outputFile = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "WAYLAND_SOCKET"}) {
        environment.remove(QString::fromLatin1(name));
    }
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!outputFile.isEmpty()) {
        process.setStandardOutputFile(outputFile);
    }
    process.start(ViewerPath(), arguments);
    ViewerRun run;
    run.finished = process.waitForFinished(30000);
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

struct QueryCase {
    const char* name;
    QStringList arguments;
    bool help;  // the help text, else the version
};

void PrintTo(const QueryCase& query, std::ostream* out) {
    *out << query.name;
}

class ViewerQueryWithoutDisplay : public ::testing::TestWithParam<QueryCase> {};

TEST_P(ViewerQueryWithoutDisplay, PrintsTheTextAndEndsWithStatusZero) {
    const QueryCase& query = GetParam();
    const ViewerRun run = RunWithoutDisplay(query.arguments);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, query.help ? ViewerHelpText() : ViewerVersionText());
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Queries, ViewerQueryWithoutDisplay,
    ::testing::Values(
        QueryCase{"LongHelp", {QStringLiteral("--help")}, true},
        QueryCase{"ShortHelp", {QStringLiteral("-h")}, true},
        QueryCase{"LongVersion", {QStringLiteral("--version")}, false},
        QueryCase{"ShortVersion", {QStringLiteral("-v")}, false},
        QueryCase{"HelpAfterAFile", {QStringLiteral("model.off"), QStringLiteral("--help")}, true},
        // Options only Qt knows do not hide the question.
        QueryCase{"VersionAfterQtOptions",
                  {QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("--version")},
                  false}),
    [](const ::testing::TestParamInfo<QueryCase>& info) { return std::string(info.param.name); });

TEST(ViewerHelp, NamesTheInstalledProgramAndEveryOption) {
    const QString help = ViewerHelpText();
    EXPECT_TRUE(help.startsWith(QStringLiteral("Usage: quorvane [options] [FILE]\n"))) << help.toStdString();
    for (const char* option : {"-h, --help", "-v, --version", "FILE"}) {
        EXPECT_TRUE(help.contains(QString::fromLatin1(option))) << option;
    }
    // Only the options that are answered are offered.
    EXPECT_FALSE(help.contains(QStringLiteral("--help-all")));
}

TEST(ViewerHelp, VersionIsTheProjectVersion) {
    EXPECT_EQ(ViewerVersionText(), QStringLiteral("quorvane " QUORVANE_PROJECT_VERSION "\n"));
}

TEST(ViewerHelp, StartedApplicationAnswersWithTheSameTexts) {
    for (const bool help : {true, false}) {
        CQuorvaneApp app({ViewerPath(), help ? QStringLiteral("--help") : QStringLiteral("--version")},
                         AppOptions{{}, {}, false, nullptr});
        ::testing::internal::CaptureStdout();
        EXPECT_FALSE(app.InitInstance());
        const std::string printed = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(app.ExitCode(), 0);
        EXPECT_EQ(QString::fromStdString(printed), help ? ViewerHelpText() : ViewerVersionText());
        EXPECT_EQ(app.MainFrame(), nullptr);
    }
}

TEST(ViewerHelp, TextThatCannotBeWrittenIsAFailure) {
    if (!QFile::exists(QStringLiteral("/dev/full"))) {
        GTEST_SKIP() << "no /dev/full";
    }
    const ViewerRun run = RunWithoutDisplay({QStringLiteral("--help")}, QStringLiteral("/dev/full"));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("could not be written"))) << run.err.toStdString();
}

}  // namespace
}  // namespace quorvane
