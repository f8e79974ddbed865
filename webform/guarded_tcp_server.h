#pragma once

#include <optional>

#include <QHash>
#include <QPointer>
#include <QSslConfiguration>
#include <QTcpServer>

class QTcpSocket;

// The listening socket of the web form. It hands the HTTP server plain or TLS
// connections and watches what each one sends before the HTTP parser buffers
// it: a request whose Content-Length, or whose bytes since the last answer,
// exceed the limit is answered 413 and its connection closed, so a huge body
// never lands in memory. It also knows every open connection, so closing the
// form can cut them all. Event loop thread only.
class GuardedTcpServer final : public QTcpServer
{
    Q_OBJECT

public:
    // tls: the certificate and key to serve with; nothing for plain HTTP.
    GuardedTcpServer(std::optional<QSslConfiguration> tls, qint64 maxRequestBytes, QObject *parent = nullptr);

    // The answer to the socket's request was written: its count starts again.
    void answered(QTcpSocket *socket);
    // Cuts every open connection.
    void abortAll();

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void inspect(QTcpSocket *socket);

    std::optional<QSslConfiguration> m_tls;
    qint64 m_maxRequestBytes;
    QHash<QTcpSocket *, qint64> m_received; // bytes since the last answer
};
