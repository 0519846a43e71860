#include "availability/Bootstrap.h"

#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace quorvel::availability {

namespace {

// The most a cache file or bootstrap file is read into memory; IANA's file is some tens of kilobytes.
constexpr qint64 MaxFileBytes = 8 << 20;

} // namespace

QDateTime parseHttpDate(const QByteArray& value)
{
    // RFC 9110's preferred form, "Sun, 06 Nov 1994 08:49:37 GMT"; the obsolete forms are not worth the code.
    QDateTime date = QLocale::c().toDateTime(QString::fromLatin1(value.trimmed()),
                                             QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    if (date.isValid()) {
        date.setTimeSpec(Qt::UTC);
    }
    return date;
}

std::optional<Bootstrap> Bootstrap::parse(const QByteArray& json)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject() ||
        !document.object().value(QLatin1String("services")).isArray()) {
        return std::nullopt;
    }
    Bootstrap bootstrap;
    for (const QJsonValue& service : document.object().value(QLatin1String("services")).toArray()) {
        // Each service is [ [endings...], [addresses...] ].
        const QJsonArray pair = service.toArray();
        if (pair.size() < 2 || !pair.at(0).isArray() || !pair.at(1).isArray()) {
            continue;
        }
        QList<QUrl> urls;
        for (const QJsonValue& address : pair.at(1).toArray()) {
            QUrl url(address.toString(), QUrl::StrictMode);
            if (url.isValid() && !url.host().isEmpty()) {
                if (!url.path().endsWith(u'/')) {
                    url.setPath(url.path() + u'/');
                }
                urls << url;
            }
        }
        if (urls.isEmpty()) {
            continue;
        }
        for (const QJsonValue& ending : pair.at(0).toArray()) {
            const QString key = ending.toString().toLower();
            if (!key.isEmpty()) {
                bootstrap.m_services.insert(key, urls);
            }
        }
    }
    return bootstrap;
}

Bootstrap Bootstrap::builtIn()
{
    Bootstrap bootstrap;
    bootstrap.m_services.insert(QStringLiteral("com"), {QUrl(QStringLiteral("https://rdap.verisign.com/com/v1/"))});
    bootstrap.m_services.insert(QStringLiteral("net"), {QUrl(QStringLiteral("https://rdap.verisign.com/net/v1/"))});
    return bootstrap;
}

QUrl Bootstrap::serverFor(const QString& domain) const
{
    const QStringList labels = domain.split(u'.');
    for (qsizetype first = 1; first < labels.size(); ++first) {
        const auto it = m_services.constFind(labels.mid(first).join(u'.'));
        if (it == m_services.constEnd()) {
            continue;
        }
        const auto https = std::find_if(it->begin(), it->end(),
                                        [](const QUrl& url) { return url.scheme() == QLatin1String("https"); });
        if (https != it->end()) {
            return *https;
        }
        const auto allowed = std::find_if(it->begin(), it->end(), isAllowedServer);
        return allowed != it->end() ? *allowed : it->first();
    }
    return {};
}

bool isAllowedServer(const QUrl& url)
{
    if (url.scheme() == QLatin1String("https")) {
        return !url.host().isEmpty();
    }
    if (url.scheme() != QLatin1String("http")) {
        return false;
    }
    return isLoopbackHost(url.host());
}

bool isLoopbackHost(const QString& host)
{
    return host == QLatin1String("localhost") || QHostAddress(host).isLoopback();
}

QUrl usableBootstrapAddress(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !isAllowedServer(url)) {
        return {};
    }
    return url;
}

std::optional<qint64> freshSeconds(const QList<QPair<QByteArray, QByteArray>>& headers, const QDateTime& now,
                                   qint64 maxSeconds)
{
    auto header = [&headers](const char* name) -> std::optional<QByteArray> {
        for (const auto& [key, value] : headers) {
            if (key.compare(name, Qt::CaseInsensitive) == 0) {
                return value;
            }
        }
        return std::nullopt;
    };
    auto capped = [maxSeconds](qint64 seconds) { return std::clamp<qint64>(seconds, 0, maxSeconds); };

    if (const auto cacheControl = header("Cache-Control")) {
        std::optional<qint64> maxAge;
        for (const QByteArray& directive : cacheControl->split(',')) {
            const QByteArray d = directive.trimmed().toLower();
            if (d == "no-store") {
                return std::nullopt;
            }
            if (d == "no-cache") {
                maxAge = 0;
            } else if (d.startsWith("max-age=") && !maxAge) {
                bool ok = false;
                const qint64 value = d.mid(8).replace('"', "").toLongLong(&ok);
                maxAge = ok ? value : 0;
            }
        }
        if (maxAge) {
            bool ok = false;
            const qint64 age = header("Age").value_or("0").trimmed().toLongLong(&ok);
            return capped(*maxAge - (ok ? age : 0));
        }
    }
    const QDateTime date = parseHttpDate(header("Date").value_or(QByteArray()));
    const QDateTime reference = date.isValid() ? date : now;
    if (const auto expires = header("Expires")) {
        const QDateTime when = parseHttpDate(*expires);
        return capped(when.isValid() ? reference.secsTo(when) : 0);
    }
    if (const auto lastModified = header("Last-Modified")) {
        const QDateTime when = parseHttpDate(*lastModified);
        return capped(when.isValid() ? when.secsTo(reference) / 10 : 0);
    }
    return 0;
}

std::optional<CachedBootstrap> readCachedBootstrap(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxFileBytes) {
        return std::nullopt;
    }
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    const QJsonObject object = document.object();
    if (!object.value(QLatin1String("file")).isObject()) {
        return std::nullopt;
    }
    CachedBootstrap cached;
    cached.source = object.value(QLatin1String("source")).toString();
    cached.expires = QDateTime::fromString(object.value(QLatin1String("expires")).toString(), Qt::ISODate);
    cached.etag = object.value(QLatin1String("etag")).toString().toLatin1();
    cached.lastModified = object.value(QLatin1String("lastModified")).toString().toLatin1();
    cached.body = QJsonDocument(object.value(QLatin1String("file")).toObject()).toJson(QJsonDocument::Compact);
    if (!cached.expires.isValid()) {
        return std::nullopt;
    }
    return cached;
}

bool writeCachedBootstrap(const QString& path, const CachedBootstrap& cached)
{
    const QJsonDocument file = QJsonDocument::fromJson(cached.body);
    if (!file.isObject() || !QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    QJsonObject object;
    object.insert(QLatin1String("source"), cached.source);
    object.insert(QLatin1String("expires"), cached.expires.toUTC().toString(Qt::ISODate));
    object.insert(QLatin1String("etag"), QString::fromLatin1(cached.etag));
    object.insert(QLatin1String("lastModified"), QString::fromLatin1(cached.lastModified));
    object.insert(QLatin1String("file"), file.object());
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        return false;
    }
    out.write(QJsonDocument(object).toJson(QJsonDocument::Compact));
    return out.commit();
}

QString defaultBootstrapCachePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/quorvel/rdap-dns.json");
}

} // namespace quorvel::availability
