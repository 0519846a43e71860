#pragma once

#include "core/Language.h"

#include <QDateTime>
#include <QMetaType>
#include <QString>

namespace quorvel::availability {

/// The three answers a check can give. A failed look-up is always Unknown, never NotRegistered.
enum class Status
{
    Registered,    ///< the registry's RDAP server returned the domain object
    NotRegistered, ///< the registry's RDAP server said 404: no registration exists
    Unknown,       ///< no answer could be had; the reason says why
};

/// Why an answer is Unknown.
enum class Reason
{
    None,           ///< the answer is known
    InvalidName,    ///< the domain cannot exist (a label ends with a hyphen, is empty or too long)
    NoService,      ///< the bootstrap file names no RDAP server for the ending
    InsecureServer, ///< the server's address is not HTTPS (plain HTTP is accepted for loopback only)
    Timeout,        ///< the transfer did not finish in time
    Network,        ///< the connection failed
    Tls,            ///< the secure connection could not be set up
    RateLimited,    ///< 429, also after the one retry (or a wait asked for that is too long)
    ServerError,    ///< 5xx
    HttpStatus,     ///< any other status that is neither 200 nor 404
    NotRdap,        ///< the body is not an RDAP domain object
    NameMismatch,   ///< the domain object is for another name
    TooManyRedirects,
    TooLarge,             ///< the body is larger than any domain object should be
    Offline,              ///< no server could be reached at all: the machine has no working connection
    NameResolution,       ///< no server name could be resolved: the name server does not answer or fails
    BootstrapUnavailable, ///< the list of RDAP servers could not be read, and no other source may be used
};

/// A stable word for the reason, for scripts ("offline", "timeout", ...); empty for None.
QString reasonCode(Reason reason);

/// One answer with its reason and a detail (an HTTP status, a server's name, the network layer's message).
struct Answer
{
    Status status = Status::Unknown;
    Reason reason = Reason::None;
    QString detail;
    QDateTime expires;       ///< of a registered domain, when its registry gives the date
    QDateTime retryAfter;    ///< of a rate-limited answer: when the server accepts requests again
    bool viaBuiltIn = false; ///< asked of a built-in server because the list of servers could not be read

    static Answer registered() { return of(Status::Registered, Reason::None, {}); }
    static Answer notRegistered() { return of(Status::NotRegistered, Reason::None, {}); }
    static Answer unknown(Reason reason, QString detail = {}) { return of(Status::Unknown, reason, std::move(detail)); }
    static Answer of(Status status, Reason reason, QString detail)
    {
        Answer answer;
        answer.status = status;
        answer.reason = reason;
        answer.detail = std::move(detail);
        return answer;
    }

    bool known() const { return status != Status::Unknown; }
    friend bool operator==(const Answer&, const Answer&) = default;
};

/// "registered", "not-registered" or "unknown", for machine-readable output.
QString statusWord(Status status);

/// The status as a person reads it: "registrado" / "registered", "no registrado" / "not registered",
/// "desconocido" / "unknown".
QString statusText(Status status, UiLanguage language);

/// The reason of an Unknown answer as a sentence fragment in the edition's language; empty for a known one.
QString reasonText(const Answer& answer, UiLanguage language);

/// What a person reads beside the status: the reason of an unknown answer, the expiry date of a registered
/// domain when it is known (in the edition's date format), else nothing.
QString remarkText(const Answer& answer, UiLanguage language);

} // namespace quorvel::availability

Q_DECLARE_METATYPE(quorvel::availability::Answer)
