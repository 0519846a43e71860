#pragma once

#include "ui/common/FeaturePlugin.h"

namespace quorvel::ui {

/// The features the plugin serves, as the program sees them through ui/common/FeaturePlugin.h.
class FeatureSet : public FeaturePlugin
{
public:
    QWidget* createWindow(WindowRole role, UiLanguage language) override;
    void saveFavourite(QWidget* owner, QWidget* command, UiLanguage language, FigureKind kind,
                       const QString& name) override;
    PrintOutcome printPage(QWidget* owner, UiLanguage language, const QString& documentName,
                           const QString& suggestedPdfName, const DrawPage& draw) override;
};

/// The features in this process, for tests and tools that link them instead of loading the plugin:
/// useFeatures(&featureSet()).
FeatureSet& featureSet();

} // namespace quorvel::ui
