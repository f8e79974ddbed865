// 60 submissions at the same moment, as a computer room sends them: 60 client
// threads, each bound to its own loopback address (127.0.0.2 … 127.0.0.61),
// connect, wait for one another, then each sends one submission over TLS
// (the form's default; "plain" for HTTP) and waits for its answer. Prints how
// many landed in the queue and the p50 / p99 latency from the send to the
// whole answer. The form serves on the event loop's one thread, as in the
// program; the clients are plain sockets in their own threads. The
// submissions are whole records judged by the core's rules and queued in a
// SQLite file; with "server-only" a backend in memory takes them.
//
//   bench_webform [tls|plain] [clients=60]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <barrier>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <openssl/ssl.h>

#include "fake_web_form_backend.h"
#include "webform/class_web_form_backend.h"
#include "webform/web_form_server.h"
#include "core/region/region_tables.h"
#include "core/webform/submission_queue.h"
#include "test_env.h"
#include "web_form_inputs.h"

namespace {

struct Result
{
    bool landed = false;
    double ms = 0;
};

// One client: connect from its own address, wait at the barrier, send, read the answer.
Result oneClient(int index, quint16 port, bool tls, const QByteArray &request, std::barrier<> &start)
{
    Result result;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(0x7f000002 + index);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = ::bind(fd, reinterpret_cast<sockaddr *>(&from), sizeof from) == 0
        && ::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) == 0;
    SSL_CTX *context = tls ? SSL_CTX_new(TLS_client_method()) : nullptr;
    SSL *ssl = tls ? SSL_new(context) : nullptr;
    start.arrive_and_wait();
    QElapsedTimer clock;
    clock.start();
    if (connected) {
        // The handshake belongs to the submission: a phone opens its connection to send.
        bool ok = true;
        if (ssl) {
            SSL_set_fd(ssl, fd);
            ok = SSL_connect(ssl) == 1;
        }
        auto send = [&](const char *data, int size) { return ssl ? SSL_write(ssl, data, size) : int(::send(fd, data, size, 0)); };
        auto receive = [&](char *data, int size) { return ssl ? SSL_read(ssl, data, size) : int(::recv(fd, data, size, 0)); };
        QByteArray answer;
        if (ok && send(request.constData(), int(request.size())) == request.size()) {
            char buffer[4096];
            for (int got; (got = receive(buffer, sizeof buffer)) > 0;) {
                answer.append(buffer, got);
                const qsizetype end = answer.indexOf("\r\n\r\n");
                const qsizetype lengthAt = answer.toLower().indexOf("content-length:");
                if (end > 0 && lengthAt > 0 && answer.size() >= end + 4 + answer.mid(lengthAt + 15, answer.indexOf("\r\n", lengthAt) - lengthAt - 15).trimmed().toInt())
                    break;
            }
        }
        result.ms = clock.nsecsElapsed() / 1e6;
        result.landed = answer.startsWith("HTTP/1.1 201");
    }
    if (ssl)
        SSL_free(ssl);
    if (context)
        SSL_CTX_free(context);
    ::close(fd);
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool tls = QCoreApplication::arguments().value(1) != QLatin1String("plain");
    const int clients = QCoreApplication::arguments().value(2, QStringLiteral("60")).toInt();
    QTemporaryDir programDir;
    FakeWebFormBackend fake;
    WebFormBackend *backend = &fake;
    QByteArray body = QJsonDocument(QJsonObject{{"fields", QJsonObject{{"姓名", "张三"}, {"性别", "2-女"}}}}).toJson();
    std::function<qint64()> queued = [&] { return qint64(fake.names.size()); };
    // "server-only": the server in front of a queue in memory, without judging or the database.
    const bool serverOnly = QCoreApplication::arguments().contains(QStringLiteral("server-only"));
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    SystemClock clock;
    const std::unique_ptr<WebFormBackend> real = makeClassWebFormBackend(*env.db, QStringLiteral("高一01"), clock);
    if (!serverOnly) {
        backend = real.get();
        RegionTables regions;
        regions.LoadRegionTables();
        QJsonObject pupil;
        const QHash<QString, QString> inputs = WebFormInputs::driversPupil(regions);
        for (auto it = inputs.begin(); it != inputs.end(); ++it)
            pupil.insert(it.key(), it.value());
        body = QJsonDocument(QJsonObject{{"fields", pupil}}).toJson();
        queued = [&] { return qint64(SubmissionQueue::count(*env.db, QStringLiteral("高一01"))); };
    }
    WebFormServer server(*backend, {0, !tls, QHostAddress::AnyIPv4, programDir.path(), programDir.filePath("config.ini")});
    server.open();
    const QByteArray request = "POST /f/" + server.classCode().toLatin1() + "/submit HTTP/1.1\r\nHost: school\r\n"
        "Content-Type: application/json\r\nConnection: close\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;

    std::vector<Result> results(static_cast<size_t>(clients));
    std::barrier start(clients);
    std::atomic<int> finished = 0;
    std::vector<std::thread> threads;
    for (int i = 0; i < clients; ++i)
        threads.emplace_back([&, i] {
            results[size_t(i)] = oneClient(i, server.port(), tls, request, start);
            ++finished;
        });
    // The server answers on this thread while the clients run.
    while (finished < clients)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    for (std::thread &t : threads)
        t.join();

    std::vector<double> times;
    int landed = 0;
    for (const Result &r : results) {
        landed += r.landed ? 1 : 0;
        times.push_back(r.ms);
    }
    std::sort(times.begin(), times.end());
    auto percentile = [&](double p) { return times.at(std::min(times.size() - 1, size_t(p * double(times.size())))); };
    const qint64 inQueue = queued();
    std::printf("%s, %s, %d clients at once: %d answered 201, %lld in the queue; p50 %.1f ms, p99 %.1f ms, max %.1f ms\n",
                tls ? "TLS" : "plain HTTP", backend == &fake ? "queue in memory" : "SQLite queue", clients, landed,
                static_cast<long long>(inQueue), percentile(0.5), percentile(0.99), times.back());
    return landed == clients && inQueue == clients ? 0 : 1;
}
