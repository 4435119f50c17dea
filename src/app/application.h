// Start-up of the program on a QApplication: the recent-file profile, the main window with its
// document and view, shell open through the instance channel, the command line, then showing the
// window and accepting dropped files.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "app/prompts.h"

namespace quorvane {

class CInstanceChannel;
class CMainFrame;

// What a start may change; the defaults are those of a normal start.
struct AppOptions {
    // The profile file; empty means the user's "Quorvane.ini".
    QString profilePath;
    // The local socket of shell open; empty means the per-user default. Off when `singleInstance`
    // is false.
    QString channelName;
    bool singleInstance = true;
    // Questions and messages; null means the real dialogs.
    CUserPrompts* prompts = nullptr;
};

class CQuorvaneApp : public QObject {
    Q_OBJECT
  public:
    // `arguments` as QCoreApplication::arguments() gives them (the program first).
    explicit CQuorvaneApp(QStringList arguments, AppOptions options = {});
    ~CQuorvaneApp() override;

    // Starts the program. False means it is to end at once with ExitCode() (a file handed to the
    // running instance, a file that could not be opened, a help request or a bad argument).
    bool InitInstance();
    int ExitCode() const { return m_exitCode; }

    CMainFrame* MainFrame() const { return m_frame.get(); }
    CInstanceChannel* Channel() const { return m_channel.get(); }

    // Help About.
    void OnAppAbout();

  private:
    QStringList m_arguments;
    AppOptions m_options;
    CQtUserPrompts m_qtPrompts;
    CUserPrompts* m_prompts;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<CInstanceChannel> m_channel;
    int m_exitCode = 0;
};

}  // namespace quorvane
