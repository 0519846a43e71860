#pragma once

#include "core/FigureCoding.h"
#include "core/Language.h"
#include "ui/common/PagePrinting.h"
#include "ui/common/Windows.h"

#include <QString>
#include <QtPlugin>

class QWidget;

namespace quorvel::ui {

/// The interface of the feature plugin, quorvel-features.so, which the program loads with QPluginLoader the
/// first time one of its services is needed (ui/common/Features.h). The plugin holds what brings libraries of
/// its own that the first window must not wait for: the favourites window and the main window's save commands
/// (SQLite), the printing of the register and symbology pages (Qt Print Support) and the availability window
/// (Qt Network). Everything else, and the layers both sides use (core, launch, ui/common), stays with the
/// program; the shared layers are private shared libraries installed beside the plugin.
///
/// A new window or service of the plugin is one registration in ui/features/FeatureSet.cpp (and its library
/// in ui/features/CMakeLists.txt); a change to this interface also changes the version in its IID, so that a
/// plugin of another version is refused before it is used.
class FeaturePlugin
{
public:
    virtual ~FeaturePlugin() = default;

    /// A new window of a role the plugin serves, for one edition; nullptr for a role it does not serve.
    virtual QWidget* createWindow(WindowRole role, UiLanguage language) = 0;

    /// Keeps name with the class of figure kind in the favourites, as the main window's save commands do
    /// (ui/common/SaveFavourite.h).
    virtual void saveFavourite(QWidget* owner, QWidget* command, UiLanguage language, FigureKind kind,
                               const QString& name) = 0;

    /// Prints one page as printPage() says (ui/common/PagePrinting.h).
    virtual PrintOutcome printPage(QWidget* owner, UiLanguage language, const QString& documentName,
                                   const QString& suggestedPdfName, const DrawPage& draw) = 0;

protected:
    FeaturePlugin() = default;
    FeaturePlugin(const FeaturePlugin&) = default;
    FeaturePlugin& operator=(const FeaturePlugin&) = default;
};

} // namespace quorvel::ui

#define QUORVEL_FEATURE_PLUGIN_IID "com.quorvel.Quorvel.FeaturePlugin/1"
Q_DECLARE_INTERFACE(quorvel::ui::FeaturePlugin, QUORVEL_FEATURE_PLUGIN_IID)
