#pragma once

#include "core/Language.h"

class QWidget;

namespace quorvel::ui {

/// The help of each edition: a contents page, topics reached by their context numbers, and a keyword search.
/// Windows call these; tests install a handler that records the calls.
class Help
{
public:
    class Handler
    {
    public:
        virtual ~Handler() = default;
        virtual void showContents(QWidget* parent, UiLanguage language) = 0;
        virtual void showTopic(QWidget* parent, UiLanguage language, int context) = 0;
        virtual void showSearch(QWidget* parent, UiLanguage language) = 0;
    };

    static void showContents(QWidget* parent, UiLanguage language);
    static void showTopic(QWidget* parent, UiLanguage language, int context);
    static void showSearch(QWidget* parent, UiLanguage language);

    /// Puts a handler in place (not owned); nullptr restores the help viewer.
    static void setHandler(Handler* handler);

    /// Makes F1 in window open the help on the item (WindowKeys): the topic of the highlighted menu item or of the
    /// focused control, else the window's own topic; context 0 stands for the contents.
    static void bindF1(QWidget* window, UiLanguage language, int context);
};

/// The production viewer behind Help (ui/common/HelpViewer.cpp).
Help::Handler& helpViewer();

} // namespace quorvel::ui
