#include "availability/Checker.h"

#include "availability/Domains.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkInformation>
#include <QNetworkInterface>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <memory>
#include <utility>

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

// Whether a transfer failed before any connection was made: the server cannot be reached from here.
bool notConnected(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::UnknownNetworkError: // no route to the host or its network
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return true;
    default:
        return false;
    }
}

// The expiry date the registry gives in the domain object's events, if any.
QDateTime expiryOf(const QJsonObject& object)
{
    for (const QJsonValue& event : object.value(QLatin1String("events")).toArray()) {
        const QJsonObject fields = event.toObject();
        if (fields.value(QLatin1String("eventAction")).toString() == QLatin1String("expiration")) {
            QDateTime date =
                QDateTime::fromString(fields.value(QLatin1String("eventDate")).toString(), Qt::ISODateWithMs);
            if (date.isValid()) {
                return date.toUTC();
            }
        }
    }
    return {};
}

// The system's own resolver, through Qt's cache of host names (which the transfers then use too).
void systemResolver(const QString& host, QObject* context, std::function<void(Resolution)> done)
{
    QHostInfo::lookupHost(host, context, [done = std::move(done)](const QHostInfo& info) {
        if (info.error() == QHostInfo::NoError && !info.addresses().isEmpty()) {
            done(Resolution::Found);
        } else if (info.error() == QHostInfo::HostNotFound) {
            done(Resolution::NotFound);
        } else {
            done(Resolution::Failed);
        }
    });
}

// Whether this machine has a network interface beyond loopback that is up and has a routable address.
bool hasNetworkInterface()
{
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack)) {
            continue;
        }
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            if (!entry.ip().isLoopback() && !entry.ip().isLinkLocal()) {
                return true;
            }
        }
    }
    return false;
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
    Answer answer = Answer::registered();
    answer.expires = expiryOf(object);
    return answer;
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
    bool waiting = false;    // in its server's queue
    bool viaBuiltIn = false; // routed by the built-in servers
};

