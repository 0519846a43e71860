#include "availability/Answer.h"

#include "core/TextTable.h"

#include <QLocale>

#include <array>
#include <string_view>
#include <utility>

namespace quorvel::availability {

namespace {

// The texts of both editions, from resources/texts/availability.tsv; %1 is the answer's detail.
constexpr std::pair<Reason, std::array<std::string_view, 2>> Reasons[] = {
    {Reason::InvalidName, textOfBothEditions("availability", "reason.invalidName")},
    {Reason::NoService, textOfBothEditions("availability", "reason.noService")},
    {Reason::InsecureServer, textOfBothEditions("availability", "reason.insecureServer")},
    {Reason::Timeout, textOfBothEditions("availability", "reason.timeout")},
    {Reason::Network, textOfBothEditions("availability", "reason.network")},
    {Reason::Tls, textOfBothEditions("availability", "reason.tls")},
    {Reason::RateLimited, textOfBothEditions("availability", "reason.rateLimited")},
    {Reason::ServerError, textOfBothEditions("availability", "reason.serverError")},
    {Reason::HttpStatus, textOfBothEditions("availability", "reason.httpStatus")},
    {Reason::NotRdap, textOfBothEditions("availability", "reason.notRdap")},
    {Reason::NameMismatch, textOfBothEditions("availability", "reason.nameMismatch")},
    {Reason::TooManyRedirects, textOfBothEditions("availability", "reason.tooManyRedirects")},
    {Reason::TooLarge, textOfBothEditions("availability", "reason.tooLarge")},
    {Reason::Offline, textOfBothEditions("availability", "reason.offline")},
    {Reason::NameResolution, textOfBothEditions("availability", "reason.nameResolution")},
    {Reason::BootstrapUnavailable, textOfBothEditions("availability", "reason.bootstrapUnavailable")},
};

// The words scripts rely on: never changed once published.
constexpr std::pair<Reason, std::string_view> Codes[] = {
    {Reason::InvalidName, "invalid-name"},
    {Reason::NoService, "no-service"},
    {Reason::InsecureServer, "insecure-server"},
    {Reason::Timeout, "timeout"},
    {Reason::Network, "network"},
    {Reason::Tls, "tls"},
    {Reason::RateLimited, "rate-limited"},
    {Reason::ServerError, "server-error"},
    {Reason::HttpStatus, "http-status"},
    {Reason::NotRdap, "not-rdap"},
    {Reason::NameMismatch, "name-mismatch"},
    {Reason::TooManyRedirects, "redirect-loop"},
    {Reason::TooLarge, "too-large"},
    {Reason::Offline, "offline"},
    {Reason::NameResolution, "name-resolution"},
    {Reason::BootstrapUnavailable, "bootstrap-unavailable"},
};

constexpr std::array<std::string_view, 2> BuiltInText = textOfBothEditions("availability", "reason.viaBuiltIn");
constexpr std::array<std::string_view, 2> RetryText = textOfBothEditions("availability", "reason.retryAt");
constexpr std::array<std::string_view, 2> ExpiresText = textOfBothEditions("availability", "remark.expires");

constexpr std::array<std::string_view, 2> RegisteredText = textOfBothEditions("availability", "status.registered");
constexpr std::array<std::string_view, 2> NotRegisteredText =
    textOfBothEditions("availability", "status.notRegistered");
constexpr std::array<std::string_view, 2> UnknownText = textOfBothEditions("availability", "status.unknown");

QString inEdition(const std::array<std::string_view, 2>& texts, UiLanguage language)
{
    const std::string_view text = texts[editionIndex(language)];
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QString reasonCode(Reason reason)
{
    for (const auto& [known, code] : Codes) {
        if (known == reason) {
            return QString::fromLatin1(code.data(), static_cast<qsizetype>(code.size()));
        }
    }
    return {};
}

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
    switch (status) {
    case Status::Registered:
        return inEdition(RegisteredText, language);
    case Status::NotRegistered:
        return inEdition(NotRegisteredText, language);
    case Status::Unknown:
        break;
    }
    return inEdition(UnknownText, language);
}

QString reasonText(const Answer& answer, UiLanguage language)
{
    if (answer.known()) {
        return {};
    }
    QString text = inEdition(UnknownText, language);
    for (const auto& [reason, texts] : Reasons) {
        if (reason == answer.reason) {
            text = inEdition(texts, language);
            text = text.contains(QLatin1String("%1")) ? text.arg(answer.detail) : text;
            break;
        }
    }
    if (answer.retryAfter.isValid()) {
        text +=
            inEdition(RetryText, language).arg(answer.retryAfter.toLocalTime().toString(QStringLiteral("HH:mm:ss")));
    }
    if (answer.viaBuiltIn) {
        text += inEdition(BuiltInText, language);
    }
    return text;
}

QString remarkText(const Answer& answer, UiLanguage language)
{
    if (!answer.known()) {
        return reasonText(answer, language);
    }
    if (answer.status == Status::Registered && answer.expires.isValid()) {
        // Day first in Spanish (31/12/2027); the month in words in English (31 Dec 2027), which no reader
        // takes for another day.
        const QDate date = answer.expires.toUTC().date();
        const QString shown = language == UiLanguage::Spanish
                                  ? date.toString(QStringLiteral("dd/MM/yyyy"))
                                  : QLocale::c().toString(date, QStringLiteral("d MMM yyyy"));
        return inEdition(ExpiresText, language).arg(shown);
    }
    return {};
}

} // namespace quorvel::availability
