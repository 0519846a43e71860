#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

namespace quorvel::test {

/// An RDAP server on a loopback port that also serves the bootstrap file (/dns.json, naming itself for
/// com, net and org). It answers each domain as the test chooses and counts what it is asked.
class FakeRdapServer final : public QObject
{
    Q_OBJECT

public:
    enum class Behaviour
    {
        Registered,          ///< 200 with a domain object for the name asked, in upper case
        OtherName,           ///< 200 with a domain object for another name
        NotFound,            ///< 404
        RateLimitedOnce,     ///< 429 with Retry-After: 1 the first time, then as Registered
        RateLimited,         ///< 429 with Retry-After: 1 every time
        ServerError,         ///< 500
        Silent,              ///< never answers
        NotJson,             ///< 200 with an HTML page
        CloseConnection,     ///< closes the connection without answering
        RedirectLoop,        ///< 302 to the same address
        RedirectToPlainHttp, ///< 302 to a plain HTTP address that is not loopback
    };

    FakeRdapServer();

    quint16 port() const { return m_server.serverPort(); }
    /// http://127.0.0.1:<port>/rdap/
    QUrl base() const;
    /// http://127.0.0.1:<port>/dns.json
    QUrl bootstrapAddress() const;

    void setBehaviour(const QString& domain, Behaviour behaviour) { m_behaviours.insert(domain, behaviour); }
    Behaviour defaultBehaviour = Behaviour::NotFound;
    int answerDelayMs = 0;
    QByteArray bootstrapBody;                              ///< the bootstrap file; names this server by default
    QList<QPair<QByteArray, QByteArray>> bootstrapHeaders; ///< extra headers of the bootstrap answer
    int bootstrapStatus = 200;
    bool bootstrapSilent = false; ///< a black hole for the bootstrap file: the request is taken, never answered

    /// An address on a loopback port where nothing listens, so every connection is refused.
    static QUrl refusedAddress(const QString& path);

    // What was asked.
    int domainRequests = 0;
    int bootstrapRequests = 0;
    int inFlight = 0;
    int maxInFlight = 0;
    QHash<QString, int> requestsFor;                     ///< per domain
    QList<QHash<QByteArray, QByteArray>> requestHeaders; ///< of each domain request, names lower-case
    qint64 busyMs() const;                               ///< the sum over requests of the time each was in flight
    qint64 activeMs() const; ///< from the start of the first domain request to the end of the last

private:
    void serve(QTcpSocket* socket);
    void handle(QTcpSocket* socket, const QByteArray& path, const QHash<QByteArray, QByteArray>& headers);
    void answer(QTcpSocket* socket, const QString& domain, Behaviour behaviour);
    void respond(QTcpSocket* socket, int status, const QByteArray& body,
                 const QList<QPair<QByteArray, QByteArray>>& headers = {});
    void started(QTcpSocket* socket);
    void ended(QTcpSocket* socket);

    QTcpServer m_server;
    QHash<QString, Behaviour> m_behaviours;
    QElapsedTimer m_clock;
    qint64 m_busyMs = 0;
    qint64 m_firstStart = -1;
    qint64 m_lastEnd = -1;
};

} // namespace quorvel::test
