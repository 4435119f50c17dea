// Shell open: a second start with a file hands the file to the instance already running, through
// a per-user local socket, and ends; the running instance opens the file and comes to the front.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace quorvane {

// The per-user name of the local socket the running instance listens on.
QString DefaultInstanceChannelName();

class CInstanceChannel : public QObject {
    Q_OBJECT
  public:
    explicit CInstanceChannel(QString name, QObject* parent = nullptr);
    ~CInstanceChannel() override;

    // Hands `path` to an instance listening on `name`; true once that instance has confirmed it.
    // False when none runs (or it did not answer within `timeoutMs`), and for a path that holds a
    // line end, which the one-line request cannot carry. The path is sent exactly, blanks included.
    static bool SendToRunningInstance(const QString& name, const QString& path, int timeoutMs = 3000);

    // Starts listening, replacing a socket left behind by an instance that has gone. Returns false
    // when another live instance already listens or the socket cannot be made.
    bool Listen();
    bool IsListening() const;

  signals:
    // Another start asked to open `path`.
    void openRequested(const QString& path);

  private:
    void OnNewConnection();

    QString m_name;
    QLocalServer* m_server = nullptr;
};

}  // namespace quorvane
