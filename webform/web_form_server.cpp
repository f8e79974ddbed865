#include "web_form_server.h"

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QSslConfiguration>
#include <QTcpSocket>
#include <QtHttpServer/QHttpServerRequest>
#include <QtHttpServer/QHttpServerResponder>

#include "platform/app_error.h"
#include "webform/class_code.h"
#include "webform/guarded_tcp_server.h"
#include "webform/web_form_address.h"
#include "webform/web_form_backend.h"
#include "webform/web_form_route.h"

using Status = QHttpServerResponder::StatusCode;

struct WebFormServer::Reply
{
    Status status = Status::NotFound;
    QByteArray body;
    QByteArray type;
    QByteArray nonce; // the page's: its inline script and style may run
};

namespace {

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray jsonMessage(const QString &text)
{
    return json(QJsonObject{{QStringLiteral("message"), text}});
}

QByteArray newNonce()
{
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    return QByteArray(reinterpret_cast<const char *>(words), sizeof words).toBase64();
}

} // namespace

// The page lives in a static library: without this reference the linker
// would drop its registration.
static void initPageResource()
{
    Q_INIT_RESOURCE(webform);
}

WebFormServer::WebFormServer(WebFormBackend &backend, Options options, QObject *parent)
    : QAbstractHttpServer(parent), m_backend(backend), m_options(std::move(options))
{
    initPageResource();
    QFile page(QStringLiteral(":/webform/page.html"));
    if (page.open(QIODevice::ReadOnly))
        m_page = page.readAll();
    m_midnight.setSingleShot(true);
    connect(&m_midnight, &QTimer::timeout, this, &WebFormServer::close);
}

WebFormServer::~WebFormServer()
{
    close();
}

void WebFormServer::open()
{
    close();
    std::optional<QSslConfiguration> tls;
    if (!m_options.plain) {
        if (!m_certificate)
            m_certificate = WebFormCertificate::load(m_options.programDir, m_options.configIni);
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(m_certificate->certificate);
        config.setPrivateKey(m_certificate->key);
        config.setProtocol(QSsl::TlsV1_2OrLater);
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        tls = config;
    }
    auto *listener = new GuardedTcpServer(tls, kMaxRequestBytes, this);
    if (!listener->listen(m_options.listenOn, m_options.port)) {
        const QString why = listener->errorString();
        delete listener;
        throw AppError(QStringLiteral("网上填报没有打开：端口 %1 不能使用；请换一个端口，或关闭占用它的程序。\n%2")
                           .arg(m_options.port)
                           .arg(why));
    }
    bind(listener);
    m_listener = listener;
    m_port = listener->serverPort();
    m_code = ClassCode::make();
    m_count = 0;
    m_open = true;
    closeAtMidnight();
}

void WebFormServer::close()
{
    m_midnight.stop();
    if (m_listener) {
        m_listener->close();
        m_listener->abortAll();
        m_listener->deleteLater();
        m_listener = nullptr;
    }
    // The code goes with the form: a new opening gives a new one.
    m_code.clear();
    if (!m_open)
        return;
    m_open = false;
    emit closed();
}

void WebFormServer::closeAtMidnight()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime midnight(now.date().addDays(1), QTime(0, 0));
    m_midnight.start(int(qBound<qint64>(1000, now.msecsTo(midnight), 24LL * 3600 * 1000)));
}

QString WebFormServer::address() const
{
    if (!m_open)
        return {};
    const QString host = m_options.listenOn.isLoopback() ? m_options.listenOn.toString() : WebFormAddress::localIpv4();
    return WebFormAddress::url(!m_options.plain, host, m_port, m_code);
}

QString WebFormServer::fingerprint() const
{
    return m_certificate && !m_options.plain ? m_certificate->fingerprint() : QString();
}

QImage WebFormServer::qrImage() const
{
    return m_open ? WebFormAddress::qrImage(address()) : QImage();
}

bool WebFormServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    if (!m_open) {
        socket->abort();
        return true;
    }
    send(request, socket, answer(request));
    return true;
}

void WebFormServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    send(request, socket, Reply{});
}

