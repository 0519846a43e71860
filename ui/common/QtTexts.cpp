#include "ui/common/QtTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace quorvel::ui {

namespace {

// Qt's Spanish translation, read once, the first time the Spanish edition needs it; owned by the application.
QTranslator* spanishQtTexts()
{
    static QTranslator* translator = [] {
        auto* loaded = new QTranslator(QCoreApplication::instance());
        if (!loaded->load(QStringLiteral("qtbase_es"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            delete loaded;
            return static_cast<QTranslator*>(nullptr);
        }
        return loaded;
    }();
    return translator;
}

bool spanishInstalled = false;

} // namespace

void useQtTextsOf(UiLanguage language)
{
    if (QCoreApplication::instance() == nullptr) {
        return;
    }
    const bool wantSpanish = language == UiLanguage::Spanish;
    if (wantSpanish == spanishInstalled) {
        return;
    }
    QTranslator* spanish = spanishQtTexts();
    if (spanish == nullptr) {
        return;
    }
    if (wantSpanish) {
        QCoreApplication::installTranslator(spanish);
    } else {
        QCoreApplication::removeTranslator(spanish);
    }
    spanishInstalled = wantSpanish;
}

QtTextsDuring::QtTextsDuring(UiLanguage language)
    : m_before(spanishInstalled ? UiLanguage::Spanish : UiLanguage::English)
{
    useQtTextsOf(language);
}

QtTextsDuring::~QtTextsDuring()
{
    useQtTextsOf(m_before);
}

} // namespace quorvel::ui
