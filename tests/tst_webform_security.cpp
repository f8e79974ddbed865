#include <sys/stat.h>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include "fake_web_form_backend.h"
#include "webform/web_form_certificate.h"
#include "webform/web_form_server.h"

namespace {

struct Response
{
    int status = 0; // 0: nothing came back
    QByteArray head;
    QByteArray body;
};

// Headers and body complete, or the connection gone.
bool complete(const QByteArray &got)
{
    const qsizetype end = got.indexOf("\r\n\r\n");
    if (end < 0)
        return false;
    const QRegularExpressionMatch length =
        QRegularExpression(QStringLiteral("(?i)content-length: *(\\d+)")).match(QString::fromLatin1(got.left(end)));
    return length.hasMatch() && got.size() - end - 4 >= length.captured(1).toLongLong();
}

Response parse(const QByteArray &got)
{
    Response r;
    const qsizetype end = got.indexOf("\r\n\r\n");
    if (!got.startsWith("HTTP/1.1 ") || end < 0)
        return r;
    r.status = got.mid(9, 3).toInt();
    r.head = got.left(end);
    r.body = got.mid(end + 4);
    return r;
}

// Sends raw bytes on the socket and waits for one answer (or the end of the connection).
Response exchange(QTcpSocket &socket, const QByteArray &raw)
{
    QByteArray got;
    socket.write(raw);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000 && !complete(got)) {
        QTest::qWait(5);
        got += socket.readAll();
        if (socket.state() == QAbstractSocket::UnconnectedState && socket.bytesAvailable() == 0)
            break;
    }
    return parse(got);
}

Response send(quint16 port, const QByteArray &raw, const QString &from = QStringLiteral("127.0.0.1"))
{
    QTcpSocket socket;
    socket.bind(QHostAddress(from));
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(2000))
        return {};
    return exchange(socket, raw);
}

QByteArray get(const QString &path)
{
    return "GET " + path.toUtf8() + " HTTP/1.1\r\nHost: school\r\n\r\n";
}

QByteArray post(const QString &path, const QByteArray &body)
{
    return "POST " + path.toUtf8() + " HTTP/1.1\r\nHost: school\r\nContent-Type: application/json\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray submission(const QString &name)
{
    return QJsonDocument(QJsonObject{{"fields", QJsonObject{{"姓名", name}, {"性别", "2-女"}}}}).toJson();
}

} // namespace

class WebFormSecurityTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    FakeWebFormBackend m_backend;
    std::unique_ptr<WebFormServer> m_server;

    QString at(const QString &rest = QString()) const { return "/f/" + m_server->classCode() + "/" + rest; }

