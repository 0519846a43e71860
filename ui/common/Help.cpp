#include "ui/common/Help.h"

#include "ui/common/WindowKeys.h"

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
    WindowKeys::install(window, language, context);
}

} // namespace quorvel::ui
