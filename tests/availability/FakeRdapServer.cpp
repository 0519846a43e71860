#include "tests/availability/FakeRdapServer.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace quorvel::test {

FakeRdapServer::FakeRdapServer()
{
    m_clock.start();
    if (!m_server.listen(QHostAddress::LocalHost, 0)) {
        qFatal("fake RDAP server cannot listen on 127.0.0.1");
    }
    bootstrapBody = QByteArrayLiteral(R"({"version":"1.0","publication":"2026-12-01T00:00:00Z","services":[)") +
                    QByteArrayLiteral(R"([["com","net"],[")") + base().toEncoded() + QByteArrayLiteral(R"("]],)") +
                    QByteArrayLiteral(R"([["org"],[")") + base().toEncoded() + QByteArrayLiteral(R"("]]]})");
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                // A request given up by the client is no longer in flight.
                while (socket->property("pending").toInt() > 0) {
                    ended(socket);
                }
                socket->deleteLater();
            });
        }
    });
}

QUrl FakeRdapServer::base() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/rdap/").arg(port()));
}

QUrl FakeRdapServer::bootstrapAddress() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/dns.json").arg(port()));
}

QUrl FakeRdapServer::refusedAddress(const QString& path)
{
    // A port the system just gave out and took back; nothing else on loopback takes it in the test's time.
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) {
        qFatal("cannot find a free loopback port");
    }
    const quint16 port = probe.serverPort();
    probe.close();
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path));
}

qint64 FakeRdapServer::busyMs() const
{
    return m_busyMs;
}

qint64 FakeRdapServer::activeMs() const
{
    return m_firstStart < 0 || m_lastEnd < 0 ? 0 : m_lastEnd - m_firstStart;
}

void FakeRdapServer::serve(QTcpSocket* socket)
{
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    for (;;) {
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0) {
            break;
        }
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        buffer.remove(0, end + 4);
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        QHash<QByteArray, QByteArray> headers;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0) {
                headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
            }
        }
        handle(socket, requestLine.value(1), headers);
    }
    socket->setProperty("buffer", buffer);
}

void FakeRdapServer::started(QTcpSocket* socket)
{
    socket->setProperty("pending", socket->property("pending").toInt() + 1);
    socket->setProperty("since", m_clock.elapsed());
    if (m_firstStart < 0) {
        m_firstStart = m_clock.elapsed();
    }
    ++inFlight;
    maxInFlight = std::max(maxInFlight, inFlight);
}

void FakeRdapServer::ended(QTcpSocket* socket)
{
    socket->setProperty("pending", socket->property("pending").toInt() - 1);
    m_busyMs += m_clock.elapsed() - socket->property("since").toLongLong();
    m_lastEnd = m_clock.elapsed();
    --inFlight;
}

void FakeRdapServer::handle(QTcpSocket* socket, const QByteArray& path, const QHash<QByteArray, QByteArray>& headers)
{
    if (path == "/dns.json") {
        ++bootstrapRequests;
        if (bootstrapSilent) {
            return;
        }
        respond(socket, bootstrapStatus, bootstrapStatus == 200 ? bootstrapBody : QByteArray(), bootstrapHeaders);
        return;
    }
    const QByteArray prefix = "/rdap/domain/";
    if (!path.startsWith(prefix)) {
        respond(socket, 400, "{}");
        return;
    }
    const QString domain = QString::fromLatin1(path.mid(prefix.size()));
    ++domainRequests;
    ++requestsFor[domain];
    requestHeaders << headers;
    started(socket);
    const Behaviour behaviour = m_behaviours.value(domain, defaultBehaviour);
    if (behaviour == Behaviour::Silent) {
        return;
    }
    QPointer<QTcpSocket> guard(socket);
    QTimer::singleShot(answerDelayMs, this, [this, guard, domain, behaviour] {
        if (guard && guard->property("pending").toInt() > 0) {
            answer(guard, domain, behaviour);
        }
    });
}

void FakeRdapServer::answer(QTcpSocket* socket, const QString& domain, Behaviour behaviour)
{
    const QByteArray name = domain.toLatin1();
    auto domainObject = [](const QByteArray& ldhName) {
        return QByteArrayLiteral(R"({"rdapConformance":["rdap_level_0"],"objectClassName":"domain","ldhName":")") +
               ldhName +
               QByteArrayLiteral(R"(","status":["active"],"events":[{"eventAction":"registration",)"
                                 R"("eventDate":"2001-02-03T04:05:06Z"},{"eventAction":"expiration",)"
                                 R"("eventDate":"2027-08-13T04:00:00Z"}]})");
    };
    if (behaviour == Behaviour::RateLimitedOnce) {
        behaviour = requestsFor.value(domain) > 1 ? Behaviour::Registered : Behaviour::RateLimited;
    }
    switch (behaviour) {
    case Behaviour::Registered:
        respond(socket, 200, domainObject(name.toUpper()));
        break;
    case Behaviour::OtherName:
        respond(socket, 200, domainObject("SOMETHING-ELSE.COM"));
        break;
    case Behaviour::NotFound:
        respond(socket, 404, R"({"errorCode":404,"title":"Not Found"})");
        break;
    case Behaviour::RateLimited:
        respond(socket, 429, "{}", {{"Retry-After", "1"}});
        break;
    case Behaviour::ServerError:
        respond(socket, 500, "{}");
        break;
    case Behaviour::NotJson:
        respond(socket, 200, "<html><body>Domain search</body></html>", {{"Content-Type", "text/html"}});
        break;
    case Behaviour::CloseConnection:
        ended(socket);
        socket->abort();
        break;
    case Behaviour::RedirectLoop:
        respond(socket, 302, "", {{"Location", base().toEncoded() + "domain/" + name}});
        break;
    case Behaviour::RedirectToPlainHttp:
        respond(socket, 302, "", {{"Location", "http://rdap.example.com/domain/" + name}});
        break;
    case Behaviour::Silent:
    case Behaviour::RateLimitedOnce:
        break;
    }
}

void FakeRdapServer::respond(QTcpSocket* socket, int status, const QByteArray& body,
                             const QList<QPair<QByteArray, QByteArray>>& headers)
{
    if (socket->property("pending").toInt() > 0) {
        ended(socket);
    }
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\n";
    bool typed = false;
    for (const auto& [name, value] : headers) {
        out += name + ": " + value + "\r\n";
        typed = typed || name.compare("Content-Type", Qt::CaseInsensitive) == 0;
    }
    if (!typed) {
        out += "Content-Type: application/rdap+json\r\n";
    }
    out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    socket->write(out);
}

} // namespace quorvel::test
