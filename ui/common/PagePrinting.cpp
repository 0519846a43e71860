#include "ui/common/PagePrinting.h"

#include "ui/common/FeaturePlugin.h"
#include "ui/common/Features.h"

namespace quorvel::ui {

PrintOutcome printPage(QWidget* owner, UiLanguage language, const QString& documentName,
                       const QString& suggestedPdfName, const DrawPage& draw)
{
    FeaturePlugin* plugin = features(language); // a plugin that cannot be had is told there
    if (plugin == nullptr) {
        return PrintOutcome::Failed;
    }
    return plugin->printPage(owner, language, documentName, suggestedPdfName, draw);
}

} // namespace quorvel::ui
