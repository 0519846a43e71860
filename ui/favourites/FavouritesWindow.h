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
    void showEvent(QShowEvent* event) override;

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

    void bringToFront(Panel panel);
    void showWordDisplay();
    void showFigureLists();
    QString text(const char* key) const;

    UiLanguage m_language;
    store::FavouritesStore m_store;
    store::WordDisplay m_display;
    store::FigureLists m_lists;
    Panel m_front = Panel::NoEntries;
    bool m_centred = false;

    QWidget* m_picnohay = nullptr;
    FigureCanvas* m_picnom = nullptr;
    FigureCanvas* m_picfig = nullptr;
    FigureCanvas* m_shape3 = nullptr;
    FigureCanvas* m_shape4 = nullptr;
    ClickableLabel* m_label1 = nullptr;
    ClickableLabel* m_label2 = nullptr;
    QLabel* m_label3 = nullptr;
    QLineEdit* m_txtNom = nullptr;
    std::array<ClickableLabel*, 4> m_addressLabels{};
    std::array<QComboBox*, 4> m_combos{};
    std::array<QStringListModel*, 4> m_listModels{};
    QAction* m_mnufig = nullptr;
    QAction* m_mnunom = nullptr;
};

} // namespace quorvel::ui
