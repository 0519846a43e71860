#pragma once

#include "core/Language.h"

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
    TooLarge, ///< the body is larger than any domain object should be
};

/// One answer with its reason and a detail (an HTTP status, a server's name, the network layer's message).
struct Answer
{
    Status status = Status::Unknown;
    Reason reason = Reason::None;
    QString detail;

    static Answer registered() { return {Status::Registered, Reason::None, {}}; }
    static Answer notRegistered() { return {Status::NotRegistered, Reason::None, {}}; }
    static Answer unknown(Reason reason, QString detail = {}) { return {Status::Unknown, reason, std::move(detail)}; }

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

} // namespace quorvel::availability

Q_DECLARE_METATYPE(quorvel::availability::Answer)
