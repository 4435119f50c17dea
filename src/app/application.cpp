#include "app/application.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>

#include "app/about_dialog.h"
#include "app/command_line.h"
#include "app/instance_channel.h"
#include "app/main_frame.h"
#include "app/recent_profile.h"

namespace quorvane {

CQuorvaneApp::CQuorvaneApp(QStringList arguments, AppOptions options)
    : m_arguments(std::move(arguments)),
      m_options(std::move(options)),
      m_prompts(m_options.prompts ? m_options.prompts : &m_qtPrompts) {}

CQuorvaneApp::~CQuorvaneApp() = default;

bool CQuorvaneApp::InitInstance() {
    ViewerCommandLine commandLine;
    QCommandLineParser& parser = commandLine.parser;
    if (!parser.parse(m_arguments)) {
        std::fprintf(stderr, "quorvane: %s\n", qPrintable(parser.errorText()));
        m_exitCode = 2;
        return false;
    }
    if (parser.isSet(commandLine.help) || parser.isSet(commandLine.version)) {
        const QString text = parser.isSet(commandLine.help) ? ViewerHelpText() : ViewerVersionText();
        std::fputs(qPrintable(text), stdout);
        m_exitCode = 0;
        return false;
    }
    const QStringList files = parser.positionalArguments();
    const QString file = files.isEmpty() ? QString() : QFileInfo(files.constFirst()).absoluteFilePath();
    const QString channelName =
        m_options.channelName.isEmpty() ? DefaultInstanceChannelName() : m_options.channelName;

    // A file for an instance that already runs goes to it, and this start ends.
    if (m_options.singleInstance && !file.isEmpty() &&
        CInstanceChannel::SendToRunningInstance(channelName, file)) {
        m_exitCode = 0;
        return false;
    }

    // 1. Platform services: the program icon for every window.
    QApplication::setWindowIcon(ProgramIcon());

    // 2. + 3. The profile with the recent-file list, and the main window with document and view.
    const QString profilePath =
        m_options.profilePath.isEmpty() ? DefaultProfilePath() : m_options.profilePath;
    m_frame = std::make_unique<CMainFrame>(m_prompts, CRecentFileProfile(profilePath));

    // 4. Shell open: later starts hand their file to this instance.
    if (m_options.singleInstance) {
        m_channel = std::make_unique<CInstanceChannel>(channelName);
        if (m_channel->Listen()) {
            connect(m_channel.get(), &CInstanceChannel::openRequested, m_frame.get(),
                    [this](const QString& path) {
                        m_frame->BringToFront();
                        m_frame->RequestOpen(path);
                    });
        } else {
            m_channel.reset();
        }
    }

    // 5. The command line: a new empty document, or the named file; a file that cannot be opened
    // ends the start after its message.
    if (file.isEmpty()) {
        m_frame->OnFileNew();
    } else if (!m_frame->OpenDocumentFile(file)) {
        m_exitCode = 1;
        return false;
    }

    // 6. Show the main window and paint it at once.
    m_frame->show();
    m_frame->repaint();

    // 7. Files dropped on the window are opened.
    m_frame->setAcceptDrops(true);
    return true;
}

void CQuorvaneApp::OnAppAbout() {
    m_prompts->ShowAbout(m_frame.get());
}

}  // namespace quorvane
