#include "availability/Domains.h"

#include "core/FigureCoding.h"

#include <QRegularExpression>

namespace quorvel::availability {

QStringList parseEndings(const QString& text)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    static const QRegularExpression endingPattern(QStringLiteral("^[a-z0-9-]+(\\.[a-z0-9-]+)*$"));
    QStringList endings;
    for (QString word : text.toLower().split(separators, Qt::SkipEmptyParts)) {
        while (word.startsWith(u'.')) {
            word.remove(0, 1);
        }
        if (word.isEmpty() || word == QLatin1String("com") || !endingPattern.match(word).hasMatch() ||
            endings.contains(word)) {
            continue;
        }
        endings << word;
    }
    return endings;
}

QStringList invalidEndings(const QString& text)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    QStringList invalid;
    for (QString word : text.toLower().split(separators, Qt::SkipEmptyParts)) {
        while (word.startsWith(u'.')) {
            word.remove(0, 1);
        }
        if (!word.isEmpty() && parseEndings(word).isEmpty() && word != QLatin1String("com") &&
            !invalid.contains(word)) {
            invalid << word;
        }
    }
    return invalid;
}

QStringList domainsOf(std::string_view name, const QStringList& endings)
{
    QStringList domains;
    if (name.empty()) {
        return domains;
    }
    const QString plain = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    domains << plain + QStringLiteral(".com");
    for (FigureKind kind : AllFigureKinds) {
        // The register address is "www." + the domain.
        const std::string address = registerAddress(kind, name);
        domains << QString::fromStdString(address.substr(4));
    }
    for (const QString& ending : endings) {
        domains << plain + u'.' + ending;
    }
    return domains;
}

bool isValidDomain(const QString& domain)
{
    if (domain.isEmpty() || domain.size() > 253) {
        return false;
    }
    static const QRegularExpression labelPattern(QStringLiteral("^[a-z0-9]([a-z0-9-]{0,61}[a-z0-9])?$"));
    const QStringList labels = domain.split(u'.');
    if (labels.size() < 2) {
        return false;
    }
    for (const QString& label : labels) {
        if (!labelPattern.match(label).hasMatch()) {
            return false;
        }
        // Hyphens in the third and fourth places are kept for encoded international names ("xn--").
        if (label.mid(2, 2) == QLatin1String("--") && !label.startsWith(QLatin1String("xn--"))) {
            return false;
        }
    }
    return true;
}

} // namespace quorvel::availability
