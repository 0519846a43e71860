#include "availability/Answer.h"

namespace quorvel::availability {

namespace {

struct ReasonTexts
{
    Reason reason;
    const char* spanish;
    const char* english;
};

// %1 is the answer's detail.
constexpr ReasonTexts Reasons[] = {
    {Reason::InvalidName, "no es un nombre de dominio válido", "not a valid domain name"},
    {Reason::NoService, "no se conoce ningún servidor RDAP para .%1", "no RDAP server is known for .%1"},
    {Reason::InsecureServer, "el servidor no usa HTTPS: %1", "the server does not use HTTPS: %1"},
    {Reason::Timeout, "el servidor no respondió a tiempo", "the server did not answer in time"},
    {Reason::Network, "fallo de red: %1", "network failure: %1"},
    {Reason::Tls, "fallo de la conexión segura: %1", "secure connection failed: %1"},
    {Reason::RateLimited, "el servidor limita las consultas (429); pruebe más tarde",
     "the server limits requests (429); try again later"},
    {Reason::ServerError, "error del servidor (HTTP %1)", "server error (HTTP %1)"},
    {Reason::HttpStatus, "respuesta inesperada (HTTP %1)", "unexpected answer (HTTP %1)"},
    {Reason::NotRdap, "la respuesta no es RDAP", "the answer is not RDAP"},
    {Reason::NameMismatch, "el servidor respondió por otro nombre (%1)", "the server answered for another name (%1)"},
    {Reason::TooManyRedirects, "demasiadas redirecciones", "too many redirections"},
    {Reason::TooLarge, "la respuesta es demasiado grande", "the answer is too large"},
};

} // namespace

QString statusWord(Status status)
{
    switch (status) {
    case Status::Registered:
        return QStringLiteral("registered");
    case Status::NotRegistered:
        return QStringLiteral("not-registered");
    case Status::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QString statusText(Status status, UiLanguage language)
{
    const bool es = language == UiLanguage::Spanish;
    switch (status) {
    case Status::Registered:
        return es ? QStringLiteral("registrado") : QStringLiteral("registered");
    case Status::NotRegistered:
        return es ? QStringLiteral("no registrado") : QStringLiteral("not registered");
    case Status::Unknown:
        break;
    }
    return es ? QStringLiteral("desconocido") : QStringLiteral("unknown");
}

QString reasonText(const Answer& answer, UiLanguage language)
{
    if (answer.known()) {
        return {};
    }
    for (const ReasonTexts& texts : Reasons) {
        if (texts.reason == answer.reason) {
            QString text = QString::fromUtf8(language == UiLanguage::Spanish ? texts.spanish : texts.english);
            return text.contains(QLatin1String("%1")) ? text.arg(answer.detail) : text;
        }
    }
    return language == UiLanguage::Spanish ? QStringLiteral("sin respuesta") : QStringLiteral("no answer");
}

} // namespace quorvel::availability
