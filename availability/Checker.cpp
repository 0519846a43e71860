#include "availability/Checker.h"

#include "availability/Domains.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace quorvel::availability {

namespace {

// No domain object comes near this; a larger body is not read any further.
constexpr qint64 MaxBodyBytes = 1 << 20;
// The bootstrap file is some tens of kilobytes.
constexpr qint64 MaxBootstrapBytes = 8 << 20;
// The wait before the one retry after a 429 that does not say how long to wait.
constexpr int DefaultRetrySeconds = 1;

const QByteArray RdapMediaType = QByteArrayLiteral("application/rdap+json");

QString serverKey(const QUrl& url)
{
    return url.scheme() + QStringLiteral("://") + url.host() + u':' +
           QString::number(url.port(url.scheme() == QLatin1String("https") ? 443 : 80));
}

// Seconds to wait as a Retry-After header says: a number of seconds or a date. -1 when it says neither.
qint64 retryAfterSeconds(const QByteArray& value)
{
    bool ok = false;
    const qint64 seconds = value.trimmed().toLongLong(&ok);
    if (ok) {
        return seconds < 0 ? -1 : seconds;
    }
    const QDateTime when = parseHttpDate(value);
    return when.isValid() ? std::max<qint64>(0, QDateTime::currentDateTimeUtc().secsTo(when)) : -1;
}

// What a finished transfer that failed below HTTP means.
Answer transportFailure(const QNetworkReply* reply)
{
    if (reply->error() == QNetworkReply::SslHandshakeFailedError) {
        return Answer::unknown(Reason::Tls, reply->errorString());
    }
    return Answer::unknown(Reason::Network, reply->errorString());
}

// What a 200 answer's body means for the domain asked about.
Answer domainObjectAnswer(const QByteArray& body, const QString& domain)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return Answer::unknown(Reason::NotRdap);
    }
    const QJsonObject object = document.object();
    const QJsonValue className = object.value(QLatin1String("objectClassName"));
    const QJsonValue ldhName = object.value(QLatin1String("ldhName"));
    if (className.toString() != QLatin1String("domain") || !ldhName.isString()) {
        return Answer::unknown(Reason::NotRdap);
    }
    QString name = ldhName.toString();
    if (name.endsWith(u'.')) {
        name.chop(1); // the fully qualified form names the same domain
    }
    if (name.compare(domain, Qt::CaseInsensitive) != 0) {
        return Answer::unknown(Reason::NameMismatch, ldhName.toString().left(255));
    }
    return Answer::registered();
}

} // namespace

struct Checker::Job
{
    QString domain;
    QUrl url;
    QString server;
    QSet<const QObject*> requesters;
    QPointer<QNetworkReply> reply;
    QTimer timer; // the transfer time-out
    bool retried = false;
    bool timedOut = false;
    bool tooLarge = false;
    int redirects = 0;
    bool waiting = false; // in its server's queue
};

CheckerConfig CheckerConfig::fromEnvironment()
{
    CheckerConfig config;
    const QByteArray address = qgetenv(BootstrapVariable);
    if (!address.isEmpty()) {
        config.bootstrapAddress = QUrl(QString::fromUtf8(address));
    }
    config.bootstrapCachePath = defaultBootstrapCachePath();
    return config;
}

Checker::Checker(CheckerConfig config, QObject* parent) : QObject(parent), m_config(std::move(config))
{
    qRegisterMetaType<Answer>();
    if (!m_config.clock) {
        m_config.clock = [] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
    }
    m_network = new QNetworkAccessManager(this);
    m_network->setAutoDeleteReplies(false);
}

Checker::~Checker()
{
    // Replies are aborted without their finished handling, which would reach into jobs being destroyed.
    for (auto& [domain, job] : m_jobs) {
        if (job->reply) {
            job->reply->disconnect(this);
            job->reply->abort();
        }
    }
}

qint64 Checker::now() const
{
    return m_config.clock();
}

void Checker::watch(const QObject* requester)
{
    if (requester == nullptr || m_watched.contains(requester)) {
        return;
    }
    m_watched.insert(requester);
    connect(requester, &QObject::destroyed, this, [this, requester] {
        m_watched.remove(requester);
        cancel(requester);
    });
}

void Checker::check(const QStringList& domains, const QObject* requester)
{
    watch(requester);
    for (const QString& given : domains) {
        const QString domain = given.toLower();
        if (const auto it = m_answers.constFind(domain);
            it != m_answers.constEnd() && now() - it->second < m_config.answerLifetimeMs) {
            Q_EMIT answered(domain, it->first);
            continue;
        }
        if (!isValidDomain(domain)) {
            Q_EMIT answered(domain, Answer::unknown(Reason::InvalidName));
            continue;
        }
        auto& job = m_jobs[domain];
        if (job) {
            job->requesters.insert(requester);
            continue;
        }
        job = std::make_unique<Job>();
        job->domain = domain;
        job->requesters.insert(requester);
        job->timer.setSingleShot(true);
        Job* raw = job.get();
        connect(&job->timer, &QTimer::timeout, this, [raw] {
            if (raw->reply) {
                raw->timedOut = true;
                raw->reply->abort();
            }
        });
        if (m_bootstrap) {
            route(raw);
        }
    }
    if (!m_bootstrap && !m_jobs.empty()) {
        loadBootstrap();
    }
}