WebFormServer::Reply WebFormServer::answer(const QHttpServerRequest &request)
{
    if (request.body().size() > kMaxRequestBytes)
        return {Status::PayloadTooLarge, {}, {}, {}};
    const WebFormRoute route = WebFormRoute::of(request.url().path(QUrl::FullyEncoded));
    // A wrong code looks exactly like a path that does not exist.
    if (route.kind == WebFormRoute::Kind::None || !ClassCode::matches(route.code, m_code))
        return {};
    const bool get = request.method() == QHttpServerRequest::Method::Get;
    const QByteArray jsonType = "application/json; charset=utf-8";
    switch (route.kind) {
    case WebFormRoute::Kind::Page: {
        if (!get)
            return {};
        const QByteArray nonce = newNonce();
        return {Status::Ok, QByteArray(m_page).replace("{{nonce}}", nonce), "text/html; charset=utf-8", nonce};
    }
    case WebFormRoute::Kind::Fields:
        return get ? Reply{Status::Ok, json(m_backend.fields()), jsonType, {}} : Reply{};
    case WebFormRoute::Kind::Regions: {
        const std::optional<QJsonObject> regions = get ? m_backend.regions(route.argument) : std::nullopt;
        return regions ? Reply{Status::Ok, json(*regions), jsonType, {}} : Reply{};
    }
    case WebFormRoute::Kind::Submit:
        return request.method() == QHttpServerRequest::Method::Post ? submit(request) : Reply{};
    case WebFormRoute::Kind::State: {
        const std::optional<QJsonObject> state = get ? m_backend.state(route.argument) : std::nullopt;
        return state ? Reply{Status::Ok, json(*state), jsonType, {}} : Reply{};
    }
    case WebFormRoute::Kind::None:
        break;
    }
    return {};
}

WebFormServer::Reply WebFormServer::submit(const QHttpServerRequest &request)
{
    const QByteArray jsonType = "application/json; charset=utf-8";
    const QString from = request.remoteAddress().toString();
    if (!m_rate.admit(from))
        return {Status::TooManyRequests, jsonMessage(QStringLiteral("这台设备一分钟内提交太多次了，请过一分钟再提交。")), jsonType, {}};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(request.body(), &error);
    const QJsonValue fields = document.object().value(QStringLiteral("fields"));
    if (error.error != QJsonParseError::NoError || !fields.isObject())
        return {Status::BadRequest, jsonMessage(QStringLiteral("提交的内容不完整，请重新提交。")), jsonType, {}};
    WebFormBackend::Outcome outcome;
    try {
        outcome = m_backend.submit(fields.toObject(), from);
    } catch (const AppError &e) {
        // The engine's text stays with the teacher's program, never the public page.
        qWarning("web form submission not queued: %s", qUtf8Printable(e.text()));
        return {Status::ServiceUnavailable, jsonMessage(QStringLiteral("暂时不能接收，填写的内容仍保留在本页；请稍后再提交。")),
                jsonType, {}};
    }
    if (outcome.receipt.isEmpty())
        return {Status::UnprocessableEntity, json(outcome.reply), jsonType, {}};
    emit submissionCountChanged(++m_count);
    QJsonObject reply = outcome.reply;
    reply.insert(QStringLiteral("receipt"), outcome.receipt);
    return {Status::Created, json(reply), jsonType, {}};
}

void WebFormServer::send(const QHttpServerRequest &request, QTcpSocket *socket, const Reply &reply)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(reply.status);
    responder.writeHeader("Content-Length", QByteArray::number(reply.body.size()));
    if (!reply.type.isEmpty())
        responder.writeHeader("Content-Type", reply.type);
    // Nothing but this server, and the page's own inline script and style.
    const QByteArray own = reply.nonce.isEmpty() ? QByteArray("'none'") : "'nonce-" + reply.nonce + "'";
    responder.writeHeader("Content-Security-Policy",
                          "default-src 'self'; script-src " + own + "; style-src " + own
                              + "; connect-src 'self'; img-src 'self' data:; object-src 'none'; base-uri 'none'; "
                                "form-action 'none'; frame-ancestors 'none'");
    responder.writeHeader("X-Content-Type-Options", "nosniff");
    responder.writeHeader("Referrer-Policy", "no-referrer");
    responder.writeHeader("Cache-Control", "no-store");
    responder.writeBody(reply.body);
    // Out at once, not when the event loop next gets round to it: in a
    // burst each answer would otherwise wait for the whole burst.
    socket->flush();
    if (m_listener)
        m_listener->answered(socket);
}
