#include "availability/Answer.h"

#include "core/TextTable.h"

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
};

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
    for (const auto& [reason, texts] : Reasons) {
        if (reason == answer.reason) {
            const QString text = inEdition(texts, language);
            return text.contains(QLatin1String("%1")) ? text.arg(answer.detail) : text;
        }
    }
    return inEdition(UnknownText, language);
}

} // namespace quorvel::availability