void Checker::cancel(const QObject* requester)
{
    std::vector<Job*> orphans;
    for (auto& [domain, job] : m_jobs) {
        if (job->requesters.remove(requester) && job->requesters.isEmpty()) {
            orphans.push_back(job.get());
        }
    }
    // Those still waiting go first, so that the slots freed by the others are not given to them.
    std::stable_partition(orphans.begin(), orphans.end(), [](const Job* job) { return job->waiting; });
    for (Job* job : orphans) {
        drop(job);
    }
}

QNetworkReply* Checker::get(const QUrl& url, const QByteArray& accept,
                            const QList<QPair<QByteArray, QByteArray>>& extra)
{
    QNetworkRequest request(url);
    request.setRawHeader("Accept", accept);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Quorvel/" QUORVEL_VERSION_TEXT));
    for (const auto& [name, value] : extra) {
        request.setRawHeader(name, value);
    }
    // Redirections are followed here (replyFinished), by the same rules as the first request.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply* reply = m_network->get(request);
    return reply;
}

void Checker::loadBootstrap()
{
    if (m_bootstrapLoading) {
        return;
    }
    m_bootstrapLoading = true;
    std::optional<CachedBootstrap> cached;
    if (!m_config.bootstrapCachePath.isEmpty()) {
        cached = readCachedBootstrap(m_config.bootstrapCachePath);
        if (cached && cached->source != m_config.bootstrapAddress.toString()) {
            cached.reset(); // kept for another address
        }
    }
    if (cached && QDateTime::currentDateTimeUtc() < cached->expires) {
        if (auto bootstrap = Bootstrap::parse(cached->body)) {
            bootstrapReady(std::move(*bootstrap));
            return;
        }
    }
    fetchBootstrap(cached);
}

void Checker::fetchBootstrap(const std::optional<CachedBootstrap>& cached)
{
    if (!isAllowedServer(m_config.bootstrapAddress)) {
        bootstrapFinished(nullptr, cached);
        return;
    }
    QList<QPair<QByteArray, QByteArray>> conditions;
    if (cached && !cached->etag.isEmpty()) {
        conditions.append({"If-None-Match", cached->etag});
    }
    if (cached && !cached->lastModified.isEmpty()) {
        conditions.append({"If-Modified-Since", cached->lastModified});
    }
    QNetworkReply* reply =
        get(m_config.bootstrapAddress, QByteArrayLiteral("application/json, application/rdap+json"), conditions);
    auto* timer = new QTimer(reply);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, reply, &QNetworkReply::abort);
    timer->start(m_config.transferTimeoutMs);
    connect(reply, &QNetworkReply::readyRead, reply, [reply] {
        if (reply->bytesAvailable() > MaxBootstrapBytes) {
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, cached] { bootstrapFinished(reply, cached); });
}

void Checker::bootstrapFinished(QNetworkReply* reply, const std::optional<CachedBootstrap>& cached)
{
    std::optional<Bootstrap> fetched;
    if (reply != nullptr) {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const std::optional<qint64> fresh =
            freshSeconds(reply->rawHeaderPairs(), now, m_config.maxBootstrapKeepSeconds);
        CachedBootstrap keep;
        keep.source = m_config.bootstrapAddress.toString();
        keep.expires = now.addSecs(fresh.value_or(0));
        keep.etag = reply->rawHeader("ETag");
        keep.lastModified = reply->rawHeader("Last-Modified");
        if (reply->error() == QNetworkReply::NoError && status == 200) {
            keep.body = reply->readAll();
            fetched = Bootstrap::parse(keep.body);
        } else if (status == 304 && cached) {
            keep.body = cached->body;
            keep.etag = keep.etag.isEmpty() ? cached->etag : keep.etag;
            keep.lastModified = keep.lastModified.isEmpty() ? cached->lastModified : keep.lastModified;
            fetched = Bootstrap::parse(keep.body);
        }
        if (fetched && fresh && !m_config.bootstrapCachePath.isEmpty()) {
            writeCachedBootstrap(m_config.bootstrapCachePath, keep);
        }
    }
    if (!fetched && cached) {
        fetched = Bootstrap::parse(cached->body); // out of date, but better than nothing
    }
    bootstrapReady(fetched ? std::move(*fetched) : Bootstrap::builtIn());
}

void Checker::bootstrapReady(Bootstrap bootstrap)
{
    m_bootstrap = std::move(bootstrap);
    m_bootstrapLoading = false;
    std::vector<Job*> jobs;
    for (auto& [domain, job] : m_jobs) {
        jobs.push_back(job.get());
    }
    for (Job* job : jobs) {
        route(job);
    }
}

