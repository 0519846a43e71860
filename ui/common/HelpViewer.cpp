#include "core/TextTable.h"
#include "ui/common/Accessibility.h"
#include "ui/common/Closing.h"
#include "ui/common/Help.h"
#include "ui/common/Placement.h"
#include "ui/common/Texts.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include <array>

namespace quorvel::ui {

namespace {

// The help pages of one edition, under :/help/<es|en>/. Each page may name the context numbers that lead to it
// (<meta name="context" content="100 101">) and its index keywords (<meta name="keywords" content="a; b">).
struct Catalogue
{
    struct Entry
    {
        QString keyword;
        QString page;
        QString title;
    };

    QString folder;
    QMap<int, QString> pageOfContext;
    std::vector<Entry> index; // sorted by keyword, as a reader expects in an index

    static Catalogue load(UiLanguage language)
    {
        Catalogue catalogue;
        catalogue.folder = Texts::get(QStringLiteral("help"), QStringLiteral("pages"), language);
        static const QRegularExpression metaPattern(
            QStringLiteral("<meta\\s+name=\"(context|keywords)\"\\s+content=\"([^\"]*)\""),
            QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression titlePattern(QStringLiteral("<title>([^<]*)</title>"),
                                                     QRegularExpression::CaseInsensitiveOption);
        const QDir dir(catalogue.folder);
        for (const QString& page : dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name)) {
            QFile file(dir.filePath(page));
            if (!file.open(QIODevice::ReadOnly)) {
                continue;
            }
            const QString html = QString::fromUtf8(file.readAll());
            const QRegularExpressionMatch titleMatch = titlePattern.match(html);
            const QString title = titleMatch.hasMatch() ? titleMatch.captured(1).trimmed() : page;
            auto metas = metaPattern.globalMatch(html);
            while (metas.hasNext()) {
                const QRegularExpressionMatch meta = metas.next();
                if (meta.captured(1).compare(QStringLiteral("context"), Qt::CaseInsensitive) == 0) {
                    for (const QString& number : meta.captured(2).split(u' ', Qt::SkipEmptyParts)) {
                        bool ok = false;
                        const int context = number.toInt(&ok);
                        if (ok) {
                            catalogue.pageOfContext.insert(context, page);
                        }
                    }
                } else {
                    for (const QString& keyword : meta.captured(2).split(u';', Qt::SkipEmptyParts)) {
                        if (!keyword.trimmed().isEmpty()) {
                            catalogue.index.push_back({keyword.trimmed(), page, title});
                        }
                    }
                }
            }
        }
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::stable_sort(catalogue.index.begin(), catalogue.index.end(), [&collator](const Entry& a, const Entry& b) {
            return collator.compare(a.keyword, b.keyword) < 0;
        });
        return catalogue;
    }

    QUrl url(const QString& page) const { return QUrl(QStringLiteral("qrc%1/%2").arg(folder, page)); }
};

// Folds case and accents, so that "simbologia" finds "simbología" in the index.
QString folded(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_D).toCaseFolded();
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing) {
            out += c;
        }
    }
    return out;
}