CheckerConfig CheckerConfig::fromEnvironment()
{
    CheckerConfig config;
    const QByteArray address = qgetenv(BootstrapVariable);
    if (!address.isEmpty()) {
        config.bootstrapGiven = true;
        config.givenBootstrapText = QString::fromUtf8(address);
        config.bootstrapAddress = usableBootstrapAddress(config.givenBootstrapText);
    }
    config.bootstrapCachePath = defaultBootstrapCachePath();
    config.systemConnectivity = true;
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
    if (!m_config.resolver) {
        m_config.resolver = systemResolver;
    }
    if (m_config.systemConnectivity && QNetworkInformation::instance() == nullptr) {
        // Where the system reports its connectivity, a machine it knows to be offline is answered at once.
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
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
    if (m_bootstrapReply) {
        m_bootstrapReply->disconnect(this);
        m_bootstrapReply->abort();
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
    const bool unusableBootstrap = m_config.bootstrapGiven && !m_config.bootstrapAddress.isValid();
    if (!unusableBootstrap && !isLoopbackHost(m_config.bootstrapAddress.host()) && systemSaysOffline()) {
        goDown(Reason::Offline);
    }
    if (m_onFallback && m_jobs.empty() && now() - m_fallbackSince >= 3 * m_config.offlineHoldMs) {
        // IANA's file may be back: it is asked for again rather than living on the built-in servers all along.
        m_bootstrap.reset();
        m_onFallback = false;
    }
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
        if (unusableBootstrap) {
            // The user's own source cannot be used, and nothing else may answer in its place.
            Q_EMIT answered(domain, Answer::unknown(Reason::BootstrapUnavailable, m_config.givenBootstrapText));
            continue;
        }
        if (downNow()) {
            Q_EMIT answered(domain, Answer::unknown(m_downReason));
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
    resolve(m_config.bootstrapAddress.host(), [this, cached](Resolution resolution) {
        if (resolution == Resolution::Failed) {
            goDown(Reason::NameResolution);
            return;
        }
        if (resolution == Resolution::NotFound) {
            if (!connectionFailed(serverKey(m_config.bootstrapAddress), true)) {
                bootstrapFinished(nullptr, cached);
            }
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
        m_bootstrapReply = reply;
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
    });
}

void Checker::bootstrapFinished(QNetworkReply* reply, const std::optional<CachedBootstrap>& cached)
{
    std::optional<Bootstrap> fetched;
    if (reply != nullptr) {
        m_bootstrapReply = nullptr;
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status == 0 && notConnected(reply->error()) &&
            connectionFailed(serverKey(m_config.bootstrapAddress),
                             reply->error() == QNetworkReply::HostNotFoundError)) {
            return; // nothing can be reached: every look-up has its answer already
        }
        if (status != 0) {
            linkUp();
        }
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
        fetched = Bootstrap::parse(cached->body); // out of date, but from the same source
    }
    if (fetched) {
        bootstrapReady(std::move(*fetched));
    } else if (m_config.bootstrapGiven) {
        bootstrapFailed();
    } else {
        m_onFallback = true;
        m_fallbackSince = now();
        bootstrapReady(m_config.fallback);
    }
}

Checker::Job* Checker::jobFor(const QString& domain) const
{
    const auto it = m_jobs.find(domain);
    return it == m_jobs.end() ? nullptr : it->second.get();
}

QStringList Checker::pendingDomains() const
{
    QStringList domains;
    for (const auto& [domain, job] : m_jobs) {
        domains << domain;
    }
    return domains;
}

QStringList Checker::takeWaiting(const QString& key)
{
    QStringList domains;
    for (Job* job : std::exchange(m_servers[key].waiting, {})) {
        job->waiting = false;
        domains << job->domain;
    }
    return domains;
}

void Checker::bootstrapFailed()
{
    // The user's own list is the only source: nothing else is asked in its place.
    m_bootstrapLoading = false;
    // By name: whoever hears an answer may cancel other look-ups on the way.
    for (const QString& domain : pendingDomains()) {
        if (Job* job = jobFor(domain)) {
            finish(job, Answer::unknown(Reason::BootstrapUnavailable, m_config.bootstrapAddress.toDisplayString()));
        }
    }
}

void Checker::bootstrapReady(Bootstrap bootstrap)
{
    m_bootstrap = std::move(bootstrap);
    m_bootstrapLoading = false;
    QStringList domains = pendingDomains();
    // Those the built-in servers know go first, so that the others learn whether the link is down.
    std::stable_partition(domains.begin(), domains.end(),
                          [this](const QString& domain) { return !m_bootstrap->serverFor(domain).isEmpty(); });
    for (const QString& domain : std::as_const(domains)) {
        Job* job = jobFor(domain);
        if (job != nullptr && m_bootstrap && job->server.isEmpty() && !job->waiting) {
            route(job);
        }
    }
}

void Checker::route(Job* job)
{
    const QUrl base = m_bootstrap->serverFor(job->domain);
    job->viaBuiltIn = m_onFallback;
    if (base.isEmpty()) {
        if (m_onFallback) {
            // IANA's file could not be had: whether that is because nothing can be reached is told by the
            // look-ups at the built-in servers.
            m_held.push_back(job);
            releaseHeld();
        } else {
            finish(job, Answer::unknown(Reason::NoService, job->domain.section(u'.', 1)));
        }
        return;
    }
    if (!isAllowedServer(base)) {
        finish(job, Answer::unknown(Reason::InsecureServer, base.toDisplayString()));
        return;
    }
    job->url = base.resolved(QUrl(QStringLiteral("domain/") + job->domain));
    job->server = serverKey(base);
    Server& server = m_servers[job->server];
    server.host = base.host();
    if (server.silentSince >= 0 && now() - server.silentSince < m_config.offlineHoldMs) {
        // It let the last request time out; the next would only wait as long again.
        finish(job, Answer::unknown(Reason::Timeout, base.host()));
        return;
    }
    if (server.paused &&
        QDateTime::currentDateTimeUtc().msecsTo(server.retryAfter) > qint64(m_config.maxRetryWaitSeconds) * 1000) {
        Answer answer = Answer::unknown(Reason::RateLimited);
        answer.retryAfter = server.retryAfter;
        finish(job, answer);
        return;
    }
    job->waiting = true;
    server.waiting.push_back(job);
    pump(job->server);
}

void Checker::releaseHeld()
{
    if (m_held.empty()) {
        return;
    }
    bool routedLeft = false;
    for (const auto& [domain, job] : m_jobs) {
        routedLeft = routedLeft || !job->server.isEmpty();
    }
    if (m_link == Link::Unknown && routedLeft) {
        return;
    }
    QStringList held;
    for (const Job* job : std::exchange(m_held, {})) {
        held << job->domain;
    }
    for (const QString& domain : std::as_const(held)) {
        if (Job* job = jobFor(domain)) {
            job->viaBuiltIn = false;
            finish(job, m_link == Link::Down ? Answer::unknown(m_downReason)
                                             : Answer::unknown(Reason::BootstrapUnavailable,
                                                               m_config.bootstrapAddress.toDisplayString()));
        }
    }
}

void Checker::pump(const QString& key)
{
    Server& server = m_servers[key];
    if (server.name != Server::Name::Found && !server.waiting.empty()) {
        if (server.name == Server::Name::Unknown) {
            server.name = Server::Name::Resolving;
            resolve(server.host, [this, key](Resolution resolution) {
                Server& resolved = m_servers[key];
                if (resolution == Resolution::Found) {
                    resolved.name = Server::Name::Found;
                    pump(key);
                    return;
                }
                resolved.name = Server::Name::Unknown;
                if (resolution == Resolution::Failed) {
                    goDown(Reason::NameResolution);
                    return;
                }
                if (connectionFailed(key, true)) {
                    return;
                }
                const QString host = resolved.host;
                for (const QString& domain : takeWaiting(key)) {
                    if (Job* job = jobFor(domain)) {
                        finish(job, Answer::unknown(Reason::Network, QStringLiteral("host %1 not found").arg(host)));
                    }
                }
                releaseHeld();
            });
        }
        return;
    }
    while (!server.paused && server.inFlight < m_config.maxInFlightPerServer && !server.waiting.empty()) {
        Job* job = server.waiting.front();
        server.waiting.pop_front();
        job->waiting = false;
        ++server.inFlight;
        start(job);
    }
}

void Checker::resolve(const QString& host, std::function<void(Resolution)> done)
{
    if (!QHostAddress(host).isNull() || host == QLatin1String("localhost")) {
        done(Resolution::Found); // an address needs no name server
        return;
    }
    if (systemSaysOffline()) {
        goDown(Reason::Offline);
        return;
    }
    // The first of the answer and the deadline counts; a name server that never answers costs this long once.
    auto settled = std::make_shared<bool>(false);
    auto* deadline = new QTimer(this);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, this, [settled, done, deadline] {
        deadline->deleteLater();
        if (!std::exchange(*settled, true)) {
            done(Resolution::Failed);
        }
    });
    deadline->start(m_config.resolveTimeoutMs);
    m_config.resolver(host, this, [settled, done, deadline](Resolution resolution) {
        if (!std::exchange(*settled, true)) {
            deadline->stop();
            deadline->deleteLater();
            done(resolution);
        }
    });
}

bool Checker::systemSaysOffline() const
{
    if (!m_config.systemConnectivity) {
        return false;
    }
    if (const QNetworkInformation* information = QNetworkInformation::instance();
        information != nullptr && information->reachability() == QNetworkInformation::Reachability::Disconnected) {
        return true;
    }
    return !hasNetworkInterface();
}

bool Checker::connectionFailed(const QString& key, bool nameNotFound)
{
    if (!m_failedServers.contains(key)) {
        m_failedServers.insert(key);
        m_nameFailures += nameNotFound ? 1 : 0;
    }
    // One server out of reach is that server's trouble; two, with nothing answering in between, is this
    // machine's.
    if (m_failedServers.size() < 2) {
        return false;
    }
    goDown(m_nameFailures == m_failedServers.size() ? Reason::NameResolution : Reason::Offline);
    return true;
}

void Checker::linkUp()
{
    m_link = Link::Up;
    m_failedServers.clear();
    m_nameFailures = 0;
    releaseHeld();
}

bool Checker::downNow()
{
    if (m_link != Link::Down) {
        return false;
    }
    if (now() - m_downAt < m_config.offlineHoldMs) {
        return true;
    }
    // Time to try again, from the start.
    m_link = Link::Unknown;
    m_failedServers.clear();
    m_nameFailures = 0;
    return false;
}

void Checker::goDown(Reason reason)
{
    m_link = Link::Down;
    m_downReason = reason;
    m_downAt = now();
    if (m_bootstrapReply) {
        QNetworkReply* reply = m_bootstrapReply;
        m_bootstrapReply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    m_bootstrapLoading = false;
    if (m_onFallback) {
        // IANA's file is asked for again once the connection may be back.
        m_bootstrap.reset();
        m_onFallback = false;
    }
    m_held.clear();
    for (auto& [key, server] : m_servers) {
        server.waiting.clear();
        server.inFlight = 0;
        if (server.name == Server::Name::Resolving) {
            server.name = Server::Name::Unknown;
        }
    }
    for (const QString& domain : pendingDomains()) {
        Job* job = jobFor(domain);
        if (job == nullptr) {
            continue;
        }
        if (job->reply) {
            QNetworkReply* reply = job->reply;
            job->reply = nullptr;
            reply->disconnect(this);
            reply->deleteLater(); // which ends its transfer
        }
        job->timer.stop();
        job->waiting = false;
        job->viaBuiltIn = false;
        finish(job, Answer::unknown(reason));
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

void Checker::pause(const QString& key, qint64 seconds)
{
    Server& server = m_servers[key];
    const QDateTime until = QDateTime::currentDateTimeUtc().addSecs(seconds);
    if (server.paused && server.retryAfter >= until) {
        return;
    }
    server.paused = true;
    server.retryAfter = until;
    const int generation = ++server.pauses;
    QTimer::singleShot(std::chrono::seconds(seconds), this, [this, key, generation] {
        Server& paused = m_servers[key];
        if (paused.pauses == generation) {
            paused.paused = false;
            pump(key);
        }
    });
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
    if (status != 0) {
        server.silentSince = -1;
        linkUp();
    }
    Answer answer;
    if (job->timedOut) {
        answer = Answer::unknown(Reason::Timeout, job->url.host());
        server.silentSince = now();
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
        if (wait >= 0) {
            // The server asked everybody to wait: nothing more goes to it until then, this look-up first.
            pause(job->server, wait);
        }
        if (!job->retried && wait >= 0 && wait <= m_config.maxRetryWaitSeconds) {
            job->retried = true;
            job->waiting = true;
            server.waiting.push_front(job);
            return;
        }
        answer = Answer::unknown(Reason::RateLimited);
        if (wait >= 0) {
            answer.retryAfter = m_servers[job->server].retryAfter;
        }
    } else if (status >= 500 && status <= 599) {
        answer = Answer::unknown(Reason::ServerError, QString::number(status));
    } else if (status != 0) {
        answer = Answer::unknown(Reason::HttpStatus, QString::number(status));
    } else {
        if (notConnected(reply->error()) &&
            connectionFailed(job->server, reply->error() == QNetworkReply::HostNotFoundError)) {
            return; // nothing can be reached: this look-up has its answer with all the others
        }
        answer = transportFailure(reply);
    }
    const QString key = job->server;
    const bool silent = job->timedOut;
    finish(job, answer);
    if (silent) {
        // Those still waiting for this server would only wait as long again.
        for (const QString& domain : takeWaiting(key)) {
            if (Job* waiting = jobFor(domain)) {
                finish(waiting, Answer::unknown(Reason::Timeout, waiting->url.host()));
            }
        }
    }
    pump(key);
    releaseHeld();
}

void Checker::finish(Job* job, const Answer& given)
{
    const QString domain = job->domain;
    Answer answer = given;
    answer.viaBuiltIn = job->viaBuiltIn && !answer.known();
    if (answer.known()) {
        keep(domain, answer);
    }
    m_held.erase(std::remove(m_held.begin(), m_held.end(), job), m_held.end());
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
    m_held.erase(std::remove(m_held.begin(), m_held.end(), job), m_held.end());
    m_jobs.erase(domain);
    if (!server.isEmpty()) {
        pump(server);
    }
}

} // namespace quorvel::availability
