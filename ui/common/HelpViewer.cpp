#include "ui/common/Help.h"

#include <QTextBrowser>
#include <QUrl>

namespace quorvel::ui {

namespace {

// A plain viewer of the help pages kept in the resources under :/help/<es|en>/.
class BasicHelpViewer final : public Help::Handler
{
public:
    void showContents(QWidget* parent, UiLanguage language) override
    {
        open(parent, language, QStringLiteral("index.html"));
    }
    void showTopic(QWidget* parent, UiLanguage language, int context) override
    {
        open(parent, language, QStringLiteral("topic-%1.html").arg(context));
    }
    void showSearch(QWidget* parent, UiLanguage language) override
    {
        open(parent, language, QStringLiteral("index.html"));
    }

private:
    static void open(QWidget* /*parent*/, UiLanguage language, const QString& page)
    {
        auto* browser = new QTextBrowser;
        browser->setAttribute(Qt::WA_DeleteOnClose);
        const QString folder = language == UiLanguage::Spanish ? QStringLiteral("es") : QStringLiteral("en");
        browser->setSource(QUrl(QStringLiteral("qrc:/help/%1/%2").arg(folder, page)));
        browser->resize(640, 480);
        browser->show();
    }
};

} // namespace

Help::Handler& helpViewer()
{
    static BasicHelpViewer viewer;
    return viewer;
}

} // namespace quorvel::ui
