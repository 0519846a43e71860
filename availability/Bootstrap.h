#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <optional>

namespace quorvel::availability {

/// IANA's bootstrap file for domain names.
inline constexpr char DefaultBootstrapAddress[] = "https://data.iana.org/rdap/dns.json";

/// The environment variable that names another bootstrap address.
inline constexpr char BootstrapVariable[] = "QUORVEL_RDAP_BOOTSTRAP";

/// Which RDAP server answers for which ending, as an RFC 9224 bootstrap file lists them.
class Bootstrap
{
public:
    /// Reads a bootstrap file; nothing when it is not one (not JSON, no "services" array).
    static std::optional<Bootstrap> parse(const QByteArray& json);

    /// What is known without the file: com and net at Verisign.
    static Bootstrap builtIn();

    /// The base address of the server for a lower-case domain: the one of the longest ending the file
    /// lists, preferring HTTPS among several. An empty address when no ending matches.
    QUrl serverFor(const QString& domain) const;

    qsizetype size() const { return m_services.size(); }

private:
    QHash<QString, QList<QUrl>> m_services;
};

/// Whether RDAP may be spoken with a server: HTTPS, or plain HTTP to a loopback address.
bool isAllowedServer(const QUrl& url);

/// Whether a bootstrap address the user gave can be used: an https:// URL with a host, or http:// to a
/// loopback address. The URL when it can, an invalid one when not.
QUrl usableBootstrapAddress(const QString& text);

/// Whether the host of an address is this machine (localhost or a loopback address).
bool isLoopbackHost(const QString& host);

/// How long a response may be kept according to its caching headers (Cache-Control max-age and no-store,
/// Age, Expires with Date, else a tenth of the time since Last-Modified), never more than maxSeconds.
/// Nothing when it must not be stored at all.
std::optional<qint64> freshSeconds(const QList<QPair<QByteArray, QByteArray>>& headers, const QDateTime& now,
                                   qint64 maxSeconds);

/// A date in an HTTP header ("Sun, 06 Nov 1994 08:49:37 GMT"); invalid when it is not one.
QDateTime parseHttpDate(const QByteArray& value);

/// The bootstrap file as kept in the cache folder, with what is needed to reuse or revalidate it.
struct CachedBootstrap
{
    QString source; ///< the address it was fetched from
    QDateTime expires;
    QByteArray etag;
    QByteArray lastModified;
    QByteArray body; ///< the file itself
};

/// Reads a cache file; nothing when it is missing or damaged.
std::optional<CachedBootstrap> readCachedBootstrap(const QString& path);

/// Writes a cache file in one piece (a reader never sees half of it); creates its folder.
bool writeCachedBootstrap(const QString& path, const CachedBootstrap& cached);

/// $XDG_CACHE_HOME/quorvel/rdap-dns.json (~/.cache/quorvel/rdap-dns.json when the variable is unset).
QString defaultBootstrapCachePath();

} // namespace quorvel::availability
