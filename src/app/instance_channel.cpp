#include "app/instance_channel.h"

#include <QLocalServer>
#include <QLocalSocket>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace quorvane {

namespace {

// Each request is one line of UTF-8 text: the absolute path. The answer is "ok\n".
constexpr char kAcknowledgement[] = "ok\n";
constexpr qint64 kMaxRequestLength = 64 * 1024;

}  // namespace

QString DefaultInstanceChannelName() {
#ifdef Q_OS_UNIX
    return QStringLiteral("quorvane-%1").arg(static_cast<qulonglong>(getuid()));
#else
    return QStringLiteral("quorvane-%1").arg(qEnvironmentVariable("USERNAME"));
#endif
}

CInstanceChannel::CInstanceChannel(QString name, QObject* parent)
    : QObject(parent), m_name(std::move(name)) {}

CInstanceChannel::~CInstanceChannel() = default;

bool CInstanceChannel::SendToRunningInstance(const QString& name, const QString& path, int timeoutMs) {
    // A request is one line: a path holding a line end cannot be handed over, and this start
    // opens it itself.
    if (path.isEmpty() || path.contains(QLatin1Char('\n'))) {
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    socket.write(path.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return false;
    }
    QByteArray answer;
    while (!answer.contains('\n') && socket.waitForReadyRead(timeoutMs)) {
        answer += socket.readAll();
    }
    return answer == kAcknowledgement;
}

bool CInstanceChannel::Listen() {
    if (IsListening()) {
        return true;
    }
    // A socket that accepts a connection belongs to a live instance; leave it alone.
    {
        QLocalSocket probe;
        probe.connectToServer(m_name);
        if (probe.waitForConnected(500)) {
            probe.abort();
            return false;
        }
    }
    QLocalServer::removeServer(m_name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &CInstanceChannel::OnNewConnection);
    return true;
}

bool CInstanceChannel::IsListening() const {
    return m_server != nullptr && m_server->isListening();
}

void CInstanceChannel::OnNewConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() > kMaxRequestLength) {
                socket->abort();
                return;
            }
            while (socket->canReadLine()) {
                // Only the line end goes: blanks at either end belong to the file name.
                QByteArray line = socket->readLine();
                if (line.endsWith('\n')) {
                    line.chop(1);
                }
                const QString path = QString::fromUtf8(line);
                socket->write(kAcknowledgement);
                socket->flush();
                if (!path.isEmpty()) {
                    // Opened from the event loop, not from inside this socket's signal: opening
                    // may ask questions and run nested loops.
                    QMetaObject::invokeMethod(
                        this, [this, path] { emit openRequested(path); }, Qt::QueuedConnection);
                }
            }
        });
    }
}

}  // namespace quorvane
