#pragma once

#include "availability/Answer.h"
#include "availability/Bootstrap.h"

#include <QHash>
#include <QObject>
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

/// The manners of the look-ups. The defaults are those of the program; tests shorten the waits.
struct CheckerConfig
{
    QUrl bootstrapAddress = QUrl(QString::fromLatin1(DefaultBootstrapAddress));
    QString bootstrapCachePath; ///< where the bootstrap file is kept; empty: not kept
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
        std::deque<Job*> waiting;
    };

    qint64 now() const;
    void watch(const QObject* requester);
    void loadBootstrap();
    void fetchBootstrap(const std::optional<CachedBootstrap>& cached);
    void bootstrapFinished(QNetworkReply* reply, const std::optional<CachedBootstrap>& cached);
    void bootstrapReady(Bootstrap bootstrap);
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
    std::map<QString, std::unique_ptr<Job>> m_jobs;
    std::map<QString, Server> m_servers;
    void keep(const QString& domain, const Answer& answer);

    QHash<QString, std::pair<Answer, qint64>> m_answers;  // known answers with the time they came
    std::deque<std::pair<qint64, QString>> m_answerOrder; // the same, oldest first, to forget them in order
    QSet<const QObject*> m_watched;
};

} // namespace quorvel::availability