void Checker::route(Job* job)
{
    const QUrl base = m_bootstrap->serverFor(job->domain);
    if (base.isEmpty()) {
        finish(job, Answer::unknown(Reason::NoService, job->domain.section(u'.', 1)));
        return;
    }
    if (!isAllowedServer(base)) {
        finish(job, Answer::unknown(Reason::InsecureServer, base.toDisplayString()));
        return;
    }
    job->url = base.resolved(QUrl(QStringLiteral("domain/") + job->domain));
    job->server = serverKey(base);
    job->waiting = true;
    m_servers[job->server].waiting.push_back(job);
    pump(job->server);
}

void Checker::pump(const QString& key)
{
    Server& server = m_servers[key];
    while (!server.paused && server.inFlight < m_config.maxInFlightPerServer && !server.waiting.empty()) {
        Job* job = server.waiting.front();
        server.waiting.pop_front();
        job->waiting = false;
        ++server.inFlight;
        start(job);
    }
}

void Checker::start(Job* job)
{
    job->timedOut = false;
    job->tooLarge = false;
    QNetworkReply* reply = get(job->url, RdapMediaType + ", application/json", {});
    job->reply = reply;
    connect(reply, &QNetworkReply::readyRead, this, [job, reply] {
        if (reply->bytesAvailable() > MaxBodyBytes) {
            job->tooLarge = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, job] { replyFinished(job); });
    job->timer.start(m_config.transferTimeoutMs);
}

void Checker::replyFinished(Job* job)
{
    QNetworkReply* reply = job->reply;
    job->reply = nullptr;
    job->timer.stop();
    reply->deleteLater();
    Server& server = m_servers[job->server];
    --server.inFlight;

    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int status = statusAttribute.isValid() ? statusAttribute.toInt() : 0;
    Answer answer;
    if (job->timedOut) {
        answer = Answer::unknown(Reason::Timeout);
    } else if (job->tooLarge) {
        answer = Answer::unknown(Reason::TooLarge);
    } else if (status >= 300 && status <= 399 && reply->hasRawHeader("Location")) {
        const QUrl target = job->url.resolved(QUrl::fromEncoded(reply->rawHeader("Location")));
        if (++job->redirects > m_config.maxRedirects) {
            answer = Answer::unknown(Reason::TooManyRedirects);
        } else if (!isAllowedServer(target)) {
            answer = Answer::unknown(Reason::InsecureServer, target.toDisplayString());
        } else {
            // The look-up keeps its place among the server's requests in flight.
            ++server.inFlight;
            job->url = target;
            start(job);
            return;
        }
    } else if (status == 200) {
        answer = domainObjectAnswer(reply->readAll(), job->domain);
    } else if (status == 404) {
        answer = Answer::notRegistered();
    } else if (status == 429) {
        const QByteArray header = reply->rawHeader("Retry-After");
        const qint64 wait = header.isEmpty() ? DefaultRetrySeconds : retryAfterSeconds(header);
        if (!job->retried && wait >= 0 && wait <= m_config.maxRetryWaitSeconds) {
            // The server asked everybody to wait: nothing more goes to it until then, this look-up first.
            job->retried = true;
            job->waiting = true;
            server.waiting.push_front(job);
            server.paused = true;
            const QString key = job->server;
            QTimer::singleShot(std::chrono::seconds(wait), this, [this, key] {
                m_servers[key].paused = false;
                pump(key);
            });
            return;
        }
        answer = Answer::unknown(Reason::RateLimited);
    } else if (status >= 500 && status <= 599) {
        answer = Answer::unknown(Reason::ServerError, QString::number(status));
    } else if (status != 0) {
        answer = Answer::unknown(Reason::HttpStatus, QString::number(status));
    } else {
        answer = transportFailure(reply);
    }
    const QString key = job->server;
    finish(job, answer);
    pump(key);
}

void Checker::finish(Job* job, const Answer& answer)
{
    const QString domain = job->domain;
    if (answer.known()) {
        keep(domain, answer);
    }
    m_jobs.erase(domain); // job is gone from here on
    Q_EMIT answered(domain, answer);
}

void Checker::keep(const QString& domain, const Answer& answer)
{
    const qint64 time = now();
    m_answers.insert(domain, {answer, time});
    m_answerOrder.emplace_back(time, domain);
    // Answers all live equally long, so the oldest are the first to be out of date; memory stays bounded
    // however many names a run checks.
    while (!m_answerOrder.empty() && (time - m_answerOrder.front().first >= m_config.answerLifetimeMs ||
                                      m_answerOrder.size() > static_cast<std::size_t>(m_config.maxKeptAnswers))) {
        const auto& [kept, name] = m_answerOrder.front();
        const auto it = m_answers.constFind(name);
        if (it != m_answers.constEnd() && it->second == kept) {
            m_answers.erase(it); // not answered again since
        }
        m_answerOrder.pop_front();
    }
}

void Checker::drop(Job* job)
{
    if (job->reply) {
        QNetworkReply* reply = job->reply;
        job->reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
        --m_servers[job->server].inFlight;
    }
    const QString server = job->server;
    const QString domain = job->domain;
    if (job->waiting) {
        auto& waiting = m_servers[server].waiting;
        waiting.erase(std::remove(waiting.begin(), waiting.end(), job), waiting.end());
    }
    m_jobs.erase(domain);
    if (!server.isEmpty()) {
        pump(server);
    }
}

} // namespace quorvel::availability
