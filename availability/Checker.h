#pragma once

#include "availability/Answer.h"
#include "availability/Bootstrap.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QUrl>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace quorvel::availability {

/// What looking up a host name gave.
enum class Resolution
{
    Found,    ///< the name has addresses
    NotFound, ///< the name server says the name does not exist
    Failed,   ///< the name server could not be asked or did not answer
};

/// Looks up a host name and calls back with the outcome (on the context's thread, while it lives).
using Resolver = std::function<void(const QString& host, QObject* context, std::function<void(Resolution)> done)>;

/// The manners of the look-ups. The defaults are those of the program; tests shorten the waits.
struct CheckerConfig
{
    QUrl bootstrapAddress = QUrl(QString::fromLatin1(DefaultBootstrapAddress));
    /// The user named the bootstrap address: it is the only source, and nothing takes its place when it cannot
    /// be read. An invalid address then makes every answer unknown without anything being sent.
    bool bootstrapGiven = false;
    QString givenBootstrapText;                ///< the address as the user wrote it, for the reason of an unusable one
    Bootstrap fallback = Bootstrap::builtIn(); ///< asked when IANA's file cannot be had and none was given
    Resolver resolver;                         ///< how host names are looked up; the system's resolver when unset
    int resolveTimeoutMs = 4000;               ///< a name server silent this long is taken as not answering at all
    qint64 offlineHoldMs = 20000;              ///< once no connection is found, checks answer at once for this long
    bool systemConnectivity = false;           ///< believe the system when it says that the machine is offline
    QString bootstrapCachePath;                ///< where the bootstrap file is kept; empty: not kept
    int maxInFlightPerServer = 4;
    int transferTimeoutMs = 8000; ///< for each request, each redirection its own
    int maxRedirects = 3;
    qint64 answerLifetimeMs = 10 * 60 * 1000;
    int maxRetryWaitSeconds = 60; ///< a 429 asking for a longer wait is not retried
    int maxKeptAnswers = 10000;   ///< beyond this many, the oldest answers are forgotten first
    qint64 maxBootstrapKeepSeconds = 7 * 24 * 60 * 60;
    std::function<qint64()> clock; ///< milliseconds on a monotonic clock; the steady clock when unset

    /// The program's manners, with the bootstrap address from QUORVEL_RDAP_BOOTSTRAP when it is set and the
    /// bootstrap kept in the user's cache folder.
    static CheckerConfig fromEnvironment();
};

/// Looks up the registration status of domains over RDAP. Each domain is looked up once however many ask for
/// it; answers come through answered() for every domain that was asked for and not cancelled. Nothing is sent
/// before the first check(); the bootstrap file is read (from the cache or the network) at that moment.
class Checker final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Checker)

public:
    explicit Checker(CheckerConfig config, QObject* parent = nullptr);
    ~Checker() override;

    /// Looks up each domain (lower-case) for the requester. A known answer younger than the answer lifetime
    /// is given again at once. A requester that is destroyed is cancelled.
    void check(const QStringList& domains, const QObject* requester);

    /// Drops every look-up that only this requester wanted; transfers under way are aborted.
    void cancel(const QObject* requester);

    /// The number of domains waiting for an answer.
    int pendingCount() const { return static_cast<int>(m_jobs.size()); }

    const CheckerConfig& config() const { return m_config; }

Q_SIGNALS:
    void answered(const QString& domain, const quorvel::availability::Answer& answer);

private:
    struct Job;
    struct Server
    {
        int inFlight = 0;
        bool paused = false;
        int pauses = 0;       // how many times it was paused; a timer ends only its own pause
        QDateTime retryAfter; // while paused after a 429: until when
        QString host;
        qint64 silentSince = -1; // a request timed out and none answered since
        enum class Name
        {
            Unknown,
            Resolving,
            Found
        } name = Name::Unknown;
        std::deque<Job*> waiting;
    };

    enum class Link
    {
        Unknown, // nothing said yet, or the last verdict is out of date
        Up,      // some server answered
        Down,    // nothing can be reached; m_downReason says why
    };

    qint64 now() const;
    void watch(const QObject* requester);
    void loadBootstrap();
    void fetchBootstrap(const std::optional<CachedBootstrap>& cached);
    void bootstrapFinished(QNetworkReply* reply, const std::optional<CachedBootstrap>& cached);
    void bootstrapReady(Bootstrap bootstrap);
    void bootstrapFailed();
    void resolve(const QString& host, std::function<void(Resolution)> done);
    bool connectionFailed(const QString& serverKey, bool nameNotFound);
    void linkUp();
    void goDown(Reason reason);
    void pause(const QString& serverKey, qint64 seconds);
    bool downNow();
    bool systemSaysOffline() const;
    void releaseHeld();
    Job* jobFor(const QString& domain) const;
    QStringList pendingDomains() const;
    QStringList takeWaiting(const QString& serverKey);
    void route(Job* job);
    void pump(const QString& server);
    void start(Job* job);
    void replyFinished(Job* job);
    void finish(Job* job, const Answer& answer);
    void drop(Job* job);
    QNetworkReply* get(const QUrl& url, const QByteArray& accept, const QList<QPair<QByteArray, QByteArray>>& extra);

    CheckerConfig m_config;
    QNetworkAccessManager* m_network = nullptr;
    std::optional<Bootstrap> m_bootstrap;
    bool m_bootstrapLoading = false;
    QPointer<QNetworkReply> m_bootstrapReply;
    bool m_onFallback = false;  // m_bootstrap is the built-in one: IANA's file could not be had
    qint64 m_fallbackSince = 0; // when IANA's file was last found missing
    std::deque<Job*> m_held;    // on the fallback without a server, waiting to learn whether the link is down
    Link m_link = Link::Unknown;
    Reason m_downReason = Reason::Offline;
    qint64 m_downAt = 0;
    QSet<QString> m_failedServers; // could not be connected to since the last answer from anywhere
    int m_nameFailures = 0;        // of those, how many because their names do not exist
    std::map<QString, std::unique_ptr<Job>> m_jobs;
    std::map<QString, Server> m_servers;
    void keep(const QString& domain, const Answer& answer);

    QHash<QString, std::pair<Answer, qint64>> m_answers;  // known answers with the time they came
    std::deque<std::pair<qint64, QString>> m_answerOrder; // the same, oldest first, to forget them in order
    QSet<const QObject*> m_watched;
};

} // namespace quorvel::availability
