#pragma once

#include "core/FigureCoding.h"
#include "core/Language.h"
#include "store/FavouritesSearch.h"
#include "store/FavouritesStore.h"

#include <QMainWindow>

#include <array>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStringListModel;

namespace quorvel::ui {

class ClickableLabel;
class FigureCanvas;

/// The favourites window, frmbdd (Spanish) or frmdb (English): search by figure (four lists) or by name
/// (four address labels, stepping word by word), opening and deleting the names kept. It holds its own
/// cursor over the favourites table from its load to its unload; every display is rebuilt from the
/// table at the moment of the user's action.
class FavouritesWindow final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FavouritesWindow)

public:
    explicit FavouritesWindow(UiLanguage language, QWidget* parent = nullptr);
    ~FavouritesWindow() override;

    UiLanguage language() const { return m_language; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Panel
    {
        NoEntries,
        ByName,
        ByFigure,
    };

    void setupWindow();
    void setupControls();
    void setupNamePanel();
    void setupFigurePanel();
    void setupMenus();
    void connectSignals();

    void enterSearchByFigure();
    void enterSearchByName();
    void enterNoEntries();
    void nameSearch();
    void stepBackCommand();
    void stepNextCommand();
    void openAddressLabel(FigureKind kind);
    void openListEntry(FigureKind kind);
    void deleteRow(FigureKind kind);
    void importFavourites();

    void bringToFront(Panel panel);
    void showWordDisplay();
    void showFigureLists();
    QString text(const char* key) const;

    UiLanguage m_language;
    store::FavouritesStore m_store;
    store::WordDisplay m_display;
    store::FigureLists m_lists;
    Panel m_front = Panel::NoEntries;

    ClickableLabel* m_byFigureLink = nullptr; // Label1
    ClickableLabel* m_byNameLink = nullptr;   // Label2
    FigureCanvas* m_byFigureMark = nullptr;   // Shape3: beside Label1 while searching by figure
    FigureCanvas* m_byNameMark = nullptr;     // Shape4: beside Label2 while searching by name
    QWidget* m_noEntriesPanel = nullptr;      // picnohay
    QLabel* m_noEntriesText = nullptr;        // Label3
    FigureCanvas* m_byNamePanel = nullptr;    // picnom
    QLineEdit* m_searchBox = nullptr;         // txtNOM
    QPushButton* m_searchCommand = nullptr;   // cmdbuscar
    QPushButton* m_stepBackCommand = nullptr; // Command7
    QPushButton* m_stepNextCommand = nullptr; // Command8
    std::array<ClickableLabel*, 4> m_addressLabels{};
    std::array<QPushButton*, 4> m_deleteCommands{};
    FigureCanvas* m_byFigurePanel = nullptr; // picfig
    std::array<QComboBox*, 4> m_combos{};
    std::array<QStringListModel*, 4> m_listModels{};
    std::array<QPushButton*, 4> m_listCommands{};
    QAction* m_byFigureItem = nullptr; // mnufig
    QAction* m_byNameItem = nullptr;   // mnunom
};

} // namespace quorvel::ui