// The help window of one edition: the keyword index with its filter box beside the pages.
class HelpWindow final : public QWidget
{
public:
    explicit HelpWindow(UiLanguage language) : m_catalogue(Catalogue::load(language))
    {
        const EditionTexts texts(QStringLiteral("help"), language);
        installAccessibility(); // a window to screen readers, not a mere "filler"
        setAttribute(Qt::WA_DeleteOnClose);
        setObjectName(texts("objName.window"));
        setWindowTitle(texts("caption"));

        auto* side = new QWidget;
        auto* sideLayout = new QVBoxLayout(side);
        sideLayout->setContentsMargins(0, 0, 0, 0);
        auto* contents = new QPushButton(texts("contents"));
        contents->setObjectName(QStringLiteral("helpContents"));
        auto* prompt = new QLabel(texts("searchIndex"));
        m_filter = new QLineEdit;
        m_filter->setObjectName(QStringLiteral("helpFilter"));
        m_filter->setClearButtonEnabled(true);
        prompt->setBuddy(m_filter);
        m_list = new QListWidget;
        m_list->setObjectName(QStringLiteral("helpIndex"));
        sideLayout->addWidget(contents);
        sideLayout->addWidget(prompt);
        sideLayout->addWidget(m_filter);
        sideLayout->addWidget(m_list, 1);

        m_browser = new QTextBrowser;
        m_browser->setObjectName(QStringLiteral("helpBrowser"));
        m_browser->setOpenLinks(true);
        m_browser->setOpenExternalLinks(false);
        m_browser->setSearchPaths({m_catalogue.folder});

        auto* splitter = new QSplitter;
        splitter->addWidget(side);
        splitter->addWidget(m_browser);
        splitter->setStretchFactor(1, 1);
        auto* layout = new QHBoxLayout(this);
        layout->addWidget(splitter);
        // Its usual size where the screen has room for it, else as much as the screen's work area holds; centred
        // on that area as it opens. Escape closes it as its close box does.
        resize(sizeWithinWorkArea(this, QSize(820, 560)));
        splitter->setSizes({230, 590});
        centreWhenFirstShown(this);
        closeOnEscape(this);

        // A keyword found on several pages names its page, so that no two lines of the index read alike.
        QHash<QString, int> pagesOfKeyword;
        for (const Catalogue::Entry& entry : m_catalogue.index) {
            ++pagesOfKeyword[entry.keyword.toCaseFolded()];
        }
        for (const Catalogue::Entry& entry : m_catalogue.index) {
            const bool shared = pagesOfKeyword.value(entry.keyword.toCaseFolded()) > 1;
            auto* item = new QListWidgetItem(
                shared ? QStringLiteral("%1 (%2)").arg(entry.keyword, entry.title) : entry.keyword, m_list);
            item->setData(Qt::UserRole, entry.page);
            item->setToolTip(entry.title);
        }
        connect(contents, &QPushButton::clicked, this, [this] { showPage(QStringLiteral("index.html")); });
        connect(m_filter, &QLineEdit::textChanged, this, &HelpWindow::applyFilter);
        connect(m_filter, &QLineEdit::returnPressed, this, &HelpWindow::openFirstMatch);
        connect(m_list, &QListWidget::itemActivated, this, &HelpWindow::openItem);
        connect(m_list, &QListWidget::itemClicked, this, &HelpWindow::openItem);
    }

    void showPage(const QString& page) { m_browser->setSource(m_catalogue.url(page)); }

    void showContext(int context)
    {
        // An unknown number opens the contents, where every topic can be reached.
        showPage(m_catalogue.pageOfContext.value(context, QStringLiteral("index.html")));
    }

    void startSearch()
    {
        m_filter->clear();
        m_filter->setFocus(Qt::OtherFocusReason);
    }

private:
    void applyFilter(const QString& text)
    {
        const QString wanted = folded(text.trimmed());
        for (int row = 0; row < m_list->count(); ++row) {
            QListWidgetItem* item = m_list->item(row);
            item->setHidden(!wanted.isEmpty() && !folded(item->text()).contains(wanted));
        }
    }

    void openFirstMatch()
    {
        for (int row = 0; row < m_list->count(); ++row) {
            if (!m_list->item(row)->isHidden()) {
                m_list->setCurrentRow(row);
                openItem(m_list->item(row));
                return;
            }
        }
    }

    void openItem(QListWidgetItem* item)
    {
        if (item != nullptr) {
            showPage(item->data(Qt::UserRole).toString());
        }
    }

    Catalogue m_catalogue;
    QLineEdit* m_filter = nullptr;
    QListWidget* m_list = nullptr;
    QTextBrowser* m_browser = nullptr;
};

class HelpViewer final : public Help::Handler
{
public:
    void showContents(QWidget* parent, UiLanguage language) override
    {
        window(parent, language)->showPage(QStringLiteral("index.html"));
    }
    void showTopic(QWidget* parent, UiLanguage language, int context) override
    {
        window(parent, language)->showContext(context);
    }
    void showSearch(QWidget* parent, UiLanguage language) override
    {
        HelpWindow* help = window(parent, language);
        help->showPage(QStringLiteral("index.html"));
        help->startSearch();
    }

private:
    // One help window per edition, reused while it is open; it belongs to no other window, so it stays when the
    // window that asked for it goes.
    HelpWindow* window(QWidget* /*parent*/, UiLanguage language)
    {
        QPointer<HelpWindow>& slot = m_windows[editionIndex(language)];
        if (slot.isNull()) {
            slot = new HelpWindow(language);
        }
        slot->show();
        slot->raise();
        slot->activateWindow();
        return slot.data();
    }

    std::array<QPointer<HelpWindow>, 2> m_windows;
};

} // namespace

Help::Handler& helpViewer()
{
    static HelpViewer viewer;
    return viewer;
}

} // namespace quorvel::ui
