#pragma once

#include <QHostAddress>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QtHttpServer/QAbstractHttpServer>

#include "webform/submission_rate.h"
#include "webform/web_form_certificate.h"

class GuardedTcpServer;
class WebFormBackend;

// The web form of one class on the school network. It answers only, under the
// class code: the page, the fields, the region lists, a submission (POST), and
// a submission's state by its receipt; everything else, and any request
// without the right code, is a bare 404. Requests over 64 KB get 413, more than
// 30 submissions a minute from one address 429. TLS by default (the school's
// certificate or a self-signed one, see WebFormCertificate); plain HTTP only
// when asked. After close(), or at midnight, every connection is cut and the
// port no longer listens. Event loop thread only: the backend is called there.
class WebFormServer final : public QAbstractHttpServer
{
    Q_OBJECT

public:
    static constexpr qint64 kMaxRequestBytes = 64 * 1024;
    static constexpr int kSubmissionsPerMinute = 30;

    struct Options
    {
        quint16 port = 0;   // 0: any free port
        bool plain = false; // plain HTTP (tests only)
        QHostAddress listenOn = QHostAddress::AnyIPv4;
        QString programDir; // where config.ini names the certificate, or the self-signed one is kept
        QString configIni;
    };

    WebFormServer(WebFormBackend &backend, Options options, QObject *parent = nullptr);
    ~WebFormServer() override;

    // Starts serving with a new class code. Throws AppError (FileError for the
    // certificate) when the port cannot be had.
    void open();
    // Ends every access: open connections are cut, new ones refused.
    void close();
    bool isOpen() const { return m_open; }

    quint16 port() const { return m_port; }
    QString classCode() const { return m_code; }
    // What pupils type or scan: "https://192.168.1.20:8443/f/CODE/".
    QString address() const;
    // The certificate's SHA-256 fingerprint; empty under plain HTTP.
    QString fingerprint() const;
    QImage qrImage() const;
    // Submissions taken into the queue since the form was opened.
    int submissionCount() const { return m_count; }

signals:
    void submissionCountChanged(int count);
    void closed();

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    struct Reply;
    Reply answer(const QHttpServerRequest &request);
    Reply submit(const QHttpServerRequest &request);
    void send(const QHttpServerRequest &request, QTcpSocket *socket, const Reply &reply);
    void closeAtMidnight();

    WebFormBackend &m_backend;
    Options m_options;
    QPointer<GuardedTcpServer> m_listener;
    std::optional<WebFormCertificate> m_certificate;
    SubmissionRate m_rate{kSubmissionsPerMinute};
    QTimer m_midnight;
    QByteArray m_page;
    QString m_code;
    quint16 m_port = 0;
    int m_count = 0;
    bool m_open = false;
};
