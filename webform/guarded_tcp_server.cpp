#include "guarded_tcp_server.h"

#include <QSslSocket>

namespace {

// Room for the request line and headers on top of the body's limit.
constexpr qint64 kHeaderAllowance = 16 * 1024;

// The Content-Length a request announces in the buffered bytes, or -1.
qint64 announcedLength(const QByteArray &start)
{
    const qsizetype end = start.indexOf("\r\n\r\n");
    const QByteArray head = (end < 0 ? start : start.left(end)).toLower();
    const qsizetype at = head.indexOf("\r\ncontent-length:");
    if (at < 0)
        return -1;
    const qsizetype from = at + qsizetype(sizeof "\r\ncontent-length:") - 1;
    const qsizetype lineEnd = head.indexOf("\r\n", from);
    bool ok = false;
    const qint64 length = head.mid(from, lineEnd < 0 ? -1 : lineEnd - from).trimmed().toLongLong(&ok);
    // A length too large to read is taken as too large.
    return ok ? length : std::numeric_limits<qint64>::max();
}

} // namespace

GuardedTcpServer::GuardedTcpServer(std::optional<QSslConfiguration> tls, qint64 maxRequestBytes, QObject *parent)
    : QTcpServer(parent), m_tls(std::move(tls)), m_maxRequestBytes(maxRequestBytes)
{
}

void GuardedTcpServer::incomingConnection(qintptr descriptor)
{
    QTcpSocket *socket = nullptr;
    if (m_tls) {
        auto *ssl = new QSslSocket(this);
        ssl->setSslConfiguration(*m_tls);
        socket = ssl;
    } else {
        socket = new QTcpSocket(this);
    }
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    m_received.insert(socket, 0);
    // Connected before the HTTP server's own handler, so this look comes first.
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { inspect(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        m_received.remove(socket);
        socket->deleteLater();
    });
    if (auto *ssl = qobject_cast<QSslSocket *>(socket)) {
        // A client that never finishes the handshake is not kept.
        connect(ssl, &QSslSocket::sslErrors, ssl, [ssl] { ssl->abort(); });
        ssl->startServerEncryption();
    }
    addPendingConnection(socket);
}

void GuardedTcpServer::inspect(QTcpSocket *socket)
{
    qint64 &received = m_received[socket];
    const bool requestStart = received == 0;
    const qint64 available = socket->bytesAvailable();
    received += available;
    bool tooLarge = received > m_maxRequestBytes + kHeaderAllowance;
    if (!tooLarge && requestStart)
        tooLarge = announcedLength(socket->peek(qMin<qint64>(available, kHeaderAllowance))) > m_maxRequestBytes;
    if (!tooLarge)
        return;
    // Nothing of it reaches the parser: the buffer is dropped, the answer sent
    // and the connection closed.
    socket->readAll();
    socket->write("HTTP/1.1 413 Payload Too Large\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    socket->disconnectFromHost();
}

void GuardedTcpServer::answered(QTcpSocket *socket)
{
    if (m_received.contains(socket))
        m_received[socket] = 0;
}

void GuardedTcpServer::abortAll()
{
    const QList<QTcpSocket *> open = m_received.keys();
    for (QTcpSocket *socket : open)
        socket->abort();
}
