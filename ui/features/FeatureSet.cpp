#include "ui/features/FeatureSet.h"

#include "ui/availability/AvailabilityWindow.h"
#include "ui/common/Windows.h"
#include "ui/favourites/AccessQuestion.h"
#include "ui/favourites/FavouritesWindow.h"
#include "ui/favourites/SaveFromMainWindow.h"
#include "ui/printing/Printing.h"

namespace quorvel::ui {

namespace {

// One availability window per run, whatever the edition: the other edition's window hands over its endings and
// its place, then closes (the name is the program's, so it comes along by itself).
QWidget* availabilityWindow(UiLanguage language)
{
    const UiLanguage other = language == UiLanguage::Spanish ? UiLanguage::English : UiLanguage::Spanish;
    auto* previous = qobject_cast<AvailabilityWindow*>(Windows::instance().find(WindowRole::Availability, other));
    auto* window = new AvailabilityWindow(language);
    if (previous != nullptr) {
        window->setEndingsText(previous->endingsText());
        const QRect geometry = previous->geometry();
        Windows::instance().close(WindowRole::Availability, other);
        window->setPlacement(geometry);
    }
    return window;
}

// The plugin's windows, one line each.
QWidget* makeWindow(WindowRole role, UiLanguage language)
{
    switch (role) {
    case WindowRole::Favourites:
        // An Access favourites file is offered for conversion before the window opens the file.
        offerAccessConversion(nullptr, language);
        return new FavouritesWindow(language);
    case WindowRole::Availability:
        return availabilityWindow(language);
    default:
        return nullptr; // the program's own windows
    }
}

} // namespace

QWidget* FeatureSet::createWindow(WindowRole role, UiLanguage language)
{
    return makeWindow(role, language);
}

void FeatureSet::saveFavourite(QWidget* owner, QWidget* command, UiLanguage language, FigureKind kind,
                               const QString& name)
{
    saveFromMainWindow(owner, command, language, kind, name);
}

PrintOutcome FeatureSet::printPage(QWidget* owner, UiLanguage language, const QString& documentName,
                                   const QString& suggestedPdfName, const DrawPage& draw)
{
    return Printing::print(owner, language, documentName, suggestedPdfName, draw);
}

FeatureSet& featureSet()
{
    static FeatureSet features;
    return features;
}

} // namespace quorvel::ui
