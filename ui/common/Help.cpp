#include "ui/common/Help.h"

#include <QShortcut>
#include <QWidget>

namespace quorvel::ui {

namespace {

Help::Handler* g_handler = nullptr;

Help::Handler& handler()
{
    return g_handler != nullptr ? *g_handler : helpViewer();
}

} // namespace

void Help::showContents(QWidget* parent, UiLanguage language)
{
    handler().showContents(parent, language);
}

void Help::showTopic(QWidget* parent, UiLanguage language, int context)
{
    handler().showTopic(parent, language, context);
}

void Help::showSearch(QWidget* parent, UiLanguage language)
{
    handler().showSearch(parent, language);
}

void Help::setHandler(Handler* replacement)
{
    g_handler = replacement;
}

void Help::bindF1(QWidget* window, UiLanguage language, int context)
{
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F1), window);
    shortcut->setObjectName(QStringLiteral("helpShortcut"));
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, window,
                     [window, language, context] { Help::showTopic(window, language, context); });
}

} // namespace quorvel::ui
