#include "ui/favourites/SaveFromMainWindow.h"

#include "store/DataFolder.h"
#include "store/FavouritesStore.h"
#include "ui/common/Notices.h"
#include "ui/favourites/AccessQuestion.h"
#include "ui/favourites/FavouritesTexts.h"

#include <QToolTip>
#include <QWidget>

#include <map>
#include <memory>

namespace quorvel::ui {

namespace {

/// One cursor per main window, as each window holds its own; gone with its window.
std::map<QObject*, std::unique_ptr<store::FavouritesStore>>& savingCursors()
{
    static std::map<QObject*, std::unique_ptr<store::FavouritesStore>> cursors;
    return cursors;
}

store::FavouritesStore& cursorFor(QWidget* owner)
{
    auto& cursors = savingCursors();
    auto it = cursors.find(owner);
    if (it == cursors.end()) {
        // Not opened for reading first: the save opens the file for writing itself, so a file that another
        // program holds locked costs one wait, not two.
        auto store = std::make_unique<store::FavouritesStore>(store::favouritesFilePath());
        it = cursors.emplace(owner, std::move(store)).first;
        QObject::connect(owner, &QObject::destroyed, [owner] { savingCursors().erase(owner); });
    }
    return *it->second;
}

/// Says it beside the save command that was used, or over the window when there is none, and lets it fade
/// by itself: nothing to dismiss.
void confirmQuietly(QWidget* owner, QWidget* command, const QString& message)
{
    QWidget* anchor = command != nullptr ? command : owner;
    QToolTip::showText(anchor->mapToGlobal(QPoint(0, anchor->height())), message, anchor, QRect(), SaveTipMs);
}

} // namespace

void saveFromMainWindow(QWidget* owner, QWidget* command, UiLanguage language, FigureKind kind, const QString& name)
{
    if (owner == nullptr) {
        return;
    }
    const QString kindText = kindName(kind, language);
    offerAccessConversion(owner, language);
    store::FavouritesStore& store = cursorFor(owner);
    try {
        switch (store.addFavourite(name, kind)) {
        case store::AddResult::Saved:
            confirmQuietly(owner, command, fillIn(favouritesText("saveDone", language), {name, kindText}));
            break;
        case store::AddResult::AlreadyKept:
            confirmQuietly(owner, command, fillIn(favouritesText("saveAlready", language), {name, kindText}));
            break;
        case store::AddResult::EmptyName:
            Notices::inform(owner, favouritesText("saveEmpty", language));
            break;
        case store::AddResult::InvalidName:
            Notices::inform(owner, fillIn(favouritesText("saveInvalid", language), {name}));
            break;
        }
    } catch (const store::StoreFailure& failure) {
        Notices::inform(owner, fillIn(favouritesText("saveNotKept", language),
                                      {name, kindText, problemReason(failure, store.filePath(), language)}));
    }
}

int savingCursorCount()
{
    return static_cast<int>(savingCursors().size());
}

} // namespace quorvel::ui