private slots:
    void init()
    {
        m_backend = FakeWebFormBackend();
        m_server = std::make_unique<WebFormServer>(m_backend, WebFormServer::Options{0, true, QHostAddress::AnyIPv4, m_dir.path(), {}});
        m_server->open();
    }

    void cleanup() { m_server.reset(); }

    void probesWithoutTheRightCodeGetNothing()
    {
        const QString code = m_server->classCode();
        QVERIFY(code.size() >= 8);
        QString wrong = code;
        wrong[0] = wrong[0] == QLatin1Char('A') ? QLatin1Char('B') : QLatin1Char('A');
        const QStringList paths = {"/", "/f/", "/f/" + code, "/f/" + wrong + "/", "/f/" + wrong + "/fields",
                                   "/f/" + code.toLower() + "/fields", "/tavro.db", "/config.ini", "/f/" + code + "/../",
                                   "/f/" + code + "/%2e%2e/tavro.db", "/f/" + code + "/fields/../../tavro.db",
                                   "/f/" + code + "/state", "/f/" + code + "/state/", "/f/" + code + "/submissions",
                                   "/f/" + code + "/regions/../..", "/f/" + code + "/page.html"};
        for (const QString &path : paths) {
            const Response r = send(m_server->port(), get(path));
            QVERIFY2(r.status == 404 && r.body.isEmpty(), qPrintable(path + " gave " + QString::number(r.status)));
        }
        // A submission under a wrong code, and the page's routes with other methods.
        QCOMPARE(send(m_server->port(), post("/f/" + wrong + "/submit", submission("李娜"))).status, 404);
        QCOMPARE(send(m_server->port(), post(at("fields"), "{}")).status, 404);
        QCOMPARE(send(m_server->port(), get(at("submit"))).status, 404);
        QCOMPARE(m_backend.calls, 0);
    }

    void thePageComesWithAStrictPolicy()
    {
        const Response page = send(m_server->port(), get(at()));
        QCOMPARE(page.status, 200);
        const QRegularExpressionMatch nonce =
            QRegularExpression("script-src 'nonce-([A-Za-z0-9+/=]+)'").match(QString::fromLatin1(page.head));
        QVERIFY(nonce.hasMatch());
        QVERIFY(page.head.contains("connect-src 'self'"));
        QVERIFY(page.body.contains("<script nonce=\"" + nonce.captured(1).toLatin1() + "\">"));
        // Nothing is loaded from elsewhere.
        QVERIFY(!page.body.contains("http://") && !page.body.contains("https://") && !page.body.contains("//cdn"));
        // Each page gets a nonce of its own.
        QVERIFY(!send(m_server->port(), get(at())).head.contains(nonce.captured(1).toLatin1()));
        QCOMPARE(send(m_server->port(), get(at("regions/440000"))).status, 200);
        QCOMPARE(send(m_server->port(), get(at("regions/999999"))).status, 404);
    }

    void aReceiptShowsItsOwnSubmissionOnly()
    {
        const Response refused = send(m_server->port(), post(at("submit"), submission(" ")));
        QCOMPARE(refused.status, 422);
        QVERIFY(QJsonDocument::fromJson(refused.body)["verdicts"]["姓名"].isArray());
        const QString first = QJsonDocument::fromJson(send(m_server->port(), post(at("submit"), submission("李娜"))).body)["receipt"].toString();
        const QString second = QJsonDocument::fromJson(send(m_server->port(), post(at("submit"), submission("王芳"))).body)["receipt"].toString();
        QVERIFY(!first.isEmpty() && !second.isEmpty());
        QCOMPARE(m_server->submissionCount(), 2);
        const Response own = send(m_server->port(), get(at("state/" + first)));
        QCOMPARE(own.status, 200);
        QVERIFY(own.body.contains("李娜") && !own.body.contains("王芳"));
        QString forged = second;
        forged[3] = forged[3] == QLatin1Char('a') ? QLatin1Char('b') : QLatin1Char('a');
        const Response other = send(m_server->port(), get(at("state/" + forged)));
        QVERIFY(other.status == 404 && other.body.isEmpty());
        // A queue that refuses is told in general words, the engine's text stays here.
        m_backend.failing = true;
        const Response down = send(m_server->port(), post(at("submit"), submission("赵敏")));
        QCOMPARE(down.status, 503);
        QVERIFY(!down.body.contains("locked"));
    }

    void oversizedRequestsAreRefusedBeforeTheyArrive()
    {
        const int callsBefore = m_backend.calls;
        // Announced too large: refused on the headers alone, the connection closed.
        const QByteArray head = "POST " + at("submit").toUtf8() + " HTTP/1.1\r\nHost: s\r\nContent-Length: 70000\r\n\r\n";
        QCOMPARE(send(m_server->port(), head).status, 413);
        // Sent in chunks without a length, the bytes themselves are counted.
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_server->port());
        QVERIFY(socket.waitForConnected(2000));
        socket.write("POST " + at("submit").toUtf8() + " HTTP/1.1\r\nHost: s\r\nTransfer-Encoding: chunked\r\n\r\n");
        const QByteArray chunk = QByteArray(8192, 'x');
        for (int i = 0; i < 10; ++i)
            socket.write("2000\r\n" + chunk + "\r\n");
        QCOMPARE(exchange(socket, "0\r\n\r\n").status, 413);
        QCOMPARE(m_backend.calls, callsBefore);
        // A large but allowed submission still arrives.
        const Response near = send(m_server->port(), post(at("submit"), submission(QString(20000, QChar(0x674E)))));
        QCOMPARE(near.status, 201);
    }

    void aFloodFromOneAddressIsCut()
    {
        for (int i = 0; i < WebFormServer::kSubmissionsPerMinute; ++i)
            QCOMPARE(send(m_server->port(), post(at("submit"), submission("李娜"))).status, 201);
        const Response flood = send(m_server->port(), post(at("submit"), submission("李娜")));
        QCOMPARE(flood.status, 429);
        QCOMPARE(m_backend.addresses.size(), WebFormServer::kSubmissionsPerMinute);
        // Another machine of the room is not held back.
        QCOMPARE(send(m_server->port(), post(at("submit"), submission("王芳")), "127.0.0.2").status, 201);
    }

    void closingEndsEveryAccess()
    {
        const quint16 port = m_server->port();
        const QString oldCode = m_server->classCode();
        QTcpSocket kept;
        kept.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(kept.waitForConnected(2000));
        QCOMPARE(exchange(kept, get(at("fields"))).status, 200);
        m_server->close();
        QVERIFY(m_server->address().isEmpty());
        QCOMPARE(exchange(kept, get("/f/" + oldCode + "/fields")).status, 0);
        QCOMPARE(send(port, get("/f/" + oldCode + "/fields")).status, 0);
        // Opened again, the form has a new code and the old one lets nobody in.
        m_server->open();
        QVERIFY(m_server->classCode() != oldCode);
        QCOMPARE(send(m_server->port(), get("/f/" + oldCode + "/fields")).status, 404);
    }

    void aSelfSignedCertificateIsMadeOnceAndKeptPrivate()
    {
        QTemporaryDir programDir;
        const WebFormCertificate made = WebFormCertificate::load(programDir.path(), programDir.filePath("config.ini"));
        const QString folder = WebFormCertificate::selfSignedFolder(programDir.path());
        for (const QString &file : {folder + "/key.pem", folder + "/certificate.pem"}) {
            struct stat info {};
            QCOMPARE(::stat(QFile::encodeName(file).constData(), &info), 0);
            QCOMPARE(info.st_mode & 0777, 0600u);
        }
        struct stat info {};
        ::stat(QFile::encodeName(folder).constData(), &info);
        QCOMPARE(info.st_mode & 0777, 0700u);
        const WebFormCertificate again = WebFormCertificate::load(programDir.path(), programDir.filePath("config.ini"));
        QCOMPARE(again.fingerprint(), made.fingerprint());
        QCOMPARE(made.fingerprint().size(), 32 * 3 - 1);

        // The server presents it.
        FakeWebFormBackend backend;
        WebFormServer server(backend, {0, false, QHostAddress::LocalHost, programDir.path(), programDir.filePath("config.ini")});
        server.open();
        QVERIFY(server.address().startsWith("https://127.0.0.1:"));
        QCOMPARE(server.fingerprint(), made.fingerprint());
        QVERIFY(!server.qrImage().isNull());
        QSslSocket client;
        client.setPeerVerifyMode(QSslSocket::VerifyNone);
        client.connectToHostEncrypted(QStringLiteral("127.0.0.1"), server.port());
        QTRY_VERIFY_WITH_TIMEOUT(client.isEncrypted(), 5000);
        QCOMPARE(client.peerCertificate(), made.certificate);
        QCOMPARE(exchange(client, get("/f/" + server.classCode() + "/fields")).status, 200);
    }
};

QTEST_GUILESS_MAIN(WebFormSecurityTest)
#include "tst_webform_security.moc"
